// The native word counter's rules (word_rules, word_tally), its normalisation helpers
// (stream_safe) and the data the lexicons give it, through the engine's own interface.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "moodvane/counting_data.hpp"
#include "moodvane/text/character_classes.hpp"
#include "moodvane/text/text_breaks.hpp"
#include "moodvane/text/utf8.hpp"
#include "moodvane/text/word_counting.hpp"

namespace {

using namespace moodvane::text;
using Counts = std::map<std::string, std::uint64_t>;

std::shared_ptr<const CountingRules> english_rules() {
  RulesData data;
  data.language = Language::english;
  data.words = {"happy", "sad",     "well", "being", "self-confident", "special",
                "effects", "are",   "now",  "see",   "hi",             "hours"};
  data.phrases = {"special effects"};
  data.emoticons = {":)", "xD", "XD", "ㅋㅋ", ":3"};
  return make_counting_rules(std::move(data));
}

Counts words_of(const WordTally::Counts& counts) {
  Counts out;
  for (const auto& [word, count] : counts.words) out[std::string(word)] += count;
  return out;
}

Counts count(std::string_view text, CountingOptions options = {}) {
  WordTally tally(english_rules(), options);
  EXPECT_TRUE(tally.add_if_ready(text)) << text;
  return words_of(tally.counts());
}

struct RuleCase {
  const char* text;
  CountingOptions options;
  Counts expected;
};

CountingOptions with(bool CountingOptions::*flag, bool on) {
  CountingOptions options;
  options.*flag = on;
  return options;
}

TEST(WordRules, CountAsTheLexiconWritesItsWords) {
  const RuleCase cases[] = {
      {"Happy happy SAD", {}, {{"happy", 2}, {"sad", 1}}},
      // Joined runs stay together only where the lexicon lists them so.
      {"self-confident well-being", {}, {{"self-confident", 1}, {"well", 1}, {"being", 1}}},
      // A phrase counts once, across any white space; its words alone count as words.
      {"special effects are special", {}, {{"special effects", 1}, {"are", 1}, {"special", 1}}},
      {"special\n  effects", {}, {{"special effects", 1}}},
      {"see http://x.com now", {}, {{"see", 1}, {"now", 1}}},
      {"see http://x.com now", with(&CountingOptions::urls, true),
       {{"see", 1}, {"http", 1}, {"x", 1}, {"com", 1}, {"now", 1}}},
      {"#happy", {}, {{"happy", 1}}},
      {"#happy", with(&CountingOptions::hashtags, false), {}},
      {"@anna hi", {}, {{"hi", 1}}},
      {"@anna hi", with(&CountingOptions::handles, true), {{"anna", 1}, {"hi", 1}}},
      {"a@b.com hi", {}, {{"hi", 1}}},
      {"&amp; hi", with(&CountingOptions::entities, true), {{"amp", 1}, {"hi", 1}}},
      // Emoticons in any ASCII case count as the list writes them first; a repeated unit
      // counts as the emoticon; one ending in a digit needs no digit after it.
      {"xd XD :) ㅋㅋㅋㅋ", {}, {{"xD", 2}, {":)", 1}, {"ㅋㅋ", 1}}},
      {"10:30 :3", {}, {{":3", 1}}},
      {"xd :)", with(&CountingOptions::emoticons, false), {{"xd", 1}}},
      // Numbers are no words; an emoji counts without its skin tone.
      {"2 hours", {}, {{"hours", 1}}},
      {"👍🏽 hi", {}, {{"👍", 1}, {"hi", 1}}},
      {"👍🏽 hi", with(&CountingOptions::emoji, false), {{"hi", 1}}},
  };
  for (const RuleCase& one : cases) EXPECT_EQ(count(one.text, one.options), one.expected) << one.text;
}

TEST(WordRules, FrenchElisionAndTypographicApostrophes) {
  RulesData data;
  data.language = Language::french;
  data.words = {"amour", "ami"};
  WordTally tally(make_counting_rules(std::move(data)));
  ASSERT_TRUE(tally.add_if_ready("l'amour d\u2019ami"));
  EXPECT_EQ(words_of(tally.counts()), (Counts{{"amour", 1}, {"ami", 1}}));
}

TEST(WordTally, TokensCountEveryWordAndClearForgetsTheCounts) {
  WordTally tally(english_rules());
  tally.add("happy unknown words");
  EXPECT_EQ(tally.counts().tokens, 3u);
  tally.clear();
  EXPECT_TRUE(tally.counts().words.empty());
  EXPECT_EQ(tally.counts().tokens, 0u);
}

TEST(WordTally, LeavesToTheInterpreterOnlyWhatOnlyItMayLower) {
  WordTally tally(english_rules());
  // U+0130 lowers to two code points and U+03A3 by what follows: only str.lower may.
  EXPECT_FALSE(tally.add_if_ready("\u0130stanbul"));
  EXPECT_FALSE(tally.add_if_ready("\u03A3"));
  EXPECT_EQ(tally.counts().tokens, 0u);
  // Text not in NFC is normalised natively, after lowering.
  EXPECT_TRUE(tally.add_if_ready("HAPPY CAFE\u0301 J\u030C"));
  EXPECT_EQ(words_of(tally.counts()), (Counts{{"happy", 1}, {"caf\u00e9", 1}, {"\u01f0", 1}}));
}

TEST(Normalization, NfcComposesAsTheStandardSays) {
  struct Case {
    const char* text;
    const char* nfc;
  } const cases[] = {
      {"cafe\u0301", "caf\u00e9"},
      {"\u0958", "\u0915\u093c"},             // excluded from composing: stays decomposed
      {"\u212b\u2126", "\u00c5\u03a9"},       // singletons
      {"\u0344", "\u0308\u0301"},             // a non-starter decomposition
      {"\u1100\u1161\u11a8", "\uac01"},       // Hangul L V T
      {"\uac00\u11a8", "\uac01"},             // LV + T
      {"\u1100\u0301\u1161", "\u1100\u0301\u1161"},  // blocked by a mark
      {"a\u0301\u0316", "\u00e1\u0316"},       // reordered, then composed past the lower mark
      {"\u0301a", "\u0301a"},                 // a mark before any starter
      {"\u0b47\u0b3e", "\u0b4b"},             // two starters that compose
      {"plain ascii", "plain ascii"},
  };
  for (const Case& one : cases) {
    std::string out;
    append_nfc(one.text, out);
    EXPECT_EQ(out, one.nfc) << one.text;
    EXPECT_EQ(prepared_for_counting(one.text, false), std::optional<std::string>(one.nfc));
  }
  EXPECT_EQ(prepared_for_counting("\u0130", true), std::nullopt);
  EXPECT_EQ(prepared_for_counting("\u0130", false), std::optional<std::string>("\u0130"));
}

TEST(Normalization, NfcCheckKnowsCompositionExclusionsAndHangul) {
  struct Case {
    const char* text;
    bool nfc;
  } const cases[] = {
      {"caf\u00e9", true},
      {"cafe\u0301", false},
      {"\u0915\u093c", true},   // KA + NUKTA stays as it is: U+0958 is excluded from composing
      {"\u0958", false},        // which is why U+0958 itself never stays in NFC
      {"\u1100\u1161", false},  // conjoining jamo L V compose into a syllable
      {"\uac00\u11a8", false},  // LV syllable + T
      {"\uac01", true},
      {"\u00e1\u0316", true},  // marks in canonical order, composed
      {"a\u0316\u0301", false},  // the acute composes with the a past the lower mark
      {"a\u0301\u0316", false},  // marks out of canonical order
  };
  for (const Case& one : cases) EXPECT_EQ(is_nfc(one.text), one.nfc) << one.text;
}

std::vector<char32_t> code_points(std::string_view text) {
  std::vector<char32_t> out;
  for_each_code_point(text, [&out](char32_t cp) { out.push_back(cp); });
  return out;
}

TEST(StreamSafe, PiecesAreTheTextWithAJoinerAfterEveryThirtyMarks) {
  std::string text = "a";
  for (int i = 0; i < 100; ++i) text += "\u0301";
  text += " tail";
  for (int i = 0; i < 300; ++i) text += " caf\u00e9";
  const std::vector<std::string> pieces = stream_safe_pieces(text, 64);
  ASSERT_GT(pieces.size(), 1u);
  std::string joined;
  for (const std::string& piece : pieces) {
    EXPECT_LE(piece.size(), 64u + 64u);
    joined += piece;
  }
  std::vector<char32_t> without_joiners;
  std::size_t run = 0;
  for (const char32_t cp : code_points(joined)) {
    const bool non_starter = (character_class(cp) & kNonStarter) != 0;
    run = non_starter ? run + 1 : 0;
    EXPECT_LE(run, 30u);
    if (cp != 0x34F) without_joiners.push_back(cp);
  }
  EXPECT_EQ(without_joiners, code_points(text));
}

// The counts of `text` in pieces of about `window` code points, each cut before the last
// white space that last_break finds (or, in a window without one, the first after it): a
// cut elsewhere may split a URL, which only a text without white space has to risk.
Counts count_in_pieces(std::string_view text, std::ptrdiff_t window) {
  const std::vector<char32_t> cps = code_points(text);
  std::vector<std::size_t> offsets;  // byte offset of each code point, then the end
  std::size_t at = 0;
  for (const char32_t cp : cps) {
    offsets.push_back(at);
    at += cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
  }
  offsets.push_back(at);
  WordTally tally(english_rules());
  const auto length = static_cast<std::ptrdiff_t>(cps.size());
  std::ptrdiff_t start = 0;
  while (length - start > window) {
    std::ptrdiff_t cut = last_break([&](std::ptrdiff_t i) { return cps[i]; }, length,
                                    start + window, window, true);
    if (cut <= start) {
      cut = start + window;
      while (cut < length && !(character_class(cps[cut]) & kSpace)) ++cut;
      if (cut == length) break;
    }
    tally.add(text.substr(offsets[start], offsets[cut] - offsets[start]), true);
    start = cut;
  }
  tally.add(text.substr(offsets[start]));
  return words_of(tally.counts());
}

TEST(TextBreaks, ATextCountsTheSameWholeAndInPieces) {
  const char* const parts[] = {"happy", "sad", "special", "effects", "xD", ":)", "#happy",
                               "http://a.b/c", "self-confident", "well-being", "👍🏽", "ㅋㅋㅋ",
                               "\u4e2d\u6587", "2", "café", "\n", "  "};
  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    std::string text;
    for (int i = 0; i < 60; ++i) {
      text += parts[random() % std::size(parts)];
      if (random() % 3 != 0) text += ' ';
    }
    for (const std::ptrdiff_t window : {8, 17, 40}) {
      WordTally whole(english_rules());
      whole.add(text);
      EXPECT_EQ(count_in_pieces(text, window), words_of(whole.counts())) << text;
    }
  }
}

