#!/usr/bin/env python3
"""Every frequent word of a language judged: the lists, the record of words left unscored.

A lexicon is judged not only by the entries it has but by the frequent words it lacks. For
each language, lexicons/review/wordfreq/<key>.txt holds the 10,000 most frequent words of
wordfreq's list for that language (a snapshot, so that the check does not move with
wordfreq's releases), and every one of them that the lexicon does not score must be judged:

- scored: a line of the language's review file (`add`, or a source entry kept, rescored or
  dropped) or a form of its forms file;
- left unscored: a line of lexicons/review/unscored/<key>.tsv, decision `neutral` (no
  feeling in running text; a reason may say why) or `unclear` (a reason is required: mixed
  senses, a name as often as a word, a fragment of a longer word).

    python3 tools/lexicon_frequent.py snapshot            # rewrite the lists (wordfreq)
    python3 tools/lexicon_frequent.py pending KEY [--limit N]
    python3 tools/lexicon_frequent.py neutral KEY --through RANK
    python3 tools/lexicon_frequent.py families KEY        # forms scored one way only
    python3 tools/lexicon_frequent.py strength KEY        # frequent entries not yet rated
    python3 tools/lexicon_frequent.py check               # exit 1 on any of these faults
    python3 tools/lexicon_frequent.py second-reading KEY  # draw a second reader's sheet

A family is a word and the forms its language's forms generator proposes for it
(tools/lexicon_forms/<key>.py). A family is one-sided when one member is scored and a
frequent member is not: the unscored member then needs a written reason (its drop line or
its unscored line), or a score. And every entry among a language's 2,000 most frequent
scored words carries a `scale:` note in its review line: it was rated for strength on the
guide's whole scale, not only for its side.

`pending` prints the words still unjudged, most frequent first, with their rank; a reader
records the words that carry feeling (review file) and the unclear ones (unscored file),
then `neutral --through RANK` records every other word up to that rank as neutral: the
words the reader has read and found without feeling.
Standard library only, but for `snapshot` (wordfreq, an authoring-time tool).
"""

from __future__ import annotations

import argparse
import importlib
import sys
from collections.abc import Callable, Iterable
import unicodedata
from dataclasses import dataclass
from pathlib import Path
from typing import NamedTuple

import lexicon_review

REPO = Path(__file__).resolve().parents[1]
REVIEW = REPO / "lexicons" / "review"
SNAPSHOTS = REVIEW / "wordfreq"
UNSCORED = REVIEW / "unscored"
LIST_SIZE = 10_000
STRENGTH_RATED = 2_000
FORMS_TOOLS = REPO / "tools" / "lexicon_forms"
UNSCORED_HEADER = ["word", "decision", "reason"]
UNSCORED_DECISIONS = ("neutral", "unclear")
WORDFREQ_CODES = {
    "chinese": "zh", "english": "en", "french": "fr", "german": "de", "hindi": "hi",
    "indonesian": "id", "korean": "ko", "portuguese": "pt", "russian": "ru", "spanish": "es",
}
# The counter writes Hindi without nukta and with anusvara for chandrabindu.
HINDI_FOLDING = str.maketrans({"\u093c": None, "\u0901": "\u0902"})
WORD_JOINERS = "'-\u200c\u200d"


@dataclass(frozen=True)
class Unscored:
    word: str
    decision: str
    reason: str


def counter_spelling(key: str, word: str) -> str:
    """The word as the counter writes its tokens: NFC, lower case, Hindi folded."""
    word = unicodedata.normalize("NFC", unicodedata.normalize("NFC", word).lower())
    return word.translate(HINDI_FOLDING) if key == "hindi" else word


def is_word(word: str) -> bool:
    """Letters and marks, with inner apostrophes, hyphens or joiners: no digits or symbols."""
    if not word or word[0] in WORD_JOINERS or word[-1] in WORD_JOINERS:
        return False
    return all(ch in WORD_JOINERS or unicodedata.category(ch)[0] in "LM" for ch in word)


def snapshot_path(key: str) -> Path:
    return SNAPSHOTS / f"{key}.txt"


def read_snapshot(key: str) -> list[str]:
    """The frequent words of a language, most frequent first (comment lines start with #)."""
    lines = snapshot_path(key).read_text(encoding="utf-8").splitlines()
    return [line for line in lines if line and not line.startswith("#")]


