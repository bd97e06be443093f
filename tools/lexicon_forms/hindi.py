#!/usr/bin/env python3
"""Generate the inflected forms of the reviewed Hindi lexicon: lexicons/review/hindi.forms.tsv.

Hindi text inflects most of the words the lexicon keeps: an adjective in -ा agrees with its
noun (बुरा, बुरे, बुरी), a noun takes the oblique plural (समस्या, समस्याओं; दुश्मन,
दुश्मनों) or a direct plural (शिकायत, शिकायतें; खुशी, खुशियाँ), and a verb shows up as its
infinitive, participles and conjunctive (मारना, मारने, मारता, मारते, मारी, मारकर). Without
these forms a text matches only the citation form of each word.

This tool derives the forms of every kept, rescored or added word of
lexicons/review/hindi.tsv by the regular rules of Hindi morphology. The paradigm of a verb
(VERBS) and the agreement forms of an adjective or participle in -ा (AGREEING) are regular and
always written; the plural and oblique forms of a noun depend on its gender, which the review
file does not record, so a noun's candidate is kept only when it is attested in running text:
the caller passes a file of attested words (one a line; a frequency list of the language is a
good source), or wordfreq's Hindi list serves. The review file writes its words in the counter's
folded spelling (no nukta, anusvara for chandrabindu), and so does every form written here. A form that is a word of the lexicon in its own right is left out (it has its
own decision), and so is a form that two lemmas of different scores would share. Forms that
the rules produce but that are another word of the language (आग gives आगे, "ahead") are
listed in NOT_FORMS after a reader checked the output.

    python3 tools/lexicon_forms/hindi.py [--attested words.txt]

Standard library only, but for wordfreq when no list of attested words is given.
"""

from __future__ import annotations

import argparse
import sys
import unicodedata
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
REVIEW = REPO / "lexicons" / "review" / "hindi.tsv"
FORMS = REPO / "lexicons" / "review" / "hindi.forms.tsv"

# Verbs among the lemmas, as root or infinitive. Only these take verb endings: a noun given
# them turns into unrelated words (चोट gives चोटी, "peak"), and several lemmas in -ना are
# nouns or adjectives (बहाना "excuse", दुर्घटना, डरावना).
VERBS = frozenset("""
    गिर डूब जूझ चिल्ला घबरा सता मुस्कुरा खिलखिला हार जीत डर कराह तड़प बिखर टकरा पछता
    थक ढह लूट गंवा ठग खदेड़ कुचल भिड़ हंसना मनाना रिझाना बचाना संजोना सराहना खदेड़ना टालना
    थोपना भड़काना भिड़ना उजाड़ना कराहना गंवाना चिल्लाना चुराना डराना धमकाना धिक्कारना
    बहकाना बिगड़ना बिगाड़ना भुगतना रोना लूटना सताना छलना डांटना तड़पना मरना मारना
    पीटना चोद
""".split())

# Perfective and imperfective participles among the lemmas (गिरा "fallen", रोता "crying"),
# and adjectives in -ा that agree with their noun (बुरा, बुरे, बुरी). Invariable adjectives in
# -ा (ज़िंदा, पसंदीदा, बढ़िया) are not listed.
AGREEING = frozenset("""
    अच्छा अनोखा प्यारा मीठा ताजा ताज़ा अंधा अधूरा खोखला कड़वा कड़ा गंदा झूठा निकम्मा फीका
    बेतुका भद्दा भूखा भौचक्का महंगा मैला लंगड़ा विषैला शर्मीला चिड़चिड़ा बुरा सच्चा बेचारा
    अनूठा हत्यारा
    अकेला थका डरावना घिनौना बचकाना सुहाना कमीना सूखा बिगड़ा गिरा मारा टकराया उकसाया
    घसीटा चिल्लाया चेताया खदेड़ा धमकाया बरगलाया रोया सताया बचाया छुड़ाया सुलझाया ठगा
    डांटा चौंका तड़पा मनाता धमकाता सताता रोता मारता हारता
""".split())

