// Each parameter's type check and conversion, run strictly in parameter order so that the
// first wrong argument is the one reported.
#include "arguments.hpp"

#include <string>

#include "internal_fault.hpp"
#include "interrupts.hpp"

namespace moodvane::module {

namespace {

constexpr char kDefaultLexicon[] = "senTX_English";

bool absent(const PyHandle& slot) noexcept {
  return !slot || slot.get() == Py_None;
}

PyResult<PyHandle> dict_parameter(PyHandle slot, const char* name) {
  if (!PyDict_Check(slot.get())) {
    return std::unexpected(argument_error(name, type_mismatch(slot.get(), "PyDict")));
  }
  return slot;
}

PyResult<std::string> lexicon_parameter(const PyHandle& slot) {
  if (!slot) return std::string(kDefaultLexicon);
  PyResult<std::string> name = to_utf8(slot.get());
  if (!name) return std::unexpected(argument_error("lexicon", std::move(name.error())));
  return name;
}

PyResult<std::uint64_t> top_n_parameter(const PyHandle& slot) {
  if (!slot) return 0;
  PyObject* integer = slot.get();
  PyHandle index;
  if (!PyLong_Check(integer)) {
    index = PyHandle::steal(PyNumber_Index(integer));
    if (!index) return std::unexpected(argument_error("top_n", PyErr::fetch()));
    integer = index.get();
  }
  const unsigned long long count = PyLong_AsUnsignedLongLong(integer);
  if (count == static_cast<unsigned long long>(-1) && PyErr_Occurred() != nullptr) {
    return std::unexpected(argument_error("top_n", PyErr::fetch()));
  }
  return static_cast<std::uint64_t>(count);
}

PyResult<std::optional<types::StopLens>> stop_lens_parameter(const PyHandle& slot) {
  if (absent(slot)) return std::nullopt;
  PyObject* tuple = slot.get();
  if (!PyTuple_Check(tuple)) {
    return std::unexpected(argument_error("stop_lens", type_mismatch(tuple, "PyTuple")));
  }
  const Py_ssize_t length = PyTuple_Size(tuple);
  if (length != 2) {
    return std::unexpected(PyErr::new_error(
        PyExc_ValueError,
        "expected tuple of length 2, but got tuple of length " + std::to_string(length)));
  }
  PyResult<double> first = to_double(PyTuple_GetItem(tuple, 0));
  if (!first) return std::unexpected(argument_error("stop_lens", std::move(first.error())));
  PyResult<double> second = to_double(PyTuple_GetItem(tuple, 1));
  if (!second) return std::unexpected(argument_error("stop_lens", std::move(second.error())));
  return types::StopLens{*first, *second};
}

PyResult<std::optional<types::StopWords>> stop_words_parameter(
    const PyHandle& slot, std::vector<PyHandle>& members) {
  if (absent(slot)) return std::nullopt;
  PyObject* set = slot.get();
  if (!PySet_Check(set) && !PyFrozenSet_Check(set)) {
    return std::unexpected(argument_error("stop_words", type_mismatch(set, "PySet")));
  }
  types::StopWords words;
  words.reserve(static_cast<std::size_t>(PySet_Size(set)));
  members.reserve(static_cast<std::size_t>(PySet_Size(set)));
  // Only a subclass with its own __iter__ can fail here, and what it raises says nothing
  // about the argument's value, so it ends the call as a fault that names the error. Ctrl-C,
  // SystemExit and running out of memory are no faults of the set: they pass unchanged.
  const auto iteration_error = []() -> PyErr {
    PyErr error = PyErr::fetch();
    if (PyErr_GivenExceptionMatches(error.type(), PyExc_KeyboardInterrupt) ||
        PyErr_GivenExceptionMatches(error.type(), PyExc_SystemExit) ||
        PyErr_GivenExceptionMatches(error.type(), PyExc_MemoryError)) {
      return error;
    }
    throw InternalFault("unexpected error while iterating stop_words: " + error.describe());
  };
  const PyHandle iterator = PyHandle::steal(PyObject_GetIter(set));
  if (!iterator) return std::unexpected(iteration_error());
  for (std::size_t read = 1;; ++read) {
    if (read % kInterruptInterval == 0) {
      if (PyResult<void> answered = answer_interrupt(nullptr); !answered) {
        return std::unexpected(std::move(answered.error()));
      }
    }
    PyHandle member = PyHandle::steal(PyIter_Next(iterator.get()));
    if (!member) break;
    PyResult<std::string_view> word = utf8_view(member.get());
    if (!word) return std::unexpected(argument_error("stop_words", std::move(word.error())));
    words.insert(*word);
    members.push_back(std::move(member));
  }
  if (PyErr_Occurred() != nullptr) return std::unexpected(iteration_error());
  return words;
}

// reference_value, top_n, stop_lens and stop_words, the four parameters after the third.
PyResult<void> convert_shared_tail(ArgumentSlots& slots, ShiftArguments& converted) {
  if (!absent(slots[3])) converted.reference_value = std::move(slots[3]);

  PyResult<std::uint64_t> top_n = top_n_parameter(slots[4]);
  if (!top_n) return std::unexpected(std::move(top_n.error()));
  converted.top_n = *top_n;

  PyResult<std::optional<types::StopLens>> stop_lens = stop_lens_parameter(slots[5]);
  if (!stop_lens) return std::unexpected(std::move(stop_lens.error()));
  converted.stop_lens = *stop_lens;

  PyResult<std::optional<types::StopWords>> stop_words =
      stop_words_parameter(slots[6], converted.stop_word_objects);
  if (!stop_words) return std::unexpected(std::move(stop_words.error()));
  converted.stop_words = std::move(*stop_words);
  return {};
}

// type2freq_1 and type2freq_2.
PyResult<void> convert_frequency_dicts(ArgumentSlots& slots, ShiftArguments& converted) {
  PyResult<PyHandle> first = dict_parameter(std::move(slots[0]), "type2freq_1");
  if (!first) return std::unexpected(std::move(first.error()));
  converted.type2freq_1 = std::move(*first);

  PyResult<PyHandle> second = dict_parameter(std::move(slots[1]), "type2freq_2");
  if (!second) return std::unexpected(std::move(second.error()));
  converted.type2freq_2 = std::move(*second);
  return {};
}

}  // namespace

PyResult<LexiconShiftArguments> convert_lexicon_arguments(ArgumentSlots slots) {
  LexiconShiftArguments converted;
  if (PyResult<void> dicts = convert_frequency_dicts(slots, converted.shared); !dicts) {
    return std::unexpected(std::move(dicts.error()));
  }
  PyResult<std::string> lexicon = lexicon_parameter(slots[2]);
  if (!lexicon) return std::unexpected(std::move(lexicon.error()));
  converted.lexicon = std::move(*lexicon);
  if (PyResult<void> tail = convert_shared_tail(slots, converted.shared); !tail) {
    return std::unexpected(std::move(tail.error()));
  }
  return converted;
}

PyResult<CustomShiftArguments> convert_custom_arguments(ArgumentSlots slots) {
  CustomShiftArguments converted;
  if (PyResult<void> dicts = convert_frequency_dicts(slots, converted.shared); !dicts) {
    return std::unexpected(std::move(dicts.error()));
  }
  PyResult<PyHandle> scores = dict_parameter(std::move(slots[2]), "scores");
  if (!scores) return std::unexpected(std::move(scores.error()));
  converted.scores = std::move(*scores);
  if (PyResult<void> tail = convert_shared_tail(slots, converted.shared); !tail) {
    return std::unexpected(std::move(tail.error()));
  }
  return converted;
}

}  // namespace moodvane::module
