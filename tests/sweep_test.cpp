// zemrath-sweep end to end: the experiment file as users write it, every
// point equal to zemrath-ensemble on the same answers, the errors of the
// file, resuming after a kill, shards and their merge, and the designs with
// sensitivity tables.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <numeric>
#include <regex>
#include <sstream>
#include <thread>

#include "program_runner.hpp"
#include "results/svg_plot.hpp"
#include "sweep/content_hash.hpp"

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
    EXPECT_EQ(files.size(), 5u);  // points, summary, outcomes, variance shares, figure
    {
        // The adults' split, worked out from each point's mean and standard
        // deviation over its streams at the last generation in summary.csv.
        const auto summary = lines_of(files.at("summary.csv"));
        const auto header = fields_of(summary[0]);
        const auto column = [&](const char* name) {
            return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
        };
        std::vector<double> means, variances;
        for (const std::string& line : summary)
            if (const auto f = fields_of(line); f[1] == "12") {
                means.push_back(std::stod(f[column("adults_mean")]));
                variances.push_back(std::pow(std::stod(f[column("adults_sd")]), 2));
            }
        ASSERT_EQ(means.size(), 12u);
        const double grand = std::accumulate(means.begin(), means.end(), 0.0) / 12;
        double between = 0;
        for (double m : means) between += (m - grand) * (m - grand) / 12;
        const double within = std::accumulate(variances.begin(), variances.end(), 0.0) / 12;
        const auto shares = lines_of(files.at("variance-share.csv"));
        ASSERT_EQ(shares.size(), 3u);
        EXPECT_EQ(shares[0], "outcome,total_variance,points_share,streams_share");
        EXPECT_TRUE(shares[1].starts_with("extinct_fraction,")) << shares[1];
        const auto adults = fields_of(shares[2]);
        ASSERT_EQ(adults.size(), 4u);
        EXPECT_EQ(adults[0], "adults_mean");
        EXPECT_NEAR(std::stod(adults[1]), between + within, 1e-9 * (between + within));
        EXPECT_NEAR(std::stod(adults[3]), within / (between + within), 1e-9);
        EXPECT_NE(result.standard_output.find("the streams' share of the adults' variance at the last generation: "),
                  std::string::npos);
    }
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
        {"answers = \"answers.txt\"\n[design]\nkind = \"morris\"\n" + vary, "2: design.trajectories: is needed"},
        {"answers = \"answers.txt\"\n[design]\nkind = \"morris\"\ntrajectories = 4\nlevels = 5\n" + vary,
         "5: design.levels: must be even"},
        {"answers = \"answers.txt\"\n[design]\nkind = \"morris\"\ntrajectories = 4\nselect-from = 3\n" + vary,
         "5: design.select-from: must be from 4 to 1000"},
        {"answers = \"answers.txt\"\n[design]\nkind = \"efast\"\nsamples = 64\n" + vary,
         "4: design.samples: must be from 65 to"},
        {"answers = \"answers.txt\"\n[design]\nkind = \"efast\"\nsamples = 65\nresamples = 0\n" + vary,
         "5: design.resamples: must be from 1 to"},
        {"[parameters]\nadult-survival = 0.5\n" + vary, "1: parameters.embryo-larval-survival: missing"},
        {"answers = \"nowhere.txt\"\n" + vary, "1: answers: cannot open answers file "},
        {"answers = \"answers.txt\"\nseeds = \"0-1000\"\n" + vary, "2: seeds: '0-1000' is not a seed"},
        {"answers = \"answers.txt\"\n", "1: vary: no parameter is varied"},
        // Too large to hold, refused before a point is made, by the key that makes it so.
        {"answers = \"answers.txt\"\n[vary.adult-survival]\nfrom = 0.3\nto = 0.6\npoints = 1000000000\n",
         "5: vary.adult-survival.points: the design would have 1000000000 points, more than this machine's memory"},
        {"answers = \"answers.txt\"\n[vary.adult-survival]\nvalues = [0.3]\n[vary.carrying-capacity]\nfrom = 1\n"
         "to = 9\npoints = 2147483647\n[vary.generations]\nfrom = 1\nto = 9\npoints = 2147483647\n",
         "7: vary.carrying-capacity.points: the design would have 4611686014132420609 points"},
        {"answers = \"answers.txt\"\n[design]\nkind = \"sobol\"\nsamples = 100000000\n"
         "[vary.adult-survival]\nfrom = 0.3\nto = 0.6\n[vary.carrying-capacity]\nfrom = 1\nto = 9\n"
         "[vary.generations]\nfrom = 1\nto = 9\n[vary.fecundity-rate]\nfrom = 1\nto = 9\n"
         "[vary.growth-inhibition]\nfrom = 0.1\nto = 0.9\n[vary.weight-at-one-year]\nfrom = 0.1\nto = 0.9\n"
         "[vary.weight-increase-rate]\nfrom = 1\nto = 3\n[vary.max-juvenile-survival]\nfrom = 0.1\nto = 0.9\n",
         "4: design.samples: the design would have 1000000000 points"},
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
        {{"run", experiment, "--out", "o", "--figure-outcome", "adults_men"},
         "--figure-outcome: 'adults_men' is not an outcome of outcomes.csv (did you mean adults_mean?)"},
        {{"run", experiment, "--out", "o", "--figure-outcome", "x"},
         "--figure-outcome: 'x' is not an outcome of outcomes.csv (one of extinct_fraction, adults_mean,"},
        {{"run", experiment, "--out", "o", "--figure-generation", "-1"}, "--figure-generation: -1 is not from 0 to"},
        {{"run", experiment, "--out", "o", "--figure-generation", "5", "--figure-outcome", "wrapped_fraction"},
         "--figure-generation: wrapped_fraction is known for each point's whole run only"},
        {{"merge", "o", "--figure-outcome", "median_extinction_generation", "--figure-generation", "1"},
         "--figure-generation: median_extinction_generation is known for each point's whole run only"},
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

