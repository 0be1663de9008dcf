// The error handler: its checks, the error record and the two log formats to
// the byte, the actions and their order.
#include "support/error_handler.h"

#include <gtest/gtest.h>

#include <memory>

#include "forms/error_message_form.h"
#include "support/error_numbers.h"
#include "tests/support/temp_folder.h"

namespace plrxl {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::TestUi;

const std::string kPad(20, ' ');

RegionalSettings Pinned(const std::string& short_date, const std::string& time_format = "hh:mm:ss") {
  RegionalSettings rs;
  rs.short_date = short_date;
  rs.time_format = time_format;
  rs.decimal_symbol = '.';
  return rs;
}

class ErrorHandlerTest : public ::testing::Test {
 protected:
  std::unique_ptr<CErrorHandler> Make(RegionalSettings rs = Pinned("dd.mm.yyyy")) {
    ErrorHandlerServices services;
    services.ui = &ui_;
    services.clock = &clock_;
    services.regional = rs;
    services.event_log = &event_log_;
    services.make_dialog = MakeErrorMessageFormFactory([this](const std::string& url) { urls_.push_back(url); });
    return std::make_unique<CErrorHandler>(std::move(services));
  }

  TempFolder folder_;
  TestUi ui_;
  FixedClock clock_{LocalSerial(2026, 3, 7, 9, 5, 30)};
  MemoryEventLog event_log_;
  std::vector<std::string> urls_;
};

TEST_F(ErrorHandlerTest, StartsWithTheDocumentedValues) {
  auto h = Make();
  EXPECT_FALSE(h->CallStackEnabled());
  EXPECT_FALSE(h->TracingEnabled());
  EXPECT_EQ(h->ErrorHandlerActions(), 1);
  EXPECT_EQ(h->TracingFlags(), 0);
  EXPECT_EQ(h->ErrorNumber(), 0);
  EXPECT_EQ(h->ErrorLine(), 0);
  EXPECT_EQ(h->ErrorLogFile(), "Error Log.txt");
  EXPECT_EQ(h->TracingLogFile(), "Tracing Log.txt");
  EXPECT_EQ(h->Tag(), "");
  EXPECT_EQ(h->ErrorDescription(), "");
  EXPECT_EQ(h->SupportMail(), "");
  EXPECT_TRUE(h->RunningOnNT());
  EXPECT_TRUE(h->CallStackNames().empty());
}

struct InitCase {
  const char* name;
  int32_t actions;
  const char* error_log;
  int32_t flags;
  const char* tracing_log;
  int32_t expected;  // 0: accepted
  // What the failing call left stored.
  int32_t stored_actions;
  const char* stored_error_log;
  int32_t stored_flags;
};

TEST_F(ErrorHandlerTest, InitChecksInOrderAndKeepsWhatPassed) {
  const InitCase cases[] = {
      {"actions 0", 0, "e.txt", 2, "t.txt", kErrInvalidHandlerActions, 1, "Error Log.txt", 0},
      {"actions 16", 16, "e.txt", 2, "t.txt", kErrInvalidHandlerActions, 1, "Error Log.txt", 0},
      {"actions first", 16, "", 0, "", kErrInvalidHandlerActions, 1, "Error Log.txt", 0},
      {"empty error log", 15, "", 2, "t.txt", kErrInvalidFileName, 15, "Error Log.txt", 0},
      {"flags 0", 8, "e.txt", 0, "t.txt", kErrInvalidTracingFlags, 8, "e.txt", 0},
      {"flags 4", 8, "e.txt", 4, "t.txt", kErrInvalidTracingFlags, 8, "e.txt", 0},
      {"empty tracing log", 1, "e.txt", 3, "", kErrInvalidFileName, 1, "e.txt", 3},
      {"all valid", 8, "Error Log.txt", 2, "Tracing Log.txt", 0, 8, "Error Log.txt", 2},
      {"bounds", 15, "x", 1, "y", 0, 15, "x", 1},
  };
  for (const InitCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto h = Make();
    int32_t raised = 0;
    try {
      h->Init(c.actions, c.error_log, true, false, c.flags, c.tracing_log);
    } catch (const Error& e) {
      raised = e.Number();
      EXPECT_EQ(e.Source(), "PlrXL2.CErrorHandler");
    }
    EXPECT_EQ(raised, c.expected);
    EXPECT_EQ(h->ErrorHandlerActions(), c.stored_actions);
    EXPECT_EQ(h->ErrorLogFile(), c.stored_error_log);
    EXPECT_EQ(h->TracingFlags(), c.stored_flags);
  }
}

TEST_F(ErrorHandlerTest, SettersCheckLikeInit) {
  struct SetterCase {
    const char* name;
    std::function<void(CErrorHandler&)> set;
    int32_t expected;
    const char* description;
  };
  const SetterCase cases[] = {
      {"actions 0", [](CErrorHandler& h) { h.SetErrorHandlerActions(0); }, kErrInvalidHandlerActions,
       "Invalid error handler actions"},
      {"actions 16", [](CErrorHandler& h) { h.SetErrorHandlerActions(16); }, kErrInvalidHandlerActions,
       "Invalid error handler actions"},
      {"error log empty", [](CErrorHandler& h) { h.SetErrorLogFile(""); }, kErrInvalidFileName, "Invalid file name"},
      {"tracing log empty", [](CErrorHandler& h) { h.SetTracingLogFile(""); }, kErrInvalidFileName, "Invalid file name"},
      {"flags 0", [](CErrorHandler& h) { h.SetTracingFlags(0); }, kErrInvalidTracingFlags, "Invalid tracing flags"},
      {"flags 4", [](CErrorHandler& h) { h.SetTracingFlags(4); }, kErrInvalidTracingFlags, "Invalid tracing flags"},
      {"flags 3", [](CErrorHandler& h) { h.SetTracingFlags(3); }, 0, ""},
      {"actions 15", [](CErrorHandler& h) { h.SetErrorHandlerActions(15); }, 0, ""},
  };
  for (const SetterCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto h = Make();
    try {
      c.set(*h);
      EXPECT_EQ(c.expected, 0);
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), c.expected);
      EXPECT_EQ(e.Description(), c.description);
    }
  }
}

