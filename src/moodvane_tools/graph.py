"""A word shift drawn with matplotlib (the `plot` extra): a horizontal bar per word, the
largest contribution at the top, with a summary of the kinds of contribution above the
words and, in a corner, how much of the shift the first words explain. Every kind of shift
(average score, proportion, entropy, divergences) is drawn the same way, in its own
words."""

from __future__ import annotations

import textwrap
from collections.abc import Mapping
from typing import TYPE_CHECKING, Any

from .fonts import families_for
from .interval_shares import interval_shares
from .kinds import SCORE_COMPONENTS, SIDE_COMPONENTS, KindLabels, kind_of, unit_of
from .result_view import (
    Bar, View, format_percent, headline_phrases, legend_line, shown_components, view,
    wrap_phrases,
)
from .text_graph import display_width

if TYPE_CHECKING:
    from matplotlib.axes import Axes
    from matplotlib.figure import Figure

# Above the reference: amber; at or below it: blue. Solid where the word became more
# frequent in text 2, pale where it became less frequent. Distinct in colour-blind vision
# and in grey.
COLOURS: dict[str, str] = {
    "pos_s_pos_p": "#e08a00",
    "neg_s_neg_p": "#9cc3ec",
    "pos_s_neg_p": "#f7d08a",
    "neg_s_pos_p": "#2f6db5",
}
# The score part of a contribution (the word's score changed between the texts): violet,
# hatched, solid where the score rose in text 2 and pale where it fell.
SCORE_COLOURS: dict[str, str] = {
    "pos_s": "#7b4fb0",
    "neg_s": "#c7b0e3",
}
SCORE_HATCH = "////"
TOTAL_COLOUR = "#7f7f7f"
# gid of the drawn artists, so that a caller (or a test) can tell them apart.
WORD_BAR, SUMMARY_BAR, WORD_LABEL = "word", "summary", "word-label"
# The score part of a word's bar, and the tick at a word's net contribution where its two
# parts point different ways.
WORD_SCORE_BAR, WORD_NET = "word-score", "word-net"
# A word's bootstrap interval, where shift_intervals computed one.
WORD_INTERVAL = "word-interval"
SHIFT_AXES_LABEL, SUMMARY_AXES_LABEL, CUMULATIVE_AXES_LABEL = "shift", "summary", "cumulative"

_SUMMARY_ROWS = 6.0  # rows of the words' Axes left free for the summary at the top
_LEGEND_CHARACTER = 7.5 * 0.55  # points per character of the legend, roughly
_Box = tuple[float, float, float, float]  # x, y, width, height in Axes fractions
_TALLEST_FIGURE = 150.0  # inches; Agg draws at most 65,536 pixels a side


def _require_matplotlib() -> None:
    try:
        import matplotlib  # noqa: F401
    except ImportError:
        raise ImportError(
            "shift_graph needs matplotlib: pip install 'moodvane[plot]'"
        ) from None


