#include "moodvane/parser.hpp"

#include <cstring>
#include <optional>

#include "moodvane/number.hpp"

namespace moodvane::lexicons {
namespace {

// The first `c` in [begin, end), or end. Never hands memchr an empty range, where the
// pointers of an empty text may be null.
const char* find_byte(const char* begin, const char* end, char c) noexcept {
  if (begin == end) return end;
  const void* found = std::memchr(begin, c, static_cast<std::size_t>(end - begin));
  return found != nullptr ? static_cast<const char*>(found) : end;
}

}  // namespace

types::ScoreMap parse_lexicon(std::string_view text) {
  types::ScoreMap scores;
  const char* line = text.data();
  const char* const text_end = line + text.size();
  while (line != text_end) {
    const char* const line_feed = find_byte(line, text_end, '\n');
    const char* line_end = line_feed;
    // A CR belongs to the line break only when an LF follows it; the final line without LF
    // keeps its CR for the trim to remove.
    if (line_feed != text_end && line_end != line && line_end[-1] == '\r') --line_end;

    // Empty lines have no tab either, so one test passes over both.
    const char* const tab = find_byte(line, line_end, '\t');
    if (tab != line_end) {
      const char* const score_begin = tab + 1;
      const char* const score_end = find_byte(score_begin, line_end, '\t');
      const std::optional<double> score =
          parse_number(trim_white_space(std::string_view(score_begin, score_end)));
      if (score) scores.insert_or_assign(std::string_view(line, tab), *score);
    }

    line = line_feed == text_end ? text_end : line_feed + 1;
  }
  return scores;
}

}  // namespace moodvane::lexicons
