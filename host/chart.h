// Chart objects on a worksheet: what the system draws and reads back.
//
// Series references are R1C1 reference texts: "=", the sheet name in
// apostrophes, "!", references joined by ":" (e.g. ='AAPL'!R2C5:R200C5).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/style.h"

namespace plrxl {

enum class ChartKind { kLine, kLineMarkers, kStock, kColumn, kBar, kArea, kScatter, kOther };

struct ChartSeries {
  std::string name;        // a text or a reference text
  std::string values;      // reference text
  std::string categories;  // reference text; empty when none
  uint32_t line_color = kAutomatic;
  double line_weight = 0;  // points; 0 = default
  bool line_hidden = false;  // no line (a stock chart's price series)
  bool markers = false;
  // Marker shape when markers is on: "dash", "square", "diamond",
  // "triangle", "x", "star", "circle", "plus"; empty = automatic.
  std::string marker_symbol;
  // Plotted against the chart's secondary value axis (on the right), for a
  // series whose values lie far from the others' (an oscillator under a
  // price).
  bool secondary_axis = false;
  bool operator==(const ChartSeries&) const = default;
};

struct ChartAxis {
  std::optional<double> minimum, maximum, major_unit;
  bool major_gridlines = false;
  double tick_label_font_size = 0;  // 0 = default
  std::string number_format;
  bool reversed = false;  // categories (or values) run from the far end
  // The other axis crosses this one at its maximum (with reversed
  // categories: at the left edge) instead of automatically.
  bool crossed_at_maximum = false;
  int label_interval = 0;  // a label at every n-th category; 0 = automatic
  // Tick labels at the low end of the crossing axis (the bottom of the plot)
  // instead of next to the axis line, which crosses at zero.
  bool labels_low = false;
  bool operator==(const ChartAxis&) const = default;
};

struct ChartSource;

struct Chart {
  std::string name;  // object name, e.g. "Chart 1"
  ChartKind kind = ChartKind::kLine;
  // Position and size in points from the sheet's top-left corner.
  double left = 0, top = 0, width = 400, height = 250;
  std::string title;
  double title_font_size = 0;
  bool title_bold = false;
  bool has_legend = true;
  std::vector<ChartSeries> series;
  ChartAxis category_axis, value_axis;
  // The value axis of the series marked secondary_axis; unused when none is.
  ChartAxis secondary_value_axis;
  bool high_low_lines = false;
  bool up_down_bars = false;
  std::string font_name;  // every text of the chart; empty = the reader's default
  // The chart part as a loaded file held it; null for a chart drawn here.
  std::shared_ptr<const ChartSource> source;
};

// A chart part exactly as it was loaded. As long as the chart's drawing
// (everything above but its name and position) equals as_read, the chart
// is saved from these bytes, so a chart drawn by another program keeps all
// that the model does not know about.
struct ChartSource {
  std::string xml;
  Chart as_read;
};

// True when a and b draw the same: kind, title, legend, series, axes,
// chart-group options and font (names, positions and sources aside).
bool SameDrawing(const Chart& a, const Chart& b);

}  // namespace plrxl
