"""Generalized shifts: worked examples of each kind, totals against the measures computed
directly, and the shape of the result."""

from __future__ import annotations

import math
import pickle

import pytest

import moodvane
from conftest import ENTRY_KEYS, RESULT_KEYS, SUM_KEYS
from moodvane_tools import (
    KIND_LABELS,
    ShiftResult,
    entropy_shift,
    jsd_shift,
    kld_shift,
    proportion_shift,
    weighted_avg_shift_pair,
)

TEXT_1 = {"the": 10, "rain": 4, "grey": 3, "tea": 2, "walk": 1}
TEXT_2 = {"the": 9, "sun": 6, "walk": 4, "tea": 2, "rain": 1, "beach": 3}


def shares(freqs: dict[str, float]) -> dict[str, float]:
    total = math.fsum(freqs.values())
    return {w: c / total for w, c in freqs.items() if c > 0}


def shannon(p: dict[str, float], base: float) -> float:
    return -math.fsum(x * math.log(x, base) for x in p.values())


def tsallis(p: dict[str, float], alpha: float) -> float:
    return (1.0 - math.fsum(x**alpha for x in p.values())) / (alpha - 1.0)


def by_word(result: dict) -> dict[str, dict]:
    return {e["type"]: e for e in result["entries"]}


def test_proportion_worked_example() -> None:
    r = proportion_shift({"a": 1, "b": 3}, {"a": 3, "b": 1, "c": 4})
    assert [e["type"] for e in r["entries"]] == ["b", "c", "a"]
    assert [e["shift_score"] for e in r["entries"]] == [-0.5, 0.4, 0.1]
    assert r["norm"] == 1.25 and r["total_diff"] == 0.0
    assert (r["s_avg_1"], r["s_avg_2"], r["reference_value"]) == (1.0, 1.0, 0.0)
    assert r["component_sums"]["pos_s_pos_p"] == 0.5
    assert r["component_sums"]["pos_s_neg_p"] == -0.5


def test_entropy_worked_example() -> None:
    # One bit against one and a half: a and b each halve their share, c is new.
    r = entropy_shift({"a": 1, "b": 1}, {"a": 1, "b": 1, "c": 2})
    assert (r["s_avg_1"], r["s_avg_2"], r["total_diff"]) == (1.0, 1.5, 0.5)
    words = by_word(r)
    assert words["a"]["s_diff"] == 1.0 and words["a"]["s_ref_diff"] == 0.5
    assert words["a"]["shift_score"] * r["norm"] == 0.25
    assert words["c"]["s_diff"] == 0.0 and words["c"]["shift_score"] == 0.0


def test_kld_worked_example() -> None:
    r = kld_shift({"a": 2, "b": 2, "only1": 5}, {"a": 3, "b": 1})
    p1 = {"a": 2 / 9, "b": 2 / 9, "only1": 5 / 9}
    expected = 0.75 * math.log2(0.75 / p1["a"]) + 0.25 * math.log2(0.25 / p1["b"])
    assert r["total_diff"] == pytest.approx(expected, rel=1e-14)
    assert r["s_avg_1"] == pytest.approx(shannon({"a": 0.75, "b": 0.25}, 2), rel=1e-14)
    assert r["s_avg_2"] == pytest.approx(-math.log2(2 / 9), rel=1e-14)
    assert r["reference_value"] == r["s_avg_1"]
    words = by_word(r)
    assert words["only1"]["shift_score"] == 0.0
    assert all(e["p_diff"] == 0.0 for e in r["entries"])
    assert words["a"]["p_avg"] == 0.75


def test_jsd_worked_example() -> None:
    # Disjoint texts are one bit apart, half a bit from each word.
    r = jsd_shift({"a": 1}, {"b": 7})
    assert r["total_diff"] == 1.0
    assert [e["shift_score"] for e in r["entries"]] == [0.5, 0.5]
    assert r["s_avg_1"] == -0.5 and r["s_avg_2"] == 0.5 and r["reference_value"] == 0.0


def test_weighted_pair_worked_example() -> None:
    # good is rescored from 8 to 6 in text 2; meh is scored by map 2 only.
    r = weighted_avg_shift_pair(
        {"good": 1, "bad": 3}, {"good": 3, "bad": 1, "meh": 4},
        {"good": 8.0, "bad": 2.0}, {"good": 6.0, "bad": 2.0, "meh": 5.0},
    )
    assert r["s_avg_1"] == 3.5
    assert r["s_avg_2"] == (3 * 6.0 + 1 * 2.0 + 4 * 5.0) / 8
    good = by_word(r)["good"]
    assert good["s_diff"] == -2.0 and good["s_ref_diff"] == 7.0 - 3.5
    assert r["total_diff"] == pytest.approx(r["s_avg_2"] - r["s_avg_1"], rel=1e-15)
    assert r["component_sums"]["neg_s"] == pytest.approx(good["p_avg"] * -2.0 / r["norm"])


