"""What the two functions compute: the worked example, references, stop lens, stop words,
top_n, built-in against custom scores, and a seeded comparison with the pure-Python shift."""

from __future__ import annotations

import copy
import json
import math
import os
import random
import subprocess
import sys
import textwrap

import pytest

import moodvane
from conftest import (
    ENTRY_KEYS,
    LEXICON_DATA,
    LEXICON_KEYS,
    RESULT_KEYS,
    SUM_KEYS,
    WORKED_JSON,
    WORKED_SCORES,
    WORKED_SYSTEM_1,
    WORKED_SYSTEM_2,
    bits,
    canonical,
    load_lexicon,
    oracle,
    worked_shift,
)

SHIFT = moodvane.weighted_avg_shift
CUSTOM = moodvane.weighted_avg_shift_custom
ZERO_SUMS = dict.fromkeys(SUM_KEYS, 0.0)


def types_of(result):
    return [entry["type"] for entry in result["entries"]]


def shift_scores(result):
    return {entry["type"]: entry["shift_score"] for entry in result["entries"]}


def test_worked_example():
    result = worked_shift()
    assert canonical(result) == canonical(json.loads(WORKED_JSON))
    assert list(result) == RESULT_KEYS
    assert all(list(entry) == ENTRY_KEYS for entry in result["entries"])
    assert list(result["component_sums"]) == SUM_KEYS


def test_worked_example_with_fixed_reference():
    result = worked_shift(reference_value=5.0)
    assert types_of(result) == ["bad", "good", "meh"]
    assert shift_scores(result) == {"bad": 1.875 / 2.25, "good": 0.375 / 2.25, "meh": 0.0}
    assert result["entries"][2]["s_ref_diff"] == 0.0
    assert result["component_sums"] == {**ZERO_SUMS, "neg_s_neg_p": 1.875 / 2.25,
                                        "pos_s_pos_p": 0.375 / 2.25}
    assert (result["total_diff"], result["norm"]) == (2.25, 2.25)
    assert (result["s_avg_1"], result["s_avg_2"], result["reference_value"]) == (3.5, 5.75, 5.0)


@pytest.mark.parametrize("lens", [(6, 4), (4, 6), (4.0, 6.0)])
def test_worked_example_with_stop_lens(lens):
    result = worked_shift(stop_lens=lens)
    assert types_of(result) == ["good", "bad"]
    assert shift_scores(result) == {"good": 0.75, "bad": 0.25}
    assert (result["s_avg_1"], result["s_avg_2"]) == (3.5, 6.5)
    assert (result["total_diff"], result["norm"]) == (3.0, 3.0)


@pytest.mark.parametrize(("lens", "kept"), [
    ((5, 5), ["good", "bad"]),
    ((2, 8), []),
    ((2.0000001, 7.9999999), ["good", "bad"]),
    ((math.nan, 9), ["bad", "meh", "good"]),
    ((0, math.nan), ["bad", "meh", "good"]),
    ((-math.inf, math.inf), []),
], ids=["point", "closed-ends", "open-ends", "nan-low", "nan-high", "everything"])
def test_stop_lens_interval(lens, kept):
    assert types_of(worked_shift(stop_lens=lens)) == kept


def test_stop_words_leave_before_the_totals():
    result = CUSTOM({"a": 1, "b": 1}, {"a": 1}, {"a": 3.0, "b": 7.0}, stop_words={"b"})
    (entry,) = result["entries"]
    assert entry["type"] == "a" and entry["p_diff"] == 0.0 and entry["p_avg"] == 1.0
    assert result["s_avg_1"] == 3.0
    assert types_of(worked_shift(stop_words={"good", "bad", "meh"})) == []
    assert types_of(worked_shift(stop_words={"GOOD", "unknown"})) == ["bad", "meh", "good"]


def _ten_words():
    scores = {f"w{i}": float(i) for i in range(10)}
    system_1 = dict.fromkeys(scores, 1.0)
    system_2 = {word: float(i * i % 7 + 1) for i, word in enumerate(scores)}
    return system_1, system_2, scores


