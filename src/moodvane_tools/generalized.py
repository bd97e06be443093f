"""Generalized word shifts: proportions, entropies, divergences and two-lexicon averages.

Every shift here explains a difference between two texts word by word in the form of
moodvane's weighted-average shift. A measure that is a frequency-weighted sum of per-word
scores, ``Phi(i) = sum_w p_i(w) * phi_i(w)``, differs between the texts by
``Phi(2) - Phi(1) = sum_w u(w)`` with::

    u        = p_avg * s_diff + p_diff * s_ref_diff
    p_diff   = p2 - p1                    p_avg      = (p1 + p2) / 2
    s_diff   = phi_2 - phi_1              s_ref_diff = (phi_1 + phi_2) / 2 - Phi_ref

where ``p1``, ``p2`` are the word's relative frequencies (its count over the text's total
over the vocabulary; 0 when that total is 0). The reference ``Phi_ref`` moves contribution
between words but not the total, because the ``p_diff`` add up to 0.

Each function returns a :class:`ShiftResult`: a dict with exactly the keys, key order and
number conventions of ``moodvane.weighted_avg_shift_custom`` (floats, ``None`` for a value
that is not finite) and a ``kind`` attribute naming the shift. Per entry ``shift_score`` is
``u / norm`` with ``norm = sum |u|`` (1.0 when that is 0), entries come by descending
``|shift_score|`` with ties in byte order of the words, ``top_n`` (0 = all) cuts the
entries but never the totals, and ``component_sums`` split the total as moodvane does:
``pos_s_pos_p`` .. ``neg_s_neg_p`` hold ``p_diff * s_ref_diff`` by the signs of
``s_ref_diff`` and ``p_diff``, ``pos_s``/``neg_s`` hold ``p_avg * s_diff`` by the sign of
``s_diff``, all divided by ``norm``. Every sum runs in byte order of the words, so results
are bit-identical from run to run.

Inputs are dicts (``collections.Counter`` is fine) from str to real numbers. Counts must be
finite and >= 0 and scores finite; otherwise ``ValueError`` names the word. ``stop_words``
is ``None`` or an iterable of str whose words are left out before anything is computed.
"""

from __future__ import annotations

import math

import operator
import sys
from collections.abc import Iterable, Mapping
from typing import Any, SupportsFloat, SupportsIndex

from moodvane_tools import _native

from .kinds import KIND_LABELS, REGISTRY, Kind, KindLabels

__all__ = [
    "KIND_LABELS",
    "Kind",
    "KindLabels",
    "ShiftResult",
    "entropy_shift",
    "jsd_shift",
    "kld_shift",
    "proportion_shift",
    "weighted_avg_shift_pair",
]

class ShiftResult(dict[str, Any]):
    """A shift result: the plain result dict, plus the ``kind`` of shift that made it.

    It compares equal to a plain dict with the same items; ``kind`` is one of
    ``"proportion"``, ``"entropy"``, ``"kld"``, ``"jsd"`` or ``"weighted"``, and a reader
    that may also meet plain moodvane results can use ``getattr(result, "kind", "weighted")``.
    """

    kind: Kind
    unit: str | None
    """The unit of the values of an entropy or a divergence ("bits" for base 2, "nats"
    for base e, "" for a Tsallis entropy), None for the other kinds."""

    def __init__(self, items: Mapping[str, Any], kind: Kind, unit: str | None = None) -> None:
        super().__init__(items)
        self.kind = kind
        self.unit = unit

    def __repr__(self) -> str:
        return f"ShiftResult({dict.__repr__(self)}, kind={self.kind!r}, unit={self.unit!r})"

    def __reduce__(self) -> tuple[Any, ...]:
        return (ShiftResult, (dict(self), self.kind, self.unit))

    def _repr_html_(self) -> str:
        """A compact table for Jupyter: the values compared and the top words."""
        from .notebook import shift_html

        return shift_html(self)


def _real(name: str, value: object) -> float:
    """``value`` as a float, or a TypeError naming the argument (text is not a number)."""
    if isinstance(value, (str, bytes, bytearray)):
        raise TypeError(f"{name} must be a real number, not {type(value).__qualname__}")
    try:
        return float(value)  # type: ignore[arg-type]
    except (TypeError, ValueError):
        raise TypeError(
            f"{name} must be a real number, not {type(value).__qualname__}"
        ) from None


