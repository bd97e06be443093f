#!/usr/bin/env python3
"""Draws the sample of a lexicon that a second reader checks for the direction of its scores,
and summarises the verdicts once they are written.

The sample is 60 entries per lexicon, drawn with a fixed seed from the shipped file, so that
anyone can draw the same sample again from the same file. A reader other than the one who reviewed the language
marks each entry `right` (score above 5 for a word whose common meaning is positive, below 5
for a negative one) or `wrong`, in lexicons/review/direction/<key>.tsv.

    python3 tools/direction_sample.py draw german      # writes the sheet, verdicts empty
    python3 tools/direction_sample.py summary          # share right, per judged lexicon
"""

from __future__ import annotations

import argparse
import random
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
DATA = REPO / "lexicons" / "data"
SHEETS = REPO / "lexicons" / "review" / "direction"
SAMPLE_SIZE = 60
SEED = 20261208
HEADER = "word\tscore\tverdict\tnote"


def sample(key: str) -> list[tuple[str, str]]:
    """The (word, score) pairs of the sample, in the order they were drawn."""
    lines = (DATA / f"{key}.tsv").read_text(encoding="utf-8").splitlines()
    rows = [tuple(line.split("\t")) for line in lines]
    chosen = random.Random(f"{SEED}:{key}").sample(rows, min(SAMPLE_SIZE, len(rows)))
    return [(word, score) for word, score in chosen]


def draw(key: str) -> Path:
    SHEETS.mkdir(parents=True, exist_ok=True)
    path = SHEETS / f"{key}.tsv"
    body = "".join(f"{word}\t{score}\t\t\n" for word, score in sample(key))
    path.write_text(f"{HEADER}\n{body}", encoding="utf-8")
    return path


def verdicts(key: str) -> list[str]:
    """The verdicts of a judged sheet, each entry checked against the shipped lexicon.

    The sheet was drawn from the lexicon as it stood then; entries added since do not
    make a judgement wrong, but an entry dropped or rescored since was not judged as it is
    shipped, and calls for a new draw."""
    lines = (SHEETS / f"{key}.tsv").read_text(encoding="utf-8").splitlines()
    if lines[0] != HEADER:
        raise ValueError(f"{key}: the sheet's header must be {HEADER!r}")
    rows = [line.split("\t") for line in lines[1:]]
    shipped = dict(line.split("\t") for line in
                   (DATA / f"{key}.tsv").read_text(encoding="utf-8").splitlines())
    changed = [r[0] for r in rows if shipped.get(r[0]) != r[1]]
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
    sub.add_parser("summary", help="print the share right of every judged lexicon")
    args = parser.parse_args(argv)
    if args.command == "draw":
        print(draw(args.key))
        return 0
    status = 0
    for path in sorted(SHEETS.glob("*.tsv")):
        try:
            found = verdicts(path.stem)
        except ValueError as err:
            print(err, file=sys.stderr)
            status = 1
            continue
        right = found.count("right")
        print(f"{path.stem:11} {right}/{len(found)} right ({right / len(found):.0%})")
    return status


if __name__ == "__main__":
    sys.exit(main())
