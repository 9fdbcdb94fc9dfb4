// The ten answers between R and the core. On the R side they are a list
// named by the core's answer fields, reals as doubles and the two integer
// answers as integers, as zemrath_parameters() makes it (and checks it).
#pragma once

#include <Rcpp.h>

#include "zemrath/parameters.hpp"

zemrath::parameter_set parameters_from_r(const Rcpp::List& parameters);

Rcpp::List parameters_to_r(const zemrath::parameter_set& parameters);
