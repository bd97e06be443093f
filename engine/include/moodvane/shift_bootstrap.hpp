// Bootstrap resamples of a weighted-average word shift between two sets of documents: how
// sure each word's contribution is, and the shift's total.
//
// Each resample draws as many documents as each text has, with replacement, from each text
// on its own, pools their counts and works out the shift of the pooled counts as
// `shift::weighted_avg_shift` defines it: text 1's average is the reference, a word's
// contribution is (p2 - p1) * (score - reference), with p its count over the text's scored
// total, and the total is the difference of the two averages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "moodvane/shift.hpp"

namespace moodvane::shift_bootstrap {

// One text's documents as sparse rows over a vocabulary shared by both texts: document d
// holds counts[starts[d] .. starts[d+1]) of the words words[starts[d] .. starts[d+1]).
// Only scored words belong in the rows (the stop lens and stop words already applied).
struct Documents {
  std::span<const std::int64_t> starts;
  std::span<const std::int32_t> words;
  std::span<const double> counts;
};

// The vocabulary: each word's score, and the output column its contribution goes to (-1
// for a word whose contribution is not wanted; it still counts in the totals).
struct Vocabulary {
  std::span<const double> scores;
  std::span<const std::int32_t> columns;
  std::size_t column_count = 0;
};

// What is wrong with the inputs, or nullptr when they can be resampled: starts that do not
// rise from 0 to the rows' end, a word outside the vocabulary, a column outside
// [-1, column_count), more than 2^32 - 1 documents in a text, or an output of other than
// n_boot * (column_count + 1) values.
const char* check(const Documents& text_1, const Documents& text_2, const Vocabulary& vocabulary,
                  std::size_t n_boot, std::size_t out_size) noexcept;

// Writes n_boot resamples to `out`, resample b at out[b * (column_count + 1) ...]: the
// total, then each column's contribution. A resample in which either text has no scored
// word gives NaN throughout. Resample b's draws come from a generator seeded by (seed, b)
// alone, text 1's documents first: a resample never depends on n_boot or on the others.
// `progress` is called about every 0.1 s of work; it may throw to abandon the resampling.
// The inputs must pass `check`.
void resample(const Documents& text_1, const Documents& text_2, const Vocabulary& vocabulary,
              std::size_t n_boot, std::uint64_t seed, std::span<double> out,
              const shift::Progress& progress = {});

}  // namespace moodvane::shift_bootstrap
