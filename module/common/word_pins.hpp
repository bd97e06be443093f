// Keeps the caller's words alive while a call borrows their bytes. Both extensions read
// every caller dict through this class (and dict_walk.hpp), so the rule below holds in one
// place.
//
// A call reads every word through a view of the str object's own UTF-8 buffer; the view is
// good only while the str lives. A dict holds its keys, so as long as no Python code runs
// the keys read from it stay alive with no reference of ours. But Python code can delete
// keys from a dict that was already read, and frees them with it. The rule: before the
// first call that can run Python code while borrowed words are in use, the call runs
// `before_foreign_code()`, which takes a reference to every key borrowed so far (reading
// the dicts again with PyDict_Next, which runs no code); every key borrowed after that
// holds a reference from the moment it is read. Calls whose numbers are plain ints and
// floats so never pay a reference count per word.
//
// Calls that can run Python code, and so need `before_foreign_code()` first:
// - any allocation of a Python object (PyList_New, PyDict_Keys, PyTuple_Pack,
//   PyUnicode_FromFormat, PyFloat_FromDouble, PyErr_Format, ...): it can start a
//   collection, which runs `gc.callbacks` and finalizers (`__del__`, weakref callbacks);
// - every PyObject_* and PyNumber_* call, and PyFloat_AsDouble or PyLong_AsDouble of
//   anything but an exact float, int or bool (`__float__`, `__index__`, `__iter__`, ...);
// - imports (PyImport_*: import hooks, `builtins.__import__`);
// - signal checks that run handlers (PyErr_CheckSignals; `answer_interrupt` pins first).
// Calls that run none and may be made while words are merely borrowed: PyDict_Next,
// PyDict_Size, the type checks, PyUnicode_AsUTF8AndSize (its UTF-8 buffer is no object),
// PyLong_AsDouble and PyFloat_AsDouble of an exact int, bool or float, PyOS_InterruptOccurred,
// and C++ allocations. An error that ends the call (PyErr_Format and the like) may run
// code too: after it the call reads no borrowed word again.
#pragma once

#include <cstddef>
#include <vector>

#include "py_handle.hpp"

namespace moodvane::module {

class WordPins {
 public:
  WordPins() = default;
  WordPins(const WordPins&) = delete;
  WordPins& operator=(const WordPins&) = delete;
  ~WordPins();

  // `dict`, which the caller's arguments keep alive, is about to be walked.
  void start_dict(PyObject* dict);

  // The walk of the last started dict borrows the bytes of its next key, `key`.
  void borrow_key(PyObject* key) {
    if (pinning_) {
      Py_INCREF(key);
      pinned_.push_back(key);
    } else {
      ++dicts_.back().keys_read;
    }
  }

  // Called before anything that may run Python code while borrowed words are in use.
  // The first call also tells the walk in progress, if it has asked (`owner`), to own
  // the entries it has still to read, so that it reads its dict as it was.
  void before_foreign_code();

  // A walk that reads entries it gathered in advance; told once, at the first call of
  // before_foreign_code during the walk.
  class UnreadEntries {
   public:
    virtual void own_unread() = 0;

   protected:
    ~UnreadEntries() = default;
  };
  void set_unread_entries(UnreadEntries* owner) noexcept { unread_ = owner; }

  // Whether every borrowed word is held by a reference of the call (so that, for one, the
  // interpreter lock may be released while they are read).
  bool pinning() const noexcept { return pinning_; }

 private:
  struct Walked {
    PyObject* dict;
    std::size_t keys_read;
  };

  std::vector<Walked> dicts_;
  std::vector<PyObject*> pinned_;
  bool pinning_ = false;
  UnreadEntries* unread_ = nullptr;
};

}  // namespace moodvane::module
