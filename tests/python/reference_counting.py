"""The word counter in plain Python: the reference the native counter is checked against.

The package's own counter before it went native (a regular expression finds the tokens),
with the rules that `moodvane_tools.count_words` documents:
a token is a run of letters, combining marks, digits and zero-width joiners, runs joined by
one apostrophe or hyphen stay one token; the text is lower-cased (where the lexicon is)
and put in NFC (a text that is not, with every run of more than 30 non-starters first
cut by U+034F, as Unicode's Stream-Safe Text Format does); then each token counts as the lexicon's words it stands for.
"""

from __future__ import annotations

import functools
import re
import unicodedata
from collections import Counter
from collections.abc import Container
from dataclasses import dataclass, field

from moodvane_tools.chinese import (Segmenter, dictionary_segmenter, jieba_segmenter,
                                    native_segmenter)
from moodvane_tools.lexicon_data import _scores, resolve_name, writes_lower_case

APOSTROPHE, HYPHEN = "'", "-"
JOINER_FORMS = str.maketrans({"\u2019": APOSTROPHE, "\u02bc": APOSTROPHE,
                              "\u2010": HYPHEN, "\u2011": HYPHEN})
# Hindi writes nukta and chandrabindu spellings of one word; the lexicon keeps the plain one.
HINDI_FOLDS = str.maketrans({"\u093c": None, "\u0901": "\u0902"})
FRENCH_ELISION = re.compile(r"(?:[cdjlmnst]|qu|jusqu|lorsqu|puisqu|quoiqu)'(.+)")
GRAPHEME_JOINER = "\u034f"

PARTICLES: tuple[str, ...] = tuple(sorted((
    "은", "는", "이", "가", "을", "를", "에", "에서", "에게", "께", "께서", "한테", "의",
    "도", "만", "과", "와", "로", "으로", "까지", "부터", "처럼", "보다", "이나", "나",
    "이랑", "랑", "하고", "요", "이다", "이야", "야", "입니다", "이에요", "예요", "였다",
    "이었다", "들", "들이", "들을", "들은", "들의", "들에게", "마저", "조차", "밖에",
), key=len, reverse=True))
PARTICLE_FORMS = ("", "다")
_HADA, _SEUREOPDA, _DOEDA = ("", "하다"), ("", "스럽다", "스러운"), ("", "되다", "된")
ENDINGS: tuple[tuple[str, tuple[str, ...]], ...] = tuple(sorted((
    *((e, _HADA) for e in ("하다", "한다", "했다", "합니다", "했습니다", "해요", "했어요",
                           "해서", "하고", "하게", "하면", "하는", "한", "할", "했던", "하며",
                           "하여", "해", "했", "함", "하니")),
    *((e, _SEUREOPDA) for e in ("스럽다", "스러운", "스럽게", "스러워", "스러웠다",
                                "스럽습니다")),
    *((e, _DOEDA) for e in ("되다", "된다", "됐다", "되었다", "된", "되는", "되어", "돼")),
), key=lambda pair: len(pair[0]), reverse=True))


def is_word_character(character: str) -> bool:
    return unicodedata.category(character)[0] in "LMN" or character in "\u200c\u200d"


def stream_safe(text: str) -> str:
    out, run = [], 0
    for character in text:
        if not unicodedata.combining(character):
            run = 0
        else:
            run += 1
            if run > 30:
                out.append(GRAPHEME_JOINER)
                run = 1
        out.append(character)
    return "".join(out)


_ASTRAL = re.compile("[\U00010000-\U0010ffff]")


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
    return [piece for run in pieces.split() for piece in _token_pattern().findall(run)]


def find_tokens(text: str) -> list[str]:
    """The word tokens of `text` in order, digits-only tokens included."""
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


def script(character: str) -> str:
    code = ord(character)
    if 0x3400 <= code <= 0x9FFF or 0xF900 <= code <= 0xFAFF or 0x20000 <= code <= 0x3134F:
        return "han"
    if 0xAC00 <= code <= 0xD7A3 or 0x1100 <= code <= 0x11FF or 0x3130 <= code <= 0x318F:
        return "hangul"
    return "other"


def script_runs(token: str) -> list[tuple[str, str]]:
    runs, start, current = [], 0, script(token[0])
    for index in range(1, len(token)):
        character = token[index]
        if unicodedata.category(character)[0] == "M" or character in "'-":
            continue
        if script(character) != current:
            runs.append((current, token[start:index]))
            start, current = index, script(character)
    runs.append((current, token[start:]))
    return runs


