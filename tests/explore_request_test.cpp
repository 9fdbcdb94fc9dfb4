// What zemrath-explore takes from a request before it runs anything: which
// requests it answers at all (Host, Origin, Sec-Fetch-Site, query length,
// bodies), how the parameters and seeds of a request are read, and the
// memory a computation may need.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "explore/api_responses.hpp"
#include "explore/command_line.hpp"
#include "explore/computation.hpp"
#include "explore/ensemble_query.hpp"
#include "explore/memory_bound.hpp"
#include "explore/refusal.hpp"
#include "results/csv_tables.hpp"
#include "results/report_svg.hpp"
#include "explore/request_guard.hpp"
#include "explore/served_address.hpp"

namespace zemrath::explore {
namespace {

const served_address loopback{"127.0.0.1", 8080};

TEST(ExploreGuard, HostMustNameTheServedAddress) {
    struct case_t {
        served_address address;
        std::string host;
        bool accepted;
    };
    const served_address wildcard{"0.0.0.0", 8080};
    const served_address named{"lab.example", 8080};
    const served_address ipv6{"::1", 8080};
    const case_t cases[] = {
        {loopback, "127.0.0.1:8080", true},
        {loopback, "localhost:8080", true},
        {loopback, "LocalHost:8080", true},
        {loopback, "[::1]:8080", true},
        {loopback, "127.0.0.1:8081", false},          // another port
        {loopback, "127.0.0.1", false},               // port 80 implied
        {loopback, "evil.example:8080", false},       // a name that can be rebound to 127.0.0.1
        {loopback, "localhost.evil.example:8080", false},
        {loopback, "192.168.1.5:8080", false},        // not the loopback address served
        {loopback, "127.0.0.1:8080:8080", false},
        {loopback, "[::1:8080", false},
        {loopback, ":8080", false},
        {wildcard, "192.168.1.5:8080", true},          // every interface: any address literal
        {wildcard, "[fe80::1]:8080", true},
        {wildcard, "localhost:8080", true},
        {wildcard, "evil.example:8080", false},
        {named, "lab.example:8080", true},
        {named, "LAB.example:8080", true},
        {named, "localhost:8080", false},
        {named, "127.0.0.1:8080", false},
        {ipv6, "[::1]:8080", true},
        {ipv6, "localhost:8080", true},
        {ipv6, "::1:8080", false},                     // an IPv6 host needs its brackets
    };
    for (const case_t& c : cases)
        EXPECT_EQ(host_names_server(c.host, c.address), c.accepted) << c.address.host << " given Host " << c.host;
}

// A request as the guard sees it: its method, its target, its headers, and
// the path as the router has decoded it from the target ("" where the
// target writes it plainly).
using header_list = std::vector<std::pair<std::string, std::string>>;
struct sent {
    std::string method;
    std::string target;
    header_list headers;
    std::string decoded_path;
};

std::optional<std::string_view> header_of(const sent& request, std::string_view name) {
    for (const auto& [key, value] : request.headers)
        if (key == name) return std::string_view(value);
    return std::nullopt;
}

request_facts facts_of(const sent& request) {
    const std::string_view target = request.target;
    const std::string_view path =
        request.decoded_path.empty() ? target.substr(0, target.find('?')) : std::string_view(request.decoded_path);
    return {request.method,
            target,
            path,
            header_of(request, "Host"),
            header_of(request, "Origin"),
            header_of(request, "Sec-Fetch-Site"),
            header_of(request, "Content-Length"),
            header_of(request, "Transfer-Encoding"),
            header_of(request, "Content-Type")};
}

const std::pair<std::string, std::string> served_host{"Host", "127.0.0.1:8080"};

TEST(ExploreGuard, RefusalsAndTheirStatus) {
    struct case_t {
        const char* name;
        sent request;
        std::optional<int> status;  // nullopt: the request goes on
    };
    const std::string long_query = "/api/summary.csv?seeds=" + std::string(max_query_length, '1');
    const std::string longest_query = "/api/summary.csv?" + std::string(max_query_length, 'a');
    const std::string at_limit = std::to_string(max_body_length);
    const std::string over_limit = std::to_string(max_body_length + 1);
    const auto get = [](std::string target, header_list more = {}, std::string decoded = "") {
        more.push_back(served_host);
        return sent{"GET", std::move(target), std::move(more), std::move(decoded)};
    };
    const auto post = [](std::string target, header_list more = {}, std::string decoded = "") {
        more.push_back(served_host);
        return sent{"POST", std::move(target), std::move(more), std::move(decoded)};
    };
    const auto other = [](std::string method, std::string target, header_list more = {}) {
        more.push_back(served_host);
        return sent{std::move(method), std::move(target), std::move(more), ""};
    };
    const case_t cases[] = {
        {"page", get("/"), std::nullopt},
        {"same-origin call",
         post("/api/ensemble",
              {{"Origin", "http://127.0.0.1:8080"}, {"Sec-Fetch-Site", "same-origin"}, {"Content-Length", "20"}}),
         std::nullopt},
        {"script without browser headers",
         {"POST", "/api/ensemble", {{"Host", "localhost:8080"}, {"Content-Length", "20"}}, ""}, std::nullopt},
        {"address typed in the browser", get("/api/summary.csv", {{"Sec-Fetch-Site", "none"}}), std::nullopt},
        {"no Host", {"GET", "/", {}, ""}, 400},
        {"malformed Host", {"GET", "/", {{"Host", "[::1"}}, ""}, 400},
        {"foreign Host", {"GET", "/", {{"Host", "evil.example:8080"}}, ""}, 403},
        {"cross-origin call", post("/api/ensemble", {{"Origin", "http://evil.example"}}), 403},
        {"origin of another port", post("/api/ensemble", {{"Origin", "http://127.0.0.1:9999"}}), 403},
        {"opaque origin", post("/api/ensemble", {{"Origin", "null"}}), 403},
        {"cross-site fetch", get("/api/report.svg", {{"Sec-Fetch-Site", "cross-site"}}), 403},
        {"same-site fetch", get("/api/report.svg", {{"Sec-Fetch-Site", "same-site"}}), 403},
        {"link to the page from elsewhere", get("/", {{"Sec-Fetch-Site", "cross-site"}}), std::nullopt},
        {"longest query", get(longest_query), std::nullopt},
        {"long query", get(long_query), 414},

        // The API is told by the path the router matches, however the target writes it.
        {"encoded letter", get("/%61pi/summary.csv", {{"Sec-Fetch-Site", "cross-site"}}, "/api/summary.csv"), 403},
        {"encoded slash", post("/api%2fensemble", {{"Origin", "http://evil.example"}}, "/api/ensemble"), 403},
        {"doubled slash", get("//api/summary.csv"), 404},
        {"dot segment", get("/./api/summary.csv"), 404},
        {"dot-dot segment", get("/x/../api/summary.csv"), 404},
        {"encoded dot-dot segment", get("/x/%2e%2e/api/summary.csv", {}, "/x/../api/summary.csv"), 404},
        {"trailing slash", get("/api/"), 404},
        {"absolute form", get("http://127.0.0.1:8080/api/summary.csv"), 404},

        // Bodies: only POST /api/ensemble reads one, framed plainly and within the limit.
        {"body at the limit", post("/api/ensemble", {{"Content-Length", at_limit}}), std::nullopt},
        {"body over the limit", post("/api/ensemble", {{"Content-Length", over_limit}}), 413},
        {"length past 64 bits", post("/api/ensemble", {{"Content-Length", "99999999999999999999999"}}), 413},
        {"chunked body", post("/api/ensemble", {{"Transfer-Encoding", "Chunked"}}), std::nullopt},
        {"no length at all", post("/api/ensemble"), std::nullopt},
        {"length that is no number", post("/api/ensemble", {{"Content-Length", "12abc"}}), 400},
        {"negative length", post("/api/ensemble", {{"Content-Length", "-1"}}), 400},
        {"length and chunks", post("/api/ensemble", {{"Content-Length", "5"}, {"Transfer-Encoding", "chunked"}}),
         400},
        {"other transfer coding", post("/api/ensemble", {{"Transfer-Encoding", "gzip, chunked"}}), 400},
        {"multipart form",
         post("/api/ensemble", {{"Content-Length", "20"}, {"Content-Type", "multipart/form-data; boundary=x"}}),
         400},
        {"body on a GET", get("/api/parameters", {{"Content-Length", "5"}}), 400},
        {"chunks on a GET", get("/", {{"Transfer-Encoding", "chunked"}}), 400},
        {"empty body on a GET", get("/api/parameters", {{"Content-Length", "0"}}), std::nullopt},
        {"POST elsewhere", post("/api/summary.csv", {{"Content-Length", "5"}}), 404},
        {"POST elsewhere without a length", post("/"), 404},
        {"PUT", other("PUT", "/api/ensemble", {{"Transfer-Encoding", "chunked"}}), 404},
        {"PATCH", other("PATCH", "/api/ensemble"), 404},
        {"DELETE", other("DELETE", "/"), 404},
    };
    for (const case_t& c : cases) {
        const std::optional<refusal> refused = check_request(facts_of(c.request), loopback);
        ASSERT_EQ(refused.has_value(), c.status.has_value()) << c.name << ": " << (refused ? refused->message : "");
        if (refused) {
            EXPECT_EQ(refused->status, *c.status) << c.name;
            EXPECT_FALSE(refused->message.empty()) << c.name;
        }
    }
}

TEST(ExploreGuard, WhichRequestsDeclareABody) {
    struct case_t {
        header_list headers;
        bool body;
    };
    const case_t cases[] = {{{}, false},
                            {{{"Content-Length", "0"}}, false},
                            {{{"Content-Length", "1"}}, true},
                            {{{"Content-Length", "00"}}, true},
                            {{{"Transfer-Encoding", "chunked"}}, true},
                            {{{"Content-Length", "0"}, {"Transfer-Encoding", "chunked"}}, true}};
    for (const case_t& c : cases) {
        const sent request{"POST", "/api/ensemble", c.headers, ""};
        EXPECT_EQ(declares_body(facts_of(request)), c.body) << ::testing::PrintToString(c.headers);
    }
}

TEST(ExploreAddress, PageAddressForABrowserOnThisMachine) {
    EXPECT_EQ(page_url({"127.0.0.1", 8080}), "http://127.0.0.1:8080/");
    EXPECT_EQ(page_url({"::1", 80}), "http://[::1]:80/");
    EXPECT_EQ(page_url({"0.0.0.0", 5}), "http://127.0.0.1:5/");
    EXPECT_EQ(page_url({"::", 5}), "http://[::1]:5/");
    EXPECT_EQ(page_url({"lab.example", 5}), "http://lab.example:5/");
    for (const char* host : {"localhost", "127.0.0.1", "127.1.2.3", "::1"}) EXPECT_TRUE(is_loopback(host)) << host;
    for (const char* host : {"0.0.0.0", "::", "192.168.1.5", "lab.example", "127.example"})
        EXPECT_FALSE(is_loopback(host)) << host;
}

// The ten parameters of the README's example, as a request gives them.
query_fields example_fields() {
    return {{"embryo-larval-survival", "0.013"}, {"max-juvenile-survival", "0.8"}, {"adult-survival", "0.5"},
            {"carrying-capacity", "400"},        {"weight-increase-rate", "2"},    {"growth-inhibition", "0.5"},
            {"weight-at-one-year", "0.1"},       {"max-reproduction-age", "4"},    {"fecundity-rate", "1"},
            {"generations", "50"}};
}

std::string refusal_of(const query_fields& fields) {
    try {
        read_query(fields);
    } catch (const refusal& refused) {
        EXPECT_EQ(refused.status, 400);
        return refused.message;
    }
    return "";
}

TEST(ExploreQuery, ParametersInTheAnswerSyntaxAndSeeds) {
    query_fields fields = example_fields();
    fields[3].second = "1.5D2";
    fields[9].second = "3*7";
    fields.emplace_back("seeds", "5,0-2");
    const ensemble_query query = read_query(fields);
    EXPECT_EQ(query.answers.values.carrying_capacity, 150);
    EXPECT_EQ(query.answers.values.generations, 7);
    EXPECT_EQ(query.answers.texts[3], "1.5D2");
    EXPECT_EQ(query.seeds, (std::vector<std::int32_t>{0, 1, 2, 5}));
    EXPECT_EQ(read_query(example_fields()).seeds.size(), 1000u);
}

TEST(ExploreQuery, JsonNumbersBecomeTheShortestTextThatReadsBack) {
    const query_fields fields = fields_from_json(
        R"({"parameters": {"embryo-larval-survival": 0.1, "carrying-capacity": 1e-5, "generations": 50,
                           "fecundity-rate": 2.0, "adult-survival": "0.5"}, "seeds": "1-3"})");
    const query_fields expected = {{"adult-survival", "0.5"}, {"carrying-capacity", "1e-05"},
                                   {"embryo-larval-survival", "0.1"}, {"fecundity-rate", "2"},
                                   {"generations", "50"}, {"seeds", "1-3"}};  // in the order of the names
    EXPECT_EQ(fields, expected);
}

