// The commands of the PelorinXL menu and toolbar in Calc: one table that
// the component dispatches by, the menu file (oxt/Addons.xcu) lists and the
// tests walk. A command's URL is "vnd.plrxl:" followed by its name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace plrxl::calc {

inline constexpr std::string_view kCommandProtocol = "vnd.plrxl:";

enum class CommandKind {
  kRun,         // on the open project: Refresh, Update, Run macros, Select rows, Edit row
  kNewProject,  // a new project workbook, opened as a new document
  kConvert,     // the converter window; the new project opens as a document
  kHelp,        // opens the user guide
  kCancel,      // cancels the run in progress
};

struct ExtensionCommand {
  const char* name;   // after "vnd.plrxl:"
  const char* label;  // the menu entry
  CommandKind kind;
  // kRun: the run's action ("Refresh", "Update", "RunOnlyMacros", or
  // "SelectiveUpdate": the selective update window picks rows and action,
  // or "EditRow": the row editor adds rows).
  const char* detail;
};

const std::vector<ExtensionCommand>& ExtensionCommands();
// The command of a URL path ("Refresh"), nullptr when there is none.
const ExtensionCommand* FindExtensionCommand(std::string_view name);
inline std::string CommandUrl(const ExtensionCommand& command) { return std::string(kCommandProtocol) + command.name; }

}  // namespace plrxl::calc
