"""Corpora of documents: a score per document, pooled counts per group, and the average
score of each group (a day, a week, an author) with a bootstrap band. Needs the `corpus`
extra (pandas).

Every score is the native module's own: a document's `score` is the `s_avg_1` that
`moodvane.weighted_avg_shift(counts, {}, lexicon=...)` gives for its `count_words` counts,
bit for bit, and a group's is the same for the group's pooled counts. With
`negation=True`, the counts are `count_words(..., negation=True)`'s and the scores
`lexicon_scores(lexicon, negation=True)` (or `negated_scores` of a dict of scores), the
`s_avg_1` of `moodvane.weighted_avg_shift_custom` with them. Documents are
counted and scored natively in one pass over a batch, not one Python call per document
(Chinese, whose segmenter is Python's, is counted by `count_documents` first).
"""


from __future__ import annotations

import functools
import sys
from collections import Counter
from collections.abc import Iterable, Mapping, Sequence
from dataclasses import dataclass
from itertools import islice
from typing import TYPE_CHECKING, Any

from . import _native
from .counting import _prepared, _rules, count_documents
from .lexicon_data import _scores, resolve_name

# Documents counted and scored per native call by score_documents, which reads its input
# as it goes.
BATCH = 20_000

if TYPE_CHECKING:
    import numpy as np
    import pandas as pd  # type: ignore[import-untyped, unused-ignore]


@dataclass(frozen=True)
class Scoring:
    """What a score is made with: the scores, the stop lens and the stop words, checked
    once and shaped as the native scorer takes them."""

    scores: Mapping[str, float]
    language: str
    stop_lens: tuple[float, float] | None
    stop_words: tuple[str, ...]
    negation: bool = False

    @classmethod
    def of(cls, lexicon: str | Mapping[str, float], language: str | None,
           stop_lens: Sequence[float] | None, stop_words: Iterable[str] | None,
           negation: bool = False) -> Scoring:
        """Checks the arguments the public functions share; the errors name them. With
        `negation`, negated words are counted apart and the scores hold their negated
        entries."""
        if isinstance(lexicon, str):
            key = resolve_name(lexicon)
            scores: Mapping[str, float] = _scores(key)
            default_language = key
        elif isinstance(lexicon, Mapping):
            scores = dict(lexicon)
            default_language = "english"
        else:
            raise TypeError("lexicon must be a lexicon name or a dict of word scores, "
                            f"not {type(lexicon).__name__!r}")
        resolved_language = resolve_name(language if language is not None else default_language)
        lens: tuple[float, float] | None = None
        if stop_lens is not None:
            bounds = tuple(stop_lens)
            if len(bounds) != 2:
                raise ValueError(f"stop_lens must be two numbers (low, high), got {stop_lens!r}")
            lens = (float(bounds[0]), float(bounds[1]))
        if isinstance(stop_words, str):
            raise TypeError("stop_words must be a collection of words, not one str")
        words = tuple(stop_words) if stop_words is not None else ()
        for word in words:
            if not isinstance(word, str):
                raise TypeError(f"stop_words must hold only str, got {word!r}")
        if negation:
            from .negation import negated_scores

            scores = negated_scores(scores, resolved_language)
        return cls(scores, resolved_language, lens, words, bool(negation))

    def score_texts(self, texts: list[str], codes: np.ndarray | None = None, groups: int = 0,
                    pooled: bool = False) -> tuple[tuple[bytes, bytes, bytes],
                                                   tuple[bytes, bytes, bytes],
                                                   list[dict[str, int]] | None]:
        """Counts and scores `texts` natively: the documents' columns, and with `codes`
        (each text's group number, -1 for none) the groups' columns and, when `pooled`,
        each group's counts. Chinese is counted by `count_documents` and its segmenter."""
        import numpy

        if self.language == "chinese":
            return self._score_counted(
                count_documents(texts, "chinese", negation=self.negation), codes, groups,
                pooled)
        rules = _rules(self.language)
        code_bytes = None if codes is None else \
            numpy.ascontiguousarray(codes, dtype=numpy.int64).tobytes()
        # Each text is lowered and normalised natively, as count_words does; the interpreter
        # prepares only a text that it alone may lower.
        return _native.score_texts(rules.native_rules("native", self.negation), tuple(texts),
                                   code_bytes, groups, self.scores, self.stop_lens,
                                   self.stop_words, pooled,
                                   functools.partial(_prepared, lower_case=rules.lower_case))

    def _score_counted(self, counts: list[Counter[str]], codes: np.ndarray | None, groups: int,
                       pooled: bool) -> tuple[tuple[bytes, bytes, bytes],
                                              tuple[bytes, bytes, bytes],
                                              list[dict[str, int]] | None]:
        group_counts: list[Counter[str]] = [Counter() for _ in range(groups)]
        if codes is not None:
            for code, document in zip(codes.tolist(), counts, strict=True):
                if code >= 0:
                    group_counts[code].update(document)
        return (self.score_counts(counts), self.score_counts(group_counts),
                list(group_counts) if pooled else None)

    def score_counts(self, counts: Sequence[dict[str, int]]) -> tuple[bytes, bytes, bytes]:
        """The same for documents given as word counts (dicts)."""
        return _native.average_scores(tuple(counts), self.scores, self.stop_lens,
                                       self.stop_words)


