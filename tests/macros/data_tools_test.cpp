// CopyData, CreateSummary, TransposeData and TickerHeader on a project
// workbook in the in-memory host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/column_fit.h"
#include "tests/macros/macro_project.h"

namespace plrxl::testing {
namespace {

void AddTickerRow(MacroProject& p, int row, const std::string& ticker, const std::string& direction = "FTB") {
  p.Settings().SetCellValue(row, 1, Variant(ticker));
  p.Settings().SetCellValue(row, 5, Variant(direction));
}

TEST(CreateSummary, FirstAndThirdTickerRows) {
  MacroProject p;
  AddTickerRow(p, 3, "AAPL");
  AddTickerRow(p, 5, "CCC");
  EXPECT_EQ(p.Engine().RunMyMacro("createsummary"), "Ok");
  Worksheet& summary = p.Book().Worksheets("Summary");
  const char* titles[] = {"Ticker", "Date", "Open", "High", "Low", "Close", "Volume"};
  for (int c = 1; c <= 7; ++c) {
    EXPECT_EQ(summary.CellValue(1, c), Variant(titles[c - 1])) << c;
    EXPECT_TRUE(summary.Cells(1, c).FontBold()) << c;
  }
  EXPECT_TRUE(summary.Cells(1, 256).FontBold());
  // Oldest first: the newest quote is the last row (bar 9, close 109).
  EXPECT_EQ(summary.CellValue(2, 1), Variant("AAPL"));
  EXPECT_EQ(summary.CellValue(2, 2), Variant::Date(DateSerial(2024, 1, 10)));
  EXPECT_EQ(summary.CellValue(2, 6), Variant(109.0));

  // The third ticker row, newest first: the first data row is the newest.
  p.FillData(Order::kNewestFirst, 4);
  p.SelectTickerRow(5);
  EXPECT_EQ(p.Engine().RunMyMacro("createsummary"), "Ok");
  EXPECT_EQ(summary.CellValue(4, 1), Variant("CCC"));
  EXPECT_EQ(summary.CellValue(4, 2), Variant::Date(DateSerial(2024, 1, 4)));
  EXPECT_EQ(summary.CellValue(4, 6), Variant(103.0));
  EXPECT_TRUE(summary.IsCellEmpty(3, 1));  // row 3 stays as it was
  EXPECT_EQ(summary.CellValue(2, 1), Variant("AAPL"));
  // The data sheet is active again for the calls after it.
  EXPECT_EQ(p.Host().ActiveSheet(), &p.Data());
}

TEST(CreateSummary, NothingWithoutQuotes) {
  MacroProject p;
  p.Data().ClearCells(Rect{2, 1, 20, 6}, true, true);
  EXPECT_EQ(p.Engine().RunMyMacro("createsummary"), "Ok");
  Worksheet& summary = p.Book().Worksheets("Summary");
  EXPECT_FALSE(summary.UsedRange().has_value());
}

struct TransposeCase {
  int bars;
  Order order;
  int first_bar;  // the bar in column B
  int step;       // +1 oldest to newest across, -1 newest to oldest
  int written;
  bool truncated;
};

TEST(TransposeData, KeepsAtMost255Values) {
  const TransposeCase cases[] = {
      {255, Order::kOldestFirst, 0, +1, 255, false},
      {255, Order::kNewestFirst, 254, -1, 255, false},
      // Oldest first: the newest 255 (bars 45 to 299).
      {300, Order::kOldestFirst, 45, +1, 255, true},
      // Newest first: the first 255 rows, again the newest ones.
      {300, Order::kNewestFirst, 299, -1, 255, true},
  };
  for (const TransposeCase& c : cases) {
    MacroProject p;
    p.FillData(c.order, c.bars);
    AddTickerRow(p, 3, "AAPL", c.order == Order::kNewestFirst ? "FBT" : "FTB");
    EXPECT_EQ(p.Engine().RunMyMacro("transposedata"), "Ok");
    Worksheet& data = p.Book().Worksheets("Data");
    const std::string label = std::to_string(c.bars) + (c.order == Order::kNewestFirst ? " FBT" : " FTB");
    EXPECT_EQ(data.CellValue(1, 1), Variant("Date")) << label;
    EXPECT_EQ(data.CellValue(2, 1), Variant("AAPL")) << label;
    for (int i : {0, 1, c.written - 1}) {
      const int bar = c.first_bar + c.step * i;
      EXPECT_EQ(data.CellValue(1, 2 + i), Variant::Date(DateSerial(2024, 1, 1) + bar)) << label << " " << i;
      EXPECT_EQ(data.CellValue(2, 2 + i), Variant(99.0 + bar)) << label << " " << i;  // the Open column
    }
    EXPECT_EQ(p.Context().LastDownloadText, c.truncated ? ": Data truncated to 255 records." : "") << label;
    EXPECT_EQ(p.Context().LastDownloadFailed, c.truncated) << label;
    EXPECT_EQ(p.Host().ActiveSheet(), &p.Data()) << label;
  }
}

TEST(TransposeData, EachTickerHasItsLine) {
  MacroProject p;
  AddTickerRow(p, 4, "BBB");
  EXPECT_EQ(p.Engine().RunMyMacro("transposedata"), "Ok");
  p.SelectTickerRow(4);
  EXPECT_EQ(p.Engine().RunMyMacro("transposedata"), "Ok");
  Worksheet& data = p.Book().Worksheets("Data");
  EXPECT_EQ(data.CellValue(2, 1), Variant("AAPL"));
  EXPECT_EQ(data.CellValue(3, 1), Variant("BBB"));
  EXPECT_EQ(data.CellValue(3, 11), Variant(108.0));  // bar 9's open under the tenth date
  EXPECT_TRUE(data.IsCellEmpty(3, 12));
}

// The widths of every column of the sheet, then a fit of the whole sheet
// from all of its cells must leave them as they are.
void ExpectFittedWidths(Worksheet& sheet, const std::string& label) {
  std::vector<double> kept;
  for (int c = 1; c <= kMaxCols; ++c) kept.push_back(sheet.ColumnWidth(c));
  sheet.Cells(Rect{1, 1, kMaxRows, kMaxCols}).AutoFitColumns();
  for (int c = 1; c <= kMaxCols; ++c) EXPECT_EQ(kept[static_cast<size_t>(c - 1)], sheet.ColumnWidth(c)) << label << " column " << c;
}

TEST(TransposeData, WidthsAreThoseOfAFullFit) {
  MacroProject p;
  AddTickerRow(p, 4, "A LONGER TICKER NAME");
  p.SelectTickerRow(4);
  EXPECT_EQ(p.Engine().RunMyMacro("transposedata"), "Ok");
  Worksheet& data = p.Book().Worksheets("Data");
  EXPECT_EQ(data.CellValue(3, 1), Variant("A LONGER TICKER NAME"));
  ExpectFittedWidths(data, "first line");
  // Wider values, then narrow ones again over them: the columns grow, then
  // shrink back; a shorter ticker name narrows the ticker column.
  struct Step {
    const char* label;
    double open;
  } const steps[] = {{"wider", 123456789012.25}, {"narrower again", 5.5}, {"same", 5.5}};
  for (const Step& step : steps) {
    for (int r = 2; r <= 11; ++r) p.Data().SetCellValue(r, 2, Variant(step.open));
    p.SelectTickerRow(4);
    EXPECT_EQ(p.Engine().RunMyMacro("transposedata"), "Ok") << step.label;
    ExpectFittedWidths(data, step.label);
  }
  AddTickerRow(p, 4, "B");
  p.SelectTickerRow(4);
  EXPECT_EQ(p.Engine().RunMyMacro("transposedata"), "Ok");
  ExpectFittedWidths(data, "shorter ticker");
  EXPECT_EQ(data.ColumnWidth(2), ColumnFitter::WidthFor(10));  // a date: dd.mm.yyyy or the like
}

TEST(CopyData, CopiesToEverySheetOfTheList) {
  MacroProject p;
  EXPECT_EQ(p.Engine().RunMyMacro("copydata(A1:F11,Weekly*Monthly,B2)"), "Ok");
  for (const char* name : {"Weekly", "Monthly"}) {
    Worksheet& sheet = p.Book().Worksheets(name);
    EXPECT_EQ(sheet.CellValue(2, 2), Variant("Date")) << name;
    EXPECT_EQ(sheet.CellValue(12, 6), Variant(109.0)) << name;
    EXPECT_TRUE(sheet.IsCellEmpty(13, 2)) << name;
  }
  EXPECT_EQ(p.Host().ActiveSheet(), &p.Data());
}

TEST(CopyData, NothingBelowTheFirstCellCopiesNothing) {
  MacroProject p;
  EXPECT_EQ(p.Engine().RunMyMacro("copydata(H1:H5,Weekly,A1)"), "Ok");
  EXPECT_EQ(p.Book().FindWorksheet("Weekly"), nullptr);
}

TEST(TickerHeader, LabelBesideTheBlock) {
  struct Case {
    const char* beginning;
    int row, col;  // where the label goes; 0 = nowhere
  } cases[] = {{"B3", 3, 1}, {"A3", 2, 1}, {"$C$1", 1, 2}, {"A1", 0, 0}};
  for (const Case& c : cases) {
    MacroProject p;
    p.Settings().SetCellValue(MacroProject::kTickerRow, 7, Variant(c.beginning));
    p.Settings().SetCellValue(MacroProject::kTickerRow, 1, Variant("007"));
    EXPECT_EQ(p.Engine().RunMyMacro("tickerheader"), "Ok") << c.beginning;
    if (c.row > 0) {
      EXPECT_EQ(p.Data().CellValue(c.row, c.col), Variant("007")) << c.beginning;  // a text, not a number
    } else {
      EXPECT_NE(p.Context().LastDownloadText.find("Ticker header skipped"), std::string::npos);
    }
    EXPECT_EQ(p.Host().ActiveSheet(), &p.Data()) << c.beginning;
  }
}

TEST(DataTools, FailuresCarryTheToolsOwnSource) {
  struct Case {
    const char* source;
    void (Cfenmar::*tool)(MacroSlots&);
  } cases[] = {{"Pelorin.Cfenmar.CopyData", &Cfenmar::CopyData},
               {"Pelorin.Cfenmar.CreateSummary", &Cfenmar::CreateSummary},
               {"Pelorin.Cfenmar.TransposeData", &Cfenmar::TransposeData},
               {"Pelorin.Cfenmar.TickerHeader", &Cfenmar::TickerHeader}};
  for (const Case& c : cases) {
    MacroProject p;
    p.Settings().SetName("Gone");  // no settings sheet; CopyData gets a bad address
    MacroSlots slots{"not an address", "Copy", "A1"};
    try {
      (p.Engine().*c.tool)(slots);
      ADD_FAILURE() << c.source << " did not fail";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), kComponentFailure) << c.source;
      EXPECT_EQ(e.Source(), c.source);
      EXPECT_EQ(e.Description(), "Cfenmar component failure") << c.source;
    }
  }
  MacroProject p;
  p.Ui().AnswerBox(MsgResult::kOk, "Error Function :CopyData\r\n-2147221404 - Cfenmar component failure");
  EXPECT_EQ(p.Engine().RunMyMacro("CopyData(x,y,z)"), "CopyData");
}

}  // namespace
}  // namespace plrxl::testing
