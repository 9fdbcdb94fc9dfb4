// zemrath-sweep end to end: the experiment file as users write it, every
// point equal to zemrath-ensemble on the same answers, the errors of the
// file, resuming after a kill, shards and their merge, and the designs with
// sensitivity tables.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "program_runner.hpp"

namespace zemrath::sweep {
namespace {

namespace runner = zemrath::testing;

// A small population: cheap streams, some extinctions.
const std::string answers_text = "0.013\n0.8\n0.5\n400\n2\n0.5\n0.1\n4\n1\n50\n";

// The experiment of the documentation, with fewer seeds and generations.
const std::string grid_experiment = R"(answers = "answers.txt"          # base: the ten answers
seeds = "0-99"
[parameters]
generations = 12
[vary.carrying-capacity]
values = [100, 400, 1600]
[vary.adult-survival]
from = 0.3
to = 0.6
points = 4
scale = "linear"
[design]
kind = "grid"
samples = 64
sample-seed = 1
)";

// A folder with the answers file and the experiment file.
std::filesystem::path experiment_folder(const std::string& experiment) {
    const auto folder = runner::make_scratch_directory();
    std::ofstream(folder / "answers.txt", std::ios::binary) << answers_text;
    std::ofstream(folder / "experiment.toml", std::ios::binary) << experiment;
    return folder;
}

runner::program_result sweep(std::vector<std::string> arguments) {
    arguments.push_back("--quiet");
    return runner::run_program(runner::make_sweep_run(arguments));
}

runner::program_result run_experiment(const std::filesystem::path& folder, const std::filesystem::path& out,
                                      std::vector<std::string> more = {}) {
    std::vector<std::string> arguments = {"run", (folder / "experiment.toml").string(), "--out", out.string()};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return sweep(arguments);
}

using file_contents = std::map<std::string, std::string>;

// The files of the set (not the work folder), by name.
file_contents final_files(const std::filesystem::path& out) {
    file_contents files;
    for (const auto& entry : std::filesystem::directory_iterator(out))
        if (entry.is_regular_file()) files[entry.path().filename().string()] = runner::read_file(entry.path());
    return files;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> fields_of(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, ',');) fields.push_back(field);
    return fields;
}

TEST(Sweep, EveryPointIsTheEnsembleOfItsAnswers) {
    const auto folder = experiment_folder(grid_experiment);
    const auto out = runner::make_scratch_directory() / "out";
    const auto result = run_experiment(folder, out);
    ASSERT_EQ(result.exit_status, 0) << result.standard_error;
    EXPECT_TRUE(result.standard_output.starts_with(
        "points: 12 (grid over carrying-capacity, adult-survival), seeds 0-99\n"))
        << result.standard_output;

    const file_contents files = final_files(out);
    EXPECT_EQ(files.size(), 4u);  // points, summary, outcomes, figure
    const auto points = lines_of(files.at("points.csv"));
    ASSERT_EQ(points.size(), 13u);
    EXPECT_EQ(points[0],
              "point,embryo_larval_survival,max_juvenile_survival,adult_survival,carrying_capacity,"
              "weight_increase_rate,growth_inhibition,weight_at_one_year,max_reproduction_age,fecundity_rate,generations");
    EXPECT_EQ(points[1], "0,0.013,0.8,0.3,100,2,0.5,0.1,4,1,12");
    EXPECT_EQ(points[6], "5,0.013,0.8,0.4,400,2,0.5,0.1,4,1,12");
    EXPECT_EQ(lines_of(files.at("outcomes.csv")).size(), 13u);
    EXPECT_TRUE(files.at("sweep.svg").starts_with("<?xml"));

    const auto summary = lines_of(files.at("summary.csv"));
    ASSERT_EQ(summary.size(), 1u + 12 * 13);
    for (int point : {0, 6, 11}) {
        SCOPED_TRACE(point);
        // zemrath-ensemble with the point's answers as options.
        const auto fields = fields_of(points[static_cast<std::size_t>(point) + 1]);
        const std::vector<std::string> names = {"--embryo-larval-survival", "--max-juvenile-survival", "--adult-survival",
                                                "--carrying-capacity",      "--weight-increase-rate",  "--growth-inhibition",
                                                "--weight-at-one-year",     "--max-reproduction-age",  "--fecundity-rate",
                                                "--generations"};
        const auto ensemble_out = runner::make_scratch_directory() / "ensemble";
        std::vector<std::string> arguments = {"--seeds", "0-99", "--out", ensemble_out.string(), "--no-runs"};
        for (std::size_t i = 0; i < names.size(); ++i) {
            arguments.push_back(names[i]);
            arguments.push_back(fields[i + 1]);
        }
        const auto ensemble = runner::run_program(runner::make_ensemble_run(arguments));
        ASSERT_EQ(ensemble.exit_status, 0) << ensemble.standard_error;
        const auto expected = lines_of(runner::read_file(ensemble_out / "summary.csv"));
        ASSERT_EQ(expected.size(), 14u);
        EXPECT_EQ(summary[0], "point," + expected[0]);
        for (std::size_t g = 0; g < 13; ++g)
            EXPECT_EQ(summary[1 + static_cast<std::size_t>(point) * 13 + g], std::to_string(point) + "," + expected[1 + g]);
    }
}

