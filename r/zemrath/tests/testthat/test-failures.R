test_that("memory that cannot be had is an R error, and the next run works", {
  p <- parameters_of(answer_sets$small)
  expect_error(run_ensemble(update(p, generations = 2147483647), seeds = 0:999, threads = 2),
               class = "zemrath_out_of_memory", regexp = "not enough memory for the rows of every stream")
  expect_error(run_stream(update(p, max_reproduction_age = 2147483647), 1, threads = 2),
               class = "zemrath_out_of_memory")
  expect_error(run_ensemble(update(p, max_reproduction_age = 2147483647), seeds = 0:9, threads = 2),
               class = "zemrath_out_of_memory", regexp = "not enough memory for 2147483647 age classes")
  # The worker threads stopped cleanly and serve the next run.
  expect_identical(run_ensemble(p, seeds = 0:99, threads = 2), run_ensemble(p, seeds = 0:99, threads = 1))
})

test_that("Ctrl-C stops a long stream or ensemble within a generation, and R goes on", {
  skip_if_not_installed("callr")
  skip_on_os("windows")
  # Each call runs for minutes unless stopped: streams of the large set take
  # a tenth of a second or more a generation. `long` has the generations.
  cases <- list(
    list(what = "a stream of many generations", generations = 5000,
         call = quote(zemrath::run_stream(long, 1, threads = 2))),
    list(what = "two streams of many generations", generations = 5000,
         call = quote(zemrath::run_ensemble(long, 0:1, threads = 2))),
    list(what = "many streams of few generations", generations = 8,
         call = quote(zemrath::run_ensemble(long, 0:999, threads = 2)))
  )
  small <- parameters_of(answer_sets$small)
  expected_after <- run_ensemble(small, seeds = 0:99, threads = 2)$summary
  for (case in cases) {
    started <- tempfile()
    child <- callr::r_bg(function(started, generations, call) {
      long <- zemrath::zemrath_parameters(0.5, 0.8, 0.5, 2000000, 2, 0.5, 0.1, 8, 6, generations)
      small <- zemrath::zemrath_parameters(0.013, 0.8, 0.5, 400, 2, 0.5, 0.1, 4, 1, 30)
      writeLines("started", started)
      outcome <- tryCatch({
        eval(call)
        "finished"
      }, interrupt = function(condition) "interrupted")
      # The next call, after the interrupt, on the same worker threads.
      list(outcome = outcome, after = zemrath::run_ensemble(small, seeds = 0:99, threads = 2)$summary)
    }, args = list(started = started, generations = case$generations, call = case$call))
    while (!file.exists(started) && child$is_alive()) Sys.sleep(0.05)
    # Let the generations start before the interrupt arrives.
    Sys.sleep(1)
    child$interrupt()
    # A guard, not a measure: an interrupt that did not stop the run would
    # leave the child running for minutes.
    child$wait(60000)
    if (child$is_alive()) {
      child$kill()
      fail(paste(case$what, "went on after the interrupt"))
      next
    }
    result <- child$get_result()
    expect_identical(result$outcome, "interrupted", label = case$what)
    expect_identical(result$after, expected_after, label = case$what)
  }
})

test_that("threads that the system cannot start leave the work to those there are", {
  skip_on_os("windows")
  # An address space too small for the stacks of 1024 threads: most of them
  # cannot start, and the long counts run on the others, with the same rows.
  limits <- "ulimit -s 65536 && ulimit -v 2000000"
  if (system2("sh", c("-c", shQuote(limits)), stdout = FALSE, stderr = FALSE) != 0)
    skip("the shell cannot set the limits on the stack and the address space")
  script <- tempfile(fileext = ".R")
  result <- tempfile(fileext = ".rds")
  writeLines(c(
    "large <- zemrath::zemrath_parameters(0.5, 0.8, 0.5, 2000000, 2, 0.5, 0.1, 8, 6, 6)",
    "saveRDS(zemrath::run_stream(large, 7, threads = 1024), commandArgs(TRUE))"
  ), script)
  r <- file.path(R.home("bin"), "R")
  command <- paste(limits, "&& exec", shQuote(r), "--vanilla --no-echo -f", shQuote(script), "--args", shQuote(result))
  status <- system2("sh", c("-c", shQuote(command)), stdout = FALSE, stderr = FALSE,
                    env = paste0("R_LIBS=", shQuote(paste(.libPaths(), collapse = .Platform$path.sep))))
  expect_identical(status, 0L)
  large <- zemrath_parameters(0.5, 0.8, 0.5, 2000000, 2, 0.5, 0.1, 8, 6, 6)
  expect_identical(readRDS(result), run_stream(large, 7, threads = 2))
})
