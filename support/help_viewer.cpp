#include "support/help_viewer.h"

#include <filesystem>

#include "support/ini_file.h"

namespace plrxl {

namespace fs = std::filesystem;

namespace {

// Projects written on Windows name paths with "\".
fs::path NativePath(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return fs::path(path);
}

}  // namespace

std::string XdgHelpViewer::PageFor(const std::string& help_file, const std::string& topic) {
  const fs::path file = NativePath(help_file);
  std::error_code ec;
  if (!topic.empty()) {
    const fs::path page = file.parent_path() / file.stem() / topic;
    if (fs::is_regular_file(page, ec)) return page.string();
  }
  return file.string();
}

void XdgHelpViewer::DisplayTopic(const std::string& help_file, const std::string& topic) {
  const std::string page = PageFor(help_file, topic);
  std::error_code ec;
  if (!fs::exists(page, ec)) {
    ui_.MsgBox("The help file " + page + " cannot be found.", MsgButtons::kOk, MsgIcon::kExclamation, "Help");
    return;
  }
  if (shell_.Execute("open", page, "", "") <= 32) {
    ui_.MsgBox("No program on this computer opens the help file " + page + ".", MsgButtons::kOk,
               MsgIcon::kExclamation, "Help");
  }
}

std::string IniFileReader::Read(const std::string& section, const std::string& key, const std::string& path) const {
  return IniFile::Load(NativePath(path).string()).Get(section, key).value_or("");
}

}  // namespace plrxl
