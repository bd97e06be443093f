// Times the shift engine on a data file written by bench_engine.py.
//
// Input lines: "1<TAB>word<TAB>freq" and "2<TAB>word<TAB>freq" for the two systems,
// "s<TAB>word<TAB>score" for the score map. Prints one line:
//   seconds_per_call <TAB> input_pairs <TAB> entries <TAB> calls
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "moodvane/shift.hpp"

namespace {

double to_double(std::string_view text) {
  double value = 0.0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: engine_bench DATA_FILE [MIN_SECONDS]\n";
    return 2;
  }
  const double min_seconds = argc > 2 ? std::atof(argv[2]) : 2.0;

  moodvane::types::InputSystem system_1, system_2;
  moodvane::types::ScoreMap scores;
  std::ifstream in(argv[1]);
  // The engine borrows its words: every line stays in here until the end.
  std::deque<std::string> lines;
  for (std::string read; std::getline(in, read);) {
    lines.push_back(std::move(read));
    const std::string& line = lines.back();
    const auto first_tab = line.find('\t');
    const auto second_tab = line.find('\t', first_tab + 1);
    const std::string_view view(line);
    const std::string_view word = view.substr(first_tab + 1, second_tab - first_tab - 1);
    const double value = to_double(view.substr(second_tab + 1));
    switch (line[0]) {
      case '1':
        system_1.words.emplace_back(word);
        system_1.freqs.push_back(value);
        break;
      case '2':
        system_2.words.emplace_back(word);
        system_2.freqs.push_back(value);
        break;
      default:
        scores.insert_or_assign(word, value);
    }
  }

  using Clock = std::chrono::steady_clock;
  std::size_t calls = 0;
  std::size_t entries = 0;
  double best = 1e300;
  const auto start = Clock::now();
  while (calls < 3 || std::chrono::duration<double>(Clock::now() - start).count() < min_seconds) {
    const auto before = Clock::now();
    const auto result = moodvane::shift::weighted_avg_shift(
        system_1, system_2, scores, moodvane::types::Average{}, std::nullopt, nullptr);
    best = std::min(best, std::chrono::duration<double>(Clock::now() - before).count());
    entries = result.entries.size();
    ++calls;
  }
  std::printf("%.6f\t%zu\t%zu\t%zu\n", best, system_1.words.size() + system_2.words.size(),
              entries, calls);
  return 0;
}
