"""Generate candidate inflected forms for the Russian lexicon.

Russian text inflects nearly every sentiment word: adjectives for gender,
number and six cases, with short forms and comparatives (красивый, красивая,
красивого, красива, красивее); verbs for person, number and gender (любить,
люблю, любит, любила); nouns for case and number (радость, радости,
радостью). The lexicon lists one form of each word, so most occurrences in
running text go unmatched without its forms.

This script proposes forms by rule for every kept, rescored or added word of
``lexicons/review/russian.tsv``, keeps only candidates that occur in real text
(``wordfreq`` is a development tool here, never shipped), and writes
``lexicons/review/russian.forms.tsv``. The output is read and corrected by
hand: rules overgenerate, and a candidate that is another word is listed in
``REJECT`` below. Words and forms are also listed with ё where real text
writes it (весёлый beside веселый).

Usage: python3 tools/lexicon_forms/russian.py [--min-zipf 1.5]
"""

from __future__ import annotations

import argparse
import sys
import unicodedata
from pathlib import Path

from review_words import every_word, final_words

ROOT = Path(__file__).resolve().parents[2]
REVIEW = ROOT / "lexicons" / "review" / "russian.tsv"
OUT = ROOT / "lexicons" / "review" / "russian.forms.tsv"

VELAR = "гкх"
HUSH = "жшчщ"
VOWELS = "аеёиоуыэюя"

# Forms that no rule produces: lemma -> forms.
IRREGULAR: dict[str, tuple[str, ...]] = {
    "любовь": ("любви", "любовью"),
    "хороший": ("лучше",),
    "умер": ("умерла", "умерло", "умерли"),
    "любить": ("люблю", "любишь", "любит", "любим", "любите", "любят", "любил", "любила", "любили", "любимые"),
    "убить": ("убью", "убьет", "убьёт", "убьют", "убил", "убила", "убили", "убит", "убита", "убиты"),
    "помочь": ("помогу", "поможет", "помогут", "помог", "помогла", "помогли", "помоги", "помогите", "помогло"),
    "погибнуть": ("погиб", "погибла", "погибли", "погибло", "погибших", "погибшие", "погибшего", "погибшим"),
    "проиграть": ("проиграл", "проиграла", "проиграли", "проигрывает", "проиграет"),
    "потерять": ("потеряла", "потеряли", "потеряет", "потеряю", "потерянный", "потерянные"),
    "врать": ("вру", "врешь", "врёшь", "врет", "врёт", "врут", "врал", "врала", "врали"),
    "надеяться": ("надеюсь", "надеемся", "надеются", "надеялся", "надеялась", "надеялись"),
    "ненавидеть": ("ненавижу", "ненавидишь", "ненавидим", "ненавидят"),
    "рад": ("рада", "рады", "радо"),
    "виноват": ("виновата", "виноваты", "виновато"),
    "ранен": ("ранена", "ранены", "ранено"),
    "украсть": ("украду", "украдет", "украла", "украли", "украдено", "украден", "украдены"),
    "плакать": ("плачешь", "плачет", "плачем", "плачут", "плакал", "плакали", "плачь"),
    "бороться": ("борюсь", "борется", "борются", "боремся", "боролся", "боролась"),
    "умереть": ("умру", "умрешь", "умрёшь", "умрет", "умрёт", "умрем", "умрут"),
    "спасти": ("спасу", "спасет", "спасёт", "спасут", "спас", "спасла", "спасли"),
    "достойный": ("достойно",),
    "бог": (),
    "сломал": ("сломался", "сломалась", "сломались", "сломалось", "сломать", "сломан", "сломана", "сломано", "сломаны"),
    "нравится": ("нравятся", "нравилось", "нравился", "нравилась", "нравились", "нравиться", "нравлюсь"),
    "понравилось": ("понравился", "понравилась", "понравились", "понравится", "понравятся", "понравиться"),
    "надеется": ("надеются",),
    "боюсь": ("боится", "боятся", "бояться", "боялся", "боялась", "боялись", "боишься", "боимся"),
    "спасибо": ("спасибки",),
    "поздравляю": ("поздравляем",),
    "рак": ("рака",),
    # The reciprocal "друг друга" is a neutral phrase of its own, so the oblique cases
    # left are the friend's; другом is left out (в другом месте: "other" far more often).
    "согласен": ("согласна", "согласны"),
    "задержать": ("задержан", "задержана", "задержаны"),
    "арестовать": ("арестован", "арестована", "арестованы"),
    "зло": ("зла",),
    "подарок": ("подарка", "подарку", "подарком", "подарке", "подарки", "подарков", "подаркам", "подарками", "подарках"),
    "искренний": ("искренне",),
    "поддержать": ("поддержу", "поддержит", "поддержим", "поддержат", "поддержи", "поддержите"),
    "здравствуйте": ("здравствуй",),
    "террористы": ("террорист", "террориста", "террористом", "террористов", "террористам", "террористами", "террористах"),
    "грозить": ("грожу",),
    "ложь": ("лжи",),
    "гордиться": ("горжусь",),
    "подарить": ("подарю", "подарит", "подарят", "подари"),
    "выжить": ("выживу", "выживет", "выживут", "выжил", "выжила", "выжили"),
    "слезы": ("слез", "слёз", "слезами", "слезах", "слезам"),
    "смеяться": ("смеюсь", "смеешься", "смеётся", "смеется", "смеемся", "смеются", "смеялся", "смеялась", "смеялись", "смеясь"),
    "ад": ("ада", "аду", "адом"),
    "чудо": ("чудеса", "чудес", "чудесами", "чудесах"),
    "обыграть": ("обыграет", "обыграют"),
    "раб": ("раба", "рабы", "рабов", "рабам", "рабами", "рабах"),
    "хуй": ("хуя", "хую", "хуем", "хуи", "хуев", "хуёв"),
    "бой": ("боя", "бою", "бои", "боев", "боёв", "боях", "боями", "боям"),
    "друг": ("друга", "другу", "друге", "друзья", "друзей", "друзьям", "друзьями", "друзьях"),
    "смерть": ("смерти", "смертью"),
    "каникулы": ("каникул", "каникулах"),
    "наркотики": ("наркотикам", "наркотиками", "наркотиков"),
    "блядь": ("бля",),
    "соболезнования": ("соболезную",),
}

