"""The regular expression that finds word tokens in any script.

Python's own \\w leaves out combining marks, which splits Devanagari words at their vowel
signs, so the class of word characters is built here from the Unicode categories: letters,
combining marks and numbers, plus the zero-width joiners that Indic scripts write inside
words. A token is a run of them, and runs joined by a single apostrophe or hyphen stay one
token (the lexicons write "self-confident" and "d'émotion" whole).
"""

from __future__ import annotations

import functools
import re
import unicodedata

APOSTROPHE = "'"
HYPHEN = "-"
# Other apostrophes and hyphens become the ASCII ones that the lexicons use.
JOINER_FORMS = str.maketrans({
    "\u2019": APOSTROPHE,  # right single quotation mark, the typographer's apostrophe
    "\u02bc": APOSTROPHE,  # modifier letter apostrophe
    "\u2010": HYPHEN,  # hyphen
    "\u2011": HYPHEN,  # non-breaking hyphen
})
_ZERO_WIDTH_JOINERS = "\u200c\u200d"
_ASTRAL = re.compile("[\U00010000-\U0010ffff]")


def is_word_character(character: str) -> bool:
    """A letter, a combining mark, a number, or a zero-width (non-)joiner."""
    return (unicodedata.category(character)[0] in "LMN"
            or character in _ZERO_WIDTH_JOINERS)


def _ranges(codes: list[int]) -> str:
    parts: list[str] = []
    start = previous = codes[0]
    for code in codes[1:] + [-2]:
        if code == previous + 1:
            previous = code
            continue
        first, last = re.escape(chr(start)), re.escape(chr(previous))
        parts.append(first if start == previous else f"{first}-{last}")
        start = previous = code
    return "".join(parts)


@functools.cache
def _token_pattern() -> re.Pattern[str]:
    # Only a class of Basic Multilingual Plane ranges compiles to the regular expression
    # engine's fast lookup table, so the class admits every astral character and
    # find_tokens sorts out the few tokens that hold one (emoji, rare ideographs).
    codes = [code for code in range(0x10000) if is_word_character(chr(code))]
    word = f"[{_ranges(codes)}\U00010000-\U0010ffff]"
    return re.compile(f"{word}+(?:[{APOSTROPHE}{HYPHEN}]{word}+)*")


def _split_astral(token: str) -> list[str]:
    pieces = "".join(
        character if is_word_character(character) or character in "'-" else " "
        for character in token
    )
    return [
        piece for run in pieces.split()
        for piece in _token_pattern().findall(run)
    ]


def find_tokens(text: str) -> list[str]:
    """The word tokens of `text` in order, digits-only tokens included (the caller decides
    about them)."""
    found = _token_pattern().findall(text)
    if not _ASTRAL.search(text):
        return found
    tokens: list[str] = []
    for token in found:
        if _ASTRAL.search(token):
            tokens.extend(_split_astral(token))
        else:
            tokens.append(token)
    return tokens
