#include "chinese_segmentation.hpp"

#include <string_view>
#include <unordered_map>
#include <vector>

#include "boundary.hpp"
#include "conversions.hpp"
#include "lock_released.hpp"
#include "match_arguments.hpp"
#include "moodvane/chinese_dictionary.hpp"
#include "py_error.hpp"
#include "py_handle.hpp"

namespace moodvane::companion {
namespace {

using module::PyHandle;
using module::PyResult;
using module::raised;

constexpr module::FunctionSignature kSegmentSignature{
    "segment_chinese", {"text", "keep_lexicon_words"}, 1};

PyResult<PyHandle> segment_chinese(module::ArgumentSlots& slots) {
  PyResult<PyObject*> text = module::str_argument(slots[0], "text");
  if (!text) return std::unexpected(std::move(text.error()));
  PyResult<bool> keep_lexicon_words = module::bool_argument(slots[1], false);
  if (!keep_lexicon_words) return std::unexpected(std::move(keep_lexicon_words.error()));
  // The UTF-8 form is cached in the str, which the slots keep alive, and no thread can
  // change a str; a lone surrogate has none and raises UnicodeEncodeError.
  PyResult<std::string_view> utf8 = module::utf8_view(*text);
  if (!utf8) return std::unexpected(std::move(utf8.error()));
  // Building the dictionary on the first call and cutting touch no Python object.
  std::vector<std::string_view> pieces;
  {
    const module::LockReleased released;
    const text::ChineseSegmenter& segmenter = lexicons::chinese_segmenter();
    if (*keep_lexicon_words) {
      segmenter.cut_keeping_added_words(*utf8, pieces);
    } else {
      segmenter.cut(*utf8, pieces);
    }
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

PyObject* segment_chinese_entry(PyObject* /*module*/, PyObject* args, PyObject* keywords) {
  return module::call_with_arguments(kSegmentSignature, args, keywords, segment_chinese);
}

}  // namespace moodvane::companion
