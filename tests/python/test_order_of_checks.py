"""When a call has several faults, the first stage that fails decides the exception:
matching, argument types in parameter order, type2freq_1's entries, type2freq_2's entries,
the lexicon name (or the scores' entries), reference_value, and last the encoding."""

from __future__ import annotations

import sys

import pytest

import moodvane
from conftest import interpreter_error, unsigned_error

S = moodvane.weighted_avg_shift
C = moodvane.weighted_avg_shift_custom

KEY_ERROR = (TypeError, "'int' object cannot be converted to 'PyString'")
UNKNOWN_LEXICON = (ValueError, 'unknown senTX lexicon: "klingon"')
UNKNOWN_REFERENCE = (
    ValueError, "unknown reference_value: \"avg\" (expected None, 'average', or a float)")


def _value_error(value):
    error = interpreter_error("PyFloat_AsDouble", value)
    return type(error), str(error)


def _mismatch(name, type_name, target):
    return TypeError, f"argument '{name}': '{type_name}' object cannot be converted to '{target}'"


CASES = [
    # stage 1 (matching) before stage 2 (argument types)
    pytest.param(S, ([], {}), {"lexikon": 1},
                 (TypeError, "weighted_avg_shift() got an unexpected keyword argument 'lexikon'"),
                 id="matching-before-types"),
    pytest.param(C, ([],), {},
                 (TypeError, "weighted_avg_shift_custom() missing 2 required positional "
                             "arguments: 'type2freq_2' and 'scores'"),
                 id="missing-before-types"),
    # stage 2, in parameter order
    pytest.param(S, ([], None), {}, _mismatch("type2freq_1", "list", "PyDict"),
                 id="type2freq_1-before-type2freq_2"),
    pytest.param(S, ({}, [], None), {}, _mismatch("type2freq_2", "list", "PyDict"),
                 id="type2freq_2-before-lexicon"),
    pytest.param(C, ({}, [], None), {}, _mismatch("type2freq_2", "list", "PyDict"),
                 id="type2freq_2-before-scores"),
    pytest.param(S, ({}, {}, None), {"top_n": None}, _mismatch("lexicon", "NoneType", "PyString"),
                 id="lexicon-before-top_n"),
    pytest.param(C, ({}, {}, None), {"top_n": None}, _mismatch("scores", "NoneType", "PyDict"),
                 id="scores-before-top_n"),
    pytest.param(S, ({}, {}), {"reference_value": [], "top_n": 2.5},
                 (TypeError, f"argument 'top_n': {interpreter_error('PyNumber_Index', 2.5)}"),
                 id="reference-value-unchecked-before-top_n"),
    pytest.param(C, ({}, {}, {}), {"top_n": -1, "stop_lens": [4, 6]},
                 (type(unsigned_error(-1)), str(unsigned_error(-1))),
                 id="top_n-before-stop_lens"),
    pytest.param(S, ({}, {}), {"stop_lens": (1, 2, 3), "stop_words": [1]},
                 (ValueError, "expected tuple of length 2, but got tuple of length 3"),
                 id="stop_lens-before-stop_words"),
    # stage 2 before stage 3 (type2freq_1's entries)
    pytest.param(S, ({1: 1.0}, {}), {"stop_words": ["a"]},
                 _mismatch("stop_words", "list", "PySet"), id="argument-types-before-entries"),
    pytest.param(C, ({"a": "x"}, {}, {}), {"stop_words": {"a", 2}},
                 (TypeError, "argument 'stop_words': 'int' object cannot be converted to "
                             "'PyString'"),
                 id="stop_words-members-before-entries"),
    # stage 3 before stage 4, and key before value within an entry
    pytest.param(S, ({"a": "x"}, {1: 1.0}), {}, _value_error("x"),
                 id="type2freq_1-entries-before-type2freq_2-entries"),
    pytest.param(S, ({1: "x"}, {}), {}, KEY_ERROR, id="key-before-value"),
    # stage 4 before stage 5
    pytest.param(S, ({}, {1: 1.0}, "klingon"), {}, KEY_ERROR,
                 id="type2freq_2-entries-before-lexicon-name"),
    pytest.param(C, ({}, {"a": "x"}, {1: 1.0}), {}, _value_error("x"),
                 id="type2freq_2-entries-before-scores-entries"),
    # stage 5 before stage 6
    pytest.param(S, ({}, {}, "klingon"), {"reference_value": "avg"}, UNKNOWN_LEXICON,
                 id="lexicon-name-before-reference"),
    pytest.param(C, ({}, {}, {"a": "x"}), {"reference_value": []}, _value_error("x"),
                 id="scores-entries-before-reference"),
    pytest.param(S, ({1: 1.0}, {}, "klingon"), {}, KEY_ERROR,
                 id="lexicon-name-checked-after-entries"),
]


@pytest.mark.parametrize(("function", "args", "kwargs", "expected"), CASES)
def test_first_failing_stage_decides(function, args, kwargs, expected):
    with pytest.raises(BaseException) as info:
        function(*args, **kwargs)
    assert (type(info.value), str(info.value)) == expected


def test_reference_before_encoding(monkeypatch):
    monkeypatch.setitem(sys.modules, "json", None)
    with pytest.raises(ImportError):
        C({}, {}, {}, reference_value="average")
    with pytest.raises(BaseException) as info:
        C({}, {}, {}, reference_value="avg")
    assert (type(info.value), str(info.value)) == UNKNOWN_REFERENCE
