#!/usr/bin/env python3
"""Writes the two generated Unicode tables of moodvane from one pinned version of the
Unicode Character Database, so that the word counter and the debug quoting behave alike
whatever Unicode version the running interpreter's own `unicodedata` follows:

- lexicons/src/unicode_tables.cpp: the code points that debug_quote shows as \\u{...}: the
  general categories Cc, Cf, Cs, Co, Cn (unassigned), Zl, Zp and Zs except U+0020, and
  every character with the Grapheme_Extend property, as a sorted list of disjoint,
  non-adjacent closed ranges;
- engine/src/text/character_table.cpp: the classes of every code point that the word
  counter's scanner needs, and what it needs for lower case and for NFC (the canonical
  decompositions and what each composition pair makes; see character_table).

The inputs are the files of Unicode 15.0.0 (and Emoji 15.0) as Debian's `unicode-data`
package 15.0.0-1 installs them in /usr/share/unicode (tools/install_dependencies.sh
installs it); each is checked against its SHA-256 below before it is read, and the
generated files name them. Nothing comes from the interpreter: categories, combining
classes, decompositions, case mappings, white space and the normalisation properties
are all read from the files, and str.lower, str.isspace and NFC are worked out from them
as CPython works them out from the same data.

Usage: gen_unicode_tables.py [--ucd DIRECTORY] [--check]
--ucd: where the files are (default /usr/share/unicode); --check: write nothing, exit 1
naming each generated file that regenerating would change (the test command runs this).
"""

from __future__ import annotations

import argparse
import hashlib
import pathlib
import re
import sys

UNICODE_VERSION = "15.0.0"
EMOJI_VERSION = "15.0"
UCD_PACKAGE = "Debian's unicode-data 15.0.0-1"
# The pinned inputs: path under the UCD directory, and its SHA-256.
INPUTS = {
    "UnicodeData.txt": "806e9aed65037197f1ec85e12be6e8cd870fc5608b4de0fffd990f689f376a73",
    "DerivedCoreProperties.txt":
        "d367290bc0867e6b484c68370530bdd1a08b6b32404601b8c7accaf83e05628d",
    "SpecialCasing.txt": "78b29c64b5840d25c11a9f31b665ee551b8a499eca6c70d770fcad7dd710f494",
    "DerivedNormalizationProps.txt":
        "d5687a48c95c7d6e1ec59cb29c0f2e8b052018eb069a4371b7368d0561e12a29",
    "emoji/emoji-data.txt": "29071dba22c72c27783a73016afb8ffaeb025866740791f9c2d0b55cc45a3470",
}

ESCAPED_CATEGORIES = {"Cc", "Cf", "Cs", "Co", "Cn", "Zl", "Zp", "Zs"}
SPACE = 0x20
MAX_CODE_POINT = 0x10FFFF
RANGES_PER_LINE = 4

REPO = pathlib.Path(__file__).resolve().parent.parent
DEFAULT_UCD = pathlib.Path("/usr/share/unicode")
DEFAULT_OUTPUT = REPO / "lexicons" / "src" / "unicode_tables.cpp"
CHARACTER_OUTPUT = REPO / "engine" / "src" / "text" / "character_table.cpp"

# Hangul syllables decompose and compose by arithmetic (Unicode, section 3.12).
S_BASE, L_BASE, V_BASE, T_BASE = 0xAC00, 0x1100, 0x1161, 0x11A7
L_COUNT, V_COUNT, T_COUNT = 19, 21, 28
N_COUNT = V_COUNT * T_COUNT
S_COUNT = L_COUNT * N_COUNT


class PinnedInputError(Exception):
    """An input file that is missing or not the pinned one."""


def _ranges_of(line: str) -> range | None:
    """The code points of a property file's line ("0041..005A ; Name # ..."), or None."""
    fields = line.split("#", 1)[0].split(";")
    if len(fields) < 2 or not fields[0].strip():
        return None
    first, _, last = fields[0].strip().partition("..")
    return range(int(first, 16), int(last or first, 16) + 1)


