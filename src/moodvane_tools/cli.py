"""The `moodvane` command: compare two texts, list the lexicons, look up scores.

    moodvane compare BEFORE.txt AFTER.txt [--lexicon NAME] [--top N] [--plot shift.png]
                     [--kind weighted|proportion|entropy|kld|jsd] [--alpha A] [--base B]
                     [--labels A B] [--title T] [--dpi D] [--json F] [--csv F] [--negation]
    moodvane series CORPUS --text COL --key COL [--freq F] [--csv OUT] [--plot OUT.png]
                    [--negation]
    moodvane explain CORPUS --text COL --key COL --freq F --period P [--reference R]
    moodvane report CORPUS --text COL --key COL --freq F --html OUT.html
    moodvane lexicons
    moodvane score WORD... [--lexicon NAME]
    moodvane samples [FOLDER]
    moodvane --version

Bad input (also a path that no output can be written to, found before any text is read)
ends the command with one line on the standard error stream and exit status 2, and so
does running out of memory.
"""

from __future__ import annotations

import argparse
import csv
import io
import json
import math
import sys
import unicodedata
from collections.abc import Mapping, Sequence
from pathlib import Path
from typing import Any, BinaryIO, NoReturn, TextIO

from .corpus_cli import (add_compare_options, add_negation_option, add_series_parser,
                         compare_texts, finite_number, run_series)
from .explain_cli import add_explain_parsers, run_explain, run_report
from .coverage import coverage
from .export import COLUMNS, word_fields, word_rows
from .faults import is_internal_fault
from .kinds import REGISTRY, kind_of
from .lexicon_data import (lexicon_info, lexicon_names, lexicon_scores, resolve_name,
                           writes_lower_case)
from .outputs import Writer, check_output_paths, write_all
from .reading import InputError, Progress, TextCounts, count_file, file_size
from .samples import write_samples
from .text_graph import pad, text_shift

PLOT_FORMATS = (".png", ".svg", ".pdf")
# Below this share of scored tokens an average says little about a text.
LOW_COVERAGE = 0.05
USAGE_ERROR = 2
# A stop-word file lists words, one per line; more than this is not such a list (and
# /dev/zero would never end).
STOP_WORDS_LIMIT = 64 << 20
DEFAULT_DPI = 150
# Agg draws at most this many pixels a side.
LARGEST_IMAGE = 65535
# The command line's options that set a measure, by the name of the keyword they fill.
MEASURE_FLAGS: dict[str, str] = {
    "alpha": "--alpha", "base": "--base", "reference_value": "--reference",
    "stop_lens": "--stop-lens", "pseudocount": "--pseudocount",
}


class _Parser(argparse.ArgumentParser):
    """argparse, but a usage error is one line, like every other bad input."""

    def error(self, message: str) -> NoReturn:
        self.exit(USAGE_ERROR, f"{self.prog}: {message} (see {self.prog} --help)\n")


