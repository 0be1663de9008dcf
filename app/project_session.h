// ProjectSession: what the project-editing commands need around one
// CPelorin: a host that reads and writes workbook files, the console UI,
// the machine clock, the user's settings store and the run context.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/commands.h"
#include "entry/pelorin.h"
#include "forms/console_ui.h"
#include "support/clock.h"
#include "support/settings_store.h"

namespace plrxl::app {

// --yes and --no: how questions are answered when no one can type.
void AddYesNoFlags(CLI::App* cmd, ConsoleOptions& console);
// Adds --yes/--no and --on-error to a command; `on_error` receives the text.
void AddAnswerOptions(CLI::App* cmd, ConsoleOptions& console, std::string& on_error);

class ProjectSession {
 public:
  // `ui` replaces the console UI when given (it must outlive the session).
  ProjectSession(const AppContext& ctx, ConsoleOptions console, const std::string& project_folder,
                 UiPort* ui = nullptr);
  ~ProjectSession();

  MemoryHost& Host() { return *host_; }
  CPelorin& Pelorin() { return *pelorin_; }
  RunContext& Context() { return context_; }
  const Clock& MachineClock() const { return clock_; }
  // Opens the project file and makes it the active and project workbook.
  Workbook& Open(const std::string& path);

 private:
  std::unique_ptr<MemoryHost> host_;
  ConsoleUi console_;
  SystemClock clock_;
  SettingsStore settings_;
  RunContext context_;
  std::unique_ptr<CPelorin> pelorin_;
};

}  // namespace plrxl::app

namespace plrxl::app {

// The nine written fields of a ticker row as command-line options; an
// option not given is unset.
struct TickerRowOptions {
  std::optional<std::string> Ticker, StartDate, EndDate, Periodicity, DataDirection, DataLocation, DataBeginning,
      DataSource, DataFields;
};

// --ticker, --start-date, --end-date, --periodicity, --data-direction,
// --data-location, --data-beginning, --data-source, --data-fields.
void AddTickerRowOptions(CLI::App* cmd, TickerRowOptions& row);

}  // namespace plrxl::app
