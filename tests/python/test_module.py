"""The module object: its attributes, the two function objects with their signatures and
documentation, re-import, and the refusal to load in a second interpreter."""

from __future__ import annotations

import importlib
import inspect
import subprocess
import sys
import textwrap

import pytest

import moodvane

SHIFT_SIGNATURE = (
    '(type2freq_1, type2freq_2, lexicon="senTX_English", reference_value=None, top_n=0, '
    "stop_lens=None, stop_words=None)"
)
CUSTOM_SIGNATURE = (
    "(type2freq_1, type2freq_2, scores, reference_value=None, top_n=0, stop_lens=None, "
    "stop_words=None)"
)

SHIFT_DOC = """\
Compute a weighted-average word shift between two texts using a bundled
senTX lexicon.

Args:
    type2freq_1: dict mapping word -> frequency for the reference system.
    type2freq_2: dict mapping word -> frequency for the comparison system.
    lexicon: senTX language, e.g. "senTX_English" or "English" (default
        "senTX_English").
    reference_value: None (default) uses system 1's weighted-average score
        as the baseline; "average" is equivalent; or pass a float for a
        fixed reference (senTX's neutral midpoint is 5.0).
    top_n: cap the returned per-word entries (0 = all). Component sums are
        always computed over the full vocabulary.
    stop_lens: None (default) keeps every scored word; pass a (lo, hi) tuple
        to drop neutral words whose score falls in the closed interval
        [lo, hi] before the shift is computed (Trellisgram's lens, commonly
        (4, 6) on the senTX scale). Bounds may be given in either order.
    stop_words: None (default) or a set of words to exclude from the
        calculation entirely, regardless of their score.

Returns:
    dict with keys: entries (list of {type, p_diff, s_diff, p_avg,
    s_ref_diff, shift_score}), component_sums, total_diff, norm, s_avg_1,
    s_avg_2, reference_value, normalization."""

CUSTOM_DOC = """\
Compute a weighted-average word shift with a caller-supplied score lexicon.

Same as `weighted_avg_shift` but takes an explicit `scores` dict
(word -> score) instead of a bundled senTX language. Words present in the
texts but missing from `scores` are excluded.

Args:
    type2freq_1: dict word -> frequency (reference system).
    type2freq_2: dict word -> frequency (comparison system).
    scores: dict word -> score.
    reference_value: None/"average" (system 1 mean) or a float.
    top_n: cap on returned entries (0 = all).
    stop_lens: None (default) or a (lo, hi) tuple; drops words scored inside
        the closed interval [lo, hi] before computing the shift. Bounds may
        be given in either order.
    stop_words: None (default) or a set of words to exclude from the
        calculation entirely, regardless of their score."""

FUNCTIONS = [
    pytest.param(moodvane.weighted_avg_shift, SHIFT_SIGNATURE, SHIFT_DOC,
                 id="weighted_avg_shift"),
    pytest.param(moodvane.weighted_avg_shift_custom, CUSTOM_SIGNATURE, CUSTOM_DOC,
                 id="weighted_avg_shift_custom"),
]


def test_module_attributes():
    assert moodvane.__name__ == "moodvane"
    assert moodvane.__doc__ == "Python module: `import moodvane`"
    assert moodvane.__all__ == ["weighted_avg_shift", "weighted_avg_shift_custom"]
    assert type(moodvane.__all__) is list
    public = {name for name in dir(moodvane) if not name.startswith("_")}
    assert public == {"weighted_avg_shift", "weighted_avg_shift_custom"}
    namespace = {}
    exec("from moodvane import *", namespace)
    assert {name for name in namespace if not name.startswith("_")} == public


