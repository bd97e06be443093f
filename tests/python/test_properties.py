"""Random arguments of every type and shape: each call returns a result or raises exactly one
exception of a documented type, never crashes; and for valid arguments the result's JSON text
is, byte for byte, the one that the pure-Python shift in bench/ computes.

The run is random on a developer's machine and derandomized under CI (CI set) or with
MOODVANE_HYPOTHESIS_PROFILE=ci; MOODVANE_HYPOTHESIS_PROFILE=long explores twenty times more.
"""

from __future__ import annotations

import collections
import contextlib
import ctypes
import functools
import json
import os

from hypothesis import HealthCheck, event, given, note, settings
from hypothesis import strategies as st

import moodvane
from conftest import (
    Index,
    Real,
    ENTRY_KEYS,
    LEXICON_KEYS,
    RESULT_KEYS,
    SUM_KEYS,
    cause_fault,
    expected_number_text,
    load_lexicon,
    oracle,
)

SHIFT = moodvane.weighted_avg_shift
CUSTOM = moodvane.weighted_avg_shift_custom
SHIFT_PARAMETERS = ("type2freq_1", "type2freq_2", "lexicon", "reference_value", "top_n",
                    "stop_lens", "stop_words")
CUSTOM_PARAMETERS = ("type2freq_1", "type2freq_2", "scores", "reference_value", "top_n",
                     "stop_lens", "stop_words")
SIZE_CHANGED = "dictionary changed size during iteration"
KEYS_CHANGED = "dictionary keys changed during iteration"
PANIC_TEXT = "raised by caller code"

_common = dict(deadline=None, print_blob=True,
               suppress_health_check=[HealthCheck.too_slow, HealthCheck.data_too_large])
settings.register_profile("moodvane-dev", **_common)
settings.register_profile("moodvane-ci", derandomize=True, database=None, **_common)
settings.register_profile("moodvane-long", **_common)
_PROFILE = os.environ.get("MOODVANE_HYPOTHESIS_PROFILE") or (
    "ci" if os.environ.get("CI", "").lower() not in ("", "0", "false") else "dev")
# Under the sanitizers each call costs several times as much: a quarter of the examples
# still takes every path of the module through them, and the plain runs try them all.
_SCALE = (20 if _PROFILE == "long" else
          0.25 if os.environ.get("MOODVANE_SANITIZED") == "1" else 1)


def examples(count):
    """The settings of one test: the chosen profile, `count` examples (more in a long run,
    fewer under the sanitizers)."""
    return settings(settings.get_profile(f"moodvane-{_PROFILE}"),
                    max_examples=max(10, round(count * _SCALE)))


@functools.cache
def panic_type():
    return type(cause_fault())


# --- Caller objects: well-behaved ones of unusual types, and hostile ones -----------------

class Hostile(Exception):
    """What hostile caller code raises; the module must pass it on or turn it into a fault."""


def _refuse(*_args, **_kwargs):
    raise Hostile("a method the module must not call")


class FloatSub(float):
    """A float whose own value counts: its __float__ is never consulted."""

    __float__ = _refuse

    def __repr__(self):
        return f"FloatSub({float.__repr__(self)})"


class IntSub(int):
    """An int whose __float__ disagrees with its value (the conversion must ask it), and
    whose __index__ must not be consulted where an int is read directly (top_n)."""

    def __float__(self):
        return int(self) + 0.25

    __index__ = _refuse

    def __repr__(self):
        return f"IntSub({int.__repr__(self)})"


class StrSub(str):
    def __repr__(self):
        return f"StrSub({str.__repr__(self)})"


class TwinStr(str):
    """A word that equals no other object, itself included once it is a different object:
    two of them with the same text are two dict keys, which the module reads as one word."""

    def __hash__(self):
        return 0

    def __eq__(self, other):
        return self is other

    def __ne__(self, other):
        return self is not other

    __str__ = _refuse

    def __repr__(self):
        return f"TwinStr({str.__repr__(self)})"


class NumericStr(str):
    """A str that is also a number: a frequency or score through its __float__."""

    def __new__(cls, text, value):
        made = super().__new__(cls, text)
        made.value = value
        return made

    def __float__(self):
        return self.value

    def __repr__(self):
        return f"NumericStr({str.__repr__(self)}, {self.value!r})"


