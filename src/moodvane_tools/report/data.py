"""What the report page shows, worked out in Python and embedded in the page as JSON: the
series with its band and documents, each period's shift as the PNG graph draws it (the
same bars, marks, summary and colours, from the same `result_view.view`), the counts
behind the search box, and where it all came from.

The corpus is counted once: the series, the shifts and the search all come from one
native pass over the documents.
"""

from __future__ import annotations

import datetime
import math
from collections import Counter
from collections.abc import Iterable, Mapping, Sequence
from typing import Any

from ..corpus import Scoring, _all_texts, _check_bootstrap, _frame_of, _group_codes, \
    check_min_documents, series_frame
from ..graph import COLOURS, TOTAL_COLOUR
from ..kinds import COMPONENTS, WEIGHTED
from ..shifts_by_period import PeriodShifts, check_options, shifts_of_groups
from ..result_view import view

# The search box's counts take at most this many bytes of the page; past it, only the
# most frequent words are searchable, and the page says so.
SEARCH_BUDGET = 3_000_000


def _round(value: float | None, digits: int = 5) -> float | None:
    """A number for display, to `digits` significant digits; None for NaN or None."""
    if value is None or not math.isfinite(value):
        return None
    return float(f"{value:.{digits}g}")


def period_label(key: object) -> str:
    """A period key for people: a date alone where the time is midnight."""
    normalize = getattr(key, "normalize", None)
    if normalize is not None and key == normalize():
        return str(key.date())  # type: ignore[attr-defined]
    if isinstance(key, tuple):
        return " · ".join(period_label(part) for part in key)
    return str(key)


def shift_view(result: Mapping[str, Any], top_n: int,
               intervals: Mapping[str, tuple[float, float]] | None = None) -> dict[str, Any]:
    """One shift as the page draws it: the compared values, the summary bars (total and
    the four kinds of contribution, in percent of all contributions) and the top words,
    each [word, share %, kind, interval low %, interval high %]."""
    shown = view(result, top_n, WEIGHTED.value_keys, WEIGHTED)
    words = []
    for bar in shown.bars:
        low, high = (intervals or {}).get(bar.word, (None, None))
        words.append([bar.word, _round(bar.percent), bar.component, _round(low),
                      _round(high)])
    return {
        "values": [_round(shown.values[0]), _round(shown.values[1])],
        "reference": _round(shown.reference),
        "total": _round(shown.total),
        "components": {key: _round(shown.components[key]) for key in COMPONENTS},
        "words": words,
    }


def _search_index(periods: int, counts: Sequence[Mapping[str, int]],
                  budget: int) -> dict[str, Any]:
    """Each word's counts by period, sparse: [gap to the previous period with the word,
    count, ...], most frequent words first, as many as fit `budget` bytes."""
    by_word: dict[str, list[int]] = {}
    totals: Counter[str] = Counter()
    for at, group in enumerate(counts):
        for word, count in group.items():
            by_word.setdefault(word, []).extend((at, count))
            totals[word] += count
    words: list[str] = []
    encoded: list[list[int]] = []
    used = 0
    for word, _ in sorted(totals.items(), key=lambda item: (-item[1], item[0])):
        pairs = by_word[word]
        gaps: list[int] = []
        last = 0
        for position in range(0, len(pairs), 2):
            gaps.extend((pairs[position] - last, pairs[position + 1]))
            last = pairs[position]
        size = len(word) + sum(len(str(value)) + 1 for value in gaps) + 8
        if used + size > budget:
            break
        used += size
        words.append(word)
        encoded.append(gaps)
    return {"words": words, "counts": encoded, "complete": len(words) == len(totals),
            "vocabulary": len(totals), "periods": periods}


