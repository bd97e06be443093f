// The weighted-average word shift: the engine's one operation and its building blocks.
//
// Every sum runs over the vocabulary in ascending byte order of the words and every formula
// is evaluated in the order written, so a result is bit-identical whatever the hash seeds,
// map iteration orders or input orders (save the last bits of a repeated word's summed
// frequency).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "moodvane/types.hpp"

namespace moodvane::shift {

// Word -> summed frequency for one system, keyed by views into the system's own words.
using FreqMap = types::FlatMap<std::string_view, double>;

FreqMap freq_map(const types::InputSystem& system);

// A stop lens with its bounds ordered: lo <= hi unless a bound is NaN.
struct OrderedLens {
  double lo;
  double hi;
};

OrderedLens order_lens(const types::StopLens& lens) noexcept;

// Decides which words enter the vocabulary: scored, outside the stop lens, not a stop word.
class WordFilter {
 public:
  WordFilter(const types::ScoreMap& scores, const std::optional<types::StopLens>& stop_lens,
             const types::StopWords* stop_words) noexcept;

  // The word's score when the word is admitted, null otherwise.
  const double* keep_word(std::string_view word) const noexcept;

 private:
  const types::ScoreMap& scores_;
  std::optional<OrderedLens> lens_;
  const types::StopWords* stop_words_;
};

// One vocabulary word with what the later steps need of it, looked up once.
struct VocabularyWord {
  std::string_view word;
  double freq_1;  // c1(w): 0.0 when the word is not in system 1
  double freq_2;  // c2(w): 0.0 when the word is not in system 2
  double score;   // s(w)
};

// The frequency-weighted mean score of one system over the vocabulary, whose frequencies
// for that system are selected by `freq`; +0.0 when `total` <= 0.0.
double weighted_mean(std::span<const VocabularyWord> vocabulary, double VocabularyWord::*freq,
                     double total) noexcept;

// The shift of system 2 against system 1. Never fails: every input yields a full result.
// `stop_words` may be null (absent).
types::ShiftResult weighted_avg_shift(const types::InputSystem& system_1,
                                      const types::InputSystem& system_2,
                                      const types::ScoreMap& scores,
                                      const types::Reference& reference,
                                      const std::optional<types::StopLens>& stop_lens,
                                      const types::StopWords* stop_words);

}  // namespace moodvane::shift
