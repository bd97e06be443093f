// The vocabulary of a generalized shift, found by sorting instead of hashing.
//
// Every word of every input table goes into one array of 16-byte records, which is
// radix-sorted by the words' first eight bytes; runs of equal prefixes are then ordered by
// their full bytes. Equal words end up side by side, so one walk over the array meets each
// distinct word once, in ascending byte order, with all of its values at hand. No input can
// degrade this the way colliding keys degrade a hash table.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "moodvane/general_shift.hpp"

namespace moodvane::general {

// One vocabulary word and what the shift needs of it. The word itself is found through the
// table it was first met in (word_text), so the walk need not touch its bytes.
struct VocabularyWord {
  std::uint32_t source;
  std::uint32_t index;
  double count_1;  // +0.0 when the word is not a key of text 1
  double count_2;
  double phi_1;    // scores; for the weighted kind taken from the score maps here,
  double phi_2;    // for the other kinds filled in later
  double s_diff;   // phi_2 - phi_1, filled in with the scores
};

// The word at `index` of the table `source` names (as VocabularyWord records them).
std::string_view word_text(const Inputs& inputs, std::uint32_t source,
                           std::uint32_t index) noexcept;

// The admitted words in ascending byte order. The weighted kind admits keys of either
// text that either score map scores; the other kinds admit words with a positive count in
// either text. Stop words are never admitted.
std::vector<VocabularyWord> collect_vocabulary(const Inputs& inputs, Kind kind,
                                               const shift::Progress& progress);

}  // namespace moodvane::general
