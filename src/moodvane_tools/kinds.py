"""The one registry of the kinds of shift: for each, the words it shows its numbers with
(the axis title, the kinds of contribution in the legend, the values being compared), the
function that computes it, the options that function takes and whether its values have a
unit. The graph, the terminal view, the command line and the generalized shifts all take
what they need from `REGISTRY`; the names of the kinds come from the native extension,
which computes them, so a new kind is a new entry there and here."""

from __future__ import annotations

import importlib
import math
from collections.abc import Callable, Mapping
from dataclasses import dataclass, field
from typing import Any, Final, Literal

from moodvane_tools import _native

Kind = Literal["proportion", "entropy", "kld", "jsd", "weighted"]

# The four frequency-part sums of a result (p_diff × s_ref_diff), in the order they are
# shown: the two that raise text 2's value, then the two that lower it.
COMPONENTS: tuple[str, ...] = ("pos_s_pos_p", "neg_s_neg_p", "pos_s_neg_p", "neg_s_pos_p")
# The two score-part sums (p_avg × s_diff): the word's score rose or fell in text 2.
SCORE_COMPONENTS: tuple[str, ...] = ("pos_s", "neg_s")

# The two sums of a kind drawn by sides (see KindLabels.sided): the words that text 2
# uses more, then those that text 1 uses more; coloured as the frequency part of a word
# scored above the reference that became more, or less, frequent.
SIDE_COMPONENTS: tuple[str, str] = ("pos_s_pos_p", "pos_s_neg_p")

# How each component is marked: score against the reference (+ above, - at or below),
# then frequency in text 2 (↑ relatively more frequent, ↓ not); △/▽ for a score that is
# higher or lower in text 2.
SYMBOLS: dict[str, str] = {
    "pos_s_pos_p": "+↑",
    "neg_s_neg_p": "-↓",
    "pos_s_neg_p": "+↓",
    "neg_s_pos_p": "-↑",
    "pos_s": "△",
    "neg_s": "▽",
}


@dataclass(frozen=True)
class KindLabels:
    """How a graph, a terminal view or a command line names the parts of one kind of shift.

    Texts may hold ``{text1}`` and ``{text2}``, to be replaced by the two texts' labels.
    Each legend line starts with the mark (e.g. ``+↑``) that the terminal view and the CSV
    output put beside a word of that component.
    """

    name: str
    """The kind, as ``ShiftResult.kind`` gives it."""
    value_name: str
    """What the shift compares, in a few words."""
    value_labels: tuple[str, str]
    """The names of the two compared values, ``s_avg_1`` and ``s_avg_2``."""
    reference_name: str
    """What ``reference_value`` is."""
    axis_title: str
    """Title of the axis of the per-word contributions (two lines)."""
    legend: Mapping[str, str]
    """One line per frequency-part component (``pos_s_pos_p``, ``neg_s_neg_p``,
    ``pos_s_neg_p``, ``neg_s_pos_p``); a kind that never fills one leaves it out."""
    score_legend: Mapping[str, str]
    """One line per score-change component (``pos_s``, ``neg_s``); likewise."""
    empty: str
    """Said when the result has no word to show."""
    headline: tuple[str, ...] = ()
    """The compared values, in phrases that a wrapped title keeps whole. Besides
    ``{text1}``/``{text2}`` they may hold ``{v1}``, ``{v2}`` (``s_avg_1``, ``s_avg_2``),
    ``{neg_v1}`` (``-s_avg_1``), ``{ref}``, ``{total}`` (``total_diff``), ``{change}``
    (signed) and ``{unit}`` (blank and the unit, e.g. " bits", or nothing)."""
    value_keys: tuple[str, str] = ("s_avg_1", "s_avg_2")
    """The result's keys of the compared values."""
    sided: bool = False
    """A divergence or a change of shares: each word's bar points to the text that uses
    the word more (right for text 2) and its length is the word's contribution, which is
    drawn as one part, never split into frequency and score parts."""
    columns: tuple[str, str] = ("lowers", "raises")
    """The heads of the terminal view's two bar columns, left and right."""
    side_sums: tuple[str, str] | None = None
    """For a sided kind, the result's component sums that are exactly the contributions
    of the words text 2 uses more and of those text 1 uses more, if it has such."""

    def text(self, template: str, labels: tuple[str, str]) -> str:
        """`template` with the two texts' labels filled in."""
        return template.format(text1=labels[0], text2=labels[1])

    def mark(self, component: str) -> str:
        """The short mark of `component`: the first word of its legend line."""
        line = self.legend.get(component) or self.score_legend.get(component)
        return line.split(" ", 1)[0] if line else SYMBOLS[component]