TEST_F(ErrorHandlerTest, ErrorNumbersAreTheObjectErrorsOfTheTable) {
  EXPECT_EQ(kErrInvalidFileName, static_cast<int32_t>(0x800443F9u));
  EXPECT_EQ(kErrInvalidHandlerActions, static_cast<int32_t>(0x800443FAu));
  EXPECT_EQ(kErrInvalidTracingFlags, static_cast<int32_t>(0x800443FBu));
  EXPECT_EQ(kErrErrorHandlerFailure, static_cast<int32_t>(0x800443FCu));
  EXPECT_EQ(kErrInvalidWindowHandle, static_cast<int32_t>(0x80044435u));
  EXPECT_EQ(kErrShellFileNotFound, static_cast<int32_t>(0x80044679u));
  EXPECT_EQ(kErrShellFailure, static_cast<int32_t>(0x80044687u));
  EXPECT_EQ(SupportErrors().size(), 20u);
  EXPECT_EQ(SupportError(kErrShellDdeBusy).Source(), "PlrXL2.CShell");
  EXPECT_EQ(SupportError(kErrFileDialogFailure).Description(), "CFileOpenSaveDialog component failure");
}

TEST_F(ErrorHandlerTest, RecordAndErrorLogToTheByte) {
  struct RecordCase {
    const char* name;
    RegionalSettings rs;
    double now;
    std::vector<std::string> stack;
    std::string procedure;
    Error error;
    std::string expected;
  };
  const RecordCase cases[] = {
      {"three on the stack, German date",
       Pinned("dd.mm.yyyy"),
       LocalSerial(2026, 3, 7, 9, 5, 30),
       {"Pelorin.CPelorin.RefreshData", "Pelorin.ModuleFunctions.mSearch", "Pelorin.CPelorin.TWP"},
       "",
       Error(1004, "Host", "Application-defined or object-defined error"),
       "07.03.2026 - 09:05:30\r\n\tError: 1004, (Application-defined or object-defined error)\r\n"
       "\tin Pelorin.CPelorin.TWP at line 0\r\n\r\nThe call stack is:\r\n" +
           kPad + "Pelorin.CPelorin.TWP()\r\n" + kPad + "Pelorin.ModuleFunctions.mSearch()\r\n" + kPad +
           "Pelorin.CPelorin.RefreshData()\r\n"},
      {"empty stack, US date, negative number",
       Pinned("mm/dd/yy"),
       LocalSerial(2026, 12, 24, 23, 59, 59),
       {},
       "",
       Error(kComponentFailure, "Pelorin.Cfenmar.CopyData", "Cfenmar component failure"),
       "12/24/26 - 23:59:59\r\n\tError: -2147221404, (Cfenmar component failure)\r\n"
       "\tin Unknown at line 0\r\n\r\nThe call stack is:\r\n\r\n"},
      {"name given wins over the stack",
       Pinned("yyyy-mm-dd"),
       LocalSerial(2026, 1, 2, 0, 0, 0),
       {"Pelorin.frmMaster.Form_Load"},
       "Pelorin.Named.Proc",
       Error(6, "x", "Overflow"),
       "2026-01-02 - 00:00:00\r\n\tError: 6, (Overflow)\r\n\tin Pelorin.Named.Proc at line 0\r\n\r\n"
       "The call stack is:\r\n" +
           kPad + "Pelorin.frmMaster.Form_Load()\r\n"},
  };
  for (const RecordCase& c : cases) {
    SCOPED_TRACE(c.name);
    clock_.Set(c.now);
    auto h = Make(c.rs);
    const std::string log = folder_.File(std::string(c.name) + ".txt");
    h->Init(2, log, true, false, 2, folder_.File("trace.txt"));
    for (const auto& name : c.stack) h->CallStackPush(name);
    EXPECT_EQ(h->HandleError(c.error, c.procedure), kHandleAbort);
    EXPECT_EQ(ReadFile(log), c.expected);
    EXPECT_EQ(h->ErrorNumber(), c.error.Number());
    EXPECT_EQ(h->ErrorDescription(), c.error.Description());
    EXPECT_EQ(h->ErrorLine(), 0);
  }
}

