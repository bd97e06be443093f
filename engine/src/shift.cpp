#include "moodvane/shift.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace moodvane::shift {
namespace {

using types::ComponentSums;
using types::Raw;
using types::ShiftEntry;
using types::ShiftResult;

// The first eight bytes of a word as a big-endian integer, zero-padded. Comparing these
// orders most word pairs without touching their bytes again; equal prefixes fall back to a
// full byte comparison, which also settles a proper prefix against a longer word.
std::uint64_t byte_prefix(std::string_view word) noexcept {
  unsigned char bytes[8] = {};
  if (!word.empty()) std::memcpy(bytes, word.data(), std::min<std::size_t>(word.size(), 8));
  std::uint64_t prefix = 0;
  for (const unsigned char byte : bytes)
    prefix = (prefix << 8) | byte;
  return prefix;
}

struct SortableWord {
  std::uint64_t prefix;
  VocabularyWord word;
};

// Ascending byte order of the words (std::string_view compares as unsigned char).
void sort_by_bytes(std::vector<SortableWord>& words) {
  std::sort(words.begin(), words.end(), [](const SortableWord& a, const SortableWord& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    return a.word.word < b.word.word;
  });
}

// V: the admitted words of both systems, each once, in ascending byte order, with their
// frequencies and score looked up once.
std::vector<VocabularyWord> collect_vocabulary(const FreqMap& f1, const FreqMap& f2,
                                               const WordFilter& filter) {
  std::vector<SortableWord> admitted;
  admitted.reserve(f1.size() + f2.size());
  for (const auto& [word, freq_1] : f1) {
    if (const double* score = filter.keep_word(word)) {
      const double* freq_2 = f2.find(word);
      admitted.push_back({byte_prefix(word), {word, freq_1, freq_2 ? *freq_2 : 0.0, *score}});
    }
  }
  for (const auto& [word, freq_2] : f2) {
    if (f1.contains(word)) continue;  // already admitted (or refused) with system 1
    if (const double* score = filter.keep_word(word)) {
      admitted.push_back({byte_prefix(word), {word, 0.0, freq_2, *score}});
    }
  }
  sort_by_bytes(admitted);

  std::vector<VocabularyWord> vocabulary;
  vocabulary.reserve(admitted.size());
  for (const SortableWord& entry : admitted)
    vocabulary.push_back(entry.word);
  return vocabulary;
}

double relative(double count, double total) noexcept {
  return total > 0.0 ? count / total : 0.0;
}

// Stable order by descending |shift_score|, ties in the current (vocabulary) order, NaN
// last. The key is unique per entry, so one unstable sort of 16-byte keys gives the stable
// order; the entries then move into place along the permutation's cycles, without a second
// buffer of entries.
void order_by_magnitude(std::vector<ShiftEntry>& entries) {
  struct Key {
    std::uint64_t rank;  // smaller first
    std::uint64_t index;
  };
  constexpr std::uint64_t kInfinityBits = 0x7FF0000000000000u;
  std::vector<Key> keys(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const double score = entries[i].shift_score;
    // For non-negative doubles the bit pattern grows with the value, so subtracting it from
    // the infinity pattern ranks larger magnitudes first; every NaN ranks after everything.
    const std::uint64_t magnitude = std::bit_cast<std::uint64_t>(std::fabs(score));
    keys[i] = {std::isnan(score) ? UINT64_MAX : kInfinityBits - magnitude, i};
  }
  std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
    return a.rank != b.rank ? a.rank < b.rank : a.index < b.index;
  });

  // keys[k].index is the entry that belongs at position k; a visited position points at
  // itself afterwards.
  for (std::size_t start = 0; start < keys.size(); ++start) {
    if (keys[start].index == start) continue;
    ShiftEntry carried = std::move(entries[start]);
    std::size_t position = start;
    while (true) {
      const std::size_t source = keys[position].index;
      keys[position].index = position;
      if (source == start) {
        entries[position] = std::move(carried);
        break;
      }
      entries[position] = std::move(entries[source]);
      position = source;
    }
  }
}

}  // namespace

FreqMap freq_map(const types::InputSystem& system) {
  const std::size_t pairs = std::min(system.words.size(), system.freqs.size());
  FreqMap map(pairs);
  for (std::size_t i = 0; i < pairs; ++i) {
    double& value = map.find_or_insert(system.words[i], +0.0);
    value = system.freqs[i] + value;
  }
  return map;
}

