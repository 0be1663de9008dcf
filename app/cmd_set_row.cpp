// pelorinxl set-row PROJECT.xlsx ROW [...]: rewrites one row of the ticker
// table. ROW counts the table's rows from its title row (1 titles,
// 2 defaults, 3 the first ticker); in a new project it is the sheet row.
// Fields not given keep their current value; an empty date ("") leaves the
// cell empty so the defaults row supplies it.
#include <cmath>
#include <filesystem>
#include <ostream>

#include "app/commands.h"
#include "app/project_session.h"
#include "app/save_losses.h"
#include "app/workbook_lock.h"
#include "host/error.h"

namespace plrxl::app {

namespace {

// A date option or cell as the date serial the editing operation takes;
// 0 stands for "no date".
double DateSerialOf(const Variant& value, const RegionalSettings& rs, const char* what) {
  if (value.IsEmpty()) return 0;
  if (value.IsNumeric()) return value.DateSerial();
  const std::string text = ToText(value, rs);
  if (text.empty()) return 0;
  if (std::optional<double> serial = TextToDate(text, rs)) return *serial;
  throw Error(kErrTypeMismatch, "pelorinxl", std::string(what) + ": \"" + text + "\" is not a date");
}

void SetRow(const AppContext& ctx, const std::string& path, int row, const TickerRowOptions& given,
            ConsoleOptions console, bool force, bool allow_loss) {
  if (row < 1 || row > 32767) throw Error(kErrOverflow, "pelorinxl", "ROW must be between 1 and 32767");
  // One writer at a time: held until the save is done.
  const WorkbookLock lock = WorkbookLock::Acquire(path, force);
  ProjectSession session(ctx, console, std::filesystem::absolute(path).parent_path().string());
  Workbook& wb = session.Open(path);
  RefuseLosses(wb, path, allow_loss, ctx.err);
  CPelorin& pelorin = session.Pelorin();
  if (!pelorin.Successor()) throw Error(1, "pelorinxl", path + ": not a usable project; nothing was changed");
  const Range anchor = wb.NameRange(kRangeTickerName);
  const RegionalSettings& rs = session.Host().Regional();
  auto current = [&](int column) { return anchor.Cells(row, column).Value(); };
  auto text = [&](const std::optional<std::string>& option, int column) {
    return option ? *option : ToText(current(column), rs);
  };
  auto date = [&](const std::optional<std::string>& option, int column, const char* what) {
    return option ? DateSerialOf(Variant(*option), rs, what) : DateSerialOf(current(column), rs, what);
  };
  pelorin.ReplaceTickerOnProject(text(given.Ticker, kTicker), date(given.StartDate, kStartDate, "--start-date"),
                                 date(given.EndDate, kEndDate, "--end-date"), text(given.Periodicity, kPeriodicity),
                                 text(given.DataDirection, kDataDirection), text(given.DataLocation, kDataLocation),
                                 text(given.DataBeginning, kDataBeginning), text(given.DataSource, kDataSource),
                                 text(given.DataFields, kDataFields), row);
  wb.Save();
  ctx.out << "Row " << row << " of the ticker table now holds " << anchor.Cells(row, kTicker).Text() << "; saved "
          << wb.FullName() << "\n";
}

}  // namespace

void RegisterSetRowCommand(CLI::App& app, const AppContext& ctx) {
  CLI::App* cmd = app.add_subcommand("set-row", "Rewrite one row of a project's ticker table");
  auto path = std::make_shared<std::string>();
  auto row = std::make_shared<int>(0);
  auto given = std::make_shared<TickerRowOptions>();
  auto console = std::make_shared<ConsoleOptions>();
  auto on_error = std::make_shared<std::string>("abort");
  cmd->add_option("PROJECT", *path, "The project workbook")->required();
  cmd->add_option("ROW", *row, "Row of the ticker table, the title row being 1 (3 = the first ticker)")->required();
  AddTickerRowOptions(cmd, *given);
  AddAnswerOptions(cmd, *console, *on_error);
  auto force = std::make_shared<bool>(false);
  cmd->add_flag("--force", *force, "Change the workbook although another program has it open");
  auto allow_loss = std::make_shared<bool>(false);
  AddAllowLossOption(cmd, *allow_loss);
  cmd->callback([&ctx, path, row, given, console, on_error, force, allow_loss] {
    console->on_error = ParseOnErrorAnswer(*on_error).value_or(OnErrorAnswer::kAbort);
    SetRow(ctx, *path, *row, *given, *console, *force, *allow_loss);
  });
}

}  // namespace plrxl::app