std::string file_text(const std::string& path) {
  std::ifstream in(std::string(MOODVANE_SOURCE_DIR) + "/" + path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(CountingData, EachLexiconGetsItsLanguageAndTheCarriedLists) {
  using moodvane::lexicons::counting_rules_data;
  using moodvane::lexicons::lines_of;
  const std::pair<const char*, Language> languages[] = {
      {"chinese", Language::chinese}, {"english", Language::english},
      {"french", Language::french},   {"hindi", Language::hindi},
      {"korean", Language::korean},   {"german", Language::other},
      {"spanish", Language::other}};
  for (const auto& [key, language] : languages) {
    const RulesData data = counting_rules_data(key);
    EXPECT_EQ(data.language, language) << key;
    EXPECT_EQ(data.phrases,
              lines_of(file_text(std::string("lexicons/data/") + key + ".phrases.txt")))
        << key;
    EXPECT_EQ(data.emoticons, lines_of(file_text("lexicons/data/emoticons.txt"))) << key;
    EXPECT_EQ(data.chinese_segmenter != nullptr, language == Language::chinese) << key;
  }
  EXPECT_EQ(counting_rules_data("chinese", false).chinese_segmenter, nullptr);
  EXPECT_EQ(lines_of("a\r\n\nb\n"), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
