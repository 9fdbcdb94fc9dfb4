#' An experiment: many parameter sets, every stream of each
#'
#' Runs the points of an experiment design, each over the streams of every
#' seed as [run_ensemble()] runs them, with the outcomes of each point and,
#' for the designs that have them, sensitivity indices. The designs, their
#' points and order, the outcomes and the indices are those of the
#' `zemrath-sweep` tool (the same code computes them), so an experiment
#' gives the same tables here and there.
#'
#' The points are mapped with [future.apply::future_lapply()], so the
#' [future::plan()] in force decides where they run: one after another by
#' default, on the cores of this machine with `plan(multisession)`, on a
#' cluster with `plan(cluster)` or a batch scheduler's plan. Every plan gives
#' the same results. Each point uses `threads` threads; `NULL` asks each
#' point for the cores available where it runs ([parallelly::availableCores()],
#' one on a multisession worker).
#'
#' Under the default plan, which runs the points here one after another,
#' Ctrl-C stops the point under way as it stops [run_ensemble()].
#'
#' @inheritParams run_ensemble
#' @param parameters A [zemrath_parameters()] object: the base of every
#'   point, but for the varied parameters.
#' @param vary A named list, one element per varied parameter (names as the
#'   arguments of [zemrath_parameters()]), in order: for `"grid"` and
#'   `"one-at-a-time"` the values it takes (the two whole-number parameters
#'   take whole values only); for `"latin-hypercube"`, `"sobol"`,
#'   `"morris"` and `"efast"` its range `c(from, to)`.
#' @param design `"grid"`: every combination of the values, the first
#'   parameter varying slowest. `"one-at-a-time"`: the base point, then each
#'   parameter over its values with the others at base.
#'   `"latin-hypercube"`: `samples` points, each parameter stratified over
#'   its range. `"sobol"`: a Saltelli design of `samples` x (parameters + 2)
#'   points (matrices A and B, Latin hypercubes, then for each parameter A
#'   with that column from B), with first- and total-order indices.
#'   `"morris"`: `trajectories` paths of parameters + 1 points over a grid
#'   of `levels`, one parameter moving per step, screened by their
#'   elementary effects. `"efast"`: for each parameter a search curve of
#'   `samples` points in each of `resamples` phases, with first- and
#'   total-order indices from the spectrum.
#' @param samples The number of samples of the `"latin-hypercube"` and
#'   `"sobol"` designs, 2 or more; of `"efast"`, per parameter and phase, 65
#'   or more.
#' @param trajectories The trajectories of a `"morris"` design, 2 or more.
#' @param levels The levels of a `"morris"` design's grid: even, 2 or more.
#' @param select_from For a `"morris"` design, the candidate trajectories
#'   (`trajectories` to 1000) of which the most spread are kept; 0 keeps the
#'   first ones drawn.
#' @param resamples The phases of an `"efast"` design, 1 or more.
#' @param sample_seed The seed of those designs' own sampling, apart from the
#'   streams: a whole number from 0 to 2^53.
#' @return An object of class `zemrath_sweep`, a list of data frames:
#'   \describe{
#'     \item{`points`}{`point` (numbered from 0, in design order, as in the
#'       sweep tool's files), then the ten parameters as used;}
#'     \item{`summary`}{`point`, then the columns of
#'       [run_ensemble()]'s summary, for every generation of every point;}
#'     \item{`outcomes`}{`point`, the varied parameters (as in `points`),
#'       then at the last generation `extinct_fraction`, `adults_mean`, `adults_p5`, `adults_p50`,
#'       `adults_p95`, `median_extinction_generation` (among the extinct
#'       streams; `NA` when none died out) and `wrapped_fraction` (streams
#'       whose counts wrapped in any generation);}
#'     \item{`sensitivity`}{for `"one-at-a-time"`: for each parameter
#'       and outcome its lowest and highest value and the outcome at base and
#'       there (`parameter, outcome, low_value, high_value, at_base, at_low,
#'       at_high`); for `"sobol"`: the first-order and total-order indices
#'       with the 2.5th to 97.5th percentiles of 1000 bootstrap resamples
#'       (`first_order, first_order_low, first_order_high, total_order,
#'       total_order_low, total_order_high`), `NA` for an outcome without
#'       variance; for `"efast"` the same columns, the intervals over the
#'       phases (`NA` with one); for `"morris"` the elementary effects'
#'       `mu, mu_star, sigma` and mu_star's bootstrap interval
#'       (`mu_star_low, mu_star_high`); for `"latin-hypercube"` the partial
#'       rank correlation coefficients and their p-values (`prcc,
#'       prcc_p_value`);}
#'     \item{`sensitivity_by_generation`}{only for `"sobol"`, `"morris"`
#'       and `"efast"`: `generation`, then the columns of `sensitivity` at
#'       every generation, for `extinct_fraction` and `adults_mean`; at the
#'       last generation the same numbers as `sensitivity`;}
#'     \item{`variance_share`}{for the adults (`adults_mean`) and whether a
#'       stream is extinct (`extinct_fraction`) at the last generation, the
#'       variance over every point and stream and the shares of it that the
#'       points' means and the streams within each point explain
#'       (`outcome, total_variance, points_share, streams_share`);}
#'   }
#'   and the arguments as used (`parameters`, `vary`, `design`, `seeds`).
#' @examples
#' p <- zemrath_parameters(0.013, 0.8, 0.5, 400, 2, 0.5, 0.1, 4, 1, 30)
#' s <- run_sweep(p, vary = list(carrying_capacity = c(100, 400), adult_survival = c(0.3, 0.5)),
#'                seeds = 0:99, threads = 2)
#' s$outcomes
#' \donttest{
#' # The same points on two background R sessions.
#' future::plan(future::multisession, workers = 2)
#' s2 <- run_sweep(p, vary = list(carrying_capacity = c(100, 400), adult_survival = c(0.3, 0.5)),
#'                 seeds = 0:99)
#' identical(s$outcomes, s2$outcomes)
#' future::plan(future::sequential)
#' }
#' @export
run_sweep <- function(parameters, vary, design = "grid", seeds = 0:999, samples = NULL, sample_seed = 0,
                      threads = NULL, trajectories = NULL, levels = 4, select_from = 0, resamples = 1) {
  parameters <- checked_parameters(parameters)
  vary <- checked_vary(vary)
  kinds <- cpp_design_kinds()
  if (!is.character(design) || length(design) != 1 || !design %in% kinds)
    bad_value("`design` must be one of ", paste0("\"", kinds, "\"", collapse = ", "))
  sampled <- design %in% c("latin-hypercube", "sobol", "efast")
  if (sampled && is.null(samples)) bad_value("`samples` is needed by a ", design, " design")
  fewest <- if (design == "efast") 65 else 2
  samples <- if (sampled) as.integer(whole_numbers(samples, "samples", fewest, .Machine$integer.max, single = TRUE)) else 0L
  if (design == "morris" && is.null(trajectories)) bad_value("`trajectories` is needed by a morris design")
  settings <- list(
    trajectories = if (design == "morris") as.integer(whole_numbers(trajectories, "trajectories", 2, 1e8, single = TRUE)) else 0L,
    levels = as.integer(whole_numbers(levels, "levels", 2, 1e6, single = TRUE)),
    select_from = as.integer(whole_numbers(select_from, "select_from", 0, 1000, single = TRUE)),
    resamples = as.integer(whole_numbers(resamples, "resamples", 1, 1000, single = TRUE)))
  sample_seed <- whole_numbers(sample_seed, "sample_seed", 0, 2^53, single = TRUE)
  seeds <- seed_set(seeds)
  if (!is.null(threads)) threads <- thread_count(threads)

  points <- cpp_design_points(parameters, vary, design, samples, sample_seed, settings)
  answers <- lapply(seq_len(nrow(points)), function(i) as.list(points[i, -1]))
  results <- future.apply::future_lapply(answers, point_result, seeds = seeds, threads = threads)

  summary <- stacked(lapply(results, `[[`, "summary"), points$point)
  # Each point's varied parameters beside its outcomes, as the sweep tool's outcomes.csv has them.
  outcomes <- data.frame(point = points$point, points[names(vary)], do.call(rbind, lapply(results, `[[`, "outcomes")))
  sensitivity <- cpp_sensitivity(parameters, vary, design, samples, sample_seed, settings, outcomes)
  # Each point's last generation: its last row of the summary, the statistics after point and generation.
  last <- summary[!duplicated(summary$point, fromLast = TRUE), -(1:2)]
  variance_share <- cpp_variance_share(as.matrix(last))
  by_generation <- cpp_sensitivity_by_generation(parameters, vary, design, samples, sample_seed, settings,
                                                 summary$point, summary$generation, as.matrix(summary[, -(1:2)]))
  sweep <- list(points = points, summary = summary, outcomes = not_a_number_as_na(outcomes),
                sensitivity = if (!is.null(sensitivity)) not_a_number_as_na(sensitivity),
                sensitivity_by_generation = if (!is.null(by_generation)) not_a_number_as_na(by_generation),
                variance_share = not_a_number_as_na(variance_share),
                parameters = structure(parameters, class = "zemrath_parameters"), vary = vary, design = design,
                seeds = seeds)
  structure(sweep[!vapply(sweep, is.null, logical(1))], class = "zemrath_sweep")
}

