// Which counting kernel is fastest on this processor, by trying them.
//
// The widest instructions are not always the fastest: some processors run
// 512-bit instructions as two halves, and then the AVX2 kernels, with two
// independent vectors in flight, can beat the AVX-512 ones. So every
// supported kernel counts the same small synthetic job, both kinds of lane
// kernel, fifteen times in turn; the median time of each kernel is its time.
#pragma once

#include "zemrath/count_kernel.hpp"

namespace zemrath {

// Runs the trial (about a millisecond) and returns the kernel that was
// fastest; among equals, the first in the order scalar, avx2, avx512.
count_kernel fastest_kernel();

}  // namespace zemrath
