// Normalisation helpers. Unicode's Stream-Safe Text Format (UAX #15, section 13): no more
// than 30 non-starters in a row. Normalising a longer run sorts it by combining class, which
// takes time quadratic in its length in the interpreter; the format bounds every run, so
// NFC takes linear time. And a linear check that a text is in NFC already.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "moodvane/text/character_classes.hpp"
#include "moodvane/text/utf8.hpp"
#include "moodvane/text/word_counting.hpp"
#include "lower_case.hpp"

namespace moodvane::text {
namespace {

constexpr std::size_t kLongestRun = 30;
constexpr char32_t kGraphemeJoiner = 0x34F;  // a starter that joins the marks around it

bool is_non_starter(char32_t cp) noexcept { return (character_class(cp) & kNonStarter) != 0; }

}  // namespace

std::vector<std::string> stream_safe_pieces(std::string_view text, std::size_t piece_bytes) {
  std::vector<std::string> pieces(1);
  pieces.back().reserve(std::min(text.size(), piece_bytes) + 64);
  // A cut before a starter that never composes with what precedes it changes no
  // normalisation: neither side reorders or composes across it.
  const auto cut_before = [&](char32_t cp) {
    if (pieces.back().size() < piece_bytes) return;
    const NormalizationClass n = normalization_class(cp);
    if (n.combining_class != 0 || n.quick_check_maybe || n.quick_check_no) return;
    pieces.emplace_back().reserve(std::min(text.size(), piece_bytes) + 64);
  };
  std::size_t run = 0;
  for_each_code_point(text, [&](char32_t cp) {
    if (!is_non_starter(cp)) {
      run = 0;
      cut_before(cp);
    } else if (++run > kLongestRun) {
      cut_before(kGraphemeJoiner);
      append_utf8(pieces.back(), kGraphemeJoiner);
      run = 1;
    }
    append_utf8(pieces.back(), cp);
  });
  return pieces;
}

namespace {

bool composes(char32_t first, char32_t second) noexcept {
  constexpr char32_t kL = 0x1100, kV = 0x1161, kT = 0x11A7, kS = 0xAC00;
  if (first >= kL && first < kL + 19 && second >= kV && second < kV + 21) return true;
  if (first >= kS && first < kS + 11172 && (first - kS) % 28 == 0 && second > kT &&
      second < kT + 28) {
    return true;
  }
  const std::uint64_t key = (std::uint64_t{first} << 21) | second;
  const std::uint64_t* begin = detail::kCompositionPairs;
  const std::uint64_t* end = begin + detail::kCompositionPairCount;
  const std::uint64_t* found = std::lower_bound(begin, end, key);
  return found != end && *found == key;
}

}  // namespace

bool holds_code_point_with(std::string_view text, std::uint16_t bits,
                           bool ascii_capitals) noexcept {
  for (std::size_t pos = 0; pos < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
      if (ascii_capitals && lead >= 'A' && lead <= 'Z') return true;
      ++pos;
      continue;
    }
    const Decoded d = decode_utf8(text.data() + pos);
    if ((normalization_bits(d.cp) & bits) != 0) return true;
    pos += d.size;
  }
  return false;
}

bool has_capitals(std::string_view text) noexcept {
  return holds_code_point_with(text, kLowersBit, true);
}

namespace {

// The end of the run of ASCII bytes that begins at `pos`, eight bytes at a time.
std::size_t end_of_ascii(std::string_view text, std::size_t pos) noexcept {
  while (text.size() - pos >= 8) {
    std::uint64_t eight;
    std::memcpy(&eight, text.data() + pos, 8);
    if (eight & 0x8080808080808080u) break;
    pos += 8;
  }
  while (pos < text.size() && static_cast<unsigned char>(text[pos]) < 0x80) ++pos;
  return pos;
}

// What the NFC check knows of the text before the code point it looks at.
struct NfcContext {
  char32_t starter = 0;
  bool have_starter = false;
  bool starter_decomposes = false;
  bool adjacent = false;            // the previous code point is the starter
  std::uint8_t highest_between = 0;  // the highest class since the starter
  std::uint8_t previous_class = 0;

  // After a code point that is a starter, in NFC, and composes with nothing before it.
  void after_plain_starter(char32_t cp, bool decomposes) noexcept {
    *this = NfcContext{cp, true, decomposes, true, 0, 0};
  }

  // Takes in a code point that may not stay as it is (read as the tally reads it):
  // false when the text is not in NFC.
  template <bool kLowering>
  [[gnu::noinline]] bool take(char32_t cp) noexcept {
    NormalizationClass n = normalization_class(cp);
    if (kLowering && n.lowers) {
      if (n.interpreter_lowers) return false;
      cp = simple_lower(cp);
      n = normalization_class(cp);
    }
    if (n.quick_check_no) return false;
    const std::uint8_t c = n.combining_class;
    if (c != 0 && previous_class > c) return false;  // marks out of canonical order
    if (n.quick_check_maybe && have_starter) {
      const bool blocked = !adjacent && (c == 0 || highest_between >= c);
      // A decomposed starter might compose with this through one of its own marks.
      if (!blocked && (starter_decomposes || composes(starter, cp))) return false;
    }
    if (c == 0) {
      after_plain_starter(cp, n.decomposes);
    } else {
      adjacent = false;
      if (c > highest_between) highest_between = c;
      previous_class = c;
    }
    return true;
  }
};

// is_nfc over `text` as the tally reads it: with kLowering, every code point lowered as the
// tally lowers tokens, and false for a character that only the interpreter lowers. Most
// code points (ASCII, small letters, Hangul syllables) are starters in NFC that do not lower
// and compose with nothing before them: the loop passes over them, remembering only the
// last, and sets up the context only for the few that need a closer look.
template <bool kLowering>
bool nfc_as_read(std::string_view text) noexcept {
  NfcContext context;
  std::size_t plain_end = std::string_view::npos;  // where the last plain starter ends
  char32_t plain = 0;
  bool plain_decomposes = false;
  for (std::size_t pos = 0; pos < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
      pos = end_of_ascii(text, pos);
      const unsigned char last = static_cast<unsigned char>(text[pos - 1]);
      plain = kLowering && last >= 'A' && last <= 'Z' ? last + 32 : last;
      plain_decomposes = false;
      plain_end = pos;
      continue;
    }
    const Decoded d = decode_utf8(text.data() + pos);
    const std::uint16_t bits = normalization_bits(d.cp);
    if ((bits & ~kDecomposesBit) == 0) {
      plain = d.cp;
      plain_decomposes = bits != 0;
      plain_end = pos + d.size;
      pos = plain_end;
      continue;
    }
    if (plain_end == pos) context.after_plain_starter(plain, plain_decomposes);
    if (!context.template take<kLowering>(d.cp)) return false;
    pos += d.size;
  }
  return true;
}

}  // namespace

bool is_nfc(std::string_view text) noexcept { return nfc_as_read<false>(text); }

bool ready_to_count(std::string_view text, bool lowering) noexcept {
  return lowering ? nfc_as_read<true>(text) : nfc_as_read<false>(text);
}

}  // namespace moodvane::text
