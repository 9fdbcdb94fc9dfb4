// What the ensemble writes: a set of files that replaces an earlier set
// whole, the two tables, the provenance, the figure's axes and labels, and
// the progress line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <set>

#include "program_runner.hpp"
#include "results/csv_tables.hpp"
#include "results/file_set.hpp"
#include "results/progress.hpp"
#include "results/provenance.hpp"
#include "results/report_svg.hpp"
#include "results/temporary_file.hpp"
#include "zemrath/answer_reader.hpp"
#include "zemrath/ensemble_analysis.hpp"

namespace zemrath::results {
namespace {

namespace runner = zemrath::testing;

std::size_t entries_in(const std::filesystem::path& directory) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(directory),
                                                  std::filesystem::directory_iterator()));
}

TEST(FileSet, ReplacesTheEarlierSetOnlyWhenCommitted) {
    const auto directory = runner::make_scratch_directory();
    std::ofstream(directory / "table.csv") << "earlier table\n";
    std::ofstream(directory / "stale.csv") << "earlier stale\n";
    std::ofstream(directory / "other.txt") << "not ours\n";
    {
        file_set set(directory);
        write_to(set, add_file(set, "table.csv"), "a,b\n");
        staged_file& big = add_file(set, "figure.svg");
        write_to(set, big, std::string(3 << 20, 'x'));  // several pieces for the system
        EXPECT_EQ(runner::read_file(directory / "table.csv"), "earlier table\n");  // not yet
        EXPECT_EQ(entries_in(directory), 5u);                                      // three files, two temporary
        commit(set, {"stale.csv"});
    }
    EXPECT_EQ(runner::read_file(directory / "table.csv"), "a,b\n");
    EXPECT_EQ(runner::read_file(directory / "figure.svg"), std::string(3 << 20, 'x'));
    EXPECT_FALSE(std::filesystem::exists(directory / "stale.csv"));
    EXPECT_EQ(runner::read_file(directory / "other.txt"), "not ours\n");
    EXPECT_EQ(entries_in(directory), 3u);  // no temporary file left
    EXPECT_NE(std::filesystem::status(directory / "table.csv").permissions() & std::filesystem::perms::owner_read,
              std::filesystem::perms::none);
}

TEST(FileSet, AnAbandonedSetLeavesTheEarlierOneAndNoTemporaryFile) {
    const auto directory = runner::make_scratch_directory();
    std::ofstream(directory / "table.csv") << "earlier\n";
    {
        file_set set(directory);
        write_to(set, add_file(set, "table.csv"), std::string(3 << 20, 'y'));
        add_file(set, "summary.csv");
    }  // left without commit, as a failure or an interruption leaves it
    EXPECT_EQ(runner::read_file(directory / "table.csv"), "earlier\n");
    EXPECT_EQ(entries_in(directory), 1u);
}

TEST(FileSet, DirectoryProblemsAreFoundBeforeAnyWork) {
    const auto directory = runner::make_scratch_directory();
    prepare_directory(directory / "new" / "deeper");
    EXPECT_TRUE(std::filesystem::is_directory(directory / "new" / "deeper"));
    EXPECT_EQ(entries_in(directory / "new" / "deeper"), 0u);  // the probe is gone

    std::ofstream(directory / "plain-file") << "x";
    for (const std::filesystem::path& bad : {directory / "plain-file" / "out", std::filesystem::path()}) {
        try {
            prepare_directory(bad);
            ADD_FAILURE() << "prepared " << bad;
        } catch (const error& failure) {
            EXPECT_NE(failure.code(), error_code::cancelled);
            EXPECT_NE(std::string(failure.what()).find(bad.empty() ? "empty" : bad.string()), std::string::npos)
                << failure.what();
        }
    }
}

