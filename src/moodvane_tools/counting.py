"""Word counts of a text, made the way each built-in lexicon writes its words.

A token is a run of letters, combining marks and digits in any script (a Devanagari word
keeps its vowel signs, a Hangul word its syllables); runs joined by one apostrophe or
hyphen stay together when the lexicon lists them so ("self-confident"), and are taken apart
otherwise ("well-being" counts as "well" and "being"; French "l'amour" as "amour"). Text is
put in Unicode NFC, as the lexicons are, and lower-cased where the lexicon is. Tokens
without a letter (numbers) are not words and are not counted.
"""

from __future__ import annotations

import functools
import re
import unicodedata
from collections import Counter
from dataclasses import dataclass, field

from .chinese import SEGMENTERS, Segmenter, jieba_segmenter, native_segmenter
from .korean import PARTICLES, korean_stem
from .lexicon_data import _scores, resolve_name
from .word_pattern import APOSTROPHE, HYPHEN, JOINER_FORMS, find_tokens, is_word_character

# French writes elided articles, pronouns and conjunctions onto the next word.
_FRENCH_ELISION = re.compile(r"(?:[cdjlmnst]|qu|jusqu|lorsqu|puisqu|quoiqu)'(.+)")
# Longest text kept back between pieces of a streamed text while a word may go on.
_LONGEST_CARRY = 1 << 16
_PIECE = 1 << 20

_HAN, _HANGUL, _OTHER = "han", "hangul", "other"


def _script(character: str) -> str:
    code = ord(character)
    if 0x3400 <= code <= 0x9FFF or 0xF900 <= code <= 0xFAFF or 0x20000 <= code <= 0x3134F:
        return _HAN
    if 0xAC00 <= code <= 0xD7A3 or 0x1100 <= code <= 0x11FF or 0x3130 <= code <= 0x318F:
        return _HANGUL
    return _OTHER


def _script_runs(token: str) -> list[tuple[str, str]]:
    """The token cut where it changes between Han, Hangul and other scripts (Chinese and
    Korean text often carries Latin names without a space: "iPhone很好"); a combining mark
    stays with the character before it."""
    if token.isascii():
        return [(_OTHER, token)]
    runs: list[tuple[str, str]] = []
    start = 0
    current = _script(token[0])
    for index in range(1, len(token)):
        character = token[index]
        if unicodedata.category(character)[0] == "M" or character in "'-":
            continue
        script = _script(character)
        if script != current:
            runs.append((current, token[start:index]))
            start, current = index, script
    runs.append((current, token[start:]))
    return runs


@dataclass
class _Rules:
    """What one lexicon expects of its words."""

    key: str
    words: frozenset[str]
    lower_case: bool
    _segmenters: dict[str, Segmenter] = field(default_factory=dict, repr=False)

    def segmenter(self, name: str) -> Segmenter:
        """The Chinese segmenter `name` (one of SEGMENTERS), made on first use."""
        if name not in self._segmenters:
            if name == "jieba":
                made = jieba_segmenter(self.words)
                if made is None:
                    raise ModuleNotFoundError(
                        "segmenter='jieba' needs jieba: pip install 'moodvane[zh]'",
                        name="jieba")
                self._segmenters[name] = made
            else:
                self._segmenters[name] = native_segmenter()
        return self._segmenters[name]

    def words_of(self, token: str, segment: Segmenter | None = None) -> list[str]:
        """The lexicon's words that one token counts as (none for a number)."""
        if token.isascii() and token.isalpha():  # the common case: one plain word
            return [token] if token in self.words or self.lower_case else self._joined(token)
        if not any(character.isalpha() for character in token):
            return []
        words: list[str] = []
        for script, run in _script_runs(token):
            if script == _HAN and self.key == "chinese":
                segment = segment or self.segmenter(SEGMENTERS[0])
                words += [piece for piece in segment(run)
                          if any(character.isalpha() for character in piece)]
            elif script == _HANGUL and self.key == "korean":
                if words and run in PARTICLES:
                    continue  # a particle written onto a Latin word: "iPhone이"
                words += [korean_stem(part, self.words) for part in run.split(HYPHEN) if part]
            elif any(character.isalpha() for character in run):
                words += self._joined(run)
        return words

    def _joined(self, token: str) -> list[str]:
        token = self._listed_form(token)
        if token in self.words:
            return [token]
        if HYPHEN in token:
            return [word for part in token.split(HYPHEN) if part for word in self._joined(part)]
        if APOSTROPHE in token:
            if self.key == "french" and (elided := _FRENCH_ELISION.fullmatch(token)):
                return self._joined(elided.group(1))
            if self.key == "english" and token.endswith("'s") and token[:-2] in self.words:
                return [token[:-2]]
        return [token]

    def _listed_form(self, token: str) -> str:
        if not self.lower_case and token not in self.words and token.lower() in self.words:
            return token.lower()
        # Russian lexicons, like most Russian print, write е for ё.
        if "ё" in token and token.replace("ё", "е") in self.words:
            return token.replace("ё", "е")
        return token


