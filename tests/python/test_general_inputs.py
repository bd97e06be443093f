"""Generalized shifts: what the inputs may be, and the error each bad input raises."""

from __future__ import annotations

import collections
import decimal
import fractions
import math
import sys
import threading

import pytest

from moodvane_tools import (
    _native,
    entropy_shift,
    jsd_shift,
    kld_shift,
    proportion_shift,
    weighted_avg_shift_pair,
)

T1 = {"a": 1, "b": 2}
T2 = {"a": 2, "c": 1}


@pytest.mark.parametrize("bad", [[("a", 1)], None, "a", 3, frozenset()])
def test_texts_must_be_dicts(bad: object) -> None:
    with pytest.raises(TypeError, match=f"^type2freq_1 must be a dict, not {type(bad).__qualname__}$"):
        proportion_shift(bad, T2)  # type: ignore[arg-type]
    with pytest.raises(TypeError, match="^type2freq_2 must be a dict"):
        entropy_shift(T1, bad)  # type: ignore[arg-type]


def test_dict_subclasses_and_number_types_are_accepted() -> None:
    plain = proportion_shift({"a": 1.0, "b": 2.0}, {"a": 2.0, "c": 1.0})
    assert proportion_shift(collections.Counter(a=1, b=2), collections.OrderedDict(a=2, c=1)) == plain
    odd = {"a": True, "b": decimal.Decimal(2)}
    assert proportion_shift(odd, {"a": fractions.Fraction(4, 2), "c": 1}) == plain


@pytest.mark.parametrize(
    ("value", "error", "message"),
    [
        (-1, ValueError, r"type2freq_2: the count of 'w' must be finite and >= 0, got -1"),
        (math.nan, ValueError, r"the count of 'w' must be finite and >= 0, got nan"),
        (math.inf, ValueError, r"got inf"),
        (-0.5, ValueError, r"got -0.5"),
        ("3", TypeError, r"type2freq_2: the value of 'w' must be a real number, not str"),
        (None, TypeError, r"not NoneType"),
        ([1], TypeError, r"not list"),
        (10**400, OverflowError, r"too large"),
        (1j, TypeError, r"complex"),
    ],
)
def test_bad_counts_name_the_word(value: object, error: type, message: str) -> None:
    with pytest.raises(error, match=message):
        jsd_shift(T1, {"a": 1, "w": value})


def test_bad_keys() -> None:
    with pytest.raises(TypeError, match=r"^type2freq_1: keys must be str, got 3$"):
        proportion_shift({"a": 1, 3: 1}, T2)  # type: ignore[dict-item]
    with pytest.raises(UnicodeEncodeError):
        proportion_shift({"a": 1, "\ud800": 1}, T2)


def test_first_bad_entry_in_dict_order_wins() -> None:
    with pytest.raises(TypeError, match="keys must be str"):
        proportion_shift({"ok": 1, 5: -1, "bad": -1}, T2)  # type: ignore[dict-item]
    with pytest.raises(ValueError, match="'bad'"):
        proportion_shift({"ok": 1, "bad": -1, 5: 1}, T2)  # type: ignore[dict-item]


def test_a_value_that_changes_its_dict_is_harmless() -> None:
    text: dict[str, object] = {}

    class Meddler:
        def __float__(self) -> float:
            text.clear()
            text.update({f"new{i}": i for i in range(100)})
            return 2.0

    text.update({"a": 1, "m": Meddler(), "z": 3})
    result = proportion_shift(text, {"a": 1})  # the words as they were when the call began
    assert {e["type"] for e in result["entries"]} == {"a", "m", "z"}


def fresh_words(stem: str, count: int) -> list[str]:
    """New str objects that nothing else refers to."""
    return ["".join([stem, str(i)]) for i in range(count)]


def test_a_value_that_empties_the_dicts_read_before_it_is_harmless() -> None:
    # The first text's words live only in that dict; a later value's __float__ empties it,
    # which frees them, and fills their memory with other words.
    junk: list[str] = []
    first = {w: i + 1 for i, w in enumerate(fresh_words("alpha", 300))}
    second: dict[str, object] = {w: 1 for w in fresh_words("beta", 100)}

    class Emptier:
        def __float__(self) -> float:
            first.clear()
            second.clear()
            junk.extend(fresh_words("######", 20000))
            return 3.0

    second["zz"] = Emptier()
    result = proportion_shift(first, second)
    expected = proportion_shift(
        {w: i + 1 for i, w in enumerate(fresh_words("alpha", 300))},
        {**{w: 1 for w in fresh_words("beta", 100)}, "zz": 3.0},
    )
    assert result == expected

    first.update({w: i + 1 for i, w in enumerate(fresh_words("alpha", 300))})
    scores: dict[str, object] = {w: 5.0 for w in fresh_words("alpha", 300)}
    scores["zz"] = Emptier()
    weighted = weighted_avg_shift_pair(first, {"zz": 1}, scores, {})
    assert weighted == weighted_avg_shift_pair(
        {w: i + 1 for i, w in enumerate(fresh_words("alpha", 300))}, {"zz": 1},
        {**{w: 5.0 for w in fresh_words("alpha", 300)}, "zz": 3.0}, {},
    )


