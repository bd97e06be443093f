// A broken invariant inside a call: the one failure that travels as a C++ exception.
//
// Expected failures are PyErr values; an InternalFault aborts the whole call instead and
// the call boundary turns it into PanicException.
#pragma once

#include <exception>
#include <source_location>
#include <string>
#include <utility>

namespace moodvane::module {

class InternalFault : public std::exception {
 public:
  // `already_reported` marks a fault resumed from a PanicException that Python code raised:
  // its notice and traceback went to standard error when it was fetched.
  explicit InternalFault(std::string message,
                         std::source_location where = std::source_location::current(),
                         bool already_reported = false)
      : message_(std::move(message)), where_(where), already_reported_(already_reported) {}

  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const noexcept { return message_; }
  const std::source_location& where() const noexcept { return where_; }
  bool already_reported() const noexcept { return already_reported_; }

 private:
  std::string message_;
  std::source_location where_;
  bool already_reported_;
};

}  // namespace moodvane::module
