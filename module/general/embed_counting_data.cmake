# Writes SOURCE: the word counter's data files of DATA_DIR (FILES, names separated by commas,
# any of them possibly missing: a missing file embeds as empty) as byte arrays, with a
# lookup by file name. Run by module/general/CMakeLists.txt at build time.
string(REPLACE "," ";" FILES "${FILES}")
set(arrays "")
set(lookups "")
set(index 0)
foreach(name IN LISTS FILES)
  set(path ${DATA_DIR}/${name})
  set(bytes "")
  set(size 0)
  if(EXISTS ${path})
    file(READ ${path} hex HEX)
    string(LENGTH "${hex}" digits)
    math(EXPR size "${digits} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  endif()
  string(APPEND arrays "const char kData${index}[] = {${bytes} 0};\n")
  string(APPEND lookups "  if (name == \"${name}\") return {kData${index}, ${size}};\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${SOURCE} "// Generated from lexicons/data by embed_counting_data.cmake; do not edit.
#include <string_view>

namespace moodvane::general_module {
namespace {
// clang-format off
${arrays}// clang-format on
}  // namespace

// The embedded file `name` of lexicons/data, empty when it was missing at build time.
std::string_view embedded_counting_data(std::string_view name) noexcept {
${lookups}  return {};
}

}  // namespace moodvane::general_module
")
