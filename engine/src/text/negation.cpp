// Negation: the negators table, the rules a tally looks words up in, and the window.
#include "negation.hpp"

#include <algorithm>
#include <charconv>
#include <utility>

namespace moodvane::text {
namespace {

constexpr std::string_view kJiEnding = "지";
constexpr std::string_view kDaEnding = "다";

std::vector<std::string_view> fields_of(std::string_view line) {
  std::vector<std::string_view> fields;
  while (true) {
    const std::size_t tab = line.find('\t');
    fields.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    line.remove_prefix(tab + 1);
  }
}

}  // namespace

bool ends_clause(char32_t cp) noexcept {
  switch (cp) {
    case U'.': case U'!': case U'?': case U';': case U':': case U',':
    case 0x2026:  // …
    case 0x0964: case 0x0965:  // । ॥
    case 0x3001: case 0x3002:  // 、 。
    case 0xFF01: case 0xFF0C: case 0xFF0E: case 0xFF1A: case 0xFF1B: case 0xFF1F:  // ！，．：；？
    case 0xFF61: case 0xFF64:  // halfwidth 。 、
      return true;
    default:
      return false;
  }
}

Negation negation_of(std::string_view table, std::string_view language,
                     std::vector<std::string>* malformed) {
  Negation negation;
  std::string first_canonical;  // of `language`, to check the others against
  while (!table.empty()) {
    std::size_t end = table.find('\n');
    if (end == std::string_view::npos) end = table.size();
    std::string_view line = table.substr(0, end);
    table.remove_prefix(std::min(table.size(), end + 1));
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty() || line.starts_with('#') || line.starts_with("language\t")) continue;
    const std::vector<std::string_view> fields = fields_of(line);
    Negator negator;
    bool valid = fields.size() == 6 && !fields[1].empty() && !fields[2].empty();
    if (valid) {
      const std::string_view ahead = fields[3];
      const auto [end_of_number, error] =
          std::from_chars(ahead.data(), ahead.data() + ahead.size(), negator.ahead);
      valid = error == std::errc() && end_of_number == ahead.data() + ahead.size() &&
              negator.ahead <= 100;
      const std::string_view before = fields[4];
      if (before == "word") {
        negator.before = Negator::Before::word;
      } else if (before == "ji") {
        negator.before = Negator::Before::ji;
      } else {
        valid = valid && before == "-";
      }
    }
    if (valid && fields[0] == language) {
      if (negation.negators.empty()) negation.canonical = fields[2];
      // One canonical negator per language: its negated tokens are written one way.
      valid = fields[2] == negation.canonical;
      if (valid) {
        negator.word = fields[1];
        if (fields[5] != "-") negator.needs = fields[5];
        negation.negators.push_back(std::move(negator));
      }
    }
    if (!valid && malformed != nullptr) malformed->emplace_back(line);
  }
  return negation;
}

NegationRules::NegationRules(Negation negation, Language language)
    : negation_(std::move(negation)), language_(language) {
  for (std::uint32_t i = 0; i < negation_.negators.size(); ++i) {
    const Negator& negator = negation_.negators[i];
    if (negator.word.ends_with('*')) {
      prefixed_.push_back(i);
    } else {
      exact_.find_or_insert(negator.word, i);
    }
    before_word_ = before_word_ || negator.before == Negator::Before::word;
    before_ji_ = before_ji_ || negator.before == Negator::Before::ji;
    if (!negator.needs.empty() && needs(negator) < 0 && needed_.size() < 64) {
      needed_.push_back(negator.needs);
    }
  }
}

const Negator* NegationRules::negator(std::string_view word) const noexcept {
  if (const std::uint32_t* index = exact_.find(word)) return &negation_.negators[*index];
  for (const std::uint32_t index : prefixed_) {
    const std::string& pattern = negation_.negators[index].word;
    const std::string_view prefix(pattern.data(), pattern.size() - 1);
    if (word.size() > prefix.size() && word.starts_with(prefix)) {
      return &negation_.negators[index];
    }
  }
  return nullptr;
}

int NegationRules::needed(std::string_view word) const noexcept {
  for (std::size_t i = 0; i < needed_.size(); ++i) {
    if (needed_[i] == word) return static_cast<int>(i);
  }
  return -1;
}

int NegationRules::needs(const Negator& negator) const noexcept {
  return negator.needs.empty() ? -1 : needed(negator.needs);
}

