#include "moodvane/shift.hpp"

#include "radix_sort.hpp"
#include "shift_steps.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace moodvane::shift {
namespace {

using types::ShiftEntry;
using types::ShiftResult;

// The first eight bytes of a word as a big-endian integer, zero-padded. Comparing these
// orders most word pairs without touching their bytes again; equal prefixes fall back to a
// full byte comparison, which also settles a proper prefix against a longer word.
std::uint64_t byte_prefix(std::string_view word) noexcept {
  unsigned char bytes[8] = {};
  if (!word.empty()) std::memcpy(bytes, word.data(), std::min<std::size_t>(word.size(), 8));
  std::uint64_t prefix = 0;
  for (const unsigned char byte : bytes) prefix = (prefix << 8) | byte;
  return prefix;
}

// Vocabularies up to this size are gathered into new storage, larger ones sorted in place.
constexpr std::size_t kGatherLimit = std::size_t{1} << 16;

// V: the admitted words of both systems, each once, in ascending byte order. The words
// are ordered by their 8-byte prefixes first; only runs of equal prefix need their bytes
// compared after that.
std::vector<VocabularyWord> collect_vocabulary(std::vector<VocabularyWord> words,
                                               const Progress& progress) {
  struct Key {
    std::uint64_t prefix;
    std::size_t index;
  };
  std::vector<Key> keys(words.size());
  // The words' bytes lie wherever their owner keeps them: fetched some words ahead.
  constexpr std::size_t kAhead = 16;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (i + kAhead < keys.size()) __builtin_prefetch(words[i + kAhead].first.data());
    keys[i] = {byte_prefix(words[i].first), i};
  }
  radix_sort(keys, [](const Key& key) { return key.prefix; }, progress);
  progress();
  for (auto run = keys.begin(); run != keys.end();) {
    const auto run_end = std::find_if(run + 1, keys.end(), [prefix = run->prefix](const Key& key) {
      return key.prefix != prefix;
    });
    if (run_end - run > 1) {
      std::sort(run, run_end, [&words](const Key& a, const Key& b) {
        return words[a.index].first < words[b.index].first;  // compares as unsigned char
      });
    }
    run = run_end;
  }

  // A small vocabulary is gathered into a new sequence: independent reads that overlap
  // their cache misses, where moving the words along the permutation's cycles in place
  // would chain them. A large one is moved in place, so that the peak memory of a call on
  // millions of words holds the vocabulary once, not twice.
  if (words.size() <= kGatherLimit) {
    std::vector<VocabularyWord> vocabulary;
    vocabulary.reserve(keys.size());
    for (const Key& key : keys) vocabulary.push_back(words[key.index]);
    return vocabulary;
  }
  constexpr std::size_t kPlaced = SIZE_MAX;
  for (std::size_t start = 0; start < keys.size(); ++start) {
    if (keys[start].index == kPlaced) continue;
    // Position `at` takes the word at keys[at].index, along the cycle back to `start`.
    const VocabularyWord first = words[start];
    std::size_t at = start;
    for (;;) {
      const std::size_t from = keys[at].index;
      keys[at].index = kPlaced;
      if (from == start) {
        words[at] = first;
        break;
      }
      words[at] = words[from];
      at = from;
    }
  }
  return words;
}

// Adds one system's pairs of admitted words into the tallies. The lookups run as a
// software pipeline over the pairs, each pair passing four stages kDistance pairs apart:
// its hash and a prefetch of the slots its lookups start at; a prefetch of the entries
// those slots (arrived by now) point to; a prefetch of those entries' key bytes, which are
// borrowed from wherever the caller keeps its words; the lookups themselves, which by then
// mostly find their memory in cache. The cache misses of neighbouring pairs so overlap
// instead of queueing one behind the other.
void tally_system(FreqMap& tallies, const types::InputSystem& system, double WordTally::*freq,
                  const WordFilter& filter, const Progress& progress) {
  constexpr std::size_t kDistance = 5;
  constexpr std::size_t kWindow = 32;  // a power of two above 3 * kDistance
  const std::size_t pairs = std::min(system.words.size(), system.freqs.size());
  std::uint64_t hashes[kWindow];
  for (std::size_t i = 0; i < pairs + 3 * kDistance; ++i) {
    if (i % kProgressInterval == kProgressInterval - 1) progress();
    if (i < pairs) {
      const std::uint64_t hash = types::hash_word(system.words[i]);
      hashes[i % kWindow] = hash;
      filter.prefetch(hash);
      tallies.prefetch(hash);
    }
    if (i >= kDistance && i - kDistance < pairs) {
      const std::uint64_t hash = hashes[(i - kDistance) % kWindow];
      filter.prefetch_entry(hash);
      tallies.prefetch_entry(hash);
    }
    if (i >= 2 * kDistance && i - 2 * kDistance < pairs) {
      const std::uint64_t hash = hashes[(i - 2 * kDistance) % kWindow];
      filter.prefetch_key(hash);
      tallies.prefetch_key(hash);
    }
    if (i < 3 * kDistance || i - 3 * kDistance >= pairs) continue;
    const std::size_t at = i - 3 * kDistance;
    const std::string_view word = system.words[at];
    const std::uint64_t hash = hashes[at % kWindow];
    // A word seen before is found among the tallies; only a new one asks the filter.
    WordTally* tally = tallies.find_or_insert_if(word, hash, [&]() -> std::optional<WordTally> {
      const double* score = filter.keep_word(word, hash);
      if (score == nullptr) return std::nullopt;
      return WordTally{+0.0, +0.0, *score};
    });
    if (tally != nullptr) tally->*freq = system.freqs[at] + tally->*freq;
  }
}