def write_snapshots() -> None:
    import wordfreq  # authoring-time tool only

    from importlib.metadata import version

    SNAPSHOTS.mkdir(parents=True, exist_ok=True)
    for key, code in WORDFREQ_CODES.items():
        words: list[str] = []
        for raw in wordfreq.top_n_list(code, LIST_SIZE):
            word = counter_spelling(key, raw)
            if is_word(word) and word not in words:
                words.append(word)
        header = (f"# The {len(words)} words (letters only, in the counter's spelling) of the"
                  f" {LIST_SIZE} most frequent of wordfreq {version('wordfreq')}'s '{code}' list,"
                  " most frequent first.\n# wordfreq's word lists: CC BY-SA 4.0"
                  " (Robyn Speer et al.); see lexicons/data/SOURCES.md.\n")
        snapshot_path(key).write_text(header + "".join(w + "\n" for w in words), encoding="utf-8")


def read_unscored(key: str) -> list[Unscored]:
    path = UNSCORED / f"{key}.tsv"
    if not path.is_file():
        return []
    found = []
    for number, fields in lexicon_review.read_rows(path, UNSCORED_HEADER):
        where = f"{path}:{number}"
        word, decision, reason = fields
        if decision not in UNSCORED_DECISIONS:
            raise lexicon_review.ReviewError(f"{where}: decision must be neutral or unclear")
        if decision == "unclear" and not reason.strip():
            raise lexicon_review.ReviewError(f"{where}: an unclear word needs a reason")
        found.append(Unscored(word, decision, reason))
    return found


def judged_elsewhere(key: str) -> set[str]:
    """The words the review file or the forms file names (dropped entries too)."""
    words = {d.word for d in lexicon_review.read_review(REVIEW / f"{key}.tsv")}
    forms = REVIEW / f"{key}.forms.tsv"
    if forms.is_file():
        words |= {form for form, _, _ in lexicon_review.read_forms(forms)}
    return words


def check(key: str) -> list[str]:
    """The faults of a language's record: unjudged frequent words, repeated or
    contradictory lines, one-sided families, frequent entries not rated for strength.
    Empty when all is well."""
    faults = []
    elsewhere = judged_elsewhere(key)
    seen: set[str] = set()
    for entry in read_unscored(key):
        if entry.word in seen:
            faults.append(f"{key}: {entry.word!r} is listed twice as unscored")
        if entry.word in elsewhere:
            faults.append(f"{key}: {entry.word!r} is unscored but the review or forms file names it")
        seen.add(entry.word)
    unjudged = [w for w in read_snapshot(key) if w not in elsewhere and w not in seen]
    if unjudged:
        shown = ", ".join(unjudged[:20])
        faults.append(f"{key}: {len(unjudged)} frequent words not judged, the first: {shown}")
    one_sided = one_sided_families(key)
    if one_sided:
        shown = "; ".join(f"{w} (not: {' '.join(no)})" for w, _, no in one_sided[:10])
        faults.append(f"{key}: {len(one_sided)} families scored one way only without a "
                      f"reason: {shown}")
    unrated = unrated_for_strength(key)
    if unrated:
        faults.append(f"{key}: {len(unrated)} frequent entries without a 'scale:' note, "
                      f"the first: {', '.join(unrated[:20])}")
    return faults


def pending(key: str) -> list[tuple[int, str]]:
    judged = judged_elsewhere(key) | {e.word for e in read_unscored(key)}
    return [(rank, w) for rank, w in enumerate(read_snapshot(key), start=1) if w not in judged]


def record_neutral(key: str, through: int) -> int:
    """Records every still-unjudged word up to a rank as neutral; returns how many."""
    words = [w for rank, w in pending(key) if rank <= through]
    path = UNSCORED / f"{key}.tsv"
    if not path.is_file():
        UNSCORED.mkdir(parents=True, exist_ok=True)
        path.write_text("\t".join(UNSCORED_HEADER) + "\n", encoding="utf-8")
    with path.open("a", encoding="utf-8") as out:
        out.writelines(f"{w}\tneutral\t\n" for w in words)
    return len(words)


