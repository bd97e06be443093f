"""Telling the native module's internal fault apart from every other exception."""

from __future__ import annotations

FAULT_TYPE_NAME = "PanicException"
FAULT_MODULE = "vanebind_runtime"


def is_internal_fault(error: BaseException) -> bool:
    """Whether `error` is the exception that `moodvane` raises for an internal fault.

    That type derives from BaseException, so `except Exception` lets it through, and the
    module exposes it only by raising it; catch BaseException and ask this function:

        try:
            result = moodvane.weighted_avg_shift(before, after)
        except Exception:
            raise  # a bad argument: TypeError, ValueError, ...
        except BaseException as error:
            if not is_internal_fault(error):
                raise  # KeyboardInterrupt, SystemExit
            ...  # the module stays usable: report and go on
    """
    kind = type(error)
    return kind.__name__ == FAULT_TYPE_NAME and kind.__module__ == FAULT_MODULE
