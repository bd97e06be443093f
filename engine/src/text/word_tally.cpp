// WordTally: the scanner that finds tokens, and the counts of the words they stand for.
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "moodvane/text/character_classes.hpp"
#include "moodvane/text/utf8.hpp"
#include "moodvane/text/word_counting.hpp"
#include "lower_case.hpp"
#include "negation.hpp"
#include "short_tokens.hpp"
#include "word_rules.hpp"

namespace moodvane::text {
namespace {

using Id = std::uint32_t;
constexpr Id kHanRun = 0x80000000u;

// What a distinct token as written stands for. Most tokens are one word that begins no
// phrase, counted straight away; the others are `size` ids from resolved[first].
struct Meaning {
  std::uint32_t first;  // the word's id when `single`
  std::uint32_t size : 31;
  std::uint32_t single : 1;
};

// The class byte of each ASCII character, looked up without the two-stage table.
struct AsciiClasses {
  std::uint8_t of[128];
  AsciiClasses() noexcept {
    for (char32_t c = 0; c < 128; ++c) of[c] = character_class(c);
  }
};
// Made when the library loads (the generated tables it reads are constants), so that no
// lookup in the scanner's loops checks whether it is made yet.
const AsciiClasses kAscii;

}  // namespace

struct WordTally::State {
  State(std::shared_ptr<const CountingRules> r, CountingOptions o)
      : rules(std::move(r)), options(o) {
    if (const NegationRules* negation_rules = rules->negation()) {
      negation = std::make_unique<NegationWindow>(*negation_rules, negation_host);
    }
    for (char32_t c = 0; c < 128; ++c) {
      passes[c] = !(kAscii.of[c] & kWord) &&
                  !(options.emoticons && rules->may_begin_emoticon(c)) &&
                  !(c == U'@' && !options.handles) && !(c == U'#' && !options.hashtags) &&
                  !(c == U'&' && !options.entities) && !(negation && ends_clause(c));
    }
  }

  std::shared_ptr<const CountingRules> rules;
  CountingOptions options;
  // The ASCII characters that the scanner passes over without a look: no word character,
  // and nothing that begins an emoticon or a name, hashtag or entity to leave out.
  bool passes[128];
  // Every word and Han run seen, with its id (its position in insertion order).
  types::FlatMap<std::string, Id> words;
  types::FlatMap<std::string, Id> han_runs;
  std::vector<std::uint64_t> word_counts;
  std::vector<std::uint64_t> han_counts;
  std::vector<Id> touched_words;
  std::vector<Id> touched_han;
  std::uint64_t tokens = 0;
  std::vector<Id> pending;  // words that may still begin a phrase
  std::uint32_t pending_node = 0;  // the phrase trie's node that the pending words lead to
  // By word id: the word's number in the phrase trie (PhraseTrie::kNone when no phrase has
  // it), and whether some phrase begins with it.
  std::vector<std::uint32_t> phrase_word;
  std::vector<bool> starts_phrase;

  // What each distinct token seen, as written, stands for: folded, lowered where the
  // lexicon is lower-case, and through the lexicon's rules once, when first seen. Tokens
  // longer than ShortTokens takes are copied into blocks of their own: a lookup then
  // compares bytes that sit together in the cache, not bytes anywhere in a text of many
  // megabytes.
  ShortTokens<Meaning> known_short;
  types::FlatMap<std::string_view, Meaning> known;
  std::vector<Id> resolved;
  std::vector<std::unique_ptr<char[]>> token_blocks;
  char* block_free = nullptr;
  std::size_t block_left = 0;
  TokenWords scratch;
  std::string form;  // a token folded and lowered, while it is resolved
  std::string emoji_written;  // an emoji sequence as it counts, while it is read

