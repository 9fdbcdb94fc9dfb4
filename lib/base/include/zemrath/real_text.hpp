// Reals as text in the ensemble's files: the shortest decimal that reads
// back to the same double ("0.25", "1234.5", "1e+20"), so nothing is lost.
#pragma once

#include <string>

namespace zemrath {

std::string real_text(double value);

}  // namespace zemrath
