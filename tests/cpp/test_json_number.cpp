// The text of one float: exact forms for the documented cases, and over random bit
// patterns a read-back, length and shortest-digits check.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <string_view>

#include "moodvane/json_number.hpp"

namespace moodvane::encoding {
namespace {

std::string format(double value) {
  char scratch[kMaxNumberText];
  const std::size_t length = format_json_number(value, std::span<char, kMaxNumberText>(scratch));
  return std::string(scratch, length);
}

struct NumberCase {
  double value;
  std::string_view text;

  friend std::ostream& operator<<(std::ostream& out, const NumberCase& c) { return out << c.text; }
};

class JsonNumberForm : public testing::TestWithParam<NumberCase> {};

TEST_P(JsonNumberForm, WritesExactText) {
  EXPECT_EQ(format(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, JsonNumberForm,
    testing::Values(
        // Zeros keep their sign; whole numbers keep a ".0".
        NumberCase{0.0, "0.0"}, NumberCase{-0.0, "-0.0"}, NumberCase{1.0, "1.0"},
        NumberCase{-1.0, "-1.0"}, NumberCase{123.0, "123.0"}, NumberCase{-0.25, "-0.25"},
        NumberCase{0.5, "0.5"}, NumberCase{123.456, "123.456"},
        NumberCase{5.0 / 12.0, "0.4166666666666667"}, NumberCase{0.1 + 0.2, "0.30000000000000004"},
        // Upper edge of fixed notation: e = 15 stays fixed, e = 16 turns scientific.
        NumberCase{1e15, "1000000000000000.0"},
        NumberCase{9007199254740992.0, "9007199254740992.0"},  // 2^53
        NumberCase{123456789012345.6, "123456789012345.6"}, NumberCase{1e16, "1e+16"},
        NumberCase{1.5e16, "1.5e+16"},
        NumberCase{18014398509481984.0, "1.8014398509481984e+16"},  // 2^54
        // Lower edge: e = -5 stays fixed, e = -6 turns scientific.
        NumberCase{0.00001, "0.00001"}, NumberCase{1.234e-5, "0.00001234"},
        NumberCase{-9.87654321e-5, "-0.0000987654321"}, NumberCase{0.000001, "1e-6"},
        NumberCase{1.2345e-6, "1.2345e-6"}, NumberCase{-1.2345e-6, "-1.2345e-6"},
        // Extremes of the range, including the longest texts.
        NumberCase{5e-324, "5e-324"}, NumberCase{-5e-324, "-5e-324"},
        NumberCase{2.2250738585072014e-308, "2.2250738585072014e-308"},
        NumberCase{1.7976931348623157e+308, "1.7976931348623157e+308"},
        NumberCase{-1.7976931348623157e+308, "-1.7976931348623157e+308"},
        NumberCase{-1.2345678901234568e-5, "-0.000012345678901234568"}, NumberCase{1e100, "1e+100"},
        NumberCase{1e-100, "1e-100"}));

TEST(JsonNumberNonFinite, WritesNull) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double infinity = std::numeric_limits<double>::infinity();
  const double not_finite[] = {
      nan,
      -nan,
      std::bit_cast<double>(std::uint64_t{0x7FF0'0000'0000'0001}),  // signalling, payload 1
      std::bit_cast<double>(std::uint64_t{0xFFF8'DEAD'BEEF'0001}),  // negative, with payload
      std::bit_cast<double>(std::uint64_t{0x7FFF'FFFF'FFFF'FFFF}),  // largest pattern
      infinity,
      -infinity,
  };
  for (const double value : not_finite) {
    EXPECT_EQ(format(value), "null") << std::bit_cast<std::uint64_t>(value);
  }
}

// The significant digits and decimal exponent that a written text stands for, read from
// the text itself so that the checks below do not lean on the formatter's own digits.
struct Decimal {
  std::string digits;  // no leading zeros
  int exponent;        // decimal exponent of digits[0]
};

Decimal read_decimal(std::string_view text) {
  if (text.front() == '-') text.remove_prefix(1);
  Decimal result{};
  const std::size_t e = text.find('e');
  if (e != std::string_view::npos) {
    for (const char c : text.substr(0, e)) {
      if (c != '.') result.digits.push_back(c);
    }
    std::string_view exponent = text.substr(e + 1);
    if (exponent.front() == '+') exponent.remove_prefix(1);
    std::from_chars(exponent.data(), exponent.data() + exponent.size(), result.exponent);
    return result;
  }
  const std::size_t dot = text.find('.');
  int position = static_cast<int>(dot) - 1;  // exponent of the character at index 0
  for (const char c : text) {
    if (c == '.') continue;
    if (result.digits.empty() && c == '0') {
      --position;
      continue;
    }
    if (result.digits.empty()) result.exponent = position;
    result.digits.push_back(c);
  }
  while (result.digits.size() > 1 && result.digits.back() == '0')
    result.digits.pop_back();
  return result;
}

double parse(std::string_view text) {
  double value = 0.0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  EXPECT_EQ(ec, std::errc{}) << text;
  EXPECT_EQ(end, text.data() + text.size()) << text;
  return value;
}

// True when `count` significant digits `mantissa` at exponent `exponent` (of the first
// digit) read back to exactly `bits`.
// A candidate past the largest finite value does not read back at all.
bool reads_back_to(std::uint64_t mantissa, int count, int exponent, std::uint64_t bits) {
  const std::string text = std::to_string(mantissa) + "e" + std::to_string(exponent - count + 1);
  double value = 0.0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc{} && end == text.data() + text.size() &&
         std::bit_cast<std::uint64_t>(value) == bits;
}

// Checks one finite value's text: it reads back to the same bits, is a float to JSON
// readers, fits the scratch area, chooses its notation by the exponent alone, and no
// digit string one shorter (rounded either way) would have read back too.
void check_finite(double value) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
  const std::string text = format(value);
  ASSERT_LE(text.size(), kMaxNumberText) << text;
  ASSERT_NE(text.find_first_of(".e"), std::string::npos) << text;
  ASSERT_EQ(std::bit_cast<std::uint64_t>(parse(text)), bits) << text;
  if (value == 0.0) return;

  const Decimal decimal = read_decimal(text);
  ASSERT_FALSE(decimal.digits.empty()) << text;
  ASSERT_NE(decimal.digits.front(), '0') << text;
  ASSERT_LE(decimal.digits.size(), 17u) << text;
  const bool scientific = text.find('e') != std::string::npos;
  ASSERT_EQ(scientific, decimal.exponent < -5 || decimal.exponent > 15) << text;
  const int count = static_cast<int>(decimal.digits.size());
  if (!scientific && text.back() == '0') {
    // Only a whole number ends in a zero, and then exactly in ".0".
    ASSERT_TRUE(text.ends_with(".0") && count <= decimal.exponent + 1) << text;
  }

  if (count < 2) return;
  const std::uint64_t magnitude_bits = bits & ~(std::uint64_t{1} << 63);
  const std::uint64_t shorter = std::stoull(decimal.digits.substr(0, decimal.digits.size() - 1));
  ASSERT_FALSE(reads_back_to(shorter, count - 1, decimal.exponent, magnitude_bits)) << text;
  ASSERT_FALSE(reads_back_to(shorter + 1, count - 1, decimal.exponent, magnitude_bits)) << text;
}

// Well under a second in an optimised build, a few seconds under the sanitizers.
constexpr int kRandomPatterns = 1'000'000;

TEST(JsonNumberRandom, EveryBitPatternReadsBackShortest) {
  std::mt19937_64 generator(0x6D6F6F64);
  int finite = 0;
  for (int i = 0; i < kRandomPatterns; ++i) {
    const std::uint64_t bits = generator();
    const double value = std::bit_cast<double>(bits);
    if (!std::isfinite(value)) {
      ASSERT_EQ(format(value), "null") << bits;
      continue;
    }
    ++finite;
    check_finite(value);
    if (HasFatalFailure()) return;
  }
  EXPECT_GT(finite, kRandomPatterns * 99 / 100);
}

// Uniform bit patterns rarely land in the fixed-notation range (decimal exponents -5..15),
// where the layout has the most branches, so this draws magnitudes from that range and a
// little around it.
TEST(JsonNumberRandom, FixedRangeValuesReadBackShortest) {
  std::mt19937_64 generator(0x76616E65);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> exponent(-8, 18);
  std::bernoulli_distribution negative(0.5);
  for (int i = 0; i < kRandomPatterns / 4; ++i) {
    double value = mantissa(generator) * std::pow(10.0, exponent(generator));
    if (i % 3 == 0) value = std::round(value);  // whole numbers take their own branch
    if (negative(generator)) value = -value;
    check_finite(value);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace moodvane::encoding
