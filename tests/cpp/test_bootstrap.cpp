// The bootstrap's resamples of a ratio of sums: reproducible for a seed, the same however
// the groups are split between threads, and within what the documents allow.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "moodvane/bootstrap.hpp"

namespace {

using moodvane::bootstrap::resample_ratios;

struct Corpus {
  std::vector<double> sums;
  std::vector<double> totals;
  std::vector<std::int64_t> starts{0};
};

Corpus corpus(const std::vector<std::size_t>& sizes, std::uint32_t seed) {
  std::mt19937 random(seed);
  Corpus made;
  for (const std::size_t size : sizes) {
    for (std::size_t i = 0; i < size; ++i) {
      const double total = static_cast<double>(random() % 5);
      made.totals.push_back(total);
      made.sums.push_back(total * (1.0 + static_cast<double>(random() % 800) / 100.0));
    }
    made.starts.push_back(static_cast<std::int64_t>(made.sums.size()));
  }
  return made;
}

std::vector<double> resampled(const Corpus& c, std::size_t n_boot, std::uint64_t seed) {
  std::vector<double> out((c.starts.size() - 1) * n_boot);
  resample_ratios(c.sums, c.totals, c.starts, n_boot, seed, out);
  return out;
}

bool same_bits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](double x, double y) {
           return (std::isnan(x) && std::isnan(y)) || x == y;
         });
}

TEST(Bootstrap, AGroupsResamplesDependOnTheSeedAndTheGroupAlone) {
  // Large enough for the work to be split between two threads.
  const Corpus both = corpus({3000, 5000, 4000}, 1);
  const std::vector<double> all = resampled(both, 400, 42);
  EXPECT_TRUE(same_bits(all, resampled(both, 400, 42)));
  EXPECT_FALSE(same_bits(all, resampled(both, 400, 43)));
  // The first group alone, resampled on one thread, gives the same ratios.
  Corpus first;
  first.sums.assign(both.sums.begin(), both.sums.begin() + 3000);
  first.totals.assign(both.totals.begin(), both.totals.begin() + 3000);
  first.starts = {0, 3000};
  const std::vector<double> alone = resampled(first, 400, 42);
  EXPECT_TRUE(same_bits(alone, std::vector<double>(all.begin(), all.begin() + 400)));
}

TEST(Bootstrap, RatiosLieWithinTheDocumentsRatios) {
  const Corpus c = corpus({1, 2, 50, 700}, 3);
  const std::size_t n_boot = 200;
  const std::vector<double> out = resampled(c, n_boot, 9);
  for (std::size_t g = 0; g + 1 < c.starts.size(); ++g) {
    double low = INFINITY;
    double high = -INFINITY;
    bool scored = false;
    for (auto i = c.starts[g]; i < c.starts[g + 1]; ++i) {
      if (c.totals[i] > 0.0) {
        scored = true;
        low = std::min(low, c.sums[i] / c.totals[i]);
        high = std::max(high, c.sums[i] / c.totals[i]);
      }
    }
    for (std::size_t b = 0; b < n_boot; ++b) {
      const double ratio = out[g * n_boot + b];
      if (!scored) {
        EXPECT_TRUE(std::isnan(ratio));
      } else if (!std::isnan(ratio)) {  // a resample may draw only unscored documents
        EXPECT_GE(ratio, low * (1 - 1e-12)) << g;
        EXPECT_LE(ratio, high * (1 + 1e-12)) << g;
      }
    }
  }
}

TEST(Bootstrap, IdenticalDocumentsGiveTheirRatioAndEmptyTotalsNaN) {
  Corpus c;
  c.sums = {6.0, 6.0, 6.0, 0.0, 0.0};
  c.totals = {2.0, 2.0, 2.0, 0.0, 0.0};
  c.starts = {0, 3, 5, 5};
  const std::vector<double> out = resampled(c, 10, 1);
  for (std::size_t b = 0; b < 10; ++b) {
    EXPECT_EQ(out[b], 3.0);
    EXPECT_TRUE(std::isnan(out[10 + b]));
    EXPECT_TRUE(std::isnan(out[20 + b]));  // a group without documents
  }
}

TEST(Bootstrap, DrawsAreUniformOverTheGroup) {
  // Ten documents, one scored: a resample's ratio is 1 exactly when it draws that one at
  // least once, with probability 1 - 0.9^10; many resamples estimate it.
  Corpus c;
  c.sums.assign(10, 0.0);
  c.totals.assign(10, 0.0);
  c.sums[7] = 1.0;
  c.totals[7] = 1.0;
  c.starts = {0, 10};
  const std::size_t n_boot = 20000;
  const std::vector<double> out = resampled(c, n_boot, 5);
  const auto hits = std::count(out.begin(), out.end(), 1.0);
  const double expected = 1.0 - std::pow(0.9, 10);
  EXPECT_NEAR(static_cast<double>(hits) / n_boot, expected, 0.02);
}

}  // namespace
