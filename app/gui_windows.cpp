#include "app/gui_windows.h"

#include <cstdlib>
#include <ostream>

#if PLRXL_WITH_QT
#include "forms/qt/qt_windows.h"
#endif

namespace plrxl::app {

namespace {

[[noreturn]] void ExitNoWindows(std::ostream& err, const std::string& reason) {
  err << "pelorinxl: " << reason << "\n";
  err.flush();
  std::exit(2);
}

#if PLRXL_WITH_QT
class QtGuiWindows : public GuiWindows {
 public:
  UiPort& Ui() override { return windows_.Ui(); }
  ProgressView& Progress() override { return windows_.ProgressFace(); }
  std::optional<std::string> PickCell(Workbook& workbook) override { return windows_.PickCell(workbook); }

 private:
  QtWindows windows_;
};
#endif

}  // namespace

std::unique_ptr<GuiWindows> OpenGuiWindowsOrExit(std::ostream& err) {
#if PLRXL_WITH_QT
  const std::string reason = QtWindows::NoDisplayReason();
  if (!reason.empty()) ExitNoWindows(err, reason);
  return std::make_unique<QtGuiWindows>();
#else
  ExitNoWindows(err, "the windows are not built into this pelorinxl (it was configured with PLRXL_QT=OFF)");
#endif
}

}  // namespace plrxl::app
