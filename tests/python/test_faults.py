"""Internal faults: they become PanicException, which no `except Exception` catches, leave a
report on standard error, and leave the module working for the next call."""

from __future__ import annotations

import json
import os
import re
import subprocess
import sys
import textwrap
import threading

import pytest

import moodvane
from conftest import WORKED_JSON, canonical, cause_fault, worked_shift

CUSTOM = moodvane.weighted_avg_shift_custom
SIZE_CHANGED = "dictionary changed size during iteration"
KEYS_CHANGED = "dictionary keys changed during iteration"


class OnFloat:
    """A number whose float conversion runs `action` once, then reads as 1.0."""

    def __init__(self, action):
        self.action = action

    def __float__(self):
        action, self.action = self.action, None
        if action is not None:
            action()
        return 1.0


def _grow(target):
    target["grown"] = 1.0


def _swap_keys(target):
    # One key in, one already-read key out: the size stays, but the walk meets one entry
    # more than the dict held when it began.
    target["swapped in"] = 1.0
    del target["first"]


def _call_with_mutating(position, mutation):
    """Calls the custom function with the mutating value in one of its three dicts."""
    target = {}
    value = OnFloat(lambda: mutation(target))
    target["first"] = value
    target["second"] = 2.0
    dicts = [{}, {}, {}]
    dicts[position] = target
    try:
        CUSTOM(*dicts)
    finally:
        del value  # held until here, so the deleted entry's value outlives its conversion
    return target


POSITIONS = pytest.mark.parametrize("position", [0, 1, 2],
                                    ids=["type2freq_1", "type2freq_2", "scores"])


@POSITIONS
def test_dict_growing_during_conversion(position, panic_exception, capfd):
    with pytest.raises(panic_exception) as info:
        _call_with_mutating(position, _grow)
    assert info.value.args == (SIZE_CHANGED,)
    assert SIZE_CHANGED in capfd.readouterr().err


@POSITIONS
def test_dict_keys_replaced_at_equal_size(position, panic_exception, capfd):
    with pytest.raises(panic_exception) as info:
        _call_with_mutating(position, _swap_keys)
    assert info.value.args == (KEYS_CHANGED,)
    assert KEYS_CHANGED in capfd.readouterr().err


class FailingIteration(set):
    def __iter__(self):
        raise RuntimeError("no iteration today")


def test_stop_words_iteration_raising_is_a_fault(panic_exception):
    with pytest.raises(panic_exception) as info:
        worked_shift(stop_words=FailingIteration({"meh"}))
    (message,) = info.value.args
    assert "RuntimeError" in message
    assert "no iteration today" in message


def test_panic_type(panic_exception):
    assert panic_exception.__name__ == "PanicException"
    assert panic_exception.__module__ == "vanebind_runtime"
    assert panic_exception.__qualname__ == "PanicException"
    assert panic_exception.__bases__ == (BaseException,)
    assert not issubclass(panic_exception, Exception)
    doc = panic_exception.__doc__
    assert doc.startswith("\n") and doc.endswith("\n")
    paragraphs = doc.strip("\n").split("\n\n")
    assert len(paragraphs) == 2
    assert "SystemExit" in paragraphs[1] and "BaseException" in paragraphs[1]
    assert "__dict__" not in vars(panic_exception)
    # Created once, on the first fault, and then reused.
    assert type(cause_fault()) is panic_exception


def test_panic_escapes_except_exception():
    caught_as_exception = False
    try:
        try:
            cause_fault_by_raising()
        except Exception:  # noqa: BLE001 - the point is that this clause does not match
            caught_as_exception = True
    except BaseException as error:  # noqa: BLE001
        assert type(error).__name__ == "PanicException"
    assert not caught_as_exception
    assert canonical(worked_shift()) == canonical(json.loads(WORKED_JSON))


def cause_fault_by_raising():
    target = {}
    target["a"] = OnFloat(lambda: _grow(target))
    CUSTOM(target, {}, {})


def _raise(error):
    def action():
        raise error
    return action


def _places(value):
    """The conversions that run caller code: a frequency, a score, a lens bound, top_n."""
    return {
        "frequency": lambda: CUSTOM({"a": value}, {}, {}),
        "score": lambda: CUSTOM({"a": 1.0}, {}, {"a": value}),
        "stop_lens": lambda: CUSTOM({}, {}, {}, stop_lens=(0.0, value)),
        "top_n": lambda: CUSTOM({}, {}, {}, top_n=value),
    }


