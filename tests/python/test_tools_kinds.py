"""Every kind of shift through the graph, the terminal view and the command line: each is
drawn with its own parts and labelled in its own words."""

from __future__ import annotations

import csv
import json
import math
import os
import subprocess
import sys
from collections import Counter
from pathlib import Path

import pytest

import moodvane
import moodvane_tools
from moodvane_tools import (
    KIND_LABELS,
    count_words,
    entropy_shift,
    jsd_shift,
    kld_shift,
    proportion_shift,
    text_shift,
    weighted_avg_shift_pair,
)

from conftest import REPO

TEXTS = REPO / "examples" / "texts"
RAINY, SUNNY = TEXTS / "rainy_monday.txt", TEXTS / "sunny_saturday.txt"
LABELS = ("rainy", "sunny")


def _counts(path: Path) -> Counter[str]:
    return count_words(path.read_text(encoding="utf-8"))


BEFORE, AFTER = _counts(RAINY), _counts(SUNNY)
# Text 1 for the KL divergence must hold every word of text 2.
BOTH = BEFORE + AFTER

RESULTS = {
    "proportion": lambda: proportion_shift(BEFORE, AFTER),
    "entropy": lambda: entropy_shift(BEFORE, AFTER),
    "kld": lambda: kld_shift(BOTH, AFTER),
    "jsd": lambda: jsd_shift(BEFORE, AFTER),
    # Two score maps: the words' scores change between the texts.
    "weighted": lambda: weighted_avg_shift_pair(
        BEFORE, AFTER, {w: 1.0 + len(w) % 7 for w in BEFORE},
        {w: 9.0 - len(w) % 5 for w in AFTER}),
}
KINDS = list(RESULTS)
# Kinds whose words are drawn in two parts (frequency and score), and those drawn as the
# field draws divergences: one bar to the side of the text that uses the word more.
PARTED = ["entropy", "weighted"]
SIDED = ["proportion", "kld", "jsd"]


def _parts(entry, norm):
    """The frequency and score parts of an entry's contribution, in percent."""
    return (entry["p_diff"] * entry["s_ref_diff"] / norm * 100.0,
            entry["p_avg"] * entry["s_diff"] / norm * 100.0)


def _filled(result):
    return {key for key, value in result["component_sums"].items() if value != 0.0}


# --- the graph ---------------------------------------------------------------------

matplotlib = pytest.importorskip("matplotlib")
matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
from matplotlib.colors import to_rgba  # noqa: E402

from moodvane_tools import shift_graph  # noqa: E402
from moodvane_tools.graph import (  # noqa: E402
    COLOURS, SCORE_COLOURS, SHIFT_AXES_LABEL, SUMMARY_AXES_LABEL, WORD_BAR, WORD_LABEL,
    WORD_NET, WORD_SCORE_BAR,
)
from moodvane_tools.kinds import (  # noqa: E402
    SIDE_COMPONENTS, component_of, score_component_of,
)


@pytest.fixture(autouse=True)
def _close_figures():
    yield
    plt.close("all")


def _axes(figure, label):
    (found,) = figure.findobj(lambda artist: hasattr(artist, "patches")
                              and hasattr(artist, "get_label") and artist.get_label() == label)
    return found


def _rows(figure):
    """Per word, top to bottom: its label and its frequency and score patches."""
    shift = _axes(figure, SHIFT_AXES_LABEL)
    rows: dict[float, dict] = {}
    for text in shift.texts:
        if text.get_gid() == WORD_LABEL:
            rows.setdefault(round(text.get_position()[1], 6), {})["label"] = text.get_text()
    for patch in shift.patches:
        if patch.get_gid() in (WORD_BAR, WORD_SCORE_BAR):
            y = round(patch.get_y() + patch.get_height() / 2, 6)
            rows[y][patch.get_gid()] = patch
    return [rows[y] for y in sorted(rows, reverse=True)]


def _summary(figure):
    summary = _axes(figure, SUMMARY_AXES_LABEL)
    return {patch.get_gid().split(":")[1]: patch for patch in summary.patches
            if (patch.get_gid() or "").startswith("summary:")}