# Candidates that the rules produce but that are other words of the language, found by
# reading the generated list, or forms whose common sense is not the lemma's (विश्वासों is
# "beliefs", a neutral word, where विश्वास is "trust"; घटने is "to decrease", not a form of
# घटना "incident"; बायें is "left", not a form of बाय "bye").
NOT_FORMS = frozenset("""
    आगे चोटी आहे सजे कोसों कोसी रोके छलनी बहाने दानों कड़ी अकेले रोकें हंस हंसनी घुटनों
    विश्वासों घटने बायें फोड़े
""".split())

# Forms that no rule gives, found by reading the frequent words: other spellings of a lemma
# (पसन्द for पसंद, चिन्ता for चिंता, the misspelling मुर्ख), a feminine noun (पीड़िता, a
# woman victim), an abstract noun that carries its adjective's feeling (पवित्रता, विफलता) and
# the vocative plural written without its nasal (दोस्तो, मित्रो).
EXTRA_FORMS = {
    "पसन्द": "पसंद", "चिन्ता": "चिंता", "गन्दगी": "गंदगी", "काण्ड": "कांड", "नर्क": "नरक",
    "झूट": "झूठ", "मुर्ख": "मूर्ख", "लण्ड": "लंड", "चुत": "चूत", "पीड़िता": "पीड़ित",
    "दोस्तो": "दोस्त", "मित्रो": "मित्र", "प्रिये": "प्रिय", "लुट": "लूट",
    "पवित्रता": "पवित्र", "बहादुरी": "बहादुर", "विफलता": "विफल", "कठोरता": "कठोर",
    "दृढ़ता": "दृढ", "अज्ञानता": "अज्ञान", "सद्भावना": "सद्भाव", "तानाशाही": "तानाशाह",
    "कठिनाइयों": "कठिनाई", "शुभकामनायें": "शुभकामना",
}


def fold(word: str) -> str:
    """The spelling the word counter gives a word: NFC, nukta deleted, chandrabindu as
    anusvara, so that a form and its lemma are written as the review file writes them."""
    return unicodedata.normalize("NFC", word).translate(FOLDING)


FOLDING = str.maketrans({"\u093c": None, "\u0901": "\u0902"})
# The review file writes its words folded; the tables above keep the dictionary spelling.
FOLDED_VERBS = frozenset(fold(w) for w in VERBS)
FOLDED_AGREEING = frozenset(fold(w) for w in AGREEING)
FOLDED_NOT_FORMS = frozenset(fold(w) for w in NOT_FORMS)
FOLDED_EXTRA = {fold(form): fold(lemma) for form, lemma in EXTRA_FORMS.items()}


def read_lemmas(path: Path) -> tuple[list[str], set[str], dict[str, str]]:
    """Return the lemmas that keep a score (in file order), every word the review names, and
    the score of each lemma."""
    lemmas: list[str] = []
    every: set[str] = set()
    scores: dict[str, str] = {}
    with path.open(encoding="utf-8") as f:
        next(f)
        for line in f:
            word, decision, score = line.rstrip("\n").split("\t")[:3]
            every.add(word)
            if decision in ("keep", "rescore", "add"):
                lemmas.append(word)
                scores[word] = score
    return lemmas, every, scores


VOWEL_SIGNS = "ािीुूेैोौ"


def noun_forms(word: str) -> list[str]:
    """Plural and oblique forms of a noun; kept only when attested, as gender is not known."""
    if word.endswith("ा"):
        stem = word[:-1]
        # Masculine (धोखा, धोखे, धोखों) or feminine (आशा, आशाएं, आशाओं).
        return [stem + "े", stem + "ों", word + "एं", word + "एँ", word + "ओं"]
    if word.endswith("ी"):
        stem = word[:-1]
        # Feminine (खुशी, खुशियाँ, खुशियों) or masculine (अपराधी, अपराधियों).
        return [stem + "ियाँ", stem + "ियां", stem + "ियों"]
    if word.endswith("ि"):
        stem = word[:-1]
        return [stem + "ियाँ", stem + "ियां", stem + "ियों"]
    if word.endswith(("ू", "ु")):
        return [word + "ओं", word + "एं", word + "एँ"]
    if word[-1] in VOWEL_SIGNS or word[-1] in "ंँ्":
        return []
    # A consonant: oblique plural of either gender, direct plural of a feminine noun.
    return [word + "ों", word + "ें"]


