// Generalized shifts: hand-worked examples of each kind, the common form on every entry,
// totals against the measures computed directly, and bit-identity of the weighted kind
// with the weighted-average shift when both texts share one score map.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "moodvane/general_shift.hpp"
#include "moodvane/shift.hpp"

namespace {

using moodvane::general::general_shift;
using moodvane::general::Inputs;
using moodvane::general::Kind;
using moodvane::general::Parameters;
using moodvane::general::Table;
using moodvane::types::ShiftResult;

// Owns the strings the views of a Table point into.
struct Owned {
  std::vector<std::string> words;
  std::vector<double> values;
  Table table() const {
    Table t;
    for (const auto& w : words) t.words.push_back(w);
    t.values = values;
    return t;
  }
};

Owned owned(std::vector<std::pair<std::string, double>> pairs) {
  Owned o;
  for (auto& [w, v] : pairs) {
    o.words.push_back(w);
    o.values.push_back(v);
  }
  return o;
}

ShiftResult run(const Owned& t1, const Owned& t2, Parameters p, const Owned& s1 = {},
                const Owned& s2 = {}, std::vector<std::string_view> stop = {}) {
  Inputs in{t1.table(), t2.table(), s1.table(), s2.table(), std::move(stop)};
  auto result = general_shift(in, p);
  EXPECT_TRUE(result.has_value());
  return result ? *result : ShiftResult{};
}

std::map<std::string, double> scores_by_word(const ShiftResult& r) {
  std::map<std::string, double> out;
  for (const auto& e : r.entries) out[e.type] = e.shift_score * r.norm;
  return out;
}

Parameters kind(Kind k) {
  Parameters p;
  p.kind = k;
  return p;
}

TEST(GeneralShift, ProportionWorkedExample) {
  const ShiftResult r = run(owned({{"a", 1}, {"b", 3}}), owned({{"a", 3}, {"b", 1}, {"c", 4}}),
                            kind(Kind::proportion));
  ASSERT_EQ(r.entries.size(), 3u);
  EXPECT_EQ(r.entries[0].type, "b");
  EXPECT_EQ(r.entries[1].type, "c");
  EXPECT_EQ(r.entries[2].type, "a");
  EXPECT_DOUBLE_EQ(r.norm, 1.25);
  EXPECT_DOUBLE_EQ(r.entries[0].shift_score, -0.5);
  EXPECT_DOUBLE_EQ(r.entries[1].shift_score, 0.4);
  EXPECT_EQ(r.total_diff, 0.0);
  EXPECT_EQ(r.reference_value, 0.0);
  EXPECT_EQ(r.s_avg_1, 1.0);
  EXPECT_EQ(r.s_avg_2, 1.0);
  for (const auto& e : r.entries) {
    EXPECT_EQ(e.s_diff, 0.0);
    EXPECT_EQ(e.s_ref_diff, 1.0);
  }
}

TEST(GeneralShift, ShannonEntropyWorkedExample) {
  // H(P1) = 1 bit, H(P2) = 1.5 bits; c, new in text 2, takes its text-2 score in text 1.
  const ShiftResult r = run(owned({{"a", 1}, {"b", 1}}), owned({{"a", 1}, {"b", 1}, {"c", 2}}),
                            kind(Kind::entropy));
  EXPECT_DOUBLE_EQ(r.s_avg_1, 1.0);
  EXPECT_DOUBLE_EQ(r.s_avg_2, 1.5);
  EXPECT_DOUBLE_EQ(r.total_diff, 0.5);
  auto u = scores_by_word(r);
  EXPECT_DOUBLE_EQ(u["a"], 0.25);
  EXPECT_DOUBLE_EQ(u["b"], 0.25);
  EXPECT_DOUBLE_EQ(u["c"], 0.0);
  for (const auto& e : r.entries) {
    if (e.type == "c") {
      EXPECT_EQ(e.s_diff, 0.0);
    } else {
      EXPECT_DOUBLE_EQ(e.s_diff, 1.0);
      EXPECT_DOUBLE_EQ(e.s_ref_diff, 0.5);
    }
  }
}

TEST(GeneralShift, KullbackLeiblerWorkedExample) {
  // D(P2 || P1) with P1 = (1/2, 1/2), P2 = (3/4, 1/4); z, only in text 1, adds nothing.
  const ShiftResult r = run(owned({{"a", 2}, {"b", 2}, {"z", 0}}),
                            owned({{"a", 3}, {"b", 1}}), kind(Kind::kld));
  const double expected = 0.75 * std::log2(1.5) + 0.25 * std::log2(0.5);
  EXPECT_NEAR(r.total_diff, expected, 1e-15);
  EXPECT_NEAR(r.s_avg_1, -(0.75 * std::log2(0.75) + 0.25 * std::log2(0.25)), 1e-15);
  EXPECT_NEAR(r.s_avg_2, 1.0, 1e-15);
  EXPECT_EQ(r.reference_value, r.s_avg_1);
  for (const auto& e : r.entries) EXPECT_EQ(e.p_diff, 0.0);
  auto u = scores_by_word(r);
  EXPECT_NEAR(u["a"], 0.75 * std::log2(1.5), 1e-15);
  EXPECT_NEAR(u["b"], 0.25 * std::log2(0.5), 1e-15);
}

TEST(GeneralShift, KullbackLeiblerNamesFirstWordMissingFromText1) {
  Inputs in{owned({{"a", 1}, {"m", 0}}).table(), {}, {}, {}, {}};
  const Owned t1 = owned({{"a", 1}, {"m", 0}});
  const Owned t2 = owned({{"zz", 1}, {"m", 1}, {"a", 1}, {"k", 2}});
  in.text_1 = t1.table();
  in.text_2 = t2.table();
  const auto result = general_shift(in, kind(Kind::kld));
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(result.error().word, "k");
}

TEST(GeneralShift, JensenShannonWorkedExampleAndIdenticalTexts) {
  const ShiftResult disjoint = run(owned({{"a", 1}}), owned({{"b", 5}}), kind(Kind::jsd));
  EXPECT_DOUBLE_EQ(disjoint.total_diff, 1.0);  // one bit: the texts share nothing
  for (const auto& e : disjoint.entries) EXPECT_DOUBLE_EQ(e.shift_score, 0.5);

  Parameters tsallis = kind(Kind::jsd);
  tsallis.alpha = 2.0;
  tsallis.weight_1 = 0.3;
  tsallis.weight_2 = 0.7;
  const Owned same = owned({{"x", 3}, {"y", 1}, {"w", 7}});
  for (const Parameters& p : {kind(Kind::jsd), tsallis}) {
    const ShiftResult r = run(same, same, p);
    EXPECT_EQ(r.total_diff, 0.0);
    EXPECT_EQ(r.norm, 1.0);
    for (const auto& e : r.entries) EXPECT_EQ(e.shift_score, 0.0);
  }
}

TEST(GeneralShift, WordsInByteOrderAcrossSharedPrefixes) {
  // Equal 8-byte prefixes, a proper prefix, an embedded NUL and upper case before lower.
  // Words around the eleven bytes the sort keys hold: shorter, equal to it and longer.
  const std::vector<std::string> ordered{"Zebra",
                                         "a",
                                         std::string("a\0", 2),
                                         "abcdefghijk",
                                         std::string("abcdefghijk\0", 12),
                                         "abcdefghijkA",
                                         "abcdefghijkl",
                                         std::string("abcdefghijkl\0", 13),
                                         "abcdefghijklm",
                                         "abcdefghijkm",
                                         "understand",
                                         "understandable",
                                         "understanding",
                                         "\xc3\xa9t\xc3\xa9"};
  Owned t1;
  for (auto it = ordered.rbegin(); it != ordered.rend(); ++it) {
    t1.words.push_back(*it);
    t1.values.push_back(1.0);
  }
  Owned t2 = owned({{"abcdefghijkl", 2}, {"abcdefghijklm", 3}, {"a", 1}});
  const ShiftResult r = run(t1, t2, kind(Kind::proportion));
  std::vector<std::string> types;
  for (const auto& e : r.entries) types.push_back(e.type);
  std::sort(types.begin(), types.end());  // std::string orders as unsigned bytes
  EXPECT_EQ(types, ordered);
  const ShiftResult same = run(t1, t1, kind(Kind::proportion));  // all tie: byte order
  types.clear();
  for (const auto& e : same.entries) types.push_back(e.type);
  EXPECT_EQ(types, ordered);
  // Each word of text 2 met its twin in text 1: three words with two counts each.
  int both = 0;
  for (const auto& e : r.entries) both += e.p_diff != -1.0 / 14.0 ? 1 : 0;
  EXPECT_EQ(both, 3);
}

TEST(GeneralShift, StopWordsZeroCountsAndEntryLimit) {
  const Owned t1 = owned({{"a", 1}, {"b", 2}, {"stop", 50}, {"zero", 0}});
  const Owned t2 = owned({{"a", 2}, {"b", 1}, {"stop", 1}, {"zero", 0}, {"c", 3}});
  Parameters p = kind(Kind::proportion);
  const ShiftResult all = run(t1, t2, p, {}, {}, {"stop", "nothere"});
  ASSERT_EQ(all.entries.size(), 3u);  // zero-count and stop words are not in the vocabulary
  p.max_entries = 1;
  const ShiftResult one = run(t1, t2, p, {}, {}, {"stop", "nothere"});
  ASSERT_EQ(one.entries.size(), 1u);
  EXPECT_EQ(one.entries[0].type, all.entries[0].type);
  EXPECT_EQ(one.norm, all.norm);
  EXPECT_EQ(one.component_sums.neg_s_neg_p, all.component_sums.neg_s_neg_p);
}

TEST(GeneralShift, ParameterChecks) {
  using moodvane::general::check_parameters;
  Parameters p = kind(Kind::jsd);
  EXPECT_FALSE(check_parameters(p));
  p.alpha = 0.0;
  EXPECT_EQ(check_parameters(p)->name, "alpha");
  p.alpha = 1.0;
  p.base = 1.0;
  EXPECT_EQ(check_parameters(p)->name, "base");
  p.base = std::nan("");
  EXPECT_EQ(check_parameters(p)->name, "base");
  p.base = 10.0;
  p.weight_1 = 0.6;
  EXPECT_EQ(check_parameters(p)->name, "weight_1 and weight_2");
  p.weight_1 = -0.5;
  p.weight_2 = 1.5;
  EXPECT_TRUE(check_parameters(p));
  Parameters proportion = kind(Kind::proportion);
  proportion.alpha = -1.0;  // unused by this kind
  EXPECT_FALSE(check_parameters(proportion));
}

// Random texts over a small vocabulary with words shared, unique to one text, and zero.
struct RandomTexts {
  Owned t1, t2, s1, s2;
};

RandomTexts random_texts(std::mt19937_64& rng, bool distinct_scores) {
  RandomTexts r;
  std::uniform_int_distribution<int> count(0, 6);
  std::uniform_real_distribution<double> score(1.0, 9.0);
  std::uniform_int_distribution<int> coin(0, 3);
  const int n = 1 + static_cast<int>(rng() % 40);
  for (int i = 0; i < n; ++i) {
    const std::string word = "w" + std::to_string(rng() % 1000);
    if (coin(rng) != 0) r.t1.words.push_back(word), r.t1.values.push_back(count(rng));
    if (coin(rng) != 0) r.t2.words.push_back(word), r.t2.values.push_back(count(rng) * 0.5);
    const double s = score(rng);
    if (coin(rng) != 0) r.s1.words.push_back(word), r.s1.values.push_back(s);
    if (coin(rng) != 0) {
      r.s2.words.push_back(word), r.s2.values.push_back(distinct_scores ? score(rng) : s);
    }
  }
  // Dict keys are unique: keep each word's first occurrence in every table.
  for (Owned* o : {&r.t1, &r.t2, &r.s1, &r.s2}) {
    Owned unique;
    for (std::size_t i = 0; i < o->words.size(); ++i) {
      bool seen = false;
      for (const auto& w : unique.words) seen = seen || w == o->words[i];
      if (!seen) unique.words.push_back(o->words[i]), unique.values.push_back(o->values[i]);
    }
    *o = unique;
  }
  return r;
}

TEST(GeneralShift, CommonFormHoldsOnEveryEntryOfEveryKind) {
  std::mt19937_64 rng(1234);
  for (int trial = 0; trial < 200; ++trial) {
    RandomTexts texts = random_texts(rng, true);
    // Divergence from text 1 needs every text-2 word in text 1.
    Owned t1_covering = texts.t1;
    for (const auto& w : texts.t2.words) t1_covering.words.push_back(w + "");
    t1_covering.values.resize(t1_covering.words.size(), 1.0);
    RandomTexts kld_texts{t1_covering, texts.t2, {}, {}};
    {  // drop duplicates introduced above
      Owned unique;
      for (std::size_t i = 0; i < kld_texts.t1.words.size(); ++i) {
        bool seen = false;
        for (const auto& w : unique.words) seen = seen || w == kld_texts.t1.words[i];
        if (!seen) {
          unique.words.push_back(kld_texts.t1.words[i]);
          unique.values.push_back(kld_texts.t1.values[i] + 1.0);
        }
      }
      kld_texts.t1 = unique;
    }
    for (Kind k : {Kind::proportion, Kind::entropy, Kind::kld, Kind::jsd, Kind::weighted}) {
      Parameters p = kind(k);
      if (trial % 2) p.alpha = 0.5 + (trial % 7) * 0.25;
      const RandomTexts& in = k == Kind::kld ? kld_texts : texts;
      const ShiftResult r = run(in.t1, in.t2, p, in.s1, in.s2);
      double sum = 0.0;
      for (const auto& e : r.entries) {
        const double u = e.p_avg * e.s_diff + e.p_diff * e.s_ref_diff;
        EXPECT_NEAR(u, e.shift_score * r.norm, 1e-12 * r.norm) << e.type;
        sum += u;
        if (k == Kind::jsd) {
          EXPECT_GE(u, -1e-15);
        }
      }
      EXPECT_NEAR(sum, r.total_diff, 1e-12 * r.norm);
      const bool both_positive = !in.t1.values.empty() && !in.t2.values.empty() &&
                                 r.entries.size() > 0 && r.s_avg_1 != 0.0 && r.s_avg_2 != 0.0;
      if (both_positive && k != Kind::jsd) {
        EXPECT_NEAR(r.total_diff, r.s_avg_2 - r.s_avg_1, 1e-12 * (1 + std::fabs(r.s_avg_1)));
      }
    }
  }
}

TEST(GeneralShift, WeightedKindMatchesWeightedAverageShiftBitForBit) {
  std::mt19937_64 rng(99);
  for (int trial = 0; trial < 300; ++trial) {
    RandomTexts t = random_texts(rng, false);
    // One map for both texts: the union of the random maps (equal scores where both have).
    moodvane::types::ScoreMap scores;
    Owned both;
    for (const Owned* o : {&t.s1, &t.s2}) {
      for (std::size_t i = 0; i < o->words.size(); ++i) {
        if (scores.find(o->words[i]) == nullptr) {
          scores.insert_or_assign(o->words[i], o->values[i]);
          both.words.push_back(o->words[i]);
          both.values.push_back(o->values[i]);
        }
      }
    }
    moodvane::types::InputSystem sys1{{t.t1.words.begin(), t.t1.words.end()}, t.t1.values};
    moodvane::types::InputSystem sys2{{t.t2.words.begin(), t.t2.words.end()}, t.t2.values};
    std::optional<double> fixed;
    moodvane::types::Reference reference = moodvane::types::Average{};
    if (trial % 3 == 0) {
      fixed = 5.0;
      reference = moodvane::types::Fixed{5.0};
    }
    const ShiftResult expected =
        moodvane::shift::weighted_avg_shift(sys1, sys2, scores, reference, std::nullopt, nullptr);
    Parameters p = kind(Kind::weighted);
    p.reference = fixed;
    const ShiftResult got = run(t.t1, t.t2, p, both, trial % 2 ? both : Owned{});
    {  // one map given once for both texts
      Inputs shared{t.t1.table(), t.t2.table(), both.table(), {}, {}, true};
      const auto once = general_shift(shared, p);
      ASSERT_TRUE(once.has_value());
      ASSERT_EQ(once->entries.size(), got.entries.size());
      for (std::size_t i = 0; i < got.entries.size(); ++i) {
        EXPECT_EQ(once->entries[i].type, got.entries[i].type);
        EXPECT_EQ(once->entries[i].shift_score, got.entries[i].shift_score);
      }
      EXPECT_EQ(once->s_avg_2, got.s_avg_2);
    }
    auto bits = [](double v) { return std::bit_cast<std::uint64_t>(v); };
    ASSERT_EQ(got.entries.size(), expected.entries.size());
    for (std::size_t i = 0; i < got.entries.size(); ++i) {
      const auto& g = got.entries[i];
      const auto& e = expected.entries[i];
      EXPECT_EQ(g.type, e.type);
      EXPECT_EQ(bits(g.p_diff), bits(e.p_diff));
      EXPECT_EQ(bits(g.s_diff), bits(e.s_diff));
      EXPECT_EQ(bits(g.p_avg), bits(e.p_avg));
      EXPECT_EQ(bits(g.s_ref_diff), bits(e.s_ref_diff));
      EXPECT_EQ(bits(g.shift_score), bits(e.shift_score));
    }
    const auto& gs = got.component_sums;
    const auto& es = expected.component_sums;
    for (auto [g, e] : {std::pair{gs.pos_s_pos_p, es.pos_s_pos_p}, {gs.pos_s_neg_p, es.pos_s_neg_p},
                        {gs.neg_s_pos_p, es.neg_s_pos_p}, {gs.neg_s_neg_p, es.neg_s_neg_p},
                        {gs.pos_s, es.pos_s}, {gs.neg_s, es.neg_s}}) {
      EXPECT_EQ(bits(g), bits(e));
    }
    EXPECT_EQ(bits(got.total_diff), bits(expected.total_diff));
    EXPECT_EQ(bits(got.norm), bits(expected.norm));
    EXPECT_EQ(bits(got.s_avg_1), bits(expected.s_avg_1));
    EXPECT_EQ(bits(got.s_avg_2), bits(expected.s_avg_2));
    EXPECT_EQ(bits(got.reference_value), bits(expected.reference_value));
  }
}

TEST(GeneralShift, TsallisNearOneMeetsShannonInNaturalUnits) {
  const Owned t1 = owned({{"a", 5}, {"b", 1}, {"c", 2}});
  const Owned t2 = owned({{"a", 1}, {"b", 4}, {"d", 3}});
  Parameters shannon = kind(Kind::entropy);
  shannon.base = std::exp(1.0);
  Parameters tsallis = kind(Kind::entropy);
  tsallis.alpha = 1.0 + 1e-9;
  const ShiftResult s = run(t1, t2, shannon);
  const ShiftResult t = run(t1, t2, tsallis);
  EXPECT_NEAR(s.s_avg_1, t.s_avg_1, 1e-8);
  EXPECT_NEAR(s.total_diff, t.total_diff, 1e-8);
  // Tsallis of order 2 is 1 - sum p^2.
  Parameters order_two = kind(Kind::entropy);
  order_two.alpha = 2.0;
  const ShiftResult q = run(t1, t2, order_two);
  EXPECT_NEAR(q.s_avg_1, 1.0 - (25.0 + 1.0 + 4.0) / 64.0, 1e-15);
}

}  // namespace
