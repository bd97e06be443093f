"""The corpus layer against the native module: per-document and per-group scores bit for
bit, groups and periods, the bootstrap band, and the readers."""

from __future__ import annotations

import json
import math
import os
import re
import struct
import threading
from collections import Counter

import pytest

pandas = pytest.importorskip("pandas")
from hypothesis import given, settings, strategies as st  # noqa: E402

import moodvane  # noqa: E402
from moodvane_tools import (  # noqa: E402
    count_groups, count_words, happiness_series, lexicon_scores, score_documents,
)
from moodvane_tools.corpus_reading import CorpusError, read_corpus  # noqa: E402

# Words the English lexicon scores, words it does not, and the characters that make the
# batch counting take its other paths: accents, combining marks after punctuation, text
# that is not in NFC (a Devanagari nukta letter, Hangul jamo), capitals that only the
# interpreter lowers (a capital sigma, a dotted I), an emoji, apostrophes and hyphens.
PIECES = ["happy", "sad", "love", "war", "the", "and", "zzyzx", "Happy", "LOVE", "42",
          "don't", "well-being", "'quoted'", "a--b", "café", "e\u0301", "=\u0338", "ΣΑΣ",
          "😀", "☺\ufe0f", "naïve", "\u00a0", "\x00", "-", "'", "\u095c", "\u1100\u1161\u11a8",
          "\u0130stanbul"]
SEPARATORS = [" ", "  ", ", ", ". ", "\n", "!", ""]

documents = st.lists(
    st.lists(st.tuples(st.sampled_from(PIECES), st.sampled_from(SEPARATORS)), max_size=12)
    .map(lambda parts: "".join(word + separator for word, separator in parts)),
    max_size=25,
)
lenses = st.none() | st.tuples(st.floats(1, 9), st.floats(1, 9))
stops = st.none() | st.sets(st.sampled_from(["happy", "love", "the", "war"]))


def native_average(counts, lexicon="english", stop_lens=None, stop_words=None):
    """The score the corpus layer must reproduce: s_avg_1, NaN when nothing is scored."""
    options = {}
    if stop_lens is not None:
        options["stop_lens"] = stop_lens
    if stop_words:
        options["stop_words"] = set(stop_words)
    result = moodvane.weighted_avg_shift(counts, {}, lexicon=lexicon, **options)
    return result["s_avg_1"]


def same_bits(a: float, b: float) -> bool:
    if math.isnan(a) or math.isnan(b):
        return math.isnan(a) and math.isnan(b)
    return struct.pack("<d", a) == struct.pack("<d", b)


@settings(max_examples=60, deadline=None)
@given(documents, lenses, stops)
def test_each_document_scores_as_the_native_call(texts, stop_lens, stop_words):
    frame = score_documents(texts, stop_lens=stop_lens, stop_words=stop_words)
    assert len(frame) == len(texts)
    for text, row in zip(texts, frame.itertuples()):
        counts = count_words(text)
        expected = native_average(counts, stop_lens=stop_lens, stop_words=stop_words)
        assert row.tokens == sum(counts.values())
        if row.scored == 0:
            assert math.isnan(row.score) and expected == 0.0
        else:
            assert same_bits(row.score, expected), text


@settings(max_examples=40, deadline=None)
@given(documents, st.lists(st.sampled_from(["b", "a", "c", None]), min_size=25, max_size=25),
       stops)