  // Negation, when the rules count it: every word the tally counts goes through the window
  // (count_word), in text order. What the scanner finds between words (a clause break, a
  // French n') happens after the words before it are counted: while a phrase is pending,
  // it waits in `negation_events` for the number of words counted to reach its position.
  struct NegationHost final : NegationWindow::Tally {
    explicit NegationHost(State& s) : state(s) {}
    std::string word(Id id) const override { return state.words.entry(id).first; }
    Id intern(std::string_view word) override {
      return state.intern(word, state.words, state.word_counts);
    }
    void count(Id id) override { state.tally(id); }
    bool scores(std::string_view word) const override { return state.rules->scores(word); }
    State& state;
  };
  static constexpr int kClauseBreak = -1;  // an event; else the number of a needed word
  NegationHost negation_host{*this};
  std::unique_ptr<NegationWindow> negation;
  std::uint64_t words_counted = 0;  // words through the window, a phrase's words each
  std::vector<std::pair<std::uint64_t, int>> negation_events;  // (position, event)
  std::size_t next_event = 0;

  std::string_view keep(std::string_view token) {
    if (token.size() > block_left) {
      const std::size_t size = std::max<std::size_t>(token.size(), 1 << 16);
      token_blocks.push_back(std::make_unique<char[]>(size));
      block_free = token_blocks.back().get();
      block_left = size;
    }
    std::memcpy(block_free, token.data(), token.size());
    const std::string_view kept(block_free, token.size());
    block_free += token.size();
    block_left -= token.size();
    return kept;
  }

  // Bytes still to read before the next call of the progress hook.
  std::size_t until_look = kBytesPerLook;
  static constexpr std::size_t kBytesPerLook = std::size_t{1} << 20;
  // What a call costs on top of its text, so that a million empty texts call the hook too.
  static constexpr std::size_t kBytesPerCall = 64;

  void add(std::string_view text, bool goes_on, const shift::Progress& progress);
  // Counts `token`, whose first byte lies `readable` bytes before the end of the text.
  void count_token(std::string_view token, std::size_t readable);
  Meaning resolve(std::string_view token);
  Id intern(std::string_view word, types::FlatMap<std::string, Id>& map,
            std::vector<std::uint64_t>& counts);
  void count(Id id);
  // An emoji or emoticon: a word as it stands, through no lexicon rule.
  void count_whole(std::string_view word) { count(intern(word, words, word_counts)); }
  // An emoticon of the rules' list, by its index: its word is looked up once per tally.
  void count_emoticon(const Emoticon& emoticon) {
    if (emoticon_ids.empty()) emoticon_ids.assign(rules->emoticon_count(), kNoId);
    Id& id = emoticon_ids[emoticon.index];
    if (id == kNoId) id = intern(emoticon.written, words, word_counts);
    count(id);
  }
  static constexpr Id kNoId = 0xFFFFFFFF;
  std::vector<Id> emoticon_ids;
  // Counts a finished word (a phrase of `words` words counts as one).
  void count_word(Id id, std::size_t words = 1) {
    if (negation) [[unlikely]] {
      negation->word(id);
      words_counted += words;
      apply_negation_events();
      return;
    }
    tally(id);
  }
  void tally(Id id) {
    if (word_counts[id]++ == 0) touched_words.push_back(id);
    ++tokens;
  }
  // A clause break or a needed word, found by the scanner after the words counted or
  // pending so far.
  void negation_event(int event) {
    negation_events.emplace_back(words_counted + pending.size(), event);
    apply_negation_events();
  }
  void apply_negation_events() {
    while (next_event < negation_events.size() &&
           negation_events[next_event].first <= words_counted) {
      const int event = negation_events[next_event++].second;
      if (event == kClauseBreak) {
        negation->clause_break();
      } else {
        negation->needed_word(event);
      }
    }
    if (next_event == negation_events.size()) {
      negation_events.clear();
      next_event = 0;
    }
  }
  void offer_to_phrase(Id id);
  void settle_phrases(bool text_ends);
};

WordTally::WordTally(std::shared_ptr<const CountingRules> rules, CountingOptions options)
    : state_(std::make_unique<State>(std::move(rules), options)) {}
WordTally::~WordTally() = default;

void WordTally::add(std::string_view text, bool goes_on, const shift::Progress& progress) {
  state_->add(text, goes_on, progress);
}

bool WordTally::add_if_ready(std::string_view text, bool goes_on,
                             const shift::Progress& progress) {
  if (ready_to_count(text, state_->rules->lower_case())) {
    state_->add(text, goes_on, progress);
    return true;
  }
  const std::optional<std::string> prepared =
      prepared_for_counting(text, state_->rules->lower_case());
  if (!prepared) return false;
  state_->add(*prepared, goes_on, progress);
  return true;
}

bool WordTally::only_interpreter_prepares(std::string_view text) const noexcept {
  return text::only_interpreter_prepares(text, state_->rules->lower_case());
}

WordTally::Counts WordTally::counts() const {
  Counts out;
  out.words.reserve(state_->touched_words.size());
  for (const Id id : state_->touched_words) {
    out.words.emplace_back(state_->words.entry(id).first, state_->word_counts[id]);
  }
  for (const Id id : state_->touched_han) {
    out.han_runs.emplace_back(state_->han_runs.entry(id).first, state_->han_counts[id]);
  }
  out.tokens = state_->tokens;
  return out;
}

void WordTally::clear() {
  for (const Id id : state_->touched_words) state_->word_counts[id] = 0;
  for (const Id id : state_->touched_han) state_->han_counts[id] = 0;
  state_->touched_words.clear();
  state_->touched_han.clear();
  state_->tokens = 0;
}

// The code point at a position as the rules read it (see CountingRules::fold_code_point).
struct Read {
  char32_t cp;
  std::uint8_t cls;
  std::uint8_t size;
};

// One text on its way through the scanner.
class Scan {
 public:
  Scan(WordTally::State& state, std::string_view text, const shift::Progress& progress) noexcept
      : state_(state), rules_(*state.rules), text_(text), progress_(progress) {}