TEST_F(ErrorHandlerTest, ErrorLogAppendsRecordAfterRecord) {
  auto h = Make();
  const std::string log = folder_.File("Error Log.txt");
  h->Init(2, log, true, false, 2, folder_.File("t.txt"));
  h->HandleError(Error(5, "", "first"));
  h->HandleError(Error(6, "", "second"));
  const std::string text = ReadFile(log);
  EXPECT_EQ(text.find("(first)"), text.rfind("(first)"));
  EXPECT_LT(text.find("(first)"), text.find("(second)"));
  EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n");
}

TEST_F(ErrorHandlerTest, WithoutCallStackTheTopIsNotNamedButStillListed) {
  auto h = Make();
  h->Init(2, folder_.File("e.txt"), false, false, 2, folder_.File("t.txt"));
  h->CallStackPush("Pelorin.A.B");
  h->HandleError(Error(5, "", "x"));
  EXPECT_NE(ReadFile(folder_.File("e.txt")).find("\tin Unknown at line 0\r\n\r\nThe call stack is:\r\n" + kPad +
                                                   "Pelorin.A.B()\r\n"),
            std::string::npos);
}

TEST_F(ErrorHandlerTest, RelativeLogNamesResolveAgainstTheWorkingFolder) {
  testing::TempWorkingFolder cwd;
  auto h = Make();
  h->Init(2, "Error Log.txt", true, true, 2, "Tracing Log.txt");
  h->CallStackPush("Pelorin.X.Y");
  h->HandleError(Error(5, "", "x"));
  EXPECT_TRUE(testing::FileExists(cwd.Folder().File("Error Log.txt")));
  EXPECT_TRUE(testing::FileExists(cwd.Folder().File("Tracing Log.txt")));
}

