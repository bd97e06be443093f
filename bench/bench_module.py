"""The installed module against its baselines, measured side by side in one run.

    python bench/bench_module.py [--words 100000] [--text-words 20000] [--repeats 15]

(a) weighted_avg_shift_custom on two WORDS-word frequency dicts with a WORDS-word scores
    dict and top_n=20, against the pure-Python shift of tests/python/reference_shift.py on the
    same inputs (target: at least 30 times faster). The conversion of the three dicts is
    shown apart (a call that fails at reference_value="?", after the conversion).
(b) weighted_avg_shift on two TEXT_WORDS-word dicts against the English lexicon, every
    entry returned: the call split into argument conversion, lexicon parsing, engine,
    encoding and json.loads, and everything but json.loads compared with json.loads on the
    same text (target: at most 0.45 of it).

The split of (b) is measured from Python, by difference between calls that stop at
different points, each the best of REPEATS runs:
- everything but json.loads: the call with json.loads replaced by the identity function,
  which makes the module return its JSON text (the import of json and the copy of the
  text into a str remain, counted under encoding);
- argument conversion: the call with reference_value="?", which converts both dicts and
  resolves the lexicon name, then fails before the lexicon is parsed; minus the same
  failing call with empty dicts;
- lexicon: a call with empty dicts, minus the same with weighted_avg_shift_custom and an
  empty scores dict (the lexicon is parsed on its first use in a process and kept, so this
  is what a later call pays for it: next to nothing);
- engine: the call with top_n=1 (the engine still computes every entry, only one is
  encoded), minus conversion, parsing and the fixed cost (the empty custom call);
- encoding: everything but json.loads minus the top_n=1 call.
When the C++ harnesses bench/parser_bench and bench/encoder_bench have been built (see
bench/bench_parser.py and bench/bench_encoding.py), their figures are shown beside the
parsing and encoding estimates.
"""

from __future__ import annotations

import argparse
import json
import random
import string
import subprocess
import sys
import time
from pathlib import Path

import moodvane

REPO = Path(__file__).resolve().parent.parent
# The pure-Python shift that the tests use as their oracle.
sys.path.insert(0, str(REPO / "tests" / "python"))
import reference_shift  # noqa: E402

DEFAULT_HARNESSES = REPO / "build" / "bench" / "bench"


# Wall-clock time by default; --clock process counts only this process's CPU time, which a
# machine shared with other busy processes disturbs far less.
clock = time.perf_counter


def best_seconds(call, repeats: int) -> float:
    best = float("inf")
    for _ in range(repeats):
        start = clock()
        call()
        best = min(best, clock() - start)
    return best


def random_words(count: int, rng: random.Random, taken=frozenset()) -> list[str]:
    words: set[str] = set()
    while len(words) < count:
        word = "".join(rng.choices(string.ascii_lowercase, k=rng.randint(4, 12)))
        if word not in taken:
            words.add(word)
    return sorted(words)


def fresh(word: str) -> str:
    """A new str object with the word's text."""
    return word.encode().decode()


def zipf_counts(words: list[str], rng: random.Random) -> dict[str, int]:
    # Keys are new objects made in the dict's order, as a Counter over a text makes them:
    # reading a dict whose keys lie scattered in memory costs several times more.
    order = list(words)
    rng.shuffle(order)
    return {fresh(word): max(1, int(50_000 / (rank + 1))) + rng.randint(0, 3)
            for rank, word in enumerate(order)}


def english_scores() -> dict[str, float]:
    scores = {}
    text = (REPO / "lexicons" / "data" / "english.tsv").read_text(encoding="utf-8")
    for line in text.splitlines():
        word, score = line.split("\t")[:2]
        scores[word] = float(score)
    return scores


