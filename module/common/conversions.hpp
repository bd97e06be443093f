// The conversions of a caller's str and number objects that both extensions share.
#pragma once

#include <string>
#include <string_view>

#include "py_error.hpp"
#include "py_handle.hpp"
#include "word_pins.hpp"

namespace moodvane::module {

// The strict UTF-8 text of a str (or str subclass), borrowed from the str object: valid
// while the caller holds that object. TypeError for a non-str, the interpreter's
// UnicodeEncodeError for a str that does not encode (a lone surrogate).
PyResult<std::string_view> utf8_view(PyObject* object);

// The same text as an owned string.
PyResult<std::string> to_utf8(PyObject* object);

// The interpreter's float conversion (floats, ints, __float__, __index__); a genuine -1.0 is
// told apart from a failure by the pending error. When the conversion may run Python code
// (anything but a float, an exact int or a bool), `pins`, if given, is told first.
PyResult<double> to_double(PyObject* object, WordPins* pins = nullptr);

// Whether converting `object` to a float may run Python code.
bool float_conversion_runs_code(PyObject* object) noexcept;

}  // namespace moodvane::module
