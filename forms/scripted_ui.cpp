#include "forms/scripted_ui.h"

#include "support/error_dialog.h"

namespace plrxl {

namespace {

const char* KindName(int kind) {
  static const char* const kNames[] = {"a message box", "a modal form", "an open dialog", "a save dialog"};
  return kNames[kind];
}

}  // namespace

ScriptedUi& ScriptedUi::AnswerBox(MsgResult answer, std::string prompt_contains) {
  Step step;
  step.kind = Kind::kBox;
  step.answer = answer;
  step.text = std::move(prompt_contains);
  steps_.push_back(std::move(step));
  return *this;
}

ScriptedUi& ScriptedUi::ExpectModal(std::string form_name, std::string button, FormAction action) {
  Step step;
  step.kind = Kind::kModal;
  step.text = std::move(form_name);
  step.button = std::move(button);
  step.action = std::move(action);
  steps_.push_back(std::move(step));
  return *this;
}

ScriptedUi& ScriptedUi::ChooseFiles(std::vector<std::string> files) {
  Step step;
  step.kind = Kind::kOpenFile;
  step.files = std::move(files);
  steps_.push_back(std::move(step));
  return *this;
}

ScriptedUi& ScriptedUi::ChooseSavePath(std::optional<std::string> path) {
  Step step;
  step.kind = Kind::kSaveFile;
  step.save_path = std::move(path);
  steps_.push_back(std::move(step));
  return *this;
}

ScriptedUi& ScriptedUi::CancelAtEvent(int n) {
  cancel_at_ = events_ + n;
  return *this;
}

void ScriptedUi::Fail(const std::string& message) {
  failures_.push_back(message);
  if (sink_) sink_(message);
  throw ScriptError("ScriptedUi: " + message);
}

ScriptedUi::Step ScriptedUi::Next(Kind kind, const std::string& what) {
  if (steps_.empty()) Fail(std::string("unexpected ") + KindName(static_cast<int>(kind)) + ": " + what);
  if (steps_.front().kind != kind) {
    Fail(std::string("script expected ") + KindName(static_cast<int>(steps_.front().kind)) + " but got " +
         KindName(static_cast<int>(kind)) + ": " + what);
  }
  Step step = std::move(steps_.front());
  steps_.pop_front();
  return step;
}

MsgResult ScriptedUi::MsgBox(const std::string& prompt, MsgButtons buttons, MsgIcon icon, const std::string& title) {
  Step step = Next(Kind::kBox, "\"" + prompt + "\" titled \"" + title + "\"");
  if (!step.text.empty() && prompt.find(step.text) == std::string::npos) {
    Fail("message box \"" + prompt + "\" does not contain the expected \"" + step.text + "\"");
  }
  boxes_.push_back({prompt, buttons, icon, title, step.answer});
  return step.answer;
}

void ScriptedUi::ShowModal(Form& form) {
  const std::string name = form.FormName();
  Step step = Next(Kind::kModal, name);
  if (step.text != name) Fail("script expected the form " + step.text + " but " + name + " was shown");
  ModalRecord record;
  record.form_name = name;
  shown_.push_back(&form);
  try {
    form.RunHeadless(*this);
    if (!step.button.empty() && !form.Click(step.button)) {
      Fail("the form " + name + " has no button " + step.button);
    }
    if (step.action) step.action(form, *this);
  } catch (...) {
    shown_.pop_back();
    throw;
  }
  shown_.pop_back();
  record.tag = form.Tag;
  if (auto* dialog = dynamic_cast<ErrorMessageDialog*>(&form)) record.text = dialog->ErrorMessage();
  modals_.push_back(std::move(record));
}

std::vector<std::string> ScriptedUi::OpenFileDialog(const FileDialogOptions& options) {
  Step step = Next(Kind::kOpenFile, options.title);
  file_dialogs_.push_back(options);
  return step.files;
}

std::optional<std::string> ScriptedUi::SaveFileDialog(const FileDialogOptions& options) {
  Step step = Next(Kind::kSaveFile, options.title);
  file_dialogs_.push_back(options);
  return step.save_path;
}

void ScriptedUi::ProcessEvents() {
  ++events_;
  if (cancel_at_ != 0 && events_ == cancel_at_) {
    cancel_at_ = 0;
    if (!shown_.empty()) shown_.back()->CancelRequested();
  }
}

}  // namespace plrxl
