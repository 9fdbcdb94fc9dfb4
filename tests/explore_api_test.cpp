// zemrath-explore's HTTP API, served in-process on a free loopback port:
// the files it serves are byte for byte those of zemrath-ensemble for the
// same answers and seeds, its errors are worded as zemrath-ensemble words
// them, it refuses what it must refuse (however a hostile client writes the
// request), and a newer computation stops an older one instead of waiting
// behind it.
#include <gtest/gtest.h>

#include <algorithm>

#include <map>

#include <httplib.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "explore/command_line.hpp"
#include "explore/memory_bound.hpp"
#include "explore/request_guard.hpp"
#include "explore/server.hpp"
#include "explore_progress.hpp"
#include "explore_raw_client.hpp"
#include "program_runner.hpp"

namespace zemrath::explore {
namespace {

namespace runner = zemrath::testing;
using parameter_list = std::vector<std::pair<std::string, std::string>>;

// The explorer, listening until the end of the test.
struct running_explorer {
    explorer server;
    std::thread serving;

    explicit running_explorer(std::size_t max_memory = SIZE_MAX) {
        server.address = {"127.0.0.1", 0};
        server.start = example_answers();
        server.computations.threads = 2;
        server.computations.max_memory = max_memory;
        install_routes(server);
        if (!bind_explorer(server)) throw std::runtime_error("cannot bind a loopback port");
        serving = std::thread([this] { serve_explorer(server); });
    }
    running_explorer(const running_explorer&) = delete;
    running_explorer& operator=(const running_explorer&) = delete;
    ~running_explorer() {
        stop_explorer(server);
        serving.join();
    }

    httplib::Client client() const {
        httplib::Client client("127.0.0.1", server.address.port);
        client.set_read_timeout(300);
        return client;
    }
};

const char* const option_names[] = {
    "embryo-larval-survival", "max-juvenile-survival", "adult-survival", "carrying-capacity", "weight-increase-rate",
    "growth-inhibition",      "weight-at-one-year",    "max-reproduction-age", "fecundity-rate", "generations"};

parameter_list parameters_of(const std::vector<std::string>& answers) {
    parameter_list list;
    for (std::size_t i = 0; i < answers.size(); ++i) list.emplace_back(option_names[i], answers[i]);
    return list;
}

std::string encoded(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_') {
            out += static_cast<char>(c);
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            out += escape;
        }
    }
    return out;
}

std::string query_string(const parameter_list& parameters) {
    std::string query;
    for (const auto& [name, value] : parameters) query += (query.empty() ? "" : "&") + name + "=" + encoded(value);
    return query;
}

std::string json_body(const parameter_list& parameters, const std::string& seeds) {
    nlohmann::json body;
    for (const auto& [name, value] : parameters) body["parameters"][name] = value;
    body["seeds"] = seeds;
    return body.dump();
}

std::string error_of(const httplib::Result& result) {
    return nlohmann::json::parse(result->body).at("error").get<std::string>();
}

// The field a refusal is about, empty when it names none.
std::string field_of(const httplib::Result& result) {
    return nlohmann::json::parse(result->body).value("field", "");
}

// What zemrath-ensemble writes and prints for these parameters and seeds.
struct ensemble_files {
    std::string summary, runs, report, answers, standard_output, standard_error;
    int status = -1;
};

ensemble_files run_ensemble_tool(const parameter_list& parameters, const std::string& seeds) {
    const auto out = runner::make_scratch_directory() / "results";
    std::vector<std::string> arguments;
    for (const auto& [name, value] : parameters) {
        arguments.push_back("--" + name);
        arguments.push_back(value);
    }
    for (const char* more : {"--seeds", seeds.c_str(), "--out", out.c_str(), "--threads", "2"}) arguments.push_back(more);
    const runner::program_result result = runner::run_program(runner::make_ensemble_run(arguments));
    return {runner::read_file(out / "summary.csv"), runner::read_file(out / "runs.csv"),
            runner::read_file(out / "report.svg"), runner::read_file(out / "run-answers.txt"),
            result.standard_output,              result.standard_error,
            result.exit_status};
}

struct scenario {
    const char* name;
    std::vector<std::string> answers;
    std::string seeds;
};

// The README's example, written in several of the answer syntax's forms,
// over a few hundred of its streams: about a third of them die out.
const scenario readme_example{"streams die out",
                              {"0.013", "0.8", "5.d-1", "4e2", "2", ".5", "0.1", "4", "1", "50"},
                              "0-199,500-520,998"};
// No embryo survives, and the eggs of 20 adults leave the 32-bit range.
const scenario wrapping{"counts wrap around 32 bits",
                        {"-1", "0.8", "0.9", "1000", "2", "0.5", "0.1", "3", "2e6", "5"},
                        "3,17-20,998"};

