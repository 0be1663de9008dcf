// Indicator macros end to end: a project saved as a real .xlsx file, loaded,
// run through the entry object with the companion functions, saved and read
// back.
#include <gtest/gtest.h>

#include <string>

#include "companion/companion_functions.h"
#include "host/xlsx/xlsx_store.h"
#include "macros/macro_engine.h"
#include "tests/macros/macro_project.h"

namespace plrxl::testing {
namespace {

TEST(MacrosEndToEnd, IndicatorColumnsSurviveTheFile) {
  constexpr int kBars = 60;  // newest first: row r holds the close 161 - r
  TempWorld files;
  const std::string path = (files.Dir() / "project.xlsx").string();
  {
    MacroProject first(MakeXlsxStore());
    first.FillData(Order::kNewestFirst, kBars);
    // Values of an earlier, longer run below the average's column.
    for (int row = 2; row <= 100; ++row) first.Data().SetCellValue(row, 9, Variant(-1.0));
    first.Book().SaveAs(path);
  }
  {
    MacroProject run(MakeXlsxStore(), path);
    RegisterCompanionFunctions(run.Host());
    InstallMacroEngine(run.Context());
    EXPECT_EQ(run.Pelorin().RunMyMacro("wilderrsi(H1,close,14);\r\nMvAvgSimple(I1,CLOSE,5)"), "Ok");
    EXPECT_TRUE(run.Ui().Boxes().empty());
    run.Book().Save();
  }

  MacroProject back(MakeXlsxStore(), path);
  Worksheet& data = back.Data();
  EXPECT_EQ(data.CellValue(1, 8), Variant("WilderRSI(14)"));
  EXPECT_EQ(data.CellValue(1, 9), Variant("SimpleMovingAverage(5)"));
  // The newest average stands on top: mean of the closes 159 .. 155.
  ASSERT_TRUE(data.CellValue(2, 9).IsNumber());
  EXPECT_NEAR(data.CellValue(2, 9).Number(), 157.0, 1e-9);
  EXPECT_NEAR(data.CellValue(57, 9).Number(), 102.0, 1e-9);
  // Warm-up rows at the oldest end stay empty, and so do the old values.
  for (int row = 58; row <= 100; ++row) EXPECT_TRUE(data.IsCellEmpty(row, 9)) << row;
  for (int col : {8, 9}) {
    EXPECT_EQ(data.Cells(2, col).NumberFormat(), "0.00") << col;
    EXPECT_EQ(data.Cells(2, col).FontColorIndex(), 3) << col;
    EXPECT_EQ(data.Cells(1, col).FontColorIndex(), 0) << col;
  }
  EXPECT_TRUE(data.CellValue(2, 8).IsNumber());
}

}  // namespace
}  // namespace plrxl::testing
