// MessageCollector: a UI port that keeps the plain messages (boxes with
// only an OK button) a command wants to print itself, as a success on
// stdout or as the command's error, and hands every question, window and
// file dialog on to the console.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "support/ui_port.h"

namespace plrxl::app {

class MessageCollector : public UiPort {
 public:
  explicit MessageCollector(UiPort* console) : console_(console) {}
  MsgResult MsgBox(const std::string& prompt, MsgButtons buttons, MsgIcon icon, const std::string& title) override {
    if (buttons != MsgButtons::kOk) return console_->MsgBox(prompt, buttons, icon, title);
    messages.push_back(prompt);
    return MsgResult::kOk;
  }
  void ShowModal(Form& form) override { console_->ShowModal(form); }
  std::vector<std::string> OpenFileDialog(const FileDialogOptions& o) override { return console_->OpenFileDialog(o); }
  std::optional<std::string> SaveFileDialog(const FileDialogOptions& o) override {
    return console_->SaveFileDialog(o);
  }
  void ProcessEvents() override { console_->ProcessEvents(); }

  std::vector<std::string> messages;  // in the order they were shown

 private:
  UiPort* console_;
};

}  // namespace plrxl::app
