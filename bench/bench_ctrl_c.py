"""How long the companion's native loops take to answer Ctrl-C.

    python bench/bench_ctrl_c.py [--megabytes 600] [--delays 0.05 0.3 0.6]

For each loop, a child process starts the work, a timer on the process's own CPU clock
raises SIGINT once the process has worked DELAY seconds into it, and the child reports
the processor time that passed until KeyboardInterrupt reached it (processor time, so
that other work on the machine does not count; the bootstrap runs on two threads, whose
times add up). The loops: count_words on one ASCII text of MEGABYTES (read whole, in
place), score_documents on a batch of five long texts, and the bootstrap of
happiness_series (20,000 documents, n_boot=200,000). Target: at most 0.1 s each.
"""

from __future__ import annotations

import argparse
import subprocess
import sys
import textwrap

CHILD = textwrap.dedent("""
    import ctypes, signal, sys, time
    from moodvane_tools import count_words, happiness_series, score_documents

    class Timespec(ctypes.Structure):
        _fields_ = [("seconds", ctypes.c_long), ("nanoseconds", ctypes.c_long)]

    class Itimerspec(ctypes.Structure):
        _fields_ = [("interval", Timespec), ("value", Timespec)]

    class Sigevent(ctypes.Structure):
        _fields_ = [("value", ctypes.c_void_p), ("signo", ctypes.c_int),
                    ("notify", ctypes.c_int), ("rest", ctypes.c_int * 12)]

    signal.signal(signal.SIGINT, signal.default_int_handler)
    libc = ctypes.CDLL(None, use_errno=True)
    timer = ctypes.c_void_p()
    if libc.timer_create(time.CLOCK_PROCESS_CPUTIME_ID,
                         ctypes.byref(Sigevent(None, signal.SIGINT, 0)), ctypes.byref(timer)):
        sys.exit("no timer on the process's CPU clock")
    name, megabytes, delays = sys.argv[1], int(sys.argv[2]), [float(d) for d in sys.argv[3:]]
    sentence = "a happy day, a sad night; "
    if name == "count_words":
        text = sentence * (megabytes * 1_000_000 // len(sentence))
        call = lambda: count_words(text)
    elif name == "score_documents":
        texts = [sentence * (megabytes * 200_000 // len(sentence))] * 5
        call = lambda: score_documents(texts)
    else:
        texts = ["happy", "sad", "love", "war"] * 5_000
        keys = [i % 2 for i in range(len(texts))]
        call = lambda: happiness_series(texts, keys, n_boot=200_000)
    started = time.process_time()
    try:
        call()
    finally:
        print(f"whole {time.process_time() - started:.3f}", flush=True)
    for delay in delays:
        due = time.process_time() + delay
        armed = Itimerspec(Timespec(0, 0), Timespec(int(delay), int(delay % 1 * 1e9)))
        libc.timer_settime(timer, 0, ctypes.byref(armed), None)
        try:
            call()
            print("finished", flush=True)
            while True:
                pass
        except KeyboardInterrupt:
            print(f"{delay} {time.process_time() - due:.4f}", flush=True)
""")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--megabytes", type=int, default=600)
    parser.add_argument("--delays", type=float, nargs="+", default=[0.05, 0.3, 0.6])
    arguments = parser.parse_args()
    for name in ("count_words", "score_documents", "happiness_series"):
        run = subprocess.run([sys.executable, "-c", CHILD, name, str(arguments.megabytes),
                              *map(str, arguments.delays)],
                             capture_output=True, text=True, timeout=1200)
        if run.returncode != 0:
            sys.exit(run.stderr)
        whole, *late = run.stdout.split("\n", 1)[0].split(), run.stdout.splitlines()[1:]
        answers = [line.split() for line in late[0] if line.split()[0] != "finished"]
        print(f"{name:17} whole call {float(whole[1]):6.2f} s of CPU; Ctrl-C answered after "
              + ", ".join(f"{float(seconds) * 1e3:.1f} ms (at {delay} s)"
                          for delay, seconds in answers))


if __name__ == "__main__":
    main()
