"""A shift result as a table: one row per word with its counts and scores in each text
beside the result's own fields, for a CSV file or a pandas DataFrame (the `corpus`
extra). The columns carry the result's own names."""

from __future__ import annotations

from collections.abc import Mapping
from typing import TYPE_CHECKING, Any

from .kinds import kind_of
from .result_view import number, view

if TYPE_CHECKING:
    import pandas  # type: ignore[import-untyped, unused-ignore]

COLUMNS: tuple[str, ...] = (
    "rank", "type", "mark", "count_1", "count_2", "score_1", "score_2",
    "p_diff", "s_diff", "p_avg", "s_ref_diff", "shift_score",
)
"""The columns of a word table: the word's rank (1 = largest contribution), the word as
the result's ``type``, its mark as the terminal view shows it (e.g. ``+↑``), its count and
score in text 1 and text 2, and the entry's fields."""

RESULT_FIELDS: tuple[str, ...] = ("p_diff", "s_diff", "p_avg", "s_ref_diff", "shift_score")
WORD_FIELDS: tuple[str, ...] = ("count_1", "count_2", "score_1", "score_2")


def word_fields(result: Mapping[str, Any],
                counts: tuple[Mapping[str, float], Mapping[str, float]] | None = None,
                scores: Mapping[str, float] | None = None) -> list[dict[str, float | int | None]]:
    """Per entry of `result`, in its order, the word's ``count_1``, ``count_2``,
    ``score_1`` and ``score_2``.

    Counts come from `counts` (the two word-count dicts the result was computed from),
    else from the entry itself (a result read back from the command line's JSON), else
    they are None. Scores come from `scores` (one map for both texts, e.g. a lexicon's),
    else from the entry, else they are worked out from the entry's fields as
    ``reference_value + s_ref_diff ∓ s_diff / 2`` (exact up to rounding), None where a
    field is not finite."""
    reference = number(result.get("reference_value"))
    fields = []
    for entry in result["entries"]:
        word = entry["type"]
        row: dict[str, float | int | None] = {}
        for side, key in ((0, "count_1"), (1, "count_2")):
            count = counts[side].get(word, 0) if counts is not None else entry.get(key)
            # Whole counts stay ints (as a Counter has them), others become floats.
            row[key] = count if isinstance(count, int) and not isinstance(count, bool) \
                else number(count)
        if scores is not None:
            row["score_1"] = row["score_2"] = number(scores.get(word))
        elif "score_1" in entry or "score_2" in entry:
            row["score_1"], row["score_2"] = number(entry.get("score_1")), \
                number(entry.get("score_2"))
        else:
            row["score_1"], row["score_2"] = _derived_scores(entry, reference)
        fields.append(row)
    return fields


def _derived_scores(entry: Mapping[str, Any],
                    reference: float | None) -> tuple[float | None, float | None]:
    s_ref_diff, s_diff = number(entry.get("s_ref_diff")), number(entry.get("s_diff"))
    if reference is None or s_ref_diff is None or s_diff is None:
        return None, None
    middle = reference + s_ref_diff
    return middle - s_diff / 2, middle + s_diff / 2


def word_rows(result: Mapping[str, Any],
              counts: tuple[Mapping[str, float], Mapping[str, float]] | None = None,
              scores: Mapping[str, float] | None = None) -> list[dict[str, Any]]:
    """One dict per entry of `result` with the keys of `COLUMNS`, in the result's order;
    `counts` and `scores` as for `word_fields`."""
    kind = kind_of(result)
    marks = {bar.rank: "".join(kind.mark(key) for key in bar.mark)
             for bar in view(result, 0, kind.value_keys, kind).bars}
    rows = []
    for rank, (entry, fields) in enumerate(zip(result["entries"],
                                               word_fields(result, counts, scores)), 1):
        row: dict[str, Any] = {"rank": rank, "type": entry["type"],
                               "mark": marks.get(rank, "")}
        row.update(fields)
        row.update({key: number(entry.get(key)) for key in RESULT_FIELDS})
        rows.append(row)
    return rows


def to_dataframe(result: Mapping[str, Any],
                 counts: tuple[Mapping[str, float], Mapping[str, float]] | None = None,
                 scores: Mapping[str, float] | None = None, *,
                 intervals: Any = None) -> pandas.DataFrame:
    """`result` as a pandas DataFrame, one row per word in the result's order, with the
    columns of the command line's CSV output: ``rank``, ``type``, ``mark``, ``count_1``,
    ``count_2``, ``score_1``, ``score_2``, ``p_diff``, ``s_diff``, ``p_avg``,
    ``s_ref_diff``, ``shift_score``. Missing or not finite values are NaN.

    `counts` are the two word-count dicts the result was computed from (else the counts
    are NaN, unless the result was read back from the command line's JSON, which holds
    them); `scores` the score map of both texts (a lexicon, ``lexicon_scores(name)``),
    else the scores are worked out from the result. `intervals`, a frame of
    `shift_intervals` for this result, adds its ``contribution``, ``low`` and ``high``
    (score units; NaN for a word it lacks). Needs pandas: pip install
    'moodvane[corpus]'."""
    try:
        import pandas  # type: ignore[import-untyped, unused-ignore]
    except ImportError:
        raise ImportError("to_dataframe needs pandas: pip install 'moodvane[corpus]'") from None
    frame = pandas.DataFrame(word_rows(result, counts, scores), columns=list(COLUMNS))
    for column in COLUMNS[3:]:
        frame[column] = frame[column].astype("float64")
    if intervals is not None:
        for column in ("contribution", "low", "high"):
            frame[column] = frame["type"].map(intervals[column]).astype("float64")
    return frame
