"""A plain-Python computation of the generalized word shifts, used as the tests' oracle.

It follows the formulas step by step, in the same order of floating-point operations as
the native engine (sums in byte order of the words, the same guards, the same logarithm
forms), so its results can be compared with the native ones bit for bit. It is written for
clarity, not speed; the benchmark measures the native engine against it.
"""

from __future__ import annotations

import math
from collections.abc import Iterable, Mapping
from typing import Any


def _expm1(x: float) -> float:
    """expm1 that overflows to infinity, as C's does, instead of raising."""
    try:
        return math.expm1(x)
    except OverflowError:
        return math.inf


def _pow(x: float, y: float) -> float:
    try:
        return math.pow(x, y)
    except OverflowError:
        return math.inf


def log_ratio(x: float, y: float) -> float:
    """log(x / y) for x, y > 0, without cancellation when x and y are close."""
    q = x / y
    if 0.5 < q < 2.0:
        return math.log1p((x - y) / y)
    if q == 0.0 or math.isinf(q):
        return math.log(x) - math.log(y)
    return math.log(q)


def weight_excess(w1: float, w2: float) -> float:
    """w1 + w2 - 1 with one rounding."""
    return w1 - (1.0 - w2) if w2 >= 0.5 else w2 - (1.0 - w1)


def log_mixture_ratio(m: float, p: float, w_other: float, p_other: float, excess: float) -> float:
    """log(m / p) for the mixture m = w p + w_other p_other, from (m - p) / p."""
    x = (w_other * (p_other - p) + excess * p) / p
    return math.log1p(x) if -0.5 < x < 1.0 else log_ratio(m, p)


class Entropy:
    """The per-word score h(p) of Shannon's (alpha 1) or Tsallis's entropy."""

    def __init__(self, alpha: float, base: float) -> None:
        self.shannon = alpha == 1.0
        self.g = alpha - 1.0
        self.ln_base = math.log(base)

    def h(self, p: float) -> float:
        if self.shannon:
            return -math.log(p) / self.ln_base
        return -_expm1(self.g * math.log(p)) / self.g

    def rise(self, start: float, end: float) -> float:
        """h(end) - h(start)."""
        return self.rise_by_log(log_ratio(start, end), start, end)

    def rise_by_log(self, lq: float, start: float, end: float) -> float:
        """h(end) - h(start) given lq = log(start / end)."""
        if self.shannon:
            return lq / self.ln_base
        exponent = self.g * lq
        if abs(exponent) < 1.0:
            return _pow(end, self.g) * _expm1(exponent) / self.g
        return (_pow(start, self.g) - _pow(end, self.g)) / self.g


def _relative(count: float, total: float) -> float:
    return count / total if total > 0.0 else 0.0


def _number(value: float) -> float | None:
    return value if math.isfinite(value) else None


def _derived_scores(
    kind: str, p1: float, p2: float, terms: Entropy, w1: float, w2: float
) -> tuple[float, float, float]:
    """(phi_1, phi_2, s_diff) of one word for the kinds that derive their scores."""
    if kind == "proportion":
        return 1.0, 1.0, 0.0
    if kind == "entropy":
        if p1 > 0.0 and p2 > 0.0:
            return terms.h(p1), terms.h(p2), terms.rise(p1, p2)
        if p1 > 0.0 or p2 > 0.0:
            phi = terms.h(p1 if p1 > 0.0 else p2)
            return phi, phi, 0.0
        return 0.0, 0.0, 0.0
    if kind == "kld":
        if p2 > 0.0:
            return terms.h(p2), terms.h(p1), terms.rise(p2, p1)
        if p1 > 0.0:
            phi = terms.h(p1)
            return phi, phi, 0.0
        return 0.0, 0.0, 0.0
    # jsd
    if p1 == p2:
        return 0.0, 0.0, 0.0
    m = w1 * p1 + w2 * p2
    if not m > 0.0:
        return 0.0, 0.0, 0.0
    excess = weight_excess(w1, w2)
    phi_1 = phi_2 = 0.0
    if p1 > 0.0 and w1 > 0.0:
        phi_1 = w1 * terms.rise_by_log(log_mixture_ratio(m, p1, w2, p2, excess), m, p1)
    if p2 > 0.0 and w2 > 0.0:
        phi_2 = w2 * terms.rise_by_log(-log_mixture_ratio(m, p2, w1, p1, excess), p2, m)
    if not p1 > 0.0:
        phi_1 = phi_2
    if not p2 > 0.0:
        phi_2 = phi_1
    return phi_1, phi_2, phi_2 - phi_1


class InfiniteDivergence(ValueError):
    """The Kullback-Leibler divergence is infinite because of `word`."""

    def __init__(self, word: str) -> None:
        super().__init__(word)
        self.word = word


