"""A word shift as plain text, for a terminal: one line per word with a bar of block
characters left or right of a centre line."""

from __future__ import annotations

import unicodedata
from collections.abc import Mapping
from typing import Any

from .kinds import COMPONENTS, SYMBOLS, shift_kind
from .result_view import format_percent, format_value, view

_BLOCK = "█"


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
    kind: str = "weighted",
    bar_width: int = 20,
) -> str:
    """A word shift as text: the two values compared, then the `top_n` largest
    contributions (every one for 0, as in `moodvane`), each with its word, its kind (+/-
    scored above or below the reference, ↑/↓ more or less frequent in text 2), its share
    of all contributions and a bar that points right where the word raises text 2's
    value, then the four component sums and their total. `result` is a dict from either
    function of `moodvane`.

    Identical texts, or texts without a scored word, give all-zero or no bars and say so;
    nothing is divided by zero.
    """
    labels_kind = shift_kind(kind)
    shown = view(result, top_n, labels_kind.value_keys)
    first, second = shown.values
    change = None if first is None or second is None else second - first
    lines = [
        f"{labels_kind.value_name}: {labels[0]} {format_value(first)}, "
        f"{labels[1]} {format_value(second)} "
        f"(change {'n/a' if change is None else f'{change:+.3f}'}; "
        f"{labels_kind.reference_name} {format_value(shown.reference)})",
    ]
    if not shown.bars:
        lines.append(labels_kind.empty if shown.entries == 0 else
                     "No word with a finite contribution to show.")
        return "\n".join(lines) + "\n"

    largest = max(abs(bar.percent) for bar in shown.bars)
    word_width = max(display_width("word"), *(display_width(bar.word) for bar in shown.bars))
    rank_width = len(str(shown.bars[-1].rank))
    lines.append("")
    lines.append(f"{'#':>{rank_width}}  {pad('word', word_width)}  kind   share  "
                 f"{'lowers':>{bar_width}}|raises")
    for bar in shown.bars:
        length = 0 if largest == 0 else max(1, round(abs(bar.percent) / largest * bar_width))
        if bar.percent == 0:
            length = 0
        left = _BLOCK * length if bar.percent < 0 else ""
        right = _BLOCK * length if bar.percent > 0 else ""
        lines.append(
            f"{bar.rank:>{rank_width}}  {pad(bar.word, word_width)}  {SYMBOLS[bar.component]:<4} "
            f"{bar.percent:+6.1f}%  {left:>{bar_width}}|{right}"
        )
    if largest == 0:
        lines.append(f"Every contribution is zero: the {labels_kind.value_name}s do not differ.")
    lines.append("")
    sums = "  ".join(f"{SYMBOLS[key]} {format_percent(shown.components[key])}"
                     for key in COMPONENTS)
    lines.append(f"total {format_percent(shown.total)} = {sums}")
    for key in COMPONENTS:
        lines.append("  " + labels_kind.text(labels_kind.legend[key], labels))
    return "\n".join(lines) + "\n"
