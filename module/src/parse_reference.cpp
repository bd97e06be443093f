// `reference_value`: absent, the text "average", or a number.
#include <string>

#include "arguments.hpp"
#include "moodvane/ascii.hpp"
#include "moodvane/debug_quote.hpp"

namespace moodvane::module {

PyResult<std::optional<types::Reference>> parse_reference(PyObject* value, WordPins& pins) {
  if (value == nullptr) return std::nullopt;

  if (PyUnicode_Check(value)) {
    PyResult<std::string_view> text = utf8_view(value);
    if (text) {
      if (lexicons::equals_ignoring_ascii_case(*text, "average")) return types::Reference(types::Average{});
      return std::unexpected(PyErr::new_error(
          PyExc_ValueError, "unknown reference_value: " + lexicons::debug_quote(*text) +
                                " (expected None, 'average', or a float)"));
    }
    // A str that does not encode is no text; the float conversion below rejects it.
  }

  if (float_conversion_runs_code(value)) pins.before_foreign_code();
  const double number = PyFloat_AsDouble(value);
  if (number == -1.0 && PyErr_Occurred() != nullptr) {
    PyErr error = PyErr::fetch();
    // What is no fault of the value passes unchanged: Ctrl-C, SystemExit and the rest of
    // what does not derive from Exception, and running out of memory. For anything else,
    // a number too large for a float included, the caller learns which values are allowed.
    if (!PyErr_GivenExceptionMatches(error.type(), PyExc_Exception) ||
        PyErr_GivenExceptionMatches(error.type(), PyExc_MemoryError)) {
      return std::unexpected(std::move(error));
    }
    return std::unexpected(
        PyErr::new_error(PyExc_ValueError, "reference_value must be None, 'average', or a float"));
  }
  return types::Reference(types::Fixed{number});
}

}  // namespace moodvane::module
