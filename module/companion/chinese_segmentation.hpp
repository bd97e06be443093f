// _native.segment_chinese: the native Chinese segmenter, for tests and the word counter.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace moodvane::companion {

// segment_chinese(text, keep_lexicon_words=False) -> list[str]
PyObject* segment_chinese_entry(PyObject* module, PyObject* args, PyObject* keywords);

inline constexpr const char* kSegmentChineseDoc =
    "segment_chinese($module, text, keep_lexicon_words=False)\n--\n\n-> list[str]. "
    "The words of text as jieba.cut(text, HMM=False) gives them, over jieba's dictionary "
    "with the Chinese lexicon's words and phrases added. With keep_lexicon_words, a piece "
    "that holds lexicon words of two characters or more is split around them. Private: "
    "use moodvane_tools.count_words.";

}  // namespace moodvane::companion
