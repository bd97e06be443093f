"""moodvane_tools.dask on one worker process against two, side by side in one run.

    python bench/bench_dask.py [--megabytes 200] [--rounds 2] [--folder /tmp/moodvane-dask]

Writes a corpus of at least MEGABYTES of tweet-sized dated documents (bench/corpus_text.py)
as Parquet files into FOLDER (once; kept for later runs), then times
happiness_series(freq="D", n_boot=200) and score_documents(...).sum() on a
distributed.LocalCluster of one worker process and of two (one thread each), the figure of
each being its best round. Target: two workers in at most 0.6 times the time of one. The
two clusters' series are checked to be equal first.
"""

from __future__ import annotations

import argparse
import time
from pathlib import Path

import pandas
from corpus_text import documents


def write_corpus(folder: Path, megabytes: int) -> int:
    """The corpus's size in bytes of text, written as Parquet parts if not there yet."""
    marker = folder / f"complete-{megabytes}"
    if not marker.exists():
        folder.mkdir(parents=True, exist_ok=True)
        for old in folder.glob("part-*.parquet"):
            old.unlink()
        written = part = 0
        while written < megabytes * 1_000_000:
            texts, dates = documents(200_000, days=365, seed=part)
            frame = pandas.DataFrame({"text": texts, "date": pandas.to_datetime(dates)})
            frame.to_parquet(folder / f"part-{part:03d}.parquet")
            written += sum(len(text.encode("utf-8")) for text in texts)
            part += 1
        marker.write_text(str(written))
    return int(marker.read_text())


def timed(workers: int, folder: Path, rounds: int) -> tuple[float, pandas.DataFrame]:
    import dask.dataframe as dd
    import distributed

    from moodvane_tools import dask as mvd

    with distributed.LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster):
        corpus = dd.read_parquet(str(folder))
        best = float("inf")
        series = pandas.DataFrame()
        for _ in range(rounds):
            start = time.perf_counter()
            series = mvd.happiness_series(corpus, text="text", key="date", freq="D", n_boot=200)
            mvd.score_documents(corpus, text="text")["scored"].sum().compute()
            best = min(best, time.perf_counter() - start)
    return best, series


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--megabytes", type=int, default=200)
    parser.add_argument("--rounds", type=int, default=2)
    parser.add_argument("--folder", type=Path, default=Path("/tmp/moodvane-dask"))
    options = parser.parse_args()
    size = write_corpus(options.folder, options.megabytes)
    one, series_one = timed(1, options.folder, options.rounds)
    two, series_two = timed(2, options.folder, options.rounds)
    pandas.testing.assert_frame_equal(series_one, series_two, check_exact=True)
    print(f"corpus: {size / 1e6:,.0f} MB of text in {options.folder}; series equal: True")
    print(f"one worker:  {one:8.2f} s")
    print(f"two workers: {two:8.2f} s  ({two / one:.2f}x one worker; target <= 0.6)")


if __name__ == "__main__":
    main()
