// The ten built-in lexicons, compiled into the module, and the resolution of a name.
#pragma once

#include <array>
#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include "moodvane/lexicon_list.hpp"

namespace moodvane::lexicons {

// Catalogue order; every table of the catalogue is indexed by it.
enum class LexiconId : std::uint8_t {
#define MOODVANE_LEXICON_ID(key) key,
  MOODVANE_LEXICONS(MOODVANE_LEXICON_ID)
#undef MOODVANE_LEXICON_ID
};

#define MOODVANE_LEXICON_ONE(key) +1
inline constexpr std::size_t kLexiconCount = 0 MOODVANE_LEXICONS(MOODVANE_LEXICON_ONE);
#undef MOODVANE_LEXICON_ONE

// The catalogue key of a lexicon, e.g. "english".
std::string_view lexicon_key(LexiconId id) noexcept;

// The lexicon's text: read-only, alive for the whole process.
std::string_view lexicon_text(LexiconId id) noexcept;

// "senTX_English", "english", "ENGLISH" ... -> LexiconId::english. A name that resolves to
// no lexicon gives the whole error message: "unknown senTX lexicon: " and the name as the
// caller passed it, debug-quoted.
std::expected<LexiconId, std::string> resolve_lexicon(std::string_view name);

// lexicons/data/sources.json as it was when the library was built: for each key, the
// language and the sources of its entries with their licences.
std::string_view lexicon_sources_json() noexcept;

}  // namespace moodvane::lexicons
