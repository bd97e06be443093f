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

// A hook that the engine calls now and then during a long computation: every few tens of
// thousands of words and between its stages. It may throw to abandon the computation (the
// module does so when the user presses Ctrl-C); the engine then holds nothing that leaks,
// and the exception reaches the engine's caller.
struct Progress {
  void (*check)(void* context) = nullptr;
  void* context = nullptr;

  void operator()() const {
    if (check != nullptr) check(context);
  }
};

// Words or records handled between two calls of the progress hook.
inline constexpr std::size_t kProgressInterval = 1 << 15;

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
  const double* keep_word(std::string_view word) const noexcept {
    return keep_word(word, types::hash_word(word));
  }
  const double* keep_word(std::string_view word, std::uint64_t hash) const noexcept;

  std::size_t scored_words() const noexcept { return scores_.size(); }

  // Starts fetching what keep_word will read for a word of this hash.
  [[gnu::always_inline]] void prefetch(std::uint64_t hash) const noexcept {
    scores_.prefetch(hash);
  }
  [[gnu::always_inline]] void prefetch_entry(std::uint64_t hash) const noexcept {
    scores_.prefetch_entry(hash);
  }
  [[gnu::always_inline]] void prefetch_key(std::uint64_t hash) const noexcept {
    scores_.prefetch_key(hash);
  }

 private:
  const types::ScoreMap& scores_;
  std::optional<OrderedLens> lens_;
  const types::StopWords* stop_words_;
};

// What the later steps need of one admitted word: its summed frequency in each system
// (+0.0 when the word is absent from that system) and its score.
struct WordTally {
  double freq_1 = +0.0;
  double freq_2 = +0.0;
  double score = 0.0;
};

// Both systems' frequency maps in one, keyed by views into the systems' own words and
// restricted to admitted words: the only ones any later step looks at. A word listed
// several times ends with f + value summed over its pairs in the order given; pairs beyond
// the shorter of a system's two sequences are ignored.
using FreqMap = types::FlatMap<std::string_view, WordTally>;

FreqMap freq_map(const types::InputSystem& system_1, const types::InputSystem& system_2,
                 const WordFilter& filter, const Progress& progress = {});

// One vocabulary word (`first`) with its tally (`second`), as the frequency map holds them,
// in the vocabulary's byte order.
using VocabularyWord = FreqMap::Entry;

// The frequency-weighted mean score of one system over the vocabulary, whose frequencies
// for that system are selected by `freq`; +0.0 when `total` <= 0.0.
double weighted_mean(std::span<const VocabularyWord> vocabulary, double WordTally::*freq,
                     double total) noexcept;

// The shift of system 2 against system 1. Never fails: every input yields a full result.
// `stop_words` may be null (absent). When `max_entries` is not 0, only the first
// `max_entries` entries (in result order) are built, as if the rest had been cut off
// afterwards; every total still covers the whole vocabulary.
//
// The systems are taken by value: once their words are tallied the engine releases them,
// which on millions of words halves the memory the rest of the computation adds. A caller
// that still needs them passes copies.
types::ShiftResult weighted_avg_shift(types::InputSystem system_1, types::InputSystem system_2,
                                      const types::ScoreMap& scores,
                                      const types::Reference& reference,
                                      const std::optional<types::StopLens>& stop_lens,
                                      const types::StopWords* stop_words,
                                      std::size_t max_entries = 0, const Progress& progress = {});

// The same with a score map that the caller hands over: the engine releases it as soon as
// it has read it, before the memory-hungry rest of the computation.
types::ShiftResult weighted_avg_shift(types::InputSystem system_1, types::InputSystem system_2,
                                      types::ScoreMap&& scores,
                                      const types::Reference& reference,
                                      const std::optional<types::StopLens>& stop_lens,
                                      const types::StopWords* stop_words,
                                      std::size_t max_entries = 0, const Progress& progress = {});

}  // namespace moodvane::shift
