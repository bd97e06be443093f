// The call boundary: every entry from the interpreter (initialisation and both functions)
// runs inside `run_in_barrier`, which turns whatever the body produced into what the
// interpreter expects: a new reference, or null with exactly one exception set.
//
// Error values are restored as they are. An InternalFault, or any other C++ exception,
// becomes PanicException after a report on standard error; running out of memory becomes
// the interpreter's MemoryError, so that a failed allocation never takes the host down.
#pragma once

#include <new>
#include <source_location>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "internal_fault.hpp"
#include "interrupts.hpp"
#include "py_error.hpp"
#include "py_handle.hpp"

namespace moodvane::module {

// The PanicException type when a fault has already created it, else null (borrowed).
PyObject* created_panic_type() noexcept;

// Continues a PanicException fetched from Python code as a fault of this call, after its
// notice and traceback have gone to standard error.
[[noreturn]] void resume_panic(PyErr error, std::source_location where);

// Each sets the interpreter's error indicator; none of them throws.
void raise_internal_fault(const InternalFault& fault) noexcept;
void raise_foreign_fault(const char* what, const std::source_location& where) noexcept;
void raise_out_of_memory() noexcept;

template <class Body>
PyObject* run_in_barrier(Body&& body,
                         std::source_location where = std::source_location::current()) noexcept {
  try {
    PyResult<PyHandle> outcome = std::forward<Body>(body)();
    if (!outcome) {
      std::move(outcome.error()).restore();
      return nullptr;
    }
    if (PyObject* result = outcome->release()) return result;
    raise_foreign_fault("native code produced no result and no error", where);
  } catch (const PendingError& pending) {
    std::move(*pending.error).restore();
  } catch (const InternalFault& fault) {
    raise_internal_fault(fault);
  } catch (const std::bad_alloc&) {
    raise_out_of_memory();
  } catch (const std::length_error&) {
    // Only a container asked to outgrow its address space throws this.
    raise_out_of_memory();
  } catch (const std::exception& exception) {
    raise_foreign_fault(exception.what(), where);
  } catch (...) {
    raise_foreign_fault(nullptr, where);
  }
  return nullptr;
}

// A module's exec slot: runs `fill(module)` inside the boundary; 0, or -1 with the
// exception set, as the interpreter expects of the slot.
template <class Fill>
int exec_in_barrier(PyObject* module, Fill&& fill) noexcept {
  PyObject* const done = run_in_barrier([&]() -> PyResult<PyHandle> {
    if (PyResult<void> filled = std::forward<Fill>(fill)(module); !filled) {
      return std::unexpected(std::move(filled.error()));
    }
    return PyHandle::borrow(Py_None);
  });
  if (done == nullptr) return -1;
  Py_DECREF(done);
  return 0;
}

}  // namespace moodvane::module
