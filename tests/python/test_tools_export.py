"""Results that say where they came from: the command line's JSON with its meta block and
per-word counts and scores, its CSV, and to_dataframe, all with the result's own names."""

from __future__ import annotations

import csv
import json
import math
from collections import Counter

import pytest

import moodvane
import moodvane_tools
from moodvane_tools import (
    cli, count_words, entropy_shift, jsd_shift, kld_shift, lexicon_scores, proportion_shift,
)
from moodvane_tools.export import COLUMNS

from conftest import REPO

TEXTS = REPO / "examples" / "texts"
RAINY, SUNNY = TEXTS / "rainy_monday.txt", TEXTS / "sunny_saturday.txt"
BEFORE = count_words(RAINY.read_text(encoding="utf-8"))
AFTER = count_words(SUNNY.read_text(encoding="utf-8"))


STOP = {"the", "and"}


def _shares(counts: Counter[str]) -> dict[str, float]:
    kept = {word: count for word, count in counts.items() if word not in STOP}
    total = sum(kept.values())
    return {word: count / total for word, count in kept.items()}


def _expected_scores(kind: str, word: str) -> tuple[float, float]:
    """Each text's score of `word` by the kind's definition, computed here."""
    p1, p2 = _shares(BEFORE).get(word, 0.0), _shares(AFTER).get(word, 0.0)
    if kind == "weighted":
        score = lexicon_scores("english")[word]
        return score, score
    if kind == "proportion":
        return 1.0, 1.0
    # Entropy: the surprisal in each text; a word missing from one takes the other's.
    surprisal_1 = -math.log2(p1 if p1 else p2)
    surprisal_2 = -math.log2(p2 if p2 else p1)
    return surprisal_1, surprisal_2


@pytest.mark.parametrize("kind, options, expected", [
    ("weighted", ["--stop-lens", "6", "4", "--reference", "5"],
     lambda stop: moodvane.weighted_avg_shift(BEFORE, AFTER, stop_lens=(4, 6),
                                              reference_value=5, stop_words=stop)),
    ("proportion", [], lambda stop: proportion_shift(BEFORE, AFTER, stop_words=stop)),
    ("entropy", ["--base", "2"], lambda stop: entropy_shift(BEFORE, AFTER, stop_words=stop)),
])
def test_json_and_csv_hold_counts_scores_and_their_origin(kind, options, expected, tmp_path):
    stop = tmp_path / "stop.txt"
    stop.write_text("the\nand\n", encoding="utf-8")
    status = cli.main(["compare", str(RAINY), str(SUNNY), "--kind", kind, *options,
                       "--stop-words", str(stop), "--json", str(tmp_path / "r.json"),
                       "--csv", str(tmp_path / "r.csv"), "--labels", "wet", "dry"])
    assert status == 0
    result = expected(STOP)
    document = json.loads((tmp_path / "r.json").read_text(encoding="utf-8"))
    meta = document.pop("meta")
    assert meta["version"] == moodvane_tools.__version__
    assert meta["kind"] == kind and meta["lexicon"]["name"] == "english"
    assert [(i["path"], i["label"], i["bytes"]) for i in meta["inputs"]] == [
        (str(RAINY), "wet", RAINY.stat().st_size), (str(SUNNY), "dry", SUNNY.stat().st_size)]
    assert [i["tokens"] for i in meta["inputs"]] == [sum(BEFORE.values()), sum(AFTER.values())]
    assert ("coverage" in meta["inputs"][0]) == (kind == "weighted")
    assert meta["stop_words"] == {"path": str(stop), "words": 2}
    if kind == "weighted":
        assert meta["options"] == {"stop_lens": [4.0, 6.0], "reference_value": 5.0}
    entries = document["entries"]
    # Beside the result's own fields, each word's counts and scores in the two texts.
    assert [{k: e[k] for k in result["entries"][0]} for e in entries] == result["entries"]
    with open(tmp_path / "r.csv", encoding="utf-8", newline="") as stream:
        rows = list(csv.DictReader(stream))
    assert tuple(rows[0]) == COLUMNS
    assert [row["type"] for row in rows] == [e["type"] for e in result["entries"]]
    for row, entry in zip(rows, entries):
        word = row["type"]
        assert (int(row["count_1"]), int(row["count_2"])) == (BEFORE[word], AFTER[word]) \
            == (entry["count_1"], entry["count_2"])
        if kind in ("weighted", "proportion"):
            assert (float(row["score_1"]), float(row["score_2"])) == \
                _expected_scores(kind, word)
        else:
            assert (float(row["score_1"]), float(row["score_2"])) == pytest.approx(
                _expected_scores(kind, word), rel=1e-9)
        assert float(row["shift_score"]) == entry["shift_score"]


@pytest.mark.parametrize("make", [
    lambda: moodvane.weighted_avg_shift(BEFORE, AFTER),
    lambda: jsd_shift(BEFORE, AFTER),
    lambda: kld_shift(BEFORE + AFTER, AFTER, top_n=12),
])
def test_to_dataframe_has_the_csv_columns_and_the_result_in_order(make):
    pandas = pytest.importorskip("pandas")
    result = make()
    frame = moodvane_tools.to_dataframe(result, counts=(BEFORE, AFTER))
    assert tuple(frame.columns) == COLUMNS
    assert list(frame["type"]) == [e["type"] for e in result["entries"]]
    assert list(frame["rank"]) == list(range(1, len(result["entries"]) + 1))
    assert list(frame["count_2"]) == [float(AFTER[e["type"]]) for e in result["entries"]]
    for field in ("p_diff", "s_diff", "p_avg", "s_ref_diff", "shift_score"):
        assert list(frame[field]) == [e[field] for e in result["entries"]]
    # Without the counts, there are none to show.
    assert moodvane_tools.to_dataframe(result)["count_1"].isna().all()
    assert str(frame["count_1"].dtype) == "float64" and pandas is not None
