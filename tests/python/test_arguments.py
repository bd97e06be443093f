"""Argument matching and conversion: which calls are accepted, and the exact exception type
and message of every one that is not."""

from __future__ import annotations

import collections
import math
import types

import pytest

import moodvane
from conftest import (
    Index,
    Real,
    WORKED_SCORES,
    WORKED_SYSTEM_1,
    WORKED_SYSTEM_2,
    canonical,
    interpreter_error,
    unsigned_error,
    worked_shift,
)

SHIFT = moodvane.weighted_avg_shift
CUSTOM = moodvane.weighted_avg_shift_custom


class Holder:
    class Inner:
        """A type whose __qualname__ differs from its __name__."""


def _float_error(value):
    return interpreter_error("PyFloat_AsDouble", value)


def _index_error(value):
    return interpreter_error("PyNumber_Index", value)


def _utf8_error(text):
    return interpreter_error("PyUnicode_AsUTF8String", text)


def _case(case_id, function, args, kwargs, error, message=None):
    """One rejected call. `error` is an exception type with `message`, or an exception that
    the interpreter itself raised, whose type and text the module must pass on."""
    if isinstance(error, BaseException):
        error, message = type(error), str(error)
    return pytest.param(function, args, kwargs, error, message, id=case_id)


def _prefixed(case_id, function, args, kwargs, name, interpreter_exception):
    """A conversion whose interpreter TypeError comes back prefixed with the argument name."""
    assert type(interpreter_exception) is TypeError
    return _case(case_id, function, args, kwargs, TypeError,
                 f"argument '{name}': {interpreter_exception}")


S, C = SHIFT, CUSTOM
D = {}
SEVEN = (D, D, "english", None, 0, None, None)

MATCHING = [
    _case("shift-one-missing", S, (D,), {}, TypeError,
          "weighted_avg_shift() missing 1 required positional argument: 'type2freq_2'"),
    _case("shift-two-missing", S, (), {}, TypeError,
          "weighted_avg_shift() missing 2 required positional arguments: "
          "'type2freq_1' and 'type2freq_2'"),
    _case("shift-first-missing-second-by-keyword", S, (), {"type2freq_2": D}, TypeError,
          "weighted_avg_shift() missing 1 required positional argument: 'type2freq_1'"),
    _case("custom-three-missing", C, (), {}, TypeError,
          "weighted_avg_shift_custom() missing 3 required positional arguments: "
          "'type2freq_1', 'type2freq_2', and 'scores'"),
    _case("custom-scores-missing", C, (D, D), {}, TypeError,
          "weighted_avg_shift_custom() missing 1 required positional argument: 'scores'"),
    _case("custom-two-missing-around-a-keyword", C, (), {"type2freq_2": D}, TypeError,
          "weighted_avg_shift_custom() missing 2 required positional arguments: "
          "'type2freq_1' and 'scores'"),
    _case("shift-eight-positional", S, SEVEN + (None,), {}, TypeError,
          "weighted_avg_shift() takes from 2 to 7 positional arguments but 8 were given"),
    _case("custom-nine-positional", C, SEVEN + (None, None), {}, TypeError,
          "weighted_avg_shift_custom() takes from 3 to 7 positional arguments but 9 were given"),
    _case("too-many-positional-before-keywords", S, SEVEN + (None,), {"lexikon": 1}, TypeError,
          "weighted_avg_shift() takes from 2 to 7 positional arguments but 8 were given"),
    _case("misspelt-keyword-beside-the-right-one", S, (D, D),
          {"lexicon": "english", "lexikon": "english"}, TypeError,
          "weighted_avg_shift() got an unexpected keyword argument 'lexikon'"),
    _case("keywords-are-case-sensitive", S, (D, D), {"Lexicon": "english"}, TypeError,
          "weighted_avg_shift() got an unexpected keyword argument 'Lexicon'"),
    _case("scores-is-no-parameter-of-shift", S, (D, D), {"scores": D}, TypeError,
          "weighted_avg_shift() got an unexpected keyword argument 'scores'"),
    _case("lexicon-is-no-parameter-of-custom", C, (D, D, D), {"lexicon": "english"}, TypeError,
          "weighted_avg_shift_custom() got an unexpected keyword argument 'lexicon'"),
    _case("unencodable-keyword", S, (D, D), {"lexi\ud800con": "english"}, TypeError,
          "weighted_avg_shift() got an unexpected keyword argument 'lexi\ud800con'"),
    _case("keyword-repeats-a-positional", S, (D, D), {"type2freq_1": D}, TypeError,
          "weighted_avg_shift() got multiple values for argument 'type2freq_1'"),
    _case("custom-keyword-repeats-scores", C, (D, D, D), {"scores": D}, TypeError,
          "weighted_avg_shift_custom() got multiple values for argument 'scores'"),
    _case("optional-keyword-repeats-a-positional", S, (D, D, "english", None, 3), {"top_n": 3},
          TypeError, "weighted_avg_shift() got multiple values for argument 'top_n'"),
    # Keywords are taken in the caller's order: the first bad one is reported.
    _case("duplicate-keyword-before-unknown", S, (D, D), {"type2freq_1": D, "lexikon": 1},
          TypeError, "weighted_avg_shift() got multiple values for argument 'type2freq_1'"),
    _case("unknown-keyword-before-duplicate", S, (D, D), {"lexikon": 1, "type2freq_1": D},
          TypeError, "weighted_avg_shift() got an unexpected keyword argument 'lexikon'"),
    _case("unknown-keyword-before-missing", S, (D,), {"lexikon": 1}, TypeError,
          "weighted_avg_shift() got an unexpected keyword argument 'lexikon'"),
    _case("duplicate-keyword-before-missing", C, (D, D), {"type2freq_2": D}, TypeError,
          "weighted_avg_shift_custom() got multiple values for argument 'type2freq_2'"),
]

