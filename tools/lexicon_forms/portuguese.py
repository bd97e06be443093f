"""Candidate inflected forms for the reviewed Portuguese lexicon.

Reads ``lexicons/review/portuguese.tsv`` (the kept, rescored and added
words), generates gender and number forms of adjectives and participles,
plurals of nouns, and the forms of verbs (present, preterite, imperfect,
future, conditional, present and imperfect subjunctive, participle, gerund), keeps only forms that occur in real text according to
``wordfreq`` (an optional tool used at authoring time only, never shipped),
and writes ``lexicons/review/portuguese.forms.tsv``.  The output was read by a
fluent reader; the forms found wrong are listed in ``EXCLUDED`` and forms the
rules cannot reach are listed in ``EXTRA`` so that a rerun reproduces the
committed file.

Usage: ``python3 tools/lexicon_forms/portuguese.py``
"""

from __future__ import annotations

import argparse
import sys
import unicodedata
from collections.abc import Iterable, Iterator
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
REVIEW = ROOT / "lexicons" / "review" / "portuguese.tsv"
SOURCE = ROOT / "lexicons" / "data" / "portuguese.tsv"
OUTPUT = ROOT / "lexicons" / "review" / "portuguese.forms.tsv"

#: Words ending in -ar/-er/-ir that are not verbs.
NOT_VERBS = frozenset({"prazer", "cadáver", "câncer", "antiparlamentar", "bem-estar",
                       "espetacular", "azar", "ímpar"})

#: Verbs whose stem or spelling changes; their forms are listed in full
#: (present 1s 3s 1p 3p, preterite 1s 3s 3p, participle, gerund).
IRREGULAR_VERBS: dict[str, tuple[str, ...]] = {
    "perder": ("perco", "perde", "perdemos", "perdem", "perdi", "perdeu", "perderam",
               "perdido", "perdida", "perdidos", "perdidas", "perdendo"),
    "odiar": ("odeio", "odeias", "odeia", "odiamos", "odeiam", "odiei", "odiou", "odiaram",
              "odiado", "odiada", "odiados", "odiadas", "odiando"),
    "mentir": ("minto", "mente", "mentem", "mentimos", "menti", "mentiu", "mentiram",
               "mentido", "mentindo"),
    "divertir": ("divirto", "diverte", "divertem", "divertimos", "diverti", "divertiu",
                 "divertiram", "divertido", "divertida", "divertidos", "divertidas",
                 "divertindo"),
    "proibir": ("proíbo", "proíbe", "proíbem", "proibimos", "proibi", "proibiu",
                "proibiram", "proibido", "proibida", "proibidos", "proibidas", "proibindo"),
    "destruir": ("destruo", "destrói", "destroem", "destruímos", "destruí", "destruiu",
                 "destruíram", "destruído", "destruída", "destruídos", "destruídas",
                 "destruindo"),
    "excluir": ("excluo", "exclui", "excluem", "excluímos", "excluí", "excluiu", "excluíram",
                "excluído", "excluída", "excluídos", "excluídas", "excluindo"),
    "obstruir": ("obstrui", "obstruem", "obstruiu", "obstruíram", "obstruída",
                 "obstruídos", "obstruídas"),
    "deter": ("detenho", "detém", "detêm", "detive", "deteve", "detiveram", "detido",
              "detida", "detidos", "detidas", "detendo"),
    "distrair": ("distraio", "distrai", "distraem", "distraí", "distraiu", "distraíram",
                 "distraída", "distraídos", "distraídas", "distraindo"),
    "trair": ("traio", "traem", "traí", "traiu", "traíram", "traído", "traídos", "traídas",
              "traindo"),
    "rir": ("rio", "ri", "rimos", "riem", "riu", "riram", "rido"),
    "sorrir": ("sorrio", "sorri", "sorrimos", "sorriem", "sorriu", "sorriram", "sorrindo"),
    "impor": ("imponho", "impõem", "impomos", "impus", "impôs", "impuseram", "imposto",
              "impostas", "impostos", "impondo"),
    "descrer": ("descreio", "descrê", "descreem", "descreu"),
}

