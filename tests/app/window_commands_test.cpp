// The window commands end to end: without a display (or without the Qt
// views) edit, select and the run commands with --gui say so in one line,
// exit 2 and leave the project alone; offscreen, refresh --gui runs the
// project through the progress window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/run_program.h"
#include "tests/host/xlsx_test_util.h"


namespace plrxl {
namespace {

using testing_xlsx::ReadBytes;
using testing_xlsx::TempFolder;

using Result = plrxl::testing::RunResult;

// Runs pelorinxl with the test's environment minus the display variables,
// plus `extra` ("NAME=value").
Result RunPelorinxl(const TempFolder& folder, std::vector<std::string> args, const std::vector<std::string>& extra = {}) {
  plrxl::testing::Launch launch;
  launch.args = std::move(args);
  launch.env = {{"XDG_CONFIG_HOME", folder.File("config")}};
  launch.unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  for (const std::string& e : extra) launch.env[e.substr(0, e.find('='))] = e.substr(e.find('=') + 1);
  return plrxl::testing::RunProgram(folder.Path(), std::move(launch));
}

class WindowCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    project_ = folder_.File("project.xlsx");
    ASSERT_EQ(RunPelorinxl(folder_, {"new", project_}).status, 0);
    ASSERT_EQ(RunPelorinxl(folder_, {"add", project_, "--ticker", "abc", "--data-source", "SAMPLE"}).status, 0);
  }
  TempFolder folder_;
  std::string project_;
};

TEST_F(WindowCommandsTest, WithoutADisplayTheyExitTwoInOneLine) {
  const std::string before = ReadBytes(project_);
  const std::vector<std::vector<std::string>> commands = {
      {"edit", project_},           {"select", project_},         {"refresh", project_, "--gui"},
      {"update", project_, "--gui"}, {"macros", project_, "--gui"}, {"convert", "--gui"},
  };
  for (const auto& args : commands) {
    Result r = RunPelorinxl(folder_, args);
    EXPECT_EQ(r.status, 2) << args[0] << ": " << r.err;
    EXPECT_EQ(r.err.rfind("pelorinxl: ", 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
  EXPECT_EQ(ReadBytes(project_), before) << "the project is left alone";
  // The console path still works.
  Result console = RunPelorinxl(folder_, {"refresh", project_});
  EXPECT_EQ(console.status, 0) << console.err;
}

TEST_F(WindowCommandsTest, RefreshWithTheProgressWindowOffscreen) {
#if PLRXL_WITH_QT
  Result r = RunPelorinxl(folder_, {"refresh", project_, "--gui"}, {"QT_QPA_PLATFORM=offscreen"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Done: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" row(s), 0 failed; saved"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("ABC"), std::string::npos) << "the added row ran: " << r.out;
#else
  GTEST_SKIP() << "built without the Qt views";
#endif
}

}  // namespace
}  // namespace plrxl