def _parser() -> argparse.ArgumentParser:
    parser = _Parser(prog="moodvane", description="Word shifts between two texts: which "
                     "words make one text's average happiness score differ from another's.")
    parser.add_argument("--version", action="version", version=f"moodvane {_version()}")
    commands = parser.add_subparsers(dest="command", required=True, metavar="COMMAND",
                                     parser_class=_Parser)

    compare = commands.add_parser(
        "compare", help="compare two texts and show the words that explain the difference",
        description="Compare the average score of two UTF-8 texts (BEFORE is the reference), "
                    "or their vocabularies by --kind, and show the words that explain the "
                    "difference.")
    compare.add_argument("before", type=Path, metavar="BEFORE.txt")
    compare.add_argument("after", type=Path, metavar="AFTER.txt", nargs="?")
    compare.add_argument("--kind", choices=list(REGISTRY), default="weighted",
                         help="what to compare: the average score with the lexicon "
                              "(weighted), the words' shares (proportion), the entropy, "
                              "the Kullback-Leibler divergence of AFTER from BEFORE (kld) "
                              "or the Jensen-Shannon divergence (jsd) (weighted)")
    compare.add_argument("--alpha", type=_positive, default=None, metavar="A",
                         help="order of the entropy for entropy and jsd: 1 for Shannon's, "
                              "else Tsallis's (1)")
    compare.add_argument("--base", type=_log_base, default=None, metavar="B",
                         help="base of the logarithms for entropy, kld and jsd: 2 for "
                              "bits, e for nats (2)")
    compare.add_argument("--lexicon", default="english", metavar="NAME",
                         help="built-in lexicon, also the language of the texts (english)")
    compare.add_argument("--top", type=_count, default=20, metavar="N",
                         help="words to show, 0 for all (20)")
    compare.add_argument("--stop-lens", type=finite_number, nargs=2, metavar=("LO", "HI"),
                         help="leave out words scored from LO to HI, e.g. 4 6 (none)")
    compare.add_argument("--stop-words", type=Path, metavar="FILE",
                         help="leave out the words of FILE, one per line, or with 'builtin' "
                              "the stop words of the lexicon's language (none)")
    compare.add_argument("--reference", type=_reference, default="average", metavar="VALUE",
                         help="score the words are measured against: a number, or "
                              "'average' for BEFORE's average (average)")
    compare.add_argument("--plot", type=Path, metavar="FILE",
                         help="draw the word-shift graph to FILE (.png, .svg or .pdf; needs "
                              "the plot extra: pip install 'moodvane[plot]')")
    compare.add_argument("--labels", nargs=2, metavar=("A", "B"),
                         help="names of BEFORE and AFTER in the summary and the graph "
                              "(their file names)")
    compare.add_argument("--title", metavar="TEXT",
                         help="first line of the graph's title ('A → B')")
    compare.add_argument("--dpi", type=_dpi, default=DEFAULT_DPI, metavar="D",
                         help=f"resolution of a .png graph, dots per inch ({DEFAULT_DPI})")
    compare.add_argument("--json", type=Path, metavar="FILE",
                         help="write the whole result, every word with its counts and "
                              "scores, and where it came from (meta), as JSON")
    compare.add_argument("--csv", type=Path, metavar="FILE",
                         help="write one row per word as CSV: " + ", ".join(COLUMNS))
    compare.add_argument("--no-progress", action="store_true",
                         help="no progress bar while reading (shown only on a terminal)")
    add_negation_option(compare)
    add_compare_options(compare)
    add_series_parser(commands, "built-in lexicon, also the language of the texts (english)")
    add_explain_parsers(commands, "built-in lexicon, also the language of the texts (english)")

    commands.add_parser("lexicons", help="list the built-in lexicons",
                        description="List the built-in lexicons with their sizes and sources.")

    score = commands.add_parser("score", help="print the scores of words",
                                description="Print each word's score in a lexicon.")
    score.add_argument("words", nargs="+", metavar="WORD")
    score.add_argument("--lexicon", default="english", metavar="NAME",
                       help="built-in lexicon (english)")

    samples = commands.add_parser(
        "samples", help="write the sample texts into a folder",
        description="Write the sample texts that the README uses (two diary pages and a "
                    "diary corpus) into FOLDER, to try the other commands on.")
    samples.add_argument("folder", nargs="?", type=Path, default=Path("moodvane-samples"),
                         metavar="FOLDER", help="where to write them (moodvane-samples)")
    return parser


def _count(text: str) -> int:
    try:
        value = int(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"not a whole number: {text!r}") from None
    if value < 0:
        raise argparse.ArgumentTypeError(f"must be 0 or more: {text!r}")
    return value


def _positive(text: str) -> float:
    try:
        value = float(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"not a number: {text!r}") from None
    if not math.isfinite(value) or value <= 0:
        raise argparse.ArgumentTypeError(f"must be a finite number above 0: {text!r}")
    return value


def _log_base(text: str) -> float:
    value = math.e if text.strip().lower() == "e" else _positive(text)
    if value == 1.0:
        raise argparse.ArgumentTypeError("must not be 1: no logarithm has base 1")
    return value


def _dpi(text: str) -> int:
    value = _count(text)
    if not 10 <= value <= 1200:
        raise argparse.ArgumentTypeError(f"must be from 10 to 1200: {text!r}")
    return value


def _measure_options(arguments: argparse.Namespace) -> dict[str, Any]:
    """The measure options given on the command line, by keyword."""
    given: dict[str, Any] = {}
    if arguments.alpha is not None:
        given["alpha"] = arguments.alpha
    if arguments.base is not None:
        given["base"] = arguments.base
    if arguments.reference != "average":
        given["reference_value"] = arguments.reference
    if arguments.stop_lens is not None:
        given["stop_lens"] = tuple(arguments.stop_lens)
    if arguments.pseudocount:
        given["pseudocount"] = arguments.pseudocount
    return given


