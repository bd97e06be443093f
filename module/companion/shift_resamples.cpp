#include "shift_resamples.hpp"

#include <cstdint>
#include <span>
#include <vector>

#include "byte_items.hpp"
#include "lock_released.hpp"
#include "match_arguments.hpp"
#include "moodvane/shift_bootstrap.hpp"
#include "py_error.hpp"
#include "py_handle.hpp"

namespace moodvane::companion {
namespace {

using module::PyHandle;
using module::PyResult;
using module::raised;

PyResult<shift_bootstrap::Documents> documents_of(PyObject* text, const char* name) {
  PyObject* starts = nullptr;
  PyObject* words = nullptr;
  PyObject* counts = nullptr;
  if (!PyTuple_Check(text) || !PyArg_ParseTuple(text, "OOO", &starts, &words, &counts)) {
    PyErr_Clear();
    PyErr_Format(PyExc_TypeError, "%s must be a tuple (starts, words, counts) of bytes", name);
    return raised();
  }
  PyResult<std::span<const std::int64_t>> starts_read = items_of<std::int64_t>(starts, "starts");
  if (!starts_read) return std::unexpected(std::move(starts_read.error()));
  PyResult<std::span<const std::int32_t>> words_read = items_of<std::int32_t>(words, "words");
  if (!words_read) return std::unexpected(std::move(words_read.error()));
  PyResult<std::span<const double>> counts_read = items_of<double>(counts, "counts");
  if (!counts_read) return std::unexpected(std::move(counts_read.error()));
  return shift_bootstrap::Documents{*starts_read, *words_read, *counts_read};
}

constexpr module::FunctionSignature kResampleShiftSignature{
    "resample_shift",
    {"text_1", "text_2", "scores", "columns", "column_count", "n_boot", "seed"},
    7};

PyResult<PyHandle> resample_shift(module::ArgumentSlots& slots) {
  PyObject* text_1 = slots[0].get();
  PyObject* text_2 = slots[1].get();
  PyObject* scores = slots[2].get();
  PyObject* columns = slots[3].get();
  PyResult<Py_ssize_t> column_count = module::index_argument(slots[4], "column_count");
  if (!column_count) return std::unexpected(std::move(column_count.error()));
  PyResult<Py_ssize_t> n_boot = module::index_argument(slots[5], "n_boot");
  if (!n_boot) return std::unexpected(std::move(n_boot.error()));
  PyResult<std::uint64_t> seed = module::seed_argument(slots[6], "seed");
  if (!seed) return std::unexpected(std::move(seed.error()));
  PyResult<shift_bootstrap::Documents> documents_1 = documents_of(text_1, "text_1");
  if (!documents_1) return std::unexpected(std::move(documents_1.error()));
  PyResult<shift_bootstrap::Documents> documents_2 = documents_of(text_2, "text_2");
  if (!documents_2) return std::unexpected(std::move(documents_2.error()));
  PyResult<std::span<const double>> score_items = items_of<double>(scores, "scores");
  if (!score_items) return std::unexpected(std::move(score_items.error()));
  PyResult<std::span<const std::int32_t>> column_items = items_of<std::int32_t>(columns, "columns");
  if (!column_items) return std::unexpected(std::move(column_items.error()));
  if (*n_boot < 0 || *column_count < 0) {
    PyErr_SetString(PyExc_ValueError, "n_boot and column_count must be >= 0");
    return raised();
  }
  const shift_bootstrap::Vocabulary vocabulary{*score_items, *column_items,
                                               static_cast<std::size_t>(*column_count)};
  const auto resamples = static_cast<std::size_t>(*n_boot);
  const std::size_t row = vocabulary.column_count + 1;
  // The output's size in bytes must fit a bytes object (and the size_t products below).
  if (resamples != 0 &&
      row > static_cast<std::size_t>(PY_SSIZE_T_MAX) / sizeof(double) / resamples) {
    PyErr_SetString(PyExc_OverflowError, "n_boot times the columns is too large to hold");
    return raised();
  }
  if (const char* problem = shift_bootstrap::check(*documents_1, *documents_2, vocabulary,
                                                   resamples, resamples * row)) {
    PyErr_SetString(PyExc_ValueError, problem);
    return raised();
  }
  PyHandle out = PyHandle::steal(
      PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(resamples * row * sizeof(double))));
  if (!out) return raised();
  // A bytes object is filled in place only before anyone else sees it, as here.
  auto* values = reinterpret_cast<double*>(PyBytes_AsString(out.get()));
  if (values == nullptr) return raised();
  {
    // No word is borrowed: the inputs are bytes that the call's arguments hold.
    module::LockReleased released;
    shift_bootstrap::resample(*documents_1, *documents_2, vocabulary, resamples, *seed,
                              std::span<double>(values, resamples * row), released.progress());
  }
  return out;
}

}  // namespace

PyObject* resample_shift_entry(PyObject* /*module*/, PyObject* args, PyObject* keywords) {
  return module::call_with_arguments(kResampleShiftSignature, args, keywords, resample_shift);
}

}  // namespace moodvane::companion
