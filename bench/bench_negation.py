"""What counting negation costs: count_words with negation=True against the default, side
by side in one run, and whether its time stays linear in the text.

    python bench/bench_negation.py [--megabytes 20] [--repeats 3]

For English, French, German, Hindi and Korean sentences with negators in them (repeated to
MEGABYTES each), prints the best of REPEATS runs of count_words without and with negation
in processor time, their throughput and the ratio with/without. Then the same ratio of
time for a text of negators, scored words, clause breaks and phrase words in every order
at 1x and 4x its length (target: about 4, linear).
"""

from __future__ import annotations

import argparse
import random
import time
from collections.abc import Callable

from moodvane_tools import count_words

SAMPLES = {
    "english": "The film was not very good, but the music wasn't bad at all. I don't "
               "think anyone was happy; nobody laughed and nothing felt right.\n",
    "french": "Ce film n'est pas bon, mais la musique n'était pas mal. Il n'est plus "
              "heureux ; personne n'a ri et rien n'allait.\n",
    "german": "Der Film war nicht gut, aber die Musik war nicht schlecht. Keine Freude im "
              "Saal; niemand lachte, und nichts fühlte sich richtig an.\n",
    "hindi": "फिल्म अच्छी नहीं थी, लेकिन संगीत बुरा नहीं था। वह खुश नहीं है; कोई नहीं हँसा "
             "और मत रोओ।\n",
    "korean": "영화는 좋지 않았다, 하지만 음악은 나쁘지 않았다. 그는 행복하지 못했다; 아무도 안 "
              "웃었고 안 좋아.\n",
}
FRAGMENTS = ["not", "never", "don't", "good", "bad", "happy", "terrible", "a", "great",
             "deal", "the", ",", ".", "not bad", "very", "film"]


def best(function: Callable[[], object], repeats: int) -> float:
    """The shortest of `repeats` runs in processor time (the machine may be shared)."""
    times = []
    for _ in range(repeats):
        start = time.process_time()
        function()
        times.append(time.process_time() - start)
    return min(times)


def main() -> None:
    parser = argparse.ArgumentParser(description=(__doc__ or "").split("\n\n")[0])
    parser.add_argument("--megabytes", type=float, default=20.0)
    parser.add_argument("--repeats", type=int, default=3)
    args = parser.parse_args()
    print(f"{'language':<9} {'MB':>6} {'plain MB/s':>11} {'negation MB/s':>14} {'ratio':>6}")
    for language, sample in SAMPLES.items():
        text = sample * max(1, round(args.megabytes * 1e6 / len(sample.encode("utf-8"))))
        megabytes = len(text.encode("utf-8")) / 1e6
        count_words(sample, language, negation=True)  # the rules, made once
        plain = best(lambda text=text, language=language: count_words(text, language),
                     args.repeats)
        negating = best(lambda text=text, language=language: count_words(
            text, language, negation=True), args.repeats)
        print(f"{language:<9} {megabytes:6.1f} {megabytes / plain:11.1f} "
              f"{megabytes / negating:14.1f} {negating / plain:6.2f}", flush=True)
    generator = random.Random(7)
    words = [generator.choice(FRAGMENTS) for _ in range(round(args.megabytes * 1e5))]
    short = " ".join(words)
    long = " ".join(words * 4)
    once = best(lambda: count_words(short, "english", negation=True), args.repeats)
    four = best(lambda: count_words(long, "english", negation=True), args.repeats)
    print(f"random negators, scores, breaks and phrases: 4x the text takes {four / once:.2f}x "
          f"the time (target about 4)")


if __name__ == "__main__":
    main()
