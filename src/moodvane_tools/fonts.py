"""Fonts for words in any script. matplotlib's default font has no Chinese, Korean or
Devanagari glyphs; since matplotlib 3.6 a text may name several families and each glyph
comes from the first that has it, so the families needed are added after the default."""

from __future__ import annotations

import functools
import unicodedata
import warnings
from collections.abc import Iterable

# Families tried first, in this order, before any other installed font: common fonts
# with wide coverage (Debian: fonts-noto-cjk, fonts-noto-core, fonts-wqy-microhei,
# fonts-lohit-deva, fonts-nanum, fonts-droid-fallback).
PREFERRED_FAMILIES: tuple[str, ...] = (
    "Noto Sans CJK SC", "Noto Sans CJK KR", "Source Han Sans SC", "WenQuanYi Micro Hei",
    "WenQuanYi Zen Hei", "Noto Sans Devanagari", "Lohit Devanagari", "NanumGothic",
    "Noto Sans KR", "Droid Sans Fallback", "Noto Sans", "Arial Unicode MS",
)


@functools.cache
def _coverage(path: str) -> frozenset[int]:
    from matplotlib.ft2font import FT2Font

    try:
        return frozenset(FT2Font(path).get_charmap())
    except (OSError, RuntimeError):
        return frozenset()


@functools.cache
def _default_family() -> tuple[str, str]:
    from matplotlib import font_manager, rcParams

    path = font_manager.findfont(font_manager.FontProperties(family=rcParams["font.family"]))
    return font_manager.FontProperties(fname=path).get_name(), path


def _installed() -> list[tuple[str, str]]:
    from matplotlib import font_manager

    fonts = {font.name: font.fname for font in font_manager.fontManager.ttflist}
    preferred = [(name, fonts[name]) for name in PREFERRED_FAMILIES if name in fonts]
    others = sorted((name, path) for name, path in fonts.items() if name not in PREFERRED_FAMILIES)
    return preferred + others


def families_for(texts: Iterable[str]) -> list[str] | None:
    """The font families that together have a glyph for every character of `texts`, the
    default family first; None when the default has them all. Warns, naming the missing
    characters, when no installed font has some of them."""
    needed = {
        ord(character) for text in texts for character in text
        if not character.isspace() and unicodedata.category(character) != "Cf"
    }
    default_name, default_path = _default_family()
    missing = needed - _coverage(default_path)
    if not missing:
        return None
    families = [default_name]
    for name, path in _installed():
        found = missing & _coverage(path)
        if found:
            families.append(name)
            missing -= found
            if not missing:
                break
    if missing:
        shown = "".join(sorted(map(chr, missing))[:12])
        warnings.warn(
            f"no installed font has glyphs for {shown!r}: install one (on Debian, "
            "fonts-noto-cjk for Chinese and Korean, fonts-noto-core for Devanagari) or "
            "name one with shift_graph(..., font=...)",
            stacklevel=3,
        )
    return families
