#include "app/gui_windows.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <ostream>
#include <vector>

#if PLRXL_WITH_QT
#include "forms/qt/qt_windows.h"
#endif

namespace plrxl::app {

namespace {

std::vector<char*>& Arguments() {
  static std::vector<char*> arguments;
  return arguments;
}

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
#else
// The program with the windows: beside this one in a build folder, in
// <prefix>/lib/pelorinxl when installed.
std::string WindowsProgram() {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return "";
  for (const fs::path& candidate : {self.parent_path() / kWindowsProgramName,
                                    self.parent_path().parent_path() / "lib" / "pelorinxl" / kWindowsProgramName}) {
    if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return "";
}
#endif

}  // namespace

void RememberArguments(int argc, char** argv) { Arguments().assign(argv, argv + argc + 1); }

std::unique_ptr<GuiWindows> OpenGuiWindowsOrExit(std::ostream& err) {
#if PLRXL_WITH_QT
  const std::string reason = QtWindows::NoDisplayReason();
  if (!reason.empty()) ExitNoWindows(err, reason);
  return std::make_unique<QtGuiWindows>();
#else
  // Nothing is open yet: the same command starts again in the program that
  // has the windows.
  const std::string program = WindowsProgram();
  if (program.empty() || Arguments().empty()) {
    ExitNoWindows(err, "the windows are not installed (install the package pelorinxl-gui)");
  }
  std::cout.flush();
  err.flush();
  execv(program.c_str(), Arguments().data());
  ExitNoWindows(err, "cannot start " + program + " for the windows");
#endif
}

}  // namespace plrxl::app
