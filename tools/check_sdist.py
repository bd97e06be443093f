#!/usr/bin/env python3
"""Checks a source distribution: it holds what building moodvane needs and nothing that a
build or a test run leaves behind.

    python3 tools/check_sdist.py dist/moodvane-0.1.0.tar.gz

Exit status 1, with one line per fault on stderr, when a required file is missing or an
unwanted one is present. Standard library only.
"""

from __future__ import annotations

import fnmatch
import sys
import tarfile
from pathlib import Path

import lexicon_manifest

# Globs, relative to the sdist's top folder, that must each match at least one file.
REQUIRED = [
    "pyproject.toml",
    "CMakeLists.txt",
    "LICENSE",
    "README.md",
    "engine/CMakeLists.txt",
    "engine/src/*.cpp",
    "engine/include/moodvane/*.hpp",
    "lexicons/CMakeLists.txt",
    "lexicons/src/*.cpp",
    "lexicons/data/SOURCES.md",
    "lexicons/data/sources.json",
    "lexicons/data/chinese.dictionary.txt",
    "lexicons/manifest.tsv",
    *(f"lexicons/data/{key}.tsv" for key in lexicon_manifest.keys()),
    "lexicons/review/GUIDE.md",
    "examples/texts/rainy_monday.txt",
    "examples/texts/sunny_saturday.txt",
    "examples/diary.csv",
    "lexicons/review/README.md",
    "module/CMakeLists.txt",
    "module/src/*.cpp",
    "module/moodvane.pyi",
    "module/companion/CMakeLists.txt",
    "module/companion/*.cpp",
    "src/moodvane_tools/__init__.py",
    "src/moodvane_tools/py.typed",
    "src/moodvane_tools/generalized.py",
    "tools/build_lexicons.py",
    "tools/lexicon_review.py",
    "tests/python/conftest.py",
]

# Globs of what never belongs in an sdist: build trees, artefacts, caches, editor debris.
UNWANTED = [
    "build/*", "_skbuild/*", "dist/*", "*.egg-info/*",
    "*/__pycache__/*", "*.pyc", ".pytest_cache/*", ".hypothesis/*", ".mypy_cache/*",
    ".venv/*", "*.so", "*.o", "*.whl", "*.tar.gz", "*~", ".git/*",
]


def sdist_members(path: Path) -> list[str]:
    """The sdist's file names, relative to its single top folder."""
    with tarfile.open(path) as archive:
        names = [member.name for member in archive.getmembers() if member.isfile()]
    return [name.split("/", 1)[1] for name in names if "/" in name]


def faults(names: list[str]) -> list[str]:
    found = []
    for pattern in REQUIRED:
        if not fnmatch.filter(names, pattern):
            found.append(f"missing: {pattern}")
    for name in names:
        if any(fnmatch.fnmatch(name, pattern) for pattern in UNWANTED):
            found.append(f"unwanted: {name}")
    return found


def main(argv: list[str] | None = None) -> int:
    args = sys.argv[1:] if argv is None else argv
    if len(args) != 1:
        print("usage: check_sdist.py SDIST.tar.gz", file=sys.stderr)
        return 2
    path = Path(args[0])
    names = sdist_members(path)
    problems = faults(names)
    for problem in problems:
        print(f"{path.name}: {problem}", file=sys.stderr)
    if not problems:
        print(f"{path.name}: {len(names)} files, everything the build needs, no build "
              "trees or caches")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
