// Replays the fuzz corpus (the seed inputs and every input a fuzzer found
// that once failed) through the fuzz harnesses, which abort on a broken
// invariant. The fuzzers themselves need clang; this runs with any compiler.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_harness.hpp"
#include "program_runner.hpp"

namespace zemrath {
namespace {

std::vector<std::filesystem::path> corpus(const char* name) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(ZEMRATH_FUZZ_CORPUS) / name))
        files.push_back(entry.path());
    return files;
}

void replay(const char* name, void (*harness)(const std::uint8_t*, std::size_t)) {
    const auto files = corpus(name);
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        const std::string bytes = testing::read_file(file);
        harness(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
}

TEST(FuzzCorpus, AnswerReader) { replay("answers", fuzz::fuzz_answer_reader); }

TEST(FuzzCorpus, Dialogue) { replay("dialogue", fuzz::fuzz_dialogue); }

}  // namespace
}  // namespace zemrath
