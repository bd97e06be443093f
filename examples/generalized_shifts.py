"""Explain how two texts differ in more ways than mood: proportions, entropy, divergences.

    python examples/generalized_shifts.py                      # the two sample texts
    python examples/generalized_shifts.py before.txt after.txt # any two UTF-8 texts
    python examples/generalized_shifts.py --plots examples/kinds   # and a graph of each

For each kind of shift the two values it compares are printed (their names come from
moodvane_tools.KIND_LABELS), then the words that contribute most to the difference, with
the size of each contribution as a share of all of them. With --plots DIR a word-shift
graph of each kind, and of the average happiness score for comparison, is written to
DIR/<kind>.png (needs matplotlib: pip install 'moodvane[plot]').
"""

from __future__ import annotations

import argparse
import re
from collections import Counter
from collections.abc import Mapping
from pathlib import Path
from typing import Any

import moodvane
from moodvane_tools import (
    KIND_LABELS,
    ShiftResult,
    entropy_shift,
    jsd_shift,
    kld_shift,
    proportion_shift,
)

TEXTS = Path(__file__).resolve().parent / "texts"
WORD = re.compile(r"[a-z]+(?:'[a-z]+)?")


def word_counts(path: Path) -> Counter[str]:
    return Counter(WORD.findall(path.read_text(encoding="utf-8").lower()))


def show(result: ShiftResult) -> None:
    labels = KIND_LABELS[result.kind]
    first, second = (name.format(text1="text 1", text2="text 2") for name in labels.value_labels)
    print(f"== {result.kind}: {labels.value_name}")
    print(f"   {first}: {result['s_avg_1']:.4f}")
    print(f"   {second}: {result['s_avg_2']:.4f}   (difference {result['total_diff']:+.4f})")
    for entry in result["entries"]:
        print(f"   {entry['type']:<14} {entry['shift_score']:+.3f}")
    print()


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("reference", nargs="?", type=Path, default=TEXTS / "rainy_monday.txt")
    parser.add_argument("comparison", nargs="?", type=Path,
                        default=TEXTS / "sunny_saturday.txt")
    parser.add_argument("--top", type=int, default=8, help="words to show per kind (8)")
    parser.add_argument("--plots", type=Path, metavar="DIR",
                        help="also draw a graph of each kind to DIR/<kind>.png")
    args = parser.parse_args()

    first = word_counts(args.reference)
    second = word_counts(args.comparison)
    # The divergence from the first text needs every word of the second in it: add one to
    # every count of both texts' vocabulary (add-one smoothing).
    smoothed = Counter({word: first[word] + 1 for word in first | second})
    results = [
        proportion_shift(first, second),
        entropy_shift(first, second),
        kld_shift(smoothed, second),
        jsd_shift(first, second),
    ]
    for result in results:
        show(ShiftResult(dict(result, entries=result["entries"][:args.top]), result.kind))
    if args.plots is not None:
        draw(results, moodvane.weighted_avg_shift(first, second), args)


def draw(results: list[ShiftResult], weighted: Mapping[str, Any],
         args: argparse.Namespace) -> None:
    """A graph of each kind, named after it, with the texts' file names as labels."""
    import matplotlib

    matplotlib.use("Agg")
    from moodvane_tools import shift_graph

    args.plots.mkdir(parents=True, exist_ok=True)
    labels = (args.reference.stem.replace("_", " "), args.comparison.stem.replace("_", " "))
    titles = {
        "proportion": "Which words became more or less common",
        "entropy": "Which words made the vocabulary more or less diverse",
        "kld": "Which words set the second text apart from the first (add-one smoothed)",
        "jsd": "Which words set the two texts apart",
        "weighted": "Which words made the second text happier",
    }
    for result in [*results, weighted]:
        kind = getattr(result, "kind", "weighted")
        figure = shift_graph(result, top_n=20, labels=labels, title=titles[kind])
        path = args.plots / f"{kind}.png"
        figure.savefig(path, dpi=110)
        print(f"wrote {path}")


if __name__ == "__main__":
    main()
