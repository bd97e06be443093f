"""Calls from several threads at once give the results that the same calls give alone."""

from __future__ import annotations

import random
import sys
import threading
import time

import pytest

import moodvane
from conftest import canonical


class Yielding:
    """A frequency whose conversion hands the interpreter to another thread."""

    def __init__(self, value):
        self.value = float(value)

    def __float__(self):
        time.sleep(0)
        return self.value


def _inputs(seed, yielding):
    rng = random.Random(seed)
    words = [f"{rng.choice(['happy', 'sad', 'love', 'war', 'rain'])}{i}" for i in range(400)]
    number = Yielding if yielding else float
    system_1 = {w: number(rng.randint(0, 9)) for w in words}
    system_2 = {w: number(rng.randint(0, 9)) for w in words[100:]}
    scores = {w: rng.uniform(1, 9) for w in words}
    english_1 = {w: rng.randint(1, 5) for w in ["happy", "sad", "love", "war", "rain", "sun"]}
    return system_1, system_2, scores, english_1


def _calls(seed, yielding):
    system_1, system_2, scores, english_1 = _inputs(seed, yielding)
    return [
        lambda: moodvane.weighted_avg_shift_custom(system_1, system_2, scores, top_n=50),
        lambda: moodvane.weighted_avg_shift_custom(system_1, system_2, scores, stop_lens=(4, 6),
                                                   reference_value=5.0),
        lambda: moodvane.weighted_avg_shift(english_1, system_2, "english"),
        lambda: moodvane.weighted_avg_shift(system_1, english_1, lexicon="senTX_French"),
    ]


def _outcome(call):
    try:
        return canonical(call())
    except Exception as error:  # noqa: BLE001 - the error is part of the outcome
        return type(error), str(error)


@pytest.mark.slow
def test_concurrent_calls_match_sequential_ones():
    previous = sys.getswitchinterval()
    sys.setswitchinterval(1e-6)
    try:
        expected = {seed: [_outcome(call) for call in _calls(seed, yielding=False)]
                    for seed in range(4)}
        expected_error = _outcome(lambda: moodvane.weighted_avg_shift({}, {}, "klingon"))
        failures = []
        start = threading.Barrier(8)

        def worker(index):
            seed = index % 4
            calls = _calls(seed, yielding=True)
            start.wait()
            for round_ in range(6):
                for number, call in enumerate(calls):
                    if _outcome(call) != expected[seed][number]:
                        failures.append((index, round_, number))
                if _outcome(lambda: moodvane.weighted_avg_shift({}, {}, "klingon")) != \
                        expected_error:
                    failures.append((index, round_, "error"))

        threads = [threading.Thread(target=worker, args=(i,)) for i in range(8)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join(timeout=120)
        assert not any(thread.is_alive() for thread in threads)
    finally:
        sys.setswitchinterval(previous)
    assert failures == []
