# The project's programs, for the tests that compare with them: their paths
# come from ZEMRATH_PROGRAM, ZEMRATH_ENSEMBLE_PROGRAM and ZEMRATH_SWEEP_PROGRAM,
# which the project's test suite sets. Without them those tests are skipped,
# and say so.
program_path <- function(variable) {
  path <- Sys.getenv(variable)
  if (!nzchar(path)) skip(paste(variable, "is not set: no comparison with the program"))
  if (!file.exists(path)) stop(variable, " names ", path, ", which does not exist")
  path
}

# Parameter sets as the ten answers typed at the prompts.
answer_sets <- list(
  # Some streams die out.
  small = c("0.013", "0.8", "0.5", "400", "2", "0.5", "0.1", "4", "1", "30"),
  # Embryos beyond 32 bits: counts wrap in some streams, and every stream
  # dies out (no embryo survives).
  wrapping = c("-1", "0.8", "0.5", "400", "2", "0.5", "0.1", "4", "2.5e6", "10"),
  # Around a billion draws a generation: the long counts of the kernels.
  large = c("0.5", "0.8", "0.5", "2000000", "2", "0.5", "0.1", "8", "6", "6")
)

# A file of these answers in a new folder, and the folder.
answers_file <- function(answers) {
  folder <- tempfile("zemrath-")
  dir.create(folder)
  path <- file.path(folder, "answers.txt")
  writeLines(answers, path)
  path
}

parameters_of <- function(answers) read_answers(answers_file(answers))

# The rows of output.txt after `ZEMRATH_SEED=seed zemrath` with these answers.
program_rows <- function(answers, seed) {
  program <- program_path("ZEMRATH_PROGRAM")
  folder <- tempfile("zemrath-run-")
  dir.create(folder)
  input <- file.path(folder, "input.txt")
  # The empty line ends the program's closing wait.
  writeLines(c(answers, ""), input)
  old <- setwd(folder)
  on.exit(setwd(old))
  status <- system2(program, stdin = input, stdout = FALSE, stderr = FALSE, env = paste0("ZEMRATH_SEED=", seed))
  if (status != 0) stop("zemrath ended with status ", status)
  lines <- readLines(file.path(folder, "output.txt"))
  rows <- read.table(text = lines[-(1:5)], col.names = c("generation", "embryos", "larvae", "adults"),
                     colClasses = "integer")
  rows
}

# Runs one of the programs with arguments; its standard output (its warnings
# about values outside their meaning go to standard error).
run_program <- function(variable, arguments) {
  output <- suppressWarnings(system2(program_path(variable), arguments, stdout = TRUE, stderr = FALSE))
  status <- attr(output, "status")
  if (!is.null(status)) stop(variable, " ended with status ", status, ": ", paste(output, collapse = "\n"))
  output
}

# A CSV table of the programs, every column as numbers.
numeric_table <- function(path) read.csv(path, colClasses = "numeric", check.names = FALSE)

as_numeric_columns <- function(frame) {
  frame[] <- lapply(frame, as.numeric)
  frame
}
