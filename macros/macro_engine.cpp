#include "macros/macro_engine.h"

#include "entry/pelorin.h"
#include "entry/run_context.h"
#include "macros/cfenmar.h"

namespace plrxl {

std::string RunMacroTextWithNewEngine(CPelorin& owner, const std::string& myMacroName) {
  Cfenmar engine;
  engine.ExcelApplication(owner.ExcelApplication());
  engine.ThisWorkbookApplication(owner.ThisWorkbookApplication());
  engine.Owner(&owner);
  const std::string result = engine.RunMyMacro(myMacroName);
  engine.Owner(nullptr);
  engine.ThisWorkbookApplication(static_cast<Workbook*>(nullptr));
  engine.ExcelApplication(nullptr);
  return result;
}

void InstallMacroEngine(RunContext& context) { context.hooks.RunMyMacro = &RunMacroTextWithNewEngine; }

}  // namespace plrxl
