"""The corpus functions on a Dask DataFrame (the `dask` extra), on one machine or a cluster.

Each function takes the same arguments as its local twin in `moodvane_tools`, with the
columns named by `text` and `key`, and gives the same result: the work is done per
partition and combined once, so point estimates equal the local ones bit for bit and
bootstrap bounds are the same for the same seed.

    from distributed import Client
    import dask.dataframe as dd
    from moodvane_tools import dask as mvd

    client = Client("scheduler-address:8786")          # or Client() on this machine
    posts = dd.read_parquet("posts/")                  # a directory of Parquet files
    daily = mvd.happiness_series(posts, text="body", key="created", freq="D")
"""

from __future__ import annotations

from collections import Counter
from collections.abc import Iterable, Mapping, Sequence
from typing import Any

import dask.dataframe as dd
import numpy
import pandas  # type: ignore[import-untyped, unused-ignore]
from dask.delayed import delayed

from .shifts_by_period import PeriodShifts, check_options, shifts_of_groups
from .periods import utc_for, zone_of

from .corpus import (
    Scoring,
    _check_bootstrap,
    _floor,
    _frame_of,
    _group_codes,
    _text_batches,
    check_min_documents,
    score_documents as _score_documents,
    series_frame,
)

__all__ = ["count_groups", "happiness_series", "period_shifts", "score_documents"]


def _require_columns(ddf: dd.DataFrame, *columns: str) -> None:
    for column in columns:
        if not isinstance(column, str):
            # Keys of several columns (a MultiIndex) are the local functions' alone.
            raise TypeError(f"the Dask functions take one column name each, not {column!r}")
        if column not in ddf.columns:
            raise ValueError(f"no column {column!r}; the columns are "
                             f"{', '.join(map(repr, map(str, ddf.columns)))}")


def score_documents(ddf: dd.DataFrame, *, text: str = "text",
                    lexicon: str | Mapping[str, float] = "english", language: str | None = None,
                    stop_lens: Sequence[float] | None = None,
                    stop_words: Iterable[str] | None = None,
                    negation: bool = False) -> dd.DataFrame:
    """`ddf` with the columns `score`, `scored` and `tokens` of
    `moodvane_tools.score_documents` added, computed partition by partition (lazily)."""
    _require_columns(ddf, text)
    # Bad arguments fail here, not later.
    Scoring.of(lexicon, language, stop_lens, stop_words, negation)
    words = tuple(stop_words) if stop_words is not None else None
    meta = ddf._meta.assign(score=numpy.float64(), scored=numpy.int64(), tokens=numpy.int64())
    scored: dd.DataFrame = ddf.map_partitions(  # type: ignore[no-untyped-call]
        _scored_partition, text, lexicon, language, stop_lens, words, bool(negation),
        meta=meta)
    return scored


def _scored_partition(part: pandas.DataFrame, text: str, lexicon: Any, language: Any,
                      stop_lens: Any, stop_words: Any, negation: bool) -> pandas.DataFrame:
    scores = _score_documents(part[text], lexicon, language=language, stop_lens=stop_lens,
                              stop_words=stop_words, negation=negation)
    return part.assign(score=scores["score"].to_numpy(), scored=scores["scored"].to_numpy(),
                       tokens=scores["tokens"].to_numpy())


def _partition_groups(part: pandas.DataFrame, text: str, key: str, scoring: Scoring,
                      freq: str | None, utc: bool | None = None
                      ) -> tuple[pandas.DataFrame, dict[Any, Counter[str]]]:
    """One partition's documents (floored key, score, scored) and each key's pooled
    counts."""
    keys = part[key]
    if freq is not None:
        keys = _floor(keys.reset_index(drop=True), freq, utc)
    codes, uniques = _group_codes(keys, len(part), None)
    strings = [one for batch in _text_batches(part[text]) for one in batch]
    documents, _, pooled = scoring.score_texts(strings, codes, len(uniques), pooled=True)
    frame = _frame_of([documents])
    frame["key"] = keys.to_numpy()
    assert pooled is not None
    return frame, {group: Counter(counts)
                   for group, counts in zip(uniques.tolist(), pooled, strict=True)}


def _merge(parts: list[tuple[pandas.DataFrame, dict[Any, Counter[str]]]]
           ) -> tuple[pandas.DataFrame, dict[Any, Counter[str]]]:
    merged: dict[Any, Counter[str]] = {}
    for _, counts in parts:
        for group, group_counts in counts.items():
            merged.setdefault(group, Counter()).update(group_counts)
    documents = pandas.concat([frame for frame, _ in parts], ignore_index=True) if parts \
        else pandas.DataFrame({"score": [], "scored": [], "tokens": [], "key": []})
    return documents, merged


