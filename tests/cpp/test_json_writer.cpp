// The JSON document of a shift result, byte for byte: member order, null for non-finite
// numbers, the empty entry list, and the string escapes.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <string_view>

#include "moodvane/json_writer.hpp"
#include "moodvane/types.hpp"

namespace moodvane::encoding {
namespace {

using types::ShiftEntry;
using types::ShiftResult;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// bad, meh and good against system 1's average 3.5: each shift_score and component sum is
// its unnormalised value divided by norm = 2.25, as the engine computes it.
ShiftResult worked_example() {
  constexpr double kNorm = 2.25;
  ShiftResult result;
  result.entries = {
      {"bad", -0.625, 0.0, 0.4375, -1.5, 0.9375 / kNorm},
      {"meh", 0.5, 0.0, 0.25, 1.5, 0.75 / kNorm},
      {"good", 0.125, 0.0, 0.3125, 4.5, 0.5625 / kNorm},
  };
  result.component_sums = {(0.75 + 0.5625) / kNorm, 0.0, 0.0, 0.9375 / kNorm, 0.0, 0.0};
  result.total_diff = 2.25;
  result.norm = kNorm;
  result.s_avg_1 = 3.5;
  result.s_avg_2 = 5.75;
  result.reference_value = 3.5;
  result.normalization = "variation";
  return result;
}

constexpr std::string_view kWorkedExampleText =
    R"({"entries":[{"type":"bad","p_diff":-0.625,"s_diff":0.0,"p_avg":0.4375,)"
    R"("s_ref_diff":-1.5,"shift_score":0.4166666666666667},)"
    R"({"type":"meh","p_diff":0.5,"s_diff":0.0,"p_avg":0.25,"s_ref_diff":1.5,)"
    R"("shift_score":0.3333333333333333},)"
    R"({"type":"good","p_diff":0.125,"s_diff":0.0,"p_avg":0.3125,"s_ref_diff":4.5,)"
    R"("shift_score":0.25}],)"
    R"("component_sums":{"pos_s_pos_p":0.5833333333333334,"pos_s_neg_p":0.0,)"
    R"("neg_s_pos_p":0.0,"neg_s_neg_p":0.4166666666666667,"pos_s":0.0,"neg_s":0.0},)"
    R"("total_diff":2.25,"norm":2.25,"s_avg_1":3.5,"s_avg_2":5.75,)"
    R"("reference_value":3.5,"normalization":"variation"})";

TEST(EncodeShiftResult, WritesWorkedExampleByteForByte) {
  EXPECT_EQ(encode_shift_result(worked_example()), kWorkedExampleText);
}

TEST(EncodeShiftResult, EmptyEntryListKeepsEveryOtherMember) {
  ShiftResult result;  // an empty vocabulary's result
  EXPECT_EQ(encode_shift_result(result),
            R"({"entries":[],"component_sums":{"pos_s_pos_p":0.0,"pos_s_neg_p":0.0,)"
            R"("neg_s_pos_p":0.0,"neg_s_neg_p":0.0,"pos_s":0.0,"neg_s":0.0},)"
            R"("total_diff":0.0,"norm":1.0,"s_avg_1":0.0,"s_avg_2":0.0,)"
            R"("reference_value":0.0,"normalization":"variation"})");
}

// Replaces exactly one occurrence of `from` in `text` by `to`, failing the test when the
// occurrence is missing or not unique.
std::string replace_once(std::string text, std::string_view from, std::string_view to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  EXPECT_EQ(text.find(from, at + 1), std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// One non-finite value put into one field changes that field to null and nothing else.
struct NullCase {
  const char* name;
  void (*set)(ShiftResult&, double);
  std::string_view member;  // the member's text in the worked example
  std::string_view nulled;
};

class NonFiniteMember : public testing::TestWithParam<NullCase> {};

TEST_P(NonFiniteMember, BecomesNullInPlace) {
  const NullCase& c = GetParam();
  const std::string expected = replace_once(std::string(kWorkedExampleText), c.member, c.nulled);
  for (const double value : {kNaN, -kNaN, kInfinity, -kInfinity}) {
    ShiftResult result = worked_example();
    c.set(result, value);
    EXPECT_EQ(encode_shift_result(result), expected) << c.name << " = " << value;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, NonFiniteMember,
    testing::Values(
        NullCase{"entry shift_score",
                 [](ShiftResult& r, double v) { r.entries[1].shift_score = v; },
                 R"("shift_score":0.3333333333333333)", R"("shift_score":null)"},
        NullCase{"entry p_diff", [](ShiftResult& r, double v) { r.entries[0].p_diff = v; },
                 R"("p_diff":-0.625)", R"("p_diff":null)"},
        NullCase{"entry s_diff", [](ShiftResult& r, double v) { r.entries[2].s_diff = v; },
                 R"("s_diff":0.0,"p_avg":0.3125)", R"("s_diff":null,"p_avg":0.3125)"},
        NullCase{"component sum",
                 [](ShiftResult& r, double v) { r.component_sums.pos_s_pos_p = v; },
                 R"("pos_s_pos_p":0.5833333333333334)", R"("pos_s_pos_p":null)"},
        NullCase{"component sum neg_s",
                 [](ShiftResult& r, double v) { r.component_sums.neg_s = v; }, R"("neg_s":0.0)",
                 R"("neg_s":null)"},
        NullCase{"norm", [](ShiftResult& r, double v) { r.norm = v; }, R"("norm":2.25)",
                 R"("norm":null)"},
        NullCase{"total_diff", [](ShiftResult& r, double v) { r.total_diff = v; },
                 R"("total_diff":2.25)", R"("total_diff":null)"},
        NullCase{"reference_value", [](ShiftResult& r, double v) { r.reference_value = v; },
                 R"("reference_value":3.5)", R"("reference_value":null)"}),
    [](const testing::TestParamInfo<NullCase>& info) {
      return "case" + std::to_string(info.index);
    });

struct StringCase {
  std::string_view raw;
  std::string_view written;  // without the surrounding quotes
};

class JsonString : public testing::TestWithParam<StringCase> {};

TEST_P(JsonString, EscapesOnlyQuoteBackslashAndControlBytes) {
  std::string out = "x";  // appends after what is already there
  write_json_string(out, GetParam().raw);
  EXPECT_EQ(out, "x\"" + std::string(GetParam().written) + "\"");
}

using namespace std::string_view_literals;

INSTANTIATE_TEST_SUITE_P(
    Bytes, JsonString,
    testing::Values(StringCase{"", ""}, StringCase{"plain", "plain"},
                    StringCase{"say \"hi\"", R"(say \"hi\")"}, StringCase{"a\\b", R"(a\\b)"},
                    StringCase{"\b\t\n\f\r", R"(\b\t\n\f\r)"}, StringCase{"a\0b"sv, R"(a\u0000b)"},
                    StringCase{"\x01", R"(\u0001)"}, StringCase{"\x0b", R"(\u000b)"},
                    StringCase{"\x1b[0m", R"(\u001b[0m)"}, StringCase{"\x1f", R"(\u001f)"},
                    // Copied as they are: slash, DEL, the first printable byte and UTF-8 letters.
                    StringCase{"a/b", "a/b"}, StringCase{"\x7f", "\x7f"}, StringCase{" ", " "},
                    StringCase{"d\xc3\xa9j\xc3\xa0 \xe6\x84\x9f \xf0\x9f\x98\x80",
                               "d\xc3\xa9j\xc3\xa0 \xe6\x84\x9f \xf0\x9f\x98\x80"},
                    // Escapes at both ends and back to back, between unescaped runs.
                    StringCase{"\"\"x\\\n", R"(\"\"x\\\n)"},
                    StringCase{"\tword\t", R"(\tword\t)"}));

TEST(EncodeShiftResult, WordsAreEscapedInsideEntries) {
  ShiftResult result;
  result.entries.push_back({"", 1.0, 0.0, 0.5, -0.0, 1.0});
  result.entries.push_back({"tab\there \"q\" \xc3\xbc", 0.0, 0.0, 0.0, 0.0, -0.0});
  const std::string text = encode_shift_result(result);
  EXPECT_EQ(text.substr(0, text.find("],")),
            R"({"entries":[{"type":"","p_diff":1.0,"s_diff":0.0,"p_avg":0.5,"s_ref_diff":-0.0,)"
            R"("shift_score":1.0},{"type":"tab\there \"q\" )"
            "\xc3\xbc"
            R"(","p_diff":0.0,"s_diff":0.0,"p_avg":0.0,"s_ref_diff":0.0,"shift_score":-0.0})");
}

}  // namespace
}  // namespace moodvane::encoding
