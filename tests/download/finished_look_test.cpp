// The look of a project after a run: ticker-table widths and dates, data
// sheets with frozen, whole titles, wrapped messages; values untouched.
#include "download/finished_look.h"

#include <gtest/gtest.h>

#include "entry/pelorin.h"
#include "host/memory/memory_host.h"
#include "host/spreadsheet_host.h"

namespace plrxl {
namespace {

TEST(FinishedLook, DateFormsGetFourDigitYears) {
  struct Case {
    const char* form;
    const char* four_digits;
  } const cases[] = {
      {"mm/dd/yy", "mm/dd/yyyy"}, {"dd.mm.yyyy", "dd.mm.yyyy"}, {"yy-mm-dd", "yyyy-mm-dd"}, {"", "dd.mm.yyyy"}};
  for (const Case& c : cases) EXPECT_EQ(FourDigitYearForm(c.form), c.four_digits) << c.form;
}

class FinishedLookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = MakeMemoryHost();
    book_ = &host_->AddWorkbook();
    settings_ = &book_->WorksheetAt(1);
    settings_->SetName(kSettingsSheet);
    parameters_ = &book_->AddWorksheet();
    parameters_->SetName(kParametersSheet);
    data_ = &book_->AddWorksheet();
    data_->SetName("AAPL");
    book_->AddName(kRangeTickerName, "='PelorinXL Settings'!R1C1");
    const char* titles[] = {"Ticker", "Start Date", "End Date", "Periodicity", "Direction", "Location",
                            "Data Beginning", "Data Source", "Data Fields", "Macros", "Status"};
    for (int c = 1; c <= 11; ++c) settings_->SetCellValue(1, c, Variant(titles[c - 1]));
    settings_->SetCellValue(2, 1, Variant("Defaults"));
    settings_->SetCellValue(2, 2, Variant::Date(DateSerial(2020, 1, 1)));
    settings_->SetCellValue(2, 6, Variant("AUTO"));
    settings_->SetCellValue(2, 7, Variant("A2"));
    settings_->SetCellValue(3, 1, Variant("AAPL"));
    settings_->SetCellValue(3, 3, Variant::Date(DateSerial(2025, 6, 30)));
    settings_->SetCellValue(3, 10, Variant(std::string(40, 'm')));
    settings_->SetCellValue(3, 11, Variant(std::string(200, 's')));
    parameters_->SetCellValue(2, 2, Variant("mm/dd/yy"));
    parameters_->SetCellValue(32, 5, Variant("This chart kind is not known.\nUse one of: HLC, OHLC."));
    parameters_->SetCellValue(33, 5, Variant("One line."));
    data_->SetCellValue(2, 1, Variant("Date"));
    data_->SetCellValue(2, 2, Variant("BollingerBandUp(20,2)"));
    data_->SetCellValue(3, 1, Variant::Date(DateSerial(2025, 6, 30)));
    data_->SetCellValue(3, 2, Variant(1.5));
  }

  std::unique_ptr<SpreadsheetHost> host_;
  Workbook* book_ = nullptr;
  Worksheet* settings_ = nullptr;
  Worksheet* parameters_ = nullptr;
  Worksheet* data_ = nullptr;
};

TEST_F(FinishedLookTest, TablesFitTheirTextsAndDatesShareOneForm) {
  FinishWorkbookLook(*book_);
  EXPECT_GE(settings_->ColumnWidth(10), 40);  // the macro text shows whole
  EXPECT_EQ(settings_->ColumnWidth(11), 80);  // a long status shows its start
  EXPECT_GE(settings_->ColumnWidth(7), 14);   // "Data Beginning"
  EXPECT_EQ(settings_->Cells(2, 2).NumberFormat(), "mm/dd/yyyy");
  EXPECT_EQ(settings_->Cells(3, 3).NumberFormat(), "mm/dd/yyyy");
  EXPECT_EQ(settings_->CellValue(3, 3), Variant::Date(DateSerial(2025, 6, 30)));

  EXPECT_EQ(data_->FrozenPanes(), (std::pair<int, int>{2, 0}));
  EXPECT_EQ(data_->Cells(3, 1).NumberFormat(), "General");  // data formats belong to the paste

  EXPECT_TRUE(parameters_->CellStyleAt(32, 5).wrap_text);
  EXPECT_EQ(parameters_->RowHeight(32), 30);
  EXPECT_FALSE(parameters_->CellStyleAt(33, 5).wrap_text);
}

TEST_F(FinishedLookTest, AWorkbookThatIsNoProjectIsLeftAlone) {
  book_->DeleteName(kRangeTickerName);
  FinishWorkbookLook(*book_);
  EXPECT_EQ(data_->FrozenPanes(), (std::pair<int, int>{0, 0}));
  EXPECT_EQ(settings_->Cells(3, 3).NumberFormat(), "General");
}

}  // namespace
}  // namespace plrxl
