"""The type stub installed beside the module agrees with the module itself."""

from __future__ import annotations

import os
import shutil
import site
import subprocess
import sys
from pathlib import Path

import pytest

import moodvane


def _installed_stub():
    return Path(moodvane.__file__).with_name("moodvane.pyi")


def test_stub_is_installed_beside_the_module():
    assert _installed_stub().is_file()


@pytest.mark.slow
def test_stubtest_finds_no_mismatch(tmp_path):
    pytest.importorskip("mypy.stubtest", reason="mypy is not installed")
    # mypy takes no single-file stub from site-packages, so it reads a copy from MYPYPATH;
    # the module itself is imported from where it is installed.
    stubs = tmp_path / "stubs"
    stubs.mkdir()
    shutil.copy(_installed_stub(), stubs / "moodvane.pyi")
    config = tmp_path / "mypy.ini"
    config.write_text("[mypy]\n")
    run = subprocess.run(
        [sys.executable, "-m", "mypy.stubtest", "moodvane", "--mypy-config-file", str(config)],
        capture_output=True, text=True, timeout=300, cwd=tmp_path,
        env={**os.environ, "MYPYPATH": str(stubs)},
    )
    assert run.returncode == 0, run.stdout + run.stderr


@pytest.mark.slow
def test_the_companion_extension_matches_its_stub(tmp_path):
    """Every function and type of moodvane_tools._native has the signature its stub says
    (the signature line of its docstring, which the interpreter reads) and nothing more."""
    pytest.importorskip("mypy.stubtest", reason="mypy is not installed")
    import moodvane_tools

    config = tmp_path / "mypy.ini"
    config.write_text("[mypy]\n")
    # mypy finds an installed package itself; one laid out elsewhere (the sanitized build's)
    # it finds through MYPYPATH, which must not name site-packages.
    folder = Path(moodvane_tools.__file__).parent.parent
    installed = str(folder) in {*site.getsitepackages(), site.getusersitepackages()}
    run = subprocess.run(
        [sys.executable, "-m", "mypy.stubtest", "moodvane_tools._native",
         "--mypy-config-file", str(config)],
        capture_output=True, text=True, timeout=300, cwd=tmp_path,
        env={**os.environ, **({} if installed else {"MYPYPATH": str(folder)})},
    )
    assert run.returncode == 0, run.stdout + run.stderr
