"""Memory and time of one large call, against building its inputs in Python.

    python bench/bench_memory.py [--words 1000000] [--rounds 3]

weighted_avg_shift_custom on two WORDS-word frequency dicts with a WORDS-word scores dict
and top_n=20. Each round runs in a child process of its own, which
1. makes the words (1.5 x WORDS distinct random lower-case words, 4 to 12 letters);
2. builds the three dicts from those words with comprehensions: int frequencies, float
   scores, the two frequency dicts overlapping on half their words and the scores dict
   covering half of each;
3. calls the function once, then REPEATS more times for its best time.
A second child per round does steps 1 and 2, then calls the function with
reference_value="?", which converts all three dicts and then fails: the conversion's share
of the call, measured in a process where no call has run before.
Peak resident memory is read as VmHWM from /proc/self/status, with the peak reset to the
current resident size (writing 5 to /proc/self/clear_refs) just before each step, so each
step's growth is its own peak minus the resident size when it began. The words are counted
by what they keep resident after step 1 (step 1's peak includes a set used to make them
distinct).

Targets: the call's peak growth at most that of step 2 (the dicts, not counting their
words), and the call's time at most 4 times that of step 2. The ratios printed are the
medians over the rounds, each round's ratio taken within that round; the memory ratio is
also shown against the dicts with their words, as a program that builds them from a text
would make the words too.
"""

from __future__ import annotations

import argparse
import gc
import json
import random
import statistics
import string
import subprocess
import sys
import time

STATUS = "/proc/self/status"


def status_kib(field: str) -> int:
    with open(STATUS, encoding="ascii") as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    raise RuntimeError(f"{field} not in {STATUS}")


class PeakMeter:
    """The growth of the peak resident size over one step."""

    def __init__(self):
        self.resettable = True

    def start(self) -> int:
        gc.collect()
        try:
            with open("/proc/self/clear_refs", "w", encoding="ascii") as clear_refs:
                clear_refs.write("5")
        except OSError:
            self.resettable = False
        self.base = status_kib("VmRSS")
        self.peak_before = status_kib("VmHWM")
        return self.base

    def growth_mib(self) -> float:
        peak = status_kib("VmHWM")
        if self.resettable or peak > self.peak_before:
            return (peak - self.base) / 1024
        # The step stayed below an earlier peak: its own is unknown, at least what it keeps.
        return max(0, status_kib("VmRSS") - self.base) / 1024


LETTERS = \
    bytes((string.ascii_lowercase * 10)[:256], "ascii")


def make_words(count: int, seed: int) -> list[str]:
    rng = random.Random(seed)
    words: set[str] = set()
    while len(words) < count:
        lengths = [rng.randint(4, 12) for _ in range(count - len(words))]
        text = rng.randbytes(sum(lengths)).translate(LETTERS).decode("ascii")
        end = 0
        for length in lengths:
            words.add(text[end:end + length])
            end += length
    result = list(words)
    rng.shuffle(result)
    return result


