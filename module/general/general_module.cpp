// moodvane_tools._general: the private extension behind moodvane_tools.generalized.
//
// One function, shift(kind, type2freq_1, type2freq_2, scores_1, scores_2, stop_words,
// top_n, alpha, base, weight_1, weight_2, reference_value), all positional; the public
// functions in generalized.py shape their arguments into these. Everything is checked here
// as well, so that no call, however malformed, can take the interpreter down.
#include <cmath>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "boundary.hpp"
#include "interrupts.hpp"
#include "chinese_segmentation.hpp"
#include "document_scores.hpp"
#include "lexicon_catalogue.hpp"
#include "moodvane/general_shift.hpp"
#include "read_tables.hpp"
#include "result_dict.hpp"
#include "shift_resamples.hpp"
#include "word_counting.hpp"

namespace moodvane::general_module {
namespace {

using general::Kind;
using module::PyHandle;
using module::PyResult;
using module::raised;
using module::WordPins;

// The kinds by the names Python uses; kind_names() hands this list to the package's
// registry of kinds, so that a kind exists under one name everywhere.
struct NamedKind {
  const char* name;
  Kind kind;
};
constexpr NamedKind kinds[] = {
    {"proportion", Kind::proportion}, {"entropy", Kind::entropy}, {"kld", Kind::kld},
    {"jsd", Kind::jsd},               {"weighted", Kind::weighted},
};

std::optional<Kind> kind_named(std::string_view name) {
  for (const NamedKind& named : kinds) {
    if (name == named.name) return named.kind;
  }
  return std::nullopt;
}

// The engine's progress hook: answers Ctrl-C as the native module does. When every word the
// engine reads is the call's own, other threads run while it computes, and the hook takes
// the interpreter lock back for each look.
class EngineProgress {
 public:
  EngineProgress(WordPins& pins, bool release_lock) noexcept
      : pins_(pins), state_(release_lock ? PyEval_SaveThread() : nullptr) {}
  ~EngineProgress() {
    if (state_ != nullptr) PyEval_RestoreThread(state_);
  }
  EngineProgress(const EngineProgress&) = delete;
  EngineProgress& operator=(const EngineProgress&) = delete;

  shift::Progress hook() noexcept { return {check, this}; }

 private:
  static void check(void* context) {
    auto* self = static_cast<EngineProgress*>(context);
    PyThreadState* const released = std::exchange(self->state_, nullptr);
    if (released != nullptr) PyEval_RestoreThread(released);
    // Throws with the lock held, which the destructor then leaves held.
    module::answer_interrupt_or_throw(&self->pins_);
    if (released != nullptr) self->state_ = PyEval_SaveThread();
  }

