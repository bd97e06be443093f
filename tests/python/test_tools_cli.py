"""The moodvane command end to end in a subprocess, and its file reading in process."""

from __future__ import annotations

import csv
import io
import json
import os
import subprocess
import sys
from importlib import metadata
from pathlib import Path

import pytest

import moodvane
import moodvane_tools
from moodvane_tools import cli, count_words, reading

from conftest import REPO

TEXTS = REPO / "examples" / "texts"
RAINY, SUNNY = TEXTS / "rainy_monday.txt", TEXTS / "sunny_saturday.txt"
# The subprocess imports the same moodvane_tools as this test.
PACKAGE_PARENT = str(Path(moodvane_tools.__file__).resolve().parents[1])


def _run(*args, cwd=None):
    env = {**os.environ, "MPLBACKEND": "Agg",
           "PYTHONPATH": os.pathsep.join(filter(None, [PACKAGE_PARENT,
                                                       os.environ.get("PYTHONPATH")]))}
    # -P: the package under test, never a moodvane_tools folder in the working directory.
    return subprocess.run([sys.executable, "-P", "-m", "moodvane_tools", *map(str, args)],
                          capture_output=True, text=True, encoding="utf-8", timeout=120,
                          env=env, cwd=cwd)


def _sample_result():
    return moodvane.weighted_avg_shift(count_words(RAINY.read_text(encoding="utf-8")),
                                       count_words(SUNNY.read_text(encoding="utf-8")))


def test_compare_prints_a_summary_and_writes_every_output(tmp_path):
    run = _run("compare", RAINY, SUNNY, "--top", 7, "--json", tmp_path / "r.json",
               "--csv", tmp_path / "r.csv", "--plot", tmp_path / "shift.png")
    assert run.returncode == 0, run.stderr
    assert run.stderr == ""  # no progress bar when the standard error is no terminal
    expected = _sample_result()
    lines = run.stdout.splitlines()
    assert lines[0].startswith("lexicon: english (English, ")
    assert lines[1].startswith("stop lens: none, every scored word counts")
    assert lines[2].split()[0] == "rainy_monday.txt"
    assert f"average score {expected['s_avg_1']:.3f}" in lines[2] and "% of 377 words" in lines[2]
    assert f"average score {expected['s_avg_2']:.3f}" in lines[3]
    rows = [line for line in lines if line[:2].strip().isdigit()]
    assert [row.split()[1] for row in rows] == [e["type"] for e in expected["entries"][:7]]
    assert all(row.split()[2] in ("+↑", "+↓", "-↑", "-↓") for row in rows)
    written = json.loads((tmp_path / "r.json").read_text(encoding="utf-8"))
    assert written.pop("kind") == "weighted"  # the kind, beside the result's own keys
    assert written.pop("meta")["kind"] == "weighted"
    written["entries"] = [{key: entry[key] for key in expected["entries"][0]}
                          for entry in written["entries"]]
    assert written == expected
    with open(tmp_path / "r.csv", encoding="utf-8", newline="") as stream:
        table = list(csv.DictReader(stream))
    assert [row["type"] for row in table] == [e["type"] for e in expected["entries"]]
    assert [float(row["shift_score"]) for row in table] == \
        [e["shift_score"] for e in expected["entries"]]
    pytest.importorskip("matplotlib")
    assert (tmp_path / "shift.png").read_bytes()[:4] == b"\x89PNG"


@pytest.mark.parametrize("suffix, magic", [(".svg", b"<?xml"), (".pdf", b"%PDF")])
def test_plot_formats(tmp_path, suffix, magic):
    pytest.importorskip("matplotlib")
    run = _run("compare", RAINY, SUNNY, "--plot", tmp_path / f"shift{suffix}")
    assert run.returncode == 0, run.stderr
    assert (tmp_path / f"shift{suffix}").read_bytes().startswith(magic)


