"""Reads a language's multiword expressions (lexicons/review/<key>.phrases.tsv).

A phrase is a run of words that a counter takes as one token: a neutral set phrase that
holds a scored word ("rumah sakit", "special effects") has no score and only stops its
words from being scored; a phrase whose feeling differs from its words ("pas mal") has its
own score and becomes an entry of the lexicon. Each phrase is written as the word counter
writes its tokens, so that the counter finds it: Unicode NFC, lower case, the words
separated by one ASCII space; Chinese phrases have no spaces (they go into the
segmenter's dictionary). The format is described in lexicons/review/README.md.
Standard library only.
"""

from __future__ import annotations

import unicodedata
from dataclasses import dataclass
from fractions import Fraction
from pathlib import Path

import lexicon_review

PHRASES_HEADER = ["phrase", "score", "reason"]
# Lexicons whose language is written without spaces between words.
UNSPACED = {"chinese"}


@dataclass(frozen=True)
class Phrase:
    text: str
    # None for a neutral phrase: counted as one token, scored nowhere.
    score: Fraction | None
    reason: str
    line: int


def _is_han(character: str) -> bool:
    return unicodedata.name(character, "").startswith("CJK ")


def _check_phrase(key: str, phrase: str, where: str) -> None:
    if unicodedata.normalize("NFC", phrase) != phrase or phrase.lower() != phrase:
        raise lexicon_review.ReviewError(f"{where}: {phrase!r} is not lower-case NFC")
    if key in UNSPACED:
        if len(phrase) < 2 or not all(_is_han(ch) for ch in phrase):
            raise lexicon_review.ReviewError(
                f"{where}: {phrase!r} is not a run of two or more Han characters")
        return
    words = phrase.split(" ")
    if len(words) < 2:
        raise lexicon_review.ReviewError(f"{where}: {phrase!r} is one word, not a phrase")
    for word in words:
        # An apostrophe or hyphen would be split off or joined by the counter's own rules
        # (French elision, listed compounds), so a phrase holding one might never be found.
        if not word or not all(unicodedata.category(ch)[0] in "LM" or ch in "\u200c\u200d"
                               for ch in word):
            raise lexicon_review.ReviewError(
                f"{where}: {phrase!r}: each word must be letters only, one space apart")


def read_phrases(key: str, path: Path) -> list[Phrase]:
    """The phrases of one file, checked for form; none repeated."""
    phrases: list[Phrase] = []
    seen: dict[str, int] = {}
    for number, (phrase, score, reason) in lexicon_review.read_rows(path, PHRASES_HEADER):
        where = f"{path}:{number}"
        _check_phrase(key, phrase, where)
        if phrase in seen:
            raise lexicon_review.ReviewError(f"{where}: {phrase!r} already listed on line "
                                             f"{seen[phrase]}")
        seen[phrase] = number
        if not reason.strip():
            raise lexicon_review.ReviewError(f"{where}: every phrase needs a reason")
        value = lexicon_review.parse_score(score, where) if score else None
        phrases.append(Phrase(phrase, value, reason, number))
    return phrases


def phrases_of(key: str, review_dir: Path) -> list[Phrase]:
    """The phrases of a lexicon, or none when it has no phrases file."""
    path = review_dir / f"{key}.phrases.tsv"
    return read_phrases(key, path) if path.is_file() else []


def phrases_text(phrases: list[Phrase]) -> str:
    """The counter's list: every phrase, scored or not, one a line, in UTF-8 byte order."""
    return "".join(f"{p}\n" for p in sorted((p.text for p in phrases), key=str.encode))
