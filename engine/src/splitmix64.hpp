// SplitMix64: spreads a 64-bit state into well-mixed words, one a call. It seeds the
// bootstrap's generators and stretches the process's hash keys; its constants are fixed,
// so the same state gives the same words on every machine.
#pragma once

#include <cstdint>

namespace moodvane {

inline std::uint64_t splitmix64(std::uint64_t& state) noexcept {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return z ^ (z >> 31);
}

}  // namespace moodvane
