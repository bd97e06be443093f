"""A hundred thousand calls on every path, the success path and each kind of failure, leave
the process's resident memory, its malloc heap and the reference counts of every argument
object as they were after a warm-up.

Calls with a built-in lexicon (whose parsed map the warm-up leaves kept for the process)
run as many times as the others; the heap measure, exact to the byte, sees a leak of a few
bytes per call. Under the sanitizer build (MOODVANE_SANITIZED=1) the counts shrink
fiftyfold and only the reference counts are checked: AddressSanitizer holds freed memory in
quarantine, so the resident size grows by design there.
"""

from __future__ import annotations

import contextlib
import ctypes
import gc
import json
import os
import sys

import pytest

import moodvane

SANITIZED = os.environ.get("MOODVANE_SANITIZED") == "1"
CALLS = 100_000 // (50 if SANITIZED else 1)
RSS_LIMIT = 1 << 20
HEAP_LIMIT = 64 << 10
PAGE_SIZE = os.sysconf("SC_PAGE_SIZE")


def resident_bytes():
    """The process's resident memory now (not its peak)."""
    with open("/proc/self/statm", encoding="ascii") as statm:
        return int(statm.read().split()[1]) * PAGE_SIZE


class _MallInfo2(ctypes.Structure):
    _fields_ = [(name, ctypes.c_size_t) for name in (
        "arena", "ordblks", "smblks", "hblks", "hblkhd", "usmblks", "fsmblks", "uordblks",
        "fordblks", "keepcost")]


def _heap_meter():
    try:
        mallinfo2 = ctypes.CDLL(None).mallinfo2
    except AttributeError:  # not glibc, or older than 2.33
        return None
    mallinfo2.restype = _MallInfo2

    def heap_bytes():
        """Bytes in use in the C heap: chunks handed out plus large mmapped blocks."""
        info = mallinfo2()
        return info.uordblks + info.hblkhd

    return heap_bytes


heap_bytes = _heap_meter()


def fresh(text):
    """A str object of its own, neither interned nor shared with another test."""
    return "".join(list(text))


class Arguments:
    """One call's arguments, each object referred to by this record only."""

    def __init__(self):
        words = [fresh(word) for word in ("happy", "sad", "rain", "sun", "love")]
        # No small int, bool or other object that the interpreter shares: their reference
        # counts move with whatever else runs.
        self.system_1 = {words[0]: int("1000000003"), words[1]: float("1.5"),
                         words[2]: float("2.0")}
        self.system_2 = {words[0]: float("1.0"), words[3]: float("4.25"),
                         words[4]: int("1000000001")}
        self.scores = {word: float(f"{i}.5") for i, word in enumerate(words)}
        self.lexicon = fresh("english")
        self.reference = float("5.5")
        self.top_n = int("1000000007")
        self.stop_lens = (float("4.75"), float("4.25"))
        self.stop_words = frozenset([fresh("rain"), fresh("none of these")])

    def objects(self):
        """Every object that a call reads."""
        found = [value for value in vars(self).values()]
        for table in (self.system_1, self.system_2, self.scores):
            found += [*table.keys(), *table.values()]
        found += [*self.stop_lens, *self.stop_words]
        return found

    def custom(self, **changes):
        given = dict(type2freq_1=self.system_1, type2freq_2=self.system_2, scores=self.scores,
                     reference_value=self.reference, top_n=self.top_n,
                     stop_lens=self.stop_lens, stop_words=self.stop_words)
        return moodvane.weighted_avg_shift_custom(**{**given, **changes})

    def builtin(self, **changes):
        given = dict(type2freq_1=self.system_1, type2freq_2=self.system_2, lexicon=self.lexicon,
                     reference_value=self.reference, top_n=self.top_n,
                     stop_lens=self.stop_lens, stop_words=self.stop_words)
        return moodvane.weighted_avg_shift(**{**given, **changes})


class Grower:
    """A frequency whose conversion adds an entry to the dict being read."""

    def __init__(self, target, key):
        self.target = target
        self.key = key

    def __float__(self):
        self.target[self.key] = 1.0
        return 1.0


class PanicRaiser:
    def __init__(self, panic):
        self.panic = panic

    def __float__(self):
        raise self.panic("raised by __float__")


class RefusedIteration(frozenset):
    def __iter__(self):
        raise LookupError("no iteration")


def _refuse_text(text):
    raise LookupError("no parse")


@contextlib.contextmanager
def quiet_standard_error():
    """A fault writes a report on standard error, at the C level and through sys.stderr:
    a hundred thousand of them go nowhere."""
    sys.stderr.flush()
    saved = os.dup(2)
    with open(os.devnull, "w", encoding="utf-8") as null:
        os.dup2(null.fileno(), 2)
        python_stderr, sys.stderr = sys.stderr, null
        try:
            yield
        finally:
            sys.stderr = python_stderr
            os.dup2(saved, 2)
            os.close(saved)


class Route:
    """One way through a call: how to make it, the extra objects it reads, how to undo what
    it changed, and what it raises (None for a result)."""

    def __init__(self, call, raises=None, extra=(), undo=None, quiet=False,
                 loads=None):
        self.call, self.raises, self.extra, self.undo = call, raises, extra, undo
        self.count = CALLS
        self.quiet, self.loads = quiet, loads


