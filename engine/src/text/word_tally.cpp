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
#include "word_rules.hpp"

namespace moodvane::text {
namespace {

using Id = std::uint32_t;
constexpr Id kHanRun = 0x80000000u;

struct Span {
  std::uint32_t first;
  std::uint32_t size;
};

// The class byte of each ASCII character, looked up without the two-stage table.
struct AsciiClasses {
  std::uint8_t of[128];
  AsciiClasses() noexcept {
    for (char32_t c = 0; c < 128; ++c) of[c] = character_class(c);
  }
};

}  // namespace

struct WordTally::State {
  explicit State(std::shared_ptr<const CountingRules> r) : rules(std::move(r)) {}

  std::shared_ptr<const CountingRules> rules;
  // Every word and Han run seen, with its id (its position in insertion order).
  types::FlatMap<std::string, Id> words;
  types::FlatMap<std::string, Id> han_runs;
  std::vector<std::uint64_t> word_counts;
  std::vector<std::uint64_t> han_counts;
  std::vector<Id> touched_words;
  std::vector<Id> touched_han;
  std::uint64_t tokens = 0;
  std::vector<Id> pending;  // words that may still begin a phrase

  // What each distinct token seen stands for. The tokens are copied into blocks of their
  // own: a lookup then compares bytes that sit together in the cache, not bytes anywhere in
  // a text of many megabytes.
  types::FlatMap<std::string_view, Span> known;
  std::vector<Id> resolved;
  std::vector<std::unique_ptr<char[]>> token_blocks;
  char* block_free = nullptr;
  std::size_t block_left = 0;
  TokenWords scratch;

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

  void add(std::string_view text);
  void count_token(std::string_view token);
  Span resolve(std::string_view token);
  Id intern(std::string_view word, types::FlatMap<std::string, Id>& map,
            std::vector<std::uint64_t>& counts);
  void count(Id id);
  void count_word(Id id) {
    if (word_counts[id]++ == 0) touched_words.push_back(id);
    ++tokens;
  }
  void offer_to_phrase(Id id);
  void settle_phrases(bool text_ends);
};

WordTally::WordTally(std::shared_ptr<const CountingRules> rules)
    : state_(std::make_unique<State>(std::move(rules))) {}
WordTally::~WordTally() = default;

void WordTally::add(std::string_view text) { state_->add(text); }

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

void WordTally::State::add(std::string_view text) {
  static const AsciiClasses ascii;
  const CountingRules& r = *rules;
  const char* const data = text.data();
  const std::size_t n = text.size();

  // The class of the code point at `pos` as the rules read it, its size, and whether the
  // rules read another code point there (or none: kDropped).
  struct Read {
    char32_t cp;
    std::uint8_t cls;
    std::uint8_t size;
    bool folded;
  };
  const auto read = [&](std::size_t pos) -> Read {
    const unsigned char lead = static_cast<unsigned char>(data[pos]);
    if (lead < 0x80) return {lead, ascii.of[lead], 1, false};
    const Decoded d = decode_utf8(data + pos);
    const char32_t folded = r.fold_code_point(d.cp);
    if (folded == CountingRules::kDropped) {
      return {folded, kWord, static_cast<std::uint8_t>(d.size), true};
    }
    return {folded, character_class(folded), static_cast<std::uint8_t>(d.size), folded != d.cp};
  };

  std::size_t pos = 0;
  while (pos < n) {
    Read at = read(pos);
    if (!(at.cls & kWord) || at.cp == CountingRules::kDropped) {
      pos += at.size;
      continue;
    }
    const std::size_t start = pos;
    bool folded = at.folded;
    pos += at.size;
    while (true) {
      while (pos < n) {
        at = read(pos);
        if (!(at.cls & kWord)) break;
        folded |= at.folded;
        pos += at.size;
      }
      // One apostrophe or hyphen between two word characters joins them.
      if (pos >= n || (at.cp != U'\'' && at.cp != U'-')) break;
      std::size_t next = pos + at.size;
      bool skipped = false;
      while (next < n) {
        const Read after = read(next);
        if (after.cp != CountingRules::kDropped) break;
        skipped = true;
        next += after.size;
      }
      if (next >= n || !(read(next).cls & kWord)) break;
      folded |= at.folded || skipped;
      pos = next;
    }
    const std::string_view raw = text.substr(start, pos - start);
    if (!folded) {
      count_token(raw);
      continue;
    }
    std::string token;
    token.reserve(raw.size());
    for_each_code_point(raw, [&](char32_t cp) {
      const char32_t f = r.fold_code_point(cp);
      if (f != CountingRules::kDropped) append_utf8(token, f);
    });
    count_token(token);
  }
  settle_phrases(true);
}

void WordTally::State::count_token(std::string_view token) {
  const std::uint64_t hash = types::hash_word(token);
  const Span* span = known.find(token, hash);
  Span fresh;
  if (span == nullptr) {
    fresh = resolve(token);
    known.find_or_insert_if(
        token, hash, [&fresh] { return std::optional<Span>(fresh); },
        [this](std::string_view key) { return keep(key); });
    span = &fresh;
  }
  for (std::uint32_t i = 0; i < span->size; ++i) count(resolved[span->first + i]);
}

Span WordTally::State::resolve(std::string_view token) {
  scratch.clear();
  rules->words_of(token, scratch);
  const Span span{static_cast<std::uint32_t>(resolved.size()),
                  static_cast<std::uint32_t>(scratch.words.size() + scratch.han_runs.size())};
  for (const std::string& word : scratch.words) {
    resolved.push_back(intern(word, words, word_counts));
  }
  for (const std::string& run : scratch.han_runs) {
    resolved.push_back(intern(run, han_runs, han_counts) | kHanRun);
  }
  return span;
}

Id WordTally::State::intern(std::string_view word, types::FlatMap<std::string, Id>& map,
                            std::vector<std::uint64_t>& counts) {
  const Id id = static_cast<Id>(counts.size());
  const Id found = map.find_or_insert(word, id);
  if (found == id) counts.push_back(0);
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
  if (rules->phrases().empty()) {
    count_word(id);
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
      const std::uint32_t* next = trie.nodes[node].next.find(words.entry(pending[walked]).first);
      if (next == nullptr) {
        open = false;
        break;
      }
      node = *next;
      if (trie.nodes[node].phrase >= 0) {
        longest = walked + 1;
        phrase = trie.nodes[node].phrase;
      }
    }
    if (open && trie.nodes[node].next.empty()) open = false;
    if (open && !text_ends) return;
    if (longest > 1) {
      count_word(intern(trie.phrases[static_cast<std::size_t>(phrase)], words, word_counts));
      pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(longest));
    } else {
      count_word(pending.front());
      pending.erase(pending.begin());
    }
  }
}

}  // namespace moodvane::text
