"""The native word counter against the plain-Python reference (reference_counting.py)."""

from __future__ import annotations

import io
import sys
import threading
import time
import unicodedata
from collections import Counter

import pytest
import unicodedata2 as pinned_unicode
from hypothesis import assume, given, settings
from hypothesis import strategies as st
from reference_counting import emoji_starts, reference_count_words

from moodvane_tools import _native as extension
from moodvane_tools import count_documents, count_words, lexicon_names
from moodvane_tools.counting import WordCounter

pytestmark = pytest.mark.skipif(
    not emoji_starts(), reason="the reference needs Unicode's emoji-data.txt (unicode-data)")

# Sentences of the kind the lexicons meet, with each language's joiners, elisions,
# particles and spelling variants.
SENTENCES = {
    "english": "I don't think it's the children's fault; well-being matters — self-confident "
               "people's lives aren’t easier. Ωmega 2024 gr8 naïve café",
    "french": "L'amour, c'est aujourd'hui qu'il faut l’avouer : jusqu'à la fin, lorsqu'on "
              "s'aime, l'arc-en-ciel d'été est là. " + "l'" * 40 + "amour",
    "german": "Straße und GRÜẞE, das Wetter war schön; die Mädchen fühlten sich großartig.",
    "spanish": "¡Qué alegría! ¿Estás BIEN? El niño está contento porque vale la pena.",
    "portuguese": "A Ação não acabou: amo‐te, disse ela, e a respeito de tudo, obrigado.",
    "russian": "Я очень РАД, правда рад; ЁЛКА и ёжик — всё хорошо, не удалось уйти.",
    "indonesian": "Saya senang sekali hari ini, terima kasih; salah satu rumah sakit baru.",
    "hindi": "मैं बहुत ख़ुश हूँ। यह अच्छा है, ग़ुस्सा और गुस्सा, हँसी और मज़ा।",
    "korean": "오늘은 날씨가 좋아서 정말 행복했다. 이상의 정당이 강을 건넜다. iPhone이 왔다, "
              "행복하지 않다, 사랑스러운 친구들에게 감사합니다.",
    "chinese": "我今天非常高兴，因为天气很好。2024年iPhone不开心，不满意也不喜欢。",
}


def _native(text, language, segmenter="dictionary"):
    return count_words(text, language, segmenter=segmenter)


def _reference(text, language, segmenter="dictionary"):
    return reference_count_words(text, language, segmenter=segmenter)


# Chinese runs cut by the native segmenter inside the counter, or handed back to Python.
@pytest.mark.parametrize("segmenter", ["native", "dictionary"])
@pytest.mark.parametrize("language", sorted(SENTENCES))
def test_sentences_count_as_the_reference_counts(language, segmenter):
    text = SENTENCES[language]
    assert _native(text, language, segmenter) == _reference(text, language, segmenter)
    decomposed = unicodedata.normalize("NFD", text).upper()
    assert (_native(decomposed, language, segmenter)
            == _reference(decomposed, language, segmenter))


# Every script the counter treats apart, combining marks of several classes, the joiners
# and their typographic forms, Hindi's nukta and chandrabindu, Hangul jamo, emoji.
ALPHABET = list("aBé'-’ʼ‐‑ .,\t\n0ё:()[]@P") + [
    "\u0301", "\u0316", "\u0327", "\u200c", "\u200d", "\u034f",
    "क", "ि", "\u093c", "\u0901", "\u0902", "ड", "।",
    "한", "글", "을", "는", "했", "다", "ᄀ", "ᅡ", "ᆨ", "ㅋ",
    "你", "好", "不", "开", "心", "😀", "\U00020000", "Ω", "\u0345", "ﬁ",
    # Case mappings the counter must leave to str.lower, or get exactly right itself: two
    # code points (İ), final sigma, into ASCII (Kelvin sign), out of an emoji (Ⓜ), a
    # capital whose lower case composes with a mark (J + caron: ǰ), title case (ǅ).
    "İ", "I", "Σ", "σ", "ς", "\u212a", "Ⓜ", "J", "\u030c", "ǅ", "ẞ", "Д",
]
MIXED_TEXT = st.text(alphabet=st.sampled_from(ALPHABET), max_size=80)
# Letters with the marks that compose or reorder with them, Hangul jamo and syllables,
# composition exclusions and singletons: what normalisation has to get right.
NORMALISING_TEXT = st.text(alphabet=st.sampled_from(
    [chr(c) for c in [*range(0x41, 0x5B), *range(0x300, 0x370), 0x1100, 0x1112, 0x1113,
                      0x1161, 0x1175, 0x1176, 0x11A7, 0x11A8, 0x11C2, 0x11C3, 0xAC00, 0xAC01,
                      0xD7A3, 0x915, 0x921, 0x93C, 0x958, 0x95C, 0x94D, 0xB47, 0xB3E, 0xB57,
                      0x212B, 0x2126, 0x344, 0xF73, 0xF71, 0xF72, 0xF80, 0x2ADC, 0x1E9B,
                      0x323, 0xC5, 0xE9, 0x3A3, 0x130, 0x20]]), max_size=30)
