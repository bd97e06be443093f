// The entry point: builds the module once per process and hands the same object to every
// later import in the same interpreter.
#include <atomic>
#include <cstdint>
#include <memory>

#include "boundary.hpp"
#include "docs.hpp"
#include "functions.hpp"
#include "py_error.hpp"
#include "py_handle.hpp"

namespace moodvane::module {

namespace {

// The module API version of the stable ABI.
constexpr int kModuleApiVersion = PYTHON_ABI_VERSION;
static_assert(kModuleApiVersion == 3);

// No per-module state and no method table: the functions are added once the module exists.
PyModuleDef g_definition = {
    PyModuleDef_HEAD_INIT, "moodvane", kModuleDoc, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
};

// The first interpreter to initialise the module; the module's objects belong to it alone.
std::atomic<std::int64_t> g_initialising_interpreter{-1};

// Set once, by the first successful initialisation, under the interpreter lock.
PyObject* g_module = nullptr;

PyResult<PyHandle> module_all(PyObject* module) {
  PyHandle all = PyHandle::steal(PyObject_GetAttrString(module, "__all__"));
  if (!all) {
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return std::unexpected(PyErr::fetch());
    PyErr_Clear();
    all = PyHandle::steal(PyList_New(0));
    if (!all || PyObject_SetAttrString(module, "__all__", all.get()) != 0) {
      return std::unexpected(PyErr::fetch());
    }
  }
  if (!PyList_Check(all.get())) return std::unexpected(type_mismatch(all.get(), "PyList"));
  return all;
}

PyResult<void> add_function(PyObject* module, const FunctionEntry& entry) {
  const PyHandle module_name = PyHandle::steal(PyModule_GetNameObject(module));
  if (!module_name) return std::unexpected(PyErr::fetch());

  // Through void(*)(): the interpreter calls the entry with the keyword dict, as the flags
  // tell it to.
  auto record = std::make_unique<PyMethodDef>(PyMethodDef{
      entry.name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(entry.call)),
      METH_VARARGS | METH_KEYWORDS, entry.doc});
  const PyHandle function =
      PyHandle::steal(PyCMethod_New(record.get(), module, module_name.get(), nullptr));
  if (!function) return std::unexpected(PyErr::fetch());
  // The function object refers to its record for as long as it lives, which is up to the
  // end of the process.
  static_cast<void>(record.release());

  const PyHandle name = PyHandle::steal(PyObject_GetAttrString(function.get(), "__name__"));
  if (!name) return std::unexpected(PyErr::fetch());
  if (!PyUnicode_Check(name.get())) return std::unexpected(type_mismatch(name.get(), "PyString"));

  PyResult<PyHandle> all = module_all(module);
  if (!all) return std::unexpected(std::move(all.error()));
  if (PyList_Append(all->get(), name.get()) != 0) {
    PyErr_Clear();
    throw InternalFault("could not append __name__ to __all__");
  }
  if (PyObject_SetAttr(module, name.get(), function.get()) != 0) {
    return std::unexpected(PyErr::fetch());
  }
  return {};
}

PyResult<PyHandle> initialise() {
  const std::int64_t interpreter = PyInterpreterState_GetID(PyInterpreterState_Get());
  if (interpreter == -1) return std::unexpected(PyErr::fetch());

  std::int64_t first = -1;
  if (!g_initialising_interpreter.compare_exchange_strong(first, interpreter,
                                                          std::memory_order_seq_cst) &&
      first != interpreter) {
    return std::unexpected(
        PyErr::new_error(PyExc_ImportError,
                         "moodvane does not yet support subinterpreters: it can be imported "
                         "only in the interpreter that imported it first"));
  }

  if (g_module != nullptr) return PyHandle::borrow(g_module);

  // A failure below releases the half-built module; the next import starts over.
  PyHandle module = PyHandle::steal(PyModule_Create2(&g_definition, kModuleApiVersion));
  if (!module) return std::unexpected(PyErr::fetch());
  for (const FunctionEntry& entry : kFunctions) {
    if (PyResult<void> added = add_function(module.get(), entry); !added) {
      return std::unexpected(std::move(added.error()));
    }
  }
  if (g_module == nullptr) g_module = module.release();
  return PyHandle::borrow(g_module);
}

}  // namespace

}  // namespace moodvane::module

PyMODINIT_FUNC PyInit_moodvane() {
  return moodvane::module::run_in_barrier(moodvane::module::initialise);
}
