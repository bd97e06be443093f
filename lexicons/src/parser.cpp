#include "moodvane/parser.hpp"

#include <algorithm>
#include <cstring>
#include <optional>

#include "moodvane/number.hpp"

namespace moodvane::lexicons {
namespace {

// The first `c` at or after `p`, or `end`.
const char* find_byte(const char* p, const char* end, char c) noexcept {
  if (p == end) return end;
  const void* found = std::memchr(p, c, static_cast<std::size_t>(end - p));
  return found != nullptr ? static_cast<const char*>(found) : end;
}

// The first tab or line feed at or after `p`, or `end`. Words and scores are a few bytes
// long, where a plain loop beats a library search call.
const char* find_tab_or_line_feed(const char* p, const char* end) noexcept {
  while (p != end && *p != '\t' && *p != '\n') ++p;
  return p;
}

}  // namespace

// One pass over the text: each byte is looked at once. A CR before an LF needs no handling
// of its own: it can only stand after the first tab (a line without a tab is passed over
// whatever it holds), where it either ends the score text, whose trim removes it, or lies
// in an ignored column.
types::ScoreMap parse_lexicon(std::string_view text) {
  // One entry per line at most: room for that many up front spares the map every
  // intermediate growth (and the page faults of its ever larger buffers), which would
  // otherwise cost as much as the parse itself.
  types::ScoreMap scores(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p != end) {
    const char* const line = p;
    const char* const tab = find_tab_or_line_feed(line, end);
    if (tab == end) break;
    if (*tab == '\n') {  // empty, or no tab
      p = tab + 1;
      continue;
    }
    const char* const score_end = find_tab_or_line_feed(tab + 1, end);
    const std::optional<double> score =
        parse_number(trim_white_space(std::string_view(tab + 1, score_end)));
    if (score) scores.insert_or_assign(std::string_view(line, tab), *score);

    const char* const line_feed =
        score_end != end && *score_end == '\t' ? find_byte(score_end, end, '\n') : score_end;
    p = line_feed == end ? end : line_feed + 1;
  }
  return scores;
}

}  // namespace moodvane::lexicons
