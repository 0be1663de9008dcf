// pelorinxl edit PROJECT: the row editor window; its range pick shows the
// workbook's sheets read-only to click the cell where the data begins.
// pelorinxl select PROJECT: the selective update window, whose run buttons
// refresh, update or run the macros of the chosen rows.
// Both need a display; the workbook is saved when it changed. Without
// PROJECT a file dialog asks for it (the desktop entry's menu start).
#include <filesystem>
#include <optional>
#include <ostream>

#include "app/commands.h"
#include "app/gui_windows.h"
#include "app/project_session.h"
#include "app/save_losses.h"
#include "app/workbook_lock.h"
#include "companion/companion_functions.h"
#include "download/macro_runner.h"
#include "forms/row_editor_form.h"
#include "forms/window_forms.h"
#include "host/error.h"

namespace plrxl::app {

namespace {

std::string Folder(const std::string& path) { return std::filesystem::absolute(path).parent_path().string(); }

// The project named on the command line, or, without one (the desktop
// entry started from the menu), the one the person picks; nullopt when the
// pick was cancelled.
std::optional<std::string> ProjectPath(const std::string& given, UiPort& ui) {
  if (!given.empty()) return given;
  FileDialogOptions dialog;
  dialog.title = "Open a PelorinXL project";
  dialog.initial_dir = std::filesystem::current_path().string();
  dialog.filters = {{"Project workbooks", "*.xlsx;*.xlsm"}};
  std::vector<std::string> chosen = ui.OpenFileDialog(dialog);
  if (chosen.empty()) return std::nullopt;
  return chosen.front();
}

void EditProject(const AppContext& ctx, const std::string& given, ConsoleOptions console, bool force,
                 bool allow_loss) {
  std::unique_ptr<GuiWindows> windows = OpenGuiWindowsOrExit(ctx.err);
  const std::optional<std::string> chosen = ProjectPath(given, windows->Ui());
  if (!chosen) {
    ctx.out << "No project chosen\n";
    return;
  }
  const std::string& path = *chosen;
  const WorkbookLock lock = WorkbookLock::Acquire(path, force);
  ProjectSession session(ctx, console, Folder(path), &windows->Ui());
  InstallWindowForms(session.Context());
  session.Host().SetDoEventsHook([&windows] { windows->Ui().ProcessEvents(); });
  Workbook& wb = session.Open(path);
  RefuseLosses(wb, path, allow_loss, ctx.err);
  CPelorin& pelorin = session.Pelorin();
  if (!pelorin.Successor()) throw Error(1, "pelorinxl", path + ": not a usable project; nothing was changed");
  // The workbook script's loop: show the editor; when it asks for the data
  // beginning, let the person click a cell and show it again.
  while (pelorin.ShowRefEditInterface() == "DATABEGINNING") {
    std::optional<std::string> cell = windows->PickCell(wb);
    if (cell) pelorin.RefEditInputs(*cell);
  }
  int added = 0;
  if (auto* editor = dynamic_cast<frmMaster*>(session.Context().windows.frmMaster.get())) added = editor->RowsInserted();
  pelorin.UnloadfrmMaster();
  if (added == 0) {
    ctx.out << "No row added; " << wb.FullName() << " is unchanged\n";
    return;
  }
  wb.Save();
  ctx.out << "Added " << added << " row(s); saved " << wb.FullName() << "\n";
}

void SelectRows(const AppContext& ctx, const std::string& given, ConsoleOptions console, bool force,
                bool allow_loss) {
  std::unique_ptr<GuiWindows> windows = OpenGuiWindowsOrExit(ctx.err);
  const std::optional<std::string> chosen = ProjectPath(given, windows->Ui());
  if (!chosen) {
    ctx.out << "No project chosen\n";
    return;
  }
  const std::string& path = *chosen;
  const WorkbookLock lock = WorkbookLock::Acquire(path, force);
  ProjectSession session(ctx, console, Folder(path), &windows->Ui());
  RegisterCompanionFunctions(session.Host());
  InstallDownloadEngine(session.Context(), &windows->Progress());
  InstallWindowForms(session.Context());
  session.Host().SetDoEventsHook([&windows] { windows->Ui().ProcessEvents(); });
  Workbook& wb = session.Open(path);
  RefuseLosses(wb, path, allow_loss, ctx.err);
  session.Context().SelectiveMode = false;
  session.Pelorin().SelectiveUpdatePelorinXL();
  // A run button sets SelectiveMode; without a run nothing changed.
  if (!session.Context().SelectiveMode) {
    ctx.out << "No run; " << wb.FullName() << " is unchanged\n";
    return;
  }
  for (const std::string& warning : wb.Warnings()) ctx.err << "pelorinxl: warning: " << warning << "\n";
  wb.Save();
  ctx.out << "Saved " << wb.FullName() << "\n";
}

void AddWindowCommand(CLI::App& app, const AppContext& ctx, const char* name, const char* help,
                      void (*body)(const AppContext&, const std::string&, ConsoleOptions, bool, bool)) {
  CLI::App* cmd = app.add_subcommand(name, help);
  auto path = std::make_shared<std::string>();
  auto console = std::make_shared<ConsoleOptions>();
  auto on_error = std::make_shared<std::string>("abort");
  cmd->add_option("PROJECT", *path, "The project workbook (none: choose it in a file dialog)");
  auto force = std::make_shared<bool>(false);
  cmd->add_flag("--force", *force, "Open the workbook although another program has it open");
  auto allow_loss = std::make_shared<bool>(false);
  AddAllowLossOption(cmd, *allow_loss);
  AddAnswerOptions(cmd, *console, *on_error);
  cmd->callback([&ctx, path, console, on_error, body, force, allow_loss] {
    console->on_error = ParseOnErrorAnswer(*on_error).value_or(OnErrorAnswer::kAbort);
    body(ctx, *path, *console, *force, *allow_loss);
  });
}

}  // namespace

void RegisterWindowCommands(CLI::App& app, const AppContext& ctx) {
  AddWindowCommand(app, ctx, "edit", "Open the row editor window to add ticker rows (needs a display)", EditProject);
  AddWindowCommand(app, ctx, "select",
                   "Open the selective update window to run chosen rows only (needs a display)", SelectRows);
}

}  // namespace plrxl::app