TEST_F(ErrorHandlerTest, TracingLinesToTheByte) {
  struct TraceCase {
    const char* name;
    bool enabled;
    int32_t flags;
    std::string expected;
  };
  const std::string stamp = "07.03.2026 - 09:05:30";
  const TraceCase cases[] = {
      {"flag 2", true, 2,
       stamp + " --- Entered routine: Pelorin.A.Outer\r\n" + stamp + " --- Entered routine: Pelorin.A.Inner\r\n" +
           stamp + " --- Exited routine: Pelorin.A.Inner\r\n" + stamp + " --- Exited routine: Pelorin.A.Outer\r\n"},
      {"flag 3", true, 3,
       stamp + " --- Entered routine: Pelorin.A.Outer\r\n" + stamp + " --- Entered routine: Pelorin.A.Inner\r\n" +
           stamp + " --- Exited routine: Pelorin.A.Inner\r\n" + stamp + " --- Exited routine: Pelorin.A.Outer\r\n"},
      {"flag 1 writes nothing", true, 1, ""},
      {"disabled", false, 2, ""},
  };
  for (const TraceCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto h = Make();
    const std::string trace = folder_.File(std::string(c.name) + ".trace");
    h->Init(8, folder_.File("e.txt"), true, c.enabled, c.flags, trace);
    h->CallStackPush("Pelorin.A.Outer");
    h->CallStackPush("Pelorin.A.Inner");
    h->CallStackPop();
    h->CallStackPop();
    h->CallStackPop();  // empty: nothing
    EXPECT_EQ(ReadFile(trace), c.expected);
    EXPECT_TRUE(h->CallStackNames().empty());
  }
}

TEST_F(ErrorHandlerTest, TracingUsesTheRegionalTimeFormat) {
  clock_.Set(LocalSerial(2026, 3, 7, 21, 5, 30));
  auto h = Make(Pinned("mm/dd/yy", "h:mm:ss AM/PM"));
  h->Init(8, folder_.File("e.txt"), true, true, 2, folder_.File("t.txt"));
  h->CallStackPush("Pelorin.A.B");
  EXPECT_EQ(ReadFile(folder_.File("t.txt")), "03/07/26 - 9:05:30 PM --- Entered routine: Pelorin.A.B\r\n");
}

TEST_F(ErrorHandlerTest, CallStackClearOnlyWhenEnabled) {
  auto h = Make();
  h->CallStackPush("A");
  h->CallStackPush("B", "data");
  h->CallStackClear();
  EXPECT_EQ(h->CallStackNames().size(), 2u);
  EXPECT_EQ(h->GetCallStack(2, true), "  B(data)\r\n  A()");
  EXPECT_EQ(h->GetCallStack(0, false), "B\r\nA");
  h->SetCallStackEnabled(true);
  h->CallStackClear();
  EXPECT_TRUE(h->CallStackNames().empty());
  EXPECT_TRUE(h->CallStackData().empty());
  EXPECT_EQ(h->GetCallStack(20, true), "");
}

TEST_F(ErrorHandlerTest, MessageBoxAnswersMapToResults) {
  struct BoxCase {
    MsgResult answer;
    int32_t expected;
  };
  const BoxCase cases[] = {{MsgResult::kAbort, kHandleAbort},
                           {MsgResult::kRetry, kHandleRetry},
                           {MsgResult::kIgnore, kHandleIgnore},
                           {MsgResult::kCancel, kHandleIgnore}};
  for (const BoxCase& c : cases) {
    TestUi ui;
    ErrorHandlerServices services;
    services.ui = &ui;
    services.clock = &clock_;
    services.regional = Pinned("dd.mm.yyyy");
    CErrorHandler h(services);
    ui.AnswerBox(c.answer, "Error: 13, (Type mismatch)");
    EXPECT_EQ(h.HandleError(Error(13, "", "Type mismatch")), c.expected);
    ASSERT_EQ(ui.Boxes().size(), 1u);
    EXPECT_EQ(ui.Boxes()[0].title, "Pelorin");
    EXPECT_EQ(ui.Boxes()[0].buttons, MsgButtons::kAbortRetryIgnore);
    EXPECT_EQ(ui.Boxes()[0].icon, MsgIcon::kNone);
  }
}

