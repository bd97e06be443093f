"""Compare the mood of two texts with moodvane and show the words that explain the difference.

    python examples/compare_texts.py                      # the two sample texts
    python examples/compare_texts.py before.txt after.txt # any two UTF-8 texts

The first text is the reference, the second the comparison. Each word's contribution says
how much it moves the second text's average score away from the first's, and why: a word
scored above the reference average (+) or below it (-) that is used relatively more (↑)
or less (↓) in the second text.
"""

from __future__ import annotations

import argparse
import re
from collections import Counter
from pathlib import Path

import moodvane

TEXTS = Path(__file__).resolve().parent / "texts"
WORD = re.compile(r"[a-z]+(?:'[a-z]+)?")
BAR_WIDTH = 24


def word_counts(path: Path) -> Counter[str]:
    return Counter(WORD.findall(path.read_text(encoding="utf-8").lower()))


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("reference", nargs="?", type=Path, default=TEXTS / "rainy_monday.txt")
    parser.add_argument("comparison", nargs="?", type=Path,
                        default=TEXTS / "sunny_saturday.txt")
    parser.add_argument("--lexicon", default="english", help="built-in lexicon (english)")
    parser.add_argument("--top", type=int, default=15, help="words to show (15)")
    parser.add_argument("--lens", type=float, nargs=2, default=(4.0, 6.0), metavar=("LO", "HI"),
                        help="leave out words scored in [LO, HI] (4 6)")
    args = parser.parse_args()

    result = moodvane.weighted_avg_shift(
        word_counts(args.reference), word_counts(args.comparison), lexicon=args.lexicon,
        stop_lens=tuple(args.lens), top_n=args.top,
    )

    names = [args.reference.name, args.comparison.name]
    width = max(map(len, names))
    print(f"Average {args.lexicon} score (words scored {args.lens[0]:g} to {args.lens[1]:g} "
          "left out):")
    print(f"  {names[0]:<{width}}  {result['s_avg_1']:.3f}   (reference)")
    print(f"  {names[1]:<{width}}  {result['s_avg_2']:.3f}   ({result['total_diff']:+.3f})")
    print()

    entries = result["entries"]
    if not entries:
        print("No scored word in either text.")
        return
    word_width = max(len("word"), *(len(entry["type"]) for entry in entries))
    largest = max(abs(entry["shift_score"]) for entry in entries)
    print(f"  {'#':>2}  {'word':<{word_width}}  score  freq  contribution")
    for rank, entry in enumerate(entries, 1):
        score = "+" if entry["s_ref_diff"] > 0 else "-"
        frequency = "↑" if entry["p_diff"] > 0 else "↓"
        share = entry["shift_score"]
        bar = "█" * max(1, round(abs(share) / largest * BAR_WIDTH))
        print(f"  {rank:>2}  {entry['type']:<{word_width}}  {score:^5}  {frequency:^4}  "
              f"{share * 100:+6.1f}%  {bar}")
    sums = result["component_sums"]
    print()
    print("Share of the whole shift:")
    for label, key in [("+↑ positive words used more", "pos_s_pos_p"),
                       ("-↓ negative words used less", "neg_s_neg_p"),
                       ("+↓ positive words used less", "pos_s_neg_p"),
                       ("-↑ negative words used more", "neg_s_pos_p")]:
        print(f"  {label}  {sums[key] * 100:+6.1f}%")


if __name__ == "__main__":
    main()