class Ucd:
    """What the generators need of one version of the Unicode Character Database, read
    from its files after each is checked against its pinned SHA-256."""

    def __init__(self, directory: pathlib.Path) -> None:
        self.directory = directory
        self.texts = {name: self._read(name, digest) for name, digest in INPUTS.items()}
        count = MAX_CODE_POINT + 1
        self.category = ["Cn"] * count
        self.combining = [0] * count
        self.bidi = [""] * count
        self.decomposition: dict[int, tuple[str, tuple[int, ...]]] = {}
        self.simple_lower: dict[int, int] = {}
        self.simple_upper: dict[int, int] = {}
        self._unicode_data()
        self.full_lower: dict[int, tuple[int, ...]] = {}
        self.full_upper: dict[int, tuple[int, ...]] = {}
        self._special_casing()
        self.properties = self._properties("DerivedCoreProperties.txt", {
            "Grapheme_Extend", "Cased", "Case_Ignorable", "Lowercase", "Uppercase"})
        normalization = self._properties("DerivedNormalizationProps.txt",
                                         {"Full_Composition_Exclusion"}, ("NFC_QC",))
        self.composition_excluded = normalization["Full_Composition_Exclusion"]
        self.nfc_quick_check_no = normalization["NFC_QC=N"]
        self.nfc_quick_check_maybe = normalization["NFC_QC=M"]
        self.extended_pictographic = self._properties(
            "emoji/emoji-data.txt", {"Extended_Pictographic"})["Extended_Pictographic"]
        self.compositions = {
            parts: cp for cp, (tag, parts) in self.decomposition.items()
            if not tag and len(parts) == 2 and cp not in self.composition_excluded}

    def _read(self, name: str, digest: str) -> str:
        path = self.directory / name
        try:
            data = path.read_bytes()
        except OSError as error:
            raise PinnedInputError(f"{path}: cannot be read ({error.strerror}); install "
                                   f"{UCD_PACKAGE} (tools/install_dependencies.sh)") from None
        found = hashlib.sha256(data).hexdigest()
        if found != digest:
            raise PinnedInputError(f"{path}: SHA-256 {found}, not that of Unicode "
                                   f"{UNICODE_VERSION}'s file ({digest}) from {UCD_PACKAGE}")
        return data.decode("utf-8")

    def _unicode_data(self) -> None:
        first = None
        for line in self.texts["UnicodeData.txt"].splitlines():
            if not line.strip():
                continue
            fields = line.split(";")
            cp, name = int(fields[0], 16), fields[1]
            # Large blocks (CJK ideographs, Hangul syllables, surrogates, private use) come
            # as a <..., First> line and a <..., Last> line standing for all between.
            if name.endswith(", First>"):
                first = cp
                continue
            span = [cp]
            if name.endswith(", Last>"):
                if first is None:
                    raise ValueError(f"UnicodeData.txt: range end {cp:04X} without a start")
                span, first = list(range(first, cp + 1)), None
            for one in span:
                self.category[one] = fields[2]
                self.combining[one] = int(fields[3])
                self.bidi[one] = fields[4]
            if fields[5]:
                parts = fields[5].split()
                tag = parts.pop(0) if parts[0].startswith("<") else ""
                self.decomposition[cp] = (tag, tuple(int(part, 16) for part in parts))
            if fields[12]:
                self.simple_upper[cp] = int(fields[12], 16)
            if fields[13]:
                self.simple_lower[cp] = int(fields[13], 16)
        if first is not None:
            raise ValueError(f"UnicodeData.txt: range start {first:04X} without an end")

    def _special_casing(self) -> None:
        """The unconditional full mappings (those without a condition list)."""
        for line in self.texts["SpecialCasing.txt"].splitlines():
            fields = [field.strip() for field in line.split("#", 1)[0].split(";")]
            if len(fields) < 5 or fields[4]:  # no code point, or a condition
                continue
            cp = int(fields[0], 16)
            self.full_lower[cp] = tuple(int(part, 16) for part in fields[1].split())
            self.full_upper[cp] = tuple(int(part, 16) for part in fields[3].split())

    def _properties(self, name: str, wanted: set[str],
                    valued: tuple[str, ...] = ()) -> dict[str, set[int]]:
        """The code points of each wanted binary property, and of each value of the
        `valued` properties as "Property=Value"."""
        found: dict[str, set[int]] = {}
        for line in self.texts[name].splitlines():
            code_points = _ranges_of(line)
            if code_points is None:
                continue
            fields = [field.strip() for field in line.split("#", 1)[0].split(";")]
            key = fields[1] if len(fields) == 2 else f"{fields[1]}={fields[2]}"
            if fields[1] in wanted or fields[1] in valued:
                found.setdefault(key, set()).update(code_points)
        for property_name in wanted:
            if not found.get(property_name):
                raise ValueError(f"{name}: no code point has {property_name}")
        for property_name in valued:
            for value in ("N", "M"):
                found.setdefault(f"{property_name}={value}", set())
        return found

    # What CPython's str methods and unicodedata make of the same data.

    def lower(self, cp: int) -> str:
        """str.lower of the one character `cp` (final sigma needs a letter before it)."""
        if cp in self.full_lower:
            return "".join(map(chr, self.full_lower[cp]))
        return chr(self.simple_lower.get(cp, cp))

    def upper(self, cp: int) -> str:
        if cp in self.full_upper:
            return "".join(map(chr, self.full_upper[cp]))
        return chr(self.simple_upper.get(cp, cp))

    def isspace(self, cp: int) -> bool:
        return self.bidi[cp] in ("WS", "B", "S") or self.category[cp] == "Zs"

    def decompose(self, text: str) -> str:
        """NFD: the full canonical decomposition, marks in canonical order."""
        out: list[int] = []
        for character in text:
            self._decompose_into(ord(character), out)
        # Canonical ordering: each run of non-starters sorted, stably, by combining class.
        start = 0
        while start < len(out):
            if self.combining[out[start]] == 0:
                start += 1
                continue
            end = start
            while end < len(out) and self.combining[out[end]] != 0:
                end += 1
            out[start:end] = sorted(out[start:end], key=lambda cp: self.combining[cp])
            start = end
        return "".join(map(chr, out))

    def _decompose_into(self, cp: int, out: list[int]) -> None:
        if S_BASE <= cp < S_BASE + S_COUNT:
            index = cp - S_BASE
            out.append(L_BASE + index // N_COUNT)
            out.append(V_BASE + index % N_COUNT // T_COUNT)
            if index % T_COUNT:
                out.append(T_BASE + index % T_COUNT)
            return
        tag, parts = self.decomposition.get(cp, ("", ()))
        if tag or not parts:
            out.append(cp)
            return
        for part in parts:
            self._decompose_into(part, out)

    def compose(self, text: str) -> str:
        """NFC: NFD, then each character composed with the last starter before it
        unless blocked (Unicode, section 3.11)."""
        code_points = [ord(character) for character in self.decompose(text)]
        out: list[int] = []
        starter = -1  # position in `out` of the last starter
        for cp in code_points:
            klass = self.combining[cp]
            if starter >= 0:
                last_class = self.combining[out[-1]] if len(out) - 1 > starter else -1
                blocked = len(out) - 1 > starter and (last_class == 0 or last_class >= klass)
                composed = None if blocked else self._pair(out[starter], cp)
                if composed is not None:
                    out[starter] = composed
                    continue
            if klass == 0:
                starter = len(out)
            out.append(cp)
        return "".join(map(chr, out))

    def _pair(self, first: int, second: int) -> int | None:
        if (L_BASE <= first < L_BASE + L_COUNT and V_BASE <= second < V_BASE + V_COUNT):
            return S_BASE + ((first - L_BASE) * V_COUNT + second - V_BASE) * T_COUNT
        if (S_BASE <= first < S_BASE + S_COUNT and (first - S_BASE) % T_COUNT == 0
                and T_BASE < second < T_BASE + T_COUNT):
            return first + second - T_BASE
        return self.compositions.get((first, second))

    def manifest(self) -> str:
        """The pinned inputs, for the head of a generated file."""
        width = max(map(len, INPUTS))
        return "\n".join(f"//   {name:<{width}}  sha256 {digest}"
                         for name, digest in INPUTS.items())


def head(what: str) -> str:
    return (f"// Generated by tools/gen_unicode_tables.py ({what}) from the Unicode Character\n"
            f"// Database {UNICODE_VERSION} and Emoji {EMOJI_VERSION}, the files of "
            f"{UCD_PACKAGE}:\n")


def to_ranges(flags):
    """Closed [first, last] ranges of the indices whose flag is set."""
    ranges = []
    start = None
    for cp, flag in enumerate(flags):
        if flag and start is None:
            start = cp
        elif not flag and start is not None:
            ranges.append((start, cp - 1))
            start = None
    if start is not None:
        ranges.append((start, len(flags) - 1))
    return ranges


def render(ucd: Ucd, ranges: list[tuple[int, int]]) -> str:
    rows = []
    for i in range(0, len(ranges), RANGES_PER_LINE):
        chunk = ranges[i : i + RANGES_PER_LINE]
        rows.append("    " + " ".join(f"{{0x{a:X}, 0x{b:X}}}," for a, b in chunk))
    table = "\n".join(rows)
    return f"""\
{head("debug quoting")}{ucd.manifest()}
// Do not edit; run the script again instead (the tests check that it changes nothing).
#include "unicode_tables.hpp"

namespace moodvane::lexicons::unicode {{
namespace {{

// Cc, Cf, Cs, Co, Cn, Zl, Zp, Zs (without U+0020) and Grapheme_Extend: {len(ranges)} ranges.
// clang-format off
constexpr CodePointRange kEscapedRanges[] = {{
{table}
}};
// clang-format on

}}  // namespace

std::string_view unicode_version() noexcept {{
  return "{UNICODE_VERSION}";
}}

std::span<const CodePointRange> escaped_code_points() noexcept {{
  return kEscapedRanges;
}}

}}  // namespace moodvane::lexicons::unicode
"""


def escaped_table(ucd: Ucd) -> str:
    extend = ucd.properties["Grapheme_Extend"]
    flags = [(category in ESCAPED_CATEGORIES and cp != SPACE) or cp in extend
             for cp, category in enumerate(ucd.category)]
    return render(ucd, to_ranges(flags))


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--ucd", type=pathlib.Path, default=DEFAULT_UCD)
    parser.add_argument("--check", action="store_true")
    arguments = parser.parse_args(argv[1:])
    try:
        ucd = Ucd(arguments.ucd)
    except PinnedInputError as error:
        print(f"gen_unicode_tables.py: {error}", file=sys.stderr)
        return 2
    tables = {DEFAULT_OUTPUT: escaped_table(ucd), CHARACTER_OUTPUT: character_table(ucd)}
    changed = []
    for path, text in tables.items():
        old = path.read_text(encoding="utf-8") if path.exists() else None
        if old == text:
            continue
        changed.append(path)
        if not arguments.check:
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(text, encoding="utf-8")
    for path in changed:
        print(f"{'would change' if arguments.check else 'wrote'} {path.relative_to(REPO)}")
    return 1 if arguments.check and changed else 0


# The word counter's classes, from the same database, so that the native counter and the
# interpreter's str methods (lower, isalpha, NFC) that CPython builds from the same files
# agree on every character of that version.
CHARACTER_CLASSES = {
    "word": 1,  # a letter, combining mark or number, or U+200C/U+200D: inside words
    "letter": 2,  # a letter (what str.isalpha accepts)
    "mark": 4,  # a combining mark (general category M)
    "non_starter": 8,  # canonical combining class other than 0
    "stable_break": 16,  # text may be cut just before it, for tokens and for NFC alike
    "space": 32,  # white space, as str.isspace says
    "emoji": 64,  # begins an emoji: Extended_Pictographic or Regional_Indicator, no word
    "emoji_modifier": 128,  # goes on an emoji: a variation selector, skin tone, keycap, tag
}
EMOJI_MODIFIERS = ({0xFE0E, 0xFE0F, 0x20E3} | set(range(0x1F3FB, 0x1F400))
                   | set(range(0xE0020, 0xE0080)))
JOINER_FORMS = {0x27, 0x2D, 0x2019, 0x02BC, 0x2010, 0x2011}
BLOCK = 256


def composition_pairs(ucd: Ucd) -> set[tuple[int, int]]:
    """(first, second) for every primary composite that NFC makes, Hangul aside."""
    pairs = set()
    for cp, (tag, parts) in ucd.decomposition.items():
        if not tag and len(parts) == 2 and ucd.compose(chr(parts[0]) + chr(parts[1])) == chr(cp):
            pairs.add(parts)
    return pairs


def composition_seconds(pairs: set[tuple[int, int]]) -> set[int]:
    """Code points that NFC may compose with the character before them."""
    seconds = set(range(0x1161, 0x1176)) | set(range(0x11A8, 0x11C3))  # Hangul V and T
    return seconds | {second for _, second in pairs}


def emoji_starts(ucd: Ucd) -> set[int]:
    """Extended_Pictographic code points and the regional indicators that spell flags."""
    found = set(range(0x1F1E6, 0x1F200)) | ucd.extended_pictographic
    if len(found) < 1000:
        raise ValueError("emoji-data.txt: too few Extended_Pictographic code points")
    return found


def sigma_context(ucd: Ucd) -> set[int]:
    """Code points that str.lower looks at, or looks through, to choose the final form of
    U+03A3 (Cased and Case_Ignorable), with every other that has case or may come
    between: a text cut before one of them may lower otherwise ("ΒΣⓂ": σ before the
    cased Ⓜ, ς at the end of a piece)."""
    found = ucd.properties["Cased"] | ucd.properties["Case_Ignorable"]
    found |= ucd.properties["Lowercase"] | ucd.properties["Uppercase"]
    for cp in range(MAX_CODE_POINT + 1):
        if (ucd.lower(cp) != chr(cp) or ucd.upper(cp) != chr(cp)
                or ucd.category[cp] in ("Mn", "Me", "Cf", "Lm", "Sk", "Lt")):
            found.add(cp)
    return found


def character_class(ucd: Ucd, cp: int, seconds: set[int], emoji: set[int],
                    sigma: set[int]) -> int:
    category = ucd.category[cp]
    bits = 0
    if category[0] in "LMN" or cp in (0x200C, 0x200D):
        bits |= CHARACTER_CLASSES["word"]
    if category[0] == "L":
        bits |= CHARACTER_CLASSES["letter"]
    if category[0] == "M":
        bits |= CHARACTER_CLASSES["mark"]
    combining = ucd.combining[cp]
    if combining:
        bits |= CHARACTER_CLASSES["non_starter"]
    # A break before this character splits no token, no normalisation and no choice of
    # final sigma: it is no word character, never composes with what precedes it, NFC
    # leaves it as it is, and it is neither cased nor case-ignorable.
    if (not bits & CHARACTER_CLASSES["word"] and cp not in JOINER_FORMS and not combining
            and cp not in seconds and category != "Cs" and cp not in sigma
            and cp not in ucd.nfc_quick_check_no):
        bits |= CHARACTER_CLASSES["stable_break"]
    if ucd.isspace(cp):
        bits |= CHARACTER_CLASSES["space"]
    if cp in emoji and not bits & CHARACTER_CLASSES["word"] and cp > 0x7F:
        bits |= CHARACTER_CLASSES["emoji"]
    if cp in EMOJI_MODIFIERS:
        bits |= CHARACTER_CLASSES["emoji_modifier"]
    return bits


def normalization_class(ucd: Ucd, cp: int, seconds: set[int], classes: list[int]) -> int:
    value = ucd.combining[cp]
    if 0xD800 <= cp <= 0xDFFF:
        return value
    # A single character that NFC changes is one that never stays in NFC (quick check No).
    if cp in ucd.nfc_quick_check_no:
        value |= 256
    if cp in seconds:
        value |= 512
    if ucd.decompose(chr(cp)) != chr(cp):
        value |= 1024
    if ucd.lower(cp) != chr(cp):
        value |= 2048
        if cp >= 0x80 and simple_lower(ucd, cp, classes) is None:
            value |= 4096
    return value


# What the scanner reads must not change when it lowers a token itself after finding it:
# boundaries, emoji and emoticons come from the characters as written.
CASE_SENSITIVE_CLASSES = CHARACTER_CLASSES["emoji"] | CHARACTER_CLASSES["emoji_modifier"]


def simple_lower(ucd: Ucd, cp: int, classes: list[int]) -> int | None:
    """The one code point str.lower makes of `cp` wherever it stands, when the counter may
    lower it natively: not U+03A3 (final sigma depends on context), not U+0130 (two code
    points), nothing lowered into ASCII (the Kelvin sign), nothing whose class changes
    or that is part of an emoji. None otherwise, and for what lower leaves alone."""
    lowered = ucd.lower(cp)
    if lowered == chr(cp):
        return None
    if "".join(ucd.lower(ord(c)) for c in lowered) != lowered:
        raise ValueError(f"lower case is not idempotent on U+{cp:04X}")
    if len(lowered) != 1 or cp == 0x3A3 or cp < 0x80:  # ASCII: the scanner's own loop
        return None
    low = ord(lowered)
    if low < 0x80 or classes[cp] != classes[low] or classes[cp] & CASE_SENSITIVE_CLASSES:
        return None
    return low


def canonical_decompositions(ucd: Ucd) -> list[tuple[int, list[int]]]:
    """(code point, its full canonical decomposition) for every code point that has one,
    Hangul syllables aside (their decomposition is arithmetic)."""
    return [(cp, [ord(c) for c in ucd.decompose(chr(cp))])
            for cp, (tag, parts) in sorted(ucd.decomposition.items())
            if not tag and parts and not S_BASE <= cp < S_BASE + S_COUNT]


def character_table(ucd: Ucd) -> str:
    """A two-stage table: the class byte of code point c is
    kBlocks[kBlockOf[c / 256] * 256 + c % 256]; identical blocks are stored once."""
    pairs = sorted(composition_pairs(ucd))
    seconds = composition_seconds(set(pairs))
    emoji = emoji_starts(ucd)
    sigma = sigma_context(ucd)
    classes = [character_class(ucd, cp, seconds, emoji, sigma)
               for cp in range(MAX_CODE_POINT + 1)]
    blocks, block_of, index = [], [], {}
    for first in range(0, MAX_CODE_POINT + 1, BLOCK):
        block = tuple(classes[first:first + BLOCK])
        if block not in index:
            index[block] = len(blocks)
            blocks.append(block)
        block_of.append(index[block])
    norm_blocks, norm_block_of, norm_index = [], [], {}
    for first in range(0, MAX_CODE_POINT + 1, BLOCK):
        block = tuple(normalization_class(ucd, cp, seconds, classes)
                      for cp in range(first, first + BLOCK))
        if block not in norm_index:
            norm_index[block] = len(norm_blocks)
            norm_blocks.append(block)
        norm_block_of.append(norm_index[block])
    composites = [ord(ucd.compose(chr(a) + chr(b))) for a, b in pairs]
    decompositions = canonical_decompositions(ucd)
    parts = [part for _, decomposed in decompositions for part in decomposed]
    starts = [0]
    for _, decomposed in decompositions:
        starts.append(starts[-1] + len(decomposed))
    lowers = [(cp, low) for cp in range(0x80, MAX_CODE_POINT + 1)
              if (low := simple_lower(ucd, cp, classes)) is not None]
    lower_rows = "\n".join(
        "    " + " ".join(f"0x{(a << 21) | b:X}," for a, b in lowers[i:i + 6])
        for i in range(0, len(lowers), 6))
    norm_rows = "\n".join(
        "    " + ", ".join(str(v) for v in block[i:i + 24]) + ","
        for block in norm_blocks for i in range(0, BLOCK, 24))
    norm_index_rows = "\n".join(
        "    " + ", ".join(str(v) for v in norm_block_of[i:i + 24]) + ","
        for i in range(0, len(norm_block_of), 24))
    pair_rows = "\n".join(
        "    " + " ".join(f"0x{(a << 21) | b:X}," for a, b in pairs[i:i + 6])
        for i in range(0, len(pairs), 6))
    composite_rows = "\n".join(
        "    " + " ".join(f"0x{c:X}," for c in composites[i:i + 12])
        for i in range(0, len(composites), 12))
    decomposed_rows = "\n".join(
        "    " + " ".join(f"0x{cp:X}," for cp, _ in decompositions[i:i + 12])
        for i in range(0, len(decompositions), 12))
    start_rows = "\n".join(
        "    " + " ".join(f"{v}," for v in starts[i:i + 16]) for i in range(0, len(starts), 16))
    part_rows = "\n".join(
        "    " + " ".join(f"0x{cp:X}," for cp in parts[i:i + 12]) for i in range(0, len(parts), 12))
    block_rows = "\n".join(
        "    " + ", ".join(str(v) for v in block[i:i + 32]) + ","
        for block in blocks for i in range(0, BLOCK, 32))
    index_rows = "\n".join(
        "    " + ", ".join(str(v) for v in block_of[i:i + 24]) + ","
        for i in range(0, len(block_of), 24))
    bits = "\n".join(f"//   {value:>2}  {name}" for name, value in CHARACTER_CLASSES.items())
    return f"""\
{head("the word counter's classes")}{ucd.manifest()}
// Do not edit; run the script again instead (the tests check that it changes nothing).
//
// Class bits:
{bits}
#include "moodvane/text/character_classes.hpp"

namespace moodvane::text::detail {{

// clang-format off
const std::uint16_t kBlockOf[{len(block_of)}] = {{
{index_rows}
}};

const std::uint8_t kBlocks[{len(blocks) * BLOCK}] = {{
{block_rows}
}};

// Normalisation: the canonical combining class in the low 8 bits, then 256 for
// NFC_Quick_Check=No, 512 for Maybe, 1024 for a canonical decomposition, 2048 for a
// character that str.lower changes, 4096 for one of those that only the interpreter
// lowers (not in kSimpleLowers).
const std::uint16_t kNormBlockOf[{len(norm_block_of)}] = {{
{norm_index_rows}
}};

const std::uint16_t kNormBlocks[{len(norm_blocks) * BLOCK}] = {{
{norm_rows}
}};

// The pairs (first << 21 | second) that NFC composes, Hangul aside, in increasing order.
const std::uint64_t kCompositionPairs[{len(pairs)}] = {{
{pair_rows}
}};
const std::size_t kCompositionPairCount = {len(pairs)};
// What each of those pairs composes into, in the same order.
const std::uint32_t kComposites[{len(composites)}] = {{
{composite_rows}
}};

// The code points with a canonical decomposition, Hangul aside, in increasing order; the
// full decomposition of the i-th is kDecompositionParts[kDecompositionStarts[i] ..
// kDecompositionStarts[i + 1]].
const std::uint32_t kDecomposed[{len(decompositions)}] = {{
{decomposed_rows}
}};
const std::size_t kDecomposedCount = {len(decompositions)};
const std::uint16_t kDecompositionStarts[{len(starts)}] = {{
{start_rows}
}};
const std::uint32_t kDecompositionParts[{len(parts)}] = {{
{part_rows}
}};

// The pairs (code point << 21 | its lower case) beyond ASCII that the counter lowers
// itself, exactly as str.lower does, in increasing order.
const std::uint64_t kSimpleLowers[{len(lowers)}] = {{
{lower_rows}
}};
const std::size_t kSimpleLowerCount = {len(lowers)};
// clang-format on

}}  // namespace moodvane::text::detail

namespace moodvane::text {{

std::string_view character_table_version() noexcept {{
  return "{UNICODE_VERSION}";
}}

}}  // namespace moodvane::text
"""


if __name__ == "__main__":
    sys.exit(main(sys.argv))
