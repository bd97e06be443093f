// CountingRules: what a token counts as in one lexicon (interpreter-free).
#pragma once

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
  const ChineseSegmenter& (*chinese_segmenter_)();
};

}  // namespace moodvane::text
