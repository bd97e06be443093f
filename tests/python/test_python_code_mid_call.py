"""Python code that a call runs while it reads the caller's words may clear, refill or
replace the caller's dicts: the code of a collection (`gc.callbacks`, finalizers), forced
here at every allocation of a container, and a program's own Ctrl-C handler. Whatever it
does, each call of both extensions gives the result of its dicts as they were read, or its
documented fault; never freed words (the sanitized run of the suite reports any use)."""

from __future__ import annotations

import builtins
import functools
import gc
import itertools
import operator
import signal
import _thread

import pytest

import moodvane
from moodvane_tools import jsd_shift, proportion_shift, weighted_avg_shift_pair

from conftest import canonical

# The documented faults of the native module for a dict changed while it is read.
FAULTS = {"dictionary changed size during iteration", "dictionary keys changed during iteration"}


def fresh(text: str) -> str:
    """A new str object that only its holder keeps alive."""
    return (text + ".")[:-1]


class Node:
    """A container that never comes from a free list (as small lists, tuples and dicts may),
    so that making one counts towards the next collection."""

    value: float = 0.0


class Allocating:
    """A number whose conversion allocates a container, which may start a collection."""

    def __init__(self, value: float) -> None:
        self.value = value

    def __float__(self) -> float:
        node = Node()
        node.value = self.value
        return node.value


def inputs(plain: bool) -> list[dict]:
    one = {fresh(f"one-{i}-" + "é" * (i % 3)): i % 5 + 1 for i in range(24)}
    two = {fresh(f"one-{i}-" + "é" * (i % 3)): i % 3 + 1 for i in range(12, 30)}
    scores = {fresh(f"one-{i}-" + "é" * (i % 3)): i % 9 + 0.5 for i in range(30)}
    if not plain:
        two[fresh("one-29-")] = Allocating(2.0)
        scores[fresh("one-3-")] = Allocating(7.5)
    return [one, two, scores]


def snapshot(tables: list[dict]) -> list[dict]:
    """Plain copies, whose numbers a call reads without running any code."""
    return [{fresh(k): float(v) for k, v in table.items()} for table in tables]


def meddle(action: str, tables: list[dict]) -> None:
    for number, table in enumerate(tables):
        # (A key that is no str, which an error message shows, stays as it is.)
        if action == "replace":  # the same words as new objects: the old ones die
            items = [(fresh(k) if isinstance(k, str) else k, v) for k, v in table.items()]
        elif action == "refill":  # other words of the same lengths, likely in the old ones' memory
            items = [(str(i).rjust(len(k) if isinstance(k, str) else 1, "#"), number + 1)
                     for i, k in enumerate(table)]
        else:
            items = []
        table.clear()
        table.update(items)


CALLS = {
    "weighted_avg_shift_custom": lambda t: moodvane.weighted_avg_shift_custom(
        t[0], t[1], t[2], reference_value=4.0),
    "proportion_shift": lambda t: proportion_shift(t[0], t[1]),
    "jsd_shift": lambda t: jsd_shift(t[0], t[2]),
    "weighted_avg_shift_pair": lambda t: weighted_avg_shift_pair(t[0], t[1], t[2], t[2]),
}


def run(call, tables):
    """What the call gives: its result, its error, or "fault" for a documented fault."""
    try:
        return call(tables)
    except KeyboardInterrupt:
        raise
    except Exception as error:  # noqa: BLE001 - the outcome is compared, not handled
        return (type(error).__name__, str(error))
    except BaseException as error:  # noqa: BLE001 - PanicException is no Exception
        assert str(error) in FAULTS, error
        return "fault"


def comparable(result):
    return canonical(result) if isinstance(result, dict) else result


def outcome(call, tables):
    return comparable(run(call, tables))


def allowed(got, call, before: list[dict], after: list[dict]) -> bool:
    """Whether each dict was read either as it was before the meddling or as it is after."""
    if got == "fault":
        return True
    return any(got == outcome(call, [state[i] for i, state in enumerate(choice)])
               for choice in itertools.product((before, after), repeat=len(before)))