def _more_in_text_2(kind, word):
    """1 where text 2 uses `word` relatively more than text 1, -1 where less, from the
    counts themselves."""
    first = BOTH if kind == "kld" else BEFORE
    p1 = first[word] / sum(first.values())
    p2 = AFTER[word] / sum(AFTER.values())
    return (p2 > p1) - (p2 < p1)


@pytest.mark.parametrize("kind", SIDED)
def test_divergence_bars_point_to_the_text_that_uses_the_word_more(kind):
    result = RESULTS[kind]()
    figure = shift_graph(result, top_n=0, labels=LABELS)
    rows = _rows(figure)
    assert [row["label"] for row in rows] == [e["type"] for e in result["entries"]]
    sides = {1: 0.0, -1: 0.0}
    for row, entry in zip(rows, result["entries"]):
        assert WORD_SCORE_BAR not in row  # one piece: the contribution
        bar = row[WORD_BAR]
        side = _more_in_text_2(kind, entry["type"])
        assert bar.get_width() == pytest.approx(side * abs(entry["shift_score"]) * 100.0,
                                                rel=1e-9, abs=1e-12)
        if side:
            # One colour meaning in every graph: solid where text 2 uses the word more.
            key = SIDE_COMPONENTS[0] if side > 0 else SIDE_COMPONENTS[1]
            assert bar.get_facecolor() == to_rgba(COLOURS[key])
            sides[side] += entry["shift_score"] * 100.0
    summary = _summary(figure)
    assert set(summary) == {"total", *SIDE_COMPONENTS}
    assert summary[SIDE_COMPONENTS[0]].get_width() == pytest.approx(abs(sides[1]))
    assert summary[SIDE_COMPONENTS[1]].get_width() == pytest.approx(-abs(sides[-1]))
    assert summary["total"].get_width() == pytest.approx(sides[1] + sides[-1], abs=1e-9)
    if kind == "jsd":
        assert sides[1] > 0 and sides[-1] > 0  # every word only sets the texts apart


@pytest.mark.parametrize("kind", PARTED)
def test_each_word_is_drawn_in_its_two_parts(kind):
    result = RESULTS[kind]()
    figure = shift_graph(result, top_n=15, labels=LABELS)
    rows = _rows(figure)
    entries = result["entries"][:15]
    assert [row["label"] for row in rows] == [entry["type"] for entry in entries]
    for row, entry in zip(rows, entries):
        frequency, score = _parts(entry, result["norm"])
        freq_bar, score_bar = row.get(WORD_BAR), row.get(WORD_SCORE_BAR)
        assert (freq_bar is not None) == (frequency != 0.0 or score == 0.0), entry
        assert (score_bar is not None) == (score != 0.0), entry
        drawn = sum(bar.get_width() for bar in (freq_bar, score_bar) if bar is not None)
        assert drawn == pytest.approx(entry["shift_score"] * 100.0, rel=1e-9, abs=1e-12)
        if freq_bar is not None and score_bar is not None:
            assert freq_bar.get_width() == pytest.approx(frequency, rel=1e-9)
            # Stacked where both point the same way, else each from zero.
            same_way = frequency * score > 0
            assert score_bar.get_x() == pytest.approx(frequency if same_way else 0.0)
        if freq_bar is not None:
            assert freq_bar.get_facecolor() == to_rgba(COLOURS[component_of(entry)])
            assert not freq_bar.get_hatch()
        if score_bar is not None:
            assert score_bar.get_facecolor() == to_rgba(SCORE_COLOURS[score_component_of(entry)])
            assert score_bar.get_hatch()


@pytest.mark.parametrize("kind", PARTED)
def test_summary_shows_what_the_kind_fills_and_sums_to_the_total(kind):
    result = RESULTS[kind]()
    drawn = _summary(shift_graph(result, labels=LABELS))
    assert set(drawn) - {"total"} == _filled(result)
    sums = result["component_sums"]
    for key in _filled(result):
        assert drawn[key].get_width() == pytest.approx(sums[key] * 100.0)
    assert drawn["total"].get_width() == pytest.approx(
        result["total_diff"] / result["norm"] * 100.0, rel=1e-9, abs=1e-9)


