"""Period shifts equal the native call on pooled counts for every reference rule; shift
intervals are reproducible, hold the point, narrow as documents grow, and each resample is
the shift of the documents it drew."""

from __future__ import annotations

import itertools
import math
import warnings
from collections import Counter

import pytest

pandas = pytest.importorskip("pandas")
numpy = pytest.importorskip("numpy")
from hypothesis import given, settings, strategies as st  # noqa: E402

import moodvane  # noqa: E402
from conftest import canonical  # noqa: E402
from moodvane_tools import count_documents, proportion_shift  # noqa: E402
from moodvane_tools import _native  # noqa: E402
from moodvane_tools.intervals import shift_intervals  # noqa: E402
from moodvane_tools.shifts_by_period import period_shifts  # noqa: E402

WORDS = ["happy", "sad", "love", "war", "day", "rain", "sun", "the", "good", "bad", "zzz"]

corpora = st.lists(
    st.tuples(st.lists(st.sampled_from(WORDS), max_size=6).map(" ".join),
              st.integers(min_value=0, max_value=6)),
    min_size=1, max_size=25)


def pooled(texts, chosen):
    total = Counter()
    for counts, keep in zip(count_documents(texts), chosen):
        if keep:
            total.update(counts)
    return total


@settings(max_examples=40, deadline=None)
@given(corpora, st.sampled_from(["previous", "all", 3]), st.integers(1, 3),
       st.integers(1, 3), st.sampled_from([None, 2]))
def test_each_shift_is_the_native_shift_of_pooled_counts(corpus, reference, window,
                                                         min_documents, top_n):
    texts = [text for text, _ in corpus]
    keys = [key for _, key in corpus]
    present = sorted(set(keys))
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        if reference == 3 and 3 not in present:
            with pytest.raises(ValueError, match="no period 3"):
                period_shifts(texts, keys, reference=reference)
            return
        shifts = period_shifts(texts, keys, reference=reference, window=window,
                               min_documents=min_documents, top_n=top_n, stop_lens=(4.5, 5.5))
    sizes = Counter(keys)
    expected_periods = []
    for at, period in enumerate(present):
        if sizes[period] < min_documents or (reference == "previous" and at == 0):
            continue
        expected_periods.append(period)
        if reference == "previous":
            against = set(present[max(0, at - window):at])
        elif reference == "all":
            against = set(present)
        else:
            against = {3}
        expected = moodvane.weighted_avg_shift(
            pooled(texts, [key in against for key in keys]),
            pooled(texts, [key == period for key in keys]), lexicon="english",
            stop_lens=(4.5, 5.5), top_n=top_n or 0)
        assert canonical(shifts[period]) == canonical(expected)
        assert set(shifts.references[period]) == (against if reference != "all" else {"all"})
    assert list(shifts) == expected_periods
    assert shifts.left_out == [key for key in present if sizes[key] < min_documents]


def test_other_kinds_and_dated_keys():
    texts = ["love and sun", "war war", "the rain", "sun sun day", "good day", "bad rain"]
    days = pandas.to_datetime(["2024-01-01", "2024-01-02", "2024-01-08", "2024-01-09",
                               "2024-01-15", "2024-01-16"])
    shifts = period_shifts(texts, days, freq="W", kind="proportion")
    weeks = [pandas.Timestamp(day) for day in ("2024-01-08", "2024-01-15")]
    assert list(shifts) == weeks
    expected = proportion_shift(pooled(texts, [0, 0, 1, 1, 0, 0]),
                                pooled(texts, [0, 0, 0, 0, 1, 1]))
    assert canonical(dict(shifts[weeks[1]])) == canonical(dict(expected))
    assert shifts[weeks[1]].kind == "proportion"
    # A named reference may be any date of its period.
    named = period_shifts(texts, days, freq="W", reference="2024-01-03")
    assert named.references[weeks[0]] == (pandas.Timestamp("2024-01-01"),)


@pytest.mark.parametrize("options, message", [
    ({"window": 0}, "window must be an int >= 1"),
    ({"kind": "vibes"}, "unknown kind of shift 'vibes'"),
    ({"kind": "jsd", "stop_lens": (4, 6)}, "stop_lens applies to kind 'weighted' only"),
    ({"reference": "nope"}, "no period 'nope'"),
    ({"min_documents": 0}, "min_documents must be"),
    ({"top_n": -1}, "top_n must be"),
])
def test_bad_arguments_are_named(options, message):
    with pytest.raises(ValueError, match=message):
        period_shifts(["a happy day", "war"], ["a", "b"], **options)