#: Forms the rules cannot reach: the singulars and genders of lemmas that the
#: source lists in the plural or in the feminine.
EXTRA: dict[str, tuple[str, ...]] = {
    "mau": ("má", "más"),
    "amigos": ("amigo", "amiga", "amigas"),
    "piadas": ("piada",),
    "traidores": ("traidor", "traidora", "traidoras"),
    "criminosos": ("criminoso", "criminosa", "criminosas"),
    "inimigos": ("inimigas",),
    "vencedores": ("vencedoras",),
    "escravos": ("escravas",),
    "odiadores": ("odiador",),
    "mentirosos": ("mentirosas",),
    "lunáticos": ("lunática", "lunáticas"),
    "prisioneiros": ("prisioneira", "prisioneiras"),
    "terroristas": (),
}

#: Endings that mark a word in -o as an adjective or participle.
ADJECTIVE_ENDINGS = ("ado", "ido", "ído", "oso", "ivo", "ico", "ento", "ário", "ório",
                     "íssimo", "eiro", "ático", "ético", "udo", "into")

#: Other adjectives (and person nouns) in -o that have a feminine in -a.
ADJECTIVES_IN_O = frozenset("""
soberbo bonito grato perfeito próspero satisfeito sincero ótimo calmo desenvolto devoto
digno esperto favorito honesto intacto justo legítimo pitoresco resoluto robusto seguro
sereno tranquilo aflito bruto caduco estranho falso incerto incompleto indeciso inseguro
obscuro suspeito suspenso tonto vazio absurdo amargo assassino bizarro cabisbaixo caído
confuso controverso coxo crédulo desonesto desumano distraído doentio enfadonho errôneo
esquisito expulso fraco imperfeito impróprio imundo indigno inepto infrutífero ingênuo
inimigo injusto inquieto insano insatisfeito insensato irresoluto lerdo louco macabro
medonho mesquinho obsceno obsoleto perplexo preso restrito severo sinistro sombrio sozinho
sujo taciturno tenso timorato trêmulo vadio vago áspero burro chato corrupto escravo
exausto falho feio horrendo ilegítimo ingrato morto obnóxio ridículo maldito lindo belo
maluco péssimo bem-vindo vagabundo lento caro valioso coitado sortudo desnecessário incômodo grandioso gratuito
""".split())

#: Feminine entries whose masculine is a form of the same word.
ADJECTIVES_IN_A = frozenset("""
fofa boba discriminatória fóbica corruptora enlouquecedora traída pronta empática
""".split())

#: Adjectives and person nouns in -ão with their feminine.
FEMININE_IN_AO: dict[str, str] = {
    "brincalhão": "brincalhona", "campeão": "campeã", "valentão": "valentona",
    "espertalhão": "espertalhona", "fanfarrão": "fanfarrona", "ladrão": "ladra",
}

#: Words in -dor/-tor/-sor that are not agent nouns and have no feminine.
NOT_AGENT_NOUNS = frozenset({"dor", "fedor", "estressor"})

_ACCENTED = set("áéíóúâêô")


def nfc(text: str) -> str:
    """Return ``text`` in Unicode normalisation form C."""
    return unicodedata.normalize("NFC", text)


def plural(word: str) -> list[str]:
    """Return the regular plural of a Portuguese noun or adjective."""
    if "-" in word:
        head, _, tail = word.partition("-")
        return [f"{head}-{form}" for form in plural(tail)]
    if word.endswith("s") or word.endswith("x"):
        if word.endswith("ês"):
            return [word[:-2] + "eses"]
        return []
    if word == "bênção":
        return ["bênçãos"]
    if word.endswith("ão"):
        return [word[:-2] + "ões"]
    if word[-1] in "aeiouáéóâêãõ" or word.endswith("í") or word.endswith("ú"):
        return [word + "s"]
    if word.endswith("m"):
        return [word[:-1] + "ns"]
    if word.endswith("al"):
        return [word[:-2] + "ais"]
    if word.endswith("el"):
        stressed_before = any(ch in _ACCENTED for ch in word[:-2])
        return [word[:-2] + ("eis" if stressed_before else "éis")]
    if word.endswith("il"):
        stressed_before = any(ch in _ACCENTED for ch in word[:-2])
        return [word[:-2] + ("eis" if stressed_before else "is")]
    if word.endswith("ol"):
        return [word[:-2] + "óis"]
    if word.endswith("ul"):
        return [word[:-2] + "uis"]
    if word.endswith(("r", "z")):
        return [word + "es"]
    return []