TEST(ExploreQuery, BadRequestsNameTheirProblem) {
    struct case_t {
        query_fields fields;
        std::string message;
    };
    const auto with = [](std::size_t index, std::string text) {
        query_fields fields = example_fields();
        fields[index].second = std::move(text);
        return fields;
    };
    const auto plus = [](std::string name, std::string text) {
        query_fields fields = example_fields();
        fields.emplace_back(std::move(name), std::move(text));
        return fields;
    };
    const auto without = [](std::initializer_list<std::size_t> left_out) {
        query_fields fields;
        const query_fields all = example_fields();
        for (std::size_t i = 0; i < all.size(); ++i)
            if (std::find(left_out.begin(), left_out.end(), i) == left_out.end()) fields.push_back(all[i]);
        return fields;
    };
    const case_t cases[] = {
        {with(2, "abc"), "--adult-survival: 'abc' is not a number the prompt would take "
                         "(Bad real number in item 1 of list input)"},
        {with(9, "12.5"), "--generations: '12.5' is not a number the prompt would take "
                          "(Bad integer for item 1 in list input)"},
        {with(0, ","), "--embryo-larval-survival: ',' is not a number the prompt would take (no number given)"},
        {without({9}), "missing parameter --generations"},
        {without({0, 9}), "missing parameters --embryo-larval-survival, --generations"},
        {plus("adult-survivl", "1"), "unknown option --adult-survivl (did you mean --adult-survival?)"},
        {plus("adult-survival", "0.4"), "--adult-survival is given twice"},
        {plus("seeds", "5-2"), "--seeds: "},
        {with(9, "20000"), "--generations: 20000 generations of 1000 streams are more rows than the explorer "
                           "keeps at once (10000000); ask for fewer generations or seeds"},
    };
    for (const case_t& c : cases) {
        const std::string message = refusal_of(c.fields);
        EXPECT_TRUE(message.starts_with(c.message)) << message;
    }
    query_fields few_seeds = with(9, "20000");
    few_seeds.emplace_back("seeds", "0-9");
    EXPECT_NO_THROW(read_query(few_seeds));  // the bound is on rows, not on generations
}

