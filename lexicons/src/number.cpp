#include "moodvane/number.hpp"

#include "moodvane/ascii.hpp"

#include <array>
#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>

namespace moodvane::lexicons {
namespace {

constexpr bool is_digit(char c) noexcept {
  return c >= '0' && c <= '9';
}

// Exponent digits accumulate only while the exponent's magnitude is below this; later
// digits are read but leave it unchanged. A larger exponent could only matter next to a
// mantissa tens of thousands of digits long, and the cap keeps every sum below far away
// from integer overflow however many digits follow.
constexpr std::int64_t kExponentCap = 65536;

// Every power of ten up to 10^22 is exactly representable as a double.
constexpr std::array<double, 23> kExactPowersOfTen = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

constexpr std::uint64_t kMaxExactInteger = std::uint64_t{1} << 53;

// A midpoint between two neighbouring doubles (including the overflow threshold and half
// the smallest subnormal) has at most 767 significant decimal digits. Keeping more digits
// than that, plus one non-zero "sticky" digit standing for any non-zero tail, therefore
// never moves a number across a rounding boundary.
constexpr std::size_t kKeptDigits = 780;

// The digits of a number's mantissa, split around the (optional) decimal point.
struct Mantissa {
  std::string_view integer;
  std::string_view fraction;
};

// Calls `visit(char)` for each mantissa digit, point removed.
template <class Visit>
void for_each_digit(const Mantissa& mantissa, Visit&& visit) {
  for (const char c : mantissa.integer) visit(c);
  for (const char c : mantissa.fraction) visit(c);
}

// The first 19 significant digits of the mantissa as an integer, and what follows them:
// how many digits, and whether any of them is non-zero (which makes the integer inexact).
struct LeadingDigits {
  std::uint64_t value = 0;
  std::int64_t significant = 0;  // digits from the first non-zero one to the end
  std::int64_t dropped = 0;      // significant digits not collected into `value`
  bool exact = true;             // every dropped digit is a zero
};

LeadingDigits leading_digits(const Mantissa& mantissa) noexcept {
  LeadingDigits digits;
  for_each_digit(mantissa, [&](char c) {
    const unsigned d = static_cast<unsigned>(c - '0');
    if (digits.significant == 0 && d == 0) return;
    ++digits.significant;
    if (digits.significant <= 19) {
      digits.value = digits.value * 10 + d;
    } else {
      ++digits.dropped;
      if (d != 0) digits.exact = false;
    }
  });
  return digits;
}

// Hands std::from_chars a rewritten form of the number: at most kKeptDigits significant
// digits (and a sticky digit), no point, no sign, and an exponent small enough to be read
// without any cap of its own. The number is the mantissa's digits, read as an integer,
// times 10^scale; its leading digit stands for 10^leading_exponent, which the caller has
// checked to lie where a double can hold the number or round it to zero or infinity.
double correctly_rounded(const Mantissa& mantissa, std::int64_t scale,
                         std::int64_t leading_exponent) noexcept {
  // Digits, the sticky digit, 'e', '-' and an exponent of at most four digits.
  std::array<char, kKeptDigits + 1 + 2 + 4> text;
  std::size_t length = 0;
  std::int64_t dropped = 0;
  bool tail_non_zero = false;
  for_each_digit(mantissa, [&](char c) {
    if (length == 0 && c == '0') return;
    if (length < kKeptDigits) {
      text[length++] = c;
    } else {
      ++dropped;
      if (c != '0') tail_non_zero = true;
    }
  });
  if (tail_non_zero) {
    text[length++] = '1';
    --dropped;
  }
  text[length++] = 'e';
  const char* const text_end =
      std::to_chars(text.data() + length, text.data() + text.size(), scale + dropped).ptr;

  double value = 0.0;
  const auto result = std::from_chars(text.data(), text_end, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // from_chars leaves `value` alone here; the magnitude tells overflow from underflow.
    return leading_exponent >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return value;
}

// The magnitude of mantissa * 10^exponent, rounded to nearest, ties to even.
double decimal_to_double(const Mantissa& mantissa, std::int64_t exponent) noexcept {
  const LeadingDigits digits = leading_digits(mantissa);
  if (digits.significant == 0) return 0.0;

  // The mantissa's digits read as an integer, times 10^base, is the number.
  const std::int64_t base = exponent - static_cast<std::int64_t>(mantissa.fraction.size());

  // digits.value * 10^(base + dropped) is the number when every dropped digit is zero. An
  // integer of at most 53 bits times or over an exactly representable power of ten is a
  // single correctly rounded IEEE operation on exact operands.
  const std::int64_t scale = base + digits.dropped;
  if (digits.exact && digits.value <= kMaxExactInteger && scale >= -22 && scale <= 22) {
    const double integer = static_cast<double>(digits.value);
    return scale >= 0 ? integer * kExactPowersOfTen[static_cast<std::size_t>(scale)]
                      : integer / kExactPowersOfTen[static_cast<std::size_t>(-scale)];
  }

  // The number lies in [10^leading_exponent, 10^(leading_exponent + 1)). 10^309 exceeds
  // the largest double; 10^-324 lies below half the smallest subnormal (about 2.47e-324).
  const std::int64_t leading_exponent = base + digits.significant - 1;
  if (leading_exponent >= 309) return std::numeric_limits<double>::infinity();
  if (leading_exponent <= -325) return 0.0;
  return correctly_rounded(mantissa, base, leading_exponent);
}

// Plain decimals of at most 19 digits without an exponent, as every shipped score is
// ("8.50"), read in one pass; the same single exact-operand division as in
// decimal_to_double, so the result is the same nearest double. Nothing when the text is
// anything else, which leaves it to the full grammar.
std::optional<double> plain_decimal(const char* p, const char* const end) noexcept {
  std::uint64_t integer = 0;
  int digits = 0;
  int fraction_digits = 0;
  bool seen_point = false;
  for (; p != end; ++p) {
    const char c = *p;
    if (is_digit(c)) {
      if (++digits > 19) return std::nullopt;
      integer = integer * 10 + static_cast<unsigned>(c - '0');
      fraction_digits += seen_point ? 1 : 0;
    } else if (c == '.' && !seen_point) {
      seen_point = true;
    } else {
      return std::nullopt;
    }
  }
  if (digits == 0 || integer > kMaxExactInteger) return std::nullopt;
  return static_cast<double>(integer) /
         kExactPowersOfTen[static_cast<std::size_t>(fraction_digits)];
}

// "inf", "infinity" and "nan" in any ASCII case; `text` follows the optional sign.
std::optional<double> special_value(std::string_view text) noexcept {
  if (equals_ignoring_ascii_case(text, "inf") || equals_ignoring_ascii_case(text, "infinity")) {
    return std::numeric_limits<double>::infinity();
  }
  if (equals_ignoring_ascii_case(text, "nan")) return std::numeric_limits<double>::quiet_NaN();
  return std::nullopt;
}

}  // namespace

std::optional<double> parse_number(std::string_view text) noexcept {
  const char* p = text.data();
  const char* const end = p + text.size();

  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }

