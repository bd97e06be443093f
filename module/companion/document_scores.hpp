// The weighted-average score of many documents in one call: each document's `s_avg_1`, as
// moodvane.weighted_avg_shift(counts, {}, ...) gives it, without one Python call apiece.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace moodvane::companion {

// average_scores(documents, scores, stop_lens, stop_words) -> (means, totals, tokens)
// `documents` is a tuple of dicts word -> count, `scores` a dict word -> score, `stop_lens`
// None or a pair of floats, `stop_words` a tuple of str. The three results are bytes
// holding one native-endian double per document: the average (+0.0 when nothing is
// scored), the summed count of the words averaged over, and the summed count of all words.
PyObject* average_scores_entry(PyObject* module, PyObject* args, PyObject* keywords);

// score_texts(rules, texts, groups, group_count, scores, stop_lens, stop_words, pooled) ->
// ((means, totals, tokens), (group means, group totals, group tokens), [group counts] or
// None): counts and scores texts in one pass (see document_scores.cpp).
PyObject* score_texts_entry(PyObject* module, PyObject* args, PyObject* keywords);

// resample_ratios(sums, totals, starts, n_boot, seed) -> bytes: the bootstrap resamples of
// each group's ratio of summed `sums` to summed `totals` (doubles), the groups' documents
// running from starts[g] to starts[g+1] (int64), n_boot doubles per group.
PyObject* resample_ratios_entry(PyObject* module, PyObject* args, PyObject* keywords);

}  // namespace moodvane::companion
