// What the word counter needs of a built-in lexicon besides its words: the rules of its
// language, its phrases, the emoticons, and for Chinese the segmenter. The lexicon's words
// (and whether they are all lower case) are the caller's to give: a caller may count for
// a lexicon of its own under a built-in key.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "moodvane/text/word_counting.hpp"

namespace moodvane::lexicons {

// The counting rules of the lexicon `key`, without its words: the language's rules (a key
// that is no built-in lexicon's counts by the rules every other language shares), the
// phrases and emoticons carried in the library, and for Chinese, when `native_chinese`, the
// native segmenter (else the runs of Han characters are left to the caller). With
// `negation`, the language's negators too (lexicons/data/negators.txt), which a tally of the
// rules then counts negated words by.
text::RulesData counting_rules_data(std::string_view key, bool native_chinese = true,
                                    bool negation = false);

// The lines of a text, without the empty ones and without a carriage return at the end.
std::vector<std::string> lines_of(std::string_view text);

}  // namespace moodvane::lexicons
