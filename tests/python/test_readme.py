"""The README's snippets run verbatim, in order, from a folder that is not the repository's
(the sample texts come with the installed package). The first shell block installs the
project from its clone, which the test command itself does, so it is not run here."""

from __future__ import annotations

import os
import re
import subprocess
import sys
from pathlib import Path

import pytest

from conftest import REPO

BLOCKS = re.findall(r"^```(python|sh)\n(.*?)^```", (REPO / "README.md").read_text("utf-8"),
                    flags=re.DOTALL | re.MULTILINE)


def _snippets(language: str) -> list[str]:
    found = [code for kind, code in BLOCKS if kind == language]
    return found[1:] if language == "sh" else found


@pytest.mark.slow
@pytest.mark.skipif(os.environ.get("MOODVANE_SANITIZED") == "1",
                    reason="the documentation's runs, not the native code's; other tests cover it")
@pytest.mark.parametrize("language", ["python", "sh"])
def test_readme_snippets_run_verbatim_from_any_folder(language: str, tmp_path: Path) -> None:
    for module in ("matplotlib", "pandas", "distributed"):
        pytest.importorskip(module)
    snippets = _snippets(language)
    assert snippets, f"the README has no {language} snippet"
    # One session, as a reader runs them top to bottom: later snippets use earlier names.
    if language == "python":
        command = [sys.executable, "-"]
        script = "\n".join(snippets)
    else:
        command = ["bash", "-euo", "pipefail", "-s"]
        script = "\n".join(f"( {code} )" for code in snippets)
    bin_folder = Path(sys.executable).parent
    run = subprocess.run(command, input=script, cwd=tmp_path, capture_output=True, text=True,
                         timeout=300, env={"PATH": f"{bin_folder}:/usr/bin:/bin",
                                           "MPLBACKEND": "Agg", "HOME": str(tmp_path)})
    assert run.returncode == 0, run.stderr[-3000:]
    # What the snippets say they write, they wrote.
    written = {"python": ["shift.png", "entropy.png", "series.png", "week.png", "report.html"],
               "sh": ["moodvane-samples/shift.png", "moodvane-samples/result.json",
                      "moodvane-samples/words.csv", "series.png", "series.csv", "week.csv",
                      "report.html"]}[language]
    for name in written:
        assert (tmp_path / name).stat().st_size > 0, name
