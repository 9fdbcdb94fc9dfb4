#' One stream: the rows of a run
#'
#' Runs the stream of one seed. The rows are those of the results file
#' `output.txt` that the console program writes when seeded with that
#' millisecond (`ZEMRATH_SEED=seed zemrath` with the same answers), row for
#' row: row 0 holds the 20 first recruits, then one row per generation.
#'
#' Counts are 32-bit integers that wrap around, as the program's do: a
#' population too large for them shows wrapped, possibly negative, numbers.
#'
#' A long call stops with R's interrupt when you press Ctrl-C, between two
#' generations (R is asked every tenth of a second). The next call runs as
#' usual.
#'
#' @param parameters A [zemrath_parameters()] object.
#' @param seed The stream: a whole number from 0 to 999.
#' @param threads Threads that the long counts of a large population may
#'   use, 1 to 1024; `NULL` for every core available to R
#'   ([parallelly::availableCores()]). The rows never depend on it.
#' @return A data frame with integer columns `generation`, `embryos`,
#'   `larvae` and `adults`.
#' @examples
#' p <- zemrath_parameters(0.013, 0.8, 0.5, 400, 2, 0.5, 0.1, 4, 1, 20)
#' run_stream(p, seed = 42)
#' @export
run_stream <- function(parameters, seed, threads = NULL) {
  parameters <- checked_parameters(parameters)
  seed <- whole_numbers(seed, "seed", -.Machine$integer.max, .Machine$integer.max, single = TRUE)
  cpp_run_stream(parameters, as.integer(seed), thread_count(threads))
}