def _grouped(ddf: dd.DataFrame, text: str, key: str, scoring: Scoring,
             freq: str | None) -> tuple[pandas.DataFrame, dict[Any, Counter[str]]]:
    _require_columns(ddf, text, key)
    utc = None
    if freq is not None:
        _floor(pandas.Series(["2000-01-01"]), freq)  # a bad alias fails before any work
        utc = period_utc(ddf, key)
    parts = [delayed(_partition_groups)(part, text, key, scoring, freq, utc)
             for part in ddf[[text, key]].to_delayed()]
    merged: tuple[pandas.DataFrame, dict[Any, Counter[str]]] = \
        delayed(_merge)(parts).compute()
    return merged


def period_utc(ddf: dd.DataFrame, key: str) -> bool:
    """Whether the keys of `key` go to UTC before they are grouped into periods: the
    local rule (`moodvane_tools.periods`) applied to all partitions at once, so that a
    partition of one zone is grouped as the whole column is. A column of datetimes knows
    its zone; keys written as text are read once more for it."""
    column = ddf[key]
    if pandas.api.types.is_datetime64_any_dtype(column.dtype):
        return False
    from dask.base import compute

    found = compute(*[delayed(zone_of)(part)  # type: ignore[no-untyped-call, unused-ignore]
                      for part in column.to_delayed()])
    return utc_for(found)


def count_groups(ddf: dd.DataFrame, *, text: str = "text", key: str = "key",
                 language: str = "english", freq: str | None = None,
                 negation: bool = False) -> dict[Any, Counter[str]]:
    """`moodvane_tools.count_groups` of the columns `text` and `key`: each group's pooled
    counts, in sorted key order, documents with a missing key dropped."""
    scoring = Scoring.of(language, language, None, None, negation)
    _, merged = _grouped(ddf, text, key, scoring, freq)
    return {group: merged[group] for group in sorted(merged)}


def happiness_series(ddf: dd.DataFrame, *, text: str = "text", key: str = "key",
                     lexicon: str | Mapping[str, float] = "english",
                     language: str | None = None, freq: str | None = None,
                     stop_lens: Sequence[float] | None = None,
                     stop_words: Iterable[str] | None = None, n_boot: int = 1000,
                     ci: float = 0.95, seed: int = 0, min_documents: int = 1,
                     negation: bool = False) -> pandas.DataFrame:
    """`moodvane_tools.happiness_series` of the columns `text` and `key`: the same frame,
    scores bit for bit and the bootstrap bounds of the same seed. The documents' own
    scores come back to this process (three numbers each) for the bootstrap."""
    scoring = Scoring.of(lexicon, language, stop_lens, stop_words, negation)
    _check_bootstrap(n_boot, ci)
    check_min_documents(min_documents)
    documents, merged = _grouped(ddf, text, key, scoring, freq)
    codes, uniques = _group_codes(documents["key"], len(documents), None)
    pooled = [merged[group] for group in uniques.tolist()]
    groups = _frame_of([scoring.score_counts(pooled)], index=uniques)
    return series_frame(groups, documents, codes, n_boot, ci, seed, min_documents)


def period_shifts(ddf: dd.DataFrame, *, text: str = "text", key: str = "key",
                  freq: str | None = None, reference: object = "previous", window: int = 1,
                  lexicon: str | Mapping[str, float] = "english", language: str | None = None,
                  kind: str = "weighted", min_documents: int = 1,
                  stop_lens: Sequence[float] | None = None,
                  stop_words: Iterable[str] | None = None,
                  top_n: int | None = None, negation: bool = False) -> PeriodShifts:
    """`moodvane_tools.period_shifts` of the columns `text` and `key`: the same shifts, bit
    for bit, from the groups' pooled counts (each group's counts come back to this
    process, pooled per partition)."""
    entries = check_options(kind, stop_lens, window, min_documents, top_n)
    scoring = Scoring.of(lexicon, language, stop_lens, stop_words, negation)
    documents, merged = _grouped(ddf, text, key, scoring, freq)
    codes, uniques = _group_codes(documents["key"], len(documents), None)
    sizes = numpy.bincount(codes[codes >= 0], minlength=len(uniques))
    return shifts_of_groups(list(uniques), [merged[group] for group in uniques.tolist()],
                            sizes.tolist(), scoring, kind=kind, reference=reference,
                            window=window, freq=freq, min_documents=min_documents,
                            top_n=entries, lexicon=lexicon)