def _top_n(value: object) -> int:
    try:
        count = operator.index(value)  # type: ignore[arg-type]
    except TypeError:
        raise TypeError(f"top_n must be an int, not {type(value).__qualname__}") from None
    if count < 0:
        raise ValueError(f"top_n must be >= 0, got {count}")
    return min(count, sys.maxsize)  # more entries than any vocabulary holds: all of them


def _stop_words(value: object) -> tuple[str, ...]:
    if value is None:
        return ()
    if isinstance(value, str):
        raise TypeError("stop_words must be an iterable of str, not a single str")
    if not isinstance(value, Iterable):
        raise TypeError(
            f"stop_words must be None or an iterable of str, not {type(value).__qualname__}"
        )
    words = tuple(value)
    for word in words:
        if not isinstance(word, str):
            raise TypeError(f"stop_words must hold only str, got {word!r}")
    return words


def _reference(value: object) -> float | None:
    if value is None:
        return None
    if isinstance(value, str):
        if value.lower() == "average":
            return None
        raise ValueError(
            f"reference_value must be None, 'average' or a finite number, got {value!r}"
        )
    return _real("reference_value", value)


def _shift(
    kind: Kind,
    type2freq_1: Mapping[str, Any],
    type2freq_2: Mapping[str, Any],
    *,
    scores_1: Mapping[str, Any] | None = None,
    scores_2: Mapping[str, Any] | None = None,
    stop_words: Iterable[str] | None,
    top_n: SupportsIndex,
    alpha: SupportsFloat = 1.0,
    base: SupportsFloat = 2.0,
    weight_1: SupportsFloat = 0.5,
    weight_2: SupportsFloat = 0.5,
    reference_value: SupportsFloat | str | None = None,
) -> ShiftResult:
    raw = _native.shift(
        kind,
        type2freq_1,  # type: ignore[arg-type]  # checked natively: a dict or a subclass
        type2freq_2,  # type: ignore[arg-type]
        scores_1,  # type: ignore[arg-type]
        scores_2,  # type: ignore[arg-type]
        _stop_words(stop_words),
        _top_n(top_n),
        _real("alpha", alpha),
        _real("base", base),
        _real("weight_1", weight_1),
        _real("weight_2", weight_2),
        _reference(reference_value),
    )
    return ShiftResult(raw, kind, REGISTRY[kind].unit(float(base), float(alpha)))


def proportion_shift(
    type2freq_1: Mapping[str, SupportsFloat],
    type2freq_2: Mapping[str, SupportsFloat],
    *,
    stop_words: Iterable[str] | None = None,
    top_n: SupportsIndex = 0,
) -> ShiftResult:
    """Which words became more or less common from text 1 to text 2.

    Every word scores 1 in both texts and the reference is 0, so a word's contribution is
    its change in relative frequency, ``u = p2 - p1``; ``s_diff`` is 0, ``s_ref_diff`` 1,
    ``s_avg_1``/``s_avg_2`` are the texts' total shares (1.0, or 0.0 for an empty text) and
    ``total_diff`` is 0 up to rounding when both texts have words. The vocabulary is the
    words with a positive count in either text, less the stop words.
    """
    return _shift("proportion", type2freq_1, type2freq_2, stop_words=stop_words, top_n=top_n)


def entropy_shift(
    type2freq_1: Mapping[str, SupportsFloat],
    type2freq_2: Mapping[str, SupportsFloat],
    *,
    alpha: SupportsFloat = 1.0,
    base: SupportsFloat = 2.0,
    reference_value: SupportsFloat | str | None = None,
    stop_words: Iterable[str] | None = None,
    top_n: SupportsIndex = 0,
) -> ShiftResult:
    """Which words made text 2's vocabulary more or less diverse than text 1's.

    A word's score in a text is its surprisal there: ``-log_base(p)`` for Shannon's entropy
    (``alpha == 1``) and ``(1 - p**(alpha - 1)) / (alpha - 1)`` for Tsallis's entropy of
    order ``alpha`` otherwise, which weighs rare words more for ``alpha < 1`` and common
    words more for ``alpha > 1``. Tsallis's entropy has no base (``base`` is still checked
    but unused); as ``alpha`` approaches 1 it meets Shannon's in natural units (base e).
    A word absent from one text takes its score from the other text there, which puts all
    of its contribution into the frequency part.

    ``s_avg_1``/``s_avg_2`` are the texts' entropies and ``total_diff`` their difference.
    ``reference_value`` is ``None`` or ``"average"`` (text 1's entropy) or a finite number.
    ``alpha`` must be finite and > 0, ``base`` finite, > 0 and not 1.
    """
    return _shift(
        "entropy",
        type2freq_1,
        type2freq_2,
        stop_words=stop_words,
        top_n=top_n,
        alpha=alpha,
        base=base,
        reference_value=reference_value,
    )


