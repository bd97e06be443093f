#!/usr/bin/env python3
"""Korean: the lexicon entry each word of real text reaches, by count_words' hand rules and
by the lemmas of the kiwipiepy morphological analyser, side by side.

count_words takes a Korean word (a run of Hangul between spaces) as it is when the lexicon
lists it, else removes one particle and one ending of a 하다/스럽다/되다 word by a table
(word_rules.cpp). kiwipiepy (Apache-2.0, with a 100 MB model) analyses the sentence and
gives each morpheme its lemma (좋아서 -> 좋다; 행복했다 -> 행복 + 하 -> 행복하다). Both are
asked the same question of every word: which entry of the Korean lexicon it counts as,
the entry's generated forms taken as their lemma (행복을 is 행복). As an opt-in would be
wired, the kiwi side too keeps a word that the lexicon lists as written, so the figures
that tell the two apart are those of the words the lexicon does not list as written.

Text: the Korean sample sentences of bench_count_words.py and of the counter's tests, and
the Korean sentences of kiwipiepy's own documentation (documentation.md, Apache-2.0, in the
installed package): release notes and usage prose, real running text though not reviews.

    pip install kiwipiepy          # a measuring tool here, not a dependency of the package
    python3 bench/bench_korean_stems.py [--examples 40]

Findings (kiwipiepy 0.24.1, 2026-12; 246 sentences, 2,246 words, 2,150 of them not listed
as written): kiwi reached an entry for 29 of those, the hand rules for 9 until their table
learnt the formal endings 되었습니다, 됩니다, 되었으며, 됐습니다, 되도록 and 했지만, and for 22
since; the two agree on 19 of the 30 that either reaches. Of the words where they differ
(JUDGED below, a reader's verdicts) kiwi is right on 6 occurrences (-성 and -기 nouns, 되던),
the hand rules on 3 (kiwi reaches 행복하다 from 행복하지 않다 and 지원 from 지원되지 않는,
and nothing from 불가능합니다), both on 2. A gain of a few words in a thousand does not pay
for a 100 MB model, two seconds of start-up and a pass outside the native counter, so
count_words has no kiwi option; the text at hand is small, and a larger licensed Korean
corpus would be the next measure.
"""

from __future__ import annotations

import argparse
import re
import sys
from collections import Counter
from pathlib import Path

from moodvane_tools import count_words, lexicon_scores

REPO = Path(__file__).resolve().parents[1]
HANGUL = re.compile(r"[\uac00-\ud7a3]")
# kiwi's tags of the morphemes that carry a word's meaning, and of the suffixes that make a
# verb or adjective of a noun or root (행복 + 하 -> 행복하다, 사랑 + 스럽 -> 사랑스럽다).
NOUN_TAGS = ("NNG", "NNP", "XR")
PREDICATE_TAGS = ("VV", "VA")
DERIVING_TAGS = ("XSV", "XSA")

# A reader's verdict on the words where the two differ: word -> (right side, why). "hand":
# the hand rules reach the right entry and kiwi does not; "kiwi": the other way; "neither".
JUDGED: dict[str, tuple[str, str]] = {
    "모호성": ("kiwi", "ambiguity, the noun of 모호 (vague)"),
    "모호성이": ("kiwi", "the same, with a particle"),
    "개선하기": ("kiwi", "the -기 noun of 개선하다, improving"),
    "무시되던": ("kiwi", "that was ignored"),
    "불가능합니다": ("hand", "it is impossible; kiwi splits off 불 and reaches nothing"),
    "행복하지": ("hand", "stands before 않다: not happy"),
    "지원되지": ("hand", "stands before 않는: not supported"),
    "지원하고": ("both", "지원 and 지원하다 are one word with one score"),
    "지원합니다": ("both", "the same"),
}


def sample_sentences() -> list[str]:
    """The Korean sentences at hand, in a fixed order."""
    sys.path.insert(0, str(REPO / "bench"))
    sys.path.insert(0, str(REPO / "tests" / "python"))
    from bench_count_words import SAMPLES  # noqa: PLC0415
    from test_tools_counting import SENTENCES  # noqa: PLC0415

    sentences = SAMPLES["korean"].splitlines() + re.split(r"(?<=[.!?])\s+",
                                                            SENTENCES["korean"])
    import kiwipiepy  # noqa: PLC0415

    manual = (Path(kiwipiepy.__file__).parent / "documentation.md").read_text(encoding="utf-8")
    for line in manual.splitlines():
        for sentence in re.split(r"(?<=[.!?])\s+", line):
            sentence = sentence.strip().strip("`*#>-| ")
            hangul = len(HANGUL.findall(sentence))
            letters = len(re.findall(r"[^\W\d_]", sentence))
            if hangul >= 10 and hangul >= 0.7 * letters and len(sentence.split()) >= 3:
                sentences.append(sentence)
    return [s for s in sentences if s.strip()]


