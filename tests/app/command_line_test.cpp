// The command line as a new user meets it: a bare call prints the usage, a
// mistyped command or option is named with the nearest one, --help groups
// the commands, and every command ends with the exit code of the table
// (app/exit_codes.h) for a real cause: an output that exists, a file that
// is no workbook, a disk that takes no more bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/app/run_program.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

namespace fs = std::filesystem;
using testing::RunResult;
using testing_xlsx::ReadBytes;
using testing_xlsx::TempFolder;

RunResult Pelorinxl(const TempFolder& folder, const std::vector<std::string>& args) {
  return testing::RunPelorinxl(folder.Path(), args, {{"XDG_CONFIG_HOME", folder.File("config")}});
}

// Runs pelorinxl with its files limited to `kilobytes`: a write past that
// fails as on a full disk (the limit signal is ignored, so the write
// returns an error instead of killing the process).
RunResult RunOnFullDisk(const TempFolder& folder, const std::vector<std::string>& args, int kilobytes) {
  testing::Launch launch;
  launch.program = "/bin/bash";
  launch.args = {"-c", "ulimit -f " + std::to_string(kilobytes) + "; trap '' XFSZ; exec \"$0\" \"$@\"",
                 std::string(PLRXL_BINARY_DIR) + "/app/pelorinxl"};
  launch.args.insert(launch.args.end(), args.begin(), args.end());
  launch.env = {{"XDG_CONFIG_HOME", folder.File("config")}};
  return testing::RunProgram(folder.Path(), std::move(launch));
}

TEST(CommandLine, BareCallPrintsTheUsage) {
  TempFolder folder;
  const RunResult r = Pelorinxl(folder, {});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Usage: pelorinxl"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "");
}

TEST(CommandLine, HelpGroupsTheCommandsAndShowsWhereToStart) {
  TempFolder folder;
  const std::string help = Pelorinxl(folder, {"--help"}).out;
  size_t last = 0;
  for (const char* heading : {"Start commands:", "Run commands:", "Edit commands:", "Inspect commands:",
                              "Window commands:", "Examples:", "Exit codes:"}) {
    const size_t at = help.find(std::string("\n") + heading + "\n");
    ASSERT_NE(at, std::string::npos) << heading << "\n" << help;
    EXPECT_GT(at, last) << heading;
    last = at;
  }
  EXPECT_NE(help.find("Start with `pelorinxl demo DIR`"), std::string::npos);
  // The parsing library's own syntax does not show.
  const std::string refresh = Pelorinxl(folder, {"refresh", "--help"}).out;
  for (const char* leak : {"{true}", "{false}", "TEXT", "REQUIRED", "INT"}) {
    EXPECT_EQ(refresh.find(leak), std::string::npos) << leak << "\n" << refresh;
  }
  EXPECT_NE(refresh.find("--on-error abort|retry|ignore"), std::string::npos) << refresh;
  EXPECT_NE(refresh.find("--yes"), std::string::npos);
  EXPECT_NE(refresh.find("--no "), std::string::npos);
}

