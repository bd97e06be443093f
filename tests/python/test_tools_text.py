"""text_shift: the terminal view of a result, and the fault helper."""

from __future__ import annotations

import pytest

import moodvane
from moodvane_tools import is_internal_fault, text_shift
from moodvane_tools.text_graph import display_width

from conftest import cause_fault, worked_shift


def _rows(text):
    return [line for line in text.splitlines() if line[:3].strip().isdigit()]


def test_rows_follow_the_entries():
    result = worked_shift()
    text = text_shift(result, labels=("before", "after"))
    rows = _rows(text)
    assert [row.split()[1] for row in rows] == [entry["type"] for entry in result["entries"]]
    # bad became rarer and is scored below the reference: -↓, raises text 2's average.
    assert rows[0].split()[2] == "-↓" and rows[0].endswith("█")
    shares = [float(row.split()[3].rstrip("%")) for row in rows]
    assert shares == [round(e["shift_score"] * 100, 1) for e in result["entries"]]
    assert "before 3.500, after 5.750" in text
    assert "total +100.0%" in text


def test_bars_point_left_for_words_that_lower_the_average():
    result = moodvane.weighted_avg_shift_custom({"good": 3, "bad": 1}, {"good": 1, "bad": 3},
                                                {"good": 8.0, "bad": 2.0})
    for row in _rows(text_shift(result)):
        left, right = row.split("|")
        assert left.rstrip().endswith("█") and "█" not in right


def test_largest_bar_has_the_full_width_and_top_n_cuts():
    text = text_shift(worked_shift(), top_n=2, bar_width=10)
    rows = _rows(text)
    assert len(rows) == 2
    assert len(_rows(text_shift(worked_shift(), top_n=0))) == 3  # 0 shows every word
    assert rows[0].count("█") == 10
    assert rows[1].count("█") == round(0.3333333333333333 / 0.4166666666666667 * 10)


@pytest.mark.parametrize("before, after, expected", [
    ({"good": 2, "bad": 1}, {"good": 2, "bad": 1}, "Every contribution is zero"),
    ({}, {}, "No scored word in either text"),
    ({"zzqx": 1}, {"qqzx": 1}, "No scored word in either text"),
])
def test_identical_and_unscored_texts_divide_nothing_by_zero(before, after, expected):
    result = moodvane.weighted_avg_shift_custom(before, after, {"good": 8.0, "bad": 2.0})
    assert expected in text_shift(result)


def test_wide_characters_keep_the_columns():
    result = moodvane.weighted_avg_shift_custom({"高兴": 1, "ok": 3}, {"高兴": 3, "ok": 1},
                                                {"高兴": 8.0, "ok": 3.0})
    rows = _rows(text_shift(result))
    assert len({display_width(row.split("|")[0]) for row in rows}) == 1


def test_internal_fault_is_recognised():
    assert is_internal_fault(cause_fault())
    assert not is_internal_fault(ValueError("x"))
    assert not is_internal_fault(KeyboardInterrupt())
