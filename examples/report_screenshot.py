"""Writes the report of the sample diary (examples/diary_report.html) and its screenshot
(examples/report.png) as Debian's Chromium shows it without a screen, a period picked by
a click as a reader would.

    python examples/report_screenshot.py [--folder examples]

Needs selenium and Debian's chromium and chromium-driver (tools/install_dependencies.sh
installs them).
"""

from __future__ import annotations

import argparse
import shutil
import warnings
from pathlib import Path

from moodvane_tools import read_corpus, sample_path, write_report


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--folder", type=Path, default=Path(__file__).resolve().parent)
    options = parser.parse_args()
    corpus = read_corpus(sample_path("diary.csv"), text="text", key="date")
    page = options.folder / "diary_report.html"
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", UserWarning)
        write_report(page, corpus["text"], corpus["key"], freq="W", window=2, intervals=500,
                     top_n=20,
                     title="Diary: average score by week", source={"corpus": "diary.csv"})

    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By

    browser_options = webdriver.ChromeOptions()
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                     "--disable-dev-shm-usage", "--window-size=1100,1720",
                     "--hide-scrollbars"):
        browser_options.add_argument(argument)
    browser_options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
    driver = webdriver.Chrome(service=Service(shutil.which("chromedriver") or
                                              "/usr/bin/chromedriver"),
                              options=browser_options)
    try:
        driver.get(page.resolve().as_uri())
        # The week the mood fell furthest below the two before it.
        driver.find_element(By.CSS_SELECTOR, "rect.period[data-label='2024-04-01']").click()
        driver.find_element(By.ID, "search").send_keys("tired\n")
        driver.save_screenshot(str(options.folder / "report.png"))
    finally:
        driver.quit()


if __name__ == "__main__":
    main()
