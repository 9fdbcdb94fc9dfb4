# zemrath-ensemble's files and printed summary for these answers and seeds.
program_ensemble <- function(answers, seeds) {
  file <- answers_file(answers)
  out <- file.path(dirname(file), "results")
  printed <- run_program("ZEMRATH_ENSEMBLE_PROGRAM", c("--answers", file, "--seeds", seeds, "--out", out, "--quiet"))
  list(printed = printed, summary = numeric_table(file.path(out, "summary.csv")),
       runs = read.csv(file.path(out, "runs.csv"), colClasses = "integer"))
}

test_that("an ensemble equals zemrath-ensemble's runs, summary.csv and summary", {
  for (case in list(list(set = "small", seeds = 0:199, list = "0-199"),
                    list(set = "wrapping", seeds = c(0:99, 500), list = "0-99,500"))) {
    program <- program_ensemble(answer_sets[[case$set]], case$list)
    e <- run_ensemble(parameters_of(answer_sets[[case$set]]), seeds = case$seeds, threads = 2)
    expect_identical(names(e$summary), names(program$summary))
    expect_identical(as_numeric_columns(e$summary), program$summary, label = case$set)
    expect_identical(e$runs, program$runs, label = case$set)
    expect_identical(capture.output(summary(e)), program$printed, label = case$set)
  }
})

test_that("an ensemble's runs are its streams, its summary their statistics, whatever the threads", {
  p <- parameters_of(answer_sets$wrapping)
  e <- run_ensemble(p, seeds = c(9, 5, 500, 5), threads = 1)
  expect_s3_class(e, "zemrath_ensemble")
  # The seeds are a set: each once, ascending.
  expect_identical(e$seeds, c(5L, 9L, 500L))
  expect_identical(unique(e$runs$seed), c(5L, 9L, 500L))
  for (seed in e$seeds) {
    rows <- e$runs[e$runs$seed == seed, -1]
    rownames(rows) <- NULL
    expect_identical(rows, run_stream(p, seed))
  }
  second <- e$runs[e$runs$generation == 2, ]
  expect_equal(e$summary$adults_mean[3], mean(second$adults))
  expect_identical(e$summary$embryos_min[3], as.numeric(min(second$embryos)))
  expect_equal(e$summary$extinct_fraction, tapply(e$runs$adults == 0, e$runs$generation, mean),
               ignore_attr = TRUE)
  expect_gt(max(e$summary$wrapped_fraction), 0)
  expect_identical(run_ensemble(p, seeds = c(5, 9, 500), threads = 2), e)
  expect_identical(as.character(summary(e)), e$text)
  expect_match(as.character(summary(e)), "^streams run: 3 \\(seeds 5,9,500\\), generations: 10\n")
})

test_that("an ensemble's seeds are checked, by the core for their range", {
  p <- parameters_of(answer_sets$small)
  cases <- list(
    list(seeds = c(0, 1000), message = "seed 1000 is not a whole number from 0 to 999"),
    list(seeds = c(5, -3), message = "seed -3 is not a whole number from 0 to 999"),
    list(seeds = c(1, NA), message = "`seeds` must not be NA"),
    list(seeds = integer(0), message = "`seeds` must be whole numbers, not 0 numbers"),
    list(seeds = "0-99", message = "`seeds` must be whole numbers, not a character vector"),
    list(seeds = 0.5, message = "`seeds` must be whole numbers from")
  )
  for (case in cases)
    expect_error(run_ensemble(p, case$seeds, threads = 1), class = "zemrath_bad_value", regexp = case$message,
                 fixed = TRUE)
})

test_that("plot draws the fan chart and the extinction curve, and leaves par as it was", {
  e <- run_ensemble(parameters_of(answer_sets$small), seeds = 0:99, threads = 2)
  file <- tempfile(fileext = ".png")
  grDevices::png(file, width = 600, height = 600)
  before <- graphics::par("mfrow", "mar", "las")
  plot(e)
  after <- graphics::par("mfrow", "mar", "las")
  grDevices::dev.off()
  expect_identical(after, before)
  expect_gt(file.size(file), 5000)
  expect_error(plot(e, count = "eggs"), class = "zemrath_bad_value", regexp = "`count` must be one of")
})

test_that("autoplot shows the summary's median, bands and extinct fraction", {
  skip_if_not_installed("ggplot2")
  e <- run_ensemble(parameters_of(answer_sets$small), seeds = 0:99, threads = 2)
  g <- ggplot2::autoplot(e, count = "larvae")
  expect_s3_class(g, "ggplot")
  built <- ggplot2::ggplot_build(g)$data
  expect_identical(built[[1]]$ymin, e$summary$larvae_p5)
  expect_identical(built[[1]]$ymax, e$summary$larvae_p95)
  expect_identical(built[[2]]$ymax, e$summary$larvae_p75)
  expect_identical(built[[3]]$y, e$summary$larvae_p50)
  expect_identical(built[[4]]$y, e$summary$extinct_fraction)
})
