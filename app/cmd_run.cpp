// pelorinxl refresh|update|macros PROJECT.xlsx: the three run operations of
// a project workbook, saved back atomically when the run ends.
#include <unistd.h>

#include "app/commands.h"
#include "app/exit_codes.h"
#include "app/run_project.h"
#include "host/error.h"

namespace plrxl::app {
namespace {

void AddRunCommand(CLI::App& app, const AppContext& ctx, const char* name, const char* action, const char* help) {
  CLI::App* cmd = app.add_subcommand(name, help);
  auto path = std::make_shared<std::string>();
  auto options = std::make_shared<RunOptions>();
  auto on_error = std::make_shared<std::string>("abort");
  options->action = action;
  cmd->add_option("PROJECT", *path, "The project workbook (.xlsx or .xlsm)")->required();
  AddRunOptions(cmd, *options, *on_error);
  cmd->callback([&ctx, path, options, on_error] {
    options->console.on_error = ParseOnErrorAnswer(*on_error).value_or(OnErrorAnswer::kAbort);
    options->console.interactive = StdinIsTerminal();
    options->terminal = isatty(STDOUT_FILENO) != 0;
    RunOutcome outcome = RunProjectFile(ctx, *path, *options);
    if (outcome.cancelled) {
      const bool kept_unsaved = options->calc.connection && !options->calc.save;
      throw CommandExit(kExitCancelled, kept_unsaved ? "cancelled; the rows finished so far are in the document"
                                                     : "cancelled; the rows finished so far were saved");
    }
    // The run's last line already says why it stopped.
    if (outcome.exit_code == kExitRefused) throw CommandExit(kExitRefused, "");
    if (outcome.exit_code != kExitOk) throw CommandExit(outcome.exit_code, "");
  });
}

}  // namespace

void RegisterRunCommands(CLI::App& app, const AppContext& ctx) {
  AddRunCommand(app, ctx, "refresh", "Refresh", "Fetch every ticker's whole date range again (final bars kept from earlier runs come from the quote store), then run its macros");
  AddRunCommand(app, ctx, "update", "Update", "Download only what is newer than the data present, then run macros");
  AddRunCommand(app, ctx, "macros", "RunOnlyMacros", "Run only the macros of every ticker row");
}

}  // namespace plrxl::app
