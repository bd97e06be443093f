"""Word counts of texts, made the way each built-in lexicon writes its words.

A token is a run of letters, combining marks and digits in any script (a Devanagari word
keeps its vowel signs, a Hangul word its syllables); runs joined by one apostrophe or
hyphen stay together when the lexicon lists them so ("self-confident"), and are taken apart
otherwise ("well-being" counts as "well" and "being"; French "l'amour" as "amour"). Text is
put in Unicode NFC, as the lexicons are, and lower-cased where the lexicon is. Tokens
without a letter (numbers) are not words and are not counted. A run of tokens that spells
one of the lexicon's phrases ("special effects", "pas mal") counts as the phrase.

Text that is not words: URLs, e-mail addresses, @handles and HTML entities are not
counted; a hashtag counts as its word; emoji and emoticons are tokens of their own (see
`count_words`).

With `negation=True`, a scored word that a negator of its language reaches counts as a
token of its own, "not good" in place of "good" (see `moodvane_tools.negation`).

The extension `_native` (its CountingRules and WordTally) finds the tokens, lowers them as
str.lower does, puts text that is not in NFC in NFC (the Unicode version of its tables) and
counts the words they stand for, with the interpreter's lock released, so that threads
count texts side by side; the interpreter's own routines prepare only a text holding a
character whose lower case only the interpreter gives (U+0130 and U+03A3, whose lower case
is two characters or depends on the next).
"""

from __future__ import annotations

import functools
import unicodedata
from collections import Counter
from collections.abc import Iterable
from dataclasses import dataclass, field
from typing import Any, Protocol

from . import _native
from .chinese import SEGMENTERS, Segmenter, dictionary_segmenter, jieba_segmenter
from .lexicon_data import _scores, resolve_name, writes_lower_case

# A long text is counted in pieces of at most _PIECE characters (so that no copy of all of
# it is made at once), each cut just before white space (see _native.last_break), and a
# phrase goes on from one piece into the next. A text read in pieces keeps back for the
# next read what follows the last such place, when that is among the last _LONGEST_CARRY
# characters. Pieces stay below the size that the C library maps fresh pages for (and
# unmaps when freed): the copies of one piece reuse the memory of the last, rather than
# fault in new pages under the lock. A text in ASCII is its own UTF-8, which the counter
# reads in place: it is counted whole, in one call.
_PIECE = 1 << 15
_LONGEST_CARRY = 1 << 16
# A word goes on across pieces up to this many characters: a run without any break that is
# longer (no word is; a run of Han characters without punctuation may be) is cut anyway,
# so that what one native call reads, and the segmenter's work on it, stays bounded.
_LONGEST_WORD = 1 << 20
# Text that is not in NFC is normalised in pieces of about this many bytes (the
# interpreter's normalisation slows down on long texts with many combining marks).
_NORMALISED_PIECE = 1 << 12
_NORMALISE, _LOWER = 1, 2  # what _native.text_needs says a text needs


class _TextFile(Protocol):
    def read(self, size: int = ..., /) -> Any: ...


@dataclass
class _Rules:
    """What one lexicon expects of its words, natively and for the Chinese segmenter."""

    key: str
    words: frozenset[str]
    lower_case: bool
    native: _native.CountingRules
    _leaving_han_runs: _native.CountingRules | None = field(default=None, repr=False)
    _negating: _native.CountingRules | None = field(default=None, repr=False)
    _segmenters: dict[str, Segmenter] = field(default_factory=dict, repr=False)

    def native_rules(self, segmenter: str, negation: bool = False) -> _native.CountingRules:
        """The native rules: Chinese runs of Han characters cut by the native segmenter,
        or handed back for the Python `segmenter` named; with `negation`, rules whose
        tallies count negated words as tokens of their own (native segmenter only)."""
        if negation:
            if segmenter != "native" and self.key == "chinese":
                raise ValueError(f"negation=True counts Chinese with the native segmenter "
                                 f"only, not segmenter={segmenter!r}")
            if self._negating is None:
                self._negating = _native.CountingRules(
                    self.key, tuple(sorted(self.words)), self.lower_case, negation=True)
            return self._negating
        if segmenter == "native" or self.key != "chinese":
            return self.native
        if self._leaving_han_runs is None:
            self._leaving_han_runs = _native.CountingRules(
                self.key, tuple(sorted(self.words)), self.lower_case, native_chinese=False)
        return self._leaving_han_runs

    def segmenter(self, name: str) -> Segmenter:
        """The Python segmenter called `name`: "jieba" or "dictionary" (the lexicon's own
        longest match)."""
        found = self._segmenters.get(name)
        if found is None:
            jieba = jieba_segmenter(self.words) if name == "jieba" else None
            if jieba is None and name == "jieba":
                raise ValueError("segmenter='jieba' needs jieba (the zh extra) installed")
            found = jieba or dictionary_segmenter(self.words)
            self._segmenters[name] = found
        return found


