// pelorinxl convert and pelorinxl help end to end: the real program on a
// version-1 project written here, and on help folders laid out here.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "entry/pelorin.h"
#include "entry/project_template.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/app/run_program.h"
#include "tests/app/project_file.h"
#include "tests/host/xlsx_test_util.h"


namespace plrxl {
namespace {

namespace fs = std::filesystem;
using testing_xlsx::ReadBytes;
using testing_xlsx::TempFolder;

using Result = plrxl::testing::RunResult;

const std::string kProgram = std::string(PLRXL_BINARY_DIR) + "/app/pelorinxl";

// Runs `program` with `args` in `folder`, the environment changed by `env`
// ("NAME=value" entries replace those of the same name).
Result Spawn(const TempFolder& folder, const std::string& program, std::vector<std::string> args,
             const std::vector<std::string>& env = {}) {
  plrxl::testing::Launch launch;
  launch.program = program;
  launch.args = std::move(args);
  launch.workdir = folder.Path();
  for (const std::string& entry : env) launch.env[entry.substr(0, entry.find('='))] = entry.substr(entry.find('=') + 1);
  return plrxl::testing::RunProgram(folder.Path(), std::move(launch));
}

std::string MessageText(int number) {
  for (const plrxl::MessageText& m : MessageTexts()) {
    if (m.number == number) return m.text;
  }
  return "";
}

TEST(ConvertCommand, ConvertsAVersion1ProjectThatThenRuns) {
  TempFolder folder;
  const std::string input = folder.File("old.xlsx"), output = folder.File("new.xlsx");
  plrxl::testing::WriteVersion1Project(input);
  const std::vector<std::string> env = {"XDG_CONFIG_HOME=" + folder.File("config")};
  Result converted = Spawn(folder, kProgram, {"convert", input, output}, env);
  ASSERT_EQ(converted.status, 0) << converted.err;
  std::string done = MessageText(72);
  done.replace(done.find("AdditionalInformation1"), 22, output);
  // A success is printed as one, on stdout, never as a warning.
  EXPECT_NE(converted.out.find(done), std::string::npos) << converted.out;
  EXPECT_EQ(converted.out.find("Warning"), std::string::npos) << converted.out;
  EXPECT_EQ(converted.err.find("Warning"), std::string::npos) << converted.err;

  Result refreshed = Spawn(folder, kProgram, {"refresh", output, "--no"}, env);
  EXPECT_EQ(refreshed.status, 0) << refreshed.out << refreshed.err;
  MemoryHost host(MakeXlsxStore(), RegionalSettings::FromLocale());
  Workbook& wb = host.OpenWorkbook(output);
  ASSERT_NE(wb.FindWorksheet("ALPHA"), nullptr);
  EXPECT_EQ(wb.Worksheets("ALPHA").GetRange("A1").Text(), "Date");
  EXPECT_EQ(wb.Worksheets(kSettingsSheet).GetRange("J1").Text(), "Macros");

  // Converting again refuses to overwrite; --force replaces.
  Result again = Spawn(folder, kProgram, {"convert", input, output}, env);
  EXPECT_NE(again.status, 0);
  EXPECT_NE(again.err.find("exists already"), std::string::npos) << again.err;
  EXPECT_EQ(Spawn(folder, kProgram, {"convert", input, output, "--force"}, env).status, 0);
}

TEST(ConvertCommand, RefusesBinaryWorkbooksWithAWayOut) {
  TempFolder folder;
  const std::string input = folder.File("old.xls");
  std::ofstream(input, std::ios::binary) << std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << std::string(504, '\0');
  Result r = Spawn(folder, kProgram, {"convert", input, folder.File("new.xlsx")},
                 {"XDG_CONFIG_HOME=" + folder.File("config")});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("libreoffice --headless --convert-to xlsx"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(folder.File("new.xlsx")));
}

// The program copied into <folder>/bin, so that its help folder is
// <folder>/share/pelorinxl/help.
std::string InstalledCopy(const TempFolder& folder) {
  fs::create_directories(folder.File("bin"));
  const std::string copy = folder.File("bin/pelorinxl");
  fs::copy_file(kProgram, copy, fs::copy_options::overwrite_existing);
  return copy;
}

// Runs the installed copy on a text terminal without a display.
Result OnTextTerminal(const TempFolder& folder, const std::string& program, std::vector<std::string> args,
                      std::vector<std::string> env = {}) {
  plrxl::testing::Launch launch;
  launch.program = program;
  launch.args = std::move(args);
  launch.workdir = folder.Path();
  launch.env = {{"TERM", "xterm-256color"}, {"PAGER", "cat"}};
  launch.unset = {"DISPLAY", "WAYLAND_DISPLAY"};
  for (const std::string& entry : env) launch.env[entry.substr(0, entry.find('='))] = entry.substr(entry.find('=') + 1);
  return plrxl::testing::RunProgram(folder.Path(), std::move(launch));
}

TEST(HelpCommand, SaysSoWhenTheHelpIsNotInstalled) {
  TempFolder folder;
  const std::string program = InstalledCopy(folder);
  Result r = OnTextTerminal(folder, program, {"help", "running"});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("the help is not installed (no " + folder.File("share/pelorinxl/help/text/running.txt")),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("/usr/share/doc/pelorinxl"), std::string::npos) << r.err;
  // The topic list needs no pages.
  EXPECT_EQ(OnTextTerminal(folder, program, {"help"}).status, 0);
}

TEST(HelpCommand, PrintsTheTopicAsTextWithoutADisplay) {
  TempFolder folder;
  const std::string program = InstalledCopy(folder);
  const std::string text = folder.File("share/pelorinxl/help/text");
  const std::string pages = folder.File("share/pelorinxl/help/PelorinXL");
  fs::create_directories(text);
  fs::create_directories(pages);
  std::ofstream(text + "/running.txt") << "# Running a project\n\nEach run walks the ticker table.\n";
  std::ofstream(text + "/indicators.txt") << "# Indicators\n";
  std::ofstream(pages + "/running.htm") << "<html></html>";
  // An opener that records what it was given: it must not be called without --browser.
  fs::create_directories(folder.File("opener"));
  const std::string opener = folder.File("opener/xdg-open");
  std::ofstream(opener) << "#!/bin/sh\necho \"$1\" > '" << folder.File("opened.txt") << "'\n";
  chmod(opener.c_str(), 0755);
  const std::string path = "PATH=" + folder.File("opener") + ":/usr/bin:/bin";

  Result r = OnTextTerminal(folder, program, {"help", "RUNNING"}, {path});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "# Running a project\n\nEach run walks the ticker table.\n");
  EXPECT_EQ(r.err, "");
  EXPECT_FALSE(fs::exists(folder.File("opened.txt")));

