"""Candidate inflected forms for the reviewed Spanish lexicon.

Reads ``lexicons/review/spanish.tsv`` (the kept, rescored and added words),
generates gender and number forms of adjectives and participles, plurals of
nouns, and the forms of verbs (present, preterite, imperfect, future,
conditional, present and imperfect subjunctive, participle, gerund), keeps only forms that occur in real text according to ``wordfreq``
(an optional tool used at authoring time only, never shipped), and writes
``lexicons/review/spanish.forms.tsv``.  The output was read by a fluent reader;
the forms found wrong are listed in ``EXCLUDED`` so that a rerun reproduces
the committed file.

Usage: ``python3 tools/lexicon_forms/spanish.py``
"""

from __future__ import annotations

import argparse
import sys
import unicodedata
from collections.abc import Iterable, Iterator
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
REVIEW = ROOT / "lexicons" / "review" / "spanish.tsv"
SOURCE = ROOT / "lexicons" / "data" / "spanish.tsv"
OUTPUT = ROOT / "lexicons" / "review" / "spanish.forms.tsv"

#: Words ending in -ar/-er/-ir that are not verbs.
NOT_VERBS = frozenset({"placer", "bienestar", "cadáver", "cáncer", "cancer", "espectacular"})

#: Verbs whose stem or spelling changes; their forms are listed in full
#: (present 1s 2s 3s 1p 3p, preterite 1s 3s 3p, participle, gerund).
IRREGULAR_VERBS: dict[str, tuple[str, ...]] = {
    "recomendar": ("recomiendo", "recomiendas", "recomienda", "recomendamos", "recomiendan",
                   "recomendé", "recomendó", "recomendaron", "recomendado", "recomendando"),
    "confiar": ("confío", "confías", "confía", "confiamos", "confían", "confié", "confió",
                "confiaron", "confiado", "confiando"),
    "soñar": ("sueño", "sueñas", "sueña", "soñamos", "sueñan", "soñé", "soñó", "soñaron",
              "soñado", "soñando"),
    "resolver": ("resuelvo", "resuelves", "resuelve", "resolvemos", "resuelven",
                 "resolví", "resolvió", "resolvieron", "resuelto", "resolviendo"),
    "absolver": ("absuelvo", "absuelve", "absuelven", "absolvió", "absolvieron",
                 "absuelto", "absolviendo"),
    "alentar": ("aliento", "alienta", "alientan", "alentamos", "alenté", "alentó",
                "alentaron", "alentado", "alentando"),
    "sonreír": ("sonrío", "sonríes", "sonríe", "sonreímos", "sonríen", "sonreí", "sonrió",
                "sonrieron", "sonreído", "sonriendo"),
    "reír": ("río", "ríes", "ríe", "reímos", "ríen", "reí", "rió", "rio", "rieron",
             "reído", "riendo"),
    "atraer": ("atraigo", "atraes", "atrae", "atraemos", "atraen", "atraje", "atrajo",
               "atrajeron", "atraído", "atrayendo"),
    "distraer": ("distraigo", "distraes", "distrae", "distraemos", "distraen", "distraje",
                 "distrajo", "distrajeron", "distraído", "distrayendo"),
    "convencer": ("convenzo", "convences", "convence", "convencemos", "convencen", "convencí",
                  "convenció", "convencieron", "convencido", "convenciendo"),
    "vencer": ("venzo", "vences", "vence", "vencemos", "vencen", "vencí", "venció",
               "vencieron", "vencido", "venciendo"),
    "entretener": ("entretengo", "entretienes", "entretiene", "entretenemos", "entretienen",
                   "entretuve", "entretuvo", "entretuvieron", "entretenido", "entreteniendo"),
    "imponer": ("impongo", "impones", "impone", "imponemos", "imponen", "impuse", "impuso",
                "impusieron", "impuesto", "imponiendo"),
    "posponer": ("pospongo", "pospone", "posponen", "pospuse", "pospuso", "pospusieron",
                 "pospuesto", "posponiendo"),
    "excluir": ("excluyo", "excluye", "excluyen", "excluimos", "excluí", "excluyó",
                "excluyeron", "excluido", "excluyendo"),
    "obstruir": ("obstruyo", "obstruye", "obstruyen", "obstruyó", "obstruyeron",
                 "obstruido", "obstruyendo"),
    "destruir": ("destruyo", "destruyes", "destruye", "destruimos", "destruyen", "destruí",
                 "destruyó", "destruyeron", "destruido", "destruyendo"),
    "negar": ("niego", "niegas", "niega", "negamos", "niegan", "negué", "negó", "negaron",
              "negado", "negando"),
    "perder": ("pierdo", "pierdes", "pierde", "perdemos", "pierden", "perdí", "perdió",
               "perdieron", "perdido", "perdiendo"),
    "morir": ("muero", "mueres", "muere", "morimos", "mueren", "morí", "murió", "murieron",
              "muerto", "muriendo"),
    "divertir": ("divierto", "diviertes", "divierte", "divertimos", "divierten", "divertí",
                 "divirtió", "divirtieron", "divertido", "divirtiendo"),
    "mentir": ("miento", "mientes", "miente", "mentimos", "mienten", "mentí", "mintió",
               "mintieron", "mentido", "mintiendo"),
    "herir": ("hiero", "hieres", "hiere", "herimos", "hieren", "herí", "hirió", "hirieron",
              "herido", "hiriendo"),
    "perseguir": ("persigo", "persigues", "persigue", "perseguimos", "persiguen", "perseguí",
                  "persiguió", "persiguieron", "perseguido", "persiguiendo"),
    "bendecir": ("bendigo", "bendices", "bendice", "bendecimos", "bendicen", "bendije",
                 "bendijo", "bendijeron", "bendecido", "bendiciendo"),
    "infligir": ("inflijo", "inflige", "infligen", "infligió", "infligieron", "infligido",
                 "infligiendo"),
    "fingir": ("finjo", "finges", "finge", "fingimos", "fingen", "fingí", "fingió",
               "fingieron", "fingido", "fingiendo"),
    "proteger": ("protejo", "proteges", "protege", "protegemos", "protegen", "protegí",
                 "protegió", "protegieron", "protegido", "protegiendo"),
    "prohibir": ("prohíbo", "prohíbes", "prohíbe", "prohibimos", "prohíben", "prohibí",
                 "prohibió", "prohibieron", "prohibido", "prohibiendo"),
    "avergonzar": ("avergüenzo", "avergüenza", "avergüenzan", "avergonzó", "avergonzado",
                   "avergonzando"),
}

