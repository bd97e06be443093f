"""Stop words for each built-in language: the function words that dominate the proportion,
entropy and divergence shifts of real texts and say little about them.

The lists are the stopwords-iso collection's (MIT; lexicons/data/SOURCES.md), written in
the form `count_words` gives words (NFC, lower-cased where the lexicon is) by
tools/build_stop_words.py, less every word that the language's lexicon scores below 4 or
above 6 ("good", "great" and "war" are in the collection's lists): a stop word never hides
a feeling. They are broad all the same (the English list holds about 1,250 words), so a
weighted-average shift is usually better served by a stop lens.
"""

from __future__ import annotations

import functools
from importlib import resources
from pathlib import Path

from .lexicon_data import resolve_name


def _list_text(key: str) -> str:
    """A list as installed inside this package, or, in a source checkout that was not
    installed, from the repository's lexicons/data/stopwords."""
    installed = resources.files(__package__ or "moodvane_tools") / "stopwords" / f"{key}.txt"
    if installed.is_file():
        return installed.read_text(encoding="utf-8")
    checkout = Path(__file__).resolve().parents[2] / "lexicons" / "data" / "stopwords"
    return (checkout / f"{key}.txt").read_text(encoding="utf-8")


@functools.cache
def _stop_words(key: str) -> frozenset[str]:
    return frozenset(line for line in _list_text(key).split("\n") if line)


def stop_words(language: str) -> frozenset[str]:
    """The stop words of a built-in language ("english", "French", "senTX_Korean", ... as
    `count_words` takes them); ValueError names the valid ones for an unknown language.

    >>> from moodvane_tools import proportion_shift, count_words
    >>> before = count_words("the cat and the dog")
    >>> after = count_words("the cat and the bird")
    >>> words = stop_words("english")
    >>> "the" in words, "cat" in words
    (True, False)
    >>> [entry["type"] for entry in proportion_shift(before, after, stop_words=words)["entries"]]
    ['bird', 'dog', 'cat']
    """
    return _stop_words(resolve_name(language))
