// The module's two functions as the interpreter calls them, in registration order: a static
// method table, ended by a null entry, as CPython's own modules keep theirs.
#pragma once

#include "py_handle.hpp"

namespace moodvane::module {

extern PyMethodDef kMethods[];

}  // namespace moodvane::module
