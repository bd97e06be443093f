#!/usr/bin/env python3
"""Proposes the inflected and variant forms of the English lexicon's words.

English text carries a word as "hopes", "hoped", "hoping", "calmly", "kinder" or in its British
spelling ("favourite"), while the lexicon mostly lists one form. This script reads the review of
the English lexicon (lexicons/review/english.tsv), takes every word that survives it (kept,
rescored or added), and writes lexicons/review/english.forms.tsv with the regular forms English
spelling rules give for it: plural and third person (-s, -es, -ies), past (-ed, -d, -ied, a
doubled final consonant), present participle (-ing), adverb (-ly, -ily, -ically), comparison
(-er, -est), -ness, and the British or American spelling of -or/-our, -ize/-ise, -yze/-yse and
-el-/-ell-. Each form takes the final score of its lemma when the lexicon is built.

The rules know no parts of speech, so they propose many strings that are not words. Pass
``--known FILE`` (one word per line, e.g. the frequent words of a frequency list) to keep only
candidates that real text uses. What remains is a proposal: a reader goes through the output and
removes every form whose common meaning differs from its lemma's ("hardly" is not "hard",
"lately" is not "late"), since the build trusts the file as written.

A candidate is never written when it is itself an entry of the lexicon's sources or an added
word (its own review line decides it), and a form proposed by two lemmas goes to the first one
in the review's order, so that no form has two lemmas.

    python3 tools/lexicon_forms/english.py --known words.txt

Standard library only.
"""

from __future__ import annotations

import argparse
import sys
from collections.abc import Iterable, Iterator
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
REVIEW = REPO / "lexicons" / "review" / "english.tsv"
FORMS = REPO / "lexicons" / "review" / "english.forms.tsv"

VOWELS = frozenset("aeiou")
# Decisions whose word stays in the lexicon and can therefore lend its score to forms.
LEMMA_DECISIONS = frozenset({"keep", "rescore", "add"})

# Forms whose common sense in running text is not their lemma's, found on reading text: the
# verb progress mostly marks time passing ("as the film progresses"), not improvement.
NOT_FORMS = frozenset({"progresses", "progressed", "progressing"})


def _ends_consonant_y(word: str) -> bool:
    return len(word) > 1 and word[-1] == "y" and word[-2] not in VOWELS


def _doubled(word: str) -> str | None:
    """The stem with its final consonant doubled (stop -> stopp), when English might do so."""
    if len(word) < 3:
        return None
    last, middle, before = word[-1], word[-2], word[-3]
    if last in VOWELS or last in "wxy" or middle not in VOWELS or before in VOWELS:
        return None
    return word + last


def plural_forms(word: str) -> Iterator[str]:
    """Plural nouns and third-person verbs."""
    if word.endswith(("s", "x", "z", "ch", "sh")):
        yield word + "es"
    elif _ends_consonant_y(word):
        yield word[:-1] + "ies"
    else:
        yield word + "s"


def past_forms(word: str) -> Iterator[str]:
    """Past tenses and participles (-ed)."""
    if word.endswith("e"):
        yield word + "d"
    elif _ends_consonant_y(word):
        yield word[:-1] + "ied"
    else:
        yield word + "ed"
        doubled = _doubled(word)
        if doubled:
            yield doubled + "ed"


def participle_forms(word: str) -> Iterator[str]:
    """Present participles and gerunds (-ing)."""
    if word.endswith("ie"):
        yield word[:-2] + "ying"
    elif word.endswith("e") and not word.endswith(("ee", "ye", "oe")):
        yield word[:-1] + "ing"
    else:
        yield word + "ing"
        doubled = _doubled(word)
        if doubled:
            yield doubled + "ing"


def adverb_forms(word: str) -> Iterator[str]:
    """Adverbs made from adjectives (-ly)."""
    if word.endswith("le") and len(word) > 3:
        yield word[:-1] + "y"
    elif word.endswith("ic"):
        yield word + "ally"
    elif _ends_consonant_y(word):
        yield word[:-1] + "ily"
    elif word.endswith("ll"):
        yield word + "y"
    else:
        yield word + "ly"


def comparison_forms(word: str) -> Iterator[str]:
    """Comparatives and superlatives (-er, -est)."""
    if word.endswith("e"):
        yield word + "r"
        yield word + "st"
    elif _ends_consonant_y(word):
        yield word[:-1] + "ier"
        yield word[:-1] + "iest"
    else:
        yield word + "er"
        yield word + "est"
        doubled = _doubled(word)
        if doubled:
            yield doubled + "er"
            yield doubled + "est"


def noun_forms(word: str) -> Iterator[str]:
    """Abstract nouns made from adjectives (-ness)."""
    yield (word[:-1] + "iness") if _ends_consonant_y(word) else word + "ness"


SPELLING_PAIRS = (("our", "or"), ("ise", "ize"), ("isi", "izi"), ("isa", "iza"),
                  ("yse", "yze"), ("ysi", "yzi"), ("ell", "el"))


def spelling_variants(word: str) -> Iterator[str]:
    """The other side of each British/American spelling pair found in the word."""
    for british, american in SPELLING_PAIRS:
        for old, new in ((british, american), (american, british)):
            start = word.find(old)
            while start > 0:
                yield word[:start] + new + word[start + len(old):]
                start = word.find(old, start + 1)


RULES = (plural_forms, past_forms, participle_forms, adverb_forms, comparison_forms,
         noun_forms, spelling_variants)


def candidate_forms(word: str) -> Iterator[str]:
    """Every form the rules propose for one lemma, variants' inflections included."""
    if "-" in word or "'" in word:
        return
    for rule in RULES:
        yield from rule(word)
    for variant in spelling_variants(word):
        for rule in RULES[:-1]:
            yield from rule(variant)


def read_review(path: Path) -> list[tuple[str, str]]:
    """(word, decision) for every line of a review file, in file order."""
    lines = path.read_text(encoding="utf-8").splitlines()
    return [(fields[0], fields[1]) for fields in (line.split("\t") for line in lines[1:])]


def read_words(path: Path) -> set[str]:
    """The first column of a tab-separated file, or the words of a one-word-a-line file."""
    return {line.split("\t")[0] for line in path.read_text(encoding="utf-8").splitlines() if line}


def propose(lemmas: Iterable[str], taken: set[str], known: set[str] | None) -> list[tuple[str, str]]:
    """(form, lemma) pairs, each form once, none of them a word of the lexicon itself."""
    chosen: dict[str, str] = {}
    for lemma in lemmas:
        for form in candidate_forms(lemma):
            if form in taken or form in chosen or form == lemma or form in NOT_FORMS:
                continue
            if known is not None and form not in known:
                continue
            chosen[form] = lemma
    return list(chosen.items())


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--known", type=Path,
                        help="keep only candidates listed in this file (one word per line)")
    parser.add_argument("--out", type=Path, default=FORMS, help="the forms file to write")
    args = parser.parse_args(argv)

    review = read_review(REVIEW)
    lemmas = [word for word, decision in review if decision in LEMMA_DECISIONS]
    # Every source entry and added word has its line in the review; the built lexicon
    # (lexicons/data) is no guide, as it holds the forms already written.
    taken = {word for word, _ in review}
    known = read_words(args.known) if args.known else None

    pairs = propose(lemmas, taken, known)
    body = "".join(f"{form}\t{lemma}\n" for form, lemma in pairs)
    args.out.write_text("form\tlemma\n" + body, encoding="utf-8")
    print(f"{len(pairs)} forms of {len(lemmas)} lemmas written to {args.out}", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