TEST(ExploreQuery, BodiesThatAreNotAQuery) {
    for (const char* body : {"", "{", "[1, 2]", R"({"parameters": [1]})", R"({"parameters": {"generations": true}})",
                             R"({"seeds": null})", R"({"parameter": {}})", "{\"seeds\": \"\xff\"}"}) {
        try {
            fields_from_json(body);
            ADD_FAILURE() << "took " << body;
        } catch (const refusal& refused) {
            EXPECT_EQ(refused.status, 400) << body;
            EXPECT_FALSE(refused.message.empty()) << body;
        }
    }
}

TEST(ExploreQuery, KeyTellsTheAnswersAsWrittenAndTheSeedsApart) {
    query_fields fields = example_fields();
    const std::string key = query_key(read_query(fields));
    fields.emplace_back("seeds", "500-999,0-499");
    EXPECT_EQ(query_key(read_query(fields)), key);  // the same seeds
    fields.back().second = "0-998";
    EXPECT_NE(query_key(read_query(fields)), key);
    query_fields rewritten = example_fields();
    rewritten[2].second = ".5";
    EXPECT_NE(query_key(read_query(rewritten)), key);  // answers.txt would differ
}

ensemble_query query_of(const std::string& generations, const std::string& seeds) {
    query_fields fields = example_fields();
    fields[9].second = generations;
    fields.emplace_back("seeds", seeds);
    return read_query(fields);
}

