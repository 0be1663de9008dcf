// ScriptedUi: the UI port that plays a person from a script.
//
// Tests (and demos) queue the answers in the order the system will ask;
// every message box, modal show and file dialog takes the next step of the
// queue and is recorded. A prompt that the script did not foresee (queue
// empty, a step of another kind, a prompt without the expected text, another
// form) is a failure: it is recorded, reported to the failure sink (tests
// route it to their framework) and thrown as ScriptError, so it can never
// pass unnoticed.
//
// Modal shows run the form headless (Form::RunHeadless), then press the
// scripted button (Form::Click) and run the scripted action. The error
// dialog's text is recorded with the show.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/ui_port.h"

namespace plrxl {

class ScriptError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

struct BoxRecord {
  std::string prompt;
  MsgButtons buttons;
  MsgIcon icon;
  std::string title;
  MsgResult answer;
};

struct ModalRecord {
  std::string form_name;
  std::string tag;   // the form's Tag when the show ended
  std::string text;  // the error dialog's text; empty for other forms
};

class ScriptedUi : public UiPort {
 public:
  using FormAction = std::function<void(Form& form, UiPort& ui)>;

  // --- the script, in the order of the prompts ---
  // The next message box is answered `answer`; when `prompt_contains` is not
  // empty the prompt must contain it.
  ScriptedUi& AnswerBox(MsgResult answer, std::string prompt_contains = "");
  // The next modal show must be of `form_name`; after its headless run the
  // button `button` is pressed (none when empty) and `action` runs.
  ScriptedUi& ExpectModal(std::string form_name, std::string button = "", FormAction action = {});
  // The next modal show is the error dialog, answered with its button.
  ScriptedUi& AbortOnError() { return ExpectModal("frmErrorMessage", "btnAbort"); }
  ScriptedUi& RetryOnError() { return ExpectModal("frmErrorMessage", "btnRetry"); }
  ScriptedUi& IgnoreOnError() { return ExpectModal("frmErrorMessage", "btnIgnore"); }
  // The next open dialog returns `files` (empty: cancelled).
  ScriptedUi& ChooseFiles(std::vector<std::string> files);
  // The next save dialog returns `path` (nullopt: cancelled).
  ScriptedUi& ChooseSavePath(std::optional<std::string> path);
  // The person cancels (Ctrl+C, cancel button) at the n-th ProcessEvents
  // call from now (1 = the next one), through the form on top.
  ScriptedUi& CancelAtEvent(int n);

  // Receives every failure text as it happens (e.g. ADD_FAILURE in tests).
  void SetFailureSink(std::function<void(const std::string&)> sink) { sink_ = std::move(sink); }

  // --- what happened ---
  const std::vector<BoxRecord>& Boxes() const { return boxes_; }
  const std::vector<ModalRecord>& Modals() const { return modals_; }
  const std::vector<FileDialogOptions>& FileDialogs() const { return file_dialogs_; }
  const std::vector<std::string>& Failures() const { return failures_; }
  // Steps of the script not used yet.
  size_t Pending() const { return steps_.size(); }
  int Beeps() const { return beeps_; }
  int EventsProcessed() const { return events_; }

  // --- UiPort ---
  MsgResult MsgBox(const std::string& prompt, MsgButtons buttons, MsgIcon icon, const std::string& title) override;
  void ShowModal(Form& form) override;
  std::vector<std::string> OpenFileDialog(const FileDialogOptions& options) override;
  std::optional<std::string> SaveFileDialog(const FileDialogOptions& options) override;
  void ProcessEvents() override;
  void Beep() override { ++beeps_; }

 private:
  enum class Kind { kBox, kModal, kOpenFile, kSaveFile };
  struct Step {
    Kind kind = Kind::kBox;
    MsgResult answer = MsgResult::kOk;
    std::string text;  // prompt part for boxes, form name for modal shows
    std::string button;
    FormAction action;
    std::vector<std::string> files;
    std::optional<std::string> save_path;
  };

  // Takes the next step, which must be of `kind`; fails loudly otherwise.
  Step Next(Kind kind, const std::string& what);
  [[noreturn]] void Fail(const std::string& message);

  std::deque<Step> steps_;
  std::vector<BoxRecord> boxes_;
  std::vector<ModalRecord> modals_;
  std::vector<FileDialogOptions> file_dialogs_;
  std::vector<std::string> failures_;
  std::vector<Form*> shown_;
  std::function<void(const std::string&)> sink_;
  int beeps_ = 0;
  int events_ = 0;
  int cancel_at_ = 0;
};

}  // namespace plrxl
