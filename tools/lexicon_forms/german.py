"""Generate candidate inflected forms for the German lexicon.

German text carries adjectives with case endings (gute, guten, guter ...),
comparatives and superlatives, verbs in their present and past forms and as
participles, and nouns in the plural. The lexicon lists lemmas, so without
these forms most sentiment words in running text go unmatched.

This script proposes forms by rule for every kept, rescored or added word of
``lexicons/review/german.tsv``, keeps only candidates that occur in real text
(``wordfreq`` is used as a development tool only, never shipped), and writes
``lexicons/review/german.forms.tsv``. The output is then read and corrected by
hand: rules overgenerate, and a form that happens to be another word (a noun
plural that is also a verb, say) is removed in ``REJECT`` below. Every form
spelled with ß is also listed with ss, the Swiss spelling.

Usage: python3 tools/lexicon_forms/german.py [--min-zipf 1.5]
"""

from __future__ import annotations

import argparse
import sys
import unicodedata
from pathlib import Path

from review_words import every_word, final_words

ROOT = Path(__file__).resolve().parents[2]
REVIEW = ROOT / "lexicons" / "review" / "german.tsv"
OUT = ROOT / "lexicons" / "review" / "german.forms.tsv"

UMLAUT = {"a": "ä", "o": "ö", "u": "ü"}
NO_GE_PREFIXES = ("be", "ver", "er", "zer", "ent", "emp", "ge", "miss", "über", "unter", "hinter", "wider")
SEPARABLE = ("ab", "an", "auf", "aus", "ein", "mit", "nach", "vor", "zu", "los", "zurück", "weg", "fest", "frei", "hoch")

# Irregular forms that rules cannot produce: lemma -> forms.
IRREGULAR: dict[str, tuple[str, ...]] = {
    "gewinnen": ("gewann", "gewannen", "gewinne", "gewinnst"),
    "verlieren": ("verlor", "verloren", "verlierst", "verliere", "verlorene", "verlorenen", "verlorener", "verlorenes"),
    "lieben": ("liebe", "liebst", "liebten", "geliebt"),
    "leiden": ("leide", "leidest", "gelitten", "litten"),
    "sterben": ("stirbt", "starb", "starben", "sterbe", "stirbst"),
    "töten": ("tötet", "tötete", "töteten", "getötet", "tötest"),
    "helfen": ("hilf", "half", "halfen", "geholfen", "helfe"),
    "hassen": ("hasst", "hasste", "hassten", "gehasst", "hasse"),
    "genießen": ("genieße", "genießt", "genoss", "genossen"),
    "stehlen": ("stiehlt", "stahl", "gestohlen"),
    "betrügen": ("betrügt", "betrog", "betrogen"),
    "lügen": ("lügt", "log", "gelogen"),
    "verraten": ("verrät", "verriet"),
    "vergessen": ("vergisst", "vergaß", "vergaßen"),
    "gut": ("gute", "guten", "guter", "gutes", "gutem"),
    "besser": ("bessere", "besseren", "besserer", "besseres", "besserem"),
    "beste": ("besten", "bester", "bestes", "bestem", "am besten"),
    "empfehlen": ("empfehle", "empfiehlst", "empfahl", "empfahlen"),
    "schreien": ("schreit", "schrie", "schrien", "geschrien"),
    "streiten": ("streitet", "stritt", "stritten", "gestritten"),
    "fehlt": ("fehlen", "fehlte", "fehlten", "gefehlt", "fehle"),
    "lecker": ("leckere", "leckerem", "leckeren", "leckerer", "leckeres"),
    "freuen": ("freu", "freue", "freust", "freut", "freute", "freuten", "gefreut"),
    "hoffen": ("hoffe", "hoffst", "hofft", "hoffte", "hofften", "gehofft"),
    "retten": ("rette", "rettet", "rettete", "retteten"),
    "weinen": ("weine", "weinst", "weint", "weinte", "weinten", "geweint"),
    "lachen": ("lache", "lachst", "gelacht", "lachten"),
    "lächeln": ("lächle", "lächelst", "lächelt", "lächelten", "gelächelt"),
    "kämpfen": ("kämpft", "kämpfte", "kämpften", "gekämpft"),
    "fürchten": ("fürchte", "fürchtet", "fürchtete", "fürchteten", "gefürchtet"),
    "zerstören": ("zerstöre", "zerstörte", "zerstörten"),
    "verletzen": ("verletze", "verletzte", "verletzten"),
    "ficken": ("fick",),
    "lüge": ("gelogen", "lügt", "lügst"),
    "lohnt": ("gelohnt",),
    "umbringen": ("umgebracht",),
    "schaden": ("schäden",),
    "gruß": ("grüße", "grüßen"),
    "mangel": ("mangelnde", "mangelnden", "mangelnder", "mangelndes"),
    # exciting, not the upset of aufregen, which comes first by length
    "aufregend": ("aufregende", "aufregenden", "aufregender", "aufregendes"),
    "erleiden": ("erleidet", "erlitt", "erlitten", "erleide"),
}

