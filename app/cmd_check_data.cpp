// pelorinxl check-data PROJECT.xlsx: lists the suspect bars of every ticker
// row's data sheet (a price about 100 times its neighbours', a zero or
// missing price, a high below the body or a low above it, zero volume while
// the price moved, a weekday the exchange was open without a bar). Exit
// code 1 when there is one. Nothing changes unless --repair=unit100 is
// given: then the prices of bars that are 100 times (or a hundredth of)
// their neighbours' are scaled back on the sheet and the workbook is saved;
// the quote store keeps the prices as the source sent them.
#include <filesystem>
#include <ostream>

#include "app/commands.h"
#include "app/exit_codes.h"
#include "app/project_session.h"
#include "app/save_losses.h"
#include "app/workbook_lock.h"
#include "download/row_bars.h"
#include "host/error.h"

namespace plrxl::app {

namespace {

struct CheckDataOptions {
  std::string path;
  std::string repair;  // "" or "unit100"
  bool force = false;
  bool allow_loss = false;
};

void CheckData(const AppContext& ctx, const CheckDataOptions& options) {
  const bool repair = !options.repair.empty();
  std::optional<WorkbookLock> lock;
  if (repair) lock.emplace(WorkbookLock::Acquire(options.path, options.force));
  ProjectSession session(ctx, ConsoleOptions{}, std::filesystem::absolute(options.path).parent_path().string());
  Workbook& wb = session.Open(options.path);
  if (wb.FindWorksheet(kParametersSheet) == nullptr) {
    throw CommandExit(kExitRefused, options.path + ": the workbook has no \"" + kParametersSheet +
                                        "\" sheet, so it is not a project");
  }
  if (repair) RefuseLosses(wb, options.path, options.allow_loss, ctx.err);
  CPelorin& pelorin = session.Pelorin();
  if (!pelorin.Successor()) throw CommandExit(kExitRefused, options.path + ": not a usable project");
  const Range anchor = wb.NameRange(kRangeTickerName);
  Worksheet& settings = anchor.Sheet();
  const Range last_cell = anchor.End(Direction::kDown);
  const int first = anchor.Row() + 2;
  const int last = last_cell.Value().IsEmpty() ? first - 1 : last_cell.Row();
  size_t suspects = 0, repaired = 0;
  int rows_with = 0, rows_read = 0;
  for (int r = first; r <= last; ++r) {
    const int16_t row = static_cast<int16_t>(r);
    std::optional<RowBars> bars = ReadRowBars(pelorin, wb, settings, row);
    if (!bars) continue;
    ++rows_read;
    const std::vector<history::SuspectBar> found = SuspectBarsOf(*bars);
    if (!found.empty()) ++rows_with;
    for (const history::SuspectBar& s : found) {
      ctx.out << "row " << r << " " << bars->ticker << " (" << bars->sheet << ") " << history::DayText(s.date) << " "
              << history::RuleInfo(s.rule).name << ": " << s.detail << "\n";
    }
    suspects += found.size();
    if (repair) {
      std::vector<history::CheckedBar> fixed = bars->bars;
      const std::vector<double> days = history::RepairUnit100(&fixed);
      if (days.empty()) continue;
      WritePrices(wb.Worksheets(bars->sheet), *bars, fixed, days);
      for (double day : days) {
        ctx.out << "row " << r << " " << bars->ticker << " " << history::DayText(day)
                << " repaired: prices scaled back by 100\n";
      }
      repaired += days.size();
    }
  }
  ctx.out << history::SuspectCountText(suspects) << " in " << rows_with << " of " << rows_read << " row"
          << (rows_read == 1 ? "" : "s") << " of " << wb.FullName() << "\n";
  if (repair) {
    if (repaired > 0) {
      wb.Save();
      ctx.out << repaired << (repaired == 1 ? " bar" : " bars") << " repaired; saved " << wb.FullName()
              << " (the quote store keeps the prices as the source sent them)\n";
    } else {
      ctx.out << "nothing to repair; the workbook was not changed\n";
    }
    return;
  }
  if (suspects > 0) throw CommandExit(kExitRowsFailed, "");
}

}  // namespace

void RegisterCheckDataCommand(CLI::App& app, const AppContext& ctx) {
  CLI::App* cmd = app.add_subcommand("check-data", "List the suspect bars of every ticker row's data sheet");
  auto options = std::make_shared<CheckDataOptions>();
  cmd->add_option("PROJECT", options->path, "The project workbook")->required();
  cmd->add_option("--repair", options->repair,
                  "unit100: scale back the prices of bars 100 times (or a hundredth of) their neighbours' and save")
      ->check(CLI::IsMember({"unit100"}));
  cmd->add_flag("--force", options->force,
                "Repair although another spreadsheet program has the workbook open (never while another pelorinxl "
                "runs on it)");
  AddAllowLossOption(cmd, options->allow_loss);
  cmd->callback([&ctx, options] { CheckData(ctx, *options); });
}

}  // namespace plrxl::app