// The tallies of both systems in arrays indexed by the score map's entries: each pair costs
// one lookup, in the score map, and the admitted words are listed in the order first met.
// The lookups run as the same software pipeline as tally_system's.
class DenseTallies {
 public:
  // Up to this many scored words the score map is taken to sit in the processor's caches.
  static constexpr std::size_t kCachedWords = std::size_t{1} << 15;

  DenseTallies(const WordFilter& filter)
      : filter_(filter),
        freq_1_(filter.scored_words()),
        freq_2_(filter.scored_words()),
        state_(filter.scored_words(), kUnseen) {}

  void add(const types::InputSystem& system, bool first, const Progress& progress) {
    // A score map that fits in the processor's caches needs no fetching ahead; the
    // pipeline's extra probes would only cost time.
    if (filter_.scored_words() <= kCachedWords) {
      add<0>(system, first, progress);
    } else {
      add<5>(system, first, progress);
    }
  }

  // The lookups run as a software pipeline kDistance pairs deep (none when 0).
  template <std::size_t kDistance>
  void add(const types::InputSystem& system, bool first, const Progress& progress) {
    constexpr std::size_t kWindow = 32;  // a power of two above 3 * kDistance
    std::vector<double>& freqs = first ? freq_1_ : freq_2_;
    const std::size_t pairs = std::min(system.words.size(), system.freqs.size());
    std::uint64_t hashes[kWindow];
    for (std::size_t i = 0; i < pairs + 3 * kDistance; ++i) {
      if (i % kProgressInterval == kProgressInterval - 1) progress();
      if (i < pairs) {
        const std::uint64_t hash = types::hash_word(system.words[i]);
        hashes[i % kWindow] = hash;
        if constexpr (kDistance > 0) filter_.prefetch(hash);
      }
      if constexpr (kDistance > 0) {
        if (i >= kDistance && i - kDistance < pairs) {
          filter_.prefetch_entry(hashes[(i - kDistance) % kWindow]);
        }
        if (i >= 2 * kDistance && i - 2 * kDistance < pairs) {
          filter_.prefetch_key(hashes[(i - 2 * kDistance) % kWindow]);
        }
      }
      if (i < 3 * kDistance || i - 3 * kDistance >= pairs) continue;
      const std::size_t at = i - 3 * kDistance;
      const std::string_view word = system.words[at];
      const std::uint64_t hash = hashes[at % kWindow];
      const std::size_t index = filter_.scored_index(word, hash);
      if (index == WordFilter::kNotScored) continue;
      std::uint8_t& state = state_[index];
      if (state == kUnseen) {
        state = filter_.passes_stops(word, hash, filter_.scores().entry(index).second) ? kAdmitted
                                                                                     : kRejected;
        if (state == kAdmitted) admitted_.push_back(static_cast<std::uint32_t>(index));
      }
      if (state == kAdmitted) freqs[index] = system.freqs[at] + freqs[index];
    }
  }

  // The admitted words with their tallies, in the order first met; the arrays are released.
  std::vector<VocabularyWord> take_words() && {
    std::vector<VocabularyWord> words;
    words.reserve(admitted_.size());
    constexpr std::size_t kAhead = 8;
    for (std::size_t k = 0; k < admitted_.size(); ++k) {
      if (k + kAhead < admitted_.size()) {
        const std::size_t ahead = admitted_[k + kAhead];
        __builtin_prefetch(&filter_.scores().entry(ahead));
        __builtin_prefetch(&freq_1_[ahead]);
        __builtin_prefetch(&freq_2_[ahead]);
      }
      const std::size_t index = admitted_[k];
      const auto& [word, score] = filter_.scores().entry(index);
      words.push_back({word, WordTally{freq_1_[index], freq_2_[index], score}});
    }
    return words;
  }

