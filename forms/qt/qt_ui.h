// QtUi: the UI port with Qt windows. Message boxes are QMessageBox, file
// dialogs QFileDialog, and each form of forms/ is shown by its view:
// frmMaster by RowEditorDialog, frmSelectiveUpdateWindow by
// SelectiveUpdateDialog, frmConverter by ConverterDialog, frmErrorMessage
// by ErrorDialog and ProgressBarWindow by ProgressDialog (which runs the
// whole job while it is on screen). A form without a view runs headless.
//
// Everything runs on the Qt GUI thread. ProcessEvents lets Qt deliver
// clicks (the progress window's Cancel) while a run is going on.
#pragma once

#include <functional>
#include <string>

#include "support/ui_port.h"

class QDialog;
class QWidget;

namespace plrxl {

class ProgressDialog;

class QtUi : public UiPort {
 public:
  // Called once each window is on screen, with the window and the form's
  // name ("frmMaster", "ProgressBarWindow", ... or "MsgBox", "FileDialog"):
  // tests drive and photograph the windows through it.
  using ShowHook = std::function<void(QWidget& window, const std::string& name)>;

  // `progress` must outlive the interface.
  explicit QtUi(ProgressDialog& progress);

  MsgResult MsgBox(const std::string& prompt, MsgButtons buttons, MsgIcon icon, const std::string& title) override;
  void ShowModal(Form& form) override;
  std::vector<std::string> OpenFileDialog(const FileDialogOptions& options) override;
  std::optional<std::string> SaveFileDialog(const FileDialogOptions& options) override;
  void ProcessEvents() override;
  void Beep() override;

  void SetShowHook(ShowHook hook) { hook_ = std::move(hook); }
  // Runs `dialog` modally and calls the show hook once it is on screen.
  int RunDialog(QDialog& dialog, const std::string& name);
  // Calls the show hook for a window that is shown without its own loop.
  void Shown(QWidget& window, const std::string& name);

 private:
  ProgressDialog& progress_;
  ShowHook hook_;
};

}  // namespace plrxl