#: Forms produced by the rules that are wrong or that mainly mean something
#: else in running text (read and rejected by the reviewer).
EXCLUDED: frozenset[str] = frozenset("""
ganas ganados cara caras cautivo cautiva cautivas cortejo aliento salvo fes famas justo
fuerzas concilio motivo río rio vivo vivos vivas descuenta descuentas choco
desterro acosa acosas acosos dura lista listas fallo privado privada privados privadas
vengo vengas vengamos vengan suicido estampido estampidos crimenes enfada enfadas
sobrecargo pánica pérdido pérdidos sabia sabias práctica prácticas iras donas
espinosa inmaculada serena lucrativos descuida descuidas gentiles
impresiones anime done dones deporte deportes dispares fallen mate mates amen ría rías
preocupe preocupes perdone aniversaria humores heyes loves jas loles sido sidos sidas tema temas
""".split())


def nfc(text: str) -> str:
    """Return ``text`` in Unicode normalisation form C."""
    return unicodedata.normalize("NFC", text)


_UNSTRESS = str.maketrans("áéíóú", "aeiou")


def plural(word: str) -> list[str]:
    """Return the regular plural(s) of a noun or adjective."""
    if word.endswith(("s", "x")):
        return []
    if word[-1] in "aeiouáéó":
        return [word + "s"]
    if word.endswith("z"):
        return [word[:-1] + "ces"]
    if word[-1] in "íú":
        return [word + "es", word + "s"]
    if word.endswith(("ión", "ón", "án", "én", "ín", "és", "ús")):
        # Stress moves off the last syllable: the written accent goes.
        return [word[:-2] + word[-2].translate(_UNSTRESS) + word[-1] + "es"]
    return [word + "es"]


