"""Negation, opt-in: the native window against sentences written as data and against the
plain-Python reference (reference_negation.py), whole and in pieces; the score rule; and
negation through the corpus functions and the command line."""

from __future__ import annotations

import json
import re
from collections import Counter
from pathlib import Path

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st
from reference_counting import emoji_starts
from reference_negation import reference_negated_counts

import moodvane
from moodvane_tools import (count_documents, count_words, lexicon_names, lexicon_scores,
                            negated_scores)
from moodvane_tools.counting import WordCounter
from moodvane_tools.negation import canonical_negator, negated_score

DATA = Path(__file__).resolve().parent / "data"
NEGATORS = Path(__file__).resolve().parents[2] / "lexicons" / "data" / "negators.txt"


def _sentences():
    lines = (DATA / "negation_sentences.tsv").read_text(encoding="utf-8").splitlines()
    rows = [line.split("\t") for line in lines if not line.startswith("#")][1:]
    return [pytest.param(language, case, text, negated, id=f"{language}-{case}")
            for language, case, text, negated in rows]


def _added(text, language):
    """The tokens that negation adds to a text's counts (its negated tokens)."""
    return count_words(text, language, negation=True) - count_words(text, language)


@pytest.mark.parametrize("language, case, text, negated", _sentences())
def test_sentences_negate_as_written_down(language, case, text, negated):
    expected = Counter() if negated == "-" else Counter(negated.split(" | "))
    assert _added(text, language) == expected
    # A negated token stands for its word: the number of tokens does not change.
    assert sum(count_words(text, language, negation=True).values()) == \
        sum(count_words(text, language).values())
    if case == "across a clause break":
        # It is the break that keeps the word from being negated.
        assert _added(re.sub(r"[,.;?，。।]", " ", text), language)


# Fragments of text from which the property tests build sentences: negators of every kind,
# scored and unscored words, pieces of phrases, and clause breaks.
FRAGMENTS = {
    "english": ["not", "never", "don't", "Isn’t", "no", "good", "bad", "happy", "terrible",
                "a", "great", "deal", "the", "film", ",", ".", ";", "not bad", ":)", "very"],
    "french": ["pas", "ne", "n'est", "N’aime", "plus", "personne", "jamais", "mal", "bon",
               "heureux", "triste", "le", "film", ",", ".", "pas mal", "de", "souci"],
    "german": ["nicht", "keine", "Keinen", "nie", "gut", "schlecht", "Freude", "das",
               "ist", ",", "!", "nicht übel", "wunder", "kein"],
    "hindi": ["नहीं", "न", "मत", "अच्छा", "खुश", "दुखी", "रोओ", "है", "वह", "।", ",", "पसंद"],
    "korean": ["안", "못", "좋지", "않다", "않았다", "행복하지", "못했다", "행복해", "좋다",
               "영화가", ".", ",", "좋아", "그래", "못생긴"],
    "chinese": ["不", "没有", "别", "不是", "幸福", "快乐", "难过", "不好", "我", "。", "，",
                "他", "成功"],
}
SEPARATORS = {"chinese": ""}
SENTENCE = st.sampled_from(sorted(FRAGMENTS)).flatmap(
    lambda language: st.tuples(
        st.just(language),
        st.lists(st.sampled_from(FRAGMENTS[language]), max_size=30)
        .map(lambda words, language=language: SEPARATORS.get(language, " ").join(words))))

needs_reference = pytest.mark.skipif(
    not emoji_starts(), reason="the reference needs Unicode's emoji-data.txt (unicode-data)")


@needs_reference
@settings(max_examples=400, deadline=None)
@given(sentence=SENTENCE)
def test_negation_counts_as_the_reference_counts(sentence):
    language, text = sentence
    assert count_words(text, language, negation=True) == \
        reference_negated_counts(text, language)


@settings(max_examples=300, deadline=None)
@given(sentence=SENTENCE, cuts=st.lists(st.integers(min_value=0, max_value=400), max_size=8))
def test_a_text_counted_in_pieces_counts_as_it_does_whole(sentence, cuts):
    # A window and a phrase may go on from one piece into the next.
    language, text = sentence
    counter = WordCounter(language, negation=True)
    start = 0
    for cut in sorted(min(cut, len(text)) for cut in cuts):
        counter.feed(text[start:cut])
        start = max(start, cut)
    counter.feed(text[start:])
    assert counter.finish() == count_words(text, language, negation=True)
    # Documents counted one after another: no window reaches from one into the next.
    assert count_documents([text, text], language, negation=True) == \
        [count_words(text, language, negation=True)] * 2