TEST(ExploreApi, FilesAreThoseOfTheEnsembleTool) {
    const running_explorer explorer;
    httplib::Client client = explorer.client();
    for (const scenario& s : {readme_example, wrapping}) {
        SCOPED_TRACE(s.name);
        const parameter_list parameters = parameters_of(s.answers);
        const ensemble_files expected = run_ensemble_tool(parameters, s.seeds);
        ASSERT_EQ(expected.status, 0) << expected.standard_error;
        parameter_list with_seeds = parameters;
        with_seeds.emplace_back("seeds", s.seeds);
        const std::string query = query_string(with_seeds);
        const std::pair<const char*, const std::string*> files[] = {{"/api/summary.csv", &expected.summary},
                                                                     {"/api/runs.csv", &expected.runs},
                                                                     {"/api/report.svg", &expected.report},
                                                                     {"/api/answers.txt", &expected.answers}};
        for (const auto& [path, bytes] : files) {
            const auto result = client.Get(std::string(path) + "?" + query);
            ASSERT_TRUE(result) << path;
            EXPECT_EQ(result->status, 200) << path << ": " << result->body;
            EXPECT_EQ(result->body, *bytes) << path;
        }
    }
}

TEST(ExploreApi, EnsembleAnswerHoldsTheSummaryTableAndText) {
    const running_explorer explorer;
    const parameter_list parameters = parameters_of(readme_example.answers);
    const ensemble_files expected = run_ensemble_tool(parameters, readme_example.seeds);
    const auto result =
        explorer.client().Post("/api/ensemble", json_body(parameters, readme_example.seeds), "application/json");
    ASSERT_TRUE(result);
    ASSERT_EQ(result->status, 200) << result->body;
    const nlohmann::json answer = nlohmann::json::parse(result->body);
    EXPECT_EQ(answer.at("text"), expected.standard_output);
    EXPECT_EQ(answer.at("streams"), 222);
    EXPECT_GT(answer.at("seconds").get<double>(), 0.0);

    // Every cell of summary.csv, under its column's name.
    std::istringstream csv(expected.summary);
    std::string header;
    std::getline(csv, header);
    std::vector<std::string> columns;
    std::istringstream names(header);
    for (std::string name; std::getline(names, name, ',');) columns.push_back(name);
    const nlohmann::json& summary = answer.at("summary");
    std::size_t row = 0;
    for (std::string line; std::getline(csv, line); ++row) {
        ASSERT_LT(row, summary.size());
        std::istringstream cells(line);
        std::size_t column = 0;
        for (std::string cell; std::getline(cells, cell, ','); ++column)
            EXPECT_EQ(summary[row].at(columns[column]).get<double>(), std::stod(cell))
                << "generation " << row << ", " << columns[column];
        EXPECT_EQ(summary[row].size(), columns.size());
    }
    EXPECT_EQ(row, summary.size());
    EXPECT_EQ(row, 51u);

    // The outcomes, against a plain reading of runs.csv: the first generation
    // without adults of every stream that died out.
    std::map<int, int> died;  // seed -> generation
    std::istringstream runs(expected.runs);
    std::getline(runs, header);
    for (std::string line; std::getline(runs, line);) {
        int seed = 0, generation = 0, embryos = 0, larvae = 0, adults = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%d,%d,%d,%d,%d", &seed, &generation, &embryos, &larvae, &adults), 5);
        if (adults == 0 && generation > 0 && !died.contains(seed)) died[seed] = generation;
    }
    std::vector<int> generations;
    for (const auto& [seed, generation] : died) generations.push_back(generation);
    std::sort(generations.begin(), generations.end());
    ASSERT_FALSE(generations.empty());
    const std::size_t n = generations.size();
    const double median = n % 2 ? generations[n / 2] : (generations[n / 2 - 1] + generations[n / 2]) / 2.0;
    const nlohmann::json& outcomes = answer.at("outcomes");
    EXPECT_EQ(answer.at("extinct_streams"), died.size());
    EXPECT_EQ(outcomes.at("extinct_fraction").get<double>(), static_cast<double>(died.size()) / 222);
    EXPECT_EQ(outcomes.at("median_extinction_generation").get<double>(), median);
    EXPECT_EQ(outcomes.at("adults_p50"), summary.back().at("adults_p50"));
    EXPECT_EQ(outcomes.at("wrapped_fraction"), 0);
    EXPECT_EQ(answer.at("wrapped_streams"), 0);
    EXPECT_TRUE(answer.at("first_wrapped_generation").is_null());
}

