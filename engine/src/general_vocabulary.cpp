#include "general_vocabulary.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "radix_sort.hpp"

namespace moodvane::general {
namespace {

enum Source : std::uint32_t { kText1, kText2, kScores1, kScores2, kStopWord, kScoresBoth };

// A word's first fifteen bytes and its length, in two keys that order words as their bytes
// do: `high` holds bytes 0 to 7 and `low` bytes 8 to 14, both big-endian and zero-padded,
// then the length capped at 16 in the last byte of `low` (a proper prefix, being shorter,
// comes first). Two words of at most fifteen bytes are equal exactly when their keys are,
// so the walk over equal words never reads their bytes; only words of sixteen bytes or
// more that share fifteen compare the rest.
struct Record {
  std::uint64_t high;
  std::uint64_t low;
  std::uint32_t index;  // position in its table
  std::uint32_t source;
};
static_assert(sizeof(Record) == 24);

constexpr std::uint64_t kLongWord = 16;

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
  const std::uint64_t tail =
      size > 8 ? big_endian(word.data() + 8, std::min<std::size_t>(size - 8, 7)) : 0;
  // The tail's last byte is 0: the length goes there.
  const std::uint64_t low = tail | std::min<std::uint64_t>(size, kLongWord);
  return Record{high, low, index, source};
}

bool long_word(const Record& record) noexcept { return (record.low & 0xFF) == kLongWord; }

bool same_keys(const Record& a, const Record& b) noexcept {
  return a.high == b.high && a.low == b.low;
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
    // Positions are kept in 32 bits; no dict that fits in memory comes near that.
    if (words.size() > std::numeric_limits<std::uint32_t>::max() ||
        records_.size() + words.size() > std::numeric_limits<std::uint32_t>::max()) {
      throw std::length_error("word table too large");
    }
    // The words' bytes lie wherever their str objects do: fetch them a little ahead.
    constexpr std::size_t kAhead = 8;
    const std::size_t size = words.size();
    for (std::size_t i = 0; i < size; ++i) {
      if (i + kAhead < size) __builtin_prefetch(words[i + kAhead].data());
      records_.push_back(record_of(words[i], static_cast<std::uint32_t>(i), source));
    }
  }

  std::string_view word(const Record& record) const noexcept {
    return word_text(inputs_, record.source, record.index);
  }

  // Starts fetching the value `value(record)` will read: the walk meets records in word
  // order, which is no order at all for the tables.
  void prefetch_value(const Record& record) const noexcept {
    const double* values = nullptr;
    switch (record.source) {
      case kText1: values = inputs_.text_1.values.data(); break;
      case kText2: values = inputs_.text_2.values.data(); break;
      case kScores1:
      case kScoresBoth: values = inputs_.scores_1.values.data(); break;
      case kScores2: values = inputs_.scores_2.values.data(); break;
      default: return;
    }
    __builtin_prefetch(values + record.index);
  }

  double value(const Record& record) const noexcept {
    switch (record.source) {
      case kText1: return inputs_.text_1.values[record.index];
      case kText2: return inputs_.text_2.values[record.index];
      case kScores1:
      case kScoresBoth: return inputs_.scores_1.values[record.index];
      case kScores2: return inputs_.scores_2.values[record.index];
      default: return 0.0;
    }
  }

  // Equal words, for records with equal keys.
  bool same_word(const Record& a, const Record& b) const noexcept {
    return !long_word(a) || word(a).substr(15) == word(b).substr(15);
  }

  // Ascending byte order of the words; records of equal words keep the order they were
  // added in. The radix sort orders by `high`; the runs it leaves are settled by `low` and,
  // for long words, by the remaining bytes.
  void sort() {
    shift::radix_sort(records_, [](const Record& record) { return record.high; });
    const auto less = [this](const Record& a, const Record& b) {
      if (a.low != b.low) return a.low < b.low;
      return long_word(a) && word(a).substr(15) < word(b).substr(15);  // as unsigned char
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

std::vector<VocabularyWord> collect_vocabulary(const Inputs& inputs, Kind kind) {
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
  set.sort();

  const std::vector<Record>& records = set.records();
  std::vector<VocabularyWord> vocabulary;
  // At most one word per text record (a word must be in a text), so growing never copies.
  vocabulary.reserve(inputs.text_1.words.size() + inputs.text_2.words.size());
  constexpr std::size_t kAhead = 16;
  for (std::size_t at = 0; at < std::min(kAhead, records.size()); ++at) {
    set.prefetch_value(records[at]);
  }
  for (std::size_t at = 0; at < records.size();) {
    const Record& first = records[at];
    VocabularyWord word{first.source, first.index, +0.0, +0.0, 0.0, 0.0, 0.0};
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
      switch (record.source) {
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
