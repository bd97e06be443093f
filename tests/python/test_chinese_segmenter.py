"""The native Chinese segmenter against jieba: token for token the cut of
`jieba.cut(text, HMM=False)` over the same dictionary (jieba's, with the lexicon's words and
phrases added in the same order), and close to jieba's own cuts of real text.

Token agreement of two cuts of one text: the number of tokens (pieces, white space and
punctuation included) that both cuts have at the same place, that is with the same start
and end offsets, divided by the number of tokens of the cut that has more of them.
"""

from __future__ import annotations

import functools
import logging
import pathlib

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from moodvane_tools import _native, lexicon_scores
from moodvane_tools.chinese import jieba_segmenter

jieba = pytest.importorskip("jieba")

REPO = pathlib.Path(__file__).resolve().parents[2]
SAMPLE = pathlib.Path(__file__).with_name("data") / "chinese_sample.txt"
PHRASES = REPO / "lexicons" / "data" / "chinese.phrases.txt"


@functools.cache
def added_words() -> tuple[str, ...]:
    """The words the native dictionary adds to jieba's, in the order it adds them."""
    words = set(lexicon_scores("chinese"))
    if PHRASES.exists():
        lines = (line.strip() for line in PHRASES.read_text(encoding="utf-8").splitlines())
        words |= {line for line in lines if line and not line.startswith("#")}
    return tuple(sorted(words))


@functools.cache
def reference_tokenizer():
    logging.getLogger("jieba").setLevel(logging.WARNING)
    tokenizer = jieba.Tokenizer()
    tokenizer.initialize()
    for word in added_words():
        tokenizer.add_word(word)
    return tokenizer


def reference_cut(text: str, keeping: bool) -> list[str]:
    if keeping:
        return jieba_segmenter(added_words(), hmm=False, tokenizer=reference_tokenizer())(text)
    return list(reference_tokenizer().cut(text, HMM=False))


def agreement(ours: list[str], theirs: list[str]) -> float:
    def spans(tokens: list[str]) -> set[tuple[int, int]]:
        ends = [0]
        for token in tokens:
            ends.append(ends[-1] + len(token))
        return set(zip(ends, ends[1:]))

    return len(spans(ours) & spans(theirs)) / max(len(ours), len(theirs), 1)


# Lexicon words, dictionary words with ASCII in them, Han characters, characters just
# outside jieba's Han range (U+9FD6, extension A), ASCII of jieba's blocks and outside
# them, white space jieba cuts on (\r\n together, U+3000), punctuation and an emoji.
PIECES = st.one_of(
    st.sampled_from(added_words()[::7]),
    st.sampled_from(["T恤", "AA制", "B超", "C++", "北京大学", "非常", "不", "开心"]),
    st.sampled_from(list("的了是我好高兴天气很AZaz09+#&._%-/ \t\r\n\u3000，。！\u9fd6\u3400😀")),
)
TEXTS = st.lists(PIECES, max_size=30).map("".join)


@pytest.mark.slow
@pytest.mark.parametrize("keeping", [False, True], ids=["plain", "keeping lexicon words"])
@settings(max_examples=200, deadline=None)
@given(text=TEXTS)
def test_cut_is_jiebas_over_the_same_dictionary(keeping, text):
    assert _native.segment_chinese(text, keeping) == reference_cut(text, keeping)


@pytest.mark.parametrize("keeping", [False, True], ids=["plain", "keeping lexicon words"])
def test_real_text_cut_is_jiebas_over_the_same_dictionary(keeping):
    text = SAMPLE.read_text(encoding="utf-8")
    assert _native.segment_chinese(text, keeping) == reference_cut(text, keeping)


@pytest.mark.parametrize("hmm, least", [(False, 0.99), (True, 0.95)],
                         ids=["jieba HMM=False", "jieba default"])
def test_agreement_with_jieba_on_real_text(hmm, least):
    text = SAMPLE.read_text(encoding="utf-8")
    assert len(text) > 10_000
    logging.getLogger("jieba").setLevel(logging.WARNING)
    # jieba's own dictionary: the lexicon's words are not added here.
    assert agreement(_native.segment_chinese(text), list(jieba.cut(text, HMM=hmm))) >= least


@pytest.mark.parametrize("argument, error", [
    (b"\xe5\xa5\xbd", TypeError), (None, TypeError), ("好\ud800", UnicodeEncodeError),
])
def test_refuses_what_is_no_text(argument, error):
    with pytest.raises(error):
        _native.segment_chinese(argument)