def test_each_group_scores_as_its_pooled_counts(texts, keys, stop_words):
    keys = keys[:len(texts)]
    frame = happiness_series(texts, keys, stop_words=stop_words, n_boot=50, seed=7)
    pooled: dict[str, Counter[str]] = {}
    for text, key in zip(texts, keys):
        if key is not None:  # missing keys are dropped
            pooled.setdefault(key, Counter()).update(count_words(text))
    assert list(frame.index) == sorted(pooled)
    assert count_groups(texts, keys) == dict(sorted(pooled.items()))
    for key, counts in pooled.items():
        row = frame.loc[key]
        expected = native_average(counts, stop_words=stop_words)
        assert row["documents"] == sum(1 for k in keys if k == key)
        assert row["tokens"] == sum(counts.values())
        if row["scored"] == 0:
            assert math.isnan(row["score"]) and math.isnan(row["low"]) and expected == 0.0
        else:
            assert same_bits(row["score"], expected)
            assert row["low"] <= row["score"] <= row["high"]


def test_bootstrap_is_reproducible_and_narrows_with_more_documents():
    texts = ["happy day", "sad war", "love", "the end", "awful"] * 40
    keys = ["few"] * 5 + ["many"] * 195
    first = happiness_series(texts, keys, n_boot=300, seed=3)
    again = happiness_series(texts, keys, n_boot=300, seed=3)
    other = happiness_series(texts, keys, n_boot=300, seed=4)
    pandas.testing.assert_frame_equal(first, again)
    assert not first[["low", "high"]].equals(other[["low", "high"]])
    width = first["high"] - first["low"]
    assert width["many"] < width["few"]
    # One document: every resample is that document, so the band is its score.
    single = happiness_series(["happy day"], ["only"], n_boot=20)
    assert single.loc["only", "low"] == pytest.approx(single.loc["only", "score"])
    assert single.loc["only", "high"] == pytest.approx(single.loc["only", "score"])


@pytest.mark.parametrize("n_boot", [2**62, 2**63 - 1, 2**64 + 5, 2**61 + 1])
def test_more_resamples_than_memory_holds_raise_memory_error(n_boot):
    # groups × n_boot ratios overflow the size of the output, or any memory there is.
    with pytest.raises(MemoryError, match="more than memory can hold"):
        happiness_series(["good day"] * 4, list("abcd"), n_boot=n_boot)


@pytest.mark.parametrize("freq, expected", [
    ("D", ["2024-03-01", "2024-03-02", "2024-04-30"]),
    ("MS", ["2024-03-01", "2024-04-01"]),
    # Weeks ending on Monday, labelled by their Tuesday, as pandas' to_period makes them.
    ("W-MON", ["2024-02-27", "2024-04-30"]),
    ("h", ["2024-03-01 10:00", "2024-03-01 23:00", "2024-03-02 00:00", "2024-04-30 08:00"]),
])
def test_datetime_keys_are_floored_to_periods(freq, expected):
    times = ["2024-04-30 08:15", "2024-03-01 10:05", None, "2024-03-01 23:59",
             "2024-03-02 00:00", "2024-03-01 10:59"]
    texts = [f"word{number} happy" for number in range(len(times))]
    groups = count_groups(texts, pandas.to_datetime(pandas.Series(times)), freq=freq)
    assert list(groups) == list(pandas.to_datetime(expected))
    # Every dated document lands in exactly one group, the one whose period holds it.
    assert sum(counts["happy"] for counts in groups.values()) == 5
    for counts_key, counts in groups.items():
        for number, time in enumerate(times):
            if f"word{number}" in counts:
                assert counts_key <= pandas.Timestamp(time)


@pytest.mark.parametrize("call, error, message", [
    (lambda: score_documents(["a"], "englsh"), ValueError, "unknown lexicon 'englsh'"),
    (lambda: score_documents([3]), TypeError, "document 0 must be a str"),
    (lambda: score_documents(["a"], stop_lens=(1,)), ValueError, "stop_lens must be two"),
    (lambda: score_documents(["a"], stop_words="the"), TypeError, "not one str"),
    (lambda: count_groups(["a", "b"], ["k"]), ValueError, "one key per text"),
    (lambda: count_groups(["a"], ["not a date"], freq="D"), TypeError, "dates or times"),
    (lambda: count_groups(["a"], ["2024-01-01"], freq="fortnightly"), ValueError,
     "offset alias"),
    (lambda: happiness_series(["a"], ["k"], n_boot=-1), ValueError, "n_boot must be"),
    (lambda: happiness_series(["a"], ["k"], min_documents=0), ValueError,
     "min_documents must be"),
    (lambda: happiness_series(["a"], ["k"], ci=1.5), ValueError, "ci must be"),
])
def test_bad_arguments_are_named(call, error, message):
    with pytest.raises(error, match=message):
        call()