@pytest.mark.parametrize("kind, in_title", [
    ("proportion", ["share of all words", "1.000 in rainy", "1.000 in sunny"]),
    ("entropy", ["entropy: rainy", "bits", "reference surprisal"]),
    ("kld", ["divergence of sunny from rainy", "bits", "cross-entropy"]),
    ("jsd", ["Jensen-Shannon divergence of rainy and sunny", "bits", "mixture"]),
    ("weighted", ["average score: rainy", "reference score"]),
])
def test_title_axis_and_legend_name_the_kinds_values(kind, in_title):
    result = RESULTS[kind]()
    labels = KIND_LABELS[kind]
    shift = _axes(shift_graph(result, labels=LABELS), SHIFT_AXES_LABEL)
    title = " ".join(shift.get_title().split())  # as if not wrapped
    for text in in_title:
        assert text in title
    if kind != "proportion":
        assert f"{result['total_diff']:.3f}" in title or \
            f"{result['s_avg_2'] - result['s_avg_1']:+.3f}" in title
    assert "average score" not in title or kind == "weighted"
    assert shift.get_xlabel() == labels.text(labels.axis_title, LABELS)
    legend = [text.get_text() for text in shift.get_legend().get_texts()]
    shown = SIDE_COMPONENTS if kind in SIDED else [
        key for key in ("pos_s_pos_p", "neg_s_neg_p", "pos_s_neg_p", "neg_s_pos_p", "pos_s",
                        "neg_s") if key in _filled(result)]
    expected = [labels.text({**labels.legend, **labels.score_legend}[key], LABELS)
                for key in shown]
    assert legend[:len(expected)] == expected


def test_a_result_read_back_from_json_keeps_its_labels():
    result = RESULTS["entropy"]()
    plain = json.loads(json.dumps({"kind": "entropy", "unit": "bits", **result}))
    titles = [_axes(shift_graph(r, labels=LABELS, **options), SHIFT_AXES_LABEL).get_title()
              for r, options in [(result, {}), (plain, {}),
                                 (dict(result), {"kind": "entropy", "unit": "bits"})]]
    assert titles[0] == titles[1] == titles[2]
    # Without the kind, a plain dict is an average-score shift; kind= overrides both ways.
    assert "average score" in _axes(shift_graph(dict(result)), SHIFT_AXES_LABEL).get_title()
    assert "average score" in _axes(shift_graph(result, kind="weighted"),
                                    SHIFT_AXES_LABEL).get_title()


def test_parts_pointing_different_ways_mark_the_net_contribution():
    result = RESULTS["weighted"]()
    shift = _axes(shift_graph(result, top_n=0), SHIFT_AXES_LABEL)
    ticks = sorted(line.get_xdata()[0] for line in shift.lines if line.get_gid() == WORD_NET)
    opposed = sorted(entry["shift_score"] * 100.0 for entry in result["entries"]
                     if math.prod(_parts(entry, result["norm"])) < 0)
    assert opposed and ticks == pytest.approx(opposed)


@pytest.mark.parametrize("kind", KINDS)
def test_titles_wrap_between_phrases_and_show_zero_as_zero(kind):
    result = RESULTS[kind]()
    labels = KIND_LABELS[kind]
    long = ("the rainy Monday of the first week", "the sunny Saturday of the second week")
    figure = shift_graph(result, labels=long, title="A comparison with a title that goes "
                         "on well beyond the width of the graph, to be wrapped")
    lines = _axes(figure, SHIFT_AXES_LABEL).get_title().splitlines()
    assert len(lines) > 2
    assert not any(line.rstrip().endswith(("-", "−")) for line in lines)
    # Every phrase of the values' line stands whole on one line of the title.
    values = " ".join(lines)
    for phrase in labels.headline:
        fixed = phrase.split("{")[0].strip()
        if fixed:
            assert any(fixed in line for line in lines), (fixed, lines)
    assert "e-1" not in values and "-0.000" not in values
    if kind == "proportion":
        assert "so the changes add up to 0.000" in values


# --- the terminal view ---------------------------------------------------------------

def _table(text):
    return [line for line in text.splitlines() if line[:3].strip().isdigit()]


