// The fuzz targets are only as good as the checks they apply. This plain program feeds those
// checks known-good and known-bad cases (many of them the documented edge cases of each
// format) and fails if any check accepts what it must reject or rejects what it must
// accept. run_smoke.sh runs it before any fuzzing.
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <string>
#include <string_view>

#include "json_reader.hpp"
#include "number_form.hpp"
#include "reference_lexicon.hpp"
#include "unquote.hpp"
#include "utf8.hpp"

namespace {

using namespace moodvane::fuzz;

int failures = 0;

void expect(bool ok, std::string_view what) {
  if (ok) return;
  ++failures;
  std::fprintf(stderr, "FAILED: %.*s\n", static_cast<int>(what.size()), what.data());
}

void check_utf8() {
  for (const std::string_view valid :
       {"", "abc", "h\xC3\xA9", "\xE2\x80\x80", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF"}) {
    expect(is_valid_utf8(valid), "valid UTF-8 accepted: " + printable(valid));
    expect(make_valid_utf8(valid) == valid, "valid UTF-8 kept: " + printable(valid));
  }
  for (const std::string_view invalid : {"\x80", "\xC0\x80", "\xC3", "\xE2\x80", "\xED\xA0\x80",
                                         "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "a\xFF"}) {
    expect(!is_valid_utf8(invalid), "invalid UTF-8 rejected: " + printable(invalid));
    expect(is_valid_utf8(make_valid_utf8(invalid)), "made valid: " + printable(invalid));
  }
}

void check_trim_and_grammar() {
  const std::pair<std::string_view, std::string_view> trims[] = {
      {" 1.5 ", "1.5"},
      {"\xC2\xA0"
       "1.5\xE3\x80\x80",
       "1.5"},
      {"\t\r\n\v\f1", "1"},
      {"\xE2\x80\x8B"
       "1",
       "\xE2\x80\x8B"
       "1"},  // U+200B is no White_Space
      {"\xEF\xBB\xBF"
       "1",
       "\xEF\xBB\xBF"
       "1"},                         // nor is U+FEFF
      {"1 \xE2\x80\xA8", "1"},       // U+2028
      {"\xE2\xE2\x80\x80", "\xE2"},  // a stray lead byte, then U+2000
      {"   ", ""},
  };
  for (const auto& [text, trimmed] : trims) {
    expect(reference_trim(text) == trimmed, "reference trim of " + printable(text));
  }
  for (const std::string_view number : {"+2", "-0.5", "5", "5.", ".5", "8.50", "007", "1e3",
                                        "2.5E-2", "1e+05", "inf", "-Infinity", "NaN", "+nan"}) {
    expect(is_score_number(number), "grammar accepts " + printable(number));
  }
  for (const std::string_view text :
       {"+", "-", "+-1", "--1", "", ".", "1.5.2", "7,5", "1_000", "1e", "1e+", "e5", "infin",
        "nan(1)", "0x10", " 1", "1 ", "\xEF\xBC\x91"}) {
    expect(!is_score_number(text), "grammar rejects " + printable(text));
  }
}

void check_reference_parse() {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::pair<std::string_view, std::map<std::string, double>> cases[] = {
      {"a\t1\nb\t2", {{"a", 1}, {"b", 2}}},
      {"a\t1\r\nb\t2\r\n", {{"a", 1}, {"b", 2}}},
      {"a\r\t1\n", {{"a\r", 1}}},
      {"a\t1\r", {{"a", 1}}},
      {"\n\n a\t1\n", {{" a", 1}}},
      {"a 1\n", {}},
      {"a\t \xC2\xA0"
       "1.5 \n",
       {{"a", 1.5}}},
      {"a\t1.5\tx\n", {{"a", 1.5}}},
      {"a\t\t1.5\n", {}},
      {"\t3\n", {{"", 3}}},
      {"a\t1\na\t2\n", {{"a", 2}}},
      {"a\t1\na\tx\n", {{"a", 1}}},
      {"A\t1\na\t2\n", {{"A", 1}, {"a", 2}}},
      {"a\tnan\nb\t1e400\nc\t-1e-400\n",
       {{"a", nan}, {"b", std::numeric_limits<double>::infinity()}, {"c", -0.0}}},
  };
  for (const auto& [text, expected] : cases) {
    const auto parsed = reference_parse(text);
    bool same = parsed.size() == expected.size();
    for (const auto& [word, score] : expected) {
      const auto it = parsed.find(word);
      same = same && it != parsed.end() && same_value(it->second, score);
    }
    expect(same, "reference parse of " + printable(text));
  }
}

void check_number_form() {
  const std::pair<std::string, double> good[] = {
      {"1.0", 1.0},
      {"-0.0", -0.0},
      {"0.0", 0.0},
      {"-0.25", -0.25},
      {"123.456", 123.456},
      {"1000000000000000.0", 1e15},
      {"9007199254740992.0", 9007199254740992.0},
      {"1e+16", 1e16},
      {"1.8014398509481984e+16", 18014398509481984.0},
      {"0.00001", 1e-5},
      {"0.00001234", 1.234e-5},
      {"1e-6", 1e-6},
      {"1.2345e-6", 1.2345e-6},
      {"0.30000000000000004", 0.1 + 0.2},
      {"5e-324", std::numeric_limits<double>::denorm_min()},
      {"1.7976931348623157e+308", std::numeric_limits<double>::max()},
  };
  for (const auto& [text, value] : good) {
    const std::string error = number_form_error(text, value);
    expect(error.empty(), "number form accepts " + text + ": " + error);
  }
  const std::pair<std::string, double> bad[] = {
      {"1", 1.0},                                     // neither '.' nor 'e'
      {"2.0", 1.0},                                   // another value
      {"0.0", -0.0},                                  // lost sign
      {"1.50", 1.5},                                  // trailing zero
      {"01.5", 1.5},                                  // leading zero
      {".5", 0.5},                                    // not JSON, not the layout
      {"1.5e+0", 1.5},                                // scientific inside -5..15
      {"10000000000000000.0", 1e16},                  // fixed outside -5..15
      {"0.000001", 1e-6},                             // fixed outside -5..15
      {"1e16", 1e16},                                 // exponent without sign
      {"1e+016", 1e16},                               // exponent with a leading zero
      {"1.0e+16", 1e16},                              // mantissa with a trailing zero
      {"0.10000000000000001", 0.1},                   // not the shortest digits
      {"4.9406564584124654e-324", 5e-324},            // not the shortest digits
      {"0.1000000000000000055511151231257827", 0.1},  // too long
  };
  for (const auto& [text, value] : bad) {
    expect(!number_form_error(text, value).empty(), "number form rejects " + text);
  }
}

void check_json_reader() {
  for (const std::string_view text : {"{}", "[]", "{\"a\":[1.0,null,\"x\\u0001\\n\"],\"b\":{}}",
                                      "\"/\x7F\xC3\xA9\"", "-0.0", "1e+16", "5e-324"}) {
    JsonReader reader(text);
    expect(reader.read_document().has_value(), "JSON reader accepts " + printable(text));
  }
  for (const std::string_view text : {"{\"a\": 1.0}",
                                      " {}",
                                      "{}\n",
                                      "{\"a\":\"\\/\"}",
                                      "{\"a\":\"\\u0041\"}",
                                      "{\"a\":\"\\u000a\"}",
                                      "{\"a\":\"\\u001B\"}",
                                      "\"\x01\"",
                                      "\"\xC3\"",
                                      "01",
                                      "1.",
                                      "-",
                                      "1e",
                                      "{\"a\":1.0,}",
                                      "[1.0,]",
                                      "{\"a\"}",
                                      "nul",
                                      "{}{}",
                                      "[",
                                      "\"abc"}) {
    JsonReader reader(text);
    expect(!reader.read_document().has_value(), "JSON reader rejects " + printable(text));
  }
  JsonReader reader("{\"k\":[\"a\\\"\\\\b\\t\\u001f\",2.5]}");
  const auto document = reader.read_document();
  expect(document && document->keys.size() == 1 && document->keys[0] == "k" &&
             document->items[0].items.size() == 2 &&
             document->items[0].items[0].text == "a\"\\b\t\x1F" &&
             document->items[0].items[1].text == "2.5",
         "JSON reader builds the tree");
}

void check_unquote() {
  const std::pair<std::string_view, std::string_view> good[] = {
      {"Klingon", "Klingon"},
      {"", ""},
      {"a\\\"b\\\\c", "a\"b\\c"},
      {"\\t\\n\\r\\0", std::string_view("\t\n\r\0", 4)},
      {"\\u{7f}\\u{a0}\\u{301}", "\x7F\xC2\xA0\xCC\x81"},
      {"it's \xC3\xA9", "it's \xC3\xA9"},
  };
  for (const auto& [body, bytes] : good) {
    const Unquoted read = unquote(body, false);
    expect(read.error.empty() && read.bytes == bytes, "unquote reads " + printable(body));
  }
  for (const std::string_view body :
       {"\"",     "\\",       "\\q",      "\\u{07f}",     "\\u{7F}",   "\\u{41}", "\\u{e9}",
        "\\u{9}", "\\u{0}",   "\\u{}",    "\\u{110000}",  "\\u{d800}", "\\u7f",   "\\u{7f",
        "\x7F",   "\xC2\xA0", "\xCC\x81", "\xEF\xBB\xBF", "\\x80",     "\xC3"}) {
    expect(!unquote(body, false).error.empty(), "unquote rejects " + printable(body));
  }
  const Unquoted lenient = unquote("\\xff\\u{d800}", true);
  expect(lenient.error.empty() && lenient.bytes == "\xFF\xED\xA0\x80",
         "lenient unquote reads stray bytes and surrogates");
  expect(!unquote("\\x41", true).error.empty(), "lenient unquote rejects \\x of ASCII");
}

}  // namespace

int main() {
  check_utf8();
  check_trim_and_grammar();
  check_reference_parse();
  check_number_form();
  check_json_reader();
  check_unquote();
  if (failures != 0) {
    std::fprintf(stderr, "%d oracle check(s) failed\n", failures);
    return 1;
  }
  std::puts("fuzz oracles: all checks pass");
  return 0;
}
