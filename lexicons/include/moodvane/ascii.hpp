// Case in ASCII only: the one lower-casing and the one case-insensitive comparison of the
// lexicon names, the special numbers of the lexicon texts and the reference "average".
// Every byte outside A to Z, non-ASCII letters included, is left as it is.
#pragma once

#include <cstddef>
#include <string_view>

namespace moodvane::lexicons {

constexpr char ascii_lower(char c) noexcept {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether `text`, lower-cased in ASCII, is `lower_word` (which is written in lower case).
constexpr bool equals_ignoring_ascii_case(std::string_view text,
                                          std::string_view lower_word) noexcept {
  if (text.size() != lower_word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (ascii_lower(text[i]) != lower_word[i]) return false;
  }
  return true;
}

}  // namespace moodvane::lexicons