# Neuter nouns in -о (most -о words of the lexicon are adverbs, which do not decline).
NEUTER_O = frozenset({"зло", "чудо", "диво", "дерьмо", "говно", "золото", "небо", "вранье"})

ADJ_HARD = ("ый", "ого", "ому", "ым", "ом", "ая", "ой", "ую", "ое", "ые", "ых", "ыми")
ADJ_VELAR = ("ий", "ого", "ому", "им", "ом", "ая", "ой", "ую", "ое", "ие", "их", "ими")
ADJ_HUSH = ("ий", "его", "ему", "им", "ем", "ая", "ей", "ую", "ее", "ие", "их", "ими")
ADJ_SOFT = ("ий", "его", "ему", "им", "ем", "яя", "ей", "юю", "ее", "ие", "их", "ими")
ADJ_STRESSED = ("ой", "ого", "ому", "ым", "ом", "ая", "ой", "ую", "ое", "ые", "ых", "ыми")


def nfc(word: str) -> str:
    """Return the NFC form of a word."""
    return unicodedata.normalize("NFC", word)


def plural_i(stem: str) -> str:
    """The plural/genitive vowel after a stem: и after velars and hushers, else ы."""
    return "и" if stem[-1:] in VELAR + HUSH else "ы"


def adjective_forms(word: str) -> list[str]:
    """Full declension, short forms and comparative of an adjective or participle."""
    if word.endswith(("ый", "ий", "ой", "ая", "яя", "ое", "ее", "ые", "ие")) and len(word) >= 5:
        stem = word[:-2]
    else:
        return []
    if word.endswith("ее") and stem[-1] not in VOWELS and not stem.endswith(("н", "ч", "щ", "ш", "ж")):
        return []  # a comparative (беднее), which does not decline
    last = stem[-1]
    if word.endswith(("яя", "ее")) or (word.endswith("ий") and last == "н"):
        endings = ADJ_SOFT
    elif last in VELAR:
        endings = ADJ_VELAR
    elif last in HUSH:
        endings = ADJ_HUSH
    elif word.endswith("ой"):
        endings = ADJ_STRESSED
    else:
        endings = ADJ_HARD
    out = [stem + e for e in endings]
    if word.endswith(("ий", "ие")) and last not in VELAR + HUSH and endings is not ADJ_SOFT:
        out += [stem + e for e in ADJ_SOFT]
    if word.endswith(("ой", "ая", "ое", "ые")):
        out += [stem + e for e in ADJ_HARD]
    # Short forms and comparative (the masculine short form may need a fleeting vowel).
    vowel = plural_i(stem)
    out += [stem + "а", stem + "о", stem + vowel, stem + "ее"]
    if word.endswith(("ый", "ий", "ой")):
        if stem.endswith("нн"):
            short = stem[:-1]  # participles: разочарованный -> разочарован, разочарована
            out += [short, short + "а", short + "о", short + "ы", stem[:-1] + "ен"]  # and странный -> странен
        elif len(stem) > 2 and stem[-1] == "н" and stem[-2] == "ь":
            out.append(stem[:-2] + "ен")  # довольный -> доволен
        elif len(stem) > 2 and stem[-1] == "н" and stem[-2] not in VOWELS:
            out.append(stem[:-1] + "ен")  # fleeting vowel: больной -> болен
        else:
            out.append(stem)
    return out


