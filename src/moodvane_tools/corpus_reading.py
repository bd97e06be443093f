"""Reading a corpus from a file or a directory into a DataFrame of documents (the `corpus`
extra: pandas, and pyarrow for Parquet)."""

from __future__ import annotations

import codecs
import io
from collections.abc import Sequence
from pathlib import Path
from typing import TYPE_CHECKING, Any

from .reading import InputError

if TYPE_CHECKING:
    import pandas as pd  # type: ignore[import-untyped, unused-ignore]

FORMATS = ("csv", "tsv", "jsonl", "parquet", "txt", "directory")
_SUFFIXES = {".csv": "csv", ".tsv": "tsv", ".tab": "tsv", ".jsonl": "jsonl", ".ndjson": "jsonl",
             ".parquet": "parquet", ".pq": "parquet", ".txt": "txt"}
# Rows read at a time from JSON Lines, so that only the wanted columns are ever held whole.
_JSON_CHUNK = 50_000


class CorpusError(InputError, ValueError):
    """A corpus that cannot be read as asked; its message is one line for the user."""


def corpus_format(path: Path, format: str | None = None) -> str:
    """The format `path` is read as: `format` when given, otherwise "directory" for a
    directory and the format its suffix names."""
    if format is not None:
        if format not in FORMATS:
            raise CorpusError(f"unknown corpus format {format!r}; expected one of "
                              f"{', '.join(FORMATS)}")
        return format
    if path.is_dir():
        return "directory"
    found = _SUFFIXES.get(path.suffix.lower())
    if found is None:
        raise CorpusError(f"{path}: cannot tell the corpus format from the suffix "
                          f"{path.suffix!r}; name it with format= (one of {', '.join(FORMATS)})")
    return found


def read_corpus(path: str | Path, *, text: str = "text",
                key: str | Sequence[str] | None = None,
                format: str | None = None) -> pd.DataFrame:
    """The documents of a corpus file or directory, one row each, in the order they come.

    Reads CSV, TSV, JSON Lines and Parquet (columns `text` and `key` picked by name), a
    plain text file (one document per line) and a directory of `.txt` files (one document
    per file, in name order, the file name as key). `format` ("csv", "tsv", "jsonl",
    "parquet", "txt", "directory") overrides the guess from the suffix. The result has
    the column `text` (a missing text becomes "") and, when `key` is given (or for a
    directory), `key`, then every other column of the file under its own name (an
    author, a place, a label: anything to group by); a column named "text" or "key"
    whose name the result already uses is kept as "text_" or "key_". `key` may also name
    several columns (a list): they are checked and kept under their own names, without a
    `key` column, so that ``corpus[["author", "place"]]`` can be the keys of
    `happiness_series` or `period_shifts`.

    The file is read once, so that it may be a pipe.
    Raises CorpusError (a ValueError) with one line that says what is wrong: a missing
    file, a missing column (naming the columns there are), bytes that are not UTF-8
    (naming the file and the byte offset), a row of CSV or TSV with more fields than the
    header has, and a text that is not text (a JSON object or list, a Parquet struct,
    bytes that are not UTF-8; naming its row, counted from 1 after any header).

    >>> import pathlib, tempfile
    >>> folder = pathlib.Path(tempfile.mkdtemp())
    >>> _ = (folder / "notes.csv").write_text("day,body\\n2024-05-01,a happy day\\n")
    >>> read_corpus(folder / "notes.csv", text="body", key="day")
              text         key
    0  a happy day  2024-05-01
    """
    pandas = _pandas()
    path = Path(path)
    kind = corpus_format(path, format)
    several = key is not None and not isinstance(key, str)
    key_columns = [str(column) for column in key] if several else []  # type: ignore[union-attr]
    if not path.exists():
        raise CorpusError(f"{path}: no such file or directory")
    if kind == "directory":
        return _read_directory(path, pandas)
    if path.is_dir():
        raise CorpusError(f"{path}: is a directory, not a {kind} file")
    if kind == "txt" and key is not None:
        raise CorpusError(f"{path}: a plain text file has no columns, so no key column "
                          f"{key!r}; use CSV, TSV, JSON Lines or Parquet")
    if several:
        wanted = [text] + [column for column in key_columns if column != text]
    else:
        wanted = [text] if key is None or key == text else [text, str(key)]
    source: Path | io.BytesIO = path
    try:
        source = _source(path)
        if kind == "txt":
            return pandas.DataFrame({"text": _lines(path, source)})
        if kind == "parquet":
            frame = _read_parquet(path, source, wanted)
        elif kind == "jsonl":
            frame = _read_json_lines(path, source, wanted, pandas)
        else:
            frame = _read_delimited(path, source, wanted, "\t" if kind == "tsv" else ",",
                                    pandas)
    except UnicodeDecodeError:
        raise CorpusError(_decoding_problem(path, source)) from None
    except OSError as error:
        raise CorpusError(f"{path}: cannot be read: {error.strerror or error}") from None
    result = pandas.DataFrame({"text": _texts(path, frame[text], pandas)})
    taken = {"text"}
    if key is not None and not several:
        result["key"] = frame[key].to_numpy()
        taken.add("key")
    for column in frame.columns:
        name = str(column)
        if name == text or (name == key and not several):
            continue
        result[name + "_" if name in taken else name] = frame[column].to_numpy()
    if several:
        result.attrs["key"] = key_columns
    return result