@pytest.mark.parametrize("kind", KINDS)
def test_text_view_marks_and_bars_follow_the_parts(kind):
    result = RESULTS[kind]()
    labels = KIND_LABELS[kind]
    text = text_shift(result, 12, labels=LABELS)
    rows = _table(text)
    assert [row.split()[1] for row in rows] == [e["type"] for e in result["entries"][:12]]
    for row, entry in zip(rows, result["entries"]):
        mark = row.split()[2]
        if kind in SIDED:
            more = _more_in_text_2(kind, entry["type"])
            assert mark == {1: "↑", -1: "↓", 0: "·"}[more] and "▒" not in row
            bar = row.split("|", 1)
            assert (bar[1] if more > 0 else bar[0]).strip() or more == 0, row
            continue
        frequency, score = _parts(entry, result["norm"])
        assert ("△" in mark or "▽" in mark) == (score != 0.0)
        assert ("▒" in row) == (score != 0.0)
        if score != 0.0:
            assert labels.mark(score_component_of(entry)) in mark
        if frequency != 0.0:
            assert mark.startswith(labels.mark(component_of(entry)))
        bar = row.split("|", 1)
        side = bar[1] if entry["shift_score"] > 0 else bar[0]
        assert side.strip(), row
    # The legend below names each component shown, in this kind's words.
    for key in SIDE_COMPONENTS if kind in SIDED else _filled(result):
        assert labels.text({**labels.legend, **labels.score_legend}[key], LABELS) in text
    if kind in SIDED:
        assert not any(symbol in text for symbol in "△▽")
        assert "more in rainy|more in sunny" in text


@pytest.mark.parametrize("kind", ["proportion", "entropy", "kld", "jsd"])
def test_text_view_of_identical_texts_says_they_do_not_differ(kind):
    call = {"proportion": proportion_shift, "entropy": entropy_shift, "kld": kld_shift,
            "jsd": jsd_shift}[kind]
    text = text_shift(call(AFTER, AFTER), 5, labels=LABELS)
    assert "Every contribution is zero" in text
    assert KIND_LABELS[kind].value_name in text
    # A word that contributes nothing is in no component: no arrow claims a change.
    assert [row.split()[2] for row in _table(text)] == ["·"] * 5
    assert not any(symbol in text for symbol in "↑↓△▽")


# --- the command line ----------------------------------------------------------------

PACKAGE_PARENT = str(Path(moodvane_tools.__file__).resolve().parents[1])


def _run(*args):
    env = {**os.environ, "MPLBACKEND": "Agg",
           "PYTHONPATH": os.pathsep.join(filter(None, [PACKAGE_PARENT,
                                                       os.environ.get("PYTHONPATH")]))}
    # -P: the installed package, never a moodvane_tools folder in the working directory.
    return subprocess.run([sys.executable, "-P", "-m", "moodvane_tools", *map(str, args)],
                          capture_output=True, text=True, encoding="utf-8", timeout=120,
                          env=env)


@pytest.fixture(scope="module")
def both_file(tmp_path_factory):
    path = tmp_path_factory.mktemp("texts") / "both.txt"
    path.write_text(RAINY.read_text(encoding="utf-8") + "\n" +
                    SUNNY.read_text(encoding="utf-8"), encoding="utf-8")
    return path


