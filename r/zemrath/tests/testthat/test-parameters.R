test_that("zemrath_parameters keeps the ten values, the two whole ones as integers", {
  p <- zemrath_parameters(0.013, 0.8, 0.5, 400, 2, 0.5, 0.1, 4, 1, 50)
  expect_s3_class(p, "zemrath_parameters")
  expect_identical(unclass(p), list(
    embryo_larval_survival = 0.013, max_juvenile_survival = 0.8, adult_survival = 0.5, carrying_capacity = 400,
    weight_increase_rate = 2, growth_inhibition = 0.5, weight_at_one_year = 0.1, max_reproduction_age = 4L,
    fecundity_rate = 1, generations = 50L))
  # Reals print as the shortest decimal that reads back to the same double.
  expect_output(print(zemrath_parameters(0.1 + 0.2, 0.8, 0.5, 400, 2, 0.5, 0.1, 4, 1, 50)),
                "embryo_larval_survival +0.30000000000000004\n")
  expect_output(print(p), "max_reproduction_age +4\n  fecundity_rate +1\n  generations +50$")
})

test_that("read_answers reads a file as the programs read it", {
  # Each line in the prompts' syntax, and the value it gives.
  cases <- list(
    list(line = "1.5D2", value = 150),
    list(line = "1.5-3", value = 0.0015),
    list(line = "3*0.25", value = 0.25),
    list(line = "0.5 0.9", value = 0.5),
    list(line = "  .5,", value = 0.5),
    list(line = "-inf", value = -Inf),
    list(line = ",", value = 0)
  )
  for (case in cases) {
    p <- read_answers(answers_file(c(case$line, "0.8", "0.5", "400", "2", "0.5", "0.1", "+4", "1", "007")))
    expect_identical(p$embryo_larval_survival, case$value, label = case$line)
    expect_identical(p$max_reproduction_age, 4L)
    expect_identical(p$generations, 7L)
  }
  expect_identical(read_answers(answers_file(answer_sets$small)),
                   zemrath_parameters(0.013, 0.8, 0.5, 400, 2, 0.5, 0.1, 4, 1, 30))
})

test_that("read_answers names what it cannot read", {
  expect_error(read_answers(file.path(tempdir(), "no-such-file")), class = "zemrath_read_failed",
               regexp = "cannot open answers file .*no-such-file")
  expect_error(read_answers(answers_file(c("0.5x", rep("1", 9)))), class = "zemrath_bad_answer",
               regexp = "Bad real number")
  expect_error(read_answers(answers_file(c(rep("1", 7), "4.5", "1", "1"))), class = "zemrath_bad_answer",
               regexp = "max_reproduction_age")
  expect_error(read_answers(answers_file(c("0.1", "0.8", "0.5"))), class = "zemrath_end_of_input",
               regexp = "missing: carrying_capacity, .*, generations$")
  for (path in list(1, c("a", "b"), NA_character_))
    expect_error(read_answers(path), class = "zemrath_bad_value", regexp = "`path` must be one file name")
})

test_that("parameters of the wrong type, length or value are refused, naming the parameter", {
  good <- list(0.013, 0.8, 0.5, 400, 2, 0.5, 0.1, 4, 1, 50)
  with_value <- function(position, value) {
    values <- good
    values[position] <- list(value)
    do.call(zemrath_parameters, values)
  }
  cases <- list(
    list(at = 1, value = "0.5", message = "`embryo_larval_survival` must be a single number, not a character vector"),
    list(at = 2, value = c(0.5, 0.6), message = "`max_juvenile_survival` must be a single number, not 2 numbers"),
    list(at = 3, value = numeric(0), message = "`adult_survival` must be a single number, not 0 numbers"),
    list(at = 4, value = NA_real_, message = "`carrying_capacity` must not be NA"),
    list(at = 5, value = NA, message = "`weight_increase_rate` must be a single number, not a logical vector"),
    list(at = 6, value = NULL, message = "`growth_inhibition` must be a single number, not NULL"),
    list(at = 8, value = 4.5, message = "`max_reproduction_age` must be a whole number from -2147483647 to 2147483647"),
    list(at = 8, value = 2^31, message = "`max_reproduction_age` must be a whole number"),
    list(at = 10, value = Inf, message = "`generations` must be a whole number"),
    list(at = 10, value = NA_integer_, message = "`generations` must not be NA")
  )
  for (case in cases)
    expect_error(with_value(case$at, case$value), class = "zemrath_bad_value", regexp = case$message, fixed = TRUE)
  expect_error(zemrath_parameters(0.013, 0.8), class = "zemrath_bad_value",
               regexp = "missing parameters: adult_survival, carrying_capacity")
  # Reals take what the prompts take, infinities and not-a-number included.
  expect_identical(with_value(7, NaN)$weight_at_one_year, NaN)
  expect_identical(with_value(10, -2147483647)$generations, -2147483647L)
})

