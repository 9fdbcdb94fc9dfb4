// The library as a host program uses it: its errors (one type, branched on
// by code), the caller's floating-point environment left as it was, the
// stream stepped or run whole, and ensembles with progress and cancellation.
#include <gtest/gtest.h>

#include <cfenv>
#include <chrono>
#include <optional>
#include <thread>
#include <vector>

#if (defined(__x86_64__) || defined(__i386__)) && __has_include(<fpu_control.h>)
#include <fpu_control.h>
#define X87_CONTROL 1
#endif

#include "random/instruction_sets.hpp"
#include "zemrath/zemrath.hpp"

namespace zemrath {
namespace {

// A population that grows to its carrying capacity: long counts on every
// stage, and weights whose last bits decide egg counts.
parameter_set growing() {
    parameter_set a;
    a.embryo_larval_survival = 0.5;
    a.max_juvenile_survival = 0.8;
    a.adult_survival = 0.9;
    a.carrying_capacity = 20000;
    a.weight_increase_rate = 1.7;
    a.growth_inhibition = 0.3;
    a.weight_at_one_year = 0.11;
    a.max_reproduction_age = 6;
    a.fecundity_rate = 0.07;
    a.generations = 12;
    return a;
}

template <typename Call>
error_code code_of(Call call) {
    try {
        call();
    } catch (const error& failure) {
        return failure.code();
    }
    ADD_FAILURE() << "no error";
    return error_code::cancelled;
}

TEST(CoreLibrary, BadArgumentsAreErrorsWithACode) {
    const model_parameters parameters = derive_model_parameters(growing());
    EXPECT_EQ(code_of([&] { run_stream(parameters, 1000); }), error_code::bad_value);
    EXPECT_EQ(code_of([&] { run_stream(parameters, -1); }), error_code::bad_value);
    EXPECT_EQ(code_of([&] { run_ensemble(parameters, std::vector<std::int32_t>{}); }), error_code::bad_value);
    EXPECT_EQ(code_of([&] { run_ensemble(parameters, std::vector<std::int32_t>{3, 1000}); }),
              error_code::bad_value);

    stream s = create_stream(parameters);
    EXPECT_EQ(code_of([&] { next_generation(s); }), error_code::bad_value);  // not seeded
    EXPECT_EQ(code_of([&] { seed_stream(s, std::vector<std::int32_t>{1, 2, 3}); }), error_code::bad_value);
    seed_stream(s, 7);
    while (has_next_generation(s)) next_generation(s);
    EXPECT_EQ(code_of([&] { next_generation(s); }), error_code::bad_value);  // none left
}

// Every machine takes the paths of one without AVX2 or AVX-512: the kernel
// is refused, the default falls back to one that runs, and the rows stay.
TEST(CoreLibrary, AKernelWhoseInstructionsAreAbsentIsRefusedAndTheDefaultFallsBack) {
    const model_parameters parameters = derive_model_parameters(growing());
    const std::vector<generation_row> expected = run_stream(parameters, 11, stream_options{1, std::nullopt, true});
    const struct {
        instruction_sets hidden;
        std::vector<count_kernel> absent;
    } cases[] = {
        {{false, true}, {count_kernel::avx512}},
        {{true, false}, {count_kernel::avx2}},
        {{true, true}, {count_kernel::avx2, count_kernel::avx512}},
    };
    for (const auto& c : cases) {
        const hidden_instruction_sets hidden(c.hidden);
        for (count_kernel kernel : c.absent) {
            const std::string name(kernel_name(kernel));
            SCOPED_TRACE(name);
            EXPECT_FALSE(kernel_supported(kernel));
            EXPECT_NE(best_kernel(), kernel);
            try {
                create_stream(parameters, stream_options{1, kernel, false});
                ADD_FAILURE() << "ran the " << name << " kernel";
            } catch (const error& failure) {
                EXPECT_EQ(failure.code(), error_code::bad_value);
                EXPECT_EQ(std::string(failure.what()), "this processor cannot run the " + name + " kernel");
            }
            EXPECT_EQ(code_of([&] { kernel_from_setting(name.c_str()); }), error_code::bad_value);
        }
        EXPECT_TRUE(kernel_supported(best_kernel()));
        EXPECT_TRUE(kernel_supported(count_kernel::scalar));
        EXPECT_EQ(run_stream(parameters, 11), expected);  // the default kernel, whichever it is now
        EXPECT_EQ(analyse_ensemble(run_ensemble(parameters, std::vector<std::int32_t>{3, 11})).summary.generations.size(),
                  expected.size());
    }
    // The sets come back with the guard.
    const instruction_sets detected = detected_instruction_sets();
    EXPECT_EQ(kernel_supported(count_kernel::avx2), detected.avx2);
    EXPECT_EQ(kernel_supported(count_kernel::avx512), detected.avx512);
}

TEST(CoreLibrary, KernelSettingsNameAKernelOrNone) {
    EXPECT_EQ(kernel_from_setting(nullptr), std::nullopt);
    EXPECT_EQ(kernel_from_setting(""), std::nullopt);
    for (count_kernel kernel : every_count_kernel) {
        if (!kernel_supported(kernel)) continue;
        EXPECT_EQ(kernel_from_setting(std::string(kernel_name(kernel)).c_str()), kernel);
    }
    for (const char* setting : {"sse", "AVX2", " scalar", "scalar\n"})
        EXPECT_EQ(code_of([&] { kernel_from_setting(setting); }), error_code::bad_value) << setting;
}

TEST(CoreLibrary, SteppedRunWholeRunAndReferenceAgree) {
    const model_parameters parameters = derive_model_parameters(growing());
    for (std::int32_t seed : {0, 593, 999}) {
        SCOPED_TRACE(seed);
        stream s = create_stream(parameters);
        seed_stream(s, std::vector<std::int32_t>(4, seed));  // as randseed seeds
        std::vector<generation_row> stepped{first_row(s)};
        while (has_next_generation(s)) stepped.push_back(next_generation(s));
        ASSERT_EQ(stepped.size(), rows_per_stream(parameters));
        EXPECT_EQ(stepped.front(), (generation_row{0, 0, 0, 20}));
        EXPECT_EQ(run_stream(parameters, seed), stepped);
        EXPECT_EQ(run_stream(parameters, seed, stream_options{1, std::nullopt, true}), stepped);
        // Every kernel and thread count gives the same rows.
        for (count_kernel kernel : {count_kernel::scalar, count_kernel::avx2, count_kernel::avx512}) {
            if (!kernel_supported(kernel)) continue;
            for (int threads : {1, 3}) {
                EXPECT_EQ(run_stream(parameters, seed, stream_options{threads, kernel, false}), stepped)
                    << kernel_name(kernel) << " on " << threads << " threads";
            }
        }
    }
}

TEST(CoreLibrary, GenerationsZeroOrNegativeGiveRowZeroOnly) {
    for (std::int32_t generations : {0, -3}) {
        parameter_set answers = growing();
        answers.generations = generations;
        EXPECT_EQ(run_stream(derive_model_parameters(answers), 5), (std::vector<generation_row>{{0, 0, 0, 20}}));
    }
}

// The caller's floating-point environment, as far as it can be read.
struct environment {
    int rounding = 0;
    int raised = 0;
    unsigned control = 0;  // the x87 control word, where there is one