// What a computation really holds when it answers: its rows, its summary,
// and the largest of the texts made from them.
std::size_t bytes_held(const computed_ensemble& result) {
    const std::string json = ensemble_json(result);
    std::string csv;
    results::write_summary_csv(result.analysis.summary, [&csv](std::string_view piece) { csv += piece; });
    const std::string svg = results::report_svg(result.runs, result.analysis, result.answers.values);
    return result.runs.rows.capacity() * sizeof(generation_row) + result.runs.wrapped.capacity() +
           result.analysis.summary.generations.capacity() * sizeof(generation_summary) +
           std::max({json.size(), csv.size(), svg.size()});
}

TEST(ExploreMemory, TheBoundCoversWhatAComputationHolds) {
    struct case_t {
        const char* generations;
        const char* seeds;
    };
    // Long single streams, where the summary and the answer per generation
    // count, and many short ones, where the rows do.
    for (const case_t& c : {case_t{"20000", "7"}, case_t{"3000", "0-2"}, case_t{"30", "0-999"}}) {
        const ensemble_query query = query_of(c.generations, c.seeds);
        computation_state state;
        state.threads = 2;
        const std::size_t held = bytes_held(*compute(state, query));
        EXPECT_GE(memory_needed(query), held) << c.generations << " generations of seeds " << c.seeds;
        EXPECT_LT(memory_needed(query), 20 * held) << "a bound too loose refuses what the machine could do";
    }
}

