"""The corpus side of the `moodvane` command (the `corpus` extra: pandas).

    moodvane series CORPUS --text COL --key COL [--freq F] [--lexicon NAME]
                    [--stop-lens LO HI] [--csv OUT] [--plot OUT.png] [--negation]

and, for `moodvane compare`, corpus files and directories as texts (`--text COL`; a corpus
compares as its pooled documents) and `--key COL --groups A B` for two groups of one
corpus.
"""

from __future__ import annotations

import argparse
import math
from collections import Counter
from pathlib import Path
from typing import Any, BinaryIO, TextIO

from .outputs import Writer, check_output_paths, write_all
from .reading import InputError, Progress, TextCounts, count_file

# Suffixes read as corpora by `compare` (a directory is one too); anything else is a text.
CORPUS_SUFFIXES = (".csv", ".tsv", ".tab", ".jsonl", ".ndjson", ".parquet", ".pq")


def add_series_parser(commands: Any, lexicon_help: str) -> None:
    """Adds `series` to the command line's subcommands."""
    series = commands.add_parser(
        "series", help="the average score of each group or period of a corpus",
        description="Read a corpus (CSV, TSV, JSON Lines, Parquet, a text file with one "
                    "document per line, or a directory of .txt files), score each group of "
                    "documents that share a key (or a period of --freq) with a bootstrap "
                    "band, and print the series as a table.")
    add_corpus_options(series, lexicon_help)
    series.add_argument("--boot", type=int, default=1000, metavar="N",
                        help="bootstrap resamples for the band, 0 for none (1000)")
    series.add_argument("--csv", type=Path, metavar="FILE", help="write the series as CSV")
    series.add_argument("--plot", type=Path, metavar="FILE",
                        help="draw the series to FILE (.png, .svg or .pdf; needs the plot "
                             "extra)")


def add_corpus_options(command: argparse.ArgumentParser, lexicon_help: str) -> None:
    """The options of every command that reads one corpus of dated or grouped documents
    (`series`, `explain`, `report`): where the text and keys are, how keys are grouped,
    how words are scored and left out, what is too thin, and the bootstrap's seed."""
    command.add_argument("corpus", type=Path, metavar="CORPUS")
    command.add_argument("--text", default="text", metavar="COL",
                         help="column holding the documents' text (text)")
    command.add_argument("--key", metavar="COL",
                         help="column holding each document's group or date (required, but "
                              "for a directory, whose file names are the keys)")
    command.add_argument("--freq", metavar="F",
                         help="read keys as dates and group them by a pandas period such as "
                              "D, W, MS or YS (none: each key is a group)")
    command.add_argument("--lexicon", default="english", metavar="NAME", help=lexicon_help)
    command.add_argument("--stop-lens", type=finite_number, nargs=2, metavar=("LO", "HI"),
                         help="leave out words scored from LO to HI, e.g. 4 6 (none)")
    command.add_argument("--stop-words", type=Path, metavar="FILE",
                         help="leave out the words of FILE, one per line, or with 'builtin' "
                              "the stop words of the lexicon's language (none)")
    command.add_argument("--min-documents", type=int, default=1, metavar="N",
                         help="a period of fewer documents is thin: no score, no shift (1)")
    command.add_argument("--seed", type=int, default=0, metavar="S",
                         help="seed of the bootstrap's draws (0)")
    add_negation_option(command)


def add_negation_option(command: argparse.ArgumentParser) -> None:
    """`--negation`, on every command that counts words."""
    command.add_argument("--negation", action="store_true",
                         help='count a scored word that a negator reaches as a token of its '
                              'own ("not very good" as "not good"), scored on the other side '
                              "of neutral at half the distance (off: counts as the field "
                              "makes them)")


def add_compare_options(compare: argparse.ArgumentParser) -> None:
    """The corpus options of `compare`."""
    compare.add_argument("--text", default="text", metavar="COL",
                         help="for a corpus file: the column of the documents' text (text)")
    compare.add_argument("--key", metavar="COL",
                         help="with --groups: the column that names each document's group")
    compare.add_argument("--groups", nargs=2, metavar=("A", "B"),
                         help="compare group A (before) with group B (after) of one corpus "
                              "given as BEFORE; AFTER is then left out")
    compare.add_argument("--freq", metavar="F",
                         help="with --groups: read the keys as dates, group them by a pandas "
                              "period such as D, W, MS or YS, and take A and B as dates in "
                              "the two periods to compare (e.g. --freq YS --groups 2005 2006)")
    compare.add_argument("--pseudocount", type=_pseudocount, default=0.0, metavar="C",
                         help="for kld: add C to every word's count in both texts, so that "
                              "a word of AFTER that BEFORE lacks has a finite divergence (0)")


