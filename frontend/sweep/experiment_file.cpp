#include "sweep/experiment_file.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include <toml++/toml.h>

#include "sweep/experiment_table.hpp"
#include "text/closest_name.hpp"
#include "zemrath/answer_reader.hpp"
#include "zemrath/seed_list.hpp"

namespace zemrath::sweep {

namespace {

// Where a problem is: the file, the line and the key.
struct location {
    const std::string* file = nullptr;
    std::uint32_t line = 0;
    std::string key;
};

// Line 0 is no line: a table that was made, not read from a file.
[[noreturn]] void fail(const location& at, const std::string& reason) {
    const std::string line = at.line > 0 ? ":" + std::to_string(at.line) : "";
    throw error(error_code::bad_value, *at.file + line + ": " + at.key + ": " + reason, at.key);
}

location at_node(const std::string& file, const toml::node& node, std::string key) {
    return {&file, node.source().begin.line, std::move(key)};
}

// The keys of a table in the order the file gives them.
std::vector<std::pair<const toml::key*, const toml::node*>> in_file_order(const toml::table& table) {
    std::vector<std::pair<const toml::key*, const toml::node*>> entries;
    for (const auto& [key, node] : table) entries.emplace_back(&key, &node);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return std::pair(a.first->source().begin.line, a.first->source().begin.column) <
               std::pair(b.first->source().begin.line, b.first->source().begin.column);
    });
    return entries;
}

void only_known_keys(const std::string& file, const toml::table& table, const std::string& prefix,
                     const std::vector<std::string>& known) {
    for (const auto& [key, node] : in_file_order(table)) {
        const std::string name(key->str());
        if (std::find(known.begin(), known.end(), name) != known.end()) continue;
        std::string reason = "unknown key";
        if (const auto closest = text::closest_name(name, known)) reason += " (did you mean " + *closest + "?)";
        fail({&file, key->source().begin.line, prefix + name}, reason);
    }
}

std::vector<std::string> parameter_keys() {
    std::vector<std::string> keys;
    for (std::size_t i = 0; i < answer_fields.size(); ++i) keys.push_back(parameter_key(i));
    return keys;
}

std::size_t parameter_named(const location& at, std::string_view name) {
    if (const std::size_t i = answer_key_index(name); i < answer_fields.size()) return i;
    std::string reason = "no parameter of that name";
    if (const auto closest = text::closest_name(name, parameter_keys())) reason += " (did you mean " + *closest + "?)";
    fail(at, reason);
}

// A value of a parameter: a number, or a string in the prompts' answer
// syntax. Stored into `into`.
void read_parameter_value(const location& at, const toml::node& node, std::size_t answer, partial_answers& into) {
    const bool integer = answer_fields[answer].integer != nullptr;
    if (const auto* text = node.as_string()) {
        try {
            read_answer_text(text->get(), answer, into);
        } catch (const error& failure) {
            fail(at, "cannot read '" + text->get() + "': " + failure.what());
        }
        return;
    }
    double value = 0;
    if (const auto* whole = node.as_integer()) {
        value = static_cast<double>(whole->get());
        if (integer && (whole->get() < -2147483647 || whole->get() > 2147483647)) fail(at, "is out of range");
    } else if (const auto* real = node.as_floating_point()) {
        value = real->get();
        if (integer && value != std::nearbyint(value)) fail(at, "takes whole numbers only");
    } else {
        fail(at, "must be a number or a string in the prompts' answer syntax");
    }
    set_answer_value(into.values, answer, value);
    into.given[answer] = true;
}

double parameter_value(const location& at, const toml::node& node, std::size_t answer) {
    partial_answers one;
    read_parameter_value(at, node, answer, one);
    return answer_value(one.values, answer);
}

