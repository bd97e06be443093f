// What the word counter needs to know of each code point, from a generated two-stage table
// (tools/gen_unicode_tables.py --characters writes engine/src/text/character_table.cpp).
#pragma once

#include <cstdint>
#include <string_view>

namespace moodvane::text {

namespace detail {
extern const std::uint16_t kBlockOf[];
extern const std::uint8_t kBlocks[];
}  // namespace detail

enum CharacterClass : std::uint8_t {
  kWord = 1,          // a letter, combining mark or number, or a zero-width (non-)joiner
  kLetter = 2,        // a letter
  kMark = 4,          // a combining mark
  kNonStarter = 8,    // a canonical combining class other than 0
  kStableBreak = 16,  // a cut just before it splits no token and no normalisation
};

inline constexpr char32_t kLastCodePoint = 0x10FFFF;

inline std::uint8_t character_class(char32_t cp) noexcept {
  if (cp > kLastCodePoint) return 0;
  return detail::kBlocks[std::size_t{detail::kBlockOf[cp >> 8]} * 256 + (cp & 0xFF)];
}

// The Unicode version the table was generated from.
std::string_view character_table_version() noexcept;

}  // namespace moodvane::text
