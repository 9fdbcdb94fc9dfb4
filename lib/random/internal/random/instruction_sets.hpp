// The instruction sets the counting kernels need, as this processor offers
// them, and a seam through which a test takes some of them away.
//
// A kernel is supported when the processor offers its instructions and no
// test has hidden them. Hiding lets every machine run the paths that only a
// machine without those instructions would take otherwise: the refusal of a
// kernel the processor cannot run, and the choice of the fastest kernel
// among those that remain.
#pragma once

namespace zemrath {

struct instruction_sets {
    bool avx2 = false;
    bool avx512 = false;  // AVX-512F with AVX-512VL
};

// What the processor (and its operating system) offers, as detected once.
instruction_sets detected_instruction_sets();

// What the kernels may use now: the detected sets less any hidden ones.
instruction_sets usable_instruction_sets();

// For tests: while it lives, the sets marked in `hidden` count as absent,
// for every thread; the sets hidden before are hidden again when it goes.
class hidden_instruction_sets {
public:
    explicit hidden_instruction_sets(instruction_sets hidden);
    ~hidden_instruction_sets();
    hidden_instruction_sets(const hidden_instruction_sets&) = delete;
    hidden_instruction_sets& operator=(const hidden_instruction_sets&) = delete;

private:
    unsigned before_;
};

}  // namespace zemrath