// The text of every <text> element of an SVG document, in order.
std::vector<std::string> svg_texts(const std::string& svg) {
    std::vector<std::string> texts;
    const std::regex text("<text[^>]*>([^<]*)</text>");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), text); it != std::sregex_iterator(); ++it)
        texts.push_back((*it)[1]);
    return texts;
}

bool has_text(const std::vector<std::string>& texts, const std::string& wanted) {
    return std::find(texts.begin(), texts.end(), wanted) != texts.end();
}

TEST(Sweep, OutcomesCarryThePointsVariedParameters) {
    const auto folder = experiment_folder(grid_experiment);
    const auto out = runner::make_scratch_directory() / "out";
    ASSERT_EQ(run_experiment(folder, out).exit_status, 0);
    const auto outcomes = lines_of(runner::read_file(out / "outcomes.csv"));
    const auto points = lines_of(runner::read_file(out / "points.csv"));
    ASSERT_EQ(outcomes.size(), points.size());
    EXPECT_EQ(outcomes[0],
              "point,carrying_capacity,adult_survival,extinct_fraction,adults_mean,adults_p5,adults_p50,adults_p95,"
              "median_extinction_generation,wrapped_fraction");
    // The columns of points.csv named alike hold the same text.
    const auto point_header = fields_of(points[0]);
    for (std::size_t row = 1; row < outcomes.size(); ++row) {
        const auto fields = fields_of(outcomes[row]);
        const auto point = fields_of(points[row]);
        EXPECT_EQ(fields[0], point[0]);
        for (std::size_t column : {std::size_t{1}, std::size_t{2}}) {
            const std::string name = fields_of(outcomes[0])[column];
            const auto at = std::find(point_header.begin(), point_header.end(), name) - point_header.begin();
            EXPECT_EQ(fields[column], point[static_cast<std::size_t>(at)]) << name;
        }
    }
}