  const struct {
    std::vector<std::string> args;
    int status;
    const char* out_has;
    const char* err_has;
  } cases[] = {
      {{"help"}, 0, "  indicators  ", ""},
      {{"help", "--list"}, 0, "  running     running a project", ""},
      {{"help", "indicator"}, 1, "", "no help topic \"indicator\"; did you mean 'indicators'?"},
      {{"help", "refesh"}, 1, "", "did you mean 'refresh'?"},
      {{"help", "refresh"}, 0, "--rows", ""},
      {{"help", "xyzzy"}, 1, "", "no help topic \"xyzzy\" (pelorinxl help --list shows the topics)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    Result result = OnTextTerminal(folder, program, c.args, {path});
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_NE(result.out.find(c.out_has), std::string::npos) << result.out;
    EXPECT_NE(result.err.find(c.err_has), std::string::npos) << result.err;
  }
  // Internal page names of the windows' help buttons are not topics.
  EXPECT_EQ(OnTextTerminal(folder, program, {"help", "--list"}).out.find("Master_Pelorin"), std::string::npos);

  // --browser opens the HTML page.
  Result opened = OnTextTerminal(folder, program, {"help", "--browser", "running"}, {path});
  EXPECT_EQ(opened.status, 0) << opened.err;
  EXPECT_EQ(ReadBytes(folder.File("opened.txt")), pages + "/running.htm\n");
}

TEST(VersionFlag, NamesTheProgramAndItsVersion) {
  TempFolder folder;
  EXPECT_EQ(Spawn(folder, kProgram, {"--version"}).out, "pelorinxl (PelorinXL) 2.0.31\n");
}

}  // namespace
}  // namespace plrxl
