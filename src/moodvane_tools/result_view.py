"""Reading a shift result for display: the entries that can be drawn, their shares in
percent and the numbers of the summary, with a value that is not finite (None in the
result) kept apart from a real zero."""

from __future__ import annotations

import math
import textwrap
from collections.abc import Mapping, Sequence
from dataclasses import dataclass
from typing import Any

from .kinds import (
    COMPONENTS, SCORE_COMPONENTS, SIDE_COMPONENTS, WEIGHTED, KindLabels, component_of,
    score_component_of,
)


def number(value: object) -> float | None:
    """A finite float, or None for None and anything that is not a finite number."""
    if isinstance(value, bool) or not isinstance(value, int | float):
        return None
    value = float(value)
    return value if math.isfinite(value) else None


@dataclass(frozen=True)
class Bar:
    """One word's bar: its rank in the result (1 = largest), the word, its contribution in
    percent of all contributions and its component, and that contribution's two parts:
    the frequency part (p_diff × s_ref_diff, of `component`) and the score part (p_avg ×
    s_diff, of `score_component`). They add up to `percent` up to rounding; a part that is
    exactly zero leaves the whole contribution to the other."""

    rank: int
    word: str
    percent: float
    component: str
    frequency: float = 0.0
    score: float = 0.0
    score_component: str = "neg_s"
    side: int = 0
    """For a kind whose bars point to the text that uses the word more: 1 for text 2, -1
    for text 1 (0 for a word as frequent in both); 0 for the other kinds."""

    @property
    def drawn(self) -> float:
        """The bar's signed length: the contribution, pointing to the side of the text
        that uses the word more where the kind is drawn that way."""
        return self.side * abs(self.percent) if self.side else self.percent

    @property
    def mark(self) -> tuple[str, ...]:
        """The components this bar shows: its frequency part's, its score part's or
        both; none for a word that contributes nothing, which is in no component."""
        if self.percent == 0 and self.frequency == 0 and self.score == 0:
            return ()
        parts = ((self.component,) if self.frequency != 0 or self.score == 0 else ())
        return parts + ((self.score_component,) if self.score != 0 else ())


def _parts(entry: Mapping[str, Any], percent: float, norm: float | None) -> tuple[float, float]:
    """(frequency part, score part) of an entry's contribution in percent."""
    values = [number(entry.get(key)) for key in ("p_diff", "s_ref_diff", "p_avg", "s_diff")]
    if norm is None or norm == 0 or None in values:
        return percent, 0.0
    p_diff, s_ref_diff, p_avg, s_diff = (value or 0.0 for value in values)
    frequency = p_diff * s_ref_diff / norm * 100.0
    score = p_avg * s_diff / norm * 100.0
    if score == 0.0:
        return percent, 0.0
    if frequency == 0.0:
        return 0.0, percent
    return frequency, score


@dataclass(frozen=True)
class View:
    """What the graph and the terminal view show of one result."""

    bars: list[Bar]
    """The first `top_n` entries with a finite contribution (all for 0), largest first."""
    cumulative: list[float]
    """The running sum of every entry's contribution in percent, rank by rank."""
    components: dict[str, float | None]
    """The four frequency-part sums and the two score-part sums in percent."""
    total: float | None
    """Their sum: the whole change in percent of all contributions."""
    values: tuple[float | None, float | None]
    reference: float | None
    entries: int
    total_diff: float | None = None
    """The whole change in the result's own units."""


def _side(entry: Mapping[str, Any]) -> int:
    """Which text uses the word more: 1 for text 2, -1 for text 1, 0 for neither; from the
    change of its share, or where that is not given (a divergence weighted by text 2
    alone), from the change of its score, the log of the ratio of its shares."""
    for key in ("p_diff", "s_diff"):
        value = number(entry.get(key)) or 0.0
        if value != 0.0:
            return 1 if value > 0 else -1
    return 0