design_kind kind_named(const location& at, const toml::node& node) {
    const std::optional<std::string> name = node.value<std::string>();
    if (name)
        if (const std::optional<design_kind> kind = design_kind_named(*name)) return *kind;
    std::string kinds;
    for (std::size_t i = 0; i < every_design_kind.size(); ++i)
        kinds += std::string(i == 0 ? "" : i + 1 == every_design_kind.size() ? " or " : ", ") + "\"" +
                 std::string(design_kind_name(every_design_kind[i])) + "\"";
    fail(at, "must be " + kinds);
}

std::int64_t whole_number(const location& at, const toml::node& node, std::int64_t low, std::int64_t high) {
    const auto* value = node.as_integer();
    if (value == nullptr) fail(at, "must be a whole number");
    if (value->get() < low || value->get() > high)
        fail(at, "must be from " + std::to_string(low) + " to " + std::to_string(high));
    return value->get();
}

// What the program keeps per point of a design while it runs, at most: its
// answers, its lines in the identity and in points.csv, its outcomes, and
// what the containers around them add. A generous round figure.
constexpr std::uint64_t bytes_per_point = 1024;

// The memory this process may have: the machine's, or less where a limit
// on the process says so.
std::uint64_t memory_available() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long page_size = ::sysconf(_SC_PAGESIZE);
    std::uint64_t bytes = pages > 0 && page_size > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size)
                                                     : UINT64_MAX;
    for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit limit{};
        if (::getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            bytes = std::min<std::uint64_t>(bytes, limit.rlim_cur);
    }
    return bytes;
}

// "23.4 GB".
std::string gigabytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / 1e9);
    return text;
}

struct reader {
    const std::string& file;
    experiment result;
    partial_answers base;
    std::uint32_t first_line = 1;  // 0 for a table that was made, not read
    std::uint32_t base_line = 1;   // where a missing answer is reported
    std::vector<location> size_keys;  // what gives each varied parameter's number of values
    location samples_key;

    void read_top(const toml::table& root, const answers_loader& load_answers) {
        only_known_keys(file, root, "", {"answers", "seeds", "parameters", "vary", "design"});
        if (const toml::node* node = root.get("answers")) read_answers_file(*node, load_answers);
        result.seeds = all_seeds();
        if (const toml::node* node = root.get("seeds")) read_seeds(*node);
    }

    void read_answers_file(const toml::node& node, const answers_loader& load) {
        const location at = at_node(file, node, "answers");
        const auto path = node.value<std::string>();
        if (!path) fail(at, "must be the name of an answers file");
        result.answers_path = *path;
        base_line = at.line;
        try {
            base = read_answers_text(load(*path), *path);
        } catch (const error& failure) {
            fail(at, failure.what());
        }
    }

    void read_seeds(const toml::node& node) {
        const location at = at_node(file, node, "seeds");
        const auto text = node.value<std::string>();
        if (!text) fail(at, "must be a list of seeds such as \"0-99,500\"");
        std::string reason;
        auto seeds = parse_seed_list(*text, reason);
        if (!seeds) fail(at, reason);
        result.seeds = std::move(*seeds);
    }

    void read_parameters(const toml::table& parameters) {
        for (const auto& [key, node] : in_file_order(parameters)) {
            const location at = at_node(file, *node, "parameters." + std::string(key->str()));
            read_parameter_value(at, *node, parameter_named(at, key->str()), base);
        }
    }

    void read_design(const toml::table& design) {
        only_known_keys(file, design, "design.",
                        {"kind", "samples", "sample-seed", "trajectories", "levels", "select-from", "resamples"});
        experiment_design& d = result.design;
        if (const toml::node* node = design.get("kind")) d.kind = kind_named(at_node(file, *node, "design.kind"), *node);
        if (const toml::node* node = design.get("samples")) {
            samples_key = at_node(file, *node, "design.samples");
            const bool efast = d.kind == design_kind::efast;
            d.samples = static_cast<std::int32_t>(whole_number(samples_key, *node, efast ? fewest_efast_samples : 2,
                                                               efast ? most_efast_samples : 100000000));
        }
        if (const toml::node* node = design.get("sample-seed"))
            d.sample_seed = static_cast<std::uint64_t>(
                whole_number(at_node(file, *node, "design.sample-seed"), *node, 0, INT64_MAX));
        const bool sampled = d.kind == design_kind::latin_hypercube || d.kind == design_kind::sobol ||
                             d.kind == design_kind::efast;
        if (sampled && design.get("samples") == nullptr)
            fail({&file, design.source().begin.line, "design.samples"}, "is needed by this kind of design");
        if (d.kind == design_kind::morris) read_morris(design);
        if (const toml::node* node = design.get("resamples"))
            d.resamples = static_cast<std::int32_t>(whole_number(at_node(file, *node, "design.resamples"), *node, 1, 1000));
    }

