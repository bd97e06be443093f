// Reading the caller's dicts into the engine's tables without hashing and without copies.
//
// A dict is snapshotted into two new lists, its keys and its values. The key list holds a
// strong reference to every key, so the UTF-8 form that each str keeps of itself stays
// valid, and the engine borrows it as a view. Converting a value may run the caller's code
// (a __float__), which may even change the dict: the snapshot does not see it.
#pragma once

#include <string_view>

#include "moodvane/general_shift.hpp"
#include "raised.hpp"

namespace moodvane::general_module {

// What a table's values must be.
enum class ValueRule {
  count,  // finite and >= 0
  score,  // finite
};

// A dict's contents as an engine table, with the references that keep its views valid.
struct DictSnapshot {
  PyHandle keys;
  PyHandle values;
  general::Table table;
};

// `name` is the parameter's name, used in every message. The first bad entry in the dict's
// order, key before value, decides the error: TypeError for a key that is not a str or a
// value that is not a real number, ValueError for a value the rule rejects, and the
// interpreter's own error (UnicodeEncodeError, OverflowError, a failing __float__) as is.
Result<DictSnapshot> read_dict(PyObject* dict, const char* name, ValueRule rule);

// The stop words: a tuple of str, viewed as UTF-8 (the tuple keeps them alive).
Result<std::vector<std::string_view>> read_words(PyObject* tuple, const char* name);

}  // namespace moodvane::general_module
