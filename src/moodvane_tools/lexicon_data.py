"""The built-in lexicons as Python data: their names, their scores and where they come from.

All of it comes from the native catalogue that `moodvane.weighted_avg_shift` itself uses,
through the package's private extension: `lexicon_scores(name)[word]` is exactly the score
that `weighted_avg_shift` uses, and the sources are those recorded when the lexicons were
built.
"""

from __future__ import annotations

import functools
import json
import re
from collections.abc import Iterable
from typing import TypedDict

from moodvane_tools import _native

# Catalogue order, the order in which the native module lists its lexicons.
LEXICON_KEYS: tuple[str, ...] = tuple(_native.lexicon_keys())
# Tokens that may be emoticons, kept as typed: printable ASCII without a space, and not a
# run of lower-case letters (":D", "<3", "XD").
_TYPED_TOKEN = re.compile(r"(?=[\x21-\x7e]+\Z)(?=.*[^a-z]).*", re.DOTALL)


class SourceInfo(TypedDict):
    """One source of a lexicon's entries."""

    name: str
    licence: str
    entries: int


class LexiconInfo(TypedDict):
    """What `lexicon_info` tells about one built-in lexicon."""

    name: str
    language: str
    entries: int
    sources: list[SourceInfo]
    min_score: float
    max_score: float


def writes_lower_case(words: Iterable[str]) -> bool:
    """Whether a lexicon writes its words in lower case. Emoticons are listed as typed
    (":D", "XD"), so ASCII entries other than lower-case words are not looked at."""
    return all(word == word.lower() for word in words
               if not _TYPED_TOKEN.fullmatch(word))


def lexicon_names() -> list[str]:
    """The keys of the ten built-in lexicons, as `weighted_avg_shift` accepts them."""
    return list(LEXICON_KEYS)


def resolve_name(name: str) -> str:
    """The key that `name` stands for, by the rules of `weighted_avg_shift`'s `lexicon`.

    An optional case-sensitive prefix ``senTX_`` is removed once, then ASCII letters are
    lower-cased; anything else is an error:

    >>> resolve_name("senTX_English")
    'english'

    Raises ValueError naming the valid keys for an unknown name, and TypeError for a name
    that is not a str.
    """
    if not isinstance(name, str):
        raise TypeError(f"lexicon name must be a str, not {type(name).__name__!r}")
    try:
        key: str | None = _native.resolve_lexicon(name)
    except UnicodeEncodeError:  # a lone surrogate names no lexicon
        key = None
    if key is None:
        raise ValueError(
            f"unknown lexicon {name!r}; expected one of {', '.join(LEXICON_KEYS)}"
        )
    return key


@functools.cache
def _scores(key: str) -> dict[str, float]:
    scores: dict[str, float] = _native.lexicon_scores(key)
    return scores


def lexicon_scores(name: str, negation: bool = False) -> dict[str, float]:
    """Every word of a built-in lexicon with its score, exactly as `weighted_avg_shift`
    scores it (a new dict each call; change it freely).

    `name` is any name that `weighted_avg_shift` accepts ("english", "senTX_French", ...).
    With `negation=True`, also a negated entry for every entry, as `count_words(...,
    negation=True)` counts negated words: "not good" scored ``5 - (6.90 - 5) / 2`` (see
    `moodvane_tools.negation`); score such counts with
    `moodvane.weighted_avg_shift_custom(counts_1, counts_2, lexicon_scores(name,
    negation=True))`. Raises ValueError for an unknown name.
    """
    key = resolve_name(name)
    if negation:
        from .negation import negated_scores

        return negated_scores(_scores(key), key)
    return dict(_scores(key))


@functools.cache
def _sources() -> dict[str, dict[str, object]]:
    loaded: dict[str, dict[str, object]] = json.loads(_native.lexicon_sources())
    return loaded


def lexicon_info(name: str) -> LexiconInfo:
    """A built-in lexicon's language, number of entries, sources with their licences, and
    the lowest and highest score.

    >>> info = lexicon_info("english")
    >>> info["language"], info["sources"][0]["licence"]
    ('English', 'MIT')
    """
    key = resolve_name(name)
    scores = _scores(key)
    described = _sources().get(key, {})
    raw_sources = described.get("sources", [])
    sources: list[SourceInfo] = [
        {"name": str(source["name"]), "licence": str(source["licence"]),
         "entries": int(source["entries"])}
        for source in (raw_sources if isinstance(raw_sources, list) else [])
    ]
    values = scores.values()
    return {
        "name": key,
        "language": str(described.get("language", key.capitalize())),
        "entries": len(scores),
        "sources": sources,
        "min_score": min(values) if scores else float("nan"),
        "max_score": max(values) if scores else float("nan"),
    }
