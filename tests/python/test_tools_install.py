"""A wheel installed into a fresh virtual environment: both packages, their data, the
console script, and types that mypy and pyright find with no MYPYPATH."""

from __future__ import annotations

import importlib.util
import os
import shutil
import subprocess
import sys
import tomllib
import venv
from pathlib import Path

import pytest

from conftest import REPO

pytestmark = [
    pytest.mark.slow,
    pytest.mark.skipif(bool(os.environ.get("MOODVANE_SANITIZED")),
                       reason="builds a wheel, which the sanitizer runtimes must stay out of"),
]

USER_SCRIPT = '''
from collections import Counter

import moodvane
from moodvane_tools import coverage, count_words, lexicon_info, lexicon_scores, text_shift

before: Counter[str] = count_words("It rained and I was sad.")
after = Counter({"happy": 2, "sun": 1})
result = moodvane.weighted_avg_shift(before, after, lexicon="english", top_n=5,
                                     stop_lens=(4, 6), stop_words={"sun"})
average: float | None = result["s_avg_2"]
for entry in result["entries"]:
    word: str = entry["type"]
    share: float | None = entry["shift_score"]
custom = moodvane.weighted_avg_shift_custom(before, after, lexicon_scores("english"),
                                            reference_value=5.0)
summary: str = text_shift(custom, top_n=3, labels=("rainy", "sunny"))
scored: float = coverage(before, "english")
entries: int = lexicon_info("english")["entries"]
'''
# Each line is wrong in a way that only real types reveal.
WRONG_SCRIPT = '''
import moodvane
from moodvane_tools import count_words

result = moodvane.weighted_avg_shift(count_words("x"), {}, top_n="5")
average: str = result["s_avg_1"]
missing = result["no_such_key"]
'''


@pytest.fixture(scope="module")
def fresh(tmp_path_factory):
    root = tmp_path_factory.mktemp("install")
    # The release check names the wheel it built, so that the artefact itself is tested;
    # otherwise one is built from the source tree.
    if built := os.environ.get("MOODVANE_WHEEL"):
        wheel = Path(built)
    else:
        if importlib.util.find_spec("scikit_build_core") is None:
            pytest.skip("building the wheel needs scikit-build-core")
        build = subprocess.run(
            [sys.executable, "-m", "pip", "wheel", "--no-build-isolation", "--no-deps", "-q",
             "-w", str(root / "dist"), str(REPO)],
            capture_output=True, text=True, timeout=1800)
        assert build.returncode == 0, build.stdout + build.stderr
        (wheel,) = (root / "dist").glob("moodvane-*.whl")
    venv.create(root / "env", with_pip=True)
    python = root / "env" / "bin" / "python"
    install = subprocess.run([python, "-m", "pip", "install", "-q", "--no-deps", wheel],
                             capture_output=True, text=True, timeout=600)
    assert install.returncode == 0, install.stdout + install.stderr
    return root


def _in_fresh(fresh, *command):
    env = {key: value for key, value in os.environ.items()
           if key not in ("PYTHONPATH", "MYPYPATH", "VIRTUAL_ENV")}
    return subprocess.run([str(part) for part in command], capture_output=True, text=True,
                          encoding="utf-8", timeout=600, cwd=fresh, env=env)


def test_installed_package_carries_its_data_and_version(fresh):
    version = tomllib.loads((REPO / "pyproject.toml").read_text())["project"]["version"]
    run = _in_fresh(fresh, fresh / "env" / "bin" / "python", "-c",
                    "import moodvane_tools; "
                    "print(moodvane_tools.__version__); "
                    "print(len(moodvane_tools.lexicon_scores('korean')))")
    assert run.returncode == 0, run.stderr
    shown_version, entries = run.stdout.splitlines()
    assert shown_version == version
    # The scores come from the extension, which carries them: no second copy of the files.
    assert not list((fresh / "env").glob("lib/python*/site-packages/moodvane_tools/lexicons"))
    lines = (REPO / "lexicons" / "data" / "korean.tsv").read_text(encoding="utf-8").count("\n")
    assert int(entries) == lines
    stubs = list((fresh / "env").glob("lib/python*/site-packages/moodvane-stubs/__init__.pyi"))
    assert len(stubs) == 1
    assert stubs[0].read_text() == (REPO / "module" / "moodvane.pyi").read_text()


def test_console_script_compares_and_names_the_plot_extra(fresh):
    texts = REPO / "examples" / "texts"
    script = fresh / "env" / "bin" / "moodvane"
    run = _in_fresh(fresh, script, "compare", texts / "rainy_monday.txt",
                    texts / "sunny_saturday.txt", "--json", fresh / "r.json")
    assert run.returncode == 0, run.stderr
    assert "sunny_saturday.txt" in run.stdout and (fresh / "r.json").is_file()
    # matplotlib is an extra that this environment lacks.
    run = _in_fresh(fresh, script, "compare", texts / "rainy_monday.txt",
                    texts / "sunny_saturday.txt", "--plot", fresh / "shift.png")
    assert (run.returncode, run.stderr) == (
        2, "moodvane: --plot needs matplotlib: pip install 'moodvane[plot]'\n")


def _write(fresh, name, text):
    path = fresh / name
    path.write_text(text)
    return path


def test_mypy_finds_the_types_without_mypypath(fresh):
    pytest.importorskip("mypy")
    python = fresh / "env" / "bin" / "python"
    good = _write(fresh, "user_script.py", USER_SCRIPT)
    wrong = _write(fresh, "wrong_script.py", WRONG_SCRIPT)
    command = [sys.executable, "-m", "mypy", "--strict", "--no-incremental",
               "--python-executable", python]
    run = _in_fresh(fresh, *command, good)
    assert run.returncode == 0, run.stdout + run.stderr
    run = _in_fresh(fresh, *command, wrong)
    assert run.returncode == 1
    assert [line.split(":")[1] for line in run.stdout.splitlines() if ": error:" in line] \
        == ["5", "6", "7"], run.stdout


def test_pyright_finds_the_types(fresh):
    pyright = shutil.which("pyright", path=os.path.dirname(sys.executable)) \
        or shutil.which("pyright")
    if pyright is None:
        pytest.skip("pyright is not installed")
    # The PyPI wrapper fetches Node.js on its first run; without it there is no pyright.
    if _in_fresh(fresh, pyright, "--version").returncode != 0:
        pytest.skip("pyright cannot run here (no Node.js)")
    python = fresh / "env" / "bin" / "python"
    good = _write(fresh, "user_script.py", USER_SCRIPT)
    wrong = _write(fresh, "wrong_script.py", WRONG_SCRIPT)
    run = _in_fresh(fresh, pyright, "--pythonpath", python, good)
    assert run.returncode == 0, run.stdout + run.stderr
    run = _in_fresh(fresh, pyright, "--pythonpath", python, wrong)
    assert run.returncode == 1
    errors = [line for line in run.stdout.splitlines() if " - error:" in line]
    assert {line.split(":")[1] for line in errors} == {"5", "6", "7"}, run.stdout
