// A shift result as the plain dict that moodvane's own functions return: the same keys in
// the same order, floats read back bit for bit, None for a number that is not finite.
// Built directly with the C API; only the entries the engine built are converted.
#pragma once

#include "moodvane/types.hpp"
#include "raised.hpp"

namespace moodvane::general_module {

Result<PyHandle> to_py_dict(const types::ShiftResult& result);

}  // namespace moodvane::general_module
