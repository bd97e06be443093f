// The bootstrap's random draws: one generator for every resampling of the project (the
// series' bands and the word shifts' intervals), so that a seed means the same draws
// wherever it is given.
#pragma once

#include <cstdint>

#include "splitmix64.hpp"

namespace moodvane::bootstrap {

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

  // An unbiased draw in [0, bound), bound < 2^32, by Lemire's multiply-and-reject method
  // on 32 random bits at a time (two per step of the generator).
  std::uint32_t below(std::uint32_t bound) noexcept {
    std::uint64_t product = std::uint64_t{half()} * bound;
    if (static_cast<std::uint32_t>(product) < bound) {
      const std::uint32_t threshold = static_cast<std::uint32_t>(-bound) % bound;
      while (static_cast<std::uint32_t>(product) < threshold) {
        product = std::uint64_t{half()} * bound;
      }
    }
    return static_cast<std::uint32_t>(product >> 32);
  }

  // Two such draws from one step of the generator, each half rejected and drawn again
  // exactly as `below` would.
  void below_2(std::uint32_t bound, std::uint32_t& one, std::uint32_t& two) noexcept {
    const std::uint64_t bits = next();
    one = accept(static_cast<std::uint32_t>(bits) * std::uint64_t{bound}, bound);
    two = accept((bits >> 32) * std::uint64_t{bound}, bound);
  }

 private:
  std::uint32_t accept(std::uint64_t product, std::uint32_t bound) noexcept {
    if (static_cast<std::uint32_t>(product) < bound) [[unlikely]] {
      const std::uint32_t threshold = static_cast<std::uint32_t>(-bound) % bound;
      if (static_cast<std::uint32_t>(product) < threshold) return below(bound);
    }
    return static_cast<std::uint32_t>(product >> 32);
  }

  std::uint32_t half() noexcept {
    if (spare_valid_) {
      spare_valid_ = false;
      return spare_;
    }
    const std::uint64_t bits = next();
    spare_ = static_cast<std::uint32_t>(bits >> 32);
    spare_valid_ = true;
    return static_cast<std::uint32_t>(bits);
  }

  static std::uint64_t rotl(std::uint64_t x, int k) noexcept { return (x << k) | (x >> (64 - k)); }
  std::uint64_t s_[4];
  std::uint32_t spare_ = 0;
  bool spare_valid_ = false;
};


}  // namespace moodvane::bootstrap
