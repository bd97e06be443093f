// Lowering tokens the way str.lower does, for text that the counter checked it may lower
// itself (see ready_to_count in word_counting.hpp; has_capitals says whether to).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace moodvane::text {

// Whether `text` holds a code point beyond ASCII with any of `bits` among its normalization
// bits (kLowersBit, kInterpreterLowersBit), or an ASCII capital where `ascii_capitals`.
bool holds_code_point_with(std::string_view text, std::uint16_t bits,
                           bool ascii_capitals) noexcept;

// Appends `token` lowered: ASCII capitals and the code points simple_lower maps.
void append_lowered(std::string_view token, std::string& out);

}  // namespace moodvane::text
