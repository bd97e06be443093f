"""count_words: sentences written for these tests in each of the ten languages."""

from __future__ import annotations

import unicodedata
from collections import Counter

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from moodvane_tools import count_words, lexicon_names, lexicon_scores
from moodvane_tools import counting as tokenize
from moodvane_tools.chinese import dictionary_segmenter, jieba_segmenter, native_segmenter
from moodvane_tools.counting import WordCounter
from moodvane_tools.lexicon_data import writes_lower_case


def _listed(language, whole, parts):
    """What a joined token counts as: itself when the lexicon lists it, else its parts."""
    return Counter([whole]) if whole in lexicon_scores(language) else Counter(parts)


@pytest.mark.parametrize("language, text, expected", [
    # Typographic apostrophes and non-breaking hyphens read as the ASCII ones everywhere:
    # in emoticons, and before the @ of an address.
    ("english", "so sad :’( but :‑P", {"so": 1, "sad": 1, ":'(": 1, "but": 1, ":-P": 1}),
    ("english", "write happy‑@mail.com now", {"write": 1, "now": 1}),
    # An emoticon glued to words on both sides, or closing a bracket opened just before it,
    # is none; one after a word or a space is.
    ("english", "[[:space:]] a:)b f(x:) great:) (so :))",
     {"space": 1, "a": 1, "b": 1, "f": 1, "x": 1, "great": 1, ":)": 1, "so": 1, ":))": 1}),
    # Accents stay on their letters, in NFC whatever the input form.
    ("french", "Il était fatigué, tellement fatigué.",
     {"il": 1, "était": 1, "fatigué": 2, "tellement": 1}),
    ("french", unicodedata.normalize("NFD", "Fatigué"), {"fatigué": 1}),
    ("spanish", "¡Qué alegría! ¿Estás BIEN?", {"qué": 1, "alegría": 1, "estás": 1, "bien": 1}),
    ("portuguese", "A Ação não acabou", {"a": 1, "ação": 1, "não": 1, "acabou": 1}),
    ("german", "Straße und GRÜẞE", {"straße": 1, "und": 1, "grüße": 1}),
    # Devanagari vowel signs stay inside the word, the nukta is dropped and chandrabindu
    # written as anusvara (the lexicon's spelling); the danda ends a sentence.
    ("hindi", "मैं बहुत ख़ुश हूँ। यह अच्छा है।",
     {"मैं": 1, "बहुत": 1, "खुश": 1, "हूं": 1, "यह": 1, "अच्छा": 1, "है": 1}),
    ("russian", "Я очень РАД, правда рад", {"я": 1, "очень": 1, "рад": 2, "правда": 1}),
    ("indonesian", "Saya senang sekali hari ini", {"saya": 1, "senang": 1, "sekali": 1,
                                                  "hari": 1, "ini": 1}),
    # Digits alone are no words; words with digits stay whole; an emoji is a token.
    ("english", "In 2024 I was 100% happy😀sad 3.5 gr8", {"in": 1, "i": 1, "was": 1,
                                                          "happy": 1, "😀": 1, "sad": 1,
                                                          "gr8": 1}),
    # Quotes around a word are not apostrophes inside it.
    ("english", "'happy' and \"sad\" -- well", {"happy": 1, "and": 1, "sad": 1, "well": 1}),
])
def test_words_of_sentences(language, text, expected):
    assert count_words(text, language) == Counter(expected)


@pytest.mark.parametrize("language, text, whole, parts", [
    ("english", "self-confident", "self-confident", ["self", "confident"]),
    ("english", "well-being", "well-being", ["well", "being"]),
    ("english", "don't", "don't", ["don't"]),
    ("french", "l'amour", "l'amour", ["amour"]),
    ("french", "l’amour", "l'amour", ["amour"]),  # the typographer's apostrophe
    ("french", "d'émotion", "d'émotion", ["émotion"]),
    ("french", "aujourd'hui", "aujourd'hui", ["aujourd'hui"]),  # no elision to take off
    ("portuguese", "amo‐te", "amo-te", ["amo", "te"]),  # U+2010 is a hyphen
])
def test_joined_words_follow_the_lexicon(language, text, whole, parts):
    assert count_words(text, language) == _listed(language, whole, parts)


def test_lower_case_only_where_the_lexicon_is():
    # Every shipped lexicon is lower-case; the rule is read from the data.
    for name in lexicon_names():
        lower = writes_lower_case(lexicon_scores(name))
        counted = count_words("Ωmega Zebra", name)
        assert (set(counted) == {"ωmega", "zebra"}) == lower, name


def test_russian_yo_is_written_as_ie_where_the_lexicon_does():
    scores = lexicon_scores("russian")
    word = next(w for w in sorted(scores) if "е" in w)
    spelled = word.replace("е", "ё", 1)
    if spelled in scores:
        pytest.skip("the lexicon writes ё")
    assert count_words(f"{spelled.upper()}!", "russian") == Counter({word: 1})


def _native_words(language):
    """The lexicon's words in its own script, without the emoji and emoticons."""
    return [w for w in sorted(lexicon_scores(language)) if w.isalpha() and not w.isascii()]


def _korean_nouns():
    scores = lexicon_scores("korean")
    return [w for w in _native_words("korean") if len(w) == 2 and w + "을" not in scores
            and w + "는" not in scores and w[-1] not in "을를은는이가다한"][:3]


