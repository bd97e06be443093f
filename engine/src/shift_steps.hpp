// The building blocks of the weighted-average shift, private to the engine.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "flat_map.hpp"
#include "moodvane/shift.hpp"
#include "moodvane/types.hpp"
#include "shift_totals.hpp"
#include "word_tables.hpp"

namespace moodvane::shift {

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

  // The two halves of keep_word: the position of the word's entry in the score map (or
  // kNotScored), and whether a scored word passes the stop lens and the stop words.
  static constexpr std::size_t kNotScored = types::ScoreMap::Table::kNotFound;
  std::size_t scored_index(std::string_view word, std::uint64_t hash) const noexcept {
    return scores_.find_index(word, hash);
  }
  bool passes_stops(std::string_view word, std::uint64_t hash, double score) const noexcept;
  const types::ScoreMap::Table& scores() const noexcept { return scores_; }

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

  // Whether the tallies are better kept in arrays indexed by the score map's entries than
  // in a map of their own: when the score map is not much larger than the input, one
  // lookup per pair in it beats a lookup in each of two maps.
  bool dense_for(std::size_t pairs) const noexcept { return scores_.size() <= 8 * pairs; }

 private:
  const types::ScoreMap::Table& scores_;
  std::optional<OrderedLens> lens_;
  const types::StopWords::Table* stop_words_;
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
// for that system are selected by `freq`; +0.0 when `total.sum` <= 0.0.
double weighted_mean(std::span<const VocabularyWord> vocabulary, double WordTally::*freq,
                     const CountTotal& total) noexcept;

}  // namespace moodvane::shift
