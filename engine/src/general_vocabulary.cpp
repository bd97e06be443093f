#include "general_vocabulary.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "radix_sort.hpp"

namespace moodvane::general {
namespace {

enum Source : std::uint32_t { kText1, kText2, kScores1, kScores2, kStopWord, kScoresBoth };

// A word's first eleven bytes and its length, in two keys that order words as their bytes
// do, with the record's table and position in the spare bits:
// - `high`: bytes 0 to 7, big-endian and zero-padded;
// - `packed`: bytes 8 to 10 (bits 63 to 40), the length capped at 12 (bits 39 to 32; a
//   proper prefix, being shorter, comes first), the table (bits 31 to 29) and the position
//   in it (bits 28 to 0).
// Two words of at most eleven bytes are equal exactly when their keys are, so the walk over
// equal words never reads their bytes; only longer words that share eleven compare the
// rest. Sixteen bytes a record keep the sort's traffic low.
struct Record {
  std::uint64_t high;
  std::uint64_t packed;
};
static_assert(sizeof(Record) == 16);

constexpr std::uint64_t kLongWord = 12;
constexpr std::size_t kKeyBytes = 11;
constexpr unsigned kSourceShift = 29;
constexpr std::uint64_t kMaxIndex = (std::uint64_t{1} << kSourceShift) - 1;

std::uint64_t big_endian(const char* data, std::size_t size) noexcept {
  unsigned char bytes[8] = {};
  std::memcpy(bytes, data, size);
  std::uint64_t key = 0;
  for (const unsigned char byte : bytes) key = (key << 8) | byte;
  return key;
}

Record record_of(std::string_view word, std::uint32_t index, Source source) noexcept {
  const std::size_t size = word.size();
  const std::uint64_t high = big_endian(word.data(), std::min<std::size_t>(size, 8));
  // Bytes 8 to 10 land in the top three bytes; the rest of `packed` is filled below.
  const std::uint64_t tail =
      size > 8 ? big_endian(word.data() + 8, std::min<std::size_t>(size - 8, 3)) : 0;
  const std::uint64_t length = std::min<std::uint64_t>(size, kLongWord);
  const std::uint64_t place = (std::uint64_t{source} << kSourceShift) | index;
  return Record{high, tail | (length << 32) | place};
}

// The part of `packed` that orders words.
std::uint64_t tail_key(const Record& record) noexcept { return record.packed >> 32; }
std::uint32_t source_of(const Record& record) noexcept {
  return static_cast<std::uint32_t>(record.packed >> kSourceShift) & 0x7;
}
std::uint32_t index_of(const Record& record) noexcept {
  return static_cast<std::uint32_t>(record.packed & kMaxIndex);
}

bool long_word(const Record& record) noexcept { return (tail_key(record) & 0xFF) == kLongWord; }

bool same_keys(const Record& a, const Record& b) noexcept {
  return a.high == b.high && tail_key(a) == tail_key(b);
}

// A stable insertion sort: the runs to order are almost always a handful of records.
template <class Iterator, class Less>
void small_stable_sort(Iterator first, Iterator last, Less less) {
  for (Iterator i = first + 1; i < last; ++i) {
    auto item = *i;
    Iterator j = i;
    for (; j > first && less(item, *(j - 1)); --j) *j = *(j - 1);
    *j = item;
  }
}

class RecordSet {
 public:
  explicit RecordSet(const Inputs& inputs) : inputs_(inputs) {}

  void add(const std::vector<std::string_view>& words, Source source) {
    // Positions are kept in 29 bits; no dict that fits in memory comes near that.
    if (words.size() > kMaxIndex + 1) throw std::length_error("word table too large");
    // The words' bytes lie wherever their str objects do: fetch them a little ahead.
    constexpr std::size_t kAhead = 8;
    const std::size_t size = words.size();
    for (std::size_t i = 0; i < size; ++i) {
      if (i + kAhead < size) __builtin_prefetch(words[i + kAhead].data());
      records_.push_back(record_of(words[i], static_cast<std::uint32_t>(i), source));
    }
  }

  std::string_view word(const Record& record) const noexcept {
    return word_text(inputs_, source_of(record), index_of(record));
  }

  // Starts fetching the value `value(record)` will read: the walk meets records in word
  // order, which is no order at all for the tables.
  void prefetch_value(const Record& record) const noexcept {
    const double* values = nullptr;
    switch (source_of(record)) {
      case kText1: values = inputs_.text_1.values.data(); break;
      case kText2: values = inputs_.text_2.values.data(); break;
      case kScores1:
      case kScoresBoth: values = inputs_.scores_1.values.data(); break;
      case kScores2: values = inputs_.scores_2.values.data(); break;
      default: return;
    }
    __builtin_prefetch(values + index_of(record));
  }

  double value(const Record& record) const noexcept {
    const std::uint32_t index = index_of(record);
    switch (source_of(record)) {
      case kText1: return inputs_.text_1.values[index];
      case kText2: return inputs_.text_2.values[index];
      case kScores1:
      case kScoresBoth: return inputs_.scores_1.values[index];
      case kScores2: return inputs_.scores_2.values[index];
      default: return 0.0;
    }
  }

