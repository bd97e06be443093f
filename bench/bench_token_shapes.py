"""Every token rule of the word counter in linear time: crafted shapes of text against
plain text of the same length, side by side in one run.

    python bench/bench_token_shapes.py [--size 65536] [--repeats 5]

Each shape is a short pattern repeated to SIZE and to 4 × SIZE characters: runs without
white space that look like the local part of an e-mail address ("a." "a_" "a+" "a%" "é."),
words joined by hyphens or apostrophes, French elisions ("l'" × n), handles, hashtags,
entities, emoticons and emoji, URLs, combining marks, and single words of SIZE characters.
Plain text is the diary sentences of examples/ (English, as ASCII; Russian, for the shapes
beyond ASCII, which the package counts in pieces; Chinese for the run of Han characters,
which the segmenter cuts) cut to the same length. For each shape
it prints the best of REPEATS times (processor time, as the machine may be shared) at both
lengths, over the plain text's time at the same length (target: at most 3), and the growth
from SIZE to 4 × SIZE (linear: about 4; quadratic: about 16).
"""

from __future__ import annotations

import argparse
import sys
import time
from collections.abc import Callable
from pathlib import Path

from moodvane_tools import count_words

sys.path.insert(0, str(Path(__file__).resolve().parent))
from corpus_text import sentences  # noqa: E402

RUSSIAN = ("Я очень рад, что сегодня хорошая погода; мы гуляли в парке и смеялись. "
           "Вчера было грустно и холодно, но всё прошло. ")
CHINESE = "我今天非常高兴，因为天气很好。昨天下雨了，我有点难过，但是朋友们来看我。"

# (name, pattern, language): the pattern is repeated to the length measured.
SHAPES: list[tuple[str, str, str]] = [
    ("a. (e-mail local part)", "a.", "english"),
    ("a_", "a_", "english"),
    ("a+", "a+", "english"),
    ("a%", "a%", "english"),
    ("a.a@ (no domain)", "a.a@", "english"),
    ("a@b. (no second label)", "a@b.", "english"),
    ("é. beyond ASCII", "é.", "french"),
    ("a- joined by hyphens", "a-", "english"),
    ("a' joined by apostrophes", "a'", "english"),
    ("l' French elisions", "l'", "french"),
    ("qu' French elisions", "qu'", "french"),
    ("'s English possessives", "a's-", "english"),
    ("@a handles", "@a", "english"),
    ("#a hashtags", "#a", "english"),
    ("&a entities without ;", "&a", "english"),
    (":) emoticons", ":)", "english"),
    ("xD emoticons glued", "xDx", "english"),
    ("ㅋ repeated", "ㅋ", "korean"),
    ("^ repeated", "^", "english"),
    ("emoji joined by ZWJ", "👍\u200d", "english"),
    ("http:// URLs glued", "http://", "english"),
    ("www. glued", "www.", "english"),
    ("combining marks", "a\u0301\u0316", "english"),
    ("Hindi nukta", "क\u093c", "hindi"),
    ("Korean particles", "행복을", "korean"),
    ("one ASCII word", "a", "english"),
    ("one word beyond ASCII", "é", "french"),
    ("one Han run", "好", "chinese"),
]


def plain(size: int, kind: str) -> str:
    if kind == "russian":
        base = RUSSIAN
    elif kind == "chinese":
        base = CHINESE
    else:
        base = " ".join(s for mood in sentences().values() for s in mood) + " "
    return (base * (size // len(base) + 1))[:size]


def baseline_of(text: str, language: str) -> str:
    """The plain text a shape is measured against."""
    if language == "chinese":
        return "chinese"
    return "english" if text.isascii() else "russian"


def best_time(call: Callable[[], object], repeats: int) -> float:
    best = float("inf")
    for _ in range(repeats):
        started = time.process_time()
        call()
        best = min(best, time.process_time() - started)
    return max(best, 1e-6)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--size", type=int, default=1 << 16)
    parser.add_argument("--repeats", type=int, default=5)
    arguments = parser.parse_args()
    sizes = (arguments.size, 4 * arguments.size)
    # The rules of every language load once, before any time is taken.
    for language in {language for _, _, language in SHAPES}:
        count_words("warm up", language)
    kinds = {"english": "english", "russian": "russian", "chinese": "chinese"}
    baselines = {
        (size, kind): best_time(lambda s=plain(size, kind), l=language: count_words(s, l),
                                arguments.repeats)
        for size in sizes for kind, language in kinds.items()
    }
    for size in sizes:
        print(f"plain text of {size} characters: " + ", ".join(
            f"{kind} {baselines[size, kind] * 1e3:.2f} ms" for kind in kinds))
    print(f"{'shape':28} {'ms at N':>9} {'ms at 4N':>9} {'/plain N':>9} {'/plain 4N':>9} "
          f"{'growth':>7}")
    worst = 0.0
    for name, pattern, language in SHAPES:
        times = []
        ratios = []
        for size in sizes:
            text = (pattern * (size // len(pattern) + 1))[:size]
            spent = best_time(lambda t=text, l=language: count_words(t, l), arguments.repeats)
            times.append(spent)
            ratios.append(spent / baselines[size, baseline_of(text, language)])
        worst = max(worst, *ratios)
        print(f"{name:28} {times[0] * 1e3:9.2f} {times[1] * 1e3:9.2f} {ratios[0]:9.2f} "
              f"{ratios[1]:9.2f} {times[1] / times[0]:7.2f}")
    print(f"worst shape over plain text: {worst:.2f} (target: at most 3)")


if __name__ == "__main__":
    main()
