#include "moodvane/json_number.hpp"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace moodvane::encoding {
namespace {

constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
constexpr std::uint64_t kPositiveInfinity = 0x7FF0'0000'0000'0000;

// Decimal exponents written in fixed notation; everything outside goes scientific.
constexpr int kFixedMinExponent = -5;
constexpr int kFixedMaxExponent = 15;

// At most 17 significant digits, never with leading or trailing zeros.
struct ShortestDigits {
  char digits[17];
  int count;
  int exponent;  // decimal exponent of digits[0]
};

// std::to_chars in scientific form without a precision yields the shortest digits that
// read back to the same value (ties broken towards the exact value), already split as
// "d.ddde±XX"; only the layout around them is ours to choose.
ShortestDigits shortest_digits(double magnitude) noexcept {
  // "1.7976931348623157e+308" is the longest scientific text of a finite double.
  char text[32];
  // Cannot fail: the buffer holds the longest possible text.
  const char* const end =
      std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific).ptr;

  ShortestDigits result{};
  const char* p = text;
  result.digits[result.count++] = *p++;
  if (*p == '.') {
    ++p;
    while (*p != 'e')
      result.digits[result.count++] = *p++;
  }
  ++p;  // 'e'
  const bool negative_exponent = *p++ == '-';
  int exponent = 0;
  while (p != end)
    exponent = exponent * 10 + (*p++ - '0');
  result.exponent = negative_exponent ? -exponent : exponent;
  return result;
}

char* write_zeros(char* out, int count) noexcept {
  std::memset(out, '0', static_cast<std::size_t>(count));
  return out + count;
}

char* write_digits(char* out, const char* digits, int count) noexcept {
  std::memcpy(out, digits, static_cast<std::size_t>(count));
  return out + count;
}

char* write_fixed(char* out, const ShortestDigits& d) noexcept {
  const int e = d.exponent;
  const int n = d.count;
  if (n <= e + 1) {
    // A whole number: the ".0" keeps it a float for JSON readers.
    out = write_digits(out, d.digits, n);
    out = write_zeros(out, e + 1 - n);
    *out++ = '.';
    *out++ = '0';
  } else if (e < 0) {
    *out++ = '0';
    *out++ = '.';
    out = write_zeros(out, -e - 1);
    out = write_digits(out, d.digits, n);
  } else {
    out = write_digits(out, d.digits, e + 1);
    *out++ = '.';
    out = write_digits(out, d.digits + e + 1, n - e - 1);
  }
  return out;
}

char* write_scientific(char* out, const ShortestDigits& d) noexcept {
  *out++ = d.digits[0];
  if (d.count >= 2) {
    *out++ = '.';
    out = write_digits(out, d.digits + 1, d.count - 1);
  }
  *out++ = 'e';
  *out++ = d.exponent < 0 ? '-' : '+';
  const unsigned magnitude = static_cast<unsigned>(d.exponent < 0 ? -d.exponent : d.exponent);
  // |e| <= 324, so three characters always suffice.
  return std::to_chars(out, out + 3, magnitude).ptr;
}

std::size_t write_literal(std::span<char, kMaxNumberText> out, const char* text) noexcept {
  const std::size_t length = std::strlen(text);
  std::memcpy(out.data(), text, length);
  return length;
}

}  // namespace

std::size_t format_json_number(double value, std::span<char, kMaxNumberText> out) noexcept {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const bool negative = (bits & kSignBit) != 0;
  const std::uint64_t magnitude_bits = bits & ~kSignBit;

  // Every NaN payload and both infinities sit at or above the pattern of +inf.
  if (magnitude_bits >= kPositiveInfinity) return write_literal(out, "null");
  if (magnitude_bits == 0) return write_literal(out, negative ? "-0.0" : "0.0");

  char* const begin = out.data();
  char* cursor = begin;
  if (negative) *cursor++ = '-';
  const ShortestDigits digits = shortest_digits(std::bit_cast<double>(magnitude_bits));
  if (digits.exponent >= kFixedMinExponent && digits.exponent <= kFixedMaxExponent) {
    cursor = write_fixed(cursor, digits);
  } else {
    cursor = write_scientific(cursor, digits);
  }
  return static_cast<std::size_t>(cursor - begin);
}

}  // namespace moodvane::encoding