def shift_graph(
    result: Mapping[str, Any],
    *,
    top_n: int = 30,
    labels: tuple[str, str] = ("text 1", "text 2"),
    title: str | None = None,
    ax: Axes | None = None,
    kind: str | None = None,
    font: str | list[str] | None = None,
    unit: str | None = None,
    intervals: Any = None,
) -> Figure:
    """Draws a word-shift graph of `result` (a dict from either function of `moodvane`, or
    a ShiftResult of any kind) and returns its Figure; nothing is shown or saved.

    One horizontal bar per word for the `top_n` largest contributions (every word for 0,
    as in `moodvane`), the largest at the top. A bar points right where the word raises
    text 2's value (its average) above text 1's and left where it lowers it; its length is
    the word's share of all contributions. Its colour says why (see the legend): the
    word's score is above the reference (+) or not (-), and it is relatively more (↑) or
    less (↓) frequent in text 2. Above the words, bars sum the kinds of contribution and
    give their total; a small plot, in the corner where it hides the
    fewest bars, shows the running total of the contributions over the word rank (how many
    words explain how much). The title gives the two averages and the reference.

    Every kind of shift is labelled in its own words (the values compared, the axis, the
    legend): `kind` ("weighted", "proportion", "entropy", "kld" or "jsd") defaults to the
    result's own ``kind`` attribute, or its ``"kind"`` key for a result read back from
    JSON, else "weighted". Where a word's score differs between the texts (entropy,
    divergences, two score maps), its bar has two parts: the frequency part coloured as
    above and the score part, hatched violet, solid where the word's score is higher in
    text 2 (△) and pale where it is lower (▽); where they point different ways a black
    tick marks the word's net contribution. The summary shows only the sums the kind can
    fill (for KLD, all in the score part). `unit` names the unit of the values (e.g.
    "bits"), by default the result's ``unit``.

    `intervals`, a frame of `shift_intervals` for this result, adds each word's bootstrap
    interval as a black error bar across its bar (in the same share of all
    contributions), where the frame has the word.

    `labels` names text 1 and text 2, `title` replaces the first line of the title, `ax`
    draws into existing Axes (else a new Figure sized to the number of words). `font`
    names the font family (or families, each glyph from the first that has it); by
    default a font with the glyphs of the words is found among the installed ones, with a
    warning naming the characters when none has them. A result without entries gives a
    graph that says so.
    """
    _require_matplotlib()
    from matplotlib.figure import Figure
    from matplotlib.lines import Line2D
    from matplotlib.patches import Patch
    from matplotlib.transforms import offset_copy

    labels_kind = kind_of(result, kind)
    shown = view(result, top_n, labels_kind.value_keys, labels_kind)
    keys = shown_components(labels_kind, shown)
    axes: Axes
    if ax is None:
        # A Figure of its own, not pyplot's: a notebook shows the returned Figure once,
        # and nothing stays open after it is gone.
        figure = Figure(figsize=(8.0, figure_height(len(shown.bars))), layout="constrained")
        axes = figure.subplots()
    else:
        axes = ax
        figure = axes.figure.figure  # the root figure, also from a subfigure
    axes.set_label(SHIFT_AXES_LABEL)
    heading = title if title is not None else f"{labels[0]} → {labels[1]}"
    texts = [bar.word for bar in shown.bars] + [heading, *labels]
    families = [font] if isinstance(font, str) else font or families_for(texts)
    text_font: dict[str, Any] = {"fontfamily": families} if families else {}

    # A figure of our own is laid out by constrained layout, which widens the Axes later.
    width_points = figure.get_figwidth() * 72.0 * 0.95 if ax is None else _size_points(axes)[0]
    # Wrapped to the Axes, which may be one small panel of a larger figure, at blanks
    # (never after a hyphen or a minus sign) and, for the values, between phrases.
    columns = max(30, int(width_points / (12 * 0.55)))
    heading = wrap_phrases([heading], columns)
    if shown.entries:
        phrases = headline_phrases(labels_kind, shown, labels, unit_of(result, unit))
        heading += "\n" + wrap_phrases(phrases, columns)
    axes.set_title(heading, **text_font)
    axes.set_yticks([])
    for side in ("top", "right", "left"):
        axes.spines[side].set_visible(False)
    if not shown.bars:
        axes.set_xticks([])
        axes.spines["bottom"].set_visible(False)
        message = labels_kind.empty if shown.entries == 0 else \
            "No word with a finite contribution to show."
        axes.text(0.5, 0.5, textwrap.fill(message, max(20, int(width_points / 7))),
                  transform=axes.transAxes, ha="center", va="center", fontsize=12,
                  color="#555555")
        return figure
    axes.set_xlabel(labels_kind.text(labels_kind.axis_title, labels), **text_font)

    words = len(shown.bars)
    shares = interval_shares(result, intervals) if intervals is not None else {}
    reach = max(max(-_extent(bar)[0], _extent(bar)[1],
                    *(abs(end) for end in shares.get(bar.word, ()))) for bar in shown.bars) or 1.0
    _draw_words(axes, shown, reach, text_font, shares)
    if shares:
        _draw_intervals(axes, shown, shares)
    axes.axvline(0.0, color="#333333", linewidth=0.8)
    axes.set_xlim(-reach * 1.45, reach * 1.45)
    # The top rows of the Axes are left free for the summary, which has a scale of its own
    # (the total is often ten times the largest word).
    bottom, top = -words - 0.6, _SUMMARY_ROWS
    axes.set_ylim(bottom, top)
    height = (_SUMMARY_ROWS - 0.5) / (top - bottom)
    summary_reach = _draw_summary(axes.inset_axes((0.0, 1.0 - height, 1.0, height)), shown,
                                  labels_kind, keys)
    corner = _free_corner(axes, shown, reach, summary_reach, height, keys, shares)
    _draw_cumulative(axes.inset_axes(corner), shown)
    legend = [legend_line(labels_kind, key, labels) for key in keys]
    handles: list[Any] = [Patch(label=text, **_style(key)) for key, text in zip(keys, legend)]
    if any(line.get_gid() == WORD_NET for line in axes.lines):
        legend.append("the word's net contribution, where its two parts point different ways")
        handles.append(Line2D([], [], color="#000000", linewidth=1.6, linestyle="none",
                              marker="|", markersize=9, label=legend[-1]))
    if shares:
        level = intervals.attrs.get("ci", 0.95) if hasattr(intervals, "attrs") else 0.95
        legend.append(f"{level:.0%} bootstrap interval of the word's contribution")
        handles.append(Line2D([], [], color="#222222", linewidth=1.1, marker="|",
                              markersize=6, label=legend[-1]))
    axes.legend(
        handles=handles,
        # Below the axis title, whatever the height of the Axes.
        loc="upper center", bbox_to_anchor=(0.5, 0.0),
        bbox_transform=offset_copy(axes.transAxes, fig=figure, y=-44, units="points"),
        ncols=2 if width_points > 2 * _LEGEND_CHARACTER * max(map(len, legend)) else 1,
        frameon=False, prop=_legend_font(families),
    )
    return figure