CORPUS = [("2024-05-01", "a happy day"), ("2024-05-02", "rain, war and \"sadness\""),
          ("2024-05-02", "")]


def _write_corpus(folder, kind):
    path = folder / f"corpus.{kind}"
    frame = pandas.DataFrame({"day": [day for day, _ in CORPUS],
                              "body": [body for _, body in CORPUS], "other": [1, 2, 3]})
    if kind == "csv":
        frame.to_csv(path, index=False)
    elif kind == "tsv":
        frame.to_csv(path, index=False, sep="\t")
    elif kind == "jsonl":
        frame.to_json(path, orient="records", lines=True)
    elif kind == "parquet":
        frame.to_parquet(path)
    elif kind == "txt":
        path.write_text("".join(body + "\n" for _, body in CORPUS), encoding="utf-8")
    else:
        path = folder / "texts"
        path.mkdir()
        for number, (_, body) in enumerate(CORPUS):
            (path / f"{number}.txt").write_text(body, encoding="utf-8")
        (path / "notes.md").write_text("not a document")
    return path


@pytest.mark.parametrize("kind", ["csv", "tsv", "jsonl", "parquet", "txt", "directory"])
def test_each_format_reads_its_documents(tmp_path, kind):
    path = _write_corpus(tmp_path, kind)
    if kind in ("txt", "directory"):
        frame = read_corpus(path)
    else:
        frame = read_corpus(path, text="body", key="day")
        assert [str(key) for key in frame["key"]] == [day for day, _ in CORPUS]
    assert list(frame["text"]) == [body for _, body in CORPUS]
    if kind == "directory":
        assert list(frame["key"]) == ["0.txt", "1.txt", "2.txt"]


@pytest.mark.parametrize("kind, damage, message", [
    ("csv", None, "no column 'text'; the columns are 'day', 'body', 'other'"),
    ("jsonl", None, "no column 'text'; the columns are 'day', 'body', 'other'"),
    ("parquet", None, "no column 'text'; the columns are 'day', 'body', 'other'"),
    ("csv", b"\xff", "not UTF-8 text (invalid start byte at byte offset 34)"),
    ("txt", b"\xff", "not UTF-8 text (invalid start byte at byte offset 12)"),
    ("jsonl", b"{\"body\": ", "not valid JSON Lines"),
    ("parquet", b"PAR1", "not a Parquet file"),
    ("missing", None, "no such file or directory"),
])
def test_broken_corpora_say_what_is_wrong(tmp_path, kind, damage, message):
    path = tmp_path / "gone.csv" if kind == "missing" else _write_corpus(tmp_path, kind)
    if damage is not None:
        data = path.read_bytes()
        path.write_bytes(data[:34] + damage + data[34:] if kind == "csv" else
                         data[:12] + damage + data[12:] if kind == "txt" else
                         data + damage if kind == "jsonl" else damage + data[4:40])
    with pytest.raises(CorpusError, match=message.replace("(", r"\(").replace(")", r"\)")):
        read_corpus(path, text="body" if damage is not None else "text")