// A bad parameter is refused with the words zemrath-ensemble uses for it.
TEST(ExploreApi, BadParametersWordedAsTheEnsembleToolWordsThem) {
    const running_explorer explorer;
    httplib::Client client = explorer.client();
    struct case_t {
        std::size_t index;
        std::string value;
    };
    for (const case_t& c : {case_t{2, "abc"}, case_t{9, "12.5"}, case_t{0, ","}, case_t{7, "2147483648"}}) {
        parameter_list parameters = parameters_of(readme_example.answers);
        parameters[c.index].second = c.value;
        const ensemble_files tool = run_ensemble_tool(parameters, "0-999");
        ASSERT_EQ(tool.status, 2);
        const auto result = client.Post("/api/ensemble", json_body(parameters, "0-999"), "application/json");
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 400);
        EXPECT_EQ("zemrath-ensemble: " + error_of(result) + "\n", tool.standard_error);
        // The page marks the field from the answer, not from the words.
        EXPECT_EQ(field_of(result), parameters[c.index].first);
    }
    parameter_list missing = parameters_of(readme_example.answers);
    missing.erase(missing.begin() + 3);
    const auto without = client.Post("/api/ensemble", json_body(missing, "0-9"), "application/json");
    ASSERT_TRUE(without);
    EXPECT_EQ(field_of(without), "carrying-capacity");
    const ensemble_files tool = run_ensemble_tool(parameters_of(readme_example.answers), "7-3");
    const auto result = client.Get("/api/summary.csv?" + query_string(parameters_of(readme_example.answers)) +
                                   "&seeds=7-3");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 400);
    EXPECT_EQ("zemrath-ensemble: " + error_of(result) + "\n", tool.standard_error);
    EXPECT_EQ(field_of(result), "seeds");
}

TEST(ExploreApi, RefusesWhatItMustRefuse) {
    const running_explorer explorer;
    const std::string port = std::to_string(explorer.server.address.port);
    const std::string good_query = query_string(parameters_of(readme_example.answers));
    parameter_list too_many_rows = parameters_of(readme_example.answers);
    too_many_rows[9].second = "20000";
    parameter_list too_many_classes = parameters_of(readme_example.answers);
    too_many_classes[7].second = "2000000000";
    struct case_t {
        const char* name;
        const char* method;
        std::string path;
        std::string body;
        httplib::Headers headers;
        int status;
        std::string error;  // the start of the message
    };
    const case_t cases[] = {
        {"foreign Host", "GET", "/", "", {{"Host", "evil.example:" + port}}, 403, "Host 'evil.example:"},
        {"foreign Host for the API", "POST", "/api/ensemble", json_body(parameters_of(readme_example.answers), "1"),
         {{"Host", "rebound.example:" + port}}, 403, "Host 'rebound.example:"},
        {"cross-origin call", "POST", "/api/ensemble", json_body(parameters_of(readme_example.answers), "1"),
         {{"Origin", "http://evil.example"}}, 403, "cross-origin request"},
        {"cross-site download", "GET", "/api/summary.csv?" + good_query, "", {{"Sec-Fetch-Site", "cross-site"}},
         403, "request from another site"},
        {"body over 64 KiB", "POST", "/api/ensemble", std::string(max_body_length + 1, ' '), {}, 413,
         "the request body is larger than 64 KiB"},
        {"long query", "GET", "/api/summary.csv?seeds=" + std::string(max_query_length, '1'), "", {}, 414,
         "the query is longer"},
        {"longer request line than the server reads", "GET", "/api/summary.csv?" + std::string(9000, 'a'), "", {},
         414, "the request line is too long"},
        {"body not JSON", "POST", "/api/ensemble", "embryo-larval-survival=1", {}, 400, "the body is not JSON"},
        {"rows beyond the bound", "GET", "/api/runs.csv?" + query_string(too_many_rows), "", {}, 400,
         "--generations: 20000 generations of 1000 streams"},
        {"age classes beyond memory", "POST", "/api/ensemble", json_body(too_many_classes, "0-1"), {}, 503,
         "not enough memory for 2000000000 age classes"},
        {"unknown API path", "GET", "/api/output.txt?" + good_query, "", {}, 404, "no such page"},
        {"a file of the source tree", "GET", "/explore/page/app.js", "", {}, 404, "no such page"},
        {"a file outside", "GET", "/../../../../etc/passwd", "", {}, 404, "no such page"},
        {"computation by GET", "GET", "/api/ensemble", "", {}, 404, "no such page"},
    };
    httplib::Client client = explorer.client();
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.name);
        const httplib::Result result = std::string(c.method) == "GET"
                                           ? client.Get(c.path, c.headers)
                                           : client.Post(c.path, c.headers, c.body, "application/json");
        ASSERT_TRUE(result) << httplib::to_string(result.error());
        EXPECT_EQ(result->status, c.status) << result->body;
        EXPECT_EQ(result->get_header_value("Content-Type"), "application/json");
        EXPECT_TRUE(error_of(result).starts_with(c.error)) << error_of(result);
    }
    // The same requests from the page itself are taken.
    const auto page_call = client.Post("/api/ensemble", {{"Origin", "http://127.0.0.1:" + port}},
                                       json_body(parameters_of(readme_example.answers), "1"), "application/json");
    ASSERT_TRUE(page_call);
    EXPECT_EQ(page_call->status, 200) << page_call->body;
}

