"""Chinese is written without spaces between words: a run of Han characters is cut into
words before it is counted.

The native segmenter does the cutting by default: jieba's method (the most probable path
through a word graph over jieba's dictionary, without its hidden Markov model) in C++, with
the lexicon's words and phrases added to the dictionary so that it keeps them whole. jieba
itself (the `zh` extra) is another choice, `segmenter="jieba"`, with the lexicon's words
added to its dictionary the same way; `segmenter="dictionary"` takes the longest match over
the lexicon's words.
"""

from __future__ import annotations

import functools
import importlib
import logging
from collections.abc import Callable, Iterable
from typing import Any

Segmenter = Callable[[str], list[str]]

SEGMENTERS = ("native", "jieba", "dictionary")
"""The names `count_words(..., segmenter=...)` takes; the first is the default."""


def longest_match(run: str, words: frozenset[str], longest: int) -> list[str]:
    """Cuts `run` from the left, always taking the longest word of `words` (at most
    `longest` characters) that starts where the previous one ended, or one character when
    none does."""
    pieces: list[str] = []
    start = 0
    while start < len(run):
        end = min(len(run), start + longest)
        while end > start + 1 and run[start:end] not in words:
            end -= 1
        pieces.append(run[start:end])
        start = end
    return pieces


def dictionary_segmenter(words: Iterable[str]) -> Segmenter:
    """A longest-match segmenter over `words`."""
    vocabulary = frozenset(words)
    longest = max(map(len, vocabulary), default=1)
    return functools.partial(longest_match, words=vocabulary, longest=longest)


def native_segmenter() -> Segmenter:
    """The native segmenter, whose dictionary holds the Chinese lexicon's words and phrases;
    a piece holding lexicon words of two characters or more is split around them, as
    `jieba_segmenter`'s pieces are."""
    from . import _native

    def segment(run: str) -> list[str]:
        return _native.segment_chinese(run, True)

    return segment


def jieba_segmenter(words: Iterable[str], *, hmm: bool = True,
                    tokenizer: Any = None) -> Segmenter | None:
    """A jieba tokenizer of its own (jieba's shared default one is left as it is) that
    knows `words`, or None when jieba is not installed. `hmm` is jieba's HMM switch (on,
    jieba's default, finds words its dictionary lacks). A `tokenizer` given is used as it
    is, its dictionary already holding `words`."""
    vocabulary = frozenset(words)
    if tokenizer is None:
        tokenizer = _jieba_tokenizer(vocabulary)
        if tokenizer is None:
            return None
    inner = dictionary_segmenter(vocabulary)

    def segment(run: str) -> list[str]:
        pieces: list[str] = []
        for piece in tokenizer.cut(run, HMM=hmm):
            if piece in vocabulary or len(piece) < 2:
                pieces.append(piece)
            else:
                pieces += _around_lexicon_words(piece, inner(piece), vocabulary)
        return [piece for piece in pieces if piece]

    return segment


def _jieba_tokenizer(words: Iterable[str]) -> Any:
    try:
        jieba = importlib.import_module("jieba")  # an optional extra, without types
    except ImportError:
        return None
    tokenizer = jieba.Tokenizer()
    # jieba announces building its dictionary on the standard error stream; a library
    # that counts words should not, so its logger is quietened while it does.
    logger = logging.getLogger("jieba")
    level = logger.level
    logger.setLevel(logging.WARNING)
    try:
        tokenizer.initialize()
        for word in sorted(words):
            tokenizer.add_word(word)
    finally:
        logger.setLevel(level)
    return tokenizer


def _around_lexicon_words(piece: str, cut: list[str], vocabulary: frozenset[str]) -> list[str]:
    """jieba's dictionary holds longer words around some of the lexicon's (非常高兴 "very
    happy" around 高兴 "happy"): such a piece is split so that the lexicon's word counts,
    and the rest stays together (非常). A one-character lexicon word inside a longer word
    is left alone: 难过 "sad" is no 难 "difficult"."""
    if not any(len(part) > 1 and part in vocabulary for part in cut):
        return [piece]
    pieces: list[str] = []
    rest = ""
    for part in cut:
        if len(part) > 1 and part in vocabulary:
            pieces += [rest, part] if rest else [part]
            rest = ""
        else:
            rest += part
    return pieces + [rest] if rest else pieces
