#include "core_errors.hpp"

#include <stdexcept>

namespace {

// Stops with an R error of classes zemrath_<name> and zemrath_error, with
// the subject of the failure when it has one.
[[noreturn]] void signal_zemrath_error(const std::string& name, const std::string& message,
                                       const std::string& subject = {}) {
    Rcpp::List condition = subject.empty()
                               ? Rcpp::List::create(Rcpp::Named("message") = message, Rcpp::Named("call") = R_NilValue)
                               : Rcpp::List::create(Rcpp::Named("message") = message, Rcpp::Named("call") = R_NilValue,
                                                    Rcpp::Named("subject") = subject);
    condition.attr("class") =
        Rcpp::CharacterVector::create("zemrath_" + name, "zemrath_error", "error", "condition");
    Rcpp::Function stop("stop");
    stop(condition);
    // stop() jumps away; Rcpp carries the jump out as a C++ exception, and
    // this line is never reached.
    throw std::logic_error(message);
}

}  // namespace

void signal_core_error(zemrath::error_code code, const std::string& message, const std::string& subject) {
    if (code == zemrath::error_code::cancelled) throw Rcpp::internal::InterruptedException();
    signal_zemrath_error(std::string(zemrath::error_code_name(code)), message, subject);
}

void signal_system_error(const std::system_error& failure) {
    signal_zemrath_error("system_error", std::string("the system refused what the run needs: ") + failure.what());
}