TEST(Sweep, ExperimentErrorsNameTheFileLineAndKey) {
    struct case_t {
        std::string experiment;
        std::string expected;  // after "<file>:"
    };
    const std::string vary = "[vary.adult-survival]\nvalues = [0.3, 0.6]\n";
    const case_t cases[] = {
        {"answers = \"answers.txt\"\ncolour = 3\n" + vary, "2: colour: unknown key"},
        {"answers = \"answers.txt\"\n[vary.adult-survivl]\nvalues = [0.3]\n",
         "2: vary.adult-survivl: no parameter of that name (did you mean adult-survival?)"},
        {"answers = \"answers.txt\"\n[vary.adult-survival]\nfrom = 0.6\nto = 0.3\npoints = 3\n",
         "2: vary.adult-survival: the range runs from above its end"},
        {"answers = \"answers.txt\"\n[vary.adult-survival]\nfrom = 0.3\nto = 0.6\npoints = 0\n",
         "2: vary.adult-survival: a range needs at least 1 point"},
        {"answers = \"answers.txt\"\n[vary.carrying-capacity]\nfrom = 0\nto = 100\npoints = 3\nscale = \"log\"\n",
         "2: vary.carrying-capacity: a log scale needs ends above 0"},
        {"answers = \"answers.txt\"\n[vary.adult-survival]\nvalues = [0.3, \"0.5x\"]\n",
         "3: vary.adult-survival.values: cannot read '0.5x': Bad real number in item 1 of list input"},
        {"answers = \"answers.txt\"\n[vary.generations]\nvalues = [10, 12.5]\n",
         "3: vary.generations.values: takes whole numbers only"},
        {"answers = \"answers.txt\"\n[parameters]\ngenerations = 5\ngenerations = 6\n" + vary, "4: "},
        {"answers = \"answers.txt\"\n[vary.adult-survival]\nvalues = [0.3]\nspread = 2\n",
         "4: vary.adult-survival.spread: unknown key"},
        {"answers = \"answers.txt\"\n[design]\nkind = \"factorial\"\n" + vary, "3: design.kind: must be"},
        {"answers = \"answers.txt\"\n[design]\nkind = \"sobol\"\n" + vary, "2: design.samples: is needed"},
        {"[parameters]\nadult-survival = 0.5\n" + vary, "1: parameters.embryo-larval-survival: missing"},
        {"answers = \"nowhere.txt\"\n" + vary, "1: answers: cannot open answers file "},
        {"answers = \"answers.txt\"\nseeds = \"0-1000\"\n" + vary, "2: seeds: '0-1000' is not a seed"},
        {"answers = \"answers.txt\"\n", "1: vary: no parameter is varied"},
    };
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.experiment);
        const auto folder = experiment_folder(c.experiment);
        const auto out = runner::make_scratch_directory() / "out";
        const auto result = run_experiment(folder, out);
        EXPECT_EQ(result.exit_status, 2);
        const std::string prefix = "zemrath-sweep: " + (folder / "experiment.toml").string() + ":";
        EXPECT_TRUE(result.standard_error.starts_with(prefix + c.expected)) << result.standard_error;
        EXPECT_FALSE(std::filesystem::exists(out)) << "something was written";
    }
}

