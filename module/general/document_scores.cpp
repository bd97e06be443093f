#include "document_scores.hpp"

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "moodvane/bootstrap.hpp"
#include "moodvane/shift.hpp"
#include "moodvane/types.hpp"
#include "read_tables.hpp"

namespace moodvane::general_module {
namespace {

// Lets other threads run during pure C++ work; takes the interpreter back however the
// work ends, before any error reaches the call boundary.
class ThreadsReleased {
 public:
  ThreadsReleased() noexcept : state_(PyEval_SaveThread()) {}
  ~ThreadsReleased() { PyEval_RestoreThread(state_); }
  ThreadsReleased(const ThreadsReleased&) = delete;
  ThreadsReleased& operator=(const ThreadsReleased&) = delete;

 private:
  PyThreadState* state_;
};

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

// `reader` reads the score dict, so that if a later dict's count runs Python code, the
// scores' words are pinned along with everything else.
Result<void> read_scoring(Scoring& scoring, DictReader& reader, PyObject* score_dict,
                          PyObject* lens_object, PyObject* stop_tuple) {
  // The lens first: its floats may run Python code, before any word is borrowed.
  Result<std::optional<types::StopLens>> lens = read_lens(lens_object);
  if (!lens) return raised();
  scoring.lens = *lens;
  Result<general::Table> table = reader.read(score_dict, "scores", ValueRule::score);
  if (!table) return raised();
  scoring.scores.reserve(table->words.size());
  for (std::size_t i = 0; i < table->words.size(); ++i) {
    scoring.scores.insert_or_assign(table->words[i], table->values[i]);
  }
  Result<std::vector<std::string_view>> stopped = read_words(stop_tuple, "stop_words");
  if (!stopped) return raised();
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
    const shift::SystemAverage average =
        shift::weighted_average(system, scoring.scores, scoring.lens, &scoring.stop_words);
    means.push_back(average.mean);
    totals.push_back(average.total);
    tokens.push_back(all);
  }

