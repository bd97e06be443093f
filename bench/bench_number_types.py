"""Counts that are not plain ints, side by side with plain ints, in one run.

    python bench/bench_number_types.py [--words 200000] [--repeats 5]

A value that is not an exact int, float or bool may run Python code when it is converted, so
from the first such value on every word the call reads holds a reference of the call. This
measures what that costs: weighted_avg_shift_custom and proportion_shift on WORDS words per
dict, with the counts as Python ints (the baseline), as numpy integers (counts from numpy
or pandas; target: at most 3 times the baseline), and as Python ints with a single
Fraction in each dict. Each figure is the best of REPEATS calls.
"""

from __future__ import annotations

import argparse
import time
from collections.abc import Callable
from fractions import Fraction
from typing import Any

import numpy as np

import moodvane
from moodvane_tools import proportion_shift


def best_of(repeats: int, call: Callable[[], Any]) -> float:
    best = float("inf")
    for _ in range(repeats):
        start = time.perf_counter()
        call()
        best = min(best, time.perf_counter() - start)
    return best


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--words", type=int, default=200_000)
    parser.add_argument("--repeats", type=int, default=5)
    options = parser.parse_args()
    n = options.words

    words_1 = [f"word{i:07d}" for i in range(n)]
    words_2 = [f"word{i:07d}" for i in range(n // 2, n + n // 2)]
    plain_1 = {w: i % 97 + 1 for i, w in enumerate(words_1)}
    plain_2 = {w: i % 89 + 1 for i, w in enumerate(words_2)}
    scores = {w: 1.0 + (i % 800) / 100 for i, w in enumerate(words_1 + words_2)}
    variants = {
        "Python ints": (plain_1, plain_2),
        "numpy int64": ({w: np.int64(c) for w, c in plain_1.items()},
                        {w: np.int64(c) for w, c in plain_2.items()}),
        "one Fraction per dict": ({**plain_1, words_1[0]: Fraction(3, 2)},
                                  {**plain_2, words_2[0]: Fraction(5, 2)}),
    }
    calls: dict[str, Callable[[dict, dict], Any]] = {
        "weighted_avg_shift_custom": lambda one, two: moodvane.weighted_avg_shift_custom(
            one, two, scores, top_n=20),
        "proportion_shift": lambda one, two: proportion_shift(one, two, top_n=20),
    }
    print(f"{n} words per dict, best of {options.repeats}")
    print(f"{'call':28} {'counts':24} {'seconds':>9} {'ratio':>7}")
    for name, call in calls.items():
        baseline = None
        for label, (one, two) in variants.items():
            seconds = best_of(options.repeats, lambda: call(one, two))
            baseline = baseline or seconds
            print(f"{name:28} {label:24} {seconds:9.4f} {seconds / baseline:7.2f}")


if __name__ == "__main__":
    main()
