"""Phrases, emoji and the concept table of the lexicon review. Pure Python."""

from __future__ import annotations

import sys
from fractions import Fraction
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tools"))
import lexicon_concepts as concepts  # noqa: E402
import lexicon_emoji as emoji  # noqa: E402
import lexicon_phrases as phrases  # noqa: E402
from lexicon_review import ReviewError  # noqa: E402


def write(tmp_path: Path, name: str, text: str) -> Path:
    path = tmp_path / name
    path.write_text(text, encoding="utf-8")
    return path


@pytest.mark.parametrize(
    "key, line, message",
    [
        ("french", "pas\t6.60\tone word\n", "one word"),
        ("french", "Pas mal\t6.60\tcase\n", "not lower-case"),
        ("french", "pas  mal\t6.60\ttwo spaces\n", "letters only"),
        ("french", "c'est la vie\t\tapostrophe\n", "letters only"),
        ("french", "pas mal\t6.6\tscore\n", "not written as d.dd"),
        ("french", "pas mal\t\t\n", "needs a reason"),
        ("french", "pas mal\t\tx\npas mal\t6.60\ty\n", "already listed on line 2"),
        ("chinese", "不 开心\t3.40\tspace\n", "Han characters"),
    ],
)
def test_malformed_phrases_are_refused(tmp_path, key, line, message):
    path = write(tmp_path, "p.tsv", "phrase\tscore\treason\n" + line)
    with pytest.raises(ReviewError, match=message):
        phrases.read_phrases(key, path)


@pytest.mark.parametrize(
    "line, message",
    [
        ("\U0001F602\ufe0f\t7.40\tjoy\n", "presentation selector"),
        ("\U0001F44D\U0001F3FD\t6.60\tthumbs\n", "skin tone"),
        ("a\U0001F602\t7.40\tmixed\n", "not an emoji sequence"),
        ("lol\t7.40\tword\n", "not an emoticon"),
        (":-Q\t4.20\tunlisted\n", "counter's list"),
        (":)\t6.60\t\n", "needs a reason"),
    ],
)
def test_malformed_emoji_are_refused(tmp_path, line, message):
    path = write(tmp_path, "e.tsv", "token\tscore\treason\n" + line)
    listed = write(tmp_path, "emoticons.txt", ":)\n:(\n")
    with pytest.raises(ReviewError, match=message):
        emoji.read_emoji(path, listed)


HEADER = "\t".join(concepts.CONCEPTS_HEADER) + "\n"
EMPTY = "\t" * 8
TABLE = HEADER + f"friend\t7.40\tfriend, pal\t{EMPTY}\n" + f"death\t2.60\tdeath\t{EMPTY}\n"
EXCEPTIONS = "concept\tlexicon\tword\treason\n"
SCORES = {"friend": Fraction("7.4"), "pal": Fraction("6.6"), "death": Fraction("2.2")}


@pytest.mark.parametrize(
    "scores, exceptions, message",
    [
        (SCORES, "", None),
        (SCORES | {"pal": Fraction("5.8")}, "", "'pal' scores 5.80, more than a step"),
        (SCORES | {"pal": Fraction("5.8")}, "friend\tenglish\tpal\tmostly ironic\n", None),
        (SCORES, "friend\tenglish\tpal\tmostly ironic\n", "within a step; drop"),
        (SCORES, "love\tenglish\tpal\tno such line\n", "does not list english 'pal'"),
        ({"friend": Fraction("7.4"), "death": Fraction("2.6")}, "", "'pal' is not an entry"),
    ],
)
def test_concept_check(tmp_path, scores, exceptions, message):
    write(tmp_path, "concepts.tsv", TABLE)
    write(tmp_path, "concepts.exceptions.tsv", EXCEPTIONS + exceptions)
    table = concepts.read_table(tmp_path)
    assert table is not None
    if message is None:
        concepts.check_lexicon("english", scores, table)
    else:
        with pytest.raises(ReviewError, match=message):
            concepts.check_lexicon("english", scores, table)


@pytest.mark.parametrize(
    "row, message",
    [
        (f"good\t7.00\tgood\t{EMPTY}\n", "not a level of the guide"),
        (f"good\t6.60\tgood,nice\t{EMPTY}\n", "separated by ', '"),
        (f"friend\t6.60\tmate\t{EMPTY}\n", "empty or repeated"),
    ],
)
def test_malformed_concepts_are_refused(tmp_path, row, message):
    write(tmp_path, "concepts.tsv", TABLE + row)
    with pytest.raises(ReviewError, match=message):
        concepts.read_table(tmp_path)
