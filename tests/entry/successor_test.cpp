// Successor: the project check before every command, and its repair of the
// table's anchor names.
#include "tests/entry/entry_fixture.h"

namespace plrxl::testing {
namespace {

std::string RefersTo(Workbook& wb, const char* name) {
  const DefinedName* defined = wb.FindName(name);
  return defined == nullptr ? std::string("<missing>") : defined->refers_to;
}

// Moves the whole new-project table from A1 to another cell.
void MoveTable(Workbook& wb, const char* destination) {
  Worksheet& settings = wb.Worksheets(kSettingsSheet);
  const Range table = settings.GetRange("A1:K5");
  table.CopyTo(settings.GetRange(destination));
  settings.GetRange("A1:K2").Clear();
}

struct RepairCase {
  const char* name;
  std::vector<const char*> delete_names;
  const char* table_at;  // nullptr: stays at A1
  const char* expect_ticker;
  const char* expect_source;
};

const RepairCase kRepairs[] = {
    {"BothNamesDeleted", {kRangeTickerName, kRangeDataSourceName}, nullptr, "='PelorinXL Settings'!R1C1",
     "='PelorinXL Settings'!R2C8"},
    {"OneNameDeleted", {kRangeDataSourceName}, nullptr, "='PelorinXL Settings'!R1C1", "='PelorinXL Settings'!R2C8"},
    {"TableElsewhere", {kRangeTickerName, kRangeDataSourceName}, "C7", "='PelorinXL Settings'!R7C3",
     "='PelorinXL Settings'!R8C10"},
};

class SuccessorRepairTest : public EntryTest, public ::testing::WithParamInterface<RepairCase> {};

TEST_P(SuccessorRepairTest, FindsTheTableAndDefinesBothNames) {
  const RepairCase& c = GetParam();
  Workbook& wb = NewProject();
  if (c.table_at != nullptr) MoveTable(wb, c.table_at);
  for (const char* name : c.delete_names) wb.DeleteName(name);
  EXPECT_TRUE(pelorin_->Successor());
  EXPECT_TRUE(ui_.Boxes().empty());
  EXPECT_EQ(RefersTo(wb, kRangeTickerName), c.expect_ticker);
  EXPECT_EQ(RefersTo(wb, kRangeDataSourceName), c.expect_source);
  EXPECT_EQ(wb.ActiveSheet()->Name(), kSettingsSheet);
  // The repaired project passes the full check as well.
  EXPECT_TRUE(pelorin_->RavellXLSettingsAreOk());
}

INSTANTIATE_TEST_SUITE_P(Cases, SuccessorRepairTest, ::testing::ValuesIn(kRepairs),
                         [](const ::testing::TestParamInfo<RepairCase>& info) { return info.param.name; });

struct RefuseCase {
  const char* name;
  std::function<void(Workbook&)> change;
};

const RefuseCase kRefusals[] = {
    {"NameOnDeletedSheet",
     [](Workbook& wb) { wb.AddName(kRangeDataSourceName, "='Gone'!R2C8"); }},
    {"NameIsRefError", [](Workbook& wb) { wb.AddName(kRangeTickerName, "=#REF!"); }},
    {"AnchorTextWrong",
     [](Workbook& wb) { wb.Worksheets(kSettingsSheet).GetRange("A1").SetValue(Variant("Symbol")); }},
    {"NoTableToRepair",
     [](Workbook& wb) {
       wb.DeleteName(kRangeTickerName);
       wb.Worksheets(kSettingsSheet).GetRange("A2").SetValue(Variant("Standard"));
     }},
    {"TableWithoutStartTitle",
     [](Workbook& wb) {
       wb.DeleteName(kRangeDataSourceName);
       wb.Worksheets(kSettingsSheet).GetRange("B1").SetValue(Variant("From"));
     }},
};

class SuccessorRefusalTest : public EntryTest, public ::testing::WithParamInterface<RefuseCase> {};

TEST_P(SuccessorRefusalTest, ShowsMessage3) {
  Workbook& wb = NewProject();
  GetParam().change(wb);
  ui_.AnswerBox(MsgResult::kOk);
  EXPECT_FALSE(pelorin_->Successor());
  ASSERT_EQ(ui_.Boxes().size(), 1u);
  EXPECT_EQ(ui_.Boxes()[0].prompt, Filled(wb, 3));
  EXPECT_TRUE(context_.BreakShown);
}

INSTANTIATE_TEST_SUITE_P(Cases, SuccessorRefusalTest, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<RefuseCase>& info) { return info.param.name; });

TEST_F(EntryTest, SuccessorIsSilentWithoutSettingsSheet) {
  Workbook& wb = host_.AddWorkbook();
  pelorin_->ThisWorkbookApplication(&wb);
  EXPECT_FALSE(pelorin_->Successor());
  EXPECT_TRUE(ui_.Boxes().empty());
}

// An anchor name over more than one cell has no text to compare (its value
// is an array): the error dialog, as for any type mismatch. Over most of the
// sheet it is refused just the same, without reading every cell first.
TEST_F(EntryTest, SuccessorRefusesAnAnchorOfManyCells) {
  for (const char* reference : {"='PelorinXL Settings'!R1C1:R2C1", "='PelorinXL Settings'!R1C3:R65536C256"}) {
    Workbook& wb = NewProject();
    wb.AddName(kRangeTickerName, reference);
    ui_.ExpectModal("frmErrorMessage");
    EXPECT_FALSE(pelorin_->Successor()) << reference;
  }
}

TEST_F(EntryTest, SuccessorAcceptsAnchorTextInAnyCase) {
  Workbook& wb = NewProject();
  Settings(wb).GetRange("A1").SetValue(Variant("TICKER"));
  EXPECT_TRUE(pelorin_->Successor());
}

}  // namespace
}  // namespace plrxl::testing
