// Placing a computed series: header, rows, stale values, format and font,
// and the helpers of the data tools.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/macros/macro_project.h"

namespace plrxl::testing {
namespace {

Variant Series(int n, double start = 1) {
  std::vector<Variant> values;
  for (int i = 0; i < n; ++i) values.emplace_back(start + i);
  return Variant::Array1D(std::move(values), 1);
}

TEST(fnOutPutRange, WritesHeaderPlacesRowsAndFormats) {
  MacroProject project;
  project.RegisterIndicatorFunctions();
  Worksheet& sheet = project.Data();
  std::string out = "H1";
  project.Engine().fnOutPutRange("$E$2:$E$11", out, "SimpleMovingAverage(3)", Series(10));

  EXPECT_EQ(out, "$H$2:$H$11");
  EXPECT_EQ(sheet.CellValue(1, 8), Variant("SimpleMovingAverage(3)"));
  for (int row = 2; row <= 11; ++row) {
    EXPECT_EQ(sheet.CellValue(row, 8), Variant(static_cast<double>(row - 1))) << row;
    EXPECT_EQ(sheet.Cells(row, 8).NumberFormat(), "0.00") << row;
    EXPECT_EQ(sheet.Cells(row, 8).FontColorIndex(), 3) << row;
  }
  EXPECT_TRUE(sheet.IsCellEmpty(12, 8));
  EXPECT_EQ(sheet.Cells(12, 8).NumberFormat(), "General");
  // The header keeps its own format and shows whole.
  EXPECT_EQ(sheet.Cells(1, 8).FontColorIndex(), 0);
  EXPECT_GE(sheet.ColumnWidth(8), 22.0 * 1.1);

  const auto usl = project.CallsTo("UslFormat");
  ASSERT_EQ(usl.size(), 1u);
  EXPECT_EQ(project.ArgTexts(usl[0]), std::vector<std::string>{"$H$2:$H$11"});
  const auto put = project.CallsTo("MyOutPut");
  ASSERT_EQ(put.size(), 1u);
  EXPECT_EQ(project.ArgTexts(put[0]), (std::vector<std::string>{"{array}", "$H$2:$H$11"}));
}

struct StaleCase {
  const char* name;
  int old_first, old_last;    // the stale block below the header in H
  int extra_row;              // a later block's first cell (0: none)
  int new_rows;
  int cleared_through;        // last row found empty afterwards
};

TEST(fnOutPutRange, ClearsStaleResultsBelow) {
  const StaleCase cases[] = {
      {"longer old series", 2, 301, 0, 250, 301},
      {"shorter old series", 2, 101, 0, 250, 251},
      // The jump from the end of the old block reaches the next block's
      // first cell, which goes as well; further cells of it stay.
      {"next block within the limit", 2, 301, 400, 250, 400},
  };
  for (const StaleCase& c : cases) {
    MacroProject project;
    project.RegisterIndicatorFunctions();
    Worksheet& sheet = project.Data();
    sheet.SetCellValue(1, 8, Variant("Old header"));
    for (int row = c.old_first; row <= c.old_last; ++row) {
      sheet.SetCellValue(row, 8, Variant(-1.0));
      sheet.Cells(row, 8).SetNumberFormat("0.0000");
    }
    if (c.extra_row) {
      sheet.SetCellValue(c.extra_row, 8, Variant(-2.0));
      sheet.SetCellValue(c.extra_row + 1, 8, Variant(-3.0));
    }
    std::string out = "H1";
    project.Engine().fnOutPutRange("$E$2:$E$" + std::to_string(1 + c.new_rows), out, "New", Series(c.new_rows, 1));

    EXPECT_EQ(sheet.CellValue(1, 8), Variant("New")) << c.name;
    EXPECT_EQ(sheet.CellValue(2, 8), Variant(1.0)) << c.name;
    EXPECT_EQ(sheet.CellValue(1 + c.new_rows, 8), Variant(static_cast<double>(c.new_rows))) << c.name;
    for (int row = 2 + c.new_rows; row <= c.cleared_through; ++row) {
      ASSERT_TRUE(sheet.IsCellEmpty(row, 8)) << c.name << " row " << row;
      ASSERT_EQ(sheet.Cells(row, 8).NumberFormat(), "General") << c.name << " row " << row;
    }
    if (c.extra_row) {
      EXPECT_EQ(sheet.CellValue(c.extra_row + 1, 8), Variant(-3.0)) << c.name;
    }
  }
}

TEST(fnOutPutRange, RejectedOutputCellWritesNothing) {
  for (const char* cell : {"notacell", "H0", ""}) {
    MacroProject project;
    project.RegisterIndicatorFunctions();
    std::string out = cell;
    project.Engine().fnOutPutRange("$E$2:$E$11", out, "Header", Series(10));
    EXPECT_EQ(out, cell);
    EXPECT_TRUE(project.Calls().empty()) << cell;
    EXPECT_FALSE(project.Data().UsedRange()->Contains(1, 8));
  }
}

TEST(fnOutPutRange, OutputPastRow32767Overflows) {
  MacroProject project;
  project.RegisterIndicatorFunctions();
  std::string out = "H32000";
  try {
    project.Engine().fnOutPutRange("$E$1:$E$1000", out, "Header", Series(1000));
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kComponentFailure);
    EXPECT_EQ(e.Source(), "Pelorin.Cfenmar.fnOutPutRange");
  }
}

TEST(fnDestRow, WritesTheTickerIntoTheDataSheet) {
  MacroProject project;
  Worksheet& data = project.Book().AddWorksheet();
  data.SetName("Data");
  project.Settings().SetCellValue(2, 7, Variant("B3"));  // defaults row DataBeginning
  project.SelectTickerRow(MacroProject::kTickerRow);
  EXPECT_EQ(project.Engine().fnDestRow(), 1);
  EXPECT_EQ(data.CellValue(4, 2), Variant("AAPL"));
  EXPECT_EQ(project.Host().ActiveSheet(), &data);

  project.Settings().SetCellValue(5, 1, Variant("MSFT"));
  project.SelectTickerRow(5);
  EXPECT_EQ(project.Engine().fnDestRow(), 3);
  EXPECT_EQ(data.CellValue(6, 2), Variant("MSFT"));
}

TEST(fnDestRow, WithoutDataSheetFails) {
  MacroProject project;
  EXPECT_THROW(project.Engine().fnDestRow(), Error);
}

TEST(AddSheet, AddsOnlyMissingSheets) {
  MacroProject project;
  const int before = project.Book().WorksheetCount();
  project.Engine().AddSheet(project.Book(), "AAPL");
  EXPECT_EQ(project.Book().WorksheetCount(), before);
  project.Engine().AddSheet(project.Book(), "Summary");
  EXPECT_EQ(project.Book().WorksheetCount(), before + 1);
  ASSERT_NE(project.Book().FindWorksheet("Summary"), nullptr);
  EXPECT_EQ(project.Book().FindWorksheet("Summary")->Name(), "Summary");
  // The comparison is exact, but the host refuses a second "aapl".
  EXPECT_THROW(project.Engine().AddSheet(project.Book(), "aapl"), Error);
}

TEST(DotToComma, ReplacesEveryDot) {
  MacroProject project;
  EXPECT_EQ(project.Engine().DotToComma("1.234.5"), "1,234,5");
  EXPECT_EQ(project.Engine().DotToComma(""), "");
  EXPECT_EQ(project.Engine().DotToComma("abc"), "abc");
}

}  // namespace
}  // namespace plrxl::testing
