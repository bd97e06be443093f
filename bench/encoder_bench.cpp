// Times encode_shift_result on a result of 100,000 entries shaped like a real shift:
// lower-case words of 4 to 12 bytes (a few with non-ASCII letters or characters that need
// an escape), small relative frequencies, scores on a 1-9 scale around a reference, and
// shift scores that add up to 1 in magnitude.
//
// Usage: encoder_bench [json_output_path [iterations]]
// Prints key=value lines; with a path, also writes the encoded text there so that a
// baseline can parse the very same bytes.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "moodvane/json_writer.hpp"
#include "moodvane/types.hpp"

namespace {

using moodvane::types::ShiftEntry;
using moodvane::types::ShiftResult;

constexpr int kEntries = 100'000;
constexpr int kDefaultIterations = 40;

std::string random_word(std::mt19937_64& generator) {
  std::uniform_int_distribution<int> length(4, 12);
  std::uniform_int_distribution<int> letter('a', 'z');
  std::uniform_int_distribution<int> rare(0, 199);
  std::string word;
  int n = length(generator);
  switch (rare(generator)) {
    case 0:
      word.push_back('\xc3');  // an accented letter
      word.push_back('\xa9');
      n -= 2;
      break;
    case 1:
      word.push_back('"');  // one of the rare words that need an escape
      n -= 1;
      break;
    default:
      break;
  }
  for (int i = 0; i < n; ++i)
    word.push_back(static_cast<char>(letter(generator)));
  return word;
}

ShiftResult realistic_result() {
  std::mt19937_64 generator(20240601);
  std::lognormal_distribution<double> frequency(-11.5, 1.5);  // around 1e-5
  std::uniform_real_distribution<double> score(1.0, 9.0);
  constexpr double kReference = 5.37;

  ShiftResult result;
  result.entries.reserve(kEntries);
  double norm = 0.0;
  for (int i = 0; i < kEntries; ++i) {
    const double p1 = frequency(generator);
    const double p2 = frequency(generator);
    const double s_ref_diff = score(generator) - kReference;
    const double p_diff = p2 - p1;
    const double u = p_diff * s_ref_diff;
    norm += std::abs(u);
    result.entries.push_back({random_word(generator), p_diff, 0.0, (p1 + p2) / 2, s_ref_diff, u});
  }
  for (ShiftEntry& entry : result.entries)
    entry.shift_score /= norm;
  std::ranges::sort(result.entries, [](const ShiftEntry& a, const ShiftEntry& b) {
    return std::abs(a.shift_score) > std::abs(b.shift_score);
  });
  result.component_sums = {0.31, 0.22, 0.19, 0.28, 0.0, 0.0};
  result.total_diff = 0.0123456789;
  result.norm = norm;
  result.s_avg_1 = kReference;
  result.s_avg_2 = kReference + 0.0123456789;
  result.reference_value = kReference;
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const char* output_path = argc > 1 ? argv[1] : nullptr;
  const int iterations = argc > 2 ? std::max(1, std::atoi(argv[2])) : kDefaultIterations;

  const ShiftResult result = realistic_result();
  std::string text = moodvane::encoding::encode_shift_result(result);  // warm-up
  const std::size_t bytes = text.size();

  using Clock = std::chrono::steady_clock;
  double best = 1e300;
  double total = 0.0;
  for (int i = 0; i < iterations; ++i) {
    const auto start = Clock::now();
    text = moodvane::encoding::encode_shift_result(result);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    best = std::min(best, seconds);
    total += seconds;
    if (text.size() != bytes) {
      std::fprintf(stderr, "encoding changed between runs\n");
      return 1;
    }
  }

  if (output_path != nullptr) {
    std::ofstream file(output_path, std::ios::binary);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!file) {
      std::fprintf(stderr, "cannot write %s\n", output_path);
      return 1;
    }
  }

  const double mean = total / iterations;
  std::printf("entries=%d\n", kEntries);
  std::printf("bytes=%zu\n", bytes);
  std::printf("iterations=%d\n", iterations);
  std::printf("best_ms=%.3f\n", best * 1e3);
  std::printf("mean_ms=%.3f\n", mean * 1e3);
  std::printf("best_mb_per_s=%.1f\n", static_cast<double>(bytes) / best / 1e6);
  std::printf("mean_mb_per_s=%.1f\n", static_cast<double>(bytes) / mean / 1e6);
  return 0;
}
