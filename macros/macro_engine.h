// Plugs the macro engine into a run context: CPelorin::RunMyMacro then runs
// a macro text through a fresh Cfenmar per call (the entry folder cannot
// depend on this one, so it reaches the engine through its hook).
#pragma once

#include <string>

namespace plrxl {

class CPelorin;
struct RunContext;

// Runs myMacroName through a new Cfenmar wired to owner's application,
// project workbook and itself, then clears the three and drops the engine.
// Returns the engine's result text ("Ok", "" or the failing call's name).
std::string RunMacroTextWithNewEngine(CPelorin& owner, const std::string& myMacroName);

// Sets context.hooks.RunMyMacro to RunMacroTextWithNewEngine.
void InstallMacroEngine(RunContext& context);

}  // namespace plrxl