def kld_shift(
    type2freq_1: Mapping[str, SupportsFloat],
    type2freq_2: Mapping[str, SupportsFloat],
    *,
    base: SupportsFloat = 2.0,
    stop_words: Iterable[str] | None = None,
    top_n: SupportsIndex = 0,
    pseudocount: SupportsFloat = 0.0,
) -> ShiftResult:
    """The Kullback-Leibler divergence ``D(P2 || P1) = sum p2 log_base(p2 / p1)``, by word.

    The divergence is the cross-entropy ``H(P2, P1)`` less the entropy ``H(P2)``: two
    averages over the same weights P2, with each word scored by its surprisal under P2
    ("text 1", ``phi_1 = -log p2``) and under P1 ("text 2", ``phi_2 = -log p1``). In the
    common form that makes, for every entry:

    - ``p_diff = 0`` and ``p_avg = p2`` (both averages are weighted by text 2),
    - ``s_diff = log_base(p2 / p1)``, so ``u = p2 * log_base(p2 / p1)``, the word's term
      of the divergence (positive where text 2 uses the word relatively more),
    - ``s_ref_diff`` = the word's mean surprisal less ``H(P2)``; it carries no weight.

    ``s_avg_1`` is ``H(P2)``, ``s_avg_2`` is ``H(P2, P1)``, ``reference_value`` is ``H(P2)``
    and ``total_diff`` is the divergence; all of it lies in ``pos_s``/``neg_s``. A word of
    text 1 only contributes 0 (``0 log 0 = 0``). A word with a count in text 2 but none in
    text 1 makes the divergence infinite: ``ValueError`` names the first such word in byte
    order, and carries it as its ``word`` attribute (:func:`jsd_shift` compares such texts).

    ``pseudocount`` (finite, >= 0) is added to the count of every word of either text in
    both texts before the shares are formed (additive smoothing), so that real texts, where
    text 2 always has words that text 1 lacks, get a finite divergence; 0 leaves the counts
    as they are.

    >>> result = kld_shift({"a": 2}, {"a": 1, "b": 1}, pseudocount=1.0)
    >>> round(result["total_diff"], 4)
    0.2075
    """
    smoothing = float(pseudocount)
    if not (math.isfinite(smoothing) and smoothing >= 0.0):
        raise ValueError(f"pseudocount must be finite and >= 0, got {pseudocount!r}")
    if smoothing > 0.0:
        type2freq_1, type2freq_2 = _smoothed(type2freq_1, type2freq_2, smoothing)
    return _shift("kld", type2freq_1, type2freq_2, stop_words=stop_words, top_n=top_n, base=base)


def _smoothed(
    type2freq_1: Mapping[str, SupportsFloat], type2freq_2: Mapping[str, SupportsFloat],
    pseudocount: float,
) -> tuple[dict[str, float], dict[str, float]]:
    """Both tables over the words of either, each count raised by `pseudocount`."""
    words = dict.fromkeys(type2freq_1) | dict.fromkeys(type2freq_2)
    return ({word: float(type2freq_1.get(word, 0.0)) + pseudocount for word in words},
            {word: float(type2freq_2.get(word, 0.0)) + pseudocount for word in words})


