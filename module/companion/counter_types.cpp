// The binding of the native word counter (engine/src/text). A CountingRules object shares
// its immutable rules with every tally made from it; a WordTally refuses a second thread
// while one is counting with it, so no caller can race its state.
#include "counter_types.hpp"

#include <algorithm>
#include <atomic>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "conversions.hpp"
#include "lock_released.hpp"
#include "match_arguments.hpp"
#include "module_state.hpp"
#include "moodvane/counting_data.hpp"
#include "moodvane/text/character_classes.hpp"
#include "moodvane/text/text_breaks.hpp"
#include "py_handle.hpp"

namespace moodvane::companion {
namespace {

using module::ArgumentSlots;
using module::FunctionSignature;
using module::PyHandle;
using module::PyResult;
using module::raised;

using RulesPointer = std::shared_ptr<const text::CountingRules>;

struct RulesObject {
  PyObject_HEAD
  RulesPointer rules;
};

struct Tally {
  Tally(RulesPointer rules, text::CountingOptions options) : tally(std::move(rules), options) {}
  text::WordTally tally;
  std::atomic<bool> busy{false};
};

struct TallyObject {
  PyObject_HEAD
  std::unique_ptr<Tally> tally;
};

// Holds a tally for one call, or says that another thread is using it.
class TallyUse {
 public:
  explicit TallyUse(Tally& tally) noexcept
      : tally_(tally), acquired_(!tally.busy.exchange(true, std::memory_order_acquire)) {}
  ~TallyUse() {
    if (acquired_) tally_.busy.store(false, std::memory_order_release);
  }
  TallyUse(const TallyUse&) = delete;
  TallyUse& operator=(const TallyUse&) = delete;

  PyResult<void> check() const {
    if (acquired_) return {};
    PyErr_SetString(PyExc_RuntimeError, "this word counter is in use by another thread");
    return raised();
  }

 private:
  Tally& tally_;
  bool acquired_;
};

// A new instance of the heap type `type`, holding `value` in its member `Member`.
template <class Object, class Value>
PyResult<PyHandle> new_instance(PyTypeObject* type, Value Object::*member, Value value) {
  auto alloc = reinterpret_cast<allocfunc>(PyType_GetSlot(type, Py_tp_alloc));
  PyHandle self = PyHandle::steal(alloc(type, 0));
  if (!self) return raised();
  new (&(reinterpret_cast<Object*>(self.get())->*member)) Value(std::move(value));
  return self;
}

template <class Object, class Value, Value Object::*kMember>
void dealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  (reinterpret_cast<Object*>(self)->*kMember).~Value();
  reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free))(self);
  Py_DECREF(type);  // an instance of a heap type holds its type
}

PyResult<std::vector<std::string>> strings_of(PyObject* sequence, const char* what) {
  PyHandle items = PyHandle::steal(PySequence_Tuple(sequence));
  if (!items) return raised();
  const Py_ssize_t size = PyTuple_Size(items.get());
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(size));
  for (Py_ssize_t i = 0; i < size; ++i) {
    PyObject* item = PyTuple_GetItem(items.get(), i);  // owned by the tuple we hold
    if (item == nullptr) return raised();
    if (!PyUnicode_Check(item)) {
      PyErr_Format(PyExc_TypeError, "%s must hold str, not %R", what, Py_TYPE(item));
      return raised();
    }
    PyResult<std::string_view> utf8 = module::utf8_view(item);
    if (!utf8) return std::unexpected(std::move(utf8.error()));
    out.emplace_back(*utf8);
  }
  return out;
}

constexpr FunctionSignature kRulesSignature{
    "CountingRules",
    {"key", "words", "lower_case", "phrases", "emoticons", "native_chinese", "negation"},
    3};

