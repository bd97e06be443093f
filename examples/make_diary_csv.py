"""Writes examples/diary.csv: 6,000 dated diary-like documents made from the sentences of
examples/diary_sentences.txt (written for the project, MIT), for `moodvane series`:

    python examples/make_diary_csv.py
    moodvane series examples/diary.csv --text text --key date --freq W --plot examples/series.png
"""

from __future__ import annotations

import csv
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "bench"))

from corpus_text import documents  # noqa: E402


def main() -> None:
    texts, dates = documents(6000, days=182, seed=1)
    with open(HERE / "diary.csv", "w", newline="", encoding="utf-8") as stream:
        writer = csv.writer(stream)
        writer.writerow(["date", "text"])
        writer.writerows(zip(dates, texts))


if __name__ == "__main__":
    main()