def general_shift(
    kind: str,
    type2freq_1: Mapping[str, Any],
    type2freq_2: Mapping[str, Any],
    scores_1: Mapping[str, Any] | None = None,
    scores_2: Mapping[str, Any] | None = None,
    *,
    stop_words: Iterable[str] = (),
    top_n: int = 0,
    alpha: float = 1.0,
    base: float = 2.0,
    weight_1: float = 0.5,
    weight_2: float = 0.5,
    reference_value: float | None = None,
) -> dict[str, Any]:
    """The shift of text 2 against text 1 as a plain result dict (inputs assumed valid)."""
    stop = set(stop_words)
    counts_1 = {w: float(v) + 0.0 for w, v in type2freq_1.items()}
    counts_2 = {w: float(v) + 0.0 for w, v in type2freq_2.items()}
    candidates = (set(counts_1) | set(counts_2)) - stop
    if kind == "weighted":
        s1 = {w: float(v) for w, v in (scores_1 or {}).items()}
        s2 = {w: float(v) for w, v in (scores_2 or {}).items()}
        words = [w for w in candidates if w in s1 or w in s2]
    else:
        words = [w for w in candidates if counts_1.get(w, 0.0) > 0.0 or counts_2.get(w, 0.0) > 0.0]
    words.sort(key=lambda w: w.encode("utf-8"))
    c1 = [counts_1.get(w, 0.0) for w in words]
    c2 = [counts_2.get(w, 0.0) for w in words]

    total_1 = 0.0
    for c in c1:
        total_1 += c
    total_2 = 0.0
    for c in c2:
        total_2 += c

    phi_1: list[float] = []
    phi_2: list[float] = []
    s_diff: list[float] = []
    if kind == "weighted":
        for w in words:
            a = s1[w] if w in s1 else s2[w]
            b = s2[w] if w in s2 else s1[w]
            phi_1.append(a)
            phi_2.append(b)
            s_diff.append(b - a)
    else:
        terms = Entropy(1.0 if kind == "kld" else alpha, base)
        for w, a, b in zip(words, c1, c2):
            p1 = _relative(a, total_1)
            p2 = _relative(b, total_2)
            if kind == "kld" and p2 > 0.0 and not p1 > 0.0:
                raise InfiniteDivergence(w)
            x, y, d = _derived_scores(kind, p1, p2, terms, weight_1, weight_2)
            phi_1.append(x)
            phi_2.append(y)
            s_diff.append(d)

    def mean(counts: list[float], total: float, phi: list[float]) -> float:
        if total <= 0.0:
            return 0.0
        acc = -0.0
        for c, f in zip(counts, phi):
            acc += (c / total) * f
        return acc

    if kind == "kld":
        s_avg_1 = mean(c2, total_2, phi_1)
        s_avg_2 = mean(c2, total_2, phi_2)
    else:
        s_avg_1 = mean(c1, total_1, phi_1)
        s_avg_2 = mean(c2, total_2, phi_2)
    if kind in ("proportion", "jsd"):
        r = 0.0
    elif kind == "kld":
        r = s_avg_1
    else:
        r = s_avg_1 if reference_value is None else reference_value

    records = []
    for i, w in enumerate(words):
        p1 = _relative(c1[i], total_1)
        p2 = _relative(c2[i], total_2)
        if kind == "kld":
            p_avg, p_diff = p2, 0.0
        else:
            p_avg, p_diff = (p1 + p2) * 0.5, p2 - p1
        sd = s_diff[i]
        srd = phi_1[i] - r if sd == 0.0 else phi_1[i] + sd * 0.5 - r
        u = (p_avg * sd) + (p_diff * srd)
        records.append((w, p_diff, sd, p_avg, srd, u))

    total_diff = 0.0
    abs_sum = 0.0
    sums = dict.fromkeys(
        ("pos_s_pos_p", "pos_s_neg_p", "neg_s_pos_p", "neg_s_neg_p", "pos_s", "neg_s"), 0.0
    )
    for _, p_diff, sd, p_avg, srd, u in records:
        total_diff += u
        abs_sum += abs(u)
        d = p_diff * srd
        if srd > 0:
            sums["pos_s_pos_p" if p_diff > 0 else "pos_s_neg_p"] += d
        else:
            sums["neg_s_pos_p" if p_diff > 0 else "neg_s_neg_p"] += d
        sums["pos_s" if sd > 0 else "neg_s"] += p_avg * sd
    norm = 1.0 if abs_sum == 0.0 else abs_sum
    scores = [rec[5] / norm for rec in records]
    order = sorted(
        range(len(records)),
        key=lambda i: (math.isnan(scores[i]), 0.0 if math.isnan(scores[i]) else -abs(scores[i])),
    )
    if top_n:
        order = order[:top_n]
    entries = [
        {
            "type": records[i][0],
            "p_diff": _number(records[i][1]),
            "s_diff": _number(records[i][2]),
            "p_avg": _number(records[i][3]),
            "s_ref_diff": _number(records[i][4]),
            "shift_score": _number(scores[i]),
        }
        for i in order
    ]
    return {
        "entries": entries,
        "component_sums": {k: _number(v / norm) for k, v in sums.items()},
        "total_diff": _number(total_diff),
        "norm": _number(norm),
        "s_avg_1": _number(s_avg_1),
        "s_avg_2": _number(s_avg_2),
        "reference_value": _number(r),
        "normalization": "variation",
    }