TEST(ExploreApi, PageIsServedFromItsEmbeddedFiles) {
    const running_explorer explorer;
    httplib::Client client = explorer.client();
    const std::pair<const char*, const char*> files[] = {
        {"/", "index.html"}, {"/app.js", "app.js"}, {"/style.css", "style.css"}};
    for (const auto& [path, file] : files) {
        const auto result = client.Get(path);
        ASSERT_TRUE(result) << path;
        EXPECT_EQ(result->status, 200) << path;
        EXPECT_EQ(result->body, runner::read_file(std::filesystem::path(ZEMRATH_PAGE_SOURCES) / file)) << path;
        EXPECT_TRUE(result->get_header_value("Content-Security-Policy").starts_with("default-src 'none'")) << path;
        EXPECT_EQ(result->get_header_value("X-Content-Type-Options"), "nosniff");
    }
    EXPECT_EQ(client.Get("/app.js")->get_header_value("Content-Type"), "text/javascript; charset=utf-8");

    const auto parameters = client.Get("/api/parameters");
    ASSERT_TRUE(parameters);
    const nlohmann::json page = nlohmann::json::parse(parameters->body);
    ASSERT_EQ(page.at("parameters").size(), 10u);
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(page["parameters"][i].at("name"), option_names[i]);
        EXPECT_EQ(page["parameters"][i].at("value"), example_answers().texts[i]);
    }
    EXPECT_EQ(page["parameters"][3].at("prompt"), "Carrying capacity (Eq. (1))");
    EXPECT_EQ(page["parameters"][7].at("whole"), true);
    EXPECT_EQ(page.at("seeds"), "0-999");
}

// Streams that take long enough together that the test's next request
// arrives while they run: the README's example over 2000 generations.
parameter_list long_computation() {
    parameter_list parameters = parameters_of(readme_example.answers);
    parameters[2].second = "0.6";  // the populations persist
    parameters[9].second = "2000";
    return parameters;
}

TEST(ExploreApi, NewerRequestStopsTheRunningComputationInsteadOfWaitingBehindIt) {
    parameter_list refused = parameters_of(readme_example.answers);
    refused[2].second = "0.5x";
    struct case_t {
        const char* name;
        std::string body;
        int status;
    };
    const case_t cases[] = {
        {"a computation", json_body(parameters_of(readme_example.answers), "0-9"), 200},
        {"a request with a bad value", json_body(refused, "0-9"), 400},
    };
    const running_explorer explorer;
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.name);
        auto older = std::async(std::launch::async, [&] {
            return explorer.client().Post("/api/ensemble", json_body(long_computation(), "0-999"), "application/json");
        });
        httplib::Client client = explorer.client();
        ASSERT_TRUE(runner::wait_until_running(client));
        const auto newer = client.Post("/api/ensemble", c.body, "application/json");
        ASSERT_TRUE(newer);
        EXPECT_EQ(newer->status, c.status) << newer->body;
        const httplib::Result stopped = older.get();
        ASSERT_TRUE(stopped);
        EXPECT_EQ(stopped->status, 409);
        EXPECT_EQ(error_of(stopped), "superseded: a newer computation was asked for");
        const auto progress = client.Get("/api/progress");
        EXPECT_EQ(nlohmann::json::parse(progress->body).at("running"), false);
    }
}

TEST(ExploreApi, StoppingEndsTheRunningComputation) {
    running_explorer explorer;
    auto running = std::async(std::launch::async, [&] {
        return explorer.client().Post("/api/ensemble", json_body(long_computation(), "0-999"), "application/json");
    });
    httplib::Client client = explorer.client();
    ASSERT_TRUE(runner::wait_until_running(client));
    stop_computations(explorer.server.computations);
    const httplib::Result stopped = running.get();
    ASSERT_TRUE(stopped);
    EXPECT_EQ(stopped->status, 503);
    EXPECT_EQ(error_of(stopped), "the explorer is stopping");
    const auto later = client.Post("/api/ensemble", json_body(parameters_of(readme_example.answers), "0"),
                                   "application/json");
    ASSERT_TRUE(later);
    EXPECT_EQ(later->status, 503);
}