def test_thin_periods_are_left_out_and_said_so():
    with pytest.warns(UserWarning, match="1 of 3 periods have fewer than 2 documents"):
        shifts = period_shifts(["love", "love", "war", "sun", "sun"], [1, 1, 2, 3, 3],
                               min_documents=2)
    assert list(shifts) == [3]
    assert shifts.left_out == [2]
    # The thin period's documents still count in the next one's reference.
    assert shifts.references[3] == (2,)
    assert shifts[3]["s_avg_1"] == moodvane.weighted_avg_shift({"war": 1}, {})["s_avg_1"]


DIARY_SAD = ["a sad rainy day", "tired and sick", "a good book", "lost my keys, sad",
             "the rain again", "happy to be home"]
DIARY_GLAD = ["a happy sunny day", "love this", "great fun with friends", "sick of rain",
              "wonderful news", "a good day"]


def test_intervals_are_reproducible_and_hold_the_point():
    first = shift_intervals(DIARY_SAD, DIARY_GLAD, n_boot=300, seed=4, top_n=5)
    again = shift_intervals(DIARY_SAD, DIARY_GLAD, n_boot=300, seed=4, top_n=5)
    other = shift_intervals(DIARY_SAD, DIARY_GLAD, n_boot=300, seed=5, top_n=5)
    pandas.testing.assert_frame_equal(first, again)
    assert not first[["low", "high"]].equals(other[["low", "high"]])
    result = moodvane.weighted_avg_shift(pooled(DIARY_SAD, [1] * 6),
                                         pooled(DIARY_GLAD, [1] * 6), top_n=5)
    assert list(first.index) == [entry["type"] for entry in result["entries"]]
    assert first["contribution"].tolist() == [entry["p_diff"] * entry["s_ref_diff"]
                                              for entry in result["entries"]]
    assert (first["low"] <= first["contribution"]).all()
    assert (first["contribution"] <= first["high"]).all()
    assert first.attrs["total"] == result["s_avg_2"] - result["s_avg_1"]
    assert first.attrs["total_low"] <= first.attrs["total"] <= first.attrs["total_high"]
    assert (first["high"] > first["low"]).any()


def test_one_document_a_text_gives_no_spread():
    frame = shift_intervals(["a sad rainy day"], ["a happy sunny day"], n_boot=50, top_n=4)
    assert frame["low"].tolist() == frame["contribution"].tolist() == frame["high"].tolist()


def test_intervals_narrow_as_documents_grow():
    few = shift_intervals(DIARY_SAD * 2, DIARY_GLAD * 2, n_boot=400, top_n=3)
    many = shift_intervals(DIARY_SAD * 40, DIARY_GLAD * 40, n_boot=400, top_n=3)
    assert list(few.index) == list(many.index)
    assert ((many["high"] - many["low"]) < (few["high"] - few["low"]) / 2).all()
    assert many.attrs["total_high"] - many.attrs["total_low"] < \
        (few.attrs["total_high"] - few.attrs["total_low"]) / 2


def _rows(documents, index):
    starts, words, counts = [0], [], []
    for document in documents:
        for word, count in document.items():
            words.append(index[word])
            counts.append(float(count))
        starts.append(len(words))
    return (numpy.asarray(starts, dtype=numpy.int64).tobytes(),
            numpy.asarray(words, dtype=numpy.int32).tobytes(),
            numpy.asarray(counts, dtype=numpy.float64).tobytes())


