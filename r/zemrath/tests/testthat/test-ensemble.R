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

test_that("an ensemble or sweep changed or made by hand is refused by its methods, naming the part", {
  e <- run_ensemble(parameters_of(answer_sets$small), seeds = 0:9, threads = 1)
  with_part <- function(name, value) {
    x <- e
    x[name] <- list(value)
    x
  }
  no_median <- e$summary
  no_median$adults_p50 <- NULL
  text_median <- e$summary
  text_median$larvae_p50 <- as.character(text_median$larvae_p50)
  cases <- list(
    list(object = structure(list(), class = "zemrath_ensemble"), message = "its `runs` is missing"),
    list(object = with_part("summary", NULL), message = "its `summary` is missing or of the wrong kind"),
    list(object = with_part("summary", no_median), message = "its `summary` is missing or of the wrong kind"),
    list(object = with_part("summary", text_median), message = "its `summary` is missing or of the wrong kind"),
    list(object = with_part("summary", e$summary[0, ]), message = "its `summary` is missing or of the wrong kind"),
    list(object = with_part("seeds", "0-9"), message = "its `seeds` is missing or of the wrong kind"),
    list(object = with_part("text", list("streams run")), message = "its `text` is missing or of the wrong kind"),
    list(object = structure(1:3, class = "zemrath_ensemble"), message = "must be made by run_ensemble(), not of type integer")
  )
  uses <- list(
    print = function(x) print(x),
    summary = function(x) summary(x),
    plot = function(x) plot(x)
  )
  if (requireNamespace("ggplot2", quietly = TRUE)) uses$autoplot <- function(x) ggplot2::autoplot(x)
  grDevices::pdf(NULL)
  on.exit(grDevices::dev.off())
  for (case in cases)
    for (use in names(uses)) {
      failure <- tryCatch(uses[[use]](case$object), error = identity)
      label <- paste(use, "of an ensemble whose", case$message)
      expect_true(inherits(failure, "zemrath_bad_value") && inherits(failure, "zemrath_error"), label = label)
      expect_match(conditionMessage(failure), case$message, fixed = TRUE, label = label)
    }
  for (broken in list(structure(list(text = 1), class = "summary.zemrath_ensemble"),
                      structure(list(), class = "summary.zemrath_ensemble"))) {
    expect_error(print(broken), class = "zemrath_bad_value", regexp = "its `text` is missing", fixed = TRUE)
    expect_error(as.character(broken), class = "zemrath_bad_value", regexp = "its `text` is missing", fixed = TRUE)
  }
  s <- run_sweep(parameters_of(answer_sets$small), list(adult_survival = c(0.3, 0.5)), seeds = 0:1, threads = 1)
  for (part in c("points", "design", "vary", "seeds")) {
    broken <- s
    broken[part] <- list(list(list()))
    expect_error(print(broken), class = "zemrath_bad_value", fixed = TRUE,
                 regexp = paste0("`x` must be made by run_sweep(): its `", part, "` is missing or of the wrong kind"))
  }
})