TEST(Sweep, FiguresNameTheParametersWithUnitsTheOutcomeAndTheGeneration) {
    const auto folder = experiment_folder(grid_experiment);
    const auto out = runner::make_scratch_directory() / "out";
    const auto first = run_experiment(folder, out);
    ASSERT_EQ(first.exit_status, 0);
    const file_contents plain = final_files(out);
    const std::vector<std::string> texts = svg_texts(plain.at("sweep.svg"));
    EXPECT_TRUE(has_text(texts, "Share of streams extinct at generation 12"));
    EXPECT_TRUE(has_text(texts, "Adult survival probability (per year)"));
    // The rows' title is broken into lines to fit beside three rows.
    EXPECT_TRUE(has_text(texts, "Carrying capacity") && has_text(texts, "(individuals)"));

    // Another outcome at another generation: each cell the point's value of
    // that generation's line in summary.csv, the other files as they were.
    const auto again = runner::make_scratch_directory() / "again";
    const auto figured = run_experiment(folder, again, {"--figure-generation", "5"});
    ASSERT_EQ(figured.exit_status, 0) << figured.standard_error;
    std::string printed = first.standard_output;
    printed.replace(printed.find(out.string()), out.string().size(), again.string());
    EXPECT_EQ(figured.standard_output, printed);
    file_contents files = final_files(again);
    const std::vector<std::string> at_5 = svg_texts(files.at("sweep.svg"));
    EXPECT_TRUE(has_text(at_5, "Share of streams extinct at generation 5"));
    const auto summary = lines_of(files.at("summary.csv"));
    const auto columns = fields_of(summary[0]);
    const auto extinct = static_cast<std::size_t>(std::find(columns.begin(), columns.end(), "extinct_fraction") - columns.begin());
    std::vector<std::string> cells;
    for (const std::string& line : summary) {
        const auto fields = fields_of(line);
        if (fields[1] == "5") cells.push_back(results::share_label(std::stod(fields[extinct])));
    }
    ASSERT_EQ(cells.size(), 12u);
    auto from = at_5.begin();
    for (const std::string& cell : cells) {
        from = std::find(from, at_5.end(), cell);
        ASSERT_NE(from, at_5.end()) << cell;
        ++from;
    }
    files.erase("sweep.svg");
    file_contents others = plain;
    others.erase("sweep.svg");
    EXPECT_EQ(files, others);

    const auto mean = runner::make_scratch_directory() / "mean";
    ASSERT_EQ(run_experiment(folder, mean, {"--figure-outcome", "adults_mean"}).exit_status, 0);
    EXPECT_TRUE(has_text(svg_texts(runner::read_file(mean / "sweep.svg")), "Mean adults over the streams at generation 12"));
    // merge draws what it is asked to draw, from the kept points.
    ASSERT_EQ(sweep({"merge", mean.string(), "--figure-outcome", "adults_p50", "--figure-generation", "3"}).exit_status, 0);
    EXPECT_TRUE(has_text(svg_texts(runner::read_file(mean / "sweep.svg")), "Median adults over the streams at generation 3"));

    // A generation no point runs is refused before anything runs or is written.
    const auto beyond = runner::make_scratch_directory() / "beyond";
    const auto refused = run_experiment(folder, beyond, {"--figure-generation", "13"});
    EXPECT_EQ(refused.exit_status, 2);
    EXPECT_NE(refused.standard_error.find("--figure-generation 13: no point of the experiment runs that many generations "
                                          "(the most is 12)"),
              std::string::npos)
        << refused.standard_error;
    EXPECT_FALSE(std::filesystem::exists(beyond));
}

TEST(Sweep, LogRangesGivePointsAndTicksAsPeopleWriteThem) {
    const auto folder = experiment_folder(
        "answers = \"answers.txt\"\nseeds = \"0-9\"\n[parameters]\ngenerations = 4\n"
        "[vary.carrying-capacity]\nfrom = 50\nto = 3200\npoints = 7\nscale = \"log\"\n");
    const auto out = runner::make_scratch_directory() / "out";
    ASSERT_EQ(run_experiment(folder, out).exit_status, 0);
    std::vector<std::string> capacities;
    for (const std::string& line : lines_of(runner::read_file(out / "points.csv"))) capacities.push_back(fields_of(line)[4]);
    EXPECT_EQ(capacities, (std::vector<std::string>{"carrying_capacity", "50", "100", "200", "400", "800", "1600", "3200"}));
    const std::vector<std::string> texts = svg_texts(runner::read_file(out / "sweep.svg"));
    for (const char* tick : {"50", "100", "200", "500", "1000", "2000"}) EXPECT_TRUE(has_text(texts, tick)) << tick;
    EXPECT_TRUE(has_text(texts, "Carrying capacity (individuals), log scale"));
    EXPECT_TRUE(has_text(texts, "Adults and share of streams extinct at generation 4"));
    for (const std::string& text : texts) EXPECT_FALSE(std::regex_search(text, std::regex("[0-9]e[+-]"))) << text;
}

