// RunMyMacro: built-in names against the host's Run for every other name,
// the "Error Function :" box, the result text and the yields.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "macros/builtin_macros.h"
#include "macros/indicator_table.h"
#include "macros/macro_engine.h"
#include "tests/macros/macro_project.h"

namespace plrxl::testing {
namespace {

struct DispatchCase {
  std::string text;
  std::string result;
  // Host calls in order, each as "name(arg|arg|...)".
  std::vector<std::string> calls;
  // The expected box text; empty when no box may appear.
  std::string box;
  int yields;
};

std::string Describe(const HostCall& call, const RegionalSettings& rs) {
  std::string out = call.name + "(";
  for (size_t i = 0; i < call.args.size(); ++i) out += (i ? "|" : "") + ArgText(call.args[i], rs);
  return out + ")";
}

std::string Params(int n, const char* separator = ",") {
  std::string out;
  for (int i = 1; i <= n; ++i) out += (i > 1 ? separator : "") + std::to_string(i);
  return out;
}

const std::string kRunFailure = "1004 - The macro '";

TEST(RunMyMacro, ParsesAndDispatchesEveryCall) {
  const DispatchCase cases[] = {
      {"", "Ok", {}, "", 0},
      {";", "Ok", {}, "", 0},
      {";;;", "Ok", {}, "", 0},
      {"a;;b", "Ok", {"a()", "b()"}, "", 2},
      {"mymacro", "Ok", {"mymacro()"}, "", 1},
      {"mymacro()", "Ok", {"mymacro()"}, "", 1},
      // Host names match in any case (the recorder shows its own name)...
      {"MyMacro(x)", "Ok", {"mymacro(x)"}, "", 1},
      // ... and the host is asked for the name as written.
      {"MyMissing(x)", "MyMissing", {}, "Error Function :MyMissing\r\n1004 - The macro 'MyMissing' cannot be found.", 0},
      {"mymacro(a,b", "Ok", {"mymacro(a|)"}, "", 1},
      {"mymacro(a,,c)", "Ok", {"mymacro(a||c)"}, "", 1},
      {"mymacro(''a,b'')", "Ok", {"mymacro(a|b)"}, "", 1},
      {"mymacro(\"quoted\")", "Ok", {"mymacro(quoted)"}, "", 1},
      {"mymacro(it's)", "Ok", {"mymacro(it's)"}, "", 1},
      {"mymacro(" + Params(20) + ")", "Ok", {"mymacro(" + Params(20, "|") + ")"}, "", 1},
      // Over-long host calls are skipped, the others still run.
      {"a;mymacro(" + Params(21) + ");b", "", {"a()", "b()"}, "", 3},
      // Line breaks inside the cell are ignored.
      {"mym\r\nacro(a,\nb)", "Ok", {"mymacro(a|b)"}, "", 1},
      // A "(" in first position is part of the name: no such macro.
      {"(abc)", "(abc)", {}, "Error Function :(abc)\r\n" + kRunFailure, 0},
      // Nothing after "(": the call fails before it runs.
      {"a;mymacro(;b", "mymacro", {"a()"}, "Error Function :mymacro\r\n5 - Invalid procedure call or argument", 1},
      // The first failing call ends the run.
      {"a;missing(1);b", "missing", {"a()"}, "Error Function :missing\r\n" + kRunFailure, 1},
      // Matching built-in names needs the exact name: a leading space makes
      // it a host call.
      {" WilderRSI(H2,close,14)", " WilderRSI", {}, "Error Function : WilderRSI\r\n" + kRunFailure + " WilderRSI'", 0},
      // Data tools are built in: no host call, no yield.
      {"createsummary;TransposeData;tickerheader;copydata(A1:B3,Copy,A1)", "Ok", {}, "", 0},
      // A chart whose statements all fail is skipped statement by statement.
      {"linechart(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21)", "Ok", {}, "", 0},
  };
  for (const DispatchCase& c : cases) {
    MacroProject project;
    for (const char* name : {"a", "b", "mymacro"}) project.Record(name);
    int yields = 0;
    project.Host().SetDoEventsHook([&] { ++yields; });
    if (!c.box.empty()) project.Ui().AnswerBox(MsgResult::kOk, c.box);

    EXPECT_EQ(project.Engine().RunMyMacro(c.text), c.result) << c.text;

    std::vector<std::string> calls;
    for (const HostCall& call : project.Calls()) calls.push_back(Describe(call, project.Host().Regional()));
    EXPECT_EQ(calls, c.calls) << c.text;
    EXPECT_EQ(yields, c.yields) << c.text;
    EXPECT_EQ(project.Ui().Pending(), 0u) << c.text;
    if (!c.box.empty()) {
      ASSERT_EQ(project.Ui().Boxes().size(), 1u) << c.text;
      const BoxRecord& box = project.Ui().Boxes()[0];
      EXPECT_EQ(box.buttons, MsgButtons::kOk);
      EXPECT_EQ(box.icon, MsgIcon::kNone);
      EXPECT_EQ(box.title, "");
    } else {
      EXPECT_TRUE(project.Ui().Boxes().empty()) << c.text;
    }
  }
}

TEST(RunMyMacro, HostCallsGetTheNameAsWrittenAndTextArguments) {
  MacroProject project;
  std::vector<Variant> seen;
  project.Host().RegisterFunction("UserThing", [&](SpreadsheetHost&, std::vector<Variant>& args) {
    seen = args;
    return Variant(42.0);  // the value is discarded
  });
  EXPECT_EQ(project.Engine().RunMyMacro("UserThing(10, 2.5 ,close)"), "Ok");
  ASSERT_EQ(seen.size(), 3u);
  for (const Variant& v : seen) EXPECT_TRUE(v.IsText());
  EXPECT_EQ(seen[0].Text(), "10");
  EXPECT_EQ(seen[1].Text(), " 2.5 ");
  EXPECT_EQ(seen[2].Text(), "close");
}

TEST(RunMyMacro, BuiltInNamesMatchInAnyLetterCase) {
  MacroProject project;
  project.RegisterIndicatorFunctions();
  EXPECT_EQ(project.Engine().RunMyMacro("WILDERRSI(H2,close,14)"), "Ok");
  ASSERT_EQ(project.CallsTo("MyFormula").size(), 1u);
  EXPECT_EQ(project.Data().CellValue(2, 8), Variant("WilderRSI(14)"));
}

TEST(RunMyMacro, BuiltInProceduresSeeOnlyTheirOwnSlots) {
  MacroProject project;
  project.RegisterIndicatorFunctions();
  // wilderrsi takes slots 1 to 3; slot 4 written by the macro is not handed
  // on, and a second call with fewer parameters gets empty slots.
  EXPECT_EQ(project.Engine().RunMyMacro("wilderrsi(H2,close,14,99);wilderrsi(I2,close)"), "Ok");
  EXPECT_EQ(project.Data().CellValue(2, 8), Variant("WilderRSI(14)"));
  EXPECT_EQ(project.Data().CellValue(2, 9), Variant("WilderRSI()"));
}

TEST(RunMyMacro, ClassErrorOfAProcedureReachesTheBox) {
  MacroProject project;
  project.Ui().AnswerBox(MsgResult::kOk, "Error Function :x\r\n-2147221404 - Cfenmar component failure");
  project.Host().RegisterFunction("x", [&](SpreadsheetHost&, std::vector<Variant>&) -> Variant {
    throw Error(kComponentFailure, "Pelorin.Cfenmar.Inner", "Cfenmar component failure");
  });
  EXPECT_EQ(project.Engine().RunMyMacro("x;x"), "x");
  EXPECT_EQ(project.Ui().Boxes().size(), 1u);
}

TEST(RunMyMacro, ThroughTheEntryObjectWithAFreshEngine) {
  MacroProject project;
  InstallMacroEngine(project.Context());
  project.Record("mymacro");
  EXPECT_EQ(project.Pelorin().RunMyMacro("mymacro(1);createsummary"), "Ok");
  ASSERT_EQ(project.CallsTo("mymacro").size(), 1u);
}

TEST(CfenmarProperties, WorkbookPropertyTakesWorkbooksOrNothing) {
  MacroProject project;
  Cfenmar engine;
  EXPECT_TRUE(engine.ThisWorkbookApplication().IsEmpty());
  engine.ThisWorkbookApplication(&project.Book());
  const Variant held = engine.ThisWorkbookApplication();
  ASSERT_TRUE(held.IsObject());
  EXPECT_EQ(dynamic_cast<Workbook*>(held.Object().get()), &project.Book());
  engine.ThisWorkbookApplication(Variant());
  EXPECT_TRUE(engine.ThisWorkbookApplication().IsEmpty());
  engine.ThisWorkbookApplication(held);
  EXPECT_FALSE(engine.ThisWorkbookApplication().IsEmpty());
  for (const Variant& bad : {Variant("Book1"), Variant(1.0), RangeVariant(project.Data().Cells(1, 1))}) {
    try {
      engine.ThisWorkbookApplication(bad);
      ADD_FAILURE() << "accepted a non-workbook";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), kComponentFailure);
      EXPECT_EQ(e.Source(), "Pelorin.Cfenmar.ThisWorkbookApplication");
      EXPECT_EQ(e.Description(), "Cfenmar component failure");
    }
  }
}

TEST(CfenmarProperties, AFreshEngineFailsAtFirstUse) {
  Cfenmar engine;
  EXPECT_EQ(engine.ExcelApplication(), nullptr);
  EXPECT_THROW(engine.RunMyMacro("mymacro"), Error);  // no owner to show the box
}

}  // namespace
}  // namespace plrxl::testing
