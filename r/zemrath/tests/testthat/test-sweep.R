base_answers <- answer_sets$small

# The same experiment for zemrath-sweep: its tables.
program_sweep <- function(vary_toml, design_toml, seeds) {
  file <- answers_file(base_answers)
  folder <- dirname(file)
  writeLines(c('answers = "answers.txt"', paste0('seeds = "', seeds, '"'), "[parameters]", "generations = 15",
               vary_toml, "[design]", design_toml), file.path(folder, "experiment.toml"))
  out <- file.path(folder, "sweep")
  run_program("ZEMRATH_SWEEP_PROGRAM", c("run", file.path(folder, "experiment.toml"), "--out", out, "--quiet"))
  tables <- lapply(c(points = "points", summary = "summary", outcomes = "outcomes", sensitivity = "sensitivity",
                     variance_share = "variance-share", sensitivity_by_generation = "sensitivity-by-generation"),
                   function(name) {
    path <- file.path(out, paste0(name, ".csv"))
    if (file.exists(path)) read.csv(path, check.names = FALSE)
  })
  # The tool names the parameters as its experiment file does.
  for (name in c("sensitivity", "sensitivity_by_generation"))
    if (!is.null(tables[[name]])) tables[[name]]$parameter <- gsub("-", "_", tables[[name]]$parameter)
  tables[!vapply(tables, is.null, logical(1))]
}

sweep_cases <- list(
  list(design = "grid", samples = NULL,
       vary = list(carrying_capacity = c(100, 400, 1600), adult_survival = c(0.3, 0.4, 0.5, 0.6)),
       vary_toml = c("[vary.carrying-capacity]", "values = [100, 400, 1600]",
                     "[vary.adult-survival]", "from = 0.3", "to = 0.6", "points = 4"),
       design_toml = 'kind = "grid"'),
  list(design = "one-at-a-time", samples = NULL,
       vary = list(max_reproduction_age = c(2, 6), fecundity_rate = c(0.5, 1.5, 3)),
       vary_toml = c("[vary.max-reproduction-age]", "values = [2, 6]",
                     "[vary.fecundity-rate]", "values = [0.5, 1.5, 3]"),
       design_toml = 'kind = "one-at-a-time"'),
  list(design = "latin-hypercube", samples = 5,
       vary = list(adult_survival = c(0.3, 0.6), max_reproduction_age = c(2, 8)),
       vary_toml = c("[vary.adult-survival]", "from = 0.3", "to = 0.6",
                     "[vary.max-reproduction-age]", "from = 2", "to = 8"),
       design_toml = c('kind = "latin-hypercube"', "samples = 5", "sample-seed = 11")),
  list(design = "sobol", samples = 4,
       vary = list(carrying_capacity = c(100, 1600), adult_survival = c(0.3, 0.6)),
       vary_toml = c("[vary.carrying-capacity]", "from = 100", "to = 1600",
                     "[vary.adult-survival]", "from = 0.3", "to = 0.6"),
       design_toml = c('kind = "sobol"', "samples = 4", "sample-seed = 11")),
  list(design = "morris", samples = NULL, trajectories = 3, select_from = 6,
       vary = list(carrying_capacity = c(100, 1600), adult_survival = c(0.3, 0.6)),
       vary_toml = c("[vary.carrying-capacity]", "from = 100", "to = 1600",
                     "[vary.adult-survival]", "from = 0.3", "to = 0.6"),
       design_toml = c('kind = "morris"', "trajectories = 3", "select-from = 6", "sample-seed = 11")),
  list(design = "efast", samples = 65, resamples = 2,
       vary = list(carrying_capacity = c(100, 1600), adult_survival = c(0.3, 0.6)),
       vary_toml = c("[vary.carrying-capacity]", "from = 100", "to = 1600",
                     "[vary.adult-survival]", "from = 0.3", "to = 0.6"),
       design_toml = c('kind = "efast"', "samples = 65", "resamples = 2", "sample-seed = 11"))
)

test_that("a sweep gives zemrath-sweep's points, summary, outcomes and sensitivity", {
  p <- update(parameters_of(base_answers), generations = 15)
  for (case in sweep_cases) {
    program <- program_sweep(case$vary_toml, case$design_toml, "0-49")
    s <- run_sweep(p, case$vary, design = case$design, seeds = 0:49, samples = case$samples, sample_seed = 11,
                   threads = 2, trajectories = case$trajectories, select_from = if (is.null(case$select_from)) 0 else case$select_from,
                   resamples = if (is.null(case$resamples)) 1 else case$resamples)
    expect_identical(is.null(s$sensitivity), is.null(program$sensitivity), label = case$design)
    for (table in names(program)) {
      ours <- s[[table]]
      expect_identical(names(ours), names(program[[table]]), label = paste(case$design, table))
      numeric <- vapply(ours, is.numeric, logical(1))
      ours[numeric] <- lapply(ours[numeric], as.numeric)
      theirs <- program[[table]]
      theirs[numeric] <- lapply(theirs[numeric], as.numeric)
      # R's reader may take a 17-digit number in the files for the double
      # an ulp beside the one written, so the numbers agree to that.
      expect_equal(ours, theirs, tolerance = 1e-15, label = paste(case$design, table))
    }
  }
})