TEST(TemporaryFiles, OnlyAbandonedOnesAreRemoved) {
    const auto directory = runner::make_scratch_directory();
    // Left by killed runs: removed.
    for (const char* name : {".summary.csv.zemrath-Ab12Cd", ".probe.zemrath-000000"})
        std::ofstream(directory / name) << "partial";
    std::filesystem::create_directories(directory / ".work.zemrath-Qw12Er" / "damaged");
    std::ofstream(directory / ".work.zemrath-Qw12Er" / "point-1.txt") << "old";
    // Being written by a live process (this one): kept.
    std::filesystem::path live;
    const int fd = create_temporary_file(directory, "runs.csv", live);
    ASSERT_GE(fd, 0);
    // Not the tools' temporary names: kept.
    const std::vector<std::string> others = {"summary.csv", ".bashrc.backup", ".notes.zemrath-toolong", "x.zemrath-Ab12Cd",
                                             ".zemrath-Ab12Cd"};
    for (const std::string& name : others) std::ofstream(directory / name) << "mine";

    remove_stale_temporaries(directory);
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) left.insert(entry.path().filename().string());
    std::set<std::string> expected(others.begin(), others.end());
    expected.insert(live.filename().string());
    EXPECT_EQ(left, expected);
    EXPECT_TRUE(live.filename().string().starts_with(".runs.csv.zemrath-")) << live;

    // Once its writer is done with it, the same file is abandoned.
    ::close(fd);
    remove_stale_temporaries(directory);
    EXPECT_FALSE(std::filesystem::exists(live));
}

TEST(TemporaryFiles, ADiscardedFolderGoesAsAWhole) {
    const auto directory = runner::make_scratch_directory();
    std::filesystem::create_directories(directory / "work" / "damaged");
    for (int i = 0; i < 100; ++i) std::ofstream(directory / "work" / ("point-" + std::to_string(i) + ".txt")) << i;
    discard_folder(directory / "work");
    EXPECT_TRUE(std::filesystem::is_empty(directory));
    discard_folder(directory / "work");  // nothing there: nothing to do
    EXPECT_TRUE(std::filesystem::is_empty(directory));
}

TEST(Provenance, AnswersFileReadsBackToTheSameAnswers) {
    provenance run;
    run.program = "zemrath-ensemble";
    run.answers = {"0.013", "0.8", "5.d-1", "4e2", "2", ".5", "0.1  the weight", "4", "1", "2*50"};
    run.seeds = "0-9,500";
    run.generations = 50;
    run.command = {"zemrath-ensemble", "--answers", "a b.txt"};
    const auto path = runner::make_scratch_directory() / answers_file_name;
    std::ofstream(path, std::ios::binary) << answers_file_text(run);
    const partial_answers back = read_answers_file(path.string());
    EXPECT_TRUE(back.complete());
    EXPECT_EQ(back.texts, run.answers);
    EXPECT_EQ(back.values.adult_survival, 0.5);
    EXPECT_EQ(back.values.generations, 50);
    EXPECT_TRUE(answers_file_text(run).ends_with("2*50\n\n"));  // the closing wait's line

    const std::string record = record_file_text(run);
    for (const char* text : {"program = 'zemrath-ensemble'", "seeds = '0-9,500'", "generations = 50",
                             "'a b.txt'", "weight_at_one_year = '0.1  the weight'", "version = ", "time = "})
        EXPECT_NE(record.find(text), std::string::npos) << text << " in\n" << record;
}

ensemble_runs two_streams() {
    ensemble_runs runs;
    runs.seeds = {3, 8};
    runs.rows_per_stream = 2;
    runs.rows = {{0, 0, 0, 20}, {1, 1680, 840, 18}, {0, 0, 0, 20}, {1, -5, 0, 19}};
    runs.wrapped = {0, 0, 0, 1};
    return runs;
}

std::string written(void (*write)(const ensemble_runs&, const text_sink&), const ensemble_runs& runs) {
    std::string text;
    write(runs, [&text](std::string_view piece) { text += piece; });
    return text;
}

TEST(CsvTables, RunsAreOneLinePerStreamAndGeneration) {
    EXPECT_EQ(written(write_runs_csv, two_streams()),
              "seed,generation,embryos,larvae,adults\n"
              "3,0,0,0,20\n3,1,1680,840,18\n8,0,0,0,20\n8,1,-5,0,19\n");
}

TEST(CsvTables, SummaryHasEveryStatisticOfEveryCount) {
    const auto summary_of = [](const ensemble_runs& runs, const text_sink& sink) {
        write_summary_csv(summarise_ensemble(runs), sink);
    };
    const std::string text = written(summary_of, two_streams());
    const std::string header = text.substr(0, text.find('\n'));
    EXPECT_EQ(header,
              "generation,"
              "embryos_mean,embryos_sd,embryos_min,embryos_p5,embryos_p25,embryos_p50,embryos_p75,embryos_p95,embryos_max,"
              "larvae_mean,larvae_sd,larvae_min,larvae_p5,larvae_p25,larvae_p50,larvae_p75,larvae_p95,larvae_max,"
              "adults_mean,adults_sd,adults_min,adults_p5,adults_p25,adults_p50,adults_p75,adults_p95,adults_max,"
              "extinct_fraction,wrapped_fraction");
    // Generation 1: embryos 1680 and -5 (mean 837.5, sd 842.5), larvae 840
    // and 0, adults 18 and 19; one of the two streams wrapped.
    EXPECT_NE(text.find("\n1,837.5,842.5,-5,79.25,416.25,837.5,1258.75,1595.75,1680,"
                        "420,420,0,42,210,420,630,798,840,"
                        "18.5,0.5,18,18.05,18.25,18.5,18.75,18.95,19,0,0.5\n"),
              std::string::npos)
        << text;
}

