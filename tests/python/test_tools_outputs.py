"""The command line's outputs: checked before any text is read, written all together or
not at all, and every failure one line with exit status 2."""

from __future__ import annotations

import errno
import json
import os
import stat
import struct
import subprocess
import sys
import threading
from pathlib import Path

import pytest

import moodvane_tools
from moodvane_tools import cli, outputs
from moodvane_tools.reading import InputError

from conftest import REPO

TEXTS = REPO / "examples" / "texts"
RAINY, SUNNY = TEXTS / "rainy_monday.txt", TEXTS / "sunny_saturday.txt"
PACKAGE_PARENT = str(Path(moodvane_tools.__file__).resolve().parents[1])


def _run(*args):
    env = {**os.environ, "MPLBACKEND": "Agg",
           "PYTHONPATH": os.pathsep.join(filter(None, [PACKAGE_PARENT,
                                                       os.environ.get("PYTHONPATH")]))}
    return subprocess.run([sys.executable, "-P", "-m", "moodvane_tools", *map(str, args)],
                          capture_output=True, text=True, encoding="utf-8", timeout=120,
                          env=env)


ROOT = os.geteuid() == 0


@pytest.mark.parametrize("option, target, message", [
    ("--json", "missing/r.json", "the folder {tmp}/missing does not exist"),
    ("--csv", "afile/r.csv", "the folder {tmp}/afile is not a folder"),
    ("--json", "adir", "is a folder; name a file in it"),
    ("--json", "locked/r.json", "the folder {tmp}/locked is not writable"),
    ("--csv", "INPUT", "is an input of this run"),
    ("--plot", "same.svg", "--json writes the same file"),
])
def test_a_bad_output_path_fails_before_any_text_is_read(tmp_path, option, target, message):
    (tmp_path / "afile").write_text("x")
    (tmp_path / "adir").mkdir()
    (tmp_path / "locked").mkdir(mode=0o500)
    if target.startswith("locked") and ROOT:
        pytest.skip("the superuser writes into any folder")
    path = SUNNY if target == "INPUT" else tmp_path / target
    extra = ["--json", tmp_path / "same.svg"] if target == "same.svg" else []
    # The first text does not exist: had it been read first, that would be the error.
    run = _run("compare", tmp_path / "no such text.txt", SUNNY, *extra, option, path)
    assert run.returncode == 2, run.stderr
    assert len(run.stderr.splitlines()) == 1, run.stderr
    assert "no such text" not in run.stderr
    assert message.format(tmp=tmp_path) in run.stderr
    assert sorted(p.name for p in tmp_path.iterdir()) == ["adir", "afile", "locked"]