 private:
  static constexpr std::uint8_t kUnseen = 0, kAdmitted = 1, kRejected = 2;

  const WordFilter& filter_;
  std::vector<double> freq_1_;  // value-initialised: +0.0
  std::vector<double> freq_2_;
  std::vector<std::uint8_t> state_;
  std::vector<std::uint32_t> admitted_;  // a score map holds fewer than 2^32 words
};

// One vocabulary word's record, with its unnormalised shift u in `shift_score`. A pure
// function of its inputs: computed again for the same word, it gives the same bits.
Raw raw_record(const VocabularyWord& word, const CountTotal& total_1, const CountTotal& total_2,
               double r) noexcept {
  const double p1 = total_1.share(word.second.freq_1);
  const double p2 = total_2.share(word.second.freq_2);
  const double p_avg = (p1 + p2) * 0.5;
  const double p_diff = p2 - p1;
  const double s_diff = 0.0;
  const double s_ref_diff = word.second.score - r;
  const double u = (p_avg * s_diff) + (p_diff * s_ref_diff);
  return Raw{word.first, p_diff, s_diff, p_avg, s_ref_diff, u};
}

}  // namespace

FreqMap freq_map(const types::InputSystem& system_1, const types::InputSystem& system_2,
                 const WordFilter& filter, const Progress& progress) {
  // The vocabulary can hold neither more words than there are pairs nor more than are scored.
  const std::size_t pairs = std::min(system_1.words.size(), system_1.freqs.size()) +
                            std::min(system_2.words.size(), system_2.freqs.size());
  FreqMap tallies(std::min(pairs, filter.scored_words()));
  tally_system(tallies, system_1, &WordTally::freq_1, filter, progress);
  tally_system(tallies, system_2, &WordTally::freq_2, filter, progress);
  return tallies;
}

OrderedLens order_lens(const types::StopLens& lens) noexcept {
  if (lens.first <= lens.second) return {lens.first, lens.second};
  return {lens.second, lens.first};
}

WordFilter::WordFilter(const types::ScoreMap& scores,
                       const std::optional<types::StopLens>& stop_lens,
                       const types::StopWords* stop_words) noexcept
    : scores_(scores.table()),
      lens_(stop_lens ? std::optional(order_lens(*stop_lens)) : std::nullopt),
      stop_words_(stop_words && !stop_words->empty() ? &stop_words->table() : nullptr) {}

const double* WordFilter::keep_word(std::string_view word, std::uint64_t hash) const noexcept {
  const double* score = scores_.find(word, hash);
  if (score == nullptr || !passes_stops(word, hash, *score)) return nullptr;
  return score;
}

bool WordFilter::passes_stops(std::string_view word, std::uint64_t hash,
                              double score) const noexcept {
  if (lens_ && lens_->lo <= score && score <= lens_->hi) return false;
  if (stop_words_ && stop_words_->contains(word, hash)) return false;
  return true;
}

double weighted_mean(std::span<const VocabularyWord> vocabulary, double WordTally::*freq,
                     const CountTotal& total) noexcept {
  if (total.sum <= 0.0) return +0.0;
  double mean = -0.0;
  for (const VocabularyWord& word : vocabulary) {
    mean += ((word.second.*freq * total.scale) / total.sum) * word.second.score;
  }
  return mean;
}

