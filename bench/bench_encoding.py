"""The JSON encoder against Python's json.loads, on the same text in one run.

The encoder's text is what json.loads parses into the result dictionary, so its cost is
best read as a fraction of that parse.

Build the harness first:
    cmake -S . -B build/bench -G Ninja -DMOODVANE_BUILD_BENCH=ON -DMOODVANE_BUILD_MODULE=OFF
    cmake --build build/bench --target encoder_bench
Then:
    python bench/bench_encoding.py [--harness build/bench/bench/encoder_bench]
                                   [--iterations 40] [--loads-runs 5]

The harness encodes a result of 100,000 entries (words of 4 to 12 bytes, realistic float
values) ITERATIONS times and writes the text to a temporary file; this script then parses
that file's text with json.loads LOADS_RUNS times. Both report their best time.
"""

from __future__ import annotations

import argparse
import json
import subprocess
import sys
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
DEFAULT_HARNESS = REPO / "build" / "bench" / "bench" / "encoder_bench"


def run_harness(harness: Path, output: Path, iterations: int) -> dict[str, str]:
    completed = subprocess.run(
        [str(harness), str(output), str(iterations)],
        check=True,
        capture_output=True,
        text=True,
    )
    figures = {}
    for line in completed.stdout.splitlines():
        key, _, value = line.partition("=")
        figures[key] = value
    return figures


def best_loads_seconds(text: str, runs: int) -> float:
    best = float("inf")
    for _ in range(runs):
        start = time.perf_counter()
        json.loads(text)
        best = min(best, time.perf_counter() - start)
    return best


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--harness", type=Path, default=DEFAULT_HARNESS)
    parser.add_argument("--iterations", type=int, default=40)
    parser.add_argument("--loads-runs", type=int, default=5)
    args = parser.parse_args()

    if not args.harness.is_file():
        print(f"no harness at {args.harness}; see the build steps in this script's docstring",
              file=sys.stderr)
        return 2

    with tempfile.TemporaryDirectory() as scratch:
        output = Path(scratch) / "result.json"
        figures = run_harness(args.harness, output, args.iterations)
        text = output.read_text(encoding="utf-8")

    size = len(text.encode("utf-8"))
    if size != int(figures["bytes"]):
        print(f"harness reported {figures['bytes']} bytes, file has {size}", file=sys.stderr)
        return 1
    parsed = json.loads(text)
    entries = len(parsed["entries"])
    loads_seconds = best_loads_seconds(text, args.loads_runs)
    encode_seconds = float(figures["best_ms"]) / 1e3

    def rate(seconds: float) -> str:
        return f"{seconds * 1e3:.2f} ms, {size / seconds / 1e6:.0f} MB/s"

    print(f"entries:             {entries}")
    print(f"text:                {size / 1e6:.2f} MB")
    print(f"encode (best):       {rate(encode_seconds)}")
    print(f"json.loads (best):   {rate(loads_seconds)}")
    print(f"encode / json.loads: {encode_seconds / loads_seconds:.3f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
