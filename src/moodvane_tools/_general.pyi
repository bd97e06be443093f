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

def kind_names() -> tuple[str, ...]: ...

# The native word counter behind moodvane_tools.counting (capsules: rules and tallies).
def counting_rules(
    key: str,
    words: tuple[str, ...],
    lower_case: bool,
    phrases: tuple[str, ...] | None = None,
    emoticons: tuple[str, ...] | None = None,
    native_chinese: bool = True,
    negation: bool = False,
    /,
) -> object: ...
def new_tally(rules: object, counted: int = ..., /) -> object: ...
def tally_add(tally: object, text: str, prepared: bool = False, goes_on: bool = False,
              /) -> bool: ...
def tally_take(tally: object, /) -> tuple[dict[str, int], dict[str, int], int]: ...
def stream_safe_pieces(text: str, piece_bytes: int, /) -> list[str]: ...
def last_break(text: str, end: int, window: int, white_space_only: bool = False, /) -> int: ...
def text_needs(text: str, lowering: bool, /) -> int: ...
def character_table_version() -> str: ...
def segment_chinese(text: str, keep_lexicon_words: bool = False, /) -> list[str]: ...

# The built-in lexicons, from the same native catalogue as moodvane's.
def lexicon_keys() -> tuple[str, ...]: ...
def resolve_lexicon(name: str, /) -> str | None: ...
def lexicon_scores(name: str, /) -> dict[str, float]: ...
def lexicon_sources() -> str: ...
def average_scores(
    documents: tuple[dict[str, Any], ...],
    scores: Mapping[str, float],
    stop_lens: tuple[float, float] | None,
    stop_words: tuple[str, ...],
    /,
) -> tuple[bytes, bytes, bytes]: ...
def score_texts(
    rules: object,
    texts: tuple[str, ...],
    groups: bytes | None,
    group_count: int,
    scores: Mapping[str, float],
    stop_lens: tuple[float, float] | None,
    stop_words: tuple[str, ...],
    pooled: bool,
    /,
) -> tuple[tuple[bytes, bytes, bytes], tuple[bytes, bytes, bytes], list[dict[str, int]] | None]: ...
def resample_ratios(
    sums: bytes, totals: bytes, starts: bytes, n_boot: int, seed: int, /
) -> bytes: ...
def resample_shift(
    text_1: tuple[bytes, bytes, bytes],
    text_2: tuple[bytes, bytes, bytes],
    scores: bytes,
    columns: bytes,
    column_count: int,
    n_boot: int,
    seed: int,
    /,
) -> bytes: ...
