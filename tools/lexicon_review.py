"""Reads the lexicon review files (lexicons/review/) and applies them to a built lexicon.

A review says, for every entry the sources give, whether it is kept, rescored or dropped,
and adds words the sources lack; a forms file lists inflected forms that take the score of
their lemma. The format is described in lexicons/review/README.md. Standard library only.
"""

from __future__ import annotations

import re
import unicodedata
from dataclasses import dataclass, field
from fractions import Fraction
from pathlib import Path

REVIEW_HEADER = ["word", "decision", "score", "reason"]
FORMS_HEADER = ["form", "lemma"]
DECISIONS = ("keep", "rescore", "drop", "add")
SCORE_TEXT = re.compile(r"[1-9]\.[0-9]{2}")
LOWEST, HIGHEST = Fraction(1), Fraction(9)

# Where an entry of a reviewed lexicon comes from, as SOURCES.md and sources.json count them.
FROM_SOURCE = "source"
TEAM_RATED = "team-rated"
GENERATED_FORM = "generated form"


class ReviewError(Exception):
    """A review or forms file is malformed or does not match the lexicon it reviews."""


@dataclass(frozen=True)
class Decision:
    word: str
    decision: str
    score: Fraction
    reason: str
    line: int


@dataclass
class Reviewed:
    """A lexicon after its review: every score, where each entry came from, and counts."""

    scores: dict[str, Fraction]
    origins: dict[str, str]
    counts: dict[str, int] = field(default_factory=dict)


def read_rows(path: Path, header: list[str]) -> list[tuple[int, list[str]]]:
    """(line number, fields) of each line of a tab-separated file after its header."""
    try:
        text = path.read_bytes().decode("utf-8")
    except (OSError, UnicodeDecodeError) as err:
        raise ReviewError(f"cannot read {path}: {err}") from None
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    if not lines or lines[0].split("\t") != header:
        raise ReviewError(f"{path}:1: the header must be {'<TAB>'.join(header)}")
    rows = []
    for number, line in enumerate(lines[1:], 2):
        fields = line.split("\t")
        if len(fields) != len(header):
            raise ReviewError(f"{path}:{number}: expected {len(header)} tab-separated fields")
        rows.append((number, fields))
    return rows


def _check_word(word: str, where: str) -> None:
    if not word or word != word.strip() or any(ch in word for ch in "\t\r\n "):
        raise ReviewError(f"{where}: {word!r} is not a single word")
    if unicodedata.normalize("NFC", word) != word:
        raise ReviewError(f"{where}: {word!r} is not in Unicode NFC")


def parse_score(text: str, where: str) -> Fraction:
    """The exact value of a score written d.dd on the 1-9 scale."""
    if not SCORE_TEXT.fullmatch(text):
        raise ReviewError(f"{where}: score {text!r} is not written as d.dd")
    score = Fraction(text)
    if not LOWEST <= score <= HIGHEST:
        raise ReviewError(f"{where}: score {text} is off the 1-9 scale")
    return score


def read_review(path: Path) -> list[Decision]:
    """The decisions of one review file, checked for form but not yet against a lexicon."""
    decisions = []
    for number, (word, decision, score, reason) in read_rows(path, REVIEW_HEADER):
        where = f"{path}:{number}"
        _check_word(word, where)
        if decision not in DECISIONS:
            raise ReviewError(f"{where}: decision {decision!r} is not one of {DECISIONS}")
        if decision != "keep" and not reason.strip():
            raise ReviewError(f"{where}: a {decision} needs a reason")
        decisions.append(Decision(word, decision, parse_score(score, where), reason, number))
    return decisions


def read_forms(path: Path) -> list[tuple[str, str, int]]:
    """(form, lemma, line) of one forms file."""
    forms = []
    for number, (form, lemma) in read_rows(path, FORMS_HEADER):
        where = f"{path}:{number}"
        _check_word(form, where)
        _check_word(lemma, where)
        forms.append((form, lemma, number))
    return forms


def _hundredths(score: Fraction) -> int:
    return round(score * 100)


def apply_review(
    name: str,
    source: dict[str, Fraction],
    decisions: list[Decision],
    forms: list[tuple[str, str, int]],
) -> Reviewed:
    """The reviewed lexicon. Every source word must have exactly one keep, rescore or drop
    whose score column matches the source (keep, drop); adds must be new; forms must be new
    words whose lemma survives the review."""
    scores: dict[str, Fraction] = {}
    origins: dict[str, str] = {}
    counts = dict.fromkeys(["kept", "rescored", "dropped", "added", "forms"], 0)
    seen: dict[str, int] = {}
    for d in decisions:
        where = f"{name} review line {d.line}"
        if d.word in seen:
            raise ReviewError(f"{where}: {d.word!r} already decided on line {seen[d.word]}")
        seen[d.word] = d.line
        if d.decision == "add":
            if d.word in source:
                raise ReviewError(f"{where}: {d.word!r} is added but the sources have it")
            scores[d.word], origins[d.word] = d.score, TEAM_RATED
            counts["added"] += 1
            continue
        if d.word not in source:
            raise ReviewError(f"{where}: {d.word!r} is not in the sources (use add)")
        if d.decision in ("keep", "drop") and _hundredths(source[d.word]) != _hundredths(d.score):
            raise ReviewError(
                f"{where}: {d.word!r} has source score {float(source[d.word]):.2f}, "
                f"not {float(d.score):.2f}"
            )
        if d.decision == "keep":
            scores[d.word], origins[d.word] = source[d.word], FROM_SOURCE
            counts["kept"] += 1
        elif d.decision == "rescore":
            scores[d.word], origins[d.word] = d.score, TEAM_RATED
            counts["rescored"] += 1
        else:
            counts["dropped"] += 1
    missing = [word for word in source if word not in seen]
    if missing:
        shown = ", ".join(repr(w) for w in missing[:5])
        raise ReviewError(f"{name}: {len(missing)} source entries have no decision: {shown}")

    form_line: dict[str, int] = {}
    for form, lemma, line in forms:
        where = f"{name} forms line {line}"
        if form in form_line:
            raise ReviewError(f"{where}: {form!r} already listed on line {form_line[form]}")
        form_line[form] = line
        if form in seen:
            raise ReviewError(f"{where}: {form!r} has a decision of its own in the review")
        if lemma not in scores:
            raise ReviewError(f"{where}: lemma {lemma!r} is not a word kept by the review")
    for form, lemma, _ in forms:
        scores[form], origins[form] = scores[lemma], GENERATED_FORM
        counts["forms"] += 1
    return Reviewed(scores, origins, counts)


def review_lexicon(
    name: str, source: dict[str, Fraction], review_dir: Path
) -> Reviewed | None:
    """The lexicon with its review applied, or None when the folder has no review of it."""
    review_path = review_dir / f"{name}.tsv"
    if not review_path.is_file():
        return None
    forms_path = review_dir / f"{name}.forms.tsv"
    forms = read_forms(forms_path) if forms_path.is_file() else []
    return apply_review(name, source, read_review(review_path), forms)
