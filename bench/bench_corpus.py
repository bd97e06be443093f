"""The corpus path against the word counter, every ratio side by side in one run.

    python bench/bench_corpus.py [--megabytes 150] [--boot 1000] [--rounds 2]
                                 [--dask-megabytes 500] [--folder /tmp/moodvane-corpus]
                                 [--skip-dask]

Builds, once (kept in FOLDER), tweet-sized documents with daily dates (bench/corpus_text.py)
of about MEGABYTES of text, as a list and as a CSV, and a Parquet corpus of at least
DASK_MEGABYTES; then times, best of ROUNDS, and prints each ratio beside its target:

1. score_documents(texts) / count_words(texts)                               <= 1.25
2. happiness_series(texts, dates, freq="D", n_boot=BOOT) / score_documents    <= 1.5
3. `moodvane series CSV --freq D` / count_words of its texts (and s a GB)      <= 3
4. count_words of text not in NFC / of its NFC form, as speeds (Hindi written with
   precomposed nukta letters, Korean and French in NFD)                       >= 0.7
5. moodvane_tools.dask on LocalCluster(n_workers=2, threads_per_worker=1,
   processes=True) / the local call, Parquet read included, for count_groups and
   happiness_series                                                            <= 0.7
6. two threads counting two texts / one after the other                       <= 0.6

Scores are first checked to equal a loop of count_words + moodvane.weighted_avg_shift
bit for bit on a sample of the documents.
"""

from __future__ import annotations

import argparse
import os
import random
import struct
import subprocess
import sys
import threading
import time
import unicodedata
from collections.abc import Callable
from pathlib import Path

import pandas
from corpus_text import documents

import moodvane
from moodvane_tools import count_groups, count_words, happiness_series, score_documents

LEXICONS = Path(__file__).resolve().parent.parent / "lexicons" / "data"
# Hindi words as reviews write them, with the precomposed nukta letters U+0958..U+095F
# that NFC decomposes.
NUKTA_WORDS = ["\u095b\u093f\u0902\u0926\u0917\u0940", "\u095e\u093f\u0932\u094d\u092e",
               "\u095b\u0930\u0942\u0930", "\u0959\u0941\u0936", "\u095a\u092e",
               "\u0958\u093f\u0938\u094d\u092e\u0924", "\u0938\u095c\u0915",
               "\u092a\u095d\u0928\u093e", "\u0932\u095c\u0915\u093e", "\u092c\u095c\u093e",
               "\u095b\u094d\u092f\u093e\u0926\u093e", "\u0905\u0959\u092c\u093e\u0930"]


def best(call: Callable[[], object], rounds: int) -> float:
    times = []
    for _ in range(rounds):
        start = time.perf_counter()
        call()
        times.append(time.perf_counter() - start)
    return min(times)


def corpus(folder: Path, megabytes: int) -> tuple[list[str], list[str], Path, int]:
    """The documents, their dates, the CSV of both, and the text's size in bytes."""
    texts: list[str] = []
    dates: list[str] = []
    size = part = 0
    while size < megabytes * 1_000_000:
        more, days = documents(200_000, days=365, seed=part)
        texts += more
        dates += days
        size += sum(len(text.encode("utf-8")) for text in more)
        part += 1
    csv = folder / f"tweets-{megabytes}.csv"
    if not csv.exists():
        folder.mkdir(parents=True, exist_ok=True)
        pandas.DataFrame({"text": texts, "date": dates}).to_csv(csv, index=False)
    return texts, dates, csv, size


def parquet(folder: Path, megabytes: int) -> Path:
    """A folder of Parquet parts holding at least `megabytes` of dated documents."""
    target = folder / f"parquet-{megabytes}"
    marker = folder / f"parquet-{megabytes}.complete"
    if not marker.exists():
        target.mkdir(parents=True, exist_ok=True)
        written = part = 0
        while written < megabytes * 1_000_000:
            texts, dates = documents(200_000, days=365, seed=1000 + part)
            frame = pandas.DataFrame({"text": texts, "date": pandas.to_datetime(dates)})
            frame.to_parquet(target / f"part-{part:03d}.parquet")
            written += sum(len(text.encode("utf-8")) for text in texts)
            part += 1
        marker.write_text(str(written))
    return target


