// The word shift's bootstrap: each resample is the engine's own shift of the documents it
// drew, resamples depend on (seed, resample) alone, bad inputs are refused, and the
// progress hook can abandon the work.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bootstrap_generator.hpp"
#include "moodvane/shift.hpp"
#include "moodvane/shift_bootstrap.hpp"

namespace {

using moodvane::bootstrap::Generator;
using moodvane::shift_bootstrap::Documents;
using moodvane::shift_bootstrap::Vocabulary;

// A text's documents as sparse rows, with the storage the spans view.
struct Text {
  std::vector<std::int64_t> starts{0};
  std::vector<std::int32_t> words;
  std::vector<double> counts;

  void add(const std::map<std::int32_t, double>& document) {
    for (const auto& [word, count] : document) {
      words.push_back(word);
      counts.push_back(count);
    }
    starts.push_back(static_cast<std::int64_t>(words.size()));
  }
  Documents view() const { return {starts, words, counts}; }
  std::size_t size() const { return starts.size() - 1; }
};

struct Case {
  Text text_1;
  Text text_2;
  std::vector<double> scores;
  std::vector<std::int32_t> columns;
  std::size_t column_count = 0;
  Vocabulary vocabulary() const { return {scores, columns, column_count}; }
};

Case random_case(std::uint32_t seed, std::size_t documents_1, std::size_t documents_2) {
  std::mt19937 random(seed);
  Case made;
  const std::size_t vocabulary = 12;
  for (std::size_t w = 0; w < vocabulary; ++w) {
    made.scores.push_back(1.0 + 8.0 * std::uniform_real_distribution<double>()(random));
    // Every other word has a column, in reverse order, so columns are not word numbers.
    made.columns.push_back(w % 2 == 0 ? static_cast<std::int32_t>((vocabulary - w) / 2 - 1) : -1);
  }
  made.column_count = vocabulary / 2;
  for (auto [text, size] : {std::pair{&made.text_1, documents_1}, {&made.text_2, documents_2}}) {
    for (std::size_t d = 0; d < size; ++d) {
      std::map<std::int32_t, double> document;
      const int words = std::uniform_int_distribution<int>(0, 4)(random);
      for (int i = 0; i < words; ++i) {
        document[std::uniform_int_distribution<std::int32_t>(0, vocabulary - 1)(random)] +=
            std::uniform_int_distribution<int>(1, 3)(random);
      }
      text->add(document);
    }
  }
  return made;
}

std::vector<double> run(const Case& made, std::size_t n_boot, std::uint64_t seed) {
  std::vector<double> out(n_boot * (made.column_count + 1));
  EXPECT_EQ(moodvane::shift_bootstrap::check(made.text_1.view(), made.text_2.view(),
                                             made.vocabulary(), n_boot, out.size()),
            nullptr);
  moodvane::shift_bootstrap::resample(made.text_1.view(), made.text_2.view(), made.vocabulary(),
                                      n_boot, seed, out);
  return out;
}

// The documents a resample draws, as the kernel's generator gives them: text 1's first,
// two draws per step, a last single draw for an odd count.
std::vector<std::size_t> draws(Generator& generator, std::size_t size) {
  std::vector<std::size_t> drawn;
  const auto bound = static_cast<std::uint32_t>(size);
  for (std::size_t i = 0; i + 2 <= size; i += 2) {
    std::uint32_t one = 0;
    std::uint32_t two = 0;
    generator.below_2(bound, one, two);
    drawn.push_back(one);
    drawn.push_back(two);
  }
  if (size % 2 == 1) drawn.push_back(generator.below(bound));
  return drawn;
}

moodvane::types::InputSystem pooled(const Text& text, const std::vector<std::size_t>& drawn,
                                    const std::vector<std::string>& names) {
  std::map<std::int32_t, double> counts;
  for (const std::size_t d : drawn) {
    for (auto at = text.starts[d]; at < text.starts[d + 1]; ++at) {
      counts[text.words[static_cast<std::size_t>(at)]] += text.counts[static_cast<std::size_t>(at)];
    }
  }
  moodvane::types::InputSystem system;
  for (const auto& [word, count] : counts) {
    system.words.emplace_back(names[static_cast<std::size_t>(word)]);
    system.freqs.push_back(count);
  }
  return system;
}

TEST(ShiftBootstrap, EachResampleIsTheEngineShiftOfItsDraws) {
  for (std::uint32_t trial = 0; trial < 20; ++trial) {
    const Case made = random_case(trial, 1 + trial % 7, 1 + trial % 5);
    const std::size_t n_boot = 9;
    const std::uint64_t seed = 1000 + trial;
    const std::vector<double> out = run(made, n_boot, seed);
    std::vector<std::string> names;
    moodvane::types::ScoreMap scores;
    for (std::size_t w = 0; w < made.scores.size(); ++w) names.push_back("w" + std::to_string(w));
    for (std::size_t w = 0; w < made.scores.size(); ++w) scores.insert_or_assign(names[w], made.scores[w]);
    const std::size_t row = made.column_count + 1;
    for (std::size_t b = 0; b < n_boot; ++b) {
      Generator generator(seed, b);
      const auto drawn_1 = draws(generator, made.text_1.size());
      const auto drawn_2 = draws(generator, made.text_2.size());
      const auto system_1 = pooled(made.text_1, drawn_1, names);
      const auto system_2 = pooled(made.text_2, drawn_2, names);
      if (system_1.words.empty() || system_2.words.empty()) {
        for (std::size_t k = 0; k < row; ++k) EXPECT_TRUE(std::isnan(out[b * row + k]));
        continue;
      }
      const auto result = moodvane::shift::weighted_avg_shift(
          system_1, system_2, scores, moodvane::types::Average{}, std::nullopt, nullptr);
      EXPECT_NEAR(out[b * row], result.s_avg_2 - result.s_avg_1, 1e-12) << trial << " " << b;
      std::vector<double> expected(made.column_count, 0.0);
      for (const auto& entry : result.entries) {
        const auto word = static_cast<std::size_t>(std::stoi(entry.type.substr(1)));
        if (made.columns[word] >= 0) {
          expected[static_cast<std::size_t>(made.columns[word])] = entry.p_diff * entry.s_ref_diff;
        }
      }
      for (std::size_t k = 0; k < made.column_count; ++k) {
        EXPECT_NEAR(out[b * row + 1 + k], expected[k], 1e-12) << trial << " " << b << " " << k;
      }
    }
  }
}

TEST(ShiftBootstrap, ResamplesDependOnTheSeedAndTheirNumberAlone) {
  const Case made = random_case(7, 40, 30);
  const std::vector<double> five = run(made, 5, 42);
  const std::vector<double> three = run(made, 3, 42);
  const std::vector<double> other = run(made, 3, 43);
  const std::size_t row = made.column_count + 1;
  EXPECT_EQ(std::vector<double>(five.begin(), five.begin() + 3 * row), three);
  EXPECT_NE(three, other);
}

TEST(ShiftBootstrap, TextsWithoutDocumentsGiveNaN) {
  Case made = random_case(3, 4, 0);
  const std::vector<double> out = run(made, 2, 0);
  for (const double value : out) EXPECT_TRUE(std::isnan(value));
}

TEST(ShiftBootstrap, CheckRefusesMalformedInputs) {
  struct Bad {
    const char* what;
    void (*spoil)(Case&);
  };
  const Bad cases[] = {
      {"starts not from 0", [](Case& c) { c.text_1.starts.front() = 1; }},
      {"starts falling", [](Case& c) { std::swap(c.text_1.starts[1], c.text_1.starts[2]); }},
      {"starts past the rows", [](Case& c) { c.text_2.starts.back() += 1; }},
      {"word outside", [](Case& c) { c.text_2.words.front() = 99; }},
      {"negative word", [](Case& c) { c.text_1.words.front() = -1; }},
      {"column too large", [](Case& c) { c.columns.front() = 6; }},
      {"column below -1", [](Case& c) { c.columns.front() = -2; }},
      {"shared column", [](Case& c) { c.columns[1] = c.columns[0]; }},
      {"scores shorter", [](Case& c) { c.scores.pop_back(); }},
  };
  for (const Bad& bad : cases) {
    Case made = random_case(11, 6, 6);
    // Every document has a word, so that the spoilt rows exist.
    made.text_1 = Text{};
    made.text_2 = Text{};
    for (int d = 0; d < 3; ++d) {
      made.text_1.add({{d, 1.0}});
      made.text_2.add({{d + 1, 2.0}});
    }
    ASSERT_EQ(moodvane::shift_bootstrap::check(made.text_1.view(), made.text_2.view(),
                                               made.vocabulary(), 2, 2 * 7),
              nullptr);
    bad.spoil(made);
    EXPECT_NE(moodvane::shift_bootstrap::check(made.text_1.view(), made.text_2.view(),
                                               made.vocabulary(), 2, 2 * 7),
              nullptr)
        << bad.what;
  }
  const Case made = random_case(11, 6, 6);
  EXPECT_NE(moodvane::shift_bootstrap::check(made.text_1.view(), made.text_2.view(),
                                             made.vocabulary(), 2, 13),
            nullptr);
  EXPECT_NE(moodvane::shift_bootstrap::check(made.text_1.view(), made.text_2.view(),
                                             made.vocabulary(), SIZE_MAX / 2, 0),
            nullptr);
}

TEST(ShiftBootstrap, TheProgressHookCanAbandonTheWork) {
  const Case made = random_case(5, 20000, 20000);
  struct Looks {
    int count = 0;
  } looks;
  const moodvane::shift::Progress progress{[](void* context) {
                                             ++static_cast<Looks*>(context)->count;
                                             throw std::runtime_error("stop");
                                           },
                                           &looks};
  std::vector<double> out(100000 * (made.column_count + 1));
  EXPECT_THROW(moodvane::shift_bootstrap::resample(made.text_1.view(), made.text_2.view(),
                                                   made.vocabulary(), 100000, 0, out, progress),
               std::runtime_error);
  EXPECT_EQ(looks.count, 1);
}

}  // namespace
