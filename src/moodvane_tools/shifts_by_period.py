"""Each period's word shift against its reference: the words that moved a series up or
down (the `corpus` extra: pandas).

A series dips on one day; the shift of that day against the days before it says which
words made it dip. Text 1 of each shift is the reference's pooled counts and text 2 the
period's, and each result is exactly what the kind's function (by default
`moodvane.weighted_avg_shift`) gives on those pooled counts.
"""

from __future__ import annotations

from collections import Counter
from collections.abc import Iterable, Mapping, Sequence
from typing import TYPE_CHECKING, Any

from .corpus import Scoring, _all_texts, _group_codes, check_min_documents, warn_thin

if TYPE_CHECKING:
    import pandas as pd  # type: ignore[import-untyped, unused-ignore]

REFERENCES = ("previous", "all")


class PeriodShifts(dict[Any, Any]):
    """The shifts of `period_shifts`, by period in time order: a dict of results, with
    what each was measured against.

    ``references`` maps each period to the periods whose pooled counts are its text 1,
    ``documents`` every period (left out or not) to its number of documents, ``left_out``
    lists the periods below ``min_documents`` (thin), ``options`` the arguments the shifts
    were made with."""

    references: dict[Any, tuple[Any, ...]]
    documents: dict[Any, int]
    left_out: list[Any]
    options: dict[str, Any]

    def __init__(self, items: Mapping[Any, Any] = (), **attributes: Any) -> None:  # type: ignore[assignment]
        super().__init__(items)
        self.references = attributes.get("references", {})
        self.documents = attributes.get("documents", {})
        self.left_out = attributes.get("left_out", [])
        self.options = attributes.get("options", {})

    def _repr_html_(self) -> str:
        from .notebook import period_shifts_html

        return period_shifts_html(self)


def _check_window(window: int) -> None:
    if isinstance(window, bool) or not isinstance(window, int) or window < 1:
        raise ValueError(f"window must be an int >= 1, got {window!r}")


def _top_n(top_n: int | None) -> int:
    if top_n is None:
        return 0
    if isinstance(top_n, bool) or not isinstance(top_n, int) or top_n < 0:
        raise ValueError(f"top_n must be None or an int >= 0, got {top_n!r}")
    return top_n


def check_options(kind: str, stop_lens: object, window: int, min_documents: int,
                  top_n: int | None) -> int:
    """Checks the options of `period_shifts` that need no corpus; returns `top_n` as the
    native functions take it (0: every entry)."""
    from .kinds import REGISTRY

    if kind not in REGISTRY:
        raise ValueError(f"unknown kind of shift {kind!r}; expected one of "
                         f"{', '.join(REGISTRY)}")
    if kind != "weighted" and stop_lens is not None:
        raise ValueError(f"stop_lens applies to kind 'weighted' only, not {kind!r}")
    _check_window(window)
    check_min_documents(min_documents)
    return _top_n(top_n)


def reference_period(reference: object, uniques: Sequence[Any], freq: str | None) -> Any:
    """The group key that `reference` names: itself, or with `freq` the start of the
    period that holds it (``"2024-03"`` with ``"MS"``: March 2024)."""
    pandas = _pandas()
    if reference in uniques:
        return reference
    if freq is not None:
        from .periods import period_starts

        try:
            start = period_starts(pandas.Series([reference]), freq).iloc[0]
        except (TypeError, ValueError):
            start = None
        if start is not None and start in uniques:
            return start
    shown = ", ".join(repr(str(key)) for key in list(uniques)[:5])
    raise ValueError(f"reference must be 'previous', 'all' or a period of the corpus; no "
                     f"period {reference!r} (the first are {shown})")


def _pandas() -> Any:
    try:
        import pandas
    except ImportError as error:  # pragma: no cover - depends on the environment
        raise ImportError("period_shifts needs pandas: pip install 'moodvane[corpus]'") \
            from error
    return pandas


def period_shifts(texts: Iterable[object], keys: Iterable[object], *, freq: str | None = None,
                  reference: object = "previous", window: int = 1,
                  lexicon: str | Mapping[str, float] = "english", language: str | None = None,
                  kind: str = "weighted", min_documents: int = 1,
                  stop_lens: Sequence[float] | None = None,
                  stop_words: Iterable[str] | None = None,
                  top_n: int | None = None, negation: bool = False) -> PeriodShifts:
    """Each period's word shift against its reference, by period (keyed as
    `happiness_series` keys them: with `freq`, the start of each period as pandas'
    ``to_period`` makes it; without, each key).

    Text 1 of a period's shift is the reference's pooled counts and text 2 the period's:

    - ``reference="previous"``: the `window` periods before it that have documents,
      pooled (a period with none before it is left out);
    - ``"all"``: the whole corpus (every document with a key);
    - any other value: that period or group (with `freq`, any date in it).

    `kind` picks the shift from the registry (``"weighted"``, the average score with
    `lexicon`; ``"proportion"``, ``"entropy"``, ``"kld"``, ``"jsd"``, which use `lexicon`
    only to count words as its language writes them); each result is bit for bit what
    that function (for ``"weighted"``, `moodvane.weighted_avg_shift`, or
    `weighted_avg_shift_custom` for a dict of scores) gives on those pooled counts, with
    `stop_lens` (weighted only), `stop_words` and `top_n` (None: every entry). A period
    with fewer than `min_documents` documents is left out (a warning counts them) but its
    documents still count in the references of others. The result is a `PeriodShifts`:
    a dict by period, with ``references``, ``documents``, ``left_out`` and ``options``.
    With `negation=True`, negated words are counted apart ("not good") and the weighted
    shifts scored by `lexicon_scores(lexicon, negation=True)` through
    `weighted_avg_shift_custom` (see `moodvane_tools.negation`).

    >>> texts = ["a happy day", "a sad day", "love", "war", "peace"]
    >>> shifts = period_shifts(texts, ["mon", "mon", "tue", "tue", "wed"], top_n=2)
    >>> list(shifts), [entry["type"] for entry in shifts["tue"]["entries"]]
    (['tue', 'wed'], ['war', 'love'])
    """
    entries = check_options(kind, stop_lens, window, min_documents, top_n)
    scoring = Scoring.of(lexicon, language, stop_lens, stop_words, negation)
    strings = _all_texts(texts)
    codes, uniques = _group_codes(keys, len(strings), freq)
    _, _, pooled = scoring.score_texts(strings, codes, len(uniques), pooled=True)
    assert pooled is not None
    import numpy

    documents = numpy.bincount(codes[codes >= 0], minlength=len(uniques))
    return shifts_of_groups(list(uniques), pooled, documents.tolist(), scoring, kind=kind,
                            reference=reference, window=window, freq=freq,
                            min_documents=min_documents, top_n=entries,
                            lexicon=lexicon)