TEST(ReportAxes, RoundStepsCoverTheData) {
    struct case_t {
        double low, high;
        int ticks;
        double min_step;
        axis_ticks expected;
    };
    const case_t cases[] = {
        {0, 23, 5, 1, {0, 25, 5}},
        {0, 1538, 5, 1, {0, 2000, 500}},
        {0, 0, 5, 1, {0, 1, 1}},        // nothing but zeros: one step of the minimum
        {0, 3, 5, 1, {0, 3, 1}},        // counts never get fractional ticks
        {0, 80, 8, 1, {0, 80, 10}},
        {-120, 40, 4, 1, {-150, 50, 50}},
        {0, 2.5e9, 5, 1, {0, 2.5e9, 5e8}},
    };
    for (const case_t& c : cases) {
        const axis_ticks axis = round_axis(c.low, c.high, c.ticks, c.min_step);
        EXPECT_DOUBLE_EQ(axis.low, c.expected.low) << c.high;
        EXPECT_DOUBLE_EQ(axis.high, c.expected.high) << c.high;
        EXPECT_DOUBLE_EQ(axis.step, c.expected.step) << c.high;
    }
}

TEST(ReportAxes, TickLabelsStayShort) {
    const std::pair<double, const char*> cases[] = {
        {0, "0"},       {25, "25"},        {9999, "9999"},   {10000, "10k"},  {12500, "12.5k"},
        {1.5e6, "1.5M"}, {3e9, "3G"},      {0.25, "0.25"},   {-50, "-50"},
    };
    for (const auto& [value, label] : cases) EXPECT_EQ(tick_label(value), label) << value;
}

TEST(ReportSamples, FiveStreamsSpreadFromFirstToLast) {
    EXPECT_EQ(sample_streams(1000), (std::vector<std::size_t>{0, 249, 499, 749, 999}));
    EXPECT_EQ(sample_streams(6), (std::vector<std::size_t>{0, 1, 2, 3, 5}));
    EXPECT_EQ(sample_streams(3), (std::vector<std::size_t>{0, 1, 2}));
}

TEST(ReportSvg, NamesTheStreamsParametersAndWraps) {
    const ensemble_runs runs = two_streams();
    parameter_set answers;
    answers.carrying_capacity = 1000;
    answers.fecundity_rate = 1.5;
    answers.max_reproduction_age = 4;
    answers.generations = 1;
    const std::string svg = report_svg(runs, analyse_ensemble(runs), answers);
    EXPECT_TRUE(svg.starts_with("<?xml"));
    EXPECT_TRUE(svg.ends_with("</svg>\n"));
    for (const char* text : {"over 2 streams", "seeds 3,8", "carrying capacity 1000", "fecundity rate 1.5",
                             "max reproduction age 4", "generations 1", "wrapped around 32 bits in 1 of the 2 streams",
                             ">Generation<", ">Adults<", "median"})
        EXPECT_NE(svg.find(text), std::string::npos) << text;
}

TEST(Progress, LineAndDurations) {
    const std::pair<double, const char*> durations[] = {
        {0, "0 s"}, {7.4, "7 s"}, {59.6, "1 min 00 s"}, {125, "2 min 05 s"}, {3725, "1 h 02 min"}};
    for (const auto& [seconds, text] : durations) EXPECT_EQ(format_duration(seconds), text) << seconds;
    EXPECT_EQ(progress_line(0, 1000, 0.2), "0 of 1000 streams, 0 s elapsed");
    EXPECT_EQ(progress_line(250, 1000, 10), "250 of 1000 streams, 10 s elapsed, about 30 s left");
    EXPECT_EQ(progress_line(1000, 1000, 40), "1000 of 1000 streams, 40 s elapsed");
}

}  // namespace
}  // namespace zemrath::results
