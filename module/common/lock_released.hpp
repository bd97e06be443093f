// Native work with the interpreter's lock released, that still answers Ctrl-C: the one way
// both extensions let other threads run.
//
// The interpreter hands signals to its main thread alone, and only while that thread holds
// the lock; a count of a 600 MB text or a bootstrap of millions of draws would keep the
// user waiting for seconds. The engine calls the hook of `progress()` every few
// milliseconds of work: on the process's main thread it takes the lock back, answers a
// pending Ctrl-C as every native loop does (the handler's exception, KeyboardInterrupt by
// default, abandons the work), and releases the lock again. On any other thread the hook
// does nothing, so that threads that count side by side never wait for the lock. Work that
// must keep the lock (it reads words that other threads could change) keeps it, and the
// hook then looks on any thread.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <utility>

#include "interrupts.hpp"
#include "moodvane/shift.hpp"

namespace moodvane::module {

class LockReleased {
 public:
  // `pins` are the call's borrowed words, made safe before a handler runs (null: the work
  // reads only what the call's arguments hold, which no handler can take away). Without
  // `release`, the lock stays held and only the hook's looks remain.
  explicit LockReleased(WordPins* pins = nullptr, bool release = true) noexcept
      : pins_(pins),
        main_thread_(on_main_thread()),
        state_(release ? PyEval_SaveThread() : nullptr) {}
  // Takes the lock back however the work ends: an exception from the hook leaves it held.
  ~LockReleased() {
    if (state_ != nullptr) PyEval_RestoreThread(state_);
  }
  LockReleased(const LockReleased&) = delete;
  LockReleased& operator=(const LockReleased&) = delete;

  shift::Progress progress() noexcept {
    return main_thread_ || state_ == nullptr ? shift::Progress{look, this} : shift::Progress{};
  }

 private:
  static void look(void* context) {
    auto* self = static_cast<LockReleased*>(context);
    PyThreadState* const released = std::exchange(self->state_, nullptr);
    if (released != nullptr) PyEval_RestoreThread(released);
    answer_interrupt_or_throw(self->pins_);
    if (released != nullptr) self->state_ = PyEval_SaveThread();
  }

  // The thread that began the process, which is the interpreter's main thread unless an
  // embedding program started the interpreter elsewhere (then Ctrl-C waits for the call).
  // Asked of the kernel once per thread (a call per text counted would cost more than
  // counting a short text), and again in a child process after a fork.
  static bool on_main_thread() noexcept {
    static const int registered = pthread_atfork(nullptr, nullptr, [] {
      fork_generation.fetch_add(1, std::memory_order_relaxed);
    });
    static_cast<void>(registered);
    thread_local unsigned asked_in = ~0u;
    thread_local bool main = false;
    const unsigned generation = fork_generation.load(std::memory_order_relaxed);
    if (asked_in != generation) {
      main = syscall(SYS_gettid) == getpid();
      asked_in = generation;
    }
    return main;
  }
  static inline std::atomic<unsigned> fork_generation{0};

  WordPins* pins_;
  bool main_thread_;
  PyThreadState* state_;
};

}  // namespace moodvane::module
