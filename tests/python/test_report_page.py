"""The report page as a reader meets it, in Debian's Chromium without a screen, driven by
Selenium: it loads with no console error and asks no other host for anything, a click on a
period (or an arrow key) shows the shift Python computed for it, drawn with the graph's
colours and summary, and the search draws one word's share of each period."""

from __future__ import annotations

import json
import os
import random
import shutil

import pytest

pandas = pytest.importorskip("pandas")

from moodvane_tools import lexicon_scores, read_corpus, sample_path  # noqa: E402
from moodvane_tools.graph import COLOURS  # noqa: E402
from moodvane_tools.shifts_by_period import period_shifts  # noqa: E402
from moodvane_tools.report import render, write_report  # noqa: E402
from moodvane_tools.report.data import _search_index  # noqa: E402
from moodvane_tools.result_view import format_percent, view  # noqa: E402

CHROMIUM = shutil.which("chromium") or "/usr/bin/chromium"
DRIVER = shutil.which("chromedriver") or "/usr/bin/chromedriver"


@pytest.fixture(scope="module")
def diary():
    corpus = read_corpus(sample_path("diary.csv"), text="text", key="date")
    # Some weeks made thin, so that the page has thin periods to show.
    kept = corpus[~((corpus["key"] >= "2024-04-01") & (corpus["key"] < "2024-04-06"))]
    return kept.reset_index(drop=True)


@pytest.fixture(scope="module")
def page(diary, tmp_path_factory):
    path = tmp_path_factory.mktemp("report") / "diary.html"
    options = dict(freq="W", window=2, min_documents=100, intervals=100, n_boot=200)
    with pytest.warns(UserWarning):
        write_report(path, diary["text"], diary["key"], title="Diary", **options)
    with pytest.warns(UserWarning):
        shifts = period_shifts(diary["text"], diary["key"], freq="W", window=2,
                               min_documents=100)
    return path, shifts


@pytest.fixture(scope="module")
def browser():
    if os.environ.get("MOODVANE_SANITIZED"):
        pytest.skip("Chromium would start under the sanitizer runtimes")
    webdriver = pytest.importorskip("selenium.webdriver")
    from selenium.webdriver.chrome.service import Service

    options = webdriver.ChromeOptions()
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                     "--disable-dev-shm-usage", "--window-size=1100,1600"):
        options.add_argument(argument)
    options.binary_location = CHROMIUM
    options.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
    driver = webdriver.Chrome(service=Service(DRIVER), options=options)
    yield driver
    driver.quit()


@pytest.fixture(scope="module")
def loaded(browser, page):
    from selenium.webdriver.common.by import By

    path, shifts = page
    browser.get(path.as_uri())
    assert browser.find_element(By.TAG_NAME, "body").get_attribute("data-ready") == "true"
    return browser, shifts


def test_the_page_loads_without_errors_or_requests(loaded):
    browser, _ = loaded
    errors = [entry for entry in browser.get_log("browser") if entry["level"] == "SEVERE"]
    assert errors == []
    requested = []
    for entry in browser.get_log("performance"):
        message = json.loads(entry["message"])["message"]
        if message["method"] == "Network.requestWillBeSent":
            requested.append(message["params"]["request"]["url"])
    assert requested, "the page itself was requested"
    assert all(url.startswith(("file://", "data:")) for url in requested), requested


def _click_period(browser, index):
    from selenium.webdriver.common.by import By

    target = browser.find_element(By.CSS_SELECTOR, f"rect.period[data-index='{index}']")
    browser.execute_script("arguments[0].scrollIntoView({block: 'center'})", target)
    target.click()


@pytest.mark.parametrize("index", [2, 9, 25])
def test_a_click_shows_the_shift_python_computed(loaded, index):
    from selenium.webdriver.common.by import By

    browser, shifts = loaded
    periods = list(shifts.documents)
    period = periods[index]
    _click_period(browser, index)
    assert browser.find_element(By.ID, "series").get_attribute("data-selected") == str(index)
    result = shifts[period]
    shown = view(result, 30, ("s_avg_1", "s_avg_2"))
    labels = [label.text for label in browser.find_elements(By.CSS_SELECTOR,
                                                            "#shift .word-label")]
    assert labels[0] == f"{result['entries'][0]['type']} {format_percent(shown.bars[0].percent)}"
    assert [label.split(" ")[0] for label in labels] == [bar.word for bar in shown.bars]
    # Coloured as the PNG graph colours each kind of contribution.
    bars = browser.find_elements(By.CSS_SELECTOR, "#shift .word-bar")
    assert [bar.get_attribute("fill") for bar in bars] == \
        [COLOURS[bar.component] for bar in shown.bars]
    total = browser.find_element(By.CSS_SELECTOR, "#shift .summary-label.total").text
    assert total == f"Σ total {format_percent(shown.total)}"
    assert str(period.date()) in browser.find_element(By.ID, "shift-title").text
    # Intervals were computed, one for each word shown.
    assert len(browser.find_elements(By.CSS_SELECTOR, "#shift line.interval[data-word]")) == \
        len(shown.bars)


