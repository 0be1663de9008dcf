// Charts drawn through the Calc host: the office draws them once their
// series and looks are set, a file Calc saves holds them, and a host that
// opens that file finds them by title and deletes them.
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/calc/calc_office_fixture.h"

namespace plrxl::calc::testing {
namespace {

constexpr int kRows = 40;

// Date, Open, High, Low, Close, an oscillator far below the prices.
void FillQuotes(Worksheet& sheet) {
  const char* titles[] = {"Date", "Open", "High", "Low", "Close", "RSI"};
  for (int col = 1; col <= 6; ++col) sheet.SetCellValue(1, col, Variant(titles[col - 1]));
  for (int row = 2; row <= kRows + 1; ++row) {
    const double close = 100 + row;
    sheet.SetCellValue(row, 1, Variant::Date(45000 + row));
    sheet.SetCellValue(row, 2, Variant(close - 1));
    sheet.SetCellValue(row, 3, Variant(close + 2));
    sheet.SetCellValue(row, 4, Variant(close - 3));
    sheet.SetCellValue(row, 5, Variant(close));
    sheet.SetCellValue(row, 6, Variant(row % 10 * 0.1));
  }
}

ChartSeries Series(const std::string& name, int col) {
  const std::string rows = "R2C" + std::to_string(col) + ":R" + std::to_string(kRows + 1) + "C" + std::to_string(col);
  ChartSeries series;
  series.name = name;
  series.values = "='Quotes'!" + rows;
  series.categories = "='Quotes'!R2C1:R" + std::to_string(kRows + 1) + "C1";
  return series;
}

// What a file holds of its charts, sheet by sheet: title, kind and the
// series' names (a line chart) or values (a stock chart). Calc writes a
// stock chart's prices in the order of its roles: (open,) low, high, close.
// The system lists them (open,) high, low, close, so the low column D
// before the high column C shows each price drawn as what it is.
std::vector<std::string> ChartsDrawn(const std::string& path) {
  return ChartsInFile(path, [](const Chart& chart) {
    std::string text = chart.title + (chart.kind == ChartKind::kStock ? " stock" : " line");
    for (const ChartSeries& one : chart.series) text += " | " + (chart.kind == ChartKind::kStock ? one.values : one.name);
    return text;
  });
}

TEST(CalcCharts, DrawnChartsAreSavedFoundByTitleAndDeleted) {
  PLRXL_NEED_OFFICE();
  const std::string path = TestFolder() + "/charts.xlsx";
  {
    std::unique_ptr<SpreadsheetHost> calc = MakeTestHost();
    Workbook& book = calc->AddWorkbook();
    Worksheet& sheet = book.WorksheetAt(1);
    sheet.SetName("Quotes");
    FillQuotes(sheet);
    // As the chart macros draw: add, then set series and looks on the
    // object (a read between them must not draw a half-made chart).
    Chart& stock = sheet.AddChart(400, 10, 360, 220);
    stock.kind = ChartKind::kStock;
    stock.title = "OHLC";
    stock.series = {Series("Open", 2), Series("High", 3), Series("Low", 4), Series("Close", 5)};
    stock.has_legend = false;
    stock.up_down_bars = true;
    EXPECT_EQ(sheet.CellValue(2, 5), Variant(102));
    Chart& line = sheet.AddChart(400, 250, 360, 220);
    line.title = "Close and RSI";
    line.series = {Series("Close", 5), Series("RSI", 6)};
    line.series[0].line_color = 0x0000FF;
    line.series[0].line_weight = 1.5;
    line.series[1].secondary_axis = true;
    line.value_axis.minimum = 90;
    line.value_axis.major_gridlines = true;
    EXPECT_EQ(sheet.ChartCount(), 2);
    book.SaveAs(path);
  }
  const std::vector<std::string> expected = {
      "Quotes: OHLC stock | ='Quotes'!R2C2:R41C2 | ='Quotes'!R2C4:R41C4 | ='Quotes'!R2C3:R41C3 | ='Quotes'!R2C5:R41C5",
      // The names are the title cells above the values.
      "Quotes: Close and RSI line | ='Quotes'!R1C5 | ='Quotes'!R1C6"};
  EXPECT_EQ(ChartsDrawn(path), expected);

  // The next run finds the charts by title, deletes one and draws another.
  std::unique_ptr<SpreadsheetHost> calc = MakeTestHost();
  Workbook& book = calc->OpenWorkbook(path);
  Worksheet& sheet = book.WorksheetAt(1);
  ASSERT_EQ(sheet.ChartCount(), 2);
  EXPECT_EQ(sheet.ChartAt(1).title, "OHLC");
  EXPECT_EQ(sheet.ChartAt(1).kind, ChartKind::kStock);
  EXPECT_EQ(sheet.ChartAt(2).title, "Close and RSI");
  EXPECT_EQ(sheet.ChartAt(2).kind, ChartKind::kLine);
  sheet.DeleteChart(1);
  Chart& again = sheet.AddChart(0, 0, 300, 200);
  EXPECT_NE(again.name, sheet.ChartAt(1).name);
  again.kind = ChartKind::kStock;
  again.title = "HLC";
  again.series = {Series("High", 3), Series("Low", 4), Series("Close", 5)};
  book.SaveAs(path);
  const std::vector<std::string> after = {
      "Quotes: Close and RSI line | ='Quotes'!R1C5 | ='Quotes'!R1C6",
      "Quotes: HLC stock | ='Quotes'!R2C4:R41C4 | ='Quotes'!R2C3:R41C3 | ='Quotes'!R2C5:R41C5"};
  EXPECT_EQ(ChartsDrawn(path), after);
}

}  // namespace
}  // namespace plrxl::calc::testing