_AXIS = "{what}, % of all contributions\n{lower}{raise_} →"
_SIDED_COLUMNS = ("more in {text1}", "more in {text2}")

_LABELS: Final[Mapping[str, KindLabels]] = {
    "weighted": KindLabels(
        name="weighted",
        value_name="average score",
        value_labels=("average score of {text1}", "average score of {text2}"),
        reference_name="reference score",
        axis_title=_AXIS.format(
            what="Contribution to the change of the average score",
            lower="← lowers {text2}'s average          ", raise_="raises {text2}'s average",
        ),
        legend={
            "pos_s_pos_p": "+↑ scored above the reference, more frequent in {text2}",
            "neg_s_neg_p": "-↓ scored below the reference, less frequent in {text2}",
            "pos_s_neg_p": "+↓ scored above the reference, less frequent in {text2}",
            "neg_s_pos_p": "-↑ scored below the reference, more frequent in {text2}",
        },
        score_legend={
            "pos_s": "△ scored higher in {text2}",
            "neg_s": "▽ scored lower in {text2}",
        },
        empty="No scored word in either text: nothing to compare.",
        headline=("average score:", "{text1} {v1},", "{text2} {v2}",
                  "(change {change}; reference score {ref})"),
    ),
    "proportion": KindLabels(
        name="proportion",
        value_name="share of the vocabulary",
        value_labels=("total share in {text1}", "total share in {text2}"),
        reference_name="reference (0)",
        axis_title=_AXIS.format(
            what="Change of the word's share of all words",
            lower="← more frequent in {text1}          ", raise_="more frequent in {text2}",
        ),
        legend={
            "pos_s_pos_p": "↑ more frequent in {text2}",
            "pos_s_neg_p": "↓ less frequent in {text2}",
        },
        score_legend={},
        empty="Neither text has a word: nothing to compare.",
        headline=("change of each word's share of all words;", "the shares add up to",
                  "{v1} in {text1}", "and {v2} in {text2},", "so the changes add up to {total}"),
        sided=True,
        columns=_SIDED_COLUMNS,
        side_sums=("pos_s_pos_p", "pos_s_neg_p"),
    ),
    "entropy": KindLabels(
        name="entropy",
        value_name="entropy",
        value_labels=("entropy of {text1}", "entropy of {text2}"),
        reference_name="reference surprisal",
        axis_title=_AXIS.format(
            what="Contribution to the change of entropy",
            lower="← lowers {text2}'s entropy          ", raise_="raises {text2}'s entropy",
        ),
        legend={
            "pos_s_pos_p": "+↑ rarer than the reference, more frequent in {text2}",
            "neg_s_neg_p": "-↓ commoner than the reference, less frequent in {text2}",
            "pos_s_neg_p": "+↓ rarer than the reference, less frequent in {text2}",
            "neg_s_pos_p": "-↑ commoner than the reference, more frequent in {text2}",
        },
        score_legend={
            "pos_s": "△ more surprising in {text2} (a smaller share there)",
            "neg_s": "▽ less surprising in {text2} (a larger share there)",
        },
        empty="Neither text has a word: nothing to compare.",
        headline=("entropy:", "{text1} {v1}{unit},", "{text2} {v2}{unit}",
                  "(change {change}; reference surprisal {ref}{unit})"),
    ),
    "kld": KindLabels(
        name="kld",
        value_name="Kullback-Leibler divergence",
        value_labels=("entropy of {text2}", "cross-entropy of {text2} against {text1}"),
        reference_name="entropy of {text2}",
        axis_title=_AXIS.format(
            what="Contribution to the divergence of {text2} from {text1}",
            lower="← a larger share in {text1}          ",
            raise_="a larger share in {text2}",
        ),
        legend={
            "pos_s_pos_p": "↑ a larger share of the words in {text2} than in {text1}",
            "pos_s_neg_p": "↓ a smaller share of the words in {text2} than in {text1}",
        },
        score_legend={},
        empty="Neither text has a word: nothing to compare.",
        headline=("divergence of {text2} from {text1}: {total}{unit}", "= cross-entropy {v2}",
                  "− entropy of {text2} {v1}"),
        sided=True,
        columns=_SIDED_COLUMNS,
        side_sums=("pos_s", "neg_s"),
    ),
    "jsd": KindLabels(
        name="jsd",
        value_name="Jensen-Shannon divergence",
        value_labels=(
            "minus {text1}'s weighted divergence from the mixture",
            "{text2}'s weighted divergence from the mixture",
        ),
        reference_name="reference (0)",
        axis_title=_AXIS.format(
            what="Contribution to the Jensen-Shannon divergence",
            lower="← more frequent in {text1}          ", raise_="more frequent in {text2}",
        ),
        legend={
            "pos_s_pos_p": "↑ more frequent in {text2}",
            "pos_s_neg_p": "↓ more frequent in {text1}",
        },
        score_legend={},
        empty="Neither text has a word: nothing to compare.",
        headline=("Jensen-Shannon divergence of {text1} and {text2}: {total}{unit}",
                  "= their weighted divergences from their mixture,",
                  "{text1} {neg_v1}", "+ {text2} {v2}"),
        sided=True,
        columns=_SIDED_COLUMNS,
    ),
}