  Result<PyHandle> to_python() const {
    Result<PyHandle> means_bytes = as_bytes(means);
    if (!means_bytes) return raised();
    Result<PyHandle> totals_bytes = as_bytes(totals);
    if (!totals_bytes) return raised();
    Result<PyHandle> tokens_bytes = as_bytes(tokens);
    if (!tokens_bytes) return raised();
    PyHandle result = PyHandle::steal(
        PyTuple_Pack(3, means_bytes->get(), totals_bytes->get(), tokens_bytes->get()));
    if (!result) return raised();
    return result;
  }
};

Result<PyHandle> average_scores(PyObject* args) {
  PyObject* documents = nullptr;
  PyObject* score_dict = nullptr;
  PyObject* lens_object = nullptr;
  PyObject* stop_tuple = nullptr;
  if (!PyArg_ParseTuple(args, "O!OOO:average_scores", &PyTuple_Type, &documents, &score_dict,
                        &lens_object, &stop_tuple)) {
    return raised();
  }
  DictReader reader;
  Scoring scoring;
  if (!read_scoring(scoring, reader, score_dict, lens_object, stop_tuple)) return raised();

  // The tuple holds the documents for the whole call.
  const Py_ssize_t count = PyTuple_Size(documents);
  Columns columns;
  types::InputSystem system;
  for (Py_ssize_t i = 0; i < count; ++i) {
    PyObject* document = PyTuple_GetItem(documents, i);
    if (document == nullptr) return raised();
    Result<general::Table> table = reader.read(document, "documents", ValueRule::count);
    if (!table) return raised();
    system.words = std::move(table->words);
    system.freqs = std::move(table->values);
    columns.add(system, scoring);
  }
  return columns.to_python();
}

template <class T>
Result<std::span<const T>> buffer_of(PyObject* bytes, const char* name) {
  if (!PyBytes_Check(bytes) || PyBytes_Size(bytes) % static_cast<Py_ssize_t>(sizeof(T)) != 0) {
    PyErr_Format(PyExc_TypeError, "%s must be bytes of %zu-byte items", name, sizeof(T));
    return raised();
  }
  const char* data = PyBytes_AsString(bytes);
  if (data == nullptr) return raised();
  return std::span<const T>(reinterpret_cast<const T*>(data),
                            static_cast<std::size_t>(PyBytes_Size(bytes)) / sizeof(T));
}

// The same for documents given as their words one by one, each document's words followed
// by None: a word listed n times counts n, summed 1.0 at a time, which is exact.
Result<PyHandle> average_scores_of_words(PyObject* args) {
  PyObject* words = nullptr;
  PyObject* score_dict = nullptr;
  PyObject* lens_object = nullptr;
  PyObject* stop_tuple = nullptr;
  if (!PyArg_ParseTuple(args, "O!OOO:average_scores_of_words", &PyTuple_Type, &words,
                        &score_dict, &lens_object, &stop_tuple)) {
    return raised();
  }
  DictReader reader;
  Scoring scoring;
  if (!read_scoring(scoring, reader, score_dict, lens_object, stop_tuple)) return raised();

  // Nothing below runs Python code: the tuple keeps every word alive.
  const Py_ssize_t count = PyTuple_Size(words);
  Columns columns;
  types::InputSystem system;
  for (Py_ssize_t i = 0; i < count; ++i) {
    PyObject* item = PyTuple_GetItem(words, i);
    if (item == nullptr) return raised();
    if (item == Py_None) {
      columns.add(system, scoring);
      system.words.clear();
      system.freqs.clear();
      continue;
    }
    if (!PyUnicode_Check(item)) {
      PyErr_Format(PyExc_TypeError, "words must hold only str and None, got %R", item);
      return raised();
    }
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(item, &size);
    if (data == nullptr) return raised();
    system.words.emplace_back(data, static_cast<std::size_t>(size));
    system.freqs.push_back(1.0);
  }
  if (!system.words.empty()) {
    PyErr_SetString(PyExc_ValueError, "words must end with None");
    return raised();
  }
  return columns.to_python();
}

// The pooled average of each group of documents given as words: `batches` is a tuple of
// word tuples (each document's words followed by None), `groups` one int64 per document
// across all batches, the document's group number or -1 for none. A group's counts are
// exact sums of 1.0, so its average is the one of its pooled counts.
Result<PyHandle> group_average_scores(PyObject* args) {
  PyObject* batches = nullptr;
  PyObject* groups_bytes = nullptr;
  Py_ssize_t group_count = 0;
  PyObject* score_dict = nullptr;
  PyObject* lens_object = nullptr;
  PyObject* stop_tuple = nullptr;
  if (!PyArg_ParseTuple(args, "O!OnOOO:group_average_scores", &PyTuple_Type, &batches,
                        &groups_bytes, &group_count, &score_dict, &lens_object, &stop_tuple)) {
    return raised();
  }
  Result<std::span<const std::int64_t>> groups = buffer_of<std::int64_t>(groups_bytes, "groups");
  if (!groups) return raised();
  if (group_count < 0) {
    PyErr_SetString(PyExc_ValueError, "the number of groups must be >= 0");
    return raised();
  }
  DictReader reader;
  Scoring scoring;
  if (!read_scoring(scoring, reader, score_dict, lens_object, stop_tuple)) return raised();

  std::vector<types::InputSystem> systems(static_cast<std::size_t>(group_count));
  std::size_t document = 0;
  for (Py_ssize_t b = 0; b < PyTuple_Size(batches); ++b) {
    PyObject* words = PyTuple_GetItem(batches, b);
    if (words == nullptr) return raised();
    if (!PyTuple_Check(words)) {
      PyErr_SetString(PyExc_TypeError, "batches must be tuples of words");
      return raised();
    }
    for (Py_ssize_t i = 0; i < PyTuple_Size(words); ++i) {
      PyObject* item = PyTuple_GetItem(words, i);
      if (item == nullptr) return raised();
      if (document >= groups->size()) {
        PyErr_SetString(PyExc_ValueError, "more documents than groups entries");
        return raised();
      }
      if (item == Py_None) {
        ++document;
        continue;
      }
      if (!PyUnicode_Check(item)) {
        PyErr_Format(PyExc_TypeError, "words must hold only str and None, got %R", item);
        return raised();
      }
      const std::int64_t group = (*groups)[document];
      if (group < 0) continue;
      if (group >= group_count) {
        PyErr_SetString(PyExc_ValueError, "a group number is out of range");
        return raised();
      }
      Py_ssize_t size = 0;
      const char* data = PyUnicode_AsUTF8AndSize(item, &size);
      if (data == nullptr) return raised();
      types::InputSystem& system = systems[static_cast<std::size_t>(group)];
      system.words.emplace_back(data, static_cast<std::size_t>(size));
      system.freqs.push_back(1.0);
    }
  }
  if (document != groups->size()) {
    PyErr_SetString(PyExc_ValueError, "groups must have one entry per document");
    return raised();
  }
  Columns columns;
  for (types::InputSystem& system : systems) {
    columns.add(system, scoring);
    system = {};
  }
  return columns.to_python();
}

Result<PyHandle> resample_ratios(PyObject* args) {
  PyObject* sums_bytes = nullptr;
  PyObject* totals_bytes = nullptr;
  PyObject* starts_bytes = nullptr;
  Py_ssize_t n_boot = 0;
  unsigned long long seed = 0;
  if (!PyArg_ParseTuple(args, "OOOnK:resample_ratios", &sums_bytes, &totals_bytes,
                        &starts_bytes, &n_boot, &seed)) {
    return raised();
  }
  Result<std::span<const double>> sums = buffer_of<double>(sums_bytes, "sums");
  if (!sums) return raised();
  Result<std::span<const double>> totals = buffer_of<double>(totals_bytes, "totals");
  if (!totals) return raised();
  Result<std::span<const std::int64_t>> starts = buffer_of<std::int64_t>(starts_bytes, "starts");
  if (!starts) return raised();
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
  std::vector<double> out(groups * static_cast<std::size_t>(n_boot));
  {
    // The bytes objects are held by the call's arguments and never change.
    const ThreadsReleased computing;
    bootstrap::resample_ratios(*sums, *totals, *starts, static_cast<std::size_t>(n_boot),
                               seed, out);
  }
  return as_bytes(out);
}

}  // namespace

PyObject* average_scores_entry(PyObject* /*module*/, PyObject* args) {
  return call_boundary([args] { return average_scores(args); });
}

PyObject* average_scores_of_words_entry(PyObject* /*module*/, PyObject* args) {
  return call_boundary([args] { return average_scores_of_words(args); });
}

PyObject* group_average_scores_entry(PyObject* /*module*/, PyObject* args) {
  return call_boundary([args] { return group_average_scores(args); });
}

PyObject* resample_ratios_entry(PyObject* /*module*/, PyObject* args) {
  return call_boundary([args] { return resample_ratios(args); });
}

}  // namespace moodvane::general_module