TEST(Sweep, AnIndexOfAnOutcomeThatDoesNotVaryIsSaidToBeSo) {
    // Large populations over few generations: no stream dies out anywhere.
    const auto folder = experiment_folder(
        "answers = \"answers.txt\"\nseeds = \"0-9\"\n[parameters]\ngenerations = 4\nadult-survival = 0.9\n"
        "carrying-capacity = 4000\n[vary.growth-inhibition]\nfrom = 0.4\nto = 0.6\n[vary.weight-at-one-year]\n"
        "from = 0.09\nto = 0.11\n[design]\nkind = \"sobol\"\nsamples = 8\n");
    const auto out = runner::make_scratch_directory() / "out";
    const auto result = run_experiment(folder, out);
    ASSERT_EQ(result.exit_status, 0) << result.standard_error;
    EXPECT_NE(result.standard_output.find("extinct_fraction, growth-inhibition: no index: extinct_fraction does not vary\n"
                                          "extinct_fraction, weight-at-one-year: no index: extinct_fraction does not vary\n"),
              std::string::npos)
        << result.standard_output;
    EXPECT_EQ(result.standard_output.find("nan"), std::string::npos);
    for (const std::string& line : lines_of(runner::read_file(out / "sensitivity.csv")))
        if (line.find(",extinct_fraction,") != std::string::npos) {
            EXPECT_TRUE(line.ends_with(",,,,,,")) << line;
        }
    EXPECT_TRUE(has_text(svg_texts(runner::read_file(out / "sweep.svg")), "no index: the share of streams extinct does not vary"));
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

TEST(Sweep, ScreeningAndSpectralDesignsSurviveKillsAndShards) {
    for (const char* design : {"kind = \"morris\"\ntrajectories = 6\nlevels = 6\nselect-from = 30\nsample-seed = 3",
                               "kind = \"efast\"\nsamples = 65\nresamples = 2\nsample-seed = 3"}) {
        SCOPED_TRACE(design);
        const auto folder = experiment_folder(
            "answers = \"answers.txt\"\nseeds = \"0-29\"\n[parameters]\ngenerations = 20\n"
            "[vary.carrying-capacity]\nfrom = 100\nto = 1600\nscale = \"log\"\n"
            "[vary.adult-survival]\nfrom = 0.3\nto = 0.6\n[design]\n" +
            std::string(design) + "\n");
        const auto whole = runner::make_scratch_directory() / "whole";
        ASSERT_EQ(run_experiment(folder, whole).exit_status, 0);
        EXPECT_TRUE(std::filesystem::exists(whole / "sensitivity.csv"));

        const auto killed = runner::make_scratch_directory() / "killed";
        const runner::started_program started = runner::start_program(runner::make_sweep_run(
            {"run", (folder / "experiment.toml").string(), "--out", killed.string(), "--quiet", "--threads", "1"}));
        ASSERT_TRUE(points_kept(killed, 3));
        ::kill(started.pid, SIGKILL);
        runner::finish_program(started);
        ASSERT_EQ(run_experiment(folder, killed).exit_status, 0);
        EXPECT_EQ(final_files(killed), final_files(whole));

        const auto sharded = runner::make_scratch_directory() / "sharded";
        for (const char* shard : {"1/2", "0/2"}) ASSERT_EQ(run_experiment(folder, sharded, {"--shard", shard}).exit_status, 0);
        ASSERT_EQ(sweep({"merge", sharded.string()}).exit_status, 0);
        EXPECT_EQ(final_files(sharded), final_files(whole));
    }
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
        {"kind = \"latin-hypercube\"\nsamples = 6", 6, "parameter,outcome,prcc,prcc_p_value", 2 * 7,
         "Partial rank correlation with the share of streams extinct"},
        {"kind = \"morris\"\ntrajectories = 4\nselect-from = 10", 4 * 3,
         "parameter,outcome,mu,mu_star,sigma,mu_star_low,mu_star_high", 2 * 7, "Screening of the share of streams extinct"},
        {"kind = \"efast\"\nsamples = 65\nresamples = 2", 65 * 2 * 2,
         "parameter,outcome,first_order,first_order_low,first_order_high,total_order,total_order_low,total_order_high",
         2 * 7, "95% interval over the phases"},
        {"kind = \"grid\"", 3 * 2, nullptr, 0, "Share of streams extinct"},
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

        // Sobol, Morris and eFAST designs follow their indices over the
        // generations, and at the last one they are those of sensitivity.csv.
        const bool over_time = c.design[8] == 's' || c.design[8] == 'm' || c.design[8] == 'e';
        ASSERT_EQ(std::filesystem::exists(out / "sensitivity-by-generation.csv"), over_time);
        EXPECT_EQ(std::filesystem::exists(out / "sensitivity-by-generation.svg"), over_time);
        if (!over_time) continue;
        const auto by_generation = lines_of(runner::read_file(out / "sensitivity-by-generation.csv"));
        EXPECT_EQ(by_generation[0], "generation," + std::string(c.header));
        EXPECT_EQ(by_generation.size(), 1 + 9 * 2 * 2);  // generations 0 to 8, two parameters, two outcomes
        const auto sensitivity = lines_of(runner::read_file(out / "sensitivity.csv"));
        std::size_t compared = 0;
        for (const std::string& line : by_generation) {
            if (!line.starts_with("8,")) continue;
            EXPECT_NE(std::find(sensitivity.begin(), sensitivity.end(), line.substr(2)), sensitivity.end()) << line;
            ++compared;
        }
        EXPECT_EQ(compared, 4u);
    }
}