    friend bool operator==(const environment&, const environment&) = default;
};

environment current_environment() {
    environment e;
    e.rounding = std::fegetround();
    e.raised = std::fetestexcept(FE_ALL_EXCEPT);
#ifdef X87_CONTROL
    fpu_control_t control = 0;
    _FPU_GETCW(control);
    e.control = control;
#endif
    return e;
}

TEST(CoreLibrary, LeavesTheCallersFloatingPointEnvironmentAndIgnoresIt) {
    const model_parameters usual = derive_model_parameters(growing());
    const std::vector<generation_row> expected = run_stream(usual, 11);
    const ensemble_runs expected_runs = run_ensemble(usual, std::vector<std::int32_t>{1, 2, 3});

    // A host that rounds upwards, with double-precision x87 arithmetic and a
    // flag raised: none of it may reach the model, and all of it must be
    // there again afterwards.
    std::fenv_t saved;
    std::fegetenv(&saved);
    std::fesetround(FE_UPWARD);
#ifdef X87_CONTROL
    fpu_control_t control = (_FPU_DEFAULT & ~_FPU_EXTENDED) | _FPU_DOUBLE;
    _FPU_SETCW(control);
#endif
    std::feclearexcept(FE_ALL_EXCEPT);
    std::feraiseexcept(FE_INEXACT);
    const environment host = current_environment();

    const model_parameters parameters = derive_model_parameters(growing());
    EXPECT_EQ(current_environment(), host);
    const std::vector<generation_row> rows = run_stream(parameters, 11);
    EXPECT_EQ(current_environment(), host);
    stream s = create_stream(parameters);
    seed_stream(s, 11);
    next_generation(s);
    EXPECT_EQ(current_environment(), host);
    const ensemble_runs runs = run_ensemble(parameters, std::vector<std::int32_t>{1, 2, 3});
    EXPECT_EQ(current_environment(), host);
    std::fesetenv(&saved);

    EXPECT_EQ(parameters.competition_coefficient, usual.competition_coefficient);
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(runs.rows, expected_runs.rows);
}

TEST(CoreLibrary, EnsembleReportsProgressOnTheCallingThread) {
    const model_parameters parameters = derive_model_parameters(growing());
    std::vector<std::int32_t> seeds;
    for (std::int32_t seed = 0; seed < 60; ++seed) seeds.push_back(seed);
    const std::thread::id caller = std::this_thread::get_id();
    std::vector<std::size_t> reports;
    bool elsewhere = false;
    ensemble_options options;
    options.threads = 2;
    options.report_interval = std::chrono::milliseconds(1);
    options.progress = [&](std::size_t done, std::size_t total) {
        elsewhere = elsewhere || std::this_thread::get_id() != caller;
        EXPECT_EQ(total, seeds.size());
        reports.push_back(done);
    };
    options.cancel_requested = [&] {
        elsewhere = elsewhere || std::this_thread::get_id() != caller;
        return false;
    };
    const ensemble_runs runs = run_ensemble(parameters, seeds, options);
    EXPECT_FALSE(elsewhere);
    // The first report comes at once, but a worker may have finished a few
    // streams by then: only the order and the last one are fixed.
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports.back(), seeds.size());
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_EQ(runs.seeds, seeds);
    for (std::size_t k : {std::size_t{0}, std::size_t{59}}) {
        const auto rows = stream_rows(runs, k);
        EXPECT_EQ(std::vector<generation_row>(rows.begin(), rows.end()), run_stream(parameters, seeds[k]));
    }
}

TEST(CoreLibrary, CancelledEnsembleStartsNoFurtherStream) {
    parameter_set answers = growing();
    answers.generations = 40;
    const model_parameters parameters = derive_model_parameters(answers);
    std::size_t last_done = 0;
    ensemble_options options;
    options.threads = 2;
    options.report_interval = std::chrono::milliseconds(1);
    options.progress = [&](std::size_t done, std::size_t) { last_done = done; };
    options.cancel_requested = [&] { return true; };
    EXPECT_EQ(code_of([&] { run_ensemble(parameters, all_seeds(), options); }), error_code::cancelled);
    EXPECT_LT(last_done, 1000u);  // stopped long before the end
}

// A cancelled ensemble does not wait for the streams under way to end: a
// single stream that would run for hours (a billion draws a generation for a
// hundred thousand generations) stops at its next generation.
TEST(CoreLibrary, CancelledEnsembleStopsInsideALongStream) {
    parameter_set answers;
    answers.embryo_larval_survival = 0.5;
    answers.max_juvenile_survival = 0.8;
    answers.adult_survival = 0.5;
    answers.carrying_capacity = 2000000;
    answers.weight_increase_rate = 2;
    answers.growth_inhibition = 0.5;
    answers.weight_at_one_year = 0.1;
    answers.max_reproduction_age = 8;
    answers.fecundity_rate = 6;
    answers.generations = 100000;
    using clock = std::chrono::steady_clock;
    const clock::time_point start = clock::now();
    std::optional<clock::time_point> asked;
    ensemble_options options;
    options.report_interval = std::chrono::milliseconds(10);
    options.cancel_requested = [&] {
        if (!asked && clock::now() - start > std::chrono::milliseconds(300)) asked = clock::now();
        return asked.has_value();
    };
    EXPECT_EQ(code_of([&] { run_ensemble(derive_model_parameters(answers), std::vector<std::int32_t>{5}, options); }),
              error_code::cancelled);
    ASSERT_TRUE(asked.has_value());
    // A generation takes well under a second even in the sanitizer build's
    // plain kernels; the whole stream, hours.
    EXPECT_LT(clock::now() - *asked, std::chrono::seconds(30));
}

TEST(CoreLibrary, OutOfMemoryForTheAgeClassesNamesThem) {
    parameter_set answers = growing();
    answers.max_reproduction_age = 2000000000;
    try {
        run_ensemble(derive_model_parameters(answers), std::vector<std::int32_t>{0, 1});
        ADD_FAILURE() << "ran 2000000000 age classes";
    } catch (const error& failure) {
        EXPECT_EQ(failure.code(), error_code::out_of_memory);
        EXPECT_STREQ(failure.what(), "not enough memory for 2000000000 age classes");
    }
}

TEST(CoreLibrary, AnswersFromTextAndFieldNames) {
    partial_answers answers;
    read_answer_text("1.5D2", answer_index("carrying_capacity"), answers);
    EXPECT_EQ(answers.values.carrying_capacity, 150.0);
    EXPECT_TRUE(answers.given[3]);
    EXPECT_FALSE(answers.complete());
    EXPECT_EQ(code_of([&] { read_answer_text(",", 0, answers); }), error_code::bad_answer);
    EXPECT_EQ(code_of([&] { read_answer_text("0.5x", 0, answers); }), error_code::bad_answer);
    EXPECT_EQ(code_of([&] { read_answer_text("12.0", answer_index("generations"), answers); }),
              error_code::bad_answer);
    EXPECT_EQ(answer_index("nonsense"), answer_fields.size());
    EXPECT_EQ(code_of([&] { read_answers_file("/nonexistent/answers.txt"); }), error_code::read_failed);
}

}  // namespace
}  // namespace zemrath
