// CreateSummary for tickers that fetch different fields: each value under
// the title of its own field, new titles added at the right, and the number
// formats of the data cells kept.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/macros/macro_project.h"

namespace plrxl::testing {
namespace {

// Fills the data sheet with `titles` over one quote: the date, then 10, 20,
// 30... in the order of the titles.
void FillFields(MacroProject& p, const std::vector<std::string>& titles, const std::string& number_format) {
  Worksheet& data = p.Data();
  data.ClearCells(Rect{1, 1, 40, 12}, true, true);
  for (size_t i = 0; i < titles.size(); ++i) {
    const int col = static_cast<int>(i) + 1;
    data.SetCellValue(1, col, Variant(titles[i]));
    data.SetCellValue(2, col, i == 0 ? Variant::Date(DateSerial(2025, 6, 30)) : Variant(10.0 * static_cast<double>(i)));
    if (i > 0) {
      CellStyle style = data.CellStyleAt(2, col);
      style.number_format = number_format;
      data.SetCellStyle(2, col, style);
    }
  }
}

TEST(SummaryFields, EachValueStandsUnderItsOwnTitle) {
  MacroProject p;
  struct Row {
    int row;
    const char* ticker;
    std::vector<std::string> titles;
  } const rows[] = {
      {3, "ALPHA", {"Date", "Open", "High", "Low", "Close", "Volume"}},
      {4, "DELTA", {"Date", "Close", "Volume"}},
      {5, "GOLF", {"Date", "Close", "Low", "High", "Open Interest"}},
  };
  for (const Row& r : rows) {
    p.Settings().SetCellValue(r.row, 1, Variant(r.ticker));
    FillFields(p, r.titles, "0.00");
    p.SelectTickerRow(r.row);
    ASSERT_EQ(p.Engine().RunMyMacro("createsummary"), "Ok") << r.ticker;
  }
  Worksheet& summary = p.Book().Worksheets("Summary");
  const std::vector<std::string> expected_titles = {"Ticker", "Date",   "Open",   "High",
                                                    "Low",    "Close",  "Volume", "Open Interest"};
  for (size_t c = 0; c < expected_titles.size(); ++c) {
    EXPECT_EQ(summary.CellValue(1, static_cast<int>(c) + 1), Variant(expected_titles[c])) << c;
  }
  EXPECT_TRUE(summary.IsCellEmpty(1, 9));
  for (const Row& r : rows) {
    SCOPED_TRACE(r.ticker);
    const int line = r.row - 1;
    EXPECT_EQ(summary.CellValue(line, 1), Variant(r.ticker));
    for (size_t i = 1; i < r.titles.size(); ++i) {
      int col = 0;
      for (size_t c = 0; c < expected_titles.size(); ++c) {
        if (expected_titles[c] == r.titles[i]) col = static_cast<int>(c) + 1;
      }
      ASSERT_GT(col, 0);
      EXPECT_EQ(summary.CellValue(line, col), Variant(10.0 * static_cast<double>(i))) << r.titles[i];
      EXPECT_EQ(summary.CellStyleAt(line, col).number_format, "0.00") << r.titles[i];
    }
  }
  // DELTA has no open: its cell under "Open" stays empty.
  EXPECT_TRUE(summary.IsCellEmpty(3, 3));
  EXPECT_TRUE(summary.Cells(1, 8).FontBold());
}

}  // namespace
}  // namespace plrxl::testing