def finite_number(text: str) -> float:
    """An argument type: a float that is neither infinite nor NaN (a stop lens of NaN
    leaves nothing out, and no JSON holds it)."""
    try:
        value = float(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"not a number: {text!r}") from None
    if not math.isfinite(value):
        raise argparse.ArgumentTypeError(f"must be a finite number: {text!r}")
    return value


def _pseudocount(text: str) -> float:
    try:
        value = float(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"not a number: {text!r}") from None
    if not math.isfinite(value) or value < 0:
        raise argparse.ArgumentTypeError(f"must be a finite number, 0 or more: {text!r}")
    return value


def _pandas_needed() -> None:
    try:
        import pandas  # type: ignore[import-untyped, unused-ignore]  # noqa: F401
    except ImportError:
        raise InputError("corpus files need pandas: pip install 'moodvane[corpus]'") from None


def is_corpus(path: Path) -> bool:
    """Whether `compare` reads `path` as a corpus rather than as one text."""
    return path.is_dir() or path.suffix.lower() in CORPUS_SUFFIXES


def _read(path: Path, text: str, key: str | None) -> Any:
    _pandas_needed()
    from .corpus_reading import read_corpus

    return read_corpus(path, text=text, key=key)


def _counts_of(texts: Any, key: str, negation: bool) -> TextCounts:
    from .counting import count_documents

    counts: Counter[str] = Counter()
    for document in count_documents(list(texts), key, negation=negation):
        counts.update(document)
    return TextCounts(counts, sum(counts.values()), 0)


def compare_texts(arguments: argparse.Namespace, key: str, err: TextIO,
                  show_progress: bool) -> list[TextCounts]:
    """BEFORE and AFTER as `compare` reads them: text files, corpora pooled, or two groups
    of one corpus."""
    if arguments.groups:
        if arguments.key is None:
            raise InputError("--groups needs --key, the column that names the groups")
        if arguments.after is not None:
            raise InputError("with --groups, give one corpus (BEFORE) and no AFTER")
        frame = _read(arguments.before, arguments.text, arguments.key)
        names, wanted = _group_names(frame["key"], arguments.groups, arguments.freq,
                                     arguments.before)
        result = []
        documents = []
        size = arguments.before.stat().st_size if arguments.before.is_file() else 0
        for group, name in zip(arguments.groups, wanted):
            chosen = frame["text"][names == name]
            if chosen.empty:
                present = sorted(set(names.dropna()))[:10]
                period = f" (the period {name})" if arguments.freq else ""
                raise InputError(f"{arguments.before}: no document has {arguments.key} "
                                 f"{group!r}{period}; some that do: "
                                 f"{', '.join(map(repr, map(str, present)))}")
            counts = _checked(_counts_of(chosen, key, arguments.negation), f"group {group!r}")
            result.append(TextCounts(counts.counts, counts.tokens, size))
            documents.append(len(chosen))
        # For the JSON's meta: how many documents each group pooled.
        arguments.group_documents = documents
        return result
    if arguments.freq is not None:
        raise InputError("--freq needs --key and --groups: it reads the key column as dates")
    if arguments.after is None:
        raise InputError("compare needs BEFORE and AFTER (or --key and --groups)")
    texts = []
    for path in (arguments.before, arguments.after):
        if is_corpus(path):
            frame = _read(path, arguments.text, None)
            texts.append(_checked(_counts_of(frame["text"], key, arguments.negation), str(path)))
        else:
            from .reading import file_size

            progress = Progress(err, f"reading {path.name}", file_size(path), show_progress)
            texts.append(count_file(path, key, progress, negation=arguments.negation))
    return texts


def _group_names(keys: Any, groups: list[str], freq: str | None,
                 corpus: Path) -> tuple[Any, list[Any]]:
    """Each document's group, and the two groups asked for, as they are compared: the keys
    as text, or with `freq` the start of each key's period and of each group's."""
    if freq is None:
        return keys.astype(str), list(groups)
    import pandas

    from .periods import period_starts

    try:
        names = period_starts(keys, freq)
    except (TypeError, ValueError) as error:
        raise InputError(f"{corpus}: {str(error).splitlines()[0]}") from None
    try:
        wanted = period_starts(pandas.Series(groups), freq).tolist()
    except (TypeError, ValueError):
        raise InputError(f"--groups {' '.join(groups)}: with --freq, each group is a date "
                         f"in the period to compare") from None
    return names, wanted


def _checked(counts: TextCounts, name: str) -> TextCounts:
    if counts.tokens == 0:
        raise InputError(f"{name}: no words in its documents")
    return counts


def check_corpus_options(arguments: argparse.Namespace) -> None:
    """The options that `series`, `explain` and `report` share, checked before any work."""
    boot = getattr(arguments, "boot", 0)
    if boot < 0:
        raise InputError(f"--boot must be 0 or more, got {boot}")
    if arguments.min_documents < 1:
        raise InputError(f"--min-documents must be 1 or more, got {arguments.min_documents}")
    if arguments.freq is not None:
        _pandas_needed()
        from .periods import period_alias

        try:
            period_alias(arguments.freq)
        except ValueError as error:
            raise InputError(f"--freq: {error}") from None