PyObject* new_rules(PyTypeObject* type, PyObject* args, PyObject* keywords) {
  return module::call_with_arguments(kRulesSignature, args, keywords,
                                     [type](ArgumentSlots& slots) -> PyResult<PyHandle> {
    PyResult<std::string_view> key = module::utf8_argument(slots[0], "key");
    if (!key) return std::unexpected(std::move(key.error()));
    PyResult<std::vector<std::string>> words = strings_of(slots[1].get(), "words");
    if (!words) return std::unexpected(std::move(words.error()));
    PyResult<bool> lower_case = module::bool_argument(slots[2], true);
    if (!lower_case) return std::unexpected(std::move(lower_case.error()));
    PyResult<bool> native_chinese = module::bool_argument(slots[5], true);
    if (!native_chinese) return std::unexpected(std::move(native_chinese.error()));
    PyResult<bool> negation = module::bool_argument(slots[6], false);
    if (!negation) return std::unexpected(std::move(negation.error()));
    text::RulesData data = lexicons::counting_rules_data(*key, *native_chinese, *negation);
    data.words = std::move(*words);
    data.lower_case = *lower_case;
    // Lists given by the caller (a test's small lists) stand for the carried ones.
    if (slots[3] && slots[3].get() != Py_None) {
      PyResult<std::vector<std::string>> phrases = strings_of(slots[3].get(), "phrases");
      if (!phrases) return std::unexpected(std::move(phrases.error()));
      data.phrases = std::move(*phrases);
    }
    if (slots[4] && slots[4].get() != Py_None) {
      PyResult<std::vector<std::string>> emoticons = strings_of(slots[4].get(), "emoticons");
      if (!emoticons) return std::unexpected(std::move(emoticons.error()));
      data.emoticons = std::move(*emoticons);
    }
    return new_instance(type, &RulesObject::rules, text::make_counting_rules(std::move(data)));
  });
}

constexpr FunctionSignature kTallySignature{
    "WordTally",
    {"rules", "urls", "emails", "handles", "entities", "hashtags", "emoji", "emoticons"},
    1};

PyObject* new_tally(PyTypeObject* type, PyObject* args, PyObject* keywords) {
  return module::call_with_arguments(kTallySignature, args, keywords,
                                     [type](ArgumentSlots& slots) -> PyResult<PyHandle> {
    PyObject* module = PyType_GetModule(type);
    if (module == nullptr) return raised();
    PyResult<RulesPointer> rules = rules_of(module, slots[0].get(), "rules");
    if (!rules) return std::unexpected(std::move(rules.error()));
    text::CountingOptions options;
    bool text::CountingOptions::*const flags[] = {
        &text::CountingOptions::urls,     &text::CountingOptions::emails,
        &text::CountingOptions::handles,  &text::CountingOptions::entities,
        &text::CountingOptions::hashtags, &text::CountingOptions::emoji,
        &text::CountingOptions::emoticons};
    for (std::size_t i = 0; i < std::size(flags); ++i) {
      PyResult<bool> on = module::bool_argument(slots[i + 1], options.*flags[i]);
      if (!on) return std::unexpected(std::move(on.error()));
      options.*flags[i] = *on;
    }
    return new_instance(type, &TallyObject::tally,
                        std::make_unique<Tally>(std::move(*rules), options));
  });
}

constexpr FunctionSignature kAddSignature{"add", {"text", "prepared", "goes_on"}, 1};

// Counts a text, or answers False without counting when the interpreter must first lower
// and normalise it (see text::ready_to_count); a `prepared` text counts as it stands. With
// `goes_on`, the text is a piece of a longer one, cut before white space, whose next piece
// the next call brings (a phrase may go on there).
PyObject* tally_add(PyObject* self, PyObject* args, PyObject* keywords) {
  return module::call_with_arguments(kAddSignature, args, keywords,
                                     [self](ArgumentSlots& slots) -> PyResult<PyHandle> {
    Tally& tally = *reinterpret_cast<TallyObject*>(self)->tally;
    PyResult<PyObject*> text = module::str_argument(slots[0], "text");
    if (!text) return std::unexpected(std::move(text.error()));
    PyResult<bool> prepared = module::bool_argument(slots[1], false);
    if (!prepared) return std::unexpected(std::move(prepared.error()));
    PyResult<bool> goes_on = module::bool_argument(slots[2], false);
    if (!goes_on) return std::unexpected(std::move(goes_on.error()));
    // The UTF-8 form is cached in the str, which the slots keep alive, and no thread can
    // change a str: the view stays good while other threads run.
    PyResult<std::string_view> utf8 = module::utf8_view(*text);
    if (!utf8) return std::unexpected(std::move(utf8.error()));
    const TallyUse use(tally);
    if (PyResult<void> free = use.check(); !free) return std::unexpected(std::move(free.error()));
    bool counted = true;
    {
      // A Ctrl-C handler that runs meanwhile finds the tally busy, should it count too.
      module::LockReleased counting;
      if (*prepared) {
        tally.tally.add(*utf8, *goes_on, counting.progress());
      } else {
        counted = tally.tally.add_if_ready(*utf8, *goes_on, counting.progress());
      }
    }
    return PyHandle::borrow(counted ? Py_True : Py_False);
  });
}

