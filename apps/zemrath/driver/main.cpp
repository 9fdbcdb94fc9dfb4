// zemrath: the interactive simulation. It takes no options but --help and
// --version; any other argument changes nothing.
#include <cstdio>
#include <string_view>

#include "driver/run.hpp"
#include "zemrath/version.hpp"

namespace {

constexpr std::string_view help_text =
    "Usage: zemrath [--help | --version]\n"
    "\n"
    "Simulates a fish population (embryos, larvae and adults by age class) over\n"
    "yearly generations, one random draw per individual fate. Asks ten questions\n"
    "on standard input, writes one row per generation (generation, embryos,\n"
    "larvae entering phase B, adults) to output.txt in the working directory, and\n"
    "waits for Return before it ends.\n"
    "\n"
    "The random stream is seeded from the clock's millisecond (one of 1000\n"
    "streams). ZEMRATH_SEED=m, a whole number from 0 to 999, uses m instead, so\n"
    "that a run can be repeated exactly. ZEMRATH_KERNEL=scalar, avx2 or avx512\n"
    "forces the instructions the draws are counted with (the results are the\n"
    "same); by default the fastest this processor runs.\n"
    "\n"
    "Exit status: 0 done; 2 a setting, an answer or the results file failed; 1 out of\n"
    "memory.\n";

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help") {
            std::fwrite(help_text.data(), 1, help_text.size(), stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("zemrath %.*s\n", static_cast<int>(zemrath::version.size()), zemrath::version.data());
            return 0;
        }
    }
    return zemrath::run_zemrath();
}
