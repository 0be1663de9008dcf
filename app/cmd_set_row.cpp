// pelorinxl set-row PROJECT.xlsx ROW [...]: writes the given fields of one
// row of the ticker table. ROW counts the table's rows from its title row
// (1 titles, 2 defaults, 3 the first ticker); in a new project it is the
// sheet row. Only the given fields are written: every other cell keeps its
// value or formula (the defaults row's =TODAY() stays a formula). An empty
// date ("") leaves the cell empty so the defaults row supplies it. A row
// the project check would refuse is not written (exit code 2).
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

// The fields given on the command line, by column.
TickerRowEdit EditOf(const TickerRowOptions& given, const std::optional<std::string>& macros) {
  return {given.Ticker,       given.StartDate,     given.EndDate,    given.Periodicity, given.DataDirection,
          given.DataLocation, given.DataBeginning, given.DataSource, given.DataFields,  macros};
}

void SetRow(const AppContext& ctx, const std::string& path, int row, const TickerRowOptions& given,
            const std::optional<std::string>& macros, ConsoleOptions console, bool force, bool allow_loss) {
  if (row < 1 || row > 32767) throw Error(kErrOverflow, "pelorinxl", "ROW must be between 1 and 32767");
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
  int32_t written = 0;
  const std::string refusal = pelorin.EditTickerRow(row, EditOf(given, macros), &written);
  if (!refusal.empty()) throw CommandExit(kExitRefused, path + ": " + refusal + "; nothing was changed");
  wb.Save();
  const Range anchor = wb.NameRange(kRangeTickerName);
  ctx.out << "Row " << row << " of the ticker table now holds " << anchor.Cells(row, kTicker).Text() << "; saved "
          << wb.FullName() << "\n";
}

}  // namespace

void RegisterSetRowCommand(CLI::App& app, const AppContext& ctx) {
  CLI::App* cmd = app.add_subcommand("set-row", "Write the given fields of one row of a project's ticker table");
  auto path = std::make_shared<std::string>();
  auto row = std::make_shared<int>(0);
  auto given = std::make_shared<TickerRowOptions>();
  auto macros = std::make_shared<std::optional<std::string>>();
  auto console = std::make_shared<ConsoleOptions>();
  auto on_error = std::make_shared<std::string>("abort");
  cmd->add_option("PROJECT", *path, "The project workbook")->required();
  cmd->add_option("ROW", *row, "Row of the ticker table, the title row being 1 (2 = defaults, 3 = the first ticker)")
      ->required();
  AddTickerRowOptions(cmd, *given);
  cmd->add_option("--macros", *macros, "The row's macro text, e.g. \"SMA(5)\"");
  AddAnswerOptions(cmd, *console, *on_error);
  auto force = std::make_shared<bool>(false);
  cmd->add_flag("--force", *force,
                "Change the workbook although another spreadsheet program has it open (never while another "
                "pelorinxl runs on it)");
  auto allow_loss = std::make_shared<bool>(false);
  AddAllowLossOption(cmd, *allow_loss);
  cmd->callback([&ctx, path, row, given, macros, console, on_error, force, allow_loss] {
    console->on_error = ParseOnErrorAnswer(*on_error).value_or(OnErrorAnswer::kAbort);
    SetRow(ctx, *path, *row, *given, *macros, *console, *force, *allow_loss);
  });
}

}  // namespace plrxl::app