_REAL_LOADS = json.loads


def _parsed(result):
    """A result as a dict, also while json.loads is the identity."""
    return _REAL_LOADS(result) if isinstance(result, str) else result


class Reentrant:
    """A number whose conversion calls the module again: a nested call that succeeds, one
    that ends in an internal fault, or one that recurses into itself without end."""

    def __init__(self, kind):
        self.kind = kind
        self.FAULT = kind == "fault"
        self.RAISES = (RecursionError,) if kind == "recursive" else ()

    def __float__(self):
        if self.kind == "nested":
            return _parsed(CUSTOM({"a": 1.0}, {"b": 2.0}, {"a": 3.0, "b": 5.5}))["s_avg_2"]
        if self.kind == "fault":
            table = {"x": Mutator("grow"), "y": 1.0}
            table["x"].target = table
            return _parsed(CUSTOM(table, {}, {}))["norm"]
        return _parsed(CUSTOM({"x": self}, {}, {}))["norm"]

    def __index__(self):
        return int(self.__float__())

    def __repr__(self):
        return f"Reentrant({self.kind!r})"


class HostileDict(dict):
    """A dict whose every Python-level method raises: the module reads the dict's storage
    (and where a number is due, the conversion raises)."""

    __iter__ = keys = values = items = get = __getitem__ = __len__ = __contains__ = _refuse
    __eq__ = __hash__ = __bool__ = __float__ = __index__ = _refuse

    def __repr__(self):
        return f"HostileDict({dict.__repr__(self)})"


class NumericDict(dict):
    """A dict that is also a number, through __float__ and __index__."""

    def __init__(self, value):
        super().__init__()
        self.value = value

    def __float__(self):
        return float(self.value)

    def __index__(self):
        return int(self.value)

    def __repr__(self):
        return f"NumericDict({self.value!r})"


class HostileSet(set):
    """A set whose methods raise, except iteration, which is how the module reads it (and
    where a number is due, the conversion raises)."""

    __len__ = __contains__ = __eq__ = __hash__ = __bool__ = __float__ = __index__ = _refuse

    def __repr__(self):
        return f"HostileSet({sorted(set.__iter__(self))!r})"


class ExtraSet(set):
    """A set whose iteration yields more words than it holds: the iteration is what counts."""

    extra = ()

    def __iter__(self):
        yield from set.__iter__(self)
        yield from self.extra

    def __repr__(self):
        return f"ExtraSet({sorted(set.__iter__(self))!r}, extra={self.extra!r})"


class FrozenSub(frozenset):
    __hash__ = __eq__ = _refuse


class TupleSub(tuple):
    """A tuple whose Python-level access raises: the module reads its items directly."""

    __iter__ = __getitem__ = __len__ = _refuse


Lens = collections.namedtuple("Lens", "lo hi")


# Hostile objects that can end a call with an internal fault carry FAULT = True.

class Raises:
    """A number whose conversion raises `error`."""

    FAULT = False

    def __init__(self, error):
        self.error = error

    def __float__(self):
        raise self.error

    __index__ = __float__

    def __repr__(self):
        return f"Raises({self.error!r})"


class RaisesPanic(Raises):
    """A number whose conversion raises the module's own PanicException."""

    FAULT = True

    def __init__(self):
        super().__init__(None)

    def __float__(self):
        raise panic_type()(PANIC_TEXT)

    __index__ = __float__

    def __repr__(self):
        return "RaisesPanic()"


class WrongReturn:
    """__float__ and __index__ that return the wrong type."""

    def __float__(self):
        return "1.0"

    def __index__(self):
        return 1.5

    def __repr__(self):
        return "WrongReturn()"


