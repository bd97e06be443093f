// Bootstrap resamples of a word shift between two sets of documents, for
// moodvane_tools.shift_intervals: every resample drawn natively in one call.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace moodvane::companion {

// resample_shift(text_1, text_2, scores, columns, column_count, n_boot, seed) -> bytes
//
// Each text is a tuple (starts, words, counts) of bytes: its documents as sparse rows,
// document d holding counts[starts[d]:starts[d+1]] (doubles) of the words
// words[starts[d]:starts[d+1]] (int32 indexes into the vocabulary); starts are int64, one
// more than the documents. `scores` (doubles) gives each vocabulary word's score and
// `columns` (int32) the output column of its contribution, -1 for none. Returns n_boot rows
// of column_count + 1 native-endian doubles: each resample's total (the difference of the
// averages) and each column's contribution p_diff * s_ref_diff, NaN where a text has no
// scored word. Resample b depends on (seed, b) alone. Runs without the interpreter's lock
// and answers Ctrl-C about every 0.1 s.
PyObject* resample_shift_entry(PyObject* module, PyObject* args, PyObject* keywords);

// The docstring of resample_shift.
inline constexpr const char* kResampleShiftDoc =
    "resample_shift($module, text_1, text_2, scores, columns, column_count, n_boot, seed)\n--\n\n"
    "-> bytes. Bootstrap resamples of a weighted-average word shift: each text is (starts, words, "
    "counts) as bytes of int64, int32 and double; n_boot rows of the total and each "
    "column's contribution. Private: use moodvane_tools.shift_intervals.";

}  // namespace moodvane::companion
