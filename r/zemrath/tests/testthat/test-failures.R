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

test_that("Ctrl-C stops a long ensemble between streams, and R goes on", {
  skip_if_not_installed("callr")
  skip_on_os("windows")
  started <- tempfile()
  child <- callr::r_bg(function(started) {
    # Around half a second a stream on one thread, so a few minutes in all.
    long <- zemrath::zemrath_parameters(0.5, 0.8, 0.5, 2000000, 2, 0.5, 0.1, 8, 6, 8)
    small <- zemrath::zemrath_parameters(0.013, 0.8, 0.5, 400, 2, 0.5, 0.1, 4, 1, 30)
    writeLines("started", started)
    outcome <- tryCatch({
      zemrath::run_ensemble(long, seeds = 0:999, threads = 2)
      "finished"
    }, interrupt = function(condition) "interrupted")
    list(outcome = outcome, after = zemrath::run_ensemble(small, seeds = 0:99, threads = 2)$summary)
  }, args = list(started = started))
  on.exit(child$kill())
  while (!file.exists(started) && child$is_alive()) Sys.sleep(0.05)
  # Let the streams start before the interrupt arrives.
  Sys.sleep(1)
  child$interrupt()
  # A guard, not a measure: an interrupt that did not stop the streams would
  # leave the child running for minutes.
  child$wait(60000)
  if (child$is_alive()) return(fail("the streams went on after the interrupt"))
  result <- child$get_result()
  expect_identical(result$outcome, "interrupted")
  expect_identical(result$after, run_ensemble(parameters_of(answer_sets$small), seeds = 0:99, threads = 2)$summary)
})