def _pandas() -> Any:
    try:
        import pandas
    except ImportError as error:  # pragma: no cover - depends on the environment
        raise ImportError("the corpus functions need pandas: pip install 'moodvane[corpus]'") \
            from error
    return pandas


def _frame_of(raw: Iterable[tuple[bytes, bytes, bytes]], index: Any = None) -> pd.DataFrame:
    """The columns score, scored and tokens from native results: `score` is NaN where no
    word is scored."""
    import numpy

    pandas = _pandas()
    parts = list(raw)
    means = numpy.concatenate([numpy.frombuffer(part[0]) for part in parts]) if parts \
        else numpy.empty(0)
    totals = numpy.concatenate([numpy.frombuffer(part[1]) for part in parts]) if parts \
        else numpy.empty(0)
    tokens = numpy.concatenate([numpy.frombuffer(part[2]) for part in parts]) if parts \
        else numpy.empty(0)
    score = numpy.where(totals > 0.0, means, numpy.nan)
    return pandas.DataFrame(
        {"score": score, "scored": totals.astype(numpy.int64),
         "tokens": tokens.astype(numpy.int64)},
        index=index,
    )


def _text_batches(texts: Iterable[object]) -> Iterable[list[str]]:
    """The texts in lists of at most BATCH, each checked to be a str (a missing text,
    None, NaN or pandas' NA, is an empty document)."""
    iterator = iter(texts)
    position = 0
    while batch := list(islice(iterator, BATCH)):
        if not all(isinstance(text, str) for text in batch):
            batch = [_as_text(text, position + offset) for offset, text in enumerate(batch)]
        position += len(batch)
        yield batch  # type: ignore[misc]


def _as_text(text: object, position: int) -> str:
    if isinstance(text, str):
        return text
    if text is None or (isinstance(text, float) and text != text) or _is_pandas_na(text):
        return ""
    raise TypeError(f"document {position} must be a str, not {type(text).__name__!r}")


def _is_pandas_na(value: object) -> bool:
    """Whether `value` is pandas' NA, the missing value of its "string" columns (what
    `dask.dataframe.read_csv` gives for an empty field), without importing pandas."""
    kind = type(value)
    return kind.__name__ == "NAType" and kind.__module__.startswith("pandas")


def score_documents(texts: Iterable[object], lexicon: str | Mapping[str, float] = "english", *,
                    language: str | None = None, stop_lens: Sequence[float] | None = None,
                    stop_words: Iterable[str] | None = None,
                    negation: bool = False) -> pd.DataFrame:
    """The weighted-average score of each document, one row per document in input order.

    Columns: `score`, exactly the `s_avg_1` that `moodvane.weighted_avg_shift(counts, {},
    lexicon=lexicon, stop_lens=stop_lens, stop_words=stop_words)` gives for the document's
    `count_words(text, language)` (NaN where no word is scored); `scored`, the tokens
    scored (outside the stop lens, not stop words); `tokens`, all tokens counted.

    `texts` is any iterable of str (a list, a pandas Series, whose index the result keeps,
    or an iterator read as it goes); a missing text (None or NaN) is an empty document.
    `lexicon` is a built-in lexicon's name or a dict of word scores; `language` (how the
    words are counted) defaults to the lexicon's. With `negation=True`, a negated scored
    word counts apart ("not good", see `moodvane_tools.negation`) and is scored by
    `lexicon_scores(lexicon, negation=True)` (`negated_scores` of a dict): the `score` is
    `weighted_avg_shift_custom`'s `s_avg_1` with those scores and counts.

    >>> score_documents(["a happy day", "", "the"])
       score  scored  tokens
    0    7.7       1       3
    1    NaN       0       0
    2    NaN       0       1
    """
    scoring = Scoring.of(lexicon, language, stop_lens, stop_words, negation)
    index = texts.index if hasattr(texts, "index") and hasattr(texts, "dtype") else None
    raw = [scoring.score_texts(batch)[0] for batch in _text_batches(texts)]
    return _frame_of(raw, index=index)


