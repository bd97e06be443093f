#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "moodvane/number.hpp"

namespace {

using moodvane::lexicons::parse_number;
using moodvane::lexicons::trim_white_space;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMinSubnormal = std::numeric_limits<double>::denorm_min();
constexpr double kMax = std::numeric_limits<double>::max();

std::uint64_t bits(double value) {
  return std::bit_cast<std::uint64_t>(value);
}

struct Accepted {
  std::string text;
  double expected;
};

// Compared bit for bit, so that the sign of zero and the last bit of rounding both count.
class AcceptedNumber : public testing::TestWithParam<Accepted> {};

TEST_P(AcceptedNumber, GivesTheNearestDouble) {
  const auto& [text, expected] = GetParam();
  const auto value = parse_number(text);
  ASSERT_TRUE(value.has_value()) << text;
  EXPECT_EQ(bits(*value), bits(expected)) << text << " gave " << *value;
}

std::string repeat(char c, std::size_t count) {
  return std::string(count, c);
}

// 2^53 + 1 = 9007199254740993 lies halfway between two doubles; so does 2^-1075, the
// midpoint between zero and the smallest subnormal, and so does (2^53+1) * 2^971 at the
// top. Long mantissas only just above or below such midpoints must round accordingly.
const std::string kHalfMinSubnormal =  // 2^-1075 exactly, 752 significant digits
    "2.470328229206232720882843964341106861825299013071623822127928412503377536351043759326"
    "49918180817996189898282347722858865463328355177969898199387398005390939063150356595155"
    "70226392290858392449105184435931802849936536152500319370457678249219365623669863658480"
    "75700158576926990370631192827955855133292783433840935197801553124659726357957462276646"
    "52728272200563740064854999770965994704540208281662262378573934507363390079677619305775"
    "06740176324673600968951340535537458516661134223766678604162159680461914467291840300530"
    "05753084904876539171138659164623952491262365388187963623937328042389101867234849766823"
    "50898633885879256283027559956575244555072551893136908362547791869486679949683240497058"
    "21028513185451396213837722826145437693412532098591327667236328125e-324";

// 2^1024 - 2^970 exactly: halfway between the largest double and the next power of two.
const std::string kOverflowMidpoint =
    "17976931348623158079372897140530341507993413271003782693617377898044496829276475094664"
    "90179775872070963302864166928879109465555478519404026306574886715058206819089020007083"
    "83676273854845817711531764475730270069855571366959622842914819860834936475292719074168"
    "444365510704342711559699508093042880177904174497792";

INSTANTIATE_TEST_SUITE_P(
    Grammar, AcceptedNumber,
    testing::Values(Accepted{"5", 5.0}, Accepted{"+2", 2.0}, Accepted{"-0.5", -0.5},
                    Accepted{"5.", 5.0}, Accepted{".5", 0.5}, Accepted{"8.50", 8.5},
                    Accepted{"007", 7.0}, Accepted{"1e3", 1000.0}, Accepted{"2.5E-2", 0.025},
                    Accepted{"1e+05", 1e5}, Accepted{"0.1", 0.1}, Accepted{"1.30", 1.3},
                    Accepted{"8.68", 8.68}, Accepted{"-.5e1", -5.0}, Accepted{"5.e0", 5.0},
                    Accepted{"1.e5", 1e5}, Accepted{"0", 0.0}, Accepted{"-0", -0.0},
                    Accepted{"-0.000", -0.0}, Accepted{"+0e5", 0.0}, Accepted{"-0e-5", -0.0}));

INSTANTIATE_TEST_SUITE_P(
    Rounding, AcceptedNumber,
    testing::Values(
        Accepted{"9007199254740993", 9007199254740992.0},  // tie: to the even mantissa
        Accepted{"9007199254740995", 9007199254740996.0},  // tie: to the even mantissa
        Accepted{"9007199254740993.0000000000000000000000001", 9007199254740994.0},
        Accepted{"9007199254740992.9999999999999999999999999", 9007199254740992.0},
        Accepted{"123456789012345678901234567890", 123456789012345678901234567890.0},
        Accepted{"0.30000000000000001665", 0.3},  // just below the midpoint
        Accepted{"0.3000000000000000166533453693773481063544750213623046875",
                 0.30000000000000004},  // the midpoint itself: to the even neighbour
        Accepted{"1.7976931348623157e308", kMax}, Accepted{"1.7976931348623158e308", kMax},
        Accepted{kOverflowMidpoint, kInf},  // tie: the even neighbour is 2^1024
        Accepted{kOverflowMidpoint.substr(0, 60) + "e249", kMax},  // just below the tie
        Accepted{"1.7976931348623158079372897140530341508e308", kInf},
        Accepted{"1.7976931348623158079372897140530341507e308", kMax},
        Accepted{"2.2250738585072011e-308", 2.2250738585072009e-308},
        Accepted{"4.9406564584124654e-324", kMinSubnormal}, Accepted{"5e-324", kMinSubnormal},
        Accepted{"3e-324", kMinSubnormal}, Accepted{"2e-324", 0.0}, Accepted{"-2e-324", -0.0},
        Accepted{"1e-323", 2 * kMinSubnormal},
        Accepted{kHalfMinSubnormal, 0.0},  // tie between 0 and 2^-1074: to even, 0
        Accepted{kHalfMinSubnormal.substr(0, kHalfMinSubnormal.size() - 5) + "1e-324",
                 kMinSubnormal},  // just above the tie
        Accepted{kHalfMinSubnormal.substr(0, kHalfMinSubnormal.size() - 5) + "0e-324",
                 0.0},  // the tie with a trailing zero
        Accepted{"0." + repeat('0', 323) + kHalfMinSubnormal.substr(0, 1) +
                     kHalfMinSubnormal.substr(2, kHalfMinSubnormal.size() - 7),
                 0.0},  // the same tie written without an exponent
        Accepted{"-0." + repeat('0', 323) + kHalfMinSubnormal.substr(0, 1) +
                     kHalfMinSubnormal.substr(2, kHalfMinSubnormal.size() - 7) + "000001",
                 -kMinSubnormal},
        // 800 digits: the tie 2^53 + 1 followed by hundreds of zeros, then a 1 far away.
        Accepted{"9007199254740993." + repeat('0', 800), 9007199254740992.0},
        Accepted{"9007199254740993." + repeat('0', 800) + "1", 9007199254740994.0},
        Accepted{"9007199254740992." + repeat('9', 800), 9007199254740992.0},
        Accepted{"1" + repeat('0', 400) + "e-400", 1.0},
        Accepted{"0." + repeat('0', 400) + "1e401", 1.0}));

INSTANTIATE_TEST_SUITE_P(
    RangeAndExponent, AcceptedNumber,
    testing::Values(Accepted{"1e400", kInf}, Accepted{"-1e400", -kInf}, Accepted{"1e-400", 0.0},
                    Accepted{"-1e-400", -0.0}, Accepted{"1e99999999999999999999", kInf},
                    Accepted{"1e-99999999999999999999", 0.0},
                    Accepted{"-1e99999999999999999999999999999999999999", -kInf},
                    Accepted{"0e99999", 0.0}, Accepted{"0e99999999999999999999", 0.0},
                    Accepted{"1e0000000000000000000001", 10.0},
                    Accepted{"1e-0000000000000000000001", 0.1},
                    // The exponent stops growing at 65536 or more: here at 65537 and
                    // 655350 whatever digits follow, which the mantissa's leading zeros
                    // then bring back into range.
                    Accepted{"0." + repeat('0', 65536) + "1e65537", 1.0},
                    Accepted{"0." + repeat('0', 655349) + "1e655350999999999", 1.0},
                    Accepted{"1" + repeat('0', 65536) + "e-65536", 1.0},
                    Accepted{"1" + repeat('0', 65536) + "e-6553699999", 1.0}));

INSTANTIATE_TEST_SUITE_P(Special, AcceptedNumber,
                         testing::Values(Accepted{"inf", kInf}, Accepted{"INF", kInf},
                                         Accepted{"+Inf", kInf}, Accepted{"-inf", -kInf},
                                         Accepted{"infinity", kInf}, Accepted{"-Infinity", -kInf},
                                         Accepted{"iNfInItY", kInf}));

TEST(NotANumber, AnyCaseAndSign) {
  for (const std::string text : {"nan", "NaN", "NAN", "+nan", "nAn"}) {
    const auto value = parse_number(text);
    ASSERT_TRUE(value.has_value()) << text;
    EXPECT_TRUE(std::isnan(*value)) << text;
    EXPECT_FALSE(std::signbit(*value)) << text;
  }
  const auto negative = parse_number("-NaN");
  ASSERT_TRUE(negative.has_value());
  EXPECT_TRUE(std::isnan(*negative));
  EXPECT_TRUE(std::signbit(*negative));
}

class RejectedNumber : public testing::TestWithParam<std::string> {};

TEST_P(RejectedNumber, IsNotANumber) {
  EXPECT_FALSE(parse_number(GetParam()).has_value()) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Grammar, RejectedNumber,
                         testing::Values("", "+", "-", "+-1", "--1", ".", "+.", "1.5.2", "7,5",
                                         "1_000", "1e", "1e+", "1e-", "e5", "E5", ".e5", "1e5.0",
                                         "1e5e5", "0x10", "0X10", "0b1", "infin", "infinit",
                                         "infinityy", "in", "na", "nan(1)", "nan()", "nanq", "snan",
                                         "-+inf", "inf1", "1inf", " 1", "1 ", "1\t", "1 000", "１",
                                         std::string("1\0", 2), "1d", "1f", "++1", "1e++1", "1e--1",
                                         "1.e", "e", "ninf", "٣"));

struct Trimmed {
  std::string text;
  std::string expected;
};

class TrimWhiteSpace : public testing::TestWithParam<Trimmed> {};

TEST_P(TrimWhiteSpace, RemovesExactlyWhiteSpace) {
  EXPECT_EQ(trim_white_space(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    CodePoints, TrimWhiteSpace,
    testing::Values(
        Trimmed{"", ""}, Trimmed{" \t\n\v\f\r", ""}, Trimmed{" 1.5 ", "1.5"},
        Trimmed{"\t\r1 2\r\n", "1 2"},  // inner white space stays
        Trimmed{"\u0085\u00a01\u00a0\u0085", "1"}, Trimmed{"\u16801\u1680", "1"},
        Trimmed{"\u2000\u2001\u2002\u2003\u2004\u2005\u2006\u2007\u2008\u2009\u200a1", "1"},
        Trimmed{"1\u2000\u2001\u2002\u2003\u2004\u2005\u2006\u2007\u2008\u2009\u200a", "1"},
        Trimmed{"\u2028\u2029\u202f\u205f\u30001\u3000\u205f\u202f\u2029\u2028", "1"},
        Trimmed{"\u200b1\u200b", "\u200b1\u200b"}, Trimmed{"\ufeff1\ufeff", "\ufeff1\ufeff"},
        Trimmed{"\u180e1", "\u180e1"}, Trimmed{"\u00a0\u200b\u00a0", "\u200b"},
        Trimmed{"\u2060x", "\u2060x"}, Trimmed{"\u2030", "\u2030"}, Trimmed{"\u3001", "\u3001"},
        Trimmed{"\u00a1", "\u00a1"}, Trimmed{"\u1681", "\u1681"},
        Trimmed{"x\xa0", "x\xa0"},  // a lone continuation byte is no space
        Trimmed{"\x1c\x1f", "\x1c\x1f"}));

}  // namespace