TEST(Sweep, UsageErrors) {
    const auto folder = experiment_folder(grid_experiment);
    const std::string experiment = (folder / "experiment.toml").string();
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"run", experiment}, "--out is required"},
        {{"run", experiment, "--out", "o", "--shard", "3/3"}, "--shard: '3/3' is not a shard"},
        {{"run", experiment, "--out", "o", "--threads", "x"}, "--threads: 'x' is not a number"},
        {{"run", experiment, "--out", "o", "--shards", "1/2"}, "unknown option --shards (did you mean --shard?)"},
        {{"merge"}, "merge needs the output directory"},
        {{}, "give a command"},
    };
    for (const auto& [arguments, message] : cases) {
        const auto result = runner::run_program(runner::make_sweep_run(arguments));
        EXPECT_EQ(result.exit_status, 2) << message;
        EXPECT_NE(result.standard_error.find(message), std::string::npos) << result.standard_error;
    }
    const auto version = runner::run_program(runner::make_sweep_run({"--version"}));
    EXPECT_EQ(version.exit_status, 0);
    EXPECT_TRUE(version.standard_output.starts_with("zemrath-sweep 0.")) << version.standard_output;
}

// Waits until the work folder keeps at least `count` points.
bool points_kept(const std::filesystem::path& out, int count) {
    for (int tries = 0; tries < 20000; ++tries) {
        int kept = 0;
        if (std::filesystem::exists(out / "work"))
            for (const auto& entry : std::filesystem::directory_iterator(out / "work"))
                kept += entry.path().filename().string().starts_with("point-") ? 1 : 0;
        if (kept >= count) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

TEST(Sweep, AKilledRunGoesOnAndWritesTheSameFiles) {
    const auto folder = experiment_folder(grid_experiment);
    const auto whole = runner::make_scratch_directory() / "whole";
    ASSERT_EQ(run_experiment(folder, whole).exit_status, 0);

    for (const int signal : {SIGKILL, SIGINT}) {
        SCOPED_TRACE(signal);
        const auto out = runner::make_scratch_directory() / "out";
        const runner::started_program started = runner::start_program(runner::make_sweep_run(
            {"run", (folder / "experiment.toml").string(), "--out", out.string(), "--quiet", "--threads", "1"}));
        ASSERT_TRUE(points_kept(out, 3));
        ::kill(started.pid, signal);
        const auto stopped = runner::finish_program(started);
        if (signal == SIGINT) {
            EXPECT_EQ(stopped.exit_status, 130) << stopped.standard_error;
            EXPECT_NE(stopped.standard_error.find("the same command goes on"), std::string::npos) << stopped.standard_error;
        }
        EXPECT_FALSE(std::filesystem::exists(out / "summary.csv"));
        const auto again = run_experiment(folder, out);
        ASSERT_EQ(again.exit_status, 0) << again.standard_error;
        EXPECT_EQ(final_files(out), final_files(whole));
    }
}

TEST(Sweep, ShardsMergeIntoTheFilesOfOneRun) {
    const auto folder = experiment_folder(grid_experiment);
    const auto whole = runner::make_scratch_directory() / "whole";
    ASSERT_EQ(run_experiment(folder, whole).exit_status, 0);

    const auto out = runner::make_scratch_directory() / "out";
    for (const char* shard : {"0/3", "2/3"}) {
        const auto result = run_experiment(folder, out, {"--shard", shard});
        ASSERT_EQ(result.exit_status, 0) << result.standard_error;
        EXPECT_NE(result.standard_output.find("4 points run"), std::string::npos) << result.standard_output;
    }
    const auto early = sweep({"merge", out.string()});
    EXPECT_EQ(early.exit_status, 1);
    EXPECT_NE(early.standard_error.find("missing points 1,4,7,10 (4 of 12)"), std::string::npos) << early.standard_error;
    EXPECT_FALSE(std::filesystem::exists(out / "summary.csv"));

    ASSERT_EQ(run_experiment(folder, out, {"--shard", "1/3"}).exit_status, 0);
    const auto merged = sweep({"merge", out.string()});
    ASSERT_EQ(merged.exit_status, 0) << merged.standard_error;
    EXPECT_EQ(final_files(out), final_files(whole));
}

TEST(Sweep, AnotherExperimentInTheSameFolderNeedsRestart) {
    const auto folder = experiment_folder(grid_experiment);
    const auto out = runner::make_scratch_directory() / "out";
    ASSERT_EQ(run_experiment(folder, out).exit_status, 0);
    std::string changed = grid_experiment;
    changed.replace(changed.find("[100, 400, 1600]"), 16, "[100, 800]");
    std::ofstream(folder / "experiment.toml", std::ios::binary) << changed;
    const file_contents before = final_files(out);
    const auto refused = run_experiment(folder, out);
    EXPECT_EQ(refused.exit_status, 2);
    EXPECT_NE(refused.standard_error.find("holds the points of another experiment"), std::string::npos)
        << refused.standard_error;
    EXPECT_EQ(final_files(out), before);
    const auto restarted = run_experiment(folder, out, {"--restart"});
    ASSERT_EQ(restarted.exit_status, 0) << restarted.standard_error;
    EXPECT_EQ(lines_of(runner::read_file(out / "points.csv")).size(), 1u + 8);
}

TEST(Sweep, DesignsWithSensitivityTables) {
    struct case_t {
        const char* design;
        std::size_t points;
        const char* header;
        std::size_t rows;
        const char* figure;
    };
    const case_t cases[] = {
        {"kind = \"one-at-a-time\"", 1 + 3 + 2, "parameter,outcome,low_value,high_value,at_base,at_low,at_high", 2 * 7,
         "one parameter at a time"},
        {"kind = \"sobol\"\nsamples = 8\nsample-seed = 5", 8 * 4,
         "parameter,outcome,first_order,first_order_low,first_order_high,total_order,total_order_low,total_order_high",
         2 * 7, "Sensitivity of the share of streams extinct"},
        {"kind = \"latin-hypercube\"\nsamples = 6", 6, nullptr, 0, "against each varied parameter"},
    };
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.design);
        const auto folder = experiment_folder(
            "answers = \"answers.txt\"\nseeds = \"0-19\"\n[parameters]\ngenerations = 8\n"
            "[vary.carrying-capacity]\nvalues = [100, 400, 1600]\nfrom = 100\n"
            "[vary.adult-survival]\nfrom = 0.3\nto = 0.6\npoints = 2\n[design]\n" +
            std::string(c.design) + "\n");
        // Values with from: refused; the table gives one or the other.
        ASSERT_EQ(run_experiment(folder, runner::make_scratch_directory() / "x").exit_status, 2);
        std::string text = runner::read_file(folder / "experiment.toml");
        text.erase(text.find("from = 100\n"), 11);
        std::ofstream(folder / "experiment.toml", std::ios::binary) << text;

        const auto out = runner::make_scratch_directory() / "out";
        const auto result = run_experiment(folder, out);
        ASSERT_EQ(result.exit_status, 0) << result.standard_error;
        EXPECT_EQ(lines_of(runner::read_file(out / "points.csv")).size(), 1 + c.points);
        EXPECT_EQ(lines_of(runner::read_file(out / "outcomes.csv")).size(), 1 + c.points);
        if (c.header == nullptr) {
            EXPECT_FALSE(std::filesystem::exists(out / "sensitivity.csv"));
        } else {
            const auto sensitivity = lines_of(runner::read_file(out / "sensitivity.csv"));
            ASSERT_EQ(sensitivity.size(), 1 + c.rows);
            EXPECT_EQ(sensitivity[0], c.header);
            EXPECT_TRUE(sensitivity[1].starts_with("carrying-capacity,extinct_fraction,")) << sensitivity[1];
        }
        EXPECT_NE(runner::read_file(out / "sweep.svg").find(c.figure), std::string::npos);
    }
}

}  // namespace
}  // namespace zemrath::sweep