@pytest.mark.parametrize("plain", [True, False], ids=["plain numbers", "numbers with code"])
@pytest.mark.parametrize("action", ["clear", "refill", "replace"])
@pytest.mark.parametrize("trigger", ["gc callback", "finalizer"])
@pytest.mark.parametrize("name", list(CALLS))
def test_code_run_by_a_collection_at_any_allocation(name, trigger, action, plain):
    call = CALLS[name]
    thresholds = gc.get_threshold()
    # The meddling happens at the k-th collection of the call, for every k until a call
    # ends before its k-th collection.
    for k in range(1, 400):
        tables = inputs(plain)
        before = snapshot(tables)
        collections = 0
        ballast: list[Node] = []
        # Lists and dicts taken from their free lists count towards no collection: with
        # the free lists empty, every new one does.
        drained = ([[] for _ in range(100)], [{} for _ in range(100)])

        class Finalizer:
            def __init__(self) -> None:
                self.cycle = self

            def __del__(self) -> None:
                meddle(action, tables)

        def callback(phase: str, info: dict) -> None:
            nonlocal collections
            if phase == "stop":
                # One new container after each collection: with a threshold of 1, the next
                # allocation of any container then collects again.
                ballast.append(Node())
                return
            collections += 1
            if collections == k:
                if trigger == "gc callback":
                    meddle(action, tables)
                else:
                    Finalizer()  # garbage in a cycle: the next collection finalizes it

        gc.callbacks.append(callback)
        # The youngest generation at every allocation of a container: full collections of
        # the whole test session would only cost time.
        gc.set_threshold(1, 1 << 30, 1 << 30)
        try:
            got = run(call, tables)
        finally:
            gc.set_threshold(*thresholds)
            gc.callbacks.remove(callback)
        del drained
        got = comparable(got)
        if collections < k:
            break
        assert allowed(got, call, before, snapshot(tables)), (k, got)
    assert k > 1 or not plain


def interrupting_index():
    """An object whose __index__ (1) makes Ctrl-C pending without running any bytecode, so
    that the call itself is the first to see it."""
    index = functools.partial(operator.countOf, map(_thread.interrupt_main, [signal.SIGINT]), None)
    return type("InterruptingIndex", (), {"__index__": index})()


@pytest.mark.parametrize("handler", ["the program's own", "default"])
def test_ctrl_c_answered_after_the_words_are_safe(handler):
    tables = inputs(True)
    before = snapshot(tables)
    handled = []
    original_import = builtins.__import__

    def meddling_import(*args, **kwargs):
        # Code that the look at SIGINT's handler runs: it frees the words read so far.
        if not handled:
            meddle("refill", tables[:1])
        return original_import(*args, **kwargs)

    # Whatever SIGINT's handler the test process has (a test runner's worker may ignore
    # it), the case sets its own: Python's default, or a program's own that returns.
    previous = signal.signal(signal.SIGINT, signal.default_int_handler if handler == "default"
                             else lambda signum, frame: handled.append(signum))
    builtins.__import__ = meddling_import
    try:
        got = outcome(lambda t: moodvane.weighted_avg_shift_custom(
            t[0], t[1], t[2], top_n=interrupting_index()), tables)
    except KeyboardInterrupt:
        got = "KeyboardInterrupt"
    finally:
        builtins.__import__ = original_import
        signal.signal(signal.SIGINT, previous)
    if handler == "default":
        assert got == "KeyboardInterrupt"
    else:
        assert handled == [signal.SIGINT]
        # Whether the handler or the meddling import runs first is the interpreter's choice
        # (3.13 answers the signal later than 3.11): the first dict is read as it was, or as
        # the import left it, never from freed words.
        assert allowed(got, lambda t: moodvane.weighted_avg_shift_custom(
            t[0], t[1], t[2], top_n=1), before, snapshot(tables))


@pytest.mark.parametrize("name", ["weighted_avg_shift_custom", "proportion_shift"])
def test_ctrl_c_is_answered_between_the_dicts(name):
    # A program's own handler that empties the second dict: run by the call as soon as the
    # first dict is read, it leaves the call an empty second text.
    call = CALLS[name]
    tables = inputs(True)
    expected = outcome(call, [{**tables[0], "1": 1}, {}, tables[2]])
    tables[0]["1"] = interrupting_index()
    previous = signal.signal(signal.SIGINT, lambda signum, frame: tables[1].clear())
    try:
        got = outcome(call, tables)
    finally:
        signal.signal(signal.SIGINT, previous)
    assert got == expected


