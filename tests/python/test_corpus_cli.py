"""`moodvane series`, corpora in `moodvane compare`, --pseudocount, and the series graph
read back from what was drawn."""

from __future__ import annotations

import subprocess
import sys

import pytest

pandas = pytest.importorskip("pandas")
matplotlib = pytest.importorskip("matplotlib")
matplotlib.use("Agg")

from moodvane_tools import happiness_series, kld_shift, series_graph  # noqa: E402

ROWS = [("2024-05-01", "a happy day with love"), ("2024-05-01", "sunshine and joy"),
        ("2024-05-02", "war and fear"), ("2024-05-08", "a sad sad day"),
        ("2024-05-09", "love and laughter")]


@pytest.fixture()
def corpus(tmp_path):
    path = tmp_path / "notes.csv"
    pandas.DataFrame(ROWS, columns=["day", "body"]).to_csv(path, index=False)
    return path


def _moodvane(*arguments):
    return subprocess.run([sys.executable, "-m", "moodvane_tools", *map(str, arguments)],
                          capture_output=True, text=True, timeout=120)


def test_series_prints_writes_and_draws_the_series(corpus, tmp_path):
    table, picture = tmp_path / "series.csv", tmp_path / "series.png"
    run = _moodvane("series", corpus, "--text", "body", "--key", "day", "--freq", "W",
                    "--boot", "50", "--csv", table, "--plot", picture)
    assert run.returncode == 0, run.stderr
    expected = happiness_series([body for _, body in ROWS],
                                pandas.to_datetime([day for day, _ in ROWS]), freq="W",
                                n_boot=50)
    written = pandas.read_csv(table, index_col="key")
    assert list(written["documents"]) == list(expected["documents"])
    assert written["score"].to_numpy() == pytest.approx(expected["score"].to_numpy(), abs=1e-5)
    assert run.stdout.splitlines()[0].split() == ["key", "score", "low", "high", "documents",
                                                  "tokens", "scored"]
    assert len(run.stdout.splitlines()) == len(expected) + 1
    assert picture.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"


@pytest.mark.parametrize("arguments, message", [
    (["series", "{corpus}", "--text", "body"], "series needs --key"),
    (["series", "{corpus}", "--text", "nope", "--key", "day"], "no column 'nope'"),
    (["series", "{corpus}", "--text", "body", "--key", "day", "--freq", "XX"], "offset alias"),
    (["series", "{corpus}", "--text", "body", "--key", "day", "--csv", "/no/such/dir/x.csv"],
     "the folder /no/such/dir does not exist"),
    (["series", "{corpus}", "--text", "body", "--key", "day", "--plot", "x.bmp"],
     "the graph is written as"),
    (["compare", "{corpus}", "--text", "body", "--key", "day", "--groups", "2024-05-01", "x"],
     "no document has day 'x'"),
    (["compare", "{corpus}", "{corpus}", "--text", "body", "--kind", "kld", "--groups", "a",
      "b"], "--groups needs --key"),
    (["compare", "{corpus}", "--text", "body", "--key", "day", "--groups", "2024-05-01",
      "2024-05-02", "--kind", "kld"], "--pseudocount smooths the counts"),
    # Resamples of every group that no memory holds: one line, not a crash.
    (["series", "{corpus}", "--text", "body", "--key", "day", "--boot",
      "4611686018427387904"], "more than memory can hold"),
    (["series", "{corpus}", "--text", "body", "--key", "day", "--boot", str(2**64)],
     "more than memory can hold"),
])
def test_bad_corpus_input_is_one_line_and_status_2(corpus, arguments, message, capsys):
    from moodvane_tools.cli import main

    try:
        status = main([argument.format(corpus=corpus) for argument in arguments])
    except SystemExit as exit:
        status = exit.code
    error = capsys.readouterr().err
    assert status == 2
    assert message in error and error.count("\n") == 1, error


def test_compare_takes_corpora_and_groups(corpus, capsys):
    from moodvane_tools.cli import main

    assert main(["compare", str(corpus), str(corpus), "--text", "body", "--top", "3"]) == 0
    assert main(["compare", str(corpus), "--text", "body", "--key", "day", "--groups",
                 "2024-05-01", "2024-05-02", "--kind", "kld", "--pseudocount", "0.5"]) == 0
    out = capsys.readouterr().out
    assert "2024-05-01" in out and "2024-05-02" in out


@pytest.mark.parametrize("pseudocount", [0.5, 1.0, 3.0])
def test_pseudocount_is_the_divergence_of_the_smoothed_counts(pseudocount):
    before, after = {"a": 3, "b": 1}, {"a": 1, "c": 2}
    smoothed = kld_shift({word: before.get(word, 0) + pseudocount for word in "abc"},
                         {word: after.get(word, 0) + pseudocount for word in "abc"})
    assert kld_shift(before, after, pseudocount=pseudocount) == smoothed
    with pytest.raises(ValueError, match="pseudocount"):
        kld_shift(before, after)


def test_series_graph_draws_what_the_frame_holds():
    frame = happiness_series(["happy", "sad", "love", "war", "joy"],
                             pandas.to_datetime(["2024-01-01", "2024-01-01", "2024-01-02",
                                                 "2024-01-04", "2024-01-04"]), n_boot=40)
    ax = series_graph(frame, label="one")
    series_graph(frame.assign(score=frame["score"] - 1), ax=ax, label="two")
    lines = ax.get_lines()
    assert [line.get_label() for line in lines] == ["one", "two"]
    assert list(lines[0].get_ydata()) == pytest.approx(list(frame["score"]))
    band = ax.collections[0].get_paths()[0].vertices[:, 1]
    assert band.min() == pytest.approx(frame["low"].min())
    assert band.max() == pytest.approx(frame["high"].max())
    documents = [axes for axes in ax.figure.axes if axes is not ax]
    assert len(documents) == 1  # both series share the second axis
    assert [bar.get_height() for bar in documents[0].patches] == list(frame["documents"]) * 2


def test_builtin_stop_words_leave_out_the_function_words(capsys):
    from moodvane_tools.cli import main

    texts = [str(path) for path in __import__("conftest").REPO.joinpath(
        "examples", "texts").glob("*.txt")][:2]
    assert main(["compare", *texts, "--kind", "proportion", "--top", "0",
                 "--stop-words", "builtin"]) == 0
    listed = {line.split()[1] for line in capsys.readouterr().out.splitlines()
              if line[:1].isdigit()}
    assert listed and not listed & {"the", "and", "a", "of", "to"}
