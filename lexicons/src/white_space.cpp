// The trim around a score: the 25 Unicode White_Space code points, matched as their UTF-8
// byte sequences so that nothing is decoded.
#include "moodvane/number.hpp"

namespace moodvane::lexicons {
namespace {

constexpr bool is_ascii_space(unsigned char c) noexcept {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// U+0085 and U+00A0.
constexpr bool is_two_byte_space(unsigned char lead, unsigned char tail) noexcept {
  return lead == 0xC2 && (tail == 0x85 || tail == 0xA0);
}

// U+1680, U+2000..U+200A, U+2028, U+2029, U+202F, U+205F and U+3000. Not U+200B.
constexpr bool is_three_byte_space(unsigned char lead, unsigned char middle,
                                   unsigned char tail) noexcept {
  switch (lead) {
    case 0xE1:
      return middle == 0x9A && tail == 0x80;
    case 0xE2:
      if (middle == 0x80) {
        return (tail >= 0x80 && tail <= 0x8A) || tail == 0xA8 || tail == 0xA9 || tail == 0xAF;
      }
      return middle == 0x81 && tail == 0x9F;
    case 0xE3:
      return middle == 0x80 && tail == 0x80;
    default:
      return false;
  }
}

// Bytes of the White_Space code point at the start of `text`, or 0.
std::size_t leading_space(std::string_view text) noexcept {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  if (text.empty()) return 0;
  if (is_ascii_space(byte(0))) return 1;
  if (text.size() >= 2 && is_two_byte_space(byte(0), byte(1))) return 2;
  if (text.size() >= 3 && is_three_byte_space(byte(0), byte(1), byte(2))) return 3;
  return 0;
}

// Bytes of the White_Space code point at the end of `text`, or 0. In UTF-8 a lead byte
// never doubles as a continuation byte, so matching from the back is unambiguous.
std::size_t trailing_space(std::string_view text) noexcept {
  const std::size_t n = text.size();
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  if (n == 0) return 0;
  if (is_ascii_space(byte(n - 1))) return 1;
  if (n >= 2 && is_two_byte_space(byte(n - 2), byte(n - 1))) return 2;
  if (n >= 3 && is_three_byte_space(byte(n - 3), byte(n - 2), byte(n - 1))) return 3;
  return 0;
}

}  // namespace

std::string_view trim_white_space(std::string_view text) noexcept {
  while (const std::size_t n = leading_space(text)) {
    text.remove_prefix(n);
  }
  while (const std::size_t n = trailing_space(text)) {
    text.remove_suffix(n);
  }
  return text;
}

}  // namespace moodvane::lexicons