OrderedLens order_lens(const types::StopLens& lens) noexcept {
  if (lens.first <= lens.second) return {lens.first, lens.second};
  return {lens.second, lens.first};
}

WordFilter::WordFilter(const types::ScoreMap& scores,
                       const std::optional<types::StopLens>& stop_lens,
                       const types::StopWords* stop_words) noexcept
    : scores_(scores),
      lens_(stop_lens ? std::optional(order_lens(*stop_lens)) : std::nullopt),
      stop_words_(stop_words && !stop_words->empty() ? stop_words : nullptr) {}

const double* WordFilter::keep_word(std::string_view word) const noexcept {
  const double* score = scores_.find(word);
  if (score == nullptr) return nullptr;
  if (lens_ && lens_->lo <= *score && *score <= lens_->hi) return nullptr;
  if (stop_words_ && stop_words_->contains(word)) return nullptr;
  return score;
}

double weighted_mean(std::span<const VocabularyWord> vocabulary, double VocabularyWord::*freq,
                     double total) noexcept {
  if (total <= 0.0) return +0.0;
  double mean = -0.0;
  for (const VocabularyWord& word : vocabulary)
    mean += (word.*freq / total) * word.score;
  return mean;
}

ShiftResult weighted_avg_shift(const types::InputSystem& system_1,
                               const types::InputSystem& system_2, const types::ScoreMap& scores,
                               const types::Reference& reference,
                               const std::optional<types::StopLens>& stop_lens,
                               const types::StopWords* stop_words) {
  const WordFilter filter(scores, stop_lens, stop_words);
  const FreqMap f1 = freq_map(system_1);
  const FreqMap f2 = freq_map(system_2);
  const std::vector<VocabularyWord> vocabulary = collect_vocabulary(f1, f2, filter);

  double total_1 = +0.0;
  double total_2 = +0.0;
  for (const VocabularyWord& word : vocabulary)
    total_1 += word.freq_1;
  for (const VocabularyWord& word : vocabulary)
    total_2 += word.freq_2;

  ShiftResult result;
  result.s_avg_1 = weighted_mean(vocabulary, &VocabularyWord::freq_1, total_1);
  result.s_avg_2 = weighted_mean(vocabulary, &VocabularyWord::freq_2, total_2);
  const double r = std::holds_alternative<types::Fixed>(reference)
                       ? std::get<types::Fixed>(reference).value
                       : result.s_avg_1;
  result.reference_value = r;

  std::vector<Raw>& raws = result.entries;
  raws.reserve(vocabulary.size());
  double total_diff = +0.0;
  double abs_sum = +0.0;
  for (const VocabularyWord& word : vocabulary) {
    const double p1 = relative(word.freq_1, total_1);
    const double p2 = relative(word.freq_2, total_2);
    const double p_avg = (p1 + p2) * 0.5;
    const double p_diff = p2 - p1;
    const double s_diff = 0.0;
    const double s_ref_diff = word.score - r;
    const double u = (p_avg * s_diff) + (p_diff * s_ref_diff);
    raws.push_back(Raw{std::string(word.word), p_diff, s_diff, p_avg, s_ref_diff, u});
    total_diff += u;
    abs_sum += std::fabs(u);
  }
  result.total_diff = total_diff;
  const double norm = abs_sum == 0.0 ? 1.0 : abs_sum;
  result.norm = norm;

  ComponentSums sums;
  for (const Raw& raw : raws) {
    const double d = raw.p_diff * raw.s_ref_diff;
    if (raw.s_ref_diff > 0) {
      (raw.p_diff > 0 ? sums.pos_s_pos_p : sums.pos_s_neg_p) += d;
    } else {
      (raw.p_diff > 0 ? sums.neg_s_pos_p : sums.neg_s_neg_p) += d;
    }
    const double e = raw.p_avg * raw.s_diff;
    (raw.s_diff > 0 ? sums.pos_s : sums.neg_s) += e;
  }
  sums.pos_s_pos_p /= norm;
  sums.pos_s_neg_p /= norm;
  sums.neg_s_pos_p /= norm;
  sums.neg_s_neg_p /= norm;
  sums.pos_s /= norm;
  sums.neg_s /= norm;
  result.component_sums = sums;

  for (Raw& raw : raws)
    raw.shift_score = raw.shift_score / norm;
  order_by_magnitude(raws);
  return result;
}

}  // namespace moodvane::shift
