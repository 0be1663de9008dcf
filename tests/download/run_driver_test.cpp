// The run driver's walk over the ticker table: skipped rows, status lines,
// progress, "StopProcess", cancel, created sheets and the checks before it.
#include <gtest/gtest.h>

#include "tests/download/download_fixture.h"
#include "tests/download/wrapped_fetcher.h"

namespace plrxl::testing {
namespace {

RowSpec Row(const std::string& ticker, const std::string& macros = "") {
  return {ticker, Variant::Date(DateSerial(2024, 1, 2)), Variant::Date(DateSerial(2024, 2, 29)), "", "", "", "", "",
          "dc", macros};
}

TEST_F(DownloadTest, RefreshWalksEveryRowWithStatusAndProgress) {
  Workbook& wb = Project({Row("AAA"), Row("BBB"), Row("CCC")});
  clock_.Set(LocalSerial(2026, 12, 5, 9, 5, 30));
  RunRefresh();
  for (const char* name : {"AAA", "BBB", "CCC"}) EXPECT_NE(wb.FindWorksheet(name), nullptr) << name;
  for (int row = 3; row <= 5; ++row) {
    EXPECT_EQ(Status(wb, row), "05.12.2026 09:05:30 " + Message(wb, 16));
    EXPECT_EQ(Settings(wb).Cells(row, 11).FontColorIndex(), 0);
  }
  EXPECT_EQ(view_.percents, (std::vector<int>{0, 33, 66, 100}));
  ASSERT_EQ(view_.finished.size(), 3u);
  EXPECT_EQ(view_.finished[1], "4 BBB 05.12.2026 09:05:30 " + Message(wb, 16));
  EXPECT_EQ(view_.closed, 1);
  EXPECT_EQ(Parameters(wb).GetRange("H2").Text(), "Refresh");
  EXPECT_FALSE(context_.StopFlag);
  EXPECT_TRUE(context_.LastDownloadText.empty());
}

// A front end without the progress window (a spreadsheet menu command, a
// script) drives the same run: same sheets, statuses and progress, no modal
// window shown, and the driver's cancel stops it like the window's button.
TEST_F(DownloadTest, DriverRunsWithoutTheWindow) {
  struct Case {
    const char* name;
    bool cancel_first_row;
    int rows_with_status;
    std::vector<int> percents;
  };
  const Case cases[] = {{"whole run", false, 3, {0, 33, 66, 100}}, {"cancelled", true, 0, {0}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Workbook& wb = Project({Row("AAA"), Row("BBB"), Row("CCC")});
    Parameters(wb).GetRange("H2").SetValue("Refresh");
    view_ = RecordingView();
    RunDriver driver(context_, &view_);
    driver.SetOwner(pelorin_.get());
    driver.Open();
    if (c.cancel_first_row) host_.SetDoEventsHook([&] { driver.Cancel(); });
    driver.Run();
    host_.SetDoEventsHook(nullptr);
    int with_status = 0;
    for (int row = 3; row <= 5; ++row) with_status += Settings(wb).IsCellEmpty(row, 11) ? 0 : 1;
    EXPECT_EQ(with_status, c.rows_with_status);
    EXPECT_EQ(view_.percents, c.percents);
    EXPECT_EQ(view_.closed, 1);
    EXPECT_TRUE(ui_.Modals().empty());
    driver.Close();
  }
}

TEST_F(DownloadTest, SingleRowShowsOneHundredPercent) {
  Project({Row("ONE")});
  RunRefresh();
  EXPECT_EQ(view_.percents, (std::vector<int>{0, 100}));
}

TEST_F(DownloadTest, SelectiveRunSkipsUnchosenRowsEntirely) {
  Workbook& wb = Project({Row("AAA"), Row("BBB"), Row("CCC"), Row("DDD")});
  context_.SelectiveMode = true;
  context_.SelectedRows = {Variant(3), Variant("5"), Variant()};
  ui_.ExpectModal("ProgressBarWindow");
  pelorin_->UpdateMyData("Refresh");
  EXPECT_NE(wb.FindWorksheet("AAA"), nullptr);
  EXPECT_EQ(wb.FindWorksheet("BBB"), nullptr);
  EXPECT_NE(wb.FindWorksheet("CCC"), nullptr);
  EXPECT_EQ(wb.FindWorksheet("DDD"), nullptr);
  EXPECT_TRUE(Settings(wb).IsCellEmpty(4, 11));
  EXPECT_TRUE(Settings(wb).IsCellEmpty(6, 11));
  EXPECT_FALSE(Settings(wb).IsCellEmpty(5, 11));
}

TEST_F(DownloadTest, UnknownActionOnlyWritesStatus) {
  Workbook& wb = Project({Row("AAA"), Row("BBB")});
  wb.AddWorksheet().SetName("AAA");
  wb.AddWorksheet().SetName("BBB");
  ui_.ExpectModal("ProgressBarWindow");
  pelorin_->UpdateMyData("Something");
  EXPECT_TRUE(wb.Worksheets("AAA").IsCellEmpty(1, 1));
  EXPECT_EQ(Status(wb, 3), "05.12.2026 14:02:11 ");
  EXPECT_EQ(Status(wb, 4), "05.12.2026 14:02:11 ");
}

TEST_F(DownloadTest, MacrosOnlyRunsEachRowsMacros) {
  Workbook& wb = Project({Row("AAA", "Tally"), Row("BBB", "Tally(x)")});
  std::vector<std::string> seen;
  host_.RegisterFunction("Tally", [&](SpreadsheetHost& h, std::vector<Variant>& args) {
    seen.push_back(h.ActiveSheet()->Name() + ":" + std::to_string(args.size()));
    return Variant();
  });
  RunRefresh();
  ASSERT_EQ(seen.size(), 2u);
  ui_.ExpectModal("ProgressBarWindow");
  pelorin_->RunOnlyMacros();
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[2], "AAA:0");
  EXPECT_EQ(seen[3], "BBB:1");
  EXPECT_EQ(Status(wb, 4), "05.12.2026 14:02:11  " + Message(wb, 18));
  EXPECT_EQ(view_.messages.back(), "Macros BBB");
}

TEST_F(DownloadTest, DefaultsRowMacrosApplyToRowsWithoutTheirOwn) {
  Workbook& wb = Project({Row("AAA"), Row("BBB", "Other")});
  Settings(wb).SetCellValue(2, 10, Variant("Tally"));
  int tally = 0, other = 0;
  host_.RegisterFunction("Tally", [&](SpreadsheetHost&, std::vector<Variant>&) { return Variant(++tally); });
  host_.RegisterFunction("Other", [&](SpreadsheetHost&, std::vector<Variant>&) { return Variant(++other); });
  RunRefresh();
  EXPECT_EQ(tally, 1);
  EXPECT_EQ(other, 1);
  EXPECT_EQ(Status(wb, 3), "05.12.2026 14:02:11 " + Message(wb, 16) + " " + Message(wb, 18));
}

struct MacroFailureCase {
  MsgResult answer;
  bool run_goes_on;
};

class MacroFailureTest : public DownloadTest, public ::testing::WithParamInterface<MacroFailureCase> {};

TEST_P(MacroFailureTest, QuestionFourteenDecides) {
  Workbook& wb = Project({Row("AAA"), Row("BBB", "Missing"), Row("CCC")});
  ui_.ExpectModal("ProgressBarWindow");
  ui_.AnswerBox(MsgResult::kOk, "Error Function :Missing");
  ui_.AnswerBox(GetParam().answer, "Failing macro: Missing");
  pelorin_->RefreshData();
  EXPECT_FALSE(Settings(wb).IsCellEmpty(3, 11));
  // The cause is in the row's status whatever the answer.
  const std::string status = Status(wb, 4);
  EXPECT_NE(status.find("Macro Missing failed: 1004 - The macro 'Missing' cannot be found."), std::string::npos)
      << status;
  EXPECT_EQ(Settings(wb).Cells(4, 11).FontColorIndex(), 3);
  if (GetParam().run_goes_on) {
    EXPECT_EQ(status, "05.12.2026 14:02:11 " + Message(wb, 16) +
                          ": Macro Missing failed: 1004 - The macro 'Missing' cannot be found. " + Message(wb, 18));
    EXPECT_NE(wb.FindWorksheet("CCC"), nullptr);
  } else {
    // "StopProcess": the run ends after this row.
    EXPECT_EQ(wb.FindWorksheet("CCC"), nullptr);
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, MacroFailureTest,
                         ::testing::Values(MacroFailureCase{MsgResult::kYes, true},
                                           MacroFailureCase{MsgResult::kNo, false}));

TEST_F(DownloadTest, CancelInTheMiddleEndsTheRun) {
  Workbook& wb = Project({Row("AAA"), Row("BBB", "PressCancel"), Row("CCC"), Row("DDD")});
  // The person presses Cancel while the second row's macros run.
  host_.RegisterFunction("PressCancel", [&](SpreadsheetHost&, std::vector<Variant>&) {
    EXPECT_TRUE(context_.windows.ProgressBarWindow->Click("CancelButton"));
    return Variant();
  });
  RunRefresh();
  EXPECT_TRUE(context_.StopFlag);
  EXPECT_EQ(Status(wb, 3), "05.12.2026 14:02:11 " + Message(wb, 16));
  EXPECT_TRUE(Settings(wb).IsCellEmpty(4, 11));  // the row being processed gets no status
  EXPECT_NE(wb.FindWorksheet("BBB"), nullptr);
  EXPECT_EQ(wb.FindWorksheet("CCC"), nullptr);
  EXPECT_EQ(view_.finished.size(), 1u);
  EXPECT_EQ(view_.closed, 1);
}

TEST_F(DownloadTest, CancelWhileDownloadingStopsThePoll) {
  context_.MakeQuoteFetcher = [] { return std::make_unique<WrappedFetcher>(MakeFetcher(), 5); };
  Workbook& wb = Project({Row("FIRST"), Row("NEXT")});
  ui_.ExpectModal("ProgressBarWindow");
  ui_.CancelAtEvent(4);  // activation yields twice, the run once, then the first poll
  pelorin_->RefreshData();
  EXPECT_TRUE(context_.StopFlag);
  EXPECT_TRUE(Settings(wb).IsCellEmpty(3, 11));
  EXPECT_TRUE(Settings(wb).IsCellEmpty(4, 11));
  EXPECT_EQ(wb.FindWorksheet("NEXT"), nullptr);
}

TEST_F(DownloadTest, SheetThatCannotBeMadeStopsWithMessageFiveBeforeAnyDownload) {
  RowSpec quoted = Row("BBB");
  quoted.location = "'quoted'";  // a workbook file cannot hold this sheet name
  Workbook& wb = Project({Row("AAA"), quoted, Row("CCC")});
  ui_.ExpectModal("ProgressBarWindow");
  ui_.AnswerBox(MsgResult::kOk, "could not be created");
  pelorin_->RefreshData();
  EXPECT_NE(ui_.Boxes().back().prompt.find("\"'quoted'\""), std::string::npos) << ui_.Boxes().back().prompt;
  EXPECT_EQ(ui_.Boxes().back().title, "PelorinXL");
  // Checked before the first row: nothing was downloaded or made.
  EXPECT_TRUE(Settings(wb).IsCellEmpty(3, 11));
  EXPECT_EQ(wb.FindWorksheet("AAA"), nullptr);
  EXPECT_EQ(wb.FindWorksheet("'quoted'"), nullptr);
  EXPECT_EQ(wb.WorksheetCount(), 2);
}

TEST_F(DownloadTest, FailingSettingsCheckRunsNothing) {
  Workbook& wb = Project({Row("AAA"), {"BBB", Variant("soon"), {}, "", "", "", "", "", "", ""}});
  ui_.ExpectModal("ProgressBarWindow");
  ui_.AnswerBox(MsgResult::kOk, "\"soon\" is not a date");
  pelorin_->RefreshData();
  EXPECT_EQ(wb.FindWorksheet("AAA"), nullptr);
  EXPECT_TRUE(Settings(wb).IsCellEmpty(3, 11));
}

TEST_F(DownloadTest, UnknownSourceIsReportedInRed) {
  Workbook& wb = Project({Row("AAA")});
  ProgressBarWindow window(context_);
  window.SetOwner(pelorin_.get());
  window.Driver().DownloadData("AAA", DateSerial(2024, 1, 2), DateSerial(2024, 1, 31), "Daily", "nosuch(x)");
  EXPECT_EQ(context_.LastDownloadText, "Error: 404 not found nosuch");
  EXPECT_TRUE(context_.LastDownloadFailed);
  EXPECT_EQ(window.Driver().CurrentResult(), nullptr);
  EXPECT_EQ(window.Driver().Requests().Count(), 0);

  window.Driver().DownloadData("AAA", DateSerial(2024, 1, 2), DateSerial(2024, 1, 31), "Daily", "sample");
  EXPECT_EQ(context_.LastDownloadText, Message(wb, 16));
  EXPECT_FALSE(context_.LastDownloadFailed);
  ASSERT_NE(window.Driver().CurrentResult(), nullptr);
  ASSERT_EQ(window.Driver().Requests().Count(), 1);
  EXPECT_EQ(window.Driver().Requests().Key(0), RequestKey(window.Driver().Requests().Item(0).Id()));
  window.SetOwner(nullptr);
}

struct OptionCase {
  const char* option;
  std::vector<std::pair<std::string, Variant>> extra;
};

TEST(RequestValues, OptionsBecomeParameters) {
  const OptionCase cases[] = {
      {"", {}},
      {"adjust values", {{"ADJUST VALUES", Variant(true)}, {"EXCHANGE", Variant("adjust values")}}},
      {"no adjust values", {{"ADJUST VALUES", Variant(false)}, {"EXCHANGE", Variant("no adjust values")}}},
      {"us", {{"ADJUST VALUES", Variant(false)}, {"EXCHANGE", Variant("us")}}},
      {"s;t;i;p;y",
       {{"SERVICE", Variant("s")}, {"TOPIC", Variant("t")}, {"ITEM", Variant("i")}, {"PERIOD", Variant("p")},
        {"TYPE", Variant("y")}}},
  };
  for (const auto& c : cases) {
    auto values = RequestValues("X", 100, 200, "weekly", c.option);
    ASSERT_EQ(values.size(), 4 + c.extra.size()) << c.option;
    EXPECT_EQ(values[0], std::make_pair(std::string("TICKER"), Variant("X")));
    EXPECT_EQ(values[1], std::make_pair(std::string("STARTDATE"), Variant::Date(100)));
    EXPECT_EQ(values[2], std::make_pair(std::string("ENDDATE"), Variant::Date(200)));
    EXPECT_EQ(values[3], std::make_pair(std::string("PERIODICITY"), Variant("WEEKLY")));
    for (size_t i = 0; i < c.extra.size(); ++i) EXPECT_EQ(values[4 + i], c.extra[i]) << c.option;
  }
  EXPECT_THROW(RequestValues("X", 1, 2, "d", "a;b;c"), Error);
}

}  // namespace
}  // namespace plrxl::testing
