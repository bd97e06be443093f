// Arrays that travel between the package and its extension as bytes objects: a bytes
// object viewed as native-endian items of one type, without a copy.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <span>

#include "py_error.hpp"

namespace moodvane::companion {

// The items of `bytes` (held by the caller for as long as the view is used); TypeError
// naming `name` for anything but bytes of whole items.
template <class T>
module::PyResult<std::span<const T>> items_of(PyObject* bytes, const char* name) {
  if (!PyBytes_Check(bytes) || PyBytes_Size(bytes) % static_cast<Py_ssize_t>(sizeof(T)) != 0) {
    PyErr_Format(PyExc_TypeError, "%s must be bytes of %zu-byte items", name, sizeof(T));
    return module::raised();
  }
  const char* data = PyBytes_AsString(bytes);
  if (data == nullptr) return module::raised();
  return std::span<const T>(reinterpret_cast<const T*>(data),
                            static_cast<std::size_t>(PyBytes_Size(bytes)) / sizeof(T));
}

}  // namespace moodvane::companion
