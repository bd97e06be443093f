// Plain UTF-8 handling for the fuzz targets: strict decoding, encoding, validation, and
// turning arbitrary fuzz bytes into valid UTF-8 that can still reach every code point.
// Written independently of the library's own decoders so that the two check each other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace moodvane::fuzz {

inline constexpr char32_t kMaxCodePoint = 0x10FFFF;

inline bool is_surrogate(char32_t cp) {
  return cp >= 0xD800 && cp <= 0xDFFF;
}

struct CodePoint {
  char32_t value;
  std::size_t length;  // bytes taken from the text
};

// The code point that starts `text`, if its first bytes are a well-formed UTF-8 sequence
// (shortest form, no surrogate, nothing beyond U+10FFFF).
inline std::optional<CodePoint> decode_utf8(std::string_view text) {
  if (text.empty()) return std::nullopt;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length;
  char32_t cp;
  if (lead < 0x80) {
    return CodePoint{lead, 1};
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2;
    cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    cp = lead & 0x07;
  } else {
    return std::nullopt;
  }
  if (text.size() < length) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return std::nullopt;
    cp = (cp << 6) | (byte(i) & 0x3F);
  }
  // The smallest code point that needs each length; anything below is an overlong form.
  constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMinimum[length] || cp > kMaxCodePoint || is_surrogate(cp)) return std::nullopt;
  return CodePoint{cp, length};
}

// Any code point up to U+10FFFF, surrogates included (the debug-quoted form can show an
// encoded surrogate, and reading it back must give the same bytes).
inline void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

inline bool is_valid_utf8(std::string_view text) {
  while (!text.empty()) {
    const auto decoded = decode_utf8(text);
    if (!decoded) return false;
    text.remove_prefix(decoded->length);
  }
  return true;
}

// Keeps every well-formed sequence as it is. A byte that starts none takes up to two more
// bytes with it and becomes the code point they spell modulo U+110000 (surrogates moved
// out of their block), so the fuzzer can reach any code point even from ASCII-heavy input.
inline std::string make_valid_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  while (!bytes.empty()) {
    if (const auto decoded = decode_utf8(bytes)) {
      out.append(bytes.data(), decoded->length);
      bytes.remove_prefix(decoded->length);
      continue;
    }
    char32_t spelled = 0;
    std::size_t taken = 0;
    for (; taken < 3 && taken < bytes.size(); ++taken) {
      spelled = (spelled << 8) | static_cast<unsigned char>(bytes[taken]);
    }
    char32_t cp = spelled % (kMaxCodePoint + 1);
    if (is_surrogate(cp)) cp ^= 0x1000;
    append_utf8(out, cp);
    bytes.remove_prefix(taken);
  }
  return out;
}

}  // namespace moodvane::fuzz
