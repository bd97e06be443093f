"""Python module: `import moodvane`"""

from typing import Any, SupportsFloat, SupportsIndex, TypedDict

__all__ = ["weighted_avg_shift", "weighted_avg_shift_custom"]

# The result types exist for type checkers only: the module returns plain dicts.

class _ShiftEntry(TypedDict):
    """One word's row of the result; None stands for a value that is not finite."""

    type: str
    p_diff: float | None
    s_diff: float | None
    p_avg: float | None
    s_ref_diff: float | None
    shift_score: float | None

class _ComponentSums(TypedDict):
    """Six totals over the whole vocabulary, each divided by `norm`."""

    pos_s_pos_p: float | None
    pos_s_neg_p: float | None
    neg_s_pos_p: float | None
    neg_s_neg_p: float | None
    pos_s: float | None
    neg_s: float | None

class _ShiftResult(TypedDict):
    """The result of a shift; `entries` may be cut to `top_n`, the totals never are."""

    entries: list[_ShiftEntry]
    component_sums: _ComponentSums
    total_diff: float | None
    norm: float | None
    s_avg_1: float | None
    s_avg_2: float | None
    reference_value: float | None
    normalization: str

_Number = SupportsFloat | SupportsIndex
# Frequency and score tables must be dicts (or dict subclasses such as Counter) with str
# keys; their values are numbers (_Number), left as Any because dict is invariant in them.
_Table = dict[str, Any]

def weighted_avg_shift(
    type2freq_1: _Table,
    type2freq_2: _Table,
    lexicon: str = "senTX_English",
    reference_value: str | _Number | None = None,
    top_n: SupportsIndex = 0,
    stop_lens: tuple[_Number, _Number] | None = None,
    stop_words: set[str] | frozenset[str] | None = None,
) -> _ShiftResult:
    """Compute a weighted-average word shift between two texts using a bundled
    senTX lexicon.
    """

def weighted_avg_shift_custom(
    type2freq_1: _Table,
    type2freq_2: _Table,
    scores: _Table,
    reference_value: str | _Number | None = None,
    top_n: SupportsIndex = 0,
    stop_lens: tuple[_Number, _Number] | None = None,
    stop_words: set[str] | frozenset[str] | None = None,
) -> _ShiftResult:
    """Compute a weighted-average word shift with a caller-supplied score lexicon."""
