"""Shared data and helpers of the Python tests, which run against the installed module."""

from __future__ import annotations

import ctypes
import importlib.util
import decimal
import json
import math
import struct
import sys
from pathlib import Path

import pytest

import moodvane

REPO = Path(__file__).resolve().parents[2]
LEXICON_DATA = REPO / "lexicons" / "data"
sys.path.insert(0, str(REPO / "tools"))
import lexicon_manifest  # noqa: E402

# The built-in lexicons' keys in catalogue order, from lexicons/manifest.tsv.
LEXICON_KEYS = tuple(lexicon_manifest.keys())

# Test files of pure-Python code (the command line, the graphs, the tools that build and
# review the lexicons): they are marked pure_python, and run on one interpreter only, as
# nothing in them differs between interpreters of one stable ABI.
PURE_PYTHON_FILES = frozenset({
    "test_example.py", "test_general_example.py", "test_lexicon_data.py",
    "test_lexicon_review.py", "test_packaging.py", "test_readme.py", "test_tools_cli.py",
    "test_tools_export.py",
    "test_tools_graph.py", "test_tools_kinds.py", "test_tools_lexicons.py",
    "test_tools_outputs.py", "test_tools_text.py", "test_unicode_tables.py",
    "test_explain_cli.py", "test_report_page.py", "test_notebook.py",
})


def pytest_collection_modifyitems(items):
    for item in items:
        if item.path.name in PURE_PYTHON_FILES:
            item.add_marker(pytest.mark.pure_python)

RESULT_KEYS = [
    "entries",
    "component_sums",
    "total_diff",
    "norm",
    "s_avg_1",
    "s_avg_2",
    "reference_value",
    "normalization",
]
ENTRY_KEYS = ["type", "p_diff", "s_diff", "p_avg", "s_ref_diff", "shift_score"]
SUM_KEYS = ["pos_s_pos_p", "pos_s_neg_p", "neg_s_pos_p", "neg_s_neg_p", "pos_s", "neg_s"]

# Three words whose shift can be followed by hand: good and meh become more frequent in
# system 2, bad less.
WORKED_SCORES = {"good": 8.0, "bad": 2.0, "meh": 5.0}
WORKED_SYSTEM_1 = {"good": 1, "bad": 3}
WORKED_SYSTEM_2 = {"good": 3, "bad": 1, "meh": 4}
WORKED_JSON = (
    '{"entries":[{"type":"bad","p_diff":-0.625,"s_diff":0.0,"p_avg":0.4375,"s_ref_diff":-1.5,'
    '"shift_score":0.4166666666666667},{"type":"meh","p_diff":0.5,"s_diff":0.0,"p_avg":0.25,'
    '"s_ref_diff":1.5,"shift_score":0.3333333333333333},{"type":"good","p_diff":0.125,'
    '"s_diff":0.0,"p_avg":0.3125,"s_ref_diff":4.5,"shift_score":0.25}],"component_sums":'
    '{"pos_s_pos_p":0.5833333333333334,"pos_s_neg_p":0.0,"neg_s_pos_p":0.0,'
    '"neg_s_neg_p":0.4166666666666667,"pos_s":0.0,"neg_s":0.0},"total_diff":2.25,"norm":2.25,'
    '"s_avg_1":3.5,"s_avg_2":5.75,"reference_value":3.5,"normalization":"variation"}'
)


class Real:
    """A number known only through __float__."""

    def __init__(self, value):
        self.value = value

    def __float__(self):
        return self.value

    def __repr__(self):
        return f"Real({self.value!r})"


class Index:
    """A number known only through __index__."""

    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value

    def __repr__(self):
        return f"Index({self.value!r})"


def worked_shift(**options):
    return moodvane.weighted_avg_shift_custom(
        WORKED_SYSTEM_1, WORKED_SYSTEM_2, WORKED_SCORES, **options
    )


def _load_oracle():
    found = importlib.util.spec_from_file_location(
        "reference_shift", Path(__file__).with_name("reference_shift.py")
    )
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


oracle = _load_oracle()


