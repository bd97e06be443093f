// Letting other threads run while native code works on data that no Python code can reach:
// the one way both extensions release the interpreter's lock.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <utility>

namespace moodvane::module {

// Releases the lock for its lifetime (when `release`), and takes it back however the work
// ends, before any error reaches the call boundary.
class LockReleased {
 public:
  explicit LockReleased(bool release = true) noexcept
      : state_(release ? PyEval_SaveThread() : nullptr) {}
  ~LockReleased() {
    if (state_ != nullptr) PyEval_RestoreThread(state_);
  }
  LockReleased(const LockReleased&) = delete;
  LockReleased& operator=(const LockReleased&) = delete;

  // Runs `body` with the lock held (a look for Ctrl-C), then lets other threads run again.
  // Should `body` throw, the lock stays held, as the call boundary needs it.
  template <class Body>
  void holding(Body&& body) {
    PyThreadState* const released = std::exchange(state_, nullptr);
    if (released != nullptr) PyEval_RestoreThread(released);
    std::forward<Body>(body)();
    if (released != nullptr) state_ = PyEval_SaveThread();
  }

 private:
  PyThreadState* state_;
};

}  // namespace moodvane::module
