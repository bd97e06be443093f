"""Periods as pandas means them: membership equal to Series.dt.to_period for every kind of
alias, labels at the period's start, one rule for time zones, thin periods."""

from __future__ import annotations

import warnings

import pytest

pandas = pytest.importorskip("pandas")
numpy = pytest.importorskip("numpy")
from hypothesis import given, settings, strategies as st  # noqa: E402

from moodvane_tools import count_groups, happiness_series  # noqa: E402
from moodvane_tools.periods import period_alias, period_starts  # noqa: E402

# Aliases that pandas takes as periods, and offset aliases that it names a period for.
PERIOD_ALIASES = ["D", "W", "W-MON", "W-THU", "M", "Q", "Q-NOV", "Y", "Y-JUN", "h", "15min",
                  "2D", "s"]
OFFSET_ALIASES = {"MS": "M", "ME": "M", "YS": "Y", "YE": "Y", "QS": "Q", "QE": "Q",
                  "QS-FEB": "Q-JAN", "YS-JUL": "Y-JUN", "BMS": "M", "BQE": "Q", "SMS": "M",
                  "2MS": "2M"}

moments = st.datetimes(min_value=pandas.Timestamp("1990-01-01").to_pydatetime(),
                       max_value=pandas.Timestamp("2040-12-31").to_pydatetime())


@settings(max_examples=40, deadline=None)
@given(st.lists(moments, min_size=1, max_size=30),
       st.sampled_from(PERIOD_ALIASES + list(OFFSET_ALIASES)))
def test_membership_and_labels_are_pandas_own(times, freq):
    keys = pandas.Series(pandas.to_datetime(times))
    pandas_freq = OFFSET_ALIASES.get(freq, freq)
    expected = keys.dt.to_period(pandas_freq)
    got = period_starts(keys, freq)
    # The label is the period's start, and two keys share a label exactly when pandas puts
    # them in one period.
    assert list(got) == list(expected.dt.start_time)
    assert (got.to_numpy()[:, None] == got.to_numpy()[None, :]).tolist() == \
        (expected.to_numpy()[:, None] == expected.to_numpy()[None, :]).tolist()


def test_weeks_run_from_monday_to_sunday():
    days = pandas.date_range("2024-01-01", "2024-01-21", freq="D")  # Monday to Sunday x3
    groups = count_groups([f"d{day.day}" for day in days], days, freq="W")
    assert [str(week.date()) for week in groups] == ["2024-01-01", "2024-01-08", "2024-01-15"]
    assert all(len(counts) == 7 for counts in groups.values())
    assert set(groups[pandas.Timestamp("2024-01-08")]) == {f"d{day}" for day in range(8, 15)}


@pytest.mark.parametrize("freq", ["fortnightly", "A", "C", 3])
def test_aliases_pandas_has_no_period_for_are_refused(freq):
    with pytest.raises(ValueError, match="freq must be a pandas period or offset alias"):
        period_alias(freq)


@pytest.mark.parametrize("keys, expected", [
    # One zone: its wall time, as to_period does (23:30 at +01:00 is still January 1st).
    (["2024-01-01T23:30+01:00", "2024-01-02T00:30+01:00"], ["2024-01-01", "2024-01-02"]),
    # Several zones: each key in UTC.
    (["2024-01-01T23:30+01:00", "2024-01-02T00:30+02:00", "2024-01-02T01:30+00:00"],
     ["2024-01-01", "2024-01-01", "2024-01-02"]),
    # With and without a zone: the one without is read as UTC.
    (["2024-01-02T00:30+02:00", "2024-01-02T00:30"], ["2024-01-01", "2024-01-02"]),
    # Written in several formats, with a missing key.
    (["2024-01-05", "2024-01-06 13:00", None], ["2024-01-05", "2024-01-06", None]),
])
def test_time_zones_follow_one_rule(keys, expected):
    got = period_starts(pandas.Series(keys), "D")
    assert [None if pandas.isna(day) else str(day.date()) for day in got] == expected


def test_python_datetimes_of_several_zones_go_to_utc():
    import datetime as dt

    zones = [dt.timezone(dt.timedelta(hours=hours)) for hours in (5, -5)]
    keys = [dt.datetime(2024, 3, 1, 2, 0, tzinfo=zones[0]),
            dt.datetime(2024, 3, 1, 22, 0, tzinfo=zones[1])]
    assert [str(day.date()) for day in period_starts(pandas.Series(keys), "D")] == \
        ["2024-02-29", "2024-03-02"]


def test_thin_periods_have_no_score_but_keep_their_counts():
    texts = ["a happy day"] * 5 + ["sad"] * 2 + ["love"]
    keys = ["a"] * 5 + ["b"] * 2 + ["c"]
    with pytest.warns(UserWarning, match="2 of 3 periods have fewer than 3 documents"):
        series = happiness_series(texts, keys, n_boot=20, min_documents=3)
    assert series["documents"].tolist() == [5, 2, 1]
    assert series["tokens"].tolist() == [15, 2, 1]
    assert series["score"].isna().tolist() == [False, True, True]
    assert series[["low", "high"]].loc[["b", "c"]].isna().all().all()
    assert series.attrs["min_documents"] == 3
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        whole = happiness_series(texts, keys, n_boot=20)
    # The periods that are not thin are scored as without the threshold.
    assert series.loc["a"].tolist() == whole.loc["a"].tolist()
    assert whole["score"].notna().all()


def test_no_resamples_leave_the_band_out():
    series = happiness_series(["a happy day", "sad"], ["x", "y"], n_boot=0)
    assert series["score"].notna().all()
    assert series[["low", "high"]].isna().all().all()
