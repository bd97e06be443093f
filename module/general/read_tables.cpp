#include "read_tables.hpp"

#include <cmath>
#include <utility>
#include <vector>

namespace moodvane::general_module {
namespace {

Result<std::string_view> utf8_view(PyObject* word) {
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(word, &size);
  if (data == nullptr) return raised();
  return std::string_view(data, static_cast<std::size_t>(size));
}

bool has_real_conversion(PyObject* object) {
  PyTypeObject* type = Py_TYPE(object);
  return PyType_GetSlot(type, Py_nb_float) != nullptr ||
         PyType_GetSlot(type, Py_nb_index) != nullptr;
}

// float and int (bool included) are read directly; anything else goes through its own
// __float__ (or __index__), never through float()'s parsing of text.
Result<double> to_double(PyObject* value, PyObject* key, const char* name) {
  if (PyFloat_CheckExact(value)) return PyFloat_AsDouble(value);
  if (PyLong_CheckExact(value) || PyBool_Check(value)) {
    const double number = PyLong_AsDouble(value);
    if (number == -1.0 && PyErr_Occurred() != nullptr) return raised();
    return number;
  }
  if (!has_real_conversion(value)) {
    PyHandle type_name = PyHandle::steal(PyType_GetQualName(Py_TYPE(value)));
    if (!type_name) return raised();
    PyErr_Format(PyExc_TypeError, "%s: the value of %R must be a real number, not %S", name, key,
                 type_name.get());
    return raised();
  }
  PyHandle number = PyHandle::steal(PyNumber_Float(value));
  if (!number) return raised();
  return PyFloat_AsDouble(number.get());
}

// Converts one entry and appends it to the table, or raises naming the key.
Result<void> add_entry(general::Table& table, PyObject* key, PyObject* value, const char* name,
                       ValueRule rule) {
  if (!PyUnicode_Check(key)) {
    PyErr_Format(PyExc_TypeError, "%s: keys must be str, got %R", name, key);
    return raised();
  }
  Result<std::string_view> word = utf8_view(key);
  if (!word) return raised();
  Result<double> number = to_double(value, key, name);
  if (!number) return raised();
  const double v = *number;
  if (rule == ValueRule::count && !(std::isfinite(v) && v >= 0.0)) {
    PyErr_Format(PyExc_ValueError, "%s: the count of %R must be finite and >= 0, got %R", name,
                 key, value);
    return raised();
  }
  if (rule == ValueRule::score && !std::isfinite(v)) {
    PyErr_Format(PyExc_ValueError, "%s: the score of %R must be finite, got %R", name, key,
                 value);
    return raised();
  }
  table.words.push_back(*word);
  table.values.push_back(v);
  return {};
}

// A value read without running any Python code.
bool plain_number(PyObject* value) {
  return PyFloat_CheckExact(value) || PyLong_CheckExact(value) || PyBool_Check(value);
}

}  // namespace

Result<void> DictReader::pin_borrowed() {
  for (PyObject* dict : borrowed_) {
    PyHandle keys = PyHandle::steal(PyDict_Keys(dict));
    if (!keys) return raised();
    snapshots_.push_back(std::move(keys));
  }
  borrowed_.clear();
  return {};
}

Result<general::Table> DictReader::read(PyObject* dict, const char* name, ValueRule rule) {
  if (!PyDict_Check(dict)) {
    PyHandle type_name = PyHandle::steal(PyType_GetQualName(Py_TYPE(dict)));
    if (!type_name) return raised();
    PyErr_Format(PyExc_TypeError, "%s must be a dict, not %S", name, type_name.get());
    return raised();
  }
  const Py_ssize_t size = PyDict_Size(dict);
  general::Table table;
  table.words.reserve(static_cast<std::size_t>(size));
  table.values.reserve(static_cast<std::size_t>(size));

  // In place while every value is a plain number. The entries' pointers are gathered
  // first, so that the objects, which lie wherever the interpreter put them, can be fetched
  // a few entries ahead of their use.
  constexpr Py_ssize_t kAhead = 8;
  Py_ssize_t entry = 0;
  if (snapshots_.empty()) {
    std::vector<std::pair<PyObject*, PyObject*>> entries;
    entries.reserve(static_cast<std::size_t>(size));
    Py_ssize_t position = 0;
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    while (PyDict_Next(dict, &position, &key, &value)) entries.emplace_back(key, value);
    const Py_ssize_t count = static_cast<Py_ssize_t>(entries.size());
    for (; entry < count; ++entry) {
      if (entry + kAhead < count) {
        __builtin_prefetch(entries[static_cast<std::size_t>(entry + kAhead)].first);
        __builtin_prefetch(entries[static_cast<std::size_t>(entry + kAhead)].second);
      }
      const auto [entry_key, entry_value] = entries[static_cast<std::size_t>(entry)];
      if (!plain_number(entry_value)) break;
      if (!add_entry(table, entry_key, entry_value, name, rule)) return raised();
    }
    if (entry == count) {
      borrowed_.push_back(dict);
      return table;
    }
  }

  // From a snapshot, pinning first what was read in place: the rest may run Python code.
  if (!pin_borrowed()) return raised();
  PyHandle keys = PyHandle::steal(PyDict_Keys(dict));
  if (!keys) return raised();
  PyHandle values = PyHandle::steal(PyDict_Values(dict));
  if (!values) return raised();
  const Py_ssize_t listed = PyList_Size(keys.get());
  if (listed != size || PyList_Size(values.get()) != size) {
    PyErr_SetString(PyExc_RuntimeError, "dictionary changed size during iteration");
    return raised();
  }
  for (Py_ssize_t i = entry; i < size; ++i) {
    if (i + kAhead < size) {
      __builtin_prefetch(PyList_GetItem(keys.get(), i + kAhead));
      __builtin_prefetch(PyList_GetItem(values.get(), i + kAhead));
    }
    PyObject* listed_key = PyList_GetItem(keys.get(), i);        // borrowed from the snapshot
    PyObject* listed_value = PyList_GetItem(values.get(), i);    // likewise
    if (listed_key == nullptr || listed_value == nullptr) return raised();
    if (!add_entry(table, listed_key, listed_value, name, rule)) return raised();
  }
  snapshots_.push_back(std::move(keys));
  snapshots_.push_back(std::move(values));
  return table;
}

Result<std::vector<std::string_view>> read_words(PyObject* tuple, const char* name) {
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
    Result<std::string_view> view = utf8_view(word);
    if (!view) return raised();
    words.push_back(*view);
  }
  return words;
}

}  // namespace moodvane::general_module
