"""Tweet-sized dated documents for the corpus benchmarks and examples, made from the
sentences of examples/diary_sentences.txt (written for the project, MIT).

Each document is one or two sentences, sometimes with a mention, a hashtag or a number,
dated over a span of days whose mood drifts: good days draw more "up" sentences, bad days
more "down" ones, so that a series drawn from them has something to show.
"""

from __future__ import annotations

import datetime
import math
import random
from pathlib import Path

SENTENCES = Path(__file__).resolve().parent.parent / "examples" / "diary_sentences.txt"


def sentences() -> dict[str, list[str]]:
    """The sentences by mood: "up", "down", "flat"."""
    moods: dict[str, list[str]] = {"up": [], "down": [], "flat": []}
    for line in SENTENCES.read_text(encoding="utf-8").splitlines():
        if line and not line.startswith("#"):
            mood, sentence = line.split("\t", 1)
            moods[mood].append(sentence)
    return moods


def documents(count: int, days: int = 120, seed: int = 0,
              start: datetime.date = datetime.date(2024, 1, 1)) -> tuple[list[str], list[str]]:
    """`count` documents and their dates (ISO strings), in date order."""
    rng = random.Random(seed)
    moods = sentences()
    texts: list[str] = []
    dates: list[str] = []
    for number in range(count):
        day = number * days // count
        # A slow swing with a dip in the middle of the span.
        cheer = 0.5 + 0.3 * math.sin(day / days * 2 * math.pi) - 0.25 * math.exp(
            -((day - days * 0.55) / (days * 0.06)) ** 2)
        parts = []
        for _ in range(rng.choice((1, 1, 2))):
            draw = rng.random()
            mood = "flat" if draw < 0.25 else "up" if draw < 0.25 + 0.75 * cheer else "down"
            parts.append(rng.choice(moods[mood]))
        if rng.random() < 0.2:
            parts.append(rng.choice(("#monday", "@anna", "lol", "2 hours", "#weekend")))
        texts.append(" ".join(parts))
        dates.append((start + datetime.timedelta(days=day)).isoformat())
    return texts, dates
