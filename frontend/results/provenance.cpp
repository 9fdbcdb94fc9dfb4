#include "results/provenance.hpp"

#include <chrono>
#include <sstream>

#include <toml++/toml.h>

#include "zemrath/version.hpp"

namespace zemrath::results {

namespace {

toml::date_time now_in_utc() {
    const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    const auto day = std::chrono::floor<std::chrono::days>(now);
    const std::chrono::year_month_day date(day);
    const std::chrono::hh_mm_ss time(now - day);
    return toml::date_time{
        toml::date{static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                   static_cast<unsigned>(date.day())},
        toml::time{static_cast<unsigned>(time.hours().count()), static_cast<unsigned>(time.minutes().count()),
                   static_cast<unsigned>(time.seconds().count())},
        toml::time_offset{}};
}

}  // namespace

std::string answers_file_text(const provenance& run) {
    std::string text;
    for (const std::string& answer : run.answers) text += answer + '\n';
    return text + '\n';
}

std::string record_file_text(const provenance& run) {
    toml::table answers;
    for (std::size_t i = 0; i < answer_fields.size(); ++i)
        answers.insert(std::string(answer_fields[i].name), run.answers[i]);
    toml::array command;
    for (const std::string& argument : run.command) command.push_back(argument);
    const toml::table record{
        {"program", run.program},       {"version", std::string(version)}, {"time", now_in_utc()},
        {"seeds", run.seeds},           {"generations", run.generations},  {"command", command},
        {"answers", answers},
    };
    std::ostringstream text;
    text << "# How the files beside this one were made. " << answers_file_name << " holds the same answers,\n"
         << "# one per line, for zemrath (standard input) and zemrath-ensemble (--answers).\n"
         << record << '\n';
    return text.str();
}

}  // namespace zemrath::results
