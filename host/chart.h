// Chart objects on a worksheet: what the system draws and reads back.
//
// Series references are R1C1 reference texts: "=", the sheet name in
// apostrophes, "!", references joined by ":" (e.g. ='AAPL'!R2C5:R200C5).
#pragma once

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
  bool markers = false;
};

struct ChartAxis {
  std::optional<double> minimum, maximum, major_unit;
  bool major_gridlines = false;
  double tick_label_font_size = 0;  // 0 = default
  std::string number_format;
};

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
  bool high_low_lines = false;
  bool up_down_bars = false;
};

}  // namespace plrxl
