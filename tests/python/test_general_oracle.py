"""The native generalized shifts against the plain-Python oracle on generated inputs, and
the two-map weighted shift against moodvane's own with one map for both texts."""

from __future__ import annotations

import math
import random

import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

import moodvane
from general_reference import InfiniteDivergence, general_shift
from moodvane_tools import (
    entropy_shift,
    jsd_shift,
    kld_shift,
    proportion_shift,
    weighted_avg_shift_pair,
)

# A small alphabet so that texts share words, plus words that differ only after eight
# bytes, upper case, and non-ASCII letters, which exercise the byte order.
WORDS = st.sampled_from(
    ["a", "b", "ab", "Zed", "zed", "é", "ü", "understand", "understanding", "understandable",
     "日本", "x" * 9, "x" * 10, "x" * 11, "x" * 12, "x" * 13, "x" * 11 + "\0", "", "tie1",
     "tie2"]
) | st.text(max_size=4)
COUNTS = st.one_of(st.integers(0, 5), st.floats(0.0, 100.0, allow_nan=False), st.just(0))
TEXT = st.dictionaries(WORDS, COUNTS, max_size=12)
SCORES = st.dictionaries(WORDS, st.floats(-10.0, 10.0, allow_nan=False), max_size=12)
STOPS = st.lists(WORDS, max_size=3)
ALPHA = st.sampled_from([1.0, 0.5, 2.0, 1.0 + 1e-7, 0.999, 3.0])
BASE = st.sampled_from([2.0, math.e, 10.0, 0.5])
TOP_N = st.integers(0, 4)

FAST = settings(max_examples=150, deadline=None, suppress_health_check=[HealthCheck.too_slow])


def valid_text(text: dict[str, float]) -> bool:
    try:
        for w in text:
            w.encode("utf-8")
    except UnicodeEncodeError:
        return False
    return True


@FAST
@given(TEXT, TEXT, STOPS, TOP_N)
def test_proportion_matches_oracle(t1, t2, stops, top_n) -> None:
    if not (valid_text(t1) and valid_text(t2)):
        return
    assert proportion_shift(t1, t2, stop_words=stops, top_n=top_n) == general_shift(
        "proportion", t1, t2, stop_words=stops, top_n=top_n
    )


@FAST
@given(TEXT, TEXT, ALPHA, BASE, st.one_of(st.none(), st.floats(-5, 5)), STOPS, TOP_N)
def test_entropy_matches_oracle(t1, t2, alpha, base, reference, stops, top_n) -> None:
    if not (valid_text(t1) and valid_text(t2)):
        return
    ours = entropy_shift(
        t1, t2, alpha=alpha, base=base, reference_value=reference, stop_words=stops, top_n=top_n
    )
    assert ours == general_shift(
        "entropy", t1, t2, alpha=alpha, base=base, reference_value=reference,
        stop_words=stops, top_n=top_n,
    )


@FAST
@given(TEXT, TEXT, BASE, STOPS, TOP_N)
def test_kld_matches_oracle(t1, t2, base, stops, top_n) -> None:
    if not (valid_text(t1) and valid_text(t2)):
        return
    try:
        expected = general_shift("kld", t1, t2, base=base, stop_words=stops, top_n=top_n)
    except InfiniteDivergence as missing:
        with pytest.raises(ValueError, match="jsd_shift") as raised:
            kld_shift(t1, t2, base=base, stop_words=stops, top_n=top_n)
        assert repr(missing.word) in str(raised.value)
        return
    assert kld_shift(t1, t2, base=base, stop_words=stops, top_n=top_n) == expected


@FAST
@given(TEXT, TEXT, st.floats(0.0, 1.0) | st.integers(0, 64).map(lambda k: k / 64), ALPHA, BASE,
       STOPS, TOP_N)
def test_jsd_matches_oracle(t1, t2, w1, alpha, base, stops, top_n) -> None:
    if not (valid_text(t1) and valid_text(t2)):
        return
    w2 = 1.0 - w1  # not always exactly 1 - w1: the sum is checked within 1e-12
    ours = jsd_shift(
        t1, t2, weight_1=w1, weight_2=w2, alpha=alpha, base=base, stop_words=stops, top_n=top_n
    )
    assert ours == general_shift(
        "jsd", t1, t2, weight_1=w1, weight_2=w2, alpha=alpha, base=base,
        stop_words=stops, top_n=top_n,
    )
    # Never negative for weights that add up to 1 exactly and a base above 1.
    if w1 + w2 == 1.0 and 1.0 - w2 == w1 and base > 1.0:
        assert all(e["shift_score"] >= -1e-12 for e in ours["entries"])


@FAST
@given(TEXT, TEXT, SCORES, SCORES, st.one_of(st.none(), st.floats(-5, 5)), STOPS, TOP_N)
def test_weighted_pair_matches_oracle(t1, t2, s1, s2, reference, stops, top_n) -> None:
    if not all(valid_text(d) for d in (t1, t2, s1, s2)):
        return
    ours = weighted_avg_shift_pair(
        t1, t2, s1, s2, reference_value=reference, stop_words=stops, top_n=top_n
    )
    assert ours == general_shift(
        "weighted", t1, t2, s1, s2, reference_value=reference, stop_words=stops, top_n=top_n
    )


@FAST
@given(TEXT, TEXT, SCORES, st.one_of(st.none(), st.just("average"), st.floats(-5, 5)), STOPS,
       TOP_N)
