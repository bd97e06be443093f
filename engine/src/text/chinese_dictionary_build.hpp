// The word list of the Chinese segmenter before it becomes a prefix tree: jieba's
// dictionary read, then the added words joined one by one with the frequencies jieba's
// add_word would give them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace moodvane::text::dictionary_build {

struct Word {
  std::uint32_t begin;   // into Words::code_points
  std::uint32_t length;  // in code points, at least 1
  std::uint64_t frequency;
  bool added;
};

struct Words {
  std::vector<char32_t> code_points;
  std::vector<Word> list;  // by code point sequence, each word once
  std::uint64_t total = 0;
};

// Lines "word frequency[ tag]"; see ChineseSegmenter's constructor.
Words read_dictionary(std::string_view text);

// Joins `added` to `words` in order, as jieba's add_word(word) joins each: its frequency is
// max(int(P(cut) * total) + 1, its frequency so far), P(cut) being the product of the
// frequencies (over the total) of the pieces that cut(word, HMM=False) gives it against the
// dictionary so far; the total grows by that frequency, and its prefixes join as prefixes.
void add_words(Words& words, std::span<const std::string_view> added);

}  // namespace moodvane::text::dictionary_build
