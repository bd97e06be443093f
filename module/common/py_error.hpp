// A Python exception carried as a value from where it arises to the call boundary.
#pragma once

#include <expected>
#include <optional>
#include <source_location>
#include <string>
#include <string_view>

#include "py_handle.hpp"

namespace moodvane::module {

class PyErr {
 public:
  // Takes the interpreter's pending exception, clearing the indicator. With none pending the
  // error is SystemError "attempted to fetch exception but none was set". A PanicException
  // that Python code raised is not an error value: it is resumed as an InternalFault.
  static PyErr fetch(std::source_location where = std::source_location::current());

  // A new exception of `type` whose single argument is `message` (UTF-8).
  static PyErr new_error(PyObject* type, std::string_view message);
  // The same with the message already a str object (owned by the error from now on).
  static PyErr new_error(PyObject* type, PyHandle message);
  // An error whose value is the exception instance `instance` (owned from now on).
  static PyErr from_instance(PyHandle instance);

  PyObject* type() const noexcept { return type_.get(); }

  // Makes the value an instance of the type, as str() and __cause__ need.
  PyObject* normalized_value();

  // "TypeQualName: str(value)", for fault messages that report an unexpected error.
  std::string describe();

  // Sets the error as the interpreter's error indicator.
  void restore() && noexcept;

 private:
  PyErr(PyHandle type, PyHandle value, PyHandle traceback) noexcept
      : type_(std::move(type)), value_(std::move(value)), traceback_(std::move(traceback)) {}

  PyHandle type_;
  PyHandle value_;
  PyHandle traceback_;
};

template <class T>
using PyResult = std::expected<T, PyErr>;

// The interpreter's pending exception as a failed result, for `return raised();` right
// after a C-API call that failed or a PyErr_Format.
inline std::unexpected<PyErr> raised(std::source_location where = std::source_location::current()) {
  return std::unexpected(PyErr::fetch(where));
}

// The __qualname__ of a type as UTF-8, or "<failed to extract type name>".
std::string type_name(PyObject* type);

// TypeError "'{type}' object cannot be converted to '{target}'".
PyErr type_mismatch(PyObject* object, std::string_view target);

// str(object) as UTF-8; nothing (with the indicator cleared) when str() or encoding fails.
std::optional<std::string> str_of(PyObject* object);

}  // namespace moodvane::module
