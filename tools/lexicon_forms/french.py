"""Candidate inflected forms for the reviewed French lexicon.

Reads the review of the French lexicon (lexicons/review/french.tsv) and writes
lexicons/review/french.forms.tsv: for every kept, rescored or added word, the forms that French text writes for it -- gender and number of
adjectives and participles, plural of nouns, and for verbs the present, imparfait, future,
conditional, simple past (third persons) and both participles. Each form is linked to the
lexicon word it inflects and so takes that word's final score.

The rules are the regular ones of French spelling plus a table of the irregular verbs that
the lexicon holds. Rules overgenerate (a noun gets an adjective's feminine, an -er noun looks
like a verb), so a candidate is kept only when it occurs in real text: when the `wordfreq`
package is importable, a form it has never seen is left out. The output is then read by a
fluent reader; forms found wrong are listed in REJECT below, so that running this again
gives the reviewed file.

    python3 tools/lexicon_forms/french.py            # rewrite lexicons/review/french.forms.tsv
    python3 tools/lexicon_forms/french.py --out FILE # write elsewhere
"""

from __future__ import annotations

import argparse
import sys
import unicodedata
from collections.abc import Callable
from pathlib import Path

from review_words import every_word, final_words

ROOT = Path(__file__).resolve().parents[2]
REVIEW = ROOT / "lexicons" / "review" / "french.tsv"
OUTPUT = ROOT / "lexicons" / "review" / "french.forms.tsv"

# Words ending in -er or -ir that are not verbs (adjectives and nouns).
NOT_VERBS = {
    "super", "cher", "fier", "amer", "enfer", "danger", "cancer", "grossier", "populacier",
    "mensonger", "meurtrier", "plaisir", "désir", "sourire", "tendre", "chef-d'oeuvre",
    "mer", "hiver", "fer",
}

# Nouns whose ending looks like an adjective's: the rules would give them a feminine that is
# another word (refuse is of refuser, complote of comploter).
NOUNS = {"refus", "complot", "assassin", "hi"}

# Verbs whose every form carries the feeling of the lexicon word they come from (read one by
# one: a verb that the rules find behind a lexicon word but that means something neutral --
# graver behind grave, louer behind loué, illustrer behind illustre -- is not here).
VERBS = set(
    """
    agresser kiffer guérir haïr
    ravir gagner passionner réjouir triompher charmer exalter fêter prospérer stupéfier
    vivifier émoustiller avantager blaguer calmer complimenter gracier honorer obséder
    récompenser révérer enchanter déconcerter enticher embrasser innocenter protéger
    rassurer rêver emberlificoter angoisser apeurer paralyser pétrifier déformer inquiéter
    troubler engourdir délaisser déserter accabler affliger attrister emprisonner encroûter
    consterner attaquer bannir bloquer dérégler embrouiller ensanglanter fatiguer hanter
    manipuler moquer morfondre pirater piéger rejeter soupçonner surcharger vomir égarer
    étouffer fourvoyer abandonner déchirer désoler endommager gêner indigner suspecter
    endeuiller sombrer abuser acculer accuser admonester affaiblir affamer agacer aggraver
    aigrir alarmer altérer arnaquer asservir blesser blâmer boycotter briser bâillonner
    censurer chagriner choquer coincer compliquer condamner contaminer contrecarrer
    courroucer crier crisper critiquer dilapider discriminer discréditer disgracier
    disqualifier duper décevoir décourager défavoriser dégrader démoraliser dénaturer
    dénigrer dénier dénoncer déporter déprimer dérailler déranger désappointer désapprouver
    déshumaniser détester détériorer dévaster effrayer embarrasser embobiner empoisonner
    endoctriner entacher entraver exacerber exagérer exaspérer expulser fausser foirer
    froisser frustrer gaspiller gronder gâcher harceler hospitaliser incommoder incriminer
    inculper infantiliser infecter infester infliger insulter intimider irriter jalouser
    kidnapper lasser menacer monopoliser mécontenter nuire négliger obstiner obstruer
    offenser opprimer ostraciser peiner persécuter perturber pleurer poignarder polluer
    priver punir pénaliser rabaisser rabrouer railler rater ravager redouter refuser
    ridiculiser ruiner réprimander sabrer saper snober souffrir souiller taillader
    transgresser venger violer échouer étrangler affoler brusquer déshériter violenter
    abhorrer châtier dégoûter déplorer détruire empirer escroquer falsifier frauder
    horrifier humilier mourir navrer paniquer parjurer pester soudoyer suborner terrifier
    terroriser tourmenter trahir tricher tromper victimiser désespérer ennuyer merder
    saouler damner pourrir torturer enthousiasmer suicider chier rager massacrer galérer
    crever chialer énerver regretter admirer aimer amuser apaiser captiver courtiser
    célébrer embellir fasciner féliciter impressionner réussir étonner adorer chérir rigoler
    absoudre acclamer accomplir acquitter aider améliorer applaudir approuver apprécier
    bénir concilier disculper encourager espérer profiter recommander remercier résoudre
    sauver soulager soutenir perdre craindre mentir plaindre soigner assassiner survivre
    pardonner reprocher tuer rire
    """.split()
)

