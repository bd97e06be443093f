"""The module reads the caller's objects and lets go of them: reference counts are the same
after many calls as before, whether the calls succeed, fail or fault."""

from __future__ import annotations

import gc
import json
import sys

import pytest

import moodvane

CALLS = 200


def fresh_str(text):
    """A str object of its own, neither interned nor shared with another test."""
    return "".join(list(text))


class Inputs:
    """The arguments of one call, made of objects that no one else refers to."""

    def __init__(self):
        words = [fresh_str(f"word{i}") for i in range(20)]
        self.system_1 = {w: float(f"{i}.25") for i, w in enumerate(words)}
        self.system_2 = {w: float(f"{i}.5") for i, w in enumerate(words[5:])}
        self.scores = {w: float(f"{i % 9}.75") for i, w in enumerate(words)}
        self.stop_words = {fresh_str("word3"), fresh_str("unused")}
        self.lexicon = fresh_str("english")
        self.reference = float("5.125")
        self.top_n = int("12345678901234")
        self.stop_lens = (float("4.5"), float("6.5"))

    def tracked(self):
        objects = [self.system_1, self.system_2, self.scores, self.stop_words, self.lexicon,
                   self.reference, self.top_n, self.stop_lens, *self.stop_lens]
        for table in (self.system_1, self.system_2, self.scores):
            objects += [*table.keys(), *table.values()]
        objects += list(self.stop_words)
        return objects

    def custom(self, **changes):
        arguments = dict(type2freq_1=self.system_1, type2freq_2=self.system_2,
                         scores=self.scores, reference_value=self.reference, top_n=self.top_n,
                         stop_lens=self.stop_lens, stop_words=self.stop_words)
        return moodvane.weighted_avg_shift_custom(**{**arguments, **changes})

    def builtin(self, **changes):
        arguments = dict(type2freq_1=self.system_1, type2freq_2=self.system_2,
                         lexicon=self.lexicon, reference_value=self.reference, top_n=self.top_n,
                         stop_lens=self.stop_lens, stop_words=self.stop_words)
        return moodvane.weighted_avg_shift(**{**arguments, **changes})


def _counts(objects):
    return [sys.getrefcount(item) for item in objects]


def _refuse(text):
    raise LookupError("refused")


SCENARIOS = {
    "custom": lambda i: i.custom(),
    "builtin": lambda i: i.builtin(),
    "average-reference": lambda i: i.builtin(reference_value=fresh_str("AVERAGE")),
    "unknown-lexicon": lambda i: i.builtin(lexicon=fresh_str("klingon")),
    "unknown-reference": lambda i: i.custom(reference_value=fresh_str("avg")),
    "bad-reference-type": lambda i: i.custom(reference_value=[i.reference]),
    "bad-entry-in-type2freq_2": lambda i: i.custom(type2freq_2={**i.system_2, 5: 1.0}),
    "bad-score": lambda i: i.custom(scores={**i.scores, "bad": "x"}),
    "bad-stop-word": lambda i: i.custom(stop_words={*i.stop_words, 5}),
    "bad-top_n": lambda i: i.custom(top_n=-1),
    "bad-lens": lambda i: i.custom(stop_lens=(i.stop_lens[0], "x")),
    "unmatched-keyword": lambda i: i.custom(lexicon=i.lexicon),
}


@pytest.mark.parametrize("scenario", list(SCENARIOS))
def test_reference_counts_unchanged(scenario):
    inputs = Inputs()
    call = SCENARIOS[scenario]
    try:  # let any one-time cost (imports, caches of the interpreter) happen first
        call(inputs)
    except (TypeError, ValueError, OverflowError):
        pass
    objects = inputs.tracked()
    before = _counts(objects)
    for _ in range(CALLS):
        try:
            result = call(inputs)
        except (TypeError, ValueError, OverflowError):
            result = None
        if result is not None:
            assert sys.getrefcount(result) == 2  # this variable and the argument
    assert _counts(objects) == before


@pytest.mark.parametrize("blocked", ["json-missing", "loads-raising", "loads-identity"])
def test_reference_counts_unchanged_around_encoding(blocked, monkeypatch):
    inputs = Inputs()
    if blocked == "json-missing":
        monkeypatch.setitem(sys.modules, "json", None)
    else:
        monkeypatch.setattr(json, "loads", _refuse if blocked == "loads-raising" else str)
    objects = inputs.tracked()
    before = _counts(objects)
    for _ in range(CALLS):
        try:
            inputs.builtin()
        except (ImportError, LookupError):
            pass
    assert _counts(objects) == before


class Growing:
    def __init__(self, target):
        self.target = target

    def __float__(self):
        self.target[fresh_str("grown")] = 1.0
        return 1.0


def test_reference_counts_unchanged_after_faults(panic_exception):
    inputs = Inputs()
    objects = inputs.tracked()
    before = _counts(objects)
    for _ in range(CALLS):
        target = dict(inputs.system_1)
        target[fresh_str("grower")] = Growing(target)
        target.update(inputs.system_2)
        with pytest.raises(panic_exception):
            inputs.custom(type2freq_2=target)
        del target
    gc.collect()  # each target and its grower refer to each other
    assert _counts(objects) == before
