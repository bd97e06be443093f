// Keeps the caller's words alive while the call borrows their bytes.
//
// The engine reads every word through a view of the str object's own UTF-8 buffer; the
// view is good only while the str lives. A dict holds its keys, so as long as no Python
// code runs the keys read from it stay alive with no reference of ours. But a caller's
// __float__ (or a signal handler) can delete keys from a dict that was already read; from
// the first moment any such code may run, every borrowed key holds a reference of the call,
// those read before included. Calls whose numbers are plain ints and floats so never pay
// a reference count per word.
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
      pinned_.reserve(pinned_.size() + 1);
      Py_INCREF(key);
      pinned_.push_back(key);
    } else {
      ++dicts_.back().keys_read;
    }
  }

  // Called before anything that may run Python code while borrowed words are in use.
  void before_foreign_code();

  bool pinning() const noexcept { return pinning_; }

 private:
  struct Walked {
    PyObject* dict;
    std::size_t keys_read;
  };

  std::vector<Walked> dicts_;
  std::vector<PyObject*> pinned_;
  bool pinning_ = false;
};

}  // namespace moodvane::module
