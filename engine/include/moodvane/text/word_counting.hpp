// Counting the words of texts the way a lexicon writes its words.
//
// The caller hands over UTF-8 text in NFC (as read: see ready_to_count); where the lexicon is
// lower-case, the tally lowers each token as str.lower would, unless the caller has lowered
// the text already (Python's own routines, for what ready_to_count refuses). A token is a run of word characters (letters, combining
// marks, numbers, zero-width joiners); runs joined by one apostrophe or hyphen stay one
// token. A token counts as the lexicon's words it stands for (see word_rules.cpp), and a run
// of words that spells a listed phrase counts as the phrase.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "moodvane/shift.hpp"

namespace moodvane::text {

// The languages whose words follow rules of their own; every other lexicon is `other`.
enum class Language { chinese, english, french, hindi, korean, other };

// What one lexicon expects of its words. Immutable once made, shared by any number of
// tallies on any number of threads.
class CountingRules;
class ChineseSegmenter;

// A word that negates a scored word near it, for rules that count negation: the word it
// reaches then counts as a token of its own, the canonical negator, a space and the word.
struct Negator {
  std::string word;  // as the tally counts it; a final '*' stands for any word it begins
  std::uint32_t ahead = 3;  // how many words after it it reaches (the first scored one)
  // The word before it that it negates instead, when there is one: none; the scored word
  // just before it; or that word when it ends in 지, counted under its 다 form (좋지 않다).
  enum class Before : std::uint8_t { none, word, ji } before = Before::none;
  // A word that must come before it in the same clause for it to negate, or empty (French
  // plus and personne need ne, which may be the n' of a word: n'est plus).
  std::string needs;
};

// A language's negation: its negators, and the one negator its negated tokens are written
// with ("not" of "not good"). No negators: the tally counts no negation.
struct Negation {
  std::string canonical;
  std::vector<Negator> negators;
};

// The negation of `language` (a lexicon key) in `table`, the text of
// lexicons/data/negators.txt; `malformed`, when given, receives the lines of `table` that
// are neither comments, the header, nor rows of six fields with a valid ahead and before.
Negation negation_of(std::string_view table, std::string_view language,
                     std::vector<std::string>* malformed = nullptr);

struct RulesData {
  Language language = Language::other;
  std::vector<std::string> words;    // the lexicon's words
  bool lower_case = true;            // every word is in lower case
  std::vector<std::string> phrases;  // words separated by one space
  std::vector<std::string> emoticons;  // as written; matched regardless of ASCII case
  // Chinese: gives the segmenter that cuts runs of Han characters into words (its pieces
  // that hold a letter count as words), called when the first run comes; null leaves the
  // runs to the caller (Counts::han_runs).
  const ChineseSegmenter& (*chinese_segmenter)() = nullptr;
  // Counted by every tally of these rules when it has negators (a Chinese text only where
  // the native segmenter cuts it: runs left to the caller take no part).
  Negation negation;
};

// Which things that are not words count all the same. By default URLs, e-mail addresses,
// @handles and HTML entities do not; a hashtag counts as its word, and emoji and
// emoticons count as tokens of their own.
struct CountingOptions {
  bool urls = false;
  bool emails = false;
  bool handles = false;
  bool entities = false;
  bool hashtags = true;
  bool emoji = true;
  bool emoticons = true;
};

std::shared_ptr<const CountingRules> make_counting_rules(RulesData data);

// The counts of one or more texts: whatever add() was given since the last clear(). One
// thread at a time.
class WordTally {
 public:
  explicit WordTally(std::shared_ptr<const CountingRules> rules, CountingOptions options = {});
  ~WordTally();
  WordTally(const WordTally&) = delete;
  WordTally& operator=(const WordTally&) = delete;

  // Counts the words of `text`: text for which ready_to_count holds, or text that
  // str.lower and NFC have prepared. No word goes on across two calls, but a phrase may,
  // while the text `goes_on` in the next call (a long text counted in pieces, each cut
  // before white space).
  // `progress` is called about every megabyte of text read (counted across calls, so that
  // many short texts call it too); when it throws, the counts hold the part read so far.
  void add(std::string_view text, bool goes_on = false, const shift::Progress& progress = {});
  // Counts `text` as the interpreter would prepare it (lowered where the lexicon is
  // lower-case, in NFC): as it stands when ready_to_count says the tally may, else as
  // prepared_for_counting makes it. Says whether it did; only a text that the interpreter
  // alone may lower is left to the caller, the tally unchanged.
  bool add_if_ready(std::string_view text, bool goes_on = false,
                    const shift::Progress& progress = {});

  // Whether add_if_ready would leave `text` to the caller (only str.lower may lower it).
  bool only_interpreter_prepares(std::string_view text) const noexcept;

  struct Counts {
    std::vector<std::pair<std::string_view, std::uint64_t>> words;
    // Runs of Han characters for the caller's segmenter to cut into words (Chinese only).
    std::vector<std::pair<std::string_view, std::uint64_t>> han_runs;
    std::uint64_t tokens = 0;  // words counted, the ones the lexicon does not score included
  };
  // The counts since the last clear(), in the order the words first came; the views stay
  // valid until the tally changes.
  Counts counts() const;
  // Forgets the counts (the words seen stay known, which makes later texts faster).
  void clear();

  struct State;  // opaque: defined where the scanner is

 private:
  std::unique_ptr<State> state_;
};

// Whether `text` is certainly in NFC (false: it may not be, and must be normalised). Exact
// but for a character that may compose with a preceding starter that itself decomposes,
// which answers false; in linear time, where the interpreter's own check normalises
// the whole text whenever such a character occurs (a nukta in Hindi).
bool is_nfc(std::string_view text) noexcept;
// Whether `text` holds a character that str.lower changes.
bool has_capitals(std::string_view text) noexcept;
// Whether a tally may count `text` as it stands: it is certainly in NFC once lowered as the
// tally lowers tokens (with `lowering`), and holds no character that only str.lower may
// lower (U+0130, whose lower case is two code points; U+03A3, whose lower case depends on
// what follows). In linear time.
bool ready_to_count(std::string_view text, bool lowering) noexcept;

// Appends `text` in Unicode NFC, as unicodedata.normalize("NFC", text) gives it in the
// Unicode version of the character table (character_table_version()), in linear time for
// text in the Stream-Safe Text Format.
void append_nfc(std::string_view text, std::string& out);
// `text` as the interpreter prepares a text that a tally may not count as it stands:
// lowered as str.lower lowers it (with `lowering`), then, unless certainly in NFC, in the
// Stream-Safe Text Format and NFC. Nothing when it holds a character that only str.lower
// may lower (U+0130, U+03A3 and the like) and `lowering`.
std::optional<std::string> prepared_for_counting(std::string_view text, bool lowering);
// Whether prepared_for_counting gives nothing: `lowering`, and `text` holds a character
// that only str.lower may lower.
bool only_interpreter_prepares(std::string_view text, bool lowering) noexcept;

// Unicode's Stream-Safe Text Format (UAX #15): `text` with U+034F COMBINING GRAPHEME JOINER
// after every 30 non-starters in a row, so that normalising it takes linear time, in pieces
// of about `piece_bytes` cut where normalising the pieces one by one gives the same text.
std::vector<std::string> stream_safe_pieces(std::string_view text, std::size_t piece_bytes);

}  // namespace moodvane::text
