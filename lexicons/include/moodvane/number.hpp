// The score grammar of lexicon texts and the trim that precedes it.
#pragma once

#include <optional>
#include <string_view>

namespace moodvane::lexicons {

// Removes the Unicode White_Space code points (exactly those 25) from both ends of a
// UTF-8 text.
std::string_view trim_white_space(std::string_view text) noexcept;

// Reads a whole (already trimmed) text as a decimal number: optional sign, digits with an
// optional point, optional exponent, or INF / INFINITY / NAN in any ASCII case. Gives the
// nearest double (ties to even), or nothing when the text is not a number.
std::optional<double> parse_number(std::string_view text) noexcept;

}  // namespace moodvane::lexicons
