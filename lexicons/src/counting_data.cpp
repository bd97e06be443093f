#include "moodvane/counting_data.hpp"

#include <algorithm>
#include <string>

#include "data_files.hpp"
#include "moodvane/chinese_dictionary.hpp"

namespace moodvane::lexicons {
namespace {

// The languages whose words follow rules of their own, by lexicon key.
text::Language language_of(std::string_view key) noexcept {
  if (key == "chinese") return text::Language::chinese;
  if (key == "english") return text::Language::english;
  if (key == "french") return text::Language::french;
  if (key == "hindi") return text::Language::hindi;
  if (key == "korean") return text::Language::korean;
  return text::Language::other;
}

}  // namespace

std::vector<std::string> lines_of(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (!line.empty()) lines.emplace_back(line);
    text.remove_prefix(std::min(text.size(), end + 1));
  }
  return lines;
}

text::RulesData counting_rules_data(std::string_view key, bool native_chinese, bool negation) {
  text::RulesData data;
  data.language = language_of(key);
  // Built on the first run of Han characters, in a count, with the lock released.
  if (data.language == text::Language::chinese && native_chinese) {
    data.chinese_segmenter = &chinese_segmenter;
  }
  data.phrases = lines_of(data_file(std::string(key) + ".phrases.txt"));
  data.emoticons = lines_of(data_file("emoticons.txt"));
  if (negation) data.negation = text::negation_of(data_file("negators.txt"), key);
  return data;
}

}  // namespace moodvane::lexicons
