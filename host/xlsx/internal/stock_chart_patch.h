// Rewrites chart parts of a saved package: turns line charts into stock
// charts (<c:lineChart> becomes <c:stockChart>, without the elements a
// stock chart does not have: grouping, varyColors and the chart-level marker
// flag).
#pragma once

#include <string>

namespace plrxl::xlsx {

// The chart part's XML with the first line chart rewritten; unchanged when
// it holds none.
std::string LineChartToStockChart(const std::string& xml);

// libxlsxwriter names the short dash marker "short_dash", which the chart
// schema does not know: the part's markers with the schema's "dash".
std::string FixMarkerNames(const std::string& xml);

}  // namespace plrxl::xlsx