@pytest.mark.parametrize("base", [2.0, math.e, 10.0])
@pytest.mark.parametrize("alpha", [1.0, 0.5, 2.0, 3.5])
def test_entropy_totals_against_direct_computation(alpha: float, base: float) -> None:
    r = entropy_shift(TEXT_1, TEXT_2, alpha=alpha, base=base)
    measure = (lambda p: shannon(p, base)) if alpha == 1.0 else (lambda p: tsallis(p, alpha))
    assert r["s_avg_1"] == pytest.approx(measure(shares(TEXT_1)), rel=1e-12)
    assert r["s_avg_2"] == pytest.approx(measure(shares(TEXT_2)), rel=1e-12)
    assert r["total_diff"] == pytest.approx(
        measure(shares(TEXT_2)) - measure(shares(TEXT_1)), rel=1e-12
    )


@pytest.mark.parametrize("base", [2.0, math.e])
def test_kld_total_against_direct_computation(base: float) -> None:
    text_1 = dict(TEXT_1, sun=1, beach=2)
    p1, p2 = shares(text_1), shares(TEXT_2)
    direct = math.fsum(q * math.log(q / p1[w], base) for w, q in p2.items())
    r = kld_shift(text_1, TEXT_2, base=base)
    assert r["total_diff"] == pytest.approx(direct, rel=1e-12)
    assert r["s_avg_2"] - r["s_avg_1"] == pytest.approx(direct, rel=1e-12)


@pytest.mark.parametrize(
    ("weights", "alpha", "base"),
    [((0.5, 0.5), 1.0, 2.0), ((0.2, 0.8), 1.0, math.e), ((0.7, 0.3), 2.0, 2.0), ((0.5, 0.5), 0.5, 2.0)],
)
def test_jsd_total_against_direct_computation(
    weights: tuple[float, float], alpha: float, base: float
) -> None:
    w1, w2 = weights
    p1, p2 = shares(TEXT_1), shares(TEXT_2)
    mixture = {w: w1 * p1.get(w, 0.0) + w2 * p2.get(w, 0.0) for w in set(p1) | set(p2)}
    measure = (lambda p: shannon(p, base)) if alpha == 1.0 else (lambda p: tsallis(p, alpha))
    direct = measure(mixture) - w1 * measure(p1) - w2 * measure(p2)
    r = jsd_shift(TEXT_1, TEXT_2, weight_1=w1, weight_2=w2, alpha=alpha, base=base)
    assert r["total_diff"] == pytest.approx(direct, rel=1e-12)
    assert all(e["shift_score"] >= 0.0 for e in r["entries"])
    if alpha == 1.0:  # the two averages are the weighted divergences from the mixture
        d2 = math.fsum(q * math.log(q / mixture[w], base) for w, q in p2.items())
        d1 = math.fsum(q * math.log(q / mixture[w], base) for w, q in p1.items())
        assert r["s_avg_2"] == pytest.approx(w2 * d2, rel=1e-12)
        assert r["s_avg_1"] == pytest.approx(-w1 * d1, rel=1e-12)


def test_kld_names_first_missing_word_in_byte_order() -> None:
    with pytest.raises(ValueError, match=r"'Zulu' has a count in type2freq_2 .* jsd_shift"):
        kld_shift({"a": 1, "zz": 0}, {"a": 1, "zz": 2, "Zulu": 1, "b": 1})


def test_kld_missing_word_can_be_left_out_as_a_stop_word() -> None:
    r = kld_shift({"a": 1, "b": 1}, {"a": 1, "b": 3, "new": 2}, stop_words={"new"})
    assert r["total_diff"] == pytest.approx(0.25 * math.log2(0.5) + 0.75 * math.log2(1.5))


ALL_KINDS = [
    ("proportion", lambda a, b, **k: proportion_shift(a, b, **k)),
    ("entropy", lambda a, b, **k: entropy_shift(a, b, **k)),
    ("kld", lambda a, b, **k: kld_shift(dict(a, **{w: 1 for w in b if w not in a}), b, **k)),
    ("jsd", lambda a, b, **k: jsd_shift(a, b, **k)),
    ("weighted", lambda a, b, **k: weighted_avg_shift_pair(
        a, b, {w: len(w) for w in a}, {w: 9 - len(w) for w in b}, **k)),
]