  void run() {
    std::size_t pos = 0;
    // The hook is called where the scanner stands between two tokens, so that the counts
    // it leaves, should it throw, are those of a text that ends there.
    std::size_t next_look = state_.until_look;
    while (pos < text_.size()) {
      if (pos >= next_look) [[unlikely]] {
        progress_();
        next_look = pos + WordTally::State::kBytesPerLook;
      }
      const unsigned char byte = static_cast<unsigned char>(text_[pos]);
      if (byte < 0x80 && state_.passes[byte]) {
        ++pos;
        continue;
      }
      const Read at = read(pos);
      if (at.cp == CountingRules::kDropped) {
        pos += at.size;
      } else if (at.cls & kWord) {
        pos = at_word(pos, at);
      } else {
        pos = at_other(pos, at);
      }
    }
    const std::size_t read = text_.size() + WordTally::State::kBytesPerCall;
    state_.until_look = next_look > read ? next_look - read : 0;
  }

 private:
  Read read(std::size_t pos) const noexcept {
    const unsigned char lead = static_cast<unsigned char>(text_[pos]);
    if (lead < 0x80) return {lead, kAscii.of[lead], 1};
    const Decoded d = decode_utf8(text_.data() + pos);
    const char32_t folded = rules_.fold_code_point(d.cp);
    if (folded == CountingRules::kDropped) {
      return {folded, kWord, static_cast<std::uint8_t>(d.size)};
    }
    return {folded, character_class(folded), static_cast<std::uint8_t>(d.size)};
  }

  // The first code point at or after `pos` that the rules do not drop, and where it is.
  std::pair<Read, std::size_t> read_kept(std::size_t pos) const noexcept {
    while (pos < text_.size()) {
      const Read at = read(pos);
      if (at.cp != CountingRules::kDropped) return {at, pos};
      pos += at.size;
    }
    return {Read{0, 0, 0}, pos};
  }

  bool at_end(std::size_t pos) const noexcept { return pos >= text_.size(); }

