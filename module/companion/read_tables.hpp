// Reading the caller's dicts into the engine's tables without hashing and without copies.
//
// Each table borrows the UTF-8 form that every str key keeps of itself, so the keys must
// outlive the call's use of the tables: the call's WordPins sees to it (word_pins.hpp has
// the rule and the list of calls that can run Python code). A dict whose values are all
// exact floats and ints (bools included) is read in place and costs no reference count; the
// first value that needs its own __float__ (which may change or empty any of the dicts)
// first makes every word read so far, and every entry still to be read, the call's own.
// Either way a dict is read as it was when its reading began.
#pragma once

#include <string_view>
#include <vector>

#include "moodvane/general_shift.hpp"
#include "py_error.hpp"
#include "word_pins.hpp"

namespace moodvane::companion {

// What a table's values must be.
enum class ValueRule {
  count,  // finite and >= 0
  score,  // finite
};

// `name` is the parameter's name, used in every message. The first bad entry in the dict's
// order, key before value, decides the error: TypeError for a key that is not a str or a
// value that is not a real number, ValueError for a value the rule rejects, and the
// interpreter's own error (UnicodeEncodeError, OverflowError, a failing __float__) as it is.
module::PyResult<general::Table> read_table(PyObject* dict, const char* name, ValueRule rule,
                                            module::WordPins& pins);

// The stop words: a tuple of str, viewed as UTF-8 (the tuple keeps them alive).
module::PyResult<std::vector<std::string_view>> read_words(PyObject* tuple, const char* name);

}  // namespace moodvane::companion
