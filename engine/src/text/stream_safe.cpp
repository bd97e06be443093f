// Unicode's Stream-Safe Text Format (UAX #15, section 13): no more than 30 non-starters in a
// row. Normalising a longer run sorts it by combining class, which takes time quadratic in
// its length in the interpreter; the format bounds every run, so NFC takes linear time.
#include "moodvane/text/character_classes.hpp"
#include "moodvane/text/utf8.hpp"
#include "moodvane/text/word_counting.hpp"

namespace moodvane::text {
namespace {

constexpr std::size_t kLongestRun = 30;
constexpr char32_t kGraphemeJoiner = 0x34F;  // a starter that joins the marks around it

bool is_non_starter(char32_t cp) noexcept { return (character_class(cp) & kNonStarter) != 0; }

}  // namespace

bool needs_stream_safe(std::string_view text) noexcept {
  std::size_t run = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    if (static_cast<unsigned char>(text[pos]) < 0x80) {
      run = 0;
      ++pos;
      continue;
    }
    const Decoded d = decode_utf8(text.data() + pos);
    run = is_non_starter(d.cp) ? run + 1 : 0;
    if (run > kLongestRun) return true;
    pos += d.size;
  }
  return false;
}

std::string stream_safe(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  std::size_t run = 0;
  for_each_code_point(text, [&](char32_t cp) {
    if (!is_non_starter(cp)) {
      run = 0;
    } else if (++run > kLongestRun) {
      append_utf8(out, kGraphemeJoiner);
      run = 1;
    }
    append_utf8(out, cp);
  });
  return out;
}

}  // namespace moodvane::text