// Four points with enough generations that each record has more than twenty
// lines.
const std::string small_grid = R"(answers = "answers.txt"
seeds = "0-19"
[parameters]
generations = 30
[vary.carrying-capacity]
values = [100, 400]
[vary.adult-survival]
values = [0.3, 0.6]
)";

// The same grid over other seeds: another experiment.
std::string other_experiment(std::string experiment) {
    return experiment.replace(experiment.find("seeds = \"0-19\""), 14, "seeds = \"0-9\" ");
}

void write_bytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Names in the folder (and its folders) that the tools give temporary files.
std::vector<std::string> temporary_names(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.path().filename().string().find(".zemrath-") != std::string::npos)
            names.push_back(entry.path().string());
    return names;
}

struct damage_case {
    const char* name;
    // Puts a damaged point-2.txt in place, from the sound record and one of
    // another experiment.
    std::function<void(const std::filesystem::path& point, std::string sound, const std::string& foreign)> apply;
    const char* reason;  // after the file's name
};

std::string first_lines(const std::string& text, int count) {
    std::size_t end = 0;
    for (int line = 0; line < count; ++line) end = text.find('\n', end) + 1;
    return text.substr(0, end);
}

const damage_case damage_cases[] = {
    {"lost its last newline", [](const auto& p, std::string s, const auto&) { s.pop_back(); write_bytes(p, s); },
     "does not end with a whole line"},
    {"NUL bytes appended", [](const auto& p, std::string s, const auto&) { write_bytes(p, s + std::string(4, '\0')); },
     "does not end with a whole line"},
    {"cut to 20 lines", [](const auto& p, std::string s, const auto&) { write_bytes(p, first_lines(s, 20)); },
     "does not end with its checksum line"},
    {"cut to 1 line", [](const auto& p, std::string s, const auto&) { write_bytes(p, first_lines(s, 1)); },
     "does not end with its checksum line"},
    {"one digit changed",
     [](const auto& p, std::string s, const auto&) {
         const std::size_t digit = s.find_first_of("123456789", s.find('\n', s.find('\n') + 1));
         s[digit] = s[digit] == '9' ? '8' : static_cast<char>(s[digit] + 1);
         write_bytes(p, s);
     },
     "does not match its checksum"},
    {"a line of commas", [](const auto& p, std::string, const auto&) { write_bytes(p, ",,,,,,\n"); },
     "does not end with its checksum line"},
    {"a point of another experiment", [](const auto& p, std::string, const auto& f) { write_bytes(p, f); },
     "is a point of another experiment"},
    {"an empty file", [](const auto& p, std::string, const auto&) { write_bytes(p, ""); }, "is empty"},
    {"a directory in its place",
     [](const auto& p, std::string, const auto&) {
         std::filesystem::remove(p);
         std::filesystem::create_directories(p / "inside");
     },
     "is a directory, not a kept point"},
};

TEST(Sweep, DamagedKeptPointsAreNamedSetAsideAndRunAgain) {
    const auto folder = experiment_folder(small_grid);
    const auto whole = runner::make_scratch_directory() / "whole";
    ASSERT_EQ(run_experiment(folder, whole).exit_status, 0);
    const std::string sound = runner::read_file(whole / "work" / "point-2.txt");
    const auto other_folder = experiment_folder(other_experiment(small_grid));
    const auto other = runner::make_scratch_directory() / "other";
    ASSERT_EQ(run_experiment(other_folder, other).exit_status, 0);
    const std::string foreign = runner::read_file(other / "work" / "point-2.txt");

    for (const damage_case& c : damage_cases) {
        SCOPED_TRACE(c.name);
        const auto out = runner::make_scratch_directory() / "out";
        ASSERT_EQ(run_experiment(folder, out).exit_status, 0);
        const auto point = out / "work" / "point-2.txt";
        const std::string named = "point 2 is damaged: " + point.string() + " " + c.reason;

        // A merge names it, sets it aside and writes nothing.
        for (const char* name : {"summary.csv", "outcomes.csv"}) std::filesystem::remove(out / name);
        c.apply(point, sound, foreign);
        const auto merged = sweep({"merge", out.string()});
        EXPECT_EQ(merged.exit_status, 1);
        EXPECT_NE(merged.standard_error.find(named), std::string::npos) << merged.standard_error;
        EXPECT_NE(merged.standard_error.find("missing points 2 (1 of 4, 1 of them damaged and set aside)"),
                  std::string::npos)
            << merged.standard_error;
        EXPECT_FALSE(std::filesystem::exists(out / "summary.csv"));
        EXPECT_TRUE(std::filesystem::exists(out / "work" / "damaged" / "point-2.txt"));
        EXPECT_FALSE(std::filesystem::exists(point));

        // A run names it, sets it aside beside the first and runs it again.
        c.apply(point, sound, foreign);
        const auto again = run_experiment(folder, out);
        ASSERT_EQ(again.exit_status, 0) << again.standard_error;
        EXPECT_NE(again.standard_error.find(named), std::string::npos) << again.standard_error;
        EXPECT_NE(again.standard_error.find("damaged/point-2.txt.2; it is run again"), std::string::npos)
            << again.standard_error;
        EXPECT_EQ(runner::read_file(point), sound);
        EXPECT_EQ(final_files(out), final_files(whole));
        const auto merged_again = sweep({"merge", out.string()});
        EXPECT_EQ(merged_again.exit_status, 0) << merged_again.standard_error;
        EXPECT_EQ(final_files(out), final_files(whole));
    }
}

