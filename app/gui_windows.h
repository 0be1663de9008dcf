// The windows of the commands that show them (edit, select and the run
// commands with --gui): a UI port and a progress face from the Qt views,
// when this program was built with them and a display is there.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "download/progress_view.h"
#include "support/ui_port.h"

namespace plrxl {
class Workbook;
}

namespace plrxl::app {

class GuiWindows {
 public:
  virtual ~GuiWindows() = default;
  virtual UiPort& Ui() = 0;
  virtual ProgressView& Progress() = 0;
  // The range pick: the clicked cell's address, nullopt when cancelled.
  virtual std::optional<std::string> PickCell(Workbook& workbook) = 0;
};

// The program that holds the Qt views (package pelorinxl-gui).
inline constexpr const char* kWindowsProgramName = "pelorinxl-windows";

// Keeps the command line for OpenGuiWindowsOrExit; main calls it first.
void RememberArguments(int argc, char** argv);

// The windows, or, when they cannot be shown (no display, or the windows
// not installed), one line on `err` and exit status 2. Without the Qt
// views built in, the command is run again by kWindowsProgramName instead
// (this call then does not return). Call it before anything is opened:
// nothing is saved on that exit.
std::unique_ptr<GuiWindows> OpenGuiWindowsOrExit(std::ostream& err);

// Hands every notification to both views (the console's count and the
// window); `second` may be nullptr.
class TeeProgressView : public ProgressView {
 public:
  TeeProgressView(ProgressView& first, ProgressView* second) : first_(first), second_(second) {}
  void CaptionsChanged(const std::string& caption, const std::string& cancel_caption) override {
    first_.CaptionsChanged(caption, cancel_caption);
    if (second_ != nullptr) second_->CaptionsChanged(caption, cancel_caption);
  }
  void ProgressChanged(int percent, const std::string& caption) override {
    first_.ProgressChanged(percent, caption);
    if (second_ != nullptr) second_->ProgressChanged(percent, caption);
  }
  void MessageChanged(const std::string& text) override {
    first_.MessageChanged(text);
    if (second_ != nullptr) second_->MessageChanged(text);
  }
  void RowFinished(int16_t row, const std::string& ticker, const std::string& status, bool failed) override {
    first_.RowFinished(row, ticker, status, failed);
    if (second_ != nullptr) second_->RowFinished(row, ticker, status, failed);
  }
  void ChecksStopped() override {
    first_.ChecksStopped();
    if (second_ != nullptr) second_->ChecksStopped();
  }
  void AllRowsDone() override {
    first_.AllRowsDone();
    if (second_ != nullptr) second_->AllRowsDone();
  }
  void Closed() override {
    first_.Closed();
    if (second_ != nullptr) second_->Closed();
  }

 private:
  ProgressView& first_;
  ProgressView* second_;
};

}  // namespace plrxl::app