@pytest.mark.parametrize("particle", ["을", "은", "에서", "으로", "에게", "도"])
def test_korean_particles_count_under_the_listed_stem(particle):
    for noun in _korean_nouns():
        text = f"오늘 {noun}{particle} 봤다"
        assert count_words(text, "korean")[noun] == 1, text


@pytest.mark.parametrize("written, stem", [
    ("향상되었습니다", "향상"), ("개선됩니다", "개선"), ("해결되었으며", "해결"),
    ("해결됐습니다", "해결"), ("향상되도록", "향상"), ("피곤했지만", "피곤하다"),
])
def test_korean_polite_and_linking_endings_reach_the_listed_word(written, stem):
    """The formal endings of news and notices (되었습니다, 됩니다) and the concessive
    했지만 come off like 되었다 and 했다, or count as the form itself where the
    lexicon lists it, at its stem's score."""
    counted = count_words(f"문제가 {written}.", "korean")
    scores = lexicon_scores("korean")
    assert counted[stem] + counted[written] == 1
    assert scores[written if counted[written] else stem] == scores[stem]


def test_korean_verb_endings_and_latin_words_with_particles():
    scores = lexicon_scores("korean")
    stems = [w[:-2] for w in sorted(scores) if w.endswith("하다") and len(w) > 2][:3]
    assert stems, "the lexicon lists verbs in 하다"
    for stem in stems:
        counted = count_words(f"정말 {stem}했다. {stem}합니다!", "korean")
        lemma = stem + "하다" if stem not in scores else stem
        # Each form counts as a word the lexicon scores like its lemma: the form itself
        # where the lexicon lists it, the lemma otherwise.
        forms = {w: c for w, c in counted.items() if w != "정말"}
        assert sum(forms.values()) == 2, (stem, counted)
        assert {scores.get(w) for w in forms} == {scores[lemma]}, (stem, counted)
    # A particle written onto a Latin word is no word of its own.
    assert count_words("iPhone이 왔다", "korean") == Counter({"iphone": 1, "왔다": 1})


def _chinese_words(length, count):
    return [w for w in _native_words("chinese") if len(w) == length][:count]


SEGMENTERS = {"native": lambda words: native_segmenter(), "dictionary": dictionary_segmenter,
              "jieba": jieba_segmenter}


@pytest.mark.parametrize("name", SEGMENTERS)
def test_chinese_lexicon_words_found_without_spaces(name):
    words = frozenset(lexicon_scores("chinese"))
    segment = SEGMENTERS[name](words)
    if segment is None:
        pytest.skip("jieba is not installed")
    for word in _chinese_words(2, 20) + _chinese_words(3, 10):
        assert segment(word) == [word]
    # Every character of a run is counted once, whatever the segmenter.
    run = "我今天非常高兴因为天气很好"
    assert "".join(segment(run)) == run


def test_chinese_text_with_punctuation_digits_and_latin():
    first, second = _chinese_words(2, 2)
    counted = count_words(f"{first}，2024年iPhone{second}！", "chinese")
    assert counted[first] == 1 and counted[second] == 1
    assert counted["iphone"] == 1
    assert "2024" not in counted and "年" in "".join(counted)


@pytest.mark.parametrize("segmenter", [None, "native", "jieba"])
def test_chinese_scored_word_inside_a_longer_dictionary_word(segmenter):
    if "高兴" not in lexicon_scores("chinese"):
        pytest.skip("the lexicon has no 高兴")
    assert count_words("我非常高兴。", "chinese", segmenter=segmenter)["高兴"] == 1


def test_chinese_segmenter_choice(monkeypatch):
    first, second = _chinese_words(2, 2)
    text = f"{first}{second}了吗"
    native = count_words(text, "chinese")
    assert native == count_words(text, "chinese", segmenter="native")
    assert native == Counter({first: 1, second: 1, "了": 1, "吗": 1})
    # Without jieba the default is unchanged, and asking for jieba says what to install.
    monkeypatch.setattr(tokenize, "jieba_segmenter", lambda words: None)
    tokenize._rules.cache_clear()
    try:
        assert count_words(text, "chinese") == native
        with pytest.raises(ValueError, match=r"segmenter='jieba' needs jieba \(the zh extra\)"):
            count_words(text, "chinese", segmenter="jieba")
    finally:
        tokenize._rules.cache_clear()


def test_unknown_language_lists_the_valid_ones():
    with pytest.raises(ValueError, match="unknown lexicon 'klingon'; expected one of "
                                         "chinese, english, french"):
        count_words("x", "klingon")
    assert count_words("Happy", "senTX_English") == count_words("happy", "ENGLISH")
    with pytest.raises(TypeError, match="text must be a str, an iterable of str or a text "
                                        "file, not 'bytes'"):
        count_words(b"happy")


# Latin with a combining accent, Devanagari with a vowel sign, Hangul, Han and an emoji.
TEXTS = st.text(alphabet=st.sampled_from(
    list("ab é'-  .\u0301\u0915\u093f\ud55c\uae00\u4f60\u597d😀")), max_size=60)


@settings(max_examples=150, deadline=None)
@given(text=TEXTS, cuts=st.lists(st.integers(0, 60), max_size=4),
       language=st.sampled_from(["english", "hindi", "korean", "chinese"]))
def test_counts_do_not_depend_on_how_a_text_is_cut(text, cuts, language):
    counter = WordCounter(language)
    start = 0
    for cut in sorted(cuts):
        counter.feed(text[start:cut])
        start = max(start, cut)
    counter.feed(text[start:])
    assert counter.finish() == count_words(text, language)