def test_the_negators_table_is_well_formed():
    canonical: dict[str, str] = {}
    for line in NEGATORS.read_text(encoding="utf-8").splitlines():
        if line.startswith("#") or line.startswith("language\t"):
            continue
        language, negator, written, ahead, before, needs = line.split("\t")
        assert canonical.setdefault(language, written) == written, line
        assert int(ahead) >= 0 and before in ("-", "word", "ji") and negator, line
    assert sorted(canonical) == sorted(lexicon_names())


@pytest.mark.parametrize("language", lexicon_names())
def test_every_entry_has_its_negated_entry_scored_by_the_rule(language):
    scores = lexicon_scores(language)
    negated = lexicon_scores(language, negation=True)
    negator = canonical_negator(language)
    assert {word: negated[word] for word in scores} == scores
    for word, score in scores.items():
        token = f"{negator} {word}"
        expected = scores[token] if token in scores else 5.0 - (score - 5.0) / 2.0
        assert negated[token] == expected
    assert len(negated) == len(scores | {f"{negator} {word}": 0 for word in scores})


def test_the_rule_mirrors_about_neutral_at_half_the_distance():
    assert negated_score(6.90) == pytest.approx(4.05)
    assert negated_score(1.80) == pytest.approx(6.60)
    assert negated_score(5.0) == 5.0
    # A phrase the lexicon scores keeps its own score when a negated token spells it.
    english = lexicon_scores("english", negation=True)
    assert english["not bad"] == lexicon_scores("english")["not bad"]
    assert negated_scores({"gut": 6.6}, "german") == {"gut": 6.6, "nicht gut": 5.0 - 0.8}


def test_chinese_negation_needs_the_native_segmenter():
    assert _added("他没有成功", "chinese") == Counter({"不 成功": 1})
    with pytest.raises(ValueError, match="native segmenter"):
        count_words("他没有成功", "chinese", segmenter="dictionary", negation=True)


def test_corpus_scores_take_the_negated_entries():
    pandas = pytest.importorskip("pandas")
    from moodvane_tools import happiness_series, score_documents

    texts = ["the film is not good", "the film is good", "not a terrible day", "hello"]
    scores = lexicon_scores("english", negation=True)
    frame = score_documents(texts, negation=True)
    for text, score in zip(texts, frame["score"], strict=True):
        counts = count_words(text, negation=True)
        if not any(word in scores for word in counts):
            assert pandas.isna(score)
            continue
        assert score == moodvane.weighted_avg_shift_custom(counts, {}, scores)["s_avg_1"]
    assert frame["score"][0] < 5.0 < frame["score"][1]
    series = happiness_series(texts, ["a", "a", "b", "b"], n_boot=0, negation=True)
    pooled = count_words(texts[:2], negation=True)
    assert series["score"]["a"] == \
        moodvane.weighted_avg_shift_custom(pooled, {}, scores)["s_avg_1"]
    from moodvane_tools.shifts_by_period import period_shifts

    shifts = period_shifts(texts, ["a", "a", "b", "b"], negation=True)
    assert shifts["b"] == moodvane.weighted_avg_shift_custom(
        {word: count for word, count in pooled.items() if word in scores},
        count_words(texts[2:], negation=True), scores)
    assert shifts.options["negation"] is True


def test_the_command_line_counts_and_scores_negation(tmp_path):
    from moodvane_tools.cli import main

    before, after, out = tmp_path / "before.txt", tmp_path / "after.txt", tmp_path / "out.json"
    before.write_text("The day was good. The food was good.", encoding="utf-8")
    after.write_text("The day was not good. The food was not very good.", encoding="utf-8")
    assert main(["compare", str(before), str(after), "--negation", "--json", str(out)]) == 0
    document = json.loads(out.read_text(encoding="utf-8"))
    entries = {entry["type"]: entry for entry in document["entries"]}
    assert set(entries) == {"good", "not good"} and document["meta"]["negation"] is True
    assert document["s_avg_2"] == pytest.approx(negated_score(lexicon_scores("english")["good"]))
    assert main(["compare", str(before), str(after), "--json", str(out)]) == 0
    assert "not good" not in {entry["type"] for entry in
                              json.loads(out.read_text(encoding="utf-8"))["entries"]}


def test_docstring_examples_run():
    import doctest

    import moodvane_tools.negation

    failures, tried = doctest.testmod(moodvane_tools.negation)
    assert tried > 0 and failures == 0


@pytest.mark.parametrize("command", [
    ["compare", "a.txt", "b.txt"], ["series", "c.csv", "--key", "k"],
    ["explain", "c.csv", "--key", "k", "--period", "p"], ["report", "c.csv", "--html", "r.html"],
])
def test_every_command_that_counts_takes_the_switch(command):
    from moodvane_tools.cli import _parser

    assert _parser().parse_args([*command, "--negation"]).negation is True
    assert _parser().parse_args(command).negation is False
