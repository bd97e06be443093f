// Where a long text may be cut, so that its pieces, counted one after the other, count as
// the whole text does.
#pragma once

#include <cstddef>

#include "moodvane/text/character_classes.hpp"

namespace moodvane::text {

// The largest index i with end - window < i <= end and 0 <= i < length such that the text
// may be cut just before its code point i (`code_point_at(i)`), or -1 when there is none. A
// cut before white space comes first: nothing that the counter reads as one spans it (URLs,
// addresses, emoticons, emoji sequences; a phrase does, but a tally carries it over); only a
// window without one (Chinese writes no spaces) is cut elsewhere, where no token or
// normalisation is split, unless `white_space_only`.
template <class CodePointAt>
std::ptrdiff_t last_break(const CodePointAt& code_point_at, std::ptrdiff_t length,
                          std::ptrdiff_t end, std::ptrdiff_t window, bool white_space_only) {
  if (end >= length) end = length - 1;
  const std::ptrdiff_t lowest = end - window;
  std::ptrdiff_t other = -1;  // the last other break, should no white space come
  for (std::ptrdiff_t i = end; i > lowest && i >= 0; --i) {
    const std::uint8_t cls = character_class(code_point_at(i));
    if (!(cls & kStableBreak)) continue;
    if (cls & kSpace) return i;
    if (other < 0) other = i;
  }
  return white_space_only ? -1 : other;
}

}  // namespace moodvane::text