    void read_morris(const toml::table& design) {
        experiment_design& d = result.design;
        const toml::node* trajectories = design.get("trajectories");
        if (trajectories == nullptr)
            fail({&file, design.source().begin.line, "design.trajectories"}, "is needed by a Morris design");
        samples_key = at_node(file, *trajectories, "design.trajectories");
        d.trajectories = static_cast<std::int32_t>(whole_number(samples_key, *trajectories, 2, 100000000));
        if (const toml::node* node = design.get("levels")) {
            const location at = at_node(file, *node, "design.levels");
            d.levels = static_cast<std::int32_t>(whole_number(at, *node, 2, 1000000));
            if (d.levels % 2 != 0) fail(at, "must be even, so that a step reaches every level equally often");
        }
        if (const toml::node* node = design.get("select-from"))
            d.select_from = static_cast<std::int32_t>(whole_number(at_node(file, *node, "design.select-from"), *node,
                                                                   d.trajectories, most_candidate_trajectories));
    }

    void read_varied(const toml::table& vary) {
        for (const auto& [key, node] : in_file_order(vary)) {
            const std::string prefix = "vary." + std::string(key->str());
            const location at{&file, key->source().begin.line, prefix};
            const auto* table = node->as_table();
            if (table == nullptr) fail(at, "must be a table of values, or of from, to and points");
            varied_parameter parameter;
            parameter.answer = parameter_named(at, key->str());
            read_values_or_range(*table, prefix, parameter);
            check_alone(at, parameter);
            result.design.varied.push_back(parameter);
        }
    }

    void read_values_or_range(const toml::table& table, const std::string& prefix, varied_parameter& parameter) {
        only_known_keys(file, table, prefix + ".", {"values", "from", "to", "points", "scale"});
        const location at{&file, table.source().begin.line, prefix};
        if (const toml::node* node = table.get("values")) {
            if (table.get("from") != nullptr || table.get("to") != nullptr || table.get("points") != nullptr)
                fail(at, "give values, or from and to, not both");
            const auto* list = node->as_array();
            if (list == nullptr || list->empty()) fail(at_node(file, *node, prefix + ".values"), "must be a list of values");
            size_keys.push_back(at_node(file, *node, prefix + ".values"));
            for (const toml::node& value : *list)
                parameter.values.push_back(parameter_value(at_node(file, value, prefix + ".values"), value, parameter.answer));
            return;
        }
        for (const char* end : {"from", "to"})
            if (table.get(end) == nullptr) fail(at, std::string("needs values, or from and to (") + end + " is missing)");
        parameter.from = parameter_value(at_node(file, *table.get("from"), prefix + ".from"), *table.get("from"), parameter.answer);
        parameter.to = parameter_value(at_node(file, *table.get("to"), prefix + ".to"), *table.get("to"), parameter.answer);
        size_keys.push_back({&file, table.source().begin.line, prefix + ".points"});
        if (const toml::node* node = table.get("points")) {
            size_keys.back() = at_node(file, *node, prefix + ".points");
            parameter.points = static_cast<std::int32_t>(whole_number(size_keys.back(), *node, INT32_MIN, INT32_MAX));
        }
        if (const toml::node* node = table.get("scale")) {
            const auto scale = node->value<std::string>();
            if (scale != "linear" && scale != "log") fail(at_node(file, *node, prefix + ".scale"), "must be \"linear\" or \"log\"");
            parameter.scale = scale == "log" ? value_scale::log : value_scale::linear;
        }
    }

