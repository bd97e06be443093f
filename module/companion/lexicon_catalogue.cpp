#include "lexicon_catalogue.hpp"

#include <expected>
#include <string>
#include <string_view>

#include "boundary.hpp"
#include "conversions.hpp"
#include "match_arguments.hpp"
#include "moodvane/catalogue.hpp"
#include "moodvane/lexicon_scores.hpp"
#include "py_error.hpp"

namespace moodvane::companion {
namespace {

using module::PyHandle;
using module::PyResult;
using module::raised;

PyHandle text(std::string_view value) {
  return PyHandle::steal(
      PyUnicode_FromStringAndSize(value.data(), static_cast<Py_ssize_t>(value.size())));
}

PyResult<PyHandle> lexicon_keys() {
  PyHandle keys = PyHandle::steal(PyTuple_New(static_cast<Py_ssize_t>(lexicons::kLexiconCount)));
  if (!keys) return raised();
  for (std::size_t i = 0; i < lexicons::kLexiconCount; ++i) {
    PyHandle key = text(lexicons::lexicon_key(static_cast<lexicons::LexiconId>(i)));
    if (!key) return raised();
    PyTuple_SetItem(keys.get(), static_cast<Py_ssize_t>(i), key.release());  // steals
  }
  return keys;
}

constexpr module::FunctionSignature kResolveSignature{"resolve_lexicon", {"name"}, 1};
constexpr module::FunctionSignature kScoresSignature{"lexicon_scores", {"name"}, 1};

// The lexicon a name stands for, by the rules of weighted_avg_shift's `lexicon`.
PyResult<std::expected<lexicons::LexiconId, std::string>> resolved(module::ArgumentSlots& slots) {
  PyResult<PyObject*> name = module::str_argument(slots[0], "name");
  if (!name) return std::unexpected(std::move(name.error()));
  PyResult<std::string_view> utf8 = module::utf8_view(*name);
  if (!utf8) return std::unexpected(std::move(utf8.error()));
  return lexicons::resolve_lexicon(*utf8);
}

PyResult<PyHandle> resolve_lexicon(module::ArgumentSlots& slots) {
  PyResult<std::expected<lexicons::LexiconId, std::string>> id = resolved(slots);
  if (!id) return std::unexpected(std::move(id.error()));
  if (!*id) return PyHandle::borrow(Py_None);
  PyHandle key = text(lexicons::lexicon_key(**id));
  if (!key) return raised();
  return key;
}

PyResult<PyHandle> lexicon_scores(module::ArgumentSlots& slots) {
  PyResult<std::expected<lexicons::LexiconId, std::string>> id = resolved(slots);
  if (!id) return std::unexpected(std::move(id.error()));
  if (!*id) return std::unexpected(module::PyErr::new_error(PyExc_ValueError, id->error()));
  // Parsed once per process and never changed: its words outlive this call.
  const types::ScoreMap& scores = lexicons::lexicon_scores(**id);
  PyHandle dict = PyHandle::steal(PyDict_New());
  if (!dict) return raised();
  for (const auto& [word, score] : scores) {
    const PyHandle key = PyHandle::steal(
        PyUnicode_DecodeUTF8(word.data(), static_cast<Py_ssize_t>(word.size()), "strict"));
    if (!key) return raised();
    const PyHandle value = PyHandle::steal(PyFloat_FromDouble(score));
    if (!value || PyDict_SetItem(dict.get(), key.get(), value.get()) != 0) return raised();
  }
  return dict;
}

PyResult<PyHandle> lexicon_sources() {
  PyHandle json = text(lexicons::lexicon_sources_json());
  if (!json) return raised();
  return json;
}

}  // namespace

PyObject* lexicon_keys_entry(PyObject*, PyObject*) {
  return module::run_in_barrier([] { return lexicon_keys(); });
}
PyObject* resolve_lexicon_entry(PyObject*, PyObject* args, PyObject* keywords) {
  return module::call_with_arguments(kResolveSignature, args, keywords, resolve_lexicon);
}
PyObject* lexicon_scores_entry(PyObject*, PyObject* args, PyObject* keywords) {
  return module::call_with_arguments(kScoresSignature, args, keywords, lexicon_scores);
}
PyObject* lexicon_sources_entry(PyObject*, PyObject*) {
  return module::run_in_barrier([] { return lexicon_sources(); });
}

}  // namespace moodvane::companion
