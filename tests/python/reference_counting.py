"""The word counter in plain Python: the reference the native counter is checked against.

The package's own counter before it went native (a regular expression finds the tokens),
with the rules that `moodvane_tools.count_words` documents:
a token is a run of letters, combining marks, digits and zero-width joiners, runs joined by
one apostrophe or hyphen stay one token; the text is lower-cased (where the lexicon is)
and put in NFC (a text that is not, with every run of more than 30 non-starters first
cut by U+034F, as Unicode's Stream-Safe Text Format does); then each token counts as the lexicon's words it stands for.

Every property of a character comes from `unicodedata2` of the Unicode version that the
counter's tables pin (the test extra of pyproject.toml), not from the running interpreter, whose
Unicode version differs from one CPython to the next.
"""

from __future__ import annotations

import functools
import re
from collections import Counter
from collections.abc import Container
from dataclasses import dataclass, field
from pathlib import Path

import unicodedata2 as pinned_unicode

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
DATA = Path(__file__).resolve().parents[2] / "lexicons" / "data"
EMOJI_DATA = Path("/usr/share/unicode/emoji/emoji-data.txt")
EMOJI_MODIFIERS = frozenset([0xFE0E, 0xFE0F, 0x20E3, *range(0x1F3FB, 0x1F400),
                             *range(0xE0020, 0xE0080)])
# The keywords of count_words and what they were before the rules for things that are
# not words: everything counted as text, no emoji or emoticon tokens.
DEFAULTS = {"urls": False, "emails": False, "handles": False, "entities": False,
            "hashtags": True, "emoji": True, "emoticons": True}
BEFORE = {"urls": True, "emails": True, "handles": True, "entities": True,
          "hashtags": True, "emoji": False, "emoticons": False}
ENTITY = re.compile(r"&(?:[a-z]+|#[0-9]+|#x[0-9a-f]+);", re.IGNORECASE | re.ASCII)
URL_STARTS = ("http://", "https://", "ftp://", "www.")

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


def is_letter(character: str) -> bool:
    """str.isalpha of one character, by the pinned version's categories."""
    return pinned_unicode.category(character)[0] == "L"


def is_space(character: str) -> bool:
    """str.isspace of one character, by the pinned version's data (as CPython's)."""
    return (pinned_unicode.bidirectional(character) in ("WS", "B", "S")
            or pinned_unicode.category(character) == "Zs")


def is_word_character(character: str) -> bool:
    return pinned_unicode.category(character)[0] in "LMN" or character in "\u200c\u200d"


def stream_safe(text: str) -> str:
    out, run = [], 0
    for character in text:
        if not pinned_unicode.combining(character):
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
        if pinned_unicode.category(character)[0] == "M" or character in "'-":
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


@functools.cache
def emoji_starts() -> frozenset[int]:
    """Extended_Pictographic code points (Unicode's emoji-data.txt) and the regional
    indicators; empty when the file is not installed (Debian's unicode-data)."""
    if not EMOJI_DATA.is_file():
        return frozenset()
    found = set(range(0x1F1E6, 0x1F200))
    for line in EMOJI_DATA.read_text(encoding="utf-8").splitlines():
        fields = line.split("#")[0].split(";")
        if len(fields) == 2 and fields[1].strip() == "Extended_Pictographic":
            first, _, last = fields[0].strip().partition("..")
            found.update(range(int(first, 16), int(last or first, 16) + 1))
    return frozenset(found)


def is_emoji_start(character: str) -> bool:
    return (ord(character) > 0x7F and ord(character) in emoji_starts()
            and not is_word_character(character))


def lines_of(path: Path) -> list[str]:
    if not path.is_file():
        return []
    return [line for line in path.read_text(encoding="utf-8").splitlines() if line]


def ascii_lower(text: str) -> str:
    return "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in text)