def _pandas() -> Any:
    try:
        import pandas
    except ImportError as error:  # pragma: no cover - depends on the environment
        raise ImportError("reading a corpus needs pandas: pip install 'moodvane[corpus]'") \
            from error
    return pandas


def _missing(path: Path, wanted: list[str], columns: list[str]) -> None:
    for name in wanted:
        if name not in columns:
            raise CorpusError(f"{path}: no column {name!r}; the columns are "
                              f"{', '.join(repr(str(column)) for column in columns)}")


def _source(path: Path) -> Path | io.BytesIO:
    """What the readers read: the path of a regular file, or else (a pipe, a device) its
    bytes, read once; a reader that opened a pipe twice would wait for a second writer."""
    if path.is_file():
        return path
    with open(path, "rb") as stream:
        return io.BytesIO(stream.read())


def _read_delimited(path: Path, source: Path | io.BytesIO, wanted: list[str], separator: str,
                    pandas: Any) -> Any:
    # Every column is read: the parser checks each row's fields against the header only
    # then (given the wanted columns alone, it drops a ragged row's extra fields unseen).
    try:
        frame = pandas.read_csv(source, sep=separator, encoding="utf-8", dtype={wanted[0]: str})
    except pandas.errors.EmptyDataError:
        raise CorpusError(f"{path}: empty file, no header row") from None
    except pandas.errors.ParserError as error:
        detail = str(error).strip().splitlines()[-1].removeprefix("Error tokenizing data. ")
        raise CorpusError(f"{path}: not valid {'TSV' if separator == chr(9) else 'CSV'}: "
                          f"{detail.removeprefix('C error: ')}") from None
    _missing(path, wanted, [str(column) for column in frame.columns])
    return frame


def _read_json_lines(path: Path, source: Path | io.BytesIO, wanted: list[str],
                     pandas: Any) -> Any:
    parts = []
    try:
        with pandas.read_json(source, lines=True, chunksize=_JSON_CHUNK, encoding="utf-8",
                              dtype=False) as reader:
            for chunk in reader:
                _missing(path, wanted, [str(column) for column in chunk.columns])
                parts.append(chunk)
    except ValueError as error:
        if isinstance(error, (CorpusError, UnicodeDecodeError)):
            raise
        raise CorpusError(f"{path}: not valid JSON Lines: {error}") from None
    if not parts:
        raise CorpusError(f"{path}: empty file, no documents")
    return pandas.concat(parts, ignore_index=True)


