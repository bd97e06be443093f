// Times parse_lexicon on each built-in lexicon text, as weighted_avg_shift runs it on every
// call. Prints one line per lexicon:
//   lexicon=<key> lines=<entries> bytes=<text length> us_per_text=<best> lines_per_s=<rate>
// where us_per_text is the best of several rounds' mean time per parse.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "moodvane/catalogue.hpp"
#include "moodvane/parser.hpp"

namespace {

using moodvane::lexicons::LexiconId;

}  // namespace

int main(int argc, char** argv) {
  if (argc > 3) {
    std::fprintf(stderr, "usage: parser_bench [PARSES_PER_ROUND] [ROUNDS]\n");
    return 2;
  }
  const int parses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

  // One parse of every text first, so that no lexicon pays for the allocator's first
  // growth on behalf of the others.
  std::size_t warm_up = 0;
  for (std::size_t index = 0; index < moodvane::lexicons::kLexiconCount; ++index) {
    const auto text = moodvane::lexicons::lexicon_text(static_cast<LexiconId>(index));
    warm_up += moodvane::lexicons::parse_lexicon(text).size();
  }
  if (warm_up == 0) std::fprintf(stderr, "parser_bench: every lexicon text parsed empty\n");

  using Clock = std::chrono::steady_clock;
  for (std::size_t index = 0; index < moodvane::lexicons::kLexiconCount; ++index) {
    const auto id = static_cast<LexiconId>(index);
    const std::string_view text = moodvane::lexicons::lexicon_text(id);
    std::size_t entries = moodvane::lexicons::parse_lexicon(text).size();

    double best = 1e300;
    for (int round = 0; round < rounds; ++round) {
      const auto start = Clock::now();
      for (int i = 0; i < parses; ++i) {
        // The size keeps every parse observable, so none can be optimised away.
        entries = std::min(entries, moodvane::lexicons::parse_lexicon(text).size());
      }
      best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count() / parses);
    }
    std::printf("lexicon=%s lines=%zu bytes=%zu us_per_text=%.2f lines_per_s=%.0f\n",
                std::string(moodvane::lexicons::lexicon_key(id)).c_str(), entries, text.size(),
                best * 1e6, static_cast<double>(entries) / best);
  }
  return 0;
}
