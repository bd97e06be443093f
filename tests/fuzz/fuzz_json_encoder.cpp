// Random shift results, encoded and read back.
//
// Properties: the text is valid compact JSON in the encoder's canonical form (json_reader.hpp);
// the document has exactly the eight members in order, each entry its six and
// component_sums its six; every word and the normalisation name read back to the same bytes;
// every non-finite number is null and every finite one reads back to the same bits in the
// shortest, correctly laid out form (number_form.hpp).
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>

#include "json_reader.hpp"
#include "moodvane/json_writer.hpp"
#include "moodvane/types.hpp"
#include "number_form.hpp"
#include "property.hpp"
#include "utf8.hpp"

namespace {

using moodvane::fuzz::JsonValue;
using moodvane::fuzz::printable;
using moodvane::fuzz::property_failed;

// Values at the edges of the number layout and of the double range.
constexpr std::array<double, 16> kEdgeValues = {
    0.0,
    -0.0,
    1.0,
    1e15,
    1e16,
    9007199254740992.0,   // 2^53
    18014398509481984.0,  // 2^54
    1e-5,
    1e-6,
    0.1 + 0.2,
    std::numeric_limits<double>::denorm_min(),
    std::numeric_limits<double>::min(),
    std::numeric_limits<double>::max(),
    std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(),
    std::numeric_limits<double>::quiet_NaN(),
};

// Mostly raw 64-bit patterns (every NaN payload and subnormal included); also whole numbers
// and short decimals, which random bits almost never give and which exercise the layouts.
double fuzzed_number(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      return std::bit_cast<double>(in.ConsumeIntegral<std::uint64_t>());
    case 1:
      return static_cast<double>(in.ConsumeIntegral<std::int64_t>());
    case 2: {
      const auto digits = in.ConsumeIntegralInRange<std::int64_t>(-99'999'999, 99'999'999);
      const int exponent = in.ConsumeIntegralInRange<int>(-330, 310);
      char text[40];
      std::snprintf(text, sizeof text, "%llde%d", static_cast<long long>(digits), exponent);
      return std::strtod(text, nullptr);
    }
    default:
      return in.PickValueInArray(kEdgeValues);
  }
}

std::string fuzzed_word(FuzzedDataProvider& in) {
  return moodvane::fuzz::make_valid_utf8(in.ConsumeRandomLengthString(48));
}

moodvane::types::ShiftResult fuzzed_result(FuzzedDataProvider& in) {
  moodvane::types::ShiftResult result;
  const auto count = in.ConsumeIntegralInRange<std::size_t>(0, 24);
  for (std::size_t i = 0; i < count && in.remaining_bytes() > 0; ++i) {
    moodvane::types::ShiftEntry entry;
    entry.type = fuzzed_word(in);
    entry.p_diff = fuzzed_number(in);
    entry.s_diff = fuzzed_number(in);
    entry.p_avg = fuzzed_number(in);
    entry.s_ref_diff = fuzzed_number(in);
    entry.shift_score = fuzzed_number(in);
    result.entries.push_back(std::move(entry));
  }
  auto& sums = result.component_sums;
  for (double* field : {&sums.pos_s_pos_p, &sums.pos_s_neg_p, &sums.neg_s_pos_p, &sums.neg_s_neg_p,
                        &sums.pos_s, &sums.neg_s, &result.total_diff, &result.norm, &result.s_avg_1,
                        &result.s_avg_2, &result.reference_value}) {
    *field = fuzzed_number(in);
  }
  // Always "variation" in the engine, but the writer must carry any name.
  if (in.ConsumeBool()) result.normalization = fuzzed_word(in);
  return result;
}

void check_number(const JsonValue& value, double expected, std::string_view where) {
  if (!std::isfinite(expected)) {
    if (value.kind != JsonValue::Kind::null) {
      property_failed("a non-finite number is not written null",
                      std::string(where) + ": " + value.text);
    }
    return;
  }
  if (value.kind != JsonValue::Kind::number) {
    property_failed("a finite number is not written as a JSON number", std::string(where));
  }
  const std::string error = moodvane::fuzz::number_form_error(value.text, expected);
  if (!error.empty()) {
    property_failed("a number is written in the wrong form",
                    std::string(where) + ": " + moodvane::fuzz::bits_of(expected) + " -> " +
                        value.text + ": " + error);
  }
}