def _generator(key: str):  # type: ignore[no-untyped-def]
    if str(FORMS_TOOLS) not in sys.path:
        sys.path.insert(0, str(FORMS_TOOLS))
    return importlib.import_module(key)


def _flat(found: Iterable[str] | tuple[list[str], list[str]]) -> list[str]:
    if isinstance(found, tuple):
        return [form for part in found for form in part]
    return list(found)


def forms_proposer(key: str) -> Callable[[str], list[str]]:
    """The forms the language's generator proposes for any word (none for Chinese)."""
    if key == "chinese":
        return lambda word: []
    module = _generator(key)
    if key == "english":
        return lambda word: list(module.candidate_forms(word))
    if key == "french":
        return lambda word: module.noun_adjective_forms(word) + (
            module.verb_forms(word) if word.endswith(("er", "ir", "re")) else [])
    if key == "korean":
        table: dict[str, list[str]] = {}
        for form, lemma in module.candidate_forms():
            table.setdefault(lemma, []).append(form)
        return lambda word: table.get(word, []) + module.particle_forms(word)
    return lambda word: _flat(module.candidates(word))


def scored_words(key: str) -> set[str]:
    """The words the lexicon scores in its own right or as forms (phrases aside)."""
    decisions = lexicon_review.read_review(REVIEW / f"{key}.tsv")
    words = {d.word for d in decisions if d.decision != "drop"}
    forms = REVIEW / f"{key}.forms.tsv"
    if forms.is_file():
        words |= {form for form, _, _ in lexicon_review.read_forms(forms)}
    return words


def one_sided_families(key: str) -> list[tuple[str, list[str], list[str]]]:
    """(word, its scored members, its frequent unscored members without a reason) for
    every family scored one way only."""
    frequent = read_snapshot(key)
    frequent_set = set(frequent)
    scored = scored_words(key)
    reasons = {d.word: d.reason for d in lexicon_review.read_review(REVIEW / f"{key}.tsv")
               if d.decision == "drop" and d.reason.strip()}
    reasons |= {e.word: e.reason for e in read_unscored(key) if e.reason.strip()}
    propose = forms_proposer(key)
    found = []
    for word in dict.fromkeys([*frequent, *sorted(scored)]):
        members = {word} | {counter_spelling(key, f) for f in propose(word)}
        members = {m for m in members if m in frequent_set or (m == word and m in scored)}
        yes = sorted(m for m in members if m in scored)
        no = sorted(m for m in members if m not in scored and m not in reasons)
        if yes and no:
            found.append((word, yes, no))
    return found


def unrated_for_strength(key: str) -> list[str]:
    """The most frequent scored entries whose review line holds no `scale:` note."""
    decisions = {d.word: d for d in lexicon_review.read_review(REVIEW / f"{key}.tsv")}
    lemma_of: dict[str, str] = {}
    forms = REVIEW / f"{key}.forms.tsv"
    if forms.is_file():
        lemma_of = {form: lemma for form, lemma, _ in lexicon_review.read_forms(forms)}
    scored = scored_words(key)
    entries = [w for w in read_snapshot(key) if w in scored][:STRENGTH_RATED]
    unrated = []
    for word in entries:
        decision = decisions.get(lemma_of.get(word, word))
        if decision is not None and "scale:" not in decision.reason:
            unrated.append(decision.word)
    return list(dict.fromkeys(unrated))


# The second reader's sheets: a fresh sample of the words this pass added, and of the
# frequent words it left unscored, drawn with a fixed seed from the review files.
SECOND_READING = REVIEW / "second_reading"
SECOND_READING_SEED = 2026120827
SECOND_READING_SIZE = 40
SECOND_READING_FREQUENT = 3_000
# The review files as they stood before this pass: what it added is what they lack.
PASS_BASE = "1cc6f51"
SECOND_READING_HEADER = ["word", "sample", "score", "verdict", "note"]
# `added` words are judged right or wrong; `unscored` ones neutral or missed (a word that
# carries feeling and has no entry).
VERDICTS = {"added": ("right", "wrong"), "unscored": ("neutral", "missed")}