def test_every_resample_is_the_shift_of_some_draw():
    scores = {"happy": 8.0, "sad": 2.0, "rain": 3.5, "sun": 7.0}
    text_1 = [{"sad": 2, "rain": 1}, {"happy": 1}, {"rain": 3}]
    text_2 = [{"sun": 2}, {"happy": 1, "sad": 1}]
    words = sorted(scores)
    index = {word: at for at, word in enumerate(words)}
    columns = numpy.asarray([0, 1, 2, 3], dtype=numpy.int32)  # every word, in byte order
    raw = _native.resample_shift(_rows(text_1, index), _rows(text_2, index),
                                  numpy.asarray([scores[w] for w in words]).tobytes(),
                                  columns.tobytes(), 4, 2000, 9)
    resamples = numpy.frombuffer(raw).reshape(2000, 5)
    # Every multiset of draws, and the shift of its pooled counts.
    possible = []
    for draw_1 in itertools.combinations_with_replacement(range(3), 3):
        for draw_2 in itertools.combinations_with_replacement(range(2), 2):
            pool_1 = sum((Counter(text_1[d]) for d in draw_1), Counter())
            pool_2 = sum((Counter(text_2[d]) for d in draw_2), Counter())
            result = moodvane.weighted_avg_shift_custom(pool_1, pool_2, scores)
            contributions = {entry["type"]: entry["p_diff"] * entry["s_ref_diff"]
                             for entry in result["entries"]}
            possible.append([result["s_avg_2"] - result["s_avg_1"]] +
                            [contributions.get(word, 0.0) for word in words])
    possible = numpy.asarray(possible)
    seen = set()
    for row in resamples:
        matches = numpy.flatnonzero(numpy.abs(possible - row).max(axis=1) < 1e-12)
        assert len(matches), row
        seen.add(int(matches[0]))
    # Two thousand resamples reach nearly every one of the 30 multisets.
    assert len(seen) >= 25


@pytest.mark.parametrize("call, error, message", [
    (lambda: _native.resample_shift((b"", b"", b""), (b"", b"", b""), b"", b"", 0, 1, 0),
     ValueError, "starts"),
    (lambda: _native.resample_shift((b"x",), (b"", b"", b""), b"", b"", 0, 1, 0),
     TypeError, "tuple"),
    (lambda: _native.resample_shift(
        (numpy.asarray([0, 1], dtype=numpy.int64).tobytes(),
         numpy.asarray([5], dtype=numpy.int32).tobytes(), numpy.asarray([1.0]).tobytes()),
        (numpy.asarray([0], dtype=numpy.int64).tobytes(), b"", b""),
        numpy.asarray([1.0]).tobytes(), numpy.asarray([0], dtype=numpy.int32).tobytes(), 1,
        1, 0), ValueError, "outside the vocabulary"),
    (lambda: _native.resample_shift(
        (numpy.asarray([0], dtype=numpy.int64).tobytes(), b"", b""),
        (numpy.asarray([0], dtype=numpy.int64).tobytes(), b"", b""), b"", b"",
        2 ** 40, 2 ** 40, 0), OverflowError, "too large"),
    (lambda: shift_intervals(["a"], ["b"], top_n=0), ValueError, "top_n must be"),
    (lambda: shift_intervals(["a"], ["b"], n_boot=-2), ValueError, "n_boot must be"),
])
def test_bad_resampling_inputs_are_refused(call, error, message):
    with pytest.raises(error, match=message):
        call()


def test_interval_of_a_text_without_scored_words_is_nan():
    frame = shift_intervals(["qqq xyzzy"], ["a happy day"], n_boot=20, top_n=3)
    assert math.isnan(frame.attrs["total_low"])


def test_graph_table_and_text_show_the_intervals():
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    from moodvane_tools import shift_graph, text_shift, to_dataframe
    from moodvane_tools.graph import WORD_INTERVAL

    frame = shift_intervals(DIARY_SAD * 3, DIARY_GLAD * 3, n_boot=300, top_n=6)
    result = frame.attrs["result"]
    figure = shift_graph(result, intervals=frame, top_n=6)
    axes = next(ax for ax in figure.axes if ax.get_label() == "shift")
    drawn = [line for line in axes.get_lines() if line.get_gid() == WORD_INTERVAL]
    # One error bar a word, at the word's row, from low to high in percent of the norm.
    assert [value for line in drawn for value in line.get_xdata()] == pytest.approx(
        [value for low, high in zip(frame["low"], frame["high"])
         for value in (low / result["norm"] * 100, high / result["norm"] * 100)])
    assert [line.get_ydata()[0] for line in drawn] == [-row for row in range(1, 7)]
    table = to_dataframe(result, intervals=frame)
    assert table["low"].tolist() == frame["low"].tolist()
    lines = text_shift(result, 6, intervals=frame).splitlines()
    first = frame.index[0]
    row = next(line for line in lines if f" {first} " in line)
    low, high = frame.loc[first, ["low", "high"]] / result["norm"] * 100
    assert row.endswith(f"[{low:+.1f}%, {high:+.1f}%]".replace("+0.0%", "0.0%")
                        .replace("-0.0%", "0.0%"))
