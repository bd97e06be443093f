#!/usr/bin/env python3
"""Writes the committed seed corpora under tests/fuzz/corpus/<target>/.

Run it again after changing a target's input layout; it replaces each corpus directory
whole. Seeds are small on purpose: lines of the real lexicon texts, the documented edge
cases of each format, and (for the encoder) inputs laid out so that the target builds the
worked-example result and results at the edges of the number and string forms.
"""

import shutil
import struct
import sys
from fractions import Fraction
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent.parent
sys.path.insert(0, str(ROOT / "tools"))
import lexicon_manifest  # noqa: E402

LEXICON_KEYS = lexicon_manifest.keys()


def lexicon_lines(key, start, count):
    lines = (ROOT / "lexicons" / "data" / f"{key}.tsv").read_bytes().split(b"\n")
    return b"".join(line + b"\n" for line in lines[start:start + count])


def exact_decimal(value):
    """The exact decimal expansion of a dyadic rational (a float or a midpoint of two)."""
    value = Fraction(value)
    whole, rest = divmod(value.numerator, value.denominator)
    digits = ""
    while rest:
        rest *= 10
        digit, rest = divmod(rest, value.denominator)
        digits += str(digit)
    return f"{whole}.{digits}" if digits else f"{whole}"


# Exact midpoints between neighbouring doubles: each rounds to the even one, and a single
# non-zero digit far behind it tips the rounding the other way. The subnormal one has 751
# significant digits, so its tipping digit lies beyond any short digit buffer.
MIDPOINTS = {
    "one": Fraction(1) + Fraction(1, 2 ** 53),
    "subnormal": Fraction(1, 2 ** 1075),
    "largest": Fraction(2 ** 1024 - 2 ** 970),
    "normal_boundary": Fraction(2 ** 52 * 2 + 1, 2 ** 1075),
}


def parser_seeds():
    seeds = {}
    for key in LEXICON_KEYS:
        seeds[f"head_{key}"] = lexicon_lines(key, 0, 4)
        seeds[f"middle_{key}"] = lexicon_lines(key, 700, 3)
    text_cases = {
        "no_final_line_feed": b"a\t1\nb\t2",
        "crlf": b"a\t1\r\nb\t2\r\n",
        "cr_in_word": b"a\r\t1\n",
        "cr_at_end_of_text": b"a\t1\r",
        "lone_cr": b"a\t1\rb\t2\n",
        "empty_lines": b"\n\n a\t1\n",
        "space_not_tab": b"a 1\n",
        "white_space_around_score": "a\t \u00a01.5\u3000\n".encode(),
        "not_white_space": "a\t\u200b1\nb\t\ufeff2\n".encode(),
        "more_columns": b"a\t1.5\tx\ty\n",
        "two_tabs": b"a\t\t1.5\n",
        "empty_word": b"\t3\n",
        "last_wins": b"a\t1\na\t2\nb\t3\nb\tx\n",
        "case_sensitive": b"A\t1\na\t2\n",
        "infinities_and_nans": b"i\tinf\nm\t-Infinity\nn\tNaN\np\t+nan\nz\t-0\n",
        "rejected_scores": b"a\t.\nb\t+\nc\t1e\nd\t0x10\ne\t1_000\nf\t7,5\ng\tnan(1)\n",
    }
    seeds.update(text_cases)
    numbers = {
        "overflow": "1e400",
        "underflow": "-1e-400",
        "largest": "1.7976931348623157e308",
        "rounds_to_largest": "1.7976931348623158e308",
        "rounds_to_infinity": "1.7976931348623159e308",
        "smallest_normal": "2.2250738585072014E-308",
        "smallest_subnormal": "4.9406564584124654e-324",
        "half_smallest_subnormal": "2.4703282292062327e-324",
        "above_half_subnormal": "2.4703282292062328e-324",
        "tie_to_even": "9007199254740993",
        "tie_above": "9007199254740993.00000000000000000000001",
        "exact_power_limit": "1e22",
        "inexact_power": "1e23",
        "nineteen_digits": "1234567890123456789",
        "twenty_digits": "12345678901234567890.5",
        "long_mantissa": "0." + "3" * 800 + "e1",
        "long_exponent": "1e-" + "9" * 30,
        "leading_zeros": "0" * 40 + ".000125e+3",
        "signs": "+.5E+05",
        "hex": "0x1p3",
        "wrapped": "\u3000\u2028 -8.50\u00a0\u205f",
    }
    for name, midpoint in MIDPOINTS.items():
        numbers[f"midpoint_{name}"] = exact_decimal(midpoint)
        numbers[f"above_midpoint_{name}"] = exact_decimal(midpoint) + "0" * 40 + "1"
    for name, text in numbers.items():
        seeds[f"number_{name}"] = text.encode()
    return seeds