def jsd_shift(
    type2freq_1: Mapping[str, SupportsFloat],
    type2freq_2: Mapping[str, SupportsFloat],
    *,
    weight_1: SupportsFloat = 0.5,
    weight_2: SupportsFloat = 0.5,
    alpha: SupportsFloat = 1.0,
    base: SupportsFloat = 2.0,
    stop_words: Iterable[str] | None = None,
    top_n: SupportsIndex = 0,
) -> ShiftResult:
    """The Jensen-Shannon divergence of the two texts, by word.

    With the mixture ``M = weight_1 * P1 + weight_2 * P2`` and ``h`` the per-word score of
    the entropy (Shannon's for ``alpha == 1``, else Tsallis's, as in :func:`entropy_shift`)
    the divergence is ``H(M) - weight_1 H(P1) - weight_2 H(P2)`` and a word's term
    ``u = m h(m) - weight_1 p1 h(p1) - weight_2 p2 h(p2)``, which is never negative for a base
    above 1 (up to rounding; exactly 0 for a word as frequent in both texts). In the common
    form each text scores a word by its weighted surprisal relative to the mixture,
    ``phi_1 = weight_1 (h(p1) - h(m))`` and ``phi_2 = weight_2 (h(m) - h(p2))``, against a
    reference of 0, with the texts' own ``p_diff`` and ``p_avg``; then
    ``u = p2 phi_2 - p1 phi_1``. A word absent from one text takes the other text's score
    there (its contribution is then all in the frequency part).

    ``s_avg_2`` is ``weight_2 D(P2 || M)``, ``s_avg_1`` is ``-weight_1 D(P1 || M)`` (for
    Shannon's entropy; the Tsallis analogues otherwise), ``reference_value`` is 0 and
    ``total_diff`` is the divergence. The weights must be finite, >= 0 and add up to 1
    (within 1e-12); ``alpha`` and ``base`` as for :func:`entropy_shift`.
    """
    return _shift(
        "jsd",
        type2freq_1,
        type2freq_2,
        stop_words=stop_words,
        top_n=top_n,
        alpha=alpha,
        base=base,
        weight_1=weight_1,
        weight_2=weight_2,
    )


def weighted_avg_shift_pair(
    type2freq_1: Mapping[str, SupportsFloat],
    type2freq_2: Mapping[str, SupportsFloat],
    scores_1: Mapping[str, SupportsFloat],
    scores_2: Mapping[str, SupportsFloat],
    *,
    reference_value: SupportsFloat | str | None = None,
    stop_words: Iterable[str] | None = None,
    top_n: SupportsIndex = 0,
    missing: str = "other",
) -> ShiftResult:
    """The weighted-average shift with one score map per text.

    Text 1's words are scored by ``scores_1`` and text 2's by ``scores_2`` (for instance a
    lexicon that changed between two periods). A word takes part when it is a key of either
    text (zero counts included) and a map scores it. `missing` says what becomes of a word
    that only one map scores: ``"other"`` (the default) scores it with that map in both
    texts; ``"exclude"`` leaves it out, as if neither map scored it. Do not compare two
    languages this way: a word written alike in both (English "die", German "die") takes
    the other language's score, and with ``"other"`` even a word that one language lacks
    is scored in the other's terms. ``s_diff`` is the word's change of score and ``pos_s``
    / ``neg_s`` collect ``p_avg * s_diff`` by its sign. ``s_avg_1``/``s_avg_2`` are the
    texts' average scores under their own maps. ``reference_value`` is ``None`` or
    ``"average"`` (text 1's average) or a finite number. With equal maps the result equals
    ``moodvane.weighted_avg_shift_custom``'s bit for bit.

    >>> result = weighted_avg_shift_pair({"good": 1, "new": 1}, {"good": 2, "new": 1},
    ...                                  {"good": 7.0}, {"good": 8.0, "new": 2.0},
    ...                                  missing="exclude")
    >>> [entry["type"] for entry in result["entries"]]
    ['good']
    """
    if missing == "exclude":
        if not isinstance(scores_1, Mapping) or not isinstance(scores_2, Mapping):
            raise TypeError("scores_1 and scores_2 must be dicts of word scores")
        common = scores_1.keys() & scores_2.keys()
        scores_1 = {word: value for word, value in scores_1.items() if word in common}
        scores_2 = {word: value for word, value in scores_2.items() if word in common}
    elif missing != "other":
        raise ValueError(f"missing must be 'other' or 'exclude', got {missing!r}")
    return _shift(
        "weighted",
        type2freq_1,
        type2freq_2,
        scores_1=scores_1,
        scores_2=scores_2,
        stop_words=stop_words,
        top_n=top_n,
        reference_value=reference_value,
    )
