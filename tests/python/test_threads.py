"""Calls from several threads at once give the results that the same calls give alone:
threads sharing read-only inputs, threads whose numbers hand the interpreter to another
thread mid-call, and threads whose inputs change under the module's hands from their own
__float__."""

from __future__ import annotations

import random
import subprocess
import sys
import textwrap
import threading
import time

import pytest

import moodvane
from conftest import canonical

SHIFT = moodvane.weighted_avg_shift
CUSTOM = moodvane.weighted_avg_shift_custom
READERS = 8
MUTATORS = 4
ROUNDS = 4


class Switching:
    """A number whose conversion runs Python code, so the interpreter may hand the lock to
    another thread in the middle of a call; every eighth one sleeps, which surely does."""

    def __init__(self, value, index):
        self.value = float(value)
        self.sleeps = index % 8 == 0

    def __float__(self):
        if self.sleeps:
            time.sleep(0)
        return self.value + 0.0


class SwitchingSet(frozenset):
    """Stop words whose iteration lets other threads run between two members."""

    def __iter__(self):
        for word in frozenset.__iter__(self):
            time.sleep(0)
            yield word


def _shared_inputs():
    words = [f"{stem}{i}" for i, stem in enumerate(["happy", "sad", "love", "war", "rain"] * 60)]
    english = ["happy", "sad", "love", "war", "rain", "sun", "laughter", "hate", "the"]
    return {
        "system_1": {w: Switching(i % 7, i) for i, w in enumerate(words[:240])},
        "system_2": {w: Switching(i % 5 + 1, i) for i, w in enumerate(words[60:])},
        "scores": {w: Switching((i * 37 % 80) / 10 + 1, i) for i, w in enumerate(words)},
        "english_1": {w: Switching(i + 1, i) for i, w in enumerate(english)},
        "english_2": {w: Switching(len(w), i) for i, w in enumerate(reversed(english))},
        "stop_words": SwitchingSet(words[::9] + ["hate"]),
        "lens": (Switching(6, 0), Switching(4, 1)),
    }


def _shared_calls(inputs):
    """Calls that only read `inputs`: results, errors found at each stage, and a fault."""
    i = inputs
    return {
        "custom": lambda: CUSTOM(i["system_1"], i["system_2"], i["scores"]),
        "custom-options": lambda: CUSTOM(i["system_1"], i["system_2"], i["scores"],
                                         reference_value=5, top_n=25, stop_lens=i["lens"],
                                         stop_words=i["stop_words"]),
        "lexicon": lambda: SHIFT(i["english_1"], i["english_2"], stop_words=i["stop_words"]),
        "lexicon-options": lambda: SHIFT(i["english_2"], i["english_1"], "senTX_ENGLISH",
                                         "Average", 3, i["lens"]),
        "unknown-lexicon": lambda: SHIFT(i["english_1"], i["english_2"], "klingon"),
        "bad-reference": lambda: CUSTOM(i["system_1"], i["system_2"], i["scores"],
                                        reference_value="avg"),
        "bad-stop-words": lambda: CUSTOM(i["system_1"], i["system_2"], i["scores"],
                                         stop_words=list(i["stop_words"])),
    }


class Mutating:
    """A frequency whose conversion changes the dict it belongs to, in one of three ways."""

    def __init__(self, kind):
        self.kind = kind
        self.target = None

    def __float__(self):
        target = self.target
        time.sleep(0)
        if self.kind == "grow":
            target["grown"] = 1.0
        elif self.kind == "swap":
            del target["w0"]
            target["swapped in"] = 1.0
        else:  # new values, same keys: no fault, the entries after this one read 2.0
            for key in list(target):
                if key != "mutator":
                    target[key] = 2.0
        return 1.0


class ReplacingEarlier:
    """A score whose conversion replaces every key of a dict that the call read before, so
    the old key objects die while the call runs."""

    def __init__(self, earlier):
        self.earlier = earlier

    def __float__(self):
        count = len(self.earlier)
        self.earlier.clear()
        time.sleep(0)
        self.earlier.update((f"replacement {i}", 1.0) for i in range(count))
        return 5.0


class LensChangingStopWords:
    """A stop_lens bound whose conversion empties the (own) stop_words set that the module
    reads next: the call sees the set as it is by then."""

    def __init__(self, stop_words):
        self.stop_words = stop_words

    def __float__(self):
        self.stop_words.clear()
        return 4.5


def _own_inputs(kind):
    """Inputs made afresh for each call, since the call changes them."""
    table = {f"w{i}": Switching(i % 4 + 1, i) for i in range(40)}
    mutator = Mutating(kind)
    mutator.target = table
    table["mutator"] = mutator
    table.update({f"x{i}": float(i) for i in range(20)})
    scores = {key: float(len(key) * 1.5) for key in table}
    return table, scores


