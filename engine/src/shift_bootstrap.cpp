#include "moodvane/shift_bootstrap.hpp"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <vector>

#include "bootstrap_generator.hpp"

namespace moodvane::shift_bootstrap {
namespace {

using bootstrap::Generator;

// One text's documents as the draws read them: each document's scored total and summed
// score, and its counts of the words whose contributions are wanted, by output column.
struct Drawn {
  std::vector<double> totals;
  std::vector<double> sums;
  std::vector<std::uint32_t> starts;  // into columns/counts; a text's wanted counts < 2^32
  std::vector<std::int32_t> columns;
  std::vector<double> counts;

  Drawn(const Documents& text, const Vocabulary& vocabulary) {
    const std::size_t size = text.starts.size() - 1;
    totals.resize(size);
    sums.resize(size);
    starts.reserve(size + 1);
    starts.push_back(0);
    for (std::size_t d = 0; d < size; ++d) {
      double total = 0.0;
      double sum = 0.0;
      for (auto at = static_cast<std::size_t>(text.starts[d]);
           at < static_cast<std::size_t>(text.starts[d + 1]); ++at) {
        const auto word = static_cast<std::size_t>(text.words[at]);
        total += text.counts[at];
        sum += text.counts[at] * vocabulary.scores[word];
        if (vocabulary.columns[word] >= 0) {
          columns.push_back(vocabulary.columns[word]);
          counts.push_back(text.counts[at]);
        }
      }
      totals[d] = total;
      sums[d] = sum;
      starts.push_back(static_cast<std::uint32_t>(columns.size()));
    }
  }

  std::uint32_t size() const noexcept { return static_cast<std::uint32_t>(totals.size()); }
};

// Calls the progress hook about every 0.1 s: the clock is read every few thousand draws,
// which costs nothing next to them, and the hook (which may wait for the interpreter's
// lock) only when the time has come.
class Pacer {
 public:
  explicit Pacer(const shift::Progress& progress) noexcept
      : progress_(progress), last_(std::chrono::steady_clock::now()) {}

  void step(std::size_t draws) {
    pending_ += draws;
    if (pending_ < kDrawsBetweenClocks) return;
    pending_ = 0;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < kInterval) return;
    progress_();
    last_ = std::chrono::steady_clock::now();
  }

 private:
  static constexpr std::size_t kDrawsBetweenClocks = 1 << 14;
  static constexpr std::chrono::milliseconds kInterval{100};
  const shift::Progress& progress_;
  std::chrono::steady_clock::time_point last_;
  std::size_t pending_ = 0;
};

// Draws text's documents once: its scored total and summed score, and each column's count
// added into `tally` (which starts at zero).
void draw(const Drawn& text, Generator& generator, std::span<double> tally, double& total,
          double& sum) noexcept {
  const std::uint32_t size = text.size();
  double totals[2] = {0.0, 0.0};
  double sums[2] = {0.0, 0.0};
  const auto add = [&](std::uint32_t document, int lane) {
    totals[lane] += text.totals[document];
    sums[lane] += text.sums[document];
    for (std::uint32_t at = text.starts[document]; at < text.starts[document + 1]; ++at) {
      tally[static_cast<std::size_t>(text.columns[at])] += text.counts[at];
    }
  };
  std::uint32_t drawn = 0;
  for (; drawn + 2 <= size; drawn += 2) {
    std::uint32_t one = 0;
    std::uint32_t two = 0;
    generator.below_2(size, one, two);
    add(one, 0);
    add(two, 1);
  }
  if (drawn < size) add(generator.below(size), 0);
  total = totals[0] + totals[1];
  sum = sums[0] + sums[1];
}

}  // namespace

