#include "moodvane/catalogue.hpp"

#include <algorithm>
#include <array>
#include <cstddef>

#include "data_files.hpp"
#include "moodvane/ascii.hpp"
#include "moodvane/debug_quote.hpp"

namespace moodvane::lexicons {
namespace {

// Indexed by LexiconId.
constexpr std::array<std::string_view, kLexiconCount> kKeys = {
#define MOODVANE_LEXICON_KEY(key) #key,
    MOODVANE_LEXICONS(MOODVANE_LEXICON_KEY)
#undef MOODVANE_LEXICON_KEY
};

// The lexicons' texts among the data files, indexed by LexiconId.
constexpr std::array<std::string_view, kLexiconCount> kTextFiles = {
#define MOODVANE_LEXICON_FILE(key) #key ".tsv",
    MOODVANE_LEXICONS(MOODVANE_LEXICON_FILE)
#undef MOODVANE_LEXICON_FILE
};

constexpr std::string_view kPrefix = "senTX_";

constexpr std::size_t kLongestKey = std::ranges::max(kKeys, {}, &std::string_view::size).size();

std::unexpected<std::string> unknown_lexicon(std::string_view name) {
  return std::unexpected("unknown senTX lexicon: " + debug_quote(name));
}

}  // namespace

std::string_view lexicon_key(LexiconId id) noexcept {
  const auto index = static_cast<std::size_t>(id);
  return index < kLexiconCount ? kKeys[index] : std::string_view();
}

std::string_view lexicon_text(LexiconId id) noexcept {
  const auto index = static_cast<std::size_t>(id);
  if (index >= kLexiconCount) return {};
  return data_file(kTextFiles[index]);
}

std::expected<LexiconId, std::string> resolve_lexicon(std::string_view name) {
  // The prefix is compared with its case, before lower-casing, and removed once at most.
  std::string_view rest = name;
  if (rest.starts_with(kPrefix)) rest.remove_prefix(kPrefix.size());
  // No key is longer, so longer names need no lower-case copy at all.
  if (rest.empty() || rest.size() > kLongestKey) return unknown_lexicon(name);

  std::array<char, kLongestKey> lower;
  std::ranges::transform(rest, lower.begin(), ascii_lower);
  const std::string_view folded(lower.data(), rest.size());
  for (std::size_t index = 0; index < kLexiconCount; ++index) {
    if (kKeys[index] == folded) return static_cast<LexiconId>(index);
  }
  return unknown_lexicon(name);
}

}  // namespace moodvane::lexicons
