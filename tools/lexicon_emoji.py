"""Reads the scores of emoji and emoticons (lexicons/review/emoji.tsv), which every built-in
lexicon carries alike.

Each token is written as the word counter writes it: an emoji sequence without the
presentation selectors U+FE0E/U+FE0F and the skin-tone modifiers U+1F3FB..U+1F3FF, joined
sequences (U+200D) kept whole; an emoticon exactly as typed, without case folding, and one
of the counter's list of emoticons (lexicons/data/emoticons.txt) when that list exists.
Standard library only.
"""

from __future__ import annotations

import unicodedata
from dataclasses import dataclass
from fractions import Fraction
from pathlib import Path

import lexicon_review

EMOJI_HEADER = ["token", "score", "reason"]
ZERO_WIDTH_JOINER = "\u200d"
# Removed by the counter, so a token holding one would never be counted.
STRIPPED = {"\ufe0e", "\ufe0f", *map(chr, range(0x1F3FB, 0x1F400))}


@dataclass(frozen=True)
class Emoji:
    token: str
    score: Fraction
    reason: str
    line: int


def is_emoticon(token: str) -> bool:
    """Typed from ASCII characters: ":-)", "<3", "XD"."""
    return token.isascii()


def _check_token(token: str, emoticons: set[str] | None, where: str) -> None:
    if not token or any(ch.isspace() for ch in token):
        raise lexicon_review.ReviewError(f"{where}: {token!r} is empty or holds a space")
    if emoticons is not None and token in emoticons:
        return  # the counter keeps it whole as typed (":-)", "ㅋㅋ")
    if is_emoticon(token):
        # A lower-case run of letters is a word, not an emoticon; "XD" and "xD" are.
        if not token.isprintable() or len(token) < 2 or token.islower() and token.isalpha():
            raise lexicon_review.ReviewError(f"{where}: {token!r} is not an emoticon")
        if emoticons is not None and token not in emoticons:
            raise lexicon_review.ReviewError(
                f"{where}: {token!r} is not in the counter's list of emoticons")
        return
    if any(ch in STRIPPED for ch in token):
        raise lexicon_review.ReviewError(
            f"{where}: {token!r} holds a presentation selector or skin tone, which the "
            "counter removes")
    if not all(unicodedata.category(ch) == "So" or ch == ZERO_WIDTH_JOINER for ch in token):
        raise lexicon_review.ReviewError(f"{where}: {token!r} is not an emoji sequence")


def read_emoticon_list(path: Path) -> set[str] | None:
    """The counter's emoticons, one a line, or None when the list does not exist."""
    if not path.is_file():
        return None
    return {line for line in path.read_text(encoding="utf-8").splitlines() if line}


def read_emoji(path: Path, emoticon_list: Path) -> list[Emoji]:
    """The scored tokens, checked for form; none repeated. No file: none."""
    if not path.is_file():
        return []
    emoticons = read_emoticon_list(emoticon_list)
    found: list[Emoji] = []
    seen: dict[str, int] = {}
    for number, (token, score, reason) in lexicon_review.read_rows(path, EMOJI_HEADER):
        where = f"{path}:{number}"
        _check_token(token, emoticons, where)
        if token in seen:
            raise lexicon_review.ReviewError(
                f"{where}: {token!r} already listed on line {seen[token]}")
        seen[token] = number
        if not reason.strip():
            raise lexicon_review.ReviewError(f"{where}: every token needs a reason")
        found.append(Emoji(token, lexicon_review.parse_score(score, where), reason, number))
    return found
