// A request the explorer will not carry out, with the HTTP status and the
// reason it answers with ({"error": reason, "field": field}), and the field
// of the request it is about, if any ("adult-survival", "seeds"), so that a
// page marks that field without reading the reason. Thrown by the parts that
// read and run requests and turned into the response at the edge.
#pragma once

#include <string>

namespace zemrath::explore {

struct refusal {
    int status = 400;
    std::string message;
    std::string field{};
};

}  // namespace zemrath::explore