# Any character that the interpreter can encode, from every plane.
ANY_TEXT = st.text(alphabet=st.characters(blacklist_categories=("Cs",)), max_size=60)


@settings(max_examples=300, deadline=None)
@given(text=MIXED_TEXT, language=st.sampled_from(lexicon_names()),
       segmenter=st.sampled_from(["native", "dictionary"]))
def test_generated_text_counts_as_the_reference_counts(text, language, segmenter):
    assert _native(text, language, segmenter) == _reference(text, language, segmenter)


@settings(max_examples=200, deadline=None)
@given(text=ANY_TEXT, language=st.sampled_from(["english", "korean", "hindi", "chinese"]))
def test_any_characters_count_as_the_reference_counts(text, language):
    # Text that is not in NFC is still normalised by the interpreter's own tables, which
    # may not know a combining mark of the pinned version (and so not reorder it).
    assume(unicodedata.normalize("NFC", text) == pinned_unicode.normalize("NFC", text))
    assert _native(text, language) == _reference(text, language)


def test_the_counter_follows_the_pinned_unicode_version():
    # The same version as unicodedata2's, which the reference counter reads, on every
    # interpreter: CPython 3.11 follows Unicode 14.0, 3.12 15.0, 3.13 15.1.
    assert extension.character_table_version() == pinned_unicode.unidata_version == "15.0.0"
    # Letters that Unicode 15.0 added (Kawi, Nag Mundari, CJK Extension H, U+0CF3) are
    # letters, whatever this interpreter's str.isalpha says of them.
    for word in ["\U00011F04\U00011F05", "\U0001E4D0\U0001E4D1", "\U00031350\U00031351",
                 "\u0c95\u0cf3"]:
        assert count_words(f"a {word} b") == Counter({"a": 1, word: 1, "b": 1}), word


@settings(max_examples=60, deadline=None)
@given(text=MIXED_TEXT, language=st.sampled_from(["english", "hindi", "korean", "chinese"]))
def test_a_text_cut_anywhere_counts_as_the_whole(text, language):
    whole = _native(text, language)
    for cut in range(len(text) + 1):
        counter = WordCounter(language, segmenter="dictionary")
        counter.feed(text[:cut])
        counter.feed(text[cut:])
        assert counter.finish() == whole, cut


@settings(max_examples=60, deadline=None)
@given(texts=st.lists(MIXED_TEXT, max_size=5), language=st.sampled_from(lexicon_names()))
def test_many_texts_pool_and_stay_apart(texts, language):
    singles = [_native(text, language) for text in texts]
    assert count_documents(texts, language, segmenter="dictionary") == singles
    assert _native(iter(texts), language) == sum(singles, Counter())
    joined = "\n".join(texts)
    assert _native(io.StringIO(joined), language) == _native(joined, language)


def test_long_texts_go_in_pieces_that_count_as_the_whole(monkeypatch):
    from moodvane_tools import counting

    # Small pieces, so that words and runs of combining marks go on across reads.
    monkeypatch.setattr(counting, "_PIECE", 90)
    monkeypatch.setattr(counting, "_LONGEST_CARRY", 100)
    for language, text in SENTENCES.items():
        # Words longer than a piece and than what a read keeps back stay whole.
        text += " " + "x" * 30 + "\u0301" * 40 + " " + "é" * 250 + " 好" * 2 + "好" * 300
        assert _native(text, language) == _reference(text, language), language
        assert _native(io.StringIO(text), language) == _reference(text, language), language