def _check_kind_options(arguments: argparse.Namespace) -> None:
    """An option that the kind would ignore is an error, so that nobody reads a result
    believing it was taken into account."""
    entry = REGISTRY[arguments.kind]
    for option in _measure_options(arguments):
        if option not in entry.options:
            takers = [name for name, other in REGISTRY.items() if option in other.options]
            raise InputError(f"{MEASURE_FLAGS[option]} does not apply to --kind "
                             f"{arguments.kind} (only to {', '.join(takers)})")


def _reference(text: str) -> str | float:
    if text == "average":
        return text
    try:
        value = float(text)
    except ValueError:
        raise argparse.ArgumentTypeError(
            f"not a number nor 'average': {text!r}") from None
    if not math.isfinite(value):
        raise argparse.ArgumentTypeError(f"must be a finite number: {text!r}")
    return value


def _version() -> str:
    from . import __version__

    return __version__


def main(argv: Sequence[str] | None = None) -> int:
    """Runs the command line `argv` (default: the process's arguments); returns the exit
    status: 0 for success, 2 for bad input or too little memory, 1 for an internal fault
    of the module."""
    arguments = _parser().parse_args(argv)
    try:
        if arguments.command == "compare":
            return _compare(arguments, sys.stdout, sys.stderr)
        if arguments.command == "lexicons":
            return _lexicons(sys.stdout)
        if arguments.command == "series":
            key = _lexicon_key(arguments.lexicon)
            words = _stop_words(arguments.stop_words, key) if arguments.stop_words else None
            return run_series(arguments, key, sys.stdout, words)
        if arguments.command in ("explain", "report"):
            key = _lexicon_key(arguments.lexicon)
            words = _stop_words(arguments.stop_words, key) if arguments.stop_words else None
            run = run_explain if arguments.command == "explain" else run_report
            return run(arguments, key, words, sys.stdout)
        if arguments.command == "samples":
            return _samples(arguments.folder, sys.stdout)
        return _score(arguments, sys.stdout)
    except InputError as error:
        print(f"moodvane: {error}", file=sys.stderr)
        return USAGE_ERROR
    except MemoryError as error:
        detail = f" ({error})" if str(error) else ""
        print(f"moodvane: out of memory{detail}; try smaller texts, or a machine with more "
              "memory", file=sys.stderr)
        return USAGE_ERROR
    except KeyboardInterrupt:
        return 130
    except BrokenPipeError:
        # The reader of the output went away (| head); nothing more to say to it.
        sys.stdout = None
        return 0


def _samples(folder: Path, out: TextIO) -> int:
    try:
        written = write_samples(folder)
    except OSError as error:
        raise InputError(str(error) if isinstance(error, FileExistsError)
                         else f"{error.filename or folder}: {error.strerror}") from None
    for path in written:
        print(path, file=out)
    return 0


def _lexicon_key(name: str) -> str:
    try:
        return resolve_name(name)
    except ValueError as error:
        raise InputError(str(error)) from None


def _require_plot_support(arguments: argparse.Namespace) -> None:
    path: Path = arguments.plot
    if path.suffix.lower() not in PLOT_FORMATS:
        raise InputError(f"{path}: the graph is written as {', '.join(PLOT_FORMATS)}; "
                         f"name the file with one of these endings")
    if path.suffix.lower() == ".png":
        # The tallest graph of --top words (every word, for 0) must fit Agg's limit.
        from .graph import figure_height

        tallest = figure_height(arguments.top or None) * arguments.dpi
        if tallest > LARGEST_IMAGE:
            raise InputError(f"--dpi {arguments.dpi} would make the graph of "
                             f"{arguments.top or 'every'} word{'s' if arguments.top != 1 else ''} "
                             f"{tallest:,.0f} pixels tall, more than a PNG can be drawn "
                             f"({LARGEST_IMAGE:,}); lower --dpi or --top, or write .svg")
    try:
        import matplotlib
    except ImportError:
        raise InputError("--plot needs matplotlib: pip install 'moodvane[plot]'") from None
    matplotlib.use("Agg")


