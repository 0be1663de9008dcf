// The procedure guard: Abort, Retry and Ignore through the scripted UI, the
// call stack and tracing around them, and the engine classes' pattern.
#include "support/procedure.h"

#include <gtest/gtest.h>

#include <new>

#include "forms/error_message_form.h"
#include "support/error_handler.h"
#include "support/error_numbers.h"
#include "tests/support/temp_folder.h"

namespace plrxl {
namespace {

using testing::ReadFile;

class ProcedureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ErrorHandlerServices services;
    services.ui = &ui_;
    services.clock = &clock_;
    services.regional.short_date = "dd.mm.yyyy";
    services.regional.time_format = "hh:mm:ss";
    services.make_dialog = MakeErrorMessageFormFactory({});
    slot_.g_ObjErrorHandler = std::make_shared<CErrorHandler>(services);
    handler().Init(8, folder_.File("Error Log.txt"), true, true, 2, trace_);
  }
  CErrorHandler& handler() { return *slot_.g_ObjErrorHandler; }
  std::string Trace() { return ReadFile(trace_); }
  static std::string Line(const char* what, const std::string& name) {
    return "01.02.2026 - 10:00:00 --- " + std::string(what) + " routine: " + name + "\r\n";
  }

  testing::TempFolder folder_;
  std::string trace_ = folder_.File("Tracing Log.txt");
  testing::TestUi ui_;
  FixedClock clock_{LocalSerial(2026, 2, 1, 10, 0, 0)};
  ErrorHandlerSlot slot_;
  std::vector<std::string> steps_;
};

TEST_F(ProcedureTest, NormalExitPopsAndTracesBothLines) {
  {
    Procedure proc(slot_, "Pelorin.CPelorin.TWP");
    EXPECT_EQ(handler().CallStackNames(), std::vector<std::string>{"Pelorin.CPelorin.TWP"});
    proc.Do([&] { steps_.push_back("body"); });
  }
  EXPECT_TRUE(handler().CallStackNames().empty());
  EXPECT_EQ(Trace(), Line("Entered", "Pelorin.CPelorin.TWP") + Line("Exited", "Pelorin.CPelorin.TWP"));
  EXPECT_EQ(ui_.Modals().size(), 0u);
}

TEST_F(ProcedureTest, AbortDeepInTheChainLetsTheCallersGoOn) {
  auto c = [&] {
    Procedure proc(slot_, "Pelorin.M.C");
    proc.Do([&] { steps_.push_back("C1"); });
    proc.Do([&] { throw Error(1004, "Host", "Range failed"); });
    proc.Do([&] { steps_.push_back("C3 must not run"); });
    EXPECT_TRUE(proc.Aborted());
  };
  auto b = [&] {
    Procedure proc(slot_, "Pelorin.M.B");
    proc.Do(c);
    proc.Do([&] { steps_.push_back("B after C"); });
    EXPECT_FALSE(proc.Aborted());
  };
  std::string result = "initial";
  auto a = [&] {
    Procedure proc(slot_, "Pelorin.M.A");
    proc.Do([&] { result = "held"; });
    proc.Do(b);
    proc.Do([&] { steps_.push_back("A after B"); });
  };
  ui_.AbortOnError();
  a();
  EXPECT_EQ(steps_, (std::vector<std::string>{"C1", "B after C", "A after B"}));
  EXPECT_EQ(result, "held");
  EXPECT_TRUE(handler().CallStackNames().empty());
  // The dialog showed the three names, most recent first.
  ASSERT_EQ(ui_.Modals().size(), 1u);
  const std::string pad(20, ' ');
  EXPECT_NE(ui_.Modals()[0].text.find("\tin Pelorin.M.C at line 0\r\n\r\nThe call stack is:\r\n" + pad +
                                      "Pelorin.M.C()\r\n" + pad + "Pelorin.M.B()\r\n" + pad + "Pelorin.M.A()\r\n"),
            std::string::npos);
  EXPECT_EQ(ui_.Modals()[0].tag, "ABORT");
  // Entered lines only: the aborted call and its callers pop nothing.
  EXPECT_EQ(Trace(), Line("Entered", "Pelorin.M.A") + Line("Entered", "Pelorin.M.B") + Line("Entered", "Pelorin.M.C"));
}

TEST_F(ProcedureTest, AfterAnAbortALaterErrorShowsOnlyWhatWasPushedSince) {
  ui_.AbortOnError().AbortOnError();
  {
    Procedure outer(slot_, "Pelorin.M.Outer");
    outer.Do([&] {
      Procedure inner(slot_, "Pelorin.M.Inner");
      inner.Do([] { throw Error(5, "", "first"); });
    });
    outer.Do([&] {
      Procedure later(slot_, "Pelorin.M.Later");
      later.Do([] { throw Error(5, "", "second"); });
    });
  }
  ASSERT_EQ(ui_.Modals().size(), 2u);
  EXPECT_NE(ui_.Modals()[1].text.find("The call stack is:\r\n" + std::string(20, ' ') + "Pelorin.M.Later()\r\n"),
            std::string::npos);
  EXPECT_EQ(ui_.Modals()[1].text.find("Pelorin.M.Outer"), std::string::npos);
}

