#include "data_frames.hpp"

#include <climits>
#include <string>

#include "zemrath/error.hpp"

SEXP new_data_frame(std::size_t rows, const std::vector<std::string>& names,
                    const std::function<void(SEXP columns)>& fill) {
    if (rows > static_cast<std::size_t>(INT_MAX))
        throw zemrath::error(zemrath::error_code::bad_value,
                             "the table would have " + std::to_string(rows) +
                                 " rows, more than a data frame holds (2147483647)");
    return Rcpp::unwindProtect([&]() -> SEXP {
        SEXP frame = PROTECT(Rf_allocVector(VECSXP, static_cast<R_xlen_t>(names.size())));
        SEXP column_names = PROTECT(Rf_allocVector(STRSXP, static_cast<R_xlen_t>(names.size())));
        for (std::size_t j = 0; j < names.size(); ++j)
            SET_STRING_ELT(column_names, static_cast<R_xlen_t>(j), Rf_mkCharCE(names[j].c_str(), CE_UTF8));
        Rf_setAttrib(frame, R_NamesSymbol, column_names);
        fill(frame);
        // Compact row names, c(NA, -rows): rows 1 to rows.
        SEXP row_names = PROTECT(Rf_allocVector(INTSXP, 2));
        INTEGER(row_names)[0] = NA_INTEGER;
        INTEGER(row_names)[1] = -static_cast<int>(rows);
        Rf_setAttrib(frame, R_RowNamesSymbol, row_names);
        SEXP frame_class = PROTECT(Rf_mkString("data.frame"));
        Rf_setAttrib(frame, R_ClassSymbol, frame_class);
        UNPROTECT(4);
        return frame;
    });
}

int* new_integer_column(SEXP columns, std::size_t index, std::size_t rows) {
    SEXP column = Rf_allocVector(INTSXP, static_cast<R_xlen_t>(rows));
    SET_VECTOR_ELT(columns, static_cast<R_xlen_t>(index), column);
    return INTEGER(column);
}

double* new_real_column(SEXP columns, std::size_t index, std::size_t rows) {
    SEXP column = Rf_allocVector(REALSXP, static_cast<R_xlen_t>(rows));
    SET_VECTOR_ELT(columns, static_cast<R_xlen_t>(index), column);
    return REAL(column);
}

void new_text_column(SEXP columns, std::size_t index, const std::vector<std::string>& values) {
    SEXP column = Rf_allocVector(STRSXP, static_cast<R_xlen_t>(values.size()));
    SET_VECTOR_ELT(columns, static_cast<R_xlen_t>(index), column);
    for (std::size_t i = 0; i < values.size(); ++i)
        SET_STRING_ELT(column, static_cast<R_xlen_t>(i), Rf_mkCharCE(values[i].c_str(), CE_UTF8));
}
