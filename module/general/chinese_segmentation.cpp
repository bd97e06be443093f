#include "chinese_segmentation.hpp"

#include <exception>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "boundary.hpp"
#include "conversions.hpp"
#include "moodvane/chinese_dictionary.hpp"
#include "py_error.hpp"
#include "py_handle.hpp"

namespace moodvane::general_module {
namespace {

using module::PyHandle;
using module::PyResult;
using module::raised;

PyResult<PyHandle> segment_chinese(PyObject* args) {
  PyObject* text = nullptr;
  int keep_lexicon_words = 0;
  if (!PyArg_ParseTuple(args, "U|p:segment_chinese", &text, &keep_lexicon_words)) {
    return raised();
  }
  // The UTF-8 form is cached in the str, which the argument tuple keeps alive, and no
  // thread can change a str; a lone surrogate has none and raises UnicodeEncodeError.
  PyResult<std::string_view> utf8 = module::utf8_view(text);
  if (!utf8) return std::unexpected(std::move(utf8.error()));

  // Building the dictionary on the first call and cutting touch no Python object.
  std::vector<std::string_view> pieces;
  std::exception_ptr failure;
  PyThreadState* thread = PyEval_SaveThread();
  try {
    const text::ChineseSegmenter& segmenter = lexicons::chinese_segmenter();
    if (keep_lexicon_words != 0) {
      segmenter.cut_keeping_added_words(*utf8, pieces);
    } else {
      segmenter.cut(*utf8, pieces);
    }
  } catch (...) {
    failure = std::current_exception();
  }
  PyEval_RestoreThread(thread);
  if (failure) std::rethrow_exception(failure);  // the boundary turns it into an exception

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
  return module::run_in_barrier([args] { return segment_chinese(args); });
}

}  // namespace moodvane::general_module
