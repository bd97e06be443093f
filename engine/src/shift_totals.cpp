#include "shift_totals.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "radix_sort.hpp"

namespace moodvane::shift {

void ShiftTotals::add(const Raw& raw) noexcept {
  total_diff_ += raw.shift_score;
  abs_sum_ += std::fabs(raw.shift_score);
  const double d = raw.p_diff * raw.s_ref_diff;
  if (raw.s_ref_diff > 0) {
    (raw.p_diff > 0 ? sums_.pos_s_pos_p : sums_.pos_s_neg_p) += d;
  } else {
    (raw.p_diff > 0 ? sums_.neg_s_pos_p : sums_.neg_s_neg_p) += d;
  }
  const double e = raw.p_avg * raw.s_diff;
  (raw.s_diff > 0 ? sums_.pos_s : sums_.neg_s) += e;
}

double ShiftTotals::finish(types::ShiftResult& result) const noexcept {
  result.total_diff = total_diff_;
  const double norm = abs_sum_ == 0.0 ? 1.0 : abs_sum_;
  result.norm = norm;
  types::ComponentSums sums = sums_;
  sums.pos_s_pos_p /= norm;
  sums.pos_s_neg_p /= norm;
  sums.neg_s_pos_p /= norm;
  sums.neg_s_neg_p /= norm;
  sums.pos_s /= norm;
  sums.neg_s /= norm;
  result.component_sums = sums;
  return norm;
}

// Only 16-byte keys move, never the records; a few out of many are selected rather than
// sorted, with the same ties.
std::vector<std::size_t> order_by_magnitude(const std::vector<double>& shift_scores,
                                            std::size_t wanted, const Progress& progress) {
  struct Key {
    std::uint64_t rank;  // smaller first
    std::size_t index;
  };
  constexpr std::uint64_t kInfinityBits = 0x7FF0000000000000u;
  std::vector<Key> keys(shift_scores.size());
  for (std::size_t i = 0; i < shift_scores.size(); ++i) {
    const double score = shift_scores[i];
    // For non-negative doubles the bit pattern grows with the value, so subtracting it from
    // the infinity pattern ranks larger magnitudes first; every NaN ranks after everything.
    const std::uint64_t magnitude = std::bit_cast<std::uint64_t>(std::fabs(score));
    keys[i] = {std::isnan(score) ? UINT64_MAX : kInfinityBits - magnitude, i};
  }
  if (wanted != 0 && wanted < keys.size() / 16) {
    // Equal ranks ordered by position: the order a stable sort gives them.
    const auto before = [](const Key& a, const Key& b) {
      return a.rank != b.rank ? a.rank < b.rank : a.index < b.index;
    };
    std::nth_element(keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(wanted), keys.end(),
                     before);
    keys.resize(wanted);
    std::sort(keys.begin(), keys.end(), before);
  } else {
    // Stable: ties keep their order.
    radix_sort(keys, [](const Key& key) { return key.rank; }, progress);
    if (wanted != 0 && keys.size() > wanted) keys.resize(wanted);
  }
  std::vector<std::size_t> order(keys.size());
  for (std::size_t k = 0; k < keys.size(); ++k) order[k] = keys[k].index;
  return order;
}

}  // namespace moodvane::shift