def _stop_words(path: Path, key: str) -> set[str]:
    if str(path) == "builtin" and not path.exists():
        from .stop_words import stop_words

        return set(stop_words(key))
    try:
        with open(path, "rb") as stream:
            data = stream.read(STOP_WORDS_LIMIT + 1)
    except IsADirectoryError:
        raise InputError(f"{path}: is a directory, not a list of stop words") from None
    except OSError as error:
        raise InputError(f"{path}: cannot be read: {error.strerror or error}") from None
    if len(data) > STOP_WORDS_LIMIT:
        raise InputError(f"{path}: more than {STOP_WORDS_LIMIT >> 20} MB; --stop-words takes "
                         "a list of words, one per line")
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as error:
        raise InputError(f"{path}: not UTF-8 text ({error.reason} at byte offset "
                         f"{error.start})") from None
    lower = writes_lower_case(lexicon_scores(key))
    words = set()
    for line in text.removeprefix("\ufeff").splitlines():
        word = unicodedata.normalize("NFC", line.strip())
        if word:
            words.add(word.lower() if lower else word)
    return words


def _output_options(arguments: argparse.Namespace) -> list[tuple[str, Path]]:
    return [(flag, path) for flag, path in (("--json", arguments.json),
                                            ("--csv", arguments.csv),
                                            ("--plot", arguments.plot)) if path is not None]


def _compare(arguments: argparse.Namespace, out: TextIO, err: TextIO) -> int:
    key = _lexicon_key(arguments.lexicon)
    # Everything that can be checked without reading the texts is checked first, the
    # output paths too: a long run never ends in a file that cannot be written.
    _check_kind_options(arguments)
    if arguments.plot is not None:
        _require_plot_support(arguments)
    inputs = [path for path in (arguments.before, arguments.after) if path is not None]
    if arguments.stop_words is not None:
        inputs.append(arguments.stop_words)  # "builtin" names no file, and matches no output
    check_output_paths(_output_options(arguments), inputs)
    stop_words = _stop_words(arguments.stop_words, key) if arguments.stop_words else None
    show_progress = not arguments.no_progress and err.isatty()
    texts: list[TextCounts] = compare_texts(arguments, key, err, show_progress)

    labels = _labels(arguments)
    try:
        result = _shift(arguments, key, texts, stop_words)
    except ValueError as error:
        word = getattr(error, "word", None)
        if isinstance(word, str):
            # The word that makes the divergence of AFTER from BEFORE infinite.
            raise InputError(
                f"{labels[1]} has {word!r}, which {labels[0]} lacks: the Kullback-Leibler "
                f"divergence is infinite; --pseudocount smooths the counts, and --kind jsd "
                f"compares such texts") from None
        # Other inputs that the measure cannot take.
        raise InputError(str(error).splitlines()[0]) from None
    except BaseException as error:
        if not is_internal_fault(error):
            raise
        print(f"moodvane: internal fault in the native module: {error}", file=err)
        return 1

    # The files first: they are whole whatever becomes of the standard output (| head).
    write_all(_outputs(arguments, key, labels, texts, result, stop_words))
    _print_summary(out, key, labels, texts, result, arguments)
    return 0


def _labels(arguments: argparse.Namespace) -> tuple[str, str]:
    if arguments.labels:
        return (arguments.labels[0], arguments.labels[1])
    if arguments.groups:
        return (str(arguments.groups[0]), str(arguments.groups[1]))
    labels = (arguments.before.name, arguments.after.name)
    if labels[0] == labels[1]:
        labels = (str(arguments.before), str(arguments.after))
    return labels


def _shift(arguments: argparse.Namespace, key: str, texts: list[TextCounts],
           stop_words: set[str] | None) -> Mapping[str, Any]:
    """The result of the kind of shift asked for."""
    entry = REGISTRY[arguments.kind]
    options = _measure_options(arguments)
    if arguments.negation and arguments.kind == "weighted":
        # The negated tokens are scored by the lexicon's negated entries.
        import moodvane

        options.pop("lexicon", None)
        return moodvane.weighted_avg_shift_custom(
            texts[0].counts, texts[1].counts, _scores(arguments, key), stop_words=stop_words,
            **options)
    if "lexicon" in entry.options:
        options["lexicon"] = key
    return entry.compute(texts[0].counts, texts[1].counts, stop_words=stop_words, **options)


def _scores(arguments: argparse.Namespace, key: str) -> dict[str, float]:
    """The lexicon's scores, with its negated entries when negation is counted."""
    return lexicon_scores(key, negation=arguments.negation)


