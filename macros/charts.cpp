// "linechart" and "stockchart": embedded charts of the ticker's data sheet.
// Every statement runs in ignore mode (IgnoreErrors): one that fails is
// skipped and the next one runs, so a missing column or a refused format
// leaves the chart incomplete but never stops the macro text.
#include "macros/charts.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "entry/pelorin.h"
#include "host/spreadsheet_host.h"
#include "macros/cfenmar.h"
#include "macros/internal/runtime_text.h"
#include "support/procedure.h"

namespace plrxl {

namespace {

using macros_internal::ContainsNoCase;
using macros_internal::IsNumericValue;
using macros_internal::SplitList;

constexpr const char* kLineChartSource = "Pelorin.Cfenmar.LineChart";
constexpr const char* kStockChartSource = "Pelorin.Cfenmar.StockChart";

// Look of every chart drawn here (docs/macro_language.md lists them).
constexpr const char* kChartFont = "Arial";
constexpr double kTitleFontSize = 12;
constexpr double kTickLabelFontSize = 8;
constexpr double kLineWeight = 1.5;                    // points
constexpr double kChartWidth = 540, kChartHeight = 300;  // points
constexpr int kCategoryLabels = 8;                       // about as many date labels
// Colour indexes of the line series in slot order: blue, red, green,
// orange, violet, teal, magenta, black.
constexpr int kSeriesColorIndexes[] = {5, 3, 10, 46, 13, 14, 7, 1};

// One series found on the data sheet: its rows, its column and its name.
struct SeriesPlace {
  int16_t first_row = 0;
  int16_t last_row = 0;
  int16_t column = 0;
  std::string name;
};

// The kinds of "stockchart" and the price columns each one draws.
struct StockKind {
  const char* name;
  ChartKind kind;
  std::vector<DataField> prices;
  bool high_low_lines;
  bool up_down_bars;
};

const std::vector<StockKind>& StockKinds() {
  static const std::vector<StockKind> kinds = {
      {"HLC", ChartKind::kStock, {DataField::kHigh, DataField::kLow, DataField::kClose}, true, false},
      {"OHLC", ChartKind::kStock, {DataField::kOpen, DataField::kHigh, DataField::kLow, DataField::kClose}, true, true},
      {"LINEOPEN", ChartKind::kLine, {DataField::kOpen}, false, false},
      {"LINEHIGH", ChartKind::kLine, {DataField::kHigh}, false, false},
      {"LINELOW", ChartKind::kLine, {DataField::kLow}, false, false},
      {"LINECLOSE", ChartKind::kLine, {DataField::kClose}, false, false},
  };
  return kinds;
}

std::string UpperAscii(std::string text) {
  for (char& ch : text) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
  return text;
}

// "='AAPL'!R2C5:R200C5"; an apostrophe in the sheet name is doubled.
std::string ColumnReference(const std::string& sheet, int16_t first, int16_t last, int16_t column) {
  std::string quoted;
  for (char ch : sheet) quoted += ch == '\'' ? std::string("''") : std::string(1, ch);
  const std::string c = "C" + std::to_string(column);
  return "='" + quoted + "'!R" + std::to_string(first) + c + ":R" + std::to_string(last) + c;
}

// The column below an addressed cell: a cell that holds no number names the
// series, which begins in the row below. The series ends with the rows of
// the category (date) column when there is one (`last_category_row`), so
// that the blank warm-up cells of an indicator are gaps of its line, not
// its end; without one it ends where the jump down from the cell ends,
// counted only below row 32000. An empty column (the jump reaches row 32000
// or beyond) has no series.
std::optional<SeriesPlace> PlaceBelowCell(Worksheet& sheet, const std::string& address, const RegionalSettings& rs,
                                          std::optional<int16_t> last_category_row) {
  const Range cell = sheet.GetRange(address);
  const Variant value = sheet.CellValue(cell.Row(), cell.Column());
  const bool number = value.IsDate() || (!value.IsEmpty() && IsNumericValue(value, rs));
  SeriesPlace place;
  place.column = ToInt16(cell.Column(), kLineChartSource);
  place.first_row = ToInt16(cell.Row() + (number ? 0 : 1), kLineChartSource);
  const int end = cell.End(Direction::kDown).Row();
  if (end >= kSearchRowLimit || end < place.first_row) return std::nullopt;
  place.last_row = ToInt16(end, kLineChartSource);
  if (last_category_row) {
    if (*last_category_row < place.first_row) return std::nullopt;
    place.last_row = *last_category_row;
  }
  if (!number && !value.IsEmpty()) place.name = ToText(value, rs);
  return place;
}

// Left edge of a column in points, as the saved file lays the sheet out
// (a column of w characters is trunc(7w + 0.5) + 5 pixels of 3/4 point).
double ColumnLeftPoints(const Worksheet& sheet, int column) {
  double pixels = 0;
  for (int c = 1; c < column && c <= kMaxCols; ++c) {
    const double w = sheet.ColumnWidth(c);
    pixels += w <= 0 ? 0 : (w < 1 ? std::trunc(w * 12 + 0.5) : std::trunc(w * 7 + 0.5) + 5);
  }
  return pixels * 0.75;
}

// The state one chart macro builds up, statement by statement.
class ChartDrawing {
 public:
  explicit ChartDrawing(SpreadsheetHost& app) : app_(app) {}