class Entries:
    """The Korean lexicon's entries, each generated form taken as its lemma."""

    def __init__(self) -> None:
        self.scores = lexicon_scores("korean")
        lines = (REPO / "lexicons" / "review" / "korean.forms.tsv").read_text(
            encoding="utf-8").splitlines()[1:]
        self.lemma_of = dict(line.split("\t") for line in lines)

    def entry(self, word: str) -> str | None:
        if word not in self.scores:
            return None
        return self.lemma_of.get(word, word)


def hand_entry(word: str, entries: Entries) -> str | None:
    """The entry count_words' rules make of one word, or None."""
    reached = [entries.entry(token) for token in count_words(word, "korean")]
    found = [e for e in reached if e is not None]
    return found[0] if found else None


def kiwi_entry(word: str, morphemes: list, entries: Entries) -> str | None:
    """The entry kiwi's lemmas make of one word: the word as written when listed, else its
    derived predicate (noun + 하다), its predicate's lemma, or its noun, whichever is listed."""
    if entries.entry(word) is not None:
        return entries.entry(word)
    candidates: list[str] = []
    for i, m in enumerate(morphemes):
        if m.tag in NOUN_TAGS and i + 1 < len(morphemes) \
                and morphemes[i + 1].tag.split("-")[0] in DERIVING_TAGS:
            candidates.append(m.form + morphemes[i + 1].form + "다")
        if m.tag.split("-")[0] in PREDICATE_TAGS:
            candidates.append(m.lemma)
        if m.tag in NOUN_TAGS:
            candidates.append(m.form)
    for candidate in candidates:
        if entries.entry(candidate) is not None:
            return entries.entry(candidate)
    return None


def words_with_morphemes(kiwi, sentence: str) -> list[tuple[str, list]]:
    """Each Hangul word of the sentence (without its punctuation) with kiwi's morphemes."""
    tokens = kiwi.tokenize(sentence)
    out = []
    for match in re.finditer(r"\S+", sentence):
        word = re.sub(r"[^\uac00-\ud7a3]+$", "", re.sub(r"^[^\uac00-\ud7a3]+", "",
                                                        match.group()))
        if not word or not HANGUL.fullmatch(word[0]) or not all(HANGUL.match(c) for c in word):
            continue
        inside = [t for t in tokens if match.start() <= t.start < match.end()]
        out.append((word, inside))
    return out


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--examples", type=int, default=40,
                        help="how many words to show where the two differ")
    args = parser.parse_args(argv)
    try:
        from kiwipiepy import Kiwi  # noqa: PLC0415
    except ImportError:
        print("kiwipiepy is not installed: pip install kiwipiepy", file=sys.stderr)
        return 1
    kiwi = Kiwi()
    entries = Entries()
    sentences = sample_sentences()
    tally: Counter[str] = Counter()
    differ: Counter[tuple[str, str | None, str | None]] = Counter()
    for sentence in sentences:
        for word, morphemes in words_with_morphemes(kiwi, sentence):
            hand, by_kiwi = hand_entry(word, entries), kiwi_entry(word, morphemes, entries)
            listed = entries.entry(word) is not None
            tally["words"] += 1
            tally["listed as written"] += listed
            if listed:
                continue
            tally["not listed"] += 1
            tally["hand reaches"] += hand is not None
            tally["kiwi reaches"] += by_kiwi is not None
            tally["either reaches"] += hand is not None or by_kiwi is not None
            if hand == by_kiwi:
                tally["agree"] += hand is not None
            else:
                differ[(word, hand, by_kiwi)] += 1
    print(f"{len(sentences)} sentences, {tally['words']} Korean words; "
          f"{tally['listed as written']} listed as written, {tally['not listed']} not")
    either = tally["either reaches"] or 1
    print(f"of the {tally['not listed']} not listed as written: hand rules reach an entry for "
          f"{tally['hand reaches']}, kiwi for {tally['kiwi reaches']}, either for "
          f"{tally['either reaches']}; the two agree on {tally['agree']} "
          f"({tally['agree'] / either:.0%} of those either reaches)")
    verdicts: Counter[str] = Counter()
    print(f"\nwhere they differ (word x count: hand rules | kiwi | verdict):")
    for (word, hand, by_kiwi), count in differ.most_common():
        side, why = JUDGED.get(word, ("unjudged", ""))
        verdicts[side] += count
        if args.examples > 0:
            args.examples -= 1
            print(f"  {word} x{count}: {hand or '-'} | {by_kiwi or '-'} | {side} {why}")
    print("\nverdicts over the differing words: "
          + ", ".join(f"{side} {n}" for side, n in verdicts.most_common()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
