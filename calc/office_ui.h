// The system's face inside Calc: message boxes and the error dialog as the
// office's own message boxes (parented to the document's window), the
// progress window as Calc's status-bar indicator, event yields through the
// office's toolkit.
//
// The selective update window, the row editor and the converter are office
// dialogs (selective_update_dialog.h, row_editor_dialog.h,
// converter_dialog.h); a show of any other form with fields fails with
// Error 1004.
//
// A testing aid: when the office was started with PLRXL_CALC_UI_LOG naming a
// file, every message box is also appended to that file as one line
// "title<TAB>prompt<TAB>answer" (line breaks in the prompt as "\n"). A
// headless office answers every box at once with Cancel, which the boxes
// without a Cancel button read as No, Abort or OK.
#pragma once

#include <string>

#include <com/sun/star/awt/XReschedule.hpp>

#include "calc/uno_parts.h"
#include "download/progress_view.h"
#include "support/ui_port.h"

namespace plrxl::calc {

class OfficeUi : public UiPort {
 public:
  OfficeUi(Reference<css::uno::XComponentContext> context, Reference<css::frame::XFrame> frame);

  MsgResult MsgBox(const std::string& prompt, MsgButtons buttons, MsgIcon icon, const std::string& title) override;
  void ShowModal(Form& form) override;
  std::vector<std::string> OpenFileDialog(const FileDialogOptions& options) override;
  std::optional<std::string> SaveFileDialog(const FileDialogOptions& options) override;
  // Lets the office handle what waits (repaints, clicks, the Cancel run
  // command).
  void ProcessEvents() override;

  // The person chose Cancel run: the shown progress window reacts as to its
  // cancel button. False when no run is showing.
  bool CancelShownForm();
  // The new project the converter window's Create was pressed for; empty
  // when it was cancelled.
  const std::string& ConvertedFile() const { return converted_file_; }

 private:
  Reference<css::uno::XComponentContext> context_;
  Reference<css::frame::XFrame> frame_;
  Form* shown_ = nullptr;
  Reference<css::awt::XReschedule> reschedule_;
  std::string converted_file_;
};

// The progress window's face: Calc's status-bar indicator of the frame.
class StatusBarView : public ProgressView {
 public:
  explicit StatusBarView(const Reference<css::frame::XFrame>& frame);
  ~StatusBarView() override;

  void CaptionsChanged(const std::string& caption, const std::string& cancel_caption) override;
  void ProgressChanged(int percent, const std::string& caption) override;
  void MessageChanged(const std::string& text) override;
  void RowFinished(int16_t row, const std::string& ticker, const std::string& status, bool failed) override;
  void ChecksStopped() override { stopped_by_checks_ = true; }
  void AllRowsDone() override { reached_end_ = true; }
  void Closed() override;

  int Rows() const { return rows_; }
  int FailedRows() const { return failed_rows_; }
  bool ReachedEnd() const { return reached_end_; }
  bool StoppedByChecks() const { return stopped_by_checks_; }

 private:
  void Start();
  void Show();

  Reference<css::task::XStatusIndicator> indicator_;
  bool started_ = false;
  std::string caption_, message_;
  int rows_ = 0, failed_rows_ = 0;
  bool reached_end_ = false, stopped_by_checks_ = false;
};

}  // namespace plrxl::calc