test_that("a sweep's tables are whole: every point, its streams' summary and its outcomes", {
  p <- update(parameters_of(base_answers), generations = 15)
  s <- run_sweep(p, list(carrying_capacity = c(100, 1600), generations = c(1, 15)), seeds = 0:49, threads = 2)
  expect_s3_class(s, "zemrath_sweep")
  expect_null(s$sensitivity)
  expect_identical(s$points$point, 0:3)
  expect_identical(s$points$generations, c(1L, 15L, 1L, 15L))
  expect_identical(unique(s$summary$point), 0:3)
  # Point 3 is run_ensemble() of its parameters.
  e <- run_ensemble(update(p, carrying_capacity = 1600, generations = 15), seeds = 0:49, threads = 1)
  point3 <- s$summary[s$summary$point == 3, -1]
  rownames(point3) <- NULL
  expect_identical(point3, e$summary)
  expect_identical(s$outcomes$extinct_fraction[4], e$summary$extinct_fraction[16])
  expect_identical(s$outcomes$adults_p95[4], e$summary$adults_p95[16])
  # No stream of point 2 died out in its one generation: no generation of
  # extinction.
  expect_identical(s$outcomes$median_extinction_generation[3], NA_real_)
})

test_that("a sweep under plan(multisession) equals the sequential one", {
  skip_if_not_installed("future")
  p <- update(parameters_of(base_answers), generations = 15)
  vary <- list(carrying_capacity = c(100, 1600), adult_survival = c(0.3, 0.6))
  sequential <- run_sweep(p, vary, design = "sobol", samples = 4, seeds = 0:49, threads = 1)
  old <- future::plan(future::multisession, workers = 2)
  on.exit(future::plan(old))
  # Each worker finds its threads where it runs.
  parallel <- run_sweep(p, vary, design = "sobol", samples = 4, seeds = 0:49)
  expect_identical(parallel, sequential)
})

test_that("a sweep's arguments are checked, and the core's refusals of the design named", {
  p <- parameters_of(base_answers)
  cases <- list(
    list(vary = c(adult_survival = 0.5), message = "`vary` must be a list with one named element per varied parameter"),
    list(vary = list(0.5), message = "`vary` must be a list with one named element per varied parameter"),
    list(vary = list(adult_survivl = 0.5), message = "unknown parameter in `vary`: adult_survivl"),
    list(vary = list(adult_survival = "0.5"), message = "`vary$adult_survival` must be numbers, not a character vector"),
    list(vary = list(adult_survival = c(0.5, NA)), message = "`vary$adult_survival` must not be NA"),
    list(vary = list(generations = c(10, 10.5)), message = "generations: takes whole numbers only"),
    list(vary = list(adult_survival = 0.5, adult_survival = 0.6), message = "adult_survival: is varied twice"),
    list(vary = list(adult_survival = c(0.6, 0.3)), design = "sobol", samples = 4,
         message = "adult_survival: the range runs from above its end"),
    list(vary = list(adult_survival = c(0.3, 0.4, 0.6)), design = "latin-hypercube", samples = 4,
         message = "adult_survival: a latin-hypercube design takes a range c(from, to), not 3 values"),
    list(vary = list(adult_survival = c(0.3, 0.6)), design = "sobol",
         message = "`samples` is needed by a sobol design"),
    list(vary = list(adult_survival = c(0.3, 0.6)), design = "sobol", samples = 1,
         message = "`samples` must be a whole number from 2 to"),
    list(vary = list(adult_survival = 0.5), design = "factorial", message = "`design` must be one of \"grid\""),
    list(vary = list(adult_survival = 0.5), sample_seed = -1, message = "`sample_seed` must be a whole number from 0")
  )
  for (case in cases) {
    arguments <- c(list(p, case$vary, seeds = 0:9, threads = 1), case[intersect(names(case), c("design", "samples",
                                                                                                "sample_seed"))])
    expect_error(do.call(run_sweep, arguments), class = "zemrath_bad_value", regexp = case$message, fixed = TRUE)
  }
})
