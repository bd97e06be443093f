#include "docs.hpp"

#include <cstddef>
#include <string_view>

namespace moodvane::module {

namespace {

constexpr char kModule[] = "Python module: `import moodvane`";

constexpr char kShift[] =
    "weighted_avg_shift(type2freq_1, type2freq_2, lexicon=\"senTX_English\", "
    "reference_value=None, top_n=0, stop_lens=None, stop_words=None)\n"
    "--\n"
    "\n"
    "Compute a weighted-average word shift between two texts using a bundled\n"
    "senTX lexicon.\n"
    "\n"
    "Args:\n"
    "    type2freq_1: dict mapping word -> frequency for the reference system.\n"
    "    type2freq_2: dict mapping word -> frequency for the comparison system.\n"
    "    lexicon: senTX language, e.g. \"senTX_English\" or \"English\" (default\n"
    "        \"senTX_English\").\n"
    "    reference_value: None (default) uses system 1's weighted-average score\n"
    "        as the baseline; \"average\" is equivalent; or pass a float for a\n"
    "        fixed reference (senTX's neutral midpoint is 5.0).\n"
    "    top_n: cap the returned per-word entries (0 = all). Component sums are\n"
    "        always computed over the full vocabulary.\n"
    "    stop_lens: None (default) keeps every scored word; pass a (lo, hi) tuple\n"
    "        to drop neutral words whose score falls in the closed interval\n"
    "        [lo, hi] before the shift is computed (Trellisgram's lens, commonly\n"
    "        (4, 6) on the senTX scale). Bounds may be given in either order.\n"
    "    stop_words: None (default) or a set of words to exclude from the\n"
    "        calculation entirely, regardless of their score.\n"
    "\n"
    "Returns:\n"
    "    dict with keys: entries (list of {type, p_diff, s_diff, p_avg,\n"
    "    s_ref_diff, shift_score}), component_sums, total_diff, norm, s_avg_1,\n"
    "    s_avg_2, reference_value, normalization.";

constexpr char kShiftCustom[] =
    "weighted_avg_shift_custom(type2freq_1, type2freq_2, scores, reference_value=None, "
    "top_n=0, stop_lens=None, stop_words=None)\n"
    "--\n"
    "\n"
    "Compute a weighted-average word shift with a caller-supplied score lexicon.\n"
    "\n"
    "Same as `weighted_avg_shift` but takes an explicit `scores` dict\n"
    "(word -> score) instead of a bundled senTX language. Words present in the\n"
    "texts but missing from `scores` are excluded.\n"
    "\n"
    "Args:\n"
    "    type2freq_1: dict word -> frequency (reference system).\n"
    "    type2freq_2: dict word -> frequency (comparison system).\n"
    "    scores: dict word -> score.\n"
    "    reference_value: None/\"average\" (system 1 mean) or a float.\n"
    "    top_n: cap on returned entries (0 = all).\n"
    "    stop_lens: None (default) or a (lo, hi) tuple; drops words scored inside\n"
    "        the closed interval [lo, hi] before computing the shift. Bounds may\n"
    "        be given in either order.\n"
    "    stop_words: None (default) or a set of words to exclude from the\n"
    "        calculation entirely, regardless of their score.";

constexpr std::size_t count_lines(std::string_view text) {
  std::size_t lines = 1;
  for (const char c : text) lines += c == '\n' ? 1 : 0;
  return lines;
}

// The signature line is parsed by the interpreter and both strings are published as they
// stand; a stray edit here would change the documented interface.
static_assert(std::string_view(kShift).size() == 1428 && count_lines(kShift) == 27);
static_assert(std::string_view(kShiftCustom).size() == 972 && count_lines(kShiftCustom) == 20);

}  // namespace

const char* const kModuleDoc = kModule;
const char* const kWeightedAvgShiftDoc = kShift;
const char* const kWeightedAvgShiftCustomDoc = kShiftCustom;

}  // namespace moodvane::module
