#include "word_pins.hpp"

namespace moodvane::module {

WordPins::~WordPins() {
  for (PyObject* key : pinned_) Py_DECREF(key);
}

void WordPins::start_dict(PyObject* dict) {
  dicts_.push_back({dict, 0});
}

void WordPins::before_foreign_code() {
  if (pinning_) return;
  std::size_t keys = 0;
  for (const Walked& walked : dicts_) keys += walked.keys_read;
  pinned_.reserve(keys);
  // No Python code has run since the first walk began, so each dict is as it was read, and
  // its first keys_read entries are the keys borrowed from it. Reading them runs no code.
  for (const Walked& walked : dicts_) {
    Py_ssize_t position = 0;
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    for (std::size_t i = 0; i < walked.keys_read && PyDict_Next(walked.dict, &position, &key, &value);
         ++i) {
      Py_INCREF(key);
      pinned_.push_back(key);
    }
  }
  pinning_ = true;
  if (unread_ != nullptr) unread_->own_unread();
}

}  // namespace moodvane::module
