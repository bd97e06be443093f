"""The generated Unicode tables: regenerating them from the pinned inputs changes nothing,
and the generator reads those inputs as an independent implementation of the same Unicode
version does (unicodedata2, pinned in the test extra of pyproject.toml), on every code point."""

from __future__ import annotations

import importlib.util
import subprocess
import sys

import pytest
import unicodedata2 as pinned_unicode
from hypothesis import given, settings
from hypothesis import strategies as st

from conftest import REPO

GENERATOR = REPO / "tools" / "gen_unicode_tables.py"


def _generator():
    found = importlib.util.spec_from_file_location("gen_unicode_tables", GENERATOR)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


gen = _generator()
try:
    UCD = gen.Ucd(gen.DEFAULT_UCD)
except gen.PinnedInputError as error:  # the inputs are installed by install_dependencies.sh
    pytest.skip(str(error), allow_module_level=True)


@pytest.mark.slow
def test_regenerating_the_tables_changes_nothing():
    run = subprocess.run([sys.executable, GENERATOR, "--check"], capture_output=True,
                         text=True, timeout=300)
    assert run.returncode == 0, run.stdout + run.stderr


@pytest.mark.parametrize("path", ["engine/src/text/character_table.cpp",
                                  "lexicons/src/unicode_tables.cpp"])
def test_each_table_names_its_generator_and_pinned_inputs(path):
    text = (REPO / path).read_text(encoding="utf-8")
    head = text[:text.index("#include")]
    assert "tools/gen_unicode_tables.py" in head and f"Database {gen.UNICODE_VERSION}" in head
    for name, digest in gen.INPUTS.items():
        assert f"{name}" in head and digest in head, name


def test_the_pinned_version_is_unicodedata2s():
    assert gen.UNICODE_VERSION == pinned_unicode.unidata_version


@pytest.mark.parametrize("block", range(0, 0x110000, 0x10000),
                         ids=lambda block: f"plane {block >> 16}")
def test_the_generator_reads_each_code_point_as_unicodedata2_does(block):
    for cp in range(block, block + 0x10000):
        character = chr(cp)
        expected = (pinned_unicode.category(character), pinned_unicode.combining(character),
                    pinned_unicode.bidirectional(character))
        assert (UCD.category[cp], UCD.combining[cp], UCD.bidi[cp]) == expected, hex(cp)
        tag, parts = UCD.decomposition.get(cp, ("", ()))
        written = " ".join([tag] * bool(tag) + [f"{part:04X}" for part in parts])
        assert written == pinned_unicode.decomposition(character), hex(cp)
        if 0xD800 <= cp <= 0xDFFF:
            continue
        assert UCD.decompose(character) == pinned_unicode.normalize("NFD", character), hex(cp)
        assert (cp in UCD.nfc_quick_check_no) == \
            (pinned_unicode.normalize("NFC", character) != character), hex(cp)


# Letters, combining marks of several classes, Hangul jamo and syllables, and characters
# that decompose (or are excluded from composition), which NFC reorders and recomposes.
NORMALISABLE = st.text(alphabet=st.one_of(
    st.sampled_from("aeiouAEOnNcCsSkK\u0301\u0300\u0302\u0308\u0327\u0323\u031b\u0345"
                    "\u0316\u093c\u0915\u09c7\u09be\u1100\u1161\u11a8\uac00\u0344\u0958"
                    "\u1e9b\u212b\u2126\u0f73\u0f75\u0f81\U0001d15e\U000110a5\U000110ba"),
    st.characters(blacklist_categories=("Cs",))), max_size=30)


@settings(max_examples=500, deadline=None)
@given(text=NORMALISABLE)
def test_the_generators_nfc_is_unicodedata2s(text):
    assert UCD.compose(text) == pinned_unicode.normalize("NFC", text)
