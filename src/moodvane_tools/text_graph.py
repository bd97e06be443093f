"""A word shift as plain text, for a terminal: one line per word with a bar of block
characters left or right of a centre line."""

from __future__ import annotations

import unicodedata
from collections.abc import Mapping
from typing import Any

from .interval_shares import interval_shares
from .kinds import kind_of, unit_of
from .result_view import (
    Bar, format_percent, headline, legend_line, shown_components, view,
)

_BLOCK = "█"
_SCORE_BLOCK = "▒"  # the score part of a contribution, where a word's score changed


def display_width(text: str) -> int:
    """Columns that `text` takes in a terminal: wide East Asian characters take two,
    combining marks none."""
    width = 0
    for character in text:
        if unicodedata.category(character) in ("Mn", "Me", "Cf"):
            continue
        width += 2 if unicodedata.east_asian_width(character) in ("W", "F") else 1
    return width


def pad(text: str, width: int) -> str:
    """`text` followed by blanks up to `width` columns."""
    return text + " " * max(0, width - display_width(text))


def text_shift(
    result: Mapping[str, Any],
    top_n: int = 20,
    *,
    labels: tuple[str, str] = ("text 1", "text 2"),
    kind: str | None = None,
    bar_width: int = 20,
    unit: str | None = None,
    intervals: Any = None,
) -> str:
    """A word shift as text: the two values compared, then the `top_n` largest
    contributions (every one for 0, as in `moodvane`), each with its word, its kind (+/-
    scored above or below the reference, ↑/↓ more or less frequent in text 2), its share
    of all contributions and a bar that points right where the word raises text 2's
    value, then the four component sums and their total. `result` is a dict from either
    function of `moodvane`.

    Identical texts, or texts without a scored word, give all-zero or no bars and say so;
    nothing is divided by zero.

    Every kind of shift is told in its own words: `kind` defaults to the result's own
    ``kind`` attribute or ``"kind"`` key, else "weighted", and `unit` to its ``unit``.
    The bar of a divergence or a change of shares points to the text that uses the word
    more (the columns say which), its length the word's contribution.
    Where a word's score differs between the texts, the score part of its bar is drawn
    with ▒ and its kind column adds △ (score higher in text 2) or ▽ (lower); a word that
    contributes nothing is marked ·. `intervals`, a frame of `shift_intervals` for this
    result, adds each word's bootstrap interval, in the same share, after its bar.
    """
    labels_kind = kind_of(result, kind)
    shown = view(result, top_n, labels_kind.value_keys, labels_kind)
    keys = shown_components(labels_kind, shown)
    lines = [headline(labels_kind, shown, labels, unit_of(result, unit))]
    if not shown.bars:
        lines.append(labels_kind.empty if shown.entries == 0 else
                     "No word with a finite contribution to show.")
        return "\n".join(lines) + "\n"

    largest = max(max(abs(part) for part in _sides(bar)) for bar in shown.bars)
    word_width = max(display_width("word"), *(display_width(bar.word) for bar in shown.bars))
    rank_width = len(str(shown.bars[-1].rank))
    lines.append("")
    left, right = (labels_kind.text(column, labels) for column in labels_kind.columns)
    if display_width(left) > bar_width:
        left = "…" + left[len(left) - bar_width + 1:]
    lines.append(f"{'#':>{rank_width}}  {pad('word', word_width)}  kind   share  "
                 f"{' ' * (bar_width - display_width(left))}{left}|{right}")
    shares = interval_shares(result, intervals) if intervals is not None else {}
    right_width = max((len(_bar_text(bar, largest, bar_width)[1]) for bar in shown.bars),
                      default=0)
    for bar in shown.bars:
        left, right = _bar_text(bar, largest, bar_width)
        mark = "".join(labels_kind.mark(key) for key in bar.mark) or "·"
        line = (f"{bar.rank:>{rank_width}}  {pad(bar.word, word_width)}  {pad(mark, 4)} "
                f"{_share(bar.percent)}  {left:>{bar_width}}|{right}")
        if bar.word in shares:
            low, high = shares[bar.word]
            line = f"{line:<{len(line) - len(right) + right_width}}  " \
                f"[{format_percent(low)}, {format_percent(high)}]"
        lines.append(line)
    if largest == 0:
        lines.append(f"Every contribution is zero: the texts do not differ in "
                     f"{labels_kind.value_name}.")
    lines.append("")
    sums = "  ".join(f"{labels_kind.mark(key)} {format_percent(shown.components[key])}"
                     for key in keys)
    lines.append(f"total {format_percent(shown.total)}" + (f" = {sums}" if sums else ""))
    for key in keys:
        lines.append("  " + legend_line(labels_kind, key, labels))
    return "\n".join(lines) + "\n"


def _share(percent: float) -> str:
    """A word's share of all contributions, six columns and a per cent sign; zero at the
    precision shown has no sign."""
    return f"{'0.0':>6}%" if round(percent, 1) == 0 else f"{percent:+6.1f}%"


def _sides(bar: Bar) -> tuple[float, float]:
    """How far a word's bar reaches left (negative) and right: its parts are stacked where
    they point the same way."""
    if bar.frequency * bar.score >= 0:
        return min(0.0, bar.drawn), max(0.0, bar.drawn)
    return min(bar.frequency, bar.score), max(bar.frequency, bar.score)


def _bar_text(bar: Bar, largest: float, bar_width: int) -> tuple[str, str]:
    """The blocks left and right of the centre line: █ for the frequency part, ▒ for the
    score part, at least one block for a part that is not zero."""
    def blocks(value: float) -> int:
        if value == 0 or largest == 0:
            return 0
        return max(1, round(abs(value) / largest * bar_width))

    if bar.score == 0:
        parts = [(bar.drawn, _BLOCK)]
    elif bar.frequency == 0:
        parts = [(bar.percent, _SCORE_BLOCK)]
    else:
        parts = [(bar.frequency, _BLOCK), (bar.score, _SCORE_BLOCK)]
    left = "".join(symbol * blocks(value) for value, symbol in reversed(parts) if value < 0)
    right = "".join(symbol * blocks(value) for value, symbol in parts if value > 0)
    return left, right
