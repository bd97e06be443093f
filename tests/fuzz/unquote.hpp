// Reads the debug-quoted form back, strictly: only the escapes that form uses, each in its
// one canonical spelling, and no raw character that must be escaped.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "utf8.hpp"

namespace moodvane::fuzz {

// Code points that the quoted form must show escaped, each certain from its Unicode
// category (Cc, Zs, Zl, Zp, Cf, Co, Cn) or Grapheme_Extend; not a full table, a spot check
// that does not share the library's table.
inline bool must_be_escaped(char32_t cp) {
  if (cp < 0x20 || (cp >= 0x7F && cp <= 0xA0)) return true;  // Cc, and U+00A0 (Zs)
  if (cp == 0xAD || cp == 0x1680 || (cp >= 0x2000 && cp <= 0x200F)) return true;
  if (cp >= 0x2028 && cp <= 0x202F) return true;
  if (cp >= 0x205F && cp <= 0x2064) return true;
  if (cp == 0x3000 || cp == 0xFEFF) return true;
  if (cp >= 0x0300 && cp <= 0x036F) return true;    // combining diacritical marks
  if (cp >= 0xE000 && cp <= 0xF8FF) return true;    // private use
  if (cp >= 0xF0000) return true;                   // planes 15 and 16: private use
  if (cp >= 0xFDD0 && cp <= 0xFDEF) return true;    // noncharacters
  if ((cp & 0xFFFE) == 0xFFFE) return true;         // U+xxFFFE and U+xxFFFF
  if (cp >= 0xE0000 && cp <= 0xE0FFF) return true;  // tags, selectors, unassigned
  return false;
}

// Code points that must be written as they are: graphic characters of long-assigned blocks
// (printable ASCII but the quote and backslash, Latin-1 letters and symbols but the soft
// hyphen, basic Cyrillic, the CJK unified ideographs, the Hangul syllables).
inline bool must_stay_raw(char32_t cp) {
  if (cp >= 0x20 && cp < 0x7F) return cp != '"' && cp != '\\';
  if (cp >= 0xA1 && cp <= 0xFF) return cp != 0xAD;
  return (cp >= 0x410 && cp <= 0x44F) || (cp >= 0x4E00 && cp <= 0x9FFF) ||
         (cp >= 0xAC00 && cp <= 0xD7A3);
}

struct Unquoted {
  std::string bytes;
  std::string error;  // empty when the form read back cleanly
};

// Reads the body between the quotes. `lenient` allows what only invalid input produces:
// \xhh for a stray byte and \u{...} naming a surrogate.
inline Unquoted unquote(std::string_view body, bool lenient) {
  Unquoted result;
  std::string& out = result.bytes;
  std::size_t i = 0;
  const auto fail = [&](std::string message) {
    result.error = std::move(message) + " at byte " + std::to_string(i);
    return result;
  };
  while (i < body.size()) {
    const char c = body[i];
    if (c == '"') return fail("raw double quote");
    if (c != '\\') {
      const auto decoded = decode_utf8(body.substr(i));
      if (!decoded) return fail("invalid UTF-8");
      if (must_be_escaped(decoded->value)) return fail("raw character that must be escaped");
      out.append(body.substr(i, decoded->length));
      i += decoded->length;
      continue;
    }
    if (i + 1 >= body.size()) return fail("lone backslash");
    const char kind = body[i + 1];
    i += 2;
    switch (kind) {
      case '\\':
        out += '\\';
        continue;
      case '"':
        out += '"';
        continue;
      case 't':
        out += '\t';
        continue;
      case 'n':
        out += '\n';
        continue;
      case 'r':
        out += '\r';
        continue;
      case '0':
        out += '\0';
        continue;
      case 'x': {
        if (!lenient) return fail("\\x escape for valid input");
        if (i + 2 > body.size()) return fail("short \\x escape");
        const std::string hex(body.substr(i, 2));
        if (hex.find_first_not_of("0123456789abcdef") != std::string::npos) {
          return fail("bad \\x digits");
        }
        const auto byte = static_cast<unsigned char>(std::stoul(hex, nullptr, 16));
        // A byte that starts a well-formed sequence of its own would have been shown as such.
        if (byte < 0x80) return fail("\\x escape of an ASCII byte");
        out += static_cast<char>(byte);
        i += 2;
        continue;
      }
      case 'u':
        break;
      default:
        return fail("unknown escape");
    }
    if (i >= body.size() || body[i] != '{') return fail("\\u without {");
    const std::size_t close = body.find('}', i);
    if (close == std::string_view::npos) return fail("\\u{ without }");
    const std::string hex(body.substr(i + 1, close - i - 1));
    if (hex.empty() || hex.size() > 6 ||
        hex.find_first_not_of("0123456789abcdef") != std::string::npos) {
      return fail("bad \\u{} digits");
    }
    if (hex[0] == '0') return fail("\\u{} with a leading zero");
    const auto cp = static_cast<char32_t>(std::stoul(hex, nullptr, 16));
    if (cp > kMaxCodePoint) return fail("\\u{} beyond U+10FFFF");
    if (is_surrogate(cp) && !lenient) return fail("\\u{} of a surrogate");
    if (cp == '\t' || cp == '\n' || cp == '\r' || cp == '"' || cp == '\\') {
      return fail("\\u{} where a short escape exists");
    }
    if (must_stay_raw(cp)) return fail("\\u{} of a character that must stay raw");
    append_utf8(out, cp);
    i = close + 1;
  }
  return result;
}

}  // namespace moodvane::fuzz