ADJ_ENDINGS = ("e", "en", "er", "es", "em")


def nfc(word: str) -> str:
    """Return the NFC form of a word."""
    return unicodedata.normalize("NFC", word)


def umlauted(word: str) -> str | None:
    """Umlaut the last full vowel of a short word (arm -> ärm), or None if there is none."""
    for i in range(len(word) - 1, -1, -1):
        c = word[i]
        if c in UMLAUT:
            if i > 0 and word[i - 1] == "a" and c == "u":  # au -> äu
                return word[: i - 1] + "äu" + word[i + 1 :]
            return word[:i] + UMLAUT[c] + word[i + 1 :]
        if c in "eiäöü":
            return None
    return None


def adjective_forms(word: str) -> list[str]:
    """Case endings, comparative and superlative forms of an adjective or participle."""
    if word.endswith(NOUN_SUFFIXES):
        return []
    base = word[:-1] if word.endswith("e") else word
    out = [base + e for e in ADJ_ENDINGS]
    if word.endswith(("el", "er")) and len(word) >= 4 and not word.endswith("ier"):
        short = word[:-2] + word[-1]  # dunkel -> dunkle, teuer -> teure
        out += [short + e for e in ADJ_ENDINGS]
    comparative_bases = [base + "er"]
    u = umlauted(base)
    if u and len(base) <= 6:
        comparative_bases.append(u + "er")
    for c in comparative_bases:
        out += [c] + [c + e for e in ADJ_ENDINGS]
    sup = base + ("este" if base.endswith(("s", "ß", "t", "z", "sch", "d")) else "ste")
    sups = [sup] + ([u + sup[len(base) :]] if u and len(base) <= 6 else [])
    for s in sups:
        out += [s, s + "n", s + "r", s + "s", s + "m"]
    return out


def verb_forms(word: str) -> list[str]:
    """Present, weak past, participle and present-participle forms of a verb infinitive."""
    if word.endswith(("eln", "ern")):
        stem = word[:-1]
    elif word.endswith("en"):
        stem = word[:-2]
    else:
        return []
    e = "e" if stem.endswith(("t", "d")) or (stem.endswith(("m", "n")) and stem[-2:-1] not in "aeiouähmlnr") else ""
    out = [stem + "e", stem + e + "st", stem + e + "t", stem + e + "te", stem + e + "ten", stem + e + "test", stem + e + "tet"]
    if word.endswith(("eln", "ern")):
        out = [stem, stem + "t", stem + "st", stem + "te", stem + "ten", word[:-3] + "le" if word.endswith("eln") else stem + "e"]
    if word.endswith("ieren") or word.startswith(NO_GE_PREFIXES):
        participle = stem + e + "t"
    else:
        participle = "ge" + stem + e + "t"
        for p in SEPARABLE:
            if word.startswith(p) and len(word) > len(p) + 4:
                participle = p + "ge" + stem[len(p) :] + e + "t"
                break
    out.append(participle)
    out += [participle + x for x in ADJ_ENDINGS]
    present = word + "d" if not word.endswith(("eln", "ern")) else word + "d"
    out += [present] + [present + x for x in ADJ_ENDINGS]
    return out


ADJ_SUFFIXES = ("ig", "lich", "isch", "bar", "sam", "haft", "los", "voll", "end", "iv", "al", "ös", "ell")
NOUN_SUFFIXES = ("ung", "heit", "keit", "schaft", "ion", "tät", "nis", "ismus", "ling", "ment", "ie", "ur", "ik")


def noun_forms(word: str) -> list[str]:
    """Plural forms of a noun (genitives are rare in sentiment use and collide too often)."""
    if word.endswith(ADJ_SUFFIXES) or len(word) <= 4:
        return []
    out = [word + x for x in ("e", "en", "n")]
    if word.endswith("in"):
        out.append(word + "nen")
    u = umlauted(word)
    if u:
        out += [u + "e", u + "en", u + "er", u + "ern"]
    return out


def candidates(word: str) -> list[str]:
    """All rule-made candidate forms of a word, most specific first."""
    out = list(IRREGULAR.get(word, ()))
    out += verb_forms(word)
    out += adjective_forms(word)
    out += noun_forms(word)
    seen: list[str] = []
    for c in out:
        c = nfc(c)
        if c != word and c not in seen and c.replace("-", "").isalpha():
            seen.append(c)
    return seen


