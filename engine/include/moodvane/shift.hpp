// The weighted-average word shift: the engine's one operation.
//
// Every sum runs over the vocabulary in ascending byte order of the words and every formula
// is evaluated in the order written, so a result is bit-identical whatever the hash seeds,
// map iteration orders or input orders (save the last bits of a repeated word's summed
// frequency).
#pragma once

#include <cstddef>
#include <optional>

#include "moodvane/types.hpp"

namespace moodvane::shift {

// A hook that the engine calls now and then during a long computation: every few tens of
// thousands of words and between its stages. It may throw to abandon the computation (the
// module does so when the user presses Ctrl-C); the engine then holds nothing that leaks,
// and the exception reaches the engine's caller.
struct Progress {
  void (*check)(void* context) = nullptr;
  void* context = nullptr;

  void operator()() const {
    if (check != nullptr) check(context);
  }
};

// Words or records handled between two calls of the progress hook.
inline constexpr std::size_t kProgressInterval = 1 << 15;

// The shift of system 2 against system 1. Never fails: every input yields a full result.
// `stop_words` may be null (absent). When `max_entries` is not 0, only the first
// `max_entries` entries (in result order) are built, as if the rest had been cut off
// afterwards; every total still covers the whole vocabulary.
//
// The systems are taken by value: once their words are tallied the engine releases them,
// which on millions of words halves the memory the rest of the computation adds. A caller
// that still needs them passes copies.
types::ShiftResult weighted_avg_shift(types::InputSystem system_1, types::InputSystem system_2,
                                      const types::ScoreMap& scores,
                                      const types::Reference& reference,
                                      const std::optional<types::StopLens>& stop_lens,
                                      const types::StopWords* stop_words,
                                      std::size_t max_entries = 0, const Progress& progress = {});

// The same with a score map that the caller hands over: the engine releases it as soon as
// it has read it, before the memory-hungry rest of the computation.
types::ShiftResult weighted_avg_shift(types::InputSystem system_1, types::InputSystem system_2,
                                      types::ScoreMap&& scores,
                                      const types::Reference& reference,
                                      const std::optional<types::StopLens>& stop_lens,
                                      const types::StopWords* stop_words,
                                      std::size_t max_entries = 0, const Progress& progress = {});

// One text's frequency-weighted average score on its own, as `weighted_avg_shift` finds
// it: `mean` is the `s_avg_1` of a shift of this system against an empty one, bit for
// bit, and `total` the summed frequency of the words it averages over (scored, outside the
// stop lens, not stop words). `mean` is +0.0 when `total` is not above 0.0.
struct SystemAverage {
  double mean = 0.0;
  double total = 0.0;
};

SystemAverage weighted_average(const types::InputSystem& system, const types::ScoreMap& scores,
                               const std::optional<types::StopLens>& stop_lens,
                               const types::StopWords* stop_words);

}  // namespace moodvane::shift
