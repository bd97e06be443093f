"""From raw text to a word-shift graph, around the native module `moodvane`.

    from moodvane_tools import count_words, shift_graph
    import moodvane

    result = moodvane.weighted_avg_shift(count_words(before), count_words(after))
    shift_graph(result, labels=("before", "after")).savefig("shift.png")

`count_words` tokenises a text the way a built-in lexicon expects (`count_documents`
many texts one by one), `lexicon_scores` and
`lexicon_info` show what a lexicon holds, `coverage` says how much of a text a lexicon
scores, `text_shift` and `shift_graph` (matplotlib, the `plot` extra) show a result and
`to_dataframe` (pandas, the `corpus` extra) makes it a table.
Beyond the average score, `proportion_shift`, `entropy_shift`, `kld_shift`, `jsd_shift` and
`weighted_avg_shift_pair` explain other differences between two texts word by word, in the
same result form.
"""

from __future__ import annotations

from importlib import metadata

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
from .text_graph import text_shift
from .counting import count_documents, count_words

try:
    __version__: str = metadata.version("moodvane")
except metadata.PackageNotFoundError:  # a source checkout that was never installed
    __version__ = "0+unknown"


__all__ = [
    "KIND_LABELS",
    "KindLabels",
    "ShiftResult",
    "__version__",
    "count_documents",
    "count_words",
    "coverage",
    "entropy_shift",
    "is_internal_fault",
    "jsd_shift",
    "kld_shift",
    "lexicon_info",
    "lexicon_names",
    "lexicon_scores",
    "proportion_shift",
    "shift_graph",
    "text_shift",
    "to_dataframe",
    "weighted_avg_shift_pair",
]
