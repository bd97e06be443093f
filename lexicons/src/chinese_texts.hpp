// The texts behind the Chinese segmenter, embedded at build time by embed_texts.cmake.
#pragma once

#include <string_view>

namespace moodvane::lexicons::embedded {

std::string_view chinese_dictionary_text() noexcept;
// One phrase a line; empty when the lexicon has no phrase file.
std::string_view chinese_phrases_text() noexcept;

}  // namespace moodvane::lexicons::embedded
