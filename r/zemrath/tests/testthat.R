library(testthat)
library(zemrath)

test_check("zemrath")
