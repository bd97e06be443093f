#include "moodvane/debug_quote.hpp"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>

#include "unicode_tables.hpp"

namespace moodvane::lexicons {
namespace {

bool is_escaped(char32_t code_point) noexcept {
  const auto ranges = unicode::escaped_code_points();
  // The first range that ends at or after the code point is the only one that can hold it.
  const auto range =
      std::lower_bound(ranges.begin(), ranges.end(), code_point,
                       [](const unicode::CodePointRange& r, char32_t cp) { return r.last < cp; });
  return range != ranges.end() && range->first <= code_point;
}

constexpr bool is_continuation(unsigned char byte) noexcept {
  return (byte & 0xC0) == 0x80;
}

// One code point decoded from the front of a text, and the bytes it took; `length` 0 marks
// a byte that starts no well-formed sequence.
struct Decoded {
  char32_t code_point;
  std::size_t length;
};

// Well-formed UTF-8 (no overlong forms, nothing beyond U+10FFFF). Encoded surrogates are
// let through so that they show as the \u{...} of their category rather than as bytes.
Decoded decode(std::string_view text) noexcept {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return {lead, 1};

  std::size_t length = 0;
  char32_t code_point = 0;
  unsigned char second_min = 0x80;
  unsigned char second_max = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code_point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code_point = lead & 0x0F;
    if (lead == 0xE0) second_min = 0xA0;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code_point = lead & 0x07;
    if (lead == 0xF0) second_min = 0x90;
    if (lead == 0xF4) second_max = 0x8F;
  } else {
    return {0, 0};
  }
  if (text.size() < length || byte(1) < second_min || byte(1) > second_max) return {0, 0};
  for (std::size_t i = 1; i < length; ++i) {
    if (!is_continuation(byte(i))) return {0, 0};
    code_point = (code_point << 6) | (byte(i) & 0x3F);
  }
  return {code_point, length};
}

void append_hex(std::string& out, std::uint32_t value) {
  char digits[8];
  const char* const end = std::to_chars(digits, digits + sizeof digits, value, 16).ptr;
  out.append(digits, static_cast<std::size_t>(end - digits));
}

}  // namespace

std::string debug_quote(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  while (!text.empty()) {
    const Decoded decoded = decode(text);
    if (decoded.length == 0) {
      // Never part of valid UTF-8; shown as \xhh so that the quoted form stays valid UTF-8.
      out += "\\x";
      const auto byte = static_cast<unsigned char>(text.front());
      if (byte < 0x10) out += '0';
      append_hex(out, byte);
      text.remove_prefix(1);
      continue;
    }
    switch (decoded.code_point) {
      case U'"':
        out += "\\\"";
        break;
      case U'\\':
        out += "\\\\";
        break;
      case U'\t':
        out += "\\t";
        break;
      case U'\n':
        out += "\\n";
        break;
      case U'\r':
        out += "\\r";
        break;
      case U'\0':
        out += "\\0";
        break;
      default:
        if (is_escaped(decoded.code_point)) {
          out += "\\u{";
          append_hex(out, decoded.code_point);
          out += '}';
        } else {
          out.append(text.data(), decoded.length);
        }
    }
    text.remove_prefix(decoded.length);
  }
  out += '"';
  return out;
}

}  // namespace moodvane::lexicons
