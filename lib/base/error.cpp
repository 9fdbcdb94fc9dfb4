#include "zemrath/error.hpp"

namespace zemrath {

std::string_view error_code_name(error_code code) {
    switch (code) {
    case error_code::bad_value: return "bad_value";
    case error_code::bad_answer: return "bad_answer";
    case error_code::end_of_input: return "end_of_input";
    case error_code::read_failed: return "read_failed";
    case error_code::write_failed: return "write_failed";
    case error_code::out_of_memory: return "out_of_memory";
    case error_code::cancelled: return "cancelled";
    }
    return "error";
}

}  // namespace zemrath
