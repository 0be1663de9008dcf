// Field letters compare without regard to case: a row the editor writes
// (letters in the case "Parameters" D5 lists them) and a hand-typed row in
// capitals paste the same block.
#include <gtest/gtest.h>

#include "tests/forms/forms_fixture.h"

namespace plrxl::testing {
namespace {

TEST_F(FormsTest, EditorRowAndHandTypedCapitalsPasteTheSameBlock) {
  Workbook& wb = ProjectWithRows(0);
  ui_.ExpectModal("frmMaster", "", [](Form& f, UiPort&) {
    auto& form = dynamic_cast<frmMaster&>(f);
    form.ComDataSource_Click(SourceIndex(form, "SAMPLE"));
    auto set = [&](const std::string& name, const std::string& value) {
      form.VSFlexGrid1_AfterEdit(LineOf(form, name), value);
    };
    set("TICKER", "CASE");
    set("STARTDATE", "02.01.2024");
    set("ENDDATE", "28.06.2024");
    set("Data Location", "EDITED");
    set("Data Beginning", "A1");
    set("Data Direction", "FTB");
    for (const char* off : {"Time", "Volume", "Open Interest", "Adjusted Close"}) set(off, "False");
    form.cmdInsert_Click();
  });
  pelorin_->MasterPelorin();
  Worksheet& s = Settings(wb);
  ASSERT_EQ(s.CellValue(3, 9).Text(), "dohlc");
  // The same row typed by hand, in capitals, into another sheet.
  for (int col = 1; col <= 9; ++col) s.SetCellValue(4, col, s.CellValue(3, col));
  s.SetCellValue(4, 6, Variant("TYPED"));
  s.SetCellValue(4, 9, Variant("DOHLC"));

  RunRefresh();
  Worksheet& edited = wb.Worksheets("EDITED");
  Worksheet& typed = wb.Worksheets("TYPED");
  ASSERT_TRUE(edited.UsedRange().has_value());
  const Rect used = *edited.UsedRange();
  EXPECT_EQ(used.Cols(), 5);
  EXPECT_GT(used.Rows(), 100);
  ASSERT_TRUE(typed.UsedRange().has_value());
  EXPECT_EQ(typed.UsedRange()->Cols(), used.Cols());
  EXPECT_EQ(typed.UsedRange()->Rows(), used.Rows());
  for (int row = used.row1; row <= used.row2; ++row) {
    for (int col = used.col1; col <= used.col2; ++col) {
      ASSERT_EQ(ToText(typed.CellValue(row, col), Pinned()), ToText(edited.CellValue(row, col), Pinned()))
          << "row " << row << " col " << col;
    }
  }
}

}  // namespace
}  // namespace plrxl::testing