TEST(Sweep, PointsOfAnotherExperimentAreNeverTakenForThisOnes) {
    const auto folder = experiment_folder(small_grid);
    const auto other_folder = experiment_folder(other_experiment(small_grid));
    const auto alone = runner::make_scratch_directory() / "alone";
    ASSERT_EQ(run_experiment(other_folder, alone).exit_status, 0);

    // The identity file lost: the points say whose they are.
    const auto out = runner::make_scratch_directory() / "out";
    ASSERT_EQ(run_experiment(folder, out).exit_status, 0);
    const std::string identity = runner::read_file(out / "work" / "identity.txt");
    const file_contents before = final_files(out);
    std::filesystem::remove(out / "work" / "identity.txt");
    const auto refused = run_experiment(other_folder, out);
    EXPECT_EQ(refused.exit_status, 2);
    EXPECT_NE(refused.standard_error.find("holds the points of another experiment (" + (out / "work").string() +
                                          " has no identity file"),
              std::string::npos)
        << refused.standard_error;
    EXPECT_EQ(final_files(out), before);
    // Its own points rebuild the identity.
    const auto rebuilt = run_experiment(folder, out);
    ASSERT_EQ(rebuilt.exit_status, 0) << rebuilt.standard_error;
    EXPECT_EQ(runner::read_file(out / "work" / "identity.txt"), identity);
    EXPECT_EQ(final_files(out), before);

    // An edited identity file is said to be one, set aside and rebuilt.
    std::string edited = identity;
    edited.replace(edited.find("seeds 0-19"), 10, "seeds 0-29");
    write_bytes(out / "work" / "identity.txt", edited);
    const auto repaired = sweep({"merge", out.string()});
    ASSERT_EQ(repaired.exit_status, 0) << repaired.standard_error;
    EXPECT_NE(repaired.standard_error.find((out / "work" / "identity.txt").string() +
                                           " was edited or is damaged: its content does not match its checksum"),
              std::string::npos)
        << repaired.standard_error;
    EXPECT_EQ(runner::read_file(out / "work" / "identity.txt"), identity);
    EXPECT_EQ(runner::read_file(out / "work" / "damaged" / "identity.txt"), edited);

    // A sound identity of another version is named as such.
    std::string older = identity.substr(0, identity.rfind("sha256 "));
    older.replace(0, older.find('\n'), "zemrath-sweep 0.0.1");
    write_bytes(out / "work" / "identity.txt", older + "sha256 " + content_hash(older) + "\n");
    const auto other_version = run_experiment(folder, out);
    EXPECT_EQ(other_version.exit_status, 2);
    EXPECT_NE(other_version.standard_error.find("holds the points of version 0.0.1 of the program (this is "),
              std::string::npos)
        << other_version.standard_error;

    // --restart discards every old point: the result is the other
    // experiment's alone.
    const auto restarted = run_experiment(other_folder, out, {"--restart"});
    ASSERT_EQ(restarted.exit_status, 0) << restarted.standard_error;
    EXPECT_EQ(final_files(out), final_files(alone));
    EXPECT_TRUE(temporary_names(out).empty());
}

