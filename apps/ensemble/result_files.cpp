#include "ensemble/result_files.hpp"

#include "results/csv_tables.hpp"
#include "results/file_set.hpp"
#include "results/provenance.hpp"
#include "results/report_svg.hpp"
#include "zemrath/seed_list.hpp"

namespace zemrath::ensemble {

namespace {

constexpr const char* runs_file_name = "runs.csv";

results::provenance provenance_of(const ensemble_request& request) {
    results::provenance run;
    run.program = "zemrath-ensemble";
    run.answers = request.answer_texts;
    run.seeds = format_seed_list(request.seeds);
    run.generations = request.parameters.generations;
    run.command = request.command;
    return run;
}

}  // namespace

void write_result_files(const ensemble_request& request, const ensemble_runs& runs, const ensemble_analysis& analysis) {
    results::file_set set(request.out_directory);
    if (request.write_runs) {
        results::staged_file& file = results::add_file(set, runs_file_name);
        results::write_runs_csv(runs, results::sink_to(set, file));
    }
    results::write_summary_csv(analysis.summary, results::sink_to(set, results::add_file(set, "summary.csv")));
    results::write_to(set, results::add_file(set, "report.svg"), results::report_svg(runs, analysis, request.parameters));
    const results::provenance run = provenance_of(request);
    results::write_to(set, results::add_file(set, results::answers_file_name), results::answers_file_text(run));
    results::write_to(set, results::add_file(set, results::record_file_name), results::record_file_text(run));
    results::commit(set, request.write_runs ? std::vector<std::string>{} : std::vector<std::string>{runs_file_name});
}

}  // namespace zemrath::ensemble