def figure_height(words: int | None) -> float:
    """The height in inches of a graph of its own with `words` bars (None: as many as a
    graph can have): a quarter inch per bar, up to a height every output format takes."""
    if words is None:
        return _TALLEST_FIGURE
    return min(_TALLEST_FIGURE, max(4.5, 2.2 + 0.24 * (words + _SUMMARY_ROWS)))


def _size_points(axes: Axes) -> tuple[float, float]:
    """The width and height of `axes` in points, as laid out so far."""
    extent = axes.get_window_extent()
    scale = 72.0 / axes.figure.dpi
    return max(1.0, extent.width * scale), max(1.0, extent.height * scale)


def _legend_font(families: list[str] | None) -> dict[str, Any]:
    return {"size": 7.5, **({"family": families} if families else {})}


def _style(key: str) -> dict[str, Any]:
    """Colour (and hatching, for a score part) of component `key`."""
    if key in SCORE_COMPONENTS:
        return {"facecolor": SCORE_COLOURS[key], "edgecolor": "#ffffff", "linewidth": 0.0,
                "hatch": SCORE_HATCH}
    return {"facecolor": COLOURS[key], "edgecolor": "none"}


def _extent(bar: Bar) -> tuple[float, float]:
    """The leftmost and rightmost x that a word's bar reaches: its parts are stacked where
    they point the same way and drawn from zero each where they do not."""
    if bar.frequency * bar.score >= 0:
        return min(0.0, bar.frequency + bar.score), max(0.0, bar.frequency + bar.score)
    return min(bar.frequency, bar.score), max(bar.frequency, bar.score)


def _reach_of(bar: Bar, shares: dict[str, tuple[float, float]]) -> tuple[float, float]:
    """Where a word's bar and its interval end, left and right: its label stands beyond
    both, so that no line crosses it."""
    low, high = _extent(bar)
    if bar.word in shares:
        low, high = min(low, shares[bar.word][0]), max(high, shares[bar.word][1])
    return low, high


def _draw_words(ax: Axes, shown: View, reach: float, text_font: dict[str, Any],
                shares: dict[str, tuple[float, float]]) -> None:
    pad = reach * 0.02
    for row, bar in enumerate(shown.bars, 1):
        y = -row
        if bar.frequency != 0 or bar.score == 0:
            (drawn,) = ax.barh(y, bar.frequency if bar.score else bar.drawn, height=0.8,
                               **_style(bar.component))
            drawn.set_gid(WORD_BAR)
        if bar.score != 0:
            stacked = bar.frequency * bar.score >= 0
            (drawn,) = ax.barh(y, bar.score, left=bar.frequency if stacked else 0.0,
                               height=0.8, **_style(bar.score_component))
            drawn.set_gid(WORD_SCORE_BAR)
            if not stacked:
                (tick,) = ax.plot([bar.percent, bar.percent], [y - 0.45, y + 0.45],
                                  color="#000000", linewidth=1.6, solid_capstyle="butt")
                tick.set_gid(WORD_NET)
        right = bar.drawn >= 0
        low, high = _reach_of(bar, shares)
        label = ax.text(high + pad if right else low - pad, y, bar.word,
                        ha="left" if right else "right", va="center", fontsize=8,
                        **text_font)
        label.set_gid(WORD_LABEL)


def _draw_intervals(ax: Axes, shown: View, shares: dict[str, tuple[float, float]]) -> None:
    """Each shown word's interval as a horizontal error bar across its bar."""
    for row, bar in enumerate(shown.bars, 1):
        if bar.word in shares:
            low, high = shares[bar.word]
            (line,) = ax.plot([low, high], [-row, -row], color="#222222", linewidth=1.1,
                              marker="|", markersize=6, solid_capstyle="butt", zorder=5)
            line.set_gid(WORD_INTERVAL)