def _hostile_corpus(folder, case):
    """A corpus file for `case` and the text column to read."""
    if case == "unbalanced quote":
        path = folder / "quote.csv"
        path.write_text('body,day\n"a happy day,1\n', encoding="utf-8")
    elif case == "ragged row":
        path = folder / "ragged.csv"
        path.write_text("body,day\nhappy,1\nsad,2,extra,fields\n", encoding="utf-8")
    elif case in ("object in JSON Lines", "list in JSON Lines"):
        path = folder / "objects.jsonl"
        value = {"happy": 1} if case.startswith("object") else ["happy"]
        path.write_text(f'{{"body": "fine"}}\n{json.dumps({"body": value})}\n',
                        encoding="utf-8")
    else:
        import pyarrow
        import pyarrow.parquet

        path = folder / "texts.parquet"
        column = {"bytes not UTF-8 in Parquet": pyarrow.array([b"ok", b"\xff sad"]),
                  "struct in Parquet": pyarrow.array([{"a": "x"}, {"a": "happy"}]),
                  "list in Parquet": pyarrow.array([["x"], ["happy"]])}[case]
        pyarrow.parquet.write_table(pyarrow.table({"body": column}), path)
    return path


@pytest.mark.parametrize("case, message", [
    ("unbalanced quote", "not valid CSV: EOF inside string starting at row 1"),
    ("ragged row", "not valid CSV: Expected 2 fields in line 3, saw 4"),
    ("object in JSON Lines", "row 2: the text is a mapping, not a string"),
    ("list in JSON Lines", "row 2: the text is a list, not a string"),
    ("bytes not UTF-8 in Parquet", "row 2: the text is not UTF-8 (invalid start byte at "
                                   "byte offset 0)"),
    ("struct in Parquet", "row 1: the text is a mapping, not a string"),
    ("list in Parquet", "row 1: the text is a list, not a string"),
])
def test_text_that_is_not_text_is_refused_by_row(tmp_path, case, message):
    # Never the repr of an object counted as words, nor a row's extra fields dropped unseen.
    path = _hostile_corpus(tmp_path, case)
    with pytest.raises(CorpusError, match=re.escape(f"{path}: {message}")):
        read_corpus(path, text="body")


def test_binary_text_in_utf8_is_read_as_text(tmp_path):
    import pyarrow
    import pyarrow.parquet

    path = tmp_path / "binary.parquet"
    pyarrow.parquet.write_table(pyarrow.table({"body": pyarrow.array(
        ["a happy día".encode(), None])}), path)
    assert list(read_corpus(path, text="body")["text"]) == ["a happy día", ""]


@pytest.mark.parametrize("kind", ["csv", "tsv", "jsonl", "parquet", "txt"])
def test_a_named_pipe_is_read_once(tmp_path, kind):
    # A reader that opened the pipe a second time (for the header, then for the rows)
    # would wait for a second writer for ever.
    written = _write_corpus(tmp_path, kind).read_bytes()
    pipe = tmp_path / f"pipe.{kind}"
    os.mkfifo(pipe)
    writer = threading.Thread(target=pipe.write_bytes, args=(written,), daemon=True)
    writer.start()
    frame = read_corpus(pipe) if kind == "txt" else read_corpus(pipe, text="body", key="day")
    writer.join(timeout=10)
    assert list(frame["text"]) == [body for _, body in CORPUS]


@pytest.mark.parametrize("module", ["corpus", "corpus_reading", "periods", "shifts_by_period",
                                    "intervals", "generalized", "report"])
def test_docstring_examples_run(module):
    import doctest
    import importlib

    failures, tried = doctest.testmod(importlib.import_module(f"moodvane_tools.{module}"))
    assert tried > 0 and failures == 0