def _writer(content: bytes, fail: bool):
    def write(stream):
        stream.write(content[: len(content) // 2])
        if fail:
            raise OSError(errno.ENOSPC, "No space left on device")
        stream.write(content[len(content) // 2:])
    return write


@pytest.mark.parametrize("failing", [0, 1, 2, None])
def test_outputs_are_written_all_together_or_not_at_all(tmp_path, failing):
    paths = [tmp_path / name for name in ("r.json", "r.csv", "shift.svg")]
    paths[1].write_bytes(b"the old table\n")
    os.chmod(paths[1], 0o640)
    contents = [f"new {path.name}\n".encode() * 1000 for path in paths]
    plan = [(path, _writer(content, index == failing))
            for index, (path, content) in enumerate(zip(paths, contents))]
    if failing is None:
        outputs.write_all(plan)
        assert [path.read_bytes() for path in paths] == contents
        assert os.stat(paths[1]).st_mode & 0o777 == 0o640  # a replaced file keeps its mode
    else:
        with pytest.raises(InputError) as info:
            outputs.write_all(plan)
        assert str(info.value) == f"{paths[failing]}: cannot be written: No space left on device"
        assert not paths[0].exists() and not paths[2].exists()
        assert paths[1].read_bytes() == b"the old table\n"
    # No temporary file stays behind.
    assert sorted(p.name for p in tmp_path.iterdir()) == sorted(
        p.name for p in paths if p.exists())


def _fail_with_memory_error(*args, **kwargs):
    raise MemoryError()


@pytest.mark.parametrize("how", ["stop words from /dev/zero", "memory error in the shift"])
def test_running_out_of_room_is_one_line_and_status_2(how, monkeypatch, capsys):
    if how.startswith("stop words"):
        if not Path("/dev/zero").exists():
            pytest.skip("no /dev/zero")
        status = cli.main(["compare", str(RAINY), str(SUNNY), "--stop-words", "/dev/zero"])
        expected = "moodvane: /dev/zero: more than 64 MB; --stop-words takes a list of words"
    else:
        monkeypatch.setattr(cli, "_shift", _fail_with_memory_error)
        status = cli.main(["compare", str(RAINY), str(SUNNY)])
        expected = "moodvane: out of memory; try smaller texts"
    captured = capsys.readouterr()
    assert status == 2
    assert captured.err.startswith(expected) and len(captured.err.splitlines()) == 1


def _png_size(path: Path) -> tuple[int, int]:
    header = path.read_bytes()[:24]
    assert header[:8] == b"\x89PNG\r\n\x1a\n"
    return struct.unpack(">II", header[16:24])


def test_labels_title_dpi_and_version_reach_their_outputs(tmp_path, monkeypatch, capsys):
    pytest.importorskip("matplotlib")
    from moodvane_tools import graph

    drawn = []
    original = graph.shift_graph

    def recording(*args, **kwargs):
        drawn.append(original(*args, **kwargs))
        return drawn[-1]

    monkeypatch.setattr(graph, "shift_graph", recording)
    status = cli.main(["compare", str(RAINY), str(SUNNY), "--labels", "wet", "dry",
                       "--title", "Two days", "--dpi", "40", "--top", "5",
                       "--plot", str(tmp_path / "shift.png")])
    out = capsys.readouterr().out
    assert status == 0
    assert out.splitlines()[2].startswith("wet ") and out.splitlines()[3].startswith("dry ")
    assert "rainy_monday" not in out
    (figure,) = drawn
    title = figure.axes[0].get_title()
    assert title.startswith("Two days\n") and "wet" in title and "dry" in title
    assert _png_size(tmp_path / "shift.png") == (int(figure.get_figwidth() * 40),
                                                 int(figure.get_figheight() * 40))
    with pytest.raises(SystemExit) as info:
        cli.main(["--version"])
    assert info.value.code == 0
    assert capsys.readouterr().out == f"moodvane {moodvane_tools.__version__}\n"


class _GoneReader:
    """A standard output whose reader went away, as after `| head`."""

    def write(self, text):
        raise BrokenPipeError(errno.EPIPE, "Broken pipe")

    def flush(self):
        pass


@pytest.mark.parametrize("command", ["compare", "series"])
def test_outputs_are_whole_when_the_reader_of_the_output_goes_away(command, tmp_path,
                                                                   monkeypatch):
    pytest.importorskip("matplotlib")
    if command == "series":
        pytest.importorskip("pandas")
    plot, table = tmp_path / "out.png", tmp_path / "out.csv"
    inputs = {"compare": [str(RAINY), str(SUNNY)],
              "series": [str(REPO / "examples" / "diary.csv"), "--text", "text",
                         "--key", "date", "--freq", "MS", "--boot", "20"]}[command]
    monkeypatch.setattr(sys, "stdout", _GoneReader())
    assert cli.main([command, *inputs, "--plot", str(plot), "--csv", str(table)]) == 0
    assert plot.read_bytes().startswith(b"\x89PNG")
    assert table.read_text("utf-8").startswith("rank," if command == "compare" else "key,")
    assert sorted(path.name for path in tmp_path.iterdir()) == ["out.csv", "out.png"]


@pytest.mark.parametrize("destination", ["link to a file", "link to a missing file",
                                         "device", "named pipe"])
def test_links_devices_and_pipes_are_written_through(tmp_path, destination):
    # A link stays a link and its target gets the output; a device or a pipe is written to
    # as it stands, never replaced by a regular file (as root, /dev/null itself).
    path = tmp_path / "out.json"
    target = tmp_path / "target.json"
    received: list[bytes] = []
    if destination == "link to a file":
        target.write_text("old")
        path.symlink_to(target)
    elif destination == "link to a missing file":
        path.symlink_to(target)
    elif destination == "device":
        path = Path(os.devnull)
    else:
        os.mkfifo(path)
        reader = threading.Thread(target=lambda: received.append(path.read_bytes()))
        reader.start()
    run = _run("compare", RAINY, SUNNY, "--json", path)
    assert run.returncode == 0, run.stderr
    if destination.startswith("link"):
        assert path.is_symlink() and os.readlink(path) == str(target)
        assert json.loads(target.read_text(encoding="utf-8"))["kind"] == "weighted"
        assert sorted(p.name for p in tmp_path.iterdir()) == ["out.json", "target.json"]
    elif destination == "device":
        assert stat.S_ISCHR(os.stat(os.devnull).st_mode)
    else:
        reader.join(timeout=60)
        assert stat.S_ISFIFO(os.stat(path).st_mode)
        assert json.loads(received[0])["kind"] == "weighted"


def _hostile_input(folder: Path, case: str) -> list[object]:
    """The command line of `case`, with its input written into `folder`."""
    if case == "unbalanced quote in a CSV header":
        corpus = folder / "quote.csv"
        corpus.write_text('"body,day\na happy day,1\n', encoding="utf-8")
        return ["series", corpus, "--text", "body", "--key", "day"]
    if case == "Parquet text of bytes that are not UTF-8":
        import pyarrow
        import pyarrow.parquet

        corpus = folder / "texts.parquet"
        pyarrow.parquet.write_table(pyarrow.table({
            "body": pyarrow.array([b"happy", b"\xff sad"]), "day": [1, 2]}), corpus)
        return ["series", corpus, "--text", "body", "--key", "day"]
    if case == "a stop lens of NaN with --json":
        return ["compare", RAINY, SUNNY, "--stop-lens", "nan", "6", "--json",
                folder / "out.json"]
    corpus = folder / "pipe.csv"  # a named pipe as the corpus
    os.mkfifo(corpus)
    threading.Thread(target=corpus.write_text, args=("body,day\nhappy,1\nsad,2\n",),
                     daemon=True).start()
    return ["series", corpus, "--text", "body", "--key", "day", "--boot", "20"]


@pytest.mark.parametrize("case, message", [
    ("unbalanced quote in a CSV header", "not valid CSV: EOF inside string"),
    ("Parquet text of bytes that are not UTF-8", "row 2: the text is not UTF-8"),
    ("a stop lens of NaN with --json", "--stop-lens: must be a finite number: 'nan'"),
    ("a named pipe as the corpus", None),
])
def test_hostile_input_is_one_line_and_status_2(tmp_path, case, message):
    pytest.importorskip("pandas")
    pytest.importorskip("pyarrow")
    run = _run(*_hostile_input(tmp_path, case))
    if message is None:  # read once, and so without waiting for a second writer
        assert run.returncode == 0, run.stderr
        assert run.stdout.splitlines()[0].split()[:2] == ["key", "score"]
        return
    assert run.returncode == 2, run.stderr
    assert len(run.stderr.splitlines()) == 1 and message in run.stderr, run.stderr
    assert not (tmp_path / "out.json").exists()
