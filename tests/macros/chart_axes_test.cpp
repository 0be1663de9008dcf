// Chart series rows and axes: an indicator's blank warm-up cells are gaps
// of its line, not its end (the series covers the rows of the date column);
// a series far outside the price range goes on a secondary axis; the date
// labels stay at the bottom of the plot. Read back from the saved XML too.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/xlsx/internal/zip_reader.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/macros/macro_project.h"

namespace plrxl::testing {
namespace {

// Column G: "SMA" over `blanks` empty warm-up rows and then values near the
// close (100.5, 101.5, ...); column H: "MACD" the same way near zero. The
// warm-up rows are the oldest ones: the top rows oldest first, the bottom
// rows newest first.
void AddIndicators(MacroProject& p, Order order, int blanks) {
  Worksheet& data = p.Data();
  data.SetCellValue(1, 7, Variant("SMA"));
  data.SetCellValue(1, 8, Variant("MACD"));
  for (int i = blanks; i < MacroProject::kBars; ++i) {
    const int row = order == Order::kOldestFirst ? 2 + i : 1 + MacroProject::kBars - i;
    data.SetCellValue(row, 7, Variant(100.5 + i));
    data.SetCellValue(row, 8, Variant(i % 2 == 0 ? 0.25 : -0.5));
  }
}

struct AxisCase {
  const char* macro;
  Order order;
  std::vector<std::string> values;  // per series
  std::vector<bool> secondary;      // per series
};

TEST(ChartAxes, SeriesCoverTheDateRowsAndFarSeriesGoOnTheSecondaryAxis) {
  const std::string close = "='AAPL'!R2C5:R11C5";
  const std::string sma = "='AAPL'!R2C7:R11C7";
  const std::string macd = "='AAPL'!R2C8:R11C8";
  const std::string volume = "='AAPL'!R2C6:R11C6";
  const AxisCase cases[] = {
      {"linechart(A1,E1,G1)", Order::kOldestFirst, {close, sma}, {false, false}},
      {"linechart(A1,E1,G1)", Order::kNewestFirst, {close, sma}, {false, false}},
      {"linechart(A1,E1,H1)", Order::kOldestFirst, {close, macd}, {false, true}},
      {"linechart(A1,E1,F1,G1)", Order::kOldestFirst, {close, volume, sma}, {false, true, false}},
      {"stockchart(LINECLOSE,G1,H1)", Order::kOldestFirst, {close, sma, macd}, {false, false, true}},
      {"stockchart(LINECLOSE,H1)", Order::kNewestFirst, {close, macd}, {false, true}},
  };
  for (const AxisCase& c : cases) {
    SCOPED_TRACE(std::string(c.macro) + (c.order == Order::kOldestFirst ? " oldest first" : " newest first"));
    MacroProject p;
    p.Parameters().SetCellValue(9, 4, Variant("HLC|OHLC|LINEOPEN|LINEHIGH|LINELOW|LINECLOSE"));
    p.FillData(c.order);
    AddIndicators(p, c.order, 5);
    ASSERT_EQ(p.Engine().RunMyMacro(c.macro), "Ok");
    ASSERT_EQ(p.Data().ChartCount(), 1);
    const Chart& chart = p.Data().ChartAt(1);
    ASSERT_EQ(chart.series.size(), c.values.size());
    for (size_t i = 0; i < c.values.size(); ++i) {
      EXPECT_EQ(chart.series[i].values, c.values[i]) << i;
      EXPECT_EQ(chart.series[i].categories, "='AAPL'!R2C1:R11C1") << i;
      EXPECT_EQ(chart.series[i].secondary_axis, c.secondary[i]) << i;
    }
    EXPECT_TRUE(chart.category_axis.labels_low);
    // The price axis is fitted to the prices alone.
    ASSERT_TRUE(chart.value_axis.minimum.has_value());
    EXPECT_GE(*chart.value_axis.minimum, 90.0);
  }
}

std::string ChartPart(const std::string& path) {
  xlsx::ZipReader zip(path);
  for (const std::string& part : zip.Parts()) {
    if (part.rfind("xl/charts/chart", 0) == 0) return zip.Read(part);
  }
  return "";
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(ChartAxes, TheSavedChartHasTheSecondaryAxisAndLowDateLabels) {
  TempWorld files;
  const std::string path = (files.Dir() / "project.xlsx").string();
  {
    MacroProject p(MakeXlsxStore());
    AddIndicators(p, Order::kOldestFirst, 5);
    ASSERT_EQ(p.Engine().RunMyMacro("linechart(A1,E1,H1,G1)"), "Ok");
    p.Book().SaveAs(path);
  }
  const std::string xml = ChartPart(path);
  ASSERT_FALSE(xml.empty());
  // Two line groups: close and SMA on the left axis, MACD on the right.
  ASSERT_EQ(Count(xml, "<c:lineChart>"), 2u) << xml;
  const std::string first = xml.substr(xml.find("<c:lineChart>"), xml.find("</c:lineChart>") - xml.find("<c:lineChart>"));
  const std::string second = xml.substr(xml.rfind("<c:lineChart>"));
  EXPECT_NE(first.find("$E$2:$E$11"), std::string::npos);
  EXPECT_NE(first.find("$G$2:$G$11"), std::string::npos);
  EXPECT_EQ(first.find("$H$2"), std::string::npos);
  EXPECT_NE(second.find("<c:f>'AAPL'!$H$2:$H$11</c:f>"), std::string::npos) << second;
  EXPECT_EQ(Count(xml, "<c:valAx>"), 2u);
  EXPECT_NE(xml.find("<c:axPos val=\"r\"/>"), std::string::npos);
  EXPECT_NE(xml.find("<c:crosses val=\"max\"/>"), std::string::npos);
  EXPECT_NE(xml.find("<c:delete val=\"1\"/>"), std::string::npos);
  EXPECT_NE(xml.find("<c:tickLblPos val=\"low\"/>"), std::string::npos);

  // Read back: the same drawing, the MACD on the secondary axis.
  MacroProject back(MakeXlsxStore(), path);
  ASSERT_EQ(back.Data().ChartCount(), 1);
  const Chart& chart = back.Data().ChartAt(1);
  ASSERT_EQ(chart.series.size(), 3u);
  EXPECT_FALSE(chart.series[0].secondary_axis);
  EXPECT_TRUE(chart.series[1].secondary_axis);
  EXPECT_EQ(chart.series[1].values, "='AAPL'!R2C8:R11C8");
  EXPECT_FALSE(chart.series[2].secondary_axis);
  EXPECT_TRUE(chart.category_axis.labels_low);
  EXPECT_FALSE(chart.category_axis.crossed_at_maximum);
}

}  // namespace
}  // namespace plrxl::testing
