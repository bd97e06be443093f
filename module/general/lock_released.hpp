// Pure C++ work with the interpreter's lock released, that still answers Ctrl-C.
//
// The interpreter hands signals to its main thread alone, and only while that thread holds
// the lock; a count of a 600 MB text or a bootstrap of millions of draws would keep the
// user waiting for seconds. The engine calls the hook of `progress()` every few
// milliseconds of work: on the process's main thread it takes the lock back, answers a
// pending Ctrl-C as every native loop does (the handler's exception, KeyboardInterrupt by
// default, abandons the work), and releases the lock again. On any other thread the hook
// does nothing, so that threads that count side by side never wait for the lock.
#pragma once

#include <sys/syscall.h>
#include <unistd.h>

#include <utility>

#include "interrupts.hpp"
#include "moodvane/shift.hpp"

namespace moodvane::general_module {

class LockReleased {
 public:
  // `pins` are the call's borrowed words, made safe before a handler runs (null: the work
  // reads only what the call's arguments hold, which no handler can take away).
  explicit LockReleased(module::WordPins* pins = nullptr) noexcept
      : pins_(pins), main_thread_(on_main_thread()), state_(PyEval_SaveThread()) {}
  // Takes the lock back however the work ends: an exception from the hook leaves it held.
  ~LockReleased() {
    if (state_ != nullptr) PyEval_RestoreThread(state_);
  }
  LockReleased(const LockReleased&) = delete;
  LockReleased& operator=(const LockReleased&) = delete;

  shift::Progress progress() noexcept {
    return main_thread_ ? shift::Progress{look, this} : shift::Progress{};
  }

 private:
  static void look(void* context) {
    auto* self = static_cast<LockReleased*>(context);
    PyEval_RestoreThread(std::exchange(self->state_, nullptr));
    module::answer_interrupt_or_throw(self->pins_);
    self->state_ = PyEval_SaveThread();
  }

  // The thread that began the process, which is the interpreter's main thread unless an
  // embedding program started the interpreter elsewhere (then Ctrl-C waits for the call).
  static bool on_main_thread() noexcept { return syscall(SYS_gettid) == getpid(); }

  module::WordPins* pins_;
  bool main_thread_;
  PyThreadState* state_;
};

}  // namespace moodvane::general_module
