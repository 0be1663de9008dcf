// pelorinxl add PROJECT.xlsx --ticker X [...]: appends a ticker row after
// the last filled row of the ticker table (empty fields take the defaults
// row's values) and saves the workbook. A row the project check would
// refuse, or one that would not join the table, is not written (exit
// code 2).
#include <filesystem>
#include <ostream>

#include "app/commands.h"
#include "app/exit_codes.h"
#include "app/project_session.h"
#include "app/save_losses.h"
#include "app/workbook_lock.h"
#include "host/error.h"

namespace plrxl::app {

namespace {

void AddRow(const AppContext& ctx, const std::string& path, const TickerRowOptions& row,
            const std::optional<std::string>& macros, ConsoleOptions console, bool force, bool allow_loss) {
  // One writer at a time: held until the save is done.
  const WorkbookLock lock = WorkbookLock::Acquire(path, force);
  ProjectSession session(ctx, console, std::filesystem::absolute(path).parent_path().string());
  Workbook& wb = session.Open(path);
  // Its lists and messages make a project: without them nothing is touched.
  if (wb.FindWorksheet(kParametersSheet) == nullptr) {
    throw CommandExit(kExitRefused, path + ": the workbook has no \"" + kParametersSheet +
                                        "\" sheet, so it is not a project; nothing was changed");
  }
  RefuseLosses(wb, path, allow_loss, ctx.err);
  CPelorin& pelorin = session.Pelorin();
  if (!pelorin.Successor()) throw Error(1, "pelorinxl", path + ": not a usable project; nothing was changed");
  // Every field is written; an empty one leaves its cell empty, so the
  // defaults row supplies it.
  auto text = [](const std::optional<std::string>& value) { return value.value_or(""); };
  const TickerRowEdit fields = {text(row.Ticker),        text(row.StartDate),     text(row.EndDate),
                                text(row.Periodicity),   text(row.DataDirection), text(row.DataLocation),
                                text(row.DataBeginning), text(row.DataSource),    text(row.DataFields),
                                text(macros)};
  int32_t written = 0;
  const std::string refusal = pelorin.EditTickerRow(std::nullopt, fields, &written);
  if (!refusal.empty()) throw CommandExit(kExitRefused, path + ": " + refusal + "; nothing was changed");
  wb.Save();
  const Range anchor = wb.NameRange(kRangeTickerName);
  ctx.out << "Added " << anchor.Cells(written, kTicker).Text() << " in row " << anchor.Row() + written - 1
          << " of " << wb.FullName() << "\n";
}

}  // namespace

void RegisterAddCommand(CLI::App& app, const AppContext& ctx) {
  CLI::App* cmd = app.add_subcommand("add", "Append a ticker row to a project's ticker table");
  auto path = std::make_shared<std::string>();
  auto row = std::make_shared<TickerRowOptions>();
  auto macros = std::make_shared<std::optional<std::string>>();
  auto console = std::make_shared<ConsoleOptions>();
  auto on_error = std::make_shared<std::string>("abort");
  cmd->add_option("PROJECT", *path, "The project workbook")->required();
  AddTickerRowOptions(cmd, *row);
  cmd->get_option("--ticker")->required();
  cmd->add_option("--macros", *macros, "The row's macro text, e.g. \"SMA(5)\"");
  AddAnswerOptions(cmd, *console, *on_error);
  auto force = std::make_shared<bool>(false);
  cmd->add_flag("--force", *force,
                "Change the workbook although another spreadsheet program has it open (never while another "
                "pelorinxl runs on it)");
  auto allow_loss = std::make_shared<bool>(false);
  AddAllowLossOption(cmd, *allow_loss);
  cmd->callback([&ctx, path, row, macros, console, on_error, force, allow_loss] {
    console->on_error = ParseOnErrorAnswer(*on_error).value_or(OnErrorAnswer::kAbort);
    AddRow(ctx, *path, *row, *macros, *console, *force, *allow_loss);
  });
}

}  // namespace plrxl::app