def agreement_forms(word: str) -> list[str]:
    """Masculine plural or oblique and feminine of an adjective or participle in -ा."""
    stem = word[:-1]
    if stem.endswith("य"):  # चिल्लाया, चिल्लाए, चिल्लाई
        return [stem + "े", stem[:-1] + "ए", stem + "ी", stem[:-1] + "ई"]
    return [stem + "े", stem + "ी"]


def verb_forms(word: str) -> list[str]:
    """The paradigm of a verb given as root or infinitive: infinitive, participles,
    perfective, subjunctive, imperative, future and conjunctive."""
    root = word[:-2] if word.endswith("ना") else word
    forms = [root, root + "ना", root + "ने", root + "नी", root + "ता", root + "ते", root + "ती",
             root + "तीं", root + "कर", root + "के"]
    if root[-1] in VOWEL_SIGNS:
        # A root in a vowel (चिल्ला, रो) takes the full vowels and a glide.
        forms += [root + "या", root + "ये", root + "यी", root + "ए", root + "ई", root + "ईं",
                  root + "एं", root + "ओ", root + "एगा", root + "एंगे", root + "एगी"]
    else:
        forms += [root + "ा", root + "े", root + "ी", root + "ीं", root + "ें", root + "ो",
                  root + "ेगा", root + "ेंगे", root + "ेगी"]
    return forms


def candidates(lemma: str) -> tuple[list[str], list[str]]:
    """The forms the rules give for a lemma: (regular forms, forms that need attestation)."""
    regular: list[str] = []
    if lemma in FOLDED_VERBS:
        regular += verb_forms(lemma)
    if lemma in FOLDED_AGREEING:
        regular += agreement_forms(lemma)
    return clean(lemma, regular), clean(lemma, noun_forms(lemma))


def clean(lemma: str, forms: list[str]) -> list[str]:
    """NFC, without the lemma and without repeats."""
    out: list[str] = []
    for form in forms:
        form = fold(form)
        if form != lemma and form not in out:
            out.append(form)
    return out


def build(lemmas: list[str], every: set[str], attested: set[str],
          scores: dict[str, str]) -> list[tuple[str, str]]:
    """Pair each form with its lemma. A form claimed by two lemmas of different scores is
    left out; of equal scores, the first lemma keeps it."""
    owner: dict[str, str] = {}
    shared: set[str] = set()
    for lemma in lemmas:
        regular, needs_attestation = candidates(lemma)
        forms = regular + [f for f in needs_attestation if f in attested]
        forms += [form for form, owner_lemma in FOLDED_EXTRA.items() if owner_lemma == lemma]
        for form in forms:
            if form in every or form in FOLDED_NOT_FORMS:
                continue
            if form in owner and scores[owner[form]] != scores[lemma]:
                shared.add(form)
            owner.setdefault(form, lemma)
    return [(form, lemma) for form, lemma in owner.items() if form not in shared]


def wordfreq_words() -> list[str]:
    """Every word of wordfreq's Hindi list: the attested words when no file is given, so that
    a rerun gives the committed forms back (wordfreq is an authoring-time tool)."""
    import wordfreq  # type: ignore[import-not-found]

    return list(wordfreq.iter_wordlist("hi"))


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--attested", type=Path,
                        help="file of words attested in Hindi text, one a line "
                        "(default: every word of wordfreq's Hindi list)")
    parser.add_argument("--out", type=Path, default=FORMS, help="forms file to write")
    args = parser.parse_args(argv)
    lemmas, every, scores = read_lemmas(REVIEW)
    if args.attested is None:
        attested = {fold(word) for word in wordfreq_words()}
    else:
        with args.attested.open(encoding="utf-8") as f:
            attested = {fold(line.strip()) for line in f if line.strip()}
    pairs = build(lemmas, every, attested, scores)
    with args.out.open("w", encoding="utf-8") as f:
        f.write("form\tlemma\n")
        for form, lemma in pairs:
            f.write(f"{form}\t{lemma}\n")
    print(f"{len(pairs)} forms of {len({lemma for _, lemma in pairs})} lemmas written to {args.out}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