@pytest.mark.parametrize("kind, options, expected", [
    ("proportion", [], lambda: proportion_shift(BEFORE, AFTER)),
    ("entropy", ["--alpha", "2", "--base", "e"],
     lambda: entropy_shift(BEFORE, AFTER, alpha=2.0, base=math.e)),
    ("kld", ["--base", "e"], lambda: kld_shift(BOTH, AFTER, base=math.e)),
    ("jsd", [], lambda: jsd_shift(BEFORE, AFTER)),
    ("weighted", [], lambda: moodvane.weighted_avg_shift(BEFORE, AFTER)),
])
def test_compare_each_kind_end_to_end(kind, options, expected, both_file, tmp_path):
    before = both_file if kind == "kld" else RAINY
    run = _run("compare", before, SUNNY, "--kind", kind, *options, "--top", 6,
               "--json", tmp_path / "r.json", "--csv", tmp_path / "r.csv",
               "--plot", tmp_path / "shift.png")
    assert run.returncode == 0, run.stderr
    result = expected()
    written = json.loads((tmp_path / "r.json").read_text(encoding="utf-8"))
    assert written.pop("kind") == kind
    unit = written.pop("unit", None)
    assert unit == getattr(result, "unit", None) == written.pop("meta")["unit"]
    written["entries"] = [{key: entry[key] for key in result["entries"][0]}
                          for entry in written["entries"]]
    assert written == result
    with open(tmp_path / "r.csv", encoding="utf-8", newline="") as stream:
        table = list(csv.DictReader(stream))
    assert [row["type"] for row in table] == [e["type"] for e in result["entries"]]
    assert [float(row["s_diff"]) for row in table] == [e["s_diff"] for e in result["entries"]]
    assert [float(row["shift_score"]) for row in table] == \
        [e["shift_score"] for e in result["entries"]]
    assert (tmp_path / "shift.png").read_bytes()[:4] == b"\x89PNG"
    rows = _table(run.stdout)
    assert [row.split()[1] for row in rows] == [e["type"] for e in result["entries"][:6]]
    labels = KIND_LABELS[kind]
    if kind != "weighted":
        assert run.stdout.startswith(f"kind: {kind} ({labels.value_name}")
        assert ("in nats" in run.stdout.splitlines()[0]) == (kind == "kld")
    assert f"{result['s_avg_2']:.3f}" in run.stdout


@pytest.mark.parametrize("arguments, message", [
    (["--kind", "kld"], "the Kullback-Leibler divergence is infinite"),
    (["--kind", "kld", "--alpha", "2"], "--alpha does not apply to --kind kld"),
    (["--kind", "proportion", "--base", "2"], "--base does not apply to --kind proportion"),
    (["--kind", "jsd", "--reference", "5"], "--reference does not apply to --kind jsd"),
    (["--kind", "weighted", "--alpha", "2"], "--alpha does not apply to --kind weighted"),
    (["--kind", "entropy", "--base", "1"], "argument --base: must not be 1"),
    (["--kind", "entropy", "--alpha", "0"], "argument --alpha: must be a finite number"),
    (["--kind", "entropi"], "argument --kind: invalid choice: 'entropi'"),
])
def test_bad_kind_options_are_one_line_and_status_2(arguments, message):
    run = _run("compare", RAINY, SUNNY, *arguments)
    assert run.returncode == 2, run.stderr
    assert run.stdout == ""
    assert len(run.stderr.splitlines()) == 1, run.stderr
    assert message in run.stderr
    if arguments == ["--kind", "kld"]:
        first_missing = min((word for word in AFTER if word not in BEFORE),
                            key=lambda word: word.encode())
        assert f"sunny_saturday.txt has {first_missing!r}, which rainy_monday.txt lacks" \
            in run.stderr and "--kind jsd" in run.stderr


def test_small_values_keep_their_significant_digits():
    result = jsd_shift(BEFORE, AFTER, alpha=2.0)  # Tsallis: no unit, values near 0.001
    first_line = text_shift(result, 3, labels=LABELS).splitlines()[0]
    assert 0 < result["total_diff"] < 0.01
    assert f": {result['total_diff']:.3g} = " in first_line
    assert "bits" not in first_line


@pytest.mark.parametrize("kind", KINDS)
def test_one_registry_computes_each_kind_and_refuses_other_kinds_options(kind):
    from moodvane_tools import _native, cli
    from moodvane_tools.kinds import REGISTRY, kind_of

    assert list(REGISTRY) == list(_native.kind_names())
    choices = next(action.choices for action in cli._parser()._subparsers._group_actions[0]
                   .choices["compare"]._actions if action.dest == "kind")
    assert list(choices) == list(REGISTRY)
    entry = REGISTRY[kind]
    result = entry.compute(BOTH, AFTER, **entry.defaults)
    assert kind_of(result).name == kind
    assert getattr(result, "unit", None) == entry.unit()
    foreign = next(option for other in REGISTRY.values() for option in other.options
                   if option not in entry.options)
    with pytest.raises(TypeError, match=f"the {kind} shift takes no {foreign} "):
        entry.compute(BOTH, AFTER, **{foreign: 1.0})
