// Messages: stop messages, questions, the date-format probe, the row status
// line and its time stamp.
#include <optional>

#include "tests/entry/entry_fixture.h"

namespace plrxl::testing {
namespace {

TEST_F(EntryTest, myTwoDigits) {
  EXPECT_EQ(pelorin_->myTwoDigits(7), Variant("07"));
  EXPECT_EQ(pelorin_->myTwoDigits(0), Variant("00"));
  EXPECT_EQ(pelorin_->myTwoDigits(10), Variant(10));
  EXPECT_EQ(pelorin_->myTwoDigits(59), Variant(59));
}

TEST_F(EntryTest, myBreakFillsEveryPlaceholderAndSetsBreakShown) {
  Workbook& wb = NewProject();
  Parameters(wb).GetRange("E40").SetValue(
      Variant("AdditionalInformation2-AdditionalInformation1 (AdditionalInformation3, AdditionalInformation1)"));
  ui_.AnswerBox(MsgResult::kOk);
  EXPECT_FALSE(pelorin_->myBreak(40, "a", "b", "c"));
  ASSERT_EQ(ui_.Boxes().size(), 1u);
  EXPECT_EQ(ui_.Boxes()[0].prompt, "b-a (c, a)");
  EXPECT_TRUE(context_.BreakShown);
}

TEST_F(EntryTest, myBreakOnAnEmptyCellShowsAnEmptyBox) {
  NewProject();
  ui_.AnswerBox(MsgResult::kOk);
  pelorin_->myBreak(99);
  ASSERT_EQ(ui_.Boxes().size(), 1u);
  EXPECT_EQ(ui_.Boxes()[0].prompt, "");
  EXPECT_TRUE(context_.BreakShown);
}

TEST_F(EntryTest, ContinueExecutionAnswers) {
  Workbook& wb = NewProject();
  const std::pair<MsgResult, const char*> cases[] = {{MsgResult::kYes, "True"}, {MsgResult::kNo, "False"}};
  for (const auto& [answer, expected] : cases) {
    ui_.AnswerBox(answer);
    EXPECT_EQ(pelorin_->ContinueExecution(14, "rsi(Close;14)"), expected);
    EXPECT_EQ(ui_.Boxes().back().prompt, Filled(wb, 14, "rsi(Close;14)"));
    EXPECT_EQ(ui_.Boxes().back().buttons, MsgButtons::kYesNo);
  }
}

TEST_F(EntryTest, TWPReadsParametersAsText) {
  NewProject();
  EXPECT_EQ(pelorin_->TWP("D3"), "FTB|FBT");
  EXPECT_EQ(pelorin_->TWP("B6"), "1");
  EXPECT_EQ(pelorin_->TWP("I1"), "Ticker");
  EXPECT_EQ(pelorin_->TWP("Z99"), "");
}

struct DateFormatCase {
  const char* short_date;
  const char* expected;
};

class DateFormatTest : public EntryTest, public ::testing::WithParamInterface<DateFormatCase> {};

TEST_P(DateFormatTest, ProbesTheRegionalShortDate) {
  Workbook& wb = NewProject();
  host_.SetRegional(PinnedRegional(GetParam().short_date));
  pelorin_->SetCorrectDateFormat();
  EXPECT_EQ(Parameters(wb).GetRange("B2").Value(), Variant(GetParam().expected));
  EXPECT_EQ(Parameters(wb).GetRange("J2").NumberFormat(), GetParam().expected);
  EXPECT_EQ(Parameters(wb).GetRange("K2").NumberFormat(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Formats, DateFormatTest,
                         ::testing::Values(DateFormatCase{"mm/dd/yy", "mm/dd/yy"},
                                           DateFormatCase{"yyyy-mm-dd", "yyyy-mm-dd"},
                                           DateFormatCase{"dd.mm.yyyy", "dd.mm.yyyy"},
                                           DateFormatCase{"dd/mm/yyyy", "dd/mm/yyyy"}));

TEST_F(EntryTest, SetCorrectDateFormatIgnoresAMissingParametersSheet) {
  Workbook& wb = host_.AddWorkbook();
  pelorin_->ThisWorkbookApplication(&wb);
  pelorin_->SetCorrectDateFormat();  // no dialog, no failure
  EXPECT_TRUE(ui_.Modals().empty());
}

// One step of a row's status: a call of WriteLastStatusMsg.
struct StatusStep {
  int16_t number;
  std::optional<Variant> message;
  bool is_error;
  bool is_macro;
};

struct StatusCase {
  const char* name;
  std::vector<StatusStep> steps;
  const char* status;  // the Status cell after the steps (K3)
  int color;
  const char* text_after;
  bool failed_after;
};

const StatusCase kStatusCases[] = {
    {"NothingCollected", {{18, Variant("WriteDownTheStatus"), false, false}}, "05.12.2026 14:02:11 ", 0, "", false},
    {"MessagesByNumber",
     {{16, std::nullopt, false, false}, {18, std::nullopt, false, false}, {18, Variant("WriteDownTheStatus"), false, false}},
     "05.12.2026 14:02:11  Download OK. Macros run.", 0, "", false},
    {"FreeTextAsError",
     {{51, Variant("Error: 404 not found nosuch"), true, false}, {18, Variant("WriteDownTheStatus"), false, false}},
     "05.12.2026 14:02:11 : Error: 404 not found nosuch.", 3, "", false},
    {"MacroMessage",
     {{0, Variant("Data truncated to 255 records"), true, true}, {18, Variant("WriteDownTheStatus"), false, false}},
     "05.12.2026 14:02:11  Data truncated to 255 records.", 3, "", false},
    {"ErrorFlagSetAfterTheWrite",
     {{16, std::nullopt, false, false}, {18, Variant("WriteDownTheStatus"), true, false}},
     "05.12.2026 14:02:11  Download OK.", 0, "", true},
    {"NotWrittenYet", {{16, std::nullopt, false, false}, {0, Variant(12.5), false, false}}, "", 0,
     " Download OK.: 12.5.", false},
};

class StatusTest : public EntryTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(StatusTest, CollectsAndWritesTheRowStatus) {
  const StatusCase& c = GetParam();
  Workbook& wb = NewProject();
  Worksheet& settings = Settings(wb);
  for (const StatusStep& step : c.steps) {
    pelorin_->WriteLastStatusMsg(step.number, 3, &settings, step.message, step.is_error, step.is_macro);
  }
  EXPECT_EQ(settings.GetRange("K3").Text(), c.status);
  EXPECT_EQ(settings.GetRange("K3").FontColorIndex(), c.color);
  EXPECT_EQ(context_.LastDownloadText, c.text_after);
  EXPECT_EQ(context_.LastDownloadFailed, c.failed_after);
}

INSTANTIATE_TEST_SUITE_P(Cases, StatusTest, ::testing::ValuesIn(kStatusCases),
                         [](const ::testing::TestParamInfo<StatusCase>& info) { return info.param.name; });

TEST_F(EntryTest, RedStatusDoesNotLeakIntoTheNextRow) {
  Workbook& wb = NewProject();
  Worksheet& settings = Settings(wb);
  pelorin_->WriteLastStatusMsg(51, 3, &settings, Variant("Error: timeout"), true);
  pelorin_->WriteLastStatusMsg(18, 3, &settings, Variant("WriteDownTheStatus"));
  clock_.AdvanceSeconds(3600 * 19 + 58 * 60);  // 10:00:11 the next day
  pelorin_->WriteLastStatusMsg(16, 4, &settings);
  pelorin_->WriteLastStatusMsg(18, 4, &settings, Variant("WriteDownTheStatus"));
  EXPECT_EQ(settings.GetRange("K3").FontColorIndex(), 3);
  EXPECT_EQ(settings.GetRange("K4").Text(), "06.12.2026 10:00:11  Download OK.");
  EXPECT_EQ(settings.GetRange("K4").FontColorIndex(), 0);
}

TEST_F(EntryTest, StatusColumnFollowsTheAnchor) {
  Workbook& wb = NewProject();
  Worksheet& settings = Settings(wb);
  wb.AddName(kRangeTickerName, "='PelorinXL Settings'!R1C3");
  pelorin_->WriteLastStatusMsg(18, 3, &settings, Variant("WriteDownTheStatus"));
  EXPECT_EQ(settings.GetRange("M3").Text(), "05.12.2026 14:02:11 ");
}

}  // namespace
}  // namespace plrxl::testing
