"""What the package index and pip see: the installed distribution's metadata, and the sdist
check that keeps build trees and caches out of a release."""

from __future__ import annotations

import importlib.metadata
import os
import subprocess
import sys
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tools"))
import check_sdist  # noqa: E402

# The sanitized suite loads the extension from a build folder, with no distribution
# metadata beside it.
installed = pytest.mark.skipif(bool(os.environ.get("MOODVANE_SANITIZED")),
                               reason="the sanitized build is not an installed distribution")


@installed
def test_installed_metadata_says_what_the_index_shows():
    meta = importlib.metadata.metadata("moodvane")
    classifiers = set(meta.get_all("Classifier") or [])
    for version in ("3.11", "3.12", "3.13"):
        assert f"Programming Language :: Python :: {version}" in classifiers
    assert {"Typing :: Typed", "Operating System :: POSIX :: Linux",
            "Intended Audience :: Science/Research"} <= classifiers
    assert any(c.startswith("Development Status :: ") for c in classifiers)
    assert "word shift" in (meta["Keywords"] or "")
    assert meta["Requires-Python"] == ">=3.11"


@installed
def test_long_description_says_where_repository_commands_apply():
    """The index shows the README outside the repository: commands that name its files
    must be introduced as run from a clone."""
    metadata = importlib.metadata.metadata("moodvane")
    # The description is the message's body, or its Description field when the
    # importlib_metadata backport (which Dask loads) reads the metadata.
    description = metadata.get_payload() or metadata["Description"]  # type: ignore[attr-defined]
    opening, first_block = description.split("```", 2)[:2]
    assert "moodvane" in opening
    if "examples/" in first_block or "tests/" in first_block:
        assert "clone" in opening.lower()


@installed
def test_the_version_is_one_and_readable_at_run_time():
    moodvane_tools = pytest.importorskip("moodvane_tools")
    assert moodvane_tools.__version__ == importlib.metadata.version("moodvane")


REQUIRED_TREE = sorted(
    {p for pattern in check_sdist.REQUIRED for p in [pattern.replace("*", "x")]}
)


def test_a_complete_clean_sdist_passes():
    assert check_sdist.faults(REQUIRED_TREE) == []


@pytest.mark.parametrize(
    "extra",
    ["build/cp311-abi3-linux_x86_64/CMakeCache.txt", "tests/python/__pycache__/a.pyc",
     ".hypothesis/examples/x", "moodvane.abi3.so", "dist/moodvane-0.1.0.tar.gz",
     ".mypy_cache/3.11/x.json"],
)
def test_build_trees_and_caches_are_refused(extra):
    assert check_sdist.faults(REQUIRED_TREE + [extra]) == [f"unwanted: {extra}"]


@pytest.mark.parametrize("required", ["lexicons/data/german.tsv", "lexicons/review/GUIDE.md",
                                      "LICENSE", "module/moodvane.pyi"])
def test_a_missing_build_input_is_named(required):
    tree = [name for name in REQUIRED_TREE if name != required]
    assert check_sdist.faults(tree) == [f"missing: {required}"]


@pytest.mark.slow
@pytest.mark.skipif(os.environ.get("MOODVANE_SANITIZED") == "1",
                    reason="the package's types, not the native code's; one run checks them")
def test_the_package_itself_passes_mypy_strict(tmp_path):
    pytest.importorskip("mypy")
    run = subprocess.run(
        [sys.executable, "-m", "mypy", "--strict", "--cache-dir", str(tmp_path),
         str(REPO / "src" / "moodvane_tools")],
        capture_output=True, text=True, timeout=600, cwd=tmp_path,
    )
    assert run.returncode == 0, run.stdout + run.stderr
