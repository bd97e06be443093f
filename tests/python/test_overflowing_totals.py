"""Counts whose total overflows a float still give the shares of finite counts: every result
of counts scaled by a power of two (exact, so the shares are the same) is bit for bit that
of the unscaled counts."""

from __future__ import annotations

import math

import pytest
from hypothesis import given, settings, strategies as st

import moodvane
from moodvane_tools import entropy_shift, jsd_shift, kld_shift, proportion_shift
from moodvane_tools import weighted_avg_shift_pair

from conftest import canonical

CALLS = {
    "weighted_avg_shift_custom": lambda one, two, scores: moodvane.weighted_avg_shift_custom(
        one, two, scores),
    "weighted_avg_shift": lambda one, two, scores: moodvane.weighted_avg_shift(one, two),
    "proportion_shift": lambda one, two, scores: proportion_shift(one, two),
    "entropy_shift": lambda one, two, scores: entropy_shift(one, two),
    "kld_shift": lambda one, two, scores: kld_shift(two, one),
    "jsd_shift": lambda one, two, scores: jsd_shift(one, two),
    "weighted_avg_shift_pair": lambda one, two, scores: weighted_avg_shift_pair(
        one, two, scores, scores),
}

WORDS = ["good", "bad", "happy", "sad", "love", "hate"]
# Counts below 2**40 stay finite when scaled by 2**983 or 2**984; six of them at 2**39 or
# more do not add up to a finite total. A small count beside them has a share near 0, not 0.
counts = st.tuples(st.lists(st.integers(2**39, 2**40 - 1), min_size=len(WORDS),
                            max_size=len(WORDS)), st.integers(0, 3))


@pytest.mark.parametrize("name", list(CALLS))
@settings(max_examples=30, deadline=None)
@given(first=counts, second=counts, exponent=st.sampled_from([983, 984]),
       which=st.sampled_from("12b"))
def test_totals_that_overflow_give_the_shares_of_the_counts(name, first, second, exponent, which):
    one = {**dict(zip(WORDS, map(float, first[0]))), "good": float(first[1])}
    two = {**dict(zip(WORDS[::-1], map(float, second[0]))), "meh": float(second[1])}
    scores = {word: 1.0 + 1.5 * i for i, word in enumerate(WORDS + ["meh"])}
    scale = math.ldexp(1.0, exponent)
    big_one = {w: c * scale for w, c in one.items()} if which in "1b" else one
    big_two = {w: c * scale for w, c in two.items()} if which in "2b" else two
    assert math.isinf(sum(big_one.values()) if which in "1b" else sum(big_two.values()))
    call = CALLS[name]
    assert canonical(call(big_one, big_two, scores)) == canonical(call(one, two, scores))
