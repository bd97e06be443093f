#include "moodvane/json_writer.hpp"

#include <array>
#include <cstddef>
#include <span>

#include "moodvane/json_number.hpp"

namespace moodvane::encoding {
namespace {

// More than the text around the entries takes: the keys and punctuation of the result
// object and of the component sums.
constexpr std::size_t kInitialCapacity = 256;

// For each byte, the letter after the backslash of its escape, 'u' for the \u00XX form,
// or 0 when the byte is copied as it is. Only the quote, the backslash and the control
// bytes below 0x20 need one: "/", 0x7F and every byte of a multi-byte UTF-8 character
// pass through unchanged.
constexpr std::array<char, 256> kEscapes = [] {
  std::array<char, 256> table{};
  for (int byte = 0; byte < 0x20; ++byte)
    table[byte] = 'u';
  table['\b'] = 'b';
  table['\t'] = 't';
  table['\n'] = 'n';
  table['\f'] = 'f';
  table['\r'] = 'r';
  table['"'] = '"';
  table['\\'] = '\\';
  return table;
}();

char escape_for(char byte) {
  return kEscapes[static_cast<unsigned char>(byte)];
}

void append_escape(std::string& out, char byte, char escape) {
  if (escape != 'u') {
    const char pair[2] = {'\\', escape};
    out.append(pair, 2);
    return;
  }
  constexpr char kHex[] = "0123456789abcdef";
  const auto code = static_cast<unsigned char>(byte);
  const char sequence[6] = {'\\', 'u', '0', '0', kHex[code >> 4], kHex[code & 0x0F]};
  out.append(sequence, 6);
}

// Keys are fixed texts that need no escape, but they go through the same writer as every
// other string so that the document has a single definition of a JSON string.
void write_key(std::string& out, std::string_view key) {
  write_json_string(out, key);
  out.push_back(':');
}

void write_number_member(std::string& out, std::string_view key, double value) {
  out.push_back(',');
  write_key(out, key);
  write_json_number(out, value);
}

void write_entry(std::string& out, const types::ShiftEntry& entry) {
  out.push_back('{');
  write_key(out, "type");
  write_json_string(out, entry.type);
  write_number_member(out, "p_diff", entry.p_diff);
  write_number_member(out, "s_diff", entry.s_diff);
  write_number_member(out, "p_avg", entry.p_avg);
  write_number_member(out, "s_ref_diff", entry.s_ref_diff);
  write_number_member(out, "shift_score", entry.shift_score);
  out.push_back('}');
}

void write_component_sums(std::string& out, const types::ComponentSums& sums) {
  out.push_back('{');
  write_key(out, "pos_s_pos_p");
  write_json_number(out, sums.pos_s_pos_p);
  write_number_member(out, "pos_s_neg_p", sums.pos_s_neg_p);
  write_number_member(out, "neg_s_pos_p", sums.neg_s_pos_p);
  write_number_member(out, "neg_s_neg_p", sums.neg_s_neg_p);
  write_number_member(out, "pos_s", sums.pos_s);
  write_number_member(out, "neg_s", sums.neg_s);
  out.push_back('}');
}

}  // namespace

void write_json_number(std::string& out, double value) {
  char scratch[kMaxNumberText];
  const std::size_t length = format_json_number(value, std::span<char, kMaxNumberText>(scratch));
  out.append(scratch, length);
}

void write_json_string(std::string& out, std::string_view text) {
  out.push_back('"');
  const char* const data = text.data();
  const std::size_t size = text.size();
  std::size_t run_start = 0;
  for (std::size_t i = 0; i < size; ++i) {
    const char escape = escape_for(data[i]);
    if (escape == 0) continue;
    out.append(data + run_start, i - run_start);
    append_escape(out, data[i], escape);
    run_start = i + 1;
  }
  out.append(data + run_start, size - run_start);
  out.push_back('"');
}

namespace {

// Room for the whole text in one allocation: each entry takes its word (more only when it
// holds bytes to escape), five numbers of at most kMaxNumberText characters and the fixed
// text of its keys. Growing geometrically instead would copy the text and touch fresh pages
// a dozen times over for a result of a megabyte.
std::size_t expected_size(const types::ShiftResult& result) noexcept {
  constexpr std::size_t kEntryFrame =
      sizeof(R"({"type":"","p_diff":,"s_diff":,"p_avg":,"s_ref_diff":,"shift_score":},)") - 1;
  std::size_t size = kInitialCapacity + 11 * kMaxNumberText;
  for (const types::ShiftEntry& entry : result.entries) {
    size += kEntryFrame + entry.type.size() + 5 * kMaxNumberText;
  }
  return size;
}

}  // namespace

std::string encode_shift_result(const types::ShiftResult& result) {
  std::string out;
  out.reserve(expected_size(result));

  out.push_back('{');
  write_key(out, "entries");
  out.push_back('[');
  bool first = true;
  for (const types::ShiftEntry& entry : result.entries) {
    if (!first) out.push_back(',');
    first = false;
    write_entry(out, entry);
  }
  out.push_back(']');

  out.push_back(',');
  write_key(out, "component_sums");
  write_component_sums(out, result.component_sums);

  write_number_member(out, "total_diff", result.total_diff);
  write_number_member(out, "norm", result.norm);
  write_number_member(out, "s_avg_1", result.s_avg_1);
  write_number_member(out, "s_avg_2", result.s_avg_2);
  write_number_member(out, "reference_value", result.reference_value);

  out.push_back(',');
  write_key(out, "normalization");
  write_json_string(out, result.normalization);
  out.push_back('}');
  return out;
}

}  // namespace moodvane::encoding
