// The binding of the native word counter (engine/src/text). Rules and tallies travel to
// Python as capsules that only moodvane_tools.counting handles; a tally refuses a second
// thread while one is counting with it, so no caller can race its state.
#include "word_counting.hpp"

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "moodvane/chinese_dictionary.hpp"
#include "moodvane/text/character_classes.hpp"
#include "moodvane/text/word_counting.hpp"
#include "boundary.hpp"
#include "conversions.hpp"
#include "lock_released.hpp"
#include "py_error.hpp"
#include "py_handle.hpp"

namespace moodvane::general_module {

std::string_view embedded_counting_data(std::string_view name) noexcept;  // generated

namespace {

using module::PyHandle;
using module::PyResult;
using module::raised;

constexpr const char* kRulesName = "moodvane_tools.counting.rules";
constexpr const char* kTallyName = "moodvane_tools.counting.tally";

using RulesPointer = std::shared_ptr<const text::CountingRules>;

struct TallyBox {
  TallyBox(RulesPointer rules, text::CountingOptions options)
      : tally(std::move(rules), options) {}
  text::WordTally tally;
  std::atomic<bool> busy{false};
};

// Holds a tally for one call, or says that another thread is using it.
class TallyUse {
 public:
  explicit TallyUse(TallyBox* box) noexcept
      : box_(box), acquired_(!box->busy.exchange(true, std::memory_order_acquire)) {}
  ~TallyUse() {
    if (acquired_) box_->busy.store(false, std::memory_order_release);
  }
  TallyUse(const TallyUse&) = delete;
  TallyUse& operator=(const TallyUse&) = delete;
  bool acquired() const noexcept { return acquired_; }

