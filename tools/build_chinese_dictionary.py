#!/usr/bin/env python3
"""Writes lexicons/data/chinese.dictionary.txt, the word frequencies of moodvane's Chinese
segmenter, from jieba's dictionary (jieba/dict.txt, MIT; see lexicons/data/SOURCES.md).

jieba's lines are "word frequency tag"; the segmenter needs neither the part-of-speech tag
nor jieba's order. The file keeps one "word frequency" line per word, sorted by code point
(so that the prefix tree is laid out in one linear pass), and a header line with the sum of
all of jieba's frequencies: jieba counts a repeated word twice in its total while keeping
its last frequency, and the probabilities of the path depend on that total.

Usage: build_chinese_dictionary.py [JIEBA_DICT] [OUTPUT]
JIEBA_DICT defaults to the dict.txt of the installed jieba (the `zh` extra); OUTPUT to the
file in this repository.
"""

from __future__ import annotations

import importlib.util
import pathlib
import sys

REPO = pathlib.Path(__file__).resolve().parent.parent
DEFAULT_OUTPUT = REPO / "lexicons" / "data" / "chinese.dictionary.txt"
HEADER = (
    "# Word frequencies of jieba 0.42.1's dict.txt (MIT, Copyright 2012-2017 Sun Junyi; see\n"
    "# chinese.dictionary.LICENSE), written by tools/build_chinese_dictionary.py.\n"
)


def installed_jieba_dictionary() -> pathlib.Path:
    jieba = importlib.util.find_spec("jieba")
    if jieba is None or jieba.origin is None:
        sys.exit("jieba is not installed: pip install jieba, or pass the path of its dict.txt")
    return pathlib.Path(jieba.origin).parent / "dict.txt"


def derived_lines(jieba_text: str) -> list[str]:
    """The header, the total and the sorted "word frequency" lines of jieba's text."""
    frequencies: dict[str, int] = {}
    total = 0
    for number, line in enumerate(jieba_text.splitlines(), 1):
        fields = line.split(" ")
        if len(fields) < 2 or not fields[0] or not fields[1].isdigit():
            sys.exit(f"line {number} is not 'word frequency [tag]': {line!r}")
        frequencies[fields[0]] = int(fields[1])
        total += int(fields[1])
    return [f"#total {total}"] + [f"{word} {frequencies[word]}" for word in sorted(frequencies)]


def main(argv: list[str]) -> int:
    source = pathlib.Path(argv[1]) if len(argv) > 1 else installed_jieba_dictionary()
    output = pathlib.Path(argv[2]) if len(argv) > 2 else DEFAULT_OUTPUT
    lines = derived_lines(source.read_text(encoding="utf-8"))
    output.write_text(HEADER + "\n".join(lines) + "\n", encoding="utf-8")
    print(f"{output}: {len(lines) - 1} words")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