TEST_F(ErrorHandlerTest, ActionsRunInTheOrderLogEventBoxDialogAndTheDialogWins) {
  auto h = Make();
  const std::string log = folder_.File("e.txt");
  h->Init(15, log, true, false, 2, folder_.File("t.txt"));
  h->SetSupportMail("help@example.org");
  h->CallStackPush("Pelorin.CPelorin.Path");
  ui_.AnswerBox(MsgResult::kRetry).IgnoreOnError();
  EXPECT_EQ(h->HandleError(Error(9, "", "Subscript out of range")), kHandleIgnore);
  ASSERT_EQ(event_log_.entries.size(), 1u);
  EXPECT_EQ(event_log_.entries[0].source, "Pelorin");
  EXPECT_EQ(event_log_.entries[0].text + "\r\n", ReadFile(log));
  ASSERT_EQ(ui_.Boxes().size(), 1u);
  EXPECT_EQ(ui_.Boxes()[0].prompt, event_log_.entries[0].text);
  ASSERT_EQ(ui_.Modals().size(), 1u);
  EXPECT_EQ(ui_.Modals()[0].text, event_log_.entries[0].text + "\r\nVersion: 2.0.31");
  EXPECT_EQ(ui_.Pending(), 0u);
}

TEST_F(ErrorHandlerTest, EventLogOnlyOnTheFamilyThatHasOne) {
  auto h = Make();
  h->Init(4, folder_.File("e.txt"), true, false, 2, folder_.File("t.txt"));
  h->SetRunningOnNT(false);
  h->HandleError(Error(5, "", "x"));
  EXPECT_TRUE(event_log_.entries.empty());
  h->SetRunningOnNT(true);
  h->HandleError(Error(5, "", "x"));
  EXPECT_EQ(event_log_.entries.size(), 1u);
  EXPECT_FALSE(testing::FileExists(folder_.File("e.txt")));
}

TEST_F(ErrorHandlerTest, FailuresInsideBecomeTheComponentFailure) {
  struct FailCase {
    const char* name;
    int32_t actions;
    bool tracing;
  };
  const std::string missing = folder_.File("no such folder/log.txt");
  for (const FailCase& c : {FailCase{"error log", 2, false}, FailCase{"tracing log", 8, true}}) {
    SCOPED_TRACE(c.name);
    auto h = Make();
    h->Init(c.actions, missing, true, c.tracing, 2, missing);
    try {
      h->CallStackPush("Pelorin.A.B");
      if (!c.tracing) h->HandleError(Error(5, "", "x"));
      ADD_FAILURE() << "no error raised";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), kErrErrorHandlerFailure);
      EXPECT_EQ(e.Source(), "PlrXL2.CErrorHandler");
      EXPECT_EQ(e.Description(), "CErrorHandler component failure");
    }
  }
}

TEST_F(ErrorHandlerTest, ClearDeletesTheChosenLogsAndIgnoresMissingOnes) {
  auto h = Make();
  const std::string log = folder_.File("e.txt");
  const std::string trace = folder_.File("t.txt");
  h->Init(2, log, true, true, 2, trace);
  h->CallStackPush("A");
  h->HandleError(Error(5, "", "x"));
  h->Clear(false, true);
  EXPECT_TRUE(testing::FileExists(log));
  EXPECT_FALSE(testing::FileExists(trace));
  h->Clear(true, true);
  EXPECT_FALSE(testing::FileExists(log));
}

}  // namespace
}  // namespace plrxl
