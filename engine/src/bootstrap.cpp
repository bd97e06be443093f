#include "moodvane/bootstrap.hpp"

#include <cstdint>
#include <limits>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

#include "bootstrap_generator.hpp"

namespace moodvane::bootstrap {
namespace {

struct Document {
  double sum;
  double total;
};

// The ratios of groups [first_group, last_group).
void resample_groups(const std::vector<Document>& documents, std::span<const std::int64_t> starts,
                     std::size_t first_group, std::size_t last_group, std::size_t n_boot,
                     std::uint64_t seed, std::span<double> out) noexcept {
  for (std::size_t g = first_group; g < last_group; ++g) {
    const Document* first = documents.data() + starts[g];
    // The module refuses groups of 2^32 documents or more.
    const auto size = static_cast<std::uint32_t>(starts[g + 1] - starts[g]);
    Generator generator(seed, g);
    for (std::size_t b = 0; b < n_boot; ++b) {
      // Four running sums, so that the additions of neighbouring draws overlap; they are
      // combined in a fixed order, so the ratio is the same on every run.
      double sum[4] = {0.0, 0.0, 0.0, 0.0};
      double tally[4] = {0.0, 0.0, 0.0, 0.0};
      std::uint32_t draw = 0;
      for (; draw + 4 <= size; draw += 4) {
        std::uint32_t at[4];
        generator.below_2(size, at[0], at[1]);
        generator.below_2(size, at[2], at[3]);
        for (int lane = 0; lane < 4; ++lane) {
          sum[lane] += first[at[lane]].sum;
          tally[lane] += first[at[lane]].total;
        }
      }
      for (; draw < size; ++draw) {
        const Document& one = first[generator.below(size)];
        sum[0] += one.sum;
        tally[0] += one.total;
      }
      const double total = (tally[0] + tally[1]) + (tally[2] + tally[3]);
      const double summed = (sum[0] + sum[1]) + (sum[2] + sum[3]);
      out[g * n_boot + b] =
          total > 0.0 ? summed / total : std::numeric_limits<double>::quiet_NaN();
    }
  }
}

// Below this many draws a second thread costs more than it saves.
constexpr std::size_t kThreadedDraws = std::size_t{1} << 22;

}  // namespace

void resample_ratios(std::span<const double> sums, std::span<const double> totals,
                     std::span<const std::int64_t> starts, std::size_t n_boot, std::uint64_t seed,
                     std::span<double> out) {
  // Each draw reads a document's sum and total from one place.
  std::vector<Document> documents(sums.size());
  for (std::size_t i = 0; i < sums.size(); ++i) documents[i] = {sums[i], totals[i]};
  const std::size_t groups = starts.empty() ? 0 : starts.size() - 1;
  // Every group's draws depend on (seed, group) alone, so the groups can be split between
  // two threads, at the group that halves the draws, with the same results.
  std::size_t split = 0;
  const auto half = static_cast<std::int64_t>(sums.size() / 2);
  while (split < groups && starts[split] < half) ++split;
  if (sums.size() * n_boot >= kThreadedDraws && split > 0 && split < groups) {
    try {
      std::thread helper(resample_groups, std::cref(documents), starts, split, groups, n_boot,
                         seed, out);
      resample_groups(documents, starts, 0, split, n_boot, seed, out);
      helper.join();
      return;
    } catch (const std::system_error&) {
      // No thread to be had: all on this one.
    }
  }
  resample_groups(documents, starts, 0, groups, n_boot, seed, out);
}

}  // namespace moodvane::bootstrap
