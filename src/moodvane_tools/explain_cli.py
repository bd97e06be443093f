"""The explaining side of the `moodvane` command (the `corpus` extra: pandas).

    moodvane explain CORPUS --text COL --key COL --freq F --period P
                     [--reference previous|all|P2] [--window N] [--boot N]
                     [--json OUT] [--csv OUT] [--plot OUT.png]
    moodvane report CORPUS --text COL --key COL --freq F --html OUT.html
                    [--reference ...] [--window N] [--lexicon NAME] [--min-documents N]

Both take --negation (negated words counted apart, see moodvane_tools.negation).

`explain` prints (and writes) one period's word shift against its reference, as
`period_shifts` makes it; `report` writes the page of `write_report`. Every output path is
checked before the corpus is read.
"""

from __future__ import annotations

import argparse
from collections import Counter
from pathlib import Path
from typing import Any, BinaryIO, TextIO

from .corpus_cli import add_corpus_options, check_corpus_options
from .outputs import Writer, check_output_paths, write_all
from .reading import InputError, TextCounts


def _common(parser: argparse.ArgumentParser, lexicon_help: str) -> None:
    add_corpus_options(parser, lexicon_help)
    parser.add_argument("--reference", default="previous", metavar="R",
                        help="what each period is measured against: 'previous' (the "
                             "--window periods before it), 'all' (the whole corpus) or a "
                             "period (previous)")
    parser.add_argument("--window", type=int, default=1, metavar="N",
                        help="with --reference previous, how many periods before (1)")


def add_explain_parsers(commands: Any, lexicon_help: str) -> None:
    """Adds `explain` and `report` to the command line's subcommands."""
    from .cli import DEFAULT_DPI, _count, _dpi

    explain = commands.add_parser(
        "explain", help="the word shift of one period of a corpus against its reference",
        description="Read a corpus, pool the documents of one period (--period) and of its "
                    "reference, and show the words that explain the difference of their "
                    "average scores, with bootstrap intervals with --boot.")
    _common(explain, lexicon_help)
    explain.add_argument("--period", required=True, metavar="P",
                         help="the period to explain: a key, or with --freq any date in it")
    explain.add_argument("--top", type=_count, default=20, metavar="N",
                         help="words to show, 0 for all (20)")
    explain.add_argument("--boot", type=int, default=0, metavar="N",
                         help="bootstrap resamples for each shown word's interval, 0 for "
                              "none (0)")
    explain.add_argument("--json", type=Path, metavar="FILE",
                         help="write the whole result, every word with its counts and "
                              "scores, and where it came from (meta), as JSON")
    explain.add_argument("--csv", type=Path, metavar="FILE",
                         help="write one row per word as CSV")
    explain.add_argument("--plot", type=Path, metavar="FILE",
                         help="draw the word-shift graph to FILE (.png, .svg or .pdf)")
    explain.add_argument("--title", metavar="TEXT", help="first line of the graph's title")
    explain.add_argument("--dpi", type=_dpi, default=DEFAULT_DPI, metavar="D",
                         help=f"resolution of a .png graph ({DEFAULT_DPI})")

    report = commands.add_parser(
        "report", help="an interactive page of a corpus's series and its periods' shifts",
        description="Read a corpus and write one self-contained HTML page (it opens "
                    "offline): the series with its band, each period's word shift against "
                    "its reference at a click, a search box for one word's share of each "
                    "period, and how it was all made.")
    _common(report, lexicon_help)
    report.add_argument("--html", type=Path, required=True, metavar="FILE",
                        help="where to write the page")
    report.add_argument("--top", type=int, default=30, metavar="N",
                        help="words shown of each period's shift (30)")
    report.add_argument("--boot", type=int, default=1000, metavar="N",
                        help="bootstrap resamples for the series' band, 0 for none (1000)")
    report.add_argument("--intervals", type=int, default=0, metavar="N",
                        help="bootstrap resamples for each shown word's interval, 0 for "
                             "none; recounts every document (0)")
    report.add_argument("--title", metavar="TEXT", help="the page's title")


def _options(arguments: argparse.Namespace) -> None:
    check_corpus_options(arguments)
    if arguments.window < 1:
        raise InputError(f"--window must be 1 or more, got {arguments.window}")
    if getattr(arguments, "intervals", 0) < 0:
        raise InputError(f"--intervals must be 0 or more, got {arguments.intervals}")
    if arguments.command == "report" and arguments.top < 1:
        raise InputError(f"--top must be 1 or more, got {arguments.top}")
    if arguments.key is None and not arguments.corpus.is_dir():
        raise InputError(f"{arguments.command} needs --key, the column of each document's "
                         f"date or group")


def _read(arguments: argparse.Namespace) -> Any:
    from .corpus_cli import _read as read

    return read(arguments.corpus, arguments.text,
                None if arguments.corpus.is_dir() else arguments.key)


def _inputs(arguments: argparse.Namespace) -> list[Path]:
    return [arguments.corpus] + ([arguments.stop_words] if arguments.stop_words else [])


def _label(period: object) -> str:
    from .report.data import period_label

    return period_label(period)


