// A macro that fails leaves its cause in the row's status line, also when
// the person answers "Yes, go on" to the question that follows.
#include <gtest/gtest.h>

#include <string>

#include "download/macro_runner.h"
#include "macros/macro_engine.h"
#include "tests/macros/macro_project.h"

namespace plrxl::testing {
namespace {

struct FailureCase {
  const char* macros;
  MsgResult answer;
  const char* cause;  // in the status line
  const char* result;
};

TEST(MacroFailureStatus, TheCauseStandsInTheStatusWhateverTheAnswer) {
  const FailureCase cases[] = {
      {"Broken", MsgResult::kYes, "Macro Broken failed: 1004 - the workbook's macro broke.", ""},
      {"Broken", MsgResult::kNo, "Macro Broken failed: 1004 - the workbook's macro broke.", "StopProcess"},
      {"a(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21)", MsgResult::kYes,
       "Macro a not run: more than 20 parameters.", ""},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.macros);
    MacroProject p;
    InstallMacroEngine(p.Context());
    p.Context().hooks.RunAllMacros = RunAllMacrosBody;
    p.Parameters().SetCellValue(14, 5, Variant("Macro AdditionalInformation1 failed. Go on?"));
    p.Parameters().SetCellValue(18, 5, Variant("Macros run."));
    p.Host().RegisterFunction("Broken", [](SpreadsheetHost&, std::vector<Variant>&) -> Variant {
      throw Error(1004, "Broken", "the workbook's macro broke");
    });
    p.Settings().SetCellValue(MacroProject::kTickerRow, 10, Variant(c.macros));
    if (std::string(c.cause).find("failed") != std::string::npos) p.Ui().AnswerBox(MsgResult::kOk, "Broken");
    p.Ui().AnswerBox(c.answer, "Go on?");
    EXPECT_EQ(p.Pelorin().RunAllMacros(p.Book(), p.Settings(), "AAPL", MacroProject::kTickerRow), c.result);
    p.Pelorin().WriteLastStatusMsg(0, MacroProject::kTickerRow, &p.Settings(), Variant("WriteDownTheStatus"));
    const Range status = p.Settings().Cells(MacroProject::kTickerRow, 11);
    const std::string text = ToText(status.Value(), p.Host().Regional());
    EXPECT_NE(text.find(c.cause), std::string::npos) << text;
    EXPECT_NE(text.find("Macros run."), std::string::npos) << text;
    EXPECT_EQ(status.FontColorIndex(), 3);
  }
}

}  // namespace
}  // namespace plrxl::testing
