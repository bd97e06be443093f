"""The concept table (lexicons/review/concepts.tsv): one scale across the ten lexicons.

Each line is a core concept (friend, death, cancer, good, ...) with one score from the
rating guide and each lexicon's words for it. A lexicon's entry for a concept may differ
from the concept's score by at most one step of the guide (0.80); a larger difference
needs a line with a reason in lexicons/review/concepts.exceptions.tsv. The format is
described in lexicons/review/README.md. Standard library only.
"""

from __future__ import annotations

from dataclasses import dataclass
from fractions import Fraction
from pathlib import Path

import lexicon_review

LEXICON_COLUMNS = ["english", "french", "german", "spanish", "portuguese", "russian",
                   "indonesian", "hindi", "korean", "chinese"]
CONCEPTS_HEADER = ["concept", "score", *LEXICON_COLUMNS]
EXCEPTIONS_HEADER = ["concept", "lexicon", "word", "reason"]
# The levels of the rating guide (GUIDE.md).
GUIDE_LEVELS = {Fraction(text) for text in
                ("9.00", "8.20", "7.40", "6.60", "5.80", "4.20", "3.40", "2.60", "1.80", "1.00")}
STEP = Fraction("0.80")
WORD_SEPARATOR = ", "


@dataclass(frozen=True)
class Concept:
    name: str
    score: Fraction
    # Lexicon key -> that language's words for the concept.
    words: dict[str, list[str]]
    line: int


@dataclass(frozen=True)
class ConceptTable:
    concepts: list[Concept]
    # (concept, lexicon, word) -> the reason its entry may stand further off.
    exceptions: dict[tuple[str, str, str], str]


def read_concepts(path: Path) -> list[Concept]:
    """The concepts of the table, checked for form."""
    concepts: list[Concept] = []
    seen: dict[str, int] = {}
    for number, fields in lexicon_review.read_rows(path, CONCEPTS_HEADER):
        where = f"{path}:{number}"
        name, score_text, cells = fields[0], fields[1], fields[2:]
        if not name.strip() or name in seen:
            raise lexicon_review.ReviewError(f"{where}: concept {name!r} is empty or repeated")
        seen[name] = number
        score = lexicon_review.parse_score(score_text, where)
        if score not in GUIDE_LEVELS:
            raise lexicon_review.ReviewError(f"{where}: {score_text} is not a level of the guide")
        words: dict[str, list[str]] = {}
        for key, cell in zip(LEXICON_COLUMNS, cells):
            listed = cell.split(WORD_SEPARATOR) if cell else []
            if any(not w or w != w.strip() or "," in w for w in listed) or \
                    len(set(listed)) != len(listed):
                raise lexicon_review.ReviewError(
                    f"{where}: the {key} words must be distinct and separated by ', '")
            words[key] = listed
        concepts.append(Concept(name, score, words, number))
    return concepts


def read_table(review_dir: Path) -> ConceptTable | None:
    """The concept table and its exceptions, or None when the folder has no table."""
    path = review_dir / "concepts.tsv"
    if not path.is_file():
        return None
    concepts = read_concepts(path)
    exceptions: dict[tuple[str, str, str], str] = {}
    exceptions_path = review_dir / "concepts.exceptions.tsv"
    if exceptions_path.is_file():
        for number, (concept, key, word, reason) in lexicon_review.read_rows(
                exceptions_path, EXCEPTIONS_HEADER):
            where = f"{exceptions_path}:{number}"
            if (concept, key, word) in exceptions:
                raise lexicon_review.ReviewError(f"{where}: repeated")
            if not reason.strip():
                raise lexicon_review.ReviewError(f"{where}: an exception needs a reason")
            exceptions[(concept, key, word)] = reason
    return ConceptTable(concepts, exceptions)


def check_lexicon(key: str, scores: dict[str, Fraction], table: ConceptTable) -> None:
    """Fails, naming every fault at once, when a word the table gives for this lexicon is
    not an entry of it, stands more than a step off its concept without an exception, or
    has an exception that no longer applies."""
    faults: list[str] = []
    used: set[tuple[str, str, str]] = set()
    for concept in table.concepts:
        for word in concept.words.get(key, []):
            where = f"concepts.tsv line {concept.line} ({concept.name})"
            if word not in scores:
                faults.append(f"{where}: {word!r} is not an entry of {key}")
                continue
            off = abs(scores[word] - concept.score) > STEP
            has_reason = (concept.name, key, word) in table.exceptions
            if has_reason:
                used.add((concept.name, key, word))
            if off and not has_reason:
                faults.append(f"{where}: {key} {word!r} scores {float(scores[word]):.2f}, more "
                              f"than a step from {float(concept.score):.2f}, without a reason")
            elif has_reason and not off:
                faults.append(f"{where}: {key} {word!r} is within a step; drop its exception")
    for concept_name, lexicon, word in table.exceptions:
        if lexicon == key and (concept_name, lexicon, word) not in used:
            faults.append(f"concepts.exceptions.tsv: {concept_name!r} does not list {key} "
                          f"{word!r}")
    if faults:
        shown = "\n  ".join(faults[:40])
        more = f"\n  ... and {len(faults) - 40} more" if len(faults) > 40 else ""
        raise lexicon_review.ReviewError(f"{key}: concept table:\n  {shown}{more}")
