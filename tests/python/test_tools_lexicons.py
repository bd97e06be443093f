"""lexicon_names, lexicon_scores, lexicon_info and coverage, checked against the native
module and the lexicon files themselves."""

from __future__ import annotations

import json

import pytest

import moodvane
from moodvane_tools import coverage, lexicon_info, lexicon_names, lexicon_scores
from moodvane_tools.lexicon_data import resolve_name

import lexicon_manifest
from conftest import LEXICON_DATA, LEXICON_KEYS, REPO

OPEN_LICENCES = {"MIT", "BSD-2-Clause", "BSD-3-Clause", "Apache-2.0", "PDDL-1.0", "CC0-1.0",
                 "CC-BY-4.0", "CC-BY-SA-4.0", "ODbL-1.0"}


def test_names_are_the_manifests_keys_in_catalogue_order():
    assert lexicon_names() == list(LEXICON_KEYS)


def test_the_package_classifiers_name_every_language_of_the_manifest():
    import tomllib

    classifiers = tomllib.loads((REPO / "pyproject.toml").read_text(encoding="utf-8"))[
        "project"]["classifiers"]
    languages = {c.removeprefix("Natural Language :: ") for c in classifiers
                 if c.startswith("Natural Language :: ")}
    assert languages == {lexicon.language for lexicon in lexicon_manifest.lexicons()}


@pytest.mark.parametrize("name", lexicon_names())
def test_every_score_is_the_one_the_module_uses(name):
    scores = lexicon_scores(name)
    lines = (LEXICON_DATA / f"{name}.tsv").read_text(encoding="utf-8").count("\n")
    assert len(scores) == lines
    # Measured against a fixed reference of 0.0, each entry's s_ref_diff is s - 0.0, the
    # module's score of the word, bit for bit.
    ones = dict.fromkeys(scores, 1)
    result = moodvane.weighted_avg_shift(ones, ones, lexicon=name, reference_value=0.0)
    native = {entry["type"]: entry["s_ref_diff"] for entry in result["entries"]}
    assert native.keys() == scores.keys()
    differing = [word for word in scores if native[word].hex() != scores[word].hex()]
    assert differing == []


def test_scores_are_a_fresh_copy():
    scores = lexicon_scores("english")
    scores.clear()
    assert lexicon_scores("english")


@pytest.mark.parametrize("name", ["English", "ENGLISH", "senTX_English", "senTX_english",
                                  "sentx_English", "SENTX_english", "senTX_senTX_English",
                                  " english", "english ", "en", "", "senTX_",
                                  "engl\u0130sh", "Hindi5", "portuguese_"])
def test_names_resolve_as_the_module_resolves_them(name):
    try:
        moodvane.weighted_avg_shift({}, {}, lexicon=name)
        accepted = True
    except ValueError:
        accepted = False
    if accepted:
        assert resolve_name(name) in lexicon_names()
        assert lexicon_scores(name) == lexicon_scores(resolve_name(name))
    else:
        with pytest.raises(ValueError, match="expected one of chinese, english"):
            lexicon_scores(name)


@pytest.mark.parametrize("name", lexicon_names())
def test_info_comes_from_the_files(name):
    info = lexicon_info(name)
    scores = lexicon_scores(name)
    described = json.loads((LEXICON_DATA / "sources.json").read_text(encoding="utf-8"))[name]
    assert info["name"] == name
    assert info["language"] == described["language"]
    assert info["entries"] == len(scores)
    assert (info["min_score"], info["max_score"]) == (min(scores.values()), max(scores.values()))
    assert info["sources"] == described["sources"]
    assert info["sources"], "every lexicon names its source"
    for source in info["sources"]:
        assert source["licence"] in OPEN_LICENCES
        assert source["name"] and source["entries"] > 0


def test_sources_file_covers_exactly_the_ten_lexicons():
    described = json.loads((LEXICON_DATA / "sources.json").read_text(encoding="utf-8"))
    assert sorted(described) == lexicon_names()


@pytest.mark.parametrize("counts, scores, expected", [
    ({"happy": 3, "the": 1}, {"happy": 8.0}, 0.75),
    ({"the": 5}, {"happy": 8.0}, 0.0),
    ({}, {"happy": 8.0}, 0.0),
    ({"happy": 2.5, "sad": 2.5}, {"happy": 8.0, "sad": 2.0}, 1.0),
    ({"happy": 0}, {"happy": 8.0}, 0.0),
])
def test_coverage_is_the_share_of_scored_tokens(counts, scores, expected):
    assert coverage(counts, scores) == expected


def test_coverage_by_lexicon_name():
    scores = lexicon_scores("german")
    scored = next(iter(sorted(scores)))
    assert coverage({scored: 1, "zzqx": 3}, "German") == 0.25
    with pytest.raises(ValueError, match="unknown lexicon"):
        coverage({scored: 1}, "deutsch")
