"""moodvane_tools.dask on a cluster of two worker processes equals the local functions."""

from __future__ import annotations

import os
import warnings

import pytest

pandas = pytest.importorskip("pandas")
dd = pytest.importorskip("dask.dataframe")
distributed = pytest.importorskip("distributed")

import moodvane_tools  # noqa: E402
from moodvane_tools import dask as mvd  # noqa: E402

TEXTS = ["a happy day", "war and fear", "", "love love love", "the end", "sad news today",
         "joy", "nothing scored here zzz", "great fun", "not a terrible loss"] * 7
DATES = pandas.to_datetime(["2024-03-01", "2024-03-02", None, "2024-03-09", "2024-03-09",
                            "2024-03-15", "2024-04-01", "2024-04-02", "2024-04-03",
                            "2024-04-28"] * 7)


@pytest.fixture(scope="module")
def client():
    if os.environ.get("MOODVANE_SANITIZED"):
        pytest.skip("worker processes would start under the sanitizer runtimes")
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        yield client


@pytest.fixture(scope="module")
def corpus():
    frame = pandas.DataFrame({"body": TEXTS, "when": DATES, "who": [f"u{i % 3}" for i in
                                                                   range(len(TEXTS))]})
    return frame, dd.from_pandas(frame, npartitions=4)


# A cluster of two processes takes seconds to start and to import everything.
@pytest.mark.slow
@pytest.mark.parametrize("negation", [False, True])
def test_document_scores_equal_the_local_ones(client, corpus, negation):
    frame, ddf = corpus
    got = mvd.score_documents(ddf, text="body", stop_lens=(4, 6), negation=negation).compute()
    expected = moodvane_tools.score_documents(frame["body"], stop_lens=(4, 6),
                                              negation=negation)
    pandas.testing.assert_frame_equal(got[["score", "scored", "tokens"]], expected)


@pytest.mark.slow
@pytest.mark.parametrize("key, freq, negation", [("when", "W", False), ("who", None, False),
                                                 ("when", "W", True)])
def test_groups_and_series_equal_the_local_ones(client, corpus, key, freq, negation):
    frame, ddf = corpus
    assert mvd.count_groups(ddf, text="body", key=key, freq=freq, negation=negation) == \
        moodvane_tools.count_groups(frame["body"], frame[key], freq=freq, negation=negation)
    # Some weeks have fewer than 20 documents: thin, with no score, on both sides.
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", UserWarning)
        got = mvd.happiness_series(ddf, text="body", key=key, freq=freq, n_boot=200, seed=5,
                                   min_documents=20, negation=negation)
        expected = moodvane_tools.happiness_series(frame["body"], frame[key], freq=freq,
                                                   n_boot=200, seed=5, min_documents=20,
                                                   negation=negation)
    # Bit for bit: the same floats, not merely close ones.
    pandas.testing.assert_frame_equal(got, expected, check_exact=True)


@pytest.mark.slow
@pytest.mark.parametrize("reference, window", [("previous", 2), ("all", 1), ("2024-03-09", 1)])
def test_period_shifts_equal_the_local_ones(client, corpus, reference, window):
    from conftest import canonical
    from moodvane_tools.shifts_by_period import period_shifts

    frame, ddf = corpus
    got = mvd.period_shifts(ddf, text="body", key="when", freq="W", reference=reference,
                            window=window, top_n=5)
    expected = period_shifts(frame["body"], frame["when"], freq="W", reference=reference,
                             window=window, top_n=5)
    assert list(got) == list(expected)
    assert canonical(dict(got)) == canonical(dict(expected))
    assert got.references == expected.references and got.documents == expected.documents


@pytest.mark.slow
def test_keys_of_several_zones_are_grouped_as_locally(client):
    # Each partition alone has one zone; together they have two, so all go to UTC.
    keys = ["2024-01-01T23:30+01:00", "2024-01-02T00:30+01:00",
            "2024-01-01T23:30-05:00", "2024-01-02T10:00-05:00"]
    frame = pandas.DataFrame({"body": ["happy", "sad", "love", "war"], "when": keys})
    ddf = dd.from_pandas(frame, npartitions=2)
    assert mvd.count_groups(ddf, text="body", key="when", freq="D") == \
        moodvane_tools.count_groups(frame["body"], frame["when"], freq="D")


def test_missing_columns_are_named(corpus):
    _, ddf = corpus
    with pytest.raises(ValueError, match="no column 'text'; the columns are 'body'"):
        mvd.score_documents(ddf)


@pytest.mark.slow
def test_missing_texts_are_empty_documents_in_both(client, tmp_path):
    # dask.dataframe.read_csv reads an empty field of text as pandas' NA (a string[pyarrow]
    # column); the local functions get the same NA from a "string" column. Both count it
    # as an empty document, as they count None and NaN.
    path = tmp_path / "notes.csv"
    path.write_text("body,day\na happy day,2024-03-01\n,2024-03-01\nsad news,2024-03-08\n"
                    ",2024-03-09\nlove,2024-03-09\n", encoding="utf-8")
    ddf = dd.read_csv(path, blocksize=40)
    frame = pandas.read_csv(path, dtype={"body": "string"})
    assert frame["body"].isna().sum() == 2 and ddf.npartitions > 1
    got = mvd.score_documents(ddf, text="body").compute()
    expected = moodvane_tools.score_documents(frame["body"])
    pandas.testing.assert_frame_equal(got[["score", "scored", "tokens"]].reset_index(drop=True),
                                      expected)
    plain = moodvane_tools.score_documents([None if pandas.isna(text) else text
                                            for text in frame["body"]])
    pandas.testing.assert_frame_equal(expected, plain)
    series = mvd.happiness_series(ddf, text="body", key="day", freq="W", n_boot=50)
    local = moodvane_tools.happiness_series(frame["body"], frame["day"], freq="W", n_boot=50)
    pandas.testing.assert_frame_equal(series, local, check_exact=True)


@pytest.mark.slow
@pytest.mark.parametrize("parts", [
    (["2024-03-01", "2024-03-02"], ["03/09/2024", "04/01/2024"]),  # one format a partition
    (["2024-03-01T10:00:00+01:00", "2024-03-02"], ["2024-03-09T23:30:00-05:00", None]),
])
def test_keys_of_mixed_formats_across_partitions_are_grouped_as_locally(client, parts):
    texts = ["a happy day", "war", "love", "sad"]
    keys = parts[0] + parts[1]
    ddf = dd.from_pandas(pandas.DataFrame({"body": texts, "when": keys}), npartitions=2)
    assert [len(part) for part in ddf.partitions] == [2, 2]

    def outcome(call):
        try:
            return call()
        except (TypeError, ValueError) as error:
            return type(error).__name__

    got = outcome(lambda: mvd.count_groups(ddf, text="body", key="when", freq="W"))
    expected = outcome(lambda: moodvane_tools.count_groups(texts, keys, freq="W"))
    assert got == expected


def test_several_key_columns_are_refused_by_name(corpus):
    _, ddf = corpus
    with pytest.raises(TypeError, match="one column name each"):
        mvd.count_groups(ddf, text="body", key=["who", "when"])
