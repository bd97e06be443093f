// moodvane_tools._native: the native half of moodvane_tools, a second abi3 extension built
// from the same engine and lexicons as moodvane. It holds the generalized shifts (shift),
// the word counter (CountingRules, WordTally and their text functions), the lexicon
// catalogue, the Chinese segmenter and the corpus kernels (document scores, bootstrap).
// Every function takes keywords as the module's do, and checks everything itself, so that
// no call, however malformed, can take the interpreter down.
#include <cmath>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "boundary.hpp"
#include "chinese_segmentation.hpp"
#include "counter_types.hpp"
#include "document_scores.hpp"
#include "interrupts.hpp"
#include "lexicon_catalogue.hpp"
#include "lock_released.hpp"
#include "match_arguments.hpp"
#include "module_state.hpp"
#include "moodvane/general_shift.hpp"
#include "read_tables.hpp"
#include "result_dict.hpp"
#include "shift_resamples.hpp"

namespace moodvane::companion {
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

constexpr module::FunctionSignature kShiftSignature{
    "shift",
    {"kind", "type2freq_1", "type2freq_2", "scores_1", "scores_2", "stop_words", "top_n",
     "alpha", "base", "weight_1", "weight_2", "reference_value"},
    12};

PyResult<PyHandle> shift(module::ArgumentSlots& slots) {
  PyResult<std::string_view> kind_text = module::utf8_argument(slots[0], "kind");
  if (!kind_text) return std::unexpected(std::move(kind_text.error()));
  PyObject* freqs_1 = slots[1].get();
  PyObject* freqs_2 = slots[2].get();
  PyObject* scores_1 = slots[3].get();
  PyObject* scores_2 = slots[4].get();
  PyObject* stop_words = slots[5].get();
  PyResult<Py_ssize_t> top_n = module::index_argument(slots[6], "top_n");
  if (!top_n) return std::unexpected(std::move(top_n.error()));
  general::Parameters parameters;
  double general::Parameters::*const numbers[] = {
      &general::Parameters::alpha, &general::Parameters::base, &general::Parameters::weight_1,
      &general::Parameters::weight_2};
  const char* const number_names[] = {"alpha", "base", "weight_1", "weight_2"};
  for (std::size_t i = 0; i < std::size(numbers); ++i) {
    PyResult<double> value = module::float_argument(slots[7 + i], number_names[i]);
    if (!value) return std::unexpected(std::move(value.error()));
    parameters.*numbers[i] = *value;
  }
  PyObject* reference = slots[11].get();
  const std::optional<Kind> kind = kind_named(*kind_text);
  if (!kind) {
    PyErr_Format(PyExc_ValueError, "unknown kind %U", slots[0].get());
    return raised();
  }
  parameters.kind = *kind;
  if (*top_n < 0) {
    PyErr_Format(PyExc_ValueError, "top_n must be >= 0, got %zd", *top_n);
    return raised();
  }
  parameters.max_entries = static_cast<std::size_t>(*top_n);
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
    // Ctrl-C is answered as the native module answers it, the lock taken back for each look.
    module::LockReleased computing(&pins, pins.pinning());
    result.emplace(general::general_shift(inputs, parameters, computing.progress()));
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

PyObject* shift_entry(PyObject* /*module*/, PyObject* args, PyObject* keywords) {
  return module::call_with_arguments(kShiftSignature, args, keywords, shift);
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

// Through void(*)(): the interpreter calls each entry with the keyword dict, as the flags
// tell it to.
template <class Entry>
PyCFunction with_keywords(Entry entry) noexcept {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(entry));
}
constexpr int kKeywords = METH_VARARGS | METH_KEYWORDS;

PyMethodDef methods[] = {
    {"shift", with_keywords(shift_entry), kKeywords,
     PyDoc_STR("shift($module, kind, type2freq_1, type2freq_2, scores_1, scores_2, stop_words, top_n, "
               "alpha, base, weight_1, weight_2, reference_value)\n--\n\n"
               "-> dict. The generalized word shift of text 2 against text 1. Private: use the "
               "functions of moodvane_tools.")},
    {"kind_names", kind_names_entry, METH_NOARGS,
     PyDoc_STR("kind_names($module)\n--\n\n-> tuple[str, ...]. The kinds that shift() computes.")},
    {"stream_safe_pieces", with_keywords(stream_safe_pieces_entry), kKeywords,
     PyDoc_STR("stream_safe_pieces($module, text, piece_bytes)\n--\n\n-> list[str]. "
               "text in Unicode's Stream-Safe Text Format (U+034F after every 30 "
               "non-starters in a row), in pieces of about piece_bytes bytes of UTF-8 cut "
               "where normalising the pieces one by one gives the same text.")},
    {"last_break", with_keywords(last_break_entry), kKeywords,
     PyDoc_STR("last_break($module, text, end, window, white_space_only=False)\n--\n\n-> int. "
               "The largest index i with end - window < i <= end at which text may be cut "
               "without changing its counts, white space first; -1 when there is none.")},
    {"text_needs", with_keywords(text_needs_entry), kKeywords,
     PyDoc_STR("text_needs($module, text, lowering)\n--\n\n-> int. "
               "What text still needs before it is counted: 1 when it may not be in NFC, 2 "
               "when str.lower would change it (asked only with lowering).")},
    {"prepared_text", with_keywords(prepared_text_entry), kKeywords,
     PyDoc_STR("prepared_text($module, text, lowering)\n--\n\n-> str | None. text as the "
               "counter prepares it itself, as str.lower (with lowering) and NFC would, or "
               "None when only the interpreter may lower one of its characters.")},
    {"character_table_version", character_table_version_entry, METH_NOARGS,
     PyDoc_STR("character_table_version($module)\n--\n\n-> str. "
               "The Unicode version of the word counter's character table.")},
    {"lexicon_keys", lexicon_keys_entry, METH_NOARGS,
     PyDoc_STR("lexicon_keys($module)\n--\n\n-> tuple[str, ...]. "
               "The keys of the built-in lexicons, in catalogue order.")},
    {"resolve_lexicon", with_keywords(resolve_lexicon_entry), kKeywords,
     PyDoc_STR("resolve_lexicon($module, name)\n--\n\n-> str | None. "
               "The key of the built-in lexicon that name stands for (by the rules of "
               "moodvane.weighted_avg_shift's lexicon), or None.")},
    {"lexicon_scores", with_keywords(lexicon_scores_entry), kKeywords,
     PyDoc_STR("lexicon_scores($module, name)\n--\n\n-> dict[str, float]. "
               "A new dict of every word of the built-in lexicon name and its score, in "
               "the text's order; ValueError for an unknown name.")},
    {"lexicon_sources", lexicon_sources_entry, METH_NOARGS,
     PyDoc_STR("lexicon_sources($module)\n--\n\n-> str. "
               "The JSON text that says what each built-in lexicon is made of.")},
    {"segment_chinese", with_keywords(segment_chinese_entry), kKeywords,
     PyDoc_STR(kSegmentChineseDoc)},
    {"average_scores", with_keywords(average_scores_entry), kKeywords,
     PyDoc_STR("average_scores($module, documents, scores, stop_lens, stop_words)\n--\n\n"
               "-> (bytes, bytes, bytes). Each document's weighted-average score. Private: use "
               "moodvane_tools.score_documents.")},
    {"score_texts", with_keywords(score_texts_entry), kKeywords,
     PyDoc_STR("score_texts($module, rules, texts, groups, group_count, scores, stop_lens, stop_words, "
               "pooled, prepare=None)\n--\n\n-> tuple. Counts and scores texts, and groups of them, in one "
               "pass. Private: use moodvane_tools.score_documents.")},
    {"resample_ratios", with_keywords(resample_ratios_entry), kKeywords,
     PyDoc_STR("resample_ratios($module, sums, totals, starts, n_boot, seed)\n--\n\n-> bytes. Bootstrap "
               "resamples of each group's ratio of sums. Private: use "
               "moodvane_tools.happiness_series.")},
    {"resample_shift", with_keywords(resample_shift_entry), kKeywords,
     PyDoc_STR(kResampleShiftDoc)},
    {nullptr, nullptr, 0, nullptr},
};

int exec_module(PyObject* module) { return module::exec_in_barrier(module, add_counter_types); }

int traverse_module(PyObject* module, visitproc visit, void* arg) {
  ModuleState& state = state_of(module);
  Py_VISIT(state.counting_rules_type);
  Py_VISIT(state.word_tally_type);
  return 0;
}

int clear_module(PyObject* module) {
  ModuleState& state = state_of(module);
  Py_CLEAR(state.counting_rules_type);
  Py_CLEAR(state.word_tally_type);
  return 0;
}

void free_module(void* module) { clear_module(static_cast<PyObject*>(module)); }

PyModuleDef_Slot slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
    {0, nullptr},
};

PyModuleDef definition = {
    PyModuleDef_HEAD_INIT,
    "moodvane_tools._native",
    PyDoc_STR("The native half of moodvane_tools: generalized word shifts, the word counter, "
              "the lexicon catalogue, the Chinese segmenter and the corpus kernels "
              "(private)."),
    sizeof(ModuleState),
    methods,
    slots,
    traverse_module,
    clear_module,
    free_module,
};

}  // namespace
}  // namespace moodvane::companion

PyMODINIT_FUNC PyInit__native() {
  return PyModuleDef_Init(&moodvane::companion::definition);
}