test_that("update changes named parameters and refuses unknown ones", {
  p <- zemrath_parameters(0.013, 0.8, 0.5, 400, 2, 0.5, 0.1, 4, 1, 50)
  q <- update(p, carrying_capacity = 1600, generations = 100)
  expect_identical(q$carrying_capacity, 1600)
  expect_identical(q$generations, 100L)
  expect_identical(q$adult_survival, p$adult_survival)
  expect_error(update(p, carrying_capacty = 1), class = "zemrath_bad_value", regexp = "unknown parameter: carrying_capacty")
  expect_error(update(p, 1), class = "zemrath_bad_value", regexp = "named")
  expect_error(update(p, generations = 1.5), class = "zemrath_bad_value", regexp = "`generations`")
})

test_that("runs check their parameters again, and refuse anything else", {
  p <- zemrath_parameters(0.013, 0.8, 0.5, 400, 2, 0.5, 0.1, 4, 1, 5)
  broken <- p
  broken$generations <- "5"
  expect_error(run_stream(broken, 1), class = "zemrath_bad_value", regexp = "`generations` must be a single number")
  expect_error(run_ensemble(unclass(p), 1), class = "zemrath_bad_value",
               regexp = "`parameters` must be made by zemrath_parameters\\(\\) or read_answers\\(\\), not a list")
})

test_that("a parameters object made or changed by hand is refused by every function, naming what is wrong", {
  good <- unclass(zemrath_parameters(0.013, 0.8, 0.5, 400, 2, 0.5, 0.1, 4, 1, 5))
  as_parameters <- function(x) structure(x, class = "zemrath_parameters")
  changed <- function(...) as_parameters(utils::modifyList(good, list(...)))
  cases <- list(
    list(object = as_parameters(list()), message = "missing parameters: embryo_larval_survival, max_juvenile_survival"),
    list(object = as_parameters(good[-10]), message = "missing parameters: generations"),
    list(object = as_parameters(unname(good)), message = "every value must be named after its parameter"),
    list(object = as_parameters(c(good[-1], list(0.013))), message = "every value must be named after its parameter"),
    list(object = as_parameters(c(good, egg_weight = 1)), message = "unknown parameter: egg_weight"),
    list(object = as_parameters(c(good, generations = 9L)), message = "parameter given more than once: generations"),
    list(object = changed(carrying_capacity = "400"),
         message = "`carrying_capacity` must be a single number, not a character vector"),
    list(object = changed(adult_survival = list(0.5)), message = "`adult_survival` must be a single number, not a list object"),
    list(object = changed(generations = 1:2), message = "`generations` must be a single number, not 2 numbers"),
    list(object = changed(max_reproduction_age = 4.5), message = "`max_reproduction_age` must be a whole number from"),
    list(object = changed(max_reproduction_age = 2^31), message = "`max_reproduction_age` must be a whole number from"),
    list(object = changed(fecundity_rate = NA_real_), message = "`fecundity_rate` must not be NA"),
    list(object = changed(fecundity_rate = TRUE), message = "`fecundity_rate` must be a single number, not a logical vector"),
    list(object = as_parameters(as.numeric(good)),
         message = "must be a list of the ten parameters, as zemrath_parameters() makes it, not of type double"),
    list(object = as_parameters("0.013"), message = "as zemrath_parameters() makes it, not of type character"),
    list(object = as_parameters(new.env()), message = "as zemrath_parameters() makes it, not of type environment")
  )
  # Every function that takes a parameter set; update() with a change that
  # mends none of the cases.
  uses <- list(
    print = function(p) print(p),
    update = function(p) update(p, weight_at_one_year = 0.2),
    run_stream = function(p) run_stream(p, 1, threads = 1),
    run_ensemble = function(p) run_ensemble(p, 0:1, threads = 1),
    run_sweep = function(p) run_sweep(p, list(adult_survival = c(0.3, 0.5)), seeds = 0:1, threads = 1)
  )
  for (case in cases)
    for (use in names(uses)) {
      failure <- tryCatch(uses[[use]](case$object), error = identity)
      label <- paste(use, "of a set with", case$message)
      expect_true(inherits(failure, "zemrath_bad_value") && inherits(failure, "zemrath_error"), label = label)
      expect_match(conditionMessage(failure), case$message, fixed = TRUE, label = label)
    }
  # The parts that are right are kept: a change mends a set made by hand.
  expect_identical(update(as_parameters(good[-10]), generations = 5), as_parameters(good))
})
