#include "document_scores.hpp"

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "moodvane/bootstrap.hpp"
#include "moodvane/shift.hpp"
#include "moodvane/types.hpp"
#include "boundary.hpp"
#include "interrupts.hpp"
#include "lock_released.hpp"
#include "py_error.hpp"
#include "py_handle.hpp"
#include "read_tables.hpp"
#include "word_pins.hpp"
#include "byte_items.hpp"
#include "conversions.hpp"
#include "counter_types.hpp"
#include "lock_released.hpp"
#include "match_arguments.hpp"

namespace moodvane::companion {
namespace {

using module::PyErr;
using module::PyHandle;
using module::PyResult;
using module::raised;
using module::WordPins;

template <class T>
using Result = PyResult<T>;

// The error of a failed result, passed on.
template <class T>
std::unexpected<PyErr> failed(PyResult<T>& result) {
  return std::unexpected(std::move(result.error()));
}

Result<PyHandle> as_bytes(std::span<const double> values) {
  PyHandle bytes = PyHandle::steal(PyBytes_FromStringAndSize(
      values.empty() ? "" : reinterpret_cast<const char*>(values.data()),
      static_cast<Py_ssize_t>(values.size_bytes())));
  if (!bytes) return raised();
  return bytes;
}

Result<std::optional<types::StopLens>> read_lens(PyObject* lens) {
  if (lens == Py_None) return std::optional<types::StopLens>();
  double lo = 0.0;
  double hi = 0.0;
  if (!PyArg_ParseTuple(lens, "dd:stop_lens", &lo, &hi)) return raised();
  return std::optional<types::StopLens>(types::StopLens{lo, hi});
}

// The score map, stop lens and stop words that every document of one call is scored with.
struct Scoring {
  std::optional<types::StopLens> lens;
  types::ScoreMap scores;
  types::StopWords stop_words;
};

// The score dict is read with the call's pins, so that if a later dict's count runs Python
// code, the scores' words are pinned along with everything else.
Result<void> read_scoring(Scoring& scoring, WordPins& pins, PyObject* score_dict,
                          PyObject* lens_object, PyObject* stop_tuple) {
  // The lens first: its floats may run Python code, before any word is borrowed.
  Result<std::optional<types::StopLens>> lens = read_lens(lens_object);
  if (!lens) return failed(lens);
  scoring.lens = *lens;
  Result<general::Table> table = read_table(score_dict, "scores", ValueRule::score, pins);
  if (!table) return failed(table);
  scoring.scores.reserve(table->words.size());
  for (std::size_t i = 0; i < table->words.size(); ++i) {
    scoring.scores.insert_or_assign(table->words[i], table->values[i]);
  }
  Result<std::vector<std::string_view>> stopped = read_words(stop_tuple, "stop_words");
  if (!stopped) return failed(stopped);
  scoring.stop_words.reserve(stopped->size());
  for (const std::string_view word : *stopped) scoring.stop_words.insert(word);
  return {};
}

// Each document's average, scored total and token total, in input order.
struct Columns {
  std::vector<double> means;
  std::vector<double> totals;
  std::vector<double> tokens;

  void add(const types::InputSystem& system, const Scoring& scoring) {
    double all = +0.0;
    for (const double count : system.freqs) all += count;
    add(system, scoring, all);
  }

  void add(const types::InputSystem& system, const Scoring& scoring, double all) {
    const shift::SystemAverage average =
        shift::weighted_average(system, scoring.scores, scoring.lens, &scoring.stop_words);
    means.push_back(average.mean);
    totals.push_back(average.total);
    tokens.push_back(all);
  }

