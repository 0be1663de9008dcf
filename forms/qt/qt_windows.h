// QtWindows: what a command needs to show the system's windows with Qt,
// behind a header without Qt types, so the command line host stays free of
// the toolkit.
//
// One QtWindows per process (it owns the QApplication when none exists).
// Ui() is the UI port that shows message boxes, file dialogs and every form
// of forms/ (row editor, selective update, progress window, converter, error
// dialog) as Qt windows; ProgressFace() is the progress window's face to
// hand to InstallDownloadEngine.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "download/progress_view.h"
#include "support/ui_port.h"

namespace plrxl {

class Workbook;

class QtWindows {
 public:
  // Why windows cannot be shown here (no DISPLAY or WAYLAND_DISPLAY and no
  // QT_QPA_PLATFORM=offscreen); empty when they can.
  static std::string NoDisplayReason();

  QtWindows();
  ~QtWindows();
  QtWindows(const QtWindows&) = delete;
  QtWindows& operator=(const QtWindows&) = delete;

  UiPort& Ui();
  ProgressView& ProgressFace();
  // Shows the workbook's visible sheets read-only and lets the person click
  // the cell where the data begins: its address ("'Prices'!$B$3"), nullopt
  // when cancelled.
  std::optional<std::string> PickCell(Workbook& workbook);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace plrxl