#: Endings that mark a word in -o as an adjective or participle.
ADJECTIVE_ENDINGS = ("ado", "ido", "oso", "ivo", "ico", "ento", "ario", "orio", "ísimo",
                     "eño", "uro", "ático", "ético")

#: Other adjectives (and person nouns) in -o that have a feminine in -a.
ADJECTIVES_IN_O = frozenset("""
cojonudo estupendo bonito bueno devoto exquisito guapo próspero satisfecho perfecto
aventurero cómodo digno favorito honesto intacto legítimo pintoresco resuelto robusto
sereno sincero tranquilo amigo fresco asustadizo caído ceñudo deshecho extraño falso
incierto incompleto incrédulo indeciso monótono pospuesto roto tonto vacío alicaído amargo
astuto borracho bruto cabizbajo cojo confuso convicto crédulo deshonesto difunto enemigo
enfermo engreído erróneo gamberro grosero hosco imperfecto impropio inconexo incorrecto
incómodo indefenso inepto ingenuo inhumano injusto inmundo inquieto insano insatisfecho
irresoluto loco macabro maldito malévolo mentecato obsceno obsoleto olvidadizo perplejo
pésimo prisionero severo siniestro sombrío sucio tacaño tenso timorato trémulo turbio vago
vano molesto corrupto esclavo feo harto horrendo ilegítimo malo moribundo muerto ridículo
rudo traicionero trapacero puto bastardo bello sano óptimo correcto sabio bendito tierno
raro pendejo absurdo asesino listo caro oportuno perverso maligno desafortunado barato gratuito
""".split())

#: Nouns with an adjective's ending, whose -a forms belong to another word
#: (sueña is a form of soñar).
NOUNS_IN_O = frozenset({"sueño"})

#: Feminine entries whose masculine is a form of the same word.
ADJECTIVES_IN_A = frozenset("""
justa linda bonita loca aleccionadora desgarradora enfurecedora acosadora castigadora
victimizadora vengadora encantada aplaudida culpada conflictiva destrozada desacreditada
manipulada
""".split())

#: Adjectives and person nouns in -ón with a feminine in -ona.
ADJECTIVES_IN_ON = frozenset({"campeón", "burlón", "gorrón", "matón", "tragón"})


def adjective_forms(word: str) -> list[str]:
    """Return gender and number forms of an adjective, participle or noun."""
    if word.endswith("o"):
        stem = word[:-1]
        if (word.endswith(ADJECTIVE_ENDINGS) and word not in NOUNS_IN_O) or word in ADJECTIVES_IN_O:
            return [stem + "a", stem + "os", stem + "as"]
        return [word + "s"]
    if word.endswith("a"):
        stem = word[:-1]
        if word.endswith(("ada", "ida", "osa", "iva")) or word in ADJECTIVES_IN_A:
            if stem.endswith(("dor", "tor", "sor")) or word == "tragona":
                return [stem + "as", stem, stem + "es"]
            return [stem + "as", stem + "o", stem + "os"]
        return [word + "s"]
    if word.endswith(("dor", "tor", "sor")):
        return [*plural(word), word + "a", word + "as"]
    if word in ADJECTIVES_IN_ON:
        base = word[:-2] + "on"
        return [*plural(word), base + "a", base + "as"]
    return plural(word)


#: Verbs whose future and conditional are built on a shortened stem.
FUTURE_STEMS = {"imponer": "impondr", "posponer": "pospondr", "entretener": "entretendr"}

#: Accent-free vowels for the written accent a stem loses before a stressed ending.
_PLAIN = str.maketrans("áéíóú", "aeiou")


