// The built-in lexicons as score maps, each parsed on first use and kept for the process.
#pragma once

#include "moodvane/catalogue.hpp"
#include "moodvane/types.hpp"

namespace moodvane::lexicons {

// The parsed lexicon `id`. The first call for a lexicon parses its text; every later call
// returns the same immutable map, which lives until the process ends. Safe on any thread.
const types::ScoreMap& lexicon_scores(LexiconId id);

}  // namespace moodvane::lexicons