TEST(Sweep, ARunWhoseFolderIsTakenOverStopsAndMixesNothing) {
    // A slow run of one experiment; another restarts the folder under it.
    const auto slow_folder = experiment_folder(R"(answers = "answers.txt"
seeds = "0-199"
[parameters]
generations = 100
[vary.carrying-capacity]
from = 100
to = 1000
points = 40
)");
    const auto folder = experiment_folder(small_grid);
    const auto alone = runner::make_scratch_directory() / "alone";
    ASSERT_EQ(run_experiment(folder, alone).exit_status, 0);

    const auto out = runner::make_scratch_directory() / "out";
    const runner::started_program slow = runner::start_program(runner::make_sweep_run(
        {"run", (slow_folder / "experiment.toml").string(), "--out", out.string(), "--quiet", "--threads", "1"}));
    ASSERT_TRUE(points_kept(out, 2));
    const auto restarted = run_experiment(folder, out, {"--restart"});
    const auto stopped = runner::finish_program(slow);
    ASSERT_EQ(restarted.exit_status, 0) << restarted.standard_error;
    EXPECT_EQ(stopped.exit_status, 1) << stopped.standard_error;
    EXPECT_NE(stopped.standard_error.find("was discarded by another run (--restart) while this one ran"),
              std::string::npos)
        << stopped.standard_error;
    EXPECT_EQ(final_files(out), final_files(alone));
    const auto merged = sweep({"merge", out.string()});
    EXPECT_EQ(merged.exit_status, 0) << merged.standard_error;
    EXPECT_EQ(final_files(out), final_files(alone));
}

