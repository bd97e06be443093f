"""Writes lexicons/data/stopwords/<key>.txt, the stop words of the ten built-in languages,
from the stopwords-iso collection (MIT), as the `stopwordsiso` wheel ships it.

    python3 tools/build_stop_words.py [--wheel stopwordsiso-0.7.1-py3-none-any.whl] [--check]

Without --wheel the wheel is fetched with `pip download`. Each listed word is written as
the one word that moodvane_tools.count_words (installed) makes of it (so in NFC,
lower-cased where the lexicon is, Hindi folded as its lexicon is), sorted by UTF-8 bytes,
each once; a listed word that counts as no word or as several (a number, "celle-ci") is
left out, and so is a word that the language's lexicon scores below 4 or above 6: a
stop list is for words that carry no feeling, and the collection's broader lists hold
"good", "great" and "war". Chinese words are cut by the lexicon's own dictionary, not by jieba, so that the
files do not depend on what is installed. With --check the files are compared instead of
written.
"""

from __future__ import annotations

import argparse
import json
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

import lexicon_manifest

REPO = Path(__file__).resolve().parent.parent
OUT = REPO / "lexicons" / "data" / "stopwords"
VERSION = "0.7.1"
ISO_CODES = lexicon_manifest.codes()


def collection(wheel: Path | None) -> dict[str, list[str]]:
    with tempfile.TemporaryDirectory() as folder:
        if wheel is None:
            subprocess.run([sys.executable, "-m", "pip", "download", "--no-deps", "-q",
                            "-d", folder, f"stopwordsiso=={VERSION}"], check=True)
            wheel = next(Path(folder).glob("stopwordsiso-*.whl"))
        with zipfile.ZipFile(wheel) as archive:
            loaded: dict[str, list[str]] = json.loads(
                archive.read("stopwordsiso/stopwords-iso.json").decode("utf-8"))
    return loaded


# Scores outside this band carry feeling: such a word is never a stop word.
NEUTRAL_BAND = (4.0, 6.0)


def words_of(key: str, listed: list[str]) -> list[str]:
    from moodvane_tools import count_words, lexicon_scores

    scores = lexicon_scores(key)
    low, high = NEUTRAL_BAND
    kept = set()
    for word in listed:
        counts = count_words(word.strip(), key, segmenter="dictionary")
        if len(counts) == 1:
            kept.update(word for word in counts if low <= scores.get(word, 5.0) <= high)
    return sorted(kept, key=lambda word: word.encode("utf-8"))


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--wheel", type=Path)
    parser.add_argument("--check", action="store_true")
    options = parser.parse_args()
    loaded = collection(options.wheel)
    stale = []
    for key, code in ISO_CODES.items():
        text = "".join(word + "\n" for word in words_of(key, loaded[code]))
        path = OUT / f"{key}.txt"
        if options.check:
            if not path.is_file() or path.read_text(encoding="utf-8") != text:
                stale.append(path.name)
        else:
            OUT.mkdir(parents=True, exist_ok=True)
            path.write_text(text, encoding="utf-8")
    if stale:
        print(f"out of date: {', '.join(stale)}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
