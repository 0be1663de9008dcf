// The selective update window's logic through CPelorin and the scripted
// person: the list table, counts, the select-all toggle and the run buttons.
#include <gtest/gtest.h>

#include "tests/forms/forms_fixture.h"

namespace plrxl::testing {
namespace {

using Play = std::function<void(frmSelectiveUpdateWindow&)>;

class SelectiveUpdateTest : public FormsTest {
 protected:
  void Show(const Play& play, int runs = 0) {
    ui_.ExpectModal("frmSelectiveUpdateWindow", "", [play](Form& form, UiPort&) {
      play(dynamic_cast<frmSelectiveUpdateWindow&>(form));
    });
    for (int i = 0; i < runs; ++i) ui_.ExpectModal("ProgressBarWindow");
    EXPECT_FALSE(pelorin_->SelectiveUpdatePelorinXL());
  }
};

TEST_F(SelectiveUpdateTest, ListsTheDefaultsRowAndTheTickerRows) {
  Workbook& wb = ProjectWithRows(4);
  Show([&](frmSelectiveUpdateWindow& form) {
    ASSERT_EQ(form.RowCount(), 5);
    EXPECT_EQ(form.ListText(0, 0), Settings(wb).GetRange("A2").Text());
    EXPECT_EQ(form.ListText(3, 0), "T3");
    EXPECT_EQ(form.SheetRow(3), 5);
    EXPECT_TRUE(form.TDBList1_FetchRowStyle(0));
    EXPECT_FALSE(form.TDBList1_FetchRowStyle(1));
    EXPECT_EQ(frmSelectiveUpdateWindow::kDefaultsRowBackColor, 0x99FFFFu);
    EXPECT_EQ(form.lblSelected(), "Selected: 0");
    EXPECT_EQ(form.cmdSelectAllCaption(), "Select All");
    EXPECT_EQ(form.Caption(), "Selective update");
    form.cmdCancel_Click();
  });
}

TEST_F(SelectiveUpdateTest, CountsLeaveOutTheDefaultsRowAndSelectAllToggles) {
  ProjectWithRows(3);
  Show([&](frmSelectiveUpdateWindow& form) {
    form.TDBList1_SetSelected(0, true);
    form.TDBList1_SelChange();
    EXPECT_EQ(form.QuantSelect(), 0);
    EXPECT_EQ(form.lblSelected(), "Selected: 0");
    form.TDBList1_SetSelected(2, true);
    form.TDBList1_SelChange();
    EXPECT_EQ(form.lblSelected(), "Selected: 1");
    form.cmdSelectAll_Click();
    EXPECT_EQ(form.lblSelected(), "Selected: 3");
    EXPECT_EQ(form.cmdSelectAllCaption(), "Clear Selection");
    EXPECT_EQ(form.SelectionOrder().size(), 4u);
    form.cmdSelectAll_Click();
    EXPECT_EQ(form.lblSelected(), "Selected: 0");
    EXPECT_EQ(form.cmdSelectAllCaption(), "Select All");
    EXPECT_TRUE(form.SelectionOrder().empty());
    form.Click("cmdHelp");
    form.Click("cmdCancel");
  });
  EXPECT_EQ(help_topics_, std::vector<std::string>{"Selective_Update.htm"});
}

TEST_F(SelectiveUpdateTest, RunButtonsWriteTheModeTheRowsAndTheAction) {
  struct Case {
    const char* button;
    const char* action;
  };
  const Case cases[] = {{"cmdRefresh", "Refresh"}, {"cmdUpdate", "Update"}, {"cmdRunOnlyMacros", "RunOnlyMacros"}};
  for (const Case& c : cases) {
    Workbook& wb = ProjectWithRows(4);
    Show(
        [&](frmSelectiveUpdateWindow& form) {
          form.TDBList1_SetSelected(3, true);
          form.TDBList1_SetSelected(1, true);
          form.Click(c.button);
          EXPECT_FALSE(form.Hidden()) << "the window stays open after a run";
          form.cmdCancel_Click();
        },
        1);
    EXPECT_TRUE(context_.SelectiveMode);
    ASSERT_EQ(context_.SelectedRows.size(), 5u);
    EXPECT_EQ(context_.SelectedRows[0].Number(), 5);  // selection order, sheet rows
    EXPECT_EQ(context_.SelectedRows[1].Number(), 3);
    EXPECT_TRUE(context_.SelectedRows[2].IsEmpty());
    EXPECT_EQ(Parameters(wb).GetRange("H2").Text(), c.action);
    // Only the chosen rows got a status line.
    EXPECT_FALSE(Status(wb, 3).empty()) << c.button;
    EXPECT_TRUE(Status(wb, 4).empty()) << c.button;
    EXPECT_FALSE(Status(wb, 5).empty()) << c.button;
    EXPECT_TRUE(Status(wb, 6).empty()) << c.button;
  }
}

TEST_F(SelectiveUpdateTest, ARunWithNothingChosenOnlySetsTheMode) {
  Workbook& wb = ProjectWithRows(2);
  context_.SelectiveMode = false;
  Show([&](frmSelectiveUpdateWindow& form) {
    form.TDBList1_SetSelected(0, true);
    form.cmdRefresh_Click();  // the defaults row alone: a run over no row
    form.TDBList1_SetSelected(0, false);
    form.cmdUpdate_Click();  // nothing selected: no run at all
    form.cmdCancel_Click();
  }, 1);
  EXPECT_TRUE(context_.SelectiveMode);
  EXPECT_TRUE(Status(wb, 3).empty());
  EXPECT_TRUE(Status(wb, 4).empty());
}

}  // namespace
}  // namespace plrxl::testing
