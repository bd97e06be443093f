// Each call runs whole inside the fault barrier: matching, conversion, the operation.
#include "functions.hpp"

#include "arguments.hpp"
#include "boundary.hpp"
#include "docs.hpp"
#include "operations.hpp"

namespace moodvane::module {

namespace {

PyObject* call_weighted_avg_shift(PyObject* /*module*/, PyObject* positional, PyObject* keywords) {
  return call_with_arguments(kWeightedAvgShiftSignature, positional, keywords,
                             [](ArgumentSlots& slots) -> PyResult<PyHandle> {
    PyResult<LexiconShiftArguments> arguments = convert_lexicon_arguments(std::move(slots));
    if (!arguments) return std::unexpected(std::move(arguments.error()));
    return weighted_avg_shift(*arguments);
  });
}

PyObject* call_weighted_avg_shift_custom(PyObject* /*module*/, PyObject* positional,
                                         PyObject* keywords) {
  return call_with_arguments(kWeightedAvgShiftCustomSignature, positional, keywords,
                             [](ArgumentSlots& slots) -> PyResult<PyHandle> {
    PyResult<CustomShiftArguments> arguments = convert_custom_arguments(std::move(slots));
    if (!arguments) return std::unexpected(std::move(arguments.error()));
    return weighted_avg_shift_custom(*arguments);
  });
}

}  // namespace

// Through void(*)(): the interpreter calls each entry with the keyword dict, as the flags
// tell it to.
PyMethodDef kMethods[] = {
    {"weighted_avg_shift",
     reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(call_weighted_avg_shift)),
     METH_VARARGS | METH_KEYWORDS, kWeightedAvgShiftDoc},
    {"weighted_avg_shift_custom",
     reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(call_weighted_avg_shift_custom)),
     METH_VARARGS | METH_KEYWORDS, kWeightedAvgShiftCustomDoc},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace moodvane::module
