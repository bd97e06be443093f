// The entry point, in the multi-phase style of CPython's own modules: a static definition
// whose slots create the module and fill it. The module is built once per process; every
// later import in the same interpreter gets the same object, with the same functions.
#include <atomic>
#include <cstdint>

#include "boundary.hpp"
#include "docs.hpp"
#include "functions.hpp"
#include "py_error.hpp"
#include "py_handle.hpp"

namespace moodvane::module {

namespace {

// The first interpreter to initialise the module; the module's objects belong to it alone.
std::atomic<std::int64_t> g_initialising_interpreter{-1};

// Set once, by the first successful initialisation, under the interpreter lock.
PyObject* g_module = nullptr;

PyResult<PyHandle> create(PyObject* import_entry) {
  const std::int64_t interpreter = PyInterpreterState_GetID(PyInterpreterState_Get());
  if (interpreter == -1) return raised();

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
  const PyHandle name = PyHandle::steal(PyObject_GetAttrString(import_entry, "name"));
  if (!name) return raised();
  PyHandle module = PyHandle::steal(PyModule_NewObject(name.get()));
  if (!module) return raised();
  return module;
}

// Adds the functions of the method table and lists them in __all__. A module that is
// already filled (the cached one, handed out again by `create`) is left as it is; after a
// failure the half-built module is released and the next import starts over.
PyResult<void> fill(PyObject* module) {
  if (module == g_module) return {};
  if (PyModule_AddFunctions(module, kMethods) != 0) return raised();
  PyHandle all = PyHandle::steal(PyList_New(0));
  if (!all) return raised();
  for (const PyMethodDef* method = kMethods; method->ml_name != nullptr; ++method) {
    const PyHandle name = PyHandle::steal(PyUnicode_FromString(method->ml_name));
    if (!name || PyList_Append(all.get(), name.get()) != 0) return raised();
  }
  if (PyObject_SetAttrString(module, "__all__", all.get()) != 0) return raised();
  if (g_module == nullptr) g_module = PyHandle::borrow(module).release();
  return {};
}

PyObject* create_slot(PyObject* import_entry, PyModuleDef* /*definition*/) {
  return run_in_barrier([import_entry] { return create(import_entry); });
}

int exec_slot(PyObject* module) { return exec_in_barrier(module, fill); }

PyModuleDef_Slot g_slots[] = {
    {Py_mod_create, reinterpret_cast<void*>(create_slot)},
    {Py_mod_exec, reinterpret_cast<void*>(exec_slot)},
    {0, nullptr},
};

// No per-module state. The functions come from `fill` rather than m_methods, which would
// add new function objects to the cached module at every import.
PyModuleDef g_definition = {
    PyModuleDef_HEAD_INIT, "moodvane", nullptr, 0, nullptr, g_slots, nullptr, nullptr, nullptr,
};

}  // namespace

}  // namespace moodvane::module

PyMODINIT_FUNC PyInit_moodvane() {
  // The documentation string lives in another translation unit, so it is set here rather
  // than in the constant initialiser.
  moodvane::module::g_definition.m_doc = moodvane::module::kModuleDoc;
  return PyModuleDef_Init(&moodvane::module::g_definition);
}