def _read_parquet(path: Path, source: Path | io.BytesIO, wanted: list[str]) -> Any:
    try:
        import pyarrow.parquet  # type: ignore[import-untyped, unused-ignore]
    except ImportError as error:  # pragma: no cover - depends on the environment
        raise ImportError("reading Parquet needs pyarrow: pip install 'moodvane[corpus]'") \
            from error
    try:
        columns = pyarrow.parquet.read_schema(source).names
    except Exception as error:  # pyarrow's own errors: ArrowInvalid and its kin
        raise CorpusError(f"{path}: not a Parquet file: {error}") from None
    _missing(path, wanted, list(columns))
    if isinstance(source, io.BytesIO):
        source.seek(0)
    # A binary column comes as bytes, which _texts decodes (or refuses, naming the row).
    return pyarrow.parquet.read_table(source).to_pandas()


def _lines(path: Path, source: Path | io.BytesIO) -> list[str]:
    """The lines of a UTF-8 text file without their line ends (a leading byte-order mark
    skipped); no extra empty document after a final newline."""
    if isinstance(source, io.BytesIO):
        stream: Any = io.StringIO(source.getvalue().decode("utf-8-sig"), newline="")
    else:
        stream = open(source, encoding="utf-8-sig", newline="")
    with stream:
        return [line.removesuffix("\n").removesuffix("\r") for line in stream]


def _texts(path: Path, values: Any, pandas: Any) -> Any:
    """The text column as str, a missing text as "": CorpusError naming the first row
    whose text is something else (a JSON object or list is no text; its repr would be
    counted), or bytes that are not UTF-8."""
    if pandas.api.types.infer_dtype(values, skipna=True) in ("string", "empty"):
        return values.fillna("").astype(str)
    texts = []
    for row, value in enumerate(values.tolist(), start=1):
        if isinstance(value, str):
            texts.append(value)
        elif isinstance(value, bytes):
            try:
                texts.append(value.decode("utf-8"))
            except UnicodeDecodeError as error:
                raise CorpusError(f"{path}: row {row}: the text is not UTF-8 ({error.reason} "
                                  f"at byte offset {error.start})") from None
        elif value is None or (isinstance(value, float) and value != value) \
                or value is pandas.NA:
            texts.append("")
        else:
            kind = ("a mapping" if isinstance(value, dict)
                    else "a list" if isinstance(value, (list, tuple)) or hasattr(value, "shape")
                    else f"of type {type(value).__name__}")
            raise CorpusError(f"{path}: row {row}: the text is {kind}, not a string")
    return pandas.Series(texts, index=values.index, dtype=object)


def _read_directory(path: Path, pandas: Any) -> Any:
    files = sorted(entry for entry in path.iterdir() if entry.suffix == ".txt" and entry.is_file())
    if not files:
        raise CorpusError(f"{path}: is a directory with no .txt files (a corpus directory "
                          f"holds one document per .txt file)")
    texts = []
    for file in files:
        data = file.read_bytes()
        try:
            texts.append(data.decode("utf-8").removeprefix("\ufeff"))
        except UnicodeDecodeError as error:
            raise CorpusError(f"{file}: not UTF-8 text ({error.reason} at byte offset "
                              f"{error.start})") from None
    return pandas.DataFrame({"text": texts, "key": [file.name for file in files]})


def _decoding_problem(path: Path, source: Path | io.BytesIO) -> str:
    """The message for a file that is not UTF-8, with the offset of its first bad byte."""
    decoder = codecs.getincrementaldecoder("utf-8")("strict")
    offset = 0
    if isinstance(source, io.BytesIO):
        source.seek(0)
    with open(source, "rb") if isinstance(source, Path) else source as stream:
        while chunk := stream.read(1 << 20):
            pending = len(decoder.getstate()[0])
            try:
                decoder.decode(chunk)
            except UnicodeDecodeError as error:
                return (f"{path}: not UTF-8 text ({error.reason} at byte offset "
                        f"{offset - pending + error.start})")
            offset += len(chunk)
        pending = len(decoder.getstate()[0])
        try:
            decoder.decode(b"", final=True)
        except UnicodeDecodeError as error:
            return (f"{path}: not UTF-8 text ({error.reason} at byte offset "
                    f"{offset - pending + error.start})")
    return f"{path}: not UTF-8 text"
