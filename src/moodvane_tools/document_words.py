"""The words of many documents at once, exactly as `count_words` counts each of them.

`count_words` pays a handful of calls per document (translation, case, normalisation,
the token pattern), which on a corpus of short texts costs more than the counting itself.
Here a batch of documents is joined around a separator that no token can hold and passes
through each step once. That gives each document the words `count_words` gives it, except
where `count_words` itself would see a difference between a whole text and its pieces: a
combining mark just after a character that ends a word, a capital sigma (whose lower case
depends on what follows), a very long document. Such documents, which ordinary text hardly
holds, go through `count_words` one by one.

The result is one tuple: each document's words in order, a word listed once per
occurrence, and `None` after each document; the native scorer reads it in one pass.
"""

from __future__ import annotations

import functools
import re
import unicodedata
from collections.abc import Iterable, Iterator
from itertools import chain, islice, repeat

from .counting import _LONGEST_CARRY, _rules, _Rules, count_words
from .lexicon_data import resolve_name
from .word_pattern import (
    _ASTRAL,
    JOINER_FORMS,
    _ranges,
    _split_astral,
    _token_pattern,
    is_word_character,
)

DocumentWords = tuple["str | None", ...]
"""Each document's words, each document ended by None."""

_SEPARATOR = "\x00"
# Documents are read in batches of this many: big enough to pay each step's call once for
# many documents, small enough that a batch's copies stay small.
BATCH = 20_000


@functools.cache
def _pattern_with_separator() -> re.Pattern[str]:
    return re.compile(f"{_token_pattern().pattern}|{_SEPARATOR}")


@functools.cache
def _joined_differs() -> re.Pattern[str]:
    """Finds what can make a document joined with others count differently from the
    document alone (see the module's docstring): a character that NFC may reorder or
    compose with the one before it, after a character that ends a word."""
    movable: set[str] = set()
    for code in range(0x30000):  # every combining character lies below U+30000
        character = chr(code)
        if unicodedata.combining(character):
            movable.add(character)
        decomposition = unicodedata.decomposition(character).split()
        if len(decomposition) == 2 and not decomposition[0].startswith("<"):
            movable.add(chr(int(decomposition[1], 16)))
    word_codes = [code for code in range(0x10000) if is_word_character(chr(code))]
    ends_word = f"[^{_ranges(word_codes)}'\\-\u2019\u02bc\u2010\u2011]"
    movable_class = "".join(re.escape(character) for character in sorted(movable))
    return re.compile(f"{ends_word}[{movable_class}]|\u03a3|{_SEPARATOR}")


def _kind(text: str) -> str:
    """How a text may be read: "ascii" joined by the plain path, "joined" joined by the
    token pattern, "alone" by `count_words` itself."""
    if len(text) >= _LONGEST_CARRY or _SEPARATOR in text:
        return "alone"
    if text.isascii():
        return "ascii"
    return "alone" if _joined_differs().search(text) else "joined"


# ASCII text needs no table: a word character is a letter or a digit, and every other
# character but the apostrophe and the hyphen ends a word. Those become spaces, so that
# str.split finds the runs the token pattern can match in. (A one-to-one ASCII table keeps
# str.translate on its fast path.)
_ASCII_RUNS = str.maketrans(
    {code: " " for code in range(128)
     if not chr(code).isalnum() and chr(code) not in ("'", "-", _SEPARATOR)}
)


def _words_of_ascii(texts: list[str], rules: _Rules) -> Iterable[str | None]:
    # The separator, between spaces, is a run of its own.
    spaced = f" {_SEPARATOR} "
    text = (spaced.join(texts) + spaced).translate(_ASCII_RUNS)
    if rules.lower_case:
        text = text.lower()
    runs = text.split()
    pattern = _token_pattern()
    known: dict[str, tuple[str | None, ...]] = {_SEPARATOR: (None,)}
    for run in set(runs).difference(known):
        if "'" in run or "-" in run:
            known[run] = tuple(word for token in pattern.findall(run)
                               for word in rules.words_of(token))
        else:
            known[run] = tuple(rules.words_of(run))
    return chain.from_iterable(map(known.__getitem__, runs))


def _words_of_joined(texts: list[str], rules: _Rules) -> Iterable[str | None]:
    text = _SEPARATOR.join(texts) + _SEPARATOR
    text = text.translate(JOINER_FORMS)
    if rules.lower_case:
        text = text.lower()
    text = unicodedata.normalize("NFC", text)
    tokens: list[str] = _pattern_with_separator().findall(text)
    if _ASTRAL.search(text):
        tokens = [piece for token in tokens
                  for piece in (_split_astral(token) if _ASTRAL.search(token) else (token,))]
    known: dict[str, tuple[str | None, ...]] = {_SEPARATOR: (None,)}
    for token in set(tokens).difference(known):
        known[token] = tuple(rules.words_of(token))
    return chain.from_iterable(map(known.__getitem__, tokens))


def _words_alone(text: str, language: str) -> Iterable[str | None]:
    counts = count_words(text, language)
    return chain(chain.from_iterable(repeat(word, count) for word, count in counts.items()),
                 (None,))


def _as_text(text: object, position: int) -> str:
    if isinstance(text, str):
        return text
    if text is None or (isinstance(text, float) and text != text):
        return ""  # a missing text (None, NaN): an empty document
    raise TypeError(f"document {position} must be a str, not {type(text).__name__!r}")


def document_words(texts: Iterable[object], language: str = "english") -> DocumentWords:
    """The words of each text, each text's followed by None, as `count_words(text,
    language)` counts them. A missing text (None or NaN) is an empty document."""
    return tuple(chain.from_iterable(document_word_batches(texts, language)))


def document_word_batches(texts: Iterable[object],
                          language: str = "english") -> Iterator[DocumentWords]:
    """`document_words` in batches of at most BATCH documents, for corpora that are read
    as they go."""
    resolve_name(language)  # an unknown language fails before any text is read
    iterator = iter(texts)
    position = 0
    while batch := list(islice(iterator, BATCH)):
        try:
            joined = "\n".join(batch)  # type: ignore[arg-type]
            strings: list[str] = batch  # type: ignore[assignment]
        except TypeError:  # a missing text or no text at all: found one by one
            strings = [_as_text(text, position + offset) for offset, text in enumerate(batch)]
            joined = "\n".join(strings)
        position += len(batch)
        yield tuple(chain.from_iterable(_batch_words(strings, joined, language)))


def _batch_words(texts: list[str], joined: str, language: str) -> Iterator[Iterable[str | None]]:
    rules = _rules(resolve_name(language))
    # Most batches are of one kind throughout, which one look at them all tells.
    if _SEPARATOR not in joined and max(map(len, texts)) < _LONGEST_CARRY:
        if joined.isascii():
            yield _words_of_ascii(texts, rules)
            return
        if not _joined_differs().search(joined):
            yield _words_of_joined(texts, rules)
            return
    # Otherwise runs of documents of one kind go through in one piece, in input order.
    run: list[str] = []
    run_kind = ""
    for text in texts:
        kind = _kind(text)
        if kind != run_kind and run:
            yield _words_of_run(run, run_kind, rules, language)
            run = []
        run_kind = kind
        run.append(text)
    if run:
        yield _words_of_run(run, run_kind, rules, language)


def _words_of_run(texts: list[str], kind: str, rules: _Rules,
                  language: str) -> Iterable[str | None]:
    if kind == "ascii":
        return _words_of_ascii(texts, rules)
    if kind == "joined":
        return _words_of_joined(texts, rules)
    return chain.from_iterable(_words_alone(text, language) for text in texts)