CONVERSION = [
    _case("list-as-type2freq_1", S, ([], D), {}, TypeError,
          "argument 'type2freq_1': 'list' object cannot be converted to 'PyDict'"),
    _case("none-as-type2freq_2", S, (D, None), {}, TypeError,
          "argument 'type2freq_2': 'NoneType' object cannot be converted to 'PyDict'"),
    _case("mappingproxy-as-type2freq_1", S, (types.MappingProxyType({}), D), {}, TypeError,
          "argument 'type2freq_1': 'mappingproxy' object cannot be converted to 'PyDict'"),
    _case("qualified-type-name", C, (D, Holder.Inner(), D), {}, TypeError,
          "argument 'type2freq_2': 'Holder.Inner' object cannot be converted to 'PyDict'"),
    _case("pairs-as-scores", C, (D, D, [("a", 1.0)]), {}, TypeError,
          "argument 'scores': 'list' object cannot be converted to 'PyDict'"),
    _case("none-as-lexicon", S, (D, D, None), {}, TypeError,
          "argument 'lexicon': 'NoneType' object cannot be converted to 'PyString'"),
    _case("bytes-as-lexicon", S, (D, D), {"lexicon": b"english"}, TypeError,
          "argument 'lexicon': 'bytes' object cannot be converted to 'PyString'"),
    _case("surrogate-in-lexicon", S, (D, D, "eng\ud800"), {}, _utf8_error("eng\ud800")),
    _prefixed("float-as-top_n", S, (D, D), {"top_n": 2.0}, "top_n", _index_error(2.0)),
    _prefixed("none-as-top_n", S, (D, D), {"top_n": None}, "top_n", _index_error(None)),
    _prefixed("str-as-top_n", C, (D, D, D), {"top_n": "3"}, "top_n", _index_error("3")),
    _case("negative-top_n", S, (D, D), {"top_n": -1}, unsigned_error(-1)),
    _case("top_n-above-64-bits", C, (D, D, D), {"top_n": 2**64}, unsigned_error(2**64)),
    _case("negative-index-as-top_n", C, (D, D, D), {"top_n": Index(-5)}, unsigned_error(-5)),
    _case("list-as-stop_lens", S, (D, D), {"stop_lens": [4, 6]}, TypeError,
          "argument 'stop_lens': 'list' object cannot be converted to 'PyTuple'"),
    _case("three-bounds", S, (D, D), {"stop_lens": (4, 5, 6)}, ValueError,
          "expected tuple of length 2, but got tuple of length 3"),
    _case("no-bounds", C, (D, D, D), {"stop_lens": ()}, ValueError,
          "expected tuple of length 2, but got tuple of length 0"),
    _case("length-before-item-type", C, (D, D, D), {"stop_lens": ("x",)}, ValueError,
          "expected tuple of length 2, but got tuple of length 1"),
    _prefixed("str-as-second-bound", S, (D, D), {"stop_lens": (4, "6")}, "stop_lens",
              _float_error("6")),
    _prefixed("first-bad-bound-wins", S, (D, D), {"stop_lens": ([4], "6")}, "stop_lens",
              _float_error([4])),
    _case("bound-too-large-for-a-float", S, (D, D), {"stop_lens": (4, 10**400)},
          _float_error(10**400)),
    _case("list-as-stop_words", S, (D, D), {"stop_words": ["a"]}, TypeError,
          "argument 'stop_words': 'list' object cannot be converted to 'PySet'"),
    _case("str-as-stop_words", C, (D, D, D), {"stop_words": "a"}, TypeError,
          "argument 'stop_words': 'str' object cannot be converted to 'PySet'"),
    _case("dict-as-stop_words", C, (D, D, D), {"stop_words": {"a": 1}}, TypeError,
          "argument 'stop_words': 'dict' object cannot be converted to 'PySet'"),
    _case("int-in-stop_words", S, (D, D), {"stop_words": {"a", 1}}, TypeError,
          "argument 'stop_words': 'int' object cannot be converted to 'PyString'"),
    _case("surrogate-in-stop_words", S, (D, D), {"stop_words": {"\udc80"}},
          _utf8_error("\udc80")),
]

