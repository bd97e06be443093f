#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "moodvane/catalogue.hpp"
#include "moodvane/debug_quote.hpp"
#include "moodvane/lexicon_scores.hpp"
#include "moodvane/parser.hpp"

namespace {

using moodvane::lexicons::debug_quote;
using moodvane::lexicons::kLexiconCount;
using moodvane::lexicons::lexicon_key;
using moodvane::lexicons::lexicon_scores;
using moodvane::lexicons::lexicon_text;
using moodvane::lexicons::LexiconId;
using moodvane::lexicons::parse_lexicon;
using moodvane::lexicons::resolve_lexicon;

LexiconId id_at(std::size_t index) {
  return static_cast<LexiconId>(index);
}

std::string ascii_upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::string file_text(const std::string& path) {
  std::ifstream in(std::string(MOODVANE_SOURCE_DIR) + "/" + path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The keys of lexicons/manifest.tsv, the one list of the lexicons.
std::vector<std::string> manifest_keys() {
  std::vector<std::string> keys;
  std::istringstream lines(file_text("lexicons/manifest.tsv"));
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line[0] != '#') keys.push_back(line.substr(0, line.find('\t')));
  }
  return keys;
}

TEST(Catalogue, KeysInCatalogueOrder) {
  const std::vector<std::string> keys = manifest_keys();
  ASSERT_EQ(keys.size(), kLexiconCount);
  for (std::size_t i = 0; i < kLexiconCount; ++i) EXPECT_EQ(lexicon_key(id_at(i)), keys[i]);
}

TEST(ResolveLexicon, EveryKeyInEitherCaseWithOrWithoutPrefix) {
  for (std::size_t i = 0; i < kLexiconCount; ++i) {
    const std::string key(lexicon_key(id_at(i)));
    std::string capitalised = key;
    capitalised[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(key[0])));
    for (const std::string& name : {key, ascii_upper(key), capitalised, "senTX_" + key,
                                    "senTX_" + ascii_upper(key), "senTX_" + capitalised}) {
      const auto resolved = resolve_lexicon(name);
      ASSERT_TRUE(resolved.has_value()) << name << ": " << resolved.error();
      EXPECT_EQ(*resolved, id_at(i)) << name;
    }
  }
}

TEST(ResolveLexicon, DefaultAndShortestAndLongestKeys) {
  EXPECT_EQ(resolve_lexicon("senTX_English"), LexiconId::english);
  EXPECT_EQ(resolve_lexicon("hindi"), LexiconId::hindi);
  EXPECT_EQ(resolve_lexicon("indonesian"), LexiconId::indonesian);
  EXPECT_EQ(resolve_lexicon("eNgLiSh"), LexiconId::english);
}

class RejectedName : public testing::TestWithParam<std::string> {};

