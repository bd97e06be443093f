// The result as the caller receives it: its JSON text, read by the interpreter's own
// json.loads, so every object is an ordinary dict, list, str, float or None.
#pragma once

#include <string>

#include "moodvane/types.hpp"
#include "py_error.hpp"
#include "py_handle.hpp"

namespace moodvane::module {

// Whatever json.loads makes of `json`. The text's buffer is released as soon as the
// interpreter holds its own copy, before the parse starts.
PyResult<PyHandle> json_loads(std::string json);

PyResult<PyHandle> to_py_dict(const types::ShiftResult& result);

}  // namespace moodvane::module
