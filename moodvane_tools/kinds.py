"""The words that each kind of shift shows its numbers with: the axis title, the four
kinds of word in the legend, and the two values being compared. The graph, the terminal
view and the command line all take their labels from here, so a new kind of shift needs
only a new entry."""

from __future__ import annotations

from collections.abc import Mapping
from dataclasses import dataclass

# The four component sums of a result, in the order they are shown: the two that raise
# text 2's value, then the two that lower it.
COMPONENTS: tuple[str, ...] = ("pos_s_pos_p", "neg_s_neg_p", "pos_s_neg_p", "neg_s_pos_p")

# How each component is marked: score against the reference (+ above, - at or below),
# then frequency in text 2 (↑ relatively more frequent, ↓ not).
SYMBOLS: dict[str, str] = {
    "pos_s_pos_p": "+↑",
    "neg_s_neg_p": "-↓",
    "pos_s_neg_p": "+↓",
    "neg_s_pos_p": "-↑",
}


@dataclass(frozen=True)
class ShiftKind:
    """How one kind of shift is labelled. Texts may hold `{text1}` and `{text2}`, which
    are replaced by the two texts' labels."""

    name: str
    value_name: str
    """What is compared, e.g. "average score"."""
    value_keys: tuple[str, str]
    """The result's keys of the compared values for text 1 and text 2."""
    reference_name: str
    axis_title: str
    legend: dict[str, str]
    """One line per component (keys of COMPONENTS)."""
    empty: str
    """Said when the result has no word to show."""

    def text(self, template: str, labels: tuple[str, str]) -> str:
        """`template` with the two texts' labels filled in."""
        return template.format(text1=labels[0], text2=labels[1])


WEIGHTED = ShiftKind(
    name="weighted",
    value_name="average score",
    value_keys=("s_avg_1", "s_avg_2"),
    reference_name="reference score",
    axis_title="Contribution to the change of the average score, % of all contributions"
               "\n← lowers {text2}'s average          raises {text2}'s average →",
    legend={
        "pos_s_pos_p": "+↑ scored above the reference, more frequent in {text2}",
        "neg_s_neg_p": "-↓ scored below the reference, less frequent in {text2}",
        "pos_s_neg_p": "+↓ scored above the reference, less frequent in {text2}",
        "neg_s_pos_p": "-↑ scored below the reference, more frequent in {text2}",
    },
    empty="No scored word in either text: nothing to compare.",
)

KINDS: dict[str, ShiftKind] = {WEIGHTED.name: WEIGHTED}


def shift_kind(name: str = "weighted") -> ShiftKind:
    """The labels of the kind of shift `name`; ValueError for an unknown one."""
    try:
        return KINDS[name]
    except KeyError:
        raise ValueError(
            f"unknown kind of shift {name!r}; expected one of {', '.join(KINDS)}"
        ) from None


def component_of(entry: Mapping[str, object]) -> str:
    """Which of the four components an entry's contribution belongs to, by the module's
    own rule: positive means greater than zero (so zero and a missing value are not)."""
    s_ref_diff = entry.get("s_ref_diff")
    p_diff = entry.get("p_diff")
    above = isinstance(s_ref_diff, float | int) and s_ref_diff > 0
    more = isinstance(p_diff, float | int) and p_diff > 0
    if above:
        return "pos_s_pos_p" if more else "pos_s_neg_p"
    return "neg_s_pos_p" if more else "neg_s_neg_p"
