// CPelorin's lifecycle and its user commands up to the hand-over to their
// windows. The windows themselves live in other folders; here stand-ins with
// the same names record what the entry object gave them.
#include "support/error_handler.h"
#include "tests/entry/entry_fixture.h"

namespace plrxl::testing {
namespace {

// Records the owner it had while shown and the run action it found.
class StandInWindow : public ConverterWindow {
 public:
  StandInWindow(std::string name, RunContext& context) : name_(std::move(name)), context_(context) {}
  std::string FormName() const override { return name_; }
  void SetOwner(CPelorin* owner) override { owner_ = owner; }
  void RunHeadless(UiPort&) override {
    ++shows;
    owner_while_shown = owner_;
    if (owner_ != nullptr) action_seen = owner_->TWP("H2");
    selective_seen = context_.SelectiveMode;
  }
  std::string txtFileNameInput() const override { return "old.xls"; }
  std::string txtFileNameOutput() const override { return "new.xlsx"; }

  int shows = 0;
  CPelorin* owner_while_shown = nullptr;
  std::string action_seen;
  bool selective_seen = true;
  CPelorin* owner_ = nullptr;

 private:
  std::string name_;
  RunContext& context_;
};

class StandInEditor : public RowEditorWindow {
 public:
  std::string FormName() const override { return "frmMaster"; }
  void SetOwner(CPelorin* owner) override { owner_ = owner; }
  std::string DataBeginning() const override { return data_beginning_; }
  void SetDataBeginning(const std::string& text) override { data_beginning_ = text; }
  CPelorin* owner_ = nullptr;

 private:
  std::string data_beginning_;
};

class CommandTest : public EntryTest {
 protected:
  CommandTest() {
    context_.factories.ProgressBarWindow = [this](RunContext& ctx) {
      auto window = std::make_unique<StandInWindow>("ProgressBarWindow", ctx);
      progress_ = window.get();
      return window;
    };
    context_.factories.frmSelectiveUpdateWindow = [this](RunContext& ctx) {
      auto window = std::make_unique<StandInWindow>("frmSelectiveUpdateWindow", ctx);
      selective_ = window.get();
      return window;
    };
    context_.factories.frmMaster = [this](RunContext&) {
      ++editors_made_;
      return std::make_unique<StandInEditor>();
    };
    context_.factories.frmConverter = [](RunContext& ctx) {
      return std::make_unique<StandInWindow>("frmConverter", ctx);
    };
    context_.hooks.AutoUpdateCheck = [this](CPelorin&) { ++update_checks_; };
    context_.hooks.RunConverter = [this](CPelorin&, const std::string& in, const std::string& out) {
      converted_ = in + " -> " + out;
    };
  }