def _added_by_this_pass(key: str) -> list[lexicon_review.Decision]:
    import subprocess

    before = subprocess.run(
        ["git", "show", f"{PASS_BASE}:lexicons/review/{key}.tsv"], cwd=REPO,
        capture_output=True, text=True, check=True).stdout
    known = {line.split("\t", 1)[0] for line in before.splitlines()[1:]}
    return [d for d in lexicon_review.read_review(REVIEW / f"{key}.tsv")
            if d.decision == "add" and d.word not in known]


def draw_second_reading(key: str) -> Path:
    """Writes the sheet of a language with its verdicts empty."""
    import random

    chooser = random.Random(f"{SECOND_READING_SEED}:{key}")
    added = _added_by_this_pass(key)
    added = chooser.sample(added, min(SECOND_READING_SIZE, len(added)))
    frequent = set(read_snapshot(key)[:SECOND_READING_FREQUENT])
    unscored = sorted(e.word for e in read_unscored(key) if e.word in frequent)
    unscored = chooser.sample(unscored, min(SECOND_READING_SIZE, len(unscored)))
    rows = [f"{d.word}\tadded\t{float(d.score):.2f}\t\t" for d in added]
    rows += [f"{word}\tunscored\t\t\t" for word in unscored]
    SECOND_READING.mkdir(parents=True, exist_ok=True)
    path = SECOND_READING / f"{key}.tsv"
    path.write_text("\t".join(SECOND_READING_HEADER) + "\n" + "\n".join(rows) + "\n",
                    encoding="utf-8")
    return path


class SheetRow(NamedTuple):
    word: str
    sample: str
    score: str  # as the pass left it, for an `added` word; empty for an `unscored` one
    verdict: str
    note: str


def second_reading(key: str) -> list[SheetRow]:
    """The rows of a language's judged sheet; a fault is raised for a row without a verdict,
    with one that does not fit its sample, or a `wrong` or `missed` one without a note
    (the note is what the fix in the review file answers)."""
    path = SECOND_READING / f"{key}.tsv"
    rows = []
    for number, fields in lexicon_review.read_rows(path, SECOND_READING_HEADER):
        row = SheetRow(*fields)
        if row.verdict not in VERDICTS.get(row.sample, ()):
            raise lexicon_review.ReviewError(f"{path}:{number}: verdict {row.verdict!r} does "
                                             f"not fit a word {row.sample}")
        if row.verdict in ("wrong", "missed") and not row.note.strip():
            raise lexicon_review.ReviewError(f"{path}:{number}: a {row.verdict} word needs a "
                                             "note saying why")
        rows.append(row)
    return rows


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    commands.add_parser("snapshot", help="rewrite the frequent-word lists from wordfreq")
    show = commands.add_parser("pending", help="the unjudged words of a language")
    show.add_argument("key", choices=sorted(WORDFREQ_CODES))
    show.add_argument("--limit", type=int, default=500)
    neutral = commands.add_parser("neutral", help="record the rest up to a rank as neutral")
    neutral.add_argument("key", choices=sorted(WORDFREQ_CODES))
    neutral.add_argument("--through", type=int, required=True)
    for name, text in (("second-reading", "draw a second reader's sheet"),
                       ("families", "families scored one way only"),
                       ("strength", "frequent entries not rated for strength")):
        command = commands.add_parser(name, help=text)
        command.add_argument("key", choices=sorted(WORDFREQ_CODES))
    commands.add_parser("check", help="exit 1 on an unjudged word, a one-sided family or "
                        "an unrated frequent entry")
    args = parser.parse_args(argv)
    if args.command == "snapshot":
        write_snapshots()
    elif args.command == "pending":
        for rank, word in pending(args.key)[: args.limit]:
            print(f"{rank}\t{word}")
    elif args.command == "neutral":
        print(f"{record_neutral(args.key, args.through)} words recorded as neutral")
    elif args.command == "second-reading":
        print(draw_second_reading(args.key))
    elif args.command == "families":
        for word, yes, no in one_sided_families(args.key):
            print(f"{word}\tscored: {' '.join(yes)}\tnot: {' '.join(no)}")
    elif args.command == "strength":
        print("\n".join(unrated_for_strength(args.key)))
    else:
        faults = [fault for key in sorted(WORDFREQ_CODES) for fault in check(key)]
        print("\n".join(faults) or "every frequent word is judged")
        return 1 if faults else 0
    return 0


if __name__ == "__main__":
    sys.exit(main())