class Mutator:
    """A number whose conversion changes the dict it sits in (set by the strategy that
    builds the dict), once, then reads as 1.0."""

    FAULT = True
    STATEFUL = True

    def __init__(self, kind):
        self.kind = kind
        self.target = None

    def __float__(self):
        target, self.target = self.target, None
        if target is not None:
            if self.kind == "grow":
                target[f"grown {id(self)}"] = 1.0
            elif self.kind == "swap" and target:
                del target[next(iter(dict.keys(target)))]
                target[f"swapped {id(self)}"] = 1.0
            elif self.kind == "clear":
                target.clear()
            else:  # rewrite: new values, same keys
                for key in list(dict.keys(target)):
                    target[key] = 2.0
        return 1.0

    def __index__(self):
        return int(self.__float__())

    def __repr__(self):
        return f"Mutator({self.kind!r})"


class RaisingIterSet(set):
    """A set whose iteration raises part-way."""

    FAULT = True

    def __iter__(self):
        yield from set.__iter__(self)
        raise Hostile("iteration refused")

    def __repr__(self):
        return f"RaisingIterSet({sorted(map(repr, set.__iter__(self)))!r})"


class ResizingIterSet(set):
    """A set that grows while it is iterated: the interpreter's set iterator objects."""

    FAULT = True
    STATEFUL = True

    def __iter__(self):
        for member in set.__iter__(self):
            self.add(member + " again")
            yield member

    def __repr__(self):
        return f"ResizingIterSet({sorted(map(repr, set.__iter__(self)))!r})"


# --- What the module is documented to do with each argument, computed independently ------

_as_double_api = ctypes.pythonapi.PyFloat_AsDouble
_as_double_api.argtypes = [ctypes.py_object]
_as_double_api.restype = ctypes.c_double


def as_double(value):
    """The interpreter's own float conversion of a frequency, score or bound."""
    return _as_double_api(value)


def plain(word):
    """A word's text as an exact str, without consulting any method of a subclass."""
    return str.__str__(word) if type(word) is not str else word


class Pairs:
    """A frequency or score table as the module reads it: the dict's own entries in storage
    order, keys as plain text and values converted, duplicates of one text kept apart."""

    def __init__(self, table):
        self.pairs = [(plain(key), as_double(value)) for key, value in dict.items(table)]

    def items(self):
        return self.pairs


def expected_top_n(value):
    return int.__index__(value) if isinstance(value, int) else value.__index__()


@functools.cache
def lexicon_scores(key):
    return load_lexicon(key)