def run_explain(arguments: argparse.Namespace, key: str, stop_words: set[str] | None,
                out: TextIO) -> int:
    """`moodvane explain`: one period's shift, printed and written."""
    import warnings

    from .cli import _outputs, _require_plot_support

    _options(arguments)
    arguments.kind = "weighted"
    if arguments.plot is not None:
        _require_plot_support(arguments)
    check_output_paths([(option, path) for option, path in
                        (("--json", arguments.json), ("--csv", arguments.csv),
                         ("--plot", arguments.plot)) if path is not None], _inputs(arguments))
    frame = _read(arguments)
    from .corpus import Scoring, _group_codes
    from .shifts_by_period import _shift_function, reference_period

    scoring = Scoring.of(key, None, arguments.stop_lens, stop_words, arguments.negation)
    try:
        codes, uniques = _group_codes(frame["key"], len(frame), arguments.freq)
    except (TypeError, ValueError) as error:
        raise InputError(f"{arguments.corpus}: {str(error).splitlines()[0]}") from None
    periods = list(uniques)
    try:
        period = reference_period(arguments.period, periods, arguments.freq)
    except ValueError:
        shown = ", ".join(_label(item) for item in periods[:5])
        raise InputError(f"{arguments.corpus}: --period {arguments.period}: no such period "
                         f"in the corpus (the first are {shown})") from None
    at = periods.index(period)
    against = _reference_periods(arguments, periods, at)
    import numpy

    documents = numpy.bincount(codes[codes >= 0], minlength=len(periods))
    if documents[at] < arguments.min_documents:
        raise InputError(f"{arguments.corpus}: the period {_label(period)} has "
                         f"{documents[at]} documents, fewer than --min-documents "
                         f"{arguments.min_documents}")
    texts = [text if isinstance(text, str) else "" for text in frame["text"]]
    _, _, pooled = scoring.score_texts(texts, codes, len(periods), pooled=True)
    assert pooled is not None
    base: Counter[str] = Counter()
    for item in against:
        base.update(pooled[periods.index(item)])
    current = Counter(pooled[at])
    result = _shift_function("weighted", scoring, 0, key)(dict(base), dict(current))
    labels = (_reference_label(arguments, against), _label(period))
    intervals = None
    if arguments.boot > 0:
        intervals = _explain_intervals(arguments, texts, codes, periods, against, at, result,
                                       scoring)
    counted = [TextCounts(base, sum(base.values()), 0), TextCounts(current,
                                                                   sum(current.values()), 0)]
    meta = _meta(arguments, key, labels, counted, against, period, documents, periods,
                 stop_words)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", UserWarning)
        write_all(_outputs(arguments, key, labels, counted, result, stop_words, meta,
                           intervals))
    _print(out, arguments, key, labels, counted, result, intervals,
           (int(sum(documents[periods.index(item)] for item in against)), int(documents[at])))
    return 0


def _reference_periods(arguments: argparse.Namespace, periods: list[Any],
                       at: int) -> list[Any]:
    from .shifts_by_period import reference_period

    if arguments.reference == "previous":
        if at == 0:
            raise InputError(f"{arguments.corpus}: {_label(periods[0])} is the first period, "
                             f"with none before it to compare with; try --reference all or "
                             f"a period")
        return periods[max(0, at - arguments.window):at]
    if arguments.reference == "all":
        return periods
    try:
        return [reference_period(arguments.reference, periods, arguments.freq)]
    except ValueError as error:
        raise InputError(f"{arguments.corpus}: --reference: "
                         f"{str(error).splitlines()[0]}") from None


def _reference_label(arguments: argparse.Namespace, against: list[Any]) -> str:
    if arguments.reference == "all":
        return "all"
    if len(against) == 1:
        return _label(against[0])
    return f"{_label(against[0])} to {_label(against[-1])}"


def _explain_intervals(arguments: argparse.Namespace, texts: list[str], codes: Any,
                       periods: list[Any], against: list[Any], at: int,
                       result: Any, scoring: Any) -> Any:
    from .counting import count_documents
    from .intervals import _scored_words, intervals_of_documents

    wanted = {periods.index(item) for item in against}
    chosen = [index for index, code in enumerate(codes.tolist()) if code in wanted or code == at]
    counted = count_documents([texts[index] for index in chosen], scoring.language,
                              negation=scoring.negation)
    base = [counts for index, counts in zip(chosen, counted) if codes[index] in wanted]
    current = [counts for index, counts in zip(chosen, counted) if codes[index] == at]
    top = dict(result)
    top["entries"] = result["entries"][:arguments.top or len(result["entries"])]
    return intervals_of_documents(base, current, top, _scored_words(scoring),
                                  n_boot=arguments.boot, ci=0.95, seed=arguments.seed)