def _group_codes(keys: Iterable[object], size: int | None,
                 freq: str | None) -> tuple[np.ndarray, pd.Index]:
    """Each document's group number (-1 for a missing key) and the sorted group keys."""
    import numpy

    pandas = _pandas()
    if isinstance(keys, pandas.DataFrame):
        return _frame_codes(keys, size, freq)
    values = pandas.Series(list(keys) if not hasattr(keys, "dtype") else numpy.asarray(keys))
    if size is not None and len(values) != size:
        raise ValueError(f"keys must have one key per text: {len(values)} keys for {size} texts")
    if freq is not None:
        values = _floor(values, freq)
    try:
        codes, uniques = pandas.factorize(values, sort=True, use_na_sentinel=True)
    except TypeError as error:
        raise TypeError(f"keys must be comparable with each other to be sorted: {error}") \
            from error
    return numpy.asarray(codes, dtype=numpy.int64), pandas.Index(uniques)


def _frame_codes(keys: pd.DataFrame, size: int | None,
                 freq: str | None) -> tuple[np.ndarray, pd.Index]:
    """Group numbers for keys of several columns: one group per distinct row, in sorted
    order (a MultiIndex); a row with a missing value belongs to none. With `freq`, the
    first column is read as dates and grouped into periods."""
    import numpy

    pandas = _pandas()
    if size is not None and len(keys) != size:
        raise ValueError(f"keys must have one key per text: {len(keys)} keys for {size} texts")
    if keys.shape[1] == 0:
        raise ValueError("keys must have at least one column")
    frame = keys.reset_index(drop=True).copy()
    if freq is not None:
        frame[frame.columns[0]] = _floor(frame[frame.columns[0]], freq)
    present = frame.notna().all(axis=1).to_numpy()
    codes = numpy.full(len(frame), -1, dtype=numpy.int64)
    if not present.any():
        return codes, pandas.MultiIndex.from_frame(frame.iloc[:0])
    try:
        found, uniques = pandas.factorize(pandas.MultiIndex.from_frame(frame[present]),
                                          sort=True)
    except TypeError as error:
        raise TypeError(f"keys must be comparable with each other to be sorted: {error}") \
            from error
    codes[present] = found
    return codes, uniques


def _floor(values: pd.Series, freq: str, utc: bool | None = None) -> pd.Series:
    """Datetime-like keys as the start of their period of `freq`, as pandas' `to_period`
    groups them (see `moodvane_tools.periods`)."""
    from .periods import period_starts

    return period_starts(values, freq, utc)


def _all_texts(texts: Iterable[object]) -> list[str]:
    return [text for batch in _text_batches(texts) for text in batch]


def count_groups(texts: Iterable[object], keys: Iterable[object], *, language: str = "english",
                 freq: str | None = None, negation: bool = False) -> dict[Any, Counter[str]]:
    """The pooled word counts (as `count_words` makes them) of each group of documents,
    in sorted key order.

    `keys` holds one key per text, or is a DataFrame of several key columns (one group per
    distinct row, keyed by tuples; `freq` then groups its first column). With `freq`, a
    pandas period or offset alias ("D",
    "W", "MS", "QS", "YS", "h"), keys are read as dates or times and grouped as
    `pandas.Series.dt.to_period(freq)` groups them (weeks from Monday to Sunday for "W"),
    each period labelled by its start; keys of several time zones are converted to UTC
    (see `moodvane_tools.periods`). Documents whose key is missing (None, NaN, NaT) belong
    to no group: they are dropped. `negation=True` counts as `count_words(...,
    negation=True)` does.

    >>> count_groups(["good day", "bad day", "good"], ["a", "b", "a"])
    {'a': Counter({'good': 2, 'day': 1}), 'b': Counter({'bad': 1, 'day': 1})}
    """
    scoring = Scoring.of(language, language, None, None, negation)
    strings = _all_texts(texts)
    codes, uniques = _group_codes(keys, len(strings), freq)
    _, _, pooled = scoring.score_texts(strings, codes, len(uniques), pooled=True)
    assert pooled is not None
    return {key: Counter(counts) for key, counts in zip(uniques.tolist(), pooled, strict=True)}


