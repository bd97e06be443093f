"""From raw text to a word-shift graph, around the native module `moodvane`.

    from moodvane_tools import count_words, shift_graph
    import moodvane

    result = moodvane.weighted_avg_shift(count_words(before), count_words(after))
    shift_graph(result, labels=("before", "after")).savefig("shift.png")

`count_words` tokenises a text the way a built-in lexicon expects, `lexicon_scores` and
`lexicon_info` show what a lexicon holds, `coverage` says how much of a text a lexicon
scores, `text_shift` and `shift_graph` (matplotlib, the `plot` extra) show a result.
"""

from __future__ import annotations

from importlib import metadata

from .coverage import coverage
from .faults import is_internal_fault
from .graph import shift_graph
from .lexicon_data import lexicon_info, lexicon_names, lexicon_scores
from .text_graph import text_shift
from .tokenize import count_words

try:
    __version__: str = metadata.version("moodvane")
except metadata.PackageNotFoundError:  # a source checkout that was never installed
    __version__ = "0+unknown"


__all__ = [
    "__version__",
    "count_words",
    "coverage",
    "is_internal_fault",
    "lexicon_info",
    "lexicon_names",
    "lexicon_scores",
    "shift_graph",
    "text_shift",
]
