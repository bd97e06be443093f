// Cuts Chinese text into words the way jieba does without its hidden Markov model
// (`jieba.cut(text, HMM=False)`): a word graph over a frequency dictionary, and the path
// through it whose words have the highest product of probabilities.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace moodvane::text {

class ChineseSegmenter {
 public:
  // `dictionary` holds one "word frequency" line per word, as jieba's dict.txt does (a
  // part-of-speech tag after the frequency is ignored; a repeated word keeps its last
  // frequency). A "#total N" line gives the sum of frequencies that probabilities are
  // taken against; without one it is the sum over all lines, as jieba sums it. Other lines
  // starting with '#', and lines that are not of that form, are passed over.
  //
  // `added` words then join the dictionary one after another, each with the frequency
  // jieba's add_word(word) gives it (the smallest that keeps it whole against the
  // dictionary so far), so that the path never cuts them. Words are valid UTF-8.
  ChineseSegmenter(std::string_view dictionary, std::span<const std::string_view> added);

  ChineseSegmenter(ChineseSegmenter&&) noexcept = default;
  ChineseSegmenter& operator=(ChineseSegmenter&&) noexcept = default;
  ChineseSegmenter(const ChineseSegmenter&) = delete;
  ChineseSegmenter& operator=(const ChineseSegmenter&) = delete;

  // Appends the words of `text` (UTF-8) to `pieces`, each a view into `text`, exactly as
  // `jieba.cut(text, HMM=False)` gives them: runs of Han characters, ASCII letters, digits
  // and "+#&._%-" go through the word graph (a run of single ASCII letters and digits is
  // one piece); white space comes out one character at a time ("\r\n" together), and every
  // other character alone. A byte that is not valid UTF-8 is a piece of its own. Safe to
  // call from many threads at once.
  void cut(std::string_view text, std::vector<std::string_view>& pieces) const;

  // As `cut`, but a piece that is not itself an added word and holds added words of two
  // characters or more is split around them (the lexicon's 高兴 "happy" inside jieba's
  // 非常高兴 "very happy": 非常 + 高兴), so that a count of the words sees them.
  void cut_keeping_added_words(std::string_view text,
                               std::vector<std::string_view>& pieces) const;

  // Whether `word` is in the dictionary with a frequency (not only a prefix of a word).
  bool contains(std::string_view word) const noexcept;
  std::size_t word_count() const noexcept { return word_count_; }

 private:
  struct Walk;
  friend struct Walk;
  static constexpr std::uint32_t kNone = 0;  // the root, never anyone's child

  std::uint32_t child(std::uint32_t node, char32_t code_point) const noexcept;

  // A node of the prefix tree. Nodes are laid out breadth first, so the children of node n
  // are nodes [n.child_begin, (n + 1).child_begin), by code point; the last node is a
  // sentinel. What one step of a walk reads shares a cache line.
  struct Node {
    char32_t label;  // the character that leads here from the parent
    std::uint32_t child_begin;
    // log(frequency) - log(total) for a word, the exact double jieba adds; NaN for a node
    // that is only a prefix.
    double log_probability;
  };
  std::vector<Node> nodes_;
  std::vector<std::uint8_t> added_;
  // The root's child for each code point of the Basic Multilingual Plane, where nearly
  // every first character lies; the rest are searched among the root's children.
  std::vector<std::uint32_t> first_level_;
  double log_total_ = 0.0;
  std::size_t word_count_ = 0;
};

}  // namespace moodvane::text
