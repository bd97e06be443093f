// Negation in a tally: which words negate, and the window that carries a negator's reach
// to the scored word it negates ("not very good" counts "not good" in place of "good").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "../flat_map.hpp"
#include "moodvane/text/word_counting.hpp"

namespace moodvane::text {

// Whether `cp` ends a clause, and with it any negator's reach: . ! ? ; : , and their
// full-width and CJK forms, the Devanagari danda and double danda, the ellipsis.
bool ends_clause(char32_t cp) noexcept;

// A language's negators as a tally looks them up, once for each distinct word it counts.
class NegationRules {
 public:
  NegationRules(Negation negation, Language language);

  // The negator that `word` is, or null.
  const Negator* negator(std::string_view word) const noexcept;
  const std::vector<Negator>& negators() const noexcept { return negation_.negators; }
  const std::string& canonical() const noexcept { return negation_.canonical; }
  // The number of the word that some negator needs (French ne), or -1.
  int needed(std::string_view word) const noexcept;
  // The number of the needed word that `token`, as written, carries elided onto it (the
  // n' of French n'est), or -1.
  int elided_needed(std::string_view token) const noexcept;
  // Whether some negator negates the word before it, of either kind.
  bool negates_before(Negator::Before kind) const noexcept {
    return kind == Negator::Before::word ? before_word_ : before_ji_;
  }
  // The number of the word that `negator` needs, or -1.
  int needs(const Negator& negator) const noexcept;

 private:
  Negation negation_;
  Language language_;
  types::FlatMap<std::string, std::uint32_t> exact_;  // word → index in negators
  std::vector<std::uint32_t> prefixed_;  // the negators that end in '*'
  std::vector<std::string> needed_;  // distinct words that negators need
  bool before_word_ = false;
  bool before_ji_ = false;
};

// One tally's negation: each word the tally counts passes through `word`, in text order,
// and the window counts it, or its negated token, or holds it back until the next word
// tells whether a negator follows it (Hindi खुश नहीं, Korean 좋지 않다). It keeps what
// it knows of each distinct word by the word's id, so each word is looked at once.
class NegationWindow {
 public:
  using Id = std::uint32_t;
  static constexpr Id kNone = 0xFFFFFFFF;

  // What the window needs of the tally it counts for.
  class Tally {
   public:
    virtual std::string word(Id id) const = 0;
    virtual Id intern(std::string_view word) = 0;
    virtual void count(Id id) = 0;
    virtual bool scores(std::string_view word) const = 0;

   protected:
    ~Tally() = default;
  };

  NegationWindow(const NegationRules& rules, Tally& tally) : rules_(rules), tally_(tally) {}

  // The next word, as the tally counts it (a phrase as one).
  void word(Id id);
  // A needed word written elided onto the next word (French n'), which counts as seen.
  void needed_word(int number) noexcept;
  // The end of a clause or of the text: a held word counts as itself, and no negator
  // reaches past it.
  void clause_break();

 private:
  enum Flags : std::uint8_t {
    kKnown = 1,
    kScored = 2,
    kNegator = 4,
    kNeeded = 8,
    kJi = 16,  // ends in 지 and is or has a scored 다 form
  };
  struct Info {
    std::uint8_t flags = 0;
    std::int8_t needed = -1;  // the needed word it is
    std::uint32_t negator = 0;  // index in the rules' negators
    Id target = kNone;  // kJi: the id of its scored form
    Id negated = kNone;  // the id of its negated token, once made
  };

  Info info_of(Id id);
  Info classify(Id id);
  Id negated(Id id);
  bool may_negate(const Negator& negator) const noexcept;

  const NegationRules& rules_;
  Tally& tally_;
  std::vector<Info> info_;  // by word id
  std::uint32_t left_ = 0;  // words the open window still reaches
  Id held_ = kNone;
  Info held_info_;
  std::uint64_t needs_seen_ = 0;  // bit n: needed word n came in this clause
};

}  // namespace moodvane::text