CONTENTS = [
    _case("int-key", S, ({1: 1.0}, D), {}, TypeError,
          "'int' object cannot be converted to 'PyString'"),
    _case("bytes-key-in-type2freq_2", C, (D, {b"a": 1.0}, D), {}, TypeError,
          "'bytes' object cannot be converted to 'PyString'"),
    _case("surrogate-key", S, ({"a\udfff": 1.0}, D), {}, _utf8_error("a\udfff")),
    _case("str-frequency", S, ({"a": "1"}, D), {}, _float_error("1")),
    _case("none-frequency", C, (D, {"a": None}, D), {}, _float_error(None)),
    _case("frequency-too-large-for-a-float", S, ({"a": 10**400}, D), {},
          _float_error(10**400)),
    _case("int-key-in-scores", C, (D, D, {1: 1.0}), {}, TypeError,
          "'int' object cannot be converted to 'PyString'"),
    _case("key-checked-before-value", C, (D, D, {1: "bad"}), {}, TypeError,
          "'int' object cannot be converted to 'PyString'"),
    _case("str-score", C, (D, D, {"a": "8.5"}), {}, _float_error("8.5")),
    _case("entries-in-dict-order", C, (D, D, {"a": "8.5", 2: 1.0}), {}, _float_error("8.5")),
]

REFERENCE = [
    _case(f"reference-{text!r}", C, (D, D, D), {"reference_value": text}, ValueError,
          f"unknown reference_value: {quoted} (expected None, 'average', or a float)")
    for text, quoted in [
        ("avg", '"avg"'),
        (" average", '" average"'),
        ("average ", '"average "'),
        ("averages", '"averages"'),
        ("5.0", '"5.0"'),
        ("", '""'),
        ("None", '"None"'),
        ('say "hi"', r'"say \"hi\""'),
        ("back\\slash", r'"back\\slash"'),
        ("it's", "\"it's\""),
        ("tab\tline\ncr\r", r'"tab\tline\ncr\r"'),
        ("nul\x00", r'"nul\0"'),
        ("del\x7f esc\x1b", r'"del\u{7f} esc\u{1b}"'),
        ("nbsp\u00a0zwsp\u200bls\u2028", r'"nbsp\u{a0}zwsp\u{200b}ls\u{2028}"'),
        ("cafe\u0301", r'"cafe\u{301}"'),
        ("\u0301lead", r'"\u{301}lead"'),
        ("précis", '"précis"'),
        ("\u0130stanbul", '"\u0130stanbul"'),
    ]
] + [
    _case(f"reference-{case_id}", S, (D, D), {"reference_value": value}, ValueError,
          "reference_value must be None, 'average', or a float")
    for case_id, value in [
        ("list", [5.0]),
        ("bytes", b"average"),
        ("object", object()),
        ("complex", 1j),
        ("unencodable-str", "average\ud800"),
        ("float-raising", Real(None)),
    ]
]


