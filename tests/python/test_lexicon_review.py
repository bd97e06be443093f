"""The lexicon review files and the tool that applies them. Pure Python."""

from __future__ import annotations

import os
import subprocess
import sys
from fractions import Fraction
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
REVIEW = REPO / "lexicons" / "review"
DATA = REPO / "lexicons" / "data"
sys.path.insert(0, str(REPO / "tools"))
import lexicon_concepts as concepts  # noqa: E402
import lexicon_emoji as emoji  # noqa: E402
import lexicon_phrases as phrases  # noqa: E402
import lexicon_review as review  # noqa: E402

HEADER = "word\tdecision\tscore\treason\n"
FORMS_HEADER = "form\tlemma\n"
SOURCE = {"good": Fraction(7), "bad": Fraction(3), "table": Fraction("5.8"), "nice": Fraction(6)}


def write(tmp_path: Path, name: str, text: str) -> Path:
    path = tmp_path / name
    path.write_text(text, encoding="utf-8")
    return path


def apply(tmp_path: Path, lines: str, forms: str = "") -> review.Reviewed:
    write(tmp_path, "toy.tsv", HEADER + lines)
    if forms:
        write(tmp_path, "toy.forms.tsv", FORMS_HEADER + forms)
    result = review.review_lexicon("toy", SOURCE, tmp_path)
    assert result is not None
    return result


FULL = (
    "good\tkeep\t7.00\t\n"
    "bad\trescore\t2.60\tstronger than rated\n"
    "table\tdrop\t5.80\tneutral\n"
    "nice\tkeep\t6.00\tclear sense\n"
    "awful\tadd\t1.80\tteam-rated; frequent\n"
)


def test_each_decision_and_form_lands_with_its_score_and_origin(tmp_path):
    result = apply(tmp_path, FULL, "goods\tgood\nawfully\tawful\n")
    assert result.scores == {
        "good": 7, "bad": Fraction("2.6"), "nice": 6, "awful": Fraction("1.8"),
        "goods": 7, "awfully": Fraction("1.8"),
    }
    assert result.origins["good"] == review.FROM_SOURCE
    assert result.origins["bad"] == result.origins["awful"] == review.TEAM_RATED
    assert result.origins["goods"] == review.GENERATED_FORM
    assert result.counts == {"kept": 2, "rescored": 1, "dropped": 1, "added": 1, "forms": 2}


def test_a_form_follows_its_lemmas_new_score(tmp_path):
    assert apply(tmp_path, FULL, "worse\tbad\n").scores["worse"] == Fraction("2.6")


def test_no_review_file_means_not_reviewed(tmp_path):
    assert review.review_lexicon("toy", SOURCE, tmp_path) is None


@pytest.mark.parametrize(
    "lines, forms, message",
    [
        (FULL.replace("nice\tkeep\t6.00\tclear sense\n", ""), "", "have no decision: 'nice'"),
        (FULL + "good\tdrop\t7.00\ttwice\n", "", "already decided on line 2"),
        (FULL.replace("good\tkeep\t7.00", "good\tkeep\t7.40"), "", "source score 7.00"),
        (FULL.replace("table\tdrop\t5.80", "table\tdrop\t5.00"), "", "source score 5.80"),
        (FULL + "nice2\tkeep\t6.00\t\n", "", r"not in the sources \(use add\)"),
        (FULL.replace("awful\tadd", "nice\tadd").replace("nice\tkeep\t6.00\tclear sense\n", ""),
         "", "is added but the sources have it"),
        (FULL, "good\tnice\n", "has a decision of its own"),
        (FULL, "tables\ttable\n", "lemma 'table' is not a word kept"),
        (FULL, "goods\tgood\ngoods\tnice\n", "already listed on line 2"),
        (FULL, "nicer\tnicest\n", "lemma 'nicest'"),
    ],
)
def test_review_mismatches_fail_with_the_place_named(tmp_path, lines, forms, message):
    with pytest.raises(review.ReviewError, match=message):
        apply(tmp_path, lines, forms)