@pytest.mark.parametrize("top_n", [1, 3, 9, 10, 11, 1000])
def test_top_n_keeps_the_totals(top_n):
    full = CUSTOM(*_ten_words())
    assert len(full["entries"]) == 10
    cut = CUSTOM(*_ten_words(), top_n=top_n)
    assert canonical(cut["entries"]) == canonical(full["entries"][:top_n])
    del cut["entries"], full["entries"]
    assert canonical(cut) == canonical(full)


def test_empty_scores_give_the_empty_result():
    expected = {"entries": [], "component_sums": ZERO_SUMS, "total_diff": 0.0, "norm": 1.0,
                "s_avg_1": 0.0, "s_avg_2": 0.0, "reference_value": 0.0,
                "normalization": "variation"}
    assert canonical(CUSTOM(WORKED_SYSTEM_1, WORKED_SYSTEM_2, {})) == canonical(expected)
    fixed = CUSTOM(WORKED_SYSTEM_1, WORKED_SYSTEM_2, {}, reference_value=5)
    assert canonical(fixed) == canonical({**expected, "reference_value": 5.0})
    assert canonical(CUSTOM({}, {}, WORKED_SCORES)) == canonical(expected)


def test_word_only_in_system_2():
    result = CUSTOM({"a": 1}, {"a": 1, "b": 3}, {"a": 2.0, "b": 6.0})
    entry = next(e for e in result["entries"] if e["type"] == "b")
    assert (entry["p_diff"], entry["p_avg"]) == (0.75, 0.375)
    assert result["s_avg_1"] == 2.0


def test_unscored_words_take_no_part():
    result = CUSTOM({"a": 1, "x": 3}, {"a": 1}, {"a": 5.0})
    assert types_of(result) == ["a"]
    assert result["entries"][0]["p_avg"] == 1.0


def test_word_with_zero_frequency_still_counts():
    result = CUSTOM({"a": 0, "b": 1}, {"a": 0, "b": 2}, {"a": 9.0, "b": 1.0})
    assert types_of(result) == ["a", "b"]
    zero = result["entries"][0]
    assert (zero["p_diff"], zero["p_avg"], zero["shift_score"]) == (0.0, 0.0, 0.0)


def test_identical_systems_list_words_in_byte_order():
    words = ["apple", "Zebra", "app", "éclair", "Apple", "zoo", "a b"]
    freqs = {word: i + 1.0 for i, word in enumerate(words)}
    result = CUSTOM(freqs, dict(freqs), dict.fromkeys(words, 3.0), reference_value=1.0)
    assert types_of(result) == sorted(words, key=lambda w: w.encode())
    assert (result["norm"], result["total_diff"]) == (1.0, 0.0)
    assert set(shift_scores(result).values()) == {0.0}
    assert result["component_sums"] == ZERO_SUMS


@pytest.mark.parametrize(("up", "down"), [("Zebra", "apple"), ("apple", "Zebra")])
def test_equal_magnitudes_tie_in_byte_order(up, down):
    # up and down gain the same share; one sits above the reference, the other below.
    system_1 = {up: 1, down: 1, "neutral": 2}
    system_2 = {up: 2, down: 2, "neutral": 0}
    scores = {up: 6.0, down: 4.0, "neutral": 5.0}
    result = CUSTOM(system_1, system_2, scores, reference_value=5.0)
    assert shift_scores(result) == {up: 0.5, down: -0.5, "neutral": 0.0}
    assert types_of(result) == ["Zebra", "apple", "neutral"]


def test_all_of_system_2_zero():
    result = CUSTOM({"a": 1, "b": 3}, {"a": 0, "b": 0}, {"a": 1.0, "b": 2.0})
    assert result["s_avg_2"] == 0.0
    assert {e["type"]: e["p_diff"] for e in result["entries"]} == {"a": -0.25, "b": -0.75}


