"""How sure each word of a shift is: percentile bootstrap intervals of the words'
contributions and of the shift's total, over the documents of each text (the `corpus`
extra: pandas and numpy).

A word's contribution is ``p_diff * s_ref_diff``: the change it makes to text 2's average
score against text 1's, in score units; the contributions add up to the difference of the
averages. Each resample draws as many documents as each text has, with replacement, from
each text on its own, pools them and works the shift out again; every resample is drawn
natively in one pass (no Python call per resample), reproducibly from `seed`.
"""

from __future__ import annotations

from collections import Counter
from collections.abc import Iterable, Mapping, Sequence
from typing import TYPE_CHECKING, Any

from . import _native
from .corpus import Scoring, _all_texts, _check_bootstrap

if TYPE_CHECKING:
    import pandas as pd  # type: ignore[import-untyped, unused-ignore]

COLUMNS = ("rank", "contribution", "low", "high", "shift_score")


def _scored_words(scoring: Scoring) -> dict[str, float]:
    """The words that take part in an average: scored, outside the closed stop lens
    (bounds in either order), not stop words; as the native shift decides."""
    stopped = set(scoring.stop_words)
    lens = scoring.stop_lens
    low, high = (min(lens), max(lens)) if lens is not None else (1.0, 0.0)
    return {word: float(score) for word, score in scoring.scores.items()
            if word not in stopped and not low <= float(score) <= high}


def _rows(documents: list[Counter[str]], index: dict[str, int]) -> tuple[bytes, bytes, bytes]:
    """One text's documents as the kernel's sparse rows over `index`."""
    import numpy

    starts = [0]
    words: list[int] = []
    counts: list[float] = []
    for document in documents:
        for word, count in document.items():
            at = index.get(word)
            if at is not None and count:
                words.append(at)
                counts.append(float(count))
        starts.append(len(words))
    return (numpy.asarray(starts, dtype=numpy.int64).tobytes(),
            numpy.asarray(words, dtype=numpy.int32).tobytes(),
            numpy.asarray(counts, dtype=numpy.float64).tobytes())


def _pooled(documents: list[Counter[str]]) -> Counter[str]:
    total: Counter[str] = Counter()
    for document in documents:
        total.update(document)
    return total


def shift_intervals(texts_1: Iterable[object], texts_2: Iterable[object],
                    lexicon: str | Mapping[str, float] = "english", *,
                    language: str | None = None, n_boot: int = 1000, ci: float = 0.95,
                    seed: int = 0, top_n: int = 50, stop_lens: Sequence[float] | None = None,
                    stop_words: Iterable[str] | None = None,
                    negation: bool = False) -> pd.DataFrame:
    """Bootstrap intervals of the top words of the shift from the pooled documents of
    `texts_1` to those of `texts_2`.

    One row per word of the shift's first `top_n` entries, in the result's order (index:
    the word), with `rank`; `contribution`, the word's ``p_diff * s_ref_diff`` in
    `moodvane.weighted_avg_shift` of the pooled counts (score units; the contributions of
    all words add up to the difference of the averages); `low` and `high`, a percentile
    bootstrap interval at level `ci` from `n_boot` resamples of each text's documents
    (widened to hold the point where a skewed resampling leaves it outside); and
    `shift_score`, the result's share. ``frame.attrs`` holds the shift's total the same
    way (``total``, ``total_low``, ``total_high``: the difference of the averages), the
    result itself (``result``), and ``n_boot``, ``ci``, ``seed`` and the numbers of
    documents (``documents_1``, ``documents_2``). A resample in which a text has no scored
    word is left out of the percentiles.

    `lexicon`, `language`, `stop_lens`, `stop_words` and `negation` as in
    `score_documents`.
    `shift_graph(frame.attrs["result"], intervals=frame)` draws the intervals as error
    bars, and `text_shift` and `to_dataframe` take them too.

    >>> frame = shift_intervals(["a sad day", "rain again"], ["a happy day", "sun"],
    ...                         n_boot=200, top_n=2)
    >>> list(frame.index), bool((frame["low"] <= frame["contribution"]).all())
    (['happy', 'sad'], True)
    """
    import moodvane

    scoring = Scoring.of(lexicon, language, stop_lens, stop_words, negation)
    _check_bootstrap(n_boot, ci)
    if isinstance(top_n, bool) or not isinstance(top_n, int) or top_n < 1:
        raise ValueError(f"top_n must be an int >= 1, got {top_n!r}")
    from .counting import count_documents

    documents = [count_documents(_all_texts(texts), scoring.language, negation=negation)
                 for texts in (texts_1, texts_2)]
    pooled = [_pooled(part) for part in documents]
    result = moodvane.weighted_avg_shift_custom(
        pooled[0], pooled[1], dict(scoring.scores), stop_lens=scoring.stop_lens,
        stop_words=set(scoring.stop_words), top_n=top_n)
    return intervals_of_documents(documents[0], documents[1], result, _scored_words(scoring),
                                  n_boot=n_boot, ci=ci, seed=seed)