@pytest.mark.parametrize(
    "line, message",
    [
        ("good\tkept\t7.00\t\n", "decision 'kept'"),
        ("good\tdrop\t7.00\t \n", "a drop needs a reason"),
        ("good\tkeep\t7\t\n", "not written as d.dd"),
        ("good\tkeep\t9.50\t\n", "off the 1-9 scale"),
        ("good\tkeep\t7.00\n", "expected 4 tab-separated fields"),
        ("good day\tkeep\t7.00\t\n", "not a single word"),
        ("cafe\u0301\tadd\t7.00\tx\n", "not in Unicode NFC"),
    ],
)
def test_malformed_review_lines_are_refused(tmp_path, line, message):
    with pytest.raises(review.ReviewError, match=message):
        review.read_review(write(tmp_path, "toy.tsv", HEADER + line))


def test_a_file_without_its_header_is_refused(tmp_path):
    with pytest.raises(review.ReviewError, match="header"):
        review.read_review(write(tmp_path, "toy.tsv", "good\tkeep\t7.00\t\n"))


# ---------------------------------------------------------------- the committed files

REVIEWED = sorted(p.stem for p in REVIEW.glob("*.tsv")
                  if "." not in p.stem and p.stem not in ("emoji", "concepts"))


def data_scores(key: str) -> dict[str, Fraction]:
    lines = (DATA / f"{key}.tsv").read_text(encoding="utf-8").splitlines()
    return {word: Fraction(score) for word, score in (line.split("\t") for line in lines)}


@pytest.mark.parametrize("key", REVIEWED)
def test_shipped_lexicon_is_what_its_review_says(key):
    """Without the sources at hand: the shipped words are exactly the kept, rescored and
    added words and the forms, with the scores the review gives them."""
    decisions = review.read_review(REVIEW / f"{key}.tsv")
    forms_path = REVIEW / f"{key}.forms.tsv"
    forms = review.read_forms(forms_path) if forms_path.is_file() else []
    expected = {d.word: d.score for d in decisions if d.decision != "drop"}
    expected |= {form: expected[lemma] for form, lemma, _ in forms}
    expected |= {p.text: p.score for p in phrases.phrases_of(key, REVIEW) if p.score is not None}
    expected |= {e.token: e.score for e in emoji.read_emoji(REVIEW / "emoji.tsv", DATA / "emoticons.txt")}
    shipped = data_scores(key)
    assert shipped.keys() == expected.keys()
    assert {w: s for w, s in shipped.items() if s != expected[w]} == {}


@pytest.mark.parametrize("key", REVIEWED)
def test_shipped_lexicon_keeps_the_one_scale_and_its_phrase_list(key):
    """Without the sources at hand: the shipped scores meet the concept table, the
    counter's phrase list is the review's, and Hindi is in the counter's folded spelling."""
    table = concepts.read_table(REVIEW)
    assert table is not None
    concepts.check_lexicon(key, data_scores(key), table)  # raises, naming each fault
    listed = phrases.phrases_text(phrases.phrases_of(key, REVIEW))
    assert (DATA / f"{key}.phrases.txt").read_text(encoding="utf-8") == listed
    if key == "hindi":
        assert [w for w in data_scores(key) if "\u093c" in w or "\u0901" in w] == []


# ---------------------------------------------------------------- the second reader's check

import direction_sample  # noqa: E402

JUDGED = sorted(p.stem for p in direction_sample.SHEETS.glob("*.tsv"))
FREQUENT = sorted(p.stem for p in direction_sample.FREQUENT.glob("*.tsv"))


@pytest.mark.parametrize("key", JUDGED)
def test_judged_sample_is_the_shipped_lexicons_and_mostly_right(key):
    """Every entry of a judged sheet must still be shipped with the score it was judged at
    (a rescored entry calls for a new judgement), and at least 95% of the sheet right."""
    found = direction_sample.verdicts(key)
    assert len(found) == direction_sample.SAMPLE_SIZE
    assert found.count("right") / len(found) >= 0.95


@pytest.mark.parametrize("key", FREQUENT)
def test_most_frequent_entries_are_judged_right(key):
    """The 40 scored entries that text uses most carry most of a text's score: a second
    reader judged every one, and each must point the right way as it is shipped."""
    found = direction_sample.verdicts(key, direction_sample.FREQUENT)
    assert len(found) == direction_sample.FREQUENT_SIZE
    assert found.count("wrong") == 0


