// Arbitrary bytes as a lexicon text, and the same bytes as one score text.
//
// Properties: parse_lexicon never crashes; every stored word is the text before the first
// tab of some line; the whole map equals that of the plain reading in
// reference_lexicon.hpp (same words, same value bits, NaN equal to NaN of the same sign);
// the trim and the number grammar agree with the reference on the whole input, and every
// accepted number has the value strtod gives for the same trimmed text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "moodvane/number.hpp"
#include "moodvane/parser.hpp"
#include "property.hpp"
#include "reference_lexicon.hpp"

namespace {

using moodvane::fuzz::printable;
using moodvane::fuzz::property_failed;

// At the start of the text or right after a line feed, and followed by a tab.
bool starts_some_line(std::string_view text, std::string_view word) {
  if (word.find('\n') != std::string_view::npos || word.find('\t') != std::string_view::npos) {
    return false;
  }
  const std::string with_tab = std::string(word) + '\t';
  if (text.starts_with(with_tab)) return true;
  return text.find('\n' + with_tab) != std::string_view::npos;
}

void check_map(std::string_view text) {
  const auto scores = moodvane::lexicons::parse_lexicon(text);
  const auto expected = moodvane::fuzz::reference_parse(text);

  for (const auto& [word, score] : scores) {
    if (!starts_some_line(text, word)) {
      property_failed("a stored word is no line's text before its first tab", printable(word));
    }
    const auto it = expected.find(std::string(word));
    if (it == expected.end()) {
      property_failed("parse_lexicon stored a word the reference did not", printable(word));
    }
  }
  if (scores.size() != expected.size()) {
    property_failed("parse_lexicon and the reference store different numbers of words",
                    std::to_string(scores.size()) + " != " + std::to_string(expected.size()));
  }
  for (const auto& [word, score] : expected) {
    const double* found = scores.find(word);
    if (found == nullptr) {
      property_failed("parse_lexicon lost a word the reference stored", printable(word));
    }
    if (!moodvane::fuzz::same_value(*found, score)) {
      property_failed("parse_lexicon and the reference disagree on a score",
                      printable(word) + ": " + moodvane::fuzz::bits_of(*found) +
                          " != " + moodvane::fuzz::bits_of(score));
    }
  }
}

void check_number(std::string_view text) {
  const std::string_view trimmed = moodvane::lexicons::trim_white_space(text);
  const std::string_view expected_trim = moodvane::fuzz::reference_trim(text);
  if (trimmed.data() != expected_trim.data() || trimmed.size() != expected_trim.size()) {
    property_failed("trim_white_space and the reference trim differ",
                    printable(trimmed) + " != " + printable(expected_trim));
  }

  const auto value = moodvane::lexicons::parse_number(trimmed);
  const bool grammatical = moodvane::fuzz::is_score_number(trimmed);
  if (value.has_value() != grammatical) {
    property_failed(grammatical ? "parse_number rejects a number of the grammar"
                                : "parse_number accepts a text outside the grammar",
                    printable(trimmed));
  }
  if (!value) return;

  // strtod reads every grammatical text in full; its value is the one to match.
  const auto reading = moodvane::fuzz::read_with_strtod(trimmed);
  if (reading.consumed != trimmed.size()) {
    property_failed("strtod stops early on a grammatical number", printable(trimmed));
  }
  if (!moodvane::fuzz::same_value(*value, reading.value)) {
    property_failed("parse_number and strtod disagree",
                    printable(trimmed) + ": " + moodvane::fuzz::bits_of(*value) +
                        " != " + moodvane::fuzz::bits_of(reading.value));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  check_map(text);
  check_number(text);
  return 0;
}
