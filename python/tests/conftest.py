"""What the tests share: the project's programs to compare with, parameter
sets as the ten answers typed at the prompts, and the programs' files as
text.

The programs' paths come from ZEMRATH_PROGRAM, ZEMRATH_ENSEMBLE_PROGRAM and
ZEMRATH_SWEEP_PROGRAM, which the project's test suite sets; without them the
tests that compare with a program are skipped, and say so."""

import math
import os
import pathlib
import subprocess

import pytest

import zemrath
from zemrath import _core

# Parameter sets as the ten answers typed at the prompts.
ANSWER_SETS = {
    # Some streams die out.
    "small": ["0.013", "0.8", "0.5", "400", "2", "0.5", "0.1", "4", "1", "30"],
    # Embryos beyond 32 bits: counts wrap in some streams, and every stream
    # dies out (no embryo survives).
    "wrapping": ["-1", "0.8", "0.5", "400", "2", "0.5", "0.1", "4", "2.5e6", "10"],
    # Around a billion draws a generation: the long counts of the kernels.
    "large": ["0.5", "0.8", "0.5", "2000000", "2", "0.5", "0.1", "8", "6", "6"],
}


def program(variable):
    path = os.environ.get(variable)
    if not path:
        pytest.skip(f"{variable} is not set: no comparison with the program")
    if not os.path.exists(path):
        raise RuntimeError(f"{variable} names {path}, which does not exist")
    return path


def run_program(variable, *arguments, cwd=None, env=None, stdin=None):
    """Runs one of the programs; its standard output."""
    result = subprocess.run([program(variable), *map(str, arguments)], cwd=cwd, capture_output=True, text=True,
                            env=env, input=stdin, timeout=600)
    if result.returncode != 0:
        raise RuntimeError(f"{variable} ended with status {result.returncode}: {result.stderr}")
    return result.stdout


@pytest.fixture
def answers_file(tmp_path):
    """answers_file(name or answers): a file of these answers in a new folder."""
    def write(answers):
        lines = ANSWER_SETS[answers] if isinstance(answers, str) else answers
        path = tmp_path / "answers.txt"
        path.write_text("\n".join(lines) + "\n")
        return path
    return write


def parameters_of(name):
    """The parameters of an answer set, as the programs read them."""
    values = {}
    for field, text in zip(zemrath.ANSWER_FIELDS, ANSWER_SETS[name]):
        values[field["name"]] = text
    return zemrath.parameters(**values)


def program_rows(answers, seed, tmp_path):
    """The rows of output.txt after ``ZEMRATH_SEED=seed zemrath`` with these
    answers, as lists of four ints."""
    folder = tmp_path / f"run-{seed}"
    folder.mkdir()
    env = {**os.environ, "ZEMRATH_SEED": str(seed)}
    # The empty line ends the program's closing wait.
    run_program("ZEMRATH_PROGRAM", cwd=folder, env=env, stdin="\n".join(answers) + "\n\n")
    lines = (folder / "output.txt").read_text().splitlines()[5:]
    return [[int(word) for word in line.split()] for line in lines]


def real_text(value, missing=None):
    """A real as the programs' files write it; `missing` for NaN where a
    file leaves a missing value empty."""
    if missing is not None and math.isnan(value):
        return missing
    return _core.real_text(value)


def csv_text(frame, missing=None):
    """A DataFrame as the programs' CSV files: a header line, then one line
    per row; whole-number columns as integers, reals as the files write
    them (NaN as `missing` where given), text as it is."""
    lines = [",".join(frame.columns)]
    columns = []
    for name in frame.columns:
        column = frame[name]
        if column.dtype.kind in "iu":
            columns.append([str(value) for value in column])
        elif column.dtype.kind == "f":
            columns.append([real_text(value, missing) for value in column])
        else:
            columns.append([str(value) for value in column])
    lines += [",".join(row) for row in zip(*columns)]
    return "\n".join(lines) + "\n"


def file_text(path):
    return pathlib.Path(path).read_text()
