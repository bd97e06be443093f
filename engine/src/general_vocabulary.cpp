#include "general_vocabulary.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "radix_sort.hpp"

namespace moodvane::general {
namespace {

enum Source : std::uint32_t { kText1, kText2, kScores1, kScores2, kStopWord };

struct Record {
  std::uint64_t prefix;  // the word's first eight bytes, big-endian, zero-padded
  std::uint32_t index;   // position in its table
  std::uint32_t source;
};
static_assert(sizeof(Record) == 16);

std::uint64_t byte_prefix(std::string_view word) noexcept {
  unsigned char bytes[8] = {};
  if (!word.empty()) std::memcpy(bytes, word.data(), std::min<std::size_t>(word.size(), 8));
  std::uint64_t prefix = 0;
  for (const unsigned char byte : bytes) prefix = (prefix << 8) | byte;
  return prefix;
}

class RecordSet {
 public:
  explicit RecordSet(const Inputs& inputs) : inputs_(inputs) {}

  void add(const std::vector<std::string_view>& words, Source source) {
    // Positions are kept in 32 bits; no dict that fits in memory comes near that.
    if (words.size() > std::numeric_limits<std::uint32_t>::max()) {
      throw std::length_error("word table too large");
    }
    for (std::size_t i = 0; i < words.size(); ++i) {
      records_.push_back(Record{byte_prefix(words[i]), static_cast<std::uint32_t>(i), source});
    }
  }

  std::string_view word(const Record& record) const noexcept {
    switch (record.source) {
      case kText1: return inputs_.text_1.words[record.index];
      case kText2: return inputs_.text_2.words[record.index];
      case kScores1: return inputs_.scores_1.words[record.index];
      case kScores2: return inputs_.scores_2.words[record.index];
      default: return inputs_.stop_words[record.index];
    }
  }

  double value(const Record& record) const noexcept {
    switch (record.source) {
      case kText1: return inputs_.text_1.values[record.index];
      case kText2: return inputs_.text_2.values[record.index];
      case kScores1: return inputs_.scores_1.values[record.index];
      case kScores2: return inputs_.scores_2.values[record.index];
      default: return 0.0;
    }
  }

  // Ascending byte order of the words; records of equal words keep the order they were
  // added in.
  void sort() {
    radix_sort_records();
    for (auto run = records_.begin(); run != records_.end();) {
      const auto run_end = std::find_if(run + 1, records_.end(), [prefix = run->prefix](
                                                                     const Record& record) {
        return record.prefix != prefix;
      });
      if (run_end - run > 1) {
        std::stable_sort(run, run_end, [this](const Record& a, const Record& b) {
          return word(a) < word(b);  // compares as unsigned char
        });
      }
      run = run_end;
    }
  }

  const std::vector<Record>& records() const noexcept { return records_; }
  void reserve(std::size_t size) { records_.reserve(size); }

 private:
  void radix_sort_records() {
    shift::radix_sort(records_, [](const Record& record) { return record.prefix; });
  }

  const Inputs& inputs_;
  std::vector<Record> records_;
};

}  // namespace

std::vector<VocabularyWord> collect_vocabulary(const Inputs& inputs, Kind kind) {
  const bool weighted = kind == Kind::weighted;
  RecordSet set(inputs);
  set.reserve(inputs.text_1.words.size() + inputs.text_2.words.size() +
              inputs.stop_words.size() +
              (weighted ? inputs.scores_1.words.size() + inputs.scores_2.words.size() : 0));
  set.add(inputs.text_1.words, kText1);
  set.add(inputs.text_2.words, kText2);
  if (weighted) {
    set.add(inputs.scores_1.words, kScores1);
    set.add(inputs.scores_2.words, kScores2);
  }
  set.add(inputs.stop_words, kStopWord);
  set.sort();

  std::vector<VocabularyWord> vocabulary;
  const std::vector<Record>& records = set.records();
  for (std::size_t at = 0; at < records.size();) {
    const std::string_view text = set.word(records[at]);
    const std::uint64_t prefix = records[at].prefix;
    VocabularyWord word{text, +0.0, +0.0, 0.0, 0.0, 0.0};
    bool in_text = false;
    bool scored_1 = false;
    bool scored_2 = false;
    bool stopped = false;
    double score_1 = 0.0;
    double score_2 = 0.0;
    for (; at < records.size() && records[at].prefix == prefix &&
           set.word(records[at]) == text;
         ++at) {
      const Record& record = records[at];
      switch (record.source) {
        // A count enters as the weighted-average shift's tally does: added to +0.0.
        case kText1: word.count_1 = set.value(record) + 0.0; in_text = true; break;
        case kText2: word.count_2 = set.value(record) + 0.0; in_text = true; break;
        case kScores1: score_1 = set.value(record); scored_1 = true; break;
        case kScores2: score_2 = set.value(record); scored_2 = true; break;
        default: stopped = true; break;
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