def build(texts: Iterable[object], keys: Iterable[object], *, freq: str | None,
          reference: object = "previous", window: int = 1,
          lexicon: str | Mapping[str, float] = "english", language: str | None = None,
          min_documents: int = 1, stop_lens: Sequence[float] | None = None,
          stop_words: Iterable[str] | None = None, top_n: int = 30, n_boot: int = 1000,
          intervals: int = 0, ci: float = 0.95, seed: int = 0, title: str | None = None,
          source: Mapping[str, Any] | None = None,
          search_budget: int = SEARCH_BUDGET,
          negation: bool = False) -> tuple[dict[str, Any], PeriodShifts, Any]:
    """The page's data, the period shifts (their first `top_n` entries) and the series
    frame."""
    from .. import __version__
    from ..intervals import _scored_words

    check_options("weighted", stop_lens, window, min_documents, None)
    check_min_documents(min_documents)
    _check_bootstrap(n_boot, ci)
    _check_bootstrap(intervals, ci)
    if isinstance(top_n, bool) or not isinstance(top_n, int) or top_n < 1:
        raise ValueError(f"top_n must be an int >= 1, got {top_n!r}")
    scoring = Scoring.of(lexicon, language, stop_lens, stop_words, negation)
    strings = _all_texts(texts)
    codes, uniques = _group_codes(keys, len(strings), freq)
    if len(uniques) == 0:
        raise ValueError("no document has a key")
    documents, groups, pooled = scoring.score_texts(strings, codes, len(uniques), pooled=True)
    assert pooled is not None
    document_frame = _frame_of([documents])
    series = series_frame(_frame_of([groups], index=uniques), document_frame, codes, n_boot,
                          ci, seed, min_documents)
    periods = list(uniques)
    sizes = series["documents"].tolist()
    # The page shows the first top_n words of each shift (the totals cover every word).
    shifts = shifts_of_groups(periods, pooled, sizes, scoring, kind="weighted",
                              reference=reference, window=window, freq=freq,
                              min_documents=min_documents, top_n=top_n, lexicon=lexicon)
    scored = _scored_words(scoring)
    shares = _period_intervals(strings, codes, periods, shifts, scored, scoring, top_n,
                               intervals, ci, seed) if intervals else {}
    labels = [period_label(period) for period in periods]
    position = {period: at for at, period in enumerate(periods)}
    shift_data: list[dict[str, Any] | None] = []
    for period in periods:
        if period not in shifts:
            shift_data.append(None)
            continue
        drawn = shift_view(shifts[period], top_n, shares.get(period))
        against = shifts.references[period]
        drawn["against"] = [labels[position[item]] if item in position else str(item)
                            for item in against]
        shift_data.append(drawn)
    scored_counts = [{word: count for word, count in group.items() if word in scored}
                     for group in pooled]
    tokens = float(series["tokens"].sum())
    data = {
        "title": title or "moodvane report",
        "version": __version__,
        "generated": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
        "source": dict(source or {}),
        "lexicon": _lexicon_facts(lexicon, scoring),
        "coverage": _round(float(series["scored"].sum()) / tokens if tokens else None),
        "options": {
            "freq": freq, "reference": reference if isinstance(reference, str)
            else str(reference), "window": window, "min_documents": min_documents,
            "stop_lens": list(scoring.stop_lens) if scoring.stop_lens else None,
            "stop_words": len(scoring.stop_words), "top_n": top_n, "n_boot": n_boot,
            "intervals": intervals, "ci": ci, "seed": seed,
            "time_zones": _zone_rule() if freq else None, "negation": scoring.negation,
        },
        "colours": {**COLOURS, "total": TOTAL_COLOUR},
        "marks": {key: WEIGHTED.mark(key) for key in COMPONENTS},
        "legend": {key: WEIGHTED.legend[key] for key in COMPONENTS},
        "periods": {
            "labels": labels,
            "dates": bool(freq),
            "score": [_round(value) for value in series["score"]],
            "low": [_round(value) for value in series["low"]],
            "high": [_round(value) for value in series["high"]],
            "documents": sizes,
            "tokens": series["tokens"].tolist(),
            "scored": series["scored"].tolist(),
            "thin": [size < min_documents for size in sizes],
        },
        "shifts": shift_data,
        "search": _search_index(len(periods), scored_counts, search_budget),
    }
    return data, shifts, series


def _zone_rule() -> str:
    from ..periods import describe_rule

    return describe_rule()


def _lexicon_facts(lexicon: object, scoring: Scoring) -> dict[str, Any]:
    if isinstance(lexicon, str):
        from ..lexicon_data import lexicon_info

        info = lexicon_info(lexicon)
        return {"name": info["name"], "language": info["language"],
                "entries": info["entries"],
                "sources": [f"{source['name']} ({source['licence']})"
                            for source in info["sources"]]}
    return {"name": "custom", "language": scoring.language, "entries": len(scoring.scores),
            "sources": []}


def _period_intervals(strings: list[str], codes: Any, periods: list[Any],
                      shifts: PeriodShifts, scored: Mapping[str, float], scoring: Scoring,
                      top_n: int, n_boot: int, ci: float,
                      seed: int) -> dict[Any, dict[str, tuple[float, float]]]:
    """Each shift's top words' intervals in percent of all contributions, from resamples
    of the period's documents and its reference's."""
    from ..counting import count_documents
    from ..interval_shares import interval_shares
    from ..intervals import intervals_of_documents

    documents = count_documents(strings, scoring.language, negation=scoring.negation)
    members: dict[Any, list[Counter[str]]] = {period: [] for period in periods}
    for code, counts in zip(codes.tolist(), documents):
        if code >= 0:
            members[periods[code]].append(counts)
    shares = {}
    for period, result in shifts.items():
        against = shifts.references[period]
        base = [counts for item in (periods if against == ("all",) else against)
                for counts in members.get(item, [])]
        frame = intervals_of_documents(base, members[period], result, scored,
                                       n_boot=n_boot, ci=ci, seed=seed)
        shares[period] = interval_shares(result, frame)
    return shares
