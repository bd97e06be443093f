"""Compare the mood of two texts with moodvane and show the words that explain the difference.

    python examples/compare_texts.py                      # the two sample texts
    python examples/compare_texts.py before.txt after.txt # any two UTF-8 texts
    python examples/compare_texts.py --plot shift.png     # and draw the word-shift graph

The first text is the reference, the second the comparison. Each word's contribution says
how much it moves the second text's average score away from the first's, and why: a word
scored above the reference average (+) or below it (-) that is used relatively more (↑)
or less (↓) in the second text. The `moodvane compare` command does the same with more
options; this script shows the few calls it takes.
"""

from __future__ import annotations

import argparse
from pathlib import Path

import moodvane
from moodvane_tools import count_words, coverage, shift_graph

TEXTS = Path(__file__).resolve().parent / "texts"
BAR_WIDTH = 24


def main() -> None:
    parser = argparse.ArgumentParser(description=(__doc__ or "").split("\n\n")[0])
    parser.add_argument("reference", nargs="?", type=Path, default=TEXTS / "rainy_monday.txt")
    parser.add_argument("comparison", nargs="?", type=Path,
                        default=TEXTS / "sunny_saturday.txt")
    parser.add_argument("--lexicon", default="english", help="built-in lexicon (english)")
    parser.add_argument("--top", type=int, default=15, help="words to show, 0 for all (15)")
    parser.add_argument("--lens", type=float, nargs=2, default=(4.0, 6.0), metavar=("LO", "HI"),
                        help="leave out words scored in [LO, HI] (4 6)")
    parser.add_argument("--plot", type=Path, metavar="FILE",
                        help="draw the word-shift graph to FILE (needs matplotlib)")
    args = parser.parse_args()

    # Word counts the way the lexicon writes its words (accents, scripts, apostrophes).
    counts = [count_words(path.read_text(encoding="utf-8"), args.lexicon)
              for path in (args.reference, args.comparison)]
    # Every word's entry, not only the first --top: the graph shows how much all of them
    # explain together.
    result = moodvane.weighted_avg_shift(counts[0], counts[1], lexicon=args.lexicon,
                                         stop_lens=tuple(args.lens))

    names = [args.reference.name, args.comparison.name]
    width = max(map(len, names))
    print(f"Average {args.lexicon} score (words scored {args.lens[0]:g} to {args.lens[1]:g} "
          "left out):")
    print(f"  {names[0]:<{width}}  {result['s_avg_1']:.3f}   (reference)")
    print(f"  {names[1]:<{width}}  {result['s_avg_2']:.3f}   ({result['total_diff']:+.3f})")
    for name, text_counts in zip(names, counts):
        share = coverage(text_counts, args.lexicon)
        if share == 0:
            # The module gives such a text an average of 0.0, which is no score at all.
            print(f"  note: no word of {name} is in the {args.lexicon} lexicon")
    print()

    entries = result["entries"][: args.top] if args.top > 0 else result["entries"]
    if not entries:
        print("No scored word in either text.")
        return
    word_width = max(len("word"), *(len(entry["type"]) for entry in entries))
    largest = max(abs(entry["shift_score"] or 0.0) for entry in entries)
    print(f"  {'#':>2}  {'word':<{word_width}}  score  freq  contribution")
    for rank, entry in enumerate(entries, 1):
        score = "+" if (entry["s_ref_diff"] or 0.0) > 0 else "-"
        frequency = "↑" if (entry["p_diff"] or 0.0) > 0 else "↓"
        share = entry["shift_score"] or 0.0
        # Identical texts: every contribution is zero, and so is every bar.
        bar = "█" * (max(1, round(abs(share) / largest * BAR_WIDTH)) if largest else 0)
        print(f"  {rank:>2}  {entry['type']:<{word_width}}  {score:^5}  {frequency:^4}  "
              f"{share * 100:+6.1f}%  {bar}")
    sums = result["component_sums"]
    print()
    print("Share of the whole shift:")
    for label, key in [("+↑ positive words used more", "pos_s_pos_p"),
                       ("-↓ negative words used less", "neg_s_neg_p"),
                       ("+↓ positive words used less", "pos_s_neg_p"),
                       ("-↑ negative words used more", "neg_s_pos_p")]:
        print(f"  {label}  {(sums[key] or 0.0) * 100:+6.1f}%")

    if args.plot:
        figure = shift_graph(result, top_n=args.top, labels=(names[0], names[1]))
        figure.savefig(args.plot, dpi=100)
        print(f"\nGraph written to {args.plot}")


if __name__ == "__main__":
    main()
