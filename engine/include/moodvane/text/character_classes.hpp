// What the word counter needs to know of each code point, from a generated two-stage table
// (tools/gen_unicode_tables.py writes engine/src/text/character_table.cpp from the files of
// one pinned Unicode version, whatever version the running interpreter follows).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace moodvane::text {

namespace detail {
extern const std::uint16_t kBlockOf[];
extern const std::uint8_t kBlocks[];
extern const std::uint16_t kNormBlockOf[];
extern const std::uint16_t kNormBlocks[];
extern const std::uint64_t kCompositionPairs[];
extern const std::size_t kCompositionPairCount;
extern const std::uint32_t kComposites[];  // what each pair composes into
extern const std::uint32_t kDecomposed[];  // code points with a canonical decomposition
extern const std::size_t kDecomposedCount;
extern const std::uint16_t kDecompositionStarts[];  // where each one's decomposition starts
extern const std::uint32_t kDecompositionParts[];
extern const std::uint64_t kSimpleLowers[];
extern const std::size_t kSimpleLowerCount;
}  // namespace detail

enum CharacterClass : std::uint8_t {
  kWord = 1,          // a letter, combining mark or number, or a zero-width (non-)joiner
  kLetter = 2,        // a letter
  kMark = 4,          // a combining mark
  kNonStarter = 8,    // a canonical combining class other than 0
  kStableBreak = 16,  // a cut just before it splits no token, normalisation or final sigma
  kSpace = 32,        // white space
  kEmoji = 64,        // begins an emoji (a pictograph or a regional indicator)
  kEmojiModifier = 128,  // goes on an emoji: variation selector, skin tone, keycap, tag
};

inline constexpr char32_t kLastCodePoint = 0x10FFFF;

inline std::uint8_t character_class(char32_t cp) noexcept {
  if (cp > kLastCodePoint) return 0;
  return detail::kBlocks[std::size_t{detail::kBlockOf[cp >> 8]} * 256 + (cp & 0xFF)];
}

// What NFC needs to know of a code point: its canonical combining class, and whether it
// never stays in NFC (quick check No), may compose with what precedes it (Maybe), or has a
// canonical decomposition.
struct NormalizationClass {
  std::uint8_t combining_class;
  bool quick_check_no;
  bool quick_check_maybe;
  bool decomposes;
  bool lowers;  // str.lower changes it
  bool interpreter_lowers;  // and only str.lower may lower it (see simple_lower)
};

// The bits of normalization_class as the table stores them (see character_table.cpp), for
// loops that pass over the code points whose bits are all clear.
inline constexpr std::uint16_t kDecomposesBit = 1024;
inline constexpr std::uint16_t kLowersBit = 2048;
inline constexpr std::uint16_t kInterpreterLowersBit = 4096;
inline std::uint16_t normalization_bits(char32_t cp) noexcept {
  if (cp > kLastCodePoint) return 256;  // never in NFC
  return detail::kNormBlocks[std::size_t{detail::kNormBlockOf[cp >> 8]} * 256 + (cp & 0xFF)];
}

inline NormalizationClass normalization_class(char32_t cp) noexcept {
  if (cp > kLastCodePoint) return {0, true, false, false, false, false};
  const std::uint16_t v = normalization_bits(cp);
  return {static_cast<std::uint8_t>(v & 0xFF), (v & 256) != 0, (v & 512) != 0,
          (v & 1024) != 0, (v & 2048) != 0, (v & 4096) != 0};
}

// What str.lower makes of `cp`, for a code point beyond ASCII that lowers but not only in
// the interpreter: one code point of the same class, never ASCII, whatever stands around it
// (U+0130 and U+03A3 are left to the interpreter). Any other code point comes back as is.
char32_t simple_lower(char32_t cp) noexcept;

// The Unicode version the table was generated from.
std::string_view character_table_version() noexcept;

}  // namespace moodvane::text