namespace {

// `owned_scores`, when not null, is `scores` itself, handed over to be released once read.
ShiftResult shift_of(types::InputSystem system_1, types::InputSystem system_2,
                     const types::ScoreMap& scores, types::ScoreMap* owned_scores,
                     const types::Reference& reference,
                     const std::optional<types::StopLens>& stop_lens,
                     const types::StopWords* stop_words, std::size_t max_entries,
                     const Progress& progress) {
  const WordFilter filter(scores, stop_lens, stop_words);
  const std::size_t pairs = std::min(system_1.words.size(), system_1.freqs.size()) +
                            std::min(system_2.words.size(), system_2.freqs.size());
  // Once tallied, the systems are released: the tallies hold everything later steps need of
  // them (their keys are views of the words' own bytes, not of the systems' storage).
  std::vector<VocabularyWord> words;
  if (filter.dense_for(pairs)) {
    DenseTallies tallies(filter);
    tallies.add(system_1, true, progress);
    tallies.add(system_2, false, progress);
    system_1 = {};
    system_2 = {};
    words = std::move(tallies).take_words();
  } else {
    words = freq_map(system_1, system_2, filter, progress).take_entries();
    system_1 = {};
    system_2 = {};
  }
  // Nor are the scores needed any more: the words carry theirs.
  if (owned_scores != nullptr) *owned_scores = types::ScoreMap();
  const std::vector<VocabularyWord> vocabulary = collect_vocabulary(std::move(words), progress);

  const CountTotal total_1 =
      count_total(vocabulary, [](const VocabularyWord& word) { return word.second.freq_1; });
  const CountTotal total_2 =
      count_total(vocabulary, [](const VocabularyWord& word) { return word.second.freq_2; });

  ShiftResult result;
  result.s_avg_1 = weighted_mean(vocabulary, &WordTally::freq_1, total_1);
  result.s_avg_2 = weighted_mean(vocabulary, &WordTally::freq_2, total_2);
  const double r = std::holds_alternative<types::Fixed>(reference)
                       ? std::get<types::Fixed>(reference).value
                       : result.s_avg_1;
  result.reference_value = r;

  // One pass in vocabulary order sums u, |u| and the component sums' terms; of each word
  // only u is kept. The records of the words the result returns are made again afterwards,
  // which costs far less memory than keeping every word's record.
  std::vector<double> shift_scores;
  shift_scores.reserve(vocabulary.size());
  ShiftTotals totals;
  std::size_t done = 0;
  for (const VocabularyWord& word : vocabulary) {
    if (++done % kProgressInterval == 0) progress();
    const Raw raw = raw_record(word, total_1, total_2, r);
    totals.add(raw);
    shift_scores.push_back(raw.shift_score);
  }
  const double norm = totals.finish(result);

  for (double& shift_score : shift_scores) shift_score = shift_score / norm;

  // The entries are built in result order, so each word is copied once and no entry moves,
  // and entries past the limit are never built at all.
  progress();
  std::vector<std::size_t> order = order_by_magnitude(shift_scores, max_entries, progress);
  result.entries.reserve(order.size());
  for (const std::size_t index : order) {
    if (result.entries.size() % kProgressInterval == kProgressInterval - 1) progress();
    const Raw raw = raw_record(vocabulary[index], total_1, total_2, r);
    result.entries.push_back(ShiftEntry{std::string(raw.type), raw.p_diff, raw.s_diff, raw.p_avg,
                                        raw.s_ref_diff, shift_scores[index]});
  }
  return result;
}

}  // namespace

SystemAverage weighted_average(const types::InputSystem& system, const types::ScoreMap& scores,
                               const std::optional<types::StopLens>& stop_lens,
                               const types::StopWords* stop_words) {
  // The steps of shift_of that lead to s_avg_1, with nothing in system 2: the same
  // tallies, the same vocabulary order, the same sums.
  const WordFilter filter(scores, stop_lens, stop_words);
  const std::vector<VocabularyWord> vocabulary =
      collect_vocabulary(freq_map(system, types::InputSystem{}, filter).take_entries(), {});
  const CountTotal total =
      count_total(vocabulary, [](const VocabularyWord& word) { return word.second.freq_1; });
  // The plain sum, infinite where the counts' sum overflows (the mean is still right).
  return {weighted_mean(vocabulary, &WordTally::freq_1, total), total.sum / total.scale};
}

ShiftResult weighted_avg_shift(types::InputSystem system_1, types::InputSystem system_2,
                               const types::ScoreMap& scores, const types::Reference& reference,
                               const std::optional<types::StopLens>& stop_lens,
                               const types::StopWords* stop_words, std::size_t max_entries,
                               const Progress& progress) {
  return shift_of(std::move(system_1), std::move(system_2), scores, nullptr, reference,
                  stop_lens, stop_words, max_entries, progress);
}

ShiftResult weighted_avg_shift(types::InputSystem system_1, types::InputSystem system_2,
                               types::ScoreMap&& scores, const types::Reference& reference,
                               const std::optional<types::StopLens>& stop_lens,
                               const types::StopWords* stop_words, std::size_t max_entries,
                               const Progress& progress) {
  return shift_of(std::move(system_1), std::move(system_2), scores, &scores, reference,
                  stop_lens, stop_words, max_entries, progress);
}

}  // namespace moodvane::shift