TEST_P(RejectedName, GivesTheUnknownLexiconMessage) {
  const auto resolved = resolve_lexicon(GetParam());
  ASSERT_FALSE(resolved.has_value()) << GetParam();
  EXPECT_EQ(resolved.error(), "unknown senTX lexicon: " + debug_quote(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Names, RejectedName,
                         testing::Values("", "senTX_", "Hindi5", "chinese2", "portuguese_",
                                         "sentx_English", "SENTX_english", "senTX_senTX_English",
                                         " English", "English ", "en", "eng", "ENGL\u0130SH",
                                         "Engl\u0131sh", "senTX", "senTX_ english", "Klingon",
                                         std::string("english\0", 8), "english\n", "senTX_senTX_",
                                         "a_much_longer_name_than_any_key_at_all"));

struct Quoted {
  std::string name;
  std::string message;
};

class RejectionMessage : public testing::TestWithParam<Quoted> {};

TEST_P(RejectionMessage, ShowsTheNameDebugQuoted) {
  const auto resolved = resolve_lexicon(GetParam().name);
  ASSERT_FALSE(resolved.has_value());
  EXPECT_EQ(resolved.error(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Escapes, RejectionMessage,
    testing::Values(
        Quoted{"Klingon", R"(unknown senTX lexicon: "Klingon")"},
        Quoted{"", R"(unknown senTX lexicon: "")"},
        Quoted{"senTX_", R"(unknown senTX lexicon: "senTX_")"},
        Quoted{"sentx_English", R"(unknown senTX lexicon: "sentx_English")"},
        Quoted{"say \"hi\"", R"(unknown senTX lexicon: "say \"hi\"")"},
        Quoted{"back\\slash", R"(unknown senTX lexicon: "back\\slash")"},
        Quoted{"a\nb\tc\rd", R"(unknown senTX lexicon: "a\nb\tc\rd")"},
        Quoted{std::string("nul\0end", 7), R"(unknown senTX lexicon: "nul\0end")"},
        Quoted{"del\x7f", R"(unknown senTX lexicon: "del\u{7f}")"},
        Quoted{"\x01\x1b", R"(unknown senTX lexicon: "\u{1}\u{1b}")"},
        Quoted{"\u0085", R"(unknown senTX lexicon: "\u{85}")"},     // Cc beyond ASCII
        Quoted{"e\u0301", R"(unknown senTX lexicon: "e\u{301}")"},  // combining acute
        Quoted{"\u0301e", R"(unknown senTX lexicon: "\u{301}e")"},  // ... at the start
        Quoted{"zero\u200bwidth", R"(unknown senTX lexicon: "zero\u{200b}width")"},  // Cf
        Quoted{"\ufeffbom", R"(unknown senTX lexicon: "\u{feff}bom")"},              // Cf
        Quoted{"no\u00a0break", R"(unknown senTX lexicon: "no\u{a0}break")"},        // Zs
        Quoted{"ideo\u3000space", R"(unknown senTX lexicon: "ideo\u{3000}space")"},  // Zs
        Quoted{"\u2028\u2029", R"(unknown senTX lexicon: "\u{2028}\u{2029}")"},      // Zl, Zp
        Quoted{"\u0378", R"(unknown senTX lexicon: "\u{378}")"},                     // unassigned
        Quoted{"\U0010FFFF", R"(unknown senTX lexicon: "\u{10ffff}")"},              // private use
        Quoted{"\ue000", R"(unknown senTX lexicon: "\u{e000}")"},                    // private use
        Quoted{"\U000E0001", R"(unknown senTX lexicon: "\u{e0001}")"},               // Cf, plane 14
        Quoted{"\u09be\u20dd", R"(unknown senTX lexicon: "\u{9be}\u{20dd}")"},       // Mc, Me
        Quoted{"\U0001F44D\U0001F3FB", R"(unknown senTX lexicon: "👍🏻")"},  // not extending
        Quoted{"\u200d\u200c", R"(unknown senTX lexicon: "\u{200d}\u{200c}")"},  // ZWJ, ZWNJ
        Quoted{"it's", R"(unknown senTX lexicon: "it's")"},
        Quoted{"a b", R"(unknown senTX lexicon: "a b")"},
        Quoted{"Français Ελληνικά Русский",
               R"(unknown senTX lexicon: "Français Ελληνικά Русский")"},
        Quoted{"\u4e2d\u6587\u9fff", R"(unknown senTX lexicon: "中文鿿")"},  // assigned CJK
        Quoted{"\uac00\ud7a3", R"(unknown senTX lexicon: "가힣")"},             // Hangul ends
        Quoted{"\U0001F600", R"(unknown senTX lexicon: "😀")"},
        Quoted{"\u0130", R"(unknown senTX lexicon: "İ")"},
        Quoted{"ENGL\u0130SH", R"(unknown senTX lexicon: "ENGLİSH")"}));

// Not valid UTF-8, which names never are; the quoted form must still be valid UTF-8.
TEST(DebugQuote, StrayBytesShownAsHex) {
  EXPECT_EQ(debug_quote("a\xff"), R"("a\xff")");
  EXPECT_EQ(debug_quote("\xc3"), R"("\xc3")");                          // cut short
  EXPECT_EQ(debug_quote("\xc0\xaf"), R"("\xc0\xaf")");                  // overlong
  EXPECT_EQ(debug_quote("\xe2\x82"), R"("\xe2\x82")");                  // cut short
  EXPECT_EQ(debug_quote("\xf4\x90\x80\x80"), R"("\xf4\x90\x80\x80")");  // beyond U+10FFFF
  EXPECT_EQ(debug_quote("\xed\xa0\x80"), R"("\u{d800}")");  // an encoded surrogate is Cs
}

// The texts the module carries: the narrow form, one map entry per line, end to end.
class ShippedText : public testing::TestWithParam<std::size_t> {};

// "D.DD": one digit, a point, two digits.
bool is_narrow_score(std::string_view score) {
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  return score.size() == 4 && digit(score[0]) && score[1] == '.' && digit(score[2]) &&
         digit(score[3]);
}

TEST_P(ShippedText, IsInTheNarrowFormAndParsesOneEntryPerLine) {
  const LexiconId id = id_at(GetParam());
  const std::string_view text = lexicon_text(id);
  ASSERT_FALSE(text.empty());
  ASSERT_EQ(text.back(), '\n');
  EXPECT_EQ(text.find('\r'), std::string_view::npos);

  std::set<std::string_view> words;
  std::size_t lines = 0;
  int previous_score = 1000;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lines;
    const std::size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string_view::npos) << "line " << lines;
    ASSERT_EQ(line.find('\t', tab + 1), std::string_view::npos) << "line " << lines;
    const std::string_view word = line.substr(0, tab);
    const std::string_view score = line.substr(tab + 1);
    ASSERT_TRUE(is_narrow_score(score)) << "line " << lines << ": " << line;
    const int hundredths = (score[0] - '0') * 100 + (score[2] - '0') * 10 + (score[3] - '0');
    EXPECT_LE(hundredths, previous_score) << "line " << lines << ": " << line;
    previous_score = hundredths;
    EXPECT_TRUE(words.insert(word).second) << "line " << lines << " repeats " << word;
  }

  const auto scores = parse_lexicon(text);
  EXPECT_EQ(scores.size(), lines);
  for (const auto& [word, score] : scores) EXPECT_TRUE(words.contains(word)) << word;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, ShippedText, testing::Range<std::size_t>(0, kLexiconCount),
                         [](const testing::TestParamInfo<std::size_t>& info) {
                           return std::string(lexicon_key(id_at(info.param)));
                         });

TEST(Catalogue, TextsAreTheDataFilesAsBuilt) {
  for (std::size_t i = 0; i < kLexiconCount; ++i) {
    const std::string key(lexicon_key(id_at(i)));
    EXPECT_EQ(lexicon_text(id_at(i)), file_text("lexicons/data/" + key + ".tsv")) << key;
  }
}

// The kept map is the parse of the text, and every use after the first gets that very map.
TEST_P(ShippedText, IsParsedOnceAndKept) {
  const LexiconId id = id_at(GetParam());
  const auto& kept = lexicon_scores(id);
  EXPECT_EQ(&lexicon_scores(id), &kept);
  const auto fresh = parse_lexicon(lexicon_text(id));
  ASSERT_EQ(kept.size(), fresh.size());
  auto kept_entry = kept.begin();
  for (const auto& [word, score] : fresh) {
    EXPECT_EQ(kept_entry->first, word);
    EXPECT_EQ(kept_entry->second, score);
    ++kept_entry;
  }
}

TEST(LexiconScores, ThreadsRacingToTheFirstUseShareOneMap) {
  // Spanish is used by no other test of this process before this one.
  constexpr int kThreads = 8;
  std::vector<const void*> seen(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&seen, t] { seen[t] = &lexicon_scores(LexiconId::spanish); });
  }
  for (auto& thread : threads) thread.join();
  for (const void* map : seen) EXPECT_EQ(map, seen[0]);
  EXPECT_EQ(lexicon_scores(LexiconId::spanish).size(),
            parse_lexicon(lexicon_text(LexiconId::spanish)).size());
}

}  // namespace