def adjective_forms(word: str) -> list[str]:
    """Return gender and number forms of an adjective, participle or noun."""
    if word.endswith("o"):
        if word.endswith(ADJECTIVE_ENDINGS) or word in ADJECTIVES_IN_O:
            stem = word[:-1]
            if "-" in word:
                return [stem + "a", stem + "os", stem + "as"]
            return [stem + "a", stem + "os", stem + "as"]
        return plural(word)
    if word.endswith("a"):
        stem = word[:-1]
        if word in ADJECTIVES_IN_A or word.endswith(("ada", "ida", "ída", "osa", "iva")):
            if stem.endswith(("dor", "tor", "sor")):
                return [stem + "as", stem, stem + "es"]
            return [stem + "as", stem + "o", stem + "os"]
        return plural(word)
    if word in FEMININE_IN_AO:
        feminine = FEMININE_IN_AO[word]
        return [*plural(word), feminine, feminine + "s"]
    if word.endswith(("dor", "tor", "sor")) and word not in NOT_AGENT_NOUNS:
        return [*plural(word), word + "a", word + "as"]
    return plural(word)


#: Verbs whose imperfect is built on another stem (the family of ter).
IMPERFECT_STEMS = {"deter": "detinh"}


def _before_e(stem: str) -> str:
    """An -ar stem as written before e: c becomes qu, g gu, ç c (fique, pague, comece)."""
    if stem.endswith("c"):
        return stem[:-1] + "qu"
    if stem.endswith("g"):
        return stem + "u"
    if stem.endswith("ç"):
        return stem[:-1] + "c"
    return stem


def tense_forms(infinitive: str, present_first: str, preterite_plural: str) -> list[str]:
    """The imperfect, future, conditional and both subjunctives of a verb, built from its
    infinitive, its present first person singular (subjunctive stem) and its preterite
    third person plural (imperfect subjunctive stem). The first person plural of the
    subjunctives, whose stress moves, is left out."""
    stem, ending = infinitive[:-2], infinitive[-2:]
    forms = [infinitive + end for end in ("ei", "ás", "á", "emos", "ão")]
    forms += [infinitive + end for end in ("ia", "ias", "íamos", "iam")]
    if infinitive in IMPERFECT_STEMS:
        root = IMPERFECT_STEMS[infinitive]
        forms += [root + end for end in ("a", "as", "am")]
    elif ending == "ar":
        forms += [stem + end for end in ("ava", "avas", "ávamos", "avam")]
    elif ending in ("er", "ir"):
        # After a vowel the i is stressed on its own and written í (traía, destruía).
        vowel = "í" if stem[-1:] in ("a", "e", "o", "u") else "i"
        forms += [stem + vowel + end for end in ("a", "as", "am")] + [stem + "íamos"]
    if present_first.endswith("o"):
        root = present_first[:-1]
        if ending == "ar":
            forms += [_before_e(root) + end for end in ("e", "es", "em")]
        else:
            forms += [root + end for end in ("a", "as", "am")]
    if preterite_plural.endswith("ram"):
        root = preterite_plural[:-3]
        forms += [root + end for end in ("sse", "sses", "ssem")]
    return forms


def verb_forms(infinitive: str) -> list[str]:
    """Return the forms of a verb in every common tense, with spelling changes."""
    forms = _simple_forms(infinitive)
    present_first = forms[0]
    preterite_plural = next((f for f in forms if f.endswith("ram")), "")
    return forms + tense_forms(infinitive, present_first, preterite_plural)


def _simple_forms(infinitive: str) -> list[str]:
    """The present, preterite, participle and gerund of a verb, with spelling changes."""
    if infinitive in IRREGULAR_VERBS:
        return list(IRREGULAR_VERBS[infinitive])
    stem, ending = infinitive[:-2], infinitive[-2:]
    if ending == "ar":
        first_pret = stem + "ei"
        if stem.endswith("c"):
            first_pret = stem[:-1] + "quei"
        elif stem.endswith("g"):
            first_pret = stem + "uei"
        elif stem.endswith("ç"):
            first_pret = stem[:-1] + "cei"
        return [stem + "o", stem + "as", stem + "a", stem + "amos", stem + "am",
                first_pret, stem + "ou", stem + "aram",
                stem + "ado", stem + "ada", stem + "ados", stem + "adas", stem + "ando"]
    first = stem + "o"
    if stem.endswith("c"):
        first = stem[:-1] + "ço"
    elif stem.endswith("g"):
        first = stem[:-1] + "jo"
    vowel = "e" if ending == "er" else "i"
    return [first, stem + "e", stem + vowel + "mos", stem + "em",
            stem + "i", stem + ("eu" if ending == "er" else "iu"), stem + vowel + "ram",
            stem + "ido", stem + "ida", stem + "idos", stem + "idas", stem + vowel + "ndo"]


