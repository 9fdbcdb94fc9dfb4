// Tables between the core and Python: a dict of columns, name to NumPy
// array (or list of str), in the order of the core's own tables, which the
// package makes a pandas DataFrame of. Every name comes from the core's
// tables (answer_fields, summary_column_names, outcome_columns, the
// sensitivity columns), so a column added there reaches Python as it is.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_summary.hpp"
#include "zemrath/parameters.hpp"

namespace zemrath::python {

// A new NumPy array of `size` values, to be filled.
template <typename T>
pybind11::array_t<T> new_column(std::size_t size) {
    return pybind11::array_t<T>(static_cast<pybind11::ssize_t>(size));
}

// generation, embryos, larvae, adults (int32) of the rows.
pybind11::dict rows_columns(std::span<const generation_row> rows);

// seed, then the same columns of every stream's rows, streams in the order
// of the seeds.
pybind11::dict runs_columns(const ensemble_runs& runs);

// generation (int32), then the summary's columns (float64).
pybind11::dict summary_columns(const ensemble_summary& summary);

// The ten answers of each parameter set, named as the answer fields: reals
// as float64, the whole ones as int32.
pybind11::dict answer_columns(std::span<const parameter_set> sets);

// The ten answers between the core and Python: a mapping of the answer
// fields' names to a float (reals) or an int (the two whole ones), as the
// package's parameters() makes it.
parameter_set parameters_from(const pybind11::handle& values);
pybind11::dict parameters_to(const parameter_set& set);

}  // namespace zemrath::python