#' @export
print.zemrath_sweep <- function(x, ...) {
  x <- checked_result(x, "x", "run_sweep()", list(
    points = is.data.frame, summary = is.data.frame, design = is_text,
    vary = function(vary) is.list(vary) && !is.null(names(vary)), seeds = is.numeric,
    sensitivity = function(sensitivity) is.null(sensitivity) || is.data.frame(sensitivity)))
  cat("zemrath sweep: ", nrow(x$points), " points (", x$design, " over ", paste(names(x$vary), collapse = ", "),
      "), ", length(x$seeds), if (length(x$seeds) == 1) " stream" else " streams", " each\n", sep = "")
  cat("$points, $summary (", nrow(x$summary), " rows), $outcomes",
      if (!is.null(x$sensitivity)) ", $sensitivity", "\n", sep = "")
  invisible(x)
}

# One point's summary and outcomes; runs where the future plan puts it.
point_result <- function(answers, seeds, threads) {
  cpp_point_result(answers, seeds, thread_count(threads))
}

# vary checked: a named list of numbers without NA, named by parameters.
checked_vary <- function(vary) {
  if (!is.list(vary) || length(vary) == 0 || is.null(names(vary)) || any(names(vary) == ""))
    bad_value("`vary` must be a list with one named element per varied parameter")
  unknown <- setdiff(names(vary), answer_fields()$name)
  if (length(unknown) > 0) bad_value("unknown parameter in `vary`: ", paste(unknown, collapse = ", "))
  for (name in names(vary)) {
    values <- vary[[name]]
    if (!is.numeric(values) || length(values) == 0)
      bad_value("`vary$", name, "` must be numbers, not ", described(values))
    if (any(is.na(values) & !is.nan(values))) bad_value("`vary$", name, "` must not be NA")
  }
  lapply(vary, as.double)
}

# The frames one after another, each headed by its point's number.
stacked <- function(frames, points) {
  columns <- names(frames[[1]])
  values <- lapply(columns, function(column) unlist(lapply(frames, `[[`, column), use.names = FALSE))
  names(values) <- columns
  data.frame(point = rep(points, vapply(frames, nrow, integer(1))), values, check.names = FALSE)
}

# The core's "not a number" for a missing value is R's NA.
not_a_number_as_na <- function(frame) {
  frame[] <- lapply(frame, function(column) {
    if (is.double(column)) column[is.nan(column)] <- NA
    column
  })
  frame
}
