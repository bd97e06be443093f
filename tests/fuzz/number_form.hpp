// Checks one number text of the result's JSON against the value it stands for: it reads back
// to the same bits, its digits are the shortest that do, and its layout is the fixed one for
// decimal exponents -5..15 and the scientific one elsewhere, with no stray zeros, always
// holding a "." or an "e", at most 24 characters.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "property.hpp"

namespace moodvane::fuzz {

inline double strtod_whole(const std::string& text, bool& whole) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  whole = end == text.c_str() + text.size();
  return value;
}

// Adds one to a string of decimal digits.
inline std::string incremented(std::string digits) {
  for (std::size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return digits;
    }
    digits[i] = '0';
  }
  return '1' + digits;
}

inline bool no_trailing_zero(std::string_view digits) {
  return !digits.empty() && digits.back() != '0';
}

// Empty when `text` is the right form for the finite `value`; otherwise what is wrong.
inline std::string number_form_error(const std::string& text, double value) {
  if (text.size() > 24) return "longer than 24 characters";
  bool whole = false;
  const double read_back = strtod_whole(text, whole);
  if (!whole) return "strtod does not read the whole text";
  if (std::bit_cast<std::uint64_t>(read_back) != std::bit_cast<std::uint64_t>(value)) {
    return "reads back as " + bits_of(read_back);
  }
  if (value == 0.0) {
    return text == (std::signbit(value) ? "-0.0" : "0.0") ? "" : "zero not written 0.0";
  }

  std::string_view rest = text;
  if (rest.starts_with('-') != std::signbit(value)) return "sign written wrongly";
  if (rest.starts_with('-')) rest.remove_prefix(1);

  const std::size_t e_at = rest.find('e');
  const bool scientific = e_at != std::string_view::npos;
  const std::string_view mantissa = rest.substr(0, e_at);
  const std::size_t point = mantissa.find('.');
  if (!scientific && point == std::string_view::npos) return "neither '.' nor 'e'";
  const std::string_view integer = mantissa.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : mantissa.substr(point + 1);

  long written_exponent = 0;
  if (scientific) {
    const std::string_view exponent = rest.substr(e_at + 1);
    if (exponent.size() < 2 || (exponent[0] != '+' && exponent[0] != '-')) {
      return "exponent without its sign";
    }
    if (exponent[1] == '0') return "exponent with a leading zero";
    written_exponent = std::strtol(std::string(exponent).c_str(), nullptr, 10);
  }

  // The significant digits d1..dn and the decimal exponent e of d1.
  const std::string all_digits = std::string(integer) + std::string(fraction);
  const std::size_t first = all_digits.find_first_not_of('0');
  const std::size_t last = all_digits.find_last_not_of('0');
  const std::string significant = all_digits.substr(first, last - first + 1);
  const long e =
      static_cast<long>(integer.size()) - 1 - static_cast<long>(first) + written_exponent;
  if (significant.size() > 17) return "more than 17 significant digits";

  if (scientific) {
    if (e >= -5 && e <= 15) return "scientific notation for an exponent in -5..15";
    if (integer.size() != 1 || integer[0] == '0') return "scientific mantissa not one digit";
    if (point != std::string_view::npos && !no_trailing_zero(fraction)) {
      return "scientific fraction empty or ending in zero";
    }
  } else {
    if (e < -5 || e > 15) return "fixed notation for an exponent outside -5..15";
    if (fraction.empty()) return "fixed notation without fraction digits";
    if (e < 0 ? integer != "0" : integer[0] == '0') return "integer part with stray zeros";
    if (fraction != "0" && !no_trailing_zero(fraction)) return "fraction ending in zero";
  }

  // Shortest: neither (n-1)-digit neighbour of the exact value reads back to it.
  if (significant.size() >= 2) {
    const std::string shorter = significant.substr(0, significant.size() - 1);
    const std::string scale = "e" + std::to_string(e - static_cast<long>(shorter.size()) + 1);
    for (const std::string& candidate : {shorter, incremented(shorter)}) {
      bool read_whole = false;
      const double near = strtod_whole(candidate + scale, read_whole);
      if (near == std::fabs(value)) return "shorter digits " + candidate + scale + " read back";
    }
  }
  return "";
}

}  // namespace moodvane::fuzz
