#include "download/progress_bar_window.h"

#include "entry/pelorin.h"
#include "host/error.h"

namespace plrxl {

ProgressBarWindow::ProgressBarWindow(RunContext& context, ProgressView* view)
    : context_(context), view_(view), driver_(context, view) {}

ProgressBarWindow::~ProgressBarWindow() {
  Form_Terminate();
  if (loaded_) Form_Unload();
}

void ProgressBarWindow::SetOwner(CPelorin* owner) {
  owner_ = owner;
  driver_.SetOwner(owner);
  if (owner_ != nullptr && !loaded_) Form_Load();
}

void ProgressBarWindow::SetView(ProgressView* view) {
  view_ = view;
  driver_.SetView(view);
}

void ProgressBarWindow::RunHeadless(UiPort& ui) {
  (void)ui;
  if (!loaded_) Form_Load();
  Form_Activate();
  Form_Unload();
}

bool ProgressBarWindow::Click(const std::string& control) {
  if (control != "CancelButton") return false;
  CancelButton_Click();
  return true;
}

CPelorin& ProgressBarWindow::Owner() {
  if (owner_ == nullptr) throw Error(kErrObjectRequired, "PlrXL2", "Object required");
  return *owner_;
}

void ProgressBarWindow::Form_Load() {
  Procedure proc(context_, "Pelorin.ProgressBarWindow.Form_Load");
  loaded_ = true;
  proc.Do([&] { driver_.Open(); });
  proc.Do([&] {
    caption_ = Owner().TWP("G2");
    cancel_caption_ = Owner().TWP("G3");
    if (view_ != nullptr) view_->CaptionsChanged(caption_, cancel_caption_);
  });
}

void ProgressBarWindow::Form_Activate() { driver_.Run(); }

void ProgressBarWindow::Form_Unload() {
  driver_.Close();
  driver_.SetOwner(nullptr);
  owner_ = nullptr;
  loaded_ = false;
}

void ProgressBarWindow::Form_Terminate() { context_.StopFlag = true; }

void ProgressBarWindow::CancelButton_Click() { driver_.Cancel(); }

}  // namespace plrxl
