// Reading a caller's dict while code that the reading runs may change it.
#pragma once

#include <utility>

#include "internal_fault.hpp"
#include "interrupts.hpp"
#include "py_error.hpp"
#include "py_handle.hpp"
#include "word_pins.hpp"

namespace moodvane::module {

// Calls `visit(key, value)` for each entry of `dict` in insertion order, reading the dict's
// own storage (a subclass's iteration methods are not consulted), until `visit` returns an
// error. `visit` may run Python code (a value's __float__) that changes the dict; a change
// of size, or more entries than the dict held at the start, is an internal fault rather than
// a silently different reading.
// The keys' bytes may be borrowed by `visit`: `pins` keeps them alive for the call.
template <class Visit>
PyResult<void> walk_dict(PyObject* dict, WordPins& pins, Visit&& visit) {
  pins.start_dict(dict);
  const Py_ssize_t size = PyDict_Size(dict);
  Py_ssize_t expected = size;
  Py_ssize_t position = 0;
  PyObject* key = nullptr;
  PyObject* value = nullptr;
  for (std::size_t read = 1;; ++read) {
    if (read % kInterruptInterval == 0) {
      if (PyResult<void> answered = answer_interrupt(&pins); !answered) return answered;
    }
    if (PyDict_Size(dict) != size) throw InternalFault("dictionary changed size during iteration");
    if (expected < 0) throw InternalFault("dictionary keys changed during iteration");
    if (!PyDict_Next(dict, &position, &key, &value)) return {};
    --expected;
    pins.borrow_key(key);
    // Own both while `visit` runs: the code it runs may drop them from the dict.
    const PyHandle held_key = PyHandle::borrow(key);
    const PyHandle held_value = PyHandle::borrow(value);
    PyResult<void> visited = visit(held_key.get(), held_value.get());
    if (!visited) return visited;
  }
}

}  // namespace moodvane::module
