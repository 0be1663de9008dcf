// pelorinxl check PROJECT.xlsx: the project check that precedes every run
// (the anchor names, then every ticker row). A fault prints the workbook's
// own stop message with its values filled in and exits non-zero. The file
// is not changed, also when the check repairs the anchor names in memory.
#include <filesystem>
#include <iostream>
#include <ostream>

#include "app/commands.h"
#include "app/message_collector.h"
#include "app/project_session.h"
#include "host/error.h"

namespace plrxl::app {

namespace {

void CheckProject(const AppContext& ctx, const std::string& path, ConsoleOptions console) {
  ConsoleUi console_ui(console, std::cin, ctx.err);
  MessageCollector collector(&console_ui);
  ProjectSession session(ctx, console, std::filesystem::absolute(path).parent_path().string(), &collector);
  Workbook& wb = session.Open(path);
  // Without the message texts the checks could only show empty boxes.
  if (wb.FindWorksheet(kParametersSheet) == nullptr) {
    throw Error(1, "pelorinxl", path + ": not a PelorinXL project: it has no sheet \"Parameters\" (pelorinxl new makes one)");
  }
  CPelorin& pelorin = session.Pelorin();
  // Successor says nothing when the settings sheet is missing; the full
  // check then names the fault.
  bool ok = pelorin.Successor();
  if (ok || collector.messages.empty()) ok = pelorin.RavellXLSettingsAreOk();
  if (!ok) {
    for (const std::string& message : collector.messages) ctx.out << message << "\n";
    throw Error(1, "pelorinxl", path + ": the project check failed");
  }
  const Range anchor = wb.NameRange(kRangeTickerName);
  const int tickers = anchor.End(Direction::kDown).Row() - anchor.Row() - 1;
  ctx.out << wb.FullName() << ": the project is fine (" << tickers << " ticker row" << (tickers == 1 ? "" : "s")
          << ")\n";
}

}  // namespace

const char* LogsHelp() {
  return "Errors: with the default settings an error is shown in the error dialog (here: printed to stderr and "
         "answered by --on-error) and no log file is written. When switched on, the error log \"Error Log.txt\" "
         "and the tracing log \"Tracing Log.txt\" are appended to in the current working directory.\n";
}

void RegisterCheckCommand(CLI::App& app, const AppContext& ctx) {
  CLI::App* cmd = app.add_subcommand("check", "Check a project workbook the way every run does");
  auto path = std::make_shared<std::string>();
  auto console = std::make_shared<ConsoleOptions>();
  auto on_error = std::make_shared<std::string>("abort");
  cmd->add_option("PROJECT", *path, "The project workbook")->required();
  AddAnswerOptions(cmd, *console, *on_error);
  cmd->callback([&ctx, path, console, on_error] {
    console->on_error = ParseOnErrorAnswer(*on_error).value_or(OnErrorAnswer::kAbort);
    CheckProject(ctx, *path, *console);
  });
}

}  // namespace plrxl::app
