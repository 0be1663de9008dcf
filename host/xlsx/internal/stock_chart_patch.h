// Rewrites chart parts of a saved package: turns line charts into stock
// charts (<c:lineChart> becomes <c:stockChart>, without the elements a
// stock chart does not have: grouping, varyColors and the chart-level marker
// flag), and puts back the parts of charts carried over from a loaded file.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace plrxl::xlsx {

// The chart part's XML with the first line chart rewritten; unchanged when
// it holds none.
std::string LineChartToStockChart(const std::string& xml);

// libxlsxwriter names the short dash marker "short_dash", which the chart
// schema does not know: the part's markers with the schema's "dash".
std::string FixMarkerNames(const std::string& xml);

// One chart part of a saved package to rewrite.
struct ChartPartEdit {
  std::string part;  // "xl/charts/chart3.xml"
  // The part's new text (a chart carried over from the loaded file); null:
  // fix the marker names of the written part and, with to_stock, turn its
  // line chart into a stock chart.
  std::shared_ptr<const std::string> replacement;
  bool to_stock = false;
};

// Rewrites the chart parts inside the package file at path (in place).
// Throws XlsxProblem when the package cannot be updated.
void PatchChartParts(const std::string& path, const std::vector<ChartPartEdit>& edits);

}  // namespace plrxl::xlsx