PyResult<PyHandle> dict_of(const std::vector<std::pair<std::string_view, std::uint64_t>>& counts) {
  PyHandle dict = PyHandle::steal(PyDict_New());
  if (!dict) return raised();
  for (const auto& [word, count] : counts) {
    PyHandle key = PyHandle::steal(
        PyUnicode_DecodeUTF8(word.data(), static_cast<Py_ssize_t>(word.size()), "strict"));
    if (!key) return raised();
    PyHandle value = PyHandle::steal(PyLong_FromUnsignedLongLong(count));
    if (!value) return raised();
    if (PyDict_SetItem(dict.get(), key.get(), value.get()) < 0) return raised();
  }
  return dict;
}

// The counts since the last take, as (words, Han runs, tokens); the tally starts again.
PyObject* tally_take(PyObject* self, PyObject* /*unused*/) {
  return module::run_in_barrier([self]() -> PyResult<PyHandle> {
    Tally& tally = *reinterpret_cast<TallyObject*>(self)->tally;
    const TallyUse use(tally);
    if (PyResult<void> free = use.check(); !free) return std::unexpected(std::move(free.error()));
    const text::WordTally::Counts counts = tally.tally.counts();
    PyResult<PyHandle> words = dict_of(counts.words);
    if (!words) return std::unexpected(std::move(words.error()));
    PyResult<PyHandle> han_runs = dict_of(counts.han_runs);
    if (!han_runs) return std::unexpected(std::move(han_runs.error()));
    PyHandle tokens = PyHandle::steal(PyLong_FromUnsignedLongLong(counts.tokens));
    if (!tokens) return raised();
    PyHandle result =
        PyHandle::steal(PyTuple_Pack(3, words->get(), han_runs->get(), tokens.get()));
    if (!result) return raised();
    tally.tally.clear();
    return result;
  });
}

// Through void(*)(): the interpreter calls the entry with the keyword dict, as the flags
// tell it to.
template <class Entry>
PyCFunction with_keywords(Entry entry) noexcept {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(entry));
}

PyMethodDef tally_methods[] = {
    {"add", with_keywords(tally_add), METH_VARARGS | METH_KEYWORDS,
     PyDoc_STR("add($self, text, prepared=False, goes_on=False)\n--\n\n-> bool. "
               "Counts the words of text with the interpreter's lock released, and says "
               "whether it did: False, counting nothing, when the text must first be "
               "lowered or normalised by the interpreter; a prepared text counts as it "
               "stands. With goes_on, text is a piece of a longer text, cut before white "
               "space, that goes on in the next call.")},
    {"take", tally_take, METH_NOARGS,
     PyDoc_STR("take($self)\n--\n\n-> tuple[dict[str, int], dict[str, int], int]. "
               "The counts since the last take, as (words, runs of Han characters left to "
               "the caller's segmenter, tokens); the tally starts again.")},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot rules_slots[] = {
    {Py_tp_new, reinterpret_cast<void*>(new_rules)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc<RulesObject, RulesPointer, &RulesObject::rules>)},
    {Py_tp_doc, const_cast<char*>(PyDoc_STR(
        "CountingRules(key, words, lower_case, phrases=None, emoticons=None, "
        "native_chinese=True, negation=False)\n--\n\n"
        "What the built-in lexicon `key` expects of its words: its words, whether they are "
        "all lower case, its phrases and the emoticons (by default those carried in the "
        "library), for Chinese whether the native segmenter cuts runs of Han characters, "
        "and whether its tallies count a negated word apart (the language's negators "
        "carried in the library). Immutable; shared by any number of tallies on any number of threads. "
        "Private: use moodvane_tools.count_words."))},
    {0, nullptr},
};

