// A project workbook holding what a save would drop: every command that
// saves refuses with exit code 2 before changing anything, and the file
// stays byte for byte; with --allow-loss it warns, runs and saves, keeping
// what can be carried.
#include <gtest/gtest.h>

#include <algorithm>

#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/app/run_program.h"
#include "tests/host/package_files.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::CopyWithParts;
using testing_xlsx::ReadBytes;
using testing_xlsx::ReadPart;
using testing_xlsx::Replaced;
using testing_xlsx::TempFolder;

constexpr const char* kFirstSheet = "xl/worksheets/sheet1.xml";

// A new project whose first sheet also holds a conditional format (carried)
// and an embedded object (lost).
std::string LossyProject(const TempFolder& folder) {
  const std::string fresh = folder.File("Fresh.xlsx");
  const std::string lossy = folder.File("Project.xlsx");
  const testing::RunResult made = testing::RunPelorinxl(folder.Path(), {"new", fresh});
  EXPECT_EQ(made.status, 0) << made.err;
  CopyWithParts(fresh, lossy,
                {{kFirstSheet, Replaced(ReadPart(fresh, kFirstSheet), "</worksheet>",
                                        "<conditionalFormatting sqref=\"A1\"><cfRule type=\"expression\" "
                                        "priority=\"1\"><formula>TRUE</formula></cfRule></conditionalFormatting>"
                                        "<oleObjects><oleObject progId=\"Package\" shapeId=\"1025\"/></oleObjects>"
                                        "</worksheet>")}});
  return lossy;
}

TEST(SaveLosses, EveryCommandThatSavesRefusesAndLeavesTheFile) {
  struct Case {
    const char* label;
    std::vector<std::string> args;  // "@" stands for the project, "%" for a second file
  } const cases[] = {
      {"refresh", {"refresh", "@"}},
      {"update", {"update", "@"}},
      {"macros", {"macros", "--rows", "3", "@"}},
      {"add", {"add", "@", "--ticker", "delta"}},
      {"set-row", {"set-row", "@", "3", "--ticker", "omega"}},
      {"copy", {"copy", "@", "%"}},
      {"convert", {"convert", "@", "%"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TempFolder folder;
    const std::string project = LossyProject(folder);
    const std::string before = ReadBytes(project);
    std::vector<std::string> args = c.args;
    for (std::string& a : args) {
      if (a == "@") a = project;
      if (a == "%") a = folder.File("Other.xlsx");
    }
    const testing::RunResult r = testing::RunPelorinxl(folder.Path(), args);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("embedded objects on sheet '"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--allow-loss"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadBytes(project), before);
    const std::vector<std::string> files = folder.Files();
    EXPECT_EQ(std::count(files.begin(), files.end(), "Other.xlsx"), 0);
  }
}

TEST(SaveLosses, InfoListsThemWithoutChangingTheFile) {
  TempFolder folder;
  const std::string project = LossyProject(folder);
  const std::string before = ReadBytes(project);
  const testing::RunResult r = testing::RunPelorinxl(folder.Path(), {"info", project});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Not kept on save: 1\n  embedded objects on sheet '"), std::string::npos) << r.out;
  EXPECT_EQ(ReadBytes(project), before);
}

TEST(SaveLosses, AllowLossWarnsRunsAndSavesWhatCanBeKept) {
  TempFolder folder;
  const std::string project = LossyProject(folder);
  const testing::RunResult r = testing::RunPelorinxl(folder.Path(), {"refresh", "--allow-loss", project});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("warning: not kept on save: embedded objects on sheet '"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("Done: 3 row(s), 0 failed"), std::string::npos) << r.out;

  const std::string sheet = ReadPart(project, kFirstSheet);
  EXPECT_NE(sheet.find("<formula>TRUE</formula>"), std::string::npos);
  EXPECT_EQ(sheet.find("oleObject"), std::string::npos);
  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  Workbook& saved = host.OpenWorkbook(project);
  EXPECT_TRUE(saved.Losses().empty()) << saved.Losses().front();
  // Saved without losses, the next run needs no option.
  const testing::RunResult again = testing::RunPelorinxl(folder.Path(), {"macros", project});
  EXPECT_EQ(again.status, 0) << again.err;
}

// 30 names that are cell addresses, each a loss: the refusal and the
// warnings name the first 20 and count the rest.
TEST(SaveLosses, ManyLossesAreCountedPastTheFirstTwenty) {
  TempFolder folder;
  const std::string fresh = folder.File("Fresh.xlsx");
  const std::string project = folder.File("Many.xlsx");
  ASSERT_EQ(testing::RunPelorinxl(folder.Path(), {"new", fresh}).status, 0);
  std::string names;
  for (int i = 1; i <= 30; ++i) names += "<definedName name=\"N" + std::to_string(i) + "\">1</definedName>";
  const std::string workbook = ReadPart(fresh, "xl/workbook.xml");
  CopyWithParts(fresh, project, {{"xl/workbook.xml", Replaced(workbook, "<definedNames>", "<definedNames>" + names)}});

  const testing::RunResult refused = testing::RunPelorinxl(folder.Path(), {"macros", project});
  EXPECT_EQ(refused.status, 2) << refused.err;
  EXPECT_NE(refused.err.find("  name 'N20', which is not a valid name\n  ... and 10 more (pelorinxl info "),
            std::string::npos)
      << refused.err;
  EXPECT_EQ(refused.err.find("'N21'"), std::string::npos) << refused.err;

  const testing::RunResult allowed = testing::RunPelorinxl(folder.Path(), {"macros", "--allow-loss", project});
  EXPECT_EQ(allowed.status, 0) << allowed.err;
  EXPECT_NE(allowed.err.find("not kept on save: ... and 10 more"), std::string::npos) << allowed.err;
  EXPECT_EQ(allowed.err.find("'N21'"), std::string::npos) << allowed.err;
}

TEST(SaveLosses, TheOptionIsInTheHelpOfEachCommandThatSaves) {
  TempFolder folder;
  for (const char* command : {"refresh", "update", "macros", "add", "set-row", "copy", "convert", "edit", "select"}) {
    const testing::RunResult r = testing::RunPelorinxl(folder.Path(), {command, "--help"});
    EXPECT_NE(r.out.find("--allow-loss"), std::string::npos) << command;
  }
}

}  // namespace
}  // namespace plrxl
