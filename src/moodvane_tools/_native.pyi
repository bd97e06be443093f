"""The native half of moodvane_tools (private): generalized word shifts, the word counter,
the lexicon catalogue, the Chinese segmenter and the corpus kernels."""

from collections.abc import Callable, Iterable, Mapping
from typing import Any, final

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
) -> dict[str, Any]: ...
def kind_names() -> tuple[str, ...]: ...

# The native word counter behind moodvane_tools.counting.
@final
class CountingRules:
    def __new__(
        cls,
        key: str,
        words: Iterable[str],
        lower_case: bool,
        phrases: Iterable[str] | None = None,
        emoticons: Iterable[str] | None = None,
        native_chinese: bool = True,
        negation: bool = False,
    ) -> CountingRules: ...

@final
class WordTally:
    def __new__(
        cls,
        rules: CountingRules,
        urls: bool = False,
        emails: bool = False,
        handles: bool = False,
        entities: bool = False,
        hashtags: bool = True,
        emoji: bool = True,
        emoticons: bool = True,
    ) -> WordTally: ...
    def add(self, text: str, prepared: bool = False, goes_on: bool = False) -> bool: ...
    def take(self) -> tuple[dict[str, int], dict[str, int], int]: ...

def stream_safe_pieces(text: str, piece_bytes: int) -> list[str]: ...
def last_break(text: str, end: int, window: int, white_space_only: bool = False) -> int: ...
def text_needs(text: str, lowering: bool) -> int: ...
def prepared_text(text: str, lowering: bool) -> str | None: ...
def character_table_version() -> str: ...
def segment_chinese(text: str, keep_lexicon_words: bool = False) -> list[str]: ...

# The built-in lexicons, from the same native catalogue as moodvane's.
def lexicon_keys() -> tuple[str, ...]: ...
def resolve_lexicon(name: str) -> str | None: ...
def lexicon_scores(name: str) -> dict[str, float]: ...
def lexicon_sources() -> str: ...

# The corpus kernels behind moodvane_tools.corpus.
def average_scores(
    documents: tuple[dict[str, Any], ...],
    scores: Mapping[str, float],
    stop_lens: tuple[float, float] | None,
    stop_words: tuple[str, ...],
) -> tuple[bytes, bytes, bytes]: ...
def score_texts(
    rules: CountingRules,
    texts: tuple[str, ...],
    groups: bytes | None,
    group_count: int,
    scores: Mapping[str, float],
    stop_lens: tuple[float, float] | None,
    stop_words: tuple[str, ...],
    pooled: bool,
    prepare: Callable[[str], str] | None = None,
) -> tuple[tuple[bytes, bytes, bytes], tuple[bytes, bytes, bytes], list[dict[str, int]] | None]: ...
def resample_ratios(sums: bytes, totals: bytes, starts: bytes, n_boot: int, seed: int) -> bytes: ...
def resample_shift(
    text_1: tuple[bytes, bytes, bytes],
    text_2: tuple[bytes, bytes, bytes],
    scores: bytes,
    columns: bytes,
    column_count: int,
    n_boot: int,
    seed: int,
) -> bytes: ...