def test_an_error_raised_by_a_value_passes_through() -> None:
    class Broken:
        def __float__(self) -> float:
            raise ZeroDivisionError("no float today")

    with pytest.raises(ZeroDivisionError, match="no float today"):
        entropy_shift(T1, {"a": Broken()})


@pytest.mark.parametrize("score", [math.nan, math.inf, -math.inf])
def test_scores_must_be_finite(score: float) -> None:
    with pytest.raises(ValueError, match=r"^scores_2: the score of 'c' must be finite, got"):
        weighted_avg_shift_pair(T1, T2, {"a": 1.0}, {"c": score})


def test_score_maps_must_be_dicts() -> None:
    with pytest.raises(TypeError, match="^scores_1 must be a dict, not NoneType$"):
        weighted_avg_shift_pair(T1, T2, None, {})  # type: ignore[arg-type]


@pytest.mark.parametrize(
    ("call", "message"),
    [
        (lambda: entropy_shift(T1, T2, alpha=0), r"^alpha must be a finite number > 0, got 0.0$"),
        (lambda: entropy_shift(T1, T2, alpha=-1), r"^alpha must be"),
        (lambda: jsd_shift(T1, T2, alpha=math.nan), r"^alpha must be .* got nan$"),
        (lambda: entropy_shift(T1, T2, alpha=math.inf), r"^alpha must be"),
        (lambda: entropy_shift(T1, T2, base=1), r"^base must be a finite number > 0 other than 1"),
        (lambda: kld_shift(T1, T1, base=0), r"^base must be"),
        (lambda: kld_shift(T1, T1, base=-2.0), r"^base must be"),
        (lambda: jsd_shift(T1, T2, base=math.inf), r"^base must be"),
        (lambda: jsd_shift(T1, T2, weight_1=0.6), r"^weight_1 and weight_2 must be .* \(0.6, 0.5\)$"),
        (lambda: jsd_shift(T1, T2, weight_1=-0.5, weight_2=1.5), r"^weight_1 and weight_2"),
        (lambda: jsd_shift(T1, T2, weight_1=math.nan), r"^weight_1 and weight_2"),
        (lambda: entropy_shift(T1, T2, reference_value=math.nan), r"^reference_value must be"),
        (lambda: weighted_avg_shift_pair(T1, T2, {}, {}, reference_value=math.inf),
         r"^reference_value must be"),
        (lambda: entropy_shift(T1, T2, reference_value="mean"), r"^reference_value must be .*'mean'"),
        (lambda: proportion_shift(T1, T2, top_n=-1), r"^top_n must be >= 0, got -1$"),
    ],
)
def test_bad_parameters_raise_value_error_naming_them(call, message: str) -> None:
    with pytest.raises(ValueError, match=message):
        call()


@pytest.mark.parametrize(
    ("call", "message"),
    [
        (lambda: entropy_shift(T1, T2, alpha="2"), r"^alpha must be a real number, not str$"),
        (lambda: jsd_shift(T1, T2, weight_2=None), r"^weight_2 must be a real number, not NoneType$"),
        (lambda: kld_shift(T1, T1, base=[2]), r"^base must be a real number, not list$"),
        (lambda: proportion_shift(T1, T2, top_n=1.5), r"^top_n must be an int, not float$"),
        (lambda: proportion_shift(T1, T2, stop_words="abc"), r"^stop_words must be an iterable of str, not a single str$"),
        (lambda: proportion_shift(T1, T2, stop_words=5), r"^stop_words must be None or an iterable"),
        (lambda: proportion_shift(T1, T2, stop_words=["a", 1]), r"^stop_words must hold only str, got 1$"),
        (lambda: entropy_shift(T1, T2, reference_value=[1]), r"^reference_value must be a real number"),
    ],
)
def test_wrong_parameter_types_raise_type_error_naming_them(call, message: str) -> None:
    with pytest.raises(TypeError, match=message):
        call()


