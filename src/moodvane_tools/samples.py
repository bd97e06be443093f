"""The sample texts that the README and the examples use, shipped inside the package, so that
every snippet runs from whatever folder it is started in:

- ``rainy_monday.txt`` and ``sunny_saturday.txt``: two short diary pages, one gloomy and
  one cheerful, for `count_words` and the shifts;
- ``diary.csv``: 6,000 dated diary entries (columns ``date`` and ``text``) for the corpus
  functions and ``moodvane series``.

The project wrote all three (MIT, as the code). In a source checkout that was not installed
they are read from the repository's ``examples/`` folder, where they are kept.
"""

from __future__ import annotations

import shutil
from pathlib import Path

SAMPLES = ("rainy_monday.txt", "sunny_saturday.txt", "diary.csv")
# Where each sample lies in a source checkout, relative to the repository's root.
_IN_CHECKOUT = {
    "rainy_monday.txt": "examples/texts/rainy_monday.txt",
    "sunny_saturday.txt": "examples/texts/sunny_saturday.txt",
    "diary.csv": "examples/diary.csv",
}


def sample_path(name: str) -> Path:
    """The path of the bundled sample file `name` (one of `SAMPLES`); ValueError names the
    samples there are for any other name.

    >>> sample_path("rainy_monday.txt").name
    'rainy_monday.txt'
    """
    if name not in _IN_CHECKOUT:
        raise ValueError(f"no sample named {name!r}; the samples are {', '.join(SAMPLES)}")
    installed = Path(__file__).resolve().parent / "samples" / name
    if installed.is_file():
        return installed
    return Path(__file__).resolve().parents[2] / _IN_CHECKOUT[name]


def sample_text(name: str) -> str:
    """The text of the bundled sample file `name`, e.g. ``sample_text("rainy_monday.txt")``."""
    return sample_path(name).read_text(encoding="utf-8")


def write_samples(folder: Path) -> list[Path]:
    """Copies every sample into `folder` (made if missing) and returns the paths written.
    A file of the same name that holds something else is never overwritten: FileExistsError
    names it, and nothing is written."""
    folder.mkdir(parents=True, exist_ok=True)
    targets = [folder / name for name in SAMPLES]
    for name, target in zip(SAMPLES, targets):
        if target.exists() and target.read_bytes() != sample_path(name).read_bytes():
            raise FileExistsError(f"{target} exists and is not the sample of that name; "
                                  "move it or choose another folder")
    for name, target in zip(SAMPLES, targets):
        shutil.copyfile(sample_path(name), target)
    return targets