@functools.cache
def _rules(key: str) -> _Rules:
    words = frozenset(_scores(key))
    lower_case = writes_lower_case(words)
    native = _native.CountingRules(key, tuple(sorted(words)), lower_case)
    return _Rules(key, words, lower_case, native)


def _prepared(text: str, lower_case: bool) -> str:
    """`text` lower-cased (where the lexicon is) and in NFC, by the interpreter's own
    routines: for the texts that the counter leaves to the interpreter, and the reference
    that the counter's own preparation is tested against. A text that is not in NFC has
    every run of more than 30 combining marks cut by U+034F, as Unicode's Stream-Safe Text
    Format does, and is normalised in pieces cut before starters, so that normalising
    takes linear time."""
    needs = _native.text_needs(text, lower_case)
    if needs & _LOWER:
        text = text.lower()
        needs = _native.text_needs(text, False)
    if not needs & _NORMALISE:
        return text
    return "".join(unicodedata.normalize("NFC", piece)
                   for piece in _native.stream_safe_pieces(text, _NORMALISED_PIECE))


class WordCounter:
    """Counts the words of texts: whole texts with `add`, or one text arriving in pieces
    (a file read chunk by chunk) with `feed`; then `finish`. The counts are those of
    `count_words` on the same texts."""

    def __init__(self, language: str = "english", *, urls: bool = False,
                 emails: bool = False, handles: bool = False, entities: bool = False,
                 hashtags: bool = True, emoji: bool = True, emoticons: bool = True,
                 segmenter: str | None = None, negation: bool = False) -> None:
        if segmenter is not None and segmenter not in SEGMENTERS:
            raise ValueError(f"segmenter must be None, {', '.join(map(repr, SEGMENTERS))}, "
                             f"not {segmenter!r}")
        self._rules = _rules(resolve_name(language))
        self._segmenter = segmenter or SEGMENTERS[0]
        self._tally = _native.WordTally(
            self._rules.native_rules(self._segmenter, bool(negation)), urls=urls,
            emails=emails, handles=handles, entities=entities, hashtags=hashtags, emoji=emoji,
            emoticons=emoticons)
        self._carry = ""
        # The pieces of a word longer than _LONGEST_CARRY, fed so far: held apart, not
        # joined at every read, until the word ends.
        self._held: list[str] = []
        self._held_length = 0
        self.tokens = 0
        """Tokens counted by `finish`, the words that the lexicon does not score included."""

    def add(self, text: str) -> None:
        """Counts the words of the whole text `text`."""
        if not isinstance(text, str):
            raise TypeError(f"text must be a str, not {type(text).__name__!r}")
        start = 0
        if not text.isascii():  # (ASCII is counted whole, in place)
            while len(text) - start > _PIECE:
                end = start + _PIECE
                cut = _native.last_break(text, end, _PIECE)
                # A piece without a break is a word longer than a piece (or a run of Han
                # characters): it goes on to the next break, however far, and stays whole.
                while cut <= start and end < len(text) - 1 and end - start < _LONGEST_WORD:
                    end = min(end + _PIECE, len(text) - 1)
                    cut = _native.last_break(text, end, _PIECE)
                if cut <= start:
                    cut = min(end + 1, len(text))
                self._count(text[start:cut], goes_on=True)
                start = cut
        self._count(text[start:])

    def feed(self, piece: str) -> None:
        """Counts the words of `piece`, the next part of one text, keeping back a word
        that may go on in the next piece."""
        if self._held:
            # The word held goes on: its end can only be in the new piece.
            cut = _native.last_break(piece, len(piece) - 1, len(piece) + 1, True)
            if cut < 0:
                cut = _native.last_break(piece, len(piece) - 1, len(piece) + 1)
            if cut < 0:
                if self._held_length + len(piece) <= _LONGEST_WORD:
                    self._held.append(piece)
                    self._held_length += len(piece)
                    return
                cut = len(piece)  # no word is that long: cut anyway
            self._held.append(piece[:cut])
            held, self._held, self._held_length = "".join(self._held), [], 0
            self._carry = piece[cut:]
            self._count(held, goes_on=True)
            return
        text = self._carry + piece
        if not text:
            return
        cut = _native.last_break(text, len(text) - 1, _LONGEST_CARRY, True)
        if cut < 0 and len(text) > _LONGEST_CARRY:  # no white space: any break will do
            cut = _native.last_break(text, len(text) - 1, _LONGEST_CARRY)
            if cut < 0:  # none: a word longer than _LONGEST_CARRY, held whole
                self._held, self._held_length, self._carry = [text], len(text), ""
                return
        cut = max(cut, 0)
        self._carry = text[cut:]
        self._count(text[:cut], goes_on=True)

    def finish(self) -> Counter[str]:
        """The counts of everything added and fed since the last `finish`."""
        self._count("".join(self._held) + self._carry)
        self._carry, self._held, self._held_length = "", [], 0
        words, han_runs, tokens = self._tally.take()
        counts = Counter(words)
        if han_runs:
            segment = self._rules.segmenter(self._segmenter)
            for run, count in han_runs.items():
                for piece in segment(run):
                    if any(character.isalpha() for character in piece):
                        counts[piece] += count
                        tokens += count
        self.tokens = tokens
        return counts

    def _count(self, text: str, goes_on: bool = False) -> None:
        # The counter lowers and normalises the text itself, with the lock released; the
        # interpreter prepares the few texts that it must (see _prepared). A text that
        # does not go on ends any phrase still open, even when it is empty.
        # (By position: a text at a time, the keywords' matching would cost more than
        # counting a short one.)
        if not self._tally.add(text, False, goes_on):
            self._tally.add(_prepared(text, self._rules.lower_case), True, goes_on)