  std::size_t at_word(std::size_t pos, const Read& first) {
    const CountingOptions& options = state_.options;
    if (!options.urls && starts_url(pos)) return end_of_chunk(pos);
    if (options.emoticons && may_be_emoticon(pos, first.cp)) {
      if (const std::size_t end = emoticon(pos, first.cp)) return end;
    }
    std::size_t end = pos + first.size;
    while (true) {
      Read at{};
      // Most words are ASCII letters: a tight loop over them first.
      while (!at_end(end)) {
        const unsigned char byte = static_cast<unsigned char>(text_[end]);
        if (byte >= 0x80 || !(kAscii.of[byte] & kWord)) break;
        ++end;
      }
      while (!at_end(end)) {
        at = read(end);
        if (!(at.cls & kWord)) break;
        end += at.size;
      }
      // One apostrophe or hyphen between two word characters joins them.
      if (at_end(end) || (at.cp != U'\'' && at.cp != U'-')) break;
      const auto [after, next] = read_kept(end + at.size);
      if (at_end(next) || !(after.cls & kWord)) break;
      end = next;
    }
    if (!options.emails && !at_end(end) && may_go_on_as_email(read(end).cp) &&
        pos >= no_email_before_) {
      if (const std::size_t email_end = email(pos)) return email_end;
    }
    state_.count_token(text_.substr(pos, end - pos), text_.size() - pos);
    return end;
  }

  std::size_t at_other(std::size_t pos, const Read& at) {
    const CountingOptions& options = state_.options;
    if (options.emoticons && may_be_emoticon(pos, at.cp)) {
      if (const std::size_t end = emoticon(pos, at.cp)) return end;
    }
    if (options.emoji && (at.cls & kEmoji)) return emoji(pos);
    if ((at.cp == U'@' && !options.handles) || (at.cp == U'#' && !options.hashtags)) {
      const std::size_t end = end_of_name(pos + 1);
      if (end > pos + 1) return end;
    }
    if (at.cp == U'&' && !options.entities) {
      if (const std::size_t end = entity(pos)) return end;
    }
    if (state_.negation && ends_clause(at.cp)) {
      state_.negation_event(WordTally::State::kClauseBreak);
    }
    return pos + at.size;
  }

  // Whether an emoticon may begin at `pos`, where the rules read `first`: a test of the
  // first two bytes, before the search.
  bool may_be_emoticon(std::size_t pos, char32_t first) const noexcept {
    if (first >= 128 || pos + 1 >= text_.size()) return rules_.may_begin_emoticon(first);
    return rules_.may_begin_emoticon(first, text_[pos + 1]);
  }

  // "http://", "https://", "ftp://" or "www." (in any ASCII case) at `pos`.
  bool starts_url(std::size_t pos) const noexcept {
    // Nearly every word fails on its first two letters.
    const char first = ascii_lower(text_[pos]);
    if (first != 'h' && first != 'f' && first != 'w') return false;
    if (text_.size() - pos < 4 || ascii_lower(text_[pos + 1]) != (first == 'w' ? 'w' : 't')) {
      return false;
    }
    static constexpr std::string_view kStarts[] = {"http://", "https://", "ftp://", "www."};
    for (const std::string_view start : kStarts) {
      if (text_.size() - pos < start.size()) continue;
      bool same = true;
      for (std::size_t i = 0; i < start.size() && same; ++i) {
        same = static_cast<char>(ascii_lower(text_[pos + i])) == start[i];
      }
      if (same) return true;
    }
    return false;
  }

  static char ascii_lower(char c) noexcept {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
  }

  std::size_t end_of_chunk(std::size_t pos) const noexcept {
    while (!at_end(pos)) {
      const Read at = read(pos);
      if (at.cls & kSpace) break;
      pos += at.size;
    }
    return pos;
  }