    // The design's own checks on this parameter, reported at its table.
    void check_alone(const location& at, const varied_parameter& parameter) const {
        experiment_design single = result.design;
        single.varied = {parameter};
        single.samples = std::max(single.samples, 2);
        try {
            check_design(single);
        } catch (const error& failure) {
            const std::string reason = failure.what();
            fail(at, reason.substr(reason.find(": ") + 2));
        }
    }

    // Every answer must have a base value, but for those varied where the
    // design never uses the base.
    void complete_base() {
        const bool base_used = result.design.kind == design_kind::one_at_a_time;
        for (std::size_t i = 0; i < answer_fields.size(); ++i) {
            if (base.given[i]) continue;
            const auto& varied = result.design.varied;
            const bool is_varied = std::any_of(varied.begin(), varied.end(), [i](const auto& v) { return v.answer == i; });
            if (is_varied && !base_used) continue;
            fail({&file, base_line, "parameters." + parameter_key(i)},
                 "missing: give it in the answers file or in [parameters]" +
                     std::string(is_varied ? " (one at a time needs a base value)" : ""));
        }
        result.design.base = base.values;
    }

    // A design must fit in memory with room to spare; the key named is the
    // one that makes it large.
    void check_size() const {
        const experiment_design& d = result.design;
        const std::uint64_t points = design_size(d);
        const std::uint64_t most = memory_available() / bytes_per_point;
        if (points <= most) return;
        location at = samples_key.file != nullptr ? samples_key : location{&file, first_line, "design.samples"};
        if (d.kind == design_kind::grid || d.kind == design_kind::one_at_a_time) {
            std::size_t largest = 0;
            for (std::size_t j = 1; j < d.varied.size(); ++j)
                if (parameter_value_count(d.varied[j]) > parameter_value_count(d.varied[largest])) largest = j;
            at = size_keys[largest];
        }
        fail(at, "the design would have " + (points == UINT64_MAX ? "more than 2^64" : std::to_string(points)) +
                     " points, more than this machine's memory can keep track of (" + std::to_string(most) +
                     " points in " + gigabytes(memory_available()) + ")");
    }
};

const toml::table* table_at(const std::string& file, const toml::table& root, const char* key) {
    const toml::node* node = root.get(key);
    if (node == nullptr) return nullptr;
    const auto* table = node->as_table();
    if (table == nullptr) fail(at_node(file, *node, key), "must be a table");
    return table;
}

}  // namespace

std::string parameter_key(std::size_t answer) { return std::string(answer_fields[answer].key); }

experiment parse_experiment(std::string_view text, const std::string& name, const answers_loader& load_answers) {
    toml::table root;
    try {
        root = toml::parse(text, name);
    } catch (const toml::parse_error& failure) {
        throw error(error_code::bad_value, name + ":" + std::to_string(failure.source().begin.line) + ": " +
                                               std::string(failure.description()));
    }
    return read_experiment_table(root, name, load_answers);
}

std::string read_answers_beside(const std::filesystem::path& experiment_file, const std::string& answers_path) {
    return read_input_file((experiment_file.parent_path() / answers_path).string(), answers_file_kind);
}

experiment read_experiment_table(const toml::table& root, const std::string& name, const answers_loader& load_answers) {
    const std::uint32_t first_line = root.source().begin.line;
    reader r{name, {}, {}, first_line, first_line, {}, {}};
    r.read_top(root, load_answers);
    if (const auto* parameters = table_at(name, root, "parameters")) r.read_parameters(*parameters);
    if (const auto* design = table_at(name, root, "design")) r.read_design(*design);
    const auto* vary = table_at(name, root, "vary");
    if (vary == nullptr || vary->empty()) fail({&name, first_line, "vary"}, "no parameter is varied");
    r.read_varied(*vary);
    r.complete_base();
    r.check_size();
    return r.result;
}

}  // namespace zemrath::sweep