@pytest.mark.parametrize("call, outcome", [
    # Elisions are taken off in a loop, however many there are.
    (lambda: count_words("l'" * 5000 + "amour", "french"), Counter({"amour": 1})),
    # Thousands of combining marks of alternating classes: normalised in linear time.
    (lambda: count_words("a" + "\u0301\u0316" * 5000, "english"),
     _reference("a" + "\u0301\u0316" * 5000, "english")),
    (lambda: count_words("ok \ud800 fine"), UnicodeEncodeError),
    (lambda: count_words(b"happy"), TypeError),
    (lambda: count_words(["happy", 3]), TypeError),
    (lambda: count_words(io.BytesIO(b"happy")), TypeError),
    (lambda: count_documents("happy"), TypeError),
    (lambda: count_words("x", "klingon"), ValueError),
    (lambda: count_words("x", "chinese", segmenter="nltk"), ValueError),
    (lambda: extension.WordTally(extension.WordTally(extension.CountingRules("english", (), True))),
     TypeError),
    (lambda: extension.CountingRules("english", ("happy",), True, phrases=[3]), TypeError),
])
def test_hostile_inputs_give_the_right_counts_or_a_clear_error(call, outcome):
    if isinstance(outcome, type):
        with pytest.raises(outcome):
            call()
    else:
        assert call() == outcome


def test_counting_lets_other_threads_run():
    text = "some happy words and some sad ones " * 30_000
    rules = extension.CountingRules("english", ("happy", "sad"), True, phrases=())
    tally = extension.WordTally(rules)
    ticks: list[float] = []
    done = threading.Event()

    def tick():
        while not done.is_set():
            ticks.append(time.perf_counter())

    interval = sys.getswitchinterval()
    sys.setswitchinterval(0.001)
    ticker = threading.Thread(target=tick)
    ticker.start()
    try:
        start = time.perf_counter()
        for _ in range(8):
            tally.add(text)
        end = time.perf_counter()
    finally:
        done.set()
        ticker.join()
        sys.setswitchinterval(interval)
    # Held the lock, the counter would have let the other thread run only between calls
    # (at most a switch interval at a time); released, that thread runs all along.
    middle = [t for t in ticks if start + (end - start) / 4 < t < end - (end - start) / 4]
    assert middle, "no other thread ran while the text was counted"
    expected = Counter(text.split())
    assert tally.take()[0] == {w: 8 * c for w, c in expected.items()}


def test_a_tally_refuses_a_second_thread():
    tally = extension.WordTally(extension.CountingRules("english", (), True, phrases=()))
    text = "word " * 2_000_000
    errors: list[BaseException] = []

    def take_while_counting():
        try:
            while not finished.is_set():
                tally.take()
        except RuntimeError as error:
            errors.append(error)

    finished = threading.Event()
    other = threading.Thread(target=take_while_counting)
    other.start()
    try:
        while not errors and other.is_alive():
            tally.add(text)
    finally:
        finished.set()
        other.join()
    assert "in use by another thread" in str(errors[0])


# Pieces of social-media text: URLs, addresses, handles, entities, hashtags, emoticons,
# emoji with skin tones, joiners and flags, and words around them.
PIECES = ["http://", "https://", "www.", "ftp://", "x.co/a", "@", "me", "bob_1", ".", "org",
          "-", "_", "%", "+", "&amp;", "&#39;", "&#x1F600;", "&lt", "#", ";", ":)", ":-(",
          ":D", ":3", "<3", "</3", "xD", "XD", "T_T", "^^", "ㅋ", "ㅠ", "😀", "👍", "🏽",
          "\ufe0f", "\u200d", "🇫", "🇷", "❤", "10", " ", " ", "\n", "happy", "Sad", "l'",
          "amour", "don't", "क़", "한", "는", "你好", "ß", "é"]
OPTIONS = st.fixed_dictionaries({name: st.booleans() for name in (
    "urls", "emails", "handles", "entities", "hashtags", "emoji", "emoticons")})


@settings(max_examples=300, deadline=None)
@given(pieces=st.lists(st.sampled_from(PIECES), max_size=25), options=OPTIONS,
       language=st.sampled_from(lexicon_names()))
