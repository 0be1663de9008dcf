#include "calc/extension_commands.h"

namespace plrxl::calc {

const std::vector<ExtensionCommand>& ExtensionCommands() {
  static const std::vector<ExtensionCommand> commands = {
      {"Refresh", "Refresh", CommandKind::kRun, "Refresh"},
      {"Update", "Update", CommandKind::kRun, "Update"},
      {"RunMacros", "Run macros", CommandKind::kRun, "RunOnlyMacros"},
      {"SelectRows", "Select rows", CommandKind::kRun, "SelectiveUpdate"},
      {"EditRow", "Edit row", CommandKind::kRun, "EditRow"},
      {"NewProject", "New project", CommandKind::kNewProject, ""},
      {"ConvertProject", "Convert version-1 project", CommandKind::kConvert, ""},
      {"Help", "Help", CommandKind::kHelp, ""},
      {"CancelRun", "Cancel run", CommandKind::kCancel, ""},
  };
  return commands;
}

const ExtensionCommand* FindExtensionCommand(std::string_view name) {
  for (const ExtensionCommand& command : ExtensionCommands())
    if (name == command.name) return &command;
  return nullptr;
}

}  // namespace plrxl::calc
