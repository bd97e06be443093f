#include "to_python.hpp"

#include <utility>

#include "moodvane/json_writer.hpp"

namespace moodvane::module {

namespace {

PyHandle str_from(std::string_view text) noexcept {
  return PyHandle::steal(
      PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
}

}  // namespace

// Nothing is cached: `json` and its `loads` are looked up on every call, so a replacement in
// sys.modules or of the attribute takes effect at the next call. Every failure leaves the
// interpreter's exception as the outcome; a failed string or tuple allocation leaves its
// MemoryError.
PyResult<PyHandle> json_loads(std::string json) {
  PyHandle name = str_from("json");
  if (!name) return std::unexpected(PyErr::fetch());
  PyHandle module = PyHandle::steal(PyImport_Import(name.get()));
  name.reset();
  if (!module) return std::unexpected(PyErr::fetch());

  name = str_from("loads");
  if (!name) return std::unexpected(PyErr::fetch());
  PyHandle loads = PyHandle::steal(PyObject_GetAttr(module.get(), name.get()));
  name.reset();
  if (!loads) return std::unexpected(PyErr::fetch());

  PyHandle text = str_from(json);
  std::string().swap(json);  // only the interpreter's copy stays alive during the parse
  if (!text) return std::unexpected(PyErr::fetch());

  PyHandle arguments = PyHandle::steal(PyTuple_New(1));
  if (!arguments) return std::unexpected(PyErr::fetch());
  PyTuple_SetItem(arguments.get(), 0, text.release());  // steals; index 0 of a fresh tuple

  PyHandle parsed = PyHandle::steal(PyObject_Call(loads.get(), arguments.get(), nullptr));
  arguments.reset();
  loads.reset();
  module.reset();
  if (!parsed) return std::unexpected(PyErr::fetch());
  return parsed;
}

PyResult<PyHandle> to_py_dict(const types::ShiftResult& result) {
  return json_loads(encoding::encode_shift_result(result));
}

}  // namespace moodvane::module
