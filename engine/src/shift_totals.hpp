// What every kind of shift does once each word's record is made: the running totals in
// vocabulary order, the normalisation, and the order of the returned entries. Shared so
// that the weighted-average shift and the generalized shifts stay bit for bit alike.
#pragma once

#include <cmath>
#include <cstddef>
#include <string_view>
#include <vector>

#include "moodvane/shift.hpp"
#include "moodvane/types.hpp"

namespace moodvane::shift {

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

// A vocabulary total, with the factor every count is multiplied by before it is divided by
// the total. The factor is 1, so that each share is bit for bit count / total, unless the
// plain sum of finite counts overflows: then the counts are summed again multiplied by
// 2^-64, which is exact for every count above 2^-958, and the shares of finite counts stay
// right instead of collapsing to 0.
struct CountTotal {
  double sum = +0.0;
  double scale = 1.0;

  // count / total when the total is > 0, otherwise 0.
  double share(double count) const noexcept { return sum > 0.0 ? (count * scale) / sum : 0.0; }
};

inline constexpr double kOverflowScale = 0x1p-64;

// The total of `count(word)` over `words`, one term at a time in their order.
template <class Words, class Count>
CountTotal count_total(const Words& words, Count count) {
  CountTotal total;
  for (const auto& word : words) total.sum += count(word);
  if (std::isinf(total.sum)) {
    double scaled = +0.0;
    for (const auto& word : words) scaled += count(word) * kOverflowScale;
    // An infinite count stays infinite, and its total with it.
    if (std::isfinite(scaled)) total = {scaled, kOverflowScale};
  }
  return total;
}

// The sum of u, the sum of |u| and the six component sums, each taken one word at a time in
// the order the records are added (the vocabulary's byte order).
class ShiftTotals {
 public:
  void add(const Raw& raw) noexcept;
  // Sets the result's total_diff, norm (the sum of |u|, or 1 when that is 0) and component
  // sums divided by norm; returns norm.
  double finish(types::ShiftResult& result) const noexcept;

 private:
  double total_diff_ = +0.0;
  double abs_sum_ = +0.0;
  types::ComponentSums sums_;
};

// The positions of the records in result order: descending |shift_score|, ties in the
// current (vocabulary) order, NaN last. Only the first `wanted` positions (all when 0) are
// returned.
std::vector<std::size_t> order_by_magnitude(const std::vector<double>& shift_scores,
                                            std::size_t wanted, const Progress& progress);

}  // namespace moodvane::shift
