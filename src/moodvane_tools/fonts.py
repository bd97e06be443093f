"""Fonts for words in any script. matplotlib's default font has no Chinese, Korean or
Devanagari glyphs; since matplotlib 3.6 a text may name several families and each glyph
comes from the first that has it, so the families needed are added after the default.

Two traps are avoided: a fallback font whose character map claims every character but
draws each as a box (matplotlib ships "Last Resort") never counts as having a glyph, and
matplotlib's font list, cached when it first ran, is brought up to date once before a
warning says that no font has the glyphs (a font installed since would be missed)."""

from __future__ import annotations

import functools
import unicodedata
import warnings
from collections.abc import Iterable, Mapping

# Families tried first, in this order, before any other installed font: common fonts
# with wide coverage (Debian: fonts-noto-cjk, fonts-noto-core, fonts-wqy-microhei,
# fonts-lohit-deva, fonts-nanum, fonts-droid-fallback).
PREFERRED_FAMILIES: tuple[str, ...] = (
    "Noto Sans CJK SC", "Noto Sans CJK KR", "Source Han Sans SC", "WenQuanYi Micro Hei",
    "WenQuanYi Zen Hei", "Noto Sans Devanagari", "Lohit Devanagari", "NanumGothic",
    "Noto Sans KR", "Droid Sans Fallback", "Noto Sans", "Arial Unicode MS",
)


# A font maps this many characters per glyph or more only when most of its characters
# share a placeholder glyph: a fallback that shows where text is, not what it says.
_PLACEHOLDER_RATIO = 4


@functools.cache
def _coverage(path: str) -> frozenset[int]:
    """The characters that the font at `path` draws, none for a placeholder font."""
    from matplotlib.ft2font import FT2Font

    try:
        font = FT2Font(path)
        charmap = font.get_charmap()
    except (OSError, RuntimeError):
        return frozenset()
    if is_placeholder_font(font.family_name, charmap):
        return frozenset()
    return frozenset(charmap)


def is_placeholder_font(family: str, charmap: Mapping[int, object]) -> bool:
    """Whether a font only draws boxes: one named Last Resort, or whose character map
    sends many characters to each glyph (Last Resort sends 1,114,112 to 371)."""
    if "last resort" in family.lower():
        return True
    glyphs = len(set(charmap.values()))
    return len(charmap) >= _PLACEHOLDER_RATIO * max(1, glyphs) and len(charmap) > 1000


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


def _refresh_font_list() -> bool:
    """Adds to matplotlib's font list the system fonts installed since the list was made
    (and cached); True if there were any. Done at most once per process."""
    global _refreshed
    if _refreshed:
        return False
    _refreshed = True
    from matplotlib import font_manager

    manager = font_manager.fontManager
    known = {font.fname for font in manager.ttflist}
    added = False
    for path in font_manager.findSystemFonts():
        if path not in known:
            try:
                manager.addfont(path)
                added = True
            except (OSError, RuntimeError, ValueError):
                continue  # not a font matplotlib can read
    if added:
        # Lookups made before, which fell back to the default family, must not stick.
        cached = getattr(font_manager.FontManager, "_findfont_cached", None)
        if cached is not None and hasattr(cached, "cache_clear"):
            cached.cache_clear()
    return added


_refreshed = False


def _search(missing: set[int], families: list[str]) -> set[int]:
    """Adds to `families` the installed fonts that have some of the `missing` characters,
    preferred ones first; returns the characters that none has."""
    for name, path in _installed():
        if name in families:
            continue
        found = missing & _coverage(path)
        if found:
            families.append(name)
            missing = missing - found
            if not missing:
                break
    return missing


def families_for(texts: Iterable[str]) -> list[str] | None:
    """The font families that together have a glyph for every character of `texts`, the
    default family first; None when the default has them all. Warns, naming the missing
    characters, when no installed font has some of them, after looking once more at the
    fonts installed since matplotlib made its font list."""
    needed = {
        ord(character) for text in texts for character in text
        if not character.isspace() and unicodedata.category(character) != "Cf"
    }
    default_name, default_path = _default_family()
    missing = needed - _coverage(default_path)
    if not missing:
        return None
    families = [default_name]
    missing = _search(missing, families)
    if missing and _refresh_font_list():
        missing = _search(missing, families)
    if missing:
        shown = "".join(sorted(map(chr, missing))[:12])
        warnings.warn(
            f"no installed font has glyphs for {shown!r}, which will show as boxes: "
            "install one (on Debian, fonts-noto-cjk for Chinese and Korean, "
            "fonts-noto-core for Devanagari) or name one with shift_graph(..., font=...)",
            stacklevel=3,
        )
    return families