def test_options_reach_the_module(tmp_path):
    stop = tmp_path / "stop.txt"
    stop.write_text("Friends\nparty\n", encoding="utf-8")
    run = _run("compare", RAINY, SUNNY, "--stop-lens", 4, 6, "--stop-words", stop,
               "--reference", 5, "--top", 0, "--json", tmp_path / "r.json")
    assert run.returncode == 0, run.stderr
    written = json.loads((tmp_path / "r.json").read_text(encoding="utf-8"))
    assert written.pop("kind") == "weighted"
    expected = moodvane.weighted_avg_shift(
        count_words(RAINY.read_text(encoding="utf-8")),
        count_words(SUNNY.read_text(encoding="utf-8")),
        stop_lens=(4, 6), stop_words={"friends", "party"}, reference_value=5.0)
    assert written.pop("meta")["options"]["stop_lens"] == [4.0, 6.0]
    written["entries"] = [{key: entry[key] for key in expected["entries"][0]}
                          for entry in written["entries"]]
    assert written == expected
    rows = [line for line in run.stdout.splitlines() if line[:3].strip().isdigit()]
    assert len(rows) == len(expected["entries"])  # --top 0 shows every word


def _bad(tmp_path):
    bad = tmp_path / "latin1.txt"
    bad.write_bytes("ok fine déjà".encode("latin-1"))
    empty = tmp_path / "empty.txt"
    empty.write_bytes(b"")
    blank = tmp_path / "blank.txt"
    blank.write_text(" 12 ... &amp; https://example.org/😀\n", encoding="utf-8")
    return bad, empty, blank


def _empty_directory(tmp_path):
    (tmp_path / "folder").mkdir()
    return tmp_path / "folder"


def _own_rainy_monday(tmp_path):
    (tmp_path / "mine").mkdir()
    (tmp_path / "mine" / "rainy_monday.txt").write_text("my own diary", encoding="utf-8")
    return tmp_path / "mine"


@pytest.mark.parametrize("case, message", [
    ("missing", "missing.txt: no such file"),
    ("not utf-8", "latin1.txt: not UTF-8 text (invalid continuation byte at byte offset 9)"),
    ("empty", "empty.txt: no words in the text (the file is empty)"),
    ("no words", "blank.txt: no words in the text"),
    ("lexicon", "unknown lexicon 'klingon'; expected one of chinese, english,"),
    ("plot format", "shift.gif: the graph is written as .png, .svg, .pdf"),
    ("top", "argument --top: must be 0 or more"),
    ("reference", "argument --reference: not a number nor 'average'"),
    ("directory", "is a directory with no .txt files"),
    ("stop words", "nostop.txt: cannot be read"),
    ("no command", "the following arguments are required"),
    ("samples over a file", "rainy_monday.txt exists and is not the sample of that name"),
])
def test_bad_input_is_one_line_and_status_2(tmp_path, case, message):
    bad, empty, blank = _bad(tmp_path)
    arguments = {
        "missing": ["compare", RAINY, tmp_path / "missing.txt"],
        "not utf-8": ["compare", RAINY, bad],
        "empty": ["compare", empty, SUNNY],
        "no words": ["compare", RAINY, blank],
        "lexicon": ["compare", RAINY, SUNNY, "--lexicon", "klingon"],
        "plot format": ["compare", RAINY, SUNNY, "--plot", tmp_path / "shift.gif"],
        "top": ["compare", RAINY, SUNNY, "--top", "-3"],
        "reference": ["compare", RAINY, SUNNY, "--reference", "middle"],
        # A directory is a corpus of .txt files; this one holds none.
        "directory": ["compare", RAINY, _empty_directory(tmp_path)],
        "stop words": ["compare", RAINY, SUNNY, "--stop-words", tmp_path / "nostop.txt"],
        "no command": [],
        "samples over a file": ["samples", _own_rainy_monday(tmp_path)],
    }[case]
    run = _run(*arguments)
    assert run.returncode == 2
    assert run.stdout == ""
    assert len(run.stderr.splitlines()) == 1, run.stderr
    assert message in run.stderr
    assert "Traceback" not in run.stderr
    if case == "samples over a file":  # nothing was written, nothing overwritten
        assert [path.name for path in (tmp_path / "mine").iterdir()] == ["rainy_monday.txt"]
        assert (tmp_path / "mine" / "rainy_monday.txt").read_text("utf-8") == "my own diary"