# Second-group verbs (finir): stem + -iss- in the plural and the imparfait.
SECOND_GROUP = {
    "réjouir", "embellir", "ravir", "réussir", "chérir", "accomplir", "applaudir", "bénir",
    "remplir", "bannir", "engourdir", "asservir", "punir", "trahir", "vomir", "affaiblir",
    "aigrir", "guérir", "envahir", "noircir", "salir", "avilir", "endurcir", "pourrir",
}

# Irregular verbs of the lexicon: infinitive -> forms (participles included).
IRREGULAR: dict[str, list[str]] = {
    # Too short for the rules that find an infinitive behind a lexicon word.
    "tuer": ["tue", "tues", "tuons", "tuez", "tuent", "tuais", "tuait", "tuaient", "tuant",
             "tuera", "tuerai", "tueront", "tuerait", "tueraient", "tua", "tuèrent"],
    "rire": ["ris", "rit", "rions", "riez", "rient", "riais", "riait", "riaient", "riant",
             "rira", "rirai", "riront", "rirait", "riraient", "rirent"],
    "sourire": ["souriez", "sourient", "souriais", "souriait", "souriaient", "souriante",
                "souriants", "sourira", "sourirait", "sourirent"],
    "décevoir": ["déçois", "déçoit", "décevons", "décevez", "déçoivent", "décevait",
                 "décevaient", "décevra", "décevrait", "décevante", "décevantes",
                 "décevants"],
    "souffrir": ["souffres", "souffrons", "souffrez", "souffrent", "souffrais", "souffrait",
                 "souffraient", "souffrira", "souffrirait", "souffrante", "souffrants",
                 "souffrantes"],
    "nuire": ["nuis", "nuisons", "nuisez", "nuisent", "nuisait", "nuisaient", "nuisant",
              "nuira", "nuirait"],
    "détruire": ["détruis", "détruisons", "détruisez", "détruisent", "détruisait",
                 "détruisaient", "détruisant", "détruite", "détruites", "détruits",
                 "détruira", "détruirait", "détruisirent"],
    "mourir": ["meurs", "meurt", "mourons", "mourez", "meurent", "mourais", "mourait",
               "mouraient", "mourant", "mourante", "mourants", "mourra", "mourrai",
               "mourrait", "moururent", "morte", "mortes", "morts"],
    "résoudre": ["résous", "résolvons", "résolvez", "résolvent", "résolvait", "résolvant",
                 "résoudra", "résoudrait"],
    "absoudre": ["absolvent", "absoute"],
    "soutenir": ["soutiens", "soutient", "soutenons", "soutenez", "soutiennent", "soutenais",
                 "soutenait", "soutenaient", "soutenant", "soutenu", "soutenue", "soutenus",
                 "soutenues", "soutiendra", "soutiendrait", "soutinrent"],
    "haïr": ["hais", "hait", "haïssons", "haïssez", "haïssent", "haïssais", "haïssait",
             "haïssaient", "haï", "haïe", "haïs", "haïes", "haïra", "haïrait"],
    "morfondre": ["morfonds", "morfond", "morfondent", "morfondait", "morfondu"],
    "perdre": ["perds", "perd", "perdons", "perdez", "perdent", "perdais", "perdait",
               "perdions", "perdaient", "perdant", "perdrai", "perdra", "perdrons",
               "perdront", "perdrais", "perdrait", "perdraient", "perde", "perdes",
               "perdit", "perdirent"],
    "craindre": ["crains", "craint", "craignons", "craignez", "craignent", "craignais",
                 "craignait", "craignaient", "craignant", "craindra", "craindrait",
                 "craigne", "craignirent"],
    "mentir": ["mens", "ment", "mentons", "mentez", "mentent", "mentais", "mentait",
               "mentaient", "mentant", "menti", "mentira", "mentirait", "mente", "mentes"],
    "survivre": ["survit", "survivent"],
    "plaindre": ["plains", "plaint", "plaignons", "plaignez", "plaignent", "plaignais",
                 "plaignait", "plaignaient", "plaignant", "plaindra", "plaindrait",
                 "plaigne"],
}

