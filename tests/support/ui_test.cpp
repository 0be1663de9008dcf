// The scripted and the console UI: answers, records and loud failures.
#include <gtest/gtest.h>

#include <sstream>

#include "forms/console_ui.h"
#include "forms/error_message_form.h"
#include "forms/scripted_ui.h"

namespace plrxl {
namespace {

class CountingForm : public Form {
 public:
  std::string FormName() const override { return "ProgressBarWindow"; }
  void RunHeadless(UiPort& ui) override {
    ++runs;
    for (int i = 0; i < 5 && !cancelled; ++i) ui.ProcessEvents();
  }
  void CancelRequested() override { cancelled = true; }
  int runs = 0;
  bool cancelled = false;
};

TEST(ScriptedUiTest, AnswersInOrderAndRecordsEveryBox) {
  ScriptedUi ui;
  ui.AnswerBox(MsgResult::kYes, "continue").AnswerBox(MsgResult::kOk);
  EXPECT_EQ(ui.MsgBox("Do you want to continue?", MsgButtons::kYesNo, MsgIcon::kQuestion, ""), MsgResult::kYes);
  EXPECT_EQ(ui.MsgBox("Stop", MsgButtons::kOk, MsgIcon::kExclamation, "PelorinXL"), MsgResult::kOk);
  ASSERT_EQ(ui.Boxes().size(), 2u);
  EXPECT_EQ(ui.Boxes()[1].title, "PelorinXL");
  EXPECT_EQ(ui.Boxes()[1].icon, MsgIcon::kExclamation);
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_TRUE(ui.Failures().empty());
}

TEST(ScriptedUiTest, UnforeseenPromptsFailLoudly) {
  struct Case {
    const char* name;
    std::function<void(ScriptedUi&)> script;
    std::function<void(ScriptedUi&)> act;
  };
  CountingForm form;
  const Case cases[] = {
      {"empty script", [](ScriptedUi&) {},
       [](ScriptedUi& ui) { ui.MsgBox("x", MsgButtons::kOk, MsgIcon::kNone, ""); }},
      {"wrong prompt", [](ScriptedUi& ui) { ui.AnswerBox(MsgResult::kOk, "expected"); },
       [](ScriptedUi& ui) { ui.MsgBox("other", MsgButtons::kOk, MsgIcon::kNone, ""); }},
      {"box instead of form", [](ScriptedUi& ui) { ui.AbortOnError(); },
       [](ScriptedUi& ui) { ui.MsgBox("x", MsgButtons::kOk, MsgIcon::kNone, ""); }},
      {"wrong form", [](ScriptedUi& ui) { ui.AbortOnError(); }, [&](ScriptedUi& ui) { ui.ShowModal(form); }},
      {"missing button", [](ScriptedUi& ui) { ui.ExpectModal("ProgressBarWindow", "cmdNothing"); },
       [&](ScriptedUi& ui) { ui.ShowModal(form); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedUi ui;
    std::vector<std::string> heard;
    ui.SetFailureSink([&](const std::string& m) { heard.push_back(m); });
    c.script(ui);
    EXPECT_THROW(c.act(ui), ScriptError);
    EXPECT_EQ(ui.Failures().size(), 1u);
    EXPECT_EQ(heard, ui.Failures());
  }
}

TEST(ScriptedUiTest, ModalShowRunsHeadlessAndCancelsOnCue) {
  ScriptedUi ui;
  CountingForm form;
  ui.ExpectModal("ProgressBarWindow").CancelAtEvent(3);
  ui.ShowModal(form);
  EXPECT_EQ(form.runs, 1);
  EXPECT_TRUE(form.cancelled);
  EXPECT_EQ(ui.EventsProcessed(), 3);
  ASSERT_EQ(ui.Modals().size(), 1u);
  EXPECT_EQ(ui.Modals()[0].form_name, "ProgressBarWindow");
}

TEST(ScriptedUiTest, FileDialogsAnswerFromTheScript) {
  ScriptedUi ui;
  ui.ChooseFiles({"/tmp/a.xls"}).ChooseSavePath(std::nullopt);
  FileDialogOptions options;
  options.title = "Open project";
  EXPECT_EQ(ui.OpenFileDialog(options), std::vector<std::string>{"/tmp/a.xls"});
  EXPECT_EQ(ui.SaveFileDialog(options), std::nullopt);
  EXPECT_EQ(ui.FileDialogs().size(), 2u);
}

struct ConsoleCase {
  const char* name;
  ConsoleOptions options;
  const char* typed;  // nullptr: no terminal
  MsgButtons buttons;
  MsgResult expected;
};

TEST(ConsoleUiTest, AnswersFromTerminalOrOptions) {
  auto opts = [](std::optional<bool> yes, OnErrorAnswer on_error, bool interactive) {
    ConsoleOptions o;
    o.yes = yes;
    o.on_error = on_error;
    o.interactive = interactive;
    return o;
  };
  const auto kA = OnErrorAnswer::kAbort;
  const ConsoleCase cases[] = {
      {"ok needs nobody", opts({}, kA, false), nullptr, MsgButtons::kOk, MsgResult::kOk},
      {"no answer means no", opts({}, kA, false), nullptr, MsgButtons::kYesNo, MsgResult::kNo},
      {"--yes", opts(true, kA, false), nullptr, MsgButtons::kYesNo, MsgResult::kYes},
      {"--no", opts(false, kA, false), nullptr, MsgButtons::kYesNoCancel, MsgResult::kNo},
      {"cancel when unset", opts({}, kA, false), nullptr, MsgButtons::kYesNoCancel, MsgResult::kCancel},
      {"--yes confirms", opts(true, kA, false), nullptr, MsgButtons::kOkCancel, MsgResult::kOk},
      {"--on-error ignore", opts({}, OnErrorAnswer::kIgnore, false), nullptr, MsgButtons::kAbortRetryIgnore,
       MsgResult::kIgnore},
      {"--on-error retry", opts({}, OnErrorAnswer::kRetry, false), nullptr, MsgButtons::kAbortRetryIgnore,
       MsgResult::kRetry},
      {"abort on retry-cancel", opts({}, kA, false), nullptr, MsgButtons::kRetryCancel, MsgResult::kCancel},
      {"typed y", opts({}, kA, true), "y\n", MsgButtons::kYesNo, MsgResult::kYes},
      {"typed word", opts({}, kA, true), "Retry\n", MsgButtons::kAbortRetryIgnore, MsgResult::kRetry},
      {"asks until valid", opts({}, kA, true), "maybe\n\nn\n", MsgButtons::kYesNo, MsgResult::kNo},
      {"end of input falls back", opts(true, kA, true), "", MsgButtons::kYesNo, MsgResult::kYes},
  };
  for (const ConsoleCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::istringstream in(c.typed ? c.typed : "");
    std::ostringstream err;
    ConsoleUi ui(c.options, in, err);
    EXPECT_EQ(ui.MsgBox("Question text", c.buttons, MsgIcon::kQuestion, "PelorinXL"), c.expected);
    EXPECT_NE(err.str().find("[PelorinXL] Question: Question text"), std::string::npos) << err.str();
  }
}

TEST(ConsoleUiTest, ErrorDialogPrintsTheRecordAndAnswersPerOption) {
  ConsoleOptions options;
  options.on_error = OnErrorAnswer::kIgnore;
  std::istringstream in;
  std::ostringstream err;
  ConsoleUi ui(options, in, err);
  frmErrorMessage form;
  form.SetErrorMessage("the record");
  ui.ShowModal(form);
  EXPECT_EQ(form.Tag, "IGNORE");
  EXPECT_NE(err.str().find("the record\r\nVersion: 2.0.31"), std::string::npos);
}

TEST(ConsoleUiTest, RetriesFromOptionsAreLimited) {
  ConsoleOptions options;
  options.on_error = OnErrorAnswer::kRetry;
  std::istringstream in;
  std::ostringstream err;
  ConsoleUi ui(options, in, err);
  std::vector<MsgResult> answers;
  for (int i = 0; i < ConsoleUi::kMaxRetries + 1; ++i) {
    answers.push_back(ui.MsgBox("10:00:0" + std::to_string(i) + "\nsame error", MsgButtons::kAbortRetryIgnore,
                                MsgIcon::kNone, "Pelorin"));
  }
  EXPECT_EQ(answers.back(), MsgResult::kAbort);
  EXPECT_EQ(answers.front(), MsgResult::kRetry);
}

TEST(ConsoleUiTest, OtherFormsRunHeadlessAndFileDialogsCancelWithoutTerminal) {
  std::istringstream in;
  std::ostringstream err;
  ConsoleUi ui(ConsoleOptions{}, in, err);
  CountingForm form;
  ui.ShowModal(form);
  EXPECT_EQ(form.runs, 1);
  EXPECT_TRUE(ui.OpenFileDialog(FileDialogOptions{}).empty());
  EXPECT_EQ(ui.SaveFileDialog(FileDialogOptions{}), std::nullopt);
}

TEST(ConsoleUiTest, ParsesTheOnErrorOption) {
  EXPECT_EQ(ParseOnErrorAnswer("Retry"), OnErrorAnswer::kRetry);
  EXPECT_EQ(ParseOnErrorAnswer("ignore"), OnErrorAnswer::kIgnore);
  EXPECT_EQ(ParseOnErrorAnswer("ABORT"), OnErrorAnswer::kAbort);
  EXPECT_EQ(ParseOnErrorAnswer("later"), std::nullopt);
}

}  // namespace
}  // namespace plrxl