def test_things_that_are_not_words_count_as_the_reference_counts(pieces, options, language):
    text = "".join(pieces)
    assert (count_words(text, language, segmenter="dictionary", **options)
            == reference_count_words(text, language, "dictionary", **options))


@pytest.mark.parametrize("text, options, expected", [
    ("see https://t.co/x?a=1 and www.example.org/page now", {}, "see and now"),
    ("write to jane.doe+news@mail.example.com today", {}, "write to today"),
    ("thanks @moodvane_dev for this", {}, "thanks for this"),
    ("fish &amp; chips &#39;n&#x27; peas", {}, "fish chips n peas"),
    ("so #happy today", {}, "so happy today"),
    ("so #happy today", {"hashtags": False}, "so today"),
    ("ok &lt; go", {"entities": True}, "ok lt go"),
    ("great :-) <3 XD xD xd :p ㅋㅋㅋ :)) at 10:30", {}, "great :-) <3 xD xD xD :P ㅋㅋ :)) at"),
    ("great :-) <3", {"emoticons": False}, "great"),
    ("nice 👍🏽👍 family 👨‍👩‍👧 flag 🇫🇷", {}, "nice 👍 👍 family 👨‍👩‍👧 flag 🇫🇷"),
    ("nice 👍🏽", {"emoji": False}, "nice"),
])
def test_documented_rules_for_things_that_are_not_words(text, options, expected):
    assert count_words(text, **options) == Counter(expected.split())


@settings(max_examples=150, deadline=None)
@given(pieces=st.lists(st.sampled_from(PIECES + ["special", "effects", "good", "luck"]),
                       max_size=60),
       options=OPTIONS)
def test_a_long_text_counts_alike_whatever_its_pieces(pieces, options):
    # Phrases go on across pieces; URLs, addresses, emoticons and emoji sequences are never
    # cut, since a piece ends before white space (where a run without any is shorter than
    # a piece).
    from moodvane_tools import counting

    text = "".join(pieces)
    if any(len(run) >= 30 for run in text.split()):
        return
    piece, carry = counting._PIECE, counting._LONGEST_CARRY
    counting._PIECE, counting._LONGEST_CARRY = 40, 50
    try:
        for language in ("english", "french"):
            expected = reference_count_words(text, language, "dictionary", **options)
            # (not ASCII, so that it goes in pieces)
            assert count_words("é " + text, language, **options) - Counter(["é"]) == expected
            assert count_words(io.StringIO(text), language, **options) == expected
    finally:
        counting._PIECE, counting._LONGEST_CARRY = piece, carry


@pytest.mark.parametrize("text, end, white_space_only, cut", [
    ("see http://x.co/a now", 19, False, 17),  # before white space, not before "/"
    ("see http://x.co/a now", 14, False, 3),
    ("你好，世界，再见", 7, False, 5),  # no white space: the last other break
    ("你好，世界，再见", 7, True, -1),
    ("wordwithoutbreak", 15, False, -1),
])
def test_a_long_text_is_cut_where_nothing_that_counts_as_one_goes_on(text, end,
                                                                      white_space_only, cut):
    assert extension.last_break(text, end, len(text), white_space_only) == cut


SMALL_LEXICON = ("special", "effects", "pas", "mal", "rumah", "sakit", "a", "b", "c", "d")
PHRASES = ("special effects", "pas mal", "rumah sakit", "a b", "a b c", "b c d", "c d")


@settings(max_examples=200, deadline=None)
@given(words=st.lists(st.sampled_from(SMALL_LEXICON + ("x", "l'amour", "😀", ":)")),
                      max_size=12),
       separators=st.lists(st.sampled_from([" ", ", ", "\n", "-"]), min_size=12, max_size=12))
def test_phrases_count_as_one_token_where_their_words_meet(words, separators):
    text = "".join(word + separator for word, separator in zip(words, separators))
    rules = extension.CountingRules("french", SMALL_LEXICON, True, PHRASES)
    tally = extension.WordTally(rules)
    tally.add(text)
    native = Counter(tally.take()[0])
    assert native == reference_count_words(text, "french", phrases=PHRASES,
                                           words=frozenset(SMALL_LEXICON))