TEST_F(ProcedureTest, RetryRunsTheFailedStatementAgain) {
  int attempts = 0;
  ui_.RetryOnError();
  {
    Procedure proc(slot_, "Pelorin.M.P");
    proc.Do([&] { steps_.push_back("before"); });
    proc.Do([&] {
      ++attempts;
      if (attempts == 1) throw Error(53, "", "File not found");
      steps_.push_back("succeeded");
    });
    proc.Do([&] { steps_.push_back("after"); });
  }
  EXPECT_EQ(attempts, 2);
  EXPECT_EQ(steps_, (std::vector<std::string>{"before", "succeeded", "after"}));
  EXPECT_EQ(ui_.Modals().size(), 1u);
  EXPECT_TRUE(handler().CallStackNames().empty());
  EXPECT_EQ(Trace(), Line("Entered", "Pelorin.M.P") + Line("Exited", "Pelorin.M.P"));
}

TEST_F(ProcedureTest, RetryThatFailsAgainAsksAgain) {
  int attempts = 0;
  ui_.RetryOnError().RetryOnError().IgnoreOnError();
  {
    Procedure proc(slot_, "Pelorin.M.P");
    proc.Do([&] {
      ++attempts;
      throw Error(53, "", "File not found");
    });
    proc.Do([&] { steps_.push_back("after"); });
  }
  EXPECT_EQ(attempts, 3);
  EXPECT_EQ(ui_.Modals().size(), 3u);
  EXPECT_EQ(steps_, std::vector<std::string>{"after"});
}

TEST_F(ProcedureTest, IgnoreGoesOnWithTheNextStatement) {
  int value = 0;
  ui_.IgnoreOnError();
  {
    Procedure proc(slot_, "Pelorin.M.P");
    proc.Do([&] { throw Error(13, "", "Type mismatch"); });
    proc.Do([&] { value = 42; });
    EXPECT_FALSE(proc.Aborted());
  }
  EXPECT_EQ(value, 42);
  EXPECT_TRUE(handler().CallStackNames().empty());
  EXPECT_EQ(handler().ErrorNumber(), 13);
  EXPECT_EQ(handler().ErrorDescription(), "Type mismatch");
}

TEST_F(ProcedureTest, WithoutAHandlerTheErrorPassesToTheCaller) {
  slot_.g_ObjErrorHandler.reset();
  try {
    Procedure proc(slot_, "Pelorin.M.P");
    proc.Do([] { throw Error(9, "src", "Subscript out of range"); });
    ADD_FAILURE() << "the error did not pass";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 9);
    EXPECT_EQ(e.Source(), "src");
  }
}

TEST_F(ProcedureTest, AFailingHandlerPassesItsFailureOutWithoutPopping) {
  handler().SetErrorHandlerActions(2);
  handler().SetErrorLogFile(folder_.File("missing folder/Error Log.txt"));
  handler().SetTracingEnabled(false);
  try {
    Procedure proc(slot_, "Pelorin.M.P");
    proc.Do([] { throw Error(5, "", "x"); });
    ADD_FAILURE() << "the handler's failure did not pass";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kErrErrorHandlerFailure);
  }
  EXPECT_EQ(handler().CallStackNames(), std::vector<std::string>{"Pelorin.M.P"});
}

TEST_F(ProcedureTest, AFailingPushIsHandledLikeAFailingStatement) {
  handler().SetTracingLogFile(folder_.File("missing folder/Tracing Log.txt"));
  ui_.AbortOnError();
  bool ran = false;
  {
    Procedure proc(slot_, "Pelorin.M.P");
    proc.Do([&] { ran = true; });
  }
  EXPECT_FALSE(ran);
  ASSERT_EQ(ui_.Modals().size(), 1u);
  EXPECT_NE(ui_.Modals()[0].text.find("Error: -2147204100, (CErrorHandler component failure)"), std::string::npos);
}

TEST(CurrentErrorTest, ConvertsWhatIsInFlight) {
  struct Case {
    const char* name;
    std::function<void()> raise;
    int32_t number;
    std::string description;
  };
  const Case cases[] = {
      {"system error", [] { throw Error(1004, "Host", "Bad range"); }, 1004, "Bad range"},
      {"out of memory", [] { throw std::bad_alloc(); }, 7, "Out of memory"},
      {"standard exception", [] { throw std::runtime_error("disk full"); }, 5, "disk full"},
      {"anything else", [] { throw 42; }, 5, "Invalid procedure call or argument"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      c.raise();
    } catch (...) {
      const Error e = CurrentError();
      EXPECT_EQ(e.Number(), c.number);
      EXPECT_EQ(e.Description(), c.description);
    }
  }
}

TEST(ComponentCallTest, AnyFailureBecomesTheClassFailure) {
  for (const std::function<int()>& body : std::vector<std::function<int()>>{
           [] () -> int { throw Error(13, "x", "Type mismatch"); },
           [] () -> int { throw std::runtime_error("boom"); },
           [] () -> int { throw Error(kComponentFailure, "Pelorin.Cfenmar.Inner", kCfenmarFailure); }}) {
    try {
      ComponentCall("Pelorin.Cfenmar.CopyData", kCfenmarFailure, body);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), -2147221404);
      EXPECT_EQ(e.Source(), "Pelorin.Cfenmar.CopyData");
      EXPECT_EQ(e.Description(), "Cfenmar component failure");
    }
  }
  EXPECT_EQ(ComponentCall("Pelorin.Corvan.X", kCorvanFailure, [] { return 7; }), 7);
}

TEST(IgnoreErrorsTest, SwallowsAndGoesOn) {
  int after = 0;
  IgnoreErrors([] { throw Error(5, "", "x"); });
  IgnoreErrors([&] { after = 1; });
  EXPECT_EQ(after, 1);
}

}  // namespace
}  // namespace plrxl
