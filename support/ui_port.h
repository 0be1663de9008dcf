// UiPort: the only way the system talks to a person.
//
// Implementations: ScriptedUi (tests: answers from a queue, records every box
// and question, fails on an unexpected prompt), ConsoleUi (pelorinxl: boxes
// on stderr, questions on a terminal or from command-line answers) and the
// Qt views in forms/qt/. Everything is called on the one UI thread; every call
// blocks until the person (or the script) has answered.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace plrxl {

class UiPort;

enum class MsgButtons { kOk, kOkCancel, kAbortRetryIgnore, kYesNoCancel, kYesNo, kRetryCancel };
enum class MsgIcon { kNone, kCritical, kQuestion, kExclamation, kInformation };
// Values as the platform numbers them.
enum class MsgResult { kOk = 1, kCancel = 2, kAbort = 3, kRetry = 4, kIgnore = 5, kYes = 6, kNo = 7 };

// Base of every window whose logic lives in forms/. A modal show returns when
// the form hides itself (or is closed); Tag carries answers such as "ABORT".
class Form {
 public:
  virtual ~Form() = default;
  // The window's class name: "ProgressBarWindow", "frmErrorMessage", ...
  virtual std::string FormName() const = 0;

  // Runs the form where there is no window toolkit: the console and the
  // scripted interface call it from ShowModal in place of showing a window.
  // It runs the form's activation logic (Form_Activate); the modal show ends
  // when it returns. The progress window runs its whole job here. The default
  // does nothing, so the show ends at once.
  virtual void RunHeadless(UiPort& ui) { (void)ui; }
  // Presses the button named `control` ("btnAbort", "cmdCancel") as a click
  // would. Returns false when the form has no such button.
  virtual bool Click(const std::string& control) {
    (void)control;
    return false;
  }
  // The person asked to cancel while the form is shown (Ctrl+C in the
  // console, the close box of a window); the form reacts as its cancel
  // button would. The default ignores it.
  virtual void CancelRequested() {}

  std::string Tag;
};

struct FileDialogOptions {
  std::string title;
  std::string initial_dir;
  std::string default_name;
  // Pairs of description and pattern list, e.g. {"Workbooks", "*.xlsx;*.xls"}.
  std::vector<std::pair<std::string, std::string>> filters;
  bool multi_select = false;
  // The filter chosen when the dialog opens: 1 = the first one.
  int selected_filter = 1;
  // Extension (without the dot) added to a typed name that has none.
  std::string default_ext;
  // The chosen files must exist (open dialogs).
  bool file_must_exist = false;
};

class UiPort {
 public:
  virtual ~UiPort() = default;
  // A message box; returns the button chosen. A box with only OK returns kOk.
  virtual MsgResult MsgBox(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                           const std::string& title) = 0;
  // Shows a form modally: returns when the form has hidden itself.
  virtual void ShowModal(Form& form) = 0;
  // Open dialog: the chosen files, empty when cancelled.
  virtual std::vector<std::string> OpenFileDialog(const FileDialogOptions& options) = 0;
  // Save dialog: the chosen path, nullopt when cancelled.
  virtual std::optional<std::string> SaveFileDialog(const FileDialogOptions& options) = 0;
  // Lets the interface process pending events (cancel buttons, Ctrl+C).
  virtual void ProcessEvents() {}
  virtual void Beep() {}
};

}  // namespace plrxl
