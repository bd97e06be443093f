// Fills the parameter slots from the positional tuple and the keyword dict, with the
// interpreter's own wording for every mismatch.
#include "match_arguments.hpp"

#include <string>

namespace moodvane::module {

namespace {

PyErr too_many_positional(const FunctionSignature& signature, Py_ssize_t given) {
  const std::size_t count = signature.parameter_count();
  std::string message = signature.function_name;
  if (signature.required_positional == count) {
    message += "() takes ";
  } else {
    message += "() takes from ";
    message += std::to_string(signature.required_positional);
    message += " to ";
  }
  message += std::to_string(count);
  message += count == 1 ? " positional argument but " : " positional arguments but ";
  message += std::to_string(given);
  message += given == 1 ? " was given" : " were given";
  return PyErr::new_error(PyExc_TypeError, message);
}

PyErr unexpected_keyword(const FunctionSignature& signature, PyObject* keyword) {
  PyHandle text = PyHandle::steal(PyObject_Str(keyword));
  if (!text) {
    // The message still names the function; only the keyword's text is lost.
    static_cast<void>(PyErr::fetch());
    text = PyHandle::steal(PyUnicode_FromString("<unprintable object>"));
    if (!text) return PyErr::fetch();
  }
  // %U copies the keyword's text as it is, even one that UTF-8 cannot encode.
  return PyErr::new_error(PyExc_TypeError, PyHandle::steal(PyUnicode_FromFormat(
                                               "%s() got an unexpected keyword argument '%U'",
                                               signature.function_name, text.get())));
}

PyErr multiple_values(const FunctionSignature& signature, const char* name) {
  std::string message = signature.function_name;
  message += "() got multiple values for argument '";
  message += name;
  message += "'";
  return PyErr::new_error(PyExc_TypeError, message);
}

PyErr missing_required(const FunctionSignature& signature, const ArgumentSlots& slots) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < signature.required_positional; ++i) count += slots[i] ? 0 : 1;

  std::string list;
  std::size_t listed = 0;
  for (std::size_t i = 0; i < signature.required_positional; ++i) {
    if (slots[i]) continue;
    if (listed > 0) {
      if (count == 2) {
        list += " and ";
      } else {
        list += listed + 1 == count ? ", and " : ", ";
      }
    }
    list += "'";
    list += signature.parameter_names[i];
    list += "'";
    ++listed;
  }

  std::string message = signature.function_name;
  message += "() missing ";
  message += std::to_string(count);
  message += count == 1 ? " required positional argument: " : " required positional arguments: ";
  message += list;
  return PyErr::new_error(PyExc_TypeError, message);
}

// The slot of the parameter a keyword names, or kMostParameters. A keyword that is not a
// str, or does not encode as UTF-8, equals no (ASCII) parameter name.
std::size_t parameter_index(const FunctionSignature& signature, PyObject* keyword) {
  const std::size_t count = signature.parameter_count();
  if (!PyUnicode_Check(keyword)) return kMostParameters;
  for (std::size_t i = 0; i < count; ++i) {
    if (PyUnicode_CompareWithASCIIString(keyword, signature.parameter_names[i]) == 0) return i;
  }
  return kMostParameters;
}

}  // namespace

PyResult<ArgumentSlots> match_arguments(const FunctionSignature& signature, PyObject* positional,
                                        PyObject* keywords) {
  ArgumentSlots slots;
  const auto count = static_cast<Py_ssize_t>(signature.parameter_count());
  const Py_ssize_t given = positional != nullptr ? PyTuple_Size(positional) : 0;
  for (Py_ssize_t i = 0; i < given && i < count; ++i) {
    slots[static_cast<std::size_t>(i)] = PyHandle::borrow(PyTuple_GetItem(positional, i));
  }
  if (given > count) {
    return std::unexpected(too_many_positional(signature, given));
  }

  if (keywords != nullptr) {
    Py_ssize_t position = 0;
    PyObject* keyword = nullptr;
    PyObject* value = nullptr;
    while (PyDict_Next(keywords, &position, &keyword, &value)) {
      const std::size_t index = parameter_index(signature, keyword);
      if (index == kMostParameters) {
        return std::unexpected(unexpected_keyword(signature, keyword));
      }
      if (slots[index]) {
        return std::unexpected(multiple_values(signature, signature.parameter_names[index]));
      }
      slots[index] = PyHandle::borrow(value);
    }
  }

  if (given < static_cast<Py_ssize_t>(signature.required_positional)) {
    for (std::size_t i = 0; i < signature.required_positional; ++i) {
      if (!slots[i]) return std::unexpected(missing_required(signature, slots));
    }
  }
  return slots;
}

PyErr argument_error(const char* name, PyErr error) {
  // Identity, not a subclass test: only the interpreter's plain TypeError is renamed.
  if (error.type() != PyExc_TypeError) return error;
  PyObject* replaced = error.normalized_value();
  const PyHandle text = PyHandle::steal(PyObject_Str(replaced));
  if (!text) return PyErr::fetch();
  const PyHandle message =
      PyHandle::steal(PyUnicode_FromFormat("argument '%s': %U", name, text.get()));
  if (!message) return PyErr::fetch();
  PyHandle renamed =
      PyHandle::steal(PyObject_CallFunctionObjArgs(PyExc_TypeError, message.get(), nullptr));
  if (!renamed) return PyErr::fetch();
  if (PyHandle cause = PyHandle::steal(PyException_GetCause(replaced))) {
    PyException_SetCause(renamed.get(), cause.release());
  }
  return PyErr::from_instance(std::move(renamed));
}

}  // namespace moodvane::module