  // The end of a run of word characters and underscores from `pos` (a handle's name).
  std::size_t end_of_name(std::size_t pos) const noexcept {
    while (!at_end(pos)) {
      const Read at = read(pos);
      if (!(at.cls & kWord) && at.cp != U'_') break;
      pos += at.size;
    }
    return pos;
  }

  static bool is_local_mark(char32_t cp) noexcept {
    return cp == U'.' || cp == U'_' || cp == U'%' || cp == U'+' || cp == U'-';
  }
  static bool may_go_on_as_email(char32_t cp) noexcept {
    return cp == U'@' || is_local_mark(cp);
  }

  // The end of an e-mail address whose local part begins at `pos`, or 0: word characters
  // and . _ % + -, then @, then at least two labels of word characters and hyphens
  // separated by dots.
  std::size_t email(std::size_t pos) noexcept {
    while (!at_end(pos)) {
      const Read at = read(pos);
      if (!(at.cls & kWord) && !is_local_mark(at.cp)) break;
      pos += at.size;
    }
    // Whatever follows, a local part that begins further on ends here too, and fares alike.
    no_email_before_ = pos;
    if (at_end(pos) || text_[pos] != '@') return 0;
    ++pos;
    std::size_t labels = 0;
    std::size_t end = 0;
    while (true) {
      const std::size_t label = pos;
      while (!at_end(pos)) {
        const Read at = read(pos);
        if (!(at.cls & kWord) && at.cp != U'-') break;
        pos += at.size;
      }
      if (pos == label) break;
      ++labels;
      end = pos;
      if (at_end(pos) || text_[pos] != '.') break;
      ++pos;
    }
    return labels >= 2 ? end : 0;
  }

  // The end of an HTML entity at `pos` (&name; &#digits; &#xhex;), or 0.
  std::size_t entity(std::size_t pos) const noexcept {
    std::size_t p = pos + 1;
    const auto is_digit = [](char c) { return c >= '0' && c <= '9'; };
    const auto is_hex = [&](char c) {
      return is_digit(c) || (ascii_lower(c) >= 'a' && ascii_lower(c) <= 'f');
    };
    const auto is_letter = [](char c) { return ascii_lower(c) >= 'a' && ascii_lower(c) <= 'z'; };
    if (!at_end(p) && text_[p] == '#') {
      ++p;
      if (!at_end(p) && ascii_lower(text_[p]) == 'x') {
        ++p;
        const std::size_t digits = p;
        while (!at_end(p) && is_hex(text_[p])) ++p;
        return !at_end(p) && p > digits && text_[p] == ';' ? p + 1 : 0;
      }
      const std::size_t digits = p;
      while (!at_end(p) && is_digit(text_[p])) ++p;
      return !at_end(p) && p > digits && text_[p] == ';' ? p + 1 : 0;
    }
    const std::size_t letters = p;
    while (!at_end(p) && is_letter(text_[p])) ++p;
    return !at_end(p) && p > letters && text_[p] == ';' ? p + 1 : 0;
  }

  // The end of the longest emoticon of the list at `pos`, whose first code point is
  // `first` (counted), or 0.
  std::size_t emoticon(std::size_t pos, char32_t first) {
    const Emoticon* best = nullptr;
    std::size_t best_end = 0;
    // The text's second byte, when it is ASCII, turns most candidates away at once.
    const char second = pos + 1 < text_.size() ? ascii_lower(text_[pos + 1]) : '\0';
    const bool second_ascii = static_cast<unsigned char>(second) < 0x80 && first < 0x80;
    for (const Emoticon& e : rules_.emoticons_beginning(first)) {
      std::size_t end = 0;
      if (e.unit == 0 && second_ascii && e.match.size() >= 2 && e.match[1] != second) {
        continue;
      }
      if (e.unit != 0) {
        std::size_t p = pos;
        std::size_t repeats = 0;
        while (!at_end(p)) {
          const auto [at, where] = read_kept(p);
          if (at_end(where) || at.cp == 0 || ascii_lower_cp(at.cp) != e.unit) break;
          p = where + at.size;
          ++repeats;
        }
        if (repeats >= 2) end = p;
      } else {
        end = matched_end(pos, e);
      }
      // The longest; of forms alike but for case, the list's first, so that a text counts
      // alike whether or not it was lower-cased before it got here.
      if (end == 0 || end <= best_end) continue;
      if (e.ends_in_word) {
        const auto [after, where] = read_kept(end);
        if (!at_end(where) && (after.cls & kWord)) continue;
      }
      best = &e;
      best_end = end;
    }
    if (best == nullptr || enclosed(pos, best_end, *best)) return 0;
    state_.count_emoticon(*best);
    return best_end;
  }

