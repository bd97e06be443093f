// The value types that flow into and out of the shift engine.
//
// Plain aggregates: the module surface fills the inputs from Python objects, the lexicon
// parser fills a ScoreMap, and the result encoder writes a ShiftResult out field by field
// in declaration order, which is therefore part of the interface.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "moodvane/flat_map.hpp"

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

// Word -> score. Only words with an entry here take part in a shift.
using ScoreMap = FlatMap<std::string_view, double>;

// A set of words, compared byte for byte.
struct Present {};
using WordSet = FlatMap<std::string_view, Present>;

// Words dropped from the calculation whatever their score; absent and empty mean the same.
using StopWords = WordSet;

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

// The engine's per-word record, made before the normalisation divisor is known: the fields
// of ShiftEntry, with `shift_score` holding the unnormalised shift u. The word is still a
// view into the inputs; it is copied once, into the ShiftEntry that a returned record
// becomes with u divided by `norm`.
struct Raw {
  std::string_view type;
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
