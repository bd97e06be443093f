// What the companion's extension keeps per module object: its heap types, as CPython's own
// extension modules keep theirs, so that a second interpreter gets types of its own.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace moodvane::companion {

struct ModuleState {
  PyObject* counting_rules_type = nullptr;  // strong references, cleared with the module
  PyObject* word_tally_type = nullptr;
};

inline ModuleState& state_of(PyObject* module) noexcept {
  return *static_cast<ModuleState*>(PyModule_GetState(module));
}

}  // namespace moodvane::companion
