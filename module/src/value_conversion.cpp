// The scalar conversions every parameter and dictionary entry goes through.
#include "arguments.hpp"

namespace moodvane::module {

Utf8Text::Utf8Text(PyHandle bytes) : bytes_(std::move(bytes)) {
  char* data = nullptr;
  Py_ssize_t size = 0;
  // Cannot fail: the handle holds the bytes object the encoder just returned.
  PyBytes_AsStringAndSize(bytes_.get(), &data, &size);
  view_ = std::string_view(data, static_cast<std::size_t>(size));
}

PyResult<Utf8Text> utf8_text(PyObject* object) {
  if (!PyUnicode_Check(object)) return std::unexpected(type_mismatch(object, "PyString"));
  PyHandle bytes = PyHandle::steal(PyUnicode_AsUTF8String(object));
  if (!bytes) return std::unexpected(PyErr::fetch());
  return Utf8Text(std::move(bytes));
}

PyResult<std::string> to_utf8(PyObject* object) {
  PyResult<Utf8Text> text = utf8_text(object);
  if (!text) return std::unexpected(std::move(text.error()));
  return std::string(text->view());
}

PyResult<double> to_double(PyObject* object) {
  const double value = PyFloat_AsDouble(object);
  if (value == -1.0 && PyErr_Occurred() != nullptr) return std::unexpected(PyErr::fetch());
  return value;
}

}  // namespace moodvane::module
