// moodvane_tools._general's word counting: the counter's rules and tallies as capsules, a
// text counted with the interpreter's lock released.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace moodvane::general_module {

PyObject* counting_rules_entry(PyObject* module, PyObject* args);
PyObject* new_tally_entry(PyObject* module, PyObject* args);
PyObject* tally_add_entry(PyObject* module, PyObject* args);
PyObject* tally_take_entry(PyObject* module, PyObject* args);
PyObject* stream_safe_entry(PyObject* module, PyObject* args);
PyObject* last_break_entry(PyObject* module, PyObject* args);
PyObject* character_table_version_entry(PyObject* module, PyObject* args);

}  // namespace moodvane::general_module