void check_string(const JsonValue& value, std::string_view expected, std::string_view where) {
  if (value.kind != JsonValue::Kind::string) {
    property_failed("a string member is not a JSON string", std::string(where));
  }
  if (value.text != expected) {
    property_failed(
        "a string reads back to other bytes",
        std::string(where) + ": " + printable(expected) + " -> " + printable(value.text));
  }
}

// An object with exactly these keys in this order.
void check_members(const JsonValue& value, std::initializer_list<std::string_view> keys,
                   std::string_view where) {
  if (value.kind != JsonValue::Kind::object) {
    property_failed("an object is expected", std::string(where));
  }
  if (value.keys.size() != keys.size() ||
      !std::equal(value.keys.begin(), value.keys.end(), keys.begin())) {
    std::string found;
    for (const std::string& key : value.keys) found += key + ",";
    property_failed("members not exactly the expected ones in order",
                    std::string(where) + ": " + found);
  }
}

void check_document(const JsonValue& document, const moodvane::types::ShiftResult& result) {
  check_members(document,
                {"entries", "component_sums", "total_diff", "norm", "s_avg_1", "s_avg_2",
                 "reference_value", "normalization"},
                "document");
  const JsonValue& entries = document.items[0];
  if (entries.kind != JsonValue::Kind::array || entries.items.size() != result.entries.size()) {
    property_failed("entries is not an array of one object per entry", "entries");
  }
  for (std::size_t i = 0; i < result.entries.size(); ++i) {
    const auto& expected = result.entries[i];
    const JsonValue& entry = entries.items[i];
    const std::string where = "entries[" + std::to_string(i) + "]";
    check_members(entry, {"type", "p_diff", "s_diff", "p_avg", "s_ref_diff", "shift_score"}, where);
    check_string(entry.items[0], expected.type, where + ".type");
    check_number(entry.items[1], expected.p_diff, where + ".p_diff");
    check_number(entry.items[2], expected.s_diff, where + ".s_diff");
    check_number(entry.items[3], expected.p_avg, where + ".p_avg");
    check_number(entry.items[4], expected.s_ref_diff, where + ".s_ref_diff");
    check_number(entry.items[5], expected.shift_score, where + ".shift_score");
  }

  const JsonValue& sums = document.items[1];
  check_members(sums,
                {"pos_s_pos_p", "pos_s_neg_p", "neg_s_pos_p", "neg_s_neg_p", "pos_s", "neg_s"},
                "component_sums");
  const auto& s = result.component_sums;
  check_number(sums.items[0], s.pos_s_pos_p, "pos_s_pos_p");
  check_number(sums.items[1], s.pos_s_neg_p, "pos_s_neg_p");
  check_number(sums.items[2], s.neg_s_pos_p, "neg_s_pos_p");
  check_number(sums.items[3], s.neg_s_neg_p, "neg_s_neg_p");
  check_number(sums.items[4], s.pos_s, "pos_s");
  check_number(sums.items[5], s.neg_s, "neg_s");

  check_number(document.items[2], result.total_diff, "total_diff");
  check_number(document.items[3], result.norm, "norm");
  check_number(document.items[4], result.s_avg_1, "s_avg_1");
  check_number(document.items[5], result.s_avg_2, "s_avg_2");
  check_number(document.items[6], result.reference_value, "reference_value");
  check_string(document.items[7], result.normalization, "normalization");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const moodvane::types::ShiftResult result = fuzzed_result(in);
  const std::string text = moodvane::encoding::encode_shift_result(result);

  if (!moodvane::fuzz::is_valid_utf8(text)) {
    property_failed("the JSON text is not valid UTF-8", printable(text));
  }
  moodvane::fuzz::JsonReader reader(text);
  const auto document = reader.read_document();
  if (!document)
    property_failed("the JSON text is not valid", reader.error() + ": " + printable(text));
  check_document(*document, result);
  return 0;
}