def match_emoticon(text: str, at: int, emoticons: list[str]) -> tuple[str, int] | None:
    """The longest emoticon at `at` (in any ASCII case, the list's first form; a run of two
    or more of the one character of ㅋㅋ or ^^), not followed by a word character when it
    ends in one."""
    best: tuple[str, int] | None = None
    for written in sorted(emoticons, key=lambda e: len(e.encode()), reverse=True):
        match = ascii_lower(written)
        end = 0
        if len(match) >= 2 and len(set(match)) == 1:
            run = at
            while run < len(text) and ascii_lower(text[run]) == match[0]:
                run += 1
            end = run if run - at >= 2 else 0
        elif ascii_lower(text[at:at + len(match)]) == match:
            end = at + len(match)
        if not end or (best and end <= best[1]):
            continue
        if is_word_character(match[-1]) and end < len(text) and is_word_character(text[end]):
            continue
        best = (written, end)
    return best


BRACKETS = {")": "(", "]": "[", "}": "{", ">": "<"}
BRACKET_REACH = 32


def enclosed(text: str, at: int, end: int, written: str) -> bool:
    """Whether the emoticon text[at:end] is none for what stands around it: a word
    character on both sides, or a closing bracket that closes one opened within the 32
    characters before it, with no white space or closing bracket of its kind between
    ("[[:space:]]")."""
    if (at > 0 and is_word_character(text[at - 1]) and end < len(text)
            and is_word_character(text[end])):
        return True
    opener = BRACKETS.get(written[-1])
    if opener is None:
        return False
    for character in reversed(text[max(0, at - BRACKET_REACH):at]):
        if is_space(character) or character == written[-1]:
            return False
        if character == opener:
            return True
    return False


def emoji_sequence(text: str, at: int) -> tuple[str, int]:
    written = ""
    while True:
        written += text[at]
        regional = 0x1F1E6 <= ord(text[at]) <= 0x1F1FF
        at += 1
        if regional and at < len(text) and 0x1F1E6 <= ord(text[at]) <= 0x1F1FF:
            written += text[at]
            at += 1
        while at < len(text) and ord(text[at]) in EMOJI_MODIFIERS:
            if text[at] == "\u20e3" or ord(text[at]) >= 0xE0020:
                written += text[at]
            at += 1
        if (at + 1 < len(text) and text[at] == "\u200d" and is_emoji_start(text[at + 1])):
            written += "\u200d"
            at += 1
            continue
        return written, at


def token_end(text: str, at: int) -> int:
    while True:
        while at < len(text) and is_word_character(text[at]):
            at += 1
        if at + 1 < len(text) and text[at] in "'-" and is_word_character(text[at + 1]):
            at += 1
            continue
        return at


def name_end(text: str, at: int) -> int:
    while at < len(text) and (is_word_character(text[at]) or text[at] == "_"):
        at += 1
    return at


def email_end(text: str, at: int) -> int:
    while at < len(text) and (is_word_character(text[at]) or text[at] in "._%+-"):
        at += 1
    if at >= len(text) or text[at] != "@":
        return 0
    at += 1
    count, end = 0, 0
    while True:
        start = at
        while at < len(text) and (is_word_character(text[at]) or text[at] == "-"):
            at += 1
        if at == start:
            break
        count, end = count + 1, at
        if at >= len(text) or text[at] != ".":
            break
        at += 1
    return end if count >= 2 else 0


def scan(text: str, options: dict[str, bool], emoticons: list[str],
         breaks: frozenset[str] = frozenset()) -> list[tuple[bool | None, str]]:
    """(whole, text) for each token in order: whole for an emoji or an emoticon, which
    count as they stand; not whole for a token that the lexicon's rules read; and (None,
    character) for each character of `breaks` that is no part of a token."""
    out: list[tuple[bool | None, str]] = []
    at = 0
    while at < len(text):
        character = text[at]
        if is_word_character(character):
            if not options["urls"] and ascii_lower(text[at:at + 8]).startswith(URL_STARTS):
                while at < len(text) and not is_space(text[at]):
                    at += 1
                continue
            if (options["emoticons"] and (found := match_emoticon(text, at, emoticons))
                    and not enclosed(text, at, found[1], found[0])):
                out.append((True, found[0]))
                at = found[1]
                continue
            end = token_end(text, at)
            if (not options["emails"] and end < len(text) and text[end] in "@._%+-"
                    and (after := email_end(text, at))):
                at = after
                continue
            out.append((False, text[at:end]))
            at = end
            continue
        if (options["emoticons"] and (found := match_emoticon(text, at, emoticons))
                and not enclosed(text, at, found[1], found[0])):
            out.append((True, found[0]))
            at = found[1]
        elif options["emoji"] and is_emoji_start(character):
            written, at = emoji_sequence(text, at)
            out.append((True, written))
        elif ((character == "@" and not options["handles"])
              or (character == "#" and not options["hashtags"])) and name_end(text, at + 1) > at + 1:
            at = name_end(text, at + 1)
        elif character == "&" and not options["entities"] and (entity := ENTITY.match(text, at)):
            at = entity.end()
        else:
            if character in breaks:
                out.append((None, character))
            at += 1
    return out