// Waits until an entry whose name starts with prefix shows in the folder.
bool entry_appears(const std::filesystem::path& folder, const std::string& prefix) {
    for (int tries = 0; tries < 400000; ++tries) {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
            if (entry.path().filename().string().starts_with(prefix)) return true;
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    return false;
}

TEST(Sweep, KillsDuringRestartAndTheFinalWriteLeaveNothingMixedOrBehind) {
    // Long records, so that the final write takes a while.
    std::string long_grid = small_grid;
    long_grid.replace(long_grid.find("generations = 30"), 16, "generations = 2000");
    const auto folder = experiment_folder(long_grid);
    const auto other_folder = experiment_folder(other_experiment(long_grid));
    const auto whole = runner::make_scratch_directory() / "whole";
    ASSERT_EQ(run_experiment(other_folder, whole).exit_status, 0);
    const auto first = runner::make_scratch_directory() / "first";
    ASSERT_EQ(run_experiment(folder, first).exit_status, 0);

    // Killed while --restart removes the old points (many of them).
    const auto out = runner::make_scratch_directory() / "out";
    ASSERT_EQ(run_experiment(folder, out).exit_status, 0);
    for (int i = 0; i < 20000; ++i) write_bytes(out / "work" / ("old-" + std::to_string(i) + ".txt"), "old");
    const auto restart_run = [&] {
        return runner::make_sweep_run(
            {"run", (other_folder / "experiment.toml").string(), "--out", out.string(), "--quiet", "--restart"});
    };
    // Killed once the old folder is renamed away, while it is being removed.
    runner::started_program started = runner::start_program(restart_run());
    bool removing = false;
    for (int tries = 0; tries < 400000 && !removing; ++tries) {
        removing = !std::filesystem::exists(out / "work");
        if (!removing) std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    EXPECT_TRUE(removing);
    ::kill(started.pid, SIGKILL);
    runner::finish_program(started);
    EXPECT_FALSE(temporary_names(out).empty()) << "the kill came after the clean-up";
    const auto resumed = run_experiment(other_folder, out);
    ASSERT_EQ(resumed.exit_status, 0) << resumed.standard_error;
    EXPECT_EQ(final_files(out), final_files(whole));
    EXPECT_EQ(temporary_names(out), std::vector<std::string>{});

    // Killed while the final files are written: the earlier set or the new
    // one, never a mix, and the next run leaves no temporary file behind.
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        const auto set = runner::make_scratch_directory() / "set";
        ASSERT_EQ(run_experiment(folder, set).exit_status, 0);
        write_bytes(set / ".bashrc.backup", "not the sweep's");
        started = runner::start_program(runner::make_sweep_run(
            {"run", (other_folder / "experiment.toml").string(), "--out", set.string(), "--quiet", "--restart"}));
        EXPECT_TRUE(entry_appears(set, ".summary.csv.zemrath-"));
        ::kill(started.pid, SIGKILL);
        runner::finish_program(started);
        file_contents left = final_files(set);
        left.erase(".bashrc.backup");
        std::erase_if(left, [](const auto& file) { return file.first.find(".zemrath-") != std::string::npos; });
        EXPECT_TRUE(left == final_files(first) || left == final_files(whole)) << "a mix of two sets";
        // What a kill leaves, and what it could leave in the work folder.
        write_bytes(set / ".sweep.svg.zemrath-Ab12Cd", "partial");
        write_bytes(set / "work" / ".point-1.txt.zemrath-Xy34Zw", "partial");
        const auto next = run_experiment(other_folder, set);
        ASSERT_EQ(next.exit_status, 0) << next.standard_error;
        EXPECT_EQ(temporary_names(set), std::vector<std::string>{});
        EXPECT_EQ(runner::read_file(set / ".bashrc.backup"), "not the sweep's");
        left = final_files(set);
        left.erase(".bashrc.backup");
        EXPECT_EQ(left, final_files(whole));
    }
}

TEST(Sweep, ExtremeValuesGiveAFigureInBoundedTime) {
    struct case_t {
        const char* vary;
        bool drawable;  // the parameter's axis
    };
    const case_t cases[] = {
        {"[vary.growth-inhibition]\nvalues = [1e16]\n", true},
        {"[vary.growth-inhibition]\nvalues = [inf]\n", false},
        {"[vary.growth-inhibition]\nvalues = [\"-inf\", 1]\n", false},
        {"[vary.growth-inhibition]\nvalues = [\"nan\", 1]\n", false},
        {"[vary.growth-inhibition]\nvalues = [\"1D17\"]\n", true},
        {"[vary.growth-inhibition]\nvalues = [1e300, 1.7e308]\n", true},
        {"[vary.growth-inhibition]\nvalues = [0, 1e-300]\n", true},
        {"[vary.growth-inhibition]\nvalues = [0.5, 0.5]\n", true},
        {"[vary.growth-inhibition]\nfrom = 1e16\nto = 1e16\n[vary.adult-survival]\nvalues = [0.5]\n"
         "[design]\nkind = \"latin-hypercube\"\nsamples = 4\n",
         true},
        {"[vary.growth-inhibition]\nvalues = [inf, 1]\n[vary.adult-survival]\nvalues = [0.3, 0.6]\n", true},
        {"[vary.growth-inhibition]\nvalues = [1e300, inf]\n[vary.adult-survival]\nvalues = [0.3, 0.6]\n"
         "[design]\nkind = \"one-at-a-time\"\n",
         true},
        {"[vary.growth-inhibition]\nfrom = 1e-300\nto = 1.7e308\n[vary.adult-survival]\nfrom = 0.3\nto = 0.6\n"
         "[design]\nkind = \"sobol\"\nsamples = 4\n",
         true},
        {"[vary.growth-inhibition]\nfrom = 1e-300\nto = 1.7e308\n[vary.adult-survival]\nvalues = [\"nan\", 0.6]\n"
         "[design]\nkind = \"morris\"\ntrajectories = 3\nselect-from = 5\n",
         true},
        {"[vary.growth-inhibition]\nfrom = 1e-300\nto = 1.7e308\n[vary.adult-survival]\nvalues = [\"inf\", 0.6]\n"
         "[design]\nkind = \"efast\"\nsamples = 65\n",
         true},
        {"[vary.growth-inhibition]\nfrom = 1e-300\nto = 1.7e308\n[vary.adult-survival]\nvalues = [\"nan\", 0.6]\n"
         "[design]\nkind = \"latin-hypercube\"\nsamples = 6\n",
         true},
    };
    const std::regex not_a_number_text("\\b-?(nan|inf)\\b", std::regex::icase);
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.vary);
        const auto folder = experiment_folder(std::string("answers = \"answers.txt\"\nseeds = \"0-9\"\n") +
                                              "[parameters]\ngenerations = 5\n" + c.vary);
        const auto out = runner::make_scratch_directory() / "out";
        const runner::bounded_result bounded = runner::run_program_within(
            runner::make_sweep_run({"run", (folder / "experiment.toml").string(), "--out", out.string(), "--quiet"}),
            std::chrono::seconds(60));
        ASSERT_FALSE(bounded.timed_out) << "no figure after 60 s";
        ASSERT_EQ(bounded.result.exit_status, 0) << bounded.result.standard_error;
        const std::string svg = runner::read_file(out / "sweep.svg");
        EXPECT_LT(svg.size(), 1u << 20);
        EXPECT_TRUE(svg.ends_with("</svg>\n"));
        std::smatch found;
        EXPECT_FALSE(std::regex_search(svg, found, not_a_number_text)) << found.str(0);
        EXPECT_EQ(svg.find("axis cannot be drawn") == std::string::npos, c.drawable);
        if (std::filesystem::exists(out / "sensitivity-by-generation.svg")) {
            const std::string over_time = runner::read_file(out / "sensitivity-by-generation.svg");
            EXPECT_TRUE(over_time.ends_with("</svg>\n"));
            EXPECT_FALSE(std::regex_search(over_time, found, not_a_number_text)) << found.str(0);
        }
    }
}

}  // namespace
}  // namespace zemrath::sweep
