#!/usr/bin/env python3
"""Draws the samples of a lexicon that a second reader checks for the direction of its
scores, and summarises the verdicts once they are written.

The random sample is 60 entries per lexicon, drawn with a fixed seed from the shipped file,
so that anyone can draw the same sample again from the same file; the frequent sample is
the 40 scored entries that text uses most (by wordfreq, a tool at authoring time only). A
reader other than the one who reviewed the language marks each entry `right` (score above 5
for a word whose common meaning is positive, below 5 for a negative one) or `wrong`, in
lexicons/review/direction/<key>.tsv and lexicons/review/direction/frequent/<key>.tsv.

    python3 tools/direction_sample.py draw german            # writes the sheet, verdicts empty
    python3 tools/direction_sample.py draw-frequent german   # the 40 most frequent entries
    python3 tools/direction_sample.py summary                # share right, per judged sheet
"""

from __future__ import annotations

import argparse
import random
import sys
import unicodedata
from pathlib import Path

import lexicon_manifest

REPO = Path(__file__).resolve().parents[1]
DATA = REPO / "lexicons" / "data"
SHEETS = REPO / "lexicons" / "review" / "direction"
FREQUENT = SHEETS / "frequent"
SAMPLE_SIZE = 60
FREQUENT_SIZE = 40
# The seed of the second draw, read after the review of frequent words and the one scale.
SEED = 2026120802
# wordfreq's code of each lexicon's language.
WORDFREQ_CODES = lexicon_manifest.codes()
HEADER = "word\tscore\tverdict\tnote"


def sample(key: str) -> list[tuple[str, str]]:
    """The (word, score) pairs of the sample, in the order they were drawn."""
    lines = (DATA / f"{key}.tsv").read_text(encoding="utf-8").splitlines()
    rows = [tuple(line.split("\t")) for line in lines]
    chosen = random.Random(f"{SEED}:{key}").sample(rows, min(SAMPLE_SIZE, len(rows)))
    return [(word, score) for word, score in chosen]


def most_frequent(key: str) -> list[tuple[str, str]]:
    """The (word, score) pairs of the scored entries that text uses most, most used first;
    phrases, emoji and emoticons left aside."""
    import wordfreq  # authoring-time tool only

    lines = (DATA / f"{key}.tsv").read_text(encoding="utf-8").splitlines()
    rows = [tuple(line.split("\t")) for line in lines]
    # Words only: no phrase (a space), emoji or emoticon (":)", "XD").
    words = [(w, s) for w, s in rows
             if all(unicodedata.category(c)[0] in "LM" for c in w) and w == w.lower()]
    # The list looked up as it is, without wordfreq's tokenisers (Korean would need MeCab).
    frequency: dict[str, float] = {}
    for word, value in wordfreq.get_frequency_dict(WORDFREQ_CODES[key]).items():
        # Hindi text writes a word with and without nukta; the lexicon folds both spellings.
        folded = word.replace("\u093c", "").replace("\u0901", "\u0902")
        frequency[folded] = frequency.get(folded, 0.0) + value
    ranked = sorted(words, key=lambda row: (-frequency.get(row[0], 0.0), row[0]))
    return ranked[:FREQUENT_SIZE]


def _write(path: Path, rows: list[tuple[str, str]]) -> Path:
    path.parent.mkdir(parents=True, exist_ok=True)
    body = "".join(f"{word}\t{score}\t\t\n" for word, score in rows)
    path.write_text(f"{HEADER}\n{body}", encoding="utf-8")
    return path


def draw(key: str) -> Path:
    return _write(SHEETS / f"{key}.tsv", sample(key))


def draw_frequent(key: str) -> Path:
    return _write(FREQUENT / f"{key}.tsv", most_frequent(key))


def verdicts(key: str, sheets: Path = SHEETS) -> list[str]:
    """The verdicts of a judged sheet, each entry checked against the shipped lexicon.

    The sheet was drawn from the lexicon as it stood then; entries added since do not
    make a judgement wrong, but an entry dropped or rescored since was not judged as it is
    shipped, and calls for a new draw. An entry judged wrong and dropped for that reason
    stays on its sheet as the wrong it was."""
    lines = (sheets / f"{key}.tsv").read_text(encoding="utf-8").splitlines()
    if lines[0] != HEADER:
        raise ValueError(f"{key}: the sheet's header must be {HEADER!r}")
    rows = [line.split("\t") for line in lines[1:]]
    shipped = dict(line.split("\t") for line in
                   (DATA / f"{key}.tsv").read_text(encoding="utf-8").splitlines())
    changed = [r[0] for r in rows if shipped.get(r[0]) != r[1]
               and not (r[2] == "wrong" and r[0] not in shipped)]
    if changed:
        raise ValueError(f"{key}: judged entries no longer shipped as judged: {changed[:5]}")
    found = [r[2] for r in rows]
    if any(v not in ("right", "wrong") for v in found):
        raise ValueError(f"{key}: every verdict must be right or wrong")
    return found


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    sub = parser.add_subparsers(dest="command", required=True)
    sub.add_parser("draw", help="write the sheet of a lexicon").add_argument("key")
    sub.add_parser("draw-frequent", help="write the sheet of the most frequent entries"
                   ).add_argument("key")
    sub.add_parser("summary", help="print the share right of every judged sheet")
    args = parser.parse_args(argv)
    if args.command == "draw":
        print(draw(args.key))
        return 0
    if args.command == "draw-frequent":
        print(draw_frequent(args.key))
        return 0
    status = 0
    for sheets, kind in ((SHEETS, "random"), (FREQUENT, "frequent")):
        for path in sorted(sheets.glob("*.tsv")):
            try:
                found = verdicts(path.stem, sheets)
            except ValueError as err:
                print(err, file=sys.stderr)
                status = 1
                continue
            right = found.count("right")
            print(f"{path.stem:11} {kind:8} {right}/{len(found)} right "
                  f"({right / len(found):.0%})")
    return status


if __name__ == "__main__":
    sys.exit(main())