class IndexAndFloat(OnFloat):
    def __index__(self):
        self.__float__()
        return 1


PLACES = pytest.mark.parametrize("place", ["frequency", "score", "stop_lens", "top_n"])


@PLACES
def test_panic_from_python_code_resumes_as_a_new_fault(place, panic_exception, capfd):
    raised = panic_exception("raised by caller code")
    call = _places(IndexAndFloat(_raise(raised)))[place]
    with pytest.raises(panic_exception) as info:
        call()
    assert info.value is not raised
    assert info.value.args == ("raised by caller code",)
    err = capfd.readouterr().err
    assert "Python stack trace below:" in err
    assert "raised by caller code" in err
    assert canonical(worked_shift()) == canonical(json.loads(WORKED_JSON))


class Unprintable:
    def __str__(self):
        raise ValueError("cannot print")


def test_panic_without_printable_message(panic_exception):
    call = _places(IndexAndFloat(_raise(panic_exception(Unprintable()))))["frequency"]
    with pytest.raises(panic_exception) as info:
        call()
    assert info.value.args == ("Unwrapped panic from Python code",)


@PLACES
def test_other_exceptions_from_python_code_pass_unchanged(place, panic_exception):
    class NarrowPanic(panic_exception):
        pass

    for raised in (KeyError("plain"), NarrowPanic("not exactly a panic")):
        with pytest.raises(type(raised)) as info:
            _places(IndexAndFloat(_raise(raised)))[place]()
        assert info.value is raised


def test_fault_report_on_standard_error(capfd):
    def fault_in_a_thread():
        reports.append((threading.get_native_id(), threading.get_ident()))
        cause_fault()

    reports = []
    for run in (cause_fault, lambda: _in_thread(fault_in_a_thread)):
        reports.clear()
        reports.append((threading.get_native_id(), threading.get_ident()))
        run()
        native_id, ident = reports[-1]
        lines = capfd.readouterr().err.split("\n")
        at = lines.index(SIZE_CHANGED)
        assert at >= 2 and lines[at - 2] == ""
        assert str(native_id) in lines[at - 1] or str(ident) in lines[at - 1]
        # Named by its path in the project, not where the project happened to be built.
        assert re.search(r" at module/(src|common)/\w+\.\w+:\d+:\d+:$", lines[at - 1]), lines[at - 1]


def _in_thread(target):
    thread = threading.Thread(target=target)
    thread.start()
    thread.join()


OUT_OF_MEMORY_SCRIPT = textwrap.dedent("""\
    import gc, resource, moodvane
    words = [f"word{i:07d}" for i in range(100_000)]
    one, two, scores = dict.fromkeys(words, 1.0), dict.fromkeys(words[::2], 2.0), {}
    scores.update(dict.fromkeys(words, 5.5))

    def address_space():
        with open("/proc/self/status") as status:
            for line in status:
                if line.startswith("VmSize:"):
                    return int(line.split()[1]) * 1024

    outcomes = []
    for headroom in (2**20, 2**22, 2**24, 2**26, 2**30):
        gc.collect()
        resource.setrlimit(resource.RLIMIT_AS, (address_space() + headroom, resource.RLIM_INFINITY))
        try:
            outcomes.append(len(moodvane.weighted_avg_shift_custom(one, two, scores)["entries"]))
        except MemoryError:
            outcomes.append("MemoryError")
        finally:
            resource.setrlimit(resource.RLIMIT_AS, (resource.RLIM_INFINITY,) * 2)
    print(outcomes)
    print(moodvane.weighted_avg_shift_custom({"a": 1}, {}, {"a": 1.0})["norm"])
""")


@pytest.mark.slow
@pytest.mark.skipif(not sys.platform.startswith("linux"), reason="reads /proc/self/status")
@pytest.mark.skipif(os.environ.get("MOODVANE_SANITIZED") == "1",
                    reason="AddressSanitizer reserves more address space than RLIMIT_AS allows")
def test_out_of_memory_raises_memory_error():
    # In a separate process under a shrinking address-space limit: a failed allocation must
    # become MemoryError, never the end of the process.
    run = subprocess.run([sys.executable, "-c", OUT_OF_MEMORY_SCRIPT], capture_output=True,
                         text=True, timeout=120)
    assert run.returncode == 0, run.stderr
    outcomes, after = run.stdout.splitlines()
    assert outcomes.startswith("['MemoryError', ") and outcomes.endswith(", 100000]")
    assert after == "1.0"
    assert "memory allocation of" not in run.stderr
