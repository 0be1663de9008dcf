// The chart macros: series found from addresses and from the data block,
// the kinds of "stockchart" and the D9 check, reruns replacing the ticker's
// chart (also across a save and a load), and charts of another program
// surviving untouched. Saved chart parts are read back as XML.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/xlsx/internal/zip_reader.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/macros/macro_project.h"

namespace plrxl::testing {
namespace {

// What a test expects of one series.
struct SeriesText {
  std::string name, values, categories;
};

void AddChartLists(MacroProject& project, const char* kinds = "HLC|OHLC|LINEOPEN|LINEHIGH|LINELOW|LINECLOSE") {
  project.Parameters().SetCellValue(9, 4, Variant(kinds));
  project.Parameters().SetCellValue(32, 5, Variant("This chart kind is not known."));
}

void ExpectSeries(const Chart& chart, const std::vector<SeriesText>& expected) {
  ASSERT_EQ(chart.series.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("series " + std::to_string(i + 1));
    EXPECT_EQ(chart.series[i].name, expected[i].name);
    EXPECT_EQ(chart.series[i].values, expected[i].values);
    EXPECT_EQ(chart.series[i].categories, expected[i].categories);
  }
}

int ChartsTitled(Worksheet& sheet, const std::string& title) {
  int n = 0;
  for (int i = 1; i <= sheet.ChartCount(); ++i) n += sheet.ChartAt(i).title == title ? 1 : 0;
  return n;
}

// The chart parts of a saved package, by part name.
std::vector<std::pair<std::string, std::string>> ChartParts(const std::string& path) {
  xlsx::ZipReader zip(path);
  std::vector<std::pair<std::string, std::string>> parts;
  for (const std::string& part : zip.Parts()) {
    if (part.rfind("xl/charts/chart", 0) == 0) parts.emplace_back(part, zip.Read(part));
  }
  return parts;
}

const std::string kClose = "='AAPL'!R2C5:R11C5";
const std::string kDates = "='AAPL'!R2C1:R11C1";

TEST(ChartMacros, LineChartSeriesComeFromTheAddressedCells) {
  struct Case {
    const char* macro;
    std::vector<SeriesText> series;  // none: no chart
  } const cases[] = {
      {"linechart(A1,E1)", {{"Close", kClose, kDates}}},
      {"LineChart(A1,E1,,B1)", {{"Close", kClose, kDates}, {"Open", "='AAPL'!R2C2:R11C2", kDates}}},
      // A number starts the series at its own row, and names nothing.
      {"linechart(A1,E4)", {{"", "='AAPL'!R4C5:R11C5", "='AAPL'!R4C1:R11C1"}}},
      // An empty column has no series; a bad address is skipped.
      {"linechart(A1,H1,E1)", {{"Close", kClose, kDates}}},
      {"linechart(A1,ZZZ0,E1)", {{"Close", kClose, kDates}}},
      {"linechart(,E1)", {{"Close", kClose, ""}}},
      {"linechart(A1,H1)", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.macro);
    MacroProject project;
    project.Parameters().SetCellValue(2, 2, Variant("dd.mm.yyyy"));  // the project's date format
    EXPECT_EQ(project.Engine().RunMyMacro(c.macro), "Ok");
    EXPECT_TRUE(project.Ui().Boxes().empty());
    Worksheet& data = project.Data();
    if (c.series.empty()) {
      EXPECT_EQ(data.ChartCount(), 0);
      continue;
    }
    ASSERT_EQ(data.ChartCount(), 1);
    const Chart& chart = data.ChartAt(1);
    EXPECT_EQ(chart.kind, ChartKind::kLine);
    EXPECT_EQ(chart.title, "AAPL");
    EXPECT_TRUE(chart.title_bold);
    EXPECT_EQ(chart.font_name, "Arial");
    EXPECT_FALSE(chart.category_axis.reversed);
    EXPECT_EQ(chart.category_axis.number_format, c.series[0].categories.empty() ? "" : "dd.mm.yyyy");
    ExpectSeries(chart, c.series);
    // Beside the data block (columns A to F), one empty column between.
    EXPECT_NEAR(chart.left, 7 * 64 * 0.75, 0.01);
    EXPECT_EQ(project.Host().ActiveSheet(), &data);
  }
}

TEST(ChartMacros, StockChartKindsDrawTheirPriceSeries) {
  const SeriesText open{"Open", "='AAPL'!R2C2:R11C2", kDates}, high{"High", "='AAPL'!R2C3:R11C3", kDates},
      low{"Low", "='AAPL'!R2C4:R11C4", kDates}, close{"Close", kClose, kDates};
  struct Case {
    const char* macro;
    ChartKind kind;
    bool high_low, up_down;
    std::vector<SeriesText> series;
  } const cases[] = {
      {"stockchart(HLC)", ChartKind::kStock, true, false, {high, low, close}},
      {"stockchart(ohlc)", ChartKind::kStock, true, true, {open, high, low, close}},
      // Extra slots: extra lines of the line kinds, not part of a stock chart.
      {"stockchart(OHLC,F1)", ChartKind::kStock, true, true, {open, high, low, close}},
      {"stockchart(LineOpen)", ChartKind::kLine, false, false, {open}},
      {"stockchart(LINEHIGH)", ChartKind::kLine, false, false, {high}},
      {"stockchart(linelow)", ChartKind::kLine, false, false, {low}},
      {"stockchart(LINECLOSE,B1,,H1)", ChartKind::kLine, false, false, {close, open}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.macro);
    MacroProject project;
    AddChartLists(project);
    EXPECT_EQ(project.Engine().RunMyMacro(c.macro), "Ok");
    EXPECT_TRUE(project.Ui().Boxes().empty());
    ASSERT_EQ(project.Data().ChartCount(), 1);
    const Chart& chart = project.Data().ChartAt(1);
    EXPECT_EQ(chart.kind, c.kind);
    EXPECT_EQ(chart.title, "AAPL");
    EXPECT_EQ(chart.high_low_lines, c.high_low);
    EXPECT_EQ(chart.up_down_bars, c.up_down);
    ExpectSeries(chart, c.series);
    for (const ChartSeries& s : chart.series) EXPECT_EQ(s.line_hidden, c.kind == ChartKind::kStock) << s.name;
  }
}

TEST(ChartMacros, NewestQuotesFirstKeepTheDateAxisInTimeOrder) {
  for (const char* macro : {"stockchart(HLC)", "linechart(A1,E1)"}) {
    SCOPED_TRACE(macro);
    MacroProject project;
    AddChartLists(project);
    project.FillData(Order::kNewestFirst);
    project.Engine().RunMyMacro(macro);
    ASSERT_EQ(project.Data().ChartCount(), 1);
    // The spreadsheet programs order a date axis by time themselves.
    const Chart& chart = project.Data().ChartAt(1);
    EXPECT_FALSE(chart.category_axis.reversed);
    EXPECT_EQ(chart.series.back().categories, kDates);
  }
}

TEST(ChartMacros, AKindMissingFromTheListShowsMessage32AndDrawsNothing) {
  struct Case {
    const char* list;
    const char* macro;
  } const cases[] = {
      {"HLC|OHLC|LINEOPEN|LINEHIGH|LINELOW|LINECLOSE", "stockchart(BAR)"},
      {"LINECLOSE|LINEOPEN", "stockchart(hlc)"},
      {"LINECLOSE", "stockchart()"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.macro);
    MacroProject project;
    AddChartLists(project, c.list);
    // A chart of the ticker from an earlier run stays: nothing is touched.
    project.Data().AddChart(0, 0, 100, 100).title = "AAPL";
    project.Ui().AnswerBox(MsgResult::kOk, "not known");
    EXPECT_EQ(project.Engine().RunMyMacro(c.macro), "Ok");
    ASSERT_EQ(project.Ui().Boxes().size(), 1u);
    EXPECT_EQ(project.Ui().Boxes()[0].prompt, "This chart kind is not known.");
    ASSERT_EQ(project.Data().ChartCount(), 1);
    EXPECT_TRUE(project.Data().ChartAt(1).series.empty());
  }
}

TEST(ChartMacros, RerunsLeaveOneChartPerTickerAlsoAcrossSaveAndLoad) {
  TempWorld files;
  const std::string path = (files.Dir() / "project.xlsx").string();
  {
    MacroProject first(MakeXlsxStore());
    AddChartLists(first);
    Chart& other = first.Data().AddChart(0, 0, 100, 100);
    other.title = "Someone else's";
    other.series.emplace_back();
    other.series.back().values = "='AAPL'!R2C6:R11C6";
    EXPECT_EQ(first.Engine().RunMyMacro("stockchart(OHLC);stockchart(OHLC)"), "Ok");
    EXPECT_EQ(first.Data().ChartCount(), 2);
    first.Book().SaveAs(path);
  }
  for (const char* macro : {"stockchart(HLC)", "linechart(A1,E1);stockchart(LINECLOSE)", "linechart(A1,E1,B1)"}) {
    SCOPED_TRACE(macro);
    {
      MacroProject run(MakeXlsxStore(), path);
      EXPECT_EQ(run.Engine().RunMyMacro(macro), "Ok");
      EXPECT_EQ(ChartsTitled(run.Data(), "AAPL"), 1);
      run.Book().Save();
    }
    MacroProject back(MakeXlsxStore(), path);
    EXPECT_EQ(back.Data().ChartCount(), 2);
    EXPECT_EQ(ChartsTitled(back.Data(), "AAPL"), 1);
    EXPECT_EQ(ChartsTitled(back.Data(), "Someone else's"), 1);
  }
}

TEST(ChartMacros, SavedChartPartsHoldTheSeriesTypeAndTitle) {
  struct Case {
    const char* macro;
    std::vector<std::string> in_part;
    std::vector<std::string> not_in_part;
  } const cases[] = {
      {"linechart(A1,E1)",
       {"<c:lineChart>", "<c:f>'AAPL'!$E$2:$E$11</c:f>", "<c:f>'AAPL'!$A$2:$A$11</c:f>", "<c:v>Close</c:v>",
        "<a:t>AAPL</a:t>", "b=\"1\"", "typeface=\"Arial\""},
       {"<c:stockChart>", "<c:ser><c:idx val=\"1\"/>"}},
      {"stockchart(OHLC)",
       {"<c:stockChart>", "<c:hiLowLines/>", "<c:upDownBars>", "<c:f>'AAPL'!$B$2:$B$11</c:f>",
        "<c:f>'AAPL'!$E$2:$E$11</c:f>", "<c:v>Open</c:v>", "<a:t>AAPL</a:t>"},
       {"<c:lineChart>", "<c:grouping"}},
      {"stockchart(HLC)",
       {"<c:stockChart>", "<c:hiLowLines/>", "<c:symbol val=\"dash\"/>", "<c:f>'AAPL'!$C$2:$C$11</c:f>"},
       {"<c:upDownBars>", "<c:f>'AAPL'!$B$2:$B$11</c:f>"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.macro);
    TempWorld files;
    const std::string path = (files.Dir() / "chart.xlsx").string();
    MacroProject project(MakeXlsxStore());
    AddChartLists(project);
    project.Engine().RunMyMacro(c.macro);
    project.Book().SaveAs(path);
    const auto parts = ChartParts(path);
    ASSERT_EQ(parts.size(), 1u);
    for (const std::string& text : c.in_part) EXPECT_NE(parts[0].second.find(text), std::string::npos) << text;
    for (const std::string& text : c.not_in_part) EXPECT_EQ(parts[0].second.find(text), std::string::npos) << text;
  }
}

TEST(ChartMacros, ChartsOfAnotherProgramSurviveUntouched) {
  TempWorld files;
  const std::string fixture = std::string(PLRXL_TEST_DATA) + "/openpyxl_charts.xlsx";
  const std::string path = (files.Dir() / "project.xlsx").string();
  std::filesystem::copy_file(fixture, path);
  const auto originals = ChartParts(fixture);
  ASSERT_EQ(originals.size(), 3u);  // a bar chart, a pie chart, and "AAPL"

  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    {
      MacroProject project(MakeXlsxStore(), path);
      EXPECT_EQ(project.Engine().RunMyMacro("stockchart(OHLC)"), "Ok");
      project.Book().Save();
      EXPECT_TRUE(project.Book().Warnings().empty()) << project.Book().Warnings().front();
    }
    MacroProject back(MakeXlsxStore(), path);
    EXPECT_EQ(back.Data().ChartCount(), 3);
    EXPECT_EQ(ChartsTitled(back.Data(), "AAPL"), 1);
    EXPECT_EQ(ChartsTitled(back.Data(), "Volume"), 1);
    // The bar and the pie chart keep their parts byte for byte; the old
    // "AAPL" line chart gave way to the stock chart.
    const auto saved = ChartParts(path);
    ASSERT_EQ(saved.size(), 3u);
    int same = 0, stock = 0;
    for (const auto& [part, xml] : saved) {
      for (int k = 0; k < 2; ++k) same += xml == originals[static_cast<size_t>(k)].second ? 1 : 0;
      stock += xml.find("<c:stockChart>") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(same, 2);
    EXPECT_EQ(stock, 1);
  }
}

}  // namespace
}  // namespace plrxl::testing