 private:
  TallyBox* box_;
  bool acquired_;
};

PyResult<std::vector<std::string>> strings_of(PyObject* sequence, const char* what) {
  PyHandle fast = PyHandle::steal(PySequence_Tuple(sequence));
  if (!fast) return raised();
  const Py_ssize_t size = PyTuple_Size(fast.get());
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(size));
  for (Py_ssize_t i = 0; i < size; ++i) {
    PyObject* item = PyTuple_GetItem(fast.get(), i);  // owned by the tuple we hold
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

std::optional<text::Language> language_named(std::string_view key) {
  if (key == "chinese") return text::Language::chinese;
  if (key == "english") return text::Language::english;
  if (key == "french") return text::Language::french;
  if (key == "hindi") return text::Language::hindi;
  if (key == "korean") return text::Language::korean;
  return text::Language::other;
}

void release_rules(PyObject* capsule) {
  delete static_cast<RulesPointer*>(PyCapsule_GetPointer(capsule, kRulesName));
}

void release_tally(PyObject* capsule) {
  delete static_cast<TallyBox*>(PyCapsule_GetPointer(capsule, kTallyName));
}

// The lines of an embedded file, without empty ones.
std::vector<std::string> lines_of(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (!line.empty()) lines.emplace_back(line);
    text.remove_prefix(std::min(text.size(), end + 1));
  }
  return lines;
}

// A list given by the caller (a tests' small list), or else the embedded file `name`.
PyResult<std::vector<std::string>> list_or_embedded(PyObject* given, const char* what,
                                                  const std::string& name) {
  if (given != Py_None) return strings_of(given, what);
  return lines_of(embedded_counting_data(name));
}

PyResult<PyHandle> counting_rules(PyObject* args) {
  const char* key = nullptr;
  PyObject* words = nullptr;
  int lower_case = 1;
  PyObject* phrases = Py_None;
  PyObject* emoticons = Py_None;
  int native_chinese = 1;
  int negation = 0;
  if (!PyArg_ParseTuple(args, "sOp|OOpp:counting_rules", &key, &words, &lower_case, &phrases,
                        &emoticons, &native_chinese, &negation)) {
    return raised();
  }
  text::RulesData data;
  data.language = *language_named(key);
  // Built on the first run of Han characters, in a count, with the lock released.
  if (data.language == text::Language::chinese && native_chinese != 0) {
    data.chinese_segmenter = &lexicons::chinese_segmenter;
  }
  data.lower_case = lower_case != 0;
  PyResult<std::vector<std::string>> read_words = strings_of(words, "words");
  if (!read_words) return std::unexpected(std::move(read_words.error()));
  data.words = std::move(*read_words);
  PyResult<std::vector<std::string>> read_phrases =
      list_or_embedded(phrases, "phrases", std::string(key) + ".phrases.txt");
  if (!read_phrases) return std::unexpected(std::move(read_phrases.error()));
  data.phrases = std::move(*read_phrases);
  PyResult<std::vector<std::string>> read_emoticons =
      list_or_embedded(emoticons, "emoticons", "emoticons.txt");
  if (!read_emoticons) return std::unexpected(std::move(read_emoticons.error()));
  data.emoticons = std::move(*read_emoticons);
  // The language's negators; a tally of these rules then counts negated words apart.
  if (negation != 0) {
    data.negation = text::negation_of(embedded_counting_data("negators.txt"), key);
  }
  auto rules = std::make_unique<RulesPointer>(text::make_counting_rules(std::move(data)));
  PyHandle capsule = PyHandle::steal(PyCapsule_New(rules.get(), kRulesName, release_rules));
  if (!capsule) return raised();
  rules.release();  // the capsule owns it now
  return capsule;
}

// Bits of new_tally's `counted`: which things that are not words count all the same.
enum Counted : unsigned {
  kUrls = 1,
  kEmails = 2,
  kHandles = 4,
  kEntities = 8,
  kHashtags = 16,
  kEmoji = 32,
  kEmoticons = 64,
};

PyResult<PyHandle> new_tally(PyObject* args) {
  PyObject* rules_capsule = nullptr;
  unsigned int counted = kHashtags | kEmoji | kEmoticons;
  if (!PyArg_ParseTuple(args, "O|I:new_tally", &rules_capsule, &counted)) return raised();
  auto* rules = static_cast<RulesPointer*>(PyCapsule_GetPointer(rules_capsule, kRulesName));
  if (rules == nullptr) return raised();
  text::CountingOptions options;
  options.urls = (counted & kUrls) != 0;
  options.emails = (counted & kEmails) != 0;
  options.handles = (counted & kHandles) != 0;
  options.entities = (counted & kEntities) != 0;
  options.hashtags = (counted & kHashtags) != 0;
  options.emoji = (counted & kEmoji) != 0;
  options.emoticons = (counted & kEmoticons) != 0;
  auto box = std::make_unique<TallyBox>(*rules, options);
  PyHandle capsule = PyHandle::steal(PyCapsule_New(box.get(), kTallyName, release_tally));
  if (!capsule) return raised();
  box.release();
  return capsule;
}

PyResult<TallyBox*> tally_of(PyObject* capsule) {
  auto* box = static_cast<TallyBox*>(PyCapsule_GetPointer(capsule, kTallyName));
  if (box == nullptr) return raised();
  return box;
}

std::unexpected<module::PyErr> busy_error() {
  PyErr_SetString(PyExc_RuntimeError, "this word counter is in use by another thread");
  return raised();
}

// Counts a text, or answers False without counting when the interpreter must first lower
// and normalise it (see text::ready_to_count); a `prepared` text counts as it stands. With
// `goes_on`, the text is a piece of a longer one, cut before white space, whose next piece
// the next call brings (a phrase may go on there).
PyResult<PyHandle> tally_add(PyObject* args) {
  PyObject* capsule = nullptr;
  PyObject* text = nullptr;
  int prepared = 0;
  int goes_on = 0;
  if (!PyArg_ParseTuple(args, "OU|pp:tally_add", &capsule, &text, &prepared, &goes_on)) {
    return raised();
  }
  PyResult<TallyBox*> box = tally_of(capsule);
  if (!box) return std::unexpected(std::move(box.error()));
  // The UTF-8 form is cached in the str, which the caller's arguments keep alive, and no
  // thread can change a str: the view stays good while other threads run.
  PyResult<std::string_view> utf8 = module::utf8_view(text);
  if (!utf8) return std::unexpected(std::move(utf8.error()));
  TallyUse use(*box);
  if (!use.acquired()) return busy_error();
  bool counted = true;
  {
    // A Ctrl-C handler that runs meanwhile finds the tally busy, should it count too.
    LockReleased counting;
    if (prepared != 0) {
      (*box)->tally.add(*utf8, goes_on != 0, counting.progress());
    } else {
      counted = (*box)->tally.add_if_ready(*utf8, goes_on != 0, counting.progress());
    }
  }
  return PyHandle::borrow(counted ? Py_True : Py_False);
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
PyResult<PyHandle> tally_take(PyObject* args) {
  PyObject* capsule = nullptr;
  if (!PyArg_ParseTuple(args, "O:tally_take", &capsule)) return raised();
  PyResult<TallyBox*> box = tally_of(capsule);
  if (!box) return std::unexpected(std::move(box.error()));
  TallyUse use(*box);
  if (!use.acquired()) return busy_error();
  const text::WordTally::Counts counts = (*box)->tally.counts();
  PyResult<PyHandle> words = dict_of(counts.words);
  if (!words) return std::unexpected(std::move(words.error()));
  PyResult<PyHandle> han_runs = dict_of(counts.han_runs);
  if (!han_runs) return std::unexpected(std::move(han_runs.error()));
  PyHandle tokens = PyHandle::steal(PyLong_FromUnsignedLongLong(counts.tokens));
  if (!tokens) return raised();
  PyHandle result =
      PyHandle::steal(PyTuple_Pack(3, words->get(), han_runs->get(), tokens.get()));
  if (!result) return raised();
  (*box)->tally.clear();
  return result;
}

// The text in Stream-Safe Text Format, in pieces that normalise one by one (a list of str).
PyResult<PyHandle> stream_safe_text(PyObject* args) {
  PyObject* text = nullptr;
  Py_ssize_t piece_bytes = 0;
  if (!PyArg_ParseTuple(args, "Un:stream_safe_pieces", &text, &piece_bytes)) return raised();
  PyResult<std::string_view> utf8 = module::utf8_view(text);
  if (!utf8) return std::unexpected(std::move(utf8.error()));
  const std::vector<std::string> pieces =
      text::stream_safe_pieces(*utf8, static_cast<std::size_t>(std::max<Py_ssize_t>(piece_bytes, 1)));
  PyHandle list = PyHandle::steal(PyList_New(0));
  if (!list) return raised();
  for (const std::string& piece : pieces) {
    PyHandle item = PyHandle::steal(
        PyUnicode_DecodeUTF8(piece.data(), static_cast<Py_ssize_t>(piece.size()), "strict"));
    if (!item || PyList_Append(list.get(), item.get()) < 0) return raised();
  }
  return list;
}

// The largest index i with end - window < i <= end and i < len(text) such that text may be
// cut just before text[i], or -1 when there is none. A cut before white space comes first:
// nothing that the counter reads as one spans it (URLs, addresses, emoticons, emoji
// sequences; a phrase does, but the tally carries it over); only a window without one
// (Chinese writes no spaces) is cut elsewhere, where no token or normalisation is split,
// unless `white_space_only`.
PyResult<PyHandle> last_break(PyObject* args) {
  PyObject* text = nullptr;
  Py_ssize_t end = 0;
  Py_ssize_t window = 0;
  int white_space_only = 0;
  if (!PyArg_ParseTuple(args, "Unn|p:last_break", &text, &end, &window, &white_space_only)) {
    return raised();
  }
  const Py_ssize_t length = PyUnicode_GetLength(text);
  if (length < 0) return raised();
  if (end >= length) end = length - 1;
  const Py_ssize_t lowest = end - window;
  Py_ssize_t found = -1;
  Py_ssize_t other = -1;  // the last other break, should no white space come
  for (Py_ssize_t i = end; i > lowest && i >= 0; --i) {
    const Py_UCS4 cp = PyUnicode_ReadChar(text, i);
    if (cp == static_cast<Py_UCS4>(-1) && PyErr_Occurred() != nullptr) return raised();
    const std::uint8_t cls = text::character_class(cp);
    if (!(cls & text::kStableBreak)) continue;
    if (cls & text::kSpace) {
      found = i;
      break;
    }
    if (other < 0) other = i;
  }
  if (found < 0 && white_space_only == 0) found = other;
  PyHandle out = PyHandle::steal(PyLong_FromSsize_t(found));
  if (!out) return raised();
  return out;
}

// What a text still needs before it is counted: 1 when it may not be in NFC, 2 when
// str.lower would change it (asked only with `lowering`).
PyResult<PyHandle> text_needs(PyObject* args) {
  PyObject* text = nullptr;
  int lowering = 0;
  if (!PyArg_ParseTuple(args, "Up:text_needs", &text, &lowering)) return raised();
  PyResult<std::string_view> utf8 = module::utf8_view(text);
  if (!utf8) return std::unexpected(std::move(utf8.error()));
  const long needs = (text::is_nfc(*utf8) ? 0 : 1) |
                     (lowering != 0 && text::has_capitals(*utf8) ? 2 : 0);
  PyHandle out = PyHandle::steal(PyLong_FromLong(needs));
  if (!out) return raised();
  return out;
}

PyResult<PyHandle> character_table_version() {
  const std::string_view version = text::character_table_version();
  PyHandle out = PyHandle::steal(
      PyUnicode_FromStringAndSize(version.data(), static_cast<Py_ssize_t>(version.size())));
  if (!out) return raised();
  return out;
}

}  // namespace

module::PyResult<std::shared_ptr<const text::CountingRules>> counting_rules_of(
    PyObject* capsule) {
  auto* rules = static_cast<RulesPointer*>(PyCapsule_GetPointer(capsule, kRulesName));
  if (rules == nullptr) return raised();
  return *rules;
}

PyObject* counting_rules_entry(PyObject*, PyObject* args) {
  return module::run_in_barrier([args] { return counting_rules(args); });
}
PyObject* new_tally_entry(PyObject*, PyObject* args) {
  return module::run_in_barrier([args] { return new_tally(args); });
}
PyObject* tally_add_entry(PyObject*, PyObject* args) {
  return module::run_in_barrier([args] { return tally_add(args); });
}
PyObject* tally_take_entry(PyObject*, PyObject* args) {
  return module::run_in_barrier([args] { return tally_take(args); });
}
PyObject* stream_safe_entry(PyObject*, PyObject* args) {
  return module::run_in_barrier([args] { return stream_safe_text(args); });
}
PyObject* last_break_entry(PyObject*, PyObject* args) {
  return module::run_in_barrier([args] { return last_break(args); });
}
PyObject* text_needs_entry(PyObject*, PyObject* args) {
  return module::run_in_barrier([args] { return text_needs(args); });
}
PyObject* character_table_version_entry(PyObject*, PyObject*) {
  return module::run_in_barrier([] { return character_table_version(); });
}

}  // namespace moodvane::general_module
