// ProgressView: the face of the progress window. The run driver
// (RunDriver) tells its view what the window shows; a console view
// draws a bar or prints one line per row, a Qt view paints a dialog. A view
// only displays: it never changes the run (cancel goes through the window's
// CancelButton_Click).
#pragma once

#include <cstdint>
#include <string>

namespace plrxl {

class ProgressView {
 public:
  virtual ~ProgressView() = default;
  // The window caption (Parameters G2) and the cancel button's (G3).
  virtual void CaptionsChanged(const std::string& caption, const std::string& cancel_caption) {
    (void)caption;
    (void)cancel_caption;
  }
  // The progress bar: 0 to 100 and its caption ("42%").
  virtual void ProgressChanged(int percent, const std::string& caption) {
    (void)percent;
    (void)caption;
  }
  // The message label (lblMessage).
  virtual void MessageChanged(const std::string& text) { (void)text; }
  // A row's status line was written into its Status cell.
  virtual void RowFinished(int16_t row, const std::string& ticker, const std::string& status, bool failed) {
    (void)row;
    (void)ticker;
    (void)status;
    (void)failed;
  }
  // The checks before the first row stopped the run.
  virtual void ChecksStopped() {}
  // The run reached the end of the ticker table (not stopped on the way).
  virtual void AllRowsDone() {}
  // The window closed at the end of the run.
  virtual void Closed() {}
};

}  // namespace plrxl