def _print_summary(out: TextIO, key: str, labels: tuple[str, str], texts: list[TextCounts],
                   result: Mapping[str, Any], arguments: argparse.Namespace) -> None:
    top = arguments.top
    if getattr(result, "kind", "weighted") != "weighted":
        _print_measure_summary(out, labels, texts, result, top)
        return
    info = lexicon_info(key)
    scores = _scores(arguments, key)
    kind = REGISTRY["weighted"].labels
    width = max(len(label) for label in labels)
    print(f"lexicon: {key} ({info['language']}, {info['entries']:,} words)", file=out)
    lens = arguments.stop_lens
    print("stop lens: " + (f"words scored {min(lens):g} to {max(lens):g} left out" if lens
                           else "none, every scored word counts (--stop-lens 4 6 leaves out "
                                "the neutral ones)"), file=out)
    if arguments.negation:
        print('negation: a negated word counts apart ("not good"), scored '
              "5 - (score - 5) / 2", file=out)
    for label, text, value_key in zip(labels, texts, kind.value_keys):
        share = coverage(text.counts, scores)
        value = result[value_key]
        shown = "n/a" if value is None else f"{value:.3f}"
        print(f"{pad(label, width)}  {kind.value_name} {shown}  "
              f"({share:.1%} of {text.tokens:,} words scored)", file=out)
        if share == 0:
            print(f"  note: no word of {label} is in the lexicon, so its average of 0.0 "
                  "means nothing", file=out)
        elif share < LOW_COVERAGE:
            print(f"  note: few words of {label} are in the lexicon; is it written in "
                  f"{info['language']}?", file=out)
    print(file=out)
    print(text_shift(result, top, labels=labels), end="", file=out)


def _print_measure_summary(out: TextIO, labels: tuple[str, str], texts: list[TextCounts],
                           result: Mapping[str, Any], top: int) -> None:
    """The summary of a shift that needs no lexicon: the words read and the measure."""
    kind = kind_of(result)
    width = max(len(label) for label in labels)
    unit = getattr(result, "unit", None)
    print(f"kind: {kind.name} ({kind.value_name}"
          f"{f', in {unit}' if unit else ''})", file=out)
    for label, text in zip(labels, texts):
        print(f"{pad(label, width)}  {text.tokens:,} words, {len(text.counts):,} different",
              file=out)
    print(file=out)
    print(text_shift(result, top, labels=labels), end="", file=out)


def _meta(arguments: argparse.Namespace, key: str, labels: tuple[str, str],
          texts: list[TextCounts], result: Mapping[str, Any],
          stop_words: set[str] | None) -> dict[str, Any]:
    """Where a result came from: the program, the inputs, the lexicon and every option
    that shaped it."""
    kind_entry = REGISTRY[arguments.kind]
    weighted = arguments.kind == "weighted"
    scores = _scores(arguments, key) if weighted else None
    info = lexicon_info(key)
    inputs = []
    paths = (arguments.before, arguments.before) if arguments.groups else \
        (arguments.before, arguments.after)
    for at, (path, label, text) in enumerate(zip(paths, labels, texts)):
        entry: dict[str, Any] = {"path": str(path), "label": label, "bytes": text.size,
                                 "tokens": text.tokens, "types": len(text.counts)}
        if arguments.groups:
            entry["group"] = arguments.groups[at]
            entry["documents"] = getattr(arguments, "group_documents", [None, None])[at]
        if scores is not None:
            entry["coverage"] = coverage(text.counts, scores)
        inputs.append(entry)
    options = {**kind_entry.defaults, **_measure_options(arguments)}
    options.pop("lexicon", None)
    if "stop_lens" in options and options["stop_lens"] is not None:
        options["stop_lens"] = sorted(options["stop_lens"])
    return {
        "program": "moodvane",
        "version": _version(),
        "command": "compare",
        "kind": arguments.kind,
        "lexicon": {"name": key, "language": info["language"], "entries": info["entries"],
                    "used_for": "scores and words" if weighted else "words"},
        "inputs": inputs,
        "options": options,
        "negation": bool(arguments.negation),
        "stop_words": None if arguments.stop_words is None else
        {"path": str(arguments.stop_words), "words": len(stop_words or ())},
        "corpus": {"text": arguments.text, "key": arguments.key, "freq": arguments.freq,
                   "groups": arguments.groups},
        "unit": getattr(result, "unit", None),
    }