@settings(max_examples=300, deadline=None)
@given(text=st.one_of(MIXED_TEXT, ANY_TEXT,
                      MIXED_TEXT.map(lambda t: unicodedata.normalize("NFC", t))))
def test_the_checks_never_pass_a_text_that_needs_normalising_or_lowering(text):
    needs = extension.text_needs(text, True)
    if not needs & 1:
        assert pinned_unicode.normalize("NFC", text) == text
    assert bool(needs & 2) == (text.lower() != text)


def _pinned_prepared(text: str, lowering: bool) -> str:
    """What the interpreter's preparation (counting._prepared) makes of `text` with the
    pinned Unicode version's database."""
    if lowering:
        text = text.lower()
    if not extension.text_needs(text, False) & 1:
        return text
    return "".join(pinned_unicode.normalize("NFC", piece)
                   for piece in extension.stream_safe_pieces(text, 1 << 12))


@settings(max_examples=300, deadline=None)
@given(text=st.one_of(MIXED_TEXT, ANY_TEXT))
def test_the_counter_prepares_a_text_as_the_interpreter_does(text):
    # Lowered as str.lower and put in NFC natively, or left to the interpreter: the counts
    # are those of the interpreter's preparation either way.
    rules = extension.CountingRules("english", (), True, phrases=())
    tally = extension.WordTally(rules)
    reference = extension.WordTally(rules)
    reference.add(_pinned_prepared(text, True), prepared=True)
    if tally.add(text):
        assert tally.take() == reference.take()
    else:
        assert extension.prepared_text(text, True) is None
        assert tally.take() == ({}, {}, 0)


@settings(max_examples=500, deadline=None)
@given(text=st.one_of(MIXED_TEXT, ANY_TEXT, NORMALISING_TEXT), lowering=st.booleans())
def test_native_preparation_is_the_interpreters(text, lowering):
    prepared = extension.prepared_text(text, lowering)
    if prepared is None:
        assert lowering and text.lower() != text
    else:
        assert prepared == _pinned_prepared(text, lowering)
    if len(text) <= 30:  # (no run of marks that the Stream-Safe Text Format cuts)
        assert extension.prepared_text(text, False) == pinned_unicode.normalize("NFC", text)


@pytest.mark.parametrize("text", [
    "\u0958", "\u095c\u093c", "\u0915\u093c",  # Devanagari nukta letters: excluded from composing
    "\u2adc", "\u0f73", "\u0f77", "\u0344", "e\u0344",  # exclusions and non-starter decompositions
    "\u212b", "\u2126", "\u1e9b\u0323",  # singletons; a decomposition that reorders
    "\u1100\u1161\u11a8", "\uac00\u11a8", "\u1100\u0301\u1161", "\u1113\u1161",  # Hangul
    "\u1100\u1161\u11a7", "\u110b\u1175\u11af\u1100\u1161\u11ab",
    "a\u0316\u0301", "a\u0301\u0316", "\u0301a\u0301", "\u0b47\u0b3e", "\u0b47\u0301\u0b3e",
])
def test_native_nfc_of_named_cases_is_the_pinned_versions(text):
    assert extension.prepared_text(text, False) == pinned_unicode.normalize("NFC", text)


@pytest.mark.parametrize("text, native", [
    (unicodedata.normalize("NFC", SENTENCES["german"]), True),
    (unicodedata.normalize("NFC", SENTENCES["russian"]), True),
    ("ΟΔΥΣΣΕΥΣ", False),  # final sigma
    ("İstanbul", False),  # lower case of two code points
    ("20 \u212a", False),  # the Kelvin sign lowers into ASCII
    ("J\u030c", True),  # NFC, but its lower case is not: composed natively
    ("cafe\u0301", True),  # not NFC: composed natively
])
def test_the_counter_leaves_to_the_interpreter_only_what_str_lower_alone_lowers(text, native):
    tally = extension.WordTally(extension.CountingRules("english", (), True, phrases=()))
    assert tally.add(text) is native
    assert (tally.take()[2] > 0) is native


@pytest.mark.parametrize("language", sorted(SENTENCES))
def test_real_text_in_nfc_passes_the_check_without_normalising(language):
    # Devanagari's nukta and Korean jamo may compose, and yet NFC text passes.
    assert extension.text_needs(unicodedata.normalize("NFC", SENTENCES[language].lower()),
                               True) == 0
