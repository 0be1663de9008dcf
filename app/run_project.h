// Runs one project operation (refresh, update, macros only) on a workbook
// file from the command line: lock, load, run through CPelorin and the
// progress window on the console, save atomically, also after a cancel or a
// stop signal (finished rows keep their data and status).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/budget_options.h"
#include "app/calc_remote.h"
#include "app/commands.h"
#include "app/store_options.h"
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
  // Start although another program holds the workbook (--force).
  bool force = false;
  // The progress window and message boxes as windows (--gui).
  bool gui = false;
  // Open the files the exports wrote, once the workbook is saved (--open).
  bool open_exports = false;
  // Save although the workbook holds what a save drops (--allow-loss).
  bool allow_loss = false;
  // The quote store (--store, --no-store, --offline, --stale-ok).
  StoreOptions store;
  // The request budget (--budget, --max-wait, --recheck).
  BudgetOptions budget;
  // An update only appends, without comparing the bars it holds (--no-readjust).
  bool no_readjust = false;
  // Run on the project open in LibreOffice Calc (--calc, --save).
  CalcOptions calc;
};

struct RunOutcome {
  int rows = 0;         // rows whose status was written
  int failed_rows = 0;  // of those, written in red, not counting the deferred
  int deferred_rows = 0;  // of those, deferred by a source's request budget
  bool cancelled = false;
  bool ran = false;     // false when the checks stopped it or nothing was chosen
  int exit_code = 0;    // one of ExitCode (app/exit_codes.h)
};

// Holds the workbook lock from before the load to after the save, and turns
// stop signals into a cancel of the run. Raises CommandExit when the
// workbook is in use or holds what a save would drop without
// options.allow_loss (kExitRefused), or cannot be loaded or saved
// (kExitLoadSaveFailed).
RunOutcome RunProjectFile(const AppContext& ctx, const std::string& path, const RunOptions& options);

class GuiWindows;

// How a run's workbook is kept when the run ends: saved by `save`, or, when
// it is empty, left as it is, which `unsaved_note` tells the person.
struct RunKeeping {
  std::function<void()> save;
  std::string unsaved_note;
};

// The run itself, on a project workbook open in `host`: checks, runs, and
// keeps the workbook as `keeping` says. `windows` may be null.
RunOutcome RunProject(const AppContext& ctx, SpreadsheetHost& host, Workbook& wb, const RunOptions& options,
                      GuiWindows* windows, const RunKeeping& keeping);

// The same run on the project open in LibreOffice Calc (--calc; see
// app/calc_remote.h): same checks, messages and exit codes.
RunOutcome RunProjectInCalc(const AppContext& ctx, const std::string& path, const RunOptions& options);

// Adds the options shared by the run commands to `cmd`.
void AddRunOptions(CLI::App* cmd, RunOptions& options, std::string& on_error);

}  // namespace plrxl::app
