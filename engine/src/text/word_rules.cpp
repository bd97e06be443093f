// What a token counts as: the token itself when the lexicon lists it, else the parts it is
// joined from, without French elisions, the English possessive, Korean particles and
// endings; runs of Han characters are left to a segmenter. Every rule is a loop: a token
// of any length takes time in proportion to its length, never stack depth.
#include "word_rules.hpp"

#include <algorithm>
#include <array>
#include <utility>

#include "moodvane/text/character_classes.hpp"
#include "moodvane/text/chinese_segmenter.hpp"
#include "moodvane/text/utf8.hpp"

namespace moodvane::text {
namespace {

enum class Script { han, hangul, other };

Script script_of(char32_t cp) noexcept {
  if ((cp >= 0x3400 && cp <= 0x9FFF) || (cp >= 0xF900 && cp <= 0xFAFF) ||
      (cp >= 0x20000 && cp <= 0x3134F)) {
    return Script::han;
  }
  if ((cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0x1100 && cp <= 0x11FF) ||
      (cp >= 0x3130 && cp <= 0x318F)) {
    return Script::hangul;
  }
  return Script::other;
}

bool has_letter(std::string_view token) noexcept {
  bool found = false;
  for_each_code_point(token, [&found](char32_t cp) {
    found = found || (character_class(cp) & kLetter) != 0;
  });
  return found;
}

bool is_ascii_letters(std::string_view token) noexcept {
  for (const char c : token) {
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
  }
  return !token.empty();
}

// French writes elided articles, pronouns and conjunctions onto the next word: the length
// of such a prefix with its apostrophe, or 0.
std::size_t french_elision(std::string_view token) noexcept {
  static constexpr std::array<std::string_view, 5> kLong = {"qu'", "jusqu'", "lorsqu'",
                                                            "puisqu'", "quoiqu'"};
  if (token.size() > 2 && token[1] == '\'' &&
      std::string_view("cdjlmnst").find(token[0]) != std::string_view::npos) {
    return 2;
  }
  for (const std::string_view prefix : kLong) {
    if (token.size() > prefix.size() && token.starts_with(prefix)) {
      return prefix.size();
    }
  }
  return 0;
}

// Korean case particles and postpositions, longest first.
constexpr std::array<std::string_view, 46> kParticles = {
    "입니다", "이에요", "이었다", "들에게", "에서", "에게", "께서", "한테", "으로", "까지",
    "부터",   "처럼",   "보다",   "이나",   "이랑", "하고", "이다", "이야", "예요", "였다",
    "들이",   "들을",   "들은",   "들의",   "마저", "조차", "밖에", "은",   "는",   "이",
    "가",     "을",     "를",     "에",     "께",   "의",   "도",   "만",   "과",   "와",
    "로",     "나",     "랑",     "요",     "야",   "들"};

// Forms a stem may be listed under once only a particle came off: the bare noun, or the
// dictionary form of an adjective whose modifier ending looked like a particle (좋은).
constexpr std::array<std::string_view, 2> kParticleForms = {"", "다"};

// Endings of verbs and adjectives built on 하다, 스럽다 and 되다, longest first, each with
// the forms of the same word its stem may be listed under. A noun never reaches an
// adjective this way (정당이 is no 정당하다, 강을 no 강한).
struct Ending {
  std::string_view text;
  std::array<std::string_view, 3> forms;
};
constexpr std::array<std::string_view, 3> kHada = {"", "하다", ""};
constexpr std::array<std::string_view, 3> kSeureopda = {"", "스럽다", "스러운"};
constexpr std::array<std::string_view, 3> kDoeda = {"", "되다", "된"};
constexpr std::array<Ending, 41> kEndings = {{
    {"스럽습니다", kSeureopda}, {"되었습니다", kDoeda}, {"했습니다", kHada},
    {"스러웠다", kSeureopda},   {"되었으며", kDoeda}, {"됐습니다", kDoeda},
    {"합니다", kHada},          {"했어요", kHada},   {"스럽다", kSeureopda},
    {"스러운", kSeureopda},     {"스럽게", kSeureopda}, {"스러워", kSeureopda},
    {"되었다", kDoeda},         {"됩니다", kDoeda},   {"되도록", kDoeda},
    {"했지만", kHada},          {"하다", kHada},     {"한다", kHada},
    {"했다", kHada},            {"해요", kHada},     {"해서", kHada},
    {"하고", kHada},            {"하게", kHada},     {"하면", kHada},
    {"하는", kHada},            {"했던", kHada},     {"하며", kHada},
    {"하여", kHada},            {"하니", kHada},     {"되다", kDoeda},
    {"된다", kDoeda},           {"됐다", kDoeda},    {"되는", kDoeda},
    {"되어", kDoeda},           {"한", kHada},       {"할", kHada},
    {"해", kHada},              {"했", kHada},       {"함", kHada},
    {"된", kDoeda},             {"돼", kDoeda},
}};

}  // namespace

namespace {

char32_t ascii_lower(char32_t cp) noexcept { return cp >= 'A' && cp <= 'Z' ? cp + 32 : cp; }

Emoticon emoticon_of(const std::string& written) {
  Emoticon e;
  e.written = written;
  std::vector<char32_t> cps;
  for_each_code_point(written, [&](char32_t cp) { cps.push_back(ascii_lower(cp)); });
  for (const char32_t cp : cps) append_utf8(e.match, cp);
  e.first = cps.front();
  if (cps.size() >= 2 && std::all_of(cps.begin(), cps.end(),
                                     [&](char32_t cp) { return cp == cps.front(); })) {
    e.unit = cps.front();
  }
  e.ends_in_word = (character_class(cps.back()) & kWord) != 0;
  return e;
}

}  // namespace

CountingRules::CountingRules(RulesData data)
    : language_(data.language),
      lower_case_(data.lower_case),
      words_(data.words.size()),
      chinese_segmenter_(data.chinese_segmenter) {
  for (std::string& word : data.words) {
    longest_word_ = std::max(longest_word_, word.size());
    words_.insert_or_assign(word, true);
  }
  phrases_.nodes.emplace_back();
  for (std::string& phrase : data.phrases) phrases_.add(std::move(phrase));
  for (const std::string& written : data.emoticons) {
    if (!written.empty()) emoticons_.push_back(emoticon_of(written));
  }
  group_emoticons();
  if (!data.negation.negators.empty()) {
    negation_ = std::make_unique<const NegationRules>(std::move(data.negation), language_);
  }
}

// Sorts the emoticons into groups by first code point, longest first in each (the list's
// order among equals), and notes each group and the second bytes that its members may have.
void CountingRules::group_emoticons() {
  std::stable_sort(emoticons_.begin(), emoticons_.end(), [](const Emoticon& a, const Emoticon& b) {
    if (a.first != b.first) return a.first < b.first;
    return a.match.size() > b.match.size();
  });
  for (std::size_t i = 0; i < emoticons_.size(); ++i) {
    emoticons_[i].index = static_cast<std::uint32_t>(i);
  }
  for (std::size_t i = 0; i < emoticons_.size();) {
    std::size_t end = i;
    while (end < emoticons_.size() && emoticons_[end].first == emoticons_[i].first) ++end;
    const EmoticonGroup group{static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(end)};
    if (emoticons_[i].first < 128) {
      emoticon_ascii_[emoticons_[i].first] = group;
      for (std::size_t e = i; e < end; ++e) {
        const Emoticon& emoticon = emoticons_[e];
        std::uint64_t* seconds = emoticon_seconds_[emoticon.first];
        if (emoticon.match.size() < 2) {
          seconds[0] = seconds[1] = ~std::uint64_t{0};
        } else {
          // A repeating emoticon goes on with its first character (or with a code point
          // that the rules drop, beyond ASCII, which every test lets through).
          const auto second = static_cast<unsigned char>(
              emoticon.unit != 0 ? static_cast<char>(emoticon.unit) : emoticon.match[1]);
          if (second >= 128) {
            seconds[0] = seconds[1] = ~std::uint64_t{0};
          } else {
            seconds[second / 64] |= std::uint64_t{1} << (second % 64);
          }
        }
      }
    } else {
      emoticon_other_.emplace_back(emoticons_[i].first, group);
      emoticon_other_blocks_ |= std::uint64_t{1} << ((emoticons_[i].first >> 8) & 63);
    }
    i = end;
  }
}

void PhraseTrie::add(std::string phrase) {
  std::uint32_t node = 0;
  std::size_t start = 0;
  while (start <= phrase.size()) {
    std::size_t end = phrase.find(' ', start);
    if (end == std::string::npos) end = phrase.size();
    const std::string_view word = std::string_view(phrase).substr(start, end - start);
    const auto fresh_number = static_cast<std::uint32_t>(word_numbers.size());
    const std::uint32_t number = word_numbers.find_or_insert(word, fresh_number);
    if (number == fresh_number) root_next.push_back(kNone);
    std::uint32_t child = next(node, number);
    if (child == kNone) {
      child = static_cast<std::uint32_t>(nodes.size());
      if (node == 0) {
        root_next[number] = child;
      } else {
        nodes[node].next.emplace_back(number, child);
      }
      nodes.emplace_back();
    }
    node = child;
    start = end + 1;
  }
  if (nodes[node].phrase < 0) {
    nodes[node].phrase = static_cast<std::int32_t>(phrases.size());
    phrases.push_back(std::move(phrase));
  }
}

std::shared_ptr<const CountingRules> make_counting_rules(RulesData data) {
  return std::make_shared<const CountingRules>(std::move(data));
}

void CountingRules::words_of(std::string_view token, TokenWords& out) const {
  if (is_ascii_letters(token)) {  // the common case: one plain word
    if (lower_case_ || listed(token)) {
      out.words.emplace_back(token);
    } else {
      joined(token, out);
    }
    return;
  }
  if (!has_letter(token)) return;  // a number
  // Chinese and Korean text often carries Latin names without a space ("iPhone很好"): the
  // token is cut where its script changes, a combining mark staying with what it follows.
  std::size_t run_start = 0;
  Script current = script_of(decode_utf8(token.data()).cp);
  const auto finish_run = [&](std::size_t end) {
    const std::string_view run = token.substr(run_start, end - run_start);
    if (current == Script::han && language_ == Language::chinese) {
      if (chinese_segmenter_ == nullptr) {
        out.han_runs.emplace_back(run);
        return;
      }
      std::vector<std::string_view> pieces;
      chinese_segmenter_().cut_keeping_added_words(run, pieces);
      for (const std::string_view piece : pieces) {
        if (has_letter(piece)) out.words.emplace_back(piece);
      }
    } else if (current == Script::hangul && language_ == Language::korean) {
      // A particle written onto a Latin word ("iPhone이") is no word of its own.
      if (!out.words.empty() && std::find(kParticles.begin(), kParticles.end(), run) !=
                                    kParticles.end()) {
        return;
      }
      std::size_t start = 0;
      while (start <= run.size()) {
        std::size_t end_of_part = run.find('-', start);
        if (end_of_part == std::string_view::npos) end_of_part = run.size();
        if (end_of_part > start) {
          out.words.push_back(korean_stem(run.substr(start, end_of_part - start)));
        }
        start = end_of_part + 1;
      }
    } else if (has_letter(run)) {
      joined(run, out);
    }
  };
  std::size_t pos = decode_utf8(token.data()).size;
  while (pos < token.size()) {
    const Decoded d = decode_utf8(token.data() + pos);
    if (!(character_class(d.cp) & kMark) && d.cp != U'\'' && d.cp != U'-') {
      const Script script = script_of(d.cp);
      if (script != current) {
        finish_run(pos);
        run_start = pos;
        current = script;
      }
    }
    pos += d.size;
  }
  finish_run(token.size());
}

std::string CountingRules::listed_form(std::string_view token) const {
  std::string form(token);
  if (!lower_case_ && !listed(form)) {
    // Only ASCII letters are lowered here: the built-in lexicons are all lower-case, and a
    // mixed-case lexicon of other scripts would need the interpreter's case tables.
    std::string lowered(form);
    for (char& c : lowered) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (listed(lowered)) return lowered;
  }
  // Russian lexicons, like most Russian print, write е for ё.
  static constexpr std::string_view kYo = "ё";
  static constexpr std::string_view kYe = "е";
  if (form.find(kYo) != std::string::npos) {
    std::string replaced;
    std::size_t start = 0;
    for (std::size_t at; (at = form.find(kYo, start)) != std::string::npos; start = at + kYo.size()) {
      replaced.append(form, start, at - start).append(kYe);
    }
    replaced.append(form, start);
    if (listed(replaced)) return replaced;
  }
  return form;
}

void CountingRules::joined(std::string_view whole, TokenWords& out) const {
  // Each step below costs the length of what it takes off, never that of the token: the
  // token is a view that elisions are taken from; it is looked at for a hyphen once (the
  // steps neither add nor remove one); and only a token no longer than the longest listed
  // word is copied into its listed forms, since a longer one has none.
  const bool hyphenated = whole.find('-') != std::string_view::npos;
  std::string_view token = whole;
  while (true) {
    if (token.size() <= longest_word_) {
      std::string form = listed_form(token);
      if (listed(form)) {
        out.words.push_back(std::move(form));
        return;
      }
    }
    if (hyphenated) {
      // The parts hold no hyphen, so this goes one level deep at most. A part the same as
      // the one before it ("ha-ha-ha") stands for the same words, copied rather than found
      // again.
      std::size_t start = 0;
      std::string_view last_part;
      std::size_t last_first = 0;
      std::size_t last_count = 0;
      while (start <= token.size()) {
        std::size_t end = token.find('-', start);
        if (end == std::string_view::npos) end = token.size();
        if (end > start) {
          const std::string_view part = token.substr(start, end - start);
          if (part == last_part) {
            for (std::size_t i = 0; i < last_count; ++i) {
              std::string word = out.words[last_first + i];  // before the vector may grow
              out.words.push_back(std::move(word));
            }
          } else {
            last_first = out.words.size();
            joined(part, out);
            last_part = part;
            last_count = out.words.size() - last_first;
          }
        }
        start = end + 1;
      }
      return;
    }
    if (token.find('\'') == std::string_view::npos) break;
    if (language_ == Language::french) {
      if (const std::size_t prefix = french_elision(token)) {
        token.remove_prefix(prefix);
        continue;
      }
    }
    if (language_ == Language::english && token.ends_with("'s") &&
        listed(token.substr(0, token.size() - 2))) {
      token.remove_suffix(2);
    }
    break;
  }
  out.words.emplace_back(token);
}

std::string CountingRules::korean_stem(std::string_view token) const {
  if (listed(token)) return std::string(token);
  // The token without one particle, then each candidate without one ending, in this order;
  // each candidate with the forms it may be listed under.
  struct Candidate {
    std::string_view stem;
    const std::string_view* forms;
    std::size_t form_count;
  };
  std::vector<Candidate> candidates;
  candidates.push_back({token, nullptr, 0});
  for (const std::string_view particle : kParticles) {
    if (token.size() > particle.size() && token.ends_with(particle)) {
      candidates.push_back({token.substr(0, token.size() - particle.size()),
                            kParticleForms.data(), kParticleForms.size()});
    }
  }
  const std::size_t without_endings = candidates.size();
  for (std::size_t i = 0; i < without_endings; ++i) {
    const std::string_view stem = candidates[i].stem;
    for (const Ending& ending : kEndings) {
      if (stem.size() > ending.text.size() && stem.ends_with(ending.text)) {
        const std::size_t forms = ending.forms[2].empty() ? 2 : 3;
        candidates.push_back(
            {stem.substr(0, stem.size() - ending.text.size()), ending.forms.data(), forms});
      }
    }
  }
  std::string form;
  for (std::size_t i = 1; i < candidates.size(); ++i) {
    for (std::size_t f = 0; f < candidates[i].form_count; ++f) {
      form.assign(candidates[i].stem).append(candidates[i].forms[f]);
      if (listed(form)) return form;
    }
  }
  return std::string(token);
}

}  // namespace moodvane::text