  // Remembers the data sheet and reads the ticker of the active settings
  // row; the data sheet is active again afterwards.
  void ReadTicker(Worksheet& data_sheet, CPelorin& owner, Worksheet& settings, int16_t row) {
    data_sheet_ = &data_sheet;
    ticker_ = ToText(owner.SettingsValue(settings, row, kTicker), app_.Regional());
    date_format_ = owner.TWP("B2");
    data_sheet.Activate();
  }

  // Deletes every chart of the data sheet whose title is the ticker.
  void DeleteTickerCharts() {
    Worksheet& sheet = DataSheet();
    for (int i = sheet.ChartCount(); i >= 1; --i) {
      const Chart& chart = sheet.ChartAt(i);
      if (!chart.title.empty() && chart.title == ticker_) sheet.DeleteChart(i);
    }
  }

  // `price`: the series sets the price range that the others are measured
  // against (the first line of "linechart", the prices of "stockchart").
  void AddSeries(const SeriesPlace& place, const std::optional<int16_t>& category_column, bool price) {
    places_.push_back(place);
    prices_.push_back(price);
    category_column_ = category_column;
    ChartSeries series;
    const std::string& sheet = DataSheet().Name();
    series.values = ColumnReference(sheet, place.first_row, place.last_row, place.column);
    if (category_column) {
      series.categories = ColumnReference(sheet, place.first_row, place.last_row, *category_column);
    }
    series.name = place.name;
    series_.push_back(std::move(series));
  }

  bool HasSeries() const { return !series_.empty(); }
  std::vector<ChartSeries>& Series() { return series_; }

  // Adds the chart beside the data block (one empty column between) with
  // the series found so far; nullptr when there is nothing to draw.
  Chart* Draw(ChartKind kind) {
    if (series_.empty()) return nullptr;
    Worksheet& sheet = DataSheet();
    const std::optional<Rect> used = sheet.UsedRange();
    const double left = ColumnLeftPoints(sheet, (used ? used->col2 : 0) + 2);
    Chart& chart = sheet.AddChart(left, sheet.RowHeight(1), kChartWidth, kChartHeight);
    chart.kind = kind;
    chart.title = ticker_;
    chart.series = series_;
    chart_name_ = chart.name;
    return &chart;
  }

  // The chart Draw added, found again by its name (a failed statement may
  // lie between).
  Chart& Drawn() {
    Worksheet& sheet = DataSheet();
    for (int i = 1; i <= sheet.ChartCount(); ++i) {
      if (sheet.ChartAt(i).name == chart_name_) return sheet.ChartAt(i);
    }
    throw Error(kErrObjectRequired, "Pelorin.Cfenmar", "Object required");
  }

  // Title, fonts, axes and line colours and weights. Dates need no
  // reversed axis when the newest quote stands on top: both spreadsheet
  // programs lay a date axis out in time order, whatever the row order.
  void Format() {
    Chart& chart = Drawn();
    chart.font_name = kChartFont;
    chart.title_bold = true;
    chart.title_font_size = kTitleFontSize;
    ChartAxis& categories = chart.category_axis;
    categories.tick_label_font_size = kTickLabelFontSize;
    const SeriesPlace& first = places_.front();
    categories.label_interval = std::max(1, (first.last_row - first.first_row + 1) / kCategoryLabels);
    if (category_column_) {
      // Dates as the sheet shows them, or in the project's date format (the
      // chart's cached values carry no format of their own).
      std::string format = DataSheet().Cells(first.first_row, *category_column_).NumberFormat();
      if (format == "General" && DataSheet().CellValue(first.first_row, *category_column_).IsDate()) {
        format = date_format_;
      }
      if (format != "General") categories.number_format = format;
    }
    // Date labels at the bottom of the plot, also when the value axis runs
    // below zero.
    categories.labels_low = true;
    chart.value_axis.tick_label_font_size = kTickLabelFontSize;
    chart.value_axis.major_gridlines = true;
    const std::vector<bool> secondary = SecondarySeries();
    FitValueAxis(chart.value_axis, secondary, false);
    if (chart.kind != ChartKind::kStock) {
      for (size_t i = 0; i < chart.series.size() && i < secondary.size(); ++i) {
        chart.series[i].secondary_axis = secondary[i];
      }
      chart.secondary_value_axis.tick_label_font_size = kTickLabelFontSize;
      FitValueAxis(chart.secondary_value_axis, secondary, true);
    }
    int line = 0;
    for (ChartSeries& series : chart.series) {
      if (chart.kind == ChartKind::kStock) {
        series.line_hidden = true;
        continue;
      }
      series.line_color = ColorIndexToRgb(kSeriesColorIndexes[line++ % std::size(kSeriesColorIndexes)]);
      series.line_weight = kLineWeight;
    }
  }

