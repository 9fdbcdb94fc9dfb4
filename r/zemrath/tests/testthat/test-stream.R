test_that("a stream's rows are those of output.txt after ZEMRATH_SEED=seed zemrath", {
  cases <- list(
    list(set = "small", seeds = c(0, 42, 999)),
    list(set = "wrapping", seeds = c(3, 5)),
    list(set = "large", seeds = 7)
  )
  for (case in cases) {
    p <- parameters_of(answer_sets[[case$set]])
    for (seed in case$seeds) {
      rows <- run_stream(p, seed, threads = 2)
      expect_identical(rows, program_rows(answer_sets[[case$set]], seed), label = paste(case$set, "seed", seed))
    }
  }
})

test_that("a stream's rows are integers that do not depend on the threads", {
  p <- parameters_of(answer_sets$large)
  rows <- run_stream(p, 7, threads = 1)
  expect_identical(vapply(rows, typeof, ""), c(generation = "integer", embryos = "integer", larvae = "integer",
                                               adults = "integer"))
  expect_identical(rows$generation, 0:6)
  expect_identical(unlist(rows[1, ]), c(generation = 0L, embryos = 0L, larvae = 0L, adults = 20L))
  expect_identical(run_stream(p, 7, threads = 2), rows)
  # Wrapped counts are kept as the program writes them.
  expect_lt(min(run_stream(parameters_of(answer_sets$wrapping), 5)$embryos), 0)
})

test_that("a stream's seed and threads are checked", {
  p <- parameters_of(answer_sets$small)
  cases <- list(
    list(seed = 1000, threads = 1, message = "seed 1000 is not a whole number from 0 to 999"),
    list(seed = -1, threads = 1, message = "seed -1 is not a whole number from 0 to 999"),
    list(seed = 1.5, threads = 1, message = "`seed` must be a whole number"),
    list(seed = NA, threads = 1, message = "`seed` must be a whole number, not a logical vector"),
    list(seed = 1:2, threads = 1, message = "`seed` must be a whole number, not 2 numbers"),
    list(seed = 1, threads = 0, message = "`threads` must be a whole number from 1 to"),
    list(seed = 1, threads = "2", message = "`threads` must be a whole number, not a character vector"),
    list(seed = 1, threads = 1025, message = "`threads` must be a whole number from 1 to 1024"),
    list(seed = 1, threads = .Machine$integer.max, message = "`threads` must be a whole number from 1 to 1024")
  )
  for (case in cases)
    expect_error(run_stream(p, case$seed, case$threads), class = "zemrath_bad_value", regexp = case$message,
                 fixed = TRUE)
})

test_that("more threads than the core's bound are refused before any starts, and the next call works", {
  skip_if_not(file.exists("/proc/self/status"), "no /proc/self/status to count this process's threads")
  threads_now <- function() {
    as.integer(sub("^Threads:[[:space:]]*", "", grep("^Threads:", readLines("/proc/self/status"), value = TRUE)))
  }
  # A run whose long counts would spread over every thread it is given.
  large <- parameters_of(answer_sets$large)
  small <- parameters_of(answer_sets$small)
  calls <- list(
    stream = function(threads) run_stream(large, 7, threads = threads),
    ensemble = function(threads) run_ensemble(large, 0:1, threads = threads),
    sweep = function(threads) run_sweep(large, list(adult_survival = c(0.3, 0.5)), seeds = 0:1, threads = threads)
  )
  before <- threads_now()
  for (name in names(calls))
    for (threads in c(1025, 2^31, .Machine$integer.max))
      expect_error(calls[[name]](threads), class = "zemrath_bad_value",
                   regexp = "`threads` must be a whole number from 1 to 1024", label = name)
  expect_identical(threads_now(), before)
  # The bound itself is taken, by runs that start few threads (a small
  # stream's counts are too short to spread; ten streams take ten).
  expect_identical(run_stream(small, 3, threads = 1024), run_stream(small, 3, threads = 1))
  expect_identical(run_ensemble(small, 0:9, threads = 1024), run_ensemble(small, 0:9, threads = 1))
})