  // The end of the emoticon `e` written at `pos`, or 0: its characters as the scanner reads
  // the text (a typographic apostrophe or hyphen as the ASCII one, a letter in any ASCII
  // case, a code point that the rules drop passed over).
  std::size_t matched_end(std::size_t pos, const Emoticon& e) const noexcept {
    std::size_t p = pos;
    for (std::size_t i = 0; i < e.match.size();) {
      if (at_end(p)) return 0;
      if (static_cast<unsigned char>(text_[p]) < 0x80) {
        if (ascii_lower(text_[p]) != e.match[i]) return 0;
        ++p;
        ++i;
        continue;
      }
      const Read at = read(p);
      p += at.size;
      if (at.cp == CountingRules::kDropped) continue;
      const Decoded wanted = decode_utf8(e.match.data() + i);
      if (at.cp != wanted.cp) return 0;
      i += wanted.size;
    }
    return p;
  }

  // How far back an emoticon that ends in a closing bracket looks for the opening one.
  static constexpr int kBracketReach = 32;

  // Whether the emoticon `e` at [pos, end) is none for what stands around it: a word
  // character on both sides ("a:)b"), or a closing bracket that closes one opened before it
  // in the same run of text ("[[:space:]]", "f(x:)"): an opening bracket of its kind within
  // kBracketReach characters back, before any white space or closing bracket of its kind.
  bool enclosed(std::size_t pos, std::size_t end, const Emoticon& e) const noexcept {
    std::size_t back = pos;
    const auto previous = [&]() -> Read {  // the code point before `back`, kept ones only
      while (back > 0) {
        do {
          --back;
        } while (back > 0 && (static_cast<unsigned char>(text_[back]) & 0xC0) == 0x80);
        const Read at = read(back);
        if (at.cp != CountingRules::kDropped) return at;
      }
      return Read{0, 0, 0};
    };
    const Read before = previous();
    if (before.size != 0 && (before.cls & kWord)) {
      const auto [after, where] = read_kept(end);
      if (!at_end(where) && (after.cls & kWord)) return true;
    }
    static constexpr std::string_view kClosers = ")]}>";
    static constexpr std::string_view kOpeners = "([{<";
    const std::size_t kind = kClosers.find(e.match.back());
    if (kind == std::string_view::npos) return false;
    // Byte by byte, as the brackets and most of what stops the look are ASCII. The look
    // stops at a closing bracket of the same kind, too: so a run of emoticons (":):):)")
    // looks back one character at each.
    const char closer = kClosers[kind];
    const char opener = kOpeners[kind];
    int seen = 0;
    for (std::size_t q = pos; q > 0 && seen < kBracketReach;) {
      const unsigned char byte = static_cast<unsigned char>(text_[--q]);
      if (byte >= 0x80) {
        if ((byte & 0xC0) == 0x80) continue;  // inside a code point: its lead comes next
        const Read at = read(q);
        if (at.cp == CountingRules::kDropped) continue;
        if (at.cls & kSpace) return false;
      } else if (kAscii.of[byte] & kSpace) {
        return false;
      } else if (static_cast<char>(byte) == closer) {
        return false;
      } else if (static_cast<char>(byte) == opener) {
        return true;
      }
      ++seen;
    }
    return false;
  }

