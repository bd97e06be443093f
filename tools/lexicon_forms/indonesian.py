#!/usr/bin/env python3
"""Generate the affixed forms of the reviewed Indonesian lexicon: lexicons/review/indonesian.forms.tsv.

Indonesian builds its words from roots with prefixes, suffixes and enclitics, and running text
carries the built words far more often than the root: a feeling in `sedih` shows up as
`sedihnya`, `menyedihkan`, `kesedihan`; the active `menipu` has the passive `ditipu` and the
accidental `tertipu`. Without these forms a text matches only the citation form of each word.

This tool derives, for every kept, rescored or added word of lexicons/review/indonesian.tsv:
  * the enclitic and particle forms: -nya, -ku, -mu, -lah;
  * the voice partner of a verb: meN- and di- with the same suffix (memuji, dipuji;
    menyakiti, disakiti; mengecewakan, dikecewakan), and ter- (tertipu);
  * for a root (an adjective or noun with no affix): the causative and applicative verbs
    (meN-...-kan, di-...-kan, meN-...-i, di-...-i), the abstract noun ke-...-an, ber- and the
    superlative ter-.
The enclitic -nya attaches to any word and is always written. The other rules overgenerate (a
root may be read in more than one way), so their candidate is kept only when it is attested in
running text: the caller passes a file of attested words (one a line;
a frequency list of the language is a good source). A form that is a word of the lexicon in
its own right is left out (it has its own decision), and so is a form that two lemmas of
different scores would share. Attested forms whose meaning drifted away from their lemma
(aman gives diamankan, "arrested") are listed in NOT_FORMS after a reader checked the output.

    python3 tools/lexicon_forms/indonesian.py --attested words.txt

Standard library only.
"""

from __future__ import annotations

import argparse
import sys
import unicodedata
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
REVIEW = REPO / "lexicons" / "review" / "indonesian.tsv"
FORMS = REPO / "lexicons" / "review" / "indonesian.forms.tsv"

ENCLITICS = ("nya", "ku", "mu", "lah")
VOWELS = "aeiou"

# Interjections and formulas take no enclitic.
NO_ENCLITIC = frozenset("hore wow aduh ih alhamdulillah terimakasih makasih untunglah hai halo hallo hi hello bye okay okey hehehe hahaha thanks trims welcome fuck sorry bravo melupakannya bersiaplah".split())

# Attested candidates whose meaning is not their lemma's, found by reading the output.
NOT_FORMS = frozenset("""
    diamankan ditarik ditawan mengenal dikenal mengadili diadili mengandalkan diandalkan
    mengabadikan diabadikan baiknya baiklah kebaktian kebijakan kegiatan bercocok mencocokkan
    kejuaraan layaknya memanfaatkan dimanfaatkan menjangkau dijangkau mengemuka kesehatan
    menegaskan ditegaskan menekuni dibelakang menyangka disangka mengena memutus diputus menekan
    ditekan memalingkan terserah maluku kemaluan melancarkan dilancarkan dihilangkan dimatikan
    menyerukan berseru menyiapkan disiapkan membanjiri dibanjiri memantapkan memadamkan
    dipadamkan terkalahkan mengindahkan kegemaran kecerdasan keseimbangan menyeimbangkan
    merapikan sayangnya kerajinan berteduh menggalakkan tergila memanjakan dimanjakan kemurahan
    membetulkan
    sakitinya salahkannya hancurkannya menyentuh disentuh diharapkan disinggung
""".split())


def nasal_prefix(root: str) -> str:
    """The active prefix meN- joined to a root: pukul > memukul, tulis > menulis,
    sapa > menyapa, kirim > mengirim, ambil > mengambil, lempar > melempar."""
    first = root[0]
    if first == "p" and len(root) > 1 and root[1] in VOWELS:
        return "mem" + root[1:]
    if first in "bf" or first == "v":
        return "mem" + root
    if first == "t" and len(root) > 1 and root[1] in VOWELS:
        return "men" + root[1:]
    if first in "dcjz":
        return "men" + root
    if first == "s" and len(root) > 1 and root[1] in VOWELS:
        return "meny" + root[1:]
    if first == "k" and len(root) > 1 and root[1] in VOWELS:
        return "meng" + root[1:]
    if first in "gh" or first in VOWELS:
        return "meng" + root
    return "me" + root


