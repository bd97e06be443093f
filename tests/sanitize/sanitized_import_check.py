"""A pytest plugin that run_python_suite.sh loads: the run stops before its first test unless
`import moodvane` finds the sanitized build, in a process with the sanitizer runtime."""

from __future__ import annotations

import os

import pytest


def pytest_configure(config):
    import moodvane

    expected = os.environ.get("MOODVANE_SANITIZED_MODULE", "")
    if os.path.realpath(moodvane.__file__) != os.path.realpath(expected):
        raise pytest.UsageError(f"imported {moodvane.__file__}, not the sanitized {expected!r}")
    with open("/proc/self/maps", encoding="utf-8") as maps:
        if "libasan" not in maps.read():
            raise pytest.UsageError("the AddressSanitizer runtime is not loaded")
