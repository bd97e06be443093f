#include "boundary.hpp"

#include <pthread.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace moodvane::module {

namespace {

constexpr char kPanicTypeName[] = "vanebind_runtime.PanicException";

constexpr char kPanicTypeDoc[] =
    "\n"
    "The exception raised when moodvane's native code, called from Python, hits an internal "
    "fault.\n"
    "\n"
    "Like SystemExit, this exception is derived from BaseException, so that it will typically "
    "propagate all the way through the stack and make the Python interpreter exit.\n";

constexpr std::string_view kGenericFault = "an internal fault occurred in moodvane's native code";

// Written once, when the first fault is converted, and kept for the life of the process.
// Every access holds the interpreter lock, which is the guard.
PyObject* g_panic_type = nullptr;

PyObject* panic_type() noexcept {
  if (g_panic_type != nullptr) return g_panic_type;
  PyObject* created =
      PyErr_NewExceptionWithDoc(kPanicTypeName, kPanicTypeDoc, PyExc_BaseException, nullptr);
  if (created == nullptr) return nullptr;
  // Creating a type can collect garbage, and a finaliser can let another thread in that
  // converts a fault of its own; the first type stored stays the only one.
  if (g_panic_type == nullptr) {
    g_panic_type = created;
  } else {
    Py_DECREF(created);
  }
  return g_panic_type;
}

void write_stderr(std::string_view text) noexcept {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

std::string current_thread() {
  char name[64] = {};
  if (pthread_getname_np(pthread_self(), name, sizeof name) != 0 || name[0] == '\0') {
    std::snprintf(name, sizeof name, "<unnamed>");
  }
  std::string text = "thread '";
  text += name;
  text += "' (";
#if defined(__linux__)
  text += std::to_string(gettid());
#else
  text += std::to_string(reinterpret_cast<std::uintptr_t>(pthread_self()));
#endif
  text += ")";
  return text;
}

void report_fault(std::string_view message, const std::source_location& where) noexcept {
  try {
    std::string report = "\n";
    report += current_thread();
    report += " hit an internal fault at ";
    report += where.file_name();
    report += ":";
    report += std::to_string(where.line());
    report += ":";
    report += std::to_string(where.column());
    report += ":\n";
    report += message;
    report += "\n";
    write_stderr(report);
  } catch (...) {
    // Without memory for the report the PanicException alone has to tell the story.
  }
}

// Sets PanicException(message) as the error indicator.
void raise_panic(std::string_view message) noexcept {
  if (message.empty()) message = kGenericFault;
  PyErr_Clear();
  PyObject* type = panic_type();
  if (type == nullptr) return;  // the failure to create it is pending instead
  const PyHandle text = PyHandle::steal(
      PyUnicode_DecodeUTF8(message.data(), static_cast<Py_ssize_t>(message.size()), "replace"));
  if (!text) return;
  const PyHandle instance =
      PyHandle::steal(PyObject_CallFunctionObjArgs(type, text.get(), nullptr));
  if (!instance) return;
  PyErr_SetObject(type, instance.get());
}

}  // namespace

PyObject* created_panic_type() noexcept {
  return g_panic_type;
}

void resume_panic(PyErr error, std::source_location where) {
  std::string message =
      str_of(error.normalized_value()).value_or("Unwrapped panic from Python code");
  write_stderr(
      "--- moodvane is resuming a fault after fetching a PanicException from Python. ---\n"
      "Python stack trace below:\n");
  std::move(error).restore();
  PyErr_PrintEx(0);
  throw InternalFault(std::move(message), where, /*already_reported=*/true);
}

void raise_internal_fault(const InternalFault& fault) noexcept {
  if (!fault.already_reported()) report_fault(fault.message(), fault.where());
  raise_panic(fault.message());
}

void raise_foreign_fault(const char* what, const std::source_location& where) noexcept {
  const std::string_view message = what != nullptr ? std::string_view(what) : kGenericFault;
  report_fault(message, where);
  raise_panic(message);
}

void raise_out_of_memory() noexcept {
  PyErr_Clear();
  PyErr_NoMemory();
}

}  // namespace moodvane::module
