"""Short texts: a built-in lexicon against the caller's own scores, side by side in one run.

    python bench/bench_short_texts.py [--words 50] [--calls 20000] [--rounds 7]

People compare many short texts (posts, reviews). Two texts of WORDS words each, drawn
from the English lexicon's words with a few unscored ones among them, are counted into
frequency dicts; then
- weighted_avg_shift(text_1, text_2, "english"), and
- weighted_avg_shift_custom(text_1, text_2, scores), where scores holds just the English
  scores of the two texts' words,
each run CALLS times per round, alternating, the figure being the best round's time per call.
Target: the built-in call within 2 times the custom call. Both give the same result, which
is checked first.
"""

from __future__ import annotations

import argparse
import random
import sys
import time
from collections import Counter

import moodvane
from bench_module import english_scores



def short_text(rng: random.Random, lexicon: list[str], words: int) -> Counter[str]:
    # Most words of a text are common; one in five is a name or typo that no lexicon scores.
    tokens = [rng.choice(lexicon[:3000]) if rng.random() < 0.8 else f"unscored{rng.randint(0, 99)}"
              for _ in range(words)]
    return Counter(tokens)


def per_call_seconds(call, calls: int) -> float:
    start = time.perf_counter()
    for _ in range(calls):
        call()
    return (time.perf_counter() - start) / calls


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--words", type=int, default=50)
    parser.add_argument("--calls", type=int, default=20_000)
    parser.add_argument("--rounds", type=int, default=7)
    args = parser.parse_args()

    scores = english_scores()
    rng = random.Random(3)
    lexicon = list(scores)
    text_1 = short_text(rng, lexicon, args.words)
    text_2 = short_text(rng, lexicon, args.words)
    own_scores = {word: scores[word] for word in {*text_1, *text_2} if word in scores}

    def builtin():
        return moodvane.weighted_avg_shift(text_1, text_2, "english")

    def custom():
        return moodvane.weighted_avg_shift_custom(text_1, text_2, own_scores)

    if builtin() != custom():
        print("the two calls disagree", file=sys.stderr)
        return 1
    best_builtin = best_custom = float("inf")
    for _ in range(args.rounds):
        best_builtin = min(best_builtin, per_call_seconds(builtin, args.calls))
        best_custom = min(best_custom, per_call_seconds(custom, args.calls))
    ratio = best_builtin / best_custom
    print(f"two {args.words}-word texts ({len(text_1)} and {len(text_2)} distinct words, "
          f"{len(own_scores)} of them scored), best of {args.rounds} rounds of "
          f"{args.calls:,} calls")
    print(f"    weighted_avg_shift, english       {best_builtin * 1e6:8.2f} us per call")
    print(f"    weighted_avg_shift_custom         {best_custom * 1e6:8.2f} us per call")
    print(f"    built-in / custom                 {ratio:8.2f}   (target <= 2: "
          f"{'met' if ratio <= 2 else 'MISSED'})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
