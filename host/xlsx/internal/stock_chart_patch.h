// Turns line charts of a saved package into stock charts: <c:lineChart>
// becomes <c:stockChart>, without the elements a stock chart does not have
// (grouping, varyColors and the chart-level marker flag).
#pragma once

#include <string>
#include <vector>

namespace plrxl::xlsx {

// The chart part's XML with the first line chart rewritten; unchanged when
// it holds none.
std::string LineChartToStockChart(const std::string& xml);

// Rewrites the named chart parts inside the package file at path (in
// place). Throws XlsxProblem when the package cannot be updated.
void PatchStockCharts(const std::string& path, const std::vector<std::string>& chart_parts);

}  // namespace plrxl::xlsx