nlohmann::json json_of(const httplib::Result& result) { return nlohmann::json::parse(result->body); }

std::string body_with_client(const parameter_list& parameters, const std::string& seeds, const std::string& client) {
    nlohmann::json body = nlohmann::json::parse(json_body(parameters, seeds));
    body["client"] = client;
    return body.dump();
}

TEST(ExploreApi, FilesOfAResultAreServedByItsIdAsItWasComputed) {
    running_explorer explorer;
    httplib::Client client = explorer.client();
    const parameter_list first = parameters_of(readme_example.answers);
    parameter_list second = first;
    second[2].second = "0.6";
    const auto a = client.Post("/api/ensemble", json_body(first, "0-49"), "application/json");
    const auto b = client.Post("/api/ensemble", json_body(second, "0-49"), "application/json");
    ASSERT_TRUE(a && b);
    const std::uint64_t id_a = json_of(a).at("result"), id_b = json_of(b).at("result");
    EXPECT_EQ(id_b, id_a + 1);
    // The same query again is the kept result, not a new one.
    EXPECT_EQ(json_of(client.Post("/api/ensemble", json_body(first, "0-49"), "application/json")).at("result"), id_a);

    // Each id gives its own files, whichever result came last.
    for (const auto& [id, parameters] : {std::pair{id_a, first}, std::pair{id_b, second}}) {
        const ensemble_files expected = run_ensemble_tool(parameters, "0-49");
        const std::pair<const char*, const std::string*> files[] = {{"/api/summary.csv", &expected.summary},
                                                                     {"/api/runs.csv", &expected.runs},
                                                                     {"/api/report.svg", &expected.report},
                                                                     {"/api/answers.txt", &expected.answers}};
        for (const auto& [path, bytes] : files) {
            const auto file = client.Get(std::string(path) + "?result=" + std::to_string(id));
            ASSERT_TRUE(file) << path;
            EXPECT_EQ(file->status, 200) << path << ": " << file->body;
            EXPECT_EQ(file->body, *bytes) << path << " of result " << id;
        }
    }
    struct refusal_case {
        std::string query;
        int status;
        const char* message;
    };
    const refusal_case refusals[] = {
        {"result=999", 410, "result 999 is no longer kept: newer computations took its place"},
        {"result=x", 400, "result: 'x' is not the id of a result"},
        {"result=-1", 400, "result: '-1' is not the id of a result"},
        {"result=" + std::to_string(id_a) + "&seeds=0-9", 400, "result names a computed result: give it alone"},
    };
    for (const refusal_case& r : refusals) {
        SCOPED_TRACE(r.query);
        const auto refused = client.Get("/api/summary.csv?" + r.query);
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->status, r.status);
        EXPECT_TRUE(error_of(refused).starts_with(r.message)) << error_of(refused);
        EXPECT_EQ(field_of(refused), "result");
    }
}

TEST(ExploreApi, EarlierResultsAreKeptOnlyWhileTheyFitTheMemoryLimitWithTheLast) {
    parameter_list parameters = parameters_of(readme_example.answers);
    ensemble_query query = read_query({parameters.begin(), parameters.end()});
    // Room for two results of this size, not three.
    running_explorer explorer(memory_needed(query) * 5 / 2);
    httplib::Client client = explorer.client();
    std::vector<std::uint64_t> ids;
    for (const char* survival : {"0.5", "0.55", "0.6"}) {
        parameters[2].second = survival;
        const auto answer = client.Post("/api/ensemble", json_body(parameters, "0-999"), "application/json");
        ASSERT_TRUE(answer);
        ASSERT_EQ(answer->status, 200) << answer->body;
        ids.push_back(json_of(answer).at("result"));
    }
    EXPECT_EQ(client.Get("/api/answers.txt?result=" + std::to_string(ids[0]))->status, 410);
    EXPECT_EQ(client.Get("/api/answers.txt?result=" + std::to_string(ids[1]))->status, 200);
    EXPECT_EQ(client.Get("/api/answers.txt?result=" + std::to_string(ids[2]))->status, 200);
}

