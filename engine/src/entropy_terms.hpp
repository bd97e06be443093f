// The per-word scores of the entropies and divergences, and their differences computed
// without cancellation.
//
// A word's score under an entropy is h(p): -log_b(p) for Shannon's entropy (alpha = 1) and
// (1 - p^(alpha-1)) / (alpha-1) for Tsallis's entropy of order alpha, so that the entropy
// is sum p * h(p). Divergences need differences h(y) - h(x) of nearly equal frequencies,
// where subtracting two rounded logarithms would lose every digit; `rise` forms them from
// the ratio instead, and the Tsallis form goes through expm1 so that it meets Shannon's
// (in natural units) smoothly as alpha approaches 1.
#pragma once

#include <cmath>

namespace moodvane::general {

// log(x / y) for x, y > 0, accurate also when x and y are close or far apart.
inline double log_ratio(double x, double y) noexcept {
  const double q = x / y;
  // Within a factor of two x - y is exact (Sterbenz), so log1p sees the exact difference.
  if (q > 0.5 && q < 2.0) return std::log1p((x - y) / y);
  // The ratio overflowed or underflowed: the two logarithms are far apart and both finite.
  if (q == 0.0 || std::isinf(q)) return std::log(x) - std::log(y);
  return std::log(q);
}

// w1 + w2 - 1 with one rounding: the weights are checked to add up to 1 only within
// 1e-12, and the mixture's ratios below need the remainder.
inline double weight_excess(double w1, double w2) noexcept {
  return w2 >= 0.5 ? w1 - (1.0 - w2) : w2 - (1.0 - w1);  // 1 - w is exact there (Sterbenz)
}

// log(m / p) for the mixture m = w * p + w_other * p_other (> 0) of p > 0, from
// (m - p) / p = (w_other * (p_other - p) + excess * p) / p, so that a mixture that rounds to
// (nearly) p keeps its distance from p.
inline double log_mixture_ratio(double m, double p, double w_other, double p_other,
                                double excess) noexcept {
  const double x = (w_other * (p_other - p) + excess * p) / p;
  return x > -0.5 && x < 1.0 ? std::log1p(x) : log_ratio(m, p);  // far apart: no cancellation
}

class EntropyTerms {
 public:
  // alpha > 0 and finite; base > 0, finite and not 1 (used by Shannon's form only).
  EntropyTerms(double alpha, double base) noexcept
      : shannon_(alpha == 1.0), order_less_one_(alpha - 1.0), ln_base_(std::log(base)) {}

  // h(p) for p > 0.
  double h(double p) const noexcept {
    if (shannon_) return -std::log(p) / ln_base_;
    return -std::expm1(order_less_one_ * std::log(p)) / order_less_one_;
  }

  // h(to) - h(from) for from, to > 0; exactly 0 when they are equal.
  double rise(double from, double to) const noexcept {
    return rise_by_log(log_ratio(from, to), from, to);
  }

  // h(to) - h(from) given log(from / to), which the caller may know more precisely than
  // `from` itself.
  double rise_by_log(double log_quotient, double from, double to) const noexcept {
    if (shannon_) return log_quotient / ln_base_;
    const double exponent = order_less_one_ * log_quotient;
    // (from^g - to^g) / g = to^g * ((from/to)^g - 1) / g: the second form only where the
    // powers are close, since far apart it would multiply an underflow by an overflow.
    if (std::fabs(exponent) < 1.0) {
      return std::pow(to, order_less_one_) * std::expm1(exponent) / order_less_one_;
    }
    return (std::pow(from, order_less_one_) - std::pow(to, order_less_one_)) / order_less_one_;
  }

 private:
  bool shannon_;
  double order_less_one_;
  double ln_base_;
};

}  // namespace moodvane::general
