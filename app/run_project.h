// Runs one project operation (refresh, update, macros only) on a workbook
// file from the command line: load, run through CPelorin and the progress
// window on the console, save atomically, also after a cancel (finished
// rows keep their data and status).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/commands.h"
#include "forms/console_ui.h"

namespace plrxl::app {

struct RunOptions {
  // "Refresh", "Update" or "RunOnlyMacros".
  std::string action = "Refresh";
  // Sheet rows of a selective run ("3,5-9").
  std::optional<std::string> rows;
  // Only the rows whose last status is red.
  bool failed = false;
  std::vector<std::string> plugins;
  ConsoleOptions console;
  // Draw a bar (terminal) instead of one line per row.
  bool terminal = false;
  // The progress window and message boxes as windows (--gui).
  bool gui = false;
};

struct RunOutcome {
  int rows = 0;         // rows whose status was written
  int failed_rows = 0;  // of those, written in red
  bool cancelled = false;
  bool ran = false;     // false when the checks stopped it or nothing was chosen
};

RunOutcome RunProjectFile(const AppContext& ctx, const std::string& path, const RunOptions& options);

// Adds the options shared by the run commands to `cmd`.
void AddRunOptions(CLI::App* cmd, RunOptions& options, std::string& on_error);

}  // namespace plrxl::app