def test_plot_without_matplotlib_names_the_extra(monkeypatch, capsys):
    monkeypatch.setitem(sys.modules, "matplotlib", None)  # import matplotlib now fails
    status = cli.main(["compare", str(RAINY), str(SUNNY), "--plot", "shift.png"])
    assert status == 2
    err = capsys.readouterr().err
    assert err == "moodvane: --plot needs matplotlib: pip install 'moodvane[plot]'\n"


def test_lexicons_lists_sizes_and_sources():
    run = _run("lexicons")
    assert run.returncode == 0, run.stderr
    lines = run.stdout.splitlines()
    assert lines[0].split()[:3] == ["name", "language", "words"]
    assert [line.split()[0] for line in lines[1:]] == moodvane_tools.lexicon_names()
    for line, name in zip(lines[1:], moodvane_tools.lexicon_names()):
        info = moodvane_tools.lexicon_info(name)
        assert f"{info['entries']:,}" in line
        assert all(source["licence"] in line for source in info["sources"])


def test_score_prints_the_lexicon_scores():
    scores = moodvane_tools.lexicon_scores("spanish")
    word = sorted(w for w in scores if w.isalpha())[0]  # not an emoticon such as "-_-"
    run = _run("score", word.upper(), "zzqx", "--lexicon", "Spanish")
    assert run.returncode == 0, run.stderr
    first, second = run.stdout.splitlines()
    assert first.split() == [word.upper(), f"{scores[word]:.2f}"]
    assert second.split()[1:] == ["not", "in", "the", "lexicon"]
    assert _run("score", "x", "--lexicon", "xx").returncode == 2


def test_progress_bar_on_a_terminal(monkeypatch, capsys):
    class Terminal(io.StringIO):
        def isatty(self):
            return True

    terminal = Terminal()
    monkeypatch.setattr(sys, "stderr", terminal)
    assert cli.main(["compare", str(RAINY), str(SUNNY)]) == 0
    assert "\rreading rainy_monday.txt [" in terminal.getvalue()
    assert terminal.getvalue().endswith("\r\x1b[K")  # the bar's line is cleared
    assert cli.main(["compare", str(RAINY), str(SUNNY), "--no-progress"]) == 0
    assert terminal.getvalue().count("reading rainy") == 1


@pytest.mark.parametrize("chunk", [1, 2, 3, 7, 64])
def test_chunked_reading_counts_and_offsets(monkeypatch, tmp_path, chunk):
    monkeypatch.setattr(reading, "CHUNK_BYTES", chunk)
    text = "\ufeffDéjà vu: 행복을 느꼈다 — ख़ुश l’amour, self-confident 高兴!"
    path = tmp_path / "text.txt"
    path.write_bytes(text.encode("utf-8"))
    counted = reading.count_file(path, "french")
    assert counted.counts == count_words(text[1:], "french")
    # An invalid byte after multi-byte characters is reported at its offset in the file.
    prefix = "é행".encode("utf-8") * 3
    path.write_bytes(prefix + b"\xff rest")
    with pytest.raises(reading.InputError, match=f"at byte offset {len(prefix)}\\)"):
        reading.count_file(path, "french")
    # A character cut short at the end of the file.
    path.write_bytes(prefix + "행".encode("utf-8")[:2])
    with pytest.raises(reading.InputError, match=f"unexpected end of data at byte offset "
                                                 f"{len(prefix)}\\)"):
        reading.count_file(path, "french")


def test_console_script_is_declared():
    try:
        scripts = metadata.distribution("moodvane").entry_points
    except metadata.PackageNotFoundError:
        pytest.skip("moodvane is not installed")
    (script,) = [entry for entry in scripts if entry.name == "moodvane"]
    assert script.value == "moodvane_tools.cli:main" and script.group == "console_scripts"
