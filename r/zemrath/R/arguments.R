# Checks of the arguments before anything reaches the core: each failure is
# an error of classes zemrath_bad_value and zemrath_error, as the core's own
# refusals are, naming the argument.

bad_value <- function(...) {
  stop(structure(class = c("zemrath_bad_value", "zemrath_error", "error", "condition"),
                 list(message = paste0(...), call = NULL)))
}

# What x is, for a message: "a character vector", "NULL", "3 numbers".
described <- function(x) {
  if (is.null(x)) return("NULL")
  if (is.numeric(x)) return(paste(length(x), if (length(x) == 1) "number" else "numbers"))
  paste("a", class(x)[1], if (is.atomic(x)) "vector" else "object")
}

# x (numbers without NA) as whole numbers from lower to upper; one of them
# when single. Returns them as doubles, which hold every whole number up to
# 2^53 exactly.
whole_numbers <- function(x, what, lower, upper, single = FALSE) {
  kind <- if (single) "a whole number" else "whole numbers"
  if (!is.numeric(x) || length(x) == 0 || (single && length(x) != 1))
    bad_value("`", what, "` must be ", kind, ", not ", described(x))
  if (anyNA(x)) bad_value("`", what, "` must not be NA")
  if (any(!is.finite(x) | x != trunc(x) | x < lower | x > upper))
    bad_value("`", what, "` must be ", kind, " from ", format(lower, scientific = FALSE), " to ",
              format(upper, scientific = FALSE))
  as.double(x)
}

# The streams to run: whole numbers, taken as a set in ascending order, as
# the programs take a list of seeds. The core refuses those outside 0 to 999.
seed_set <- function(seeds) {
  as.integer(sort(unique(whole_numbers(seeds, "seeds", -.Machine$integer.max, .Machine$integer.max))))
}

# The most threads a call may ask for, the core's own bound. More are refused
# here, before any thread starts: a thread that the system cannot give fails
# the call, and those already started stay in the core's pool.
max_threads <- 1024L

# The threads a call uses: those given, or else the cores this R process may
# use (under a future plan's worker, the worker's share; under a batch
# scheduler, the allocation), at most max_threads.
thread_count <- function(threads) {
  if (is.null(threads)) return(min(as.integer(parallelly::availableCores()), max_threads))
  as.integer(whole_numbers(threads, "threads", 1, max_threads, single = TRUE))
}

# A result given back to a method as argument `what`: the list that
# `maker`() makes, whose parts each pass their check in `parts` (a function
# of the part, TRUE when it can be used). A result changed or made by hand
# so that a part is missing or of the wrong kind is refused, naming the part.
checked_result <- function(x, what, maker, parts) {
  if (!is.list(x)) bad_value("`", what, "` must be made by ", maker, ", not of type ", typeof(x))
  for (name in names(parts))
    if (!isTRUE(parts[[name]](x[[name]])))
      bad_value("`", what, "` must be made by ", maker, ": its `", name, "` is missing or of the wrong kind")
  x
}

is_text <- function(x) is.character(x) && length(x) == 1 && !is.na(x)
