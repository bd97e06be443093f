#include "result_dict.hpp"

#include <array>
#include <cmath>
#include <string_view>

namespace moodvane::companion {
namespace {

// The helpers leave a failure pending in the interpreter and say so by a null handle or
// false; to_py_dict turns it into the call's error value.

// Keys interned once per call: each entry dict then shares them.
template <std::size_t N>
bool intern_all(const std::array<const char*, N>& names, std::array<PyHandle, N>& keys) {
  for (std::size_t i = 0; i < N; ++i) {
    keys[i] = PyHandle::steal(PyUnicode_InternFromString(names[i]));
    if (!keys[i]) return false;
  }
  return true;
}

PyHandle number(double value) {
  if (!std::isfinite(value)) return PyHandle::borrow(Py_None);
  return PyHandle::steal(PyFloat_FromDouble(value));
}

PyHandle text(std::string_view word) {
  return PyHandle::steal(
      PyUnicode_DecodeUTF8(word.data(), static_cast<Py_ssize_t>(word.size()), "strict"));
}

// Sets dict[key] = value, taking over `value`.
bool put(PyObject* dict, const PyHandle& key, PyHandle value) {
  return value && PyDict_SetItem(dict, key.get(), value.get()) == 0;
}

template <std::size_t N>
PyHandle number_dict(const std::array<PyHandle, N>& keys, const std::array<double, N>& values) {
  PyHandle dict = PyHandle::steal(PyDict_New());
  if (!dict) return dict;
  for (std::size_t i = 0; i < N; ++i) {
    if (!put(dict.get(), keys[i], number(values[i]))) return PyHandle();
  }
  return dict;
}

}  // namespace

PyResult<PyHandle> to_py_dict(const types::ShiftResult& result) {
  std::array<PyHandle, 8> top;
  std::array<PyHandle, 6> entry_keys;
  std::array<PyHandle, 6> sum_keys;
  if (!intern_all<8>({"entries", "component_sums", "total_diff", "norm", "s_avg_1", "s_avg_2",
                      "reference_value", "normalization"},
                     top) ||
      !intern_all<6>({"type", "p_diff", "s_diff", "p_avg", "s_ref_diff", "shift_score"},
                     entry_keys) ||
      !intern_all<6>(
          {"pos_s_pos_p", "pos_s_neg_p", "neg_s_pos_p", "neg_s_neg_p", "pos_s", "neg_s"},
          sum_keys)) {
    return raised();
  }

  PyHandle entries = PyHandle::steal(PyList_New(static_cast<Py_ssize_t>(result.entries.size())));
  if (!entries) return raised();
  Py_ssize_t at = 0;
  for (const types::ShiftEntry& entry : result.entries) {
    PyHandle item = PyHandle::steal(PyDict_New());
    if (!item || !put(item.get(), entry_keys[0], text(entry.type))) return raised();
    const std::array<double, 5> values{entry.p_diff, entry.s_diff, entry.p_avg, entry.s_ref_diff,
                                       entry.shift_score};
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (!put(item.get(), entry_keys[i + 1], number(values[i]))) return raised();
    }
    if (PyList_SetItem(entries.get(), at++, item.release()) != 0) return raised();  // steals
  }

  const types::ComponentSums& s = result.component_sums;
  PyHandle sums = number_dict<6>(
      sum_keys, {s.pos_s_pos_p, s.pos_s_neg_p, s.neg_s_pos_p, s.neg_s_neg_p, s.pos_s, s.neg_s});
  if (!sums) return raised();
  PyHandle normalization = text(result.normalization);
  if (!normalization) return raised();

  PyHandle dict = PyHandle::steal(PyDict_New());
  if (!dict) return raised();
  if (!put(dict.get(), top[0], std::move(entries)) || !put(dict.get(), top[1], std::move(sums)) ||
      !put(dict.get(), top[2], number(result.total_diff)) ||
      !put(dict.get(), top[3], number(result.norm)) ||
      !put(dict.get(), top[4], number(result.s_avg_1)) ||
      !put(dict.get(), top[5], number(result.s_avg_2)) ||
      !put(dict.get(), top[6], number(result.reference_value)) ||
      !put(dict.get(), top[7], std::move(normalization))) {
    return raised();
  }
  return dict;
}

}  // namespace moodvane::companion
