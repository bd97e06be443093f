"""The generalized shifts of moodvane_tools against their baselines, side by side in one run.

    python bench/bench_general.py [--tokens 1000000] [--types 300000] [--repeats 7]

Two texts of TOKENS words each are drawn from one Zipf-distributed vocabulary of TYPES
words (the second text with the ranks partly shuffled, so the texts differ) and counted
into frequency dicts. Each kind of shift runs on them with top_n=20 and is compared with

- the pure-Python implementation of the same formulas (tests/python/general_reference.py),
  on the same inputs (target: at least 30 times slower than the native call), and
- moodvane.weighted_avg_shift_custom on the same two dicts, with a scores dict that scores
  every word of both texts, so that its vocabulary is the same (target: the kind's call at
  most 1.5 times as long). The weighted kind gets that dict as both of its maps.

The Kullback-Leibler divergence needs every word of text 2 in text 1, so its row (and its
baselines) use text 1 with one added to every count of the union of both texts.
Each native figure is the best of REPEATS calls; the pure-Python one the best of two.
"""

from __future__ import annotations

import argparse
import bisect
import itertools
import random
import string
import sys
import time
from collections import Counter
from collections.abc import Callable
from pathlib import Path
from typing import Any

import moodvane
from moodvane_tools import (
    entropy_shift,
    jsd_shift,
    kld_shift,
    proportion_shift,
    weighted_avg_shift_pair,
)

REPO = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(REPO / "tests" / "python"))
import general_reference  # noqa: E402


def best_seconds(call: Callable[[], Any], repeats: int) -> float:
    best = float("inf")
    for _ in range(repeats):
        start = time.perf_counter()
        call()
        best = min(best, time.perf_counter() - start)
    return best


def vocabulary(types: int, rng: random.Random) -> list[str]:
    words: set[str] = set()
    while len(words) < types:
        words.add("".join(rng.choices(string.ascii_lowercase, k=rng.randint(2, 11))))
    ordered = sorted(words)
    rng.shuffle(ordered)
    return ordered


def zipf_text(words: list[str], tokens: int, rng: random.Random) -> dict[str, int]:
    cumulative = list(itertools.accumulate(1.0 / (rank + 1) for rank in range(len(words))))
    top = cumulative[-1]
    counts = Counter(
        words[bisect.bisect_left(cumulative, rng.random() * top)] for _ in range(tokens)
    )
    # New key objects, in the order a count over a text would make them.
    return {word.encode().decode(): count for word, count in counts.items()}


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--tokens", type=int, default=1_000_000)
    parser.add_argument("--types", type=int, default=300_000)
    parser.add_argument("--repeats", type=int, default=7)
    args = parser.parse_args(argv)

    rng = random.Random(20261208)
    words = vocabulary(args.types, rng)
    text_1 = zipf_text(words, args.tokens, rng)
    shuffled = list(words)
    for i in range(0, len(shuffled) - 1, 3):  # every third pair of neighbours trades ranks
        shuffled[i], shuffled[i + 1] = shuffled[i + 1], shuffled[i]
    text_2 = zipf_text(shuffled, args.tokens, rng)
    union = set(text_1) | set(text_2)
    # Text 1 with one added to every count, its new words after its own, as a count that is
    # updated with text 2's vocabulary would hold them.
    smoothed_1 = {w: text_1.get(w, 0) + 1 for w in itertools.chain(text_1, text_2)}
    # Scored like a lexicon read from a file: its own str objects, made in its own order.
    scores = {w.encode().decode(): rng.uniform(1.0, 9.0) for w in sorted(union)}
    print(
        f"texts of {args.tokens:,} words: {len(text_1):,} and {len(text_2):,} distinct words, "
        f"{len(union):,} in both together; top_n=20, best of {args.repeats}"
    )

    kinds: list[tuple[str, dict[str, int], Callable[..., Any], dict[str, Any]]] = [
        ("proportion", text_1, proportion_shift, {}),
        ("entropy", text_1, entropy_shift, {}),
        ("entropy a=2", text_1, entropy_shift, {"alpha": 2.0}),
        ("kld", smoothed_1, kld_shift, {}),
        ("jsd", text_1, jsd_shift, {}),
        ("weighted", text_1, weighted_avg_shift_pair, {}),
    ]
    print(f"{'kind':<12} {'native ms':>10} {'python ms':>10} {'python/native':>14} "
          f"{'custom ms':>10} {'native/custom':>14}")
    for name, first, function, options in kinds:
        kind = name.split()[0]
        extra: tuple[dict[str, float], ...] = (scores, scores) if kind == "weighted" else ()

        def native() -> Any:
            return function(first, text_2, *extra, top_n=20, **options)

        def python() -> Any:
            return general_reference.general_shift(
                kind, first, text_2, *extra, top_n=20, **options
            )

        def custom() -> Any:
            return moodvane.weighted_avg_shift_custom(first, text_2, scores, top_n=20)

        assert native() == python(), name  # the figures compare equal results
        native_s = best_seconds(native, args.repeats)
        custom_s = best_seconds(custom, args.repeats)
        python_s = best_seconds(python, 2)
        print(
            f"{name:<12} {native_s * 1e3:>10.1f} {python_s * 1e3:>10.1f} "
            f"{python_s / native_s:>13.1f}x {custom_s * 1e3:>10.1f} {native_s / custom_s:>13.2f}x"
        )
    return 0


if __name__ == "__main__":
    raise SystemExit(main())
