// Ctrl-C during a long call.
//
// A call holds the interpreter lock from start to end, so the interpreter's own SIGINT
// handler cannot run until it returns; a call on millions of words would keep the user
// waiting for seconds. The call therefore looks for a pending Ctrl-C every few tens of
// thousands of entries and between its stages, and when there is one lets the interpreter
// handle it then and there, which (with the default handler) ends the call with
// KeyboardInterrupt.
//
// The look itself runs no Python code: it reads and clears the flag that the interpreter's
// C-level signal handler sets for SIGINT. Only when it is set does Python code run (the
// look at which handler is in place, then the handler), after `pins` has made every
// borrowed word safe from what that code might do.
#pragma once

#include <cstddef>
#include <memory>

#include "py_error.hpp"
#include "word_pins.hpp"

namespace moodvane::module {

// How many entries a conversion reads between two looks.
inline constexpr std::size_t kInterruptInterval = 1 << 15;

// Runs the interpreter's signal handlers if Ctrl-C has been pressed; their exception, if
// they raise one, is the error.
PyResult<void> answer_interrupt(WordPins* pins);

// An error that must abandon the engine's computation on its way to the call boundary,
// which restores it as the call's exception. (Thrown, since the engine knows nothing of
// Python errors; the engine holds nothing that would leak.)
struct PendingError {
  std::shared_ptr<PyErr> error;
};

// For the engine's progress hook: `context` is the call's WordPins.
void answer_interrupt_or_throw(void* context);

}  // namespace moodvane::module