def bits(value):
    """A float's exact 64-bit pattern, so that -0.0 and 0.0 differ and NaN equals itself."""
    return struct.pack("<d", value)


def canonical(result):
    """The result with every float replaced by its bit pattern and every non-finite float by
    None (as the module returns them), so that == compares bit for bit."""
    if isinstance(result, float):
        return bits(result) if math.isfinite(result) else None
    if isinstance(result, dict):
        return {key: canonical(value) for key, value in result.items()}
    if isinstance(result, list):
        return [canonical(item) for item in result]
    return result


def load_lexicon(name):
    """A shipped lexicon file read into a dict of floats, last line of a word winning."""
    scores = {}
    with open(LEXICON_DATA / f"{name}.tsv", encoding="utf-8", newline="") as text:
        for line in text:
            word, score = line.rstrip("\n").split("\t")[:2]
            scores[word] = float(score)
    return scores


def interpreter_error(api, value):
    """The exception that the interpreter's C function `api` raises for `value`, obtained by
    calling that very function, so the tests expect the interpreter's own type and text."""
    function = getattr(ctypes.pythonapi, api)
    function.argtypes = [ctypes.py_object]
    function.restype = ctypes.c_double if api == "PyFloat_AsDouble" else ctypes.py_object
    try:
        function(value)
    except BaseException as error:  # noqa: BLE001 - any interpreter error is the answer
        return error
    raise AssertionError(f"{api}({value!r}) did not fail")


def unsigned_error(value):
    """The interpreter's error when `value` is read as an unsigned 64-bit count."""
    function = ctypes.pythonapi.PyLong_AsUnsignedLongLong
    function.argtypes = [ctypes.py_object]
    function.restype = ctypes.c_ulonglong
    try:
        function(value)
    except BaseException as error:  # noqa: BLE001
        return error
    raise AssertionError(f"PyLong_AsUnsignedLongLong({value!r}) did not fail")


@pytest.fixture
def json_text(monkeypatch):
    """Makes the module return its JSON text itself: json.loads becomes the identity."""
    monkeypatch.setattr(json, "loads", lambda text: text)


class _GrowingValue:
    """A frequency whose float conversion inserts a key into the dict being read."""

    def __init__(self, target):
        self.target = target

    def __float__(self):
        self.target["inserted by __float__"] = 1.0
        return 1.0


def cause_fault():
    """Runs a call that ends in an internal fault and returns the exception it raised."""
    frequencies = {}
    frequencies["a"] = _GrowingValue(frequencies)
    frequencies["b"] = 2.0
    try:
        moodvane.weighted_avg_shift_custom(frequencies, {}, {})
    except BaseException as error:  # noqa: BLE001 - PanicException is no Exception
        return error
    raise AssertionError("a dict that grows while it is read did not fault")


@pytest.fixture(scope="session")
def panic_exception():
    """The module's fault type, which it exposes only by raising it."""
    return type(cause_fault())


# The layout of a number in the result's JSON text, rebuilt from the digits that repr()
# gives: fixed notation for decimal exponents -5 to 15, scientific otherwise.
def expected_number_text(value):
    if not math.isfinite(value):
        return "null"
    if value == 0.0:
        return "-0.0" if math.copysign(1.0, value) < 0 else "0.0"
    # repr() gives the shortest digits that read back; normalize() strips trailing zeros.
    negative, digit_tuple, exponent = decimal.Decimal(repr(value)).normalize().as_tuple()
    digits = "".join(map(str, digit_tuple))
    n = len(digits)
    e = exponent + n - 1  # the decimal exponent of the first digit
    if e < -5 or e > 15:
        body = digits[0] + ("." + digits[1:] if n > 1 else "") + f"e{'+' if e > 0 else '-'}{abs(e)}"
    elif n <= e + 1:
        body = digits + "0" * (e + 1 - n) + ".0"
    elif e < 0:
        body = "0." + "0" * (-e - 1) + digits
    else:
        body = digits[: e + 1] + "." + digits[e + 1:]
    return ("-" if negative else "") + body
