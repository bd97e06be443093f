"""The report: one self-contained HTML page of a corpus's series and the word shift of each
of its periods, which opens offline in any browser.

The page is plain SVG drawn by a small script of its own (no charting library: the page
asks no server for anything, and a year of daily periods stays well under 5 MB), from the
data Python works out and embeds (`report.data`).
"""

from __future__ import annotations

import json
from collections.abc import Iterable, Mapping, Sequence
from importlib import resources
from pathlib import Path
from typing import Any

from .data import build

__all__ = ["render", "write_report"]


def _asset(name: str) -> str:
    return resources.files(__name__).joinpath(name).read_text(encoding="utf-8")


def _escape(text: str) -> str:
    """Text for an HTML element's content."""
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def render(data: Mapping[str, Any]) -> str:
    """The page of `data` (from `report.data.build`), whole."""
    # Inside <script>, "</" would end the element: every "<" goes as an escape, which JSON
    # reads back as the same character.
    embedded = json.dumps(data, ensure_ascii=False, separators=(",", ":"),
                          allow_nan=False).replace("<", "\\u003c")
    page = _asset("page.html")
    values = {"title": _escape(str(data.get("title", "moodvane report"))),
              "version": _escape(str(data.get("version", ""))),
              "style": _asset("page.css"), "script": _asset("page.js"), "data": embedded}
    # The placeholders are filled in one pass, so that a value holding "{...}" is left as is.
    out = []
    rest = page
    while True:
        start = rest.find("{")
        if start < 0:
            out.append(rest)
            break
        end = rest.find("}", start)
        name = rest[start + 1:end]
        if end < 0 or name not in values:
            out.append(rest[:start + 1])
            rest = rest[start + 1:]
            continue
        out.append(rest[:start])
        out.append(values[name])
        rest = rest[end + 1:]
    return "".join(out)


def write_report(path: str | Path, texts: Iterable[object], keys: Iterable[object], *,
                 freq: str | None, reference: object = "previous", window: int = 1,
                 lexicon: str | Mapping[str, float] = "english", language: str | None = None,
                 min_documents: int = 1, stop_lens: Sequence[float] | None = None,
                 stop_words: Iterable[str] | None = None, top_n: int = 30,
                 n_boot: int = 1000, intervals: int = 0, ci: float = 0.95, seed: int = 0,
                 title: str | None = None, source: Mapping[str, Any] | None = None,
                 negation: bool = False) -> Path:
    """Writes the report of a corpus to `path` (an HTML file) and returns the path.

    The page shows the series of `happiness_series(texts, keys, freq=freq, ...)` with its
    band (`n_boot` resamples) and the documents of each period; a click on a period (or
    the arrow keys) draws its word shift of `period_shifts(..., reference=reference,
    window=window)`, the first `top_n` words with the summary bars, in the colours and
    marks of `shift_graph`, and with `intervals` > 0 each word's bootstrap interval from
    that many resamples (`shift_intervals`; this recounts every document, and costs
    about a second a period for large ones); a search box draws one word's share of each
    period's scored words; and it lists the lexicon, the coverage, the options and the
    version. Thin periods (fewer than `min_documents` documents) have no score and no
    shift. `source` adds lines of your own to that list (e.g. the corpus file). With
    `negation=True`, negated words count apart and are scored by the negation rule, as
    in `score_documents`.

    >>> import pathlib, tempfile
    >>> page = pathlib.Path(tempfile.mkdtemp()) / "report.html"
    >>> write_report(page, ["a happy day", "a sad day", "love"], ["mon", "tue", "wed"],
    ...              freq=None, n_boot=50).stat().st_size > 10_000
    True
    """
    data, _, _ = build(texts, keys, freq=freq, reference=reference, window=window,
                       lexicon=lexicon, language=language, min_documents=min_documents,
                       stop_lens=stop_lens, stop_words=stop_words, top_n=top_n,
                       n_boot=n_boot, intervals=intervals, ci=ci, seed=seed, title=title,
                       source=source, negation=negation)
    target = Path(path)
    target.write_text(render(data), encoding="utf-8")
    return target
