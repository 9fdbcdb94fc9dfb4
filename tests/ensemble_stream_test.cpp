// Every stream of the ensemble against the console program: its rows are the
// rows that zemrath writes to output.txt when seeded with the same
// millisecond, whether the stream runs in this process or in the built
// zemrath-ensemble, alone or beside others on several threads.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "run/population.hpp"
#include "model/fecundity.hpp"
#include "program_runner.hpp"
#include "zemrath/answer_reader.hpp"
#include "zemrath/ensemble.hpp"

namespace zemrath::ensemble {
namespace {

namespace runner = zemrath::testing;

struct answer_set {
    const char* what;
    std::vector<std::string> answers;
};

// Answer sets that reach the model's different regimes cheaply: a small
// population that often dies out, a dense one held by competition, and one
// whose first generation's embryos wrap to a negative count (20 adults of
// about 1.5e8 eggs each) and that then has no adults left.
const answer_set answer_sets[] = {
    {"dying out", {"0.012", "0.8", "0.5", "200", "2", "0.5", "0.1", "4", "1", "25"}},
    {"dense", {"0.5", "0.8", "0.9", "1000", "2", "0.5", "0.1", "4", "1", "5"}},
    {"wrapping", {"0.5", "0.8", "1", "1000", "2", "0.5", "0.1", "1", "1.8e6", "3"}},
};

const std::int32_t seeds_compared[] = {0, 417, 999};

std::string answers_text(const answer_set& set) {
    std::string text;
    for (const std::string& answer : set.answers) text += answer + "\n";
    return text;
}

std::filesystem::path write_answers_file(const answer_set& set) {
    const auto path = runner::make_scratch_directory() / "answers.txt";
    std::ofstream(path, std::ios::binary) << answers_text(set);
    return path;
}

parameter_set parameters_of(const answer_set& set) {
    const partial_answers answers = read_answers_file(write_answers_file(set).string());
    EXPECT_TRUE(answers.complete());
    return answers.values;
}

// The rows of output.txt after its five header lines (" g e l a" and CR LF).
std::vector<generation_row> console_rows(const answer_set& set, std::int32_t seed) {
    const auto directory = runner::make_scratch_directory();
    // The answers and the empty line that ends the end-of-run wait.
    const auto result = runner::run_program(runner::make_run(answers_text(set) + "\n", std::to_string(seed), directory));
    EXPECT_EQ(result.exit_status, 0) << result.standard_error;
    std::istringstream file(runner::read_file(directory / "output.txt"));
    std::string line;
    for (int i = 0; i < 5; ++i) std::getline(file, line);
    std::vector<generation_row> rows;
    generation_row row;
    while (file >> row.generation >> row.embryos >> row.larvae >> row.adults) rows.push_back(row);
    return rows;
}

std::vector<generation_row> stream_in_process(const answer_set& set, std::int32_t seed) {
    return run_stream(derive_model_parameters(parameters_of(set)), seed);
}

TEST(EnsembleStream, RowsAreTheConsoleProgramsRows) {
    for (const answer_set& set : answer_sets)
        for (std::int32_t seed : seeds_compared) {
            const auto expected = console_rows(set, seed);
            ASSERT_EQ(expected.size(), std::stoul(set.answers.back()) + 1) << set.what;
            EXPECT_EQ(stream_in_process(set, seed), expected) << set.what << ", seed " << seed;
        }
}

TEST(EnsembleStream, RunsCsvOfTheToolHoldsTheConsoleProgramsRows) {
    for (const answer_set& set : answer_sets) {
        const auto out = runner::make_scratch_directory() / "out";
        const auto result = runner::run_program(runner::make_ensemble_run(
            {"--answers", write_answers_file(set).string(), "--seeds", "0,417,999", "--out", out.string()}));
        ASSERT_EQ(result.exit_status, 0) << result.standard_error;

        std::map<std::int32_t, std::vector<generation_row>> by_seed;
        std::istringstream csv(runner::read_file(out / "runs.csv"));
        std::string line;
        std::getline(csv, line);
        EXPECT_EQ(line, "seed,generation,embryos,larvae,adults");
        while (std::getline(csv, line)) {
            std::int32_t seed = 0;
            generation_row row;
            char comma = 0;
            std::istringstream(line) >> seed >> comma >> row.generation >> comma >> row.embryos >>
                comma >> row.larvae >> comma >> row.adults;
            by_seed[seed].push_back(row);
        }
        ASSERT_EQ(by_seed.size(), 3u) << set.what;
        for (std::int32_t seed : seeds_compared)
            EXPECT_EQ(by_seed[seed], console_rows(set, seed)) << set.what << ", seed " << seed;
    }
}

TEST(EnsembleStream, WrappedGenerationIsFlagged) {
    const answer_set& set = answer_sets[2];
    const model_parameters parameters = derive_model_parameters(parameters_of(set));
    const std::int32_t seed = 5;
    const ensemble_runs runs = run_ensemble(parameters, std::vector<std::int32_t>{seed});
    const std::span<const generation_row> rows = stream_rows(runs, 0);
    const std::span<const std::uint8_t> wrapped = stream_wrapped(runs, 0);
    const growth_parameters growth = adult_parameters_of(parameters).growth;
    // All 20 recruits survive (adult survival 1) and spawn in class 1; their
    // 64-bit total exceeds 2^31 and the 32-bit row shows it wrapped.
    const std::int64_t eggs = eggs_at_age(growth, compute_fecundity_constants(growth), 1);
    ASSERT_GT(20 * eggs, std::int64_t{2147483647});
    ASSERT_LT(20 * eggs, std::int64_t{4294967296});
    EXPECT_EQ(rows[1].embryos, static_cast<std::int32_t>(20 * eggs - 4294967296));
    EXPECT_EQ(std::vector<std::uint8_t>(wrapped.begin(), wrapped.end()), (std::vector<std::uint8_t>{0, 1, 0, 0}));
    // The reference stream finds the same wrap.
    stream reference = create_stream(parameters, stream_options{1, std::nullopt, true});
    seed_stream(reference, seed);
    std::vector<std::uint8_t> reference_wrapped = {0};
    while (has_next_generation(reference)) {
        next_generation(reference);
        reference_wrapped.push_back(last_generation_wrapped(reference) ? 1 : 0);
    }
    EXPECT_EQ(reference_wrapped, (std::vector<std::uint8_t>{0, 1, 0, 0}));
}

TEST(EnsembleStream, ThreadCountDoesNotChangeTheResults) {
    const model_parameters parameters = derive_model_parameters(parameters_of(answer_sets[0]));
    std::vector<std::int32_t> seeds;
    for (std::int32_t s = 100; s < 140; ++s) seeds.push_back(s);
    ensemble_options one_thread;
    one_thread.threads = 1;
    ensemble_options four_threads;
    four_threads.threads = 4;
    const ensemble_runs one = run_ensemble(parameters, seeds, one_thread);
    const ensemble_runs four = run_ensemble(parameters, seeds, four_threads);
    EXPECT_EQ(one.rows, four.rows);
    EXPECT_EQ(one.wrapped, four.wrapped);
    EXPECT_EQ(four.seeds, seeds);
    // Each slot holds its own seed's stream.
    EXPECT_EQ(std::vector<generation_row>(stream_rows(four, 17).begin(), stream_rows(four, 17).end()),
              stream_in_process(answer_sets[0], 117));
}

}  // namespace
}  // namespace zemrath::ensemble