  Result<PyHandle> to_python() const {
    Result<PyHandle> means_bytes = as_bytes(means);
    if (!means_bytes) return failed(means_bytes);
    Result<PyHandle> totals_bytes = as_bytes(totals);
    if (!totals_bytes) return failed(totals_bytes);
    Result<PyHandle> tokens_bytes = as_bytes(tokens);
    if (!tokens_bytes) return failed(tokens_bytes);
    PyHandle result = PyHandle::steal(
        PyTuple_Pack(3, means_bytes->get(), totals_bytes->get(), tokens_bytes->get()));
    if (!result) return raised();
    return result;
  }
};

constexpr module::FunctionSignature kAverageScoresSignature{
    "average_scores", {"documents", "scores", "stop_lens", "stop_words"}, 4};

Result<PyHandle> average_scores(module::ArgumentSlots& slots) {
  PyResult<PyObject*> tuple = module::typed_argument(
      slots[0], "documents", reinterpret_cast<PyObject*>(&PyTuple_Type), "PyTuple");
  if (!tuple) return failed(tuple);
  PyObject* documents = *tuple;
  PyObject* score_dict = slots[1].get();
  PyObject* lens_object = slots[2].get();
  PyObject* stop_tuple = slots[3].get();
  WordPins pins;  // before the tables: it outlives every view of the caller's words
  Scoring scoring;
  if (Result<void> read = read_scoring(scoring, pins, score_dict, lens_object, stop_tuple); !read) {
    return failed(read);
  }

  // The tuple holds the documents for the whole call.
  const Py_ssize_t count = PyTuple_Size(documents);
  Columns columns;
  types::InputSystem system;
  for (Py_ssize_t i = 0; i < count; ++i) {
    // Each dict's own reading looks every so many words; a million small ones need looks
    // between them.
    if (i % 1024 == 1023) {
      if (Result<void> answered = module::answer_interrupt(&pins); !answered) {
        return failed(answered);
      }
    }
    PyObject* document = PyTuple_GetItem(documents, i);
    if (document == nullptr) return raised();
    Result<general::Table> table = read_table(document, "documents", ValueRule::count, pins);
    if (!table) return failed(table);
    system.words = std::move(table->words);
    system.freqs = std::move(table->values);
    columns.add(system, scoring);
  }
  return columns.to_python();
}

// Owned copies of the scores and stop words, so that no other thread can take the words
// away from under a computation that runs without the interpreter's lock.
struct OwnedScoring {
  std::vector<std::string> words;
  Scoring scoring;
};

Result<void> own_scoring(OwnedScoring& owned, PyObject* score_dict, PyObject* lens_object,
                         PyObject* stop_tuple) {
  WordPins pins;  // before the tables: it outlives every view of the caller's words
  Scoring borrowed;
  if (Result<void> read = read_scoring(borrowed, pins, score_dict, lens_object, stop_tuple); !read) {
    return failed(read);
  }
  owned.scoring.lens = borrowed.lens;
  owned.words.reserve(borrowed.scores.size() + borrowed.stop_words.size());
  for (const auto& [word, score] : borrowed.scores) owned.words.emplace_back(word);
  // Stored before any view is taken: the vector never grows again.
  Result<std::vector<std::string_view>> stopped = read_words(stop_tuple, "stop_words");
  if (!stopped) return failed(stopped);
  for (const std::string_view word : *stopped) owned.words.emplace_back(word);
  owned.scoring.scores.reserve(borrowed.scores.size());
  std::size_t at = 0;
  for (const auto& [word, score] : borrowed.scores) {
    owned.scoring.scores.insert_or_assign(owned.words[at++], score);
  }
  owned.scoring.stop_words.reserve(stopped->size());
  for (; at < owned.words.size(); ++at) owned.scoring.stop_words.insert(owned.words[at]);
  return {};
}

// One group's pooled counts, keyed by copies of the words, in the order the words first
// came (as Counter.update would keep them).
class PooledCounts {
 public:
  void add(std::string_view word, std::uint64_t times) {
    const auto [at, inserted] = index_.try_emplace(std::string(word), entries_.size());
    if (inserted) entries_.emplace_back(&at->first, 0);
    entries_[at->second].second += times;
  }