  static char32_t ascii_lower_cp(char32_t cp) noexcept {
    return cp >= 'A' && cp <= 'Z' ? cp + 32 : cp;
  }

  // Counts the emoji sequence at `pos` and returns its end: pictographs (or pairs of
  // regional indicators) joined by U+200D, without variation selectors and skin tones.
  std::size_t emoji(std::size_t pos) {
    std::string& written = state_.emoji_written;
    written.clear();
    while (true) {
      Read at = read(pos);
      append_utf8(written, at.cp);
      pos += at.size;
      if (is_regional_indicator(at.cp) && !at_end(pos)) {
        const Read second = read(pos);
        if (is_regional_indicator(second.cp)) {
          append_utf8(written, second.cp);
          pos += second.size;
        }
      }
      while (!at_end(pos)) {
        const Read modifier = read(pos);
        if (!(modifier.cls & kEmojiModifier)) break;
        if (modifier.cp == 0x20E3 || modifier.cp >= 0xE0020) append_utf8(written, modifier.cp);
        pos += modifier.size;
      }
      if (at_end(pos) || read(pos).cp != 0x200D) break;
      const std::size_t after = pos + read(pos).size;
      if (at_end(after) || !(read(after).cls & kEmoji)) break;
      append_utf8(written, 0x200D);
      pos = after;
    }
    state_.count_whole(written);
    return pos;
  }

  static bool is_regional_indicator(char32_t cp) noexcept {
    return cp >= 0x1F1E6 && cp <= 0x1F1FF;
  }

