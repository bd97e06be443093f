"""moodvane_tools' word counting against the plainest tokeniser, side by side in one run.

    python bench/bench_count_words.py [--megabytes 20] [--repeats 3]

For English, Hindi, Korean and Chinese text of MEGABYTES (the sample texts and sentences in
each script, repeated), prints the best of REPEATS runs of:
(a) count_words on the whole text;
(b) the baseline Counter(re.findall(r"\\w+", text.lower())), which knows no combining mark,
    apostrophe, particle or Chinese word;
(c) moodvane_tools.reading.count_file on the same text in a file (the command line's
    path: chunked UTF-8 decoding, then the same counting);
with throughput in MB/s and the ratios (a)/(b) and (c)/(a).
"""

from __future__ import annotations

import argparse
import re
import tempfile
import time
from collections import Counter
from collections.abc import Callable
from pathlib import Path

from moodvane_tools import count_words
from moodvane_tools.reading import count_file

REPO = Path(__file__).resolve().parents[1]
SAMPLES = {
    "english": "\n".join(path.read_text(encoding="utf-8")
                         for path in sorted((REPO / "examples" / "texts").glob("*.txt"))),
    "hindi": "मैं आज बहुत ख़ुश हूँ क्योंकि मौसम अच्छा है। कल मैं दुखी था और थका हुआ था।\n",
    "korean": "오늘은 날씨가 좋아서 정말 행복했다. 어제는 슬프고 피곤했지만 친구를 만나서 즐거웠다.\n",
    "chinese": "我今天非常高兴，因为天气很好。昨天我很难过，也很累，但是朋友来看我了。\n",
}


def best(function: Callable[[], object], repeats: int) -> float:
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        function()
        times.append(time.perf_counter() - start)
    return min(times)


def main() -> None:
    parser = argparse.ArgumentParser(description=(__doc__ or "").split("\n\n")[0])
    parser.add_argument("--megabytes", type=float, default=20.0)
    parser.add_argument("--repeats", type=int, default=3)
    args = parser.parse_args()
    baseline_pattern = re.compile(r"\w+")
    print(f"{'language':<9} {'MB':>6} {'(a) MB/s':>9} {'(b) MB/s':>9} {'(c) MB/s':>9} "
          f"{'(a)/(b)':>8} {'(c)/(a)':>8}")
    for language, sample in SAMPLES.items():
        size = len(sample.encode("utf-8"))
        text = sample * max(1, round(args.megabytes * 1e6 / size))
        megabytes = len(text.encode("utf-8")) / 1e6
        count_words(sample, language)  # build the tables and the segmenter once
        whole = best(lambda: count_words(text, language), args.repeats)
        baseline = best(lambda: Counter(baseline_pattern.findall(text.lower())), args.repeats)
        with tempfile.TemporaryDirectory() as directory:
            path = Path(directory) / "text.txt"
            path.write_text(text, encoding="utf-8")
            streamed = best(lambda: count_file(path, language), args.repeats)
        print(f"{language:<9} {megabytes:6.1f} {megabytes / whole:9.1f} "
              f"{megabytes / baseline:9.1f} {megabytes / streamed:9.1f} "
              f"{whole / baseline:8.2f} {streamed / whole:8.2f}")


if __name__ == "__main__":
    main()
