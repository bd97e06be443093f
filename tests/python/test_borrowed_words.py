"""The call borrows the bytes of the caller's str objects instead of copying them: whatever
Python code the call runs (a number's __float__, a set subclass's __iter__) may drop the
last other reference to a word, and the result is still that of the words as read."""

from __future__ import annotations

import pytest

import moodvane

from conftest import canonical


def fresh(text: str) -> str:
    """A new str object with the text, held by nobody else."""
    return (text + ".")[:-1]


def words(prefix: str, count: int) -> list[str]:
    # Long enough to be stored outside any small-string cache, non-ASCII for every third
    # word so that the UTF-8 form the call borrows is a buffer of its own.
    return [fresh(f"{prefix}{'é' if i % 3 == 0 else 'e'}-word-number-{i}") for i in range(count)]


def tables():
    one = {word: i + 1 for i, word in enumerate(words("a", 60))}
    two = {word: (i * 7) % 5 + 1 for i, word in enumerate(words("a", 40) + words("b", 30))}
    scores = {word: (i * 13) % 9 + 0.5 for i, word in enumerate(words("a", 50) + words("b", 20))}
    return one, two, scores


class Emptier:
    """A number whose conversion empties the given dicts and refills them with other words,
    so that the key objects read before die and their memory is reused."""

    def __init__(self, value, targets):
        self.value = value
        self.targets = targets

    def __float__(self):
        for table in self.targets:
            count = len(table)
            table.clear()
            for i in range(count):
                table[fresh(f"replacement {i} " + "x" * (i % 40))] = 1.0
        self.targets = []
        return self.value


@pytest.mark.parametrize("where", ["frequency of system 2", "score", "reference_value"])
def test_words_whose_dicts_are_emptied_mid_call_keep_their_bytes(where):
    one, two, scores = tables()
    wanted = canonical(moodvane.weighted_avg_shift_custom(dict(one), dict(two), dict(scores),
                                                          reference_value=4.0))
    reference = 4.0
    if where == "frequency of system 2":
        key = next(iter(two))
        two[key] = Emptier(float(two[key]), [one])
    elif where == "score":
        key = list(scores)[-1]
        scores[key] = Emptier(scores[key], [one, two])
    else:
        reference = Emptier(4.0, [one, two, scores])
    got = moodvane.weighted_avg_shift_custom(one, two, scores, reference_value=reference)
    assert canonical(got) == wanted


class FreshWords(set):
    """A set subclass whose iteration hands out new str objects that only the call holds."""

    def __iter__(self):
        for word in set.__iter__(self):
            yield fresh(word)


def test_stop_words_from_an_iterator_of_fresh_objects_stay_alive():
    one, two, scores = tables()
    stops = list(one)[:10]
    wanted = moodvane.weighted_avg_shift_custom(one, two, scores, stop_words=set(stops))
    got = moodvane.weighted_avg_shift_custom(one, two, scores, stop_words=FreshWords(stops))
    assert canonical(got) == canonical(wanted)
    assert not {entry["type"] for entry in got["entries"]} & set(stops)