def _json_document(result: Mapping[str, Any], meta: Mapping[str, Any],
                   fields: list[dict[str, float | None]]) -> dict[str, Any]:
    """The result as written to JSON: its kind (and the unit of an entropy or a
    divergence) and where it came from (``meta``) first, as top-level keys beside the
    result's own, which none of them share; each entry adds the word's counts and scores
    in the two texts. `shift_graph` and `text_shift` read it back."""
    document: dict[str, Any] = {"kind": getattr(result, "kind", "weighted")}
    unit = getattr(result, "unit", None)
    if unit is not None:
        document["unit"] = unit
    document["meta"] = dict(meta)
    document.update(result)
    document["entries"] = [{**entry, **extra} for entry, extra in
                           zip(result["entries"], fields)]
    return document


def _outputs(arguments: argparse.Namespace, key: str, labels: tuple[str, str],
             texts: list[TextCounts], result: Mapping[str, Any],
             stop_words: set[str] | None, meta: Mapping[str, Any] | None = None,
             intervals: Any = None) -> list[tuple[Path, Writer]]:
    """Each output asked for, with the function that writes it; `meta` replaces the
    compare command's own, and `intervals` (of shift_intervals) go into the graph."""
    counts = (texts[0].counts, texts[1].counts)
    scores = _scores(arguments, key) if arguments.kind == "weighted" else None
    outputs: list[tuple[Path, Writer]] = []
    if arguments.json is not None:
        document = _json_document(result, meta if meta is not None else
                                  _meta(arguments, key, labels, texts, result, stop_words),
                                  word_fields(result, counts, scores))

        try:  # before any file is written: a refusal leaves none behind
            text = json.dumps(document, ensure_ascii=False, indent=1, allow_nan=False)
        except ValueError as error:
            raise InputError(f"--json {arguments.json}: {error}") from None

        def write_json(stream: BinaryIO) -> None:
            stream.write(text.encode("utf-8") + b"\n")

        outputs.append((arguments.json, write_json))
    if arguments.csv is not None:
        rows = word_rows(result, counts, scores)

        def write_csv(stream: BinaryIO) -> None:
            text = io.TextIOWrapper(stream, encoding="utf-8", newline="")
            writer = csv.writer(text)
            writer.writerow(COLUMNS)
            for row in rows:
                writer.writerow([_csv_cell(row[column]) for column in COLUMNS])
            text.flush()
            text.detach()  # the stream stays open for its owner

        outputs.append((arguments.csv, write_csv))
    if arguments.plot is not None:
        from .graph import shift_graph

        figure = shift_graph(result, top_n=arguments.top, labels=labels, title=arguments.title,
                             intervals=intervals)
        fmt = arguments.plot.suffix.lower()[1:]

        def write_plot(stream: BinaryIO) -> None:
            figure.savefig(stream, format=fmt, dpi=arguments.dpi)

        outputs.append((arguments.plot, write_plot))
    return outputs


def _csv_cell(value: object) -> str:
    """A number as Python writes it back exactly (repr), nothing for a missing value."""
    if value is None:
        return ""
    return repr(value) if isinstance(value, float) else str(value)


def _lexicons(out: TextIO) -> int:
    rows = []
    for name in lexicon_names():
        info = lexicon_info(name)
        sources = "; ".join(f"{source['name']} ({source['licence']})"
                            for source in info["sources"])
        rows.append((name, info["language"], f"{info['entries']:,}",
                     f"{info['min_score']:.2f}-{info['max_score']:.2f}", sources))
    header = ("name", "language", "words", "scores", "sources (licence)")
    widths = [max(len(row[column]) for row in [header, *rows]) for column in range(4)]
    for row in [header, *rows]:
        print("  ".join(cell.ljust(width) for cell, width in zip(row, widths)) + "  " + row[4],
              file=out)
    return 0


def _score(arguments: argparse.Namespace, out: TextIO) -> int:
    key = _lexicon_key(arguments.lexicon)
    scores = lexicon_scores(key)
    lower = writes_lower_case(scores)
    width = max(len(word) for word in arguments.words)
    for word in arguments.words:
        listed = unicodedata.normalize("NFC", word)
        if listed not in scores and lower:
            listed = listed.lower()
        score = scores.get(listed)
        shown = "not in the lexicon" if score is None else f"{score:.2f}"
        print(f"{word.ljust(width)}  {shown}", file=out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
