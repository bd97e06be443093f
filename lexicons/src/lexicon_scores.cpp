#include "moodvane/lexicon_scores.hpp"

#include <array>
#include <cstddef>
#include <mutex>

#include "moodvane/parser.hpp"

namespace moodvane::lexicons {
namespace {

struct Parsed {
  std::once_flag once;
  // Never released: the map is constant data from its first use to the end of the process,
  // and a destructor at exit could only race a thread still inside a call.
  const types::ScoreMap* map = nullptr;
};

std::array<Parsed, kLexiconCount> g_parsed;

}  // namespace

const types::ScoreMap& lexicon_scores(LexiconId id) {
  // People compare many short texts; parsing 10,000 lines for each call would cost them
  // far more than their own words do. call_once publishes the map to every thread, and a
  // parse that throws (out of memory) leaves the lexicon to be parsed again next time.
  Parsed& parsed = g_parsed[static_cast<std::size_t>(id)];
  std::call_once(parsed.once,
                 [&parsed, id] { parsed.map = new types::ScoreMap(parse_lexicon(lexicon_text(id))); });
  return *parsed.map;
}

}  // namespace moodvane::lexicons
