// The core reaches the world only through the host, the quote interface, the
// UI port and the platform layer: no third-party header in its folders.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>

namespace fs = std::filesystem;

namespace {

bool IsOwnOrStandard(const std::string& header) {
  static const char* kOwn[] = {"host/", "support/", "entry/", "download/", "macros/", "forms/", "quotes/", "companion/"};
  for (const char* prefix : kOwn) {
    if (header.rfind(prefix, 0) == 0) return true;
  }
  // Standard headers have no extension and no slash; POSIX ones are C headers.
  static const std::regex kStd(R"(^[a-z_0-9]+$|^(unistd|fcntl|syslog|signal|spawn|termios|poll|errno|pwd|dirent|time|locale|langinfo)\.h$|^sys/[a-z]+\.h$)");
  return std::regex_match(header, kStd);
}

}  // namespace

TEST(Layering, CoreFoldersIncludeNoThirdPartyHeaders) {
  const fs::path root = PLRXL_SOURCE_DIR;
  const std::regex include_line(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])");
  int files = 0;
  for (const char* folder : {"entry", "download", "macros", "support", "host", "forms"}) {
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      const std::string rel = fs::relative(entry.path(), root).string();
      if (!entry.is_regular_file()) continue;
      // The adapters to third-party libraries: .xlsx files, Calc, the Qt
      // views.
      if (rel.rfind("host/xlsx", 0) == 0 || rel.rfind("host/calc", 0) == 0 || rel.rfind("forms/qt", 0) == 0) {
        continue;
      }
      const auto ext = entry.path().extension();
      if (ext != ".cpp" && ext != ".h") continue;
      ++files;
      std::ifstream in(entry.path());
      std::string line;
      while (std::getline(in, line)) {
        std::smatch m;
        if (std::regex_search(line, m, include_line)) {
          EXPECT_TRUE(IsOwnOrStandard(m[1].str())) << rel << " includes " << m[1].str();
        }
      }
    }
  }
  EXPECT_GT(files, 0);
}

// The house has floors: a folder includes its own headers and those of the
// floors below it, never one above (the run windows sit on the run driver,
// which sits on the macros, the entry object, the platform layer and the
// host; nothing of host/ includes support/).
TEST(Layering, NoFolderIncludesOneAbove) {
  const std::map<std::string, int> floor = {{"host", 0},   {"support", 1}, {"quotes", 2}, {"companion", 2},
                                            {"entry", 2},  {"macros", 3},  {"download", 4}, {"forms", 5}};
  const fs::path root = PLRXL_SOURCE_DIR;
  const std::regex include_line(R"(^\s*#\s*include\s*"([a-z_]+)/)");
  for (const auto& [folder, level] : floor) {
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      const auto ext = entry.path().extension();
      if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
      std::ifstream in(entry.path());
      std::string line;
      while (std::getline(in, line)) {
        std::smatch m;
        if (!std::regex_search(line, m, include_line)) continue;
        const auto included = floor.find(m[1].str());
        if (included == floor.end()) continue;
        EXPECT_LE(included->second, level) << fs::relative(entry.path(), root).string() << " includes " << line;
      }
    }
  }
}
