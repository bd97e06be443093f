"""The native Chinese segmenter against jieba, side by side in one run.

    python bench/bench_chinese.py [--megabytes 2] [--repeats 3]

On the real Chinese sample of the tests (tests/python/data/chinese_sample.txt, repeated to
MEGABYTES), prints the best of REPEATS runs, in MB/s, of
(a) jieba's default mode, list(jieba.cut(text)), hidden Markov model on;
(b) list(jieba.cut(text, HMM=False)), the cut the native segmenter reproduces;
(c) the native segmenter, moodvane_tools._native.segment_chinese(text), which gives the
    same list of str;
(d) count_words(sample, "chinese", segmenter="jieba") and (e) count_words(sample,
    "chinese"), whose Chinese runs go to jieba and to the native segmenter, on the sample
    once (count_words cuts each distinct run once, so a repeated text would time its cache);
and the ratios (a)/(c), (b)/(c), (d)/(e) and (a)/(e), the last two per MB. Each segmenter has built its dictionary
before it is timed.
"""

from __future__ import annotations

import argparse
import logging
import time
from collections.abc import Callable
from pathlib import Path

import jieba

from moodvane_tools import _native, count_words

SAMPLE = Path(__file__).resolve().parents[1] / "tests" / "python" / "data" / "chinese_sample.txt"


def best(function: Callable[[], object], repeats: int) -> float:
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        function()
        times.append(time.perf_counter() - start)
    return min(times)


def main() -> None:
    parser = argparse.ArgumentParser(description=(__doc__ or "").split("\n\n")[0])
    parser.add_argument("--megabytes", type=float, default=2.0)
    parser.add_argument("--repeats", type=int, default=3)
    args = parser.parse_args()
    sample = SAMPLE.read_text(encoding="utf-8")
    text = sample * max(1, round(args.megabytes * 1e6 / len(sample.encode("utf-8"))))
    megabytes = len(text.encode("utf-8")) / 1e6

    jieba.setLogLevel(logging.WARNING)
    for warm in (lambda: list(jieba.cut(sample)), lambda: _native.segment_chinese(sample),
                 lambda: count_words(sample, "chinese", segmenter="jieba"),
                 lambda: count_words(sample, "chinese")):
        warm()
    timed = {
        "(a) jieba default": lambda: list(jieba.cut(text)),
        "(b) jieba HMM=False": lambda: list(jieba.cut(text, HMM=False)),
        "(c) native": lambda: _native.segment_chinese(text),
        "(d) count_words jieba": lambda: count_words(sample, "chinese", segmenter="jieba"),
        "(e) count_words native": lambda: count_words(sample, "chinese"),
    }
    seconds = {name: best(function, args.repeats) for name, function in timed.items()}
    sample_megabytes = len(sample.encode("utf-8")) / 1e6
    print(f"{megabytes:.1f} MB of Chinese text ((d), (e): {sample_megabytes:.3f} MB), "
          f"best of {args.repeats}")
    for name, value in seconds.items():
        size = sample_megabytes if name.startswith(("(d)", "(e)")) else megabytes
        print(f"{name:<24} {size / value:8.2f} MB/s")
    a, b, c, d, e = seconds.values()
    per_megabyte = sample_megabytes / megabytes
    print(f"(a)/(c) {a / c:6.1f}   (b)/(c) {b / c:6.1f}   (d)/(e) {d / e:6.1f}   "
          f"(a)/(e) {a * per_megabyte / e:6.1f}")


if __name__ == "__main__":
    main()
