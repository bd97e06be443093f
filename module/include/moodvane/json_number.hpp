// The text of one float in the result's JSON: the shortest digits that read back to the
// same bits, in fixed notation for decimal exponents -5..15 and scientific otherwise,
// always with a "." or an "e", "null" for NaN and the infinities.
#pragma once

#include <cstddef>
#include <span>

namespace moodvane::encoding {

// The longest text format_json_number writes ("-1.7976931348623157e+308" and the like).
inline constexpr std::size_t kMaxNumberText = 24;

// Writes the text into `out` and returns its length.
std::size_t format_json_number(double value, std::span<char, kMaxNumberText> out) noexcept;

}  // namespace moodvane::encoding
