#' The ten parameters of the model
#'
#' A parameter set: the ten answers that the console program asks for, in
#' the order of its prompts. Every value is used as given; none is checked
#' against a range (a probability above 1 or a carrying capacity of 0 has an
#' outcome like any other), so reals may also be `Inf` or `NaN`, as the
#' prompts take them.
#'
#' @param embryo_larval_survival Embryo-larval survival probability.
#' @param max_juvenile_survival Maximum juvenile survival rate in absence of
#'   competition (Eq. (1)).
#' @param adult_survival Adult survival probability.
#' @param carrying_capacity Carrying capacity (Eq. (1)); the model uses half
#'   of it.
#' @param weight_increase_rate Rate of adult weight increase (Eq. (3)).
#' @param growth_inhibition Constant of adult growth inhibition (Eq. (3)).
#' @param weight_at_one_year Weight at one year old (Eq. (3)).
#' @param max_reproduction_age Maximal reproduction age: the number of adult
#'   age classes, a whole number.
#' @param fecundity_rate Fecundity rate (Eq. 4).
#' @param generations The number of generations to simulate, a whole number.
#' @return An object of class `zemrath_parameters`: a list of the ten values
#'   named as the arguments, the two whole numbers as integers.
#' @seealso [read_answers()] for a file of the answers;
#'   [update()][update.zemrath_parameters()] to change some of them.
#' @examples
#' p <- zemrath_parameters(0.013, 0.8, 0.5, 400, 2, 0.5, 0.1, 4, 1, 50)
#' p
#' p$carrying_capacity
#' @export
zemrath_parameters <- function(embryo_larval_survival, max_juvenile_survival, adult_survival, carrying_capacity,
                               weight_increase_rate, growth_inhibition, weight_at_one_year, max_reproduction_age,
                               fecundity_rate, generations) {
  frame <- environment()
  names <- answer_fields()$name
  absent <- names[vapply(names, function(name) eval(call("missing", as.name(name)), frame), logical(1))]
  if (length(absent) > 0) bad_value("missing parameters: ", paste(absent, collapse = ", "))
  parameter_set(mget(names, frame))
}

#' Read the ten parameters from an answers file
#'
#' Reads a file of the ten answers, one per line in the order of the
#' prompts, exactly as the console program and the other programs of the
#' project read it (the same reader): an input file that you feed to
#' `zemrath` works unchanged.
#'
#' @param path The file's path.
#' @return A [zemrath_parameters()] object.
#' @section Errors: `zemrath_read_failed` when the file cannot be read,
#'   `zemrath_bad_answer` naming the answer that the syntax cannot read,
#'   `zemrath_end_of_input` naming the answers missing from a short file.
#' @examples
#' answers <- tempfile()
#' writeLines(c("0.013", "0.8", "0.5", "400", "2", "0.5", "0.1", "4", "1", "50"), answers)
#' read_answers(answers)
#' @export
read_answers <- function(path) {
  if (!is.character(path) || length(path) != 1 || is.na(path))
    bad_value("`path` must be one file name, not ", described(path))
  parameter_set(cpp_read_answers(path.expand(path)))
}

#' Change some of the parameters
#'
#' @param object A [zemrath_parameters()] object.
#' @param ... New values, named as the arguments of [zemrath_parameters()].
#' @return The parameters with those values changed.
#' @examples
#' p <- zemrath_parameters(0.013, 0.8, 0.5, 400, 2, 0.5, 0.1, 4, 1, 50)
#' update(p, carrying_capacity = 1600, generations = 100)
#' @importFrom stats update
#' @export
update.zemrath_parameters <- function(object, ...) {
  changes <- list(...)
  if (length(changes) > 0 && (is.null(names(changes)) || any(names(changes) == "")))
    bad_value("every new value must be named after its parameter")
  parameter_set(utils::modifyList(parameter_values(object, "object"), changes))
}

#' @export
print.zemrath_parameters <- function(x, ...) {
  fields <- answer_fields()
  checked <- parameter_set(parameter_values(x, "x"))
  values <- vapply(seq_along(fields$name), function(i) {
    value <- checked[[fields$name[i]]]
    if (fields$integer[i]) format(value) else cpp_real_text(value)
  }, character(1))
  cat("zemrath parameters\n")
  cat(paste0("  ", format(fields$name), "  ", values, "\n"), sep = "")
  invisible(x)
}

# The answer fields of the core: name and whether it is whole.
answer_fields <- function() cpp_answer_fields()

# The ten values checked and made a parameter set: each named once after its
# parameter, a single number without NA; the two whole ones within 32 bits,
# as the prompts take them.
parameter_set <- function(values) {
  fields <- answer_fields()
  given <- names(values)
  if (length(values) > 0 && (is.null(given) || anyNA(given) || any(given == "")))
    bad_value("every value must be named after its parameter")
  twice <- unique(given[duplicated(given)])
  if (length(twice) > 0) bad_value("parameter given more than once: ", paste(twice, collapse = ", "))
  unknown <- setdiff(given, fields$name)
  if (length(unknown) > 0) bad_value("unknown parameter: ", paste(unknown, collapse = ", "))
  absent <- setdiff(fields$name, given)
  if (length(absent) > 0) bad_value("missing parameters: ", paste(absent, collapse = ", "))
  checked <- lapply(seq_along(fields$name), function(i) {
    name <- fields$name[i]
    value <- values[[name]]
    if (!is.numeric(value) || length(value) != 1)
      bad_value("`", name, "` must be a single number, not ", described(value))
    if (is.na(value) && !is.nan(value)) bad_value("`", name, "` must not be NA")
    if (!fields$integer[i]) return(as.double(value))
    as.integer(whole_numbers(value, name, -.Machine$integer.max, .Machine$integer.max, single = TRUE))
  })
  names(checked) <- fields$name
  structure(checked, class = "zemrath_parameters")
}

# The list of values of a parameter set given as argument `what`, not yet
# checked: anything else, or an object of the class that is not a list, is
# refused.
parameter_values <- function(x, what) {
  if (!inherits(x, "zemrath_parameters"))
    bad_value("`", what, "` must be made by zemrath_parameters() or read_answers(), not ", described(x))
  if (!is.list(x))
    bad_value("`", what, "` must be a list of the ten parameters, as zemrath_parameters() makes it, not of type ",
              typeof(x))
  unclass(x)
}

# The parameters a run is given: a parameter set, checked again, since its
# list may have been changed, or made by hand, since.
checked_parameters <- function(parameters) unclass(parameter_set(parameter_values(parameters, "parameters")))