# Forms that the rules produce and real text spells otherwise, or that are another word in
# French (found on reading the output).
REJECT: set[str] = {
    # misspellings that occur in text
    "amitiée", "beautée", "beautées", "difficultée", "difficultées", "facilitée", "facilitées",
    "qualitée", "qualitées", "libertée", "pitiée", "favorie", "favorises", "nule", "nules",
    "mercie", "nuie", "rie", "ries", "réussise", "piége", "piéges", "ambigue", "ambigues",
    "l'horreurs", "supère", "violante", "pète-secs", "survécue", "survécus", "viruses", "wows",
    "combate", "véritée", "torte",
    # another word, not a form of the lexicon word
    "accidente", "délite", "bordelle", "conforte", "confortes", "foire", "foires", "empire",
    "empires", "brise", "brises", "mouse", "paradise", "terreuse", "terreuses", "supers",
    "sabre", "sabres", "ratons", "rations", "éclate", "éclates", "règlemente", "bels",
    "marres", "hâtes", "oks", "lols", "violons", "échecs", "éclats", "gênes", "peines",
    "attaquant", "attaquants", "stupéfiants", "chef-d'oeuvres", "calculatrice",
    "calculatrices", "incidente", "incidentes",
    "décline", "exploite", "exploites", "his",
    # "refined" of language and style (langue châtiée), not punished
    "châtiée", "châtiées", "châtiés",
    # slang for clothes and well-dressed (les sapes, bien sapé)
    "sapes", "sapé", "sapée", "sapés",
    # a verb form whose common sense is neutral: se soucier, souhaiter, respecter
    "soucie", "soucies", "souhaite", "souhaites", "respecte", "respectes",
    # the carers (personnel soignant, les soignants), a neutral noun
    "soignant",
    # the conditional of aimer is a wish, "would like", neutral as aimerait
    "aimeraient",
}

def is_word(form: str) -> bool:
    """Letters and combining marks, with inner hyphens or apostrophes only."""
    return all(unicodedata.category(c)[0] in "LM" or c in "-'" for c in form) and bool(form)


# Endings after which the feminine is the word plus -e (fatigué, ravi, têtu, méchant, ...).
PLAIN_FEMININE = (
    "é", "i", "u", "ant", "ent", "ard", "and", "ond", "ain", "in", "ais", "ois", "ct", "it",
    "at", "ot", "ut", "ort", "ert", "ul", "is", "us", "os", "il",
)
# Adjectives in -et whose feminine is -ète rather than -ette.
ET_GRAVE = ("complet", "incomplet", "inquiet", "discret", "indiscret", "secret", "concret")
# Feminine and plural forms that no rule gives.
IRREGULAR_ADJECTIVES: dict[str, list[str]] = {
    "gentil": ["gentille", "gentilles", "gentils"],
    "mou": ["molle", "molles"],
    "faux": ["fausse", "fausses"],
    "doux": ["douce", "douces"],
    "roux": ["rousse", "rousses"],
    "fou": ["folle", "folles", "fous"],
    "vieux": ["vieille", "vieilles"],
    "beau": ["belle", "belles", "beaux"],
    "nouveau": ["nouvelle", "nouvelles", "nouveaux"],
    "long": ["longue", "longues", "longs"],
    "frais": ["fraîche", "fraîches"],
    "sec": ["sèche", "sèches", "secs"],
    "malin": ["maligne", "malignes", "malins"],
    "bénin": ["bénigne", "bénignes", "bénins"],
    "chef-d'oeuvre": ["chefs-d'oeuvre"],
    # festivals, as bals and carnavals: not the -aux of the adjectives in -al
    "festival": ["festivals"],
}


