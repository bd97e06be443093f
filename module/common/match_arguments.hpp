// From the interpreter's positional tuple and keyword dict to one slot per parameter, with
// the interpreter's own wording for every mismatch: how every function of both extensions
// takes its arguments.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

#include "boundary.hpp"
#include "py_error.hpp"
#include "py_handle.hpp"

namespace moodvane::module {

// The most parameters a function has.
inline constexpr std::size_t kMostParameters = 12;

struct FunctionSignature {
  const char* function_name;
  // Every parameter may be given by position or by keyword; the unused names are null.
  std::array<const char*, kMostParameters> parameter_names;
  // The first this-many parameters have no default.
  std::size_t required_positional;

  constexpr std::size_t parameter_count() const noexcept {
    std::size_t count = 0;
    while (count < kMostParameters && parameter_names[count] != nullptr) ++count;
    return count;
  }
};

// The caller's object for each parameter, in parameter order; null when none was given.
// The slots hold references of their own, so Python code that a conversion runs cannot
// free an argument that is still to be read.
using ArgumentSlots = std::array<PyHandle, kMostParameters>;

PyResult<ArgumentSlots> match_arguments(const FunctionSignature& signature, PyObject* positional,
                                        PyObject* keywords);

// A TypeError becomes TypeError "argument '{name}': {message}" with the same __cause__;
// every other error passes unchanged.
PyErr argument_error(const char* name, PyErr error);

// The entry of a function that takes keywords: matches the arguments to `signature`, then
// runs `body(slots)` inside the call boundary.
template <class Body>
PyObject* call_with_arguments(const FunctionSignature& signature, PyObject* positional,
                              PyObject* keywords, Body&& body) noexcept {
  return run_in_barrier([&]() -> PyResult<PyHandle> {
    PyResult<ArgumentSlots> slots = match_arguments(signature, positional, keywords);
    if (!slots) return std::unexpected(std::move(slots.error()));
    return std::forward<Body>(body)(*slots);
  });
}

// The conversions of one argument, each naming the parameter in its TypeError. A slot that
// is empty (not given) takes the default where there is one.

// A str, borrowed from the slot.
PyResult<PyObject*> str_argument(const PyHandle& slot, const char* name);
// A str's strict UTF-8 text, borrowed from the str in the slot.
PyResult<std::string_view> utf8_argument(const PyHandle& slot, const char* name);
// Any object, by its truth.
PyResult<bool> bool_argument(const PyHandle& slot, bool fallback);
// An integer (or an object with __index__) that fits a Py_ssize_t.
PyResult<Py_ssize_t> index_argument(const PyHandle& slot, const char* name,
                                    Py_ssize_t fallback = 0);
// Any int, taken modulo 2**64 (a generator's seed).
PyResult<std::uint64_t> seed_argument(const PyHandle& slot, const char* name);
// A real number, by the interpreter's float conversion.
PyResult<double> float_argument(const PyHandle& slot, const char* name);
// An object of `type` (or a subclass), borrowed from the slot.
PyResult<PyObject*> typed_argument(const PyHandle& slot, const char* name, PyObject* type,
                                   std::string_view type_name);

}  // namespace moodvane::module
