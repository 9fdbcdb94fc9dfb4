"""The ten parameters of the model: the answers the console program asks
for, named as the library's table of them names them."""

import inspect
import math
import numbers
import os
from collections.abc import Mapping

from . import _core
from ._errors import bad_type, bad_value

#: The library's table of the ten answers, in the order of the prompts: each
#: a dict with "name" (the argument, "adult_survival"), "key" (the name in
#: experiments and the tools' options, "adult-survival"), "prompt",
#: "meaning", "unit", "integer" (a whole number) and "example".
ANSWER_FIELDS = tuple(_core.answer_fields())
NAMES = tuple(field["name"] for field in ANSWER_FIELDS)
_INDEX = {field["name"]: i for i, field in enumerate(ANSWER_FIELDS)}
_KEY_INDEX = {field["key"]: i for i, field in enumerate(ANSWER_FIELDS)}
_WHOLE_LIMIT = 2147483647  # the prompts' whole numbers: -2147483647 to 2147483647


def answer_index(name):
    """The place of a parameter in the table, by its name ("adult_survival")
    or its key ("adult-survival"); BadValue naming the closest one otherwise."""
    if isinstance(name, str):
        if name in _INDEX:
            return _INDEX[name]
        if name in _KEY_INDEX:
            return _KEY_INDEX[name]
    hint = _core.closest_name(name, list(NAMES)) if isinstance(name, str) else None
    raise bad_value(f"unknown parameter: {name!r}" + (f" (did you mean {hint}?)" if hint else ""), str(name))


def described(value):
    return "None" if value is None else f"a {type(value).__name__}"


def checked_value(name, value):
    """A parameter's value as the core takes it: a float, or an int for the
    two whole ones. Numbers (NaN and infinities too, for the reals) are used
    as given; a str is read in the prompts' answer syntax ("1.5D2")."""
    index = _INDEX[name]
    integer = ANSWER_FIELDS[index]["integer"]
    if isinstance(value, str):
        value = _core.read_answer(value, index)
    elif isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise bad_type(f"`{name}` must be a number, not {described(value)}", name)
    if not integer:
        return float(value)
    if not (math.isfinite(value) and value == math.floor(value) and abs(value) <= _WHOLE_LIMIT):
        raise bad_value(f"`{name}` must be a whole number from -{_WHOLE_LIMIT} to {_WHOLE_LIMIT}, not {value!r}", name)
    return int(value)


class Parameters(Mapping):
    """The ten parameters of a run, read-only: a mapping of their names to
    their values (reals as float, the two whole ones as int), also read as
    attributes (``p.adult_survival``). Made by :func:`parameters` or
    :func:`read_answers`; ``p.replace(name=value)`` gives a changed copy."""

    __slots__ = ("_values",)

    def __init__(self, values):
        self._values = dict(values)

    def __getitem__(self, name):
        return self._values[name]

    def __iter__(self):
        return iter(self._values)

    def __len__(self):
        return len(self._values)

    def __getattr__(self, name):
        try:
            return self._values[name]
        except KeyError:
            raise AttributeError(f"no parameter is called {name!r}") from None

    def __setattr__(self, name, value):
        if name != "_values":
            raise AttributeError("parameters are read-only: use replace()")
        object.__setattr__(self, name, value)

    def __reduce__(self):
        return (Parameters, (self._values,))

    def __repr__(self):
        values = ", ".join(f"{name}={self._values[name]!r}" for name in NAMES)
        return f"zemrath.parameters({values})"

    def replace(self, **changes):
        """A copy with these parameters changed, checked as parameters()
        checks them."""
        return parameters(**{**self._values, **changes})

    def answers_text(self):
        """The ten answers, one per line and an empty line after them: a
        file for ``zemrath`` on standard input and for ``zemrath-ensemble
        --answers``, which gives back the same values."""
        lines = [str(self._values[name]) if field["integer"] else _core.real_text(self._values[name])
                 for name, field in zip(NAMES, ANSWER_FIELDS)]
        return "\n".join(lines) + "\n\n"


def parameters(*values, **named):
    """The ten parameters of the model, in the order of the prompts or by
    name. Every value is used as given, none is checked against a range (a
    probability above 1 or a carrying capacity of 0 has an outcome like any
    other), so reals may also be inf or nan; a str is read in the prompts'
    answer syntax ("1.5D2", "2*0.5").

    Raises BadValue for a parameter that is missing, unknown or given twice,
    or a whole one that is not whole; BadType for a value that is no number.
    """
    unknown = [name for name in named if name not in _INDEX]
    if unknown:
        answer_index(unknown[0])
    if len(values) > len(NAMES):
        raise bad_type(f"parameters() takes {len(NAMES)} values, not {len(values)}")
    given = dict(zip(NAMES, values))
    twice = [name for name in named if name in given]
    if twice:
        raise bad_value(f"parameter given more than once: {', '.join(twice)}", twice[0])
    given.update(named)
    missing = [name for name in NAMES if name not in given]
    if missing:
        raise bad_value(f"missing parameters: {', '.join(missing)}", missing[0])
    return Parameters({name: checked_value(name, given[name]) for name in NAMES})


def _field_line(field):
    unit = f" ({field['unit']})" if field["unit"] else ""
    kind = "whole number" if field["integer"] else "real"
    return f"    {field['name']}: {field['meaning']}{unit}; a {kind}, e.g. {field['example']}"


parameters.__signature__ = inspect.Signature(
    [inspect.Parameter(name, inspect.Parameter.POSITIONAL_OR_KEYWORD) for name in NAMES])
parameters.__doc__ += "\n    The parameters:\n\n" + "\n".join(_field_line(field) for field in ANSWER_FIELDS) + "\n"


def read_answers(path):
    """The ten parameters from an answers file: one answer per line in the
    order of the prompts, read exactly as the console program and the
    tools read it (the same reader), so a file you feed to ``zemrath`` works
    unchanged.

    Raises ReadFailed for a file that cannot be read, BadValue for one that
    is no plain file or too large, BadAnswer naming the answer that cannot be
    read, EndOfInput naming the answers missing from a short file.
    """
    if not isinstance(path, (str, os.PathLike)):
        raise bad_type(f"`path` must be a file's path, not {described(path)}", "path")
    return Parameters(_core.read_answers(os.fsdecode(path)))


def as_parameters(value, what="parameters"):
    """A Parameters object, or any mapping of the ten names, checked."""
    if isinstance(value, Parameters):
        return value
    if isinstance(value, Mapping):
        return parameters(**value)
    raise bad_type(f"`{what}` must be made by zemrath.parameters() or read_answers(), or be a mapping of the "
                   f"ten parameters, not {described(value)}", what)
