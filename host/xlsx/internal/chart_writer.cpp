#include "host/xlsx/internal/chart_writer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "host/address.h"
#include "host/xlsx/internal/format_cache.h"

namespace plrxl::xlsx {

namespace {

// libxlsxwriter's default chart size in pixels.
constexpr double kDefaultWidthPx = 480;
constexpr double kDefaultHeightPx = 288;

uint8_t LxwChartType(ChartKind kind) {
  switch (kind) {
    case ChartKind::kColumn: return LXW_CHART_COLUMN;
    case ChartKind::kBar: return LXW_CHART_BAR;
    case ChartKind::kArea: return LXW_CHART_AREA;
    case ChartKind::kScatter: return LXW_CHART_SCATTER_STRAIGHT;
    default: return LXW_CHART_LINE;
  }
}

struct MarkerName {
  const char* symbol;
  uint8_t type;
};
constexpr MarkerName kMarkers[] = {
    {"dash", LXW_CHART_MARKER_SHORT_DASH}, {"square", LXW_CHART_MARKER_SQUARE}, {"diamond", LXW_CHART_MARKER_DIAMOND},
    {"triangle", LXW_CHART_MARKER_TRIANGLE}, {"x", LXW_CHART_MARKER_X},          {"star", LXW_CHART_MARKER_STAR},
    {"circle", LXW_CHART_MARKER_CIRCLE},   {"plus", LXW_CHART_MARKER_PLUS},
};

uint8_t MarkerType(const ChartSeries& s, bool markers) {
  if (!markers) return LXW_CHART_MARKER_NONE;
  for (const MarkerName& m : kMarkers) {
    if (s.marker_symbol == m.symbol) return m.type;
  }
  return LXW_CHART_MARKER_AUTOMATIC;
}

// A font with the chart's face. libxlsxwriter copies the name and never
// writes through the pointer its C interface declares non-const.
lxw_chart_font ChartFont(const Chart& chart) {
  lxw_chart_font font = {};
  if (!chart.font_name.empty()) font.name = const_cast<char*>(chart.font_name.c_str());
  return font;
}

void ApplyAxis(lxw_chart_axis* axis, const ChartAxis& a, const Chart& chart) {
  if (axis == nullptr) return;
  if (a.reversed) chart_axis_set_reverse(axis);
  if (a.crossed_at_maximum) chart_axis_set_crossing_max(axis);
  if (a.label_interval > 0) {
    chart_axis_set_interval_unit(axis, static_cast<uint16_t>(std::min(a.label_interval, 65535)));
    chart_axis_set_interval_tick(axis, static_cast<uint16_t>(std::min(a.label_interval, 65535)));
  }
  if (a.labels_low) chart_axis_set_label_position(axis, LXW_CHART_AXIS_LABEL_POSITION_LOW);
  if (a.minimum) chart_axis_set_min(axis, *a.minimum);
  if (a.maximum) chart_axis_set_max(axis, *a.maximum);
  if (a.major_unit) chart_axis_set_major_unit(axis, *a.major_unit);
  chart_axis_major_gridlines_set_visible(axis, a.major_gridlines ? LXW_TRUE : LXW_FALSE);
  if (!a.number_format.empty()) chart_axis_set_num_format(axis, a.number_format.c_str());
  if (a.tick_label_font_size > 0 || !chart.font_name.empty()) {
    lxw_chart_font font = ChartFont(chart);
    font.size = a.tick_label_font_size;
    chart_axis_set_num_font(axis, &font);
  }
}

}  // namespace

std::string R1C1RefToA1(const std::string& ref) {
  auto parsed = ParseR1C1(ref);
  if (!parsed) return ref;
  std::string out = "=";
  if (!parsed->sheet.empty()) {
    out += "'";
    for (char c : parsed->sheet) {
      out += c;
      if (c == '\'') out += '\'';
    }
    out += "'!";
  }
  return out + FormatA1(parsed->rect, true);
}

bool WriteChart(lxw_workbook* wb, lxw_worksheet* ws, const Chart& chart, const std::string& sheet_name) {
  // A carried chart is replaced by its own part after the package is
  // written: a series only has to make libxlsxwriter draw its frame.
  std::vector<ChartSeries> placeholder;
  if (chart.series.empty() && chart.source) {
    std::string quoted;
    for (char ch : sheet_name) quoted += ch == '\'' ? std::string("''") : std::string(1, ch);
    placeholder.emplace_back();
    placeholder.back().values = "='" + quoted + "'!R1C1";
  }
  const std::vector<ChartSeries>& all = chart.series.empty() ? placeholder : chart.series;
  if (all.empty()) return false;
  lxw_chart* c = workbook_add_chart(wb, LxwChartType(chart.kind));
  if (c == nullptr) return false;
  for (const ChartSeries& s : all) {
    std::string values = R1C1RefToA1(s.values);
    std::string categories = R1C1RefToA1(s.categories);
    lxw_chart_series* series =
        chart_add_series(c, categories.empty() ? nullptr : categories.c_str(), values.c_str());
    if (series == nullptr) continue;
    if (!s.name.empty()) {
      std::string name = s.name[0] == '=' ? R1C1RefToA1(s.name) : s.name;
      chart_series_set_name(series, name.c_str());
    }
    if (s.line_hidden) {
      lxw_chart_line line = {};
      line.none = LXW_TRUE;
      chart_series_set_line(series, &line);
    } else if (s.line_color != kAutomatic || s.line_weight > 0) {
      lxw_chart_line line = {};
      if (s.line_color != kAutomatic) line.color = LxwColor(s.line_color);
      if (s.line_weight > 0) line.width = static_cast<float>(s.line_weight);
      chart_series_set_line(series, &line);
    }
    bool line_like = chart.kind == ChartKind::kLine || chart.kind == ChartKind::kLineMarkers ||
                     chart.kind == ChartKind::kStock || chart.kind == ChartKind::kOther;
    if (line_like || chart.kind == ChartKind::kScatter) {
      bool markers = s.markers || chart.kind == ChartKind::kLineMarkers;
      chart_series_set_marker_type(series, MarkerType(s, markers));
    }
  }
  if (!chart.title.empty()) {
    chart_title_set_name(c, chart.title.c_str());
    lxw_chart_font font = ChartFont(chart);
    font.bold = chart.title_bold ? LXW_TRUE : LXW_FALSE;
    if (chart.title_font_size > 0) font.size = chart.title_font_size;
    if (chart.title_bold || chart.title_font_size > 0 || !chart.font_name.empty()) chart_title_set_name_font(c, &font);
  }
  if (!chart.has_legend) {
    chart_legend_set_position(c, LXW_CHART_LEGEND_NONE);
  } else if (!chart.font_name.empty()) {
    lxw_chart_font font = ChartFont(chart);
    chart_legend_set_font(c, &font);
  }
  if (chart.high_low_lines || chart.kind == ChartKind::kStock) chart_set_high_low_lines(c, nullptr);
  if (chart.up_down_bars) chart_set_up_down_bars(c);
  ApplyAxis(c->x_axis, chart.category_axis, chart);
  ApplyAxis(c->y_axis, chart.value_axis, chart);

  lxw_chart_options options = {};
  options.x_offset = static_cast<int32_t>(std::lround(chart.left * 4.0 / 3.0));
  options.y_offset = static_cast<int32_t>(std::lround(chart.top * 4.0 / 3.0));
  options.x_scale = std::max(1.0, chart.width * 4.0 / 3.0) / kDefaultWidthPx;
  options.y_scale = std::max(1.0, chart.height * 4.0 / 3.0) / kDefaultHeightPx;
  return worksheet_insert_chart_opt(ws, 0, 0, c, &options) == LXW_NO_ERROR;
}

}  // namespace plrxl::xlsx
