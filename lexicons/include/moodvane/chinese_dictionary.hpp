// The segmenter that counts the words of Chinese text for the built-in Chinese lexicon.
#pragma once

#include "moodvane/text/chinese_segmenter.hpp"

namespace moodvane::lexicons {

// jieba's dictionary (shipped as lexicons/data/chinese.dictionary.txt) with the Chinese
// lexicon's words and phrases (lexicons/data/chinese.phrases.txt, when there is one) added
// in code point order, so that it never cuts them. Built on the first call (about 0.3 s),
// then shared: safe on any thread, alive until the process ends.
const text::ChineseSegmenter& chinese_segmenter();

}  // namespace moodvane::lexicons
