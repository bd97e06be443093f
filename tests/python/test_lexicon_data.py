"""The ten built-in lexicon texts: their narrow text form, their record in SOURCES.md, and the
tool that builds them. Pure Python: nothing here needs the compiled module."""

from __future__ import annotations

import json
import re
import sys
from fractions import Fraction
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
DATA = REPO / "lexicons" / "data"
TOOL = REPO / "tools" / "build_lexicons.py"

SCORE = re.compile(r"[0-9]\.[0-9]{2}")
EMOTICONS = {line.split("\t")[0] for line in
             (REPO / "lexicons" / "review" / "emoji.tsv").read_text(encoding="utf-8").splitlines()
             if line.isascii()}

# The build tool is a script, not a package: import it from its directory.
sys.path.insert(0, str(TOOL.parent))
import build_lexicons as tool  # noqa: E402
import lexicon_manifest  # noqa: E402

KEYS = lexicon_manifest.keys()


def read_lines(key: str) -> list[tuple[str, str]]:
    text = (DATA / f"{key}.tsv").read_bytes().decode("utf-8")
    return [tuple(line.split("\t")) for line in text.split("\n")[:-1]]


def test_data_holds_exactly_the_ten_lexicons():
    assert sorted(p.stem for p in DATA.glob("*.tsv")) == sorted(KEYS)


# ---------------------------------------------------------------- the narrow form


@pytest.mark.parametrize("key", KEYS)
def test_text_framing(key):
    data = (DATA / f"{key}.tsv").read_bytes()
    text = data.decode("utf-8")  # raises on invalid UTF-8
    assert data, "empty lexicon"
    assert b"\r" not in data
    assert data.endswith(b"\n"), "last line lacks its line feed"
    assert not data.startswith(b"\n") and b"\n\n" not in data, "empty line"
    assert "\ufeff" not in text, "byte order mark"


@pytest.mark.parametrize("key", KEYS)
def test_each_line_is_word_tab_score(key):
    text = (DATA / f"{key}.tsv").read_bytes().decode("utf-8")
    for number, line in enumerate(text.split("\n")[:-1], 1):
        assert line.count("\t") == 1, f"line {number}: {line!r}"
        word, score = line.split("\t")
        assert word, f"line {number}: empty word"
        # A phrase's words stand one ASCII space apart, as the word counter writes them.
        assert all(part and not any(ch.isspace() for ch in part)
                   for part in word.split(" ")), f"line {number}: whitespace in {word!r}"
        # Emoticons are kept as typed (":D"); every other entry is lower-cased.
        assert word == word.lower() or word in EMOTICONS, (
            f"line {number}: {word!r} is not lower-cased")
        assert SCORE.fullmatch(score), f"line {number}: score {score!r}"
        assert Fraction("1.00") <= Fraction(score) <= Fraction("9.00"), f"line {number}: {score}"


@pytest.mark.parametrize("key", KEYS)
def test_no_word_twice(key):
    words = [word for word, _ in read_lines(key)]
    assert len(words) == len(set(words))


@pytest.mark.parametrize("key", KEYS)
def test_order_is_score_descending_then_word_bytes(key):
    rows = read_lines(key)
    for (w1, s1), (w2, s2) in zip(rows, rows[1:]):
        assert Fraction(s1) >= Fraction(s2), f"{w1} {s1} before {w2} {s2}"
        if s1 == s2:
            assert w1.encode("utf-8") < w2.encode("utf-8"), f"{w1!r} before {w2!r} at {s1}"


@pytest.mark.parametrize("key", KEYS)
def test_sources_record_names_file_with_its_line_count(key):
    sources = (DATA / "SOURCES.md").read_text(encoding="utf-8")
    lines = len(read_lines(key))
    row = re.search(rf"^\| {key}\.tsv \| ([0-9,]+) \|", sources, re.MULTILINE)
    assert row, f"no table row for {key}.tsv"
    assert int(row.group(1).replace(",", "")) == lines
    heading = re.search(rf"^#+ {key}\.tsv \(([0-9,]+) lines\)$", sources, re.MULTILINE)
    assert heading, f"no section for {key}.tsv"
    assert int(heading.group(1).replace(",", "")) == lines


# ---------------------------------------------------------------- the build tool


