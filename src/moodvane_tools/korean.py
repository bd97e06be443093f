"""Korean writes particles and endings onto the word they belong to (행복 "happiness",
행복을 "happiness" as an object, 행복했다 "was happy"), so a token that the lexicon does not
hold is looked up again without them.
"""

from __future__ import annotations

from collections.abc import Container

# Case particles and common postpositions, longest first within the list so that 에서 is
# tried before 서 would be.
PARTICLES: tuple[str, ...] = tuple(sorted((
    "은", "는", "이", "가", "을", "를", "에", "에서", "에게", "께", "께서", "한테", "의",
    "도", "만", "과", "와", "로", "으로", "까지", "부터", "처럼", "보다", "이나", "나",
    "이랑", "랑", "하고", "요", "이다", "이야", "야", "입니다", "이에요", "예요", "였다",
    "이었다", "들", "들이", "들을", "들은", "들의", "들에게", "마저", "조차", "밖에",
), key=len, reverse=True))

# Endings of verbs and adjectives built on 하다 and 스럽다 ("to do", "to be like"); the
# lexicon lists such words as 행복한, 행복하다 or the bare noun 행복.
ENDINGS: tuple[str, ...] = tuple(sorted((
    "하다", "한다", "했다", "합니다", "했습니다", "해요", "했어요", "해서", "하고", "하게",
    "하지", "하면", "하는", "한", "할", "했던", "하며", "하여", "해", "했", "함", "하니",
    "스럽다", "스러운", "스럽게", "스러워", "스러웠다", "스럽습니다",
    "되다", "된다", "됐다", "되었다", "된", "되는", "되어", "돼",
), key=len, reverse=True))

# Forms under which a stem may be listed, tried in this order.
_LISTED_FORMS: tuple[str, ...] = ("", "하다", "한", "다", "스러운", "된")


def korean_stem(token: str, lexicon: Container[str]) -> str:
    """The form of `token` that `lexicon` scores: the token itself when listed, else the
    token without one particle and/or one ending, in a form the lexicon lists; the token
    unchanged when no such form is listed."""
    if token in lexicon:
        return token
    candidates = [token]
    candidates += [token[: -len(p)] for p in PARTICLES if token.endswith(p) and len(token) > len(p)]
    for stem in list(candidates):
        candidates += [stem[: -len(e)] for e in ENDINGS if stem.endswith(e) and len(stem) > len(e)]
    for stem in candidates[1:]:
        for form in _LISTED_FORMS:
            if stem + form in lexicon:
                return stem + form
    return token
