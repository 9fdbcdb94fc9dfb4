// Fuzz harnesses: arbitrary bytes as standard input to the answer reader, and
// to the whole dialogue followed by a short run. They never end the process:
// a failure that would end a console run is an ordinary outcome here. A
// broken invariant aborts, which is what the fuzzer looks for.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zemrath::fuzz {

// Reads answers, alternating the real and the integer reader, until one
// fails or the input ends; then reads the end-of-run line.
void fuzz_answer_reader(const std::uint8_t* bytes, std::size_t size);

// Reads the ten answers of the dialogue and, if they all read, runs a few
// generations with at most a few dozen age classes, checking every row and
// that the fast run and the plain reference run agree to the bit.
void fuzz_dialogue(const std::uint8_t* bytes, std::size_t size);

}  // namespace zemrath::fuzz