  // Activates the data sheet and selects its first cell.
  void Finish() {
    Worksheet& sheet = DataSheet();
    sheet.Activate();
    sheet.Cells(1, 1).Select();
  }

  Worksheet& DataSheet() {
    if (data_sheet_ == nullptr) throw Error(kErrObjectRequired, "Pelorin.Cfenmar", "Object required");
    return *data_sheet_;
  }

 private:
  SpreadsheetHost& app_;
  struct ValueSpan {
    std::optional<double> low, high;
    void Add(const ValueSpan& other) {
      if (!other.low) return;
      low = low ? std::min(*low, *other.low) : *other.low;
      high = high ? std::max(*high, *other.high) : *other.high;
    }
  };

  ValueSpan SpanOf(const SeriesPlace& place) {
    Worksheet& sheet = DataSheet();
    ValueSpan span;
    sheet.ForEachCell(Rect{place.first_row, place.column, place.last_row, place.column}, [&](int row, int col) {
      const Variant v = sheet.CellValue(row, col);
      if (!v.IsNumber()) return;
      span.Add({v.Number(), v.Number()});
    });
    return span;
  }

  // Which series go on the secondary axis: those that would stretch the
  // price axis to more than twice the prices' own span (an oscillator near
  // zero or a volume under a price of 40), so the prices keep the plot.
  std::vector<bool> SecondarySeries() {
    std::vector<bool> secondary(places_.size(), false);
    ValueSpan prices;
    for (size_t i = 0; i < places_.size(); ++i) {
      if (prices_[i]) prices.Add(SpanOf(places_[i]));
    }
    if (!prices.low) return secondary;
    const double width = std::max(*prices.high - *prices.low, std::abs(*prices.high) * 0.01);
    if (!(width > 0)) return secondary;
    for (size_t i = 0; i < places_.size(); ++i) {
      if (prices_[i]) continue;
      ValueSpan both = prices;
      both.Add(SpanOf(places_[i]));
      secondary[i] = *both.high - *both.low > 2 * width;
    }
    return secondary;
  }

  // The value axis runs between round numbers just below the lowest and
  // just above the highest value plotted on it, so that prices far from
  // zero fill the plot.
  void FitValueAxis(ChartAxis& axis, const std::vector<bool>& secondary, bool of_secondary) {
    ValueSpan span;
    for (size_t i = 0; i < places_.size(); ++i) {
      if (secondary[i] == of_secondary) span.Add(SpanOf(places_[i]));
    }
    const std::optional<double> low = span.low, high = span.high;
    if (!low || !(*high > *low)) return;
    const double step = std::pow(10.0, std::floor(std::log10((*high - *low) / 2)));
    axis.minimum = std::floor(*low / step) * step;
    axis.maximum = std::ceil(*high / step) * step;
    if (*low >= 0 && *axis.minimum < 0) axis.minimum = 0.0;
  }