def test_nan_frequency_spreads_through_the_average():
    result = CUSTOM({"a": math.nan, "b": 1}, {"a": 1, "b": 1}, {"a": 2.0, "b": 4.0})
    assert result["s_avg_1"] is None and result["reference_value"] is None
    assert (result["total_diff"], result["norm"]) == (None, None)
    assert set(result["component_sums"].values()) == {None}
    assert sorted(types_of(result)) == ["a", "b"]
    for entry in result["entries"]:
        assert entry["p_diff"] == 0.5 and entry["s_ref_diff"] is None
        assert entry["shift_score"] is None


class SameText(str):
    """Two keys with equal text that a dict still keeps apart."""

    def __eq__(self, other):
        return self is other

    __hash__ = object.__hash__


def test_repeated_word_sums_its_frequencies():
    repeated = {SameText("a"): 2, SameText("a"): 3, "b": 5}
    assert len(repeated) == 3
    assert canonical(CUSTOM(repeated, {"a": 1, "b": 1}, {"a": 1.0, "b": 2.0})) == canonical(
        CUSTOM({"a": 5, "b": 5}, {"a": 1, "b": 1}, {"a": 1.0, "b": 2.0}))


def test_later_score_of_a_repeated_word_wins():
    scores = {SameText("a"): 1.0, SameText("a"): 9.0}
    result = CUSTOM({"a": 1}, {}, scores, reference_value=0.0)
    assert result["entries"][0]["s_ref_diff"] == 9.0


def test_order_of_input_pairs_does_not_matter():
    rng = random.Random(11)
    words = [f"word{i}" for i in range(300)]
    scores = {w: rng.uniform(1, 9) for w in words}
    system_1 = {w: rng.randint(0, 9) for w in words}
    system_2 = {w: rng.randint(0, 9) for w in words[50:]}
    expected = canonical(CUSTOM(system_1, system_2, scores, stop_words=set(words[:20])))
    for _ in range(3):
        shuffled = [list(d.items()) for d in (system_1, system_2, scores)]
        for items in shuffled:
            rng.shuffle(items)
        got = CUSTOM(*(dict(items) for items in shuffled), stop_words=set(words[:20]))
        assert canonical(got) == expected


def test_caller_objects_are_left_as_they_were():
    system_1, system_2, scores = _ten_words()
    stop_words = {"w1", "w2"}
    before = copy.deepcopy((system_1, system_2, scores, stop_words))
    CUSTOM(system_1, system_2, scores, top_n=2, stop_words=stop_words, stop_lens=(3, 4))
    assert (system_1, system_2, scores, stop_words) == before


def _random_case(rng):
    vocabulary = [rng.choice(["a", "b", "B", "ab", "é", "z", "word", ""]) + str(i)
                  for i in range(rng.randint(0, 40))]
    values = [0, 1, 2, 3, 0.5, 0.001, 7.25, 1e6, -1, True]

    def frequencies():
        return {w: rng.choice(values) for w in vocabulary if rng.random() < 0.7}

    scores = {w: rng.choice([rng.uniform(1, 9), 5.0, 4.0, 6.0, -2.5, 0.0, 8.5])
              for w in vocabulary if rng.random() < 0.8}
    options = {}
    if rng.random() < 0.4:
        options["reference_value"] = rng.choice(["average", 5.0, 0, -3.25, rng.uniform(1, 9)])
    if rng.random() < 0.4:
        options["top_n"] = rng.randint(0, 10)
    if rng.random() < 0.4:
        options["stop_lens"] = (rng.choice([4, 6, 5, 3.5]), rng.choice([4, 6, 5, 7.5]))
    if rng.random() < 0.3:
        options["stop_words"] = set(rng.sample(vocabulary, min(3, len(vocabulary))))
    return frequencies(), frequencies(), scores, options


def test_matches_the_pure_python_shift():
    rng = random.Random(20240531)
    for _ in range(400):
        system_1, system_2, scores, options = _random_case(rng)
        got = CUSTOM(system_1, system_2, scores, **options)
        expected = oracle.weighted_avg_shift(system_1, system_2, scores, **options)
        assert canonical(got) == canonical(expected), (system_1, system_2, scores, options)