def child(words_count: int, repeats: int, seed: int, conversion_only: bool) -> dict:
    import moodvane

    meter = PeakMeter()
    figures = {}

    base = meter.start()
    start = time.perf_counter()
    words = make_words(words_count * 3 // 2, seed)
    figures["words_seconds"] = time.perf_counter() - start
    gc.collect()
    figures["words_mib"] = (status_kib("VmRSS") - base) / 1024

    n = words_count
    meter.start()
    start = time.perf_counter()
    type2freq_1 = {w: (i * 7919) % 50 + 1 for i, w in enumerate(words[:n])}
    type2freq_2 = {w: (i * 104729) % 50 + 1 for i, w in enumerate(words[n // 2:n // 2 + n])}
    scores = {w: 1.0 + (i * 31) % 800 / 100 for i, w in enumerate(words[n // 4:n // 4 + n])}
    figures["dicts_seconds"] = time.perf_counter() - start
    figures["dicts_mib"] = meter.growth_mib()

    if conversion_only:
        meter.start()
        start = time.perf_counter()
        try:
            moodvane.weighted_avg_shift_custom(type2freq_1, type2freq_2, scores, top_n=20,
                                               reference_value="?")
        except ValueError:
            pass
        return {"conversion_seconds": time.perf_counter() - start,
                "conversion_mib": meter.growth_mib()}

    meter.start()
    start = time.perf_counter()
    result = moodvane.weighted_avg_shift_custom(type2freq_1, type2freq_2, scores, top_n=20)
    figures["call_seconds"] = time.perf_counter() - start
    figures["call_mib"] = meter.growth_mib()
    assert len(result["entries"]) == 20
    del result

    best = figures["call_seconds"]
    for _ in range(repeats):
        start = time.perf_counter()
        moodvane.weighted_avg_shift_custom(type2freq_1, type2freq_2, scores, top_n=20)
        best = min(best, time.perf_counter() - start)
    figures["call_best_seconds"] = best
    figures["resettable"] = meter.resettable
    figures["module"] = moodvane.__file__
    return figures


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--words", type=int, default=1_000_000)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--repeats", type=int, default=2, help="extra calls per round")
    parser.add_argument("--child", type=int, default=None, help=argparse.SUPPRESS)
    parser.add_argument("--conversion-only", action="store_true", help=argparse.SUPPRESS)
    options = parser.parse_args()

    if options.child is not None:
        print(json.dumps(child(options.words, options.repeats, options.child,
                               options.conversion_only)))
        return

    def run_child(seed: int, *extra: str) -> dict:
        run = subprocess.run(
            [sys.executable, __file__, "--words", str(options.words), "--repeats",
             str(options.repeats), "--child", str(seed), *extra],
            check=True, capture_output=True, text=True)
        return json.loads(run.stdout)

    rounds = [{**run_child(seed), **run_child(seed, "--conversion-only")}
              for seed in range(options.rounds)]

    first = rounds[0]
    print(f"module: {first['module']}")
    print(f"weighted_avg_shift_custom, two {options.words:,}-word dicts and a "
          f"{options.words:,}-word scores dict, top_n=20; {options.rounds} rounds, "
          f"two child processes each (figures: median over rounds)")
    if not first["resettable"]:
        print("note: /proc/self/clear_refs is not writable here; a step that stays below an "
              "earlier peak shows only what it keeps resident (a lower bound)")

    def median(key: str) -> float:
        return statistics.median(r[key] for r in rounds)

    print(f"  making the words            {median('words_seconds'):8.3f} s "
          f"{median('words_mib'):9.1f} MiB resident growth")
    print(f"  building the three dicts    {median('dicts_seconds'):8.3f} s "
          f"{median('dicts_mib'):9.1f} MiB peak growth")
    print(f"  converting the dicts only   {median('conversion_seconds'):8.3f} s "
          f"{median('conversion_mib'):9.1f} MiB peak growth (a call failing at reference_value)")
    print(f"  the call (first)            {median('call_seconds'):8.3f} s "
          f"{median('call_mib'):9.1f} MiB peak growth")
    print(f"  the call (best of {options.repeats + 1})        "
          f"{median('call_best_seconds'):8.3f} s")

    memory = statistics.median(r["call_mib"] / r["dicts_mib"] for r in rounds)
    seconds = statistics.median(r["call_seconds"] / r["dicts_seconds"] for r in rounds)
    best = statistics.median(r["call_best_seconds"] / r["dicts_seconds"] for r in rounds)
    with_words = statistics.median(
        r["call_mib"] / (r["dicts_mib"] + r["words_mib"]) for r in rounds)
    print(f"call peak growth / dict-building peak growth: {memory:.2f} "
          f"(target <= 1.00: {'met' if memory <= 1.0 else 'MISSED'}); "
          f"counting the words too: {with_words:.2f}")
    print(f"call time / dict-building time: first call {seconds:.2f}, best call {best:.2f} "
          f"(target <= 4.00: {'met' if seconds <= 4.0 else 'MISSED'})")


if __name__ == "__main__":
    main()