# ---------------------------------------------------------------- the forms generators

# The generators whose output is the committed forms file as it stands: a rerun must give it
# back. (English and Indonesian need a list of attested words from outside the tree; Hindi
# takes wordfreq's list when given none.)
REPRODUCIBLE = ["french", "german", "hindi", "korean", "portuguese", "russian", "spanish"]


@pytest.mark.slow
@pytest.mark.parametrize("key", REPRODUCIBLE)
def test_forms_generator_rerun_gives_the_committed_forms(key, tmp_path):
    """The committed forms file is what its generator writes from today's review (the
    generators check candidates against wordfreq's lists, an authoring-time tool)."""
    if key != "korean":
        pytest.importorskip("wordfreq")
    out = tmp_path / f"{key}.forms.tsv"
    script = REPO / "tools" / "lexicon_forms" / f"{key}.py"
    # A generator imports its neighbours from its own folder, which the interpreter puts on
    # the path of a script unless PYTHONSAFEPATH (set for the test runs) says otherwise.
    env = {name: value for name, value in os.environ.items() if name != "PYTHONSAFEPATH"}
    run = subprocess.run([sys.executable, str(script), "--out", str(out)],
                         capture_output=True, text=True, env=env)
    assert run.returncode == 0, run.stderr
    committed = (REVIEW / f"{key}.forms.tsv").read_text(encoding="utf-8")
    assert out.read_text(encoding="utf-8") == committed


# ---------------------------------------------------------------- every frequent word judged

import lexicon_frequent as frequent  # noqa: E402

LANGUAGES = sorted(frequent.WORDFREQ_CODES)


@pytest.mark.parametrize("key", LANGUAGES)
def test_second_reading_is_judged_and_what_it_found_is_fixed(key):
    """A second reader judged a fresh sample of the pass's additions and of the frequent
    words it left unscored: every verdict fits its sample, every word found missing is now
    scored, and every addition found wrong now stands at another score or is gone."""
    rows = frequent.second_reading(key)  # raises on a verdict that does not fit its sample
    size = frequent.SECOND_READING_SIZE
    assert [r.sample for r in rows] == ["added"] * size + ["unscored"] * size
    scored = frequent.scored_words(key)
    assert [r.word for r in rows if r.verdict == "missed" and r.word not in scored] == []
    standing = {d.word: d.score for d in review.read_review(REVIEW / f"{key}.tsv")
                if d.decision != "drop"}
    unfixed = [r.word for r in rows
               if r.verdict == "wrong" and standing.get(r.word) == Fraction(r.score)]
    assert unfixed == []


@pytest.mark.parametrize("row, message", [
    ("good\tadded\t6.60\tneutral\t", "does not fit"),
    ("good\tunscored\t\tright\t", "does not fit"),
    ("good\tadded\t6.60\t\t", "does not fit"),
    ("good\tadded\t6.60\twrong\t", "needs a note"),
    ("good\tunscored\t\tmissed\t  ", "needs a note"),
    ("good\tadded\t6.60\tright", "tab-separated fields"),
])
def test_a_second_reading_sheet_that_does_not_fit_is_refused(tmp_path, monkeypatch, row,
                                                            message):
    monkeypatch.setattr(frequent, "SECOND_READING", tmp_path)
    header = "\t".join(frequent.SECOND_READING_HEADER)
    write(tmp_path, "toy.tsv", f"{header}\nfine\tadded\t7.40\tright\t\n{row}\n")
    with pytest.raises(review.ReviewError, match=message):
        frequent.second_reading("toy")


@pytest.mark.slow
@pytest.mark.parametrize("key", LANGUAGES)
def test_every_frequent_word_is_judged_both_ways_and_for_strength(key):
    """Each of the language's 10,000 most frequent words is scored or recorded as left
    unscored, no family is scored one way only without a reason, and every entry among its
    2,000 most frequent scored words was rated for strength."""
    assert frequent.check(key) == []
