#include "chinese_dictionary_build.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <string>

#include "jieba_method.hpp"
#include "utf8_decode.hpp"

namespace moodvane::text::dictionary_build {
namespace {

using Sequence = std::span<const char32_t>;

bool append_code_points(std::string_view word, std::vector<char32_t>& out) {
  const std::size_t mark = out.size();
  for (std::size_t at = 0; at < word.size();) {
    const Decoded next = decode_utf8(word, at);
    if (next.code_point == kInvalid) {
      out.resize(mark);
      return false;
    }
    out.push_back(next.code_point);
    at += next.length;
  }
  return true;
}

std::optional<std::uint64_t> read_count(std::string_view digits) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc{} || end != digits.data() + digits.size() || digits.empty()) {
    return std::nullopt;
  }
  return value;
}

Sequence sequence(const Words& words, const Word& word) {
  return Sequence(words.code_points).subspan(word.begin, word.length);
}

// The dictionary while words join it: the read list, and beside it the words added so far
// and their prefixes (frequency 0), as jieba's FREQ table holds them.
class Growing {
 public:
  explicit Growing(Words& words) : words_(words) {}

  // The table's entry for `key`: a frequency, 0 for a prefix only, nothing when absent.
  std::optional<std::uint64_t> find(Sequence key) const {
    const std::u32string joined(key.begin(), key.end());
    const auto overlay = added_.find(joined);
    if (overlay != added_.end() && overlay->second.word) return overlay->second.frequency;
    const auto& list = words_.list;
    const auto at = std::lower_bound(list.begin(), list.end(), key,
                                     [&](const Word& word, Sequence wanted) {
                                       const Sequence have = sequence(words_, word);
                                       return std::lexicographical_compare(
                                           have.begin(), have.end(), wanted.begin(),
                                           wanted.end());
                                     });
    if (at != list.end()) {
      const Sequence have = sequence(words_, *at);
      if (have.size() >= key.size() && std::equal(key.begin(), key.end(), have.begin())) {
        return have.size() == key.size() ? at->frequency : 0;
      }
    }
    if (overlay != added_.end()) return 0;
    return std::nullopt;
  }

  double log_total() const { return std::log(static_cast<double>(words_.total)); }

  template <class Visit>
  void words_from(Sequence block, std::size_t start, Visit&& visit) const {
    const double log_total = this->log_total();
    for (std::size_t end = start + 1; end <= block.size(); ++end) {
      const std::optional<std::uint64_t> frequency = find(block.subspan(start, end - start));
      if (!frequency) return;
      if (*frequency > 0) visit(end, std::log(static_cast<double>(*frequency)) - log_total);
    }
  }

  void add(std::string_view word) {
    std::vector<char32_t> code_points;
    if (word.empty() || !append_code_points(word, code_points)) return;
    const std::uint64_t frequency = suggested_frequency(word, code_points);
    added_[std::u32string(code_points.begin(), code_points.end())] = {frequency, true};
    words_.total += frequency;
    for (std::size_t length = 1; length < code_points.size(); ++length) {
      const Sequence prefix = Sequence(code_points).first(length);
      if (!find(prefix)) added_[std::u32string(prefix.begin(), prefix.end())] = {0, false};
    }
  }

  // The added words (not their prefixes), merged into the read list.
  void merge() {
    std::vector<Word> merged;
    merged.reserve(words_.list.size() + added_.size());
    auto read = words_.list.begin();
    const auto less = [](Sequence a, Sequence b) {
      return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
    };
    for (const auto& [text, entry] : added_) {
      if (!entry.word) continue;
      const Sequence key(text.data(), text.size());
      while (read != words_.list.end() && less(sequence(words_, *read), key)) {
        merged.push_back(*read++);
      }
      if (read != words_.list.end() && std::ranges::equal(sequence(words_, *read), key)) ++read;
      const auto begin = static_cast<std::uint32_t>(words_.code_points.size());
      words_.code_points.insert(words_.code_points.end(), text.begin(), text.end());
      merged.push_back({begin, static_cast<std::uint32_t>(text.size()), entry.frequency, true});
    }
    merged.insert(merged.end(), read, words_.list.end());
    words_.list = std::move(merged);
    added_.clear();
  }

 private:
  struct Entry {
    std::uint64_t frequency;
    bool word;
  };

  std::uint64_t suggested_frequency(std::string_view word, Sequence code_points) {
    const double total = static_cast<double>(words_.total);
    double product = 1.0;
    jieba::Scratch scratch;
    std::vector<char32_t> piece;
    jieba::cut(*this, word, scratch, [&](std::size_t begin, std::size_t end) {
      piece.clear();
      append_code_points(word.substr(begin, end - begin), piece);
      product *= static_cast<double>(find(piece).value_or(1)) / total;
    });
    const auto cut = static_cast<std::uint64_t>(product * total) + 1;
    return std::max(cut, find(code_points).value_or(1));
  }

  Words& words_;
  std::map<std::u32string, Entry> added_;
};

}  // namespace

Words read_dictionary(std::string_view text) {
  Words words;
  std::optional<std::uint64_t> stated_total;
  std::uint64_t summed_total = 0;
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.starts_with("#total ")) {
      stated_total = read_count(line.substr(7));
      continue;
    }
    if (line.empty() || line.front() == '#') continue;
    const std::size_t space = line.find(' ');
    if (space == 0 || space == std::string_view::npos) continue;
    std::string_view count = line.substr(space + 1);
    count = count.substr(0, count.find(' '));
    const std::optional<std::uint64_t> frequency = read_count(count);
    if (!frequency) continue;
    const auto begin = static_cast<std::uint32_t>(words.code_points.size());
    if (!append_code_points(line.substr(0, space), words.code_points)) continue;
    const auto length = static_cast<std::uint32_t>(words.code_points.size() - begin);
    words.list.push_back({begin, length, *frequency, false});
    summed_total += *frequency;
  }
  words.total = stated_total.value_or(summed_total);

  // The shipped dictionary is sorted with each word once; any other keeps the last
  // frequency of a repeated word, as jieba's table does.
  const auto less = [&](const Word& a, const Word& b) {
    const Sequence x = sequence(words, a);
    const Sequence y = sequence(words, b);
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end());
  };
  const bool strictly_sorted =
      std::adjacent_find(words.list.begin(), words.list.end(), [&](const Word& a, const Word& b) {
        return !less(a, b);
      }) == words.list.end();
  if (!strictly_sorted) {
    std::stable_sort(words.list.begin(), words.list.end(), less);
    std::vector<Word> unique;
    unique.reserve(words.list.size());
    for (const Word& word : words.list) {
      if (!unique.empty() && !less(unique.back(), word)) {
        unique.back() = word;
      } else {
        unique.push_back(word);
      }
    }
    words.list = std::move(unique);
  }
  return words;
}

void add_words(Words& words, std::span<const std::string_view> added) {
  if (added.empty()) return;
  Growing growing(words);
  for (const std::string_view word : added) growing.add(word);
  growing.merge();
}

}  // namespace moodvane::text::dictionary_build
