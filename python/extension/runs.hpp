// One stream and an ensemble of streams, run for Python without the
// interpreter's lock and stopped by Ctrl-C (core_calls.hpp).
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <vector>

namespace zemrath::python {

// The rows of one stream (columns generation, embryos, larvae, adults), as
// output.txt holds them after a run seeded with `seed`, its long counts on
// up to `threads` threads. values: the ten answers by name (columns.hpp).
pybind11::dict run_stream_rows(const pybind11::dict& values, std::int32_t seed, int threads);

// The streams of every seed on up to `threads` threads, and their analysis:
// "summary" (columns), "outcomes" (name to value), "runs" (columns, or None
// unless keep_runs), "text" (what zemrath-ensemble prints),
// "extinct_streams", "wrapped_streams", "first_wrapped_generation" (or None).
pybind11::dict run_ensemble_tables(const pybind11::dict& values, const std::vector<std::int32_t>& seeds, int threads,
                                   bool keep_runs);

}  // namespace zemrath::python