TEST(ExploreApi, AClientTakesBackItsOwnComputationOnly) {
    running_explorer explorer;
    httplib::Client client = explorer.client();
    auto running = std::async(std::launch::async, [&] {
        return explorer.client().Post("/api/ensemble", body_with_client(long_computation(), "0-999", "tab-1"),
                                      "application/json");
    });
    ASSERT_TRUE(runner::wait_until_running(client));
    // Another page's cancel leaves it running.
    const auto other = client.Post("/api/cancel", R"({"client": "tab-2"})", "text/plain;charset=UTF-8");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->status, 200);
    EXPECT_EQ(json_of(other).at("cancelled"), false);
    EXPECT_EQ(json_of(client.Get("/api/progress")).at("running"), true);
    // Its own, as a closing page sends it, stops it.
    const auto own = client.Post("/api/cancel", R"({"client": "tab-1"})", "text/plain;charset=UTF-8");
    ASSERT_TRUE(own);
    EXPECT_EQ(json_of(own).at("cancelled"), true);
    const httplib::Result stopped = running.get();
    ASSERT_TRUE(stopped);
    EXPECT_EQ(stopped->status, 409);
    EXPECT_EQ(json_of(client.Get("/api/progress")).at("running"), false);
    // Nothing is running now: nothing to take back.
    EXPECT_EQ(json_of(client.Post("/api/cancel", R"({"client": "tab-1"})", "application/json")).at("cancelled"), false);

    struct refusal_case {
        std::string body;
        const char* message;
    };
    const refusal_case refusals[] = {
        {R"({"client": ""})", "client: a client is named by 1 to 64 letters"},
        {R"({"client": "a b"})", "client: a client is named by 1 to 64 letters"},
        {R"({"client": 7})", "\"client\" must be a string"},
        {R"({"client": "tab-1", "more": 1})", "the body must be {\"client\": \"...\"}"},
        {"not json", "the body must be {\"client\": \"...\"}"},
    };
    for (const refusal_case& r : refusals) {
        SCOPED_TRACE(r.body);
        const auto refused = client.Post("/api/cancel", r.body, "application/json");
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->status, 400);
        EXPECT_TRUE(error_of(refused).starts_with(r.message)) << error_of(refused);
    }
    const auto long_name = client.Post("/api/ensemble",
                                       body_with_client(parameters_of(readme_example.answers), "0", std::string(65, 'a')),
                                       "application/json");
    ASSERT_TRUE(long_name);
    EXPECT_EQ(long_name->status, 400);
    EXPECT_EQ(field_of(long_name), "client");
    // Guarded as every call of the API: not from another page.
    const auto foreign = client.Post("/api/cancel", httplib::Headers{{"Origin", "http://example.invalid"}},
                                     R"({"client": "tab-1"})", "text/plain");
    ASSERT_TRUE(foreign);
    EXPECT_EQ(foreign->status, 403);
}

// A request written out byte for byte, headers as given after the Host.
std::string request_text(const std::string& method, const std::string& target, int port,
                         const std::string& headers, const std::string& body = "") {
    return method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n" + headers +
           "\r\n" + body;
}

std::string length_header(const std::string& body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n";
}

// What the explorer answers to these bytes, read until it closes the connection.
std::string answer_to(int port, const std::string& bytes) {
    const runner::raw_socket connection(port);
    connection.send(bytes);
    return connection.receive_until_closed();
}

TEST(ExploreApi, GuardsApplyToThePathTheRouterMatches) {
    const running_explorer explorer;
    const int port = explorer.server.address.port;
    const std::string body = json_body(parameters_of(readme_example.answers), "1");
    const std::string query = query_string(parameters_of(readme_example.answers)) + "&seeds=1";
    struct case_t {
        std::string method;
        std::string target;
        int from_elsewhere;  // with the Origin and Sec-Fetch-Site of a foreign page
        int from_the_page;   // with those of the explorer's own page
    };
    const case_t cases[] = {
        {"POST", "/api/ensemble", 403, 200},
        {"POST", "/%61pi/ensemble", 403, 200},
        {"POST", "/api%2fensemble", 403, 200},
        {"POST", "/api%2Fensemble", 403, 200},
        {"POST", "/%u0061pi/ensemble", 403, 200},
        {"POST", "/api/ensembl%65", 403, 200},
        {"POST", "/%2561pi/ensemble", 404, 404},  // decoded once, as the router does: "/%61pi/ensemble"
        {"POST", "//api/ensemble", 404, 404},
        {"POST", "/./api/ensemble", 404, 404},
        {"POST", "/api/./ensemble", 404, 404},
        {"POST", "/x/../api/ensemble", 404, 404},
        {"POST", "/api/%2e%2e/api/ensemble", 404, 404},
        {"POST", "/api/ensemble/", 404, 404},
        {"GET", "/%61pi/summary.csv?" + query, 403, 200},
        {"GET", "/api/summary%2ecsv?" + query, 403, 200},
        {"GET", "/api%2Fsummary.csv?" + query, 403, 200},
        {"GET", "//api/summary.csv?" + query, 404, 404},
        {"GET", "/api/../api/summary.csv?" + query, 404, 404},
        {"GET", "/%61pi/progress", 403, 200},
    };
    const auto ask = [&](const case_t& c, const std::string& origin, const std::string& site) {
        const std::string with_body = c.method == "POST" ? length_header(body) : "";
        return answer_to(port, request_text(c.method, c.target, port,
                                           "Origin: " + origin + "\r\nSec-Fetch-Site: " + site + "\r\n" +
                                               with_body + "Connection: close\r\n",
                                           c.method == "POST" ? body : ""));
    };
    for (const case_t& c : cases) {
        const std::string answer = ask(c, "http://evil.example", "cross-site");
        EXPECT_EQ(runner::status_of(answer), c.from_elsewhere) << c.method << " " << c.target << ": " << answer;
    }
    EXPECT_EQ(explorer.server.computations.last, nullptr) << "a refused request computed";
    for (const case_t& c : cases) {
        const std::string answer = ask(c, "http://127.0.0.1:" + std::to_string(port), "same-origin");
        EXPECT_EQ(runner::status_of(answer), c.from_the_page) << c.method << " " << c.target << ": " << answer;
    }
}