def candidates(word: str) -> list[str]:
    """Return the candidate forms of one lexicon word."""
    forms = list(EXTRA.get(word, ()))
    if word.endswith(("ar", "er", "ir")) and word not in NOT_VERBS:
        return forms + verb_forms(word)
    return forms + adjective_forms(word)


#: Forms produced by the rules that are wrong or that mainly mean something
#: else in running text (read and rejected by the reviewer).
EXCLUDED: frozenset[str] = frozenset("""
cara caras cortejo concilio salvo forças famas fés rio rius bano dúvido motivo coxa coxas
dóis doutrinas mino mina minas privado privada privados privadas raivo
impedimenta poluido poluida pronto suicido vaga vagas viola violas mente curto brigada
brigadas atentada atentadas obra-primas bem-estares mais mato mata vadia vadias formosa serena imaculada
lucrativos lucrativas
doe does mine mines matas mate mates morro curta curtas prenda vencido vencida vencidos
vencidas preocupe preocupem obrigados obrigadas utilidades humores ois olás eis loves foda fodas relaxo hopes olas bloqueo bloquea atrae
""".split())


def read_review(path: Path) -> tuple[list[str], set[str]]:
    """Return (lemmas kept, rescored or added, every word of the review)."""
    lemmas: list[str] = []
    every: set[str] = set()
    with path.open(encoding="utf-8") as handle:
        next(handle)
        for line in handle:
            word, decision = line.rstrip("\n").split("\t")[:2]
            every.add(word)
            if decision != "drop":
                lemmas.append(word)
    return lemmas, every


def occurs(form: str) -> bool:
    """Whether the form is attested in wordfreq's Portuguese list."""
    import wordfreq  # authoring-time tool only

    return wordfreq.zipf_frequency(form, "pt") > 0


def generate(lemmas: Iterable[str], taken: set[str]) -> Iterator[tuple[str, str]]:
    """Yield (form, lemma) pairs, each form once, none a lexicon word."""
    seen: set[str] = set()
    for lemma in lemmas:
        for form in candidates(lemma):
            form = nfc(form)
            if form in taken or form in seen or form in EXCLUDED or form == lemma:
                continue
            if not occurs(form):
                continue
            seen.add(form)
            yield form, lemma


def read_forms(path: Path) -> list[tuple[str, str]]:
    """The (form, lemma) pairs of the committed forms file, if there is one."""
    if not path.is_file():
        return []
    with path.open(encoding="utf-8") as handle:
        next(handle)
        return [tuple(line.rstrip("\n").split("\t")) for line in handle]  # type: ignore[misc]


def main(argv: list[str] | None = None) -> int:
    """Add the new forms to the forms file and report how many it holds. The forms
    already in the file stay (some were added by hand), as long as their lemma is still
    a word of the review and the form is not one itself."""
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", type=Path, default=OUTPUT, help="the forms file to write")
    out = parser.parse_args(argv).out
    lemmas, reviewed = read_review(REVIEW)
    kept = set(lemmas)
    committed = [(form, lemma) for form, lemma in read_forms(OUTPUT)
                 if lemma in kept and form not in reviewed]
    listed = {form for form, _ in read_forms(OUTPUT)}
    with SOURCE.open(encoding="utf-8") as handle:
        source = {line.split("\t")[0] for line in handle} - listed
    taken = reviewed | source | {form for form, _ in committed}
    pairs = committed + list(generate(lemmas, taken))
    with out.open("w", encoding="utf-8") as handle:
        handle.write("form\tlemma\n")
        for form, lemma in pairs:
            handle.write(f"{form}\t{lemma}\n")
    print(f"{len(pairs)} forms written to {out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
