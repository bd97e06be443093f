"""Scoring a corpus: score_documents and happiness_series against a loop of single calls,
side by side in one run.

    python bench/bench_corpus.py [--documents 100000] [--boot 1000] [--rounds 3]

DOCUMENTS tweet-sized documents (bench/corpus_text.py) over 120 days are scored
- by a Python loop of count_words + moodvane.weighted_avg_shift(counts, {}) per document,
- by score_documents(texts), and
- by happiness_series(texts, dates, n_boot=BOOT) (per-day scores with a bootstrap band),
the figure of each being its best round. The loop's scores are checked to equal
score_documents' bit for bit first. Targets: score_documents at least 5 times faster than
the loop; happiness_series within 2 times score_documents.
"""

from __future__ import annotations

import argparse
import struct
import time

import moodvane
from corpus_text import documents
from moodvane_tools import count_words, happiness_series, score_documents


def loop(texts: list[str]) -> list[float]:
    return [moodvane.weighted_avg_shift(count_words(text), {}, lexicon="english")["s_avg_1"]
            for text in texts]


def best(call, rounds: int) -> float:
    times = []
    for _ in range(rounds):
        start = time.perf_counter()
        call()
        times.append(time.perf_counter() - start)
    return min(times)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--documents", type=int, default=100_000)
    parser.add_argument("--boot", type=int, default=1000)
    parser.add_argument("--rounds", type=int, default=3)
    options = parser.parse_args()
    texts, dates = documents(options.documents)

    expected = loop(texts)
    frame = score_documents(texts)
    got = [score if scored else 0.0 for score, scored in zip(frame["score"], frame["scored"])]
    same = all(struct.pack("<d", a) == struct.pack("<d", b) for a, b in zip(got, expected))
    print(f"{options.documents} documents, {sum(frame['tokens'])} tokens; "
          f"scores equal bit for bit: {same}")
    if not same:
        raise SystemExit(1)

    looped = best(lambda: loop(texts), options.rounds)
    scored = best(lambda: score_documents(texts), options.rounds)
    series = best(lambda: happiness_series(texts, dates, n_boot=options.boot), options.rounds)
    print(f"loop of count_words + weighted_avg_shift: {looped:8.3f} s")
    print(f"score_documents:                          {scored:8.3f} s  "
          f"({looped / scored:.1f}x faster than the loop; target >= 5)")
    print(f"happiness_series, n_boot={options.boot}:          {series:8.3f} s  "
          f"({series / scored:.2f}x score_documents; target <= 2)")


if __name__ == "__main__":
    main()
