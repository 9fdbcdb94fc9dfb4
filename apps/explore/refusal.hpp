// A request the explorer will not carry out, with the HTTP status and the
// reason it answers with ({"error": reason}). Thrown by the parts that read
// and run requests and turned into the response at the edge.
#pragma once

#include <string>

namespace zemrath::explore {

struct refusal {
    int status = 400;
    std::string message;
};

}  // namespace zemrath::explore
