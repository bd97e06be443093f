// Reads a lexicon text (word TAB score per line) into a ScoreMap.
#pragma once

#include <string_view>

#include "moodvane/types.hpp"

namespace moodvane::lexicons {

// Lenient by construction: lines that do not fit the format are passed over in silence,
// and the last valid line for a word wins. Never fails.
types::ScoreMap parse_lexicon(std::string_view text);

}  // namespace moodvane::lexicons