def noun_forms(word: str) -> list[str]:
    """Case and number forms of a noun, by its ending."""
    if len(word) < 4 or word.endswith(("ая", "яя")):
        return []
    out: list[str] = []
    if word.endswith("ия"):
        s = word[:-1]
        out += [s + e for e in ("и", "ю", "ей", "й")] + [s + e for e in ("ям", "ями", "ях")]
    elif word.endswith(("а", "я")):
        s = word[:-1]
        soft = word.endswith("я")
        out += [s + e for e in (("и", "е", "ю", "ей", "ям", "ями", "ях") if soft else (plural_i(s), "е", "у", "ой", "ою", "ам", "ами", "ах"))]
        out.append(s if not soft else s + "ь")
        if len(s) > 2 and s[-1] in "кн" and s[-2] not in VOWELS:
            out.append(s[:-1] + "о" + s[-1])  # ошибка -> ошибок
            out.append(s[:-1] + "е" + s[-1])  # жертва-like stems rarely; filtered by frequency
    elif word.endswith("ие") or word.endswith("ье"):
        s = word[:-1]
        out += [s + e for e in ("я", "ю", "ем", "и", "й", "ям", "ями", "ях")]
    elif word.endswith("о") and (word.endswith("ство") or word in NEUTER_O):
        s = word[:-1]
        out += [s + e for e in ("а", "у", "ом", "е", "ам", "ами", "ах")] + [s]
    elif word.endswith("ь") and not (word.endswith("ть") and not word.endswith("сть")):
        s = word[:-1]
        out += [s + e for e in ("и", "ью", "ей", "ям", "ями", "ях", "я", "ю", "ем", "е")]
    elif word.endswith("й"):
        s = word[:-1]
        out += [s + e for e in ("я", "ю", "ем", "е", "и", "ев", "ям", "ями", "ях")]
    elif word[-1] not in VOWELS:
        i = plural_i(word)
        gen_pl = "ей" if word[-1] in HUSH else "ов"
        out += [word + e for e in ("а", "у", "ом", "е", i, gen_pl, "ам", "ами", "ах")]
    return out


