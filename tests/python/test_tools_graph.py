"""shift_graph drawn with the Agg backend and read back from its Axes."""

from __future__ import annotations

import math
import warnings
from pathlib import Path

import pytest

matplotlib = pytest.importorskip("matplotlib")
matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
from matplotlib.colors import to_rgba  # noqa: E402

import moodvane  # noqa: E402
from moodvane_tools import count_words, shift_graph  # noqa: E402
from moodvane_tools.graph import (  # noqa: E402
    COLOURS, CUMULATIVE_AXES_LABEL, SHIFT_AXES_LABEL, SUMMARY_AXES_LABEL, WORD_BAR, WORD_LABEL,
)
from moodvane_tools.kinds import component_of  # noqa: E402

from conftest import REPO  # noqa: E402

TEXTS = REPO / "examples" / "texts"


@pytest.fixture(autouse=True)
def _close_figures():
    yield
    plt.close("all")


def _sample_result(**options):
    before = count_words((TEXTS / "rainy_monday.txt").read_text(encoding="utf-8"))
    after = count_words((TEXTS / "sunny_saturday.txt").read_text(encoding="utf-8"))
    return moodvane.weighted_avg_shift(before, after, **options)


def _axes(figure, label):
    found = [ax for ax in figure.findobj(lambda artist: hasattr(artist, "get_label")
                                         and getattr(artist, "get_label")() == label)
             if hasattr(ax, "patches")]
    assert len(found) == 1, label
    return found[0]


def _word_bars(figure):
    shift = _axes(figure, SHIFT_AXES_LABEL)
    bars = [patch for patch in shift.patches if patch.get_gid() == WORD_BAR]
    labels = {round(text.get_position()[1], 6): text.get_text()
              for text in shift.texts if text.get_gid() == WORD_LABEL}
    # Top to bottom, each with the word written beside it.
    bars.sort(key=lambda bar: -(bar.get_y() + bar.get_height() / 2))
    return [(labels[round(bar.get_y() + bar.get_height() / 2, 6)], bar) for bar in bars]


def _check_bars(figure, result, top_n):
    drawn = _word_bars(figure)
    expected = result["entries"][:top_n]
    assert [word for word, _ in drawn] == [entry["type"] for entry in expected]
    for (_, bar), entry in zip(drawn, expected):
        assert bar.get_width() == pytest.approx(entry["shift_score"] * 100.0)
        assert bar.get_facecolor() == to_rgba(COLOURS[component_of(entry)])


def _custom(before, after, scores, **options):
    return moodvane.weighted_avg_shift_custom(before, after, scores, **options)


# Words scored above the fixed reference 5 that become more frequent, and below it that
# become rarer: every contribution raises text 2's average.
RISING = _custom({"sad": 4, "bad": 2, "good": 1, "fine": 1},
                 {"sad": 1, "bad": 1, "good": 4, "fine": 2},
                 {"sad": 2.0, "bad": 3.0, "good": 8.0, "fine": 6.5}, reference_value=5.0)
# The same texts the other way round: every contribution lowers text 2's average.
FALLING = _custom({"sad": 1, "bad": 1, "good": 4, "fine": 2},
                  {"sad": 4, "bad": 2, "good": 1, "fine": 1},
                  {"sad": 2.0, "bad": 3.0, "good": 8.0, "fine": 6.5}, reference_value=5.0)


@pytest.mark.parametrize("result, top_n", [
    (_sample_result(), 30),
    (_sample_result(stop_lens=(4, 6)), 10),
    (_custom({"a": 1}, {"a": 1, "b": 2}, {"b": 7.0}), 30),  # one word
    (RISING, 30),
    (FALLING, 30),
])
def test_bars_count_order_direction_colour_and_label(result, top_n):
    figure = shift_graph(result, top_n=top_n)
    _check_bars(figure, result, top_n)


def test_all_positive_and_all_negative_shifts_point_one_way():
    rising = shift_graph(RISING)
    assert all(bar.get_width() > 0 for _, bar in _word_bars(rising))
    falling = shift_graph(FALLING)
    assert all(bar.get_width() < 0 for _, bar in _word_bars(falling))
    # Each of the four kinds gets its own colour.
    assert {component_of(entry) for entry in RISING["entries"]} == {"pos_s_pos_p",
                                                                    "neg_s_neg_p"}
    assert {component_of(entry) for entry in FALLING["entries"]} == {"pos_s_neg_p",
                                                                     "neg_s_pos_p"}


def test_summary_shows_the_four_sums_and_the_total():
    result = _sample_result()
    summary = _axes(shift_graph(result), SUMMARY_AXES_LABEL)
    sums = result["component_sums"]
    drawn = {patch.get_gid().split(":")[1]: patch.get_width() for patch in summary.patches
             if (patch.get_gid() or "").startswith("summary:")}
    expected = {key: sums[key] * 100 for key in COLOURS}
    expected["total"] = sum(expected.values())
    assert drawn == pytest.approx(expected)
    assert expected["total"] == pytest.approx(result["total_diff"] / result["norm"] * 100)


@pytest.mark.parametrize("options", [{}, {"stop_lens": (4, 6)}, {"reference_value": 5.0}])
def test_cumulative_inset_ends_at_the_total_share(options):
    result = _sample_result(**options)
    inset = _axes(shift_graph(result, top_n=10), CUMULATIVE_AXES_LABEL)
    (line,) = [line for line in inset.lines if len(line.get_xdata()) > 2]
    ranks, running = line.get_xdata(), line.get_ydata()
    assert list(ranks) == list(range(1, len(result["entries"]) + 1))
    assert running[-1] == pytest.approx(result["total_diff"] / result["norm"] * 100)


