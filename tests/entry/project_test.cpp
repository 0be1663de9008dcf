// New projects and project editing, through real .xlsx files.
#include "tests/entry/entry_fixture.h"

namespace plrxl::testing {
namespace {

TEST_F(EntryTest, NewProjectLayout) {
  Workbook& wb = NewProject();
  ASSERT_EQ(wb.WorksheetCount(), 2);
  EXPECT_EQ(wb.WorksheetAt(1).Name(), kSettingsSheet);
  EXPECT_EQ(wb.WorksheetAt(2).Name(), kParametersSheet);
  EXPECT_EQ(wb.FindName(kRangeTickerName)->refers_to, "='PelorinXL Settings'!R1C1");
  EXPECT_EQ(wb.FindName(kRangeDataSourceName)->refers_to, "='PelorinXL Settings'!R2C8");
  Worksheet& settings = Settings(wb);
  Worksheet& parameters = Parameters(wb);
  // A1:K5 is the template block I1:S5.
  for (int r = 1; r <= 5; ++r) {
    for (int c = 1; c <= 11; ++c) {
      EXPECT_EQ(settings.CellValue(r, c), parameters.CellValue(r, c + 8)) << r << "," << c;
    }
  }
  EXPECT_EQ(settings.GetRange("H2").Text(), "SAMPLE");
  EXPECT_TRUE(settings.GetRange("A1").FontBold());
  EXPECT_EQ(settings.Zoom(), 80);
  EXPECT_TRUE(pelorin_->Successor());
  EXPECT_TRUE(pelorin_->RavellXLSettingsAreOk());
  EXPECT_TRUE(ui_.Boxes().empty());
}

TEST_F(EntryTest, NewProjectSurvivesSaveAndLoad) {
  Workbook& wb = NewProject();
  const std::string path = temp_.File("Project.xlsx");
  wb.SaveAs(path);
  wb.Close();

  Workbook& loaded = host_.OpenWorkbook(path);
  pelorin_->ThisWorkbookApplication(&loaded);
  host_.SetActiveWorkbook(loaded);
  EXPECT_TRUE(pelorin_->Successor());
  EXPECT_TRUE(pelorin_->RavellXLSettingsAreOk());
  EXPECT_TRUE(ui_.Boxes().empty());
  // Every message and label came back unchanged.
  for (const MessageText& m : MessageTexts()) {
    EXPECT_EQ(pelorin_->TWP("E" + std::to_string(m.number)), m.text) << m.number;
  }
  for (const TemplateCell& cell : TemplateCells()) {
    if (cell.kind == TemplateKind::kText) {
      EXPECT_EQ(pelorin_->TWP(cell.address), cell.value) << cell.address;
    }
  }
  EXPECT_EQ(Settings(loaded).GetRange("A3").Text(), "ALPHA");
}

TEST_F(EntryTest, CreateNewRavellProjectAskedNoLeavesEverything) {
  Workbook& wb = NewProject();
  Settings(wb).GetRange("A6").SetValue(Variant("DELTA"));
  host_.SetScreenUpdating(true);
  ui_.AnswerBox(MsgResult::kNo);
  pelorin_->CreateNewRavellProject();
  EXPECT_EQ(Settings(wb).GetRange("A6").Text(), "DELTA");
  EXPECT_TRUE(host_.ScreenUpdating());
  EXPECT_EQ(ui_.Boxes().at(0).prompt, Filled(wb, 21));
}

TEST_F(EntryTest, CreateNewRavellProjectAskedYesResetsTheTable) {
  Workbook& wb = NewProject();
  Settings(wb).GetRange("A6").SetValue(Variant("DELTA"));
  Settings(wb).GetRange("L1").SetValue(Variant("kept"));
  wb.DeleteName(kRangeDataSourceName);
  ui_.AnswerBox(MsgResult::kYes);
  pelorin_->CreateNewRavellProject();
  EXPECT_TRUE(Settings(wb).GetRange("A6").Value().IsEmpty());
  EXPECT_EQ(Settings(wb).GetRange("A3").Text(), "ALPHA");
  EXPECT_EQ(Settings(wb).GetRange("L1").Text(), "kept");  // only A:K is cleared
  EXPECT_NE(wb.FindName(kRangeDataSourceName), nullptr);
}

TEST_F(EntryTest, CreateNewRavellProjectOnlyUnhidesAHiddenSheet) {
  Workbook& wb = NewProject();
  Settings(wb).GetRange("A6").SetValue(Variant("DELTA"));
  Settings(wb).SetVisible(false);
  host_.SetScreenUpdating(true);
  pelorin_->CreateNewRavellProject();  // no question
  EXPECT_TRUE(Settings(wb).Visible());
  EXPECT_EQ(Settings(wb).GetRange("A6").Text(), "DELTA");
  EXPECT_TRUE(host_.ScreenUpdating());
}

struct UserSettingsCase {
  const char* zoom;
  const char* auto_fit;
  int expect_zoom;
  bool expect_fitted;
};

class UserSettingsTest : public EntryTest, public ::testing::WithParamInterface<UserSettingsCase> {};

TEST_P(UserSettingsTest, NewSettingsSheetFollowsThem) {
  const UserSettingsCase& c = GetParam();
  if (c.zoom != nullptr) store_.SaveSetting("PelorinXL", "Setting", "txtZoom", c.zoom);
  if (c.auto_fit != nullptr) store_.SaveSetting("PelorinXL", "Setting", "chbAutoFit", c.auto_fit);
  Workbook& wb = NewProject();
  EXPECT_EQ(Settings(wb).Zoom(), c.expect_zoom);
  EXPECT_EQ(Settings(wb).ColumnWidthIsCustom(ColumnNumber("F")), c.expect_fitted);
}

INSTANTIATE_TEST_SUITE_P(Cases, UserSettingsTest,
                         ::testing::Values(UserSettingsCase{nullptr, nullptr, 80, true},
                                           UserSettingsCase{"120", "1", 120, true},
                                           UserSettingsCase{"65", "0", 65, false},
                                           UserSettingsCase{"100", "yes", 100, false}));

TEST_F(EntryTest, ReplaceTickerOnProjectWritesTheRow) {
  Workbook& wb = NewProject();
  const double start = DateSerial(2024, 1, 2);
  pelorin_->ReplaceTickerOnProject("msft", start, 0, "Weekly", "FBT", "Prices", "B3", "SAMPLE", "dc", 4);
  Worksheet& settings = Settings(wb);
  EXPECT_EQ(settings.GetRange("A4").Text(), "MSFT");
  EXPECT_EQ(settings.GetRange("B4").Value(), Variant::Date(start));
  EXPECT_TRUE(settings.GetRange("C4").Value().IsEmpty());  // the defaults row supplies it
  EXPECT_EQ(pelorin_->SettingsValue(settings, 4, kEndDate), settings.GetRange("C2").Value());
  EXPECT_EQ(settings.GetRange("D4").Text(), "Weekly");
  EXPECT_EQ(settings.GetRange("I4").Text(), "dc");
  // Without a row it writes the first ticker row.
  pelorin_->ReplaceTickerOnProject("ibm", start, start, "", "", "", "", "", "");
  EXPECT_EQ(settings.GetRange("A3").Text(), "IBM");
  EXPECT_TRUE(settings.GetRange("D3").Value().IsEmpty());
}

TEST_F(EntryTest, ReplaceTickerOnProjectWithoutSettingsSheetWritesNothing) {
  Workbook& wb = host_.AddWorkbook();
  pelorin_->ReplaceTickerOnProject("X", 0, 0, "", "", "", "", "", "");
  EXPECT_FALSE(wb.WorksheetAt(1).UsedRange().has_value());
}

TEST_F(EntryTest, AddNewRecordAppendsAfterTheLastRow) {
  Workbook& wb = NewProject();
  pelorin_->ActivateWorkBookName(wb.Name());
  pelorin_->AddNewRecord("delta", "15.10.2002", "", "Daily", "FTB", "AUTO", "A1", "SAMPLE", "DOHLCV");
  pelorin_->AddNewRecord("Eps", "", "", "", "", "", "", "", "");
  Worksheet& settings = Settings(wb);
  EXPECT_EQ(settings.GetRange("A6").Text(), "DELTA");
  EXPECT_EQ(settings.GetRange("B6").Value(), Variant::Date(DateSerial(2002, 10, 15)));
  EXPECT_TRUE(settings.GetRange("C6").Value().IsEmpty());
  EXPECT_EQ(settings.GetRange("I6").Text(), "DOHLCV");
  EXPECT_EQ(settings.GetRange("A7").Text(), "EPS");
  EXPECT_TRUE(pelorin_->RavellXLSettingsAreOk());
}

TEST_F(EntryTest, GotoLastCellReportsTheLastRow) {
  Workbook& wb = NewProject();
  EXPECT_EQ(pelorin_->GotoLastCell(wb.Name(), kSettingsSheet, "$A$1"), "$A$5");
  Settings(wb).GetRange("J9").SetValue(Variant("macro"));
  EXPECT_EQ(pelorin_->GotoLastCell(wb.Name(), kSettingsSheet, "$A$1"), "$A$9");
  wb.AddWorksheet().SetName("Empty");
  EXPECT_EQ(pelorin_->GotoLastCell(wb.Name(), "Empty", "$C$2"), "$C$2");
}

}  // namespace
}  // namespace plrxl::testing
