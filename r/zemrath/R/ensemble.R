#' Every stream of a parameter set
#'
#' Runs the stream of every seed asked for, on several threads, and sums up
#' each generation over them: what the program `zemrath-ensemble` does,
#' with the same numbers.
#'
#' A long call stops with R's interrupt when you press Ctrl-C: no stream
#' starts after it, and those under way stop at their next generation
#' (R is asked every tenth of a second). The next call runs as usual.
#'
#' @inheritParams run_stream
#' @param seeds The streams to run: whole numbers from 0 to 999, taken as a
#'   set (each once, ascending). All 1000 by default.
#' @param threads Streams run at once, 1 to 1024; `NULL` for every core
#'   available to R ([parallelly::availableCores()]). The results never
#'   depend on it.
#' @return An object of class `zemrath_ensemble`, a list of
#'   \describe{
#'     \item{`runs`}{a data frame `seed, generation, embryos, larvae, adults`
#'       (integers): every stream's rows, as [run_stream()] gives them,
#'       seeds ascending;}
#'     \item{`summary`}{a data frame with the columns of `zemrath-ensemble`'s
#'       `summary.csv`, one row per generation: `generation`, then for
#'       `embryos`, `larvae` and `adults` in turn the mean, standard deviation
#'       (over the streams, dividing by their number), minimum, 5th, 25th,
#'       50th, 75th and 95th percentile and maximum (`adults_mean`,
#'       `adults_sd`, `adults_min`, `adults_p5`, ..., `adults_max`), then
#'       `extinct_fraction` (streams without adults) and `wrapped_fraction`
#'       (streams whose counts wrapped around 32 bits in that generation);}
#'     \item{`parameters`, `seeds`}{what was run.}
#'   }
#'   Percentiles interpolate linearly between the sorted values.
#' @seealso [summary()][summary.zemrath_ensemble()],
#'   [plot()][plot.zemrath_ensemble()],
#'   [autoplot()][autoplot.zemrath_ensemble()].
#' @examples
#' p <- zemrath_parameters(0.013, 0.8, 0.5, 400, 2, 0.5, 0.1, 4, 1, 20)
#' e <- run_ensemble(p, seeds = 0:99, threads = 2)
#' summary(e)
#' tail(e$summary[, c("generation", "adults_p5", "adults_p50", "adults_p95", "extinct_fraction")])
#' @export
run_ensemble <- function(parameters, seeds = 0:999, threads = NULL) {
  parameters <- checked_parameters(parameters)
  seeds <- seed_set(seeds)
  result <- cpp_run_ensemble(parameters, seeds, thread_count(threads))
  structure(list(runs = result$runs, summary = result$summary, parameters = structure(parameters, class =
    "zemrath_parameters"), seeds = seeds, text = result$text), class = "zemrath_ensemble")
}

#' What the streams of an ensemble say together
#'
#' The few lines that `zemrath-ensemble` prints when it is done: the streams
#' and generations run, the adults of the last generation (median and the
#' band of 90% of the streams), how many streams died out and the median
#' generation in which they did, and whether counts wrapped.
#'
#' @param object A `zemrath_ensemble` from [run_ensemble()].
#' @param ... Not used.
#' @return An object of class `summary.zemrath_ensemble` that prints those
#'   lines; `as.character()` gives them as one string.
#' @examples
#' p <- zemrath_parameters(0.013, 0.8, 0.5, 400, 2, 0.5, 0.1, 4, 1, 20)
#' summary(run_ensemble(p, seeds = 0:99, threads = 2))
#' @export
summary.zemrath_ensemble <- function(object, ...) {
  object <- checked_ensemble(object, "object")
  structure(list(text = object$text), class = "summary.zemrath_ensemble")
}

#' @export
print.summary.zemrath_ensemble <- function(x, ...) {
  cat(checked_ensemble_summary(x)$text)
  invisible(x)
}

#' @export
as.character.summary.zemrath_ensemble <- function(x, ...) checked_ensemble_summary(x)$text

#' @export
print.zemrath_ensemble <- function(x, ...) {
  x <- checked_ensemble(x, "x")
  cat("zemrath ensemble: $runs (", nrow(x$runs), " rows), $summary (", nrow(x$summary), " generations)\n", sep = "")
  cat(x$text)
  invisible(x)
}

# The summary columns that the methods of an ensemble read, as numbers.
ensemble_summary_columns <- c("generation", "extinct_fraction",
                              outer(c("embryos", "larvae", "adults"), c("p5", "p25", "p50", "p75", "p95"),
                                    paste, sep = "_"))

# An ensemble given to one of its methods as argument `what`.
checked_ensemble <- function(x, what) {
  checked_result(x, what, "run_ensemble()", list(
    runs = is.data.frame,
    summary = function(summary) {
      is.data.frame(summary) && nrow(summary) > 0 && all(ensemble_summary_columns %in% names(summary)) &&
        all(vapply(summary[ensemble_summary_columns], is.numeric, logical(1)))
    },
    seeds = function(seeds) is.numeric(seeds) && length(seeds) > 0,
    text = is_text))
}

checked_ensemble_summary <- function(x) checked_result(x, "x", "summary() of an ensemble", list(text = is_text))