def _before_e(stem: str) -> str:
    """An -ar stem as written before e: c becomes qu, g gu, z c (busque, pague, goce)."""
    if stem.endswith("c"):
        return stem[:-1] + "qu"
    if stem.endswith("g"):
        return stem + "u"
    if stem.endswith("z"):
        return stem[:-1] + "c"
    return stem


def tense_forms(infinitive: str, present_first: str, preterite_plural: str) -> list[str]:
    """The imperfect, future, conditional and both subjunctives of a verb, built from its
    infinitive, its present first person singular (subjunctive stem) and its preterite
    third person plural (imperfect subjunctive stem). The nosotros forms of the
    subjunctives, whose stress and stem differ, are left out."""
    plain = infinitive.translate(_PLAIN)
    stem, ending = plain[:-2], plain[-2:]
    future = FUTURE_STEMS.get(infinitive, plain)
    forms = [future + end for end in ("é", "ás", "á", "emos", "án")]
    forms += [future + end for end in ("ía", "ías", "íamos", "ían")]
    if ending == "ar":
        forms += [stem + end for end in ("aba", "abas", "ábamos", "aban")]
        subjunctive = _before_e(present_first[:-1])
        forms += [subjunctive + end for end in ("e", "es", "en")]
    else:
        forms += [stem + end for end in ("ía", "ías", "íamos", "ían")]
        forms += [present_first[:-1] + end for end in ("a", "as", "an")]
    if preterite_plural.endswith("ron"):
        root = preterite_plural[:-3]
        forms += [root + end for end in ("ra", "ras", "ran", "se", "ses", "sen")]
    return forms


def verb_forms(infinitive: str) -> list[str]:
    """Return the forms of a verb in every common tense, with spelling changes."""
    forms = _simple_forms(infinitive)
    present_first = forms[0]
    preterite_plural = next((f for f in forms if f.endswith("ron")), "")
    return forms + tense_forms(infinitive, present_first, preterite_plural)


def _simple_forms(infinitive: str) -> list[str]:
    """The present, preterite, participle and gerund of a verb, with spelling changes."""
    if infinitive in IRREGULAR_VERBS:
        return list(IRREGULAR_VERBS[infinitive])
    stem, ending = infinitive[:-2], infinitive[-2:].replace("í", "i")
    if ending == "ar":
        first_pret = stem + "é"
        if stem.endswith("c"):
            first_pret = stem[:-1] + "qué"
        elif stem.endswith("g"):
            first_pret = stem + "ué"
        elif stem.endswith("z"):
            first_pret = stem[:-1] + "cé"
        return [stem + "o", stem + "as", stem + "a", stem + "amos", stem + "an",
                first_pret, stem + "aste", stem + "ó", stem + "aron",
                stem + "ado", stem + "ada", stem + "ados", stem + "adas", stem + "ando"]
    first = stem + "o"
    if stem.endswith("ec"):
        first = stem[:-1] + "zco"
    present = [first, stem + "es", stem + "e", stem + "en"]
    present.append(stem + ("emos" if ending == "er" else "imos"))
    return [*present, stem + "í", stem + "ió", stem + "ieron",
            stem + "ido", stem + "ida", stem + "idos", stem + "idas", stem + "iendo"]


#: Forms the rules cannot reach: the shortened forms before a noun.
EXTRA: dict[str, tuple[str, ...]] = {"bueno": ("buen",)}


def candidates(word: str) -> list[str]:
    """Return the candidate forms of one lexicon word."""
    is_verb = word.endswith(("ar", "er", "ir", "ír")) and word not in NOT_VERBS
    if is_verb:
        return verb_forms(word)
    return [*EXTRA.get(word, ()), *adjective_forms(word)]


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
    """Whether the form is attested in wordfreq's Spanish list."""
    import wordfreq  # authoring-time tool only

    return wordfreq.zipf_frequency(form, "es") > 0


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