@pytest.mark.parametrize(
    "exact, text",
    [
        (Fraction(5), "5.00"),
        (Fraction(1), "1.00"),
        (Fraction(9), "9.00"),
        (Fraction("5.005"), "5.00"),  # tie: to the even hundredth
        (Fraction("5.015"), "5.02"),
        (Fraction("5.0050001"), "5.01"),
        (Fraction(17, 3), "5.67"),
        (5 + Fraction(4, 5) * Fraction(-7, 3), "3.13"),
    ],
)
def test_score_rounds_to_hundredths_half_even(exact, text):
    assert tool.format_score(tool.to_hundredths(exact)) == text


def test_render_orders_ties_by_utf8_bytes_not_code_points():
    # Equal scores: a proper prefix first, then by UTF-8 bytes (1-, 3- and 4-byte forms).
    scores = {"\U00010000": Fraction(6), "\uff21": Fraction(6), "bc": Fraction(6),
              "b": Fraction(6), "a": Fraction(7), "z": Fraction(2)}
    assert tool.render("t", scores) == (
        "a\t7.00\nb\t6.00\nbc\t6.00\n\uff21\t6.00\n\U00010000\t6.00\nz\t2.00\n"
    )


@pytest.mark.parametrize("score", [Fraction("0.99"), Fraction("9.01"), Fraction(-5)])
def test_render_refuses_scores_off_the_scale(score):
    with pytest.raises(tool.SourceError):
        tool.render("t", {"w": score})


@pytest.mark.parametrize("word", ["", "a\tb", "a\nb", "a\r"])
def test_render_refuses_words_that_break_the_form(word):
    with pytest.raises(tool.SourceError):
        tool.render("t", {word: Fraction(5)})


@pytest.mark.parametrize(
    "raw, cleaned, plain",
    [
        ("  Hoffnung, ", "hoffnung", True),
        ("empalaga;", "empalaga", True),
        ("现代化，", "现代化", True),
        ("chef-d'oeuvre", "chef-d'oeuvre", True),
        ("aujourd\u2019hui", "aujourd\u2019hui", True),
        ("satisfatória.Bateria", "satisfatória.bateria", False),
        ("使...称叹", "使...称叹", False),
        ("n00b", "n00b", False),
        ("a--b", "a--b", False),
        ("e\u0301t\u0065\u0301", "été", True),  # decomposed input comes out in NFC
        ("\u0915\u094d\u200d\u0937", "\u0915\u094d\u200d\u0937", True),  # joiner inside
        ("...", "", False),
    ],
)
def test_clean_word_and_plain_word(raw, cleaned, plain):
    assert tool.clean_word(raw) == cleaned
    assert tool.is_plain_word(cleaned) is plain


def afinn_source(pairs: dict[str, object]) -> object:
    return tool.Source("test.json", json.dumps(pairs, ensure_ascii=False).encode("utf-8"))


def test_clean_afinn_drops_and_merges():
    english = {"good", "bad", "can't stand"}
    values, stats = tool.clean_afinn(
        "ru",
        afinn_source({
            "Хорошо": 3, "хорошо ": 2,  # equal after cleaning: merged
            "не могу": -2,              # phrase
            "good": 3, "GOOD": 3,       # left untranslated
            "okей": 1,                  # Latin letters in a Cyrillic word
            "2хорошо": 1,               # digit
            "плохо": -3,
        }),
        english,
    )
    assert values == {"хорошо": [3, 2], "плохо": [-3]}
    assert stats["phrases dropped"] == 1
    assert stats["untranslated entries dropped"] == 2
    assert stats["Latin-script entries dropped"] == 1
    assert stats["non-words dropped (digits, symbols, inner punctuation)"] == 1
    assert stats["entries merged into an equal word"] == 1
    # The raw values are averaged before the formula: 5 + 0.8 × 2.5 = 7.
    assert tool.afinn_score(values["хорошо"]) == 7


def test_clean_afinn_keeps_chinese_whole_and_latin_in_latin_languages():
    values, _ = tool.clean_afinn("zh", afinn_source({"他妈的伟大": 4}), set())
    assert values == {"他妈的伟大": [4]}
    values, _ = tool.clean_afinn("de", afinn_source({"Abenteuer": 2, "gute Laune": 2}), set())
    assert values == {"abenteuer": [2]}