@pytest.mark.parametrize(("function", "signature", "doc"), FUNCTIONS)
def test_function_object(function, signature, doc):
    name = function.__name__
    assert type(function).__name__ == "builtin_function_or_method"
    assert function.__self__ is moodvane
    assert function.__module__ == "moodvane"
    assert function.__qualname__ == name
    assert function.__text_signature__ == signature
    assert function.__doc__ == doc
    assert not function.__doc__.startswith(name) and "--" not in function.__doc__
    # The whole documentation string, as the module carries it.
    full = f"{name}{signature}\n--\n\n{doc}"
    assert full.isascii() and "\t" not in full and not full.endswith("\n")


@pytest.mark.parametrize(("function", "third", "third_default"), [
    (moodvane.weighted_avg_shift, "lexicon", "senTX_English"),
    (moodvane.weighted_avg_shift_custom, "scores", inspect.Parameter.empty),
])
def test_signature(function, third, third_default):
    parameters = list(inspect.signature(function).parameters.values())
    assert [(p.name, p.default, p.kind) for p in parameters] == [
        ("type2freq_1", inspect.Parameter.empty, inspect.Parameter.POSITIONAL_OR_KEYWORD),
        ("type2freq_2", inspect.Parameter.empty, inspect.Parameter.POSITIONAL_OR_KEYWORD),
        (third, third_default, inspect.Parameter.POSITIONAL_OR_KEYWORD),
        ("reference_value", None, inspect.Parameter.POSITIONAL_OR_KEYWORD),
        ("top_n", 0, inspect.Parameter.POSITIONAL_OR_KEYWORD),
        ("stop_lens", None, inspect.Parameter.POSITIONAL_OR_KEYWORD),
        ("stop_words", None, inspect.Parameter.POSITIONAL_OR_KEYWORD),
    ]


@pytest.fixture
def restore_module_entry():
    saved = sys.modules["moodvane"]
    yield
    sys.modules["moodvane"] = saved


def test_reimport_gives_the_same_module(restore_module_entry):
    original = moodvane
    original.added_by_test = 42
    try:
        for _ in range(3):
            del sys.modules["moodvane"]
            again = importlib.import_module("moodvane")
            assert again is original
            assert again.added_by_test == 42
            assert again.weighted_avg_shift is original.weighted_avg_shift
            assert again.__all__ == ["weighted_avg_shift", "weighted_avg_shift_custom"]
    finally:
        del original.added_by_test
    assert again.weighted_avg_shift_custom({}, {}, {})["norm"] == 1.0


SUBINTERPRETER_SCRIPT = textwrap.dedent("""\
    import importlib, os, sys
    try:
        import _interpreters as interpreters
    except ImportError:
        try:
            import _xxsubinterpreters as interpreters
        except ImportError:
            print("no-subinterpreters")
            raise SystemExit(0)
    import moodvane
    read_end, write_end = os.pipe()
    inner = f'''
    import os, sys
    sys.path[:] = {sys.path!r}
    try:
        import moodvane
    except ImportError as error:
        report = "ImportError:" + str(error)
    except BaseException as error:
        report = "other:" + type(error).__name__ + ":" + str(error)
    else:
        report = "imported"
    os.write({write_end}, report.encode())
    '''
    interpreter = interpreters.create()
    interpreters.run_string(interpreter, inner)
    interpreters.destroy(interpreter)
    os.close(write_end)
    print(os.read(read_end, 4096).decode())
    del sys.modules["moodvane"]
    assert importlib.import_module("moodvane") is moodvane
    print("main:", moodvane.weighted_avg_shift_custom({}, {}, {})["norm"])
""")


def test_second_interpreter_is_refused():
    # A separate process, so that a module that mishandles subinterpreters cannot take the
    # test session down with it.
    run = subprocess.run([sys.executable, "-c", SUBINTERPRETER_SCRIPT], capture_output=True,
                         text=True, timeout=120)
    assert run.returncode == 0, run.stderr
    if run.stdout.strip() == "no-subinterpreters":
        pytest.skip("this interpreter offers no subinterpreters")
    report, main = run.stdout.splitlines()
    assert report.startswith("ImportError:")
    assert "subinterpreter" in report.lower()
    assert main == "main: 1.0"
