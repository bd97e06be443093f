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

# The native word counter behind moodvane_tools.counting (capsules: rules and tallies).
def counting_rules(
    key: str, words: tuple[str, ...], lower_case: bool, phrases: tuple[str, ...], /
) -> object: ...
def new_tally(rules: object, /) -> object: ...
def tally_add(tally: object, text: str, /) -> None: ...
def tally_take(tally: object, /) -> tuple[dict[str, int], dict[str, int], int]: ...
def stream_safe(text: str, /) -> str: ...
def last_break(text: str, end: int, window: int, /) -> int: ...
def character_table_version() -> str: ...
