#include "ensemble/result_files.hpp"

#include <system_error>

#include "ensemble/csv_tables.hpp"
#include "ensemble/report_svg.hpp"
#include "ensemble/staged_file.hpp"

namespace zemrath::ensemble {

std::optional<std::string> write_result_files(const ensemble_request& request,
                                              const ensemble_runs& runs,
                                              const ensemble_summary& summary) {
    std::error_code error;
    std::filesystem::create_directories(request.out_directory, error);
    if (error)
        return "cannot create directory " + request.out_directory.string() + ": " + error.message();

    staged_file file;
    if (request.write_runs) {
        if (!stage_file(file, request.out_directory / "runs.csv")) return file.error;
        write_runs_csv(file, runs);
        if (!commit_staged(file)) return file.error;
    }
    if (!stage_file(file, request.out_directory / "summary.csv")) return file.error;
    write_summary_csv(file, summary);
    if (!commit_staged(file)) return file.error;

    if (!stage_file(file, request.out_directory / "report.svg")) return file.error;
    staged_write(file, report_svg(runs, summary, request.parameters));
    if (!commit_staged(file)) return file.error;
    return std::nullopt;
}

}  // namespace zemrath::ensemble