def shifts_of_groups(periods: list[Any], pooled: Sequence[Mapping[str, int]],
                     documents: Sequence[int], scoring: Scoring, *, kind: str,
                     reference: object, window: int, freq: str | None, min_documents: int,
                     top_n: int, lexicon: object) -> PeriodShifts:
    """The shifts from each group's pooled counts (in sorted key order) and its number of
    documents: shared by the local and the Dask version."""
    weighted = kind == "weighted"
    # A word without a score takes no part in an average, so the weighted shifts are given
    # the scored words alone: the same result, from much smaller dicts.
    counts: list[dict[str, int]]
    if weighted:
        scored = scoring.scores.keys()
        counts = [{word: group[word] for word in group.keys() & scored} for group in pooled]
    else:
        counts = [dict(group) for group in pooled]
    thin = [period for period, size in zip(periods, documents) if size < min_documents]
    warn_thin(documents, min_documents, consequence="they are left out")
    fixed: Any = None
    if reference == "all":
        fixed = _sum(counts)
    elif reference != "previous":
        fixed_period = reference_period(reference, periods, freq)
        fixed = counts[periods.index(fixed_period)]
    shifts = PeriodShifts(
        documents=dict(zip(periods, (int(size) for size in documents))), left_out=thin,
        options={"freq": freq, "reference": reference, "window": window, "kind": kind,
                 "lexicon": lexicon if isinstance(lexicon, str) else "custom",
                 "min_documents": min_documents, "top_n": top_n or None,
                 "stop_lens": scoring.stop_lens, "stop_words": len(scoring.stop_words),
                 "negation": scoring.negation})
    compute = _shift_function(kind, scoring, top_n, lexicon)
    running: Counter[str] = Counter()
    for at, period in enumerate(periods):
        if reference == "previous":
            if at > 0:
                running.update(counts[at - 1])
            if at > window:
                _take_away(running, counts[at - 1 - window])
            if at == 0:
                continue
            base: Mapping[str, int] = running
            named = tuple(periods[max(0, at - window):at])
        elif reference == "all":
            base, named = fixed, ("all",)
        else:
            base, named = fixed, (fixed_period,)
        if documents[at] < min_documents:
            continue
        shifts[period] = compute(dict(base), counts[at])
        shifts.references[period] = named
    return shifts


def _sum(counts: Sequence[Mapping[str, int]]) -> dict[str, int]:
    total: Counter[str] = Counter()
    for group in counts:
        total.update(group)
    return dict(total)


def _take_away(running: Counter[str], counts: Mapping[str, int]) -> None:
    """`counts` taken out of `running`; a word whose count falls to zero is dropped, as a
    pooled count never lists a word it does not have."""
    for word, count in counts.items():
        left = running[word] - count
        if left:
            running[word] = left
        else:
            del running[word]


def _shift_function(kind: str, scoring: Scoring, top_n: int, lexicon: object) -> Any:
    """The function of two count dicts that gives a period's shift: for the average score,
    the native module's own function of the lexicon by name, or of its scores."""
    from .kinds import REGISTRY

    stop_words = set(scoring.stop_words) or None
    if kind == "weighted":
        import moodvane

        # Negated tokens are scored by the lexicon's negated entries, which only a map has.
        if isinstance(lexicon, str) and not scoring.negation:
            def named(base: dict[str, int], period: dict[str, int]) -> Any:
                return moodvane.weighted_avg_shift(base, period, lexicon=lexicon,
                                                   stop_lens=scoring.stop_lens,
                                                   stop_words=stop_words, top_n=top_n)

            return named
        scores = dict(scoring.scores)

        def custom(base: dict[str, int], period: dict[str, int]) -> Any:
            return moodvane.weighted_avg_shift_custom(base, period, scores,
                                                      stop_lens=scoring.stop_lens,
                                                      stop_words=stop_words, top_n=top_n)

        return custom
    entry = REGISTRY[kind]  # type: ignore[index]

    def other(base: dict[str, int], period: dict[str, int]) -> Any:
        return entry.compute(base, period, stop_words=stop_words, top_n=top_n)

    return other


def documents_frame(shifts: PeriodShifts) -> pd.DataFrame:
    """One row per period: its documents, whether it was left out, and its reference."""
    pandas = _pandas()
    return pandas.DataFrame(
        {"documents": list(shifts.documents.values()),
         "left_out": [period in shifts.left_out for period in shifts.documents],
         "reference": [shifts.references.get(period) for period in shifts.documents]},
        index=list(shifts.documents))
