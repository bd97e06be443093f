// The lexicon texts as compiled into the library: one read-only blob holding the ten texts
// end to end in catalogue order, with no separator, and each text's start and length in
// bytes. The definitions are generated at build time from lexicons/data/<key>.tsv.
#pragma once

#include <array>
#include <cstdint>

#include "moodvane/catalogue.hpp"

namespace moodvane::lexicons::embedded {

const char* blob() noexcept;

extern const std::array<std::uint64_t, kLexiconCount> starts;
extern const std::array<std::uint64_t, kLexiconCount> lengths;

}  // namespace moodvane::lexicons::embedded
