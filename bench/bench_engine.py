"""The shift engine against the pure-Python implementation, on the same data in one run.

Build the harness first:
    cmake -S . -B build/bench -G Ninja -DMOODVANE_BUILD_BENCH=ON -DMOODVANE_BUILD_MODULE=OFF
    cmake --build build/bench --target engine_bench
Then:
    python bench/bench_engine.py [--harness build/bench/bench/engine_bench] [--pairs 1000000]

Two cases, each with two systems of PAIRS word-frequency pairs drawn from a vocabulary of
1.5 x PAIRS words: a score map of PAIRS / 10 words, and every word scored.
"""

from __future__ import annotations

import argparse
import random
import string
import subprocess
import sys
import tempfile
import time
from pathlib import Path

# The pure-Python shift that the tests use as their oracle.
sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "python"))
import reference_shift  # noqa: E402


def make_words(count: int, rng: random.Random) -> list[str]:
    words: set[str] = set()
    letters = string.ascii_lowercase
    while len(words) < count:
        words.add("".join(rng.choices(letters, k=rng.randint(3, 12))))
    return sorted(words)


def make_case(pairs: int, scored: int | None, seed: int = 2026):
    rng = random.Random(seed)
    vocabulary = make_words(pairs * 3 // 2, rng)
    rng.shuffle(vocabulary)
    system_1 = {w: float(rng.randint(1, 100)) for w in rng.sample(vocabulary, pairs)}
    system_2 = {w: float(rng.randint(1, 100)) for w in rng.sample(vocabulary, pairs)}
    scored_words = vocabulary if scored is None else rng.sample(vocabulary, scored)
    scores = {w: rng.randint(100, 900) / 100 for w in scored_words}
    return system_1, system_2, scores


def write_case(path: Path, system_1, system_2, scores) -> None:
    with path.open("w") as out:
        for tag, table in (("1", system_1), ("2", system_2), ("s", scores)):
            out.writelines(f"{tag}\t{w}\t{v!r}\n" for w, v in table.items())


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--harness", default="build/bench/bench/engine_bench")
    parser.add_argument("--pairs", type=int, default=1_000_000)
    args = parser.parse_args()

    print(f"{'case':<22}{'native s/call':>15}{'pairs/s':>14}{'python s':>11}{'ratio':>9}")
    for name, scored in (("100k-word score map", args.pairs // 10), ("all words scored", None)):
        system_1, system_2, scores = make_case(args.pairs, scored)
        with tempfile.TemporaryDirectory() as tmp:
            data = Path(tmp) / "case.tsv"
            write_case(data, system_1, system_2, scores)
            line = subprocess.run([args.harness, str(data)], check=True, capture_output=True,
                                  text=True).stdout.split()
        native, input_pairs = float(line[0]), int(line[1])
        start = time.perf_counter()
        expected = reference_shift.weighted_avg_shift(system_1, system_2, scores)
        python = time.perf_counter() - start
        assert len(expected["entries"]) == int(line[2]), "entry counts differ"
        print(f"{name:<22}{native:>15.4f}{input_pairs / native:>14,.0f}{python:>11.2f}"
              f"{python / native:>8.0f}x")


if __name__ == "__main__":
    main()
