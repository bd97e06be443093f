// The data files carried in the library, generated at build time by embed_files.cmake from
// lexicons/data: nothing is read at run time.
#pragma once

#include <string_view>

namespace moodvane::lexicons {

// The file `name` of lexicons/data (for example "english.tsv", "emoticons.txt"); empty
// when it is not carried or was an optional file missing at build time.
std::string_view data_file(std::string_view name) noexcept;

}  // namespace moodvane::lexicons