def _routes(arguments, panic):
    a = arguments
    growing = dict(a.system_2)
    grown_key = fresh("grown")
    growing[fresh("grower")] = Grower(growing, grown_key)
    bad_key = {**a.system_2, float("5.5"): float("1.0")}
    bad_score = {**a.scores, fresh("x"): fresh("not a number")}
    raising = {fresh("happy"): PanicRaiser(panic)}
    refusing = RefusedIteration([fresh("rain")])
    undo_growth = lambda: growing.pop(grown_key)  # noqa: E731
    routes = {}
    for name, run in (("custom", a.custom), ("builtin", a.builtin)):
        routes[f"{name}-success"] = Route(run)
        routes[f"{name}-matching-error"] = Route(lambda run=run: run(lexikon=a.lexicon),
                                               TypeError)
        routes[f"{name}-conversion-error"] = Route(
            lambda run=run: run(stop_words=[*a.stop_words]), TypeError)
        routes[f"{name}-overflow-error"] = Route(lambda run=run: run(top_n=-a.top_n),
                                               OverflowError)
        routes[f"{name}-content-error"] = Route(lambda run=run: run(type2freq_2=bad_key),
                                              TypeError, extra=[bad_key, *bad_key])
        routes[f"{name}-reference-error"] = Route(lambda run=run: run(reference_value=a.lexicon),
                                                ValueError)
        routes[f"{name}-fault"] = Route(lambda run=run: run(type2freq_1=growing), panic,
                                      extra=[growing, *growing, *growing.values()],
                                      undo=undo_growth, quiet=True)
        routes[f"{name}-resumed-fault"] = Route(lambda run=run: run(type2freq_2=raising), panic,
                                              extra=[raising, *raising.values()], quiet=True)
        routes[f"{name}-iteration-fault"] = Route(lambda run=run: run(stop_words=refusing),
                                                panic, extra=[refusing], quiet=True)
        routes[f"{name}-encoding-failure"] = Route(run, LookupError, loads=_refuse_text)
    routes["custom-score-error"] = Route(lambda: a.custom(scores=bad_score), TypeError,
                                       extra=[bad_score, *bad_score, *bad_score.values()])
    routes["builtin-lexicon-error"] = Route(lambda: a.builtin(lexicon=fresh("klingon")),
                                          ValueError)
    return routes


ROUTES = list(_routes(Arguments(), RuntimeError))


def _run(route, count):
    expected = route.raises or ()
    for _ in range(count):
        try:
            result = route.call()
        except expected:
            pass
        else:
            assert route.raises is None, "the call did not fail"
            del result
        if route.undo is not None:
            route.undo()


@pytest.mark.slow
@pytest.mark.parametrize("name", ROUTES)
def test_calls_leave_memory_and_reference_counts_as_they_were(name, panic_exception,
                                                              monkeypatch):
    arguments = Arguments()
    route = _routes(arguments, panic_exception)[name]
    if route.loads is not None:
        monkeypatch.setattr(json, "loads", route.loads)
    objects = arguments.objects() + list(route.extra)
    with quiet_standard_error() if route.quiet else contextlib.nullcontext():
        _run(route, max(1, route.count // 10))  # warm-up: caches, free lists, first faults
        gc.collect()
        references = [sys.getrefcount(item) for item in objects]
        resident = resident_bytes()
        heap = heap_bytes() if heap_bytes else 0
        _run(route, route.count)
        gc.collect()
        resident_growth = resident_bytes() - resident
        heap_growth = heap_bytes() - heap if heap_bytes else 0
    assert [sys.getrefcount(item) for item in objects] == references
    if not SANITIZED:
        assert resident_growth < RSS_LIMIT, f"{route.count} calls: {resident_growth} bytes"
        assert heap_growth < HEAP_LIMIT, f"{route.count} calls: {heap_growth} heap bytes"


def test_each_path_takes_its_way(panic_exception, monkeypatch):
    # The leak test above accepts the exception it expects; here each route shows that it raises
    # that very exception with its own message, so no route tests a different way by mistake.
    routes = _routes(Arguments(), panic_exception)
    messages = {}
    for name, route in routes.items():
        with monkeypatch.context() as patch, quiet_standard_error():
            if route.loads is not None:
                patch.setattr(json, "loads", route.loads)
            try:
                result = route.call()
            except BaseException as error:  # noqa: BLE001 - the error is what is examined
                assert type(error) is route.raises, (name, error)
                messages[name] = str(error)
            else:
                assert route.raises is None, name
                assert result["entries"], name
            if route.undo is not None:
                route.undo()
    assert messages["custom-matching-error"].endswith("unexpected keyword argument 'lexikon'")
    assert messages["builtin-conversion-error"].startswith("argument 'stop_words': ")
    assert messages["custom-content-error"] == \
        "'float' object cannot be converted to 'PyString'"
    assert messages["builtin-fault"] == "dictionary changed size during iteration"
    assert messages["custom-resumed-fault"] == "raised by __float__"
    assert "LookupError" in messages["builtin-iteration-fault"]
    assert messages["builtin-encoding-failure"] == "no parse"
    assert messages["builtin-lexicon-error"] == 'unknown senTX lexicon: "klingon"'
