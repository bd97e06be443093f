// The Chinese segmenter's own properties; its agreement with jieba is tested from Python,
// against jieba itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "moodvane/chinese_dictionary.hpp"
#include "moodvane/lexicon_scores.hpp"
#include "moodvane/text/chinese_segmenter.hpp"
#include "text/jieba_method.hpp"

namespace {

using moodvane::text::ChineseSegmenter;

// Han characters, ASCII that jieba's blocks take in and leaves out, white space, a
// character just past jieba's Han range, and bytes that are not UTF-8.
const std::vector<std::string> kAlphabet = {"好", "不", "开", "心", "高", "兴", "非", "常", "a",
                                            "7",  "-",  " ",  "\r", "\n", "，", "\xe9\xbf\x96",
                                            "\xff", "\xe5\xa5"};

std::string random_text(std::mt19937& random, std::size_t length) {
  std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
  std::string text;
  for (std::size_t i = 0; i < length; ++i) text += kAlphabet[pick(random)];
  return text;
}

std::vector<std::string_view> cut(const ChineseSegmenter& segmenter, std::string_view text,
                                  bool keeping) {
  std::vector<std::string_view> pieces;
  if (keeping) {
    segmenter.cut_keeping_added_words(text, pieces);
  } else {
    segmenter.cut(text, pieces);
  }
  return pieces;
}

class EveryCut : public testing::TestWithParam<bool> {};

// Pieces are non-empty views that follow one another through the whole text.
TEST_P(EveryCut, PiecesTileTheText) {
  const ChineseSegmenter& segmenter = moodvane::lexicons::chinese_segmenter();
  std::mt19937 random(17);
  for (int round = 0; round < 2000; ++round) {
    const std::string text = random_text(random, round % 40);
    const std::vector<std::string_view> pieces = cut(segmenter, text, GetParam());
    const char* at = text.data();
    for (const std::string_view piece : pieces) {
      ASSERT_FALSE(piece.empty());
      ASSERT_EQ(piece.data(), at) << text;
      at += piece.size();
    }
    ASSERT_EQ(at, text.data() + text.size()) << text;
  }
}

INSTANTIATE_TEST_SUITE_P(PlainAndKeeping, EveryCut, testing::Bool());

// Whether jieba's word graph sees the whole word (not so an emoji or an emoticon, which
// the lexicon also scores and the counter finds as tokens of their own).
bool in_one_block(std::string_view word) {
  for (std::size_t at = 0; at < word.size();) {
    const moodvane::text::Decoded next = moodvane::text::decode_utf8(word, at);
    if (!moodvane::text::jieba::in_block(next.code_point)) return false;
    at += next.length;
  }
  return true;
}

// Each word of the Chinese lexicon joins the dictionary so that the cut keeps it whole.
TEST(ChineseSegmenter, KeepsEveryLexiconWordWhole) {
  const ChineseSegmenter& segmenter = moodvane::lexicons::chinese_segmenter();
  const auto& lexicon = moodvane::lexicons::lexicon_scores(moodvane::lexicons::LexiconId::chinese);
  std::size_t checked = 0;
  for (const auto& [word, score] : lexicon) {
    EXPECT_TRUE(segmenter.contains(word)) << word;
    if (!in_one_block(word)) continue;
    ++checked;
    EXPECT_EQ(cut(segmenter, word, false), std::vector<std::string_view>{word}) << word;
  }
  EXPECT_GT(checked, 1000u);
}

// A dictionary in any order, with repeated words and no stated total, is the sorted one in
// which each word keeps its last frequency and the total sums every line, as jieba reads
// its dict.txt.
TEST(ChineseSegmenter, DictionaryOrderAndRepeatsAsJiebaReadsThem) {
  std::mt19937 random(5);
  const std::vector<std::string> han = {"好", "不", "开", "心", "高", "兴"};
  std::uniform_int_distribution<std::size_t> letter(0, han.size() - 1);
  std::uniform_int_distribution<int> frequency(0, 50);
  std::uniform_int_distribution<std::size_t> length(1, 3);
  for (int round = 0; round < 200; ++round) {
    std::vector<std::pair<std::string, int>> lines;
    for (int i = 0; i < 12; ++i) {
      std::string word;
      for (std::size_t n = length(random); n > 0; --n) word += han[letter(random)];
      lines.emplace_back(word, frequency(random));
    }
    std::string as_given;
    long total = 0;
    for (const auto& [word, count] : lines) {
      as_given += word + " " + std::to_string(count) + " n\n";
      total += count;
    }
    std::vector<std::pair<std::string, int>> last;
    for (const auto& line : lines) {
      auto same = std::ranges::find(last, line.first, &std::pair<std::string, int>::first);
      if (same != last.end()) last.erase(same);
      last.push_back(line);
    }
    std::ranges::sort(last);
    std::string sorted = "#total " + std::to_string(total) + "\n";
    for (const auto& [word, count] : last) sorted += word + " " + std::to_string(count) + "\n";

    const std::vector<std::string_view> added = {"开心", "不高兴"};
    const ChineseSegmenter given(as_given, added);
    const ChineseSegmenter canonical(sorted, added);
    for (int text_round = 0; text_round < 10; ++text_round) {
      std::string text;
      for (int n = 0; n < 10; ++n) text += han[letter(random)];
      ASSERT_EQ(cut(given, text, false), cut(canonical, text, false)) << as_given << text;
      ASSERT_EQ(cut(given, text, true), cut(canonical, text, true)) << as_given << text;
    }
  }
}

}  // namespace