def roots_of_active(word: str) -> list[str]:
    """The roots a meN- word can come from (menipu: tipu or nipu); the caller checks them."""
    roots: list[str] = []
    if word.startswith("meny"):
        roots.append("s" + word[4:])
    if word.startswith("meng"):
        roots += [word[4:], "k" + word[4:]]
    if word.startswith("mem"):
        roots += [word[3:], "p" + word[3:]]
    if word.startswith("men"):
        roots += [word[3:], "t" + word[3:]]
    if word.startswith("me"):
        roots.append(word[2:])
    return [root for root in roots if len(root) >= 3 and nasal_prefix(root) == word[:len(nasal_prefix(root))]]


def split_suffix(word: str) -> tuple[str, str]:
    """Separate a verb suffix -kan or -i from a stem (the caller tries both readings)."""
    if word.endswith("kan"):
        return word[:-3], "kan"
    if word.endswith("i"):
        return word[:-1], "i"
    return word, ""


def voice_partners(word: str) -> list[str]:
    """Active, passive and accidental partners of an affixed verb."""
    out: list[str] = []
    readings = [(word, "")]
    stem, suffix = split_suffix(word)
    if suffix:
        readings.append((stem, suffix))
    for body, suffix in readings:
        if body.startswith("me"):
            for root in roots_of_active(body):
                out += ["di" + root + suffix, "ter" + root + suffix if not suffix else ""]
        elif body.startswith("di") and len(body) > 4:
            root = body[2:]
            out += [nasal_prefix(root) + suffix, "ter" + root if not suffix else ""]
        elif body.startswith("ter") and len(body) > 5:
            root = body[3:]
            out += [nasal_prefix(root), "di" + root]
    return [form for form in out if form]


def root_derivations(root: str) -> list[str]:
    """Verbs and nouns built on a bare root."""
    active = nasal_prefix(root)
    return [active + "kan", "di" + root + "kan", active + "i", "di" + root + "i",
            "ke" + root + "an", "ber" + root, "ter" + root]


def has_affix(word: str) -> bool:
    """Whether a word already carries a derivational affix."""
    return word.startswith(("me", "di", "ter", "ber", "ke", "pe", "per")) or \
        word.endswith(("kan", "an"))


def candidates(lemma: str) -> tuple[list[str], list[str]]:
    """The forms the rules give for a lemma: (regular forms, forms that need attestation).
    The enclitic -nya attaches to any noun, adjective or verb (indahnya "how beautiful",
    menghancurkannya "destroy it") and is written always; the rest must be attested."""
    if lemma in NO_ENCLITIC:
        return [], []
    regular = [] if lemma.endswith("nya") else [lemma + "nya"]
    forms = [lemma + enclitic for enclitic in ENCLITICS if enclitic != "nya"]
    forms += voice_partners(lemma)
    if not has_affix(lemma):
        forms += root_derivations(lemma)
    return clean(lemma, regular), clean(lemma, forms)


def clean(lemma: str, forms: list[str]) -> list[str]:
    """NFC, without the lemma and without repeats."""
    out: list[str] = []
    for form in forms:
        form = unicodedata.normalize("NFC", form)
        if form != lemma and form not in out:
            out.append(form)
    return out


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


def build(lemmas: list[str], every: set[str], attested: set[str],
          scores: dict[str, str]) -> list[tuple[str, str]]:
    """Pair each form with its lemma. A form claimed by two lemmas of different scores is
    left out; of equal scores, the first lemma keeps it."""
    owner: dict[str, str] = {}
    shared: set[str] = set()
    for lemma in lemmas:
        regular, needs_attestation = candidates(lemma)
        for form in regular + [f for f in needs_attestation if f in attested]:
            if form in every or form in NOT_FORMS:
                continue
            if form in owner and scores[owner[form]] != scores[lemma]:
                shared.add(form)
            owner.setdefault(form, lemma)
    return [(form, lemma) for form, lemma in owner.items() if form not in shared]


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--attested", type=Path, required=True,
                        help="file of words attested in Indonesian text, one a line")
    parser.add_argument("--out", type=Path, default=FORMS, help="forms file to write")
    args = parser.parse_args(argv)
    lemmas, every, scores = read_lemmas(REVIEW)
    with args.attested.open(encoding="utf-8") as f:
        attested = {unicodedata.normalize("NFC", line.strip()) for line in f if line.strip()}
    pairs = build(lemmas, every, attested, scores)
    with args.out.open("w", encoding="utf-8") as f:
        f.write("form\tlemma\n")
        for form, lemma in pairs:
            f.write(f"{form}\t{lemma}\n")
    print(f"{len(pairs)} forms of {len({lemma for _, lemma in pairs})} lemmas written to {args.out}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
