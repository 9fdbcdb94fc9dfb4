#' zemrath: stochastic individual-based simulation of a fish population
#'
#' The model of the console program `zemrath`, run from R. Ten parameters
#' ([zemrath_parameters()], or [read_answers()] for a file of the answers
#' typed at the program's prompts) describe a population; a run starts from
#' one of 1000 random streams, named by its seed, 0 to 999.
#'
#' - [run_stream()]: one stream's rows, as the program writes them;
#' - [run_ensemble()]: every stream asked for, with the statistics of each
#'   generation, [summary()][summary.zemrath_ensemble()],
#'   [plot()][plot.zemrath_ensemble()] and
#'   [autoplot()][autoplot.zemrath_ensemble()];
#' - [run_sweep()]: an experiment over many parameter sets, run through
#'   `future` plans.
#'
#' The simulation itself is the project's C++ core, compiled into the
#' package: the same rows, statistics, designs and indices as the
#' command-line programs. Its calls never end R, never write to the console
#' and leave R's floating-point settings as they were. Its failures are R
#' errors of class `zemrath_error` and of a class naming the failure:
#' `zemrath_bad_value` (an argument that cannot be taken),
#' `zemrath_bad_answer` (an answer the prompts' syntax cannot read),
#' `zemrath_end_of_input` (an answers file that ends too early),
#' `zemrath_read_failed`, `zemrath_out_of_memory` (also when the system
#' starts none of the threads a run needs; threads it refuses beyond the
#' first leave the run to those it started) and `zemrath_system_error` (any
#' other resource the system refuses). Ctrl-C stops a run at the next
#' generation of its streams, with R's usual interrupt.
#'
#' @keywords internal
#' @useDynLib zemrath, .registration = TRUE
#' @importFrom Rcpp sourceCpp
"_PACKAGE"
