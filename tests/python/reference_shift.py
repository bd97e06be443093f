"""A straightforward pure-Python weighted-average word shift.

It follows the engine's steps one by one, in the same order of floating-point operations,
so that its results are bit-identical to the native module's for valid inputs. It serves
as the baseline of the benchmarks and as the oracle of the property tests.

Non-finite numbers are returned as they are (the native module returns them as None).
"""

from __future__ import annotations

import math
from collections.abc import Iterable, Mapping


def _freq_map(type2freq: Mapping[str, float]) -> dict[str, float]:
    freqs: dict[str, float] = {}
    for word, freq in type2freq.items():
        freqs[word] = float(freq) + freqs.get(word, 0.0)
    return freqs


def _weighted_mean(vocabulary, freqs, scores, total):
    if total <= 0.0:
        return 0.0
    mean = -0.0
    for word in vocabulary:
        mean += (freqs.get(word, 0.0) / total) * scores.get(word, 0.0)
    return mean


def weighted_avg_shift(
    type2freq_1: Mapping[str, float],
    type2freq_2: Mapping[str, float],
    scores: Mapping[str, float],
    reference_value: str | float | None = None,
    top_n: int = 0,
    stop_lens: tuple[float, float] | None = None,
    stop_words: Iterable[str] | None = None,
) -> dict:
    scores = {word: float(score) for word, score in scores.items()}
    lens = None
    if stop_lens is not None:
        a, b = float(stop_lens[0]), float(stop_lens[1])
        lens = (a, b) if a <= b else (b, a)
    stops = set(stop_words) if stop_words else None

    f1 = _freq_map(type2freq_1)
    f2 = _freq_map(type2freq_2)

    def keep(word: str) -> bool:
        if word not in scores:
            return False
        if lens is not None and lens[0] <= scores[word] <= lens[1]:
            return False
        return stops is None or word not in stops

    vocabulary = sorted({w for w in f1 if keep(w)} | {w for w in f2 if keep(w)},
                        key=lambda w: w.encode("utf-8", "surrogatepass"))

    t1 = 0.0
    t2 = 0.0
    for word in vocabulary:
        t1 += f1.get(word, 0.0)
    for word in vocabulary:
        t2 += f2.get(word, 0.0)

    s_avg_1 = _weighted_mean(vocabulary, f1, scores, t1)
    s_avg_2 = _weighted_mean(vocabulary, f2, scores, t2)
    if reference_value is None or (isinstance(reference_value, str)
                                   and reference_value.lower() == "average"):
        r = s_avg_1
    else:
        r = float(reference_value)

    raws = []
    total_diff = 0.0
    abs_sum = 0.0
    for word in vocabulary:
        p1 = f1.get(word, 0.0) / t1 if t1 > 0.0 else 0.0
        p2 = f2.get(word, 0.0) / t2 if t2 > 0.0 else 0.0
        p_avg = (p1 + p2) * 0.5
        p_diff = p2 - p1
        s_diff = 0.0
        s_ref_diff = scores[word] - r
        u = (p_avg * s_diff) + (p_diff * s_ref_diff)
        total_diff += u
        abs_sum += abs(u)
        raws.append([word, p_diff, s_diff, p_avg, s_ref_diff, u])

    norm = 1.0 if abs_sum == 0.0 else abs_sum

    sums = dict.fromkeys(
        ("pos_s_pos_p", "pos_s_neg_p", "neg_s_pos_p", "neg_s_neg_p", "pos_s", "neg_s"), 0.0)
    for _, p_diff, s_diff, p_avg, s_ref_diff, _ in raws:
        d = p_diff * s_ref_diff
        if s_ref_diff > 0:
            sums["pos_s_pos_p" if p_diff > 0 else "pos_s_neg_p"] += d
        else:
            sums["neg_s_pos_p" if p_diff > 0 else "neg_s_neg_p"] += d
        sums["pos_s" if s_diff > 0 else "neg_s"] += p_avg * s_diff
    sums = {key: value / norm for key, value in sums.items()}

    for raw in raws:
        raw[5] = raw[5] / norm
    # Descending magnitude, ties in vocabulary order (sorted() is stable), NaN last.
    raws.sort(key=lambda raw: (True, 0.0) if math.isnan(raw[5]) else (False, -abs(raw[5])))
    if top_n:
        del raws[top_n:]

    entries = [
        {"type": w, "p_diff": pd, "s_diff": sd, "p_avg": pa, "s_ref_diff": srd, "shift_score": ss}
        for w, pd, sd, pa, srd, ss in raws
    ]
    return {
        "entries": entries,
        "component_sums": sums,
        "total_diff": total_diff,
        "norm": norm,
        "s_avg_1": s_avg_1,
        "s_avg_2": s_avg_2,
        "reference_value": r,
        "normalization": "variation",
    }
