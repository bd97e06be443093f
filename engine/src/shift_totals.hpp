// What every kind of shift does once each word's record is made: the running totals in
// vocabulary order, the normalisation, and the order of the returned entries. Shared so
// that the weighted-average shift and the generalized shifts stay bit for bit alike.
#pragma once

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
