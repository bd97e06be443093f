// Reading the caller's dicts into the engine's tables without hashing and without copies.
//
// Each table borrows the UTF-8 form that every str key keeps of itself, so the keys must
// outlive the call's use of the tables. Two ways keep them alive:
// - While no Python code can run, the dicts themselves do: a dict whose values are all
//   exact floats and ints (bools included) is read in place with PyDict_Next, converting
//   runs no code, and the call holds the interpreter lock until the engine is done.
// - The first value that needs its own __float__ (which may change or empty any of the
//   dicts) first pins every dict read so far and the current one: each is snapshotted into
//   two new lists, its keys and its values, whose strong references keep the views valid
//   whatever that code does. From then on every dict is read from such a snapshot.
// Either way a dict is read as it was when the call began.
#pragma once

#include <string_view>
#include <vector>

#include "moodvane/general_shift.hpp"
#include "raised.hpp"

namespace moodvane::general_module {

// What a table's values must be.
enum class ValueRule {
  count,  // finite and >= 0
  score,  // finite
};

class DictReader {
 public:
  // `name` is the parameter's name, used in every message. The first bad entry in the
  // dict's order, key before value, decides the error: TypeError for a key that is not a
  // str or a value that is not a real number, ValueError for a value the rule rejects, and
  // the interpreter's own error (UnicodeEncodeError, OverflowError, a failing __float__)
  // as it is.
  Result<general::Table> read(PyObject* dict, const char* name, ValueRule rule);

  // True when every table read so far is kept alive by snapshots rather than by the dicts,
  // so that the interpreter lock may be released while the engine reads them.
  bool pinned() const noexcept { return borrowed_.empty(); }

 private:
  Result<void> pin_borrowed();

  std::vector<PyObject*> borrowed_;  // dicts read in place (borrowed: the caller's)
  std::vector<PyHandle> snapshots_;  // lists that keep keys (and values) alive
};

// The stop words: a tuple of str, viewed as UTF-8 (the tuple keeps them alive).
Result<std::vector<std::string_view>> read_words(PyObject* tuple, const char* name);

}  // namespace moodvane::general_module