@pytest.mark.parametrize(("function", "args", "kwargs", "error", "message"),
                         MATCHING + CONVERSION + CONTENTS + REFERENCE)
def test_rejected_call(function, args, kwargs, error, message):
    with pytest.raises(BaseException) as info:
        function(*args, **kwargs)
    assert type(info.value) is error
    assert str(info.value) == message


class RaisesTypeError:
    def __index__(self):
        raise TypeError("index refused") from KeyError("root cause")


class NarrowTypeError(TypeError):
    pass


class RaisesNarrowTypeError:
    def __index__(self):
        raise NarrowTypeError("subclass refused")


def test_prefixed_error_keeps_the_cause():
    with pytest.raises(TypeError) as info:
        CUSTOM({}, {}, {}, top_n=RaisesTypeError())
    assert str(info.value) == "argument 'top_n': index refused"
    assert type(info.value.__cause__) is KeyError
    assert info.value.__cause__.args == ("root cause",)


def test_only_exactly_typeerror_is_prefixed():
    with pytest.raises(NarrowTypeError) as info:
        CUSTOM({}, {}, {}, top_n=RaisesNarrowTypeError())
    assert str(info.value) == "subclass refused"


def test_every_parameter_by_keyword_in_any_order():
    expected = canonical(worked_shift(reference_value=5.0, top_n=2, stop_lens=(4.5, 4.6),
                                      stop_words={"none"}))
    got = CUSTOM(stop_words={"none"}, stop_lens=(4.5, 4.6), top_n=2, reference_value=5.0,
                 scores=WORKED_SCORES, type2freq_2=WORKED_SYSTEM_2, type2freq_1=WORKED_SYSTEM_1)
    assert canonical(got) == expected
    assert canonical(SHIFT(stop_words=None, type2freq_2={}, lexicon="english",
                           type2freq_1={}, top_n=0)) == canonical(SHIFT({}, {}))


class ItemsRefused(dict):
    """A dict subclass whose Python-level views all fail: the module reads the storage."""

    def items(self):
        raise AssertionError("items() consulted")

    def keys(self):
        raise AssertionError("keys() consulted")

    def values(self):
        raise AssertionError("values() consulted")

    def __iter__(self):
        raise AssertionError("__iter__ consulted")

    def __getitem__(self, key):
        raise AssertionError("__getitem__ consulted")

    def __len__(self):
        raise AssertionError("__len__ consulted")


@pytest.mark.parametrize("wrap", [
    collections.Counter,
    collections.OrderedDict,
    lambda d: collections.defaultdict(float, d),
    ItemsRefused,
], ids=["Counter", "OrderedDict", "defaultdict", "overridden-views"])
def test_dict_subclasses_read_like_dicts(wrap):
    expected = canonical(worked_shift())
    got = CUSTOM(wrap(WORKED_SYSTEM_1), wrap(WORKED_SYSTEM_2), wrap(WORKED_SCORES))
    assert canonical(got) == expected


class Word(str):
    pass


def test_str_subclasses_are_taken_as_their_text():
    expected = canonical(worked_shift(stop_words={"meh"}))
    got = CUSTOM({Word(k): v for k, v in WORKED_SYSTEM_1.items()},
                 {Word(k): v for k, v in WORKED_SYSTEM_2.items()},
                 {Word(k): v for k, v in WORKED_SCORES.items()},
                 stop_words={Word("meh")})
    assert canonical(got) == expected
    assert canonical(SHIFT({}, {}, Word("English"))) == canonical(SHIFT({}, {}))


