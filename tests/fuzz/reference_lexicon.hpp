// A second reading of lexicon texts, kept deliberately plain so that it is obviously right:
// split into lines, cut at tabs, decode and trim code points, check the score grammar one
// character at a time, and let strtod give the value. The fuzz target compares the
// library's fast parser against it.
#pragma once

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "utf8.hpp"

namespace moodvane::fuzz {

// Unicode White_Space: the only code points trimmed around a score.
inline constexpr std::array<char32_t, 25> kWhiteSpace = {
    0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x0020, 0x0085, 0x00A0, 0x1680,
    0x2000, 0x2001, 0x2002, 0x2003, 0x2004, 0x2005, 0x2006, 0x2007, 0x2008,
    0x2009, 0x200A, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000};

// Decodes from the front; a byte that starts no well-formed sequence is one unit of its
// own and never white space.
inline std::string_view reference_trim(std::string_view text) {
  struct Unit {
    std::size_t begin, end;
    bool space;
  };
  std::vector<Unit> units;
  for (std::size_t i = 0; i < text.size();) {
    const auto decoded = decode_utf8(text.substr(i));
    const std::size_t length = decoded ? decoded->length : 1;
    const bool space = decoded && std::find(kWhiteSpace.begin(), kWhiteSpace.end(),
                                            decoded->value) != kWhiteSpace.end();
    units.push_back({i, i + length, space});
    i += length;
  }
  std::size_t first = 0;
  std::size_t last = units.size();
  while (first < last && units[first].space) ++first;
  while (last > first && units[last - 1].space) --last;
  if (first == last) return text.substr(text.size());
  return text.substr(units[first].begin, units[last - 1].end - units[first].begin);
}

inline bool is_ascii_digit(char c) {
  return c >= '0' && c <= '9';
}

inline std::string ascii_lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// sign? ( digits ("." digits?)? | "." digits ) exponent? | sign? (inf | infinity | nan)
inline bool is_score_number(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const std::string special = ascii_lowered(text.substr(i));
  if (special == "inf" || special == "infinity" || special == "nan") return true;

  int mantissa_digits = 0;
  while (i < text.size() && is_ascii_digit(text[i])) ++i, ++mantissa_digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && is_ascii_digit(text[i])) ++i, ++mantissa_digits;
  }
  if (mantissa_digits == 0) return false;

  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    int exponent_digits = 0;
    while (i < text.size() && is_ascii_digit(text[i])) ++i, ++exponent_digits;
    if (exponent_digits == 0) return false;
  }
  return i == text.size();
}

// The value strtod gives, and how many bytes it read; the caller owns the comparison.
struct StrtodReading {
  double value;
  std::size_t consumed;
};

inline StrtodReading read_with_strtod(std::string_view text) {
  const std::string terminated(text);  // strtod needs the NUL
  char* end = nullptr;
  const double value = std::strtod(terminated.c_str(), &end);
  return {value, static_cast<std::size_t>(end - terminated.c_str())};
}

// The score of an already trimmed text, or nothing when the grammar rejects it.
inline std::optional<double> reference_score(std::string_view trimmed) {
  if (!is_score_number(trimmed)) return std::nullopt;
  return read_with_strtod(trimmed).value;
}

inline std::map<std::string, double> reference_parse(std::string_view text) {
  std::map<std::string, double> scores;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t line_feed = text.find('\n', pos);
    std::string_view line;
    if (line_feed == std::string_view::npos) {
      line = text.substr(pos);  // the last line keeps a final CR
      pos = text.size();
    } else {
      line = text.substr(pos, line_feed - pos);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      pos = line_feed + 1;
    }
    if (line.empty()) continue;

    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) continue;
    const std::string_view word = line.substr(0, tab);
    std::string_view score_text = line.substr(tab + 1);
    const std::size_t second_tab = score_text.find('\t');
    if (second_tab != std::string_view::npos) score_text = score_text.substr(0, second_tab);

    if (const auto score = reference_score(reference_trim(score_text))) {
      scores[std::string(word)] = *score;
    }
  }
  return scores;
}

}  // namespace moodvane::fuzz