  WordTally::State& state_;
  const CountingRules& rules_;
  std::string_view text_;
  const shift::Progress& progress_;
  // Every token that begins before this position is no e-mail address: its local part runs
  // to the same place as the last one tried, which had no domain after it. (Each word of
  // "a.a.a.a..." would otherwise read the whole run again.)
  std::size_t no_email_before_ = 0;
};

void WordTally::State::add(std::string_view text, bool goes_on, const shift::Progress& progress) {
  Scan(*this, text, progress).run();
  if (!goes_on) {
    settle_phrases(true);
    // No negator reaches into the next text.
    if (negation) negation_event(kClauseBreak);
  }
}

void WordTally::State::count_token(std::string_view token, std::size_t readable) {
  if (negation) [[unlikely]] {
    if (const int needed = rules->negation()->elided_needed(token); needed >= 0) {
      negation_event(needed);
    }
  }
  const Meaning* meaning = nullptr;
  if (token.size() <= ShortTokens<Meaning>::kLongest) {
    const auto key = ShortTokens<Meaning>::key_of(token, readable);
    meaning = known_short.find(key);
    if (meaning == nullptr) meaning = &known_short.insert(key, resolve(token));
  } else {
    const std::uint64_t hash = types::hash_word(token);
    meaning = known.find(token, hash);
    if (meaning == nullptr) {
      const Meaning fresh = resolve(token);
      meaning = known.find_or_insert_if(
          token, hash, [&fresh] { return std::optional<Meaning>(fresh); },
          [this](std::string_view key) { return keep(key); });
    }
  }
  if (meaning->single) {  // at once, unless a phrase is pending
    if (pending.empty()) {
      count_word(meaning->first);
    } else {
      count(meaning->first);
    }
    return;
  }
  for (std::uint32_t i = 0; i < meaning->size; ++i) count(resolved[meaning->first + i]);
}

Meaning WordTally::State::resolve(std::string_view token) {
  // The token as the rules read it: folded, and lowered where the lexicon is lower-case.
  form.clear();
  for_each_code_point(token, [this](char32_t cp) {
    const char32_t folded = rules->fold_code_point(cp);
    if (folded != CountingRules::kDropped) append_utf8(form, folded);
  });
  if (rules->lower_case() && has_capitals(form)) {
    std::string lowered;
    append_lowered(form, lowered);
    form = std::move(lowered);
  }
  scratch.clear();
  rules->words_of(form, scratch);
  const std::size_t size = scratch.words.size() + scratch.han_runs.size();
  if (scratch.words.size() == 1 && scratch.han_runs.empty()) {
    const Id id = intern(scratch.words.front(), words, word_counts);
    if (rules->phrases().empty() || !starts_phrase[id]) return Meaning{id, 1, 1};
  }
  const Meaning meaning{static_cast<std::uint32_t>(resolved.size()),
                        static_cast<std::uint32_t>(size), 0};
  // The parts of a long joined token often repeat ("ha-ha-ha"): the same word as the one
  // before it is not looked up again.
  const std::string* previous = nullptr;
  for (const std::string& word : scratch.words) {
    const bool same = previous != nullptr && *previous == word;
    resolved.push_back(same ? resolved.back() : intern(word, words, word_counts));
    previous = &word;
  }
  for (const std::string& run : scratch.han_runs) {
    resolved.push_back(intern(run, han_runs, han_counts) | kHanRun);
  }
  return meaning;
}

Id WordTally::State::intern(std::string_view word, types::FlatMap<std::string, Id>& map,
                            std::vector<std::uint64_t>& counts) {
  const Id id = static_cast<Id>(counts.size());
  const Id found = map.find_or_insert(word, id);
  if (found == id) {
    counts.push_back(0);
    if (&map == &words) {
      const PhraseTrie& trie = rules->phrases();
      phrase_word.push_back(trie.number_of(word));
      starts_phrase.push_back(trie.next(0, phrase_word.back()) != PhraseTrie::kNone);
    }
  }
  return found;
}

void WordTally::State::count(Id id) {
  if (id & kHanRun) {
    // A Han run is no word of the phrase list (Chinese phrases go to the segmenter).
    settle_phrases(true);
    const Id run = id & ~kHanRun;
    if (han_counts[run]++ == 0) touched_han.push_back(run);
    return;
  }
  // A word that begins no phrase, with none pending before it, counts on its own at once.
  if (rules->phrases().empty() || (pending.empty() && !starts_phrase[id])) {
    count_word(id);
    return;
  }
  if (pending.size() == 1 &&
      rules->phrases().next(pending_node, phrase_word[id]) == PhraseTrie::kNone) {
    // The common case, a word that begins a phrase and one that does not go on with it
    // ("the" of "the likes of", then "day"): the first counts on its own, and the second as
    // if it came first.
    count_word(pending.front());
    pending.clear();
    count(id);
    return;
  }
  offer_to_phrase(id);
}

void WordTally::State::offer_to_phrase(Id id) {
  pending.push_back(id);
  settle_phrases(false);
}

// Counts the pending words that no longer can begin a longer phrase: at the head, the
// longest listed phrase counts as one word, or else the first word on its own.
void WordTally::State::settle_phrases(bool text_ends) {
  const PhraseTrie& trie = rules->phrases();
  while (!pending.empty()) {
    std::uint32_t node = 0;
    std::size_t longest = 0;
    std::int32_t phrase = -1;
    std::size_t walked = 0;
    bool open = true;  // the walk used every pending word and may go on
    for (; walked < pending.size(); ++walked) {
      const std::uint32_t next = trie.next(node, phrase_word[pending[walked]]);
      if (next == PhraseTrie::kNone) {
        open = false;
        break;
      }
      node = next;
      if (trie.nodes[node].phrase >= 0) {
        longest = walked + 1;
        phrase = trie.nodes[node].phrase;
      }
    }
    if (open && trie.nodes[node].next.empty()) open = false;
    if (open && !text_ends) {
      pending_node = node;
      return;
    }
    if (longest > 1) {
      count_word(intern(trie.phrases[static_cast<std::size_t>(phrase)], words, word_counts),
                 longest);
      pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(longest));
    } else {
      count_word(pending.front());
      pending.erase(pending.begin());
    }
  }
}

}  // namespace moodvane::text
