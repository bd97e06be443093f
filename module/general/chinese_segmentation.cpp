#include "chinese_segmentation.hpp"

#include <string_view>
#include <unordered_map>
#include <vector>

#include "moodvane/chinese_dictionary.hpp"
#include "raised.hpp"

namespace moodvane::general_module {
namespace {

Result<PyHandle> segment_chinese(PyObject* args) {
  PyObject* text = nullptr;
  int keep_lexicon_words = 0;
  if (!PyArg_ParseTuple(args, "U|p:segment_chinese", &text, &keep_lexicon_words)) {
    return raised();
  }
  Py_ssize_t size = 0;
  // The UTF-8 form is cached in the str, which the argument tuple keeps alive; a lone
  // surrogate has none and raises UnicodeEncodeError here.
  const char* utf8 = PyUnicode_AsUTF8AndSize(text, &size);
  if (utf8 == nullptr) return raised();
  const std::string_view view(utf8, static_cast<std::size_t>(size));

  std::vector<std::string_view> pieces;
  {
    // Building the dictionary on the first call and cutting touch no Python object.
    PyThreadState* state = PyEval_SaveThread();
    try {
      const text::ChineseSegmenter& segmenter = lexicons::chinese_segmenter();
      if (keep_lexicon_words != 0) {
        segmenter.cut_keeping_added_words(view, pieces);
      } else {
        segmenter.cut(view, pieces);
      }
    } catch (...) {
      PyEval_RestoreThread(state);
      throw;
    }
    PyEval_RestoreThread(state);
  }

  PyHandle list = PyHandle::steal(PyList_New(static_cast<Py_ssize_t>(pieces.size())));
  if (!list) return raised();
  // A text repeats its words: each distinct one becomes a str once, and the list holds it
  // as often as it comes.
  std::vector<PyHandle> made;
  std::unordered_map<std::string_view, PyObject*> made_for;
  for (std::size_t index = 0; index < pieces.size(); ++index) {
    auto [at, fresh] = made_for.try_emplace(pieces[index], nullptr);
    if (fresh) {
      made.push_back(PyHandle::steal(PyUnicode_DecodeUTF8(
          pieces[index].data(), static_cast<Py_ssize_t>(pieces[index].size()), "strict")));
      if (!made.back()) return raised();
      at->second = made.back().get();
    }
    Py_INCREF(at->second);
    PyList_SetItem(list.get(), static_cast<Py_ssize_t>(index), at->second);  // steals one
  }
  return list;
}

}  // namespace

PyObject* segment_chinese_entry(PyObject* /*module*/, PyObject* args) {
  return call_boundary([args] { return segment_chinese(args); });
}

}  // namespace moodvane::general_module