TEST(ExploreMemory, AQueryOverTheLimitIsRefusedBeforeAnythingRuns) {
    // Ten million rows of a single stream: within the row limit, far beyond a gigabyte.
    const ensemble_query query = query_of("9999999", "0");
    computation_state state;
    state.max_memory = std::size_t{1} << 30;
    try {
        compute(state, query);
        FAIL() << "computed";
    } catch (const refusal& refused) {
        EXPECT_EQ(refused.status, 503);
        EXPECT_EQ(refused.message, "not enough memory: 1 stream of 9999999 generations would need about " +
                                       memory_text(memory_needed(query)) +
                                       ", more than the 1.0 GiB the explorer may use (--max-memory); ask for "
                                       "fewer generations or seeds");
    }
    const computation_progress progress = current_progress(state);
    EXPECT_FALSE(progress.running);
    EXPECT_EQ(progress.total, 0u);  // no computation was started
    EXPECT_EQ(state.last, nullptr);
}

TEST(ExploreMemory, TheLimitIsInclusive) {
    const ensemble_query query = query_of("50", "0-9");
    EXPECT_EQ(check_memory(query, memory_needed(query)), std::nullopt);
    const std::optional<refusal> refused = check_memory(query, memory_needed(query) - 1);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 503);
    EXPECT_TRUE(refused->message.starts_with("not enough memory: 10 streams of 50 generations")) << refused->message;
}

TEST(ExploreMemory, SizesAsTheOptionTakesThem) {
    struct case_t {
        const char* text;
        std::optional<std::size_t> bytes;
    };
    const case_t cases[] = {
        {"4096", 4096},
        {"2k", 2048},
        {"512M", std::size_t{512} << 20},
        {"1.5G", std::size_t{3} << 29},
        {"2T", std::size_t{2} << 40},
        {"0.5K", 512},
        {"0", std::nullopt},
        {"0.1", std::nullopt},  // less than a byte
        {"", std::nullopt},
        {"G", std::nullopt},
        {"-1G", std::nullopt},
        {"1e9", std::nullopt},
        {"1.5.2G", std::nullopt},
        {"4GB", std::nullopt},
        {"4 G", std::nullopt},
        {"99999999999T", std::nullopt},  // beyond 64 bits
    };
    for (const case_t& c : cases) EXPECT_EQ(size_from_text(c.text), c.bytes) << c.text;
}

TEST(ExploreMemory, SizesAsAReaderTakesThemIn) {
    EXPECT_EQ(memory_text(0), "0 bytes");
    EXPECT_EQ(memory_text(1000), "1000 bytes");
    EXPECT_EQ(memory_text(1536), "1.5 KiB");
    EXPECT_EQ(memory_text(std::size_t{200} << 20), "200 MiB");
    EXPECT_EQ(memory_text(std::size_t{3} << 30), "3.0 GiB");
    EXPECT_GT(default_memory_limit(), 0u);
}

}  // namespace
}  // namespace zemrath::explore