  // Equal words, for records with equal keys.
  bool same_word(const Record& a, const Record& b) const noexcept {
    return !long_word(a) || word(a).substr(kKeyBytes) == word(b).substr(kKeyBytes);
  }

  // Ascending byte order of the words; records of equal words keep the order they were
  // added in. The radix sort orders by `high`; the runs it leaves are settled by the tail
  // key and, for long words, by the remaining bytes.
  void sort(const shift::Progress& progress) {
    shift::radix_sort(records_, [](const Record& record) { return record.high; }, progress);
    const auto less = [this](const Record& a, const Record& b) {
      if (tail_key(a) != tail_key(b)) return tail_key(a) < tail_key(b);
      return long_word(a) && word(a).substr(kKeyBytes) < word(b).substr(kKeyBytes);
    };
    for (auto run = records_.begin(); run != records_.end();) {
      auto run_end = run + 1;
      while (run_end != records_.end() && run_end->high == run->high) ++run_end;
      if (run_end - run <= 16) {
        small_stable_sort(run, run_end, less);
      } else {
        std::stable_sort(run, run_end, less);
      }
      run = run_end;
    }
  }

  const std::vector<Record>& records() const noexcept { return records_; }
  void reserve(std::size_t size) { records_.reserve(size); }

 private:
  const Inputs& inputs_;
  std::vector<Record> records_;
};

}  // namespace

std::string_view word_text(const Inputs& inputs, std::uint32_t source,
                           std::uint32_t index) noexcept {
  switch (source) {
    case kText1: return inputs.text_1.words[index];
    case kText2: return inputs.text_2.words[index];
    case kScores1:
    case kScoresBoth: return inputs.scores_1.words[index];
    case kScores2: return inputs.scores_2.words[index];
    default: return inputs.stop_words[index];
  }
}

std::vector<VocabularyWord> collect_vocabulary(const Inputs& inputs, Kind kind,
                                               const shift::Progress& progress) {
  const bool weighted = kind == Kind::weighted;
  RecordSet set(inputs);
  set.reserve(inputs.text_1.words.size() + inputs.text_2.words.size() +
              inputs.stop_words.size() +
              (weighted ? inputs.scores_1.words.size() + inputs.scores_2.words.size() : 0));
  set.add(inputs.text_1.words, kText1);
  set.add(inputs.text_2.words, kText2);
  if (weighted && inputs.same_scores) {
    set.add(inputs.scores_1.words, kScoresBoth);
  } else if (weighted) {
    set.add(inputs.scores_1.words, kScores1);
    set.add(inputs.scores_2.words, kScores2);
  }
  set.add(inputs.stop_words, kStopWord);
  progress();
  set.sort(progress);
  progress();

  const std::vector<Record>& records = set.records();
  std::vector<VocabularyWord> vocabulary;
  // At most one word per text record (a word must be in a text), so growing never copies.
  vocabulary.reserve(inputs.text_1.words.size() + inputs.text_2.words.size());
  constexpr std::size_t kAhead = 16;
  for (std::size_t at = 0; at < std::min(kAhead, records.size()); ++at) {
    set.prefetch_value(records[at]);
  }
  std::size_t next_look = shift::kProgressInterval;
  for (std::size_t at = 0; at < records.size();) {
    if (at >= next_look) {
      progress();
      next_look = at + shift::kProgressInterval;
    }
    const Record& first = records[at];
    VocabularyWord word{source_of(first), index_of(first), +0.0, +0.0, 0.0, 0.0, 0.0};
    bool in_text = false;
    bool scored_1 = false;
    bool scored_2 = false;
    bool stopped = false;
    double score_1 = 0.0;
    double score_2 = 0.0;
    for (; at < records.size() && same_keys(records[at], first) &&
           set.same_word(records[at], first);
         ++at) {
      const Record& record = records[at];
      if (at + kAhead < records.size()) set.prefetch_value(records[at + kAhead]);
      switch (source_of(record)) {
        // A count enters as the weighted-average shift's tally does: added to +0.0.
        case kText1: word.count_1 = set.value(record) + 0.0; in_text = true; break;
        case kText2: word.count_2 = set.value(record) + 0.0; in_text = true; break;
        case kScores1: score_1 = set.value(record); scored_1 = true; break;
        case kScores2: score_2 = set.value(record); scored_2 = true; break;
        case kScoresBoth:
          score_1 = score_2 = set.value(record);
          scored_1 = scored_2 = true;
          break;
        case kStopWord: stopped = true; break;
      }
    }
    if (stopped) continue;
    if (weighted) {
      if (!in_text || !(scored_1 || scored_2)) continue;
      // A word that only one map scores keeps that score in both texts.
      word.phi_1 = scored_1 ? score_1 : score_2;
      word.phi_2 = scored_2 ? score_2 : score_1;
      word.s_diff = word.phi_2 - word.phi_1;
    } else if (!(word.count_1 > 0.0 || word.count_2 > 0.0)) {
      continue;
    }
    vocabulary.push_back(word);
  }
  return vocabulary;
}

}  // namespace moodvane::general