def intervals_of_documents(documents_1: list[Counter[str]], documents_2: list[Counter[str]],
                           result: Mapping[str, Any], scored: Mapping[str, float], *,
                           n_boot: int, ci: float, seed: int) -> pd.DataFrame:
    """The frame of `shift_intervals` for `result`, the shift of the pooled counts of
    `documents_1` to those of `documents_2` (each document's word counts), whose words
    take part with the scores of `scored` (stop lens and stop words already applied):
    one row per entry of the result."""
    import numpy

    pandas = _pandas()
    entries = result["entries"]
    words_1 = set().union(*documents_1) if documents_1 else set()
    words_2 = set().union(*documents_2) if documents_2 else set()
    # The vocabulary the resamples see: the scored words of either text.
    present = sorted(words_1.union(words_2).intersection(scored))
    index = {word: at for at, word in enumerate(present)}
    columns = numpy.full(len(present), -1, dtype=numpy.int32)
    for column, entry in enumerate(entries):
        columns[index[entry["type"]]] = column
    scores = numpy.asarray([scored[word] for word in present], dtype=numpy.float64)
    raw = _native.resample_shift(_rows(documents_1, index), _rows(documents_2, index),
                                  scores.tobytes(), columns.tobytes(), len(entries), n_boot,
                                  seed & 0xFFFFFFFFFFFFFFFF)
    resamples = numpy.frombuffer(raw).reshape(n_boot, len(entries) + 1)
    points = numpy.asarray([_contribution(entry) for entry in entries] +
                           [_difference(result)], dtype=numpy.float64)
    low, high = _bounds(resamples, numpy.roll(points, 1), ci)
    low, high = numpy.roll(low, -1), numpy.roll(high, -1)
    frame = pandas.DataFrame(
        {"rank": numpy.arange(1, len(entries) + 1), "contribution": points[:-1],
         "low": low[:-1], "high": high[:-1],
         "shift_score": [_number(entry["shift_score"]) for entry in entries]},
        index=pandas.Index([entry["type"] for entry in entries], name="word"),
    )
    frame.attrs.update({
        "total": float(points[-1]), "total_low": float(low[-1]), "total_high": float(high[-1]),
        "result": result, "n_boot": n_boot, "ci": ci, "seed": seed,
        "documents_1": len(documents_1), "documents_2": len(documents_2),
    })
    return frame


def _number(value: object) -> float:
    return float("nan") if value is None else float(value)  # type: ignore[arg-type]


def _contribution(entry: Mapping[str, Any]) -> float:
    return _number(entry["p_diff"]) * _number(entry["s_ref_diff"])


def _difference(result: Mapping[str, Any]) -> float:
    return _number(result["s_avg_2"]) - _number(result["s_avg_1"])


def _bounds(resamples: Any, points: Any, ci: float) -> tuple[Any, Any]:
    """Percentile bounds of each column (NaN resamples left out), holding the point."""
    import numpy

    tail = (1.0 - ci) / 2.0 * 100.0
    low = numpy.full(resamples.shape[1], numpy.nan)
    high = numpy.full(resamples.shape[1], numpy.nan)
    finite = ~numpy.isnan(resamples).all(axis=0) if len(resamples) else \
        numpy.zeros(resamples.shape[1], dtype=bool)
    if finite.any():
        bounds = numpy.nanpercentile(resamples[:, finite], [tail, 100.0 - tail], axis=0)
        low[finite] = numpy.fmin(bounds[0], points[finite])
        high[finite] = numpy.fmax(bounds[1], points[finite])
    return low, high


def _pandas() -> Any:
    try:
        import pandas
    except ImportError as error:  # pragma: no cover - depends on the environment
        raise ImportError("shift_intervals needs pandas: pip install 'moodvane[corpus]'") \
            from error
    return pandas
