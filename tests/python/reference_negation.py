"""Negation in plain Python: the reference that the native counter's window is checked
against. It reads the same table (lexicons/data/negators.txt) and follows the rule that
moodvane_tools.negation documents, over the words of the reference counter, one whole
text at a time: the words in order with the clause breaks between them, phrases joined
first (a break inside a phrase comes after it), then the window run over them.
"""

from __future__ import annotations

import functools
from collections import Counter
from dataclasses import dataclass

from reference_counting import DATA, DEFAULTS, lines_of, prepare, rules, scan

from moodvane_tools.lexicon_data import resolve_name

CLAUSE_BREAKS = frozenset(".!?;:,\u2026\u0964\u0965\u3001\u3002\uff01\uff0c\uff0e\uff1a\uff1b"
                          "\uff1f\uff61\uff64")
BREAK = object()  # in a stream of words: the end of a clause


@dataclass(frozen=True)
class Row:
    negator: str
    canonical: str
    ahead: int
    before: str  # "-", "word" or "ji"
    needs: str  # "-" or a word

    def matches(self, word: str) -> bool:
        if self.negator.endswith("*"):
            return len(word) > len(self.negator) - 1 and word.startswith(self.negator[:-1])
        return word == self.negator


@functools.cache
def table(key: str) -> tuple[Row, ...]:
    out = []
    for line in lines_of(DATA / "negators.txt"):
        fields = line.split("\t")
        if line.startswith("#") or fields[0] != key:
            continue
        out.append(Row(fields[1], fields[2], int(fields[3]), fields[4], fields[5]))
    return tuple(out)


def stream_of(text: str, key: str) -> list[object]:
    """The words of `text` as the counter counts them, phrases joined, with BREAK at each
    clause break and ("needed", "ne") where a French token carries an elided ne."""
    lexicon = rules(key)
    items: list[object] = []  # words (str) and markers
    for whole, token in scan(prepare(text, lexicon), DEFAULTS,
                             lines_of(DATA / "emoticons.txt"), CLAUSE_BREAKS):
        if whole is None:
            items.append(BREAK)
        elif whole:
            items.append(token)
        else:
            if key == "french" and token[:2] == "n'" and len(token) > 2:
                items.append(("needed", "ne"))
            items += lexicon.words_of(token)
    phrases = frozenset(lines_of(DATA / f"{key}.phrases.txt"))
    words = [item for item in items if isinstance(item, str)]
    # Each marker after the number of words before it, moved past a phrase it falls in.
    markers: list[tuple[int, object]] = []
    seen = 0
    for item in items:
        if isinstance(item, str):
            seen += 1
        else:
            markers.append((seen, item))
    out: list[object] = [marker for position, marker in markers if position == 0]
    at = 0
    while at < len(words):
        longest = 1
        for end in range(at + 2, len(words) + 1):
            if " ".join(words[at:end]) in phrases:
                longest = end - at
        out.append(" ".join(words[at:at + longest]))
        out += [marker for position, marker in markers if at < position <= at + longest]
        at += longest
    return out + [BREAK]


def reference_negated_counts(text: str, language: str) -> Counter[str]:
    """count_words(text, language, negation=True), by the reference."""
    key = resolve_name(language)
    rows = table(key)
    scored = rules(key).words
    canonical = rows[0].canonical
    looks_back = {row.before for row in rows}
    counts: Counter[str] = Counter()
    held: tuple[str, bool, str | None] | None = None  # word, scored, its 다 form if -지
    left = 0
    needed: set[str] = set()
    for item in stream_of(text, key):
        if item is BREAK:
            if held is not None:
                counts[held[0]] += 1
            held, left = None, 0
            needed.clear()
            continue
        if isinstance(item, tuple):
            needed.add(item[1])
            continue
        assert isinstance(item, str)
        word = item
        row = next((row for row in rows if row.matches(word)), None)
        if row is not None and row.needs != "-" and row.needs not in needed:
            row = None
        spent = False
        if held is not None:
            held_word, held_scored, ji_form = held
            held = None
            if row is not None and row.before == "word" and held_scored:
                counts[f"{canonical} {held_word}"] += 1
                spent = True
            elif row is not None and row.before == "ji" and ji_form is not None:
                counts[f"{canonical} {ji_form}"] += 1
                spent = True
            else:
                counts[held_word] += 1
        if row is not None:
            counts[word] += 1
            left = 0 if spent else row.ahead
            continue
        if any(word == r.needs for r in rows):
            needed.add(word)
        if left:
            left -= 1
            if word in scored:
                counts[f"{canonical} {word}"] += 1
                left = 0
                continue
        ji_form = None
        if "ji" in looks_back and len(word) > 1 and word.endswith("지"):
            base = word if word in scored else word[:-1] + "다"
            ji_form = base if base in scored else None
        if ("word" in looks_back and word in scored) or ji_form is not None:
            held = (word, word in scored, ji_form)
            continue
        counts[word] += 1
    return counts