std::string chunked(const std::string& body, std::size_t chunk_size) {
    std::string out;
    for (std::size_t at = 0; at < body.size(); at += chunk_size) {
        const std::string chunk = body.substr(at, chunk_size);
        char size[20];
        std::snprintf(size, sizeof size, "%zx\r\n", chunk.size());
        out += size + chunk + "\r\n";
    }
    return out + "0\r\n\r\n";
}

std::string deflated(const std::string& text) {
    uLongf size = compressBound(text.size());
    std::string out(size, '\0');
    if (compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(text.data()),
                 text.size()) != Z_OK)
        throw std::runtime_error("compress failed");
    out.resize(size);
    return out;
}

TEST(ExploreApi, BodiesAreHeldToTheLimitAndAnUnreadOneEndsTheConnection) {
    const running_explorer explorer;
    const int port = explorer.server.address.port;
    const std::string query = json_body(parameters_of(readme_example.answers), "1");
    const std::string padded_query = query.substr(0, query.size() - 1) + std::string(80 * 1024, ' ') + "}";
    const std::string inflating = deflated(std::string(1 << 20, ' '));
    // Sent right behind each request: answered only if the explorer took the
    // bytes after an unread body for a request.
    const std::string smuggled =
        request_text("POST", "/api/ensemble", port, length_header(query) + "Connection: close\r\n", query);
    struct case_t {
        const char* name;
        std::string request;
        int status;
        std::string error;  // the start of the message
    };
    const case_t cases[] = {
        {"chunked body of 80 KiB", request_text("POST", "/api/ensemble", port, "Transfer-Encoding: chunked\r\n",
                                                chunked(padded_query, 80 * 1024)),
         413, "the request body is larger than 64 KiB"},
        {"small chunks past the limit",
         request_text("POST", "/api/ensemble", port, "Transfer-Encoding: chunked\r\n", chunked(padded_query, 1000)),
         413, "the request body is larger than 64 KiB"},
        {"a compressed body that inflates past the limit",
         request_text("POST", "/api/ensemble", port,
                      "Content-Encoding: deflate\r\n" + length_header(inflating), inflating),
         413, "the request body is larger than 64 KiB"},
        {"a length over the limit, its body not sent",
         request_text("POST", "/api/ensemble", port, "Content-Length: 1000000000000\r\n"), 413,
         "the request body is larger than 64 KiB"},
        {"chunks that are no chunks",
         request_text("POST", "/api/ensemble", port, "Transfer-Encoding: chunked\r\n", "zz\r\n{}\r\n"), 400,
         "the request body could not be read whole"},
        {"a transfer coding besides chunks",
         request_text("POST", "/api/ensemble", port, "Transfer-Encoding: gzip, chunked\r\n", chunked(query, 100)),
         400, "Transfer-Encoding 'gzip, chunked' is not taken"},
        {"a length and chunks",
         request_text("POST", "/api/ensemble", port, "Transfer-Encoding: chunked\r\nContent-Length: 4\r\n",
                      chunked(query, 100)),
         400, "the request has both a Content-Length and a Transfer-Encoding"},
        {"a multipart form",
         request_text("POST", "/api/ensemble", port,
                      "Content-Type: multipart/form-data; boundary=x\r\n" + length_header(query), query),
         400, "the body must be JSON, not a multipart form"},
        {"a body on a GET", request_text("GET", "/api/parameters", port, length_header(query), query), 400,
         "GET /api/parameters takes no body"},
        {"chunks to another method",
         request_text("PUT", "/api/ensemble", port, "Transfer-Encoding: chunked\r\n", chunked(query, 100)), 404,
         "no such page: PUT /api/ensemble"},
        {"a body elsewhere", request_text("POST", "/api/runs.csv", port, length_header(query), query), 404,
         "no such page: POST /api/runs.csv"},
    };
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string answer = answer_to(port, c.request + smuggled);
        EXPECT_EQ(runner::status_of(answer), c.status) << answer;
        EXPECT_NE(answer.find("\r\nConnection: close\r\n"), std::string::npos) << answer;
        EXPECT_EQ(runner::answers_in(answer), 1u) << "the bytes after the unread body were answered: " << answer;
        const nlohmann::json error = nlohmann::json::parse(runner::body_of(answer), nullptr, false);
        ASSERT_TRUE(error.is_object()) << answer;
        EXPECT_TRUE(error.value("error", "").starts_with(c.error)) << error.dump();
    }
    EXPECT_EQ(explorer.server.computations.last, nullptr) << "a refused body was computed";

    // The same query, chunked or compressed within the limit, or with no body at all.
    const case_t taken[] = {
        {"chunked", request_text("POST", "/api/ensemble", port, "Transfer-Encoding: chunked\r\n", chunked(query, 7)),
         200, ""},
        {"compressed", request_text("POST", "/api/ensemble", port,
                                    "Content-Encoding: deflate\r\n" + length_header(deflated(query)), deflated(query)),
         200, ""},
        {"no body", request_text("POST", "/api/ensemble", port, ""), 400, "the body is not JSON"},
    };
    for (const case_t& c : taken) {
        SCOPED_TRACE(c.name);
        const runner::raw_socket connection(port);
        connection.send(c.request + smuggled);
        const std::string answers = connection.receive_until_closed(std::chrono::seconds(10));
        EXPECT_EQ(runner::status_of(answers), c.status) << answers;
        EXPECT_EQ(runner::answers_in(answers), 2u) << "a body read whole leaves the connection in step: " << answers;
        if (!c.error.empty()) {
            EXPECT_NE(answers.find(c.error), std::string::npos) << answers;
        }
    }
}

