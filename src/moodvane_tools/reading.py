"""Reading a text file of any size into word counts: in chunks, decoded as UTF-8 with
the byte offset of any invalid byte, with a progress bar on a terminal."""

from __future__ import annotations

import codecs
import os
import time
from collections import Counter
from dataclasses import dataclass
from pathlib import Path
from typing import TextIO

from .counting import WordCounter

# Small enough that the C library reuses the memory of one chunk for the next (see
# counting._PIECE).
CHUNK_BYTES = 1 << 15


class InputError(Exception):
    """Input that cannot be used; its message is one line for the user."""


@dataclass
class TextCounts:
    """One text's word counts and how many tokens they come from."""

    counts: Counter[str]
    tokens: int
    size: int


class Progress:
    """A one-line progress bar on a stream, redrawn at most ten times a second; silent
    when `enabled` is false."""

    def __init__(self, stream: TextIO, label: str, total: int, enabled: bool) -> None:
        self._stream = stream
        self._label = label
        self._total = total
        self._enabled = enabled
        self._drawn = 0.0

    def update(self, done: int) -> None:
        """Shows `done` of the total bytes, if a tenth of a second has passed."""
        now = time.monotonic()
        if not self._enabled or now - self._drawn < 0.1:
            return
        self._drawn = now
        share = done / self._total if self._total else 1.0
        filled = int(share * 30)
        self._stream.write(
            f"\r{self._label} [{'#' * filled}{'.' * (30 - filled)}] {share:4.0%} "
            f"{done / 1e6:,.1f}/{self._total / 1e6:,.1f} MB"
        )
        self._stream.flush()

    def close(self) -> None:
        """Clears the bar's line."""
        if self._enabled and self._drawn:
            self._stream.write("\r\x1b[K")
            self._stream.flush()


def count_file(path: Path, language: str, progress: Progress | None = None, *,
               negation: bool = False) -> TextCounts:
    """The word counts of the UTF-8 text file `path` (a leading byte-order mark is
    skipped), read a chunk at a time (with `negation`, negated words counted apart).
    Raises InputError for a file that cannot be read, is not UTF-8 (naming the offset of
    the first bad byte) or holds no word."""
    counter = WordCounter(language, negation=negation)
    decoder = codecs.getincrementaldecoder("utf-8")("strict")
    offset = 0
    first = True
    try:
        with open(path, "rb") as stream:
            while True:
                chunk = stream.read(CHUNK_BYTES)
                pending = len(decoder.getstate()[0])
                try:
                    text = decoder.decode(chunk, final=not chunk)
                except UnicodeDecodeError as error:
                    bad = offset - pending + error.start
                    raise InputError(
                        f"{path}: not UTF-8 text ({error.reason} at byte offset {bad})"
                    ) from None
                if first and text:
                    text = text.removeprefix("\ufeff")
                    first = False
                counter.feed(text)
                if not chunk:
                    break
                offset += len(chunk)
                if progress is not None:
                    progress.update(offset)
    except IsADirectoryError:
        raise InputError(f"{path}: is a directory, not a text file") from None
    except FileNotFoundError:
        raise InputError(f"{path}: no such file") from None
    except OSError as error:
        raise InputError(f"{path}: cannot be read: {error.strerror or error}") from None
    finally:
        if progress is not None:
            progress.close()
    counts = counter.finish()
    if counter.tokens == 0:
        raise InputError(
            f"{path}: no words in the text" + (" (the file is empty)" if offset == 0 else "")
        )
    return TextCounts(counts, counter.tokens, offset)


def file_size(path: Path) -> int:
    """The size of `path` in bytes, 0 when it cannot be found out (the read reports why)."""
    try:
        return os.stat(path).st_size
    except OSError:
        return 0
