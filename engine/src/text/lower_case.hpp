// Lowering tokens the way str.lower does, for text that the counter checked it may lower
// itself (see ready_to_count in word_counting.hpp; has_capitals says whether to).
#pragma once

#include <string>
#include <string_view>

namespace moodvane::text {

// Appends `token` lowered: ASCII capitals and the code points simple_lower maps.
void append_lowered(std::string_view token, std::string& out);

}  // namespace moodvane::text
