"""Explain how two texts differ in more ways than mood: proportions, entropy, divergences.

    python examples/generalized_shifts.py                      # the two sample texts
    python examples/generalized_shifts.py before.txt after.txt # any two UTF-8 texts

For each kind of shift the two values it compares are printed (their names come from
moodvane_tools.KIND_LABELS), then the words that contribute most to the difference, with
the size of each contribution as a share of all of them.
"""

from __future__ import annotations

import argparse
import re
from collections import Counter
from pathlib import Path

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
    args = parser.parse_args()

    first = word_counts(args.reference)
    second = word_counts(args.comparison)
    show(proportion_shift(first, second, top_n=args.top))
    show(entropy_shift(first, second, top_n=args.top))
    # The divergence from the first text needs every word of the second in it: add one to
    # every count of both texts' vocabulary (add-one smoothing).
    smoothed = Counter({word: first[word] + 1 for word in first | second})
    show(kld_shift(smoothed, second, top_n=args.top))
    show(jsd_shift(first, second, top_n=args.top))


if __name__ == "__main__":
    main()