  Worksheet* data_sheet_ = nullptr;
  std::string ticker_;
  std::string date_format_;
  std::vector<SeriesPlace> places_;
  std::vector<bool> prices_;  // per place: it sets the price range
  std::optional<int16_t> category_column_;
  std::vector<ChartSeries> series_;
  std::string chart_name_;
};

}  // namespace

void ChartMacros::LineChart(Cfenmar& engine, MacroSlots& slots) {
  std::optional<ChartDrawing> drawing;
  IgnoreErrors([&] { drawing.emplace(engine.App()); });
  if (!drawing) return;
  IgnoreErrors([&] {
    Worksheet& data_sheet = engine.ActiveSheet();
    int16_t row = 0;
    Worksheet& settings = engine.ActivateSettings(&row);
    drawing->ReadTicker(data_sheet, engine.OwnerObject(), settings, row);
  });
  IgnoreErrors([&] { drawing->DeleteTickerCharts(); });

  std::optional<int16_t> category_column, last_category_row;
  IgnoreErrors([&] {
    if (slots[0].empty()) return;
    category_column = ToInt16(drawing->DataSheet().GetRange(slots[0]).Column(), kLineChartSource);
    const auto dates = PlaceBelowCell(drawing->DataSheet(), slots[0], engine.App().Regional(), std::nullopt);
    if (dates) last_category_row = dates->last_row;
  });
  bool first = true;
  for (size_t slot = 1; slot < 9; ++slot) {
    if (slots[slot].empty()) continue;
    IgnoreErrors([&] {
      const auto place = PlaceBelowCell(drawing->DataSheet(), slots[slot], engine.App().Regional(), last_category_row);
      if (!place) return;
      drawing->AddSeries(*place, category_column, first);
      first = false;
    });
  }
  bool drawn = false;
  IgnoreErrors([&] { drawn = drawing->Draw(ChartKind::kLine) != nullptr; });
  if (drawn) {
    IgnoreErrors([&] { drawing->Format(); });
  }
  IgnoreErrors([&] { drawing->Finish(); });
}

void ChartMacros::StockChart(Cfenmar& engine, MacroSlots& slots) {
  const std::string kind_name = UpperAscii(slots[0]);
  bool listed = false;
  IgnoreErrors([&] {
    for (const std::string& entry : SplitList(engine.OwnerObject().TWP("D9"), '|')) {
      if (ContainsNoCase(kind_name, entry)) listed = true;
    }
    if (!listed) engine.OwnerObject().myBreak(32);
  });
  if (!listed) return;

  std::optional<ChartDrawing> drawing;
  IgnoreErrors([&] { drawing.emplace(engine.App()); });
  if (!drawing) return;
  IgnoreErrors([&] {
    Worksheet& data_sheet = engine.ActiveSheet();
    int16_t row = 0;
    Worksheet& settings = engine.ActivateSettings(&row);
    drawing->ReadTicker(data_sheet, engine.OwnerObject(), settings, row);
  });
  IgnoreErrors([&] { drawing->DeleteTickerCharts(); });

  const StockKind* kind = nullptr;
  for (const StockKind& k : StockKinds()) {
    if (kind_name == k.name) kind = &k;
  }
  DataRanges ranges;
  IgnoreErrors([&] { ranges = engine.fnDataRanges(); });
  std::optional<int16_t> category_column, last_category_row;
  if (ranges[DataField::kDate]) {
    category_column = ranges[DataField::kDate]->column;
    if (ranges[DataField::kDate]->last_row > ranges[DataField::kDate]->title_row) {
      last_category_row = ranges[DataField::kDate]->last_row;
    }
  }

  if (kind != nullptr) {
    for (DataField field : kind->prices) {
      IgnoreErrors([&] {
        const std::optional<DataRange>& range = ranges[field];
        if (!range || range->last_row <= range->title_row) return;
        SeriesPlace place;
        place.first_row = ToInt16(range->title_row + 1, kStockChartSource);
        place.last_row = range->last_row;
        place.column = range->column;
        place.name = kDataFieldNames[static_cast<size_t>(field) - 1].title;
        drawing->AddSeries(place, category_column, true);
      });
    }
  }
  // A stock chart holds exactly its price series: extra columns are drawn
  // only by the line kinds (and by a listed kind that draws no prices).
  const bool stock = kind != nullptr && kind->kind == ChartKind::kStock;
  if (!stock) {
    for (size_t slot = 1; slot < 9; ++slot) {
      if (slots[slot].empty()) continue;
      IgnoreErrors([&] {
        const auto place =
            PlaceBelowCell(drawing->DataSheet(), slots[slot], engine.App().Regional(), last_category_row);
        // Without price series (a listed kind that draws none) the first
        // extra line sets the range.
        if (place) drawing->AddSeries(*place, category_column, !drawing->HasSeries());
      });
    }
  }

  bool drawn = false;
  IgnoreErrors([&] { drawn = drawing->Draw(stock ? ChartKind::kStock : ChartKind::kLine) != nullptr; });
  if (drawn) {
    IgnoreErrors([&] {
      Chart& chart = drawing->Drawn();
      chart.high_low_lines = kind != nullptr && kind->high_low_lines;
      chart.up_down_bars = kind != nullptr && kind->up_down_bars;
      chart.has_legend = chart.series.size() > 1 && !stock;
    });
    IgnoreErrors([&] { drawing->Format(); });
    if (kind != nullptr && kind->name == std::string("HLC")) {
      // The close is the tick at the right of each bar.
      IgnoreErrors([&] {
        for (ChartSeries& series : drawing->Drawn().series) {
          if (series.name != kDataFieldNames[static_cast<size_t>(DataField::kClose) - 1].title) continue;
          series.markers = true;
          series.marker_symbol = "dash";
        }
      });
    }
  }
  IgnoreErrors([&] { drawing->Finish(); });
}

}  // namespace plrxl
