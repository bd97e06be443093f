// Errors of the generalized-shift module carried as values up to the call boundary.
//
// A failure is raised once, where it is found (or left as the interpreter raised it), and
// from then on travels as `Raised`: the marker that the interpreter's error indicator holds
// the one exception this call will end with. Nothing on the way back may run Python code
// that could replace it, and nothing does: the callers only release what they hold.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <expected>
#include <new>
#include <stdexcept>

#include "../src/py_handle.hpp"

namespace moodvane::general_module {

using module::PyHandle;

struct Raised {};

template <class T>
using Result = std::expected<T, Raised>;

// Leaves the interpreter's pending exception in place and says so.
inline std::unexpected<Raised> raised() noexcept { return std::unexpected(Raised{}); }

// Runs a body that gives a new reference or Raised, and turns any C++ exception into a
// Python one, so that no failure crosses into the interpreter as anything but an exception.
template <class Body>
PyObject* call_boundary(Body&& body) noexcept {
  try {
    Result<PyHandle> outcome = body();
    if (!outcome) return nullptr;
    return outcome->release();
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::length_error&) {
    PyErr_NoMemory();  // a container asked to outgrow the address space
  } catch (const std::exception& exception) {
    PyErr_Format(PyExc_SystemError, "internal error in the generalized shift: %s",
                 exception.what());
  } catch (...) {
    PyErr_SetString(PyExc_SystemError, "internal error in the generalized shift");
  }
  return nullptr;
}

}  // namespace moodvane::general_module
