// Rewrites chart parts of a saved package where libxlsxwriter cannot write
// what the model holds: turns line charts into stock charts (<c:lineChart>
// becomes <c:stockChart>, without the elements a stock chart does not have:
// grouping, varyColors and the chart-level marker flag), and moves series
// onto a secondary value axis.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/chart.h"

namespace plrxl::xlsx {

// The chart part's XML with the first line chart rewritten; unchanged when
// it holds none.
std::string LineChartToStockChart(const std::string& xml);

// libxlsxwriter names the short dash marker "short_dash", which the chart
// schema does not know: the part's markers with the schema's "dash".
std::string FixMarkerNames(const std::string& xml);

// The series of the first line chart whose <c:idx> is in `series` move into
// a second line chart group of their own, plotted against a new value axis
// on the right (crossing the category axis at its maximum) with `axis`'s
// scale, and a hidden category axis. Unchanged when `series` is empty or
// the part has no line chart. Throws XlsxProblem on a part that is not XML.
std::string MoveSeriesToSecondaryAxis(const std::string& xml, const std::vector<int>& series,
                                      const ChartAxis& axis);

// What a written chart part needs after libxlsxwriter.
struct ChartPatch {
  bool to_stock = false;
  std::vector<int> secondary_series;  // 0-based series indexes
  ChartAxis secondary_axis;
};

// The patch a drawn chart needs; nullopt when its written part is right as
// it stands.
std::optional<ChartPatch> PatchFor(const Chart& chart);

// Fixes the marker names and applies `patch`.
std::string PatchChartPart(const std::string& xml, const ChartPatch& patch);

}  // namespace plrxl::xlsx
