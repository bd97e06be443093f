"""The `moodvane` command: compare two texts, list the lexicons, look up scores.

    moodvane compare BEFORE.txt AFTER.txt [--lexicon NAME] [--top N] [--plot shift.png]
                     [--kind weighted|proportion|entropy|kld|jsd] [--alpha A] [--base B]
    moodvane series CORPUS --text COL --key COL [--freq F] [--csv OUT] [--plot OUT.png]
    moodvane lexicons
    moodvane score WORD... [--lexicon NAME]

Bad input ends the command with one line on the standard error stream and exit status 2.
"""

from __future__ import annotations

import argparse
import csv
import json
import math
import sys
import unicodedata
from collections.abc import Mapping, Sequence
from pathlib import Path
from typing import Any, NoReturn, TextIO

import moodvane

from .corpus_cli import add_compare_options, add_series_parser, compare_texts, run_series
from .coverage import coverage
from .faults import is_internal_fault
from .generalized import entropy_shift, jsd_shift, kld_shift, proportion_shift
from .kinds import KIND_LABELS, kind_of
from .result_view import view
from .lexicon_data import (lexicon_info, lexicon_names, lexicon_scores, resolve_name,
                           writes_lower_case)
from .reading import InputError, TextCounts
from .text_graph import pad, text_shift

PLOT_FORMATS = (".png", ".svg", ".pdf")
# Below this share of scored tokens an average says little about a text.
LOW_COVERAGE = 0.05
USAGE_ERROR = 2


class _Parser(argparse.ArgumentParser):
    """argparse, but a usage error is one line, like every other bad input."""

    def error(self, message: str) -> NoReturn:
        self.exit(USAGE_ERROR, f"{self.prog}: {message} (see {self.prog} --help)\n")


