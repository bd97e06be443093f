#!/usr/bin/env python3
"""Writes tests/python/data/chinese_sample.txt, the real Chinese text that the segmenter's
agreement with jieba is measured on, and its attribution beside it.

The text is the Simplified Chinese translation of the GNOME desktop help (Debian's
gnome-user-docs package, CC BY-SA 3.0, stated in the pages' legal.xml and in the package's
copyright file): every paragraph of the pages, in file order, that is at least 20
characters long and mostly (60%) Han characters, one paragraph a line, its white space
runs made single spaces. Paragraphs still in English are left out.

Usage: extract_chinese_sample.py [HELP_DIRECTORY]
HELP_DIRECTORY defaults to /usr/share/help/zh_CN/gnome-help (apt-get install
gnome-user-docs, or unpack the package with `apt-get download gnome-user-docs` and
`dpkg-deb -x`).
"""

from __future__ import annotations

import pathlib
import re
import sys
import xml.etree.ElementTree as ET

REPO = pathlib.Path(__file__).resolve().parent.parent
OUTPUT = REPO / "tests" / "python" / "data" / "chinese_sample.txt"
ATTRIBUTION = OUTPUT.with_name("chinese_sample.SOURCE.md")
DEFAULT_HELP = pathlib.Path("/usr/share/help/zh_CN/gnome-help")
MALLARD = "{http://projectmallard.org/1.0/}"
HAN = re.compile(r"[\u4e00-\u9fff]")
SHORTEST = 20
HAN_SHARE = 0.6


def paragraphs(page: pathlib.Path) -> list[str]:
    kept = []
    for element in ET.parse(page).getroot().iter(f"{MALLARD}p"):
        text = " ".join("".join(element.itertext()).split())
        characters = len(text.replace(" ", ""))
        if characters >= SHORTEST and len(HAN.findall(text)) >= HAN_SHARE * characters:
            kept.append(text)
    return kept


def credited(page: pathlib.Path) -> set[str]:
    root = ET.parse(page).getroot()
    return {" ".join("".join(name.itertext()).split())
            for name in root.iter() if name.tag.endswith("}name")}


def main(argv: list[str]) -> int:
    help_directory = pathlib.Path(argv[1]) if len(argv) > 1 else DEFAULT_HELP
    legal = (help_directory / "legal.xml").read_text(encoding="utf-8")
    if "creativecommons.org/licenses/by-sa/3.0" not in legal:
        sys.exit(f"{help_directory}/legal.xml does not state CC BY-SA 3.0")
    lines: list[str] = []
    names: set[str] = set()
    for page in sorted(help_directory.glob("*.page")):
        found = paragraphs(page)
        if found:
            lines += found
            names |= credited(page)
    OUTPUT.write_text("\n".join(lines) + "\n", encoding="utf-8")
    ATTRIBUTION.write_text(
        "# chinese_sample.txt\n\n"
        "Paragraphs of the Simplified Chinese GNOME desktop help, taken from Debian's\n"
        "`gnome-user-docs` package (version 43.0-2, /usr/share/help/zh_CN/gnome-help) by\n"
        "`tools/extract_chinese_sample.py`: every paragraph of at least 20 characters that is\n"
        "mostly Han characters, in file order, one a line, white space made single spaces.\n"
        "Nothing else is changed.\n\n"
        "Licence: Creative Commons Attribution-ShareAlike 3.0 Unported,\n"
        "https://creativecommons.org/licenses/by-sa/3.0/, as each page states (legal.xml:\n"
        "\"本文许可协议 Creative Commons Attribution-ShareAlike 3.0 Unported License\") and as\n"
        "the package's copyright file records (\"Copyright (C) 2010 - 2014 Shaun McCance,\n"
        "License: CC-BY-SA-3.0\"). This extract is under the same licence.\n\n"
        "Authors, editors and translators credited in the pages used:\n"
        + "".join(f"- {name}\n" for name in sorted(names)),
        encoding="utf-8")
    print(f"{OUTPUT}: {len(lines)} paragraphs, {OUTPUT.stat().st_size} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
