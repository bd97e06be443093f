// One code point from UTF-8, for the text walks of the segmenter.
#pragma once

#include <cstddef>
#include <string_view>

namespace moodvane::text {

struct Decoded {
  char32_t code_point;  // kInvalid for a byte that starts no valid sequence
  std::size_t length;   // bytes taken, at least 1
};

inline constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes the sequence at `at` (< text.size()), refusing overlong forms, surrogates and
// code points past U+10FFFF, which then take one byte.
inline Decoded decode_utf8(std::string_view text, std::size_t at) noexcept {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned lead = byte(at);
  if (lead < 0x80) return {lead, 1};
  std::size_t length = 0;
  char32_t value = 0;
  char32_t lowest = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F, lowest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F, lowest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07, lowest = 0x10000;
  } else {
    return {kInvalid, 1};
  }
  if (text.size() - at < length) return {kInvalid, 1};
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned next = byte(at + i);
    if ((next & 0xC0) != 0x80) return {kInvalid, 1};
    value = (value << 6) | (next & 0x3F);
  }
  if (value < lowest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return {kInvalid, 1};
  }
  return {value, length};
}

}  // namespace moodvane::text
