// The debug-quoted form of a text, as error messages show names and values.
#pragma once

#include <string>
#include <string_view>

namespace moodvane::lexicons {

// The text between double quotes: backslash and quote escaped with a backslash; tab, line
// feed, carriage return and NUL as \t \n \r \0; other control, format, surrogate,
// private-use, unassigned and separator characters (except the space) and every
// Grapheme_Extend character as \u{hex}; everything else unchanged. `text` is valid UTF-8.
std::string debug_quote(std::string_view text);

}  // namespace moodvane::lexicons