def debug_quote_seeds():
    names = {
        "klingon": "Klingon",
        "empty": "",
        "prefix_only": "senTX_",
        "default": "senTX_English",
        "quote_backslash": 'a"b\\c',
        "controls": "a\tb\nc\rd\0e\x7f\x1b",
        "single_quote": "it's",
        "dotted_capital_i": "Engl\u0130sh",
        "combining": "e\u0301\u20dd",
        "leading_combining": "\u0301abc",
        "zero_width": "a\u200bb\u200dc\ufeff",
        "separators": "a\u00a0b\u2028c\u2029d\u3000",
        "bidi": "\u202eabc\u202c",
        "private_use": "\ue000\U000f0000\U0010fffd",
        "noncharacters": "\ufdd0\ufffe\U0001ffff",
        "unassigned": "\u0378\U000e0fff",
        "emoji": "\U0001f600\U0001f469\u200d\U0001f4bb",
        "variation_selector": "\u2764\ufe0f\U000e0100",
        "hangul_jamo": "\u1100\u1161\u11a8",
        "soft_hyphen": "a\u00adb",
    }
    seeds = {f"name_{name}": text.encode() for name, text in names.items()}
    for key in ["chinese", "hindi", "korean", "russian"]:
        seeds[f"words_{key}"] = lexicon_lines(key, 0, 3).replace(b"\n", b" ")
    seeds["invalid_bytes"] = b"a\x80b\xc0\xafc\xff"
    seeds["encoded_surrogate"] = b"\xed\xa0\x80\xed\xbf\xbf"
    seeds["truncated_sequence"] = b"ok\xe2\x82"
    return seeds


class ProviderInput:
    """Lays out bytes the way FuzzedDataProvider reads them: strings from the front,
    integers from the back (each integer's first byte read is its most significant)."""

    def __init__(self):
        self.front = bytearray()
        self.back = bytearray()  # in the order the provider reads them

    def string(self, data):
        self.front += data.replace(b"\\", b"\\\\") + b"\\;"

    def integer(self, value, byte_count):
        self.back += value.to_bytes(byte_count, "big")

    def bytes(self):
        return bytes(self.front) + bytes(reversed(self.back))


# fuzzed_number's kinds, as the target numbers them.
RAW_BITS, WHOLE, DECIMAL, EDGE = range(4)


def raw_number(provider, value):
    provider.integer(RAW_BITS, 1)
    provider.integer(struct.unpack("<Q", struct.pack("<d", value))[0], 8)


def edge_number(provider, index):
    provider.integer(EDGE, 1)
    provider.integer(index, 1)


def result_seed(entries, totals, normalization=None):
    """entries: (word bytes, five floats); totals: the eleven other numbers."""
    provider = ProviderInput()
    provider.integer(len(entries), 1)
    for word, numbers in entries:
        provider.string(word)
        for number in numbers:
            raw_number(provider, number)
    for number in totals:
        raw_number(provider, number)
    provider.integer(1 if normalization is not None else 0, 1)
    if normalization is not None:
        provider.string(normalization)
    return provider.bytes()


def encoder_seeds():
    worked_example = result_seed(
        [(b"bad", [-0.625, 0.0, 0.4375, -1.5, 0.4166666666666667]),
         (b"meh", [0.5, 0.0, 0.25, 1.5, 0.3333333333333333]),
         (b"good", [0.125, 0.0, 0.3125, 4.5, 0.25])],
        [0.5833333333333334, 0.0, 0.0, 0.4166666666666667, 0.0, 0.0,
         2.25, 2.25, 3.5, 5.75, 3.5])
    seeds = {"worked_example": worked_example}
    seeds["empty_result"] = result_seed([], [0.0] * 6 + [0.0, 1.0, 0.0, 0.0, 0.0])
    inf, nan = float("inf"), float("nan")
    seeds["non_finite"] = result_seed(
        [(b"x", [nan, -nan, inf, -inf, 1.0])], [nan] * 6 + [inf, -inf, nan, 1e308, -0.0])
    seeds["number_layouts"] = result_seed(
        [(b"a", [1e15, 1e16, 2.0 ** 53, 2.0 ** 54, 1e-5]),
         (b"b", [1e-6, 0.1 + 0.2, 5e-324, 1.7976931348623157e308, -0.25]),
         (b"c", [123.456, 1.234e-5, 1.2345e-6, 2.2250738585072014e-308, 9.999999999999999e15])],
        [0.0] * 11)
    words = [b"", b'"', b"\\", b"\t\n\r\b\f", b"\x00\x01\x1b\x1f", b"/\x7f",
             "caf\u00e9 \u5feb\u4e50 \U0001f600".encode(), "\u0301\u2028\ufeff".encode()]
    seeds["string_forms"] = result_seed([(word, [0.5] * 5) for word in words], [0.0] * 11,
                                        normalization=b"varia\\tion\"")
    for index in range(16):
        provider = ProviderInput()
        provider.integer(1, 1)
        provider.string(b"edge")
        for _ in range(5):
            edge_number(provider, index)
        seeds[f"edge_value_{index:02d}"] = provider.bytes()
    for digits, exponent in [(1, 15), (1, 16), (12345, -9), (99999999, 300), (-5, -324)]:
        provider = ProviderInput()
        provider.integer(0, 1)
        for _ in range(11):
            provider.integer(DECIMAL, 1)
            provider.integer(digits + 99_999_999, 4)
            provider.integer(exponent + 330, 2)
        seeds[f"decimal_{digits}e{exponent}"] = provider.bytes()
    return seeds


def write(target, seeds):
    directory = HERE / "corpus" / target
    shutil.rmtree(directory, ignore_errors=True)
    directory.mkdir(parents=True)
    for name, data in seeds.items():
        (directory / name).write_bytes(data)


if __name__ == "__main__":
    write("fuzz_lexicon_parser", parser_seeds())
    write("fuzz_debug_quote", debug_quote_seeds())
    write("fuzz_json_encoder", encoder_seeds())
