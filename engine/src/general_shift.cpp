#include "moodvane/general_shift.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "entropy_terms.hpp"
#include "general_vocabulary.hpp"
#include "shift_totals.hpp"

namespace moodvane::general {
namespace {

using shift::Raw;
using types::ShiftEntry;
using types::ShiftResult;

using shift::CountTotal;

// sum of (count / total) * phi in vocabulary order, from -0.0; +0.0 when total <= 0. The
// weighted-average shift's mean, term for term, so that the weighted kind matches it.
double weighted_mean(const std::vector<VocabularyWord>& vocabulary,
                     double VocabularyWord::*count, double VocabularyWord::*phi,
                     const CountTotal& total) noexcept {
  if (total.sum <= 0.0) return +0.0;
  double mean = -0.0;
  for (const VocabularyWord& word : vocabulary) {
    mean += ((word.*count * total.scale) / total.sum) * (word.*phi);
  }
  return mean;
}

// Sets phi_1, phi_2 and s_diff of every word for the derived kinds. A word absent from one
// text (relative frequency 0 there) takes the other text's score in it, which leaves its u
// unchanged and puts all of it into the frequency part. Returns the first word (in byte
// order) that makes the Kullback-Leibler divergence infinite, if any.
const VocabularyWord* derive_scores(std::vector<VocabularyWord>& vocabulary,
                                    const Parameters& parameters,
                                    const CountTotal& total_1, const CountTotal& total_2) {
  const EntropyTerms terms(parameters.kind == Kind::kld ? 1.0 : parameters.alpha,
                           parameters.base);
  const double w1 = parameters.weight_1;
  const double w2 = parameters.weight_2;
  const double excess = weight_excess(w1, w2);
  for (VocabularyWord& word : vocabulary) {
    const double p1 = total_1.share(word.count_1);
    const double p2 = total_2.share(word.count_2);
    double phi_1 = 0.0;
    double phi_2 = 0.0;
    double s_diff = 0.0;
    switch (parameters.kind) {
      case Kind::proportion:
        phi_1 = phi_2 = 1.0;
        break;
      case Kind::entropy:
        if (p1 > 0.0 && p2 > 0.0) {
          phi_1 = terms.h(p1);
          phi_2 = terms.h(p2);
          s_diff = terms.rise(p1, p2);
        } else if (p1 > 0.0 || p2 > 0.0) {
          phi_1 = phi_2 = terms.h(p1 > 0.0 ? p1 : p2);
        }
        break;
      case Kind::kld:
        // Both texts weighted by P2: "text 1" scores a word by its surprisal under P2,
        // "text 2" by its surprisal under P1, so s_diff = log(p2 / p1).
        if (p2 > 0.0) {
          if (!(p1 > 0.0)) return &word;
          phi_1 = terms.h(p2);
          phi_2 = terms.h(p1);
          s_diff = terms.rise(p2, p1);
        } else if (p1 > 0.0) {
          phi_1 = phi_2 = terms.h(p1);  // weight 0 in both sums: 0 log 0 = 0
        }
        break;
      case Kind::jsd: {
        // Equal frequencies are their own mixture: such a word gives exactly 0.
        if (p1 == p2) break;
        const double m = w1 * p1 + w2 * p2;
        if (!(m > 0.0)) break;  // no weight on the text that has the word: no contribution
        // A text of weight 0 scores 0, however far its frequency is from the mixture.
        if (p1 > 0.0 && w1 > 0.0) {  // w1 (h(p1) - h(m)), with log(m / p1)
          phi_1 = w1 * terms.rise_by_log(log_mixture_ratio(m, p1, w2, p2, excess), m, p1);
        }
        if (p2 > 0.0 && w2 > 0.0) {  // w2 (h(m) - h(p2)), with log(p2 / m)
          phi_2 = w2 * terms.rise_by_log(-log_mixture_ratio(m, p2, w1, p1, excess), p2, m);
        }
        if (!(p1 > 0.0)) phi_1 = phi_2;
        if (!(p2 > 0.0)) phi_2 = phi_1;
        s_diff = phi_2 - phi_1;
        break;
      }
      case Kind::weighted:
        continue;  // scored while the vocabulary was collected
    }
    word.phi_1 = phi_1;
    word.phi_2 = phi_2;
    word.s_diff = s_diff;
  }
  return nullptr;
}

struct Context {
  Kind kind;
  CountTotal total_1;
  CountTotal total_2;
  double reference;
};

// One word's record, with its unnormalised shift u in `shift_score`. A pure function of
// its inputs, so computing it twice gives the same bits.
Raw raw_record(const VocabularyWord& word, const Context& context,
               std::string_view text = {}) noexcept {
  const double p1 = context.total_1.share(word.count_1);
  const double p2 = context.total_2.share(word.count_2);
  const bool kld = context.kind == Kind::kld;
  const double p_avg = kld ? p2 : (p1 + p2) * 0.5;
  const double p_diff = kld ? 0.0 : p2 - p1;
  const double s_diff = word.s_diff;
  // (phi_1 + phi_2) / 2 - ref, formed without overflow; with equal scores it is phi_1 - ref
  // exactly, the weighted-average shift's own s - r.
  const double s_ref_diff = s_diff == 0.0 ? word.phi_1 - context.reference
                                          : word.phi_1 + s_diff * 0.5 - context.reference;
  const double u = (p_avg * s_diff) + (p_diff * s_ref_diff);
  return Raw{text, p_diff, s_diff, p_avg, s_ref_diff, u};
}

bool finite_positive(double value) noexcept { return std::isfinite(value) && value > 0.0; }

}  // namespace

std::optional<ParameterProblem> check_parameters(const Parameters& parameters) {
  const Kind kind = parameters.kind;
  if ((kind == Kind::entropy || kind == Kind::jsd) && !finite_positive(parameters.alpha)) {
    return ParameterProblem{"alpha", "a finite number > 0"};
  }
  if ((kind == Kind::entropy || kind == Kind::jsd || kind == Kind::kld) &&
      (!finite_positive(parameters.base) || parameters.base == 1.0)) {
    return ParameterProblem{"base", "a finite number > 0 other than 1"};
  }
  if (kind == Kind::jsd) {
    const double w1 = parameters.weight_1;
    const double w2 = parameters.weight_2;
    if (!(std::isfinite(w1) && std::isfinite(w2) && w1 >= 0.0 && w2 >= 0.0 &&
          std::fabs(w1 + w2 - 1.0) <= 1e-12)) {
      return ParameterProblem{"weight_1 and weight_2", "finite, >= 0 and add up to 1"};
    }
  }
  if ((kind == Kind::entropy || kind == Kind::weighted) && parameters.reference &&
      !std::isfinite(*parameters.reference)) {
    return ParameterProblem{"reference_value", "None, 'average' or a finite number"};
  }
  return std::nullopt;
}

std::expected<ShiftResult, InfiniteDivergence> general_shift(const Inputs& inputs,
                                                             const Parameters& parameters,
                                                             const shift::Progress& progress) {
  std::vector<VocabularyWord> vocabulary = collect_vocabulary(inputs, parameters.kind, progress);
  progress();

  const CountTotal total_1 =
      shift::count_total(vocabulary, [](const VocabularyWord& word) { return word.count_1; });
  const CountTotal total_2 =
      shift::count_total(vocabulary, [](const VocabularyWord& word) { return word.count_2; });

  if (const VocabularyWord* infinite = derive_scores(vocabulary, parameters, total_1, total_2)) {
    return std::unexpected(
        InfiniteDivergence{std::string(word_text(inputs, infinite->source, infinite->index))});
  }

  ShiftResult result;
  if (parameters.kind == Kind::kld) {
    // Both weighted by P2: H(P2) and the cross-entropy H(P2, P1).
    result.s_avg_1 = weighted_mean(vocabulary, &VocabularyWord::count_2, &VocabularyWord::phi_1,
                                   total_2);
    result.s_avg_2 = weighted_mean(vocabulary, &VocabularyWord::count_2, &VocabularyWord::phi_2,
                                   total_2);
  } else {
    result.s_avg_1 = weighted_mean(vocabulary, &VocabularyWord::count_1, &VocabularyWord::phi_1,
                                   total_1);
    result.s_avg_2 = weighted_mean(vocabulary, &VocabularyWord::count_2, &VocabularyWord::phi_2,
                                   total_2);
  }
  double r = 0.0;
  switch (parameters.kind) {
    case Kind::proportion:
    case Kind::jsd: r = 0.0; break;
    case Kind::kld: r = result.s_avg_1; break;
    case Kind::entropy:
    case Kind::weighted: r = parameters.reference.value_or(result.s_avg_1); break;
  }
  result.reference_value = r;
  const Context context{parameters.kind, total_1, total_2, r};

  std::vector<double> shift_scores;
  shift_scores.reserve(vocabulary.size());
  progress();
  shift::ShiftTotals totals;
  std::size_t done = 0;
  for (const VocabularyWord& word : vocabulary) {
    if (++done % shift::kProgressInterval == 0) progress();
    const Raw raw = raw_record(word, context);
    totals.add(raw);
    shift_scores.push_back(raw.shift_score);
  }
  const double norm = totals.finish(result);
  for (double& shift_score : shift_scores) shift_score = shift_score / norm;

  const std::vector<std::size_t> order = shift::order_by_magnitude(shift_scores, parameters.max_entries, progress);
  result.entries.reserve(order.size());
  progress();
  for (const std::size_t index : order) {
    if (result.entries.size() % shift::kProgressInterval == shift::kProgressInterval - 1) {
      progress();
    }
    const VocabularyWord& word = vocabulary[index];
    const Raw raw = raw_record(word, context, word_text(inputs, word.source, word.index));
    result.entries.push_back(ShiftEntry{std::string(raw.type), raw.p_diff, raw.s_diff, raw.p_avg,
                                        raw.s_ref_diff, shift_scores[index]});
  }
  return result;
}

}  // namespace moodvane::general
