"""moodvane_tools' word counting against its plain-Python predecessor and the plainest
tokeniser, side by side in one run.

    python bench/bench_count_words.py [--megabytes 50] [--repeats 1] [--skip-cli]

For English, German, Russian, Hindi and Korean text of MEGABYTES each (real sentences,
repeated), prints the best of REPEATS runs of:
(a) count_words on the whole text;
(r) the plain-Python counter the package had before (tests/python/reference_counting.py,
    fed a piece of 1 MB at a time as the package fed it);
(s) Counter(text.split()), which knows no punctuation, case, mark or rule at all;
with throughput in MB/s and the ratios (r)/(a) (target >= 10) and (s)/(a) (target >= 2).
Work on one thread is timed in processor time (the machine may be shared), two threads
and the command line in wall-clock time.
Then:
- two threads counting the English and German texts at once, against one after the other
  (target: at most 0.6 of the time), and the same for hashing, which shows what two
  threads gain on the machine at the time;
- "a" followed by 80,000 and by 20,000 alternating combining marks of two classes (target:
  the first at most 5 times the time of the second);
- `moodvane compare` on two files of MEGABYTES each, with the predecessor's counter and with
  today's, each in a process of its own: time and peak memory (targets: at least 5 times
  faster, peak no higher).
"""

from __future__ import annotations

import argparse
import hashlib
import os
import subprocess
import sys
import tempfile
import threading
import time
from collections import Counter
from collections.abc import Callable
from pathlib import Path

from moodvane_tools import count_words

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "python"))
from reference_counting import ReferenceWordCounter  # noqa: E402

SAMPLES = {
    "english": "\n".join(path.read_text(encoding="utf-8")
                         for path in sorted((REPO / "examples" / "texts").glob("*.txt"))),
    "german": (
        "Gestern war ich sehr müde, aber heute fühle ich mich großartig und voller Energie.\n"
        "Die Kinder spielten im Garten, während es draußen leise zu regnen begann.\n"
        "Ich habe mich über deinen Brief wirklich gefreut; schreib mir bald wieder!\n"
        "Der Zug hatte eine Stunde Verspätung, und niemand wusste, warum.\n"
        "Unsere Großmutter erzählte Geschichten aus ihrer Jugend in Köln.\n"
    ),
    "russian": (
        "Вчера я очень устал, но сегодня чувствую себя прекрасно и полон сил.\n"
        "Дети играли во дворе, пока на улице тихо начинался дождь.\n"
        "Я был искренне рад твоему письму; напиши мне скорее ещё раз!\n"
        "Поезд опоздал на час, и никто не знал почему.\n"
        "Наша бабушка рассказывала истории о своей молодости в Ярославле.\n"
    ),
    "hindi": (
        "कल मैं बहुत थका हुआ था, लेकिन आज मैं बहुत अच्छा और ऊर्जा से भरा महसूस कर रहा हूँ।\n"
        "बच्चे आँगन में खेल रहे थे, जबकि बाहर धीरे-धीरे बारिश शुरू हो गई।\n"
        "तुम्हारा पत्र पाकर मुझे सचमुच ख़ुशी हुई; जल्दी फिर से लिखना!\n"
        "ट्रेन एक घंटा देर से आई, और कोई नहीं जानता था क्यों।\n"
        "हमारी दादी अपनी जवानी की कहानियाँ सुनाती थीं।\n"
    ),
    "korean": (
        "어제는 정말 피곤했지만 오늘은 기분이 아주 좋고 힘이 넘친다.\n"
        "아이들은 마당에서 놀았고 밖에는 조용히 비가 내리기 시작했다.\n"
        "네 편지를 받고 정말 기뻤어요; 곧 다시 써 줘!\n"
        "기차가 한 시간 늦게 왔는데 아무도 이유를 몰랐다.\n"
        "우리 할머니는 젊은 시절 부산에서의 이야기를 들려주셨다.\n"
    ),
}
PIECE = 1 << 20


def best(function: Callable[[], object], repeats: int,
         clock: Callable[[], float] = time.process_time) -> float:
    """The shortest of `repeats` runs. Single-threaded work is timed in processor time, so
    that other processes on a shared machine do not count; threads in wall-clock time."""
    times = []
    for _ in range(repeats):
        start = clock()
        function()
        times.append(clock() - start)
    return min(times)


def text_of(language: str, megabytes: float) -> str:
    sample = SAMPLES[language]
    return sample * max(1, round(megabytes * 1e6 / len(sample.encode("utf-8"))))


def reference(text: str, language: str) -> Counter[str]:
    counter = ReferenceWordCounter(language)
    for start in range(0, len(text), PIECE):
        counter.feed(text[start:start + PIECE])
    return counter.finish()


def languages(args: argparse.Namespace) -> None:
    print(f"{'language':<9} {'MB':>6} {'(a) MB/s':>9} {'(r) MB/s':>9} {'(s) MB/s':>9} "
          f"{'(r)/(a)':>8} {'(s)/(a)':>8}")
    for language in ("english", "german", "russian", "hindi", "korean"):
        text = text_of(language, args.megabytes)
        megabytes = len(text.encode("utf-8")) / 1e6
        count_words(SAMPLES[language], language)  # build the rules once
        native = best(lambda: count_words(text, language), args.repeats)
        before = best(lambda: reference(text, language), args.repeats)
        split = best(lambda: Counter(text.split()), args.repeats)
        print(f"{language:<9} {megabytes:6.1f} {megabytes / native:9.1f} "
              f"{megabytes / before:9.1f} {megabytes / split:9.1f} "
              f"{before / native:8.2f} {split / native:8.2f}", flush=True)


