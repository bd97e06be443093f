"""Negation, opt-in: "not good" counted and scored apart from "good".

`count_words(text, language, negation=True)` (and `count_documents`, `WordCounter`, the
corpus functions and their Dask versions, `--negation` on the command line) counts a
scored word that a negator of its language reaches as a token of its own: the language's
canonical negator, one space, and the word as the lexicon writes it. The counting is
native and in linear time; a text counted in pieces counts as it does whole.

The negators of each language are data, `lexicons/data/negators.txt`, which the native
counter embeds: English not, never, no, cannot, nothing, nobody and the n't forms (don't,
isn't, ..., and the same without the apostrophe); French pas, jamais, rien, aucun(e), and
plus and personne after ne (or the n' of n'est) in the same clause; German nicht, kein*,
nie, niemals, nichts; Spanish no, nunca, jamás, ni, nada; Portuguese não, nunca, jamais,
nem, nada; Russian не, нет, никогда, ни, ничего; Indonesian tidak, bukan, tak, belum,
jangan, enggak, nggak, ngga, gak, tdk; Hindi नहीं, नही, न, मत; Korean 안 and 못, and -지
않다 / -지 못하다; Chinese 不, 没, 没有, 别 and the words the segmenter makes of them (不是,
不会, 不要, 不能, 不用, 从不, 从没, 并不, 绝不, 决不, 毫不).

The window. A negator reaches the next three words as the counter counts them (a phrase
counts as one word); the first scored word among them is negated, and only that one. A
clause or sentence break ends the window early (. ! ? ; : , … and the full stops and
commas of other scripts: 。 ！ ？ ， 、 ； ： । ॥), and so does the end of a text; another
negator ends it too and opens its own. Three kinds of word order are served:
- after the negator, as above, in every language ("not very good" → "not good");
- Korean 안 and 못 reach only the next word, which is what they negate (안 좋아요);
- before the negator: Hindi puts it after the predicate (खुश नहीं है), so a Hindi
  negator first negates the scored word just before it, and then reaches forward only if
  there was none; Korean 좋지 않다 and 행복하지 못했다 negate the word before 않다 /
  못하다 when it ends in 지, counted under its 다 form (안 좋다, 안 행복하다), which is how
  the lexicon lists it.
A word that the lexicon scores as a whole is left alone: the Korean phrase 안 좋다, German
"nicht schlecht", English "not bad" and Chinese words such as 不好 or 不喜欢 count as
themselves, whatever precedes them. When a negated token spells such an entry (German "nie
gut" makes "nicht gut"), it is that entry, and is scored as the lexicon scores it.

The token is written the same way in every script, the canonical negator, a space, the
word: "not good", "pas bon", "nicht gut", "no bueno", "não bom", "не хорошо", "tidak
baik", "नहीं अच्छा", "안 좋다", "不 幸福". Chinese too takes the space: without it a negated
token could spell a word of the lexicon (没有 幸福 as 不幸福, which the lexicon scores on
its own), and the two would merge in the counts and in a shift graph.

Double negation is not resolved: the last negator before a scored word decides. "not
without problems" counts "not problems"; French "je ne l'aime pas non plus" opens a new
window at plus (ne came before it), which reaches nothing scored; "not never happy"
counts "not happy". Negation across a clause break is not counted ("not, good" counts
"good").

What is not caught: a negator after the verb it negates in languages other than Hindi and
Korean (English "I like it not", German "ich mag es nicht", French "je n'aime pas", where
aime comes before pas); negation by a word the table does not list ("hardly", "without",
"sans", "ohne"); a negator with a wider scope than three words. The rule is a heuristic,
as every lexicon method's is; measure it on your texts (bench/lexicon_validity.py
--negation prints its effect on labelled corpora).

The score of a negated token, one rule for every lexicon: the opposite side of neutral (5)
at half the distance, ``5 - (s - 5) / 2`` ("not good", good 6.90 → 4.05; "not terrible",
terrible 1.80 → 6.60). `lexicon_scores(name, negation=True)` is the lexicon with a
negated entry for each of its entries; `negated_scores` does the same for a dict of your
own. `moodvane.weighted_avg_shift(counts_1, counts_2, lexicon="english")` leaves negated
tokens unscored (they are not in the built-in lexicon); score them with

    moodvane.weighted_avg_shift_custom(counts_1, counts_2,
                                       lexicon_scores("english", negation=True))

The corpus functions do this themselves when given `negation=True`.
"""

from __future__ import annotations

import functools
from collections.abc import Mapping
from importlib import resources
from pathlib import Path

from .lexicon_data import resolve_name

NEUTRAL = 5.0
"""The midpoint of every built-in lexicon's scale, which a negated score mirrors about."""


def negated_score(score: float) -> float:
    """The score of a negated word scored `score`: the other side of neutral at half the
    distance, ``5 - (score - 5) / 2``.

    >>> negated_score(6.90), negated_score(1.80)
    (4.05, 6.6)
    """
    return NEUTRAL - (float(score) - NEUTRAL) / 2.0


def _table_text() -> str:
    """The negators table as installed inside this package, or, in a source checkout that
    was not installed, from the repository's lexicons/data."""
    installed = resources.files(__package__ or "moodvane_tools") / "negators.txt"
    if installed.is_file():
        return installed.read_text(encoding="utf-8")
    return (Path(__file__).resolve().parents[2] / "lexicons" / "data"
            / "negators.txt").read_text(encoding="utf-8")


@functools.cache
def _canonical_negators() -> dict[str, str]:
    canonical: dict[str, str] = {}
    for line in _table_text().splitlines():
        fields = line.split("\t")
        if line.startswith("#") or len(fields) != 6 or fields[0] == "language":
            continue
        canonical.setdefault(fields[0], fields[2])
    return canonical


def canonical_negator(language: str) -> str:
    """The negator that the negated tokens of `language` are written with ("not" for
    English, "nicht" for German, "不" for Chinese); ValueError for an unknown language.

    >>> canonical_negator("senTX_German")
    'nicht'
    """
    key = resolve_name(language)
    try:
        return _canonical_negators()[key]
    except KeyError:
        raise ValueError(f"no negators are listed for {key!r}") from None


def negated_scores(scores: Mapping[str, float], language: str) -> dict[str, float]:
    """`scores` with a negated entry for each entry, as `count_words(...,
    negation=True)` writes negated tokens in `language`: "not good" scored
    `negated_score(scores["good"])`. An entry of `scores` that a negated token would
    spell keeps its own score ("not bad" where the lexicon scores that phrase).

    >>> negated_scores({"good": 6.9, "terrible": 1.8}, "english")
    {'good': 6.9, 'terrible': 1.8, 'not good': 4.05, 'not terrible': 6.6}
    """
    negator = canonical_negator(language)
    out = {word: float(score) for word, score in scores.items()}
    for word, score in scores.items():
        out.setdefault(f"{negator} {word}", negated_score(score))
    return out
