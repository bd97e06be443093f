#include "moodvane/chinese_dictionary.hpp"

#include <algorithm>
#include <string_view>
#include <vector>

#include "data_files.hpp"
#include "moodvane/lexicon_scores.hpp"
#include "moodvane/number.hpp"

namespace moodvane::lexicons {
namespace {

// The lexicon's words and phrases, each once, in UTF-8 byte order, which is code point
// order: the order jieba's add_word saw them in, which decides their frequencies.
std::vector<std::string_view> added_words() {
  std::vector<std::string_view> words;
  for (const auto& [word, score] : lexicon_scores(LexiconId::chinese)) words.push_back(word);
  std::string_view phrases = data_file("chinese.phrases.txt");
  while (!phrases.empty()) {
    const std::size_t newline = phrases.find('\n');
    const std::string_view line = trim_white_space(phrases.substr(0, newline));
    phrases = newline == std::string_view::npos ? std::string_view{} : phrases.substr(newline + 1);
    if (!line.empty() && !line.starts_with('#')) words.push_back(line);
  }
  std::ranges::sort(words);
  words.erase(std::unique(words.begin(), words.end()), words.end());
  return words;
}

}  // namespace

const text::ChineseSegmenter& chinese_segmenter() {
  static const text::ChineseSegmenter segmenter(data_file("chinese.dictionary.txt"),
                                                added_words());
  return segmenter;
}

}  // namespace moodvane::lexicons
