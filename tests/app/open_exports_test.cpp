// --open end to end: after the run is saved, every file the exports wrote
// goes to the desktop's opener (a script on PATH that records its argument).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "tests/app/run_program.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

namespace fs = std::filesystem;
using testing_xlsx::TempFolder;

std::set<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::set<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.insert(line);
  return lines;
}

TEST(OpenExports, EveryExportedFileIsOpenedOnceTheRunIsSaved) {
  TempFolder folder;
  const std::map<std::string, std::string> env = {{"XDG_CONFIG_HOME", folder.File("config")}};
  ASSERT_EQ(testing::RunPelorinxl(folder.Path(), {"demo", folder.File("demo")}, env).status, 0);
  std::set<std::string> exported;
  for (const auto& entry : fs::directory_iterator(folder.File("demo/exports"))) exported.insert(entry.path().string());
  ASSERT_FALSE(exported.empty());

  fs::create_directories(folder.File("bin"));
  const std::string opener = folder.File("bin/xdg-open");
  std::ofstream(opener) << "#!/bin/sh\necho \"$1\" >> '" << folder.File("opened.txt") << "'\n";
  chmod(opener.c_str(), 0755);
  std::map<std::string, std::string> with_opener = env;
  with_opener["PATH"] = folder.File("bin") + ":/usr/bin:/bin";

  const testing::RunResult plain =
      testing::RunPelorinxl(folder.Path(), {"macros", folder.File("demo/demo.xlsx")}, with_opener);
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_FALSE(fs::exists(folder.File("opened.txt"))) << "nothing is opened without --open";

  const testing::RunResult opened =
      testing::RunPelorinxl(folder.Path(), {"macros", folder.File("demo/demo.xlsx"), "--open"}, with_opener);
  ASSERT_EQ(opened.status, 0) << opened.err;
  std::set<std::string> got;
  for (const std::string& line : Lines(folder.File("opened.txt"))) got.insert(fs::weakly_canonical(line).string());
  std::set<std::string> want;
  for (const std::string& path : exported) want.insert(fs::weakly_canonical(path).string());
  EXPECT_EQ(got, want);
}

}  // namespace
}  // namespace plrxl