def test_accepted_parameter_forms() -> None:
    base = jsd_shift(T1, T2)
    assert jsd_shift(T1, T2, weight_1=0.5 + 4e-13, weight_2=0.5) is not None  # within 1e-12
    assert jsd_shift(T1, T2, weight_1=0, weight_2=1)["total_diff"] == 0.0
    assert entropy_shift(T1, T2, reference_value="AVERAGE") == entropy_shift(T1, T2)
    assert len(proportion_shift(T1, T2, top_n=True)["entries"]) == 1
    assert proportion_shift(T1, T2, top_n=10**30) == proportion_shift(T1, T2)
    for stops in ({"b"}, frozenset({"b"}), ["b"], ("b",), (w for w in ["b"]), {"b": 0}):
        assert proportion_shift(T1, T2, stop_words=stops) == proportion_shift(
            {"a": 1}, T2
        )
    assert base == jsd_shift(T1, T2, stop_words=None)


@pytest.mark.parametrize(
    "args",
    [
        (),
        ("proportion", {}, {}),
        ("nonsense", {}, {}, None, None, (), 0, 1.0, 2.0, 0.5, 0.5, None),
        ("proportion", {}, {}, {}, None, (), 0, 1.0, 2.0, 0.5, 0.5, None),
        ("proportion", {}, {}, None, None, ["a"], 0, 1.0, 2.0, 0.5, 0.5, None),
        ("proportion", {}, {}, None, None, (1,), 0, 1.0, 2.0, 0.5, 0.5, None),
        ("proportion", {}, {}, None, None, (), -5, 1.0, 2.0, 0.5, 0.5, None),
        ("proportion", {}, {}, None, None, (), 10**30, 1.0, 2.0, 0.5, 0.5, None),
        ("entropy", {}, {}, None, None, (), 0, "x", 2.0, 0.5, 0.5, None),
        ("entropy", {}, {}, None, None, (), 0, 1.0, 2.0, 0.5, 0.5, "average"),
        ("weighted", {}, {}, None, {}, (), 0, 1.0, 2.0, 0.5, 0.5, None),
        ("pro\0portion", {}, {}, None, None, (), 0, 1.0, 2.0, 0.5, 0.5, None),
    ],
)
def test_the_private_function_rejects_malformed_calls_without_crashing(args: tuple) -> None:
    with pytest.raises((TypeError, ValueError, OverflowError)):
        _native.shift(*args)


def test_no_reference_is_leaked_or_lost() -> None:
    words = [f"word{i}" for i in range(50)]
    t1 = {w: i for i, w in enumerate(words)}
    t2 = {w: 50 - i for i, w in enumerate(words)}
    before = [sys.getrefcount(w) for w in words] + [sys.getrefcount(t1), sys.getrefcount(t2)]
    for _ in range(20):
        jsd_shift(t1, t2, top_n=5)
        weighted_avg_shift_pair(t1, t2, t1, t2)
        with pytest.raises(ValueError):
            kld_shift({}, t2)
    after = [sys.getrefcount(w) for w in words] + [sys.getrefcount(t1), sys.getrefcount(t2)]
    assert after == before


def test_concurrent_calls_from_threads_agree() -> None:
    t1 = {f"w{i}": i % 7 + 1 for i in range(20000)}
    t2 = {f"w{i}": i % 5 + 1 for i in range(0, 20000, 2)}
    expected = jsd_shift(t1, t2, top_n=10)
    results: list[object] = []

    def work() -> None:
        for _ in range(5):
            results.append(jsd_shift(t1, t2, top_n=10))

    threads = [threading.Thread(target=work) for _ in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert len(results) == 20 and all(r == expected for r in results)


@pytest.mark.parametrize("only_1, only_2", [({"sad": 2.0}, {}), ({}, {"new": 7.5}),
                                            ({"sad": 2.0}, {"new": 7.5, "die": 1.0})])
def test_words_one_map_lacks_are_scored_by_the_other_or_left_out(only_1, only_2):
    import moodvane

    first, second = {"good": 2, "sad": 1, "new": 0, "die": 3}, {"good": 1, "new": 4, "die": 1}
    common = {"good": 8.0}
    excluded = weighted_avg_shift_pair(first, second, {**common, **only_1},
                                       {**common, **only_2}, missing="exclude")
    # Left out, a word that one map lacks is as if no map scored it: the plain shift of the
    # words both maps share.
    assert dict(excluded) == moodvane.weighted_avg_shift_custom(first, second, common)
    other = weighted_avg_shift_pair(first, second, {**common, **only_1}, {**common, **only_2})
    assert {entry["type"] for entry in other["entries"]} == {"good", *only_1, *only_2}
    with pytest.raises(ValueError, match="missing must be 'other' or 'exclude'"):
        weighted_avg_shift_pair(first, second, common, common, missing="drop")
