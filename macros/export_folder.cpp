#include "macros/export_folder.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace plrxl {

namespace {

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

}  // namespace

ExportFolderResult PrepareExportFolder(const std::string& text, std::string* drive, std::string* folder) {
  std::string path = text;
  for (char& ch : path) {
    if (ch == '\\') ch = '/';
  }
  std::vector<std::string> pieces;
  for (size_t start = 0; start <= path.size();) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) pieces.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  if (path.empty() || path[0] != '/') {
    *drive = pieces.empty() ? path : pieces.front();
    return ExportFolderResult::kNoDrive;
  }
  if (pieces.empty()) {
    *drive = "/";
    *folder = "/";
    return ExportFolderResult::kReady;
  }
  *drive = "/" + pieces.front();
  if (!IsFolder(*drive)) return ExportFolderResult::kNoDrive;
  std::string level;
  for (const std::string& piece : pieces) {
    level += "/" + piece;
    if (IsFolder(level)) continue;
    std::error_code ec;
    std::filesystem::create_directory(level, ec);
    if (!IsFolder(level)) return ExportFolderResult::kCannotCreate;
  }
  *folder = level + "/";
  return ExportFolderResult::kReady;
}

}  // namespace plrxl
