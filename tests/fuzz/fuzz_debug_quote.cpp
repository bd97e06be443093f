// The debug-quoted form of names, on valid UTF-8 made from the fuzz bytes and on the raw
// bytes themselves.
//
// Properties for valid UTF-8: the output is valid UTF-8 between two double quotes; it reads
// back, through \\ \" \t \n \r \0 and \u{hex} alone, to exactly the input; no character that
// must be escaped stands raw (quote, backslash, controls, separators, a few known format,
// private-use, noncharacter and combining code points), each \u{hex} is lower case without
// leading zeros and is never used where a short escape exists, and plain printable ASCII
// is never escaped.
// Properties for any bytes: the output is still valid UTF-8 between quotes and reads back
// to the input bytes once \xhh (a byte outside any well-formed sequence) and encoded
// surrogates are allowed.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "moodvane/debug_quote.hpp"
#include "property.hpp"
#include "unquote.hpp"
#include "utf8.hpp"

namespace {

using moodvane::fuzz::printable;
using moodvane::fuzz::property_failed;

void check(std::string_view input, bool lenient) {
  const std::string quoted = moodvane::lexicons::debug_quote(input);
  if (!moodvane::fuzz::is_valid_utf8(quoted)) {
    property_failed("debug_quote wrote invalid UTF-8",
                    printable(input) + " -> " + printable(quoted));
  }
  if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') {
    property_failed("debug_quote output not between double quotes", printable(quoted));
  }
  const moodvane::fuzz::Unquoted read_back =
      moodvane::fuzz::unquote(std::string_view(quoted).substr(1, quoted.size() - 2), lenient);
  if (!read_back.error.empty()) {
    property_failed("debug_quote output does not read back",
                    read_back.error + ": " + printable(input) + " -> " + printable(quoted));
  }
  if (read_back.bytes != input) {
    property_failed(
        "debug_quote output reads back to other bytes",
        printable(input) + " -> " + printable(quoted) + " -> " + printable(read_back.bytes));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  check(moodvane::fuzz::make_valid_utf8(bytes), false);
  check(bytes, true);
  return 0;
}