TEST(ExploreApi, AnEndlessChunkedBodyIsNotReadPastTheLimit) {
    const running_explorer explorer;
    const int port = explorer.server.address.port;
    const runner::raw_socket connection(port);
    ASSERT_TRUE(connection.send(request_text("POST", "/api/ensemble", port, "Transfer-Encoding: chunked\r\n")));
    const std::string mebibyte_chunk = chunked(std::string(1 << 20, ' '), 1 << 20);
    const std::string one_chunk = mebibyte_chunk.substr(0, mebibyte_chunk.size() - 5);  // without the last chunk
    std::size_t sent = 0;
    while (sent < 200 && connection.send(one_chunk)) ++sent;  // 200 MiB, or until the explorer stops taking them
    const std::string answer = connection.receive_until_closed(std::chrono::seconds(10));
    EXPECT_EQ(runner::status_of(answer), 413) << answer;
    EXPECT_LT(sent, 64u) << "the explorer read " << sent << " MiB of a body it refuses after 64 KiB";
    const auto progress = explorer.client().Get("/api/progress");  // and goes on serving
    ASSERT_TRUE(progress);
    EXPECT_EQ(progress->status, 200);
}

TEST(ExploreApi, AComputationBeyondTheMemoryLimitIsRefusedBeforeItStarts) {
    const running_explorer explorer(std::size_t{256} << 20);
    httplib::Client client = explorer.client();
    parameter_list huge = parameters_of(readme_example.answers);
    huge[9].second = "9999999";  // ten million rows of one stream: inside the row bound
    parameter_list with_seed = huge;
    with_seed.emplace_back("seeds", "0");
    const std::string message = "not enough memory: 1 stream of 9999999 generations would need about ";
    const auto posted = client.Post("/api/ensemble", json_body(huge, "0"), "application/json");
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->status, 503);
    EXPECT_TRUE(error_of(posted).starts_with(message)) << error_of(posted);
    EXPECT_NE(error_of(posted).find("more than the 256 MiB the explorer may use (--max-memory)"), std::string::npos)
        << error_of(posted);
    for (const char* file : {"/api/summary.csv", "/api/runs.csv", "/api/report.svg"}) {
        const auto got = client.Get(std::string(file) + "?" + query_string(with_seed));
        ASSERT_TRUE(got) << file;
        EXPECT_EQ(got->status, 503) << file;
        EXPECT_TRUE(error_of(got).starts_with(message)) << file << ": " << error_of(got);
    }
    EXPECT_EQ(explorer.server.computations.last, nullptr);
    const auto within = client.Post("/api/ensemble", json_body(parameters_of(readme_example.answers), "0-99"),
                                    "application/json");
    ASSERT_TRUE(within);
    EXPECT_EQ(within->status, 200) << within->body;
}

}  // namespace
}  // namespace zemrath::explore