  WordPins& pins_;
  PyThreadState* state_;
};

std::unexpected<module::PyErr> parameter_error(const general::ParameterProblem& problem,
                                        const general::Parameters& parameters) {
  PyHandle got;
  if (problem.name == "alpha") {
    got = PyHandle::steal(PyFloat_FromDouble(parameters.alpha));
  } else if (problem.name == "base") {
    got = PyHandle::steal(PyFloat_FromDouble(parameters.base));
  } else if (problem.name == "reference_value") {
    got = PyHandle::steal(PyFloat_FromDouble(parameters.reference.value_or(0.0)));
  } else {
    PyHandle w1 = PyHandle::steal(PyFloat_FromDouble(parameters.weight_1));
    PyHandle w2 = PyHandle::steal(PyFloat_FromDouble(parameters.weight_2));
    if (!w1 || !w2) return raised();
    got = PyHandle::steal(PyTuple_Pack(2, w1.get(), w2.get()));
  }
  if (!got) return raised();
  const std::string name(problem.name);
  const std::string requirement(problem.requirement);
  PyErr_Format(PyExc_ValueError, "%s must be %s, got %R", name.c_str(), requirement.c_str(),
               got.get());
  return raised();
}

PyResult<PyHandle> shift(PyObject* args) {
  const char* kind_name = nullptr;
  PyObject* freqs_1 = nullptr;
  PyObject* freqs_2 = nullptr;
  PyObject* scores_1 = nullptr;
  PyObject* scores_2 = nullptr;
  PyObject* stop_words = nullptr;
  Py_ssize_t top_n = 0;
  general::Parameters parameters;
  PyObject* reference = nullptr;
  if (!PyArg_ParseTuple(args, "sOOOOOnddddO:shift", &kind_name, &freqs_1, &freqs_2, &scores_1,
                        &scores_2, &stop_words, &top_n, &parameters.alpha, &parameters.base,
                        &parameters.weight_1, &parameters.weight_2, &reference)) {
    return raised();
  }
  const std::optional<Kind> kind = kind_named(kind_name);
  if (!kind) {
    PyErr_Format(PyExc_ValueError, "unknown kind %s", kind_name);
    return raised();
  }
  parameters.kind = *kind;
  if (top_n < 0) {
    PyErr_Format(PyExc_ValueError, "top_n must be >= 0, got %zd", top_n);
    return raised();
  }
  parameters.max_entries = static_cast<std::size_t>(top_n);
  if (reference != Py_None) {
    const double value = PyFloat_AsDouble(reference);
    if (value == -1.0 && PyErr_Occurred() != nullptr) return raised();
    parameters.reference = value;
  }
  if (const auto problem = general::check_parameters(parameters)) {
    return parameter_error(*problem, parameters);
  }
  const bool weighted = *kind == Kind::weighted;
  if (!weighted && (scores_1 != Py_None || scores_2 != Py_None)) {
    PyErr_SetString(PyExc_TypeError, "only the weighted kind takes score maps");
    return raised();
  }

  // Declared before the tables, so that it outlives every view of the caller's words.
  WordPins pins;
  PyResult<general::Table> text_1 = read_table(freqs_1, "type2freq_1", ValueRule::count, pins);
  if (!text_1) return std::unexpected(std::move(text_1.error()));
  if (PyResult<void> answered = module::answer_interrupt(&pins); !answered) {
    return std::unexpected(std::move(answered.error()));
  }
  PyResult<general::Table> text_2 = read_table(freqs_2, "type2freq_2", ValueRule::count, pins);
  if (!text_2) return std::unexpected(std::move(text_2.error()));
  general::Table map_1;
  general::Table map_2;
  // One dict passed as both maps is read once.
  const bool same_scores = weighted && scores_1 == scores_2;
  if (weighted) {
    if (PyResult<void> answered = module::answer_interrupt(&pins); !answered) {
      return std::unexpected(std::move(answered.error()));
    }
    PyResult<general::Table> read_1 = read_table(scores_1, "scores_1", ValueRule::score, pins);
    if (!read_1) return std::unexpected(std::move(read_1.error()));
    map_1 = std::move(*read_1);
  }
  if (weighted && !same_scores) {
    if (PyResult<void> answered = module::answer_interrupt(&pins); !answered) {
      return std::unexpected(std::move(answered.error()));
    }
    PyResult<general::Table> read_2 = read_table(scores_2, "scores_2", ValueRule::score, pins);
    if (!read_2) return std::unexpected(std::move(read_2.error()));
    map_2 = std::move(*read_2);
  }
  PyResult<std::vector<std::string_view>> stopped = read_words(stop_words, "stop_words");
  if (!stopped) return std::unexpected(std::move(stopped.error()));
  if (PyResult<void> answered = module::answer_interrupt(&pins); !answered) {
    return std::unexpected(std::move(answered.error()));
  }

  general::Inputs inputs{std::move(*text_1), std::move(*text_2), std::move(map_1),
                         std::move(map_2), std::move(*stopped), same_scores};
  std::optional<std::expected<types::ShiftResult, general::InfiniteDivergence>> result;
  {
    // While words are merely borrowed from the dicts, no other thread may run until the
    // engine is done: it could change them.
    EngineProgress progress(pins, pins.pinning());
    result.emplace(general::general_shift(inputs, parameters, progress.hook()));
  }
  if (PyResult<void> answered = module::answer_interrupt(&pins); !answered) {
    return std::unexpected(std::move(answered.error()));
  }
  if (!*result) {
    const std::string& word = (*result).error().word;
    PyHandle text = PyHandle::steal(
        PyUnicode_DecodeUTF8(word.data(), static_cast<Py_ssize_t>(word.size()), "strict"));
    if (!text) return raised();
    PyHandle message = PyHandle::steal(PyUnicode_FromFormat(
        "%R has a count in type2freq_2 but none in type2freq_1, which makes the "
        "Kullback-Leibler divergence D(P2 || P1) infinite; kld_shift(..., pseudocount=...) "
        "smooths the counts, and jsd_shift compares such texts",
        text.get()));
    if (!message) return raised();
    // The word rides on the error as `word`, so that a caller can name it in its own terms
    // without looking for it again.
    PyHandle error = PyHandle::steal(
        PyObject_CallFunctionObjArgs(PyExc_ValueError, message.get(), nullptr));
    if (!error || PyObject_SetAttrString(error.get(), "word", text.get()) < 0) return raised();
    PyErr_SetObject(PyExc_ValueError, error.get());
    return raised();
  }
  return to_py_dict(**result);
}

PyObject* shift_entry(PyObject* /*module*/, PyObject* args) {
  return module::run_in_barrier([args] { return shift(args); });
}

PyResult<PyHandle> kind_names() {
  PyHandle names = PyHandle::steal(PyTuple_New(std::size(kinds)));
  if (!names) return raised();
  for (std::size_t i = 0; i < std::size(kinds); ++i) {
    PyObject* name = PyUnicode_FromString(kinds[i].name);
    if (name == nullptr) return raised();
    PyTuple_SetItem(names.get(), static_cast<Py_ssize_t>(i), name);  // steals name
  }
  return names;
}

PyObject* kind_names_entry(PyObject* /*module*/, PyObject* /*unused*/) {
  return module::run_in_barrier([] { return kind_names(); });
}

PyMethodDef methods[] = {
    {"shift", shift_entry, METH_VARARGS,
     PyDoc_STR("shift(kind, type2freq_1, type2freq_2, scores_1, scores_2, stop_words, top_n, "
               "alpha, base, weight_1, weight_2, reference_value) -> dict\n\n"
               "The generalized word shift of text 2 against text 1. Private: use the "
               "functions of moodvane_tools.")},
    {"kind_names", kind_names_entry, METH_NOARGS,
     PyDoc_STR("kind_names() -> tuple[str, ...]\n\nThe kinds that shift() computes.")},
    {"counting_rules", counting_rules_entry, METH_VARARGS, nullptr},
    {"new_tally", new_tally_entry, METH_VARARGS, nullptr},
    {"tally_add", tally_add_entry, METH_VARARGS, nullptr},
    {"tally_take", tally_take_entry, METH_VARARGS, nullptr},
    {"stream_safe_pieces", stream_safe_entry, METH_VARARGS, nullptr},
    {"last_break", last_break_entry, METH_VARARGS, nullptr},
    {"text_needs", text_needs_entry, METH_VARARGS, nullptr},
    {"character_table_version", character_table_version_entry, METH_NOARGS, nullptr},
    {"lexicon_keys", lexicon_keys_entry, METH_NOARGS, nullptr},
    {"resolve_lexicon", resolve_lexicon_entry, METH_VARARGS, nullptr},
    {"lexicon_scores", lexicon_scores_entry, METH_VARARGS, nullptr},
    {"lexicon_sources", lexicon_sources_entry, METH_NOARGS, nullptr},
    {"segment_chinese", segment_chinese_entry, METH_VARARGS, PyDoc_STR(kSegmentChineseDoc)},
    {"average_scores", average_scores_entry, METH_VARARGS,
     PyDoc_STR("average_scores(documents, scores, stop_lens, stop_words) -> (bytes, bytes, "
               "bytes)\n\nEach document's weighted-average score. Private: use "
               "moodvane_tools.score_documents.")},
    {"score_texts", score_texts_entry, METH_VARARGS,
     PyDoc_STR("score_texts(rules, texts, groups, group_count, scores, stop_lens, stop_words, "
               "pooled) -> tuple\n\nCounts and scores texts, and groups of them, in one "
               "pass. Private: use moodvane_tools.score_documents.")},
    {"resample_ratios", resample_ratios_entry, METH_VARARGS,
     PyDoc_STR("resample_ratios(sums, totals, starts, n_boot, seed) -> bytes\n\nBootstrap "
               "resamples of each group's ratio of sums. Private: use "
               "moodvane_tools.happiness_series.")},
    {"resample_shift", resample_shift_entry, METH_VARARGS, PyDoc_STR(kResampleShiftDoc)},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef_Slot slots[] = {
    {0, nullptr},
};

PyModuleDef definition = {
    PyModuleDef_HEAD_INIT, "moodvane_tools._general",
    PyDoc_STR("Generalized word shifts computed natively (private)."),
    0, methods, slots, nullptr, nullptr, nullptr,
};

}  // namespace
}  // namespace moodvane::general_module

PyMODINIT_FUNC PyInit__general() {
  return PyModuleDef_Init(&moodvane::general_module::definition);
}