def _free_corner(ax: Axes, shown: View, reach: float, summary_reach: float,
                 band: float, keys: list[str],
                 shares: dict[str, tuple[float, float]]) -> _Box:
    """Where the running-total plot covers the least of the bars and their labels: a
    corner of the words' area or a side of the summary, in Axes fractions."""
    width_points, height_points = _size_points(ax)
    character = 8 * 0.62 / width_points  # one character of a label, as a share of the width
    words = len(shown.bars)
    rows = words + 0.6 + _SUMMARY_ROWS
    boxes: list[_Box] = []
    for row, bar in enumerate(shown.bars, 1):
        y = (words + 0.6 - row) / rows
        low, high = _reach_of(bar, shares)
        boxes.append(_bar_box((high if bar.drawn >= 0 else low) / (2.9 * reach),
                              (display_width(bar.word) + 1) * character, y, 0.8 / rows))
    summary_values = [shown.total, *(shown.components[key] for key in keys)]
    for index, value in enumerate(summary_values):
        y = 1.0 - band + band * (len(summary_values) - 0.5 - index) / len(summary_values)
        boxes.append(_bar_box((value or 0.0) / (2.9 * summary_reach), 12 * character, y,
                              band / len(summary_values)))
    # The plot's title above it and its tick labels below and left take room too.
    above, below, left = 22.0 / height_points, 12.0 / height_points, 16.0 / width_points
    high = min(0.22, max(0.12, 5.0 / rows))
    under_band = 1.0 - band - high - 0.02
    lowest = below + 0.02
    candidates = [
        (0.75, lowest, 0.23, high), (0.05 + left, lowest, 0.23, high),
        (0.75, under_band, 0.23, high), (0.05, under_band, 0.23, high),
        (0.75, 1.0 - band * 0.85, 0.23, band * 0.65), (0.05, 1.0 - band * 0.85, 0.23, band * 0.65),
    ]
    def covered(corner: _Box) -> float:
        x, y, width, height = corner
        room = (x - left, y - below, width + left, height + above + below)
        return sum(_overlap(room, box) for box in boxes)

    return min(candidates, key=covered)


def _bar_box(share: float, label: float, y: float, height: float) -> _Box:
    """A bar and its label as (x, y, width, height) in Axes fractions; `share` is the bar's
    signed length as a share of the width, measured from the middle."""
    start, end = sorted((0.5, 0.5 + share))
    if share >= 0:
        end += label
    else:
        start -= label
    return (start, y - height / 2, end - start, height)


def _overlap(a: _Box, b: _Box) -> float:
    width = min(a[0] + a[2], b[0] + b[2]) - max(a[0], b[0])
    height = min(a[1] + a[3], b[1] + b[3]) - max(a[1], b[1])
    return max(0.0, width) * max(0.0, height)


def _draw_summary(summary: Axes, shown: View, kind: KindLabels, keys: list[str]) -> float:
    summary.set_label(SUMMARY_AXES_LABEL)
    total_style: dict[str, Any] = {"facecolor": TOTAL_COLOUR, "edgecolor": "none"}
    rows = [("total", "Σ total", shown.total, total_style)] + [
        (key, kind.mark(key), shown.components[key], _style(key)) for key in keys
    ]
    reach = max([abs(value) for _, _, value, _ in rows if value is not None] + [0.0]) or 1.0
    pad = reach * 0.02
    for index, (key, symbol, value, style) in enumerate(rows):
        y = -index
        length = value or 0.0
        if kind.sided and key in SIDE_COMPONENTS:
            # Like the words' bars: towards the text that uses the words more.
            length = abs(length) if key == SIDE_COMPONENTS[0] else -abs(length)
        (drawn,) = summary.barh(y, length, height=0.75, **style)
        drawn.set_gid(f"{SUMMARY_BAR}:{key}")
        right = length >= 0
        summary.text(length + (pad if right else -pad), y,
                     f"{symbol} {format_percent(value)}", ha="left" if right else "right",
                     va="center", fontsize=8, fontweight="bold" if key == "total" else "normal")
    summary.axvline(0.0, color="#333333", linewidth=0.8)
    summary.set_xlim(-reach * 1.45, reach * 1.45)
    summary.set_ylim(-len(rows) + 0.4, 0.6)
    summary.set_xticks([])
    summary.set_yticks([])
    for side in ("top", "right", "left"):
        summary.spines[side].set_visible(False)
    summary.spines["bottom"].set_color("#bbbbbb")
    summary.patch.set_alpha(0.0)
    return reach


def _draw_cumulative(inset: Axes, shown: View) -> None:
    inset.set_label(CUMULATIVE_AXES_LABEL)
    ranks = range(1, len(shown.cumulative) + 1)
    inset.plot(ranks, shown.cumulative, color="#333333", linewidth=1.0)
    if shown.total is not None:
        inset.axhline(shown.total, color=TOTAL_COLOUR, linewidth=0.8, linestyle="--")
    inset.axvline(len(shown.bars), color=COLOURS["neg_s_pos_p"], linewidth=0.8, linestyle=":")
    inset.axhline(0.0, color="#bbbbbb", linewidth=0.5)
    inset.set_xscale("log" if len(shown.cumulative) > 50 else "linear")
    inset.set_title("running total (%) by word rank;\ndotted: the words shown", fontsize=6.5)
    inset.tick_params(labelsize=6, pad=1)
