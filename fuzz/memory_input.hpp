// An input_reader over bytes held in memory (an anonymous in-memory file), so
// the reader sees them exactly as it would see standard input.
#pragma once

#include <cstddef>
#include <cstdint>

#include "textio/number_entry.hpp"

namespace zemrath::fuzz {

struct memory_input {
    input_reader reader;

    memory_input(const std::uint8_t* bytes, std::size_t size);
    ~memory_input();
    memory_input(const memory_input&) = delete;
    memory_input& operator=(const memory_input&) = delete;
};

}  // namespace zemrath::fuzz
