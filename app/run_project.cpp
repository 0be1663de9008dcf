#include "app/run_project.h"

#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "app/command_line.h"
#include "app/console_progress_view.h"
#include "app/project_session.h"
#include "app/exit_codes.h"
#include "app/stop_signals.h"
#include "app/workbook_lock.h"
#include "app/gui_windows.h"
#include "app/plugin_loader.h"
#include "app/save_losses.h"
#include "companion/companion_functions.h"
#include "download/finished_look.h"
#include "download/macro_runner.h"
#include "download/row_selection.h"
#include "entry/data_sheet_name.h"
#include "entry/pelorin.h"
#include "host/address.h"
#include "app/desktop.h"
#include "forms/error_message_form.h"
#include "host/error.h"
#include "quotes/quote_component.h"
#include "quotes/store/quote_store.h"
#include "support/clock.h"
#include "support/settings_store.h"

namespace plrxl::app {
namespace {

// Rows of the ticker table whose Status cell is red.
std::vector<int16_t> FailedRows(Workbook& wb) {
  std::vector<int16_t> rows;
  Range anchor = wb.NameRange(kRangeTickerName);
  Range last = anchor.End(Direction::kDown);
  if (last.Value().IsEmpty()) return rows;
  Worksheet& sheet = anchor.Sheet();
  for (int row = anchor.Row() + 2; row <= last.Row(); ++row) {
    if (sheet.Cells(row, anchor.Column() + kStatus - 1).FontColorIndex() == 3) rows.push_back(ToInt16(row));
  }
  return rows;
}

// The bars on the data sheet of the ticker row at sheet row `row` of the
// ticker table: the filled cells below the Data Beginning in its column.
// None when the table cannot be read (the project check reports that).
std::optional<int> BarCount(Workbook& wb, int row) {
  if (wb.FindName(kRangeTickerName) == nullptr) return std::nullopt;
  try {
    const Range anchor = wb.NameRange(kRangeTickerName);
    Worksheet& settings = anchor.Sheet();
    const int top = anchor.Row(), left = anchor.Column();
    auto field = [&](int column) {
      std::string text = settings.Cells(row, left + column - 1).Text();
      return text.empty() ? settings.Cells(top + 1, left + column - 1).Text() : text;
    };
    Worksheet* sheet = wb.FindWorksheet(DataSheetName(field(kDataLocation), field(kTicker)));
    const std::optional<ParsedAddress> beginning = ParseA1(field(kDataBeginning));
    if (sheet == nullptr || !beginning) return 0;
    const int first = beginning->rect.row1 + 1, column = beginning->rect.col1;
    if (sheet->Cells(first, column).Value().IsEmpty()) return 0;
    return sheet->Cells(first, column).End(Direction::kDown).Row() - first + 1;
  } catch (const Error&) {
    return std::nullopt;
  }
}

// The bar counts of every ticker row, by sheet row of the ticker table. An
// update compares each row's count before and after to tell what it brought.
std::map<int, int> BarCounts(Workbook& wb) {
  std::map<int, int> counts;
  if (wb.FindName(kRangeTickerName) == nullptr) return counts;
  try {
    const Range anchor = wb.NameRange(kRangeTickerName);
    const Range last = anchor.End(Direction::kDown);
    if (last.Value().IsEmpty()) return counts;
    for (int row = anchor.Row() + 2; row <= last.Row(); ++row) {
      if (const std::optional<int> count = BarCount(wb, row)) counts[row] = *count;
    }
  } catch (const Error&) {
    // A broken table is the project check's to report.
  }
  return counts;
}

// "3 new bars" or "up to date": what an update brought to a row. The bar
// of the newest date already present comes again and replaces the old one.
std::string BarsAddedNote(int before, int after) {
  const int added = after - before;
  if (added <= 0) return "up to date";
  return std::to_string(added) + (added == 1 ? " new bar" : " new bars");
}

}  // namespace

void AddRunOptions(CLI::App* cmd, RunOptions& options, std::string& on_error) {
  cmd->add_option("--rows", options.rows, "Only these sheet rows of the ticker table, e.g. 3,5-9")
      ->check(RowListCheck());
  cmd->add_flag("--failed", options.failed, "Only the rows whose last status is red");
  cmd->add_flag("--gui", options.gui, "Show the progress window and message boxes as windows (needs a display)");
  // One library per --plugin, so the project path after it is not taken for a second one.
  cmd->add_option("--plugin", options.plugins, "Load user macros from this shared library (repeatable)")
      ->expected(1)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  AddYesNoFlags(cmd, options.console);
  cmd->add_option("--on-error", on_error, "Answer error boxes: abort, retry or ignore")
      ->check(CLI::IsMember({"abort", "retry", "ignore"}, CLI::ignore_case));
  cmd->add_flag("--open", options.open_exports, "Open the files the exports wrote with the desktop's program for them");
  cmd->add_flag("--force", options.force,
                "Run although another pelorinxl or another spreadsheet program has the workbook open");
  AddAllowLossOption(cmd, options.allow_loss);
  AddCalcOptions(cmd, options.calc);
  AddStoreOptions(cmd, options.store);
  AddBudgetOptions(cmd, options.budget);
  cmd->add_flag("--no-readjust", options.no_readjust,
                "Update: append after the newest bar without comparing the bars before it with the source's");
}

// The exit code of a run that was saved.
int ExitCodeOf(const RunOutcome& outcome, const ConsoleProgressView& view, bool break_shown) {
  if (outcome.cancelled) return kExitCancelled;
  if (!outcome.ran) return break_shown ? kExitRefused : kExitOk;
  if (view.ReachedEnd()) {
    if (outcome.failed_rows > 0) return kExitRowsFailed;
    return outcome.deferred_rows > 0 ? kExitRowsDeferred : kExitOk;
  }
  if (view.StoppedByChecks() || (!view.Started() && break_shown)) return kExitRefused;
  return kExitRowsFailed;
}

RunOutcome RunProjectFile(const AppContext& ctx, const std::string& path, const RunOptions& options) {
  if (options.calc.connection) return RunProjectInCalc(ctx, path, options);
  // Checked first: without windows nothing is opened.
  std::unique_ptr<GuiWindows> windows = options.gui ? OpenGuiWindowsOrExit(ctx.err) : nullptr;
  // Until the workbook is loaded a stop signal ends the command at once.
  stop_signals::Install();
  struct RestoreSignals {
    ~RestoreSignals() { stop_signals::Restore(); }
  } restore_signals;
  WorkbookLock lock = [&] {
    stop_signals::HoldBack hold;
    WorkbookLock taken = WorkbookLock::Acquire(path, options.force);
    if (taken.Held()) stop_signals::SetLockFile(taken.Path());
    return taken;
  }();
  // Declared first so the libraries stay loaded until the host is gone.
  PluginSet plugins;
  std::unique_ptr<MemoryHost> host = ctx.MakeHost();
  RegisterCompanionFunctions(*host);
  for (const std::string& plugin : options.plugins) plugins.Load(plugin, *host);
  Workbook* opened = nullptr;
  try {
    opened = &host->OpenWorkbook(path);
  } catch (const Error& e) {
    throw CommandExit(kExitLoadSaveFailed, e.Description() + "; nothing was changed");
  }
  Workbook& wb = *opened;
  stop_signals::Deferred();
  stop_signals::SetLockFile("");
  // Before anything is downloaded or changed.
  RefuseLosses(wb, path, options.allow_loss, ctx.err);
  RunKeeping keeping;
  keeping.save = [&wb] { wb.Save(); };
  return RunProject(ctx, *host, wb, options, windows.get(), keeping);
}

RunOutcome RunProject(const AppContext& ctx, SpreadsheetHost& host_ref, Workbook& wb, const RunOptions& options,
                      GuiWindows* windows, const RunKeeping& keeping) {
  RunOutcome outcome;
  SpreadsheetHost* host = &host_ref;
  const std::string folder = std::filesystem::path(wb.FullName()).parent_path().string();
  const std::string path = wb.FullName();
  // Its lists and messages make a project: without them nothing is run
  // and the file is not written.
  if (wb.FindWorksheet(kParametersSheet) == nullptr) {
    throw CommandExit(kExitRefused, path + ": the workbook has no \"" + kParametersSheet +
                                        "\" sheet, so it is not a project; nothing was changed");
  }
  ConsoleOptions console = options.console;
  console.catch_interrupt = false;  // the stop signals are watched here
  ConsoleUi console_ui(console, std::cin, ctx.err);
  UiPort& ui = windows ? windows->Ui() : console_ui;
  host->SetDoEventsHook([&ui, &console_ui, &ctx] {
    if (stop_signals::TakePending()) {
      ctx.err << "\n(stop signal: cancelling; the rows finished so far will be saved)\n";
      console_ui.CancelShownForm();
    }
    ui.ProcessEvents();
  });
  SystemClock clock;
  SettingsStore settings = SettingsStore::ForUser();
  // Each unreadable settings line is reported once per run.
  auto reported = std::make_shared<std::set<std::string>>();
  auto report = [reported, &ctx](const std::string& problem) {
    if (reported->insert(problem).second) ctx.err << "pelorinxl: warning: " << problem << "\n";
  };
  settings.SetProblemReporter(report);
  ConsoleProgressView view(ctx.out, options.terminal);
  if (options.action == "Update") {
    auto before = std::make_shared<std::map<int, int>>(BarCounts(wb));
    // A finished row counts its own sheet only: counting every row after
    // each one made the notes of a long table cost more than its update.
    view.SetRowNote([before, &wb](int16_t row) {
      const std::optional<int> now = BarCount(wb, row);
      if (!now) return std::string();
      const auto was = before->find(row);
      return BarsAddedNote(was == before->end() ? 0 : was->second, *now);
    });
  }
  // Macros alone download nothing.
  const RunStore run_store =
      options.action == "RunOnlyMacros"
          ? RunStore()
          : OpenRunStore(options.store, path, options.action == "Update" ? "update" : "refresh", options.rows, ctx.out,
                         ctx.err);
  // --resume takes up the resumed run's --rows choice.
  const std::optional<std::string> row_choice = run_store.store ? run_store.rows : options.rows;
  const std::shared_ptr<QuoteStore>& store = run_store.store;
  // The budget's ledger lives in the store's file; without a store (or with
  // one that is only read) it counts this run's requests alone.
  const std::shared_ptr<RequestBudget> budget =
      options.action == "RunOnlyMacros"
          ? nullptr
          : OpenRunBudget(options.budget, LoadQuoteSettings(folder), store && store->Writable() ? store->Path() : "",
                          false, ctx.err);
  TeeProgressView tee(view, windows ? &windows->Progress() : nullptr);
  JournalingView faces(tee, store.get());

  RunContext rc;
  rc.host = host;
  rc.ui = &ui;
  rc.clock = &clock;
  rc.settings = &settings;
  rc.MakeErrorDialog = MakeErrorMessageFormFactory(OpenWithShell(DesktopShell()));  // Send opens a mail link
  rc.Path = InstalledHelpFolder();
  rc.ReadjustCheck = !options.no_readjust;
  rc.MakeQuoteFetcher = [folder, report, store, budget, resume_run = run_store.resume_run, &options, &host] {
    QuoteSettings quote_settings = LoadQuoteSettings(folder, host->Regional());
    for (const std::string& problem : quote_settings.problems) report(problem);
    quote_settings.store = store;
    quote_settings.offline = options.store.offline;
    quote_settings.stale_ok = options.store.stale_ok;
    quote_settings.resume_run = resume_run;
    quote_settings.budget = budget;
    return MakeQuoteFetcher(quote_settings);
  };
  InstallDownloadEngine(rc, &faces);
  {
    CPelorin pelorin(rc);
    pelorin.ExcelApplication(host);
    pelorin.ThisWorkbookApplication(&wb);
    if (row_choice || options.failed) {
      std::vector<int16_t> rows;
      if (row_choice) rows = ParseRowList(*row_choice);
      if (pelorin.Successor()) {
        if (options.failed) {
          std::vector<int16_t> red = FailedRows(wb);
          if (row_choice) {
            std::vector<int16_t> both;
            for (int16_t r : rows)
              if (std::find(red.begin(), red.end(), r) != red.end()) both.push_back(r);
            rows = both;
          } else {
            rows = red;
          }
        }
        if (!rows.empty()) {
          rc.SelectiveMode = true;
          rc.SelectedRows = ToSelectedRows(rows);
          pelorin.UpdateMyData(options.action);
          pelorin.ActivatePrefferedSheet();
          outcome.ran = true;
        }
      }
    } else if (options.action == "Update") {
      pelorin.UpdateData();
      outcome.ran = true;
    } else if (options.action == "RunOnlyMacros") {
      pelorin.RunOnlyMacros();
      outcome.ran = true;
    } else {
      pelorin.RefreshData();
      outcome.ran = true;
    }
    outcome.cancelled = rc.StopFlag || stop_signals::Received();
  }
  outcome.rows = view.Rows();
  outcome.failed_rows = view.FailedRows();
  outcome.deferred_rows = view.DeferredRows();
  outcome.exit_code = ExitCodeOf(outcome, view, rc.BreakShown);
  ReportStoreWarnings(store.get(), ctx.err);
  if (budget) {
    for (const std::string& warning : budget->TakeWarnings()) ctx.err << "pelorinxl: warning: " << warning << "\n";
  }
  if (store) store->EndRun(outcome.exit_code);
  for (const std::string& warning : wb.Warnings()) ctx.err << "pelorinxl: warning: " << warning << "\n";
  // Nothing ran: the file stays as it was, and the last line says why.
  if (!outcome.cancelled && outcome.rows == 0 && (outcome.exit_code == kExitRefused || !outcome.ran)) {
    if (outcome.exit_code == kExitRefused) {
      ctx.out << "stopped: the project check failed before the first row (its message is above); nothing was "
                 "saved, "
              << wb.FullName() << " is unchanged" << std::endl;
    } else {
      ctx.out << "stopped: no row to run; " << wb.FullName() << " is unchanged" << std::endl;
    }
    return outcome;
  }
  try {
    FinishWorkbookLook(wb);
  } catch (const Error& e) {
    // The look is the last touch: the rows' data stands without it (a
    // document without a window in Calc cannot freeze panes).
    ctx.err << "pelorinxl: warning: the finished look was not applied: " << e.Description() << "\n";
  }
  const std::string summary = (outcome.cancelled ? "Cancelled after " : "Done: ") + std::to_string(outcome.rows) +
                              " row(s), " + std::to_string(outcome.failed_rows) + " failed" +
                              (outcome.deferred_rows > 0 ? ", " + std::to_string(outcome.deferred_rows) + " deferred"
                                                         : "");
  if (keeping.save) {
    ctx.out << "saving " << wb.FullName() << " ..." << std::endl;
    try {
      keeping.save();
    } catch (const Error& e) {
      throw CommandExit(kExitLoadSaveFailed, e.Description() + "; the file was not changed");
    }
    ctx.out << summary << "; saved " << wb.FullName() << std::endl;
  } else {
    ctx.out << summary << "; not saved: " << keeping.unsaved_note << std::endl;
  }
  if (outcome.deferred_rows > 0 && !outcome.cancelled) {
    ctx.out << "Deferred rows wait for their source's request budget (their status says until when); try "
               "later: --resume continues"
            << std::endl;
  }
  if (options.open_exports) {
    // Opening is a convenience after the work is saved: a file that cannot
    // be opened is reported and does not change the exit code.
    if (rc.FilesWritten.empty()) ctx.out << "--open: no export file was written\n";
    OpenFiles(rc.FilesWritten, ctx.err);
  }
  return outcome;
}

}  // namespace plrxl::app