def threads(args: argparse.Namespace) -> None:
    texts = [text_of("english", args.megabytes), text_of("german", args.megabytes)]
    pairs = list(zip(texts, ["english", "german"]))

    def in_turn() -> None:
        for text, language in pairs:
            count_words(text, language)

    def side_by_side() -> None:
        workers = [threading.Thread(target=count_words, args=pair) for pair in pairs]
        for worker in workers:
            worker.start()
        for worker in workers:
            worker.join()

    one_after_other = best(in_turn, args.repeats, time.perf_counter)
    together = best(side_by_side, args.repeats, time.perf_counter)
    print(f"two texts of {args.megabytes:g} MB: one after the other {one_after_other:.2f} s, "
          f"two threads {together:.2f} s, ratio {together / one_after_other:.2f} "
          f"(target <= 0.6; {os.cpu_count()} cores)", flush=True)
    # What two threads gain on this machine just now, with work that never takes the lock:
    # on a machine that others keep busy, no ratio above gets below this one.
    data = texts[0].encode("utf-8")

    def hash_twice() -> None:
        for _ in range(2):
            hashlib.sha256(data).digest()

    def hash_side_by_side() -> None:
        workers = [threading.Thread(target=lambda: hashlib.sha256(data).digest())
                   for _ in range(2)]
        for worker in workers:
            worker.start()
        for worker in workers:
            worker.join()

    control = (best(hash_side_by_side, args.repeats, time.perf_counter)
               / best(hash_twice, args.repeats, time.perf_counter))
    print(f"  for comparison, two threads hashing the English text: ratio {control:.2f} "
          f"(load average {os.getloadavg()[0]:.1f})", flush=True)


def combining_marks(args: argparse.Namespace) -> None:
    short = best(lambda: count_words("a" + "\u0301\u0316" * 10_000), max(7, args.repeats))
    long = best(lambda: count_words("a" + "\u0301\u0316" * 40_000), max(7, args.repeats))
    print(f"80,000 combining marks {long * 1e3:.1f} ms, 20,000 {short * 1e3:.1f} ms, "
          f"ratio {long / short:.2f} (target <= 5)", flush=True)


# The child reports its own peak (VmHWM): the peak that wait4 reports for a child counts
# the pages of the parent it was forked from, the texts of this benchmark included.
COMPARE = """
import sys
sys.path.insert(0, {tests!r})
from moodvane_tools import cli, reading
if {before!r}:
    from reference_counting import ReferenceWordCounter
    reading.WordCounter = ReferenceWordCounter
status = cli.main(["compare", {first!r}, {second!r}, "--no-progress"])
with open("/proc/self/status", encoding="ascii") as lines:
    peak = next(line.split()[1] for line in lines if line.startswith("VmHWM:"))
print(peak, file=sys.stderr)
sys.exit(status)
"""


def run_compare(first: Path, second: Path, before: bool) -> tuple[float, float]:
    code = COMPARE.format(tests=str(REPO / "tests" / "python"), before=before,
                          first=str(first), second=str(second))
    start = time.perf_counter()
    process = subprocess.run([sys.executable, "-c", code], stdout=subprocess.DEVNULL,
                             stderr=subprocess.PIPE, text=True, check=False)
    elapsed = time.perf_counter() - start
    if process.returncode != 0:
        raise SystemExit(f"moodvane compare failed with status {process.returncode}:\n"
                         f"{process.stderr}")
    return elapsed, int(process.stderr.split()[-1]) / 1024  # VmHWM is in kB


def compare(args: argparse.Namespace) -> None:
    with tempfile.TemporaryDirectory() as directory:
        first, second = Path(directory) / "before.txt", Path(directory) / "after.txt"
        english = text_of("english", args.megabytes)
        first.write_text(english, encoding="utf-8")
        second.write_text(english[len(english) // 3:] + english[:len(english) // 3],
                          encoding="utf-8")
        del english
        old_time, old_peak = run_compare(first, second, before=True)
        new_time, new_peak = run_compare(first, second, before=False)
    print(f"moodvane compare, two files of {args.megabytes:g} MB: before {old_time:.1f} s "
          f"(peak {old_peak:.0f} MB), now {new_time:.1f} s (peak {new_peak:.0f} MB): "
          f"{old_time / new_time:.1f}x faster (target >= 5), peak ratio "
          f"{new_peak / old_peak:.2f} (target <= 1)", flush=True)


def main() -> None:
    parser = argparse.ArgumentParser(description=(__doc__ or "").split("\n\n")[0])
    parser.add_argument("--megabytes", type=float, default=50.0)
    parser.add_argument("--repeats", type=int, default=1)
    parser.add_argument("--skip-cli", action="store_true")
    args = parser.parse_args()
    languages(args)
    threads(args)
    combining_marks(args)
    if not args.skip_cli:
        compare(args)


if __name__ == "__main__":
    main()
