// CountingRules: what a token counts as in one lexicon (interpreter-free).
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "../flat_map.hpp"
#include "moodvane/text/word_counting.hpp"
#include "negation.hpp"

namespace moodvane::text {

// The words a token stands for: lexicon words, and runs of Han characters still to be cut.
struct TokenWords {
  std::vector<std::string> words;
  std::vector<std::string> han_runs;
  void clear() {
    words.clear();
    han_runs.clear();
  }
};

// Phrases as a trie over their words: node 0 is the root. Each word that occurs in a phrase
// has a number, so that a tally walks the trie by integers it looked up once per word.
struct PhraseTrie {
  static constexpr std::uint32_t kNone = 0xFFFFFFFF;
  struct Node {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> next;  // (word number, node)
    std::int32_t phrase = -1;  // index into `phrases` of the phrase ending here
  };
  types::FlatMap<std::string, std::uint32_t> word_numbers;
  std::vector<std::uint32_t> root_next;  // by word number: the root's child, or kNone
  std::vector<Node> nodes;
  std::vector<std::string> phrases;

  bool empty() const noexcept { return phrases.empty(); }
  std::uint32_t number_of(std::string_view word) const noexcept {
    const std::uint32_t* found = word_numbers.find(word);
    return found == nullptr ? kNone : *found;
  }
  // The node reached from `node` by the word numbered `word`, or kNone.
  std::uint32_t next(std::uint32_t node, std::uint32_t word) const noexcept {
    if (word == kNone) return kNone;
    if (node == 0) return root_next[word];
    for (const auto& [number, child] : nodes[node].next) {
      if (number == word) return child;
    }
    return kNone;
  }
  void add(std::string phrase);
};

// An emoticon of the list: `written` as the list writes it, `match` its bytes lower-cased
// (ASCII), `unit` the one character it repeats (ㅋㅋ, ^^) or 0, and whether it ends in a
// word character (then no word character may follow it: :3 is no emoticon in 10:30).
struct Emoticon {
  std::string written;
  std::string match;
  char32_t first = 0;
  char32_t unit = 0;
  bool ends_in_word = false;
  std::uint32_t index = 0;  // its position among the rules' emoticons
};

class CountingRules {
 public:
  explicit CountingRules(RulesData data);

  // Appends what `token` (folded, see fold_code_point) counts as to `out`.
  void words_of(std::string_view token, TokenWords& out) const;

  // The code point the scanner reads in place of `cp`: the ASCII apostrophe and hyphen for
  // their typographic forms; in Hindi, no nukta (kDropped) and anusvara for chandrabindu.
  static constexpr char32_t kDropped = 0xFFFFFFFF;
  char32_t fold_code_point(char32_t cp) const noexcept {
    // Every code point it changes lies in one of three blocks of 256.
    const char32_t block = cp >> 8;
    if (block != 0x02 && block != 0x09 && block != 0x20) return cp;
    if (cp == 0x2019 || cp == 0x2BC) return U'\'';
    if (cp == 0x2010 || cp == 0x2011) return U'-';
    if (language_ == Language::hindi) {
      if (cp == 0x93C) return kDropped;
      if (cp == 0x901) return 0x902;
    }
    return cp;
  }

  Language language() const noexcept { return language_; }
  bool lower_case() const noexcept { return lower_case_; }
  // The emoticons of the list that begin with `cp` (ASCII lower-cased), longest first and,
  // of equal length, in the list's order: the few worth trying where a text has `cp`
  // (English words begin with the t of T_T and the o of o_O all the time).
  std::span<const Emoticon> emoticons_beginning(char32_t cp) const noexcept {
    const EmoticonGroup group = emoticon_group(cp);
    return std::span(emoticons_).subspan(group.begin, group.end - group.begin);
  }
  bool may_begin_emoticon(char32_t cp) const noexcept {
    const EmoticonGroup group = emoticon_group(cp);
    return group.begin != group.end;
  }
  // Whether an emoticon of the list may begin with the ASCII `first` followed by the byte
  // `second` (the t of "the" begins no T_T); true for a byte beyond ASCII.
  bool may_begin_emoticon(char32_t first, char second) const noexcept {
    const auto byte = static_cast<unsigned char>(second >= 'A' && second <= 'Z' ? second + 32
                                                                               : second);
    if (first >= 'A' && first <= 'Z') first += 32;
    if (first >= 128 || byte >= 128) return may_begin_emoticon(first);
    return (emoticon_seconds_[first][byte / 64] >> (byte % 64)) & 1;
  }
  const PhraseTrie& phrases() const noexcept { return phrases_; }
  // Whether the lexicon scores `word` (a word or phrase as counted).
  bool scores(std::string_view word) const noexcept { return listed(word); }
  // The negation that tallies of these rules count, or null.
  const NegationRules* negation() const noexcept { return negation_.get(); }
  std::size_t emoticon_count() const noexcept { return emoticons_.size(); }

 private:
  // A word longer than every listed word is not looked up: each of the many forms that the
  // rules try of a long token then costs nothing.
  bool listed(std::string_view word) const noexcept {
    return word.size() <= longest_word_ && words_.contains(word);
  }
  std::string listed_form(std::string_view token) const;
  void joined(std::string_view token, TokenWords& out) const;
  std::string korean_stem(std::string_view token) const;
  void group_emoticons();

  Language language_;
  bool lower_case_;
  types::FlatMap<std::string, bool> words_;
  std::size_t longest_word_ = 0;  // in bytes
  PhraseTrie phrases_;
  // Positions [begin, end) in emoticons_ of the emoticons that share a first code point.
  struct EmoticonGroup {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
  };
  EmoticonGroup emoticon_group(char32_t cp) const noexcept {
    if (cp >= 'A' && cp <= 'Z') cp += 32;
    if (cp < 128) return emoticon_ascii_[cp];
    if ((emoticon_other_blocks_ & (std::uint64_t{1} << ((cp >> 8) & 63))) == 0) return {};
    for (const auto& [first, group] : emoticon_other_) {
      if (first == cp) return group;
    }
    return {};
  }
  std::vector<Emoticon> emoticons_;  // grouped by first code point, longest first in each
  EmoticonGroup emoticon_ascii_[128] = {};
  // By ASCII first character, the set of second bytes (ASCII lower-cased) its emoticons
  // may have.
  std::uint64_t emoticon_seconds_[128][2] = {};
  std::vector<std::pair<char32_t, EmoticonGroup>> emoticon_other_;  // the few beyond ASCII
  // Bit b set when the block of 256 of some first in emoticon_other_ is b modulo 64: most
  // letters beyond ASCII are turned away without a search.
  std::uint64_t emoticon_other_blocks_ = 0;
  const ChineseSegmenter& (*chinese_segmenter_)();
  std::unique_ptr<const NegationRules> negation_;
};

}  // namespace moodvane::text
