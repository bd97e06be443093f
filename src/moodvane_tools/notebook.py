"""Compact HTML tables of the companion's results, which Jupyter shows through
`_repr_html_`: a shift's values and its top words, a set of period shifts one row per
period."""

from __future__ import annotations

import html
from collections.abc import Mapping
from typing import Any

from .kinds import kind_of
from .result_view import format_percent, format_value, view

# Rows a notebook shows of a result before it says how many more there are.
ROWS = 10
_STYLE = "border-collapse:collapse;font-size:0.9em"
_CELL = "padding:1px 8px;text-align:{align}"


def _row(cells: list[str], header: bool = False) -> str:
    tag = "th" if header else "td"
    return "<tr>" + "".join(
        f'<{tag} style="{_CELL.format(align="left" if i == 0 else "right")}">{cell}</{tag}>'
        for i, cell in enumerate(cells)) + "</tr>"


def shift_html(result: Mapping[str, Any], rows: int = ROWS) -> str:
    """A shift result as a small table: the kind and the two values, then its first
    `rows` words with their marks and shares."""
    kind = kind_of(result)
    shown = view(result, rows, kind.value_keys, kind)
    first, second = shown.values
    caption = (f"{html.escape(kind.value_name)}: {format_value(first)} → "
               f"{format_value(second)} ({shown.entries:,} words)")
    body = [_row(["#", "word", "kind", "share"], header=True)]
    for bar in shown.bars:
        mark = "".join(kind.mark(key) for key in bar.mark) or "·"
        body.append(_row([str(bar.rank), html.escape(bar.word), html.escape(mark),
                          format_percent(bar.percent)]))
    more = shown.entries - len(shown.bars)
    if more > 0:
        body.append(_row(["…", f"{more:,} more", "", ""]))
    return (f'<table style="{_STYLE}"><caption style="text-align:left">{caption}</caption>'
            + "".join(body) + "</table>")


def period_shifts_html(shifts: Any, rows: int = ROWS) -> str:
    """Period shifts as a table: one row per period (the first `rows`), its documents,
    its reference, the two values and its top word."""
    body = [_row(["period", "documents", "against", "before", "after", "top word"],
                 header=True)]
    periods = list(shifts)
    for period in periods[:rows]:
        result = shifts[period]
        kind = kind_of(result)
        shown = view(result, 1, kind.value_keys, kind)
        top = (f"{html.escape(shown.bars[0].word)} {format_percent(shown.bars[0].percent)}"
               if shown.bars else "")
        against = shifts.references.get(period, ())
        reference = ", ".join(html.escape(_label(item)) for item in against[:2]) + \
            ("…" if len(against) > 2 else "")
        body.append(_row([html.escape(_label(period)), f"{shifts.documents.get(period, 0):,}",
                          reference, format_value(shown.values[0]),
                          format_value(shown.values[1]), top]))
    if len(periods) > rows:
        body.append(_row(["…", f"{len(periods) - rows:,} more periods", "", "", "", ""]))
    caption = f"{len(periods):,} period shifts"
    if shifts.left_out:
        caption += f"; {len(shifts.left_out):,} thin periods left out"
    return (f'<table style="{_STYLE}"><caption style="text-align:left">{caption}</caption>'
            + "".join(body) + "</table>")


def _label(key: object) -> str:
    """A period key for people: a date alone where the time is midnight."""
    normalize = getattr(key, "normalize", None)
    if normalize is not None and key == normalize():
        return str(key.date())  # type: ignore[attr-defined]
    return str(key)