  StandInWindow* progress_ = nullptr;
  StandInWindow* selective_ = nullptr;
  int editors_made_ = 0;
  int update_checks_ = 0;
  std::string converted_;
};

struct RunCase {
  const char* name;
  void (CPelorin::*operation)();
  const char* action;
  int update_checks;
};

const RunCase kRuns[] = {
    {"RefreshData", &CPelorin::RefreshData, "Refresh", 1},
    {"UpdateData", &CPelorin::UpdateData, "Update", 1},
    {"RunOnlyMacros", &CPelorin::RunOnlyMacros, "RunOnlyMacros", 0},
};

class RunOperationTest : public CommandTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(RunOperationTest, WritesTheActionAndShowsTheProgressWindow) {
  const RunCase& c = GetParam();
  Workbook& wb = NewProject();
  wb.AddWorksheet().SetName("Summary");
  context_.SelectiveMode = true;
  host_.SetStatusBar("Downloading X...");
  ui_.ExpectModal("ProgressBarWindow");
  (pelorin_.get()->*c.operation)();
  ASSERT_NE(progress_, nullptr);
  EXPECT_EQ(progress_->shows, 1);
  EXPECT_EQ(progress_->owner_while_shown, pelorin_.get());
  EXPECT_EQ(progress_->owner_, nullptr);  // released after the show
  EXPECT_EQ(progress_->action_seen, c.action);
  EXPECT_FALSE(progress_->selective_seen);
  EXPECT_EQ(update_checks_, c.update_checks);
  EXPECT_EQ(wb.ActiveSheet()->Name(), "Summary");
  EXPECT_EQ(host_.StatusBar(), std::string(c.action) == "Refresh" ? "" : "Downloading X...");
}

INSTANTIATE_TEST_SUITE_P(Cases, RunOperationTest, ::testing::ValuesIn(kRuns),
                         [](const ::testing::TestParamInfo<RunCase>& info) { return info.param.name; });

TEST_F(CommandTest, RefreshWithoutSettingsSheetDoesNothing) {
  host_.AddWorkbook();
  pelorin_->RefreshData();  // no window, no message
  EXPECT_EQ(progress_, nullptr);
  EXPECT_TRUE(ui_.Boxes().empty());
}

TEST_F(CommandTest, TheProgressWindowIsASingleInstance) {
  NewProject();
  ui_.ExpectModal("ProgressBarWindow").ExpectModal("ProgressBarWindow");
  pelorin_->UpdateMyData("Refresh");
  StandInWindow* first = progress_;
  pelorin_->UpdateMyData("Update");
  EXPECT_EQ(progress_, first);
  EXPECT_EQ(first->shows, 2);
}

TEST_F(CommandTest, MasterPelorinShowsAndUnloadsTheRowEditor) {
  Workbook& wb = NewProject();
  wb.WorksheetAt(2).Activate();
  host_.SetScreenUpdating(true);
  ui_.ExpectModal("frmMaster", "", [&](Form& form, UiPort&) {
    EXPECT_EQ(static_cast<StandInEditor&>(form).owner_, pelorin_.get());
    EXPECT_EQ(wb.ActiveSheet()->Name(), kSettingsSheet);
  });
  pelorin_->MasterPelorin();
  EXPECT_EQ(pelorin_->ActivateWorkBookName(), wb.Name());
  EXPECT_EQ(context_.windows.frmMaster, nullptr);
  EXPECT_TRUE(host_.ScreenUpdating());
}

TEST_F(CommandTest, RangePickRoundTripKeepsTheEditorLoaded) {
  NewProject();
  ui_.ExpectModal("frmMaster", "", [](Form& form, UiPort&) { form.Tag = "DATABEGINNING"; });
  EXPECT_EQ(pelorin_->ShowRefEditInterface(), "DATABEGINNING");
  pelorin_->RefEditInputs("Prices!$A$1:$F$200");
  EXPECT_EQ(pelorin_->RefEditInputs(), "Prices!$A$1");
  pelorin_->RefEditInputs("$C$4");
  EXPECT_EQ(pelorin_->RefEditInputs(), "$C$4");
  ui_.ExpectModal("frmMaster", "", [](Form& form, UiPort&) { form.Tag = "CLOSE"; });
  EXPECT_EQ(pelorin_->ShowRefEditInterface(), "CLOSE");
  EXPECT_EQ(editors_made_, 1);
  pelorin_->UnloadfrmMaster();
  EXPECT_EQ(context_.windows.frmMaster, nullptr);
}

TEST_F(CommandTest, ShowRefEditInterfaceWithoutSettingsSheet) {
  Workbook& wb = host_.AddWorkbook();
  wb.WorksheetAt(1).SetName(kParametersSheet);
  WriteParametersSheet(wb.WorksheetAt(1), Now());
  pelorin_->ThisWorkbookApplication(&wb);
  ui_.AnswerBox(MsgResult::kOk);
  EXPECT_EQ(pelorin_->ShowRefEditInterface(), "");
  EXPECT_EQ(ui_.Boxes().at(0).prompt, Filled(wb, 22));
}

TEST_F(CommandTest, SelectiveUpdateChecksThenShowsItsWindow) {
  Workbook& wb = NewProject();
  host_.SetScreenUpdating(false);
  ui_.ExpectModal("frmSelectiveUpdateWindow");
  EXPECT_FALSE(pelorin_->SelectiveUpdatePelorinXL());
  ASSERT_NE(selective_, nullptr);
  EXPECT_EQ(context_.windows.frmSelectiveUpdateWindow, nullptr);  // unloaded
  EXPECT_FALSE(host_.ScreenUpdating());
  (void)wb;
}

TEST_F(CommandTest, SelectiveUpdateStopsOnAnEmptyTableAndBadRows) {
  Workbook& wb = NewProject();
  Settings(wb).GetRange("A3:K5").Clear();
  host_.SetScreenUpdating(true);
  ui_.AnswerBox(MsgResult::kOk);
  pelorin_->SelectiveUpdatePelorinXL();
  EXPECT_EQ(ui_.Boxes().back().prompt, Filled(wb, 22));
  EXPECT_TRUE(host_.ScreenUpdating());

  Settings(wb).GetRange("A3").SetValue(Variant("ALPHA"));
  Settings(wb).GetRange("E3").SetValue(Variant("UP"));
  ui_.AnswerBox(MsgResult::kOk);
  pelorin_->SelectiveUpdatePelorinXL();
  EXPECT_EQ(ui_.Boxes().back().prompt, Filled(wb, 10, "UP", "ALPHA"));
  EXPECT_EQ(selective_, nullptr);
}

TEST_F(CommandTest, ConverterRunsOnlyWhenCreateWasPressed) {
  NewProject();
  ui_.ExpectModal("frmConverter");
  pelorin_->ShowConverterFromPelorin1IntoPelorin2();
  EXPECT_EQ(converted_, "");
  ui_.ExpectModal("frmConverter", "", [](Form& form, UiPort&) { form.Tag = "1"; });
  pelorin_->ShowConverterFromPelorin1IntoPelorin2();
  EXPECT_EQ(converted_, "old.xls -> new.xlsx");
}

TEST_F(EntryTest, PathIsSharedByAllInstances) {
  CPelorin other(context_);
  pelorin_->Path("/opt/help");
  EXPECT_EQ(other.Path(), "/opt/help");
  other.Path("");
  EXPECT_EQ(pelorin_->Path(), "");
}

TEST_F(EntryTest, HandlerLivesUntilTheLastInstanceEnds) {
  auto second = std::make_unique<CPelorin>(context_);
  std::shared_ptr<CErrorHandler> handler = context_.g_ObjErrorHandler;
  ASSERT_NE(handler, nullptr);
  EXPECT_EQ(handler->ErrorHandlerActions(), 8);
  EXPECT_EQ(handler->ErrorLogFile(), "Error Log.txt");
  EXPECT_TRUE(handler->CallStackEnabled());
  EXPECT_FALSE(handler->TracingEnabled());
  EXPECT_EQ(handler->TracingFlags(), 2);
  EXPECT_EQ(handler->TracingLogFile(), "Tracing Log.txt");
  pelorin_.reset();
  EXPECT_EQ(context_.g_ObjErrorHandler, handler);
  second.reset();
  EXPECT_EQ(context_.g_ObjErrorHandler, nullptr);
}

TEST_F(EntryTest, AbortInsideACheckReturnsNormally) {
  // No project workbook set: the first "Parameters" read fails, the dialog
  // answers Abort, and the caller goes on with what the member held.
  ui_.AbortOnError();
  EXPECT_EQ(pelorin_->TWP("E2"), "");
  ASSERT_EQ(ui_.Modals().size(), 1u);
  EXPECT_NE(ui_.Modals()[0].text.find("in Pelorin.CPelorin.TWP at line 0"), std::string::npos) << ui_.Modals()[0].text;
  EXPECT_TRUE(context_.g_ObjErrorHandler->CallStackNames().empty());
}

TEST_F(EntryTest, CorvanFailureReachesTheHandler) {
  NewProject();
  context_.MakeQuoteFetcher = nullptr;
  ui_.IgnoreOnError();
  EXPECT_FALSE(pelorin_->ConsistFrom("Source of Data", "SAMPLE"));
  ASSERT_EQ(ui_.Modals().size(), 1u);
  EXPECT_NE(ui_.Modals()[0].text.find("Error: -2147221404, (Corvan component failure)"), std::string::npos)
      << ui_.Modals()[0].text;
  EXPECT_NE(ui_.Modals()[0].text.find("Pelorin.CPelorin.ConsistFrom"), std::string::npos);
}

}  // namespace
}  // namespace plrxl::testing
