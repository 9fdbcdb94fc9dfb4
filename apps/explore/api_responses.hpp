// The JSON the API answers with.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "explore/computation.hpp"

namespace zemrath::explore {

// {"summary": [{"generation": 0, "embryos_mean": ..., ...}, ...],
// "outcomes": {"extinct_fraction": ..., ...}, "extinct_streams": n,
// "wrapped_streams": n, "first_wrapped_generation": g or null, "text": the
// summary zemrath-ensemble prints, "streams": n, "seeds": "0-999",
// "seconds": t, "result": id, "warnings": [{"field": "adult-survival",
// "message": ...}]}: the analysis of the streams, one summary object per
// generation keyed by the columns of summary.csv and the outcomes at the
// last generation keyed by those of the sweep's outcomes.csv (null where
// missing), so that a page shows numbers without reading them from text,
// and the id by which the files of this very result are asked for.
std::string ensemble_json(const computed_ensemble& result);

// The warnings about the values outside their meaning, in prompt order:
// "--adult-survival 1.5 lies outside its meaning (a probability, 0 to 1);
// it is used as given".
std::vector<std::string> parameter_warnings(const parameter_set& answers);

// {"running": true, "done": 412, "total": 1000}
std::string progress_json(const computation_progress& progress);

// {"error": message}, with "field": field when the refusal is about one.
std::string error_json(std::string_view message, std::string_view field = {});

}  // namespace zemrath::explore
