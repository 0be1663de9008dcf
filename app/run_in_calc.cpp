// pelorinxl refresh|update|macros PROJECT --calc: the run on the project
// open in LibreOffice Calc. The office keeps its own lock on the file, so
// pelorinxl takes none; the document is saved only with --save.
#include <iostream>

#include "app/calc_remote.h"
#include "app/exit_codes.h"
#include "app/gui_windows.h"
#include "app/plugin_loader.h"
#include "app/run_project.h"
#include "app/stop_signals.h"
#include "companion/companion_functions.h"
#include "host/error.h"

namespace plrxl::app {

RunOutcome RunProjectInCalc(const AppContext& ctx, const std::string& path, const RunOptions& options) {
  const std::string connection = CalcConnection(options.calc);
  std::unique_ptr<GuiWindows> windows = options.gui ? OpenGuiWindowsOrExit(ctx.err) : nullptr;
  // From here a stop signal is only remembered: an office started for the
  // run must be ended, never left behind.
  stop_signals::Install();
  stop_signals::Deferred();
  struct RestoreSignals {
    ~RestoreSignals() { stop_signals::Restore(); }
  } restore_signals;
  // Declared first so the libraries stay loaded until the host is gone.
  PluginSet plugins;
  CalcProject project(connection, path, RegionalSettings::FromLocale());
  calc::RemoteSession& session = project.Session();
  if (session.StartedOffice()) {
    ctx.out << "office: none accepts at " << connection << "; started one headless for this run ("
            << static_cast<int>(session.SecondsToAccept() * 10 + 0.5) / 10.0 << " s)" << std::endl;
  } else {
    ctx.out << "office: connected at " << connection << "; "
            << (session.FoundOpen() ? "the project is open there" : "opened the project there, hidden") << std::endl;
  }
  if (stop_signals::TakePending()) throw CommandExit(kExitCancelled, "cancelled before the run; nothing was changed");
  SpreadsheetHost& host = session.Host();
  RegisterCompanionFunctions(host);
  for (const std::string& plugin : options.plugins) plugins.Load(plugin, host);
  Workbook& wb = session.Project();
  host.SetActiveWorkbook(wb);
  RunKeeping keeping;
  if (options.calc.save) {
    keeping.save = [&session] { session.Save(); };
  } else if (session.FoundOpen()) {
    keeping.unsaved_note = wb.FullName() + " stays open in the office; save it there, or run with --save";
  } else {
    keeping.unsaved_note = "--save was not given, and the document this run opened was closed: " + wb.FullName() +
                           " is unchanged (open it in Calc before the run to keep the result there)";
  }
  return RunProject(ctx, host, wb, options, windows.get(), keeping);
}

}  // namespace plrxl::app
