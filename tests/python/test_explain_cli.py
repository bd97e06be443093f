"""`moodvane explain`, `moodvane report`, `compare --freq` and the series' new options, end
to end: what they print and write equals the library's results, CSV floats read back
exactly, JSON's meta names every input, and bad input is one line and status 2, found
before the corpus is read."""

from __future__ import annotations

import csv
import json
from collections import Counter

import pytest

pandas = pytest.importorskip("pandas")
matplotlib = pytest.importorskip("matplotlib")
matplotlib.use("Agg")

import moodvane  # noqa: E402
from conftest import canonical  # noqa: E402
from moodvane_tools import count_documents, happiness_series  # noqa: E402
from moodvane_tools.cli import main  # noqa: E402
from moodvane_tools.shifts_by_period import period_shifts  # noqa: E402

DAYS = ["2024-05-01", "2024-05-02", "2024-05-03", "2024-05-06", "2024-05-07", "2024-05-14",
        "2024-05-15", "2024-05-21", "2024-05-22", "2024-05-23"]
BODIES = ["a happy day with love", "sunshine and joy", "war and fear", "a sad sad day",
          "love and laughter", "tired and sick", "great fun", "lost my keys", "peace at last",
          "a good day"]


@pytest.fixture()
def corpus(tmp_path):
    path = tmp_path / "notes.csv"
    pandas.DataFrame({"day": DAYS, "body": BODIES}).to_csv(path, index=False)
    return path


def run(arguments, capsys):
    try:
        status = main([str(argument) for argument in arguments])
    except SystemExit as exit:
        status = exit.code
    captured = capsys.readouterr()
    return status, captured.out, captured.err


def pooled(chosen):
    total = Counter()
    for counts, keep in zip(count_documents(BODIES), chosen):
        if keep:
            total.update(counts)
    return total


@pytest.mark.parametrize("reference, window, against", [
    ("previous", 1, {"2024-05-13"}), ("previous", 2, {"2024-05-06", "2024-05-13"}),
    ("all", 1, None), ("2024-05-02", 1, {"2024-04-29"}),
])
def test_explain_writes_the_period_shift(corpus, tmp_path, capsys, reference, window, against):
    out_json, out_csv = tmp_path / "shift.json", tmp_path / "shift.csv"
    status, out, err = run(["explain", corpus, "--text", "body", "--key", "day", "--freq", "W",
                            "--period", "2024-05-22", "--reference", reference, "--window",
                            window, "--json", out_json, "--csv", out_csv, "--top", "3"], capsys)
    assert status == 0, err
    document = json.loads(out_json.read_text())
    expected = period_shifts(BODIES, DAYS, freq="W", reference=reference, window=window)
    week = pandas.Timestamp("2024-05-20")
    assert canonical(document["entries"]) == canonical(
        [{**entry, **{key: document["entries"][at][key] for key in
                      ("count_1", "count_2", "score_1", "score_2")}}
         for at, entry in enumerate(expected[week]["entries"])])
    assert document["s_avg_1"] == expected[week]["s_avg_1"]
    weeks = pandas.to_datetime(DAYS).to_period("W").start_time
    chosen = [True] * len(DAYS) if against is None else \
        [str(day.date()) in against for day in weeks]
    native = moodvane.weighted_avg_shift(pooled(chosen), pooled(weeks == week))
    assert canonical(document["entries"][0]["type"]) == native["entries"][0]["type"]
    meta = document["meta"]
    assert meta["command"] == "explain"
    assert [entry["path"] for entry in meta["inputs"]] == [str(corpus)] * 2
    assert all(entry["bytes"] == corpus.stat().st_size for entry in meta["inputs"])
    assert meta["corpus"] == {"text": "body", "key": "day", "freq": "W", "period": "2024-05-22",
                              "reference": reference, "window": window}
    # The CSV holds every float as the JSON does, to the last bit.
    with open(out_csv, newline="", encoding="utf-8") as stream:
        rows = list(csv.DictReader(stream))
    assert [float(row["shift_score"]) for row in rows] == \
        [entry["shift_score"] for entry in document["entries"]]
    assert "2024-05-20" in out and len(out.splitlines()) > 5


def test_explain_intervals_are_printed_and_drawn(corpus, tmp_path, capsys):
    picture = tmp_path / "shift.png"
    status, out, err = run(["explain", corpus, "--text", "body", "--key", "day", "--freq", "W",
                            "--period", "2024-05-06", "--boot", "200", "--plot", picture],
                           capsys)
    assert status == 0, err
    assert "intervals: 95% bootstrap, 200 resamples" in out
    assert picture.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"


def test_compare_two_periods_with_freq(corpus, tmp_path, capsys):
    out_json = tmp_path / "c.json"
    status, _, err = run(["compare", corpus, "--text", "body", "--key", "day", "--freq", "MS",
                          "--groups", "2024-05-09", "2024-05", "--json", out_json], capsys)
    assert status == 0, err
    document = json.loads(out_json.read_text())
    # Both groups are the same month: the shift of May against itself.
    may = pooled([True] * len(DAYS))
    expected = moodvane.weighted_avg_shift(may, may)
    assert document["total_diff"] == expected["total_diff"]
    inputs = document["meta"]["inputs"]
    assert [entry["path"] for entry in inputs] == [str(corpus)] * 2
    assert [entry["bytes"] for entry in inputs] == [corpus.stat().st_size] * 2
    assert [entry["documents"] for entry in inputs] == [len(DAYS)] * 2
    assert document["meta"]["corpus"] == {"text": "body", "key": "day", "freq": "MS",
                                          "groups": ["2024-05-09", "2024-05"]}


