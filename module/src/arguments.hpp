// From the interpreter's positional tuple and keyword dict to the native arguments of the
// two functions: matching, the type checks and conversions of each parameter in parameter
// order, and the conversions of dictionary contents and of `reference_value` that the
// operations run later.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "moodvane/types.hpp"
#include "conversions.hpp"
#include "match_arguments.hpp"
#include "py_error.hpp"
#include "py_handle.hpp"
#include "word_pins.hpp"

namespace moodvane::module {

inline constexpr std::size_t kParameterCount = 7;

inline constexpr FunctionSignature kWeightedAvgShiftSignature{
    "weighted_avg_shift",
    {"type2freq_1", "type2freq_2", "lexicon", "reference_value", "top_n", "stop_lens",
     "stop_words"},
    2};

inline constexpr FunctionSignature kWeightedAvgShiftCustomSignature{
    "weighted_avg_shift_custom",
    {"type2freq_1", "type2freq_2", "scores", "reference_value", "top_n", "stop_lens", "stop_words"},
    3};

static_assert(kWeightedAvgShiftSignature.parameter_count() == kParameterCount);
static_assert(kWeightedAvgShiftCustomSignature.parameter_count() == kParameterCount);

// The parameters both functions share, converted.
struct ShiftArguments {
  PyHandle type2freq_1;      // a dict, contents not yet read
  PyHandle type2freq_2;      // a dict, contents not yet read
  PyHandle reference_value;  // null when absent or None
  std::uint64_t top_n = 0;
  std::optional<types::StopLens> stop_lens;
  // The members of stop_words, whose bytes the set borrows; a set subclass's __iter__ may
  // hand out objects that nothing else holds.
  std::vector<PyHandle> stop_word_objects;
  std::optional<types::StopWords> stop_words;
};

struct LexiconShiftArguments {
  ShiftArguments shared;
  std::string lexicon;
};

struct CustomShiftArguments {
  ShiftArguments shared;
  PyHandle scores;  // a dict, contents not yet read
};

PyResult<LexiconShiftArguments> convert_lexicon_arguments(ArgumentSlots slots);
PyResult<CustomShiftArguments> convert_custom_arguments(ArgumentSlots slots);

// A word-frequency dict's entries, in insertion order. The words are borrowed from the
// dict's keys, which `pins` keeps alive.
PyResult<types::InputSystem> parse_freqs(PyObject* dict, WordPins& pins);

// A word-score dict's entries; a word stored twice keeps its later score. Words borrowed
// as in parse_freqs.
PyResult<types::ScoreMap> parse_scores(PyObject* dict, WordPins& pins);

// Nothing for an absent `reference_value`, else Average for "average" in any ASCII case or
// Fixed for anything the float conversion takes. `pins` is told before any Python code
// that the conversion may run.
PyResult<std::optional<types::Reference>> parse_reference(PyObject* value, WordPins& pins);

}  // namespace moodvane::module