def ligature_twin(word: str) -> str:
    """The word in the other spelling of œ: French text writes cœur and coeur, vœux and
    voeux alike. Only before u and i is oe the ligature (moelleux, coercition are not)."""
    for joined, apart in (("œu", "oeu"), ("œi", "oei")):
        word = word.replace(joined, "\0").replace(apart, joined).replace("\0", apart)
    return word


def noun_adjective_forms(w: str) -> list[str]:
    """Gender and number of an adjective or participle, plural of a noun."""
    if w in IRREGULAR_ADJECTIVES:
        return IRREGULAR_ADJECTIVES[w]
    plural = [] if w.endswith(("s", "x", "z")) else [w + "s"]
    if w.endswith("eux"):
        return [w[:-1] + "se", w[:-1] + "ses"]
    if w.endswith(("eu", "eau")):
        return [w + "x"]
    if w.endswith("al"):
        return [w + "e", w + "es", w[:-2] + "aux"]
    if w.endswith("eur"):
        if w.endswith(("érieur", "ajeur", "ineur")):
            return plural + [w + "e", w + "es"]
        fem = [w[:-4] + "trice", w[:-4] + "trices"] if w.endswith("teur") else []
        return plural + [w[:-1] + "se", w[:-1] + "ses"] + fem
    if w.endswith("if"):
        return plural + [w[:-1] + "ve", w[:-1] + "ves"]
    if w.endswith(("el", "eil")):
        return plural + [w + "le", w + "les"]
    if w.endswith(("ien", "éen", "on")):
        return plural + [w + "ne", w + "nes"]
    if w.endswith("er"):
        return plural + [w[:-2] + "ère", w[:-2] + "ères"]
    if w.endswith("et"):
        if w.endswith(ET_GRAVE):
            return plural + [w[:-2] + "ète", w[:-2] + "ètes"]
        return plural + [w + "te", w + "tes"]
    if w.endswith(PLAIN_FEMININE):
        return plural + [w + "e", w + "es"]
    return plural


def stems(stem: str) -> tuple[str, str]:
    """Stems of the forms with a silent ending and of the future.

    espér- gives espèr- (espère) and keeps espér- in the future (espérera); a mute e turns
    grave in both (achète, achètera; crève, crèvera), or doubles the consonant after it in
    appeler and jeter (appelle, appellera); -oyer and -uyer turn y into i (nettoie).
    """
    if stem.endswith(("oy", "uy")):
        soft = stem[:-1] + "i"
        return soft, soft
    i = len(stem) - 1
    while i >= 0 and stem[i] not in "aeiouyéèêëâîïôûü":
        i -= 1
    cluster = stem[i + 1:]
    single = len(cluster) == 1 or (len(cluster) == 2 and cluster[1] in "lr" and cluster[0] not in "lr")
    if i <= 0 or not single or stem[i] not in "ée" or stem[i - 1] in "aeouéè":
        return stem, stem
    if stem[i] == "é":
        return stem[:i] + "è" + stem[i + 1:], stem
    if stem.endswith(("appel", "jet")):
        return stem + stem[-1], stem + stem[-1]
    grave = stem[:i] + "è" + stem[i + 1:]
    return grave, grave


def er_forms(inf: str) -> list[str]:
    """Forms of a first-group verb (aimer, espérer, protéger, dénoncer)."""
    stem = inf[:-2]
    soft = stem[:-1] + "ç" if stem.endswith("c") else stem + ("e" if stem.endswith("g") else "")
    silent, future = stems(stem)
    return [
        silent + "e", silent + "es", soft + "ons", stem + "ez", silent + "ent",
        soft + "ais", soft + "ait", stem + "ions", stem + "iez", soft + "aient",
        soft + "ant", stem + "é", stem + "ée", stem + "és", stem + "ées",
        future + "era", future + "erai", future + "eront", future + "erait", future + "eraient",
        soft + "a", stem + "èrent",
    ]