@dataclass(frozen=True)
class KindEntry:
    """One kind of shift: its labels, the function that computes it from two word-count
    dicts, the options that function takes beyond ``stop_words`` and ``top_n``, and
    whether its values are entropies or divergences, whose unit follows ``base`` and
    ``alpha``."""

    labels: KindLabels
    function: str
    """The computing function as ``module.name``, imported when first called (the
    generalized shifts themselves use this registry)."""
    options: tuple[str, ...]
    """The keyword options of `function` that change the measure, in the order the
    command line lists them."""
    measured: bool = False
    defaults: Mapping[str, Any] = field(default_factory=dict)
    """The value of each option when it is not given."""

    @property
    def name(self) -> Kind:
        """The kind's name."""
        return self.labels.name  # type: ignore[return-value]

    def compute(self, type2freq_1: Mapping[str, Any], type2freq_2: Mapping[str, Any],
                **options: Any) -> Mapping[str, Any]:
        """The shift of this kind; an option that it does not take is a TypeError naming
        the kinds that do."""
        for option in options:
            if option not in self.options and option not in ("stop_words", "top_n"):
                takers = [name for name, entry in REGISTRY.items() if option in entry.options]
                raise TypeError(f"the {self.name} shift takes no {option} (only "
                                f"{', '.join(takers) or 'none'} do)")
        return self.callable()(type2freq_1, type2freq_2, **options)

    def callable(self) -> Callable[..., Mapping[str, Any]]:
        """The function that computes this kind."""
        module, _, name = self.function.rpartition(".")
        function: Callable[..., Mapping[str, Any]] = getattr(
            importlib.import_module(module), name)
        return function

    def unit(self, base: float = 2.0, alpha: float = 1.0) -> str | None:
        """The unit of the values, None for a kind without one."""
        return unit_name(base, alpha) if self.measured else None