def main(argv: list[str] | None = None) -> int:
    """Write the forms file from the current review."""
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--min-zipf", type=float, default=1.5)
    parser.add_argument("--out", type=Path, default=OUT, help="the forms file to write")
    args = parser.parse_args(argv)
    import wordfreq  # development tool only

    lemmas = final_words(REVIEW)
    known = every_word(REVIEW)
    owner: dict[str, str] = {}
    for lemma in sorted(lemmas, key=len):
        for form in candidates(lemma):
            if form in known or form in owner or (form in REJECT and form not in IRREGULAR.get(lemma, ())):
                continue
            if wordfreq.zipf_frequency(form, "de") < args.min_zipf:
                continue
            owner[form] = lemma
    # Swiss Standard German writes ss for ß (spaß -> spass, großartig -> grossartig);
    # wordfreq folds the two spellings, so the variant is checked by its ß form.
    for word in sorted(set(lemmas) | set(owner)):
        if "ß" in word:
            variant = word.replace("ß", "ss")
            lemma = owner.get(word, word)
            if variant not in known and variant not in owner and variant not in REJECT:
                owner[variant] = lemma
    lines = ["form\tlemma"] + [f"{f}\t{l}" for f, l in sorted(owner.items(), key=lambda x: (x[1], x[0]))]
    args.out.write_text("\n".join(lines) + "\n", encoding="utf-8")
    print(f"{len(owner)} forms for {len(set(owner.values()))} lemmas", file=sys.stderr)
    return 0


# Candidates that the rules produce but that are other words or wrong forms,
# found by reading the output.
REJECT: frozenset[str] = frozenset(
    """
abenteurer abfallen alber albert alberte alberten ankläger anmuten anschlage anschlagen arsche attacker
bereite bereiten bereiter bereites bereits bomber bruche brucher brücher betrugen betrüge betrüger
danker dankes deller edele edeler fäule faden fairs fälschen fälscher fälschern favorite
favorites feigen feins fiebere fiebern fluchte fluchten funker funkel förder garantier gedulde
gefahren gefällte gefällten gefällter gefängniss genosse gewinnern giere gieren giften glücke glücken
glückwunsche grabe graben graber gräbe gruße grüßer güter gütern guts hafte haften
hafter häfte härten hassern heiler heilern helde helder hinderniss höhle höhlen höhler
humann höller höllerer kampfe kampfen kampfer kämpfer kämpfern kläger kränken kriegen krieger
kriegern kriegste kusse kussen lachter langeweiler lauer leicher leide leides leidener litte
litter lober lobster löber loge logen loges löger mangler miste misten mister
morder müllen müller mute muten muter mutes neide neider oke oken oker
okaye okayen peche pecher peine peiner peines peste pester primae primas problemes
quale rachen reichen reiche reichert reicherte reinfalle regen schader schänder schatze schatzen
schätzer scheissen scheisser scheißer scheiter scherzer schicke schicken schicks schlachte schlachter schlächter
schlächtern schlaun schläue schlechts schmerze schmuggler schmutzer schmäler schocke schocker schrecke schrecker
schreier schrein schreinen schreite schreiten schreitet schulde geschuldet geschuldete geschuldeten schuldigern sege
sexyer siegern siegener sorger sparte spaße spender spotter streiter starks sünder gesüßt
gesüßte gesüßten toden töller töter totschläger traume traumen träumer träumern träger verrätern
verbesser verwechsel zitter zöger lächel vertraut vertraute vertrautem vertrauten vertrauter vertrautes wundere
wunderer wundern wunsche wunschen wünscher wärmer wärmere wärmerem wärmeren wärmerer wärmeres wärmste
wärmsten wärmster willkomme zorne zörner zweifler irren muntern düstern heitern krebse krebsen
kritikern lieber möge mögt teuerer teueres lecke lecken leckere leckerem leckeren leckerer
leckeres sünder applause furchte fürchte tröster schuldest schuldet schuldete schuldeten
sorges vornehmen angeklagten angeklagter
behinderte behindertem behinderten behinderter behindertes erfolgen flotte flotten
ger gere gerner gerst gert gerte gerten hetzen hochzeiter mitleiden reiches stärkere stärkerem
stärkeren stärkerer stärkeres stärkste stärkstem stärksten stärkster stärkstes stürmen stürmer
stürmern urlauber viruses
freundinen freundinn heye heyen heyer heyes ruhen
hie hien hier hies brande branden brander brandes schiefer wehen weher
überlebenden überlebender überlebendes
ferie ferit funes faken faker knaster shite wiedersehe bittern
moine moines greater wine winer wines genien schrotten schrötter staue stauen
erbrecht erschlagend erschlagende erschlagenden erschlagender erschlagendes
klappe aufgeregte aufgeregten aufgeregter aufgeregtes aufregende aufregenden aufregender aufregendes
""".split()
)

if __name__ == "__main__":
    raise SystemExit(main())
