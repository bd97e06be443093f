// Writes a shift result as one compact JSON text, byte for byte the form callers receive
// through `json.loads`: members in declaration order, no white space, `null` for every
// non-finite number.
#pragma once

#include <string>
#include <string_view>

#include "moodvane/types.hpp"

namespace moodvane::encoding {

// The whole document, in one pass, into a buffer that starts with room for 128 bytes.
std::string encode_shift_result(const types::ShiftResult& result);

// Appends `value` as a JSON number ("null" when not finite); see json_number.hpp.
void write_json_number(std::string& out, double value);

// Appends `text` (valid UTF-8) as a JSON string, escaping only quote, backslash and the
// bytes below 0x20.
void write_json_string(std::string& out, std::string_view text);

}  // namespace moodvane::encoding