def lexicon_text(key: str, words: int, extra: list[str] | None = None) -> str:
    """`words` words drawn from the lexicon (and `extra`), in sentences."""
    listed = [line.split("\t")[0] for line in
              (LEXICONS / f"{key}.tsv").read_text(encoding="utf-8").splitlines()]
    rng = random.Random(key)
    pool = listed + (extra or []) * (len(listed) // 40 + 1)
    chosen = [rng.choice(pool) for _ in range(words)]
    return " ".join(word + (". " if i % 12 == 11 else "") for i, word in enumerate(chosen))


def checked_equal(texts: list[str]) -> None:
    frame = score_documents(texts)
    for text, score, scored in zip(texts, frame["score"], frame["scored"], strict=True):
        expected = moodvane.weighted_avg_shift(count_words(text), {}, lexicon="english")
        got = score if scored else 0.0
        if struct.pack("<d", got) != struct.pack("<d", expected["s_avg_1"]):
            raise SystemExit(f"score_documents differs from the loop on {text!r}")


def ratio_line(name: str, value: float, target: str) -> None:
    print(f"  {name:<62} {value:6.2f}x   (target {target})")


def dask_ratios(folder: Path, rounds: int, boot: int) -> None:
    import dask.dataframe as dd
    import distributed

    from moodvane_tools import dask as mvd

    def local_groups() -> object:
        frame = pandas.read_parquet(folder)
        return count_groups(frame["text"], frame["date"], freq="D")

    def local_series() -> object:
        frame = pandas.read_parquet(folder)
        return happiness_series(frame["text"], frame["date"], freq="D", n_boot=boot)

    local = {"count_groups": best(local_groups, rounds),
             "happiness_series": best(local_series, rounds)}
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster):
        corpus_frame = lambda: dd.read_parquet(str(folder))  # noqa: E731
        clustered = {
            "count_groups": best(lambda: mvd.count_groups(
                corpus_frame(), text="text", key="date", freq="D"), rounds),
            "happiness_series": best(lambda: mvd.happiness_series(
                corpus_frame(), text="text", key="date", freq="D", n_boot=boot), rounds),
        }
    for name in local:
        print(f"  dask {name}: local {local[name]:.2f} s, two workers {clustered[name]:.2f} s")
        ratio_line(f"dask {name}, two workers / local", clustered[name] / local[name], "<= 0.7")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--megabytes", type=int, default=150)
    parser.add_argument("--boot", type=int, default=1000)
    parser.add_argument("--rounds", type=int, default=2)
    parser.add_argument("--dask-megabytes", type=int, default=500)
    parser.add_argument("--folder", type=Path, default=Path("/tmp/moodvane-corpus"))
    parser.add_argument("--skip-dask", action="store_true")
    options = parser.parse_args()

    texts, dates, csv, size = corpus(options.folder, options.megabytes)
    checked_equal(texts[:3000])
    print(f"{len(texts):,} documents, {size / 1e6:.0f} MB of text; load {os.getloadavg()}")

    counted = best(lambda: count_words(texts), options.rounds)
    scored = best(lambda: score_documents(texts), options.rounds)
    series = best(lambda: happiness_series(texts, dates, freq="D", n_boot=options.boot),
                  options.rounds)
    command = [sys.executable, "-m", "moodvane_tools", "series", str(csv), "--text", "text",
               "--key", "date", "--freq", "D", "--boot", str(options.boot)]
    cli = best(lambda: subprocess.run(command, check=True, capture_output=True),
               options.rounds)
    print(f"  count_words {counted:.2f} s, score_documents {scored:.2f} s, happiness_series "
          f"{series:.2f} s, moodvane series {cli:.2f} s ({cli / size * 1e9:.0f} s a GB)")
    ratio_line("score_documents / count_words", scored / counted, "<= 1.25")
    ratio_line(f"happiness_series(freq='D', n_boot={options.boot}) / score_documents",
               series / scored, "<= 1.5")
    ratio_line("moodvane series on the CSV / count_words", cli / counted, "<= 3")

    nfc_cases = {
        "Hindi, precomposed nukta letters": ("hindi", lexicon_text("hindi", 2_000_000,
                                                                   NUKTA_WORDS)),
        "Korean in NFD": ("korean", unicodedata.normalize(
            "NFD", lexicon_text("korean", 2_000_000))),
        "French in NFD": ("french", unicodedata.normalize(
            "NFD", lexicon_text("french", 2_000_000))),
    }
    for name, (language, text) in nfc_cases.items():
        composed = unicodedata.normalize("NFC", text)
        assert composed != text
        slow = best(lambda: count_words(text, language), options.rounds)  # noqa: B023
        fast = best(lambda: count_words(composed, language), options.rounds)  # noqa: B023
        ratio_line(f"{name}: speed / the speed of its NFC form", fast / slow, ">= 0.7")

    one, two = " ".join(texts[: len(texts) // 4]), " ".join(texts[len(texts) // 4:
                                                                    len(texts) // 2])

    def both_at_once() -> None:
        threads = [threading.Thread(target=count_words, args=(text,)) for text in (one, two)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()

    serial = best(lambda: (count_words(one), count_words(two)), options.rounds)
    parallel = best(both_at_once, options.rounds)
    ratio_line("two threads counting two texts / one after the other", parallel / serial,
               "<= 0.6")

    if not options.skip_dask:
        dask_ratios(parquet(options.folder, options.dask_megabytes), options.rounds,
                    options.boot)
    print(f"load after: {os.getloadavg()}")


if __name__ == "__main__":
    main()