_SPECS: Final[Mapping[str, KindEntry]] = {
    "proportion": KindEntry(_LABELS["proportion"], "moodvane_tools.generalized.proportion_shift",
                           ()),
    "entropy": KindEntry(_LABELS["entropy"], "moodvane_tools.generalized.entropy_shift",
                        ("alpha", "base", "reference_value"), measured=True,
                        defaults={"alpha": 1.0, "base": 2.0, "reference_value": None}),
    "kld": KindEntry(_LABELS["kld"], "moodvane_tools.generalized.kld_shift",
                    ("base", "pseudocount"), measured=True,
                    defaults={"base": 2.0, "pseudocount": 0.0}),
    "jsd": KindEntry(_LABELS["jsd"], "moodvane_tools.generalized.jsd_shift",
                    ("alpha", "base", "weight_1", "weight_2"), measured=True,
                    defaults={"alpha": 1.0, "base": 2.0, "weight_1": 0.5, "weight_2": 0.5}),
    # The average score with a built-in lexicon; weighted_avg_shift_pair computes the same
    # kind with a score map per text.
    "weighted": KindEntry(_LABELS["weighted"], "moodvane.weighted_avg_shift",
                         ("lexicon", "stop_lens", "reference_value"),
                         defaults={"lexicon": "english", "stop_lens": None,
                                   "reference_value": None}),
}

# Every kind that the native extension computes, in its order; a kind it knows that has no
# entry here fails the import at once rather than at its first use.
REGISTRY: Final[Mapping[Kind, KindEntry]] = {
    name: _SPECS[name] for name in _native.kind_names()  # type: ignore[misc]
}
KIND_LABELS: Final[Mapping[Kind, KindLabels]] = {
    name: entry.labels for name, entry in REGISTRY.items()
}

# The kinds by name; "weighted" is also what a plain moodvane result is.
KINDS: Final[Mapping[str, KindLabels]] = {name: labels for name, labels in KIND_LABELS.items()}
WEIGHTED: Final = KIND_LABELS["weighted"]
ShiftKind = KindLabels  # the name this class had before the generalized kinds


def shift_kind(name: str = "weighted") -> KindLabels:
    """The labels of the kind of shift `name`; ValueError for an unknown one."""
    try:
        return KINDS[name]
    except (KeyError, TypeError):
        raise ValueError(
            f"unknown kind of shift {name!r}; expected one of {', '.join(KINDS)}"
        ) from None


def kind_of(result: Mapping[str, Any], kind: str | None = None) -> KindLabels:
    """The labels for `result`: `kind` when given, else the result's own ``kind``
    attribute (a ShiftResult), else its ``"kind"`` key (a result read back from the JSON
    that the command line writes), else "weighted" (a result of `moodvane`)."""
    if kind is not None:
        return shift_kind(kind)
    own = getattr(result, "kind", None)
    if own is None:
        own = result.get("kind")
    return shift_kind(own if isinstance(own, str) else "weighted")


def unit_name(base: float, alpha: float = 1.0) -> str:
    """The unit of an entropy or divergence taken with logarithms to `base`: bits, nats,
    or "" for a Tsallis entropy (`alpha` not 1), which has none."""
    if alpha != 1.0:
        return ""
    if base == 2.0:
        return "bits"
    if base == math.e:
        return "nats"
    if base == 10.0:
        return "hartleys"
    return f"base-{base:g} units"


def unit_of(result: Mapping[str, Any], unit: str | None = None) -> str:
    """The unit of `result`'s values: `unit` when given, else the result's ``unit``
    attribute or key, else none."""
    if unit is not None:
        return unit
    own = getattr(result, "unit", None)
    if own is None:
        own = result.get("unit")
    return own if isinstance(own, str) else ""


def component_of(entry: Mapping[str, object]) -> str:
    """Which of the four frequency-part components an entry's contribution belongs to, by
    the module's own rule: positive means greater than zero (so zero and a missing value
    are not)."""
    s_ref_diff = entry.get("s_ref_diff")
    p_diff = entry.get("p_diff")
    above = isinstance(s_ref_diff, float | int) and s_ref_diff > 0
    more = isinstance(p_diff, float | int) and p_diff > 0
    if above:
        return "pos_s_pos_p" if more else "pos_s_neg_p"
    return "neg_s_pos_p" if more else "neg_s_neg_p"


def score_component_of(entry: Mapping[str, object]) -> str:
    """Which score-part component an entry's contribution belongs to: its score rose in
    text 2 (``pos_s``) or not (``neg_s``)."""
    s_diff = entry.get("s_diff")
    return "pos_s" if isinstance(s_diff, float | int) and s_diff > 0 else "neg_s"