  // The words of the counts as an engine input; the views are the map's own keys.
  types::InputSystem system() const {
    types::InputSystem system;
    system.words.reserve(entries_.size());
    system.freqs.reserve(entries_.size());
    for (const auto& [word, count] : entries_) {
      system.words.emplace_back(*word);
      system.freqs.push_back(static_cast<double>(count));
    }
    return system;
  }

  std::uint64_t tokens() const noexcept {
    std::uint64_t tokens = 0;
    for (const auto& entry : entries_) tokens += entry.second;
    return tokens;
  }

  Result<PyHandle> to_dict() const {
    PyHandle dict = PyHandle::steal(PyDict_New());
    if (!dict) return raised();
    for (const auto& [word, count] : entries_) {
      PyHandle key = PyHandle::steal(
          PyUnicode_DecodeUTF8(word->data(), static_cast<Py_ssize_t>(word->size()), "strict"));
      if (!key) return raised();
      PyHandle value = PyHandle::steal(PyLong_FromUnsignedLongLong(count));
      if (!value) return raised();
      if (PyDict_SetItem(dict.get(), key.get(), value.get()) < 0) return raised();
    }
    return dict;
  }

 private:
  std::unordered_map<std::string, std::size_t> index_;  // nodes never move: keys stay put
  std::vector<std::pair<const std::string*, std::uint64_t>> entries_;
};

// score_texts(rules, texts, groups, group_count, scores, stop_lens, stop_words, pooled,
// prepare): counts each text with the counting rules, lowering and normalising it natively
// as count_words does (`prepare(text)` gives the few texts that only the interpreter may
// lower), and scores it; with `groups` (bytes, one int64 per text, -1 for
// none), also pools the counts of each of `group_count` groups and scores them. Returns
// the documents' three columns, the groups' three columns, and, when `pooled` is true, a
// list with each group's counts as a dict (None otherwise).
constexpr module::FunctionSignature kScoreTextsSignature{
    "score_texts",
    {"rules", "texts", "groups", "group_count", "scores", "stop_lens", "stop_words", "pooled",
     "prepare"},
    8};

Result<PyHandle> score_texts(PyObject* module, module::ArgumentSlots& slots) {
  Result<std::shared_ptr<const text::CountingRules>> rules =
      rules_of(module, slots[0].get(), "rules");
  if (!rules) return failed(rules);
  PyResult<PyObject*> tuple = module::typed_argument(
      slots[1], "texts", reinterpret_cast<PyObject*>(&PyTuple_Type), "PyTuple");
  if (!tuple) return failed(tuple);
  PyObject* texts = *tuple;
  PyObject* groups_object = slots[2].get();
  PyResult<Py_ssize_t> read_count = module::index_argument(slots[3], "group_count");
  if (!read_count) return failed(read_count);
  const Py_ssize_t group_count = *read_count;
  PyObject* score_dict = slots[4].get();
  PyObject* lens_object = slots[5].get();
  PyObject* stop_tuple = slots[6].get();
  PyResult<bool> want_pooled = module::bool_argument(slots[7], false);
  if (!want_pooled) return failed(want_pooled);
  const auto count = static_cast<std::size_t>(PyTuple_Size(texts));
  std::span<const std::int64_t> groups;
  if (groups_object != Py_None) {
    Result<std::span<const std::int64_t>> read = items_of<std::int64_t>(groups_object, "groups");
    if (!read) return failed(read);
    groups = *read;
    if (groups.size() != count || group_count < 0) {
      PyErr_SetString(PyExc_ValueError, "groups must hold one group number per text");
      return raised();
    }
    for (const std::int64_t group : groups) {
      if (group < -1 || group >= group_count) {
        PyErr_SetString(PyExc_ValueError, "a group number is out of range");
        return raised();
      }
    }
  }
  OwnedScoring owned;
  if (Result<void> read = own_scoring(owned, score_dict, lens_object, stop_tuple); !read) {
    return failed(read);
  }
  // The texts' UTF-8 forms, which the tuple keeps alive and no thread can change.
  std::vector<std::string_view> views(count);
  for (std::size_t i = 0; i < count; ++i) {
    PyObject* item = PyTuple_GetItem(texts, static_cast<Py_ssize_t>(i));
    if (item == nullptr) return raised();
    if (!PyUnicode_Check(item)) {
      PyErr_Format(PyExc_TypeError, "texts must hold only str, got %R", item);
      return raised();
    }
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(item, &size);
    if (data == nullptr) return raised();
    views[i] = std::string_view(data, static_cast<std::size_t>(size));
  }

  text::WordTally tally(*rules);
  // The few texts that only the interpreter may lower (U+0130, U+03A3), found first with
  // other threads running, then prepared by `prepare`, which the list of their strs keeps.
  std::vector<std::size_t> for_interpreter;
  {
    const module::LockReleased finding;
    for (std::size_t i = 0; i < count; ++i) {
      if (tally.only_interpreter_prepares(views[i])) for_interpreter.push_back(i);
    }
  }
  std::vector<bool> prepared(count, false);
  std::vector<PyHandle> prepared_texts;
  for (const std::size_t i : for_interpreter) {
    PyObject* prepare = slots[8].get();
    if (prepare == nullptr || prepare == Py_None) {
      PyErr_SetString(PyExc_ValueError, "a text needs prepare(text): only str.lower lowers it");
      return raised();
    }
    PyObject* original = PyTuple_GetItem(texts, static_cast<Py_ssize_t>(i));  // the tuple's
    PyHandle text = PyHandle::steal(PyObject_CallFunctionObjArgs(prepare, original, nullptr));
    if (!text) return raised();
    PyResult<std::string_view> utf8 = module::utf8_view(text.get());
    if (!utf8) return failed(utf8);
    views[i] = *utf8;
    prepared[i] = true;
    prepared_texts.push_back(std::move(text));
  }

  Columns documents;
  Columns pooled_columns;
  std::vector<PooledCounts> pooled(groups.empty() ? 0 : static_cast<std::size_t>(group_count));
  {
    module::LockReleased computing;
    const shift::Progress progress = computing.progress();
    types::InputSystem system;
    for (std::size_t i = 0; i < count; ++i) {
      if (prepared[i]) {
        tally.add(views[i], false, progress);
      } else {
        tally.add_if_ready(views[i], false, progress);
      }
      const text::WordTally::Counts counts = tally.counts();
      system.words.clear();
      system.freqs.clear();
      for (const auto& [word, times] : counts.words) {
        system.words.push_back(word);
        system.freqs.push_back(static_cast<double>(times));
      }
      documents.add(system, owned.scoring, static_cast<double>(counts.tokens));
      if (!groups.empty() && groups[i] >= 0) {
        PooledCounts& group = pooled[static_cast<std::size_t>(groups[i])];
        for (const auto& [word, times] : counts.words) group.add(word, times);
      }
      tally.clear();
    }
    for (const PooledCounts& group : pooled) {
      pooled_columns.add(group.system(), owned.scoring, static_cast<double>(group.tokens()));
    }
  }

  Result<PyHandle> document_columns = documents.to_python();
  if (!document_columns) return failed(document_columns);
  Result<PyHandle> group_columns = pooled_columns.to_python();
  if (!group_columns) return failed(group_columns);
  PyHandle counts_list = PyHandle::borrow(Py_None);
  if (*want_pooled) {
    counts_list = PyHandle::steal(PyList_New(0));
    if (!counts_list) return raised();
    for (const PooledCounts& group : pooled) {
      Result<PyHandle> dict = group.to_dict();
      if (!dict) return failed(dict);
      if (PyList_Append(counts_list.get(), dict->get()) < 0) return raised();
    }
  }
  PyHandle result = PyHandle::steal(PyTuple_Pack(3, document_columns->get(),
                                                 group_columns->get(), counts_list.get()));
  if (!result) return raised();
  return result;
}

constexpr module::FunctionSignature kResampleSignature{
    "resample_ratios", {"sums", "totals", "starts", "n_boot", "seed"}, 5};

Result<PyHandle> resample_ratios(module::ArgumentSlots& slots) {
  PyObject* sums_bytes = slots[0].get();
  PyObject* totals_bytes = slots[1].get();
  PyObject* starts_bytes = slots[2].get();
  PyResult<Py_ssize_t> read_boot = module::index_argument(slots[3], "n_boot");
  if (!read_boot) return failed(read_boot);
  const Py_ssize_t n_boot = *read_boot;
  PyResult<std::uint64_t> seed = module::seed_argument(slots[4], "seed");
  if (!seed) return failed(seed);
  Result<std::span<const double>> sums = items_of<double>(sums_bytes, "sums");
  if (!sums) return failed(sums);
  Result<std::span<const double>> totals = items_of<double>(totals_bytes, "totals");
  if (!totals) return failed(totals);
  Result<std::span<const std::int64_t>> starts = items_of<std::int64_t>(starts_bytes, "starts");
  if (!starts) return failed(starts);
  if (n_boot < 0 || sums->size() != totals->size()) {
    PyErr_SetString(PyExc_ValueError, "n_boot must be >= 0 and sums as long as totals");
    return raised();
  }
  // Group starts must rise from 0 to the number of documents.
  const auto documents = static_cast<std::int64_t>(sums->size());
  for (std::size_t g = 0; g < starts->size(); ++g) {
    const std::int64_t at = (*starts)[g];
    const bool first_ok = g > 0 || at == 0;
    const bool rising = g == 0 || at >= (*starts)[g - 1];
    const bool last_ok = g + 1 < starts->size() || at == documents;
    if (!first_ok || !rising || !last_ok || at > documents) {
      PyErr_SetString(PyExc_ValueError, "starts must rise from 0 to the number of documents");
      return raised();
    }
    if (g > 0 && at - (*starts)[g - 1] > std::int64_t{UINT32_MAX}) {
      PyErr_SetString(PyExc_ValueError, "a group must have fewer than 2**32 documents");
      return raised();
    }
  }
  const std::size_t groups = starts->empty() ? 0 : starts->size() - 1;
  // The ratios come back as one bytes object, whose size is a Py_ssize_t.
  std::size_t ratios = 0;
  if (__builtin_mul_overflow(groups, static_cast<std::size_t>(n_boot), &ratios) ||
      ratios > static_cast<std::size_t>(PY_SSIZE_T_MAX) / sizeof(double)) {
    PyErr_Format(PyExc_MemoryError,
                 "%zd resamples of each of %zu groups are more than memory can hold", n_boot,
                 groups);
    return raised();
  }
  std::vector<double> out(ratios);
  {
    // The bytes objects are held by the call's arguments and never change.
    module::LockReleased computing;
    bootstrap::resample_ratios(*sums, *totals, *starts, static_cast<std::size_t>(n_boot),
                               *seed, out, computing.progress());
  }
  return as_bytes(out);
}

}  // namespace

PyObject* average_scores_entry(PyObject* /*module*/, PyObject* args, PyObject* keywords) {
  return module::call_with_arguments(kAverageScoresSignature, args, keywords, average_scores);
}

PyObject* score_texts_entry(PyObject* module, PyObject* args, PyObject* keywords) {
  return module::call_with_arguments(
      kScoreTextsSignature, args, keywords,
      [module](module::ArgumentSlots& slots) { return score_texts(module, slots); });
}

PyObject* resample_ratios_entry(PyObject* /*module*/, PyObject* args, PyObject* keywords) {
  return module::call_with_arguments(kResampleSignature, args, keywords, resample_ratios);
}

}  // namespace moodvane::companion
