// The window commands end to end: without a display (or without the Qt
// views) edit, select and the run commands with --gui say so in one line,
// exit 2 and leave the project alone; offscreen, refresh --gui runs the
// project through the progress window.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "tests/host/xlsx_test_util.h"

extern char** environ;

namespace plrxl {
namespace {

using testing_xlsx::ReadBytes;
using testing_xlsx::TempFolder;

struct Result {
  int status = -1;
  std::string out, err;
};

// Runs pelorinxl with the test's environment minus the display variables,
// plus `extra` ("NAME=value").
Result RunPelorinxl(const TempFolder& folder, std::vector<std::string> args, const std::vector<std::string>& extra = {}) {
  const std::string program = std::string(PLRXL_BINARY_DIR) + "/app/pelorinxl";
  args.insert(args.begin(), program);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_text;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (entry.rfind("DISPLAY=", 0) == 0 || entry.rfind("WAYLAND_DISPLAY=", 0) == 0 ||
        entry.rfind("QT_QPA_PLATFORM=", 0) == 0 || entry.rfind("XDG_CONFIG_HOME=", 0) == 0) {
      continue;
    }
    env_text.push_back(entry);
  }
  env_text.push_back("XDG_CONFIG_HOME=" + folder.File("config"));
  for (const std::string& e : extra) env_text.push_back(e);
  std::vector<char*> envp;
  for (std::string& e : env_text) envp.push_back(e.data());
  envp.push_back(nullptr);
  const std::string out_path = folder.File(".out"), err_path = folder.File(".err");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  Result result;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
  }
  posix_spawn_file_actions_destroy(&actions);
  result.out = ReadBytes(out_path);
  result.err = ReadBytes(err_path);
  return result;
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
