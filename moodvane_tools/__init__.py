"""Tools around the native ``moodvane`` module."""

import importlib.metadata

__version__ = importlib.metadata.version("moodvane")

# --- generalized word shifts (proportion, entropy, divergences, two score maps) ---
from moodvane_tools.generalized import (
    KIND_LABELS,
    KindLabels,
    ShiftResult,
    entropy_shift,
    jsd_shift,
    kld_shift,
    proportion_shift,
    weighted_avg_shift_pair,
)

__all__ = [
    "KIND_LABELS",
    "KindLabels",
    "ShiftResult",
    "entropy_shift",
    "jsd_shift",
    "kld_shift",
    "proportion_shift",
    "weighted_avg_shift_pair",
]
# --- end of generalized word shifts ---
