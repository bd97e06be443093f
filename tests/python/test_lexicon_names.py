"""How weighted_avg_shift resolves its lexicon argument, and the message for a name that
does not resolve."""

from __future__ import annotations

import pytest

import moodvane
from conftest import LEXICON_DATA, LEXICON_KEYS, canonical, load_lexicon

SHIFT = moodvane.weighted_avg_shift
KEYS = list(LEXICON_KEYS)


def _spellings(key):
    capitalised = key.capitalize()
    return [key, key.upper(), capitalised, f"senTX_{key}", f"senTX_{key.upper()}",
            f"senTX_{capitalised}"]


@pytest.mark.parametrize("key", KEYS)
def test_every_spelling_resolves_to_the_same_lexicon(key):
    if (LEXICON_DATA / f"{key}.tsv").exists():
        words = list(load_lexicon(key))
        probe = {w: i % 4 for i, w in enumerate(words[:40] + words[-40:])}
    else:  # still proves that every spelling resolves
        probe = {"love": 1, "amor": 2, "liebe": 3, "happy": 1}
    expected = canonical(SHIFT(probe, {}, key))
    if (LEXICON_DATA / f"{key}.tsv").exists():
        assert len(expected["entries"]) == len(probe)
    for name in _spellings(key):
        assert canonical(SHIFT(probe, {}, name)) == expected, name


def test_default_is_english():
    probe = {"happy": 1, "sad": 2, "laughter": 3}
    assert canonical(SHIFT(probe, {"happy": 2})) == canonical(SHIFT(probe, {"happy": 2},
                                                                      "english"))


def _unknown(quoted):
    return f"unknown senTX lexicon: {quoted}"


@pytest.mark.parametrize(("name", "message"), [
    ("", _unknown('""')),
    ("senTX_", _unknown('"senTX_"')),
    ("Klingon", _unknown('"Klingon"')),
    ("sentx_English", _unknown('"sentx_English"')),
    ("SENTX_english", _unknown('"SENTX_english"')),
    ("senTX_senTX_English", _unknown('"senTX_senTX_English"')),
    (" English", _unknown('" English"')),
    ("English ", _unknown('"English "')),
    ("en", _unknown('"en"')),
    ("eng", _unknown('"eng"')),
    ("Hindi5", _unknown('"Hindi5"')),
    ("chinese2", _unknown('"chinese2"')),
    ("portuguese_", _unknown('"portuguese_"')),
    ("Engl\u0130sh", _unknown('"Engl\u0130sh"')),
    ("sen\"TX\\", _unknown(r'"sen\"TX\\"')),
    ("it's\n", _unknown(r'''"it's\n"''')),
    ("del\x7f", _unknown(r'"del\u{7f}"')),
    ("tab\tcr\rnul\x00", _unknown(r'"tab\tcr\rnul\0"')),
    ("français", _unknown('"français"')),
    ("english\u0308", _unknown(r'"english\u{308}"')),
    ("\u3000english\ufeff", _unknown(r'"\u{3000}english\u{feff}"')),
])
def test_unknown_name(name, message):
    with pytest.raises(ValueError) as info:
        SHIFT({}, {}, name)
    assert type(info.value) is ValueError
    assert str(info.value) == message
