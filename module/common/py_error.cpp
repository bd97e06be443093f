#include "py_error.hpp"

#include <string>
#include <utility>

#include "boundary.hpp"

namespace moodvane::module {

namespace {

PyHandle utf8_str(std::string_view text) noexcept {
  // Messages quote caller text that was valid UTF-8 when it was read; "replace" only keeps
  // a stray byte from turning a message into a second error.
  return PyHandle::steal(
      PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace"));
}

}  // namespace

PyErr PyErr::fetch(std::source_location where) {
  PyObject* type = nullptr;
  PyObject* value = nullptr;
  PyObject* traceback = nullptr;
  PyErr_Fetch(&type, &value, &traceback);
  PyErr error(PyHandle::steal(type), PyHandle::steal(value), PyHandle::steal(traceback));
  if (!error.type_) {
    return new_error(PyExc_SystemError, "attempted to fetch exception but none was set");
  }
  if (PyObject* panic = created_panic_type(); panic != nullptr && error.type_.get() == panic) {
    resume_panic(std::move(error), where);
  }
  return error;
}

PyErr PyErr::new_error(PyObject* type, std::string_view message) {
  return new_error(type, utf8_str(message));
}

PyErr PyErr::new_error(PyObject* type, PyHandle message) {
  // Without the message object the interpreter is out of memory, and its MemoryError is
  // the error to report.
  if (!message) return fetch();
  return PyErr(PyHandle::borrow(type), std::move(message), PyHandle());
}

PyErr PyErr::from_instance(PyHandle instance) {
  if (!instance) return fetch();
  PyHandle type = PyHandle::borrow(reinterpret_cast<PyObject*>(Py_TYPE(instance.get())));
  return PyErr(std::move(type), std::move(instance), PyHandle());
}

PyObject* PyErr::normalized_value() {
  PyObject* type = type_.release();
  PyObject* value = value_.release();
  PyObject* traceback = traceback_.release();
  PyErr_NormalizeException(&type, &value, &traceback);
  type_ = PyHandle::steal(type);
  value_ = PyHandle::steal(value);
  traceback_ = PyHandle::steal(traceback);
  return value_.get();
}

std::string PyErr::describe() {
  PyObject* value = normalized_value();
  std::string text = type_name(type_.get());
  text += ": ";
  text += str_of(value).value_or("<unprintable exception>");
  return text;
}

void PyErr::restore() && noexcept {
  PyErr_Restore(type_.release(), value_.release(), traceback_.release());
}

std::string type_name(PyObject* type) {
  if (type != nullptr && PyType_Check(type)) {
    const PyHandle name =
        PyHandle::steal(PyType_GetQualName(reinterpret_cast<PyTypeObject*>(type)));
    if (name && PyUnicode_Check(name.get())) {
      Py_ssize_t size = 0;
      if (const char* data = PyUnicode_AsUTF8AndSize(name.get(), &size)) {
        return std::string(data, static_cast<std::size_t>(size));
      }
    }
    PyErr_Clear();
  }
  return "<failed to extract type name>";
}

PyErr type_mismatch(PyObject* object, std::string_view target) {
  std::string message = "'";
  message += type_name(reinterpret_cast<PyObject*>(Py_TYPE(object)));
  message += "' object cannot be converted to '";
  message += target;
  message += "'";
  return PyErr::new_error(PyExc_TypeError, message);
}

std::optional<std::string> str_of(PyObject* object) {
  const PyHandle text = PyHandle::steal(PyObject_Str(object));
  if (text) {
    Py_ssize_t size = 0;
    if (const char* data = PyUnicode_AsUTF8AndSize(text.get(), &size)) {
      return std::string(data, static_cast<std::size_t>(size));
    }
  }
  PyErr_Clear();
  return std::nullopt;
}

}  // namespace moodvane::module
