// A shift result as the plain dict that moodvane's own functions return: the same keys in
// the same order, floats read back bit for bit, None for a number that is not finite.
// Built directly with the C API; only the entries the engine built are converted.
#pragma once

#include "moodvane/types.hpp"
#include "py_error.hpp"
#include "py_handle.hpp"

namespace moodvane::companion {

using module::PyHandle;
using module::PyResult;
using module::raised;

PyResult<PyHandle> to_py_dict(const types::ShiftResult& result);

}  // namespace moodvane::companion
