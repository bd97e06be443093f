#include "interrupts.hpp"

#include <csignal>
#include <utility>

namespace moodvane::module {

namespace {

// Whether SIGINT's handler is the interpreter's own default_int_handler, which does nothing
// but raise KeyboardInterrupt. Unsure (a lookup fails) counts as no. Runs Python code (an
// import through builtins.__import__, attribute lookups, a call).
bool default_handler_in_place() {
  const PyHandle module = PyHandle::steal(PyImport_ImportModule("_signal"));
  if (!module) {
    PyErr_Clear();
    return false;
  }
  const PyHandle handler =
      PyHandle::steal(PyObject_CallMethod(module.get(), "getsignal", "i", SIGINT));
  const PyHandle default_handler =
      PyHandle::steal(PyObject_GetAttrString(module.get(), "default_int_handler"));
  if (!handler || !default_handler) {
    PyErr_Clear();
    return false;
  }
  return handler.get() == default_handler.get();
}

}  // namespace

PyResult<void> answer_interrupt(WordPins* pins) {
  if (!PyOS_InterruptOccurred()) return {};
  // Even the look at the handler runs Python code: the words are made safe first.
  if (pins != nullptr) pins->before_foreign_code();
  if (default_handler_in_place()) {
    // What the handler would do.
    PyErr_SetNone(PyExc_KeyboardInterrupt);
    return std::unexpected(PyErr::fetch());
  }
  // PyOS_InterruptOccurred took the pending SIGINT; it goes back to the interpreter, whose
  // handler for it (KeyboardInterrupt by default, or the program's own) then runs.
  PyErr_SetInterrupt();
  if (PyErr_CheckSignals() < 0) return std::unexpected(PyErr::fetch());
  return {};
}

void answer_interrupt_or_throw(void* context) {
  PyResult<void> answered = answer_interrupt(static_cast<WordPins*>(context));
  if (!answered) throw PendingError{std::make_shared<PyErr>(std::move(answered.error()))};
}

}  // namespace moodvane::module
