// Data frames made with R's allocator. The columns are allocated and filled
// inside Rcpp's unwind protection: memory that R cannot give is R's error,
// raised once the C++ frames holding the core's results have been left.
#pragma once

#include <Rcpp.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// A data frame of `rows` rows and one column per name. fill(columns) makes
// every column, in order, with the functions below. It runs where R may jump
// away, so it must not throw and must hold nothing that needs a destructor:
// it only copies values prepared beforehand. A data frame holds at most
// 2147483647 rows; more are refused (bad_value) before anything is made.
SEXP new_data_frame(std::size_t rows, const std::vector<std::string>& names,
                    const std::function<void(SEXP columns)>& fill);

// Column `index` of `columns`: a new vector of `rows` values to fill.
int* new_integer_column(SEXP columns, std::size_t index, std::size_t rows);
double* new_real_column(SEXP columns, std::size_t index, std::size_t rows);

// Column `index` of `columns`: these strings.
void new_text_column(SEXP columns, std::size_t index, const std::vector<std::string>& values);
