// CountingRules: what a token counts as in one lexicon (interpreter-free).
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "../flat_map.hpp"
#include "moodvane/text/word_counting.hpp"

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

// Phrases as a trie over their words: node 0 is the root.
struct PhraseTrie {
  struct Node {
    types::FlatMap<std::string, std::uint32_t> next;
    std::int32_t phrase = -1;  // index into `phrases` of the phrase ending here
  };
  std::vector<Node> nodes;
  std::vector<std::string> phrases;
  bool empty() const noexcept { return phrases.empty(); }
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
    if (cp < 0x2BC) return cp;
    if (cp == 0x2019 || cp == 0x2BC) return U'\'';
    if (cp == 0x2010 || cp == 0x2011) return U'-';
    if (language_ == Language::hindi) {
      if (cp == 0x93C) return kDropped;
      if (cp == 0x901) return 0x902;
    }
    return cp;
  }

  Language language() const noexcept { return language_; }
  const std::vector<Emoticon>& emoticons() const noexcept { return emoticons_; }
  // Whether an emoticon of the list begins with `cp` (ASCII lower-cased).
  bool may_begin_emoticon(char32_t cp) const noexcept {
    if (cp >= 'A' && cp <= 'Z') cp += 32;
    if (cp < 128) return emoticon_ascii_[cp];
    return std::find(emoticon_other_.begin(), emoticon_other_.end(), cp) !=
           emoticon_other_.end();
  }
  const PhraseTrie& phrases() const noexcept { return phrases_; }

 private:
  bool listed(std::string_view word) const noexcept { return words_.contains(word); }
  std::string listed_form(std::string_view token) const;
  void joined(std::string_view token, TokenWords& out) const;
  std::string korean_stem(std::string_view token) const;

  Language language_;
  bool lower_case_;
  types::FlatMap<std::string, bool> words_;
  PhraseTrie phrases_;
  std::vector<Emoticon> emoticons_;  // longest first
  bool emoticon_ascii_[128] = {};
  std::vector<char32_t> emoticon_other_;  // the few first code points beyond ASCII
  const ChineseSegmenter& (*chinese_segmenter_)();
};

}  // namespace moodvane::text
