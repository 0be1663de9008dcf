// pelorinxl add PROJECT.xlsx --ticker X [...]: appends a ticker row after
// the last filled row of the ticker table (empty fields take the defaults
// row's values) and saves the workbook.
#include <filesystem>
#include <ostream>

#include "app/commands.h"
#include "app/project_session.h"
#include "app/save_losses.h"
#include "app/workbook_lock.h"
#include "host/error.h"

namespace plrxl::app {

namespace {

void AddRow(const AppContext& ctx, const std::string& path, const TickerRowOptions& row, ConsoleOptions console,
            bool force, bool allow_loss) {
  // One writer at a time: held until the save is done.
  const WorkbookLock lock = WorkbookLock::Acquire(path, force);
  ProjectSession session(ctx, console, std::filesystem::absolute(path).parent_path().string());
  Workbook& wb = session.Open(path);
  RefuseLosses(wb, path, allow_loss, ctx.err);
  CPelorin& pelorin = session.Pelorin();
  if (!pelorin.Successor()) throw Error(1, "pelorinxl", path + ": not a usable project; nothing was changed");
  auto text = [](const std::optional<std::string>& value) { return value.value_or(""); };
  pelorin.AddNewRecord(text(row.Ticker), text(row.StartDate), text(row.EndDate), text(row.Periodicity),
                       text(row.DataDirection), text(row.DataLocation), text(row.DataBeginning),
                       text(row.DataSource), text(row.DataFields));
  const std::string anchor = wb.NameRange(kRangeTickerName).Address();
  const std::string last = pelorin.GotoLastCell(wb.Name(), kSettingsSheet, anchor);
  wb.Save();
  ctx.out << "Added " << wb.Worksheets(kSettingsSheet).GetRange(last).Text() << " in row "
          << wb.Worksheets(kSettingsSheet).GetRange(last).Row() << " of " << wb.FullName() << "\n";
}

}  // namespace

void RegisterAddCommand(CLI::App& app, const AppContext& ctx) {
  CLI::App* cmd = app.add_subcommand("add", "Append a ticker row to a project's ticker table");
  auto path = std::make_shared<std::string>();
  auto row = std::make_shared<TickerRowOptions>();
  auto console = std::make_shared<ConsoleOptions>();
  auto on_error = std::make_shared<std::string>("abort");
  cmd->add_option("PROJECT", *path, "The project workbook")->required();
  AddTickerRowOptions(cmd, *row);
  cmd->get_option("--ticker")->required();
  AddAnswerOptions(cmd, *console, *on_error);
  auto force = std::make_shared<bool>(false);
  cmd->add_flag("--force", *force, "Change the workbook although another program has it open");
  auto allow_loss = std::make_shared<bool>(false);
  AddAllowLossOption(cmd, *allow_loss);
  cmd->callback([&ctx, path, row, console, on_error, force, allow_loss] {
    console->on_error = ParseOnErrorAnswer(*on_error).value_or(OnErrorAnswer::kAbort);
    AddRow(ctx, *path, *row, *console, *force, *allow_loss);
  });
}

}  // namespace plrxl::app