def _meta(arguments: argparse.Namespace, key: str, labels: tuple[str, str],
          counted: list[TextCounts], against: list[Any], period: Any, documents: Any,
          periods: list[Any], stop_words: set[str] | None) -> dict[str, Any]:
    from .cli import _version
    from .coverage import coverage
    from .lexicon_data import lexicon_info, lexicon_scores

    info = lexicon_info(key)
    scores = lexicon_scores(key, negation=arguments.negation)
    size = arguments.corpus.stat().st_size if arguments.corpus.is_file() else 0
    inputs = []
    for label, text, chosen in zip(labels, counted, (against, [period])):
        inputs.append({
            "path": str(arguments.corpus), "label": label, "bytes": size,
            "periods": [_label(item) for item in chosen],
            "documents": int(sum(documents[periods.index(item)] for item in chosen)),
            "tokens": text.tokens, "types": len(text.counts),
            "coverage": coverage(text.counts, scores)})
    return {
        "program": "moodvane", "version": _version(), "command": "explain", "kind": "weighted",
        "lexicon": {"name": key, "language": info["language"], "entries": info["entries"],
                    "used_for": "scores and words"},
        "inputs": inputs,
        "options": {"stop_lens": sorted(arguments.stop_lens) if arguments.stop_lens else None,
                    "reference_value": None, "boot": arguments.boot, "seed": arguments.seed,
                    "min_documents": arguments.min_documents},
        "negation": bool(arguments.negation),
        "stop_words": None if arguments.stop_words is None else
        {"path": str(arguments.stop_words), "words": len(stop_words or ())},
        "corpus": {"text": arguments.text, "key": arguments.key, "freq": arguments.freq,
                   "period": arguments.period, "reference": arguments.reference,
                   "window": arguments.window},
        "unit": None,
    }


def _print(out: TextIO, arguments: argparse.Namespace, key: str, labels: tuple[str, str],
           counted: list[TextCounts], result: Any, intervals: Any,
           documents: tuple[int, int]) -> None:
    from .coverage import coverage
    from .lexicon_data import lexicon_info, lexicon_scores
    from .text_graph import pad, text_shift

    info = lexicon_info(key)
    scores = lexicon_scores(key, negation=arguments.negation)
    print(f"lexicon: {key} ({info['language']}, {info['entries']:,} words)", file=out)
    print(f"period {labels[1]} against {labels[0]}"
          + (f" (the {arguments.window} period{'s' if arguments.window != 1 else ''} "
             f"before it)" if arguments.reference == "previous" else ""), file=out)
    width = max(len(label) for label in labels)
    for label, text, value, many in zip(labels, counted, (result["s_avg_1"], result["s_avg_2"]),
                                        documents):
        shown = "n/a" if value is None else f"{value:.3f}"
        print(f"{pad(label, width)}  average score {shown}  ({many:,} documents, "
              f"{coverage(text.counts, scores):.1%} of {text.tokens:,} words scored)", file=out)
    if intervals is not None:
        print(f"intervals: 95% bootstrap, {arguments.boot} resamples of each side's "
              f"documents (seed {arguments.seed}); the total "
              f"{intervals.attrs['total']:+.3f} [{intervals.attrs['total_low']:+.3f}, "
              f"{intervals.attrs['total_high']:+.3f}]", file=out)
    print(file=out)
    print(text_shift(result, arguments.top, labels=labels, intervals=intervals), end="",
          file=out)


def run_report(arguments: argparse.Namespace, key: str, stop_words: set[str] | None,
               out: TextIO) -> int:
    """`moodvane report`: the page, written whole or not at all."""
    import warnings

    _options(arguments)
    html = arguments.html
    if html.suffix.lower() not in (".html", ".htm"):
        raise InputError(f"{html}: the report is a web page; name it with .html")
    check_output_paths([("--html", html)], _inputs(arguments))
    frame = _read(arguments)
    from .report import render
    from .report.data import build

    size = arguments.corpus.stat().st_size if arguments.corpus.is_file() else 0
    source = {"corpus": f"{arguments.corpus} ({size:,} bytes)" if size else str(arguments.corpus),
              "columns": f"text {arguments.text}, key {arguments.key}"}
    try:
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", UserWarning)
            data, shifts, _ = build(
                frame["text"], frame["key"], freq=arguments.freq,
                reference=arguments.reference, window=arguments.window, lexicon=key,
                min_documents=arguments.min_documents,
                stop_lens=tuple(arguments.stop_lens) if arguments.stop_lens else None,
                stop_words=stop_words, top_n=arguments.top, n_boot=arguments.boot,
                intervals=arguments.intervals, seed=arguments.seed,
                negation=arguments.negation,
                title=arguments.title or f"{arguments.corpus.name}: average score"
                + (f" by period ({arguments.freq})" if arguments.freq else " by group"),
                source=source)
    except (TypeError, ValueError) as error:
        raise InputError(f"{arguments.corpus}: {str(error).splitlines()[0]}") from None
    page = render(data).encode("utf-8")

    def write_page(stream: BinaryIO) -> None:
        stream.write(page)

    outputs: list[tuple[Path, Writer]] = [(html, write_page)]
    write_all(outputs)
    periods = len(data["periods"]["labels"])
    print(f"{html}: {periods:,} periods, {len(shifts):,} word shifts, "
          f"{len(page) / 1e6:.2f} MB", file=out)
    return 0
