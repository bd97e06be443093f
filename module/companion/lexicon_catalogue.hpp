// moodvane_tools._native's view of the built-in lexicons: the very catalogue, resolution
// and parsed scores that moodvane's weighted_avg_shift uses, and the sources file embedded
// when the lexicons were built. moodvane_tools.lexicon_data is its only user.
#pragma once

#include "py_handle.hpp"

namespace moodvane::companion {

// lexicon_keys() -> tuple of the keys in catalogue order.
PyObject* lexicon_keys_entry(PyObject* module, PyObject* args);
// resolve_lexicon(name: str) -> the key `name` stands for, or None.
PyObject* resolve_lexicon_entry(PyObject* module, PyObject* args, PyObject* keywords);
// lexicon_scores(key: str) -> a new dict of every word and its score, in the text's order.
PyObject* lexicon_scores_entry(PyObject* module, PyObject* args, PyObject* keywords);
// lexicon_sources() -> the sources.json text.
PyObject* lexicon_sources_entry(PyObject* module, PyObject* args);

}  // namespace moodvane::companion
