"""The words of a language's review file, as the forms generators need them.

A generator must know every word the lexicon lists in its own right, so as not to write it
again as a form. The review file names each of them: every source entry has exactly one line
there (kept, rescored or dropped), and so has every added word. The built lexicon
(lexicons/data/<key>.tsv) is no substitute: it holds the generated forms too, so a generator
that read it would find every form it is about to write already taken.

The file is read as plain tab-separated lines, not with the csv module, whose quoting rules
would join lines at a reason that begins with a double quote.
"""

from __future__ import annotations

from pathlib import Path

FINAL_DECISIONS = ("keep", "rescore", "add")


def read_decisions(path: Path) -> list[tuple[str, str]]:
    """(word, decision) for every line of a review file after its header, in file order."""
    lines = path.read_text(encoding="utf-8").splitlines()
    return [(fields[0], fields[1]) for fields in (line.split("\t") for line in lines[1:])]


def final_words(path: Path) -> list[str]:
    """The words that stay in the lexicon (kept, rescored or added), in file order."""
    return [word for word, decision in read_decisions(path) if decision in FINAL_DECISIONS]


def every_word(path: Path) -> set[str]:
    """Every word the review names: the sources' entries, dropped ones too, and the added."""
    return {word for word, _ in read_decisions(path)}
