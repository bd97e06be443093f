"""Output files of the command line, all or nothing: every path is checked before any
input is read, each output is written to a temporary file beside its destination, and the
temporary files are renamed to their destinations only when all of them are written. A
failure leaves no half-written file and no output of the same run behind.

A destination is the file a path names with its links followed: a symbolic link stays a
link, and its target gets the output (the temporary file lies beside the target). A
destination that is no regular file, a device such as /dev/null or a named pipe, is
written to directly (there is nothing to rename over it), after every temporary file is
written and before any is renamed."""

from __future__ import annotations

import os
import stat
import tempfile
from collections.abc import Callable, Iterable
from pathlib import Path
from typing import BinaryIO

from .reading import InputError

Writer = Callable[[BinaryIO], None]


def check_output_paths(outputs: Iterable[tuple[str, Path]], inputs: Iterable[Path]) -> None:
    """InputError for the first output (option, path) that cannot be written: its folder
    is missing or not writable, it is a folder, an existing file that cannot be
    replaced, one of the inputs, or the path of another output."""
    seen: dict[Path, str] = {}
    input_paths = {_identity(path): path for path in inputs}
    for option, path in outputs:
        folder = _identity(path).parent
        if path.is_dir():
            raise InputError(f"{option} {path}: is a folder; name a file in it")
        special = _is_special(path)
        if not special and not folder.is_dir():
            what = "is not a folder" if folder.exists() else "does not exist"
            raise InputError(f"{option} {path}: the folder {folder} {what}")
        if not special and not os.access(folder, os.W_OK | os.X_OK):
            raise InputError(f"{option} {path}: the folder {folder} is not writable")
        if path.exists() and not os.access(path, os.W_OK):
            raise InputError(f"{option} {path}: the file exists and is not writable")
        identity = _identity(path)
        if identity in input_paths:
            raise InputError(f"{option} {path}: is an input of this run; writing it would "
                             f"replace {input_paths[identity]}")
        if identity in seen:
            raise InputError(f"{option} {path}: {seen[identity]} writes the same file")
        seen[identity] = option


def _identity(path: Path) -> Path:
    """The file that `path` names, links followed, whether or not it exists yet."""
    return Path(os.path.realpath(path))


def _is_special(path: Path) -> bool:
    """Whether `path` (links followed) exists and is no regular file or folder: a device,
    a named pipe or a socket, which output goes into directly."""
    try:
        mode = os.stat(path).st_mode
    except OSError:
        return False
    return not (stat.S_ISREG(mode) or stat.S_ISDIR(mode))


def write_all(outputs: Iterable[tuple[Path, Writer]]) -> None:
    """Writes each (path, writer) to a temporary file in its destination's folder, then
    renames them all into place (a device or named pipe is written to directly, once the
    temporary files are written). InputError naming the path if any write fails; then no
    regular file has been touched and no temporary file stays."""
    written: list[tuple[str, Path]] = []
    direct: list[tuple[Path, Writer]] = []
    try:
        for path, writer in outputs:
            if _is_special(path):
                direct.append((path, writer))
            else:
                written.append((_write_temporary(_identity(path), writer, path), path))
        for path, writer in direct:
            _write_directly(path, writer)
        for temporary, path in written:
            os.replace(temporary, _identity(path))
    except OSError as error:
        raise InputError(f"{_failed_path(error, written)}: cannot be written: "
                         f"{error.strerror or error}") from None
    finally:
        for temporary, _ in written:
            try:
                os.unlink(temporary)
            except FileNotFoundError:
                pass


def _failed_path(error: OSError, written: list[tuple[str, Path]]) -> Path | str:
    for temporary, path in written:
        if error.filename in (temporary, str(path)):
            return path
    return error.filename or "output"


def _write_directly(path: Path, writer: Writer) -> None:
    """Writes into the device or pipe `path` as it stands; an OSError names `path`."""
    try:
        with open(path, "wb") as stream:
            writer(stream)
    except OSError as error:
        raise OSError(error.errno, error.strerror, str(path)) from None


def _write_temporary(path: Path, writer: Writer, named: Path) -> str:
    """The name of a new temporary file beside `path` (a destination, its links followed)
    holding what `writer` writes; an OSError names `named`, the path as given."""
    try:
        descriptor, temporary = tempfile.mkstemp(prefix=f".{path.name}.", suffix=".part",
                                                 dir=path.parent)
    except OSError as error:
        raise OSError(error.errno, error.strerror, str(named)) from None
    try:
        # The destination's permissions, as a plain write would leave them.
        os.fchmod(descriptor, _mode_for(path))
        with os.fdopen(descriptor, "wb") as stream:
            writer(stream)
            stream.flush()
            os.fsync(stream.fileno())
    except OSError as error:
        os.unlink(temporary)
        raise OSError(error.errno, error.strerror, str(named)) from None
    except BaseException:
        os.unlink(temporary)
        raise
    return temporary


def _mode_for(path: Path) -> int:
    try:
        return os.stat(path).st_mode & 0o7777
    except OSError:
        mask = os.umask(0)
        os.umask(mask)
        return 0o666 & ~mask
