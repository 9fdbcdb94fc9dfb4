#include "fuzz_harness.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    zemrath::fuzz::fuzz_dialogue(bytes, size);
    return 0;
}