@pytest.mark.parametrize("language, texts", [
    ("french", ["Bonjour l'ami, quelle joie !", "la guerre et la peur", ""]),
    ("chinese", ["我今天很开心", "这是一个悲伤的故事", "iPhone很好"]),
    ("hindi", ["मैं बहुत ख़ुश हूँ", "युद्ध और डर"]),
    ("korean", ["오늘은 행복해요", "전쟁이 무서워요"]),
])
def test_other_languages_score_as_the_native_call(language, texts):
    frame = score_documents(texts, language, stop_words=["joie"])
    series = happiness_series(texts, [1] * len(texts), language, n_boot=10)
    pooled = Counter()
    for text, row in zip(texts, frame.itertuples()):
        counts = count_words(text, language)
        pooled.update(counts)
        expected = native_average(counts, language, stop_words=["joie"])
        assert row.tokens == sum(counts.values())
        assert same_bits(row.score, expected) or (row.scored == 0 and expected == 0.0)
    assert same_bits(series.loc[1, "score"], native_average(pooled, language))


@pytest.mark.parametrize("language, function_word", [
    ("chinese", "的"), ("english", "the"), ("french", "les"), ("german", "und"),
    ("hindi", "और"), ("indonesian", "yang"), ("korean", "그"), ("portuguese", "que"),
    ("russian", "и"), ("spanish", "los"),
])
def test_stop_words_are_words_the_counter_makes(language, function_word):
    from moodvane_tools import stop_words

    words = stop_words(language.upper())
    assert function_word in words
    # A stop word that counting never produces would silently stop nothing.
    for word in words:
        assert count_words(word, language, segmenter="dictionary") == Counter({word: 1}), word
    # A stop word that carries feeling would hide it from every shift that stops it.
    scores = lexicon_scores(language)
    assert [word for word in words if not 4.0 <= scores.get(word, 5.0) <= 6.0] == []


@pytest.mark.parametrize("suffix", [".csv", ".tsv", ".jsonl", ".parquet"])
def test_every_other_column_is_kept(tmp_path, suffix):
    frame = pandas.DataFrame({"when": ["2024-01-01", "2024-01-02", "2024-01-02"],
                              "key": ["k1", "k2", "k3"], "author": ["ann", "bob", "ann"],
                              "body": ["a happy day", "war", "love"], "stars": [5, 1, 4]})
    path = tmp_path / f"corpus{suffix}"
    if suffix == ".parquet":
        frame.to_parquet(path)
    elif suffix == ".jsonl":
        frame.to_json(path, orient="records", lines=True)
    else:
        frame.to_csv(path, sep="\t" if suffix == ".tsv" else ",", index=False)
    read = read_corpus(path, text="body", key="when")
    assert list(read.columns) == ["text", "key", "key_", "author", "stars"]
    assert read["author"].tolist() == ["ann", "bob", "ann"]
    assert read["key_"].tolist() == ["k1", "k2", "k3"]
    assert read["stars"].tolist() == [5, 1, 4]
    several = read_corpus(path, text="body", key=["author", "when"])
    # No key column of its own: the file's "key" keeps its name.
    assert list(several.columns) == ["text", "when", "key", "author", "stars"]
    assert several.attrs["key"] == ["author", "when"]
    with pytest.raises(ValueError, match="no column 'place'"):
        read_corpus(path, text="body", key=["author", "place"])


def test_keys_of_several_columns_give_a_multiindex():
    texts = ["a happy day", "war", "love", "sad", "joy"]
    keys = pandas.DataFrame({"when": pandas.to_datetime(["2024-01-01", "2024-01-02",
                                                         "2024-01-09", "2024-01-02",
                                                         "2024-01-03"]),
                             "author": ["ann", "bob", "ann", None, "bob"]})
    series = happiness_series(texts, keys, freq="W", n_boot=10)
    assert isinstance(series.index, pandas.MultiIndex)
    week = pandas.Timestamp
    assert series.index.tolist() == [(week("2024-01-01"), "ann"), (week("2024-01-01"), "bob"),
                                     (week("2024-01-08"), "ann")]
    assert series["documents"].tolist() == [1, 2, 1]
    groups = count_groups(texts, keys[["author"]])
    # The row with no author belongs to no group.
    assert list(groups) == [("ann",), ("bob",)]
    assert groups[("bob",)] == Counter({"war": 1, "joy": 1})