@functools.cache
def lexicon_sample(key):
    """A few hundred of a lexicon's words, positive, neutral and negative ones."""
    words = list(lexicon_scores(key))
    return words[:: max(1, len(words) // 300)]


# --- The JSON text of a result, laid out independently of the module ----------------------

_STRING_ESCAPES = {'"': '\\"', "\\": "\\\\", "\b": "\\b", "\t": "\\t", "\n": "\\n",
                   "\f": "\\f", "\r": "\\r"}


def json_string(text):
    return '"' + "".join(_STRING_ESCAPES.get(char) or
                         (f"\\u{ord(char):04x}" if char < " " else char)
                         for char in text) + '"'


def json_object(members):
    return "{" + ",".join(f"{json_string(key)}:{value}" for key, value in members) + "}"


def json_text_of(result):
    """The text the module writes for a result of the pure-Python shift."""
    entries = ",".join(
        json_object([("type", json_string(entry["type"]))] +
                    [(key, expected_number_text(entry[key])) for key in ENTRY_KEYS[1:]])
        for entry in result["entries"])
    sums = json_object((key, expected_number_text(result["component_sums"][key])) for key in SUM_KEYS)
    return json_object([("entries", f"[{entries}]"), ("component_sums", sums),
                        *((key, expected_number_text(result[key])) for key in RESULT_KEYS[2:7]),
                        ("normalization", json_string(result["normalization"]))])


@contextlib.contextmanager
def loads_returns_text():
    """json.loads as the identity, so the module returns its JSON text."""
    original = json.loads
    json.loads = lambda text: text
    try:
        yield original
    finally:
        json.loads = original


# --- Strategies of valid arguments ---------------------------------------------------------

PLAIN_WORDS = st.text(st.characters(exclude_categories=("Cs",)), max_size=6)
AWKWARD_WORDS = st.text('ab"\\\t\n\r\x00\x1f\x7f/é€\U0001F600 ', max_size=4)
WORDS = st.one_of(st.sampled_from(["happy", "sad", "rain", "sun", "", "Zebra", "apple"]),
                  PLAIN_WORDS, AWKWARD_WORDS)


def key_objects(text):
    return st.sampled_from([str, StrSub, TwinStr]).map(lambda make: make(text))


FINITE = st.floats(allow_nan=False, allow_infinity=False)
NON_TEXT_NUMBERS = st.one_of(
    st.integers(0, 12),
    st.floats(),  # NaN, the infinities, negative zero, subnormals
    st.integers(-(2**1023), 2**1023),
    st.booleans(),
    st.builds(Real, st.floats()),
    st.builds(Index, st.integers(-(2**80), 2**80)),
    st.builds(FloatSub, st.floats()),
    st.builds(IntSub, st.integers(-1000, 1000)),
    st.builds(NumericDict, st.integers(-5, 5)),
    st.builds(Reentrant, st.just("nested")),
)
NUMBERS = st.one_of(NON_TEXT_NUMBERS, st.builds(NumericStr, PLAIN_WORDS, FINITE))
FREQUENCIES = st.one_of(st.integers(0, 9), NUMBERS)
SCORES = st.one_of(st.floats(1.0, 9.0), st.integers(1, 9), NUMBERS)
DICT_TYPES = st.sampled_from([dict, HostileDict, collections.Counter, collections.OrderedDict,
                              functools.partial(collections.defaultdict, float)])


@st.composite
def number_dicts(draw, vocabulary, values):
    words = st.one_of(st.sampled_from(vocabulary), st.sampled_from(vocabulary),
                      WORDS) if vocabulary else WORDS
    pairs = draw(st.lists(st.tuples(words.flatmap(key_objects), values), max_size=10))
    table = draw(DICT_TYPES)()
    for key, value in pairs:
        dict.__setitem__(table, key, value)
    return table


@st.composite
def word_sets(draw, vocabulary):
    words = st.one_of(st.sampled_from(vocabulary), WORDS) if vocabulary else WORDS
    members = draw(st.lists(words.flatmap(key_objects), max_size=5))
    make = draw(st.sampled_from([set, frozenset, HostileSet, ExtraSet, FrozenSub]))
    made = make(members)
    if make is ExtraSet:
        made.extra = tuple(draw(st.lists(words, max_size=3)))
    return made


def lenses():
    bounds = st.one_of(st.integers(0, 10), st.floats(0.0, 10.0), NUMBERS)
    pairs = st.tuples(bounds, bounds)
    return st.one_of(st.none(), pairs,
                     pairs.map(lambda pair: Lens(*pair)), pairs.map(TupleSub))


def _ascii_cases(text):
    return st.lists(st.booleans(), min_size=len(text), max_size=len(text)).map(
        lambda upper: "".join(c.upper() if u else c for c, u in zip(text, upper)))


REFERENCES = st.one_of(
    st.none(),
    _ascii_cases("average").flatmap(lambda text: st.sampled_from([text, StrSub(text)])),
    NON_TEXT_NUMBERS,  # a str is read as text, never as a number
    st.builds(NumericStr, st.just("\ud800 not text"), FINITE),
)
TOP_N = st.one_of(st.just(0), st.integers(0, 12), st.booleans(),
                  st.builds(Index, st.integers(0, 9)), st.builds(IntSub, st.integers(0, 9)),
                  st.integers(2**63, 2**64 - 1))


def lexicon_names(key):
    name = st.one_of(st.just(key), _ascii_cases(key))
    name = st.one_of(name, name.map(lambda text: "senTX_" + text))
    return name.flatmap(lambda text: st.sampled_from([text, StrSub(text)]))


@st.composite
def arrange(draw, function, parameters, values, omitted):
    """A call of `function` with `values`: some positional, the rest by keyword in any
    order; a parameter in `omitted` (which holds its default) may be left out."""
    count = draw(st.integers(0, len(parameters)))
    args = tuple(values[:count])
    names = [name for i, name in enumerate(parameters[count:], count)
             if i not in omitted or draw(st.booleans())]
    names = draw(st.permutations(names))
    kwargs = {name: values[parameters.index(name)] for name in names}
    return function, args, kwargs


class Expected:
    """The pure-Python shift's inputs for one valid call, as the module should read them."""

    def __init__(self, values, lexicon_scores_=None):
        frequencies_1, frequencies_2, scores, reference, top_n, lens, stops = values
        self.inputs = (
            Pairs(frequencies_1),
            Pairs(frequencies_2),
            lexicon_scores_ if lexicon_scores_ is not None else Pairs(scores),
            _expected_reference(reference),
            expected_top_n(top_n),
            None if lens is None else tuple(as_double(tuple.__getitem__(lens, i)) for i in (0, 1)),
            None if stops is None else [plain(word) for word in stops],
        )

    def text(self):
        return json_text_of(oracle.weighted_avg_shift(*self.inputs))


def _expected_reference(value):
    if value is None:
        return None
    if isinstance(value, str):
        try:
            text = plain(value).encode("utf-8").decode("ascii")
        except (UnicodeEncodeError, UnicodeDecodeError):
            return as_double(value)  # no text: the float conversion decides
        assert text.lower() == "average"
        return None
    return as_double(value)


@st.composite
def valid_calls(draw, function):
    if function is SHIFT:
        key = draw(st.sampled_from(LEXICON_KEYS))
        vocabulary = draw(st.lists(st.sampled_from(lexicon_sample(key)), max_size=10))
        third = draw(lexicon_names(key))
        scores = lexicon_scores(key)
        parameters, omitted = SHIFT_PARAMETERS, {2, 3, 4, 5, 6}
    else:
        vocabulary = draw(st.lists(WORDS, max_size=10, unique=True))
        third = draw(number_dicts(vocabulary, SCORES))
        scores = None
        parameters, omitted = CUSTOM_PARAMETERS, {3, 4, 5, 6}
    frequencies_1 = draw(number_dicts(vocabulary, FREQUENCIES))
    frequencies_2 = draw(number_dicts(vocabulary, FREQUENCIES))
    reference = draw(REFERENCES)
    top_n = draw(TOP_N)
    lens = draw(lenses())
    stops = draw(st.one_of(st.none(), word_sets(vocabulary)))
    values = [frequencies_1, frequencies_2, third, reference, top_n, lens, stops]
    # Only a parameter that holds its default may be left out.
    defaults = {2: "senTX_English" if function is SHIFT else object(), 3: None, 4: 0, 5: None,
                6: None}
    omitted = {i for i in omitted if type(values[i]) in (str, int, type(None))
               and values[i] == defaults[i] and not isinstance(values[i], bool)}
    expected = Expected(values, scores if function is SHIFT else None)
    return draw(arrange(function, parameters, values, omitted)), expected


def _check_valid_call(case):
    (function, args, kwargs), expected = case
    wanted = expected.text()
    with loads_returns_text():
        written = function(*args, **kwargs)
    note(f"expected {wanted}")
    note(f"written  {written}")
    event("entries" if '"entries":[]' not in written else "no entries")
    assert written == wanted


@examples(300)
@given(valid_calls(CUSTOM))
def test_valid_custom_calls_match_the_pure_python_shift(case):
    _check_valid_call(case)


@examples(200)
@given(valid_calls(SHIFT))
def test_valid_lexicon_calls_match_the_pure_python_shift(case):
    _check_valid_call(case)


class Replacer:
    """A score or frequency whose conversion, once armed, empties the dicts that the call
    has read before and fills them with new words: the old key objects die while the call
    still runs, and the result must be that of the dicts as they were when read."""

    def __init__(self, value, targets):
        self.value = value
        self.targets = targets
        self.armed = False

    def __float__(self):
        if self.armed:
            self.armed = False
            for table in self.targets:
                count = len(dict.keys(table))
                dict.clear(table)
                for i in range(count):
                    dict.__setitem__(table, f"replacement {i}", 1.0)
        return self.value

    def __repr__(self):
        return f"Replacer({self.value!r})"


def _fresh_keys(table):
    """The same entries under new key objects of the same classes, held by this dict only."""
    return {type(key)((plain(key) + ".")[:-1]): value for key, value in dict.items(table)}


@examples(100)
@given(valid_calls(CUSTOM), st.sampled_from([1, 2]), WORDS, FINITE)
def test_dicts_already_read_may_change_during_the_call(case, place, word, value):
    (function, args, kwargs), _ = case
    values = list(args) + [kwargs.get(name) for name in CUSTOM_PARAMETERS[len(args):]]
    if 4 not in range(len(args)) and "top_n" not in kwargs:
        values[4] = 0
    read_before = list(range(place))
    for i in read_before:
        values[i] = _fresh_keys(values[i])
    table = dict(dict.items(values[place]))
    replacer = Replacer(value, [values[i] for i in read_before])
    table[word] = replacer
    values[place] = table
    wanted = Expected(values).text()
    replacer.armed = True
    with loads_returns_text():
        written = CUSTOM(*values)
    assert not replacer.armed, "the replacing conversion did not run"
    assert written == wanted


# --- Strategies of arbitrary arguments -----------------------------------------------------

SURROGATE_TEXT = st.text(st.characters(min_codepoint=0xD800, max_codepoint=0xDFFF), min_size=1,
                         max_size=2).flatmap(lambda bad: WORDS.map(lambda word: word + bad))
TEXTS = st.one_of(WORDS, SURROGATE_TEXT)
HOSTILE_NUMBERS = st.one_of(
    st.sampled_from([Hostile, TypeError, ValueError, OverflowError, ZeroDivisionError]).map(
        lambda error: Raises(error("raised by __float__"))),
    st.builds(RaisesPanic),
    st.builds(WrongReturn),
    st.builds(Mutator, st.sampled_from(["grow", "swap", "clear", "rewrite"])),
    st.builds(Reentrant, st.sampled_from(["fault", "recursive"])),
    st.integers(2**1024, 2**1100),
    st.integers(-(2**1100), -(2**1024)),
    st.integers(-(2**70), -1),
)
SCALARS = st.one_of(st.none(), st.booleans(), st.integers(-(2**70), 2**70), st.floats(), TEXTS,
                    st.binary(max_size=4), st.complex_numbers(), HOSTILE_NUMBERS, NUMBERS)
HASHABLE = st.one_of(st.none(), st.integers(), st.floats(allow_nan=False), TEXTS,
                     st.binary(max_size=3), TEXTS.flatmap(key_objects))


def _containers(children):
    return st.one_of(
        st.lists(children, max_size=3),
        st.lists(children, max_size=3).map(tuple),
        st.dictionaries(HASHABLE, children, max_size=3),
        st.frozensets(HASHABLE, max_size=3),
        st.sets(HASHABLE, max_size=3).map(HostileSet),
    )


ANYTHING = st.recursive(SCALARS, _containers, max_leaves=6)


@st.composite
def any_dicts(draw):
    """A dict, a dict subclass or anything else, with keys and values of any kind."""
    keys = st.one_of(TEXTS.flatmap(key_objects), HASHABLE)
    values = st.one_of(FREQUENCIES, NUMBERS, HOSTILE_NUMBERS, ANYTHING)
    pairs = draw(st.lists(st.tuples(st.one_of(WORDS.flatmap(key_objects), keys), values),
                          max_size=6))
    table = draw(DICT_TYPES)()
    for key, value in pairs:
        dict.__setitem__(table, key, value)
    for value in dict.values(table):
        if isinstance(value, Mutator) and value.target is None:
            value.target = table
    return table


@st.composite
def any_sets(draw):
    members = draw(st.lists(st.one_of(TEXTS, HASHABLE), max_size=4))
    make = draw(st.sampled_from([set, frozenset, HostileSet, ExtraSet, FrozenSub,
                                 RaisingIterSet, ResizingIterSet]))
    made = make(members)
    if make is ExtraSet:
        made.extra = tuple(draw(st.lists(st.one_of(TEXTS, SCALARS), max_size=2)))
    return made


ANY_NUMBER = st.one_of(NUMBERS, HOSTILE_NUMBERS, ANYTHING, any_dicts(), any_sets())
ANY_DICT = st.one_of(any_dicts(), ANYTHING)
ANY_PARAMETER = {
    "type2freq_1": ANY_DICT,
    "type2freq_2": ANY_DICT,
    "scores": ANY_DICT,
    "lexicon": st.one_of(st.sampled_from(["english", "senTX_French", "senTX_", ""]),
                         TEXTS, ANYTHING),
    "reference_value": st.one_of(REFERENCES, TEXTS, ANY_NUMBER),
    "top_n": st.one_of(TOP_N, ANY_NUMBER),
    "stop_lens": st.one_of(lenses(), st.tuples(ANY_NUMBER, ANY_NUMBER),
                           st.lists(ANY_NUMBER, max_size=3).map(tuple), ANYTHING),
    "stop_words": st.one_of(st.none(), any_sets(), ANYTHING),
}
STRANGE_KEYWORDS = st.one_of(st.sampled_from(["lexikon", "scores", "lexicon", "type2freq_3",
                                              "Top_N", ""]), TEXTS, TEXTS.map(TwinStr))


COMMON_WORDS = ["happy", "sad", "rain", "sun", "love", "war", "Zebra", ""]
VALID_PARAMETER = {
    "type2freq_1": number_dicts(COMMON_WORDS, FREQUENCIES),
    "type2freq_2": number_dicts(COMMON_WORDS, FREQUENCIES),
    "scores": number_dicts(COMMON_WORDS, SCORES),
    "lexicon": st.sampled_from(LEXICON_KEYS).flatmap(lexicon_names),
    "reference_value": REFERENCES,
    "top_n": TOP_N,
    "stop_lens": lenses(),
    "stop_words": st.one_of(st.none(), word_sets(COMMON_WORDS)),
}


@st.composite
def any_calls(draw, function):
    parameters = SHIFT_PARAMETERS if function is SHIFT else CUSTOM_PARAMETERS
    if draw(st.integers(0, 3)) == 0:
        # Any shape: too many or too few positional arguments, unknown and repeated names.
        count = draw(st.integers(0, 8))
        args = tuple(draw(ANY_PARAMETER[parameters[i]] if i < 7 else ANYTHING)
                     for i in range(count))
        names = draw(st.lists(st.one_of(st.sampled_from(parameters), STRANGE_KEYWORDS),
                              max_size=8, unique=True))
        kwargs = {name: draw(ANY_PARAMETER.get(name, ANYTHING)) for name in names}
        return function, args, kwargs
    # A well-formed call whose arguments are mostly valid, so that the call gets past the
    # first checks and fails (or not) at a later one.
    values = [draw(ANY_PARAMETER[name] if draw(st.integers(0, 5)) == 0 else
                   VALID_PARAMETER[name]) for name in parameters]
    required = 2 if function is SHIFT else 3
    omitted = {i for i in range(required, 7) if draw(st.integers(0, 3)) == 0}
    values = [value if i not in omitted else
              {2: "senTX_English", 3: None, 4: 0, 5: None, 6: None}[i]
              for i, value in enumerate(values)]
    return draw(arrange(function, parameters, values, omitted))


# --- Walking a call's objects --------------------------------------------------------------

def _reachable(objects, depth=4):
    """Every object the call could reach: containers are opened without calling any method
    that their (possibly hostile) class overrides."""
    seen = {}
    pending = [(item, 0) for item in objects]
    while pending:
        item, level = pending.pop()
        if id(item) in seen:
            continue
        seen[id(item)] = item
        if level >= depth:
            continue
        children = []
        if isinstance(item, dict):
            children = [*dict.keys(item), *dict.values(item)]
        elif isinstance(item, (set, frozenset)):
            children = list(set.__iter__(item) if isinstance(item, set)
                            else frozenset.__iter__(item))
            children += list(getattr(item, "extra", ()))
        elif isinstance(item, (tuple, list)):
            children = list(tuple.__iter__(item) if isinstance(item, tuple)
                            else list.__iter__(item))
        pending += [(child, level + 1) for child in children]
    return list(seen.values())


def _snapshot(objects):
    """The identity of every entry of every dict and set: the module must change none."""
    state = []
    for item in objects:
        if isinstance(item, dict):
            state.append([(id(k), id(v)) for k, v in dict.items(item)])
        elif isinstance(item, set):
            state.append(sorted(map(id, set.__iter__(item))))
    return state


DOCUMENTED = (TypeError, ValueError, OverflowError, UnicodeEncodeError)
FAULT_MESSAGES = (SIZE_CHANGED, KEYS_CHANGED, PANIC_TEXT)


def _outcome(function, args, kwargs):
    try:
        return "result", function(*args, **kwargs)
    except BaseException as error:  # noqa: BLE001 - every exception is examined
        return "error", error


def _check_any_call(function, args, kwargs):
    objects = _reachable([*args, *kwargs.values()])
    may_fault = any(getattr(item, "FAULT", False) for item in objects)
    stateful = any(getattr(item, "STATEFUL", False) for item in objects)
    before = None if stateful else _snapshot(objects)

    with loads_returns_text() as real_loads:
        kind, value = _outcome(function, args, kwargs)
    note(f"outcome: {kind} {value!r}")
    event(kind if kind == "result" else type(value).__name__)
    if kind == "result":
        result = real_loads(value)
        assert list(result) == RESULT_KEYS
        assert all(list(entry) == ENTRY_KEYS and isinstance(entry["type"], str)
                   for entry in result["entries"])
        assert list(result["component_sums"]) == SUM_KEYS
    else:
        assert value.__context__ is None and value.__cause__ is None, "more than one exception"
        if type(value) is panic_type():
            assert may_fault, "internal fault without a cause"
            (message,) = value.args
            assert message in FAULT_MESSAGES or message.startswith(
                "unexpected error while iterating stop_words"), message
        else:
            raised_by_caller = [item.error for item in objects if isinstance(item, Raises)]
            raised_types = tuple(t for item in objects for t in getattr(item, "RAISES", ()))
            assert isinstance(value, (*DOCUMENTED, Hostile, *raised_types)) or \
                value in raised_by_caller, repr(value)
            if isinstance(value, TypeError) and str(value).startswith("argument '"):
                named = str(value).split("'")[1]
                assert named in (SHIFT_PARAMETERS + CUSTOM_PARAMETERS)

    if not stateful:
        assert _snapshot(objects) == before, "the call changed a caller's dict or set"
        # Same arguments, same outcome: same text, or same exception and message.
        with loads_returns_text():
            again_kind, again = _outcome(function, args, kwargs)
        assert again_kind == kind
        if kind == "result":
            assert again == value
        else:
            assert type(again) is type(value) and str(again) == str(value)


@examples(500)
@given(any_calls(CUSTOM))
def test_any_custom_call_returns_or_raises_one_documented_exception(call):
    _check_any_call(*call)


@examples(300)
@given(any_calls(SHIFT))
def test_any_lexicon_call_returns_or_raises_one_documented_exception(call):
    _check_any_call(*call)


# Arguments that are valid except for one hostile number: the call gets as far as that
# number's conversion, wherever it sits.
@st.composite
def one_hostile_number(draw, function):
    (function, args, kwargs), _ = draw(valid_calls(function))
    parameters = SHIFT_PARAMETERS if function is SHIFT else CUSTOM_PARAMETERS
    values = [None, None, "senTX_English" if function is SHIFT else None, None, 0, None, None]
    values[:len(args)] = args
    for name, value in kwargs.items():
        values[parameters.index(name)] = value
    hostile = draw(HOSTILE_NUMBERS)
    places = [0, 1] + ([2] if function is CUSTOM else []) + [3, 4, 5]
    place = draw(st.sampled_from(places))
    if place <= 2:
        table = dict(dict.items(values[place]))
        word = draw(WORDS)
        table[word] = hostile
        if draw(st.booleans()):
            table[word + "~"] = 1.0  # an entry after it: a change of size is then seen
        if isinstance(hostile, Mutator):
            hostile.target = table
        values[place] = table
    elif place == 5:
        values[5] = (1.0, hostile) if draw(st.booleans()) else (hostile, 1.0)
    else:
        values[place] = hostile
    return function, tuple(values[:3]), dict(zip(parameters[3:], values[3:]))


@examples(200)
@given(st.sampled_from([CUSTOM, SHIFT]).flatmap(one_hostile_number))
def test_hostile_number_in_any_place(call):
    _check_any_call(*call)