PyType_Slot tally_slots[] = {
    {Py_tp_new, reinterpret_cast<void*>(new_tally)},
    {Py_tp_dealloc,
     reinterpret_cast<void*>(dealloc<TallyObject, std::unique_ptr<Tally>, &TallyObject::tally>)},
    {Py_tp_methods, tally_methods},
    {Py_tp_doc, const_cast<char*>(PyDoc_STR(
        "WordTally(rules, urls=False, emails=False, handles=False, entities=False, "
        "hashtags=True, emoji=True, emoticons=True)\n--\n\n"
        "The word counts of texts by `rules` (a CountingRules); the keywords say which "
        "things that are not words count all the same. One thread at a time. Private: use "
        "moodvane_tools.WordCounter."))},
    {0, nullptr},
};

PyType_Spec rules_spec = {"moodvane_tools._native.CountingRules",
                          static_cast<int>(sizeof(RulesObject)), 0, Py_TPFLAGS_DEFAULT,
                          rules_slots};
PyType_Spec tally_spec = {"moodvane_tools._native.WordTally",
                          static_cast<int>(sizeof(TallyObject)), 0, Py_TPFLAGS_DEFAULT,
                          tally_slots};

PyResult<PyHandle> text_list(const std::vector<std::string>& pieces) {
  PyHandle list = PyHandle::steal(PyList_New(0));
  if (!list) return raised();
  for (const std::string& piece : pieces) {
    PyHandle item = PyHandle::steal(
        PyUnicode_DecodeUTF8(piece.data(), static_cast<Py_ssize_t>(piece.size()), "strict"));
    if (!item || PyList_Append(list.get(), item.get()) < 0) return raised();
  }
  return list;
}

PyResult<PyHandle> int_result(long long value) {
  PyHandle out = PyHandle::steal(PyLong_FromLongLong(value));
  if (!out) return raised();
  return out;
}

constexpr FunctionSignature kStreamSafeSignature{"stream_safe_pieces",
                                                 {"text", "piece_bytes"}, 2};
constexpr FunctionSignature kLastBreakSignature{
    "last_break", {"text", "end", "window", "white_space_only"}, 3};
constexpr FunctionSignature kTextNeedsSignature{"text_needs", {"text", "lowering"}, 2};
constexpr FunctionSignature kPreparedSignature{"prepared_text", {"text", "lowering"}, 2};

// The arguments (text, lowering) of text_needs and prepared_text.
PyResult<std::pair<std::string_view, bool>> text_and_lowering(ArgumentSlots& slots) {
  PyResult<std::string_view> utf8 = module::utf8_argument(slots[0], "text");
  if (!utf8) return std::unexpected(std::move(utf8.error()));
  PyResult<bool> lowering = module::bool_argument(slots[1], false);
  if (!lowering) return std::unexpected(std::move(lowering.error()));
  return std::pair(*utf8, *lowering);
}

}  // namespace

PyResult<void> add_counter_types(PyObject* module) {
  ModuleState& state = state_of(module);
  state.counting_rules_type = PyType_FromModuleAndSpec(module, &rules_spec, nullptr);
  if (state.counting_rules_type == nullptr) return raised();
  state.word_tally_type = PyType_FromModuleAndSpec(module, &tally_spec, nullptr);
  if (state.word_tally_type == nullptr) return raised();
  if (PyModule_AddObjectRef(module, "CountingRules", state.counting_rules_type) < 0 ||
      PyModule_AddObjectRef(module, "WordTally", state.word_tally_type) < 0) {
    return raised();
  }
  return {};
}

PyResult<RulesPointer> rules_of(PyObject* module, PyObject* object, const char* name) {
  PyResult<PyObject*> rules = module::typed_argument(
      PyHandle::borrow(object), name, state_of(module).counting_rules_type, "CountingRules");
  if (!rules) return std::unexpected(std::move(rules.error()));
  return reinterpret_cast<RulesObject*>(*rules)->rules;
}

