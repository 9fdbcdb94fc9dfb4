"""Parameter sets: from keywords, in prompt order or from an answers file,
each value checked as the prompts and the core take it."""

import inspect
import math
import pickle

import numpy as np
import pytest

import zemrath
from conftest import ANSWER_SETS, parameters_of

NAMES = [field["name"] for field in zemrath.ANSWER_FIELDS]
SMALL = dict(embryo_larval_survival=0.013, max_juvenile_survival=0.8, adult_survival=0.5, carrying_capacity=400,
             weight_increase_rate=2, growth_inhibition=0.5, weight_at_one_year=0.1, max_reproduction_age=4,
             fecundity_rate=1, generations=30)


def test_the_names_and_their_order_are_the_librarys_table():
    assert NAMES == ["embryo_larval_survival", "max_juvenile_survival", "adult_survival", "carrying_capacity",
                     "weight_increase_rate", "growth_inhibition", "weight_at_one_year", "max_reproduction_age",
                     "fecundity_rate", "generations"]
    assert list(inspect.signature(zemrath.parameters).parameters) == NAMES
    for field in zemrath.ANSWER_FIELDS:
        assert field["name"] in zemrath.parameters.__doc__


def test_keywords_positions_and_an_answers_file_give_the_same_set(answers_file):
    by_name = zemrath.parameters(**SMALL)
    assert zemrath.parameters(*SMALL.values()) == by_name
    assert zemrath.read_answers(answers_file("small")) == by_name
    assert zemrath.read_answers(str(answers_file("small"))) == by_name
    assert [type(by_name[name]) for name in NAMES] == [float] * 7 + [int, float, int]
    assert by_name.adult_survival == 0.5 and by_name["generations"] == 30
    changed = by_name.replace(generations=50, carrying_capacity="1.6D3")
    assert (changed.generations, changed.carrying_capacity, by_name.generations) == (50, 1600.0, 30)
    assert pickle.loads(pickle.dumps(by_name)) == by_name
    assert eval(repr(by_name), {"zemrath": zemrath}) == by_name
    with pytest.raises(AttributeError):
        by_name.generations = 3


def test_answers_text_reads_back_to_the_same_values(answers_file):
    p = zemrath.parameters(**{**SMALL, "adult_survival": 0.1 + 0.2, "carrying_capacity": 1e300,
                              "growth_inhibition": math.inf, "weight_at_one_year": -0.0})
    path = answers_file(p.answers_text().splitlines())
    assert zemrath.read_answers(path) == p


@pytest.mark.parametrize("name, value, expected", [
    ("adult_survival", "1.5D-1", 0.15),
    ("adult_survival", "2*0.5", 0.5),
    ("adult_survival", math.nan, math.nan),
    ("carrying_capacity", -math.inf, -math.inf),
    ("carrying_capacity", np.float32(0.5), 0.5),
    ("max_reproduction_age", 4.0, 4),
    ("max_reproduction_age", np.int64(-2147483647), -2147483647),
    ("generations", "007", 7),
])
def test_values_are_used_as_given(name, value, expected):
    got = zemrath.parameters(**{**SMALL, name: value})[name]
    assert got == expected or (math.isnan(got) and math.isnan(expected))
    assert type(got) is type(expected)


@pytest.mark.parametrize("change, error, subject, words", [
    ({"adult_survival": [0.5]}, zemrath.BadType, "adult_survival", "must be a number, not a list"),
    ({"adult_survival": None}, zemrath.BadType, "adult_survival", "not None"),
    ({"adult_survival": True}, zemrath.BadType, "adult_survival", "not a bool"),
    ({"adult_survival": "0.5x"}, zemrath.BadAnswer, "adult_survival", "Bad real number"),
    ({"generations": "12.0"}, zemrath.BadAnswer, "generations", "Bad integer"),
    ({"generations": 2.5}, zemrath.BadValue, "generations", "whole number"),
    ({"generations": math.nan}, zemrath.BadValue, "generations", "whole number"),
    ({"max_reproduction_age": 2 ** 31}, zemrath.BadValue, "max_reproduction_age", "2147483647"),
    ({"max_reproduction_age": -2 ** 31}, zemrath.BadValue, "max_reproduction_age", "2147483647"),
    ({"adult_survivl": 0.5}, zemrath.BadValue, "adult_survivl", "did you mean adult_survival"),
])
def test_a_value_that_cannot_be_used_is_refused_naming_it(change, error, subject, words):
    with pytest.raises(error, match=words) as caught:
        zemrath.parameters(**{**SMALL, **change})
    assert caught.value.subject == subject
    assert isinstance(caught.value, (ValueError, zemrath.ZemrathError))


def test_missing_and_doubled_parameters_are_refused():
    with pytest.raises(zemrath.BadValue, match="missing parameters: fecundity_rate, generations"):
        zemrath.parameters(**{name: SMALL[name] for name in NAMES[:8]})
    with pytest.raises(zemrath.BadValue, match="more than once: embryo_larval_survival") as caught:
        zemrath.parameters(0.013, **SMALL)
    assert caught.value.subject == "embryo_larval_survival"
    with pytest.raises(zemrath.BadType):
        zemrath.parameters(*SMALL.values(), 1)


@pytest.mark.parametrize("lines, error, words", [
    (ANSWER_SETS["small"][:7], zemrath.EndOfInput, "missing: max_reproduction_age, fecundity_rate, generations"),
    (["0.013", "0.8", "abc"] + ANSWER_SETS["small"][3:], zemrath.BadAnswer, "Bad real number"),
    (ANSWER_SETS["small"][:9] + ["2147483648"], zemrath.BadAnswer, "generations|item"),
])
def test_an_answers_file_that_cannot_be_read_names_what(answers_file, lines, error, words):
    with pytest.raises(error, match=words):
        zemrath.read_answers(answers_file(lines))


def test_files_that_are_no_answers_files_are_refused(tmp_path):
    with pytest.raises(zemrath.ReadFailed) as caught:
        zemrath.read_answers(tmp_path / "none.txt")
    assert isinstance(caught.value, OSError) and caught.value.subject == str(tmp_path / "none.txt")
    with pytest.raises(zemrath.BadValue, match="is a directory, not an answers file"):
        zemrath.read_answers(tmp_path)
    with pytest.raises(zemrath.BadValue, match="device"):
        zemrath.read_answers("/dev/zero")
    with pytest.raises(zemrath.BadType):
        zemrath.read_answers(3)


def test_an_answer_set_of_the_tests_is_what_the_programs_read(answers_file):
    assert parameters_of("wrapping") == zemrath.read_answers(answers_file("wrapping"))