def _mutating_calls():
    def mutated(kind, place):
        def call():
            table, scores = _own_inputs(kind)
            dicts = {"type2freq_1": table, "type2freq_2": dict(scores), "scores": scores}
            if place == "scores":
                dicts = {"type2freq_1": dict(scores), "type2freq_2": {}, "scores": table}
            return CUSTOM(**dicts)
        return call

    def lens_clears_stop_words():
        table, scores = _own_inputs("rewrite")
        stop_words = {"w1", "w2", "x3"}
        return CUSTOM(table, dict(scores), scores, stop_lens=(LensChangingStopWords(stop_words),
                                                              5.0), stop_words=stop_words)

    def scores_replace_system_1():
        table, scores = _own_inputs("rewrite")
        system_1 = {f"{key}".join("<>"): value for key, value in table.items()}
        scores = {f"{key}".join("<>"): score for key, score in scores.items()}
        scores["replacer"] = ReplacingEarlier(system_1)
        return CUSTOM(system_1, dict(scores), scores)

    calls = {f"{kind}-in-{place}": mutated(kind, place)
             for kind in ("grow", "swap", "rewrite") for place in ("type2freq_1", "scores")}
    calls["lens-clears-stop-words"] = lens_clears_stop_words
    calls["scores-replace-type2freq_1"] = scores_replace_system_1
    return calls


def _outcome(call):
    try:
        return canonical(call())
    except BaseException as error:  # noqa: BLE001 - a PanicException is part of the outcome
        return type(error).__name__, error.args


def _contents(inputs):
    return {name: (list(value.items()) if isinstance(value, dict) else
                   sorted(frozenset.__iter__(value)) if isinstance(value, frozenset) else value)
            for name, value in inputs.items()}


@pytest.mark.slow
def test_threads_get_the_outcomes_of_single_calls():
    inputs = _shared_inputs()
    before = _contents(inputs)
    shared = _shared_calls(inputs)
    mutating = _mutating_calls()
    expected = {name: _outcome(call) for name, call in {**shared, **mutating}.items()}
    # The single-threaded outcomes are the expected kinds, so the threads are compared with
    # results, errors and faults alike.
    assert expected["grow-in-type2freq_1"] == (
        "PanicException", ("dictionary changed size during iteration",))
    assert expected["swap-in-scores"] == (
        "PanicException", ("dictionary keys changed during iteration",))
    assert isinstance(expected["rewrite-in-scores"], dict)
    assert isinstance(expected["scores-replace-type2freq_1"], dict)
    assert expected["unknown-lexicon"][0] == "ValueError"

    mismatches = []
    start = threading.Barrier(READERS + MUTATORS)

    def run(calls, offset):
        start.wait()
        names = list(calls)
        for round_ in range(ROUNDS):
            # Each thread takes the calls in its own order, so different calls overlap.
            for step in range(len(names)):
                name = names[(step + offset + round_) % len(names)]
                outcome = _outcome(calls[name])
                if outcome != expected[name]:
                    mismatches.append((threading.current_thread().name, name, outcome))

    threads = [threading.Thread(target=run, args=(shared, i), name=f"reader-{i}")
               for i in range(READERS)]
    threads += [threading.Thread(target=run, args=(mutating, i), name=f"mutator-{i}")
                for i in range(MUTATORS)]
    previous = sys.getswitchinterval()
    sys.setswitchinterval(1e-6)
    try:
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join(timeout=300)
    finally:
        sys.setswitchinterval(previous)
    assert not any(thread.is_alive() for thread in threads)
    assert mismatches == []
    assert _contents(inputs) == before


FIRST_FAULTS_SCRIPT = textwrap.dedent("""\
    import sys, threading, moodvane

    class Grow:
        def __init__(self, target):
            self.target = target
        def __float__(self):
            self.target[object.__repr__(self)] = 1.0
            return 1.0

    start = threading.Barrier(8)
    types = []
    def fault():
        table = {}
        table["a"] = Grow(table)
        table["b"] = 2.0
        start.wait()
        try:
            moodvane.weighted_avg_shift_custom(table, {}, {})
        except BaseException as error:
            types.append(type(error))

    sys.setswitchinterval(1e-6)
    threads = [threading.Thread(target=fault) for _ in range(8)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    print(len(types), len(set(map(id, types))), types[0].__module__, types[0].__name__)
""")


@pytest.mark.slow
def test_first_faults_of_a_process_on_eight_threads_share_one_type():
    # The fault type is made on the first fault; eight threads that fault at once, in a
    # process that has not faulted before, must all get that one type.
    run = subprocess.run([sys.executable, "-c", FIRST_FAULTS_SCRIPT], capture_output=True,
                         text=True, timeout=120)
    assert run.returncode == 0, run.stderr
    assert run.stdout.split() == ["8", "1", "vanebind_runtime", "PanicException"]


# --- Independent calls on many threads at once -------------------------------------------

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