@functools.cache
def _rules(key: str) -> _Rules:
    words = frozenset(_scores(key))
    return _Rules(key, words, all(word == word.lower() for word in words))


class WordCounter:
    """Counts the words of a text that arrives in pieces (a file read chunk by chunk):
    `feed` each piece in order, then `finish`. The counts are those of `count_words` on
    the whole text."""

    def __init__(self, language: str = "english", *, segmenter: str | None = None) -> None:
        name = _segmenter_name(segmenter)
        self._rules = _rules(resolve_name(language))
        self._segment = self._rules.segmenter(name) if self._rules.key == "chinese" else None
        self._counts: Counter[str] = Counter()
        self._known: dict[str, list[str]] = {}
        self._carry = ""
        self.tokens = 0
        """Tokens counted so far, the words that the lexicon does not score included."""

    def feed(self, piece: str) -> None:
        """Counts the words of `piece`, keeping back a word that may go on in the next."""
        text = self._carry + piece
        cut = _last_break(text)
        self._carry = text[cut:]
        self._count(text[:cut])

    def finish(self) -> Counter[str]:
        """The counts of everything fed."""
        self._count(self._carry)
        self._carry = ""
        return self._counts

    def _count(self, text: str) -> None:
        if not text:
            return
        text = text.translate(JOINER_FORMS)
        if self._rules.lower_case:
            text = text.lower()
        text = unicodedata.normalize("NFC", text)
        known = self._known
        counts = self._counts
        for token, count in Counter(find_tokens(text)).items():
            words = known.get(token)
            if words is None:
                words = known[token] = self._rules.words_of(token, self._segment)
            for word in words:
                counts[word] += count
                self.tokens += count


def _segmenter_name(segmenter: str | None) -> str:
    if segmenter is None:
        return SEGMENTERS[0]
    if segmenter not in SEGMENTERS:
        raise ValueError(f"unknown segmenter {segmenter!r}; expected one of "
                         f"{', '.join(SEGMENTERS)}")
    return segmenter


def _last_break(text: str) -> int:
    """Where `text` may be cut without cutting a word or a combining sequence: just after
    its last character that cannot be inside a word, or its whole length when it is very
    long without one."""
    lowest = max(0, len(text) - _LONGEST_CARRY)
    for index in range(len(text) - 1, lowest - 1, -1):
        character = text[index]
        if not is_word_character(character) and character not in "'-\u2019\u02bc\u2010\u2011":
            return index + 1
    return len(text) if lowest > 0 else 0


def count_words(text: str, language: str = "english", *,
                segmenter: str | None = None) -> Counter[str]:
    """The word counts of `text`, made the way the built-in lexicon of `language` writes
    its words, ready for `moodvane.weighted_avg_shift(..., lexicon=language)`.

    `language` takes the names that `weighted_avg_shift`'s `lexicon` takes ("english",
    "French", "senTX_Korean", ...); an unknown one raises ValueError listing the valid
    ones. Words come in Unicode NFC, lower-cased where the lexicon is lower-case; Chinese
    is cut into words by the native segmenter (jieba's method over jieba's dictionary and
    the lexicon's words), or by jieba itself with `segmenter="jieba"` (the `zh` extra), and
    a Korean word that carries a particle or ending counts under the form the lexicon
    lists, when it lists one. `segmenter` is one of "native" (the default) and "jieba".

    >>> count_words("Bonjour l'ami, bonjour !", "french")
    Counter({'bonjour': 2, 'ami': 1})
    """
    if not isinstance(text, str):
        raise TypeError(f"text must be a str, not {type(text).__name__!r}")
    counter = WordCounter(language, segmenter=segmenter)
    # A long text goes in pieces: the token lists stay small, which is faster too.
    for start in range(0, len(text), _PIECE):
        counter.feed(text[start:start + _PIECE])
    return counter.finish()
