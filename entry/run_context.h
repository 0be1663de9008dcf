// RunContext: the module-level state of the system and the services it is
// handed, in one explicit object instead of process globals.
//
// One RunContext lives as long as the script (or the command) that drives the
// project workbook; every CPelorin, ProgressBarWindow, Cfenmar and Corvan of
// that run shares it by reference. Tests build a fresh one per case.
//
// Ownership: the context owns the window single instances and the shared
// error handler (through the shared_ptr in g_ObjErrorHandler); it does not own
// the injected host, UI, clock or settings store, which must outlive it.
// Everything is used on one thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/ui_port.h"
#include "host/variant.h"
#include "support/error_dialog.h"
#include "support/procedure.h"

namespace plrxl {

class CPelorin;
class Clock;
class EventLog;
class HelpViewer;
class UpdateChecker;
class QuoteFetcher;
class SettingsStore;
class SpreadsheetHost;
class Workbook;
class Worksheet;
struct RunContext;

// A window that talks back to the entry object that shows it (its Owner).
// The entry object sets the owner before the modal show and clears it after.
class EntryWindow : public Form {
 public:
  // nullptr releases the owner.
  virtual void SetOwner(CPelorin* owner) = 0;
};

// The row editor (frmMaster) as the entry object sees it: its request text
// ("DATABEGINNING" while the user picks a range, "CLOSE" otherwise) is the
// form's Tag; DataBeginning is the range-pick text of RefEditInputs.
class RowEditorWindow : public EntryWindow {
 public:
  virtual std::string DataBeginning() const = 0;
  virtual void SetDataBeginning(const std::string& text) = 0;
};

// The converter window (frmConverter): Tag "1" when the user pressed Create.
class ConverterWindow : public EntryWindow {
 public:
  virtual std::string txtFileNameInput() const = 0;
  virtual std::string txtFileNameOutput() const = 0;
};

// Makers of the windows. The entry folder cannot depend on the folders that
// implement the windows (download/, forms/), so they plug their makers in
// here. A maker that is not set makes the operation that needs the window
// fail with Error 424 "Object required", which goes to the error handler.
struct WindowFactories {
  std::function<std::unique_ptr<EntryWindow>(RunContext&)> ProgressBarWindow;
  std::function<std::unique_ptr<RowEditorWindow>(RunContext&)> frmMaster;
  std::function<std::unique_ptr<EntryWindow>(RunContext&)> frmSelectiveUpdateWindow;
  std::function<std::unique_ptr<ConverterWindow>(RunContext&)> frmConverter;
};

// The window single instances: made on first use, reused until unloaded.
struct WindowInstances {
  std::unique_ptr<EntryWindow> ProgressBarWindow;
  std::unique_ptr<RowEditorWindow> frmMaster;
  std::unique_ptr<EntryWindow> frmSelectiveUpdateWindow;
  std::unique_ptr<ConverterWindow> frmConverter;
};

// Operations of CPelorin whose bodies live in other folders (the per-row
// macro runner needs the macro engine; the converter and the update check
// need their components). CPelorin calls the hook when it is set and does
// nothing (returning the empty text) when it is not.
struct EntryHooks {
  // RunAllMacros(myWorkbook, mySettings, mySheet, myRow): "StopProcess" when
  // the user chose to stop the run, otherwise the empty text.
  std::function<std::string(CPelorin& self, Workbook& myWorkbook, Worksheet& mySettings,
                            const std::string& mySheet, int16_t myRow)>
      RunAllMacros;
  // RunMyMacro(myMacroName): the macro engine's result text ("Ok" on success).
  std::function<std::string(CPelorin& self, const std::string& myMacroName)> RunMyMacro;
  // RunConverter(input path, output path); when set it replaces the
  // built-in converter (the windows' tests count calls with it).
  std::function<void(CPelorin& self, const std::string& input, const std::string& output)> RunConverter;
  // AutoUpdateCheck after a refresh or update run; when set it replaces the
  // built-in check.
  std::function<void(CPelorin& self)> AutoUpdateCheck;
};

// The context. It is an ErrorHandlerSlot, so procedures take it directly:
//   Procedure proc(ctx, "Pelorin.CPelorin.TWP");
struct RunContext : ErrorHandlerSlot {
  // --- injected services (not owned) ---
  SpreadsheetHost* host = nullptr;
  UiPort* ui = nullptr;
  Clock* clock = nullptr;
  // The per-user settings store (section "Setting"); nullptr means the
  // user's own INI file under $XDG_CONFIG_HOME/PelorinXL/, opened on demand.
  SettingsStore* settings = nullptr;
  // Makes a QuoteFetcher for Corvan, the progress window and the row editor.
  // Each caller owns what it gets and keeps it for its own lifetime.
  std::function<std::unique_ptr<QuoteFetcher>()> MakeQuoteFetcher;
  // What each new shared error handler is given: the system log for its
  // event-log action (nullptr writes nothing) and the maker of its error
  // dialog (unset: the dialog action fails as a component failure).
  EventLog* event_log = nullptr;
  ErrorDialogFactory MakeErrorDialog;
  // Makes the update checker for each AutoUpdateCheck; unset: the reminder
  // checker over the settings store, the clock and the UI.
  std::function<std::unique_ptr<UpdateChecker>()> MakeUpdateChecker;
  // Shows the help's topics; nullptr: the desktop's opener (xdg-open).
  HelpViewer* help_viewer = nullptr;

  WindowFactories factories;
  WindowInstances windows;
  EntryHooks hooks;

  // --- module-level state under the system's names ---
  // g_ObjErrorHandler is inherited from ErrorHandlerSlot.
  // Folder of the help file; shared by every CPelorin of the context.
  std::string Path;
  // Set by every stop message, cleared at the start of the settings check.
  bool BreakShown = false;
  // True while a run started by the selective update window is going on;
  // SelectedRows then holds the chosen sheet rows (entries past the chosen
  // ones stay empty and match no row).
  bool SelectiveMode = false;
  std::vector<Variant> SelectedRows;
  // Set by the progress window's cancel button; every run loop tests it.
  bool StopFlag = false;
  // The status text collected for the row being processed and its error
  // flag; written into the row's Status cell by WriteLastStatusMsg.
  std::string LastDownloadText;
  bool LastDownloadFailed = false;
  // Every file an export wrote during the run, in the order written (the
  // command line opens them with --open).
  std::vector<std::string> FilesWritten;
  // An update compares the newest bars it holds with the source's before it
  // appends, and rewrites a block whose history the source re-adjusted;
  // off (--no-readjust), it only appends.
  bool ReadjustCheck = true;

  // Number of live CPelorin objects: the shared handler is released when
  // the last one ends.
  int CPelorinInstances = 0;
};

}  // namespace plrxl