// The text in Stream-Safe Text Format, in pieces that normalise one by one (a list of str).
PyObject* stream_safe_pieces_entry(PyObject* /*module*/, PyObject* args, PyObject* keywords) {
  return module::call_with_arguments(kStreamSafeSignature, args, keywords,
                                     [](ArgumentSlots& slots) -> PyResult<PyHandle> {
    PyResult<std::string_view> utf8 = module::utf8_argument(slots[0], "text");
    if (!utf8) return std::unexpected(std::move(utf8.error()));
    PyResult<Py_ssize_t> piece_bytes = module::index_argument(slots[1], "piece_bytes");
    if (!piece_bytes) return std::unexpected(std::move(piece_bytes.error()));
    return text_list(text::stream_safe_pieces(
        *utf8, static_cast<std::size_t>(std::max<Py_ssize_t>(*piece_bytes, 1))));
  });
}

PyObject* last_break_entry(PyObject* /*module*/, PyObject* args, PyObject* keywords) {
  return module::call_with_arguments(kLastBreakSignature, args, keywords,
                                     [](ArgumentSlots& slots) -> PyResult<PyHandle> {
    PyResult<PyObject*> text = module::str_argument(slots[0], "text");
    if (!text) return std::unexpected(std::move(text.error()));
    PyResult<Py_ssize_t> end = module::index_argument(slots[1], "end");
    if (!end) return std::unexpected(std::move(end.error()));
    PyResult<Py_ssize_t> window = module::index_argument(slots[2], "window");
    if (!window) return std::unexpected(std::move(window.error()));
    PyResult<bool> white_space_only = module::bool_argument(slots[3], false);
    if (!white_space_only) return std::unexpected(std::move(white_space_only.error()));
    const Py_ssize_t length = PyUnicode_GetLength(*text);
    if (length < 0) return raised();
    // Every index read lies inside the text, where reading cannot fail.
    const auto code_point_at = [text = *text](std::ptrdiff_t i) {
      return static_cast<char32_t>(PyUnicode_ReadChar(text, i));
    };
    return int_result(text::last_break(code_point_at, length, *end, *window, *white_space_only));
  });
}

// What a text still needs before it is counted: 1 when it may not be in NFC, 2 when
// str.lower would change it (asked only with `lowering`).
PyObject* text_needs_entry(PyObject* /*module*/, PyObject* args, PyObject* keywords) {
  return module::call_with_arguments(kTextNeedsSignature, args, keywords,
                                     [](ArgumentSlots& slots) -> PyResult<PyHandle> {
    PyResult<std::pair<std::string_view, bool>> read = text_and_lowering(slots);
    if (!read) return std::unexpected(std::move(read.error()));
    const auto [utf8, lowering] = *read;
    return int_result((text::is_nfc(utf8) ? 0 : 1) |
                      (lowering && text::has_capitals(utf8) ? 2 : 0));
  });
}

// The text as a tally prepares it itself (lowered, in NFC), or None when only the
// interpreter may lower it.
PyObject* prepared_text_entry(PyObject* /*module*/, PyObject* args, PyObject* keywords) {
  return module::call_with_arguments(kPreparedSignature, args, keywords,
                                     [](ArgumentSlots& slots) -> PyResult<PyHandle> {
    PyResult<std::pair<std::string_view, bool>> read = text_and_lowering(slots);
    if (!read) return std::unexpected(std::move(read.error()));
    std::optional<std::string> prepared;
    {
      const module::LockReleased preparing;
      prepared = text::prepared_for_counting(read->first, read->second);
    }
    if (!prepared) return PyHandle::borrow(Py_None);
    PyHandle out = PyHandle::steal(PyUnicode_DecodeUTF8(
        prepared->data(), static_cast<Py_ssize_t>(prepared->size()), "strict"));
    if (!out) return raised();
    return out;
  });
}

PyObject* character_table_version_entry(PyObject* /*module*/, PyObject* /*unused*/) {
  return module::run_in_barrier([]() -> PyResult<PyHandle> {
    const std::string_view version = text::character_table_version();
    PyHandle out = PyHandle::steal(
        PyUnicode_FromStringAndSize(version.data(), static_cast<Py_ssize_t>(version.size())));
    if (!out) return raised();
    return out;
  });
}

}  // namespace moodvane::companion