def korean_stem(token: str, lexicon: Container[str]) -> str:
    """The token, or the token without one particle and/or one ending in a form of the
    same word that the lexicon lists."""
    if token in lexicon:
        return token
    candidates: list[tuple[str, tuple[str, ...]]] = [(token, ())]
    candidates += [(token[:-len(p)], PARTICLE_FORMS) for p in PARTICLES
                   if token.endswith(p) and len(token) > len(p)]
    for stem, _ in list(candidates):
        candidates += [(stem[:-len(e)], forms) for e, forms in ENDINGS
                       if stem.endswith(e) and len(stem) > len(e)]
    for stem, forms in candidates[1:]:
        for form in forms:
            if stem + form in lexicon:
                return stem + form
    return token


@dataclass
class Rules:
    key: str
    words: frozenset[str]
    lower_case: bool
    segmenter_name: str | None = None
    _segmenter: Segmenter | None = field(default=None, repr=False)

    def segment(self, run: str) -> list[str]:
        if self._segmenter is None:
            if self.segmenter_name in (None, "native"):
                self._segmenter = native_segmenter()
            else:
                jieba = jieba_segmenter(self.words) if self.segmenter_name == "jieba" else None
                self._segmenter = jieba or dictionary_segmenter(self.words)
        return self._segmenter(run)

    def words_of(self, token: str) -> list[str]:
        if token.isascii() and token.isalpha():  # the common case: one plain word
            return [token] if token in self.words or self.lower_case else self.joined(token)
        if not any(character.isalpha() for character in token):
            return []
        words: list[str] = []
        for kind, run in script_runs(token):
            if kind == "han" and self.key == "chinese":
                words += [piece for piece in self.segment(run)
                          if any(character.isalpha() for character in piece)]
            elif kind == "hangul" and self.key == "korean":
                if words and run in PARTICLES:
                    continue
                words += [korean_stem(part, self.words) for part in run.split(HYPHEN) if part]
            elif any(character.isalpha() for character in run):
                words += self.joined(run)
        return words

    def joined(self, token: str) -> list[str]:
        token = self.listed_form(token)
        if token in self.words:
            return [token]
        if HYPHEN in token:
            return [word for part in token.split(HYPHEN) if part for word in self.joined(part)]
        if APOSTROPHE in token:
            if self.key == "french" and (elided := FRENCH_ELISION.fullmatch(token)):
                return self.joined(elided.group(1))
            if self.key == "english" and token.endswith("'s") and token[:-2] in self.words:
                return [token[:-2]]
        return [token]

    def listed_form(self, token: str) -> str:
        if not self.lower_case and token not in self.words and token.lower() in self.words:
            return token.lower()
        if "ё" in token and token.replace("ё", "е") in self.words:
            return token.replace("ё", "е")
        return token


@functools.cache
def rules(key: str, segmenter: str | None = None) -> Rules:
    words = frozenset(_scores(key))
    return Rules(key, words, writes_lower_case(words), segmenter)


def reference_count_words(text: str, language: str = "english",
                          segmenter: str | None = None) -> Counter[str]:
    """The word counts of one whole text."""
    lexicon = rules(resolve_name(language), segmenter)
    text = text.translate(JOINER_FORMS)
    if lexicon.lower_case:
        text = text.lower()
    if not unicodedata.is_normalized("NFC", text):
        text = unicodedata.normalize("NFC", stream_safe(text))
    if lexicon.key == "hindi":
        text = text.translate(HINDI_FOLDS)
    counts: Counter[str] = Counter()
    known: dict[str, list[str]] = {}
    for token, count in Counter(find_tokens(text)).items():
        words = known.get(token)
        if words is None:
            words = known[token] = lexicon.words_of(token)
        for word in words:
            counts[word] += count
    return counts


class ReferenceWordCounter:
    """The package's streaming counter before it went native: `feed` pieces of one text,
    then `finish`; each piece is cut after its last character that cannot be inside a word
    and counted, the rest kept for the next. (The benchmarks time it as the baseline.)"""

    _LONGEST_CARRY = 1 << 16

    def __init__(self, language: str = "english") -> None:
        self.language = language
        self.counts: Counter[str] = Counter()
        self.carry = ""
        self.tokens = 0

    def feed(self, piece: str) -> None:
        text = self.carry + piece
        lowest = max(0, len(text) - self._LONGEST_CARRY)
        cut = len(text) if lowest > 0 else 0
        for index in range(len(text) - 1, lowest - 1, -1):
            if not is_word_character(text[index]) and text[index] not in "'-\u2019\u02bc\u2010\u2011":
                cut = index + 1
                break
        self.carry = text[cut:]
        self._count(text[:cut])

    def finish(self) -> Counter[str]:
        self._count(self.carry)
        self.carry = ""
        return self.counts

    def _count(self, text: str) -> None:
        counted = reference_count_words(text, self.language)
        self.counts.update(counted)
        self.tokens += sum(counted.values())
