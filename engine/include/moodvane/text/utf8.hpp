// Decoding and encoding UTF-8 that is known to be valid (text that came from a str).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace moodvane::text {

struct Decoded {
  char32_t cp;
  std::size_t size;
};

// The code point that starts at `p`, which holds at least its whole sequence.
inline Decoded decode_utf8(const char* p) noexcept {
  const auto byte = [p](std::size_t i) { return static_cast<unsigned char>(p[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return {lead, 1};
  if (lead < 0xE0) return {static_cast<char32_t>(((lead & 0x1F) << 6) | (byte(1) & 0x3F)), 2};
  if (lead < 0xF0) {
    return {static_cast<char32_t>(((lead & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) |
                                  (byte(2) & 0x3F)),
            3};
  }
  return {static_cast<char32_t>(((lead & 0x07) << 18) | ((byte(1) & 0x3F) << 12) |
                                ((byte(2) & 0x3F) << 6) | (byte(3) & 0x3F)),
          4};
}

inline void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Calls `visit(cp)` for each code point of `text`, in order.
template <class Visit>
void for_each_code_point(std::string_view text, Visit&& visit) {
  for (std::size_t pos = 0; pos < text.size();) {
    const Decoded d = decode_utf8(text.data() + pos);
    visit(d.cp);
    pos += d.size;
  }
}

}  // namespace moodvane::text