def view(result: Mapping[str, Any], top_n: int, value_keys: Sequence[str],
         kind: KindLabels | None = None) -> View:
    """The numbers to show of `result`, from either function of `moodvane` or any kind of
    shift; `kind` says how it is drawn (by default as an average-score shift)."""
    sided = kind is not None and kind.sided
    if isinstance(top_n, bool) or not isinstance(top_n, int) or top_n < 0:
        raise ValueError(f"top_n must be a count of words (0 or more), not {top_n!r}")
    entries = result.get("entries")
    if not isinstance(entries, list):
        raise TypeError("result must be a dict returned by moodvane (no 'entries' list)")
    norm = number(result.get("norm"))
    side_sums = {1: 0.0, -1: 0.0, 0: 0.0}
    covered = 0.0
    bars: list[Bar] = []
    cumulative: list[float] = []
    running = 0.0
    for rank, entry in enumerate(entries, 1):
        share = number(entry.get("shift_score"))
        if share is None:
            continue
        running += share * 100.0
        cumulative.append(running)
        side = _side(entry)
        if sided:
            side_sums[side] += share * 100.0
            covered += abs(share * 100.0)
        if top_n == 0 or len(bars) < top_n:
            if sided:
                drawn = side * abs(share * 100.0)
                bars.append(Bar(rank, str(entry.get("type")), share * 100.0,
                                SIDE_COMPONENTS[0] if side > 0 else SIDE_COMPONENTS[1],
                                drawn, 0.0, side=side))
                continue
            frequency, score = _parts(entry, share * 100.0, norm)
            bars.append(Bar(rank, str(entry.get("type")), share * 100.0, component_of(entry),
                            frequency, score, score_component_of(entry)))
    sums = result.get("component_sums") or {}
    # A plain moodvane result has no score part; a missing sum there is a zero.
    components: dict[str, float | None] = {}
    for key in COMPONENTS + SCORE_COMPONENTS:
        value = number(sums.get(key, 0.0 if key in SCORE_COMPONENTS else None))
        components[key] = None if value is None else value * 100.0
    parts = list(components.values())
    total = None if None in parts else sum(value for value in parts if value is not None)
    if sided:
        # Entries come largest first: when they add up to all or to nothing, none is missing.
        complete = covered == 0.0 or abs(covered - 100.0) < 1e-6
        components = _sided_components(components, side_sums, complete, kind)
    return View(
        bars=bars,
        cumulative=cumulative,
        components=components,
        total=total,
        values=(number(result.get(value_keys[0])), number(result.get(value_keys[1]))),
        reference=number(result.get("reference_value")),
        entries=len(entries),
        total_diff=number(result.get("total_diff")),
    )


def _sided_components(components: dict[str, float | None], side_sums: dict[int, float],
                      complete: bool, kind: KindLabels | None) -> dict[str, float | None]:
    """The sums of a kind drawn by sides: what the words that text 2 uses more contribute
    (as ``pos_s_pos_p``) and what those that text 1 uses more contribute
    (``pos_s_neg_p``). Taken from the result's own sums where the kind's split by sign is
    the split by side, else from the entries, which must then cover every word (a result
    cut to its first words has no such sums)."""
    sided: dict[str, float | None] = {key: 0.0 for key in components}
    if kind is not None and kind.side_sums:
        raise_key, lower_key = kind.side_sums
        sided[SIDE_COMPONENTS[0]] = components[raise_key]
        sided[SIDE_COMPONENTS[1]] = components[lower_key]
        return sided
    sided[SIDE_COMPONENTS[0]] = side_sums[1] if complete else None
    sided[SIDE_COMPONENTS[1]] = side_sums[-1] + side_sums[0] if complete else None
    return sided


