"""The result as Python objects, made by the interpreter's json.loads from the module's JSON
text: key order, number and string forms, the text itself, and what happens when json is
missing or replaced."""

from __future__ import annotations

import json
import math
import os
import random
import re
import struct
import sys
import types

import pytest

import moodvane
from conftest import (
    ENTRY_KEYS,
    RESULT_KEYS,
    SUM_KEYS,
    WORKED_JSON,
    bits,
    expected_number_text,
    worked_shift,
)

CUSTOM = moodvane.weighted_avg_shift_custom


def _numbers(value):
    if isinstance(value, dict):
        for item in value.values():
            yield from _numbers(item)
    elif isinstance(value, list):
        for item in value:
            yield from _numbers(item)
    elif not isinstance(value, str):
        yield value


def test_key_order():
    result = CUSTOM({"a": 1, "b": 2}, {"b": 1}, {"a": 1.0, "b": 9.0})
    assert list(result) == RESULT_KEYS
    assert list(result["component_sums"]) == SUM_KEYS
    assert [list(entry) for entry in result["entries"]] == [ENTRY_KEYS, ENTRY_KEYS]
    empty = CUSTOM({}, {}, {})
    assert list(empty) == RESULT_KEYS and empty["entries"] == []


def test_numbers_are_floats_or_none():
    result = CUSTOM({"a": 5, "b": 5}, {"a": 1, "b": 1}, {"a": 5, "b": 5}, reference_value=7)
    assert result["s_avg_1"] == 5.0 and type(result["s_avg_1"]) is float
    assert result["reference_value"] == 7.0 and type(result["reference_value"]) is float
    assert {type(number) for number in _numbers(result)} == {float}
    assert type(result["normalization"]) is str and result["normalization"] == "variation"


NAN_PAYLOADS = [struct.unpack("<d", bytes.fromhex(pattern))[0]
                for pattern in ("010000000000f87f", "010000000000f0ff", "ffffffffffffffff")]


@pytest.mark.parametrize("value", [math.nan, -math.nan, math.inf, -math.inf] + NAN_PAYLOADS)
def test_non_finite_numbers_come_back_as_none(value):
    fixed = CUSTOM({"a": 1}, {"a": 2}, {"a": 3.0}, reference_value=value)
    # Only the numbers that the value reaches turn into None.
    assert fixed["reference_value"] is None
    assert (fixed["s_avg_1"], fixed["s_avg_2"]) == (3.0, 3.0)
    (entry,) = fixed["entries"]
    assert (entry["p_diff"], entry["p_avg"], entry["s_diff"]) == (0.0, 1.0, 0.0)
    assert (entry["s_ref_diff"], entry["shift_score"]) == (None, None)
    assert (fixed["total_diff"], fixed["norm"]) == (None, None)
    assert fixed["normalization"] == "variation"


def test_negative_zero_keeps_its_sign():
    result = CUSTOM({"a": 1}, {"a": 1}, {"a": -0.0}, reference_value=-0.0)
    assert bits(result["reference_value"]) == bits(-0.0)
    # Every term of both averages is -0.0, so both stay -0.0.
    assert bits(result["s_avg_1"]) == bits(-0.0) and bits(result["s_avg_2"]) == bits(-0.0)
    assert bits(result["entries"][0]["s_ref_diff"]) == bits(0.0)
    assert bits(CUSTOM({}, {}, {}, reference_value=0.0)["reference_value"]) == bits(0.0)


WORDS = [
    'say "hi"', "back\\slash", "tab\there", "line\nfeed", "cr\rlf", "bell\x07", "nul\x00",
    "unit\x1f", "esc\x1b", "bs\x08ff\x0c", "del\x7f", "slash/", "", " ", "é", "日本語",
    "emoji \U0001F600", "mixed \"\\\t\u2028\u00a0", "\ufeffbom", "NaN", "null",
]


def test_words_round_trip():
    freqs = {word: i + 1 for i, word in enumerate(WORDS)}
    result = CUSTOM(freqs, {}, dict.fromkeys(WORDS, 1.0))
    assert sorted(entry["type"] for entry in result["entries"]) == sorted(WORDS)


def test_escapes_in_the_text(json_text):
    freqs = {word: 1 for word in WORDS}
    text = CUSTOM(freqs, freqs, dict.fromkeys(WORDS, 1.0))
    assert type(text) is str
    for word, written in [
        ('say "hi"', r'"say \"hi\""'),
        ("back\\slash", r'"back\\slash"'),
        ("tab\there", r'"tab\there"'),
        ("line\nfeed", r'"line\nfeed"'),
        ("cr\rlf", r'"cr\rlf"'),
        ("bell\x07", r'"bell\u0007"'),
        ("nul\x00", r'"nul\u0000"'),
        ("unit\x1f", r'"unit\u001f"'),
        ("esc\x1b", r'"esc\u001b"'),
        ("bs\x08ff\x0c", r'"bs\bff\f"'),
        ("del\x7f", '"del\x7f"'),
        ("slash/", '"slash/"'),
        ("", '""'),
        ("日本語", '"日本語"'),
        ("emoji \U0001F600", '"emoji \U0001F600"'),
        ("mixed \"\\\t\u2028\u00a0", '"mixed \\"\\\\\\t\u2028\u00a0"'),
    ]:
        assert f'"type":{written},' in text, word
    assert not re.search(r"\\u[0-9a-f]{0,3}[A-F]", text), "hex digits must be lower case"
    assert "\\/" not in text and "\\u007f" not in text and "\\u00e9" not in text