def test_series_options_and_full_precision(corpus, tmp_path, capsys):
    table = tmp_path / "s.csv"
    words = tmp_path / "stop.txt"
    words.write_text("love\n")
    status, out, err = run(["series", corpus, "--text", "body", "--key", "day", "--freq", "W",
                            "--seed", "7", "--min-documents", "2", "--stop-words", words,
                            "--boot", "100", "--csv", table], capsys)
    assert status == 0, err
    expected = happiness_series(BODIES, DAYS, freq="W", n_boot=100, seed=7, min_documents=2,
                                stop_words=["love"])
    with open(table, newline="", encoding="utf-8") as stream:
        rows = list(csv.DictReader(stream))
    for column in ("score", "low", "high"):
        # Bit for bit: the text reads back as the very float.
        assert [row[column] for row in rows] == \
            ["" if value != value else repr(value) for value in expected[column]]
    assert [row["score"] == "" for row in rows] == (expected["documents"] < 2).tolist()


def test_report_writes_a_page(corpus, tmp_path, capsys):
    page = tmp_path / "r.html"
    status, out, err = run(["report", corpus, "--text", "body", "--key", "day", "--freq", "W",
                            "--html", page, "--boot", "50"], capsys)
    assert status == 0, err
    text = page.read_text(encoding="utf-8")
    assert text.startswith("<!DOCTYPE html>") and "Content-Security-Policy" in text
    assert str(page) in out


@pytest.mark.parametrize("arguments, message", [
    (["explain", "{corpus}", "--text", "body", "--key", "day", "--freq", "W", "--period",
      "2024-05-01"], "is the first period, with none before it"),
    (["explain", "{corpus}", "--text", "body", "--key", "day", "--freq", "W", "--period",
      "1999-01-01"], "no such period"),
    (["explain", "{corpus}", "--text", "body", "--key", "day", "--freq", "W", "--period",
      "2024-05-22", "--reference", "1999-01-01"], "--reference"),
    (["explain", "{corpus}", "--text", "body", "--key", "day", "--freq", "W", "--period",
      "2024-05-22", "--min-documents", "5"], "fewer than --min-documents 5"),
    (["explain", "{corpus}", "--text", "body", "--key", "day", "--freq", "W", "--period", "x",
      "--window", "0"], "--window must be 1 or more"),
    (["explain", "{corpus}", "--text", "body", "--freq", "W", "--period", "x"],
     "explain needs --key"),
    (["explain", "{corpus}", "--text", "body", "--key", "day", "--period", "x"],
     "no such period"),
    (["report", "{corpus}", "--text", "body", "--key", "day", "--html", "{folder}/r.txt"],
     "name it with .html"),
    (["report", "{corpus}", "--text", "body", "--key", "day", "--freq", "fortnightly",
      "--html", "{folder}/r.html"], "--freq: freq must be"),
    (["report", "{corpus}", "--text", "body", "--key", "day", "--html", "{folder}/r.html",
      "--intervals", "-1"], "--intervals must be 0 or more"),
    (["series", "{corpus}", "--text", "body", "--key", "day", "--min-documents", "0"],
     "--min-documents must be 1 or more"),
    # Every command that reads a corpus takes the same options, checked the same way.
    (["explain", "{corpus}", "--text", "body", "--key", "day", "--freq", "W", "--period",
      "2024-05-22", "--stop-lens", "nan", "6"], "--stop-lens: must be a finite number"),
    (["report", "{corpus}", "--text", "body", "--key", "day", "--html", "{folder}/r.html",
      "--stop-lens", "4", "inf"], "--stop-lens: must be a finite number"),
    (["compare", "{corpus}", "--text", "body", "--key", "day", "--freq", "W", "--groups",
      "2024-05-01", "soon"], "each group is a date"),
    (["compare", "{corpus}", "{corpus}", "--text", "body", "--freq", "W"], "--freq needs"),
    # The output path is checked first: the corpus does not exist either.
    (["report", "{folder}/none.csv", "--key", "day", "--freq", "W", "--html",
      "/no/such/dir/r.html"], "the folder /no/such/dir does not exist"),
    (["explain", "{folder}/none.csv", "--key", "day", "--period", "x", "--json",
      "/no/such/dir/r.json"], "the folder /no/such/dir does not exist"),
])
def test_bad_input_is_one_line_and_status_2(corpus, tmp_path, capsys, arguments, message):
    status, _, err = run([argument.format(corpus=corpus, folder=tmp_path)
                          for argument in arguments], capsys)
    assert status == 2
    assert message in err and err.count("\n") == 1, err
    assert not list(tmp_path.glob("r.*"))
