// An experiment given as a Python mapping with the keys of an experiment
// file ({"seeds": "0-99", "vary": {"adult-survival": {"values": [...]}}}),
// made into the table that the experiment file's reader reads
// (sweep/experiment_table.hpp), in the mapping's order.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

#include <toml++/toml.h>

namespace zemrath::python {

// Keys must be str; values bool, whole numbers (within 64 bits), reals,
// str, mappings and sequences (list, tuple, a NumPy array) of them. Anything
// else is refused (bad_value), naming its key as subject: "vary.x.values".
toml::table experiment_table(const pybind11::handle& mapping);

}  // namespace zemrath::python
