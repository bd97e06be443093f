// Unicode character data that debug_quote needs, generated into unicode_tables.cpp by
// tools/gen_unicode_tables.py.
#pragma once

#include <span>
#include <string_view>

namespace moodvane::lexicons::unicode {

// A closed range of code points.
struct CodePointRange {
  char32_t first;
  char32_t last;
};

// The Unicode version the tables were generated from, e.g. "15.0.0".
std::string_view unicode_version() noexcept;

// The code points shown as \u{...}: general categories Cc, Cf, Cs, Co, Cn, Zl, Zp and Zs
// (without U+0020) and the Grapheme_Extend property. Sorted, disjoint and non-adjacent.
std::span<const CodePointRange> escaped_code_points() noexcept;

}  // namespace moodvane::lexicons::unicode