def test_title_gives_the_two_averages_and_the_reference():
    result = _sample_result()
    shift = _axes(shift_graph(result, labels=("rainy", "sunny")), SHIFT_AXES_LABEL)
    title = shift.get_title()
    for value in (result["s_avg_1"], result["s_avg_2"], result["reference_value"]):
        assert f"{value:.3f}" in title
    assert "rainy" in title and "sunny" in title
    assert "sunny" in shift.get_xlabel()
    legend = [text.get_text() for text in shift.get_legend().get_texts()]
    assert len(legend) == 4 and all("sunny" in text for text in legend)
    assert any("above the reference, more frequent" in text for text in legend)


@pytest.mark.parametrize("result", [
    moodvane.weighted_avg_shift({}, {}),
    moodvane.weighted_avg_shift({"zzqx": 3}, {"qqzx": 2}),
])
def test_no_entries_gives_a_graph_that_says_so(result, tmp_path):
    figure = shift_graph(result)
    shift = _axes(figure, SHIFT_AXES_LABEL)
    assert not _word_bars(figure)
    assert any("No scored word" in text.get_text() for text in shift.texts)
    figure.savefig(tmp_path / "empty.png")


def test_identical_texts_draw_zero_bars():
    counts = count_words((TEXTS / "sunny_saturday.txt").read_text(encoding="utf-8"))
    result = moodvane.weighted_avg_shift(counts, counts)
    drawn = _word_bars(shift_graph(result, top_n=5))
    assert len(drawn) == 5 and all(bar.get_width() == 0 for _, bar in drawn)


def test_values_that_are_not_finite_are_left_out():
    result = _custom({"a": 1, "b": 1}, {"a": 2, "b": 1}, {"a": math.nan, "b": 7.0})
    figure = shift_graph(result)
    assert all(math.isfinite(bar.get_width()) for _, bar in _word_bars(figure))


@pytest.mark.parametrize("size", [(2.0, 1.5), (6.0, 4.0), (16.0, 3.0), (4.0, 20.0)])
def test_any_figure_size_through_ax(size, tmp_path):
    figure, ax = plt.subplots(figsize=size)
    assert shift_graph(_sample_result(), ax=ax, top_n=15) is figure
    figure.savefig(tmp_path / "sized.png")
    _check_bars(figure, _sample_result(), 15)


def test_non_latin_words_get_a_font_with_their_glyphs(tmp_path):
    words = {"高兴": 7.0, "难过": 2.0, "행복": 8.0, "अच्छा": 7.5, "счастье": 8.0}
    result = _custom({"难过": 3, "행복": 1}, {"高兴": 2, "अच्छा": 1, "счастье": 1}, words)
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        figure = shift_graph(result, labels=("前", "后"))
        figure.savefig(tmp_path / "scripts.png")
    missing = [str(w.message) for w in caught if "lyph" in str(w.message)]
    font_warning = [str(w.message) for w in caught if "no installed font" in str(w.message)]
    if font_warning:
        pytest.skip(f"fonts for these scripts are not installed: {font_warning[0]}")
    assert missing == []
    _check_bars(figure, result, 30)


def test_png_is_written(tmp_path):
    path = tmp_path / "shift.png"
    shift_graph(_sample_result()).savefig(path)
    assert path.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
    assert path.stat().st_size > 10_000


def test_bad_top_n_and_kind_are_errors():
    with pytest.raises(ValueError, match="top_n"):
        shift_graph(_sample_result(), top_n=-1)
    with pytest.raises(ValueError, match="unknown kind of shift 'entropi'; expected one of"):
        shift_graph(_sample_result(), kind="entropi")


@pytest.mark.parametrize("installed_later", [False, True])
def test_a_box_drawing_fallback_is_no_font_and_the_list_is_refreshed_before_a_warning(
        monkeypatch, installed_later):
    from matplotlib import get_data_path

    from moodvane_tools import fonts

    last_resort = Path(get_data_path()) / "fonts" / "ttf" / "LastResortHE-Regular.ttf"
    if not last_resort.is_file():
        pytest.skip("this matplotlib ships no Last Resort font")
    hangul = ("Hangul Test Sans", "/nowhere/hangul.ttf")
    installed = [("Last Resort High-Efficiency", str(last_resort))]
    refreshes = []

    def refresh():
        refreshes.append(True)
        if installed_later:
            installed.append(hangul)
        return installed_later

    real_coverage = fonts._coverage
    monkeypatch.setattr(fonts, "_installed", lambda: list(installed))
    monkeypatch.setattr(fonts, "_refresh_font_list", refresh)
    monkeypatch.setattr(fonts, "_coverage", lambda path: frozenset(range(0xAC00, 0xD7A4))
                        if path == hangul[1] else real_coverage(path))
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        families = fonts.families_for(["행복한 하루"])
    warned = [str(w.message) for w in caught if "no installed font" in str(w.message)]
    assert "Last Resort High-Efficiency" not in families
    assert refreshes == [True]  # one more look at the installed fonts, no more
    assert (families[-1] == hangul[0]) == installed_later
    assert bool(warned) != installed_later
    if warned:
        assert "행" in warned[0] and "fonts-noto-cjk" in warned[0]
