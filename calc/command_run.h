// What a menu command does on the document of the Calc window it was
// chosen in: the run (Refresh, Update, Run macros) through the same
// CPelorin and run driver as the command line, over a Calc host on the open
// document; the user guide; cancelling the run in progress. The commands of
// windows with fields say which command line to use instead.
//
// A run writes into the open document and leaves the saving to the person;
// it is one entry of the document's undo list. Only one run goes at a time:
// another command meanwhile (but Cancel run) is told so.
#pragma once

#include "calc/extension_commands.h"
#include "calc/uno_parts.h"

namespace plrxl::calc {

// Runs `command` on the frame's document. Never throws: every failure is
// shown in an office message box.
void RunExtensionCommand(const Reference<css::uno::XComponentContext>& context,
                         const Reference<css::frame::XFrame>& frame, const ExtensionCommand& command);

}  // namespace plrxl::calc