def test_invariants_of_a_finite_result():
    rng = random.Random(5)
    words = [f"w{i}" for i in range(500)]
    result = CUSTOM({w: rng.randint(1, 50) for w in words},
                    {w: rng.randint(1, 50) for w in words[100:]},
                    {w: rng.uniform(1, 9) for w in words}, reference_value=5.0)
    sums = result["component_sums"]
    assert math.isclose(sum(abs(e["shift_score"]) for e in result["entries"]), 1.0)
    four = sums["pos_s_pos_p"] + sums["pos_s_neg_p"] + sums["neg_s_pos_p"] + sums["neg_s_neg_p"]
    assert math.isclose(four, result["total_diff"] / result["norm"])
    assert math.isclose(result["total_diff"], result["s_avg_2"] - result["s_avg_1"])
    assert (sums["pos_s"], sums["neg_s"]) == (0.0, 0.0)
    assert all(e["s_diff"] == 0.0 for e in result["entries"])


def test_builtin_lexicon_equals_its_scores_passed_in():
    lexicon = load_lexicon("english")
    rng = random.Random(3)
    words = rng.sample(sorted(lexicon), 3000) + ["qzxv-unscored", "Laughter-unscored"]
    system_1 = {w: rng.randint(0, 20) for w in words[:2000]}
    system_2 = {w: rng.randint(0, 20) for w in words[1000:]}
    for options in [{}, {"stop_lens": (4, 6)}, {"reference_value": 5.0, "top_n": 25},
                    {"stop_words": set(words[:100])}]:
        expected = canonical(CUSTOM(system_1, system_2, lexicon, **options))
        assert canonical(SHIFT(system_1, system_2, **options)) == expected
        assert canonical(SHIFT(system_1, system_2, "senTX_English", **options)) == expected
        assert canonical(SHIFT(system_1, system_2, "ENGLISH", **options)) == expected


@pytest.mark.parametrize("key", LEXICON_KEYS)
def test_every_lexicon_scores_as_its_data_file(key):
    if not (LEXICON_DATA / f"{key}.tsv").exists():
        pytest.skip(f"no {key}.tsv in this checkout")
    lexicon = load_lexicon(key)
    words = sorted(lexicon)[:: max(1, len(lexicon) // 500)]
    system_1 = {w: i % 5 + 1 for i, w in enumerate(words)}
    system_2 = {w: i % 3 for i, w in enumerate(words)}
    expected = canonical(CUSTOM(system_1, system_2, lexicon))
    assert canonical(SHIFT(system_1, system_2, key)) == expected
    assert canonical(SHIFT(system_1, system_2, f"senTX_{key.upper()}")) == expected


HASH_SEED_SCRIPT = textwrap.dedent("""\
    import json, random, moodvane
    json.loads = lambda text: text
    rng = random.Random(1)
    words = [f"w{i}" for i in range(2000)]
    scores = {w: rng.uniform(1, 9) for w in words}
    one = {w: rng.randint(0, 9) for w in words}
    two = {w: rng.randint(0, 9) for w in reversed(words)}
    print(moodvane.weighted_avg_shift_custom(one, two, scores, stop_words=set(words[::7])))
    print(moodvane.weighted_avg_shift(one, two, stop_lens=(4, 6)))
""")


def test_bit_identical_across_processes():
    outputs = set()
    for seed in ("0", "1", "4242"):
        run = subprocess.run([sys.executable, "-c", HASH_SEED_SCRIPT], capture_output=True,
                             text=True, timeout=120, env={**os.environ, "PYTHONHASHSEED": seed})
        assert run.returncode == 0, run.stderr
        outputs.add(run.stdout)
    assert len(outputs) == 1


def test_calls_keep_no_state():
    first = canonical(SHIFT(WORKED_SYSTEM_1, WORKED_SYSTEM_2, "english"))
    CUSTOM({"x": 1}, {"y": 2}, {"x": 1.0, "y": 2.0}, top_n=1, stop_words={"x"})
    assert canonical(SHIFT(WORKED_SYSTEM_1, WORKED_SYSTEM_2, "english")) == first
    assert canonical(worked_shift()) == canonical(json.loads(WORKED_JSON))
    assert bits(worked_shift()["s_avg_2"]) == bits(5.75)
