// Reading a caller's dict while code that the reading runs may change it. Two ways: the
// native module reads the live dict and treats a change as a fault; the companion's
// extension reads each dict as it was when its reading began.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

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

// Calls `visit(key, value)` for each entry of `dict` in insertion order, as the dict was
// when the walk began, until `visit` returns an error. `visit` may run Python code that
// changes or empties any dict, once it has called `pins.before_foreign_code()` (as
// `to_double` with the pins does): at that moment the walk takes a reference to every
// entry it has still to read, before any code runs. The keys' bytes may be borrowed by
// `visit`: `pins` keeps them alive for the call.
template <class Visit>
PyResult<void> walk_dict_as_read(PyObject* dict, WordPins& pins, Visit&& visit) {
  class Entries final : public WordPins::UnreadEntries {
   public:
    std::vector<std::pair<PyObject*, PyObject*>> list;
    std::size_t next = 0;  // the first entry not yet visited
    std::vector<PyHandle> owned;

    void own_unread() override {
      owned.reserve(2 * (list.size() - next));
      for (std::size_t i = next; i < list.size(); ++i) {
        owned.push_back(PyHandle::borrow(list[i].first));
        owned.push_back(PyHandle::borrow(list[i].second));
      }
    }
  } entries;
  // The pointers are gathered first (no code runs meanwhile), so that the objects, which
  // lie wherever the interpreter put them, can be fetched a few entries ahead of their use.
  entries.list.reserve(static_cast<std::size_t>(PyDict_Size(dict)));
  Py_ssize_t position = 0;
  PyObject* key = nullptr;
  PyObject* value = nullptr;
  while (PyDict_Next(dict, &position, &key, &value)) entries.list.emplace_back(key, value);

  pins.start_dict(dict);
  if (pins.pinning()) {
    entries.own_unread();
  } else {
    pins.set_unread_entries(&entries);
  }
  struct Unset {
    WordPins& pins;
    ~Unset() { pins.set_unread_entries(nullptr); }
  } unset{pins};

  constexpr std::size_t kAhead = 8;
  const std::size_t count = entries.list.size();
  for (; entries.next < count; ++entries.next) {
    const std::size_t i = entries.next;
    if (i % kInterruptInterval == kInterruptInterval - 1) {
      if (PyResult<void> answered = answer_interrupt(&pins); !answered) return answered;
    }
    if (i + kAhead < count) {
      __builtin_prefetch(entries.list[i + kAhead].first);
      __builtin_prefetch(entries.list[i + kAhead].second);
    }
    pins.borrow_key(entries.list[i].first);
    PyResult<void> visited = visit(entries.list[i].first, entries.list[i].second);
    if (!visited) return visited;
  }
  return {};
}

}  // namespace moodvane::module
