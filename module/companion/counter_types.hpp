// The native word counter as moodvane_tools.counting sees it: two heap types, CountingRules
// (what one lexicon expects of its words) and WordTally (the counts of texts, counted with
// the interpreter's lock released), and the text functions around them.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <memory>

#include "moodvane/text/word_counting.hpp"
#include "py_error.hpp"

namespace moodvane::companion {

// Makes both types and adds them to `module`, whose state keeps them (see module_state.hpp).
module::PyResult<void> add_counter_types(PyObject* module);

// The rules held by a CountingRules object (for the other native callers that count);
// TypeError naming `name` for any other object.
module::PyResult<std::shared_ptr<const text::CountingRules>> rules_of(PyObject* module,
                                                                      PyObject* object,
                                                                      const char* name);

PyObject* stream_safe_pieces_entry(PyObject* module, PyObject* args, PyObject* keywords);
PyObject* last_break_entry(PyObject* module, PyObject* args, PyObject* keywords);
PyObject* text_needs_entry(PyObject* module, PyObject* args, PyObject* keywords);
PyObject* prepared_text_entry(PyObject* module, PyObject* args, PyObject* keywords);
PyObject* character_table_version_entry(PyObject* module, PyObject* unused);

}  // namespace moodvane::companion
