"""A shift's bootstrap intervals as the graphs draw them: in percent of all contributions,
as each word's bar is."""

from __future__ import annotations

from collections.abc import Mapping
from typing import Any


def interval_shares(result: Mapping[str, Any], intervals: Any) -> dict[str, tuple[float, float]]:
    """Each word's interval as shares of the result's `norm` in percent, as the graphs
    draw a word's bar; words of `intervals` only (a frame of `shift_intervals`)."""
    norm = result.get("norm")
    if not isinstance(norm, (int, float)) or norm == 0:
        return {}
    shares = {}
    for word, low, high in zip(intervals.index, intervals["low"], intervals["high"]):
        if low == low and high == high:  # not NaN
            shares[str(word)] = (float(low) / norm * 100.0, float(high) / norm * 100.0)
    return shares
