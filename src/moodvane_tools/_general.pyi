"""The native engine behind moodvane_tools.generalized (private)."""

from collections.abc import Mapping
from typing import Any

def shift(
    kind: str,
    type2freq_1: dict[str, Any],
    type2freq_2: dict[str, Any],
    scores_1: dict[str, Any] | None,
    scores_2: dict[str, Any] | None,
    stop_words: tuple[str, ...],
    top_n: int,
    alpha: float,
    base: float,
    weight_1: float,
    weight_2: float,
    reference_value: float | None,
    /,
) -> dict[str, Any]: ...
def average_scores(
    documents: tuple[dict[str, Any], ...],
    scores: Mapping[str, float],
    stop_lens: tuple[float, float] | None,
    stop_words: tuple[str, ...],
    /,
) -> tuple[bytes, bytes, bytes]: ...
def average_scores_of_words(
    words: tuple[str | None, ...],
    scores: Mapping[str, float],
    stop_lens: tuple[float, float] | None,
    stop_words: tuple[str, ...],
    /,
) -> tuple[bytes, bytes, bytes]: ...
def group_average_scores(
    batches: tuple[tuple[str | None, ...], ...],
    groups: bytes,
    group_count: int,
    scores: Mapping[str, float],
    stop_lens: tuple[float, float] | None,
    stop_words: tuple[str, ...],
    /,
) -> tuple[bytes, bytes, bytes]: ...
def resample_ratios(
    sums: bytes, totals: bytes, starts: bytes, n_boot: int, seed: int, /
) -> bytes: ...
