"""The built-in lexicons as Python data: their names, their scores and where they come from.

The scores are read from the same word<TAB>score files that the native module embeds, so
`lexicon_scores(name)[word]` is exactly the score that `moodvane.weighted_avg_shift` uses.
"""

from __future__ import annotations

import functools
import json
import re
from importlib import resources
from importlib.resources.abc import Traversable
from collections.abc import Iterable
from pathlib import Path
from typing import TypedDict

# Catalogue order, the order in which the native module lists its lexicons.
LEXICON_KEYS: tuple[str, ...] = (
    "chinese", "english", "french", "german", "hindi",
    "indonesian", "korean", "portuguese", "russian", "spanish",
)
_PREFIX = "senTX_"
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
    key = name[len(_PREFIX):] if name.startswith(_PREFIX) else name
    key = key.translate(_ASCII_LOWER)
    if key not in LEXICON_KEYS:
        raise ValueError(
            f"unknown lexicon {name!r}; expected one of {', '.join(LEXICON_KEYS)}"
        )
    return key


_ASCII_LOWER = {code: code + 32 for code in range(ord("A"), ord("Z") + 1)}


def _data_directory() -> Traversable:
    """Where the lexicon files are: installed inside this package, or, in a source
    checkout that was not installed, the repository's own lexicons/data."""
    installed = resources.files(__package__ or "moodvane_tools") / "lexicons"
    if installed.joinpath("english.tsv").is_file():
        return installed
    checkout = Path(__file__).resolve().parent.parent / "lexicons" / "data"
    if (checkout / "english.tsv").is_file():
        return checkout
    raise FileNotFoundError(
        "the lexicon files are missing: moodvane_tools/lexicons/*.tsv is installed by "
        "`pip install .`; reinstall the package"
    )


# The number forms that the module's reader accepts, after it trims the Unicode White_Space
# characters around a score. float() alone would also take "1_000" and strip a few more
# characters, so the text is checked first; float() then gives the same correctly rounded
# double as the module.
_WHITE_SPACE = ("\t\n\x0b\x0c\r \x85\xa0\u1680\u2000\u2001\u2002\u2003\u2004\u2005"
                "\u2006\u2007\u2008\u2009\u200a\u2028\u2029\u202f\u205f\u3000")
_NUMBER = re.compile(
    r"[+-]?(?:(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?|(?i:inf|infinity|nan))"
)


def parse_scores(text: str) -> dict[str, float]:
    """A lexicon text (one word<TAB>score line per word) read as the module reads it:
    lines without a tab or with a score that is no number are passed over, and the last
    valid line of a word wins."""
    scores: dict[str, float] = {}
    for line in text.split("\n"):
        word, tab, rest = line.removesuffix("\r").partition("\t")
        if not tab:
            continue
        score = rest.split("\t", 1)[0].strip(_WHITE_SPACE)
        if _NUMBER.fullmatch(score):
            scores[word] = float(score)
    return scores


@functools.cache
def _scores(key: str) -> dict[str, float]:
    return parse_scores(_data_directory().joinpath(f"{key}.tsv").read_bytes().decode("utf-8"))


def lexicon_scores(name: str) -> dict[str, float]:
    """Every word of a built-in lexicon with its score, exactly as `weighted_avg_shift`
    scores it (a new dict each call; change it freely).

    `name` is any name that `weighted_avg_shift` accepts ("english", "senTX_French", ...).
    Raises ValueError for an unknown name.
    """
    return dict(_scores(resolve_name(name)))


@functools.cache
def _sources() -> dict[str, dict[str, object]]:
    text = _data_directory().joinpath("sources.json").read_text(encoding="utf-8")
    loaded: dict[str, dict[str, object]] = json.loads(text)
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
