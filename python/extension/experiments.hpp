// Experiments for Python: read by the experiment file's reader (from a
// file, or from a mapping with the same keys), their points from the
// core's design, and the analysis of their points' outcomes, so that the
// package and zemrath-sweep give the same points in the same order and the
// same numbers.
#pragma once

#include <pybind11/pybind11.h>

namespace zemrath::python {

// Adds the class Experiment and the functions on sample arrays.
void add_experiments(pybind11::module_& module);

}  // namespace zemrath::python
