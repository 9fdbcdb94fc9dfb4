# The colours of the figures, those of zemrath-ensemble's report.svg.
fan_colours <- c(band_90 = "#c6dbef", band_50 = "#6baed6", median = "#08306b", extinct = "#b2182b",
                 extinct_area = "#b2182b26")

# The band and median columns of one count in the summary.
count_columns <- function(summary, count) {
  column <- function(statistic) summary[[paste0(count, "_", statistic)]]
  list(p5 = column("p5"), p25 = column("p25"), p50 = column("p50"), p75 = column("p75"), p95 = column("p95"))
}

checked_count <- function(count) {
  counts <- c("adults", "larvae", "embryos")
  if (!is.character(count) || length(count) != 1 || !count %in% counts)
    bad_value("`count` must be one of ", paste(counts, collapse = ", "))
  count
}

#' Plot an ensemble: fan chart and extinction curve
#'
#' Two panels drawn with base graphics: above, a fan chart of one count over
#' the generations (the median of the streams, the band of their 25th to
#' 75th and of their 5th to 95th percentiles); below, the share of streams
#' extinct (without adults) in each generation.
#'
#' @param x A `zemrath_ensemble` from [run_ensemble()].
#' @param count The count of the fan chart: `"adults"`, `"larvae"` or
#'   `"embryos"`.
#' @param ... Further graphical parameters for both panels' [plot()].
#' @return `x`, invisibly.
#' @seealso [autoplot()][autoplot.zemrath_ensemble()] for the same with
#'   ggplot2.
#' @examples
#' p <- zemrath_parameters(0.013, 0.8, 0.5, 400, 2, 0.5, 0.1, 4, 1, 30)
#' plot(run_ensemble(p, seeds = 0:199, threads = 2))
#' @export
plot.zemrath_ensemble <- function(x, count = "adults", ...) {
  x <- checked_ensemble(x, "x")
  count <- checked_count(count)
  s <- x$summary
  g <- s$generation
  band <- count_columns(s, count)
  streams <- length(x$seeds)

  old <- graphics::par(mfrow = c(2, 1), mar = c(4, 4.5, 2.5, 1), las = 1)
  on.exit(graphics::par(old))

  # Room above the bands for the legend.
  span <- range(c(band$p5, band$p95), finite = TRUE)
  limits <- c(span[1], span[2] + 0.25 * max(diff(span), 1))
  graphics::plot(range(g), limits, type = "n", xlab = "generation", ylab = count,
                 main = paste0(count, " over ", streams, if (streams == 1) " stream" else " streams"), ...)
  graphics::polygon(c(g, rev(g)), c(band$p5, rev(band$p95)), col = fan_colours[["band_90"]], border = NA)
  graphics::polygon(c(g, rev(g)), c(band$p25, rev(band$p75)), col = fan_colours[["band_50"]], border = NA)
  graphics::lines(g, band$p50, col = fan_colours[["median"]], lwd = 2.5)
  graphics::legend("top", c("5th to 95th percentile", "25th to 75th percentile", "median"), horiz = TRUE,
                   fill = c(fan_colours[["band_90"]], fan_colours[["band_50"]], NA), border = NA,
                   lty = c(NA, NA, 1), lwd = c(NA, NA, 2.5), col = c(NA, NA, fan_colours[["median"]]),
                   bty = "n", cex = 0.8)

  graphics::plot(g, s$extinct_fraction, type = "n", ylim = c(0, 1), xlab = "generation",
                 ylab = "extinct fraction", main = "streams extinct", ...)
  graphics::polygon(c(g[1], g, g[length(g)]), c(0, s$extinct_fraction, 0), col = fan_colours[["extinct_area"]],
                    border = NA)
  graphics::lines(g, s$extinct_fraction, lwd = 2, col = fan_colours[["extinct"]])
  invisible(x)
}
