#include "cli/exit_status.hpp"

namespace zemrath::cli {

int exit_status_of(const error& failure) {
    switch (failure.code()) {
    case error_code::bad_value:
    case error_code::bad_answer:
    case error_code::end_of_input:
    case error_code::read_failed: return exit_usage;
    case error_code::write_failed:
    case error_code::out_of_memory:
    case error_code::cancelled: return exit_failed;
    }
    return exit_failed;
}

std::string exit_status_help() {
    return "Exit status: 0 done; 1 the work or its files failed; 2 a usage error, or input that cannot\n"
           "be read or is not valid (nothing written); 129, 130, 143 stopped by SIGHUP, SIGINT, SIGTERM.";
}

}  // namespace zemrath::cli
