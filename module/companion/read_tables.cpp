#include "read_tables.hpp"

#include <cmath>
#include <utility>

#include "conversions.hpp"
#include "dict_walk.hpp"

namespace moodvane::companion {

using module::PyHandle;
using module::PyResult;
using module::raised;

namespace {

bool has_real_conversion(PyObject* object) {
  PyTypeObject* type = Py_TYPE(object);
  return PyType_GetSlot(type, Py_nb_float) != nullptr ||
         PyType_GetSlot(type, Py_nb_index) != nullptr;
}

// float and int (bool included) are read directly; anything else goes through its own
// __float__ (or __index__), never through float()'s parsing of text.
PyResult<double> real_value(PyObject* value, PyObject* key, const char* name,
                            module::WordPins& pins) {
  if (!has_real_conversion(value)) {
    // The key and value are owned before anything that allocates: a collection may run
    // gc.callbacks, and the key's __repr__ may empty the dict that holds both.
    const PyHandle held_key = PyHandle::borrow(key);
    const PyHandle held_value = PyHandle::borrow(value);
    PyHandle type_name = PyHandle::steal(PyType_GetQualName(Py_TYPE(held_value.get())));
    if (!type_name) return raised();
    PyErr_Format(PyExc_TypeError, "%s: the value of %R must be a real number, not %S", name,
                 held_key.get(), type_name.get());
    return raised();
  }
  return module::to_double(value, &pins);
}

// Converts one entry and appends it to the table, or raises naming the key.
PyResult<void> add_entry(general::Table& table, PyObject* key, PyObject* value, const char* name,
                         ValueRule rule, module::WordPins& pins) {
  if (!PyUnicode_Check(key)) {
    const PyHandle held_key = PyHandle::borrow(key);
    PyErr_Format(PyExc_TypeError, "%s: keys must be str, got %R", name, held_key.get());
    return raised();
  }
  PyResult<std::string_view> word = module::utf8_view(key);
  if (!word) return std::unexpected(std::move(word.error()));
  PyResult<double> number = real_value(value, key, name, pins);
  if (!number) return std::unexpected(std::move(number.error()));
  const double v = *number;
  const bool bad_count = rule == ValueRule::count && !(std::isfinite(v) && v >= 0.0);
  const bool bad_score = rule == ValueRule::score && !std::isfinite(v);
  if (bad_count || bad_score) {
    // Formatting runs the key's and the value's __repr__, which may empty the dict and so
    // free whatever it alone held: both are owned first.
    const PyHandle held_key = PyHandle::borrow(key);
    const PyHandle held_value = PyHandle::borrow(value);
    PyErr_Format(PyExc_ValueError,
                 bad_count ? "%s: the count of %R must be finite and >= 0, got %R"
                           : "%s: the score of %R must be finite, got %R",
                 name, held_key.get(), held_value.get());
    return raised();
  }
  table.words.push_back(*word);
  table.values.push_back(v);
  return {};
}

}  // namespace

PyResult<general::Table> read_table(PyObject* dict, const char* name, ValueRule rule,
                                    module::WordPins& pins) {
  if (!PyDict_Check(dict)) {
    PyHandle type_name = PyHandle::steal(PyType_GetQualName(Py_TYPE(dict)));
    if (!type_name) return raised();
    PyErr_Format(PyExc_TypeError, "%s must be a dict, not %S", name, type_name.get());
    return raised();
  }
  const auto size = static_cast<std::size_t>(PyDict_Size(dict));
  general::Table table;
  table.words.reserve(size);
  table.values.reserve(size);
  PyResult<void> walked =
      module::walk_dict_as_read(dict, pins, [&](PyObject* key, PyObject* value) {
        return add_entry(table, key, value, name, rule, pins);
      });
  if (!walked) return std::unexpected(std::move(walked.error()));
  return table;
}

PyResult<std::vector<std::string_view>> read_words(PyObject* tuple, const char* name) {
  if (!PyTuple_Check(tuple)) {
    PyErr_Format(PyExc_TypeError, "%s must be a tuple of str", name);
    return raised();
  }
  const Py_ssize_t size = PyTuple_Size(tuple);
  std::vector<std::string_view> words;
  words.reserve(static_cast<std::size_t>(size));
  for (Py_ssize_t i = 0; i < size; ++i) {
    PyObject* word = PyTuple_GetItem(tuple, i);
    if (word == nullptr) return raised();
    if (!PyUnicode_Check(word)) {
      PyErr_Format(PyExc_TypeError, "%s must hold only str, got %R", name, word);
      return raised();
    }
    PyResult<std::string_view> view = module::utf8_view(word);
    if (!view) return std::unexpected(std::move(view.error()));
    words.push_back(*view);
  }
  return words;
}

}  // namespace moodvane::companion
