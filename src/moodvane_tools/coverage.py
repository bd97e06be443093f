"""How much of a text a lexicon can score."""

from __future__ import annotations

from collections.abc import Mapping

from .lexicon_data import lexicon_scores


def coverage(counts: Mapping[str, float], lexicon_or_scores: str | Mapping[str, float]) -> float:
    """The share of the tokens in `counts` (word to count) whose word has a score.

    `lexicon_or_scores` is a built-in lexicon's name or a word-to-score mapping. A shift
    only sees the scored words, and a text with no scored word at all gets an average of
    0.0 from `moodvane`: a low coverage says how little of the text the average stands
    for. The result is 0.0 for a text without tokens.

    >>> coverage({"happy": 3, "the": 1}, {"happy": 8.0})
    0.75
    """
    scores = lexicon_scores(lexicon_or_scores) if isinstance(lexicon_or_scores, str) \
        else lexicon_or_scores
    total = 0.0
    scored = 0.0
    for word, count in counts.items():
        total += count
        if word in scores:
            scored += count
    return scored / total if total > 0 else 0.0
