// An owned reference to a Python object, released when the handle goes away.
//
// Every object reference the module takes lives in one of these, so no path (error values,
// internal faults unwinding through the call) can leak or double-release a reference.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <utility>

namespace moodvane::module {

class PyHandle {
 public:
  PyHandle() noexcept = default;

  // Takes over a new reference (possibly null, as C-API calls return on failure).
  static PyHandle steal(PyObject* object) noexcept { return PyHandle(object); }

  // Takes a new reference to a borrowed object.
  static PyHandle borrow(PyObject* object) noexcept {
    Py_XINCREF(object);
    return PyHandle(object);
  }

  PyHandle(PyHandle&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  PyHandle& operator=(PyHandle&& other) noexcept {
    PyHandle(std::move(other)).swap(*this);
    return *this;
  }
  PyHandle(const PyHandle&) = delete;
  PyHandle& operator=(const PyHandle&) = delete;
  ~PyHandle() { Py_XDECREF(object_); }

  PyObject* get() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }

  // Hands the reference to a C-API call that steals it, or to the interpreter as a result.
  [[nodiscard]] PyObject* release() noexcept { return std::exchange(object_, nullptr); }

  // Drops the reference now; used where the order of releases is part of the contract.
  void reset() noexcept { PyHandle().swap(*this); }

  void swap(PyHandle& other) noexcept { std::swap(object_, other.object_); }

 private:
  explicit PyHandle(PyObject* object) noexcept : object_(object) {}

  PyObject* object_ = nullptr;
};

}  // namespace moodvane::module