const char* check(const Documents& text_1, const Documents& text_2, const Vocabulary& vocabulary,
                  std::size_t n_boot, std::size_t out_size) noexcept {
  if (vocabulary.scores.size() != vocabulary.columns.size()) {
    return "the vocabulary's scores and columns differ in length";
  }
  if (vocabulary.column_count >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    return "too many columns";
  }
  std::vector<bool> taken(vocabulary.column_count, false);
  for (const std::int32_t column : vocabulary.columns) {
    if (column < -1 || (column >= 0 && static_cast<std::size_t>(column) >= vocabulary.column_count)) {
      return "a word's column is out of range";
    }
    if (column >= 0) {
      if (taken[static_cast<std::size_t>(column)]) return "two words share a column";
      taken[static_cast<std::size_t>(column)] = true;
    }
  }
  for (const Documents* text : {&text_1, &text_2}) {
    if (text->starts.empty() || text->starts.front() != 0 ||
        static_cast<std::uint64_t>(text->starts.back()) != text->words.size() ||
        text->words.size() != text->counts.size()) {
      return "a text's starts must rise from 0 to the length of its words and counts";
    }
    if (text->starts.size() - 1 > std::numeric_limits<std::uint32_t>::max() ||
        text->words.size() > std::numeric_limits<std::uint32_t>::max()) {
      return "a text must have fewer than 2**32 documents and counts";
    }
    for (std::size_t d = 1; d < text->starts.size(); ++d) {
      if (text->starts[d] < text->starts[d - 1]) {
        return "a text's starts must rise from 0 to the length of its words and counts";
      }
    }
    for (const std::int32_t word : text->words) {
      if (word < 0 || static_cast<std::size_t>(word) >= vocabulary.scores.size()) {
        return "a document's word is outside the vocabulary";
      }
    }
  }
  const std::size_t row = vocabulary.column_count + 1;
  if (n_boot != 0 && row > std::numeric_limits<std::size_t>::max() / n_boot) {
    return "n_boot times the columns overflows";
  }
  if (out_size != n_boot * row) return "the output must hold n_boot * (columns + 1) values";
  return nullptr;
}

void resample(const Documents& text_1, const Documents& text_2, const Vocabulary& vocabulary,
              std::size_t n_boot, std::uint64_t seed, std::span<double> out,
              const shift::Progress& progress) {
  const Drawn drawn_1(text_1, vocabulary);
  const Drawn drawn_2(text_2, vocabulary);
  const std::size_t columns = vocabulary.column_count;
  std::vector<double> column_scores(columns, 0.0);
  for (std::size_t word = 0; word < vocabulary.columns.size(); ++word) {
    if (vocabulary.columns[word] >= 0) {
      column_scores[static_cast<std::size_t>(vocabulary.columns[word])] = vocabulary.scores[word];
    }
  }
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> tally_1(columns);
  std::vector<double> tally_2(columns);
  Pacer pacer(progress);
  for (std::size_t b = 0; b < n_boot; ++b) {
    const std::span<double> row = out.subspan(b * (columns + 1), columns + 1);
    if (drawn_1.size() == 0 || drawn_2.size() == 0) {
      for (double& value : row) value = nan;
      continue;
    }
    Generator generator(seed, b);
    std::fill(tally_1.begin(), tally_1.end(), 0.0);
    std::fill(tally_2.begin(), tally_2.end(), 0.0);
    double total_1 = 0.0;
    double sum_1 = 0.0;
    double total_2 = 0.0;
    double sum_2 = 0.0;
    draw(drawn_1, generator, tally_1, total_1, sum_1);
    draw(drawn_2, generator, tally_2, total_2, sum_2);
    pacer.step(std::size_t{drawn_1.size()} + drawn_2.size());
    if (!(total_1 > 0.0 && total_2 > 0.0)) {
      for (double& value : row) value = nan;
      continue;
    }
    // As the shift itself: the reference is text 1's average, each word's contribution
    // p_diff * s_ref_diff, the total the difference of the averages.
    const double reference = sum_1 / total_1;
    row[0] = sum_2 / total_2 - reference;
    for (std::size_t k = 0; k < columns; ++k) {
      const double p_diff = tally_2[k] / total_2 - tally_1[k] / total_1;
      row[k + 1] = p_diff * (column_scores[k] - reference);
    }
    if (columns > (std::size_t{1} << 14)) pacer.step(columns);
  }
}

}  // namespace moodvane::shift_bootstrap
