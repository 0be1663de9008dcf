// The settings check: every stop message with its additional information,
// and the values it must let through.
#include <functional>

#include "host/formula/formula_engine.h"
#include "tests/entry/entry_fixture.h"

namespace plrxl::testing {
namespace {

struct CheckCase {
  const char* name;
  std::function<void(Workbook&)> change;
  int message;  // 0: the check passes
  std::vector<std::string> infos;
};

void Set(Workbook& wb, const char* address, const Variant& value) {
  wb.Worksheets(kSettingsSheet).GetRange(address).SetValue(value);
}

// The new project's table: A1 anchor, row 2 defaults, rows 3-5 ALPHA, BETA,
// GAMMA. Columns: A Ticker, B Start, C End, D Periodicity, E Direction,
// F Location, G Beginning, H Source, I Fields, J Macros, K Status.
const CheckCase kCases[] = {
    {"NewProjectPasses", [](Workbook&) {}, 0, {}},
    {"NoSettingsSheet", [](Workbook& wb) { wb.DeleteWorksheet(wb.Worksheets(kSettingsSheet)); }, 2, {}},
    {"NothingBelowAnchor",
     [](Workbook& wb) { wb.Worksheets(kSettingsSheet).GetRange("A2:K5").Clear(); }, 3, {}},
    {"NoTickerRow", [](Workbook& wb) { wb.Worksheets(kSettingsSheet).GetRange("A3:K5").Clear(); }, 4, {}},
    {"EmptyDataLocation", [](Workbook& wb) { Set(wb, "F2", Variant()); }, 6, {"ALPHA"}},
    {"EmptyTextDataLocation", [](Workbook& wb) { Set(wb, "F3", Variant("")); Set(wb, "F2", Variant()); }, 6,
     {"ALPHA"}},
    {"StartDateNotADate", [](Workbook& wb) { Set(wb, "B3", Variant("soon")); }, 8, {"Start Date", "soon", "ALPHA"}},
    {"StartDateMissingEverywhere", [](Workbook& wb) { Set(wb, "B2", Variant()); }, 8, {"Start Date", "", "ALPHA"}},
    {"StartDateAsDateText", [](Workbook& wb) { Set(wb, "B3", Variant("15.10.2002")); }, 0, {}},
    {"EndDateNotADate", [](Workbook& wb) { Set(wb, "C4", Variant("later")); }, 8, {"End Date", "later", "BETA"}},
    {"UnlistedDirection", [](Workbook& wb) { Set(wb, "E5", Variant("UP")); }, 10, {"UP", "GAMMA"}},
    {"DirectionIgnoresCase", [](Workbook& wb) { Set(wb, "E3", Variant("fbt")); }, 0, {}},
    {"UnknownSource", [](Workbook& wb) { Set(wb, "H3", Variant("NOSUCH")); }, 11, {"NOSUCH", "ALPHA"}},
    {"SourceIgnoresCase", [](Workbook& wb) { Set(wb, "H3", Variant("sample")); }, 0, {}},
    {"DdeLinkPassesUnlisted", [](Workbook& wb) { Set(wb, "H4", Variant("Dde(FILE;q.csv;x;d;c)")); }, 0, {}},
    {"SourceWithBlankBeforeOption", [](Workbook& wb) { Set(wb, "H3", Variant("SAMPLE (X)")); }, 11,
     {"SAMPLE (X)", "ALPHA"}},
    {"BadDataBeginning", [](Workbook& wb) { Set(wb, "G4", Variant("Q0")); }, 13, {"Q0", "BETA"}},
    {"DataBeginningOnMissingSheet", [](Workbook& wb) { Set(wb, "G3", Variant("Nowhere!A1")); }, 13,
     {"Nowhere!A1", "ALPHA"}},
    {"DataBeginningWithSheet", [](Workbook& wb) { Set(wb, "G3", Variant("Parameters!$B$3")); }, 0, {}},
    // The first fault ends the check: GAMMA's is never reported.
    {"FirstFaultWins",
     [](Workbook& wb) {
       Set(wb, "E4", Variant("SIDEWAYS"));
       Set(wb, "H5", Variant("NOSUCH"));
     },
     10, {"SIDEWAYS", "BETA"}},
};

class SettingsCheckTest : public EntryTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(SettingsCheckTest, ShowsTheRightStopMessage) {
  const CheckCase& c = GetParam();
  Workbook& wb = NewProject();
  c.change(wb);
  if (c.message != 0) ui_.AnswerBox(MsgResult::kOk);
  const bool ok = pelorin_->RavellXLSettingsAreOk();
  EXPECT_EQ(ok, c.message == 0);
  EXPECT_EQ(context_.BreakShown, c.message != 0);
  if (c.message == 0) {
    EXPECT_TRUE(ui_.Boxes().empty());
    return;
  }
  ASSERT_EQ(ui_.Boxes().size(), 1u);
  const BoxRecord& box = ui_.Boxes()[0];
  std::vector<std::string> infos = c.infos;
  infos.resize(3);
  EXPECT_EQ(box.prompt, Filled(wb, c.message, infos[0], infos[1], infos[2]));
  EXPECT_EQ(box.prompt.find("AdditionalInformation"), std::string::npos) << box.prompt;
  EXPECT_EQ(box.title, "PelorinXL");
  EXPECT_EQ(box.icon, MsgIcon::kExclamation);
  EXPECT_EQ(box.buttons, MsgButtons::kOk);
  EXPECT_EQ(ui_.Pending(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsCheckTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<CheckCase>& info) { return info.param.name; });

TEST_F(EntryTest, SettingsValueFallsBackToTheDefaultsRow) {
  Workbook& wb = NewProject();
  Worksheet& settings = Settings(wb);
  settings.GetRange("D3").SetValue(Variant("Weekly"));
  EXPECT_EQ(pelorin_->SettingsValue(settings, 3, kPeriodicity).Text(), "Weekly");
  EXPECT_EQ(pelorin_->SettingsValue(settings, 4, kPeriodicity).Text(), "Daily");
  EXPECT_TRUE(pelorin_->SettingsValue(settings, 4, kMacros).IsEmpty());
}

TEST_F(EntryTest, ErrorAddressTellsUnresolvableAddresses) {
  NewProject();
  const std::pair<const char*, bool> cases[] = {
      {"A1", false}, {"$C$4", false}, {"Parameters!B2:B9", false}, {"'PelorinXL Settings'!A1", false},
      {"", true},    {"A0", true},    {"Missing!A1", true},        {"IW1", true},
  };
  for (const auto& [address, unusable] : cases) EXPECT_EQ(pelorin_->ErrorAddress(address), unusable) << address;
}

TEST_F(EntryTest, ConsistFromListsAndParameters) {
  NewProject();
  struct {
    const char* parameter;
    const char* value;
    bool listed;
  } const cases[] = {
      {"Direction of Data", "FTB", true},     {"Direction of Data", "ftb", true},
      {"Direction of Data", "FT", false},     {"Data to Download", "C", true},
      {"Data to Download", "x", false},       {"Source of Data", "SAMPLE", true},
      {"Source of Data", "dde(a;b;c;d;e)", true}, {"Source of Data", "DDE", true},
      {"Source of Data", "unknown", false},   {"Something else", "FTB", false},
  };
  for (const auto& c : cases) EXPECT_EQ(pelorin_->ConsistFrom(c.parameter, c.value), c.listed) << c.value;
}

TEST_F(EntryTest, SpreadsheetExistsCleansAndIgnoresCase) {
  Workbook& wb = NewProject();
  wb.AddWorksheet().SetName("A_B");
  EXPECT_TRUE(SpreadsheetExists(context_, wb, "a/b"));
  EXPECT_TRUE(SpreadsheetExists(context_, wb, "PELORINXL SETTINGS"));
  EXPECT_FALSE(SpreadsheetExists(context_, wb, "AB"));
  EXPECT_EQ(RemoveBadSymbols(context_, Variant("a:b/c*d"), "/:").Text(), "a_b_c*d");
  EXPECT_TRUE(RemoveBadSymbols(context_, Variant(), "/").IsEmpty());
}

TEST_F(EntryTest, ActivatePrefferedSheetOrder) {
  Workbook& wb = NewProject();
  pelorin_->ActivatePrefferedSheet();
  EXPECT_EQ(wb.ActiveSheet()->Name(), kSettingsSheet);  // the first sheet
  wb.AddWorksheet().SetName("Data");
  pelorin_->ActivatePrefferedSheet();
  EXPECT_EQ(wb.ActiveSheet()->Name(), "Data");
  wb.AddWorksheet().SetName("Summary");
  wb.WorksheetAt(1).Activate();
  pelorin_->ActivatePrefferedSheet();
  EXPECT_EQ(wb.ActiveSheet()->Name(), "Summary");
}

// Start Dates written as formulas: computed by the engine, or named with
// the function the engine cannot compute.
TEST_F(EntryTest, RollingStartDateFormulaPasses) {
  host_.SetFormulaEvaluator(MakeFormulaEngine([this] { return clock_.Now(); }));
  Workbook& wb = NewProject();
  Settings(wb).GetRange("B2").SetFormula("=EDATE(TODAY(),-12)");
  Settings(wb).GetRange("B3").SetFormula("=DATE(2020,1,1)");
  EXPECT_TRUE(pelorin_->RavellXLSettingsAreOk());
  EXPECT_TRUE(ui_.Boxes().empty());
  EXPECT_EQ(Settings(wb).CellValue(2, 2), Variant::Date(DateSerial(2025, 12, 5)));
}

TEST_F(EntryTest, StartDateFormulaOfAnUnknownFunctionNamesCellAndFunction) {
  host_.SetFormulaEvaluator(MakeFormulaEngine([this] { return clock_.Now(); }));
  Workbook& wb = NewProject();
  Settings(wb).GetRange("B3").SetFormula("=FOO(TODAY())");
  ui_.AnswerBox(MsgResult::kOk);
  EXPECT_FALSE(pelorin_->RavellXLSettingsAreOk());
  ASSERT_EQ(ui_.Boxes().size(), 1u);
  EXPECT_EQ(ui_.Boxes()[0].prompt,
            Filled(wb, 8, "Start Date",
                   "B3: =FOO(TODAY()) uses FOO, which PelorinXL cannot compute; write a date or a formula of the "
                   "functions listed in the guide's page on formulas",
                   "ALPHA"));
}

}  // namespace
}  // namespace plrxl::testing