@pytest.mark.parametrize("top_n, count", [
    (True, 1), (False, 3), (Index(2), 2), (0, 3), (1, 1), (2**64 - 1, 3),
])
def test_top_n_accepts_indexes(top_n, count):
    assert len(worked_shift(top_n=top_n)["entries"]) == count


Lens = collections.namedtuple("Lens", "lo hi")


@pytest.mark.parametrize("lens", [
    (4, 6), (6, 4), (4.0, 6.0), Lens(4, 6), (Real(6.0), Index(4)), (4, Real(6.0)),
], ids=["ints", "reversed", "floats", "namedtuple", "objects", "mixed"])
def test_stop_lens_accepts_numbers(lens):
    assert canonical(worked_shift(stop_lens=lens)) == canonical(worked_shift(stop_lens=(4.0, 6.0)))


def test_stop_lens_of_bools_is_the_interval_from_zero_to_one():
    scores = {"zero": 0.0, "half": 0.5, "one": 1.0, "two": 2.0}
    freqs = dict.fromkeys(scores, 1.0)
    got = CUSTOM(freqs, freqs, scores, stop_lens=(True, False))
    assert [entry["type"] for entry in got["entries"]] == ["two"]


class WordSet(set):
    pass


class FrozenWordSet(frozenset):
    pass


@pytest.mark.parametrize("stop_words", [
    {"meh"}, frozenset({"meh"}), WordSet({"meh"}), FrozenWordSet({"meh", "unused"}),
], ids=["set", "frozenset", "set-subclass", "frozenset-subclass"])
def test_stop_words_accepts_sets(stop_words):
    got = worked_shift(stop_words=stop_words)
    assert [entry["type"] for entry in got["entries"]] == ["good", "bad"]


@pytest.mark.parametrize("empty", [None, set(), frozenset()], ids=["None", "set", "frozenset"])
def test_empty_stop_words_drop_nothing(empty):
    assert canonical(worked_shift(stop_words=empty)) == canonical(worked_shift())


@pytest.mark.parametrize("value, as_float", [
    (3, 3.0), (True, 1.0), (False, 0.0), (2.5, 2.5), (-1.0, -1.0), (-1, -1.0),
    (Real(0.25), 0.25), (Index(7), 7.0), (10**20, 1e20),
], ids=["int", "True", "False", "float", "minus-one-float", "minus-one-int", "__float__",
        "__index__", "big-int"])
def test_numbers_convert_like_float(value, as_float):
    """Frequencies, scores and fixed references all read their numbers like float()."""
    freqs = CUSTOM({"a": value, "b": 1.0}, {}, {"a": 1.0, "b": 1.0}, reference_value=0.0)
    plain = CUSTOM({"a": as_float, "b": 1.0}, {}, {"a": 1.0, "b": 1.0}, reference_value=0.0)
    assert canonical(freqs) == canonical(plain)
    scored = CUSTOM({"a": 1.0}, {}, {"a": value}, reference_value=0.0)
    assert canonical(scored["entries"][0]["s_ref_diff"]) == canonical(as_float)
    fixed = CUSTOM({}, {}, {}, reference_value=value)
    assert canonical(fixed["reference_value"]) == canonical(as_float)


@pytest.mark.parametrize("reference", [
    None, "average", "AVERAGE", "Average", "aVeRaGe", Word("average"),
])
def test_average_reference_spellings(reference):
    assert canonical(worked_shift(reference_value=reference)) == canonical(worked_shift())


def test_non_finite_numbers_pass_unchecked():
    got = CUSTOM({"a": math.inf, "b": -2.0}, {"a": math.nan}, {"a": 1.0, "b": math.nan},
                 reference_value=math.nan, stop_lens=(math.nan, 0.0))
    assert got["reference_value"] is None
    assert got["s_avg_1"] is None
    # A NaN bound drops nothing; where NaN contributions sort is the module's choice.
    assert sorted(entry["type"] for entry in got["entries"]) == ["a", "b"]
