"""Periods of dated keys as pandas means them (the `corpus` extra).

A key belongs to the period that ``pandas.Series.dt.to_period(freq)`` puts it in, and the
period is labelled by its start (``.dt.start_time``): with ``freq="W"`` a week runs from
Monday to Sunday and is labelled by its Monday, with ``"MS"`` or ``"ME"`` a month by its
first day. Offset aliases that name a point in a period rather than a period (``"MS"``,
``"YS"``, ``"QS-FEB"``, ``"BME"``, ...) stand for the period pandas itself names for them
(``"M"``, ``"Y"``, ``"Q-JAN"``, ``"M"``): a quarter starting in February is the quarter
that ends in January.

Time zones, one rule: keys of one time zone are grouped by their wall time there (as
``to_period`` does); keys of several time zones, or with and without one, are each
converted to UTC first (a key without a zone is read as UTC), and grouped in UTC.
"""

from __future__ import annotations

from typing import Any

# What the zone of a set of keys is found to be: a zone's name, no zone, or several.
NAIVE = "naive"
MIXED = "mixed"


def _pandas() -> Any:
    try:
        import pandas  # type: ignore[import-untyped, unused-ignore]
    except ImportError as error:  # pragma: no cover - depends on the environment
        raise ImportError("periods need pandas: pip install 'moodvane[corpus]'") from None
    return pandas


def period_alias(freq: str) -> str:
    """The period frequency that `freq` groups keys by: itself where pandas has such a
    period (``"D"``, ``"W"``, ``"W-MON"``, ``"M"``, ``"Q-NOV"``, ``"h"``, ``"15min"``), else
    the period pandas names for the offset alias (``"MS"`` and ``"ME"``: ``"M"``, ``"YS"``:
    ``"Y"``, ``"QS-FEB"``: ``"Q-JAN"``), with its multiple. ValueError for anything else.

    >>> period_alias("W"), period_alias("MS"), period_alias("QS-FEB"), period_alias("2h")
    ('W-SUN', 'M', 'Q-JAN', '2h')
    """
    pandas = _pandas()
    from pandas.tseries.frequencies import (  # type: ignore[import-untyped, unused-ignore]
        get_period_alias,
    )

    problem = (f"freq must be a pandas period or offset alias such as 'D', 'W', 'MS', 'ME', "
               f"'QS', 'YS' or 'h', got {freq!r}")
    if not isinstance(freq, str):
        raise ValueError(problem)
    try:
        return _period_name(pandas.PeriodDtype(freq))
    except (ValueError, TypeError):
        pass
    try:
        offset = pandas.tseries.frequencies.to_offset(freq)
    except ValueError:
        raise ValueError(problem) from None
    alias = get_period_alias(offset.rule_code) or get_period_alias(offset._prefix)
    if alias is None:
        raise ValueError(f"{problem} ({freq!r} has no period in pandas)")
    named = alias if offset.n == 1 else f"{offset.n}{alias}"
    try:
        return _period_name(pandas.PeriodDtype(named))
    except (ValueError, TypeError):
        raise ValueError(f"{problem} ({freq!r} has no period in pandas)") from None


def _period_name(dtype: Any) -> str:
    """The alias of a period dtype as pandas writes it: "W-SUN" of "period[W-SUN]"."""
    return str(dtype.name).removeprefix("period[").removesuffix("]")


def _is_mixed_zones(error: Exception) -> bool:
    """Whether pandas refused keys for their zones (several, or with and without one),
    which it asks to read with utc=True."""
    message = str(error).lower()
    return any(word in message for word in ("timezone", "time zone", "tz-aware", "utc=true"))


def _parsed(values: Any, utc: bool) -> Any:
    """`values` as datetimes: pandas' own guess of the format first (fast), then each key
    read on its own (keys written in several formats)."""
    pandas = _pandas()
    try:
        return pandas.to_datetime(values, utc=utc)
    except (ValueError, TypeError) as error:
        if not utc and _is_mixed_zones(error):
            raise
        first = error
    try:
        return pandas.to_datetime(values, utc=utc, format="mixed")
    except (ValueError, TypeError) as error:
        if not utc and _is_mixed_zones(error):
            raise
        raise TypeError(f"keys must be dates or times when freq is given: "
                        f"{str(first).splitlines()[0]}") from None


def key_times(keys: Any, utc: bool | None = None) -> Any:
    """`keys` (a Series) as naive datetimes under the module's time-zone rule: wall times
    in the keys' one zone, or UTC where they have several (or some have none). `utc` True
    or False forces the choice (as the Dask version does once for all partitions)."""
    pandas = _pandas()
    values = keys if isinstance(keys, pandas.Series) else pandas.Series(keys)
    if pandas.api.types.is_datetime64_any_dtype(values.dtype):
        times = values
    elif utc:
        times = _parsed(values, utc=True)
    else:
        try:
            times = _parsed(values, utc=False)
        except (ValueError, TypeError) as error:
            if not _is_mixed_zones(error) or utc is False:
                raise
            times = _parsed(values, utc=True)
        if not pandas.api.types.is_datetime64_any_dtype(times.dtype):
            # Python datetimes of several zones come back as objects.
            times = _parsed(values, utc=True)
    zone = getattr(times.dtype, "tz", None)
    if zone is not None:
        if utc:
            times = times.dt.tz_convert("UTC")
        times = times.dt.tz_localize(None)
    return times


def zone_of(keys: Any) -> str:
    """The zone of `keys` as `key_times` finds it: a zone's name, "naive", "mixed", or ""
    when no key is given. The Dask version asks each partition, and converts all to UTC
    unless they agree."""
    pandas = _pandas()
    values = keys if isinstance(keys, pandas.Series) else pandas.Series(keys)
    values = values.dropna()
    if values.empty:
        return ""
    if pandas.api.types.is_datetime64_any_dtype(values.dtype):
        zone = getattr(values.dtype, "tz", None)
        return NAIVE if zone is None else str(zone)
    try:
        times = _parsed(values, utc=False)
    except (ValueError, TypeError) as error:
        if _is_mixed_zones(error):
            return MIXED
        raise
    if not pandas.api.types.is_datetime64_any_dtype(times.dtype):
        return MIXED
    zone = getattr(times.dtype, "tz", None)
    return NAIVE if zone is None else str(zone)


def period_starts(keys: Any, freq: str, utc: bool | None = None) -> Any:
    """Each key's period of `freq` as ``Series.dt.to_period`` makes it, labelled by its
    start (a naive Timestamp; NaT for a missing key), in the Series' own index order.

    >>> import pandas
    >>> days = pandas.Series(["2024-01-06", "2024-01-07", "2024-01-08"])  # Sat, Sun, Mon
    >>> [str(day.date()) for day in period_starts(days, "W")]
    ['2024-01-01', '2024-01-01', '2024-01-08']
    """
    pandas = _pandas()
    alias = period_alias(freq)
    times = key_times(keys, utc)
    periods = pandas.Series(times.to_numpy(), index=times.index).dt.to_period(alias)
    return periods.dt.start_time


def utc_for(zones: Any) -> bool:
    """Whether keys whose parts have the zones `zones` (of `zone_of`) go to UTC."""
    found = {zone for zone in zones if zone}
    return MIXED in found or len(found) > 1


def describe_rule() -> str:
    """The time-zone rule in one line, for messages and the report."""
    return ("keys of one time zone are grouped in its wall time; keys of several zones "
            "(or with and without one) in UTC")
