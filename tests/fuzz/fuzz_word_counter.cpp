// The word counter's invariants on valid UTF-8 made from the fuzz bytes:
// - a text counts the same whole and in pieces cut before white space (as a file read a
//   piece at a time is counted), the pieces flagged as going on, and the tokens agree too;
// - no counted word spans white space, but for the lexicon's own phrases;
// - NFC is idempotent, and a text is counted as its NFC form is.
// The first byte chooses the language's rules and what counts besides words, the second
// the size of the pieces and whether negation is counted (by negators of every kind at
// once: a window ahead, the word before, 지 before 않다, one that needs ne).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "moodvane/text/character_classes.hpp"
#include "moodvane/text/text_breaks.hpp"
#include "moodvane/text/word_counting.hpp"
#include "property.hpp"
#include "utf8.hpp"

namespace {

using namespace moodvane::text;
using moodvane::fuzz::printable;
using moodvane::fuzz::property_failed;

const std::vector<std::string> kPhrases = {"special effects", "pas mal", "rumah sakit"};

std::shared_ptr<const CountingRules> rules_for(Language language, bool negation) {
  RulesData data;
  data.language = language;
  data.words = {"happy", "sad", "self-confident", "well", "special", "effects", "pas", "mal",
                "rumah", "sakit", "amour", "l'amour", "안녕", "नमस्ते", "aujourd'hui", "좋다"};
  data.phrases = kPhrases;
  data.emoticons = {":)", ":-(", "xD", "XD", "<3", "ㅋㅋ", ":3", "^^"};
  if (negation) {
    data.negation.canonical = "not";
    data.negation.negators = {{"not", 3, Negator::Before::none, ""},
                              {"kein*", 2, Negator::Before::none, ""},
                              {"नहीं", 3, Negator::Before::word, ""},
                              {"않*", 0, Negator::Before::ji, ""},
                              {"plus", 1, Negator::Before::none, "ne"}};
  }
  return make_counting_rules(std::move(data));
}

using Counts = std::map<std::string, std::uint64_t>;

Counts counts_of(const WordTally& tally, std::uint64_t& tokens) {
  const WordTally::Counts counts = tally.counts();
  Counts out;
  for (const auto& [word, count] : counts.words) out[std::string(word)] += count;
  tokens = counts.tokens;
  return out;
}

std::vector<std::size_t> code_point_offsets(std::string_view text) {
  std::vector<std::size_t> offsets;
  for (std::size_t at = 0; at < text.size();) {
    offsets.push_back(at);
    at += moodvane::fuzz::decode_utf8(text.substr(at))->length;
  }
  offsets.push_back(text.size());
  return offsets;
}

std::size_t longest_mark_run(std::string_view text) {
  std::size_t run = 0;
  std::size_t longest = 0;
  for (std::size_t at = 0; at < text.size();) {
    const auto decoded = moodvane::fuzz::decode_utf8(text.substr(at));
    run = character_class(decoded->value) & kNonStarter ? run + 1 : 0;
    longest = std::max(longest, run);
    at += decoded->length;
  }
  return longest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const Language languages[] = {Language::english, Language::french, Language::hindi,
                                Language::korean, Language::other};
  const Language language = languages[(data[0] & 7) % std::size(languages)];
  CountingOptions options;
  options.urls = data[0] & 8;
  options.emails = data[0] & 16;
  options.handles = data[0] & 32;
  options.hashtags = !(data[0] & 64);
  options.emoticons = !(data[0] & 128);
  const std::ptrdiff_t window = 1 + (data[1] & 0x7F) % 48;
  const bool negation = data[1] & 0x80;
  const std::string text = moodvane::fuzz::make_valid_utf8(
      std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2));
  const std::shared_ptr<const CountingRules> rules = rules_for(language, negation);

  std::string nfc;
  append_nfc(text, nfc);
  std::string twice;
  append_nfc(nfc, twice);
  if (twice != nfc) property_failed("NFC is not idempotent", printable(text));

  WordTally whole(rules, options);
  if (!whole.add_if_ready(text)) return 0;  // the interpreter prepares such a text first
  if (longest_mark_run(text) <= 30) {  // (a longer run is cut by the Stream-Safe Format)
    WordTally normalised(rules, options);
    normalised.add_if_ready(nfc);
    std::uint64_t unused = 0;
    std::uint64_t unused_too = 0;
    if (counts_of(normalised, unused) != counts_of(whole, unused_too)) {
      property_failed("a text counts differently from its NFC form", printable(text));
    }
  }
  std::uint64_t whole_tokens = 0;
  const Counts expected = counts_of(whole, whole_tokens);

  const std::vector<std::size_t> offsets = code_point_offsets(text);
  std::vector<char32_t> cps;
  for (std::size_t i = 0; i + 1 < offsets.size(); ++i) {
    cps.push_back(moodvane::fuzz::decode_utf8(std::string_view(text).substr(offsets[i]))->value);
  }
  const auto length = static_cast<std::ptrdiff_t>(cps.size());
  WordTally pieces(rules, options);
  std::ptrdiff_t start = 0;
  while (length - start > window) {
    std::ptrdiff_t cut = last_break([&](std::ptrdiff_t i) { return cps[i]; }, length,
                                    start + window, window, true);
    if (cut <= start) {
      cut = start + window;
      while (cut < length && !(character_class(cps[cut]) & kSpace)) ++cut;
      if (cut == length) break;
    }
    const std::string_view piece =
        std::string_view(text).substr(offsets[start], offsets[cut] - offsets[start]);
    if (!pieces.add_if_ready(piece, true)) {
      property_failed("a piece of a text ready to count is not", printable(piece));
    }
    start = cut;
  }
  if (!pieces.add_if_ready(std::string_view(text).substr(offsets[start]))) {
    property_failed("the last piece of a text ready to count is not", printable(text));
  }
  std::uint64_t piece_tokens = 0;
  if (counts_of(pieces, piece_tokens) != expected || piece_tokens != whole_tokens) {
    property_failed("a text counts differently in pieces", printable(text));
  }

  const std::set<std::string> phrases(kPhrases.begin(), kPhrases.end());
  for (const auto& [word, count] : expected) {
    // A negated word is the negator, one space and the word.
    if (phrases.contains(word) || (negation && word.starts_with("not "))) continue;
    for (std::size_t at = 0; at < word.size();) {
      const auto decoded = moodvane::fuzz::decode_utf8(std::string_view(word).substr(at));
      if (!decoded) property_failed("a counted word is not valid UTF-8", printable(word));
      if (character_class(decoded->value) & kSpace) {
        property_failed("a counted word spans white space", printable(word));
      }
      at += decoded->length;
    }
  }
  return 0;
}
