// Lower case as str.lower gives it, for the code points the generated table lets the word
// counter lower itself; a token is lowered once, when the tally first sees it.
#include "lower_case.hpp"

#include <algorithm>
#include <cstdint>

#include "moodvane/text/character_classes.hpp"
#include "moodvane/text/utf8.hpp"

namespace moodvane::text {

char32_t simple_lower(char32_t cp) noexcept {
  const std::uint64_t* begin = detail::kSimpleLowers;
  const std::uint64_t* end = begin + detail::kSimpleLowerCount;
  const std::uint64_t key = std::uint64_t{cp} << 21;
  const std::uint64_t* found = std::lower_bound(begin, end, key);
  if (found == end || (*found >> 21) != cp) return cp;
  return static_cast<char32_t>(*found & 0x1FFFFF);
}

void append_lowered(std::string_view token, std::string& out) {
  for_each_code_point(token, [&out](char32_t cp) {
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp >= 'A' && cp <= 'Z' ? cp + 32 : cp));
    } else {
      append_utf8(out, simple_lower(cp));
    }
  });
}

}  // namespace moodvane::text
