// How a fuzz target reports a broken property: a message on stderr, then abort(), which
// libFuzzer records as a crash and saves the input that caused it.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace moodvane::fuzz {

// Bytes shown with C escapes, so that a report shows exactly which bytes differ.
inline std::string printable(std::string_view bytes) {
  std::string out = "\"";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '"' || byte == '\\') {
      out += '\\';
      out += c;
    } else if (byte >= 0x20 && byte < 0x7F) {
      out += c;
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", byte);
      out += hex;
    }
  }
  return out + '"';
}

inline std::string bits_of(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%a (0x%016llx)", value,
                static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(value)));
  return text;
}

[[noreturn]] inline void property_failed(std::string_view property, std::string_view detail) {
  std::fprintf(stderr, "\nPROPERTY VIOLATED: %.*s\n%.*s\n", static_cast<int>(property.size()),
               property.data(), static_cast<int>(detail.size()), detail.data());
  std::abort();
}

// Same bits; any two NaNs of the same sign count as equal, whatever their payloads.
inline bool same_value(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) {
    return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
  }
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

}  // namespace moodvane::fuzz