def test_weighted_pair_with_one_map_equals_native(t1, t2, scores, reference, stops, top_n) -> None:
    if not all(valid_text(d) for d in (t1, t2, scores)):
        return
    native = moodvane.weighted_avg_shift_custom(
        t1, t2, scores, reference_value=reference, stop_words=set(stops), top_n=top_n
    )
    ours = weighted_avg_shift_pair(
        t1, t2, scores, scores, reference_value=reference, stop_words=stops, top_n=top_n
    )
    assert ours == native
    # A map that scores nothing leaves the other map's scores in both texts.
    assert weighted_avg_shift_pair(
        t1, t2, scores, {}, reference_value=reference, stop_words=stops, top_n=top_n
    ) == native


@pytest.mark.parametrize("seed", range(8))
def test_weighted_pair_equals_native_on_seeded_texts(seed: int) -> None:
    rng = random.Random(seed)
    vocabulary = [f"w{i}" for i in range(400)] + ["café", "naïve", "Ölf", "x"]
    scores = {w: rng.choice([rng.uniform(1, 9), 5.0, 0.0, -0.0]) for w in vocabulary[::2]}
    texts = [
        {w: rng.choice([0, 1, 2, 3, 2.5, 1e-3, 1e6]) for w in rng.sample(vocabulary, 250)}
        for _ in range(2)
    ]
    for reference in (None, 5.0, 0.0):
        assert weighted_avg_shift_pair(
            texts[0], texts[1], scores, dict(reversed(scores.items())), reference_value=reference
        ) == moodvane.weighted_avg_shift_custom(
            texts[0], texts[1], scores, reference_value=reference
        )


def test_tsallis_near_one_agrees_with_shannon_in_natural_units() -> None:
    t1 = {"a": 5, "b": 1, "c": 2, "d": 7}
    t2 = {"a": 1, "b": 4, "e": 3, "d": 7}
    shannon = entropy_shift(t1, t2, base=math.e)
    for alpha in (1 + 1e-9, 1 - 1e-9):
        near = entropy_shift(t1, t2, alpha=alpha)
        assert near["total_diff"] == pytest.approx(shannon["total_diff"], rel=1e-7)
        assert near["s_avg_1"] == pytest.approx(shannon["s_avg_1"], rel=1e-7)
    jsd_e = jsd_shift(t1, t2, base=math.e)
    assert jsd_shift(t1, t2, alpha=1 + 1e-9)["total_diff"] == pytest.approx(
        jsd_e["total_diff"], rel=1e-6
    )


@pytest.mark.parametrize("call", [entropy_shift, jsd_shift, kld_shift])
def test_base_two_and_base_e_differ_by_ln_2(call) -> None:
    t1 = {"a": 5, "b": 1, "c": 2, "d": 7}
    t2 = {"a": 1, "b": 4, "c": 3, "d": 7}
    bits = call(t1, t2, base=2.0)
    nats = call(t1, t2, base=math.e)
    assert nats["total_diff"] == pytest.approx(bits["total_diff"] * math.log(2), rel=1e-12)
    assert [e["type"] for e in bits["entries"]] == [e["type"] for e in nats["entries"]]


@pytest.mark.parametrize(
    "call", [proportion_shift, entropy_shift, jsd_shift, kld_shift]
)
def test_one_word_and_empty_texts(call) -> None:
    one = call({"solo": 3}, {"solo": 1})
    assert [e["type"] for e in one["entries"]] == ["solo"]
    assert one["total_diff"] == 0.0
    empty = call({}, {})
    assert empty["entries"] == [] and empty["norm"] == 1.0 and empty["total_diff"] == 0.0


def test_ties_keep_byte_order_whatever_the_sign() -> None:
    r = proportion_shift({"b": 1, "a": 1}, {"c": 1, "d": 1})
    assert [e["type"] for e in r["entries"]] == ["a", "b", "c", "d"]
    assert [e["shift_score"] for e in r["entries"]] == [-0.25, -0.25, 0.25, 0.25]


def test_results_are_bit_identical_across_calls_and_insertion_orders() -> None:
    rng = random.Random(7)
    words = [f"{rng.random():.6f}" for _ in range(3000)]
    t1 = {w: rng.randint(0, 9) for w in words}
    t2 = {w: rng.randint(1, 9) for w in reversed(words)}
    first = jsd_shift(t1, t2, alpha=0.7)
    again = jsd_shift(dict(reversed(t1.items())), dict(sorted(t2.items())), alpha=0.7)
    assert first == again


@pytest.mark.parametrize("top_n", [1, 7, 60, 2000])
def test_top_entries_of_a_large_vocabulary_with_ties(top_n: int) -> None:
    # Few distinct counts over many words: long runs of equal magnitude, cut anywhere.
    rng = random.Random(top_n)
    words = [f"{rng.randrange(10**6):06d}{i}" for i in range(4000)]
    t1 = {w: rng.choice([0, 1, 2]) for w in words}
    t2 = {w: rng.choice([1, 2, 3]) for w in words[::2]}
    scores = {w: rng.choice([2.0, 5.0, 8.0]) for w in words}
    calls = [
        lambda **k: proportion_shift(t1, t2, **k),
        lambda **k: entropy_shift(t1, t2, **k),
        lambda **k: jsd_shift(t1, t2, **k),
        lambda **k: weighted_avg_shift_pair(t1, t2, scores, scores, **k),
    ]
    for call in calls:
        full = call()
        top = call(top_n=top_n)
        assert top["entries"] == full["entries"][:top_n]
        magnitudes = [abs(e["shift_score"]) for e in full["entries"]]
        assert magnitudes == sorted(magnitudes, reverse=True)
