"""zemrath: a stochastic, individual-based simulation of a fish population,
every random stream at once.

    import zemrath
    p = zemrath.read_answers("answers.txt")          # or zemrath.parameters(...)
    rows = zemrath.run_stream(p, seed=42)              # output.txt of ZEMRATH_SEED=42 zemrath
    e = zemrath.run_ensemble(p)                        # every stream: e.summary, e.runs, e.outcomes
    s = zemrath.run_sweep("experiment.toml")           # as zemrath-sweep: s.points, s.outcomes, ...

The numbers are those of the project's programs for the same inputs, from
the same library; see the README's section "From Python".
"""

from . import salib
from ._core import version as __version__
from ._ensemble import Ensemble, run_ensemble, run_stream
from ._errors import (BadAnswer, BadType, BadValue, Cancelled, EndOfInput, OutOfMemory, ReadFailed, SystemRefused,
                      WriteFailed, ZemrathError)
from ._parameters import ANSWER_FIELDS, Parameters, parameters, read_answers
from ._sweep import OUTCOME_COLUMNS, Sweep, run_sweep

__all__ = ["ANSWER_FIELDS", "OUTCOME_COLUMNS", "BadAnswer", "BadType", "BadValue", "Cancelled", "EndOfInput",
           "Ensemble", "OutOfMemory", "Parameters", "ReadFailed", "Sweep", "SystemRefused", "WriteFailed",
           "ZemrathError", "parameters", "read_answers", "run_ensemble", "run_stream", "run_sweep", "salib"]
