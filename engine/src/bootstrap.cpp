#include "moodvane/bootstrap.hpp"

#include <limits>

namespace moodvane::bootstrap {
namespace {

std::uint64_t splitmix64(std::uint64_t& state) noexcept {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return z ^ (z >> 31);
}

// xoshiro256**: fast, and fully specified, so the same seed gives the same draws on every
// machine.
class Generator {
 public:
  Generator(std::uint64_t seed, std::uint64_t stream) noexcept {
    std::uint64_t state = seed ^ (stream * 0xD1B54A32D192ED03u);
    for (std::uint64_t& word : s_) word = splitmix64(state);
  }

  std::uint64_t next() noexcept {
    const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = rotl(s_[3], 45);
    return result;
  }

  // A draw in [0, bound) by the multiply-shift map; its bias, bound / 2^64, is far below
  // anything a bootstrap can resolve.
  std::uint64_t below(std::uint64_t bound) noexcept {
    return static_cast<std::uint64_t>((static_cast<unsigned __int128>(next()) * bound) >> 64);
  }

 private:
  static std::uint64_t rotl(std::uint64_t x, int k) noexcept { return (x << k) | (x >> (64 - k)); }
  std::uint64_t s_[4];
};

}  // namespace

void resample_ratios(std::span<const double> sums, std::span<const double> totals,
                     std::span<const std::int64_t> starts, std::size_t n_boot, std::uint64_t seed,
                     std::span<double> out) noexcept {
  for (std::size_t g = 0; g + 1 < starts.size(); ++g) {
    const auto first = static_cast<std::size_t>(starts[g]);
    const auto size = static_cast<std::uint64_t>(starts[g + 1] - starts[g]);
    Generator generator(seed, g);
    for (std::size_t b = 0; b < n_boot; ++b) {
      double sum = 0.0;
      double total = 0.0;
      for (std::uint64_t draw = 0; draw < size; ++draw) {
        const std::size_t at = first + generator.below(size);
        sum += sums[at];
        total += totals[at];
      }
      out[g * n_boot + b] = total > 0.0 ? sum / total : std::numeric_limits<double>::quiet_NaN();
    }
  }
}

}  // namespace moodvane::bootstrap