def speed_against_python(words: int, repeats: int) -> None:
    rng = random.Random(1)
    vocabulary = random_words(int(words * 1.5), rng)
    system_1 = zipf_counts(rng.sample(vocabulary, words), rng)
    system_2 = zipf_counts(rng.sample(vocabulary, words), rng)
    scores = {fresh(word): rng.uniform(1.0, 9.0) for word in rng.sample(vocabulary, words)}

    def native():
        return moodvane.weighted_avg_shift_custom(system_1, system_2, scores, top_n=20)

    def python():
        return reference_shift.weighted_avg_shift(system_1, system_2, scores, top_n=20)

    def conversion_only():
        # Converts the three dicts, then stops at the reference, before the engine runs.
        try:
            moodvane.weighted_avg_shift_custom(system_1, system_2, scores, reference_value="?")
        except ValueError:
            pass

    same = native() == python()
    # Alternating, so that a busy machine slows both alike.
    native_seconds = python_seconds = conversion_seconds = float("inf")
    for _ in range(max(2, repeats // 10)):
        native_seconds = min(native_seconds, best_seconds(native, 5))
        conversion_seconds = min(conversion_seconds, best_seconds(conversion_only, 5))
        python_seconds = min(python_seconds, best_seconds(python, 1))
    ratio = python_seconds / native_seconds
    print(f"(a) custom scores, {words:,} words per dict and in the scores, top_n=20")
    print(f"    results identical:        {same}")
    print(f"    moodvane                  {native_seconds * 1e3:9.2f} ms")
    print(f"      of which conversion     {conversion_seconds * 1e3:9.2f} ms")
    print(f"    pure Python               {python_seconds * 1e3:9.2f} ms")
    print(f"    speed-up                  {ratio:9.1f} x   (target >= 30: "
          f"{'met' if ratio >= 30 else 'MISSED'})")


def harness_figures(harnesses: Path) -> dict[str, str]:
    figures = {}
    parser = harnesses / "parser_bench"
    if parser.is_file():
        run = subprocess.run([str(parser), "20", "5"], capture_output=True, text=True,
                             check=True)
        for line in run.stdout.splitlines():
            fields = dict(field.split("=", 1) for field in line.split())
            if fields.get("lexicon") == "english":
                figures["parse_ms"] = f"{float(fields['us_per_text']) / 1e3:.2f} ms"
    encoder = harnesses / "encoder_bench"
    if encoder.is_file():
        run = subprocess.run([str(encoder)], capture_output=True, text=True, check=True)
        fields = dict(line.split("=", 1) for line in run.stdout.splitlines() if "=" in line)
        if "best_ms" in fields and "bytes" in fields:
            rate = float(fields["bytes"]) / (float(fields["best_ms"]) / 1e3)
            figures["encode_rate"] = rate
    return figures


def split_of_one_call(text_words: int, repeats: int, harnesses: Path) -> None:
    rng = random.Random(2)
    lexicon = english_scores()
    filler = random_words(max(0, 2 * text_words - len(lexicon)), rng, taken=lexicon)
    pool = sorted(lexicon) + filler
    system_1 = zipf_counts(rng.sample(pool, text_words), rng)
    system_2 = zipf_counts(rng.sample(pool, text_words), rng)
    shift = moodvane.weighted_avg_shift
    custom = moodvane.weighted_avg_shift_custom

    def failing(one, two):
        def call():
            try:
                shift(one, two, "english", reference_value="?")
            except ValueError:
                pass
        return call

    loads = json.loads
    identity = lambda text: text  # noqa: E731
    # The calls that return the JSON text run with loads replaced; each round times every
    # call once, so that a busy machine slows all of them alike; each figure is the best.
    calls = {
        "total": (loads, lambda: shift(system_1, system_2)),
        "without_loads": (identity, lambda: shift(system_1, system_2)),
        "top_one": (identity, lambda: shift(system_1, system_2, top_n=1)),
        "fixed": (identity, lambda: custom({}, {}, {})),
        "parse_and_fixed": (identity, lambda: shift({}, {})),
        "failing_full": (identity, failing(system_1, system_2)),
        "failing_empty": (identity, failing({}, {})),
    }
    json.loads = identity
    try:
        text = shift(system_1, system_2)
    finally:
        json.loads = loads
    calls["loads"] = (loads, lambda: json.loads(text))
    best = dict.fromkeys(calls, float("inf"))
    for _ in range(repeats):
        for name, (replacement, call) in calls.items():
            json.loads = replacement
            try:
                best[name] = min(best[name], best_seconds(call, 1))
            finally:
                json.loads = loads
    total, without_loads, top_one, fixed, parse_and_fixed, failing_full, failing_empty, \
        loads_seconds = (best[name] for name in calls)
    entries = len(json.loads(text)["entries"])

    conversion = failing_full - failing_empty
    parsing = parse_and_fixed - fixed
    engine = top_one - conversion - parsing - fixed
    encoding = without_loads - top_one
    size = len(text.encode("utf-8"))

    print(f"(b) English lexicon, {text_words:,} words per dict, every entry returned "
          f"({entries:,} entries, {size / 1e6:.2f} MB of JSON)")
    print(f"    whole call                {total * 1e3:9.2f} ms")
    print(f"    argument conversion       {conversion * 1e3:9.2f} ms")
    harness = harness_figures(harnesses)
    note = (f"   (a parse, first use only: {harness['parse_ms']})" if "parse_ms" in harness
            else "")
    print(f"    lexicon (kept, parsed once){parsing * 1e3:8.2f} ms{note}")
    print(f"    engine                    {engine * 1e3:9.2f} ms")
    note = ""
    if "encode_rate" in harness:
        note = (f"   (encoder_bench: {harness['encode_rate'] / 1e6:.0f} MB/s, so "
                f"{size / harness['encode_rate'] * 1e3:.2f} ms for this text)")
    print(f"    encoding + str copy       {encoding * 1e3:9.2f} ms{note}")
    print(f"    fixed cost of a call      {fixed * 1e3:9.2f} ms")
    print(f"    everything but json.loads {without_loads * 1e3:9.2f} ms")
    print(f"    json.loads of the text    {loads_seconds * 1e3:9.2f} ms")
    ratio = without_loads / loads_seconds
    print(f"    everything but json.loads / json.loads  {ratio:.2f}   (target <= 0.45: "
          f"{'met' if ratio <= 0.45 else 'MISSED'})")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--words", type=int, default=100_000)
    parser.add_argument("--text-words", type=int, default=20_000)
    parser.add_argument("--repeats", type=int, default=30)
    parser.add_argument("--harnesses", type=Path, default=DEFAULT_HARNESSES,
                        help="directory of the built C++ harnesses (build/bench/bench)")
    parser.add_argument("--clock", choices=["wall", "process"], default="wall",
                        help="wall-clock time, or the process's CPU time (for a busy machine)")
    args = parser.parse_args()
    global clock
    clock = time.process_time if args.clock == "process" else time.perf_counter
    print(f"times: {'CPU time of this process' if args.clock == 'process' else 'wall clock'}")
    speed_against_python(args.words, args.repeats)
    print()
    split_of_one_call(args.text_words, args.repeats, args.harnesses)
    return 0


if __name__ == "__main__":
    sys.exit(main())