def test_arrow_keys_move_between_periods_and_thin_ones_say_so(loaded):
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys

    browser, shifts = loaded
    periods = list(shifts.documents)
    thin = periods.index(shifts.left_out[0])
    _click_period(browser, thin + 1)
    series = browser.find_element(By.ID, "series")
    series.send_keys(Keys.ARROW_LEFT)
    assert series.get_attribute("data-selected") == str(thin)
    assert "no word shift" in browser.find_element(By.ID, "shift-title").text
    assert "thin period" in browser.find_element(By.ID, "shift-note").text
    series.send_keys(Keys.ARROW_RIGHT)
    assert series.get_attribute("data-selected") == str(thin + 1)
    assert browser.find_elements(By.CSS_SELECTOR, "#shift .word-bar")


def test_the_search_draws_a_words_share_of_each_period(loaded, diary):
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys

    browser, shifts = loaded
    box = browser.find_element(By.ID, "search")
    box.clear()
    box.send_keys("Happy", Keys.ENTER)
    points = browser.find_elements(By.CSS_SELECTOR, "#search-chart .search-point")
    from moodvane_tools import count_groups, happiness_series

    groups = count_groups(diary["text"], diary["key"], freq="W")
    series = happiness_series(diary["text"], diary["key"], freq="W", n_boot=0)
    expected = [groups[week]["happy"] / series.loc[week, "scored"] * 100 for week in groups]
    assert [float(point.get_attribute("data-share")) for point in points] == \
        pytest.approx(expected, rel=1e-12)
    box.clear()
    box.send_keys("qwertyuiop", Keys.ENTER)
    assert "is not among" in browser.find_element(By.ID, "search-note").text
    assert not browser.find_elements(By.CSS_SELECTOR, "#search-chart .search-point")


def test_the_run_is_described(loaded):
    from selenium.webdriver.common.by import By

    browser, _ = loaded
    described = {item.get_attribute("data-term"): item.text
                 for item in browser.find_elements(By.CSS_SELECTOR, "#info dd")}
    assert described["lexicon"].startswith("english (English,")
    assert described["coverage"].endswith("of the corpus's words are scored")
    assert described["made by"].startswith("moodvane ")
    assert "2 periods before each" in described["reference"]


@pytest.mark.slow
def test_a_year_of_days_stays_small():
    rng = random.Random(3)
    words = sorted(lexicon_scores("english"))
    days = pandas.date_range("2023-01-01", periods=365, freq="D")
    texts, keys = [], []
    for day in days:
        for _ in range(60):
            texts.append(" ".join(rng.choice(words) for _ in range(12)))
            keys.append(day)
    data_page = render_page(texts, keys)
    assert len(data_page.encode("utf-8")) < 5_000_000


def render_page(texts, keys):
    from moodvane_tools.report.data import build

    data, _, _ = build(texts, keys, freq="D", window=7, n_boot=0)
    return render(data)


def test_the_search_keeps_the_most_frequent_words_within_its_budget():
    counts = [{"common": 50, "rare": 1}, {"common": 9, "middle": 4}, {"middle": 3}]
    whole = _search_index(3, counts, 10_000)
    assert whole["words"] == ["common", "middle", "rare"] and whole["complete"]
    # Gaps between the periods that have the word, then its count there.
    assert whole["counts"] == [[0, 50, 1, 9], [1, 4, 1, 3], [0, 1]]
    cut = _search_index(3, counts, 30)
    assert cut["words"] == ["common"] and not cut["complete"] and cut["vocabulary"] == 3


def test_text_that_looks_like_markup_stays_text(tmp_path):
    path = write_report(tmp_path / "r.html", ["</script><b>happy</b>", "sad & low"],
                        ["a", "b"], freq=None, n_boot=0, title="<i>x</i>")
    text = path.read_text(encoding="utf-8")
    assert "</script><b>" not in text and "<title>&lt;i&gt;x&lt;/i&gt;</title>" in text
    start = text.index('id="report-data">') + len('id="report-data">')
    data = json.loads(text[start:text.index("</script>", start)])
    assert data["title"] == "<i>x</i>"
