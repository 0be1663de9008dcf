#include "app/desktop.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "host/error.h"

namespace plrxl::app {

namespace fs = std::filesystem;

std::string InstalledHelpFolder() {
  std::error_code ec;
  const fs::path program = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return "";
  return (program.parent_path().parent_path() / "share" / "pelorinxl" / "help").lexically_normal().string();
}

CShell& DesktopShell() {
  static XdgShellBackend backend;
  static CShell shell(backend);
  return shell;
}

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path != nullptr ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (folder.empty()) continue;
    const std::string candidate = folder + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return true;
  }
  return false;
}

int OpenFiles(const std::vector<std::string>& files, std::ostream& err) {
  int failed = 0;
  for (const std::string& file : files) {
    try {
      DesktopShell().OpenDocument(file);
    } catch (const Error& e) {
      err << "pelorinxl: cannot open " << file << ": " << e.Description() << "\n";
      ++failed;
    }
  }
  return failed;
}

}  // namespace plrxl::app
