#include "moodvane/bootstrap.hpp"

#include <atomic>
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

// Draws between two looks at the progress hook (or at the stop flag, on a helper thread):
// a few milliseconds of work.
constexpr std::size_t kDrawsPerLook = std::size_t{1} << 20;

// Where one thread's work answers to: the progress hook on the calling thread, the flag
// that the calling thread sets when the hook throws on a helper.
struct Looks {
  const shift::Progress* progress;  // null on a helper thread
  std::atomic<bool>* stop;
  std::size_t draws = 0;

  // False when the work is to stop; the hook's exception goes on up.
  bool go_on(std::size_t drawn) {
    draws += drawn;
    if (draws < kDrawsPerLook) return true;
    draws = 0;
    if (progress == nullptr) return !stop->load(std::memory_order_relaxed);
    try {
      (*progress)();
    } catch (...) {
      stop->store(true, std::memory_order_relaxed);
      throw;
    }
    return true;
  }
};

// The ratios of groups [first_group, last_group).
void resample_groups(const std::vector<Document>& documents, std::span<const std::int64_t> starts,
                     std::size_t first_group, std::size_t last_group, std::size_t n_boot,
                     std::uint64_t seed, std::span<double> out, Looks looks) {
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
      // An empty group still counts: a million of them take time too.
      if (!looks.go_on(size + 1)) return;
    }
  }
}

// Below this many draws a second thread costs more than it saves.
constexpr std::size_t kThreadedDraws = std::size_t{1} << 22;

}  // namespace

void resample_ratios(std::span<const double> sums, std::span<const double> totals,
                     std::span<const std::int64_t> starts, std::size_t n_boot, std::uint64_t seed,
                     std::span<double> out, const shift::Progress& progress) {
  // Each draw reads a document's sum and total from one place.
  std::vector<Document> documents(sums.size());
  for (std::size_t i = 0; i < sums.size(); ++i) documents[i] = {sums[i], totals[i]};
  const std::size_t groups = starts.empty() ? 0 : starts.size() - 1;
  // Every group's draws depend on (seed, group) alone, so the groups can be split between
  // two threads, at the group that halves the draws, with the same results.
  std::size_t split = 0;
  const auto half = static_cast<std::int64_t>(sums.size() / 2);
  while (split < groups && starts[split] < half) ++split;
  std::atomic<bool> stop{false};
  const bool worth_a_thread = n_boot > 0 && sums.size() >= kThreadedDraws / n_boot;
  if (worth_a_thread && split > 0 && split < groups) {
    std::thread helper;
    try {
      helper = std::thread(resample_groups, std::cref(documents), starts, split, groups, n_boot,
                           seed, out, Looks{nullptr, &stop});
    } catch (const std::system_error&) {
      // No thread to be had: all on this one, below.
    }
    if (helper.joinable()) {
      // The helper is joined however this thread's part ends (the hook may throw).
      struct Join {
        std::thread& thread;
        ~Join() { thread.join(); }
      } join{helper};
      resample_groups(documents, starts, 0, split, n_boot, seed, out, Looks{&progress, &stop});
      return;
    }
  }
  resample_groups(documents, starts, 0, groups, n_boot, seed, out, Looks{&progress, &stop});
}

}  // namespace moodvane::bootstrap