def run_series(arguments: argparse.Namespace, key: str, out: TextIO,
               stop_words: set[str] | None = None) -> int:
    """`moodvane series`: reads, scores, prints and writes what was asked."""
    check_corpus_options(arguments)
    if arguments.plot is not None:
        _require_plot(arguments.plot)
    inputs = [arguments.corpus] + ([arguments.stop_words] if arguments.stop_words else [])
    check_output_paths([(option, path) for option, path in
                        (("--csv", arguments.csv), ("--plot", arguments.plot))
                        if path is not None], inputs)
    _pandas_needed()
    from .corpus import happiness_series

    if arguments.key is None and not arguments.corpus.is_dir():
        raise InputError("series needs --key, the column of each document's group or date")
    frame = _read(arguments.corpus, arguments.text,
                  None if arguments.corpus.is_dir() else arguments.key)
    import warnings

    try:
        with warnings.catch_warnings():
            # Thin periods are shown as such in the table; no warning besides.
            warnings.simplefilter("ignore", UserWarning)
            series = happiness_series(
                frame["text"], frame["key"], key, freq=arguments.freq, n_boot=arguments.boot,
                stop_lens=tuple(arguments.stop_lens) if arguments.stop_lens else None,
                stop_words=stop_words, seed=arguments.seed,
                min_documents=arguments.min_documents, negation=arguments.negation)
    except (TypeError, ValueError) as error:
        raise InputError(f"{arguments.corpus}: {str(error).splitlines()[0]}") from None
    if series.empty:
        raise InputError(f"{arguments.corpus}: no document has a key")
    # The files first: they are whole whatever becomes of the standard output (| head).
    write_all(_series_outputs(arguments, series))
    _print_series(out, series)
    return 0


# The periods of the common pandas offset aliases, as a graph's title names them.
PERIODS = {"D": "day", "W": "week", "MS": "month", "M": "month", "ME": "month",
           "QS": "quarter", "Q": "quarter", "QE": "quarter", "YS": "year", "Y": "year",
           "YE": "year", "AS": "year", "A": "year", "h": "hour", "H": "hour"}


def _series_outputs(arguments: argparse.Namespace, series: Any) -> list[tuple[Path, Writer]]:
    outputs: list[tuple[Path, Writer]] = []
    if arguments.csv is not None:
        # pandas writes every float as repr does, so it reads back exactly; a missing one
        # as nothing.
        table = str(series.to_csv(index_label="key")).encode("utf-8")

        def write_table(stream: BinaryIO) -> None:
            stream.write(table)

        outputs.append((arguments.csv, write_table))
    if arguments.plot is not None:
        from .series_graph import series_graph

        period = arguments.freq and PERIODS.get(arguments.freq, arguments.freq)
        ax = series_graph(series, title=f"{arguments.corpus.name}: average score"
                          + (f" by {period}" if period else "")
                          + "\n(band: 95% bootstrap interval; bars: documents)")
        figure: Any = ax.figure
        kind = arguments.plot.suffix[1:].lower()

        def write_plot(stream: BinaryIO) -> None:
            figure.savefig(stream, format=kind, dpi=150)

        outputs.append((arguments.plot, write_plot))
    return outputs


def _require_plot(path: Path) -> None:
    formats = (".png", ".svg", ".pdf")
    if path.suffix.lower() not in formats:
        raise InputError(f"{path}: the graph is written as {', '.join(formats)}; "
                         f"name the file with one of these endings")
    try:
        import matplotlib
    except ImportError:
        raise InputError("--plot needs matplotlib: pip install 'moodvane[plot]'") from None
    matplotlib.use("Agg")


def _format(value: float) -> str:
    return "-" if math.isnan(value) else f"{value:.3f}"


def _print_series(out: TextIO, series: Any) -> None:
    keys = [str(key.date()) if hasattr(key, "date") and key == key.normalize() else str(key)
            for key in series.index] if hasattr(series.index, "normalize") else \
        [str(key) for key in series.index]
    width = max(len("key"), *(len(key) for key in keys))
    out.write(f"{'key':<{width}}  {'score':>7}  {'low':>7}  {'high':>7}  "
              f"{'documents':>9}  {'tokens':>9}  {'scored':>9}\n")
    for key, row in zip(keys, series.itertuples()):
        out.write(f"{key:<{width}}  {_format(row.score):>7}  {_format(row.low):>7}  "
                  f"{_format(row.high):>7}  {row.documents:>9,}  {row.tokens:>9,}  "
                  f"{row.scored:>9,}\n")
