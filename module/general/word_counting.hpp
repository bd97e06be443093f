// moodvane_tools._general's word counting: the counter's rules and tallies as capsules, a
// text counted with the interpreter's lock released.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <memory>

#include "moodvane/text/word_counting.hpp"
#include "py_error.hpp"

namespace moodvane::general_module {

PyObject* counting_rules_entry(PyObject* module, PyObject* args);
PyObject* new_tally_entry(PyObject* module, PyObject* args);
PyObject* tally_add_entry(PyObject* module, PyObject* args);
PyObject* tally_take_entry(PyObject* module, PyObject* args);
PyObject* stream_safe_entry(PyObject* module, PyObject* args);
PyObject* last_break_entry(PyObject* module, PyObject* args);
PyObject* text_needs_entry(PyObject* module, PyObject* args);
PyObject* character_table_version_entry(PyObject* module, PyObject* args);

// The rules inside a capsule made by counting_rules (for other native callers that count).
module::PyResult<std::shared_ptr<const text::CountingRules>> counting_rules_of(
    PyObject* capsule);

}  // namespace moodvane::general_module
