"""Reading a shift result for display: the entries that can be drawn, their shares in
percent and the numbers of the summary, with a value that is not finite (None in the
result) kept apart from a real zero."""

from __future__ import annotations

import math
from collections.abc import Mapping, Sequence
from dataclasses import dataclass
from typing import Any

from .kinds import COMPONENTS, component_of


def number(value: object) -> float | None:
    """A finite float, or None for None and anything that is not a finite number."""
    if isinstance(value, bool) or not isinstance(value, int | float):
        return None
    value = float(value)
    return value if math.isfinite(value) else None


@dataclass(frozen=True)
class Bar:
    """One word's bar: its rank in the result (1 = largest), the word, its contribution in
    percent of all contributions and its component."""

    rank: int
    word: str
    percent: float
    component: str


@dataclass(frozen=True)
class View:
    """What the graph and the terminal view show of one result."""

    bars: list[Bar]
    """The first `top_n` entries with a finite contribution (all for 0), largest first."""
    cumulative: list[float]
    """The running sum of every entry's contribution in percent, rank by rank."""
    components: dict[str, float | None]
    """The four component sums in percent."""
    total: float | None
    """Their sum: the whole change in percent of all contributions."""
    values: tuple[float | None, float | None]
    reference: float | None
    entries: int


def view(result: Mapping[str, Any], top_n: int, value_keys: Sequence[str]) -> View:
    """The numbers to show of `result`, from either function of `moodvane`."""
    if isinstance(top_n, bool) or not isinstance(top_n, int) or top_n < 0:
        raise ValueError(f"top_n must be a count of words (0 or more), not {top_n!r}")
    entries = result.get("entries")
    if not isinstance(entries, list):
        raise TypeError("result must be a dict returned by moodvane (no 'entries' list)")
    bars: list[Bar] = []
    cumulative: list[float] = []
    running = 0.0
    for rank, entry in enumerate(entries, 1):
        share = number(entry.get("shift_score"))
        if share is None:
            continue
        running += share * 100.0
        cumulative.append(running)
        if top_n == 0 or len(bars) < top_n:
            bars.append(Bar(rank, str(entry.get("type")), share * 100.0, component_of(entry)))
    sums = result.get("component_sums") or {}
    components = {
        key: (None if (value := number(sums.get(key))) is None else value * 100.0)
        for key in COMPONENTS
    }
    parts = list(components.values())
    total = None if None in parts else sum(value for value in parts if value is not None)
    return View(
        bars=bars,
        cumulative=cumulative,
        components=components,
        total=total,
        values=(number(result.get(value_keys[0])), number(result.get(value_keys[1]))),
        reference=number(result.get("reference_value")),
        entries=len(entries),
    )


def format_value(value: float | None, digits: int = 3) -> str:
    """A value for people: fixed digits, "n/a" where the result had no finite value."""
    return "n/a" if value is None else f"{value:.{digits}f}"


def format_percent(value: float | None) -> str:
    """A signed percentage, "n/a" where the result had no finite value."""
    return "n/a" if value is None else f"{value:+.1f}%"