def _read_all(stream: _TextFile, counter: WordCounter) -> None:
    while True:
        piece = stream.read(_PIECE)
        if not isinstance(piece, str):
            raise TypeError(f"a file must be opened in text mode, not give "
                            f"{type(piece).__name__!r}")
        if not piece:
            return
        counter.feed(piece)


def count_words(text: str | Iterable[str] | _TextFile, language: str = "english", *,
                urls: bool = False, emails: bool = False, handles: bool = False,
                entities: bool = False, hashtags: bool = True, emoji: bool = True,
                emoticons: bool = True, segmenter: str | None = None,
                negation: bool = False) -> Counter[str]:
    """The word counts of `text`, made the way the built-in lexicon of `language` writes
    its words, ready for `moodvane.weighted_avg_shift(..., lexicon=language)`.

    `text` is a str, an iterable of str (separate texts, whose counts are pooled) or a
    file opened in text mode (one text, read a piece at a time). `language` takes the names
    that `weighted_avg_shift`'s `lexicon` takes ("english", "French", "senTX_Korean", ...);
    an unknown one raises ValueError listing the valid ones. Words come in Unicode NFC,
    lower-cased where the lexicon is lower-case; a Hindi word is counted without nukta
    and with anusvara for chandrabindu, as the Hindi lexicon writes it; Chinese is cut into
    words (`segmenter`: None or "native" for the native segmenter, which cuts as jieba
    does without its hidden Markov model, over jieba's dictionary and the lexicon's words
    and phrases; "jieba" for jieba itself, the `zh` extra; "dictionary" for the longest
    match over the lexicon's words), and a Korean word that carries a particle or ending
    counts under the form of the same word that the lexicon lists, when it lists one. A
    run of words that spells a phrase the lexicon lists counts as that phrase, one
    token ("rumah sakit"), the longest one where phrases overlap.

    What is not a word, and the keyword that makes it count all the same:
    - `urls`: from "http://", "https://", "ftp://" or "www." at the start of a token to
      the next white space;
    - `emails`: word characters and ". _ % + -", "@", then two or more labels of word
      characters and hyphens separated by dots;
    - `handles`: "@" followed by word characters and underscores ("@moodvane_dev");
    - `entities`: HTML entities ("&amp;", "&#39;", "&#x1F600;").
    Counted by default, and left out with the keyword False:
    - `hashtags`: "#happy" counts as "happy";
    - `emoji`: an emoji sequence is one token, as written but without variation selectors
      (U+FE0E, U+FE0F) and skin tones (U+1F3FB..U+1F3FF), a sequence joined by U+200D
      whole ("👍🏽" counts as "👍");
    - `emoticons`: the emoticons of moodvane_tools' list (lexicons/data/emoticons.txt: ":)",
      ":-(", "<3", "xD", "ㅋㅋ", ...), matched in any ASCII case, count in the form the list
      writes first ("XD" and "xd" as "xD", which the list writes before "XD"), whether or
      not the text was lower-cased; one whose last character is a letter or digit only
      where no letter or digit follows (":3" is none in "10:30"); "ㅋㅋㅋㅋ" counts as "ㅋㅋ".

    With `negation=True`, a scored word that a negator of the language reaches counts as a
    token of its own, the language's negator, a space and the word ("not good" for "not
    very good", "nicht gut", "不 幸福"), which `lexicon_scores(language, negation=True)`
    scores; the negator itself still counts. Off by default, so that counts stay
    comparable with other tools'. The rule, its window and its limits are described in
    `moodvane_tools.negation`; Chinese is counted so with the native segmenter only.

    A text holding a lone surrogate raises UnicodeEncodeError.

    >>> count_words("Bonjour l'ami, bonjour !", "french")
    Counter({'bonjour': 2, 'ami': 1})
    """
    counter = WordCounter(language, urls=urls, emails=emails, handles=handles,
                          entities=entities, hashtags=hashtags, emoji=emoji,
                          emoticons=emoticons, segmenter=segmenter, negation=negation)
    if isinstance(text, str):
        counter.add(text)
    elif hasattr(text, "read"):
        _read_all(text, counter)  # type: ignore[arg-type]
    elif isinstance(text, (bytes, bytearray, memoryview)) or not isinstance(text, Iterable):
        raise TypeError(f"text must be a str, an iterable of str or a text file, "
                        f"not {type(text).__name__!r}")
    else:
        for one in text:
            counter.add(one)
    return counter.finish()


def count_documents(texts: Iterable[str], language: str = "english", *,
                    urls: bool = False, emails: bool = False, handles: bool = False,
                    entities: bool = False, hashtags: bool = True, emoji: bool = True,
                    emoticons: bool = True, segmenter: str | None = None,
                    negation: bool = False) -> list[Counter[str]]:
    """The word counts of each text of `texts`, in order: `count_words` of each (with the
    same keywords), the rules and the words seen shared between them, which makes many
    short texts fast."""
    if isinstance(texts, (str, bytes, bytearray, memoryview)):
        raise TypeError(f"texts must be an iterable of str, not {type(texts).__name__!r}")
    counter = WordCounter(language, urls=urls, emails=emails, handles=handles,
                          entities=entities, hashtags=hashtags, emoji=emoji,
                          emoticons=emoticons, segmenter=segmenter, negation=negation)
    results: list[Counter[str]] = []
    for text in texts:
        counter.add(text)
        results.append(counter.finish())
    return results