def _parser() -> argparse.ArgumentParser:
    parser = _Parser(prog="moodvane", description="Word shifts between two texts: which "
                     "words make one text's average happiness score differ from another's.")
    commands = parser.add_subparsers(dest="command", required=True, metavar="COMMAND",
                                     parser_class=_Parser)

    compare = commands.add_parser(
        "compare", help="compare two texts and show the words that explain the difference",
        description="Compare the average score of two UTF-8 texts (BEFORE is the reference), "
                    "or their vocabularies by --kind, and show the words that explain the "
                    "difference.")
    compare.add_argument("before", type=Path, metavar="BEFORE.txt")
    compare.add_argument("after", type=Path, metavar="AFTER.txt", nargs="?")
    compare.add_argument("--kind", choices=list(KIND_LABELS), default="weighted",
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
    compare.add_argument("--stop-lens", type=float, nargs=2, metavar=("LO", "HI"),
                         help="leave out words scored from LO to HI, e.g. 4 6 (none)")
    compare.add_argument("--stop-words", type=Path, metavar="FILE",
                         help="leave out the words of FILE, one per line (none)")
    compare.add_argument("--reference", type=_reference, default="average", metavar="VALUE",
                         help="score the words are measured against: a number, or "
                              "'average' for BEFORE's average (average)")
    compare.add_argument("--plot", type=Path, metavar="FILE",
                         help="draw the word-shift graph to FILE (.png, .svg or .pdf; needs "
                              "the plot extra: pip install 'moodvane[plot]')")
    compare.add_argument("--json", type=Path, metavar="FILE",
                         help="write the whole result, every word, as JSON")
    compare.add_argument("--csv", type=Path, metavar="FILE",
                         help="write one row per word as CSV")
    compare.add_argument("--no-progress", action="store_true",
                         help="no progress bar while reading (shown only on a terminal)")
    add_compare_options(compare)
    add_series_parser(commands, "built-in lexicon, also the language of the texts (english)")

    commands.add_parser("lexicons", help="list the built-in lexicons",
                        description="List the built-in lexicons with their sizes and sources.")

    score = commands.add_parser("score", help="print the scores of words",
                                description="Print each word's score in a lexicon.")
    score.add_argument("words", nargs="+", metavar="WORD")
    score.add_argument("--lexicon", default="english", metavar="NAME",
                       help="built-in lexicon (english)")
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


# The options that each kind takes beyond the texts.
_KIND_OPTIONS: dict[str, tuple[str, ...]] = {
    "weighted": ("lexicon", "stop_lens", "reference"),
    "proportion": (),
    "entropy": ("alpha", "base", "reference"),
    "kld": ("base",),
    "jsd": ("alpha", "base"),
}


def _check_kind_options(arguments: argparse.Namespace) -> None:
    """An option that the kind would ignore is an error, so that nobody reads a result
    believing it was taken into account."""
    given = {"alpha": arguments.alpha is not None, "base": arguments.base is not None,
             "stop_lens": arguments.stop_lens is not None,
             "reference": arguments.reference != "average"}
    for option, used in given.items():
        if used and option not in _KIND_OPTIONS[arguments.kind]:
            flag = "--" + option.replace("_", "-")
            takers = [kind for kind, options in _KIND_OPTIONS.items() if option in options]
            raise InputError(f"{flag} does not apply to --kind {arguments.kind} (only to "
                             f"{', '.join(takers)})")


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


def main(argv: Sequence[str] | None = None) -> int:
    """Runs the command line `argv` (default: the process's arguments); returns the exit
    status: 0 for success, 2 for bad input, 1 for an internal fault of the module."""
    arguments = _parser().parse_args(argv)
    try:
        if arguments.command == "compare":
            return _compare(arguments, sys.stdout, sys.stderr)
        if arguments.command == "lexicons":
            return _lexicons(sys.stdout)
        if arguments.command == "series":
            if arguments.plot is not None:
                _require_plot_support(arguments.plot)
            return run_series(arguments, _lexicon_key(arguments.lexicon), sys.stdout)
        return _score(arguments, sys.stdout)
    except InputError as error:
        print(f"moodvane: {error}", file=sys.stderr)
        return USAGE_ERROR
    except KeyboardInterrupt:
        return 130
    except BrokenPipeError:
        # The reader of the output went away (| head); nothing more to say to it.
        sys.stdout = None
        return 0


def _lexicon_key(name: str) -> str:
    try:
        return resolve_name(name)
    except ValueError as error:
        raise InputError(str(error)) from None


def _require_plot_support(path: Path) -> None:
    if path.suffix.lower() not in PLOT_FORMATS:
        raise InputError(f"{path}: the graph is written as {', '.join(PLOT_FORMATS)}; "
                         f"name the file with one of these endings")
    try:
        import matplotlib
    except ImportError:
        raise InputError("--plot needs matplotlib: pip install 'moodvane[plot]'") from None
    matplotlib.use("Agg")


def _stop_words(path: Path, key: str) -> set[str]:
    try:
        text = path.read_text(encoding="utf-8")
    except UnicodeDecodeError as error:
        raise InputError(f"{path}: not UTF-8 text ({error.reason} at byte offset "
                         f"{error.start})") from None
    except OSError as error:
        raise InputError(f"{path}: cannot be read: {error.strerror or error}") from None
    lower = writes_lower_case(lexicon_scores(key))
    words = set()
    for line in text.splitlines():
        word = unicodedata.normalize("NFC", line.strip())
        if word:
            words.add(word.lower() if lower else word)
    return words


def _compare(arguments: argparse.Namespace, out: TextIO, err: TextIO) -> int:
    key = _lexicon_key(arguments.lexicon)
    # Everything that can be checked without reading the texts is checked first.
    _check_kind_options(arguments)
    if arguments.plot is not None:
        _require_plot_support(arguments.plot)
    stop_words = _stop_words(arguments.stop_words, key) if arguments.stop_words else None
    show_progress = not arguments.no_progress and err.isatty()
    texts: list[TextCounts] = compare_texts(arguments, key, err, show_progress)

    try:
        result = _shift(arguments, key, texts, stop_words)
    except ValueError as error:
        # Inputs that the measure cannot take, e.g. a word of AFTER missing from BEFORE
        # for the KL divergence.
        raise InputError(str(error).splitlines()[0]) from None
    except BaseException as error:
        if not is_internal_fault(error):
            raise
        print(f"moodvane: internal fault in the native module: {error}", file=err)
        return 1

    if arguments.groups:
        labels = (str(arguments.groups[0]), str(arguments.groups[1]))
    else:
        labels = (arguments.before.name, arguments.after.name)
        if labels[0] == labels[1]:
            labels = (str(arguments.before), str(arguments.after))
    _print_summary(out, key, labels, texts, result, arguments.top)
    _write_outputs(arguments, result, labels)
    return 0


def _shift(arguments: argparse.Namespace, key: str, texts: list[TextCounts],
           stop_words: set[str] | None) -> Mapping[str, Any]:
    """The result of the kind of shift asked for."""
    first, second = texts[0].counts, texts[1].counts
    kind = arguments.kind
    alpha = 1.0 if arguments.alpha is None else arguments.alpha
    base = 2.0 if arguments.base is None else arguments.base
    reference = None if arguments.reference == "average" else arguments.reference
    if kind == "proportion":
        return proportion_shift(first, second, stop_words=stop_words)
    if kind == "entropy":
        return entropy_shift(first, second, alpha=alpha, base=base, reference_value=reference,
                             stop_words=stop_words)
    if kind == "kld":
        if arguments.pseudocount < 0 or not math.isfinite(arguments.pseudocount):
            raise InputError(f"--pseudocount must be a finite number >= 0, "
                             f"got {arguments.pseudocount}")
        if arguments.pseudocount == 0:
            _require_every_word_of_after(arguments, first, second, stop_words)
        return kld_shift(first, second, base=base, stop_words=stop_words,
                         pseudocount=arguments.pseudocount)
    if kind == "jsd":
        return jsd_shift(first, second, alpha=alpha, base=base, stop_words=stop_words)
    return moodvane.weighted_avg_shift(
        first, second, lexicon=key, reference_value=arguments.reference,
        stop_lens=tuple(arguments.stop_lens) if arguments.stop_lens else None,
        stop_words=stop_words,
    )


def _require_every_word_of_after(arguments: argparse.Namespace, first: Mapping[str, int],
                                 second: Mapping[str, int], stop_words: set[str] | None) -> None:
    """The divergence of AFTER from BEFORE is infinite when AFTER has a word that BEFORE
    lacks; said in the terms of the command line, naming the first such word in byte
    order, as the library does."""
    missing = [word for word, count in second.items()
               if count > 0 and not first.get(word) and word not in (stop_words or ())]
    if missing:
        word = min(missing, key=lambda word: word.encode("utf-8", "surrogatepass"))
        before, after = ((arguments.groups[0], arguments.groups[1]) if arguments.groups
                         else (arguments.before.name, arguments.after.name))
        raise InputError(
            f"{after} has {word!r}, which {before} lacks: "
            f"the Kullback-Leibler divergence is infinite ({len(missing):,} such words); "
            f"--pseudocount smooths the counts, and --kind jsd compares such texts")


def _print_summary(out: TextIO, key: str, labels: tuple[str, str], texts: list[TextCounts],
                   result: Mapping[str, Any], top: int) -> None:
    if getattr(result, "kind", "weighted") != "weighted":
        _print_measure_summary(out, labels, texts, result, top)
        return
    info = lexicon_info(key)
    scores = lexicon_scores(key)
    kind = KIND_LABELS["weighted"]
    width = max(len(label) for label in labels)
    print(f"lexicon: {key} ({info['language']}, {info['entries']:,} words)", file=out)
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


def _json_document(result: Mapping[str, Any]) -> dict[str, Any]:
    """The result as written to JSON: its kind (and the unit of an entropy or a
    divergence) first, as top-level keys beside the result's own, which none of them
    share; `shift_graph` and `text_shift` read them back."""
    document: dict[str, Any] = {"kind": getattr(result, "kind", "weighted")}
    unit = getattr(result, "unit", None)
    if unit is not None:
        document["unit"] = unit
    document.update(result)
    return document


def _write_outputs(arguments: argparse.Namespace, result: Mapping[str, Any],
                   labels: tuple[str, str]) -> None:
    kind = kind_of(result)
    try:
        if arguments.json is not None:
            with open(arguments.json, "w", encoding="utf-8") as stream:
                json.dump(_json_document(result), stream, ensure_ascii=False, indent=1,
                          allow_nan=False)
                stream.write("\n")
        if arguments.csv is not None:
            # Every entry, with the mark of its components as the terminal shows it.
            bars = view(result, 0, kind.value_keys).bars
            marks = {bar.rank: "".join(kind.mark(key) for key in bar.mark) for bar in bars}
            with open(arguments.csv, "w", encoding="utf-8", newline="") as stream:
                writer = csv.writer(stream)
                writer.writerow(["rank", "word", "kind", "p_diff", "s_ref_diff", "p_avg",
                                 "s_diff", "shift_score"])
                for rank, entry in enumerate(result["entries"], 1):
                    writer.writerow([rank, entry["type"], marks.get(rank, ""),
                                     *(_csv_number(entry[field]) for field in
                                       ("p_diff", "s_ref_diff", "p_avg", "s_diff",
                                        "shift_score"))])
        if arguments.plot is not None:
            from .graph import shift_graph

            figure = shift_graph(result, top_n=arguments.top, labels=labels)
            figure.savefig(arguments.plot, dpi=150)
    except OSError as error:
        name = error.filename or "output"
        raise InputError(f"{name}: cannot be written: {error.strerror or error}") from None


def _csv_number(value: float | None) -> str:
    return "" if value is None else repr(value)


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
