#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "moodvane/parser.hpp"

namespace {

using moodvane::lexicons::parse_lexicon;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Case {
  std::string name;
  std::string text;
  std::vector<std::pair<std::string, double>> expected;
};

// Same bits, or both NaN of the same sign: the sign of zero counts.
bool same_value(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) {
    return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
  }
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

class ParseLexicon : public testing::TestWithParam<Case> {};

TEST_P(ParseLexicon, YieldsExactlyTheExpectedEntries) {
  const Case& c = GetParam();
  const auto scores = parse_lexicon(c.text);
  EXPECT_EQ(scores.size(), c.expected.size());
  for (const auto& [word, score] : c.expected) {
    const double* found = scores.find(word);
    ASSERT_NE(found, nullptr) << "missing word \"" << word << "\"";
    EXPECT_TRUE(same_value(*found, score)) << word << ": " << *found << " != " << score;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseLexicon,
    testing::Values(Case{"NoFinalLineFeed", "a\t1\nb\t2", {{"a", 1}, {"b", 2}}},
                    Case{"CrLf", "a\t1\r\nb\t2\r\n", {{"a", 1}, {"b", 2}}},
                    Case{"CrNotBeforeLfBelongsToWord", "a\r\t1\n", {{"a\r", 1}}},
                    Case{"OnlyOneCrRemoved", "a\t1\r\r\nb\t2\n", {{"a", 1}, {"b", 2}}},
                    Case{"CrWithoutLfAtEndTrimmed", "a\t1\r", {{"a", 1}}},
                    Case{"LoneCrIsNoLineBreak", "a\t1\rb\t2\n", {}},
                    Case{"EmptyLinesSkipped", "\n\n a\t1\n", {{" a", 1}}},
                    Case{"EmptyText", "", {}}, Case{"LineFeedOnly", "\n", {}},
                    Case{"CrLfOnly", "\r\n\r\n", {}}, Case{"SpaceInsteadOfTab", "a 1\n", {}},
                    Case{"EmptyWord", "\t3\n", {{"", 3}}},
                    Case{"WordKeepsSpaces", "  a b \t4\n", {{"  a b ", 4}}},
                    Case{"TrailingColumnsIgnored", "a\t1.5\tx\n", {{"a", 1.5}}},
                    Case{"TrailingColumnsAnyContent", "a\t1.5\t\t\tjunk\tmore\n", {{"a", 1.5}}},
                    Case{"EmptyScoreBetweenTabs", "a\t\t1.5\n", {}},
                    Case{"LineEndingInTab", "a\t\n", {}},
                    Case{"ScoreAllWhiteSpace", "a\t \u3000 \n", {}},
                    Case{"CaseSensitiveWords", "A\t1\na\t2\n", {{"A", 1}, {"a", 2}}},
                    Case{"LastValidLineWins", "a\t1\na\t2\n", {{"a", 2}}},
                    Case{"FailedLineKeepsEarlierValue", "a\t1\na\tx\n", {{"a", 1}}},
                    Case{"FailedLineLeavesNoTrace", "a\tx\nb\t2\n", {{"b", 2}}},
                    Case{"LaterValidLineStillWins", "a\t1\na\tx\na\t3\n", {{"a", 3}}},
                    Case{"NoLineFeedAtAll", "only\t8.50", {{"only", 8.5}}}),
    [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Scores, ParseLexicon,
    testing::Values(Case{"SpacesAroundScore", "a\t 1.5 \n", {{"a", 1.5}}},
                    Case{"NoBreakSpaceAroundScore", "a\t\u00a01.5\u00a0\n", {{"a", 1.5}}},
                    Case{"IdeographicSpaceAroundScore", "a\t\u30001.5\u3000\n", {{"a", 1.5}}},
                    Case{"ZeroWidthSpaceNotTrimmed", "a\t\u200b1.5\n", {}},
                    Case{"ByteOrderMarkNotTrimmed", "a\t1.5\ufeff\n", {}},
                    Case{"InnerSpaceFails", "a\t1 5\n", {}},
                    Case{"Specials",
                         "p\tinf\nn\t-Infinity\nq\tNaN\nm\t-nan\n",
                         {{"p", kInf}, {"n", -kInf}, {"q", kNaN}, {"m", -kNaN}}},
                    Case{"Forms",
                         "a\t1e3\nb\t.5\nc\t5.\nd\t+2\ne\t-0\n",
                         {{"a", 1000}, {"b", 0.5}, {"c", 5}, {"d", 2}, {"e", -0.0}}},
                    Case{"NotNumbers", "a\t.\nb\t+\nc\t1e\nd\t0x10\ne\t1_000\nf\t7,5\n", {}},
                    Case{"OutOfRange", "a\t1e400\nb\t1e-400\n", {{"a", kInf}, {"b", 0.0}}},
                    Case{"NarrowForm",
                         "laughter\t8.50\nhappy\t8.30\nsad\t1.30\n",
                         {{"laughter", 8.5}, {"happy", 8.3}, {"sad", 1.3}}}),
    [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