def with_phrases(sequence: list[tuple[str, bool]], phrases: frozenset[str]) -> list[str]:
    """The words of `sequence` (word, whether it may be part of a phrase) with the longest
    run that spells a phrase, from the left, as that phrase."""
    out: list[str] = []
    at = 0
    while at < len(sequence):
        longest = 0
        for end in range(at + 2, len(sequence) + 1):
            if not all(matchable for _, matchable in sequence[at:end]):
                break
            if " ".join(word for word, _ in sequence[at:end]) in phrases:
                longest = end - at
        if longest:
            out.append(" ".join(word for word, _ in sequence[at:at + longest]))
            at += longest
        else:
            out.append(sequence[at][0])
            at += 1
    return out


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
        return [word for word, _ in self.marked_words_of(token)]

    def marked_words_of(self, token: str) -> list[tuple[str, bool]]:
        """The words of `token`, each with whether it may be part of a phrase (not a
        word of a Han run)."""
        if token.isascii() and all(map(is_letter, token)) and token:  # the common case: one plain word
            words = [token] if token in self.words or self.lower_case else self.joined(token)
            return [(word, True) for word in words]
        if not any(map(is_letter, token)):
            return []
        marked: list[tuple[str, bool]] = []
        words: list[str] = []
        for kind, run in script_runs(token):
            marked += [(word, True) for word in words]
            words = []
            if kind == "han" and self.key == "chinese":
                marked += [(piece, False) for piece in self.segment(run)
                           if any(map(is_letter, piece))]
                continue
            if kind == "hangul" and self.key == "korean":
                if marked and run in PARTICLES:
                    continue
                words += [korean_stem(part, self.words) for part in run.split(HYPHEN) if part]
            elif any(map(is_letter, run)):
                words += self.joined(run)
        return marked + [(word, True) for word in words]

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


def prepare(text: str, lexicon: Rules) -> str:
    """`text` as the rules read it: typographic apostrophes and hyphens folded, lowered
    where the lexicon is lower-case, in NFC, and in Hindi without nukta."""
    text = text.translate(JOINER_FORMS)
    if lexicon.lower_case:
        text = text.lower()
    if pinned_unicode.normalize("NFC", text) != text:
        text = pinned_unicode.normalize("NFC", stream_safe(text))
    if lexicon.key == "hindi":
        text = text.translate(HINDI_FOLDS)
    return text


def reference_count_words(text: str, language: str = "english",
                          segmenter: str | None = None, phrases: tuple[str, ...] | None = None,
                          emoticon_list: tuple[str, ...] | None = None,
                          words: frozenset[str] | None = None,
                          **options: bool) -> Counter[str]:
    """The word counts of one whole text; `phrases` and `emoticon_list` default to the files
    of lexicons/data, `words` to the lexicon's, `options` to count_words' keywords."""
    lexicon = rules(resolve_name(language), segmenter)
    if words is not None:
        lexicon = Rules(lexicon.key, words, lexicon.lower_case, segmenter)
    options = {**DEFAULTS, **options}
    if phrases is None:
        phrases = tuple(lines_of(DATA / f"{lexicon.key}.phrases.txt"))
    if emoticon_list is None:
        emoticon_list = tuple(lines_of(DATA / "emoticons.txt"))
    text = prepare(text, lexicon)
    if options != BEFORE or phrases:
        sequence: list[tuple[str, bool]] = []
        for whole, token in scan(text, options, list(emoticon_list)):
            sequence += [(token, True)] if whole else lexicon.marked_words_of(token)
        return Counter(with_phrases(sequence, frozenset(phrases)))
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
        counted = reference_count_words(text, self.language, phrases=(), **BEFORE)
        self.counts.update(counted)
        self.tokens += sum(counted.values())
