"""The lexicon parser against a Python dict built from the same text, in one run.

    python bench/bench_parser.py [--harness build/bench/bench/parser_bench] [--parses 50]

When the harness is missing it is built first, in the harness's build directory:
    cmake -S . -B build/bench -G Ninja -DMOODVANE_BUILD_BENCH=ON -DMOODVANE_BUILD_MODULE=OFF
    cmake --build build/bench --target parser_bench

For each built-in lexicon the harness parses the embedded text; Python builds a word ->
float dict from the same .tsv text (already decoded) with str.split. Both figures are the
best of ROUNDS rounds' mean time per text.
"""

from __future__ import annotations

import argparse
import subprocess
import sys
import timeit
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
DATA = REPO / "lexicons" / "data"


def python_dict(text: str) -> dict[str, float]:
    return {word: float(score) for word, score in (line.split("\t") for line in text.split("\n")
                                                   if line)}


def ensure_harness(harness: Path) -> None:
    if harness.exists():
        return
    build = harness.parent.parent
    print(f"building {harness} ...", file=sys.stderr)
    subprocess.run(["cmake", "-S", str(REPO), "-B", str(build), "-G", "Ninja",
                    "-DMOODVANE_BUILD_BENCH=ON", "-DMOODVANE_BUILD_MODULE=OFF",
                    "-DCMAKE_BUILD_TYPE=Release"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(build), "-j2", "--target", "parser_bench"],
                   check=True, stdout=subprocess.DEVNULL)


def run_harness(harness: Path, parses: int, rounds: int) -> dict[str, dict[str, float]]:
    output = subprocess.run([str(harness), str(parses), str(rounds)], check=True,
                            capture_output=True, text=True).stdout
    results = {}
    for line in output.splitlines():
        fields = dict(field.split("=", 1) for field in line.split())
        results[fields["lexicon"]] = {k: float(v) for k, v in fields.items() if k != "lexicon"}
    return results


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--harness", type=Path, default=REPO / "build/bench/bench/parser_bench")
    parser.add_argument("--parses", type=int, default=50, help="parses per round")
    parser.add_argument("--rounds", type=int, default=5)
    args = parser.parse_args()

    ensure_harness(args.harness)
    native = run_harness(args.harness, args.parses, args.rounds)

    print(f"{'lexicon':<12}{'lines':>7}{'bytes':>9}{'native us':>11}{'lines/s':>14}"
          f"{'python us':>11}{'ratio':>8}")
    total_native = total_python = 0.0
    for key, figures in native.items():
        text = (DATA / f"{key}.tsv").read_text(encoding="utf-8")
        expected = python_dict(text)
        if len(expected) != figures["lines"]:
            sys.exit(f"{key}: the harness parsed {figures['lines']:.0f} entries, Python "
                     f"{len(expected)}")
        python = min(timeit.repeat(lambda: python_dict(text), number=args.parses,
                                   repeat=args.rounds)) / args.parses * 1e6
        us = figures["us_per_text"]
        total_native += us
        total_python += python
        print(f"{key:<12}{figures['lines']:>7.0f}{figures['bytes']:>9.0f}{us:>11.1f}"
              f"{figures['lines_per_s']:>14,.0f}{python:>11.1f}{python / us:>7.1f}x")
    print(f"{'all ten':<12}{'':>7}{'':>9}{total_native:>11.1f}{'':>14}{total_python:>11.1f}"
          f"{total_python / total_native:>7.1f}x")


if __name__ == "__main__":
    main()