int NegationRules::elided_needed(std::string_view token) const noexcept {
  // French writes ne as n' onto a verb that begins with a vowel (n'est, n'aime), and the
  // counter takes the elision off: the token as written is all that shows it. Its
  // apostrophe may be typographic (U+2019, U+02BC).
  if (language_ != Language::french || token.size() < 3 || (token[0] | 0x20) != 'n') {
    return -1;
  }
  const std::string_view rest = token.substr(1);
  if (!rest.starts_with('\'') && !rest.starts_with("\u2019") && !rest.starts_with("\u02BC")) {
    return -1;
  }
  return needed("ne");
}

bool NegationWindow::may_negate(const Negator& negator) const noexcept {
  const int needs = rules_.needs(negator);
  return negator.needs.empty() || (needs >= 0 && (needs_seen_ >> needs) & 1);
}

NegationWindow::Info NegationWindow::info_of(Id id) {
  if (id >= info_.size()) info_.resize(std::size_t{id} + 1);
  if (info_[id].flags & kKnown) return info_[id];
  const Info info = classify(id);  // may make new ids, so info_ is indexed afresh
  if (id >= info_.size()) info_.resize(std::size_t{id} + 1);
  info_[id] = info;
  return info;
}

NegationWindow::Info NegationWindow::classify(Id id) {
  Info info;
  info.flags = kKnown;
  const std::string word = tally_.word(id);
  if (const Negator* negator = rules_.negator(word)) {
    info.flags |= kNegator;
    info.negator = static_cast<std::uint32_t>(negator - rules_.negators().data());
  }
  if (const int needed = rules_.needed(word); needed >= 0) {
    info.flags |= kNeeded;
    info.needed = static_cast<std::int8_t>(needed);
  }
  if (tally_.scores(word)) info.flags |= kScored;
  if (rules_.negates_before(Negator::Before::ji) && word.size() > kJiEnding.size() &&
      word.ends_with(kJiEnding)) {
    // 좋지 않다: the word is not listed with 지 but with 다 (좋다), which is what its
    // negation is scored by.
    if (info.flags & kScored) {
      info.flags |= kJi;
      info.target = id;
    } else {
      std::string base = word.substr(0, word.size() - kJiEnding.size());
      base += kDaEnding;
      if (tally_.scores(base)) {
        info.flags |= kJi;
        info.target = tally_.intern(base);
      }
    }
  }
  return info;
}

NegationWindow::Id NegationWindow::negated(Id id) {
  if (id < info_.size() && info_[id].negated != kNone) return info_[id].negated;
  std::string token = rules_.canonical();
  token += ' ';
  token += tally_.word(id);
  const Id made = tally_.intern(token);
  if (id >= info_.size()) info_.resize(std::size_t{id} + 1);
  info_[id].negated = made;
  return made;
}

void NegationWindow::word(Id id) {
  const Info info = info_of(id);
  const Negator* negator =
      (info.flags & kNegator) ? &rules_.negators()[info.negator] : nullptr;
  if (negator != nullptr && !may_negate(*negator)) negator = nullptr;
  bool spent = false;  // the negator negated the word before it, and reaches no further
  if (held_ != kNone) {
    const Id held = std::exchange(held_, kNone);
    const bool reached =
        negator != nullptr &&
        ((negator->before == Negator::Before::word && (held_info_.flags & kScored)) ||
         (negator->before == Negator::Before::ji && (held_info_.flags & kJi)));
    if (reached) {
      tally_.count(negated(negator->before == Negator::Before::ji ? held_info_.target : held));
      spent = true;
    } else {
      tally_.count(held);
    }
  }
  if (negator != nullptr) {
    tally_.count(id);
    left_ = spent ? 0 : negator->ahead;  // a new window in place of any open one
    return;
  }
  if (info.flags & kNeeded) needs_seen_ |= std::uint64_t{1} << info.needed;
  if (left_ > 0) {
    --left_;
    if (info.flags & kScored) {
      left_ = 0;
      tally_.count(negated(id));
      return;
    }
  }
  const bool held_for_word =
      (info.flags & kScored) && rules_.negates_before(Negator::Before::word);
  if (held_for_word || (info.flags & kJi)) {
    held_ = id;
    held_info_ = info;
    return;
  }
  tally_.count(id);
}

void NegationWindow::needed_word(int number) noexcept {
  if (number >= 0) needs_seen_ |= std::uint64_t{1} << number;
}

void NegationWindow::clause_break() {
  if (held_ != kNone) tally_.count(std::exchange(held_, kNone));
  left_ = 0;
  needs_seen_ = 0;
}

}  // namespace moodvane::text
