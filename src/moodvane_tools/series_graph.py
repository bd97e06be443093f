"""A happiness series drawn with matplotlib (the `plot` extra): each group's average score
as a line with its bootstrap band, and the number of documents behind each point as light
bars on a second axis along the bottom, so that a point backed by few documents is seen
to be."""

from __future__ import annotations

from typing import TYPE_CHECKING, Any

if TYPE_CHECKING:
    import pandas as pd  # type: ignore[import-untyped, unused-ignore]
    from matplotlib.axes import Axes

_DOCUMENTS_LABEL = "moodvane documents"
# gid of the marks of thin periods, so that a caller (or a test) can find them.
THIN_MARKS = "thin"
# The bars take at most this share of the height, below the lines.
_BAR_SHARE = 0.25


def series_graph(frame: pd.DataFrame, *, ax: Axes | None = None, title: str | None = None,
                 label: str | None = None, color: str | None = None,
                 documents: bool = True, band_alpha: float = 0.25,
                 min_documents: int | None = None) -> Axes:
    """Draws a `happiness_series` frame into `ax` (a new figure when None) and returns the
    Axes, as seaborn's functions do; nothing is shown or saved. A new figure is a
    `matplotlib.figure.Figure` of its own, outside pyplot's state (``ax.figure`` shows it
    in a notebook, once).

    Thin periods, those with fewer than `min_documents` documents (by default the
    frame's ``attrs["min_documents"]``, which `happiness_series` sets), have no score:
    they are marked by grey ticks along the bottom, and the axis is scaled to the rest.

    The `score` column is a line over the index (dates or group keys) with the band from
    `low` to `high` around it; `label` names the line in a legend. With `documents`, the
    `documents` column is drawn as light bars on a second axis along the bottom. Call it
    again with the same `ax` to draw several series together: the bars of later calls go
    on the same second axis.

    >>> import matplotlib
    >>> matplotlib.use("Agg")
    >>> from moodvane_tools import happiness_series
    >>> frame = happiness_series(["a happy day", "a sad day", "love"], [1, 1, 2], n_boot=50)
    >>> ax = series_graph(frame, title="Mood", label="diary")
    >>> ax.get_title(), [line.get_label() for line in ax.get_lines()]
    ('Mood', ['diary'])
    """
    from matplotlib.figure import Figure

    for column in ("score", "low", "high", "documents"):
        if column not in frame.columns:
            raise ValueError(f"frame must have the columns of happiness_series; no {column!r} "
                             f"among {', '.join(map(repr, frame.columns))}")
    if ax is None:
        ax = Figure(figsize=(9, 4.5), layout="constrained").subplots()
    x: Any = _positions(frame.index)
    line = ax.plot(x, frame["score"].to_numpy(dtype=float), label=label or "_series",
                   color=color, linewidth=1.8, marker="o" if len(frame) <= 40 else None,
                   markersize=3.5, zorder=3)[0]
    ax.fill_between(x, frame["low"].to_numpy(dtype=float), frame["high"].to_numpy(dtype=float),
                    color=line.get_color(), alpha=band_alpha, linewidth=0, zorder=2,
                    label="_band")
    ax.set_ylabel("average score")
    if _is_dates(frame.index):
        import matplotlib.dates as mdates

        locator = mdates.AutoDateLocator()  # type: ignore[no-untyped-call]
        ax.xaxis.set_major_locator(locator)
        ax.xaxis.set_major_formatter(
            mdates.ConciseDateFormatter(locator))  # type: ignore[no-untyped-call]
    if title is not None:
        ax.set_title(title)
    _mark_thin(ax, x, frame, min_documents)
    if label is not None or any(line.get_gid() == THIN_MARKS for line in ax.get_lines()):
        ax.legend(loc="upper left", frameon=False)
    if documents:
        _draw_documents(ax, x, frame["documents"].to_numpy(dtype=float), line.get_color(),
                        _bar_width(frame.index))
    ax.set_zorder(1)  # the lines above the bars' axis
    ax.patch.set_visible(False)
    return ax


def thin_periods(frame: pd.DataFrame, min_documents: int | None = None) -> Any:
    """A boolean array: which rows of a series frame are thin (fewer documents than
    `min_documents`, by default the frame's own ``attrs["min_documents"]``)."""
    import numpy

    threshold = frame.attrs.get("min_documents", 1) if min_documents is None else min_documents
    return numpy.asarray(frame["documents"].to_numpy() < threshold, dtype=bool)


def _mark_thin(ax: Axes, x: Any, frame: pd.DataFrame, min_documents: int | None) -> None:
    import numpy

    thin = thin_periods(frame, min_documents)
    if not thin.any():
        return
    threshold = frame.attrs.get("min_documents", 1) if min_documents is None else min_documents
    positions = [position for position, marked in zip(x, thin) if marked]
    # Along the bottom of the Axes, whatever the scores' scale.
    marks = ax.plot(positions, numpy.zeros(len(positions)), linestyle="none", marker="|",
                    markersize=10, markeredgewidth=1.5, color="#9a9a9a",
                    transform=ax.get_xaxis_transform(), clip_on=False, zorder=4,
                    label=f"thin: fewer than {threshold} documents, no score")
    marks[0].set_gid(THIN_MARKS)


def _is_dates(index: Any) -> bool:
    import pandas

    return isinstance(index, pandas.DatetimeIndex)


def _positions(index: Any) -> Any:
    """Dates stay dates and numbers numbers; any other keys are drawn as categories."""
    import pandas

    if isinstance(index, pandas.DatetimeIndex):
        return index.to_pydatetime()
    if pandas.api.types.is_numeric_dtype(index):
        return index.to_numpy()
    return [str(key) for key in index]


def _draw_documents(ax: Axes, x: Any, counts: Any, color: Any, width: Any) -> None:
    twin = next((other for other in ax.figure.axes
                 if other.get_label() == _DOCUMENTS_LABEL and other.get_shared_x_axes().joined(
                     other, ax)), None)
    if twin is None:
        twin = ax.twinx()
        twin.set_label(_DOCUMENTS_LABEL)
        twin.set_ylabel("documents", color="#8a8a8a")
        twin.tick_params(axis="y", colors="#8a8a8a")
        twin.set_zorder(0)
    twin.bar(x, counts, width=width, color=color, alpha=0.15, linewidth=0)
    top = max((patch.get_height() for patch in twin.patches  # type: ignore[attr-defined]
               ), default=1.0) or 1.0
    twin.set_ylim(0, top / _BAR_SHARE)


def _bar_width(index: Any) -> Any:
    """Most of the smallest gap between neighbouring points, in the x axis's own units."""
    import pandas

    numeric = isinstance(index, pandas.DatetimeIndex) or pandas.api.types.is_numeric_dtype(index)
    if len(index) < 2 or not numeric:
        return 0.8 if not isinstance(index, pandas.DatetimeIndex) else pandas.Timedelta(days=0.8)
    gaps = pandas.Series(index).diff().dropna()
    gaps = gaps[gaps > gaps.iloc[0] * 0]
    return (gaps.min() if len(gaps) else 1) * 0.8