def test_clean_afinn_drops_known_mistranslations_only_in_their_language():
    values, stats = tool.clean_afinn("es", afinn_source({"Negro": -5, "triste": -2}), set())
    assert values == {"triste": [-2]}
    assert stats["known mistranslations dropped"] == 1
    values, _ = tool.clean_afinn("de", afinn_source({"negro": -5}), set())
    assert values == {"negro": [-5]}


@pytest.mark.parametrize(
    "key, word",
    [(key, word) for key, lang in tool.LEXICONS for word in tool.MISTRANSLATIONS.get(lang, {})],
)
def test_shipped_lexicons_leave_out_known_mistranslations(key, word):
    assert word not in dict(read_lines(key))


@pytest.mark.parametrize("value", [6, -6, 1.5, "1"])
def test_afinn_values_outside_the_integer_range_are_refused(value):
    with pytest.raises(tool.SourceError):
        tool.clean_afinn("de", afinn_source({"wort": value}), set())


def test_english_keeps_words_and_averages_repeated_tokens():
    vader = tool.Source(
        "vader.txt",
        (
            "(:\t2.2\t0.6\t[2]\r\n"
            "fed up\t-1.8\t0.6\t[-2]\r\n"
            "gr8\t2.7\t0.6\t[3]\r\n"
            "self-confident\t2.5\t0.6\t[3]\r\n"
            "lol\t2.9\t0.8\t[3]\r\n"
            "lol\t1.8\t0.6\t[2]\r\n"
            "rapist\t-3.9\t0.3\t[-4]\r\n"
        ).encode("utf-8"),
    )
    lex = tool.build_english(vader)
    assert tool.render("english", lex.scores) == "self-confident\t7.50\nlol\t7.35\nrapist\t1.10\n"
    assert lex.stats["phrases dropped"] == 1
    assert lex.stats["emoticons and other non-words dropped"] == 2
    assert lex.stats["repeated tokens merged"] == 1


@pytest.mark.parametrize("rating", ["1/2", "nan", "", "1e1", "4.1", "-4.05"])
def test_vader_ratings_must_be_decimals_within_the_scale(rating):
    vader = tool.Source("vader.txt", f"good\t{rating}\t0.5\t[1]\n".encode("utf-8"))
    with pytest.raises(tool.SourceError):
        tool.build_english(vader)


def test_french_prefers_pattern_and_fills_in_from_afinn():
    pattern = tool.Source(
        "fr.xml",
        (
            '<?xml version="1.0" encoding="utf-8"?><sentiment>'
            '<word form="bon" polarity="0.70" /><word form="bon" polarity="0.30" />'
            '<word form="triste" polarity="-0.50" /></sentiment>'
        ).encode("utf-8"),
    )
    lex = tool.build_french(pattern, afinn_source({"Triste": -5, "joie": 3, "joy": 3}),
                            afinn_source({"joy": 3}))
    # bon: 5 + 4 × mean(0.7, 0.3); triste stays pattern's; joie comes from AFINN; "joy" is
    # the English left in place.
    assert lex.scores == {"bon": 7, "triste": 3, "joie": Fraction("7.4")}


# ---------------------------------------------------------------- committed files = tool output


AFINN_DIR = tool.DEFAULT_AFINN_DIR


@pytest.mark.skipif(not AFINN_DIR.is_dir(), reason="translated AFINN sources not beside the repo")
@pytest.mark.parametrize("key, lang", [(k, l) for k, l in tool.LEXICONS if l not in (None, "fr")])
def test_translated_lexicons_rebuild_identically(key, lang):
    afinn = {code: tool.read_source(AFINN_DIR / f"AFINN-{code}.json") for code in ("en", lang)}
    lex = tool.build_one(key, lang, None, None, afinn, tool.DEFAULT_REVIEW_DIR)
    assert lex.text == (DATA / f"{key}.tsv").read_text(encoding="utf-8")


@pytest.mark.skipif(
    not (AFINN_DIR.is_dir() and tool.DEFAULT_PATTERN_FR.is_file()),
    reason="pattern or translated AFINN sources not installed",
)
def test_french_lexicon_rebuilds_identically():
    afinn = {code: tool.read_source(AFINN_DIR / f"AFINN-{code}.json") for code in ("en", "fr")}
    pattern = tool.read_source(tool.DEFAULT_PATTERN_FR)
    lex = tool.build_one("french", "fr", None, pattern, afinn, tool.DEFAULT_REVIEW_DIR)
    assert lex.text == (DATA / "french.tsv").read_text(encoding="utf-8")
