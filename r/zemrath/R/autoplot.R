#' Plot an ensemble with ggplot2
#'
#' The figure of [plot()][plot.zemrath_ensemble()] as a ggplot: a fan chart
#' of one count over the generations and the share of streams extinct, as
#' two facets with their own scales. Needs the ggplot2 package.
#'
#' @param object A `zemrath_ensemble` from [run_ensemble()].
#' @inheritParams plot.zemrath_ensemble
#' @param ... Not used.
#' @return A ggplot object.
#' @examplesIf requireNamespace("ggplot2", quietly = TRUE)
#' p <- zemrath_parameters(0.013, 0.8, 0.5, 400, 2, 0.5, 0.1, 4, 1, 30)
#' ggplot2::autoplot(run_ensemble(p, seeds = 0:199, threads = 2))
#' @exportS3Method ggplot2::autoplot
autoplot.zemrath_ensemble <- function(object, count = "adults", ...) {
  object <- checked_ensemble(object, "object")
  count <- checked_count(count)
  s <- object$summary
  band <- count_columns(s, count)
  panels <- factor(c(count, "extinct fraction"), levels = c(count, "extinct fraction"))
  fan <- data.frame(generation = s$generation, panel = panels[1], band)
  extinct <- data.frame(generation = s$generation, panel = panels[2], value = s$extinct_fraction)
  aes <- ggplot2::aes
  ggplot2::ggplot() +
    ggplot2::geom_ribbon(aes(x = generation, ymin = p5, ymax = p95, fill = "5th to 95th percentile"), fan) +
    ggplot2::geom_ribbon(aes(x = generation, ymin = p25, ymax = p75, fill = "25th to 75th percentile"), fan) +
    ggplot2::geom_line(aes(x = generation, y = p50), fan, colour = fan_colours[["median"]], linewidth = 1) +
    ggplot2::geom_line(aes(x = generation, y = value), extinct, colour = fan_colours[["extinct"]], linewidth = 0.8) +
    ggplot2::facet_grid(panel ~ ., scales = "free_y") +
    ggplot2::scale_fill_manual(NULL, values = c("5th to 95th percentile" = fan_colours[["band_90"]],
                                                "25th to 75th percentile" = fan_colours[["band_50"]]),
                               breaks = c("5th to 95th percentile", "25th to 75th percentile")) +
    ggplot2::labs(x = "generation", y = NULL,
                  title = paste0(count, " (median and bands) over ", length(object$seeds), " streams")) +
    ggplot2::theme_bw() +
    ggplot2::theme(legend.position = "bottom")
}

# The columns that autoplot()'s aesthetics name.
utils::globalVariables(c("generation", "p5", "p25", "p50", "p75", "p95", "value"))
