// The module's two functions as the interpreter calls them, in registration order.
#pragma once

#include <array>

#include "py_handle.hpp"

namespace moodvane::module {

struct FunctionEntry {
  const char* name;
  PyCFunctionWithKeywords call;  // takes (module, positional tuple, keyword dict or null)
  const char* doc;
};

extern const std::array<FunctionEntry, 2> kFunctions;

}  // namespace moodvane::module
