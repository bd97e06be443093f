"""From raw text to a word-shift graph, around the native module `moodvane`.

    from moodvane_tools import count_words, shift_graph
    import moodvane

    result = moodvane.weighted_avg_shift(count_words(before), count_words(after))
    shift_graph(result, labels=("before", "after")).savefig("shift.png")

`count_words` tokenises a text the way a built-in lexicon expects (`count_documents`
many texts one by one), `lexicon_scores` and
`lexicon_info` show what a lexicon holds, `coverage` says how much of a text a lexicon
scores, `text_shift` and `shift_graph` (matplotlib, the `plot` extra) show a result and
`to_dataframe` (pandas, the `corpus` extra) makes it a table. With `negation=True`, the
counting functions count a negated scored word apart ("not good"), which
`lexicon_scores(name, negation=True)` and `negated_scores` score (`moodvane_tools.negation`).
Beyond the average score, `proportion_shift`, `entropy_shift`, `kld_shift`, `jsd_shift` and
`weighted_avg_shift_pair` explain other differences between two texts word by word, in the
same result form.

Corpora (the `corpus` extra, pandas): `read_corpus` reads documents from CSV, JSON Lines,
Parquet or text files, `score_documents` scores each document, `count_groups` pools the
counts of groups of documents, `happiness_series` gives each group's average score with a
bootstrap band and `series_graph` draws it; `period_shifts` explains each period of a
series by its word shift against a reference, `shift_intervals` says how sure each word of
a shift is, and `write_report` makes one interactive page of it all.
`moodvane_tools.dask` does the same on a Dask cluster. `stop_words(language)` gives a
stop-word list for each built-in language.
`sample_text` and `sample_path` give the sample texts the README uses.
"""

from __future__ import annotations

from importlib import metadata
from typing import TYPE_CHECKING, Any

from .coverage import coverage
from .export import to_dataframe
from .faults import is_internal_fault
from .generalized import (
    KIND_LABELS,
    KindLabels,
    ShiftResult,
    entropy_shift,
    jsd_shift,
    kld_shift,
    proportion_shift,
    weighted_avg_shift_pair,
)
from .graph import shift_graph
from .lexicon_data import lexicon_info, lexicon_names, lexicon_scores
from .negation import negated_scores
from .samples import sample_path, sample_text
from .stop_words import stop_words
from .text_graph import text_shift
from .counting import count_documents, count_words

if TYPE_CHECKING:
    from .corpus import count_groups, happiness_series, score_documents
    from .corpus_reading import read_corpus
    from .intervals import shift_intervals
    from .shifts_by_period import period_shifts
    from .report import write_report
    from .series_graph import series_graph

# The corpus functions need pandas (an extra): imported on first use, so that importing
# moodvane_tools needs nothing beyond the standard library.
_LAZY = {
    "count_groups": "corpus",
    "happiness_series": "corpus",
    "score_documents": "corpus",
    "read_corpus": "corpus_reading",
    "series_graph": "series_graph",
    "period_shifts": "shifts_by_period",
    "shift_intervals": "intervals",
    "write_report": "report",
}


def __getattr__(name: str) -> Any:
    module = _LAZY.get(name)
    if module is None:
        raise AttributeError(f"module 'moodvane_tools' has no attribute {name!r}")
    import importlib

    value = getattr(importlib.import_module(f".{module}", __name__), name)
    globals()[name] = value
    return value


try:
    __version__: str = metadata.version("moodvane")
except metadata.PackageNotFoundError:  # a source checkout that was never installed
    __version__ = "0+unknown"


__all__ = [
    "KIND_LABELS",
    "KindLabels",
    "ShiftResult",
    "__version__",
    "count_groups",
    "count_documents",
    "count_words",
    "coverage",
    "entropy_shift",
    "happiness_series",
    "is_internal_fault",
    "jsd_shift",
    "kld_shift",
    "lexicon_info",
    "lexicon_names",
    "lexicon_scores",
    "negated_scores",
    "period_shifts",
    "proportion_shift",
    "read_corpus",
    "sample_path",
    "sample_text",
    "score_documents",
    "series_graph",
    "shift_graph",
    "shift_intervals",
    "stop_words",
    "text_shift",
    "to_dataframe",
    "weighted_avg_shift_pair",
    "write_report",
]