def happiness_series(texts: Iterable[object], keys: Iterable[object],
                     lexicon: str | Mapping[str, float] = "english", *,
                     language: str | None = None, freq: str | None = None,
                     stop_lens: Sequence[float] | None = None,
                     stop_words: Iterable[str] | None = None, n_boot: int = 1000,
                     ci: float = 0.95, seed: int = 0, min_documents: int = 1,
                     negation: bool = False) -> pd.DataFrame:
    """The average score of each group of documents, with a bootstrap band.

    Indexed by the sorted group keys (floored to periods with `freq`, as in
    `count_groups`; documents with a missing key are dropped), with columns:
    `score`, the group's pooled weighted average (the `s_avg_1` of
    `moodvane.weighted_avg_shift` on the group's pooled counts, bit for bit; NaN when no
    word of the group is scored); `low` and `high`, a percentile bootstrap interval at
    level `ci` from `n_boot` resamples of the group's documents (reproducible with
    `seed`, and widened where rounding would leave `score` a hair outside it; NaN with
    `n_boot=0`, which draws none); `documents`, `tokens` and `scored`, the group's numbers
    of documents, tokens and scored tokens. A group of fewer than `min_documents`
    documents is thin: its score and band are NaN (its counts are kept), a warning says how
    many groups are, and `series_graph` marks them (the frame's
    ``attrs["min_documents"]`` records the threshold). `negation` as in
    `score_documents`.

    >>> texts = ["a happy day", "a sad day", "love", "war"]
    >>> happiness_series(texts, ["mon", "mon", "tue", "tue"], n_boot=200)[["score", "documents"]]
         score  documents
    mon   5.30          2
    tue   5.15          2
    """
    scoring = Scoring.of(lexicon, language, stop_lens, stop_words, negation)
    _check_bootstrap(n_boot, ci)
    check_min_documents(min_documents)
    strings = _all_texts(texts)
    codes, uniques = _group_codes(keys, len(strings), freq)
    documents, groups, _ = scoring.score_texts(strings, codes, len(uniques))
    return series_frame(_frame_of([groups], index=uniques), _frame_of([documents]), codes,
                        n_boot, ci, seed, min_documents)


def _check_bootstrap(n_boot: int, ci: float) -> None:
    if isinstance(n_boot, bool) or not isinstance(n_boot, int) or n_boot < 0:
        raise ValueError(f"n_boot must be an int >= 0, got {n_boot!r}")
    if n_boot > sys.maxsize:  # (the native code checks the product with the groups)
        raise MemoryError(f"{n_boot} resamples of each group are more than memory can hold")
    if not (isinstance(ci, (int, float)) and 0.0 < ci < 1.0):
        raise ValueError(f"ci must be a number between 0 and 1, got {ci!r}")


def check_min_documents(min_documents: int) -> None:
    """A ValueError naming `min_documents` unless it is an int >= 1."""
    if isinstance(min_documents, bool) or not isinstance(min_documents, int) \
            or min_documents < 1:
        raise ValueError(f"min_documents must be an int >= 1, got {min_documents!r}")


def warn_thin(documents: Any, min_documents: int, what: str = "periods",
              consequence: str = "their scores are NaN") -> None:
    """Warns how many groups have fewer than `min_documents` documents, if any."""
    import warnings

    import numpy

    thin = int(numpy.count_nonzero(numpy.asarray(documents) < min_documents))
    if thin:
        warnings.warn(f"{thin} of {len(documents)} {what} have fewer than {min_documents} "
                      f"documents (thin): {consequence}", stacklevel=4)


def series_frame(groups: pd.DataFrame, documents: pd.DataFrame, codes: np.ndarray,
                 n_boot: int, ci: float, seed: int, min_documents: int = 1) -> pd.DataFrame:
    """The series from each group's pooled scores (columns score, scored, tokens, indexed
    by the sorted keys) and the documents' own (columns score, scored; `codes` their
    group numbers, -1 for none): shared by the local and the Dask version."""
    import numpy

    pandas = _pandas()
    uniques = groups.index
    frame = groups
    kept = codes >= 0
    group_codes = codes[kept]
    order = numpy.argsort(group_codes, kind="stable")
    totals = documents["scored"].to_numpy(dtype=numpy.float64)[kept][order]
    means = documents["score"].to_numpy(dtype=numpy.float64)[kept][order]
    sums = numpy.where(totals > 0.0, means * totals, 0.0)
    counts = numpy.bincount(group_codes, minlength=len(uniques))
    starts = numpy.concatenate([[0], numpy.cumsum(counts)]).astype(numpy.int64)
    tail = (1.0 - ci) / 2.0 * 100.0
    low = numpy.full(len(uniques), numpy.nan)
    high = numpy.full(len(uniques), numpy.nan)
    thin = counts < min_documents
    score = frame["score"].to_numpy(dtype=numpy.float64).copy()
    score[thin] = numpy.nan
    scored = ~numpy.isnan(score)
    if scored.any() and n_boot > 0:
        resamples = numpy.frombuffer(
            _native.resample_ratios(sums.tobytes(), totals.tobytes(), starts.tobytes(), n_boot,
                                    seed & 0xFFFFFFFFFFFFFFFF),
        ).reshape(len(uniques), n_boot)
        bounds = numpy.nanpercentile(resamples[scored], [tail, 100.0 - tail], axis=1)
        point = score[scored]
        low[scored] = numpy.minimum(bounds[0], point)
        high[scored] = numpy.maximum(bounds[1], point)
    warn_thin(counts, min_documents)
    series = pandas.DataFrame(
        {"score": score, "low": low, "high": high, "documents": counts,
         "tokens": frame["tokens"], "scored": frame["scored"]},
        index=uniques,
    )
    series.attrs["min_documents"] = min_documents
    return series