  if (const auto plain = plain_decimal(p, end)) return negative ? -*plain : *plain;

  Mantissa mantissa;
  const char* const integer_begin = p;
  while (p != end && is_digit(*p)) ++p;
  mantissa.integer = {integer_begin, p};
  if (p != end && *p == '.') {
    const char* const fraction_begin = ++p;
    while (p != end && is_digit(*p)) ++p;
    mantissa.fraction = {fraction_begin, p};
  } else if (mantissa.integer.empty()) {
    const auto special = special_value({p, end});
    if (!special) return std::nullopt;
    return negative ? -*special : *special;
  }
  if (mantissa.integer.empty() && mantissa.fraction.empty()) return std::nullopt;

  std::int64_t exponent = 0;
  if (p != end && (*p == 'e' || *p == 'E')) {
    ++p;
    bool exponent_negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
      exponent_negative = *p == '-';
      ++p;
    }
    if (p == end || !is_digit(*p)) return std::nullopt;
    for (; p != end && is_digit(*p); ++p) {
      if (exponent < kExponentCap) exponent = exponent * 10 + (*p - '0');
    }
    if (exponent_negative) exponent = -exponent;
  }
  if (p != end) return std::nullopt;

  const double magnitude = decimal_to_double(mantissa, exponent);
  return negative ? -magnitude : magnitude;
}

}  // namespace moodvane::lexicons
