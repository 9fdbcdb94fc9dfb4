// Which counting kernel is fastest on this processor, by trying them.
//
// The widest instructions are not always the fastest: some processors run
// 512-bit instructions as two halves, and then the AVX2 kernels, with two
// independent vectors in flight, can beat the AVX-512 ones. So every
// supported kernel counts the same small synthetic job, both kinds of lane
// kernel, fifteen times in turn; the median time of each kernel is its time.
#pragma once

#include <array>

#include "zemrath/count_kernel.hpp"

namespace zemrath {

// Runs the trial (about a millisecond) over every kernel the processor
// runs (hidden instruction sets included) and returns the kernels from the
// fastest to the slowest, those it cannot run last; among equals, in the
// order scalar, avx2, avx512.
std::array<count_kernel, every_count_kernel.size()> kernels_by_speed();

}  // namespace zemrath
