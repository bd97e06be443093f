"""The built-in lexicons as lexicons/manifest.tsv lists them, for the tools and the tests."""

from __future__ import annotations

from pathlib import Path
from typing import NamedTuple

MANIFEST = Path(__file__).resolve().parent.parent / "lexicons" / "manifest.tsv"


class Lexicon(NamedTuple):
    """One built-in lexicon: its key, its language's ISO 639-1 code, the language's name."""

    key: str
    code: str
    language: str


def lexicons() -> list[Lexicon]:
    """The built-in lexicons in catalogue order."""
    rows = [line.split("\t") for line in MANIFEST.read_text(encoding="utf-8").splitlines()
            if line and not line.startswith("#")]
    return [Lexicon(*row) for row in rows]


def keys() -> list[str]:
    """The keys of the built-in lexicons in catalogue order."""
    return [lexicon.key for lexicon in lexicons()]


def codes() -> dict[str, str]:
    """Each key's ISO 639-1 code."""
    return {lexicon.key: lexicon.code for lexicon in lexicons()}