def shown_components(kind: KindLabels, shown: View) -> list[str]:
    """The component sums worth showing: those that the result fills, and the four of the
    frequency part of an average-score shift always, the classic word-shift summary. A
    zero sum of any other kind is left out, so that, e.g., a KL divergence (all in the
    score part) does not seem to claim changes of frequency."""
    return [key for key in COMPONENTS + SCORE_COMPONENTS
            if shown.components[key] != 0 or (kind.name == "weighted" and key in COMPONENTS)]


def legend_line(kind: KindLabels, key: str, labels: tuple[str, str]) -> str:
    """The legend line of component `key`, with the texts' labels; a component that the
    kind has no line for (a result drawn as another kind) gets the general one."""
    line = kind.legend.get(key) or kind.score_legend.get(key)
    if line is None:
        line = WEIGHTED.legend.get(key) or WEIGHTED.score_legend[key]
    return kind.text(line, labels)


# A value this much smaller than the values it is shown with is rounding noise of their
# sums (a few ulps per word of a vocabulary of millions), not a measurement.
_NOISE = 1e-9


def headline_phrases(kind: KindLabels, shown: View, labels: tuple[str, str],
                     unit: str) -> list[str]:
    """The kind's phrases on the compared values of a result, to be joined by blanks; a
    wrapped title breaks only between them."""
    first, second = shown.values
    change = None if first is None or second is None else second - first
    scale = max(abs(v) for v in (first, second, shown.reference, 0.0) if v is not None)

    def value(number: float | None) -> str:
        if number is not None and abs(number) <= _NOISE * scale:
            number = 0.0  # zero at the precision shown, not float noise
        # Small divergences (a Tsallis entropy, near-identical texts) keep three
        # significant digits instead of rounding to 0.000.
        if number is not None and 0 < abs(number) < 0.1:
            return f"{number:.3g}"
        return format_value(number)

    fields = {
        "text1": labels[0], "text2": labels[1], "v1": value(first), "v2": value(second),
        "neg_v1": value(None if first is None else -first),
        "ref": value(shown.reference), "total": value(shown.total_diff),
        "change": "n/a" if change is None else _signed(change, scale),
        "unit": f" {unit}" if unit else "",
    }
    return [phrase.format(**fields) for phrase in kind.headline]


def headline(kind: KindLabels, shown: View, labels: tuple[str, str], unit: str) -> str:
    """The kind's one line on the compared values of a result."""
    return " ".join(headline_phrases(kind, shown, labels, unit))


def wrap_phrases(phrases: list[str], width: int) -> str:
    """`phrases` joined by blanks into lines of at most `width` characters, broken only
    between phrases (a phrase longer than a line gets a line of its own, broken at its
    blanks, never after a hyphen or a minus sign)."""
    lines: list[str] = []
    line = ""
    for phrase in phrases:
        if line and len(line) + 1 + len(phrase) <= width:
            line += " " + phrase
            continue
        if line:
            lines.append(line)
        if len(phrase) <= width:
            line = phrase
            continue
        pieces = textwrap.wrap(phrase, width, break_on_hyphens=False, break_long_words=False)
        lines.extend(pieces[:-1])
        line = pieces[-1] if pieces else ""
    if line:
        lines.append(line)
    return "\n".join(lines)


def _signed(value: float, scale: float) -> str:
    """A change with its sign, zero at the precision shown as 0.000."""
    if abs(value) <= _NOISE * scale or round(value, 3) == 0:
        return "0.000"
    return f"{value:+.3f}"


def format_value(value: float | None, digits: int = 3) -> str:
    """A value for people: fixed digits, "n/a" where the result had no finite value; a
    value that rounds to zero is 0 without a sign."""
    if value is None:
        return "n/a"
    shown = f"{value:.{digits}f}"
    return shown.lstrip("-") if float(shown) == 0 else shown


def format_percent(value: float | None) -> str:
    """A signed percentage, "n/a" where the result had no finite value; one that rounds
    to zero is "0.0%", without a sign."""
    if value is None:
        return "n/a"
    return "0.0%" if round(value, 1) == 0 else f"{value:+.1f}%"