def test_worked_example_text(json_text):
    assert worked_shift() == WORKED_JSON
    assert CUSTOM({}, {}, {}) == (
        '{"entries":[],"component_sums":{"pos_s_pos_p":0.0,"pos_s_neg_p":0.0,"neg_s_pos_p":0.0,'
        '"neg_s_neg_p":0.0,"pos_s":0.0,"neg_s":0.0},"total_diff":0.0,"norm":1.0,"s_avg_1":0.0,'
        '"s_avg_2":0.0,"reference_value":0.0,"normalization":"variation"}'
    )


def test_loads_result_is_returned_unchecked(monkeypatch):
    sentinel = object()
    seen = []
    monkeypatch.setattr(json, "loads", lambda *args, **kwargs: seen.append((args, kwargs))
                        or sentinel)
    assert worked_shift() is sentinel
    assert seen == [((WORKED_JSON,), {})]


def test_loads_is_looked_up_on_every_call(monkeypatch):
    assert type(worked_shift()) is dict
    monkeypatch.setattr(json, "loads", lambda text: len(text))
    assert worked_shift() == len(WORKED_JSON)
    monkeypatch.undo()
    assert type(worked_shift()) is dict


def test_loads_raising_passes_its_exception(monkeypatch):
    failure = LookupError("loads refused")

    def refuse(text):
        raise failure

    monkeypatch.setattr(json, "loads", refuse)
    with pytest.raises(LookupError) as info:
        worked_shift()
    assert info.value is failure


def _interpreter_import_error():
    try:
        __import__("json")
    except ImportError as error:
        return error
    raise AssertionError("json imported although blocked")


def test_json_blocked_raises_the_import_error(monkeypatch):
    system_1 = {"good": 1, "bad": 3}
    monkeypatch.setitem(sys.modules, "json", None)
    expected = _interpreter_import_error()
    with pytest.raises(ImportError) as info:
        result = moodvane.weighted_avg_shift_custom(system_1, {"good": 2}, {"good": 8.0})
        pytest.fail(f"returned {result!r}")
    assert (type(info.value), str(info.value)) == (type(expected), str(expected))
    assert system_1 == {"good": 1, "bad": 3}
    monkeypatch.undo()
    assert type(worked_shift()) is dict


def test_json_without_loads(monkeypatch):
    monkeypatch.setitem(sys.modules, "json", types.ModuleType("json"))
    with pytest.raises(AttributeError) as info:
        worked_shift()
    assert str(info.value) == "module 'json' has no attribute 'loads'"


@pytest.mark.parametrize(("value", "text"), [
    (1.0, "1.0"), (-0.25, "-0.25"), (123.456, "123.456"), (1e15, "1000000000000000.0"),
    (2.0**53, "9007199254740992.0"), (1e16, "1e+16"), (1.5e16, "1.5e+16"),
    (2.0**54, "1.8014398509481984e+16"), (0.00001, "0.00001"), (1.234e-5, "0.00001234"),
    (0.000001, "1e-6"), (1.2345e-6, "1.2345e-6"), (0.1 + 0.2, "0.30000000000000004"),
    (5e-324, "5e-324"), (sys.float_info.max, "1.7976931348623157e+308"),
    (-sys.float_info.max, "-1.7976931348623157e+308"), (0.5, "0.5"), (123.0, "123.0"),
])
def test_number_forms(value, text, json_text):
    assert expected_number_text(value) == text
    written = CUSTOM({}, {}, {}, reference_value=value)
    assert written.endswith(f',"reference_value":{text},"normalization":"variation"}}')


def _random_doubles(rng, count):
    values = [struct.unpack("<d", rng.getrandbits(64).to_bytes(8, "little"))[0]
              for _ in range(count)]
    # Random bit patterns seldom land near the switch between the two notations.
    values += [rng.uniform(1, 10) * 10.0 ** rng.randint(-8, 18) for _ in range(count // 4)]
    values += [float(rng.randint(1, 10**rng.randint(1, 17))) for _ in range(count // 8)]
    return values


ENTRY = re.compile(r'\{"type":"(w\d+)","p_diff":([^,]*),"s_diff":([^,]*),"p_avg":([^,]*),'
                   r'"s_ref_diff":([^,]*),"shift_score":([^}]*)\}')
NUMBER = re.compile(r'(?<=:)[^",{\[\]}]+')


@pytest.mark.slow
def test_number_texts_match_repr(json_text):
    rng = random.Random(0x5EED)
    checked = 0
    # Under the sanitizers, which make it five times slower, a quarter of the values.
    batches = 2 if os.environ.get("MOODVANE_SANITIZED") == "1" else 8
    for batch in range(batches):
        values = _random_doubles(rng, 8000)
        words = [f"w{i}" for i in range(len(values))]
        # With a fixed reference of 0.0, every s_ref_diff is the score itself.
        text = CUSTOM(dict.fromkeys(words, 1.0), {}, dict(zip(words, values)),
                      reference_value=0.0)
        written = {match[1]: match[5] for match in ENTRY.finditer(text)}
        assert len(written) == len(words)
        for word, value in zip(words, values):
            assert written[word] == expected_number_text(value), (word, value.hex())
        # Every other number in the text is laid out by the same rule.
        for number in NUMBER.findall(text):
            if number != "null":
                assert number == expected_number_text(float(number)), number
                checked += 1
    assert checked > batches * 8000 * 5
