#include "zemrath/real_text.hpp"

#include <charconv>

namespace zemrath {

std::string real_text(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

}  // namespace zemrath
