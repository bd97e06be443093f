// Both bodies read their inputs in the same fixed order (system 1, system 2, the scores'
// source, the reference), so the first failure in that order is the one the caller sees.
#include "operations.hpp"

#include <cstdint>
#include <utility>

#include "moodvane/catalogue.hpp"
#include "moodvane/lexicon_scores.hpp"
#include "moodvane/shift.hpp"
#include "interrupts.hpp"
#include "to_python.hpp"

namespace moodvane::module {

namespace {

struct Systems {
  types::InputSystem first;
  types::InputSystem second;
};

PyResult<Systems> parse_systems(const ShiftArguments& arguments, WordPins& pins) {
  PyResult<types::InputSystem> first = parse_freqs(arguments.type2freq_1.get(), pins);
  if (!first) return std::unexpected(std::move(first.error()));
  if (PyResult<void> answered = answer_interrupt(&pins); !answered) {
    return std::unexpected(std::move(answered.error()));
  }
  PyResult<types::InputSystem> second = parse_freqs(arguments.type2freq_2.get(), pins);
  if (!second) return std::unexpected(std::move(second.error()));
  return Systems{std::move(*first), std::move(*second)};
}

PyResult<types::Reference> reference_of(const ShiftArguments& arguments, WordPins& pins) {
  PyResult<std::optional<types::Reference>> reference =
      parse_reference(arguments.reference_value.get(), pins);
  if (!reference) return std::unexpected(std::move(reference.error()));
  return reference->value_or(types::Average{});
}

// top_n as a count of entries; a top_n beyond what memory can hold keeps every entry.
std::size_t clamp_to_size(std::uint64_t top_n) {
  return top_n > SIZE_MAX ? SIZE_MAX : static_cast<std::size_t>(top_n);
}

// The engine cuts the entry list to top_n itself (the totals stay those of the full
// vocabulary), so neither building nor encoding pays for entries that are not returned.
// Ctrl-C is answered before, during and after the computation.
// The systems are handed over: the engine releases them as soon as they are tallied, and
// so the scores when they are handed over too (an rvalue `scores`). Ctrl-C is answered
// before, during and after the computation.
//
// Kept out of line: a caller's __float__ may call the module again from inside the
// conversion of the dicts, and the frames of that recursion should not carry this stage's
// locals.
template <class Scores>
[[gnu::noinline]] PyResult<types::ShiftResult> run_engine(Systems systems, Scores&& scores,
                                        const types::Reference& reference,
                                        const ShiftArguments& arguments, WordPins& pins) {
  if (PyResult<void> answered = answer_interrupt(&pins); !answered) {
    return std::unexpected(std::move(answered.error()));
  }
  types::ShiftResult result = shift::weighted_avg_shift(
      std::move(systems.first), std::move(systems.second), std::forward<Scores>(scores),
      reference, arguments.stop_lens, arguments.stop_words ? &*arguments.stop_words : nullptr,
      clamp_to_size(arguments.top_n), shift::Progress{answer_interrupt_or_throw, &pins});
  if (PyResult<void> answered = answer_interrupt(&pins); !answered) {
    return std::unexpected(std::move(answered.error()));
  }
  return result;
}

// The stages after the frequency dicts: the reference, the engine, the encoding. Out of
// line for the same reason as run_engine: the conversion of the dicts may recurse into the
// module, and each level of that recursion should carry only the locals of its first stage.
template <class Scores>
[[gnu::noinline]] PyResult<PyHandle> finish(Systems systems, Scores&& scores,
                                            const ShiftArguments& arguments, WordPins& pins) {
  PyResult<types::Reference> reference = reference_of(arguments, pins);
  if (!reference) return std::unexpected(std::move(reference.error()));
  PyResult<types::ShiftResult> result = run_engine(
      std::move(systems), std::forward<Scores>(scores), *reference, arguments, pins);
  if (!result) return std::unexpected(std::move(result.error()));
  return to_py_dict(*result);
}

[[gnu::noinline]] PyResult<PyHandle> finish_custom(Systems systems,
                                                   const CustomShiftArguments& arguments,
                                                   WordPins& pins) {
  if (PyResult<void> answered = answer_interrupt(&pins); !answered) {
    return std::unexpected(std::move(answered.error()));
  }
  PyResult<types::ScoreMap> scores = parse_scores(arguments.scores.get(), pins);
  if (!scores) return std::unexpected(std::move(scores.error()));
  // The caller's scores are handed over, to be released as soon as the engine has read them.
  return finish(std::move(systems), std::move(*scores), arguments.shared, pins);
}

}  // namespace

PyResult<PyHandle> weighted_avg_shift(const LexiconShiftArguments& arguments) {
  // Declared first, so that it outlives every view of the caller's words.
  WordPins pins;
  PyResult<Systems> systems = parse_systems(arguments.shared, pins);
  if (!systems) return std::unexpected(std::move(systems.error()));

  const std::expected<lexicons::LexiconId, std::string> id =
      lexicons::resolve_lexicon(arguments.lexicon);
  if (!id) return std::unexpected(PyErr::new_error(PyExc_ValueError, id.error()));

  // Parsed on the first call that names it, then kept: the map never changes.
  return finish(std::move(*systems), lexicons::lexicon_scores(*id), arguments.shared, pins);
}

PyResult<PyHandle> weighted_avg_shift_custom(const CustomShiftArguments& arguments) {
  // Declared first, so that it outlives every view of the caller's words.
  WordPins pins;
  PyResult<Systems> systems = parse_systems(arguments.shared, pins);
  if (!systems) return std::unexpected(std::move(systems.error()));
  return finish_custom(std::move(*systems), arguments, pins);
}

}  // namespace moodvane::module
