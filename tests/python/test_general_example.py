"""The generalized-shift example runs on the sample texts and shows what it says it shows."""

from __future__ import annotations

import subprocess
import sys

import pytest

from conftest import REPO

EXAMPLE = REPO / "examples" / "generalized_shifts.py"


@pytest.mark.slow
def test_each_kind_shows_its_values_and_top_words() -> None:
    run = subprocess.run([sys.executable, "-P", str(EXAMPLE), "--top", "3"],
                         capture_output=True, text=True, timeout=120, encoding="utf-8")
    assert run.returncode == 0, run.stderr
    blocks = [b.splitlines() for b in run.stdout.strip().split("\n\n")]
    assert [b[0].split()[1].rstrip(":") for b in blocks] == ["proportion", "entropy", "kld", "jsd"]
    for block in blocks:
        first = float(block[1].rsplit(":", 1)[1])
        second = float(block[2].split(":")[-1].split()[0])
        difference = float(block[2].split("difference")[1].strip(" )"))
        assert difference == pytest.approx(second - first, abs=2e-4)
        words = block[3:]
        assert len(words) == 3
        shares = [abs(float(line.split()[1])) for line in words]
        assert shares == sorted(shares, reverse=True)
    kld, jsd = blocks[2], blocks[3]
    assert float(kld[2].split("difference")[1].strip(" )")) > 0  # a divergence is positive
    assert float(jsd[2].split("difference")[1].strip(" )")) > 0
