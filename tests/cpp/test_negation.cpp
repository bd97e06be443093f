// Reading the negators table, and a tally that counts negation. The rule itself is tested
// from Python, against sentences written as data and a plain-Python reference.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "moodvane/text/word_counting.hpp"

namespace {

using moodvane::text::Negation;
using moodvane::text::negation_of;
using moodvane::text::Negator;

constexpr std::string_view kTable =
    "# a comment\n"
    "language\tnegator\tcanonical\tahead\tbefore\tneeds\n"
    "english\tnot\tnot\t3\t-\t-\n"
    "german\tkein*\tnicht\t3\t-\t-\n"
    "english\tdon't\tnot\t2\tword\t-\r\n"
    "english\tplus\tnot\t3\tji\tne\n"
    "english\tnever\tnever\t3\t-\t-\n"  // a second canonical for one language
    "english\tno\tnot\tthree\t-\t-\n"
    "english\tno\tnot\t3\tafter\t-\n"
    "english\tno\tnot\t3\t-\n"
    "\n";

TEST(NegatorsTable, ReadsTheRowsOfOneLanguage) {
  std::vector<std::string> malformed;
  const Negation english = negation_of(kTable, "english", &malformed);
  EXPECT_EQ(english.canonical, "not");
  ASSERT_EQ(english.negators.size(), 3u);
  EXPECT_EQ(english.negators[0].word, "not");
  EXPECT_EQ(english.negators[1].word, "don't");
  EXPECT_EQ(english.negators[1].ahead, 2u);
  EXPECT_EQ(english.negators[1].before, Negator::Before::word);
  EXPECT_EQ(english.negators[2].before, Negator::Before::ji);
  EXPECT_EQ(english.negators[2].needs, "ne");
  EXPECT_TRUE(english.negators[0].needs.empty());
  EXPECT_EQ(malformed, (std::vector<std::string>{
                           "english\tnever\tnever\t3\t-\t-", "english\tno\tnot\tthree\t-\t-",
                           "english\tno\tnot\t3\tafter\t-", "english\tno\tnot\t3\t-"}));
  const Negation german = negation_of(kTable, "german");
  ASSERT_EQ(german.negators.size(), 1u);
  EXPECT_EQ(german.canonical, "nicht");
  EXPECT_TRUE(negation_of(kTable, "french").negators.empty());
}

// Counts `pieces` of one text with a tally of a small lexicon, every piece but the last
// going on in the next.
std::vector<std::pair<std::string, std::uint64_t>> counted(
    const std::vector<std::string>& pieces) {
  moodvane::text::RulesData data;
  data.language = moodvane::text::Language::english;
  data.words = {"good", "bad", "not bad"};
  data.phrases = {"not bad", "very very"};
  data.negation = negation_of(kTable, "english");
  moodvane::text::WordTally tally(moodvane::text::make_counting_rules(std::move(data)));
  for (std::size_t i = 0; i < pieces.size(); ++i) tally.add(pieces[i], i + 1 < pieces.size());
  std::vector<std::pair<std::string, std::uint64_t>> out;
  for (const auto& [word, count] : tally.counts().words) out.emplace_back(word, count);
  return out;
}

TEST(NegationTally, CountsTheNegatedWordApartInPiecesAsWhole) {
  using Counts = std::vector<std::pair<std::string, std::uint64_t>>;
  // The comma comes while "very" waits for a second "very": it ends the window only after
  // the words before it.
  const Counts whole = counted({"not very, good. not very very good not bad"});
  EXPECT_EQ(whole, (Counts{{"not", 2}, {"very", 1}, {"good", 1}, {"very very", 1},
                           {"not good", 1}, {"not bad", 1}}));
  EXPECT_EQ(counted({"not very", ", good. not", " very", " very good", " not bad"}), whole);
}

}  // namespace