def meddling(base: type, hook: str, action: str, tables: list[dict]) -> type:
    """A subclass of `base` whose `hook` (__repr__, __str__ or __format__) first meddles
    with the caller's dicts, as a message about the object would have it run."""

    def method(self, *args):
        meddle(action, tables)
        return getattr(base, hook)(self, *args)

    return type(f"Meddling{base.__name__.title()}", (base,), {hook: method})


# The inputs that each error path formats into its message: (what is bad, the key, the
# value) made from a meddling type; the bad entry goes into the dict that `where` names.
BAD_ENTRIES = {
    "a key that is no str": lambda kind: (kind(object)(), 1.0),
    "a count or score that is NaN, under a str key": lambda kind: (kind(str)("bad"),
                                                                   float("nan")),
    "a NaN that formats itself": lambda kind: ("bad", kind(float)("nan")),
    "an infinite float": lambda kind: (kind(str)("bad"), kind(float)("inf")),
    "a value that is no number": lambda kind: (kind(str)("bad"), kind(object)()),
}
ERROR_CALLS = {
    "weighted_avg_shift_custom": (CALLS["weighted_avg_shift_custom"], (TypeError, ValueError)),
    "proportion_shift": (CALLS["proportion_shift"], (TypeError, ValueError)),
    "weighted_avg_shift_pair": (CALLS["weighted_avg_shift_pair"], (TypeError, ValueError)),
}


# Each call with each dict it reads (proportion_shift reads no scores).
READ_DICTS = [pytest.param(name, where, id=f"{name}-{dict_name}")
              for name in ERROR_CALLS
              for where, dict_name in enumerate(["type2freq_1", "type2freq_2", "scores"])
              if not (name == "proportion_shift" and dict_name == "scores")]


@pytest.mark.parametrize("action", ["clear", "refill", "replace"])
@pytest.mark.parametrize("hook", ["__repr__", "__str__", "__format__"])
@pytest.mark.parametrize("bad", list(BAD_ENTRIES))
@pytest.mark.parametrize("name, where", READ_DICTS)
def test_code_run_by_an_error_message(name, where, bad, hook, action):
    # The message of a bad entry shows the key and the value, which runs their own code
    # (a str subclass's __repr__): code that empties or refills the dicts, and so frees
    # whatever only they held, the entry itself included. The call raises its documented
    # error (the sanitized run of the suite reports any use of freed memory).
    call, errors = ERROR_CALLS[name]
    tables = inputs(True)
    key, value = BAD_ENTRIES[bad](lambda base: meddling(base, hook, action, tables))
    tables[where][key] = value
    del key, value  # only the dict holds them now
    got = run(call, tables)
    if name == "weighted_avg_shift_custom":
        # The native module reads every number as the IEEE rules have it: a NaN or an
        # infinity is a value like any other; only a key or value of a wrong type fails.
        assert got == "fault" or isinstance(got, dict) or got[0] == "TypeError", got
    else:
        assert isinstance(got, tuple) and got[0] in {e.__name__ for e in errors}, got
        assert got[1].startswith(("type2freq_1", "type2freq_2", "scores")), got
    # Whatever the code did, the extensions go on working.
    assert run(call, inputs(True)) == run(call, snapshot(inputs(True)))


@pytest.mark.parametrize("action", ["clear", "refill", "replace"])
@pytest.mark.parametrize("name, where", READ_DICTS)
def test_a_values_own_conversion_that_empties_its_dict(name, where, action):
    # A value read through its own __float__ may empty the dict that alone holds it (and
    # its key) while the conversion runs: the call gives a result or its documented error,
    # never a use of freed memory (which the sanitized run reports).
    call, errors = ERROR_CALLS[name]
    tables = inputs(True)

    class Meddling:
        def __float__(self) -> float:
            meddle(action, tables)
            return 2.0

    tables[where][fresh("meddling-key")] = Meddling()
    got = run(call, tables)
    assert isinstance(got, dict) or got == "fault" or got[0] in {e.__name__ for e in errors}, got
    assert run(call, inputs(True)) == run(call, snapshot(inputs(True)))