TEST(CommandLine, EveryExitCodeForARealCause) {
  TempFolder folder;
  const std::string project = folder.File("p.xlsx"), copy = folder.File("copy.xlsx"),
                    broken = folder.File("broken.xlsx");
  ASSERT_EQ(Pelorinxl(folder, {"new", project}).status, 0);
  std::ofstream(broken) << "not a workbook";
  std::ofstream(copy) << "keep me";
  const struct {
    const char* label;
    std::vector<std::string> args;
    int code;
    const char* err_has;
  } cases[] = {
      {"typo'd command", {"refesh", project}, 109, "'refesh' is not a command; did you mean 'refresh'?"},
      {"swapped letters", {"udpate", project}, 109, "'udpate' is not a command; did you mean 'update'?"},
      {"no near command", {"frobnicate"}, 109, "'frobnicate' is not a command (see pelorinxl --help)"},
      {"typo'd option", {"refresh", "--rwos", "3", project}, 109, "'--rwos' is not an option of pelorinxl refresh; did you mean '--rows'?"},
      {"rows not a list", {"refresh", "--rows", "abc", project}, 105, "--rows: \"abc\" is not a row number"},
      {"on-error not allowed", {"refresh", "--on-error", "maybe", project}, 105, "maybe"},
      {"missing project", {"update"}, 106, "PROJECT"},
      {"project after a plugin", {"macros", "--plugin", folder.File("none.so"), project}, 1, "Cannot load plugin"},
      {"info of no workbook", {"info", broken}, 3, broken.c_str()},
      {"info of a missing file", {"info", folder.File("missing.xlsx")}, 3, "missing.xlsx"},
      {"copy of no workbook", {"copy", broken, folder.File("c2.xlsx")}, 3, broken.c_str()},
      {"rows of no workbook", {"rows", broken}, 3, broken.c_str()},
      {"check of no workbook", {"check", broken}, 3, broken.c_str()},
      {"set-row of no workbook", {"set-row", broken, "3", "--ticker", "X"}, 3, broken.c_str()},
      {"copy over a file", {"copy", project, copy}, 2, "file already exists (use --force to replace it)"},
      {"new over a file", {"new", copy}, 2, "file already exists"},
      {"demo into a file", {"demo", copy}, 2, copy.c_str()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const RunResult r = Pelorinxl(folder, c.args);
    EXPECT_EQ(r.status, c.code) << r.out << r.err;
    EXPECT_NE(r.err.find(c.err_has), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("filesystem error"), std::string::npos) << r.err;
  }
  EXPECT_EQ(ReadBytes(copy), "keep me");
  EXPECT_EQ(ReadBytes(broken), "not a workbook");
  const RunResult forced = Pelorinxl(folder, {"copy", "--force", project, copy});
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_NE(ReadBytes(copy), "keep me");
}

TEST(CommandLine, RowsShowsTheTickerTableWithEachStatus) {
  TempFolder folder;
  const std::string project = folder.File("p.xlsx");
  ASSERT_EQ(Pelorinxl(folder, {"new", project}).status, 0);
  ASSERT_EQ(Pelorinxl(folder, {"add", project, "--ticker", "NOFIELD", "--data-fields", "xyz"}).status, 0);
  ASSERT_EQ(Pelorinxl(folder, {"refresh", project}).status, 1);
  const std::string before = ReadBytes(project);
  const RunResult r = Pelorinxl(folder, {"rows", project});
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines;
  for (size_t at = 0, end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1) {
    lines.push_back(r.out.substr(at, end - at));
  }
  ASSERT_EQ(lines.size(), 7u) << r.out;
  EXPECT_EQ(lines[0].rfind("Row  Ticker", 0), 0u) << lines[0];
  EXPECT_NE(lines[1].find("SAMPLE"), std::string::npos) << "the defaults row: " << lines[1];
  EXPECT_EQ(lines[2].rfind("3    ", 0), 0u) << lines[2];
  EXPECT_EQ(lines[2].find("[failed]"), std::string::npos) << lines[2];
  EXPECT_EQ(lines[5].rfind("6    NOFIELD", 0), 0u) << lines[5];
  EXPECT_NE(lines[5].find("[failed]"), std::string::npos) << lines[5];
  EXPECT_EQ(lines[6], "4 ticker rows in " + project);
  EXPECT_EQ(ReadBytes(project), before) << "rows only reads";
}

TEST(CommandLine, UpdateTellsEachRowsNewBars) {
  TempFolder folder;
  const std::string project = folder.File("p.xlsx");
  ASSERT_EQ(Pelorinxl(folder, {"new", project}).status, 0);
  const RunResult first = Pelorinxl(folder, {"update", project});
  EXPECT_EQ(first.status, 0) << first.err;
  EXPECT_NE(first.out.find("row 3 ALPHA: "), std::string::npos) << first.out;
  EXPECT_NE(first.out.find(" new bars)\nrow 4 BETA: "), std::string::npos) << first.out;
  const RunResult again = Pelorinxl(folder, {"update", project});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.out.find("Download OK. (up to date)\nrow 4 BETA: "), std::string::npos) << again.out;
  EXPECT_EQ(again.out.find("new bar"), std::string::npos) << again.out;
  // A refresh replaces everything: no count.
  EXPECT_EQ(Pelorinxl(folder, {"refresh", project}).out.find("new bar"), std::string::npos);
}

TEST(CommandLine, AFullDiskLeavesTheFileAndExitsThree) {
  TempFolder folder;
  const std::string project = folder.File("p.xlsx");
  ASSERT_EQ(Pelorinxl(folder, {"new", project}).status, 0);
  ASSERT_GT(fs::file_size(project), 4096u);
  const std::string before = ReadBytes(project);
  const std::vector<std::vector<std::string>> commands = {
      {"copy", project, folder.File("copy.xlsx")},
      {"add", project, "--ticker", "NEW", "--data-source", "SAMPLE"},
      {"set-row", project, "3", "--ticker", "OTHER"},
  };
  for (const auto& args : commands) {
    SCOPED_TRACE(args[0]);
    const RunResult r = RunOnFullDisk(folder, args, 4);
    EXPECT_EQ(r.status, 3) << r.out << r.err;
    EXPECT_NE(r.err.find("pelorinxl: "), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(project), before);
  }
  EXPECT_FALSE(fs::exists(folder.File("copy.xlsx")));
}

TEST(CommandLine, WithoutTheWindowsProgramTheWindowCommandsSaySo) {
  TempFolder folder;
  const std::string project = folder.File("p.xlsx");
  ASSERT_EQ(Pelorinxl(folder, {"new", project}).status, 0);
  // The command-line program alone, as the package pelorinxl installs it.
  fs::create_directories(folder.File("bin"));
  fs::copy_file(std::string(PLRXL_BINARY_DIR) + "/app/pelorinxl", folder.File("bin/pelorinxl"));
  const std::string before = ReadBytes(project);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"select", project}, std::vector<std::string>{"refresh", "--gui", project}}) {
    testing::Launch launch;
    launch.program = folder.File("bin/pelorinxl");
    launch.args = args;
    launch.env = {{"XDG_CONFIG_HOME", folder.File("config")}, {"QT_QPA_PLATFORM", "offscreen"}};
    const RunResult r = testing::RunProgram(folder.Path(), std::move(launch));
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.err, "pelorinxl: the windows are not installed (install the package pelorinxl-gui)\n");
  }
  EXPECT_EQ(ReadBytes(project), before);
}

TEST(CommandLine, DemoIntoAReadOnlyFolderSaysWhichPath) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  TempFolder folder;
  fs::create_directories(folder.File("locked"));
  fs::permissions(folder.File("locked"), fs::perms::owner_read | fs::perms::owner_exec);
  const RunResult r = Pelorinxl(folder, {"demo", folder.File("locked/demo")});
  fs::permissions(folder.File("locked"), fs::perms::owner_all);
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find(folder.File("locked/demo")), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Permission denied"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("filesystem error"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace plrxl
