// The range pick's sheet grid: visible sheets only, cells as displayed,
// and the sheet-qualified absolute address of a clicked cell.
#include <gtest/gtest.h>

#include "forms/range_pick.h"
#include "tests/forms/forms_fixture.h"

namespace plrxl::testing {
namespace {

TEST_F(FormsTest, RangePickListsVisibleSheetsAndAddressesTheCell) {
  Workbook& wb = ProjectWithRows(2);
  Parameters(wb).SetVisible(false);
  Worksheet& prices = wb.AddWorksheet();
  prices.SetName("My Prices");
  prices.SetCellValue(3, 2, Variant(12.5));
  prices.Activate();
  RangePick pick(wb);
  const auto& names = pick.SheetNames();
  EXPECT_EQ(std::count(names.begin(), names.end(), "Parameters"), 0) << "hidden sheets are not offered";
  ASSERT_EQ(names[pick.SheetIndex()], "My Prices") << "starts on the active sheet";
  EXPECT_EQ(pick.CellText(3, 2), "12.5");
  EXPECT_EQ(pick.CellText(1, 1), "");
  EXPECT_GE(pick.RowCount(), RangePick::kMinRows);
  EXPECT_EQ(pick.Address(3, 2), "'My Prices'!$B$3");
  EXPECT_EQ(RangePick::ColumnTitle(28), "AB");
  // What the pick gives, the entry object accepts.
  EXPECT_FALSE(pelorin_->ErrorAddress(pick.Address(3, 2)));
}

}  // namespace
}  // namespace plrxl::testing