def ir_forms(inf: str) -> list[str]:
    """Forms of a second-group verb (réussir, trahir)."""
    stem = inf[:-2]
    return [
        stem + "is", stem + "it", stem + "issons", stem + "issez", stem + "issent",
        stem + "issais", stem + "issait", stem + "issions", stem + "issiez", stem + "issaient",
        stem + "issant", stem + "i", stem + "ie", stem + "ies",
        inf + "a", inf + "ai", inf + "ont", inf + "ait", inf + "aient", stem + "irent",
    ]


def verb_forms(inf: str) -> list[str]:
    """Forms of any verb of VERBS, by its group or the irregular table."""
    if inf in IRREGULAR:
        return IRREGULAR[inf]
    if inf in SECOND_GROUP:
        return ir_forms(inf)
    if inf.endswith("er"):
        return er_forms(inf)
    return []


def infinitive_of(w: str, seen: Callable[[str], bool]) -> str | None:
    """The infinitive behind a lexicon verb form: itself, a participle, or a present."""
    if w in NOT_VERBS:
        return None
    if w in IRREGULAR or w in SECOND_GROUP:
        return w
    if w.endswith("er") and len(w) > 4 and seen(w[:-2] + "é"):
        return w
    if w.endswith("i") and w + "r" in SECOND_GROUP:
        return w + "r"
    if w.endswith("é") and len(w) > 3 and seen(w[:-1] + "er"):
        return w[:-1] + "er"
    if w.endswith("e") and len(w) > 3:
        base = w[:-1]
        j = base.rfind("è")
        if j >= 0:
            base = base[:j] + "é" + base[j + 1:]
        if seen(base + "er") and seen(base + "é"):
            return base + "er"
    return None


def load_seen() -> Callable[[str], bool]:
    """Whether a form occurs in French text, by wordfreq when it is there."""
    try:
        import wordfreq  # type: ignore[import-not-found]
    except ImportError:
        print("wordfreq not importable: every candidate is kept", file=sys.stderr)
        return lambda form: True
    return lambda form: wordfreq.zipf_frequency(form, "fr") > 0


def main(argv: list[str] | None = None) -> None:
    """Write the forms file from the review of the French lexicon."""
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", type=Path, default=OUTPUT, help="the forms file to write")
    out = parser.parse_args(argv).out
    seen = load_seen()
    final = final_words(REVIEW)
    final_set = set(final)
    taken = every_word(REVIEW)
    forms: dict[str, str] = {}

    def offer(form: str, lemma: str) -> None:
        form = unicodedata.normalize("NFC", form)
        if form in taken or form in forms or form in REJECT or not is_word(form):
            return
        if seen(form):
            forms[form] = lemma

    # Plurals first, so that crises goes to crise rather than to cris; then gender and
    # number of adjectives and participles; then the verbs, linked to the infinitive when
    # the lexicon has it, else to the lexicon word they come from.
    for w in final:
        for form in noun_adjective_forms(w):
            if form in (w + "s", w + "x", w[:-2] + "aux"):
                offer(form, w)
    verbs: dict[str, str] = {}
    for w in final:
        inf = infinitive_of(w, seen)
        if inf is not None and inf in VERBS:
            verbs.setdefault(inf, inf if inf in final_set else w)
    for w in final:
        if w in NOUNS or (w in verbs and w.endswith(("er", "ir", "re"))):
            continue
        for form in noun_adjective_forms(w):
            offer(form, w)
    for inf, lemma in verbs.items():
        offer(inf, lemma)
        for form in verb_forms(inf):
            offer(form, lemma)
    # Both spellings of œ, for the lexicon words and for their forms.
    for word, lemma in [(w, w) for w in final] + list(forms.items()):
        offer(ligature_twin(word), lemma)

    lines = ["form\tlemma"] + [f"{f}\t{l}" for f, l in sorted(forms.items(), key=lambda x: (x[1], x[0]))]
    out.write_text("\n".join(lines) + "\n", encoding="utf-8")
    print(f"{len(forms)} forms written to {out}")


if __name__ == "__main__":
    main()