@pytest.mark.parametrize(("kind", "call"), ALL_KINDS)
def test_result_shape_kind_and_labels(kind: str, call) -> None:
    r = call(TEXT_1, TEXT_2)
    assert isinstance(r, ShiftResult) and isinstance(r, dict) and r.kind == kind
    assert list(r) == RESULT_KEYS
    assert list(r["component_sums"]) == SUM_KEYS
    assert all(list(e) == ENTRY_KEYS for e in r["entries"])
    assert r["normalization"] == "variation"
    assert r == dict(r)
    copy = pickle.loads(pickle.dumps(r))
    assert copy == r and copy.kind == kind
    labels = KIND_LABELS[kind]
    assert labels.name == kind and labels.value_keys == ("s_avg_1", "s_avg_2")
    texts = ("before", "after")
    for text in (labels.axis_title, *labels.value_labels, *labels.legend.values()):
        assert "{" not in text.format(text1=texts[0], text2=texts[1])
    # A component that this kind can fill has a legend line; a kind drawn by sides has
    # one for each side instead.
    filled = {k for k, v in r["component_sums"].items() if v not in (0.0, None)}
    if labels.sided:
        filled = {"pos_s_pos_p", "pos_s_neg_p"}
    assert filled <= set(labels.legend) | set(labels.score_legend)


@pytest.mark.parametrize(("kind", "call"), ALL_KINDS)
def test_common_form_on_every_entry(kind: str, call) -> None:
    r = call(TEXT_1, TEXT_2)
    total = 0.0
    for e in r["entries"]:
        u = e["p_avg"] * e["s_diff"] + e["p_diff"] * e["s_ref_diff"]
        assert u == pytest.approx(e["shift_score"] * r["norm"], rel=1e-12, abs=1e-15)
        total += u
    assert total == pytest.approx(r["total_diff"], rel=1e-12, abs=1e-15)
    assert math.fsum(abs(e["shift_score"]) for e in r["entries"]) == pytest.approx(1.0)
    sums = r["component_sums"]
    assert math.fsum(sums.values()) == pytest.approx(r["total_diff"] / r["norm"], abs=1e-12)


@pytest.mark.parametrize(("kind", "call"), ALL_KINDS)
def test_top_n_cuts_entries_not_totals(kind: str, call) -> None:
    full = call(TEXT_1, TEXT_2)
    top = call(TEXT_1, TEXT_2, top_n=2)
    assert top["entries"] == full["entries"][:2]
    assert {k: v for k, v in top.items() if k != "entries"} == {
        k: v for k, v in full.items() if k != "entries"
    }


@pytest.mark.parametrize(("kind", "call"), ALL_KINDS)
def test_identical_texts_give_zero(kind: str, call) -> None:
    r = call(TEXT_1, TEXT_1)
    if kind == "weighted":
        return  # rescored words move even an unchanged text
    assert r["total_diff"] == 0.0 and r["norm"] == 1.0
    assert all(e["shift_score"] == 0.0 for e in r["entries"])
    assert [e["type"] for e in r["entries"]] == sorted(TEXT_1, key=lambda w: w.encode())


def test_weighted_pair_with_one_map_equals_native_worked_example() -> None:
    scores = {"good": 8.0, "bad": 2.0, "meh": 5.0}
    for reference in (None, "average", 5.0):
        ours = weighted_avg_shift_pair(
            {"good": 1, "bad": 3}, {"good": 3, "bad": 1, "meh": 4}, scores, scores,
            reference_value=reference,
        )
        native = moodvane.weighted_avg_shift_custom(
            {"good": 1, "bad": 3}, {"good": 3, "bad": 1, "meh": 4}, scores,
            reference_value=reference,
        )
        assert ours == native and list(ours) == list(native)


def test_stop_words_are_left_out_before_the_totals() -> None:
    r = proportion_shift({"a": 1, "b": 1}, {"a": 1}, stop_words=["b"])
    assert [(e["type"], e["p_diff"]) for e in r["entries"]] == [("a", 0.0)]
    r = proportion_shift({"a": 1, "b": 1}, {"a": 1}, stop_words=iter(["b", "b"]))
    assert len(r["entries"]) == 1
