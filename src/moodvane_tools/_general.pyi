"""The native engine behind moodvane_tools.generalized (private)."""

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

def kind_names() -> tuple[str, ...]: ...
