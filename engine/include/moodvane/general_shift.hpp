// Generalized word shifts: any measure that is a frequency-weighted sum of per-word scores,
// Phi(i) = sum over words of p_i * phi_i, explained word by word in the same form as the
// weighted-average shift.
//
// For a word with relative frequencies p1, p2 and per-text scores phi_1, phi_2, its
// unnormalised contribution is
//   u = p_avg * s_diff + p_diff * s_ref_diff,
//   p_avg = (p1 + p2) * 0.5, p_diff = p2 - p1, s_diff = phi_2 - phi_1,
//   s_ref_diff = (phi_1 + phi_2) / 2 - Phi_ref,
// and the u add up to Phi(2) - Phi(1) whenever both texts have a positive total. Each kind
// of shift only chooses the scores phi (and, for the divergence from one text to the
// other, the weights); everything else (sums, normalisation, component sums, order) is the
// weighted-average shift's.
//
// Words are never hashed: all words of all inputs are sorted together by their bytes and
// walked in groups of equal words, so no input can make a call slower than its sort.
#pragma once

#include <cstddef>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "moodvane/shift.hpp"
#include "moodvane/types.hpp"

namespace moodvane::general {

enum class Kind {
  proportion,  // phi = 1 in both texts, Phi_ref = 0: u = p_diff
  entropy,     // phi = a word's surprisal (Shannon) or its Tsallis analogue
  kld,         // Kullback-Leibler divergence D(P2 || P1)
  jsd,         // Jensen-Shannon divergence of the two texts
  weighted,    // weighted average with one score map per text
};

// One dict's contents: words[i] has value values[i]. Words of one table are unique. The
// views must stay valid for the duration of the call.
struct Table {
  std::vector<std::string_view> words;
  std::vector<double> values;
};

struct Inputs {
  Table text_1;
  Table text_2;
  Table scores_1;  // weighted only
  Table scores_2;  // weighted only
  std::vector<std::string_view> stop_words;
  // The two score maps are one: scores_1 serves both texts and scores_2 is not read.
  bool same_scores = false;
};

struct Parameters {
  Kind kind = Kind::proportion;
  // Entropy order: 1 is Shannon's entropy, anything else Tsallis's of that order.
  double alpha = 1.0;
  // Logarithm base of Shannon's entropy and of the divergences (Tsallis uses none).
  double base = 2.0;
  // Mixture weights of the Jensen-Shannon divergence.
  double weight_1 = 0.5;
  double weight_2 = 0.5;
  // Phi_ref for the entropy and weighted kinds; absent means Phi(1). The other kinds fix
  // their own reference.
  std::optional<double> reference;
  // How many entries to build, in result order; 0 builds all.
  std::size_t max_entries = 0;
};

// The Kullback-Leibler divergence is infinite: `word` (the first such in byte order) has a
// positive frequency in text 2 and none in text 1.
struct InfiniteDivergence {
  std::string word;
};

// A parameter the kind uses that is out of its range: its name and what it must be.
struct ParameterProblem {
  std::string_view name;
  std::string_view requirement;
};

// The first problem among the parameters that `parameters.kind` uses, in the order alpha,
// base, weights; nothing when all are in range.
std::optional<ParameterProblem> check_parameters(const Parameters& parameters);

// The shift of text 2 against text 1. Inputs are taken as the module has checked them:
// counts finite and >= 0, scores finite, parameters accepted by check_parameters.
// `progress` is called every few tens of thousands of words, as by the weighted-average shift.
std::expected<types::ShiftResult, InfiniteDivergence> general_shift(
    const Inputs& inputs, const Parameters& parameters, const shift::Progress& progress = {});

}  // namespace moodvane::general
