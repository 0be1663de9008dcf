// The Qt views, offscreen, driven like a person would: keys and edits in
// the row editor, selection in the selective update window, Cancel during a
// run on a loopback source, the error dialog's buttons, message boxes, the
// converter window and the range pick. Each window is photographed.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

#include "forms/converter_form.h"
#include "forms/error_message_form.h"
#include "forms/qt/converter_dialog.h"
#include "forms/qt/error_dialog.h"
#include "forms/qt/range_pick_dialog.h"
#include "forms/qt/row_editor_dialog.h"
#include "forms/qt/selective_update_dialog.h"
#include "forms/range_pick.h"
#include "tests/qt/qt_fixture.h"
#include "tests/quotes/loopback_server.h"
#include "tests/quotes/provider_payloads.h"

namespace plrxl::testing {
namespace {

// A person's double-click: the first click presses the cell, the second
// arrives as the double-click.
void DoubleClick(QAbstractItemView* view, const QModelIndex& index) {
  view->scrollTo(index);
  const QPoint at = view->visualRect(index).center();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

TEST_F(QtViewsTest, RowEditorKeysEditsAndInsert) {
  Workbook& wb = ProjectWithRows(1);
  OnShow("frmMaster", [&](QWidget& window) {
    auto& dialog = dynamic_cast<RowEditorDialog&>(window);
    auto& form = dynamic_cast<frmMaster&>(*context_.windows.frmMaster);
    QComboBox* combo = dialog.SourceCombo();
    combo->setCurrentIndex(SourceIndex(form, "SAMPLE"));
    emit combo->activated(combo->currentIndex());
    QTableWidget* grid = dialog.Grid();
    EXPECT_EQ(grid->rowCount(), static_cast<int>(form.VisibleLines().size()));
    EXPECT_TRUE(grid->isColumnHidden(1)) << "the key column is hidden";

    // Left on the Source category line folds it, Right unfolds it.
    grid->setFocus();
    form.Select(0, frmMaster::kColValue);
    QTest::keyClick(grid, Qt::Key_Left);
    EXPECT_TRUE(form.VisibleLines()[0].collapsed);
    EXPECT_EQ(form.Col(), frmMaster::kColProperty);
    EXPECT_EQ(grid->rowCount(), static_cast<int>(form.VisibleLines().size()));
    QTest::keyClick(grid, Qt::Key_Right);
    EXPECT_FALSE(form.VisibleLines()[0].collapsed);
    // Ctrl+L jumps to "Low Price".
    QTest::keyClick(grid, Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(form.VisibleLines()[form.Row()].name, "Low Price");
    EXPECT_EQ(grid->currentRow(), form.Row());

    // A double-click on the TICKER value opens a text box; Enter commits.
    const int ticker = LineOf(form, "TICKER");
    grid->scrollToItem(grid->item(ticker, frmMaster::kColValue));
    DoubleClick(grid, grid->model()->index(ticker, frmMaster::kColValue));
    auto* box = qobject_cast<QLineEdit*>(grid->cellWidget(ticker, frmMaster::kColValue));
    ASSERT_NE(box, nullptr);
    QTest::keyClicks(box, "ibm");
    QTest::keyClick(box, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(form.VisibleLines()[ticker].value, "ibm");
    EXPECT_EQ(grid->item(ticker, frmMaster::kColValue)->text(), "ibm");

    // A date item gets the date picker.
    dialog.OpenEditor(LineOf(form, "STARTDATE"));
    EXPECT_NE(qobject_cast<QDateEdit*>(grid->cellWidget(LineOf(form, "STARTDATE"), frmMaster::kColValue)), nullptr);
    SaveScreenshot(dialog, "row_editor");
    QTest::mouseClick(dialog.Button("cmdInsert"), Qt::LeftButton);
  });
  pelorin_->MasterPelorin();
  EXPECT_EQ(Settings(wb).CellValue(4, 1).Text(), "IBM");
  EXPECT_EQ(Settings(wb).CellValue(4, 8).Text(), "SAMPLE(NO ADJUST VALUES)");
}

TEST_F(QtViewsTest, RowEditorCheckMessageShowsABoxAndReopensTheLine) {
  Workbook& wb = ProjectWithRows(1);
  OnShow("frmMaster", [&](QWidget& window) {
    auto& dialog = dynamic_cast<RowEditorDialog&>(window);
    auto& form = dynamic_cast<frmMaster&>(*context_.windows.frmMaster);
    dialog.SourceCombo()->setCurrentIndex(SourceIndex(form, "SAMPLE"));
    emit dialog.SourceCombo()->activated(dialog.SourceCombo()->currentIndex());
    OnShow("MsgBox", [&](QWidget& box) {
      auto& message = dynamic_cast<QMessageBox&>(box);
      EXPECT_NE(message.text().toStdString().find("TICKER"), std::string::npos);
      SaveScreenshot(message, "message_box");
      message.button(QMessageBox::Ok)->click();
    });
    dialog.Button("cmdInsert")->click();
    EXPECT_EQ(dialog.EditingLine(), LineOf(form, "TICKER")) << "the empty ticker is opened for editing";
    dialog.Button("cmdCancel")->click();
  });
  pelorin_->MasterPelorin();
  EXPECT_TRUE(Settings(wb).CellValue(4, 1).IsEmpty());
}

TEST_F(QtViewsTest, SelectiveUpdateSelectionCountsAndSelectAll) {
  ProjectWithRows(6);
  OnShow("frmSelectiveUpdateWindow", [&](QWidget& window) {
    auto& dialog = dynamic_cast<SelectiveUpdateDialog&>(window);
    QTableView* list = dialog.List();
    EXPECT_EQ(list->model()->rowCount(), 7);
    EXPECT_EQ(list->model()->data(list->model()->index(0, 0), Qt::BackgroundRole).value<QColor>(),
              QColor(0xFF, 0xFF, 0x99));
    list->selectionModel()->select(list->model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    list->selectionModel()->select(list->model()->index(4, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    SaveScreenshot(dialog, "selective_update");
    list->selectionModel()->select(list->model()->index(4, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    list->selectionModel()->select(list->model()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(dialog.SelectedLabel()->text(), "Selected: 1");
    dialog.Button("cmdSelectAll")->click();
    EXPECT_EQ(dialog.SelectedLabel()->text(), "Selected: 6");
    EXPECT_EQ(dialog.Button("cmdSelectAll")->text(), "Clear Selection");
    EXPECT_EQ(list->selectionModel()->selectedRows().size(), 7);
    dialog.Button("cmdSelectAll")->click();
    EXPECT_EQ(dialog.SelectedLabel()->text(), "Selected: 0");
    EXPECT_TRUE(list->selectionModel()->selectedRows().isEmpty());
    dialog.Button("cmdCancel")->click();
  });
  pelorin_->SelectiveUpdatePelorinXL();
}

TEST_F(QtViewsTest, CancelDuringARunStopsAtTheNextRowAndKeepsFinishedRows) {
  // The first ticker answers at once, the others only after a while, so the
  // run is waiting on the second when Cancel is pressed.
  LoopbackServer server;
  std::atomic<int> served{0};
  server.Http().Get("/q/d/l/", [&](const httplib::Request& req, httplib::Response& res) {
    if (req.get_param_value("s").find("t1") == std::string::npos) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    }
    ++served;
    res.set_content(kStooqCsv, "text/csv");
  });
  server.Start();
  const std::string url = server.Url();
  context_.MakeQuoteFetcher = [url] {
    QuoteSettings settings;
    settings.stooq_base_url = url;
    settings.stooq_key = "k";
    settings.worker_threads = 4;
    return MakeQuoteFetcher(settings);
  };
  std::vector<RowSpec> rows;
  for (int i = 1; i <= 4; ++i) {
    rows.push_back({"T" + std::to_string(i), Variant::Date(DateSerial(2024, 1, 1)), Variant::Date(DateSerial(2024, 1, 31)),
                    "Daily", "FTB", "AUTO", "A1", "STOOQ", "dohlcv", ""});
  }
  Workbook& wb = Project(rows);
  host_.SetActiveWorkbook(wb);
  OnShow("ProgressBarWindow", [&](QWidget& window) {
    auto& dialog = dynamic_cast<ProgressDialog&>(window);
    // Press Cancel as soon as the first row is finished.
    QObject::connect(dialog.Rows()->model(), &QAbstractItemModel::rowsInserted, &dialog, [&dialog] {
      QTimer::singleShot(0, &dialog, [&dialog] {
        if (dialog.CancelButton()->isEnabled()) {
          SaveScreenshot(dialog, "progress");
          QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
        }
      });
    });
  });
  pelorin_->RefreshData();
  EXPECT_TRUE(context_.StopFlag);
  EXPECT_FALSE(Status(wb, 3).empty()) << "the finished row keeps its status";
  EXPECT_TRUE(wb.Worksheets("T1").UsedRange().has_value()) << "and its data";
  EXPECT_TRUE(Status(wb, 6).empty()) << "the last row was never run";
  EXPECT_EQ(progress_.Rows()->count(), 1);
}

TEST_F(QtViewsTest, ErrorDialogButtons) {
  struct Case {
    const char* button;
    const char* tag;
  };
  const Case cases[] = {{"btnAbort", "ABORT"}, {"btnRetry", "RETRY"}, {"btnIgnore", "IGNORE"}};
  for (const Case& c : cases) {
    frmErrorMessage form;
    form.SetErrorMessage("Error 1004 in Pelorin.CPelorin.TWP: Method 'Range' of object '_Worksheet' failed");
    OnShow("frmErrorMessage", [&](QWidget& window) {
      auto& dialog = dynamic_cast<ErrorDialog&>(window);
      EXPECT_EQ(dialog.windowTitle(), "Error");
      EXPECT_FALSE(dialog.Button("btnSend")->isEnabled()) << "no support address";
      if (std::string(c.button) == "btnRetry") SaveScreenshot(dialog, "error_dialog");
      QTest::mouseClick(dialog.Button(c.button), Qt::LeftButton);
    });
    qt_ui_.ShowModal(form);
    EXPECT_EQ(form.Tag, c.tag);
  }
  // With a support address Send opens the mail link and the dialog stays.
  std::vector<std::string> opened;
  frmErrorMessage form([&](const std::string& url) { opened.push_back(url); });
  form.SetErrorMessage("Error 6: Overflow");
  form.SetSupportMail("support@example.org");
  OnShow("frmErrorMessage", [&](QWidget& window) {
    auto& dialog = dynamic_cast<ErrorDialog&>(window);
    ASSERT_TRUE(dialog.Button("btnSend")->isEnabled());
    QTest::mouseClick(dialog.Button("btnSend"), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    dialog.close();  // the close box counts as Abort
  });
  qt_ui_.ShowModal(form);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].rfind("mailto:support@example.org?subject=", 0), 0u);
  EXPECT_EQ(form.Tag, "ABORT");
}

TEST_F(QtViewsTest, MessageBoxesCarryButtonsIconsAndTitles) {
  OnShow("MsgBox", [](QWidget& window) {
    auto& box = dynamic_cast<QMessageBox&>(window);
    EXPECT_EQ(box.windowTitle(), "PelorinXL");
    EXPECT_EQ(box.icon(), QMessageBox::Question);
    EXPECT_NE(box.button(QMessageBox::Yes), nullptr);
    EXPECT_NE(box.button(QMessageBox::No), nullptr);
    box.button(QMessageBox::No)->click();
  });
  EXPECT_EQ(qt_ui_.MsgBox("Go on?", MsgButtons::kYesNo, MsgIcon::kQuestion, "PelorinXL"), MsgResult::kNo);
}

TEST_F(QtViewsTest, ConverterWindowForwardsToItsForm) {
  ProjectWithRows(1);
  frmConverter form(context_, [](const std::string& path) { return path.ends_with("old.xlsx"); });
  form.SetOwner(pelorin_.get());
  OnShow("frmConverter", [&](QWidget& window) {
    auto& dialog = dynamic_cast<ConverterDialog&>(window);
    QTest::keyClicks(dialog.InputBox(), "/data/old.xlsx");
    QTest::mouseClick(dialog.Button("cmdCopy"), Qt::LeftButton);
    EXPECT_EQ(dialog.OutputBox()->text(), "/data/old.xlsx");
    dialog.OutputBox()->clear();
    QTest::keyClicks(dialog.OutputBox(), "/data/new.xlsx");
    SaveScreenshot(dialog, "converter");
    QTest::mouseClick(dialog.Button("cmdCreate"), Qt::LeftButton);
  });
  qt_ui_.ShowModal(form);
  EXPECT_EQ(form.Tag, "1");
  EXPECT_EQ(form.txtFileNameOutput(), "/data/new.xlsx");
}

TEST_F(QtViewsTest, RangePickGivesTheClickedCell) {
  Workbook& wb = ProjectWithRows(2);
  Settings(wb).Activate();
  RangePick pick(wb);
  RangePickDialog dialog(pick);
  OnShow("RangePick", [&](QWidget&) {
    QTableView* grid = dialog.Grid();
    EXPECT_EQ(grid->model()->data(grid->model()->index(2, 0)).toString(), "T1");
    SaveScreenshot(dialog, "range_pick");
    const QModelIndex cell = grid->model()->index(3, 2);
    grid->setCurrentIndex(cell);
    DoubleClick(grid, cell);
  });
  qt_ui_.RunDialog(dialog, "RangePick");
  ASSERT_TRUE(dialog.Chosen().has_value());
  EXPECT_EQ(*dialog.Chosen(), "'PelorinXL Settings'!$C$4");
}

}  // namespace
}  // namespace plrxl::testing
