"""The example that the README's first command runs keeps working."""

from __future__ import annotations

import subprocess
import sys

from conftest import REPO

EXAMPLE = REPO / "examples" / "compare_texts.py"
TEXTS = REPO / "examples" / "texts"


def _run(*args):
    run = subprocess.run([sys.executable, str(EXAMPLE), *args], capture_output=True,
                         text=True, timeout=60, encoding="utf-8")
    assert run.returncode == 0, run.stderr
    return run.stdout.splitlines()


def test_sample_texts_compare():
    lines = _run()
    assert lines[1].split()[0] == "rainy_monday.txt"
    assert lines[2].split()[0] == "sunny_saturday.txt"
    rainy, sunny = float(lines[1].split()[1]), float(lines[2].split()[1])
    assert sunny > rainy + 1.0, "the sunny text should read clearly happier"
    rows = [line for line in lines if line[:4].strip().isdigit()]
    assert len(rows) == 15
    # Every row shows a direction of score and of frequency.
    assert all(row.split()[2] in "+-" and row.split()[3] in "↑↓" for row in rows)


def test_texts_given_on_the_command_line():
    lines = _run(str(TEXTS / "sunny_saturday.txt"), str(TEXTS / "rainy_monday.txt"),
                 "--top", "3")
    assert lines[1].split()[0] == "sunny_saturday.txt"
    assert len([line for line in lines if line[:4].strip().isdigit()]) == 3
