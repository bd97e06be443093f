// The prefix tree of the Chinese segmenter and its two cuts.
#include "moodvane/text/chinese_segmenter.hpp"

#include <cmath>
#include <limits>

#include "chinese_dictionary_build.hpp"
#include "jieba_method.hpp"

namespace moodvane::text {
namespace {

constexpr std::size_t kFirstLevel = 0x10000;
constexpr double kPrefixOnly = std::numeric_limits<double>::quiet_NaN();

// One set of buffers per thread, so that a cut allocates nothing once they have grown.
jieba::Scratch& scratch() {
  thread_local jieba::Scratch buffers;
  return buffers;
}

}  // namespace

// The finished tree as the graph of jieba's method.
struct ChineseSegmenter::Walk {
  const ChineseSegmenter& segmenter;

  double log_total() const noexcept { return segmenter.log_total_; }

  template <class Visit>
  void words_from(std::span<const char32_t> block, std::size_t start, Visit&& visit) const {
    std::uint32_t node = kNone;
    for (std::size_t end = start; end < block.size(); ++end) {
      node = segmenter.child(node, block[end]);
      if (node == kNone) return;
      const double log_probability = segmenter.nodes_[node].log_probability;
      if (!std::isnan(log_probability)) visit(end + 1, log_probability);
    }
  }
};

ChineseSegmenter::ChineseSegmenter(std::string_view dictionary,
                                   std::span<const std::string_view> added) {
  dictionary_build::Words words = dictionary_build::read_dictionary(dictionary);
  dictionary_build::add_words(words, added);
  const std::vector<dictionary_build::Word>& list = words.list;
  const std::vector<char32_t>& text = words.code_points;
  log_total_ = std::log(static_cast<double>(words.total));
  word_count_ = list.size();

  // Breadth first, so that the children of each node are consecutive nodes and the
  // children of consecutive nodes follow one another: node n's words are list[lo, hi),
  // which all begin with its depth characters.
  struct Range {
    std::uint32_t lo, hi, depth;
  };
  std::vector<Range> ranges{{0, static_cast<std::uint32_t>(list.size()), 0}};
  nodes_.push_back({0, 0, kPrefixOnly});
  added_.push_back(0);
  const auto character = [&](std::uint32_t word, std::uint32_t depth) {
    return text[list[word].begin + depth];
  };
  for (std::size_t node = 0; node < ranges.size(); ++node) {
    auto [lo, hi, depth] = ranges[node];
    if (lo < hi && list[lo].length == depth && depth > 0) {
      // A frequency of zero makes no word: jieba's graph passes over it.
      if (list[lo].frequency > 0) {
        nodes_[node].log_probability =
            std::log(static_cast<double>(list[lo].frequency)) - log_total_;
      }
      added_[node] = list[lo].added ? 1 : 0;
      ++lo;
    }
    nodes_[node].child_begin = static_cast<std::uint32_t>(ranges.size());
    while (lo < hi) {
      const char32_t c = character(lo, depth);
      std::uint32_t end = lo + 1;
      while (end < hi && character(end, depth) == c) ++end;
      ranges.push_back({lo, end, depth + 1});
      nodes_.push_back({c, 0, kPrefixOnly});
      added_.push_back(0);
      lo = end;
    }
  }
  nodes_.push_back({0, static_cast<std::uint32_t>(ranges.size()), kPrefixOnly});
  // The tree is kept for the process: no room to grow.
  nodes_.shrink_to_fit();
  added_.shrink_to_fit();

  first_level_.assign(kFirstLevel, kNone);
  for (std::uint32_t node = nodes_[0].child_begin; node < nodes_[1].child_begin; ++node) {
    if (nodes_[node].label < kFirstLevel) first_level_[nodes_[node].label] = node;
  }
}

std::uint32_t ChineseSegmenter::child(std::uint32_t node, char32_t code_point) const noexcept {
  if (node == kNone && code_point < kFirstLevel) return first_level_[code_point];
  const std::uint32_t begin = nodes_[node].child_begin;
  std::uint32_t count = nodes_[node + 1].child_begin - begin;
  if (count == 0) return kNone;
  // Without branches on the comparisons, which a predictor cannot learn for text.
  const Node* base = nodes_.data() + begin;
  while (count > 1) {
    const std::uint32_t half = count / 2;
    base = base[half].label <= code_point ? base + half : base;
    count -= half;
  }
  return base->label == code_point ? static_cast<std::uint32_t>(base - nodes_.data()) : kNone;
}

bool ChineseSegmenter::contains(std::string_view word) const noexcept {
  std::uint32_t node = kNone;
  for (std::size_t at = 0; at < word.size();) {
    const Decoded next = decode_utf8(word, at);
    if (next.code_point == kInvalid) return false;
    node = child(node, next.code_point);
    if (node == kNone) return false;
    at += next.length;
  }
  return node != kNone && !std::isnan(nodes_[node].log_probability);
}

void ChineseSegmenter::cut(std::string_view text, std::vector<std::string_view>& pieces) const {
  jieba::cut(Walk{*this}, text, scratch(), [&](std::size_t begin, std::size_t end) {
    pieces.push_back(text.substr(begin, end - begin));
  });
}

void ChineseSegmenter::cut_keeping_added_words(std::string_view text,
                                               std::vector<std::string_view>& pieces) const {
  const std::size_t first = pieces.size();
  cut(text, pieces);
  // Each piece of the cut is read again from the left, taking the longest added word at
  // each character (one character where none starts); a piece among whose parts an added
  // word of two characters or more stands is split around those words, the rest of it
  // kept together.
  thread_local std::vector<std::string_view> split;
  split.clear();
  for (std::size_t index = first; index < pieces.size(); ++index) {
    const std::string_view piece = pieces[index];
    bool any_added = false;
    std::size_t rest = 0;  // start of the part not yet taken apart
    std::size_t at = 0;
    const std::size_t before = split.size();
    while (at < piece.size()) {
      std::uint32_t node = kNone;
      std::size_t end = at + decode_utf8(piece, at).length;
      std::size_t added_end = 0;
      std::size_t characters = 0;
      std::size_t added_characters = 0;
      for (std::size_t walk = at; walk < piece.size();) {
        const Decoded next = decode_utf8(piece, walk);
        if (next.code_point == kInvalid) break;
        node = child(node, next.code_point);
        if (node == kNone) break;
        walk += next.length;
        ++characters;
        if (added_[node] != 0) added_end = walk, added_characters = characters;
      }
      if (added_end != 0) end = added_end;
      if (added_characters > 1) {
        any_added = true;
        if (rest < at) split.push_back(piece.substr(rest, at - rest));
        split.push_back(piece.substr(at, end - at));
        rest = end;
      }
      at = end;
    }
    if (!any_added) {
      split.resize(before);
      split.push_back(piece);
    } else if (rest < piece.size()) {
      split.push_back(piece.substr(rest));
    }
  }
  pieces.resize(first);
  pieces.insert(pieces.end(), split.begin(), split.end());
}

}  // namespace moodvane::text
