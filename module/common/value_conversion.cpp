// The scalar conversions every parameter and dictionary entry goes through.
#include "conversions.hpp"

namespace moodvane::module {

// The interpreter's strict encoder, through the UTF-8 form the str object keeps: an ASCII
// str hands out its own storage, so the common word costs no allocation at all.
PyResult<std::string_view> utf8_view(PyObject* object) {
  if (!PyUnicode_Check(object)) return std::unexpected(type_mismatch(object, "PyString"));
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(object, &size);
  if (data == nullptr) return std::unexpected(PyErr::fetch());
  return std::string_view(data, static_cast<std::size_t>(size));
}

PyResult<std::string> to_utf8(PyObject* object) {
  PyResult<std::string_view> text = utf8_view(object);
  if (!text) return std::unexpected(std::move(text.error()));
  return std::string(*text);
}

bool float_conversion_runs_code(PyObject* object) noexcept {
  // A float subclass is read directly, never through its __float__.
  return !(PyFloat_Check(object) || PyLong_CheckExact(object) || PyBool_Check(object));
}

PyResult<double> to_double(PyObject* object, WordPins* pins) {
  // An exact int or a bool would go through int.__float__ and a temporary float object;
  // reading it directly gives the same value and the same OverflowError. Subclasses of int
  // may override __float__ and take the general path.
  if (PyLong_CheckExact(object) || PyBool_Check(object)) {
    const double value = PyLong_AsDouble(object);
    if (value == -1.0 && PyErr_Occurred() != nullptr) return std::unexpected(PyErr::fetch());
    return value;
  }
  // __float__ or __index__ is the caller's code: it may empty the dict that alone holds
  // the object, which is therefore owned while it runs.
  PyHandle held;
  if (float_conversion_runs_code(object)) {
    if (pins != nullptr) pins->before_foreign_code();
    held = PyHandle::borrow(object);
  }
  const double value = PyFloat_AsDouble(object);
  if (value == -1.0 && PyErr_Occurred() != nullptr) return std::unexpected(PyErr::fetch());
  return value;
}

}  // namespace moodvane::module
