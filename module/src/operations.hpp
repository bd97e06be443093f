// The bodies of the two functions, from converted arguments to the result dict.
#pragma once

#include "arguments.hpp"
#include "py_error.hpp"
#include "py_handle.hpp"

namespace moodvane::module {

PyResult<PyHandle> weighted_avg_shift(const LexiconShiftArguments& arguments);
PyResult<PyHandle> weighted_avg_shift_custom(const CustomShiftArguments& arguments);

}  // namespace moodvane::module