def verb_forms(word: str) -> list[str]:
    """Present, past and imperative forms of an infinitive, or of a finite form given as lemma."""
    out: list[str] = []
    refl = word.endswith(("ться", "тись"))
    base = word[:-2] if refl else word
    sfx = (lambda f: f + ("сь" if f[-1] in VOWELS else "ся")) if refl else (lambda f: f)
    if base.endswith("сть") and word not in IRREGULAR:
        return []  # a noun in -сть (радость, месть), not an infinitive
    if base.endswith("ть"):
        s = base[:-2]
        out += [sfx(s + e) for e in ("л", "ла", "ло", "ли")]
        if s.endswith("ова") or s.endswith("ева"):
            t = s[:-3]
            out += [sfx(t + e) for e in ("ую", "уешь", "ует", "уем", "уете", "уют", "уй", "уйте")]
        elif s.endswith(("а", "я", "е")):
            out += [sfx(s + e) for e in ("ю", "ешь", "ет", "ем", "ете", "ют", "й", "йте")]
        if s.endswith(("и", "е")):
            t = s[:-1]
            hush = t[-1:] in HUSH
            out += [sfx(t + e) for e in (("у" if hush else "ю"), "ишь", "ит", "им", "ите", ("ат" if hush else "ят"), "и")]
    elif word.endswith(("ает", "яет", "еет")):
        s = word[:-2]
        out += [s + e for e in ("ю", "ешь", "ем", "ете", "ют")] + [word[:-2] + "л", word[:-2] + "ла", word[:-2] + "ли"]
    elif word.endswith("ит") and len(word) > 4:
        s = word[:-2]
        out += [s + e for e in ("ишь", "им", "ите", ("ат" if s[-1:] in HUSH else "ят"))]
    elif word.endswith(("ил", "ал", "ял", "ел", "ул", "ыл")):
        out += [word + e for e in ("а", "о", "и")]
    elif word.endswith(("ила", "ала", "яла", "ела", "ула")):
        out += [word[:-1], word[:-1] + "и", word[:-1] + "о"]
    return out


def candidates(word: str) -> list[str]:
    """All rule-made candidate forms of a word, irregular ones first."""
    out = list(IRREGULAR.get(word, ()))
    if word not in IRREGULAR or IRREGULAR[word]:
        out += verb_forms(word) + adjective_forms(word) + noun_forms(word)
    seen: list[str] = []
    for c in out:
        c = nfc(c)
        if c != word and c not in seen and c.isalpha():
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
    for lemma in sorted(lemmas, key=lambda w: (len(w), w)):
        for form in candidates(lemma):
            if form in known or form in owner or (form in REJECT and form not in IRREGULAR.get(lemma, ())):
                continue
            if form in IRREGULAR.get(lemma, ()) or wordfreq.zipf_frequency(form, "ru") >= args.min_zipf:
                owner[form] = lemma
    # Russian text writes ё or е in the same word (весёлый, веселый); the lexicon
    # uses е, so each word also gets its ё spellings that occur in real text.
    for word in sorted(set(lemmas) | set(owner)):
        lemma = owner.get(word, word)
        for i, c in enumerate(word):
            if c != "е":
                continue
            variant = word[:i] + "ё" + word[i + 1 :]
            if variant in known or variant in owner or variant in REJECT:
                continue
            if wordfreq.zipf_frequency(variant, "ru") >= args.min_zipf:
                owner[variant] = lemma
    lines = ["form\tlemma"] + [f"{f}\t{l}" for f, l in sorted(owner.items(), key=lambda x: (x[1], x[0]))]
    args.out.write_text("\n".join(lines) + "\n", encoding="utf-8")
    print(f"{len(owner)} forms for {len(set(owner.values()))} lemmas", file=sys.stderr)
    return 0


# Candidates that the rules produce but that are other words or wrong forms,
# found by reading the output.
REJECT: frozenset[str] = frozenset(
    """
блина блинам блинами блинах блинов блином блины боле боюся бреме вин винам
винами винах воне другом други другов жале жалей жали жалю зависла зависли
зависло карате ложе ложей ложем ложи любити любовей любови месте плакате плачу
плаче плачей плачи помочи попугаем попугай попугаю порте порти порть рванем рвани
смехов сук супера суперов счастьи див дива дивами диве беси довольно черта
объята цену губу противном честно тщательно примечательно вернее верней верн верно 
бомби бесу брану радо трусы трусах трусов трусами уби убю умеров умерит
херон хрене чертам чертами чертах черте черты черту чуд вёсел запрёт лёгко
тяжёло жёсток чёрте ген гена гено гены гён гер гера герая геро
геры юрк юрка юрки пол пола поло полы полом полой полая полого
полое полую полым полыми полых туп
варвара выжат подозреваем простите оружее оружи житье житьё исключено казне казню казня лене леней леню леня
лёне лёни лёнь лёня объят объято объятого объяты объятые объятый объятых пожали
поражена поражено поражены признана признано признаны пугало уверен уверена уверены
стран страна страно страны уверено бессмыслено рисковано искрен довера отст отста лучша лучши лучш творческо терпены горьк почитаем стойка стойки бойка бойки
""".split()
)

if __name__ == "__main__":
    raise SystemExit(main())
