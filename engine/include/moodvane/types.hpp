// The value types that flow into and out of the shift engine.
//
// Plain aggregates: the module surface fills the inputs from Python objects, the lexicon
// parser fills a ScoreMap, and the result encoder writes a ShiftResult out field by field
// in declaration order, which is therefore part of the interface.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace moodvane::types {

// Words are borrowed, never copied on the way in: every word of the inputs is a view of
// bytes that whoever built the input keeps alive and unchanged until the shift has returned
// (a caller's str objects, a lexicon text compiled into the module). Only the result owns
// copies of its words.

// One text's word-frequency table: freqs[i] is the frequency of words[i]. A word may occur
// more than once (its frequencies then add up); surplus items of the longer sequence are
// ignored.
struct InputSystem {
  std::vector<std::string_view> words;
  std::vector<double> freqs;
};

// Word -> score, words compared byte for byte. Only words with an entry here take part in a
// shift. (The hash table behind it is the engine's own business.)
class ScoreMap {
 public:
  using Entry = std::pair<std::string_view, double>;

  ScoreMap() noexcept;
  // Room for `expected` words without growing.
  explicit ScoreMap(std::size_t expected);
  ScoreMap(ScoreMap&&) noexcept;
  ScoreMap& operator=(ScoreMap&&) noexcept;
  ~ScoreMap();

  void reserve(std::size_t expected);
  // Stores `score` under `word`, replacing an earlier score of the same word.
  void insert_or_assign(std::string_view word, double score);
  // The word's score, or null.
  const double* find(std::string_view word) const noexcept;
  bool contains(std::string_view word) const noexcept { return find(word) != nullptr; }
  std::size_t size() const noexcept;
  bool empty() const noexcept { return size() == 0; }

  // The entries in the order their words were first stored.
  std::span<const Entry> entries() const noexcept;
  auto begin() const noexcept { return entries().begin(); }
  auto end() const noexcept { return entries().end(); }

  struct Table;
  const Table& table() const noexcept;

 private:
  Table& writable();

  std::unique_ptr<Table> table_;  // null while nothing has been stored
};

// Words dropped from the calculation whatever their score, compared byte for byte; absent
// and empty mean the same.
class StopWords {
 public:
  StopWords() noexcept;
  StopWords(StopWords&&) noexcept;
  StopWords& operator=(StopWords&&) noexcept;
  ~StopWords();

  void reserve(std::size_t expected);
  void insert(std::string_view word);
  bool contains(std::string_view word) const noexcept;
  std::size_t size() const noexcept;
  bool empty() const noexcept { return size() == 0; }

  struct Table;
  const Table& table() const noexcept;

 private:
  Table& writable();

  std::unique_ptr<Table> table_;  // null while nothing has been stored
};

// Reference value choices: system 1's weighted-average score, or a given value.
struct Average {
  friend bool operator==(Average, Average) = default;
};
struct Fixed {
  double value;
};
using Reference = std::variant<Average, Fixed>;

// A score interval, bounds in either order, whose words are dropped (closed interval).
struct StopLens {
  double first;
  double second;
};

// One word's row of the result.
struct ShiftEntry {
  std::string type;
  double p_diff;
  double s_diff;
  double p_avg;
  double s_ref_diff;
  double shift_score;
};

// Six totals over the whole vocabulary, each divided by `norm`.
struct ComponentSums {
  double pos_s_pos_p = 0.0;
  double pos_s_neg_p = 0.0;
  double neg_s_pos_p = 0.0;
  double neg_s_neg_p = 0.0;
  double pos_s = 0.0;
  double neg_s = 0.0;
};

struct ShiftResult {
  std::vector<ShiftEntry> entries;
  ComponentSums component_sums;
  double total_diff = 0.0;
  double norm = 1.0;
  double s_avg_1 = 0.0;
  double s_avg_2 = 0.0;
  double reference_value = 0.0;
  std::string normalization = "variation";
};

}  // namespace moodvane::types
