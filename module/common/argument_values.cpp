// The conversions of single arguments that the companion's functions share (declared in
// match_arguments.hpp, beside the matcher that fills the slots they read).
#include "conversions.hpp"
#include "match_arguments.hpp"

namespace moodvane::module {

PyResult<PyObject*> str_argument(const PyHandle& slot, const char* name) {
  if (!PyUnicode_Check(slot.get())) {
    return std::unexpected(argument_error(name, type_mismatch(slot.get(), "PyString")));
  }
  return slot.get();
}

PyResult<std::string_view> utf8_argument(const PyHandle& slot, const char* name) {
  PyResult<std::string_view> text = utf8_view(slot.get());
  if (!text) return std::unexpected(argument_error(name, std::move(text.error())));
  return text;
}

PyResult<bool> bool_argument(const PyHandle& slot, bool fallback) {
  if (!slot) return fallback;
  const int truth = PyObject_IsTrue(slot.get());
  if (truth < 0) return raised();
  return truth != 0;
}

PyResult<Py_ssize_t> index_argument(const PyHandle& slot, const char* name,
                                    Py_ssize_t fallback) {
  if (!slot) return fallback;
  const Py_ssize_t value = PyNumber_AsSsize_t(slot.get(), PyExc_OverflowError);
  if (value == -1 && PyErr_Occurred() != nullptr) {
    return std::unexpected(argument_error(name, PyErr::fetch()));
  }
  return value;
}

PyResult<std::uint64_t> seed_argument(const PyHandle& slot, const char* name) {
  if (!PyLong_Check(slot.get())) {
    return std::unexpected(argument_error(name, type_mismatch(slot.get(), "PyLong")));
  }
  const unsigned long long seed = PyLong_AsUnsignedLongLongMask(slot.get());
  if (seed == static_cast<unsigned long long>(-1) && PyErr_Occurred() != nullptr) {
    return raised();
  }
  return static_cast<std::uint64_t>(seed);
}

PyResult<double> float_argument(const PyHandle& slot, const char* name) {
  PyResult<double> value = to_double(slot.get());
  if (!value) return std::unexpected(argument_error(name, std::move(value.error())));
  return value;
}

PyResult<PyObject*> typed_argument(const PyHandle& slot, const char* name, PyObject* type,
                                   std::string_view type_name) {
  const int is_instance = PyObject_IsInstance(slot.get(), type);
  if (is_instance < 0) return raised();
  if (is_instance == 0) {
    return std::unexpected(argument_error(name, type_mismatch(slot.get(), type_name)));
  }
  return slot.get();
}

}  // namespace moodvane::module
