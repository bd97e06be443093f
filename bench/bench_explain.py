"""Explaining a series: period_shifts against happiness_series, shift_intervals on two
large periods, and `moodvane report` against `moodvane series`, side by side in one run.

    python bench/bench_explain.py [--documents 1000000] [--days 365] [--rounds 2]
                                  [--interval-documents 50000] [--boot 1000]

DOCUMENTS tweet-sized documents (bench/corpus_text.py) over DAYS days are
- put into a daily series by happiness_series(texts, dates, freq="D", n_boot=0), and
- explained by period_shifts(texts, dates, freq="D", window=7), each period against the
  seven before it;
then two periods of INTERVAL-DOCUMENTS documents each get shift_intervals with BOOT
resamples, and the corpus, written to a CSV file, goes through `moodvane series` and
`moodvane report` (each a process of its own, with their default options: a band of 1,000
resamples, and no word intervals in the report, whose page is then weighed). The figure of each is its best
round. Targets: period_shifts within 2 times happiness_series; shift_intervals under 10 s;
report within 3 times series.
"""

from __future__ import annotations

import argparse
import csv
import os
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from corpus_text import documents
from moodvane_tools import happiness_series
from moodvane_tools.intervals import shift_intervals
from moodvane_tools.shifts_by_period import period_shifts


def best(call, rounds: int) -> float:
    times = []
    for _ in range(rounds):
        start = time.perf_counter()
        call()
        times.append(time.perf_counter() - start)
    return min(times)


def command(arguments: list[str]) -> None:
    subprocess.run([sys.executable, "-m", "moodvane_tools", *arguments], check=True,
                   stdout=subprocess.DEVNULL)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--documents", type=int, default=1_000_000)
    parser.add_argument("--days", type=int, default=365)
    parser.add_argument("--interval-documents", type=int, default=50_000)
    parser.add_argument("--boot", type=int, default=1000)
    parser.add_argument("--rounds", type=int, default=2)
    options = parser.parse_args()
    texts, dates = documents(options.documents, days=options.days)
    print(f"{options.documents:,} documents over {options.days} days; load "
          f"{os.getloadavg()[0]:.2f}")

    series = best(lambda: happiness_series(texts, dates, freq="D", n_boot=0), options.rounds)
    shifts = best(lambda: period_shifts(texts, dates, freq="D", window=7), options.rounds)
    print(f"happiness_series(n_boot=0)      {series:8.2f} s")
    print(f"period_shifts(window=7)         {shifts:8.2f} s   {shifts / series:.2f} x the "
          f"series (target: at most 2)")

    size = options.interval_documents
    first, second = documents(2 * size, days=2, seed=1)[0][:size], \
        documents(2 * size, days=2, seed=1)[0][size:]
    intervals = best(lambda: shift_intervals(first, second, n_boot=options.boot),
                     options.rounds)
    print(f"shift_intervals({size:,} + {size:,} documents, n_boot={options.boot})"
          f" {intervals:6.2f} s   (target: under 10 s)")

    with tempfile.TemporaryDirectory() as folder:
        corpus = Path(folder) / "corpus.csv"
        with open(corpus, "w", newline="", encoding="utf-8") as stream:
            writer = csv.writer(stream)
            writer.writerow(["date", "text"])
            writer.writerows(zip(dates, texts))
        page = Path(folder) / "report.html"
        common = [str(corpus), "--text", "text", "--key", "date", "--freq", "D"]
        series_run = best(lambda: command(["series", *common]), options.rounds)
        report_run = best(lambda: command(["report", *common, "--html", str(page)]),
                          options.rounds)
        print(f"moodvane series                 {series_run:8.2f} s")
        print(f"moodvane report                 {report_run:8.2f} s   "
              f"{report_run / series_run:.2f} x the series (target: at most 3); page "
              f"{page.stat().st_size / 1e6:.2f} MB (at most 5)")


if __name__ == "__main__":
    main()
