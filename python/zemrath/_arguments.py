"""Checks of the arguments that several calls take, before anything reaches
the core: each failure is a BadValue (or BadType) naming the argument."""

import numbers
import os

import numpy as np

from . import _core
from ._errors import bad_type, bad_value
from ._parameters import described

MAX_THREADS = _core.max_threads


def seed_list(seeds):
    """The streams to run, ascending and each once, as the programs take
    them: a list such as "0-99,500" (as --seeds), or whole numbers (a range,
    a list, a NumPy array), each from 0 to 999."""
    if isinstance(seeds, str):
        return _core.parse_seeds(seeds)
    if isinstance(seeds, (bool, np.bool_)) or isinstance(seeds, numbers.Number):
        raise bad_type(f"`seeds` must be a list such as \"0-99,500\" or whole numbers, not {described(seeds)}",
                       "seeds")
    try:
        values = list(seeds)
    except TypeError:
        raise bad_type(f"`seeds` must be a list such as \"0-99,500\" or whole numbers, not {described(seeds)}",
                       "seeds") from None
    for value in values:
        if isinstance(value, (bool, np.bool_)) or not isinstance(value, numbers.Integral):
            raise bad_type(f"`seeds` must be whole numbers, not {described(value)} ({value!r})", "seeds")
        if not 0 <= value <= 999:
            raise bad_value(f"seed {value} is not a whole number from 0 to 999", "seeds")
    if not values:
        raise bad_value("no seed to run", "seeds")
    return sorted({int(value) for value in values})


def available_cores():
    """The cores this process may run on (its affinity), at least 1."""
    try:
        return max(1, len(os.sched_getaffinity(0)))
    except (AttributeError, OSError):
        return max(1, os.cpu_count() or 1)


def thread_count(threads):
    """The threads a call uses: those given, 1 to MAX_THREADS (more are
    refused here, before any thread starts), or for None every core this
    process may run on, at most MAX_THREADS."""
    if threads is None:
        return min(available_cores(), MAX_THREADS)
    if isinstance(threads, (bool, np.bool_)) or not isinstance(threads, numbers.Integral):
        raise bad_type(f"`threads` must be a whole number from 1 to {MAX_THREADS}, not {described(threads)}",
                       "threads")
    if not 1 <= threads <= MAX_THREADS:
        raise bad_value(f"`threads` must be a whole number from 1 to {MAX_THREADS}, not {threads}", "threads")
    return int(threads)


def seed_for_stream(seed):
    if isinstance(seed, (bool, np.bool_)) or not isinstance(seed, numbers.Integral):
        raise bad_type(f"`seed` must be a whole number from 0 to 999, not {described(seed)}", "seed")
    if not 0 <= seed <= 999:
        raise bad_value(f"seed {seed} is not a whole number from 0 to 999", "seed")
    return int(seed)
