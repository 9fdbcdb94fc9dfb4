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
    list(seed = 1, threads = "2", message = "`threads` must be a whole number, not a character vector")
  )
  for (case in cases)
    expect_error(run_stream(p, case$seed, case$threads), class = "zemrath_bad_value", regexp = case$message,
                 fixed = TRUE)
})
