// The project-editing commands end to end: the real pelorinxl program on
// real .xlsx files in a temporary folder with its own settings home.
#include <gtest/gtest.h>

#include <fstream>

#include "entry/pelorin.h"
#include "entry/project_template.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/app/message_text.h"
#include "tests/app/run_program.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::ReadBytes;
using testing_xlsx::TempFolder;

using Result = testing::RunResult;

Result Pelorinxl(const TempFolder& folder, std::vector<std::string> args) {
  return testing::RunPelorinxl(folder.Path(), args);
}

using testing::Message;

// One command and what it must leave behind.
struct Step {
  const char* label;
  std::vector<std::string> args;  // "@" stands for the project file
  bool succeeds;
  std::string out_has;
  std::string err_has;
};

TEST(ProjectCommands, NewAddSetRowAndCheck) {
  TempFolder folder;
  const std::string project = folder.File("Project.xlsx");
  const Step steps[] = {
      {"new", {"new", "@"}, true, "Created ", ""},
      {"new again", {"new", "@"}, false, "", "already exists"},
      {"new forced", {"new", "@", "--force"}, true, "Created ", ""},
      {"check new", {"check", "@"}, true, "the project is fine (3 ticker rows)", ""},
      {"add", {"add", "@", "--ticker", "delta", "--start-date", "2021-03-04", "--data-fields", "dc"}, true,
       "Added DELTA in row 6", ""},
      {"add needs a ticker", {"add", "@"}, false, "", "--ticker"},
      {"check four", {"check", "@"}, true, "the project is fine (4 ticker rows)", ""},
      {"bad direction refused", {"set-row", "@", "4", "--data-direction", "UP"}, false, Message(10, {"UP", "BETA"}),
       "not pass the project check"},
      {"fix direction", {"set-row", "@", "4", "--data-direction", "FBT", "--ticker", "beta2"}, true,
       "now holds BETA2", ""},
      {"bad date refused", {"set-row", "@", "5", "--start-date", "someday"}, false,
       Message(8, {std::string("Start Date"), "someday", "GAMMA"}), "not pass the project check"},
      {"bad source refused", {"set-row", "@", "5", "--data-source", "NOWHERE"}, false,
       Message(11, {"NOWHERE", "GAMMA"}), "nothing was changed"},
      {"fix source", {"set-row", "@", "5", "--data-source", "sample"}, true, "", ""},
      {"check again", {"check", "@"}, true, "the project is fine (4 ticker rows)", ""},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.label);
    std::vector<std::string> args = step.args;
    for (std::string& a : args) {
      if (a == "@") a = project;
    }
    const Result r = Pelorinxl(folder, args);
    EXPECT_EQ(r.status == 0, step.succeeds) << r.out << r.err;
    // A refused edit shows the check's message as the check command does,
    // on the error stream with the refusal.
    EXPECT_NE((step.succeeds ? r.out : r.err).find(step.out_has), std::string::npos) << r.out << r.err;
    EXPECT_NE(r.err.find(step.err_has), std::string::npos) << r.err;
  }

  // What the commands left in the file.
  MemoryHost host(MakeXlsxStore());
  Workbook& wb = host.OpenWorkbook(project);
  ASSERT_EQ(wb.WorksheetCount(), 2);
  EXPECT_EQ(wb.WorksheetAt(1).Name(), kSettingsSheet);
  EXPECT_EQ(wb.WorksheetAt(2).Name(), kParametersSheet);
  EXPECT_EQ(wb.FindName(kRangeTickerName)->refers_to, "='PelorinXL Settings'!R1C1");
  EXPECT_EQ(wb.FindName(kRangeDataSourceName)->refers_to, "='PelorinXL Settings'!R2C8");
  Worksheet& settings = wb.Worksheets(kSettingsSheet);
  EXPECT_EQ(settings.GetRange("H2").Text(), "SAMPLE");
  EXPECT_EQ(settings.GetRange("A4").Text(), "BETA2");
  EXPECT_EQ(settings.GetRange("E4").Text(), "FBT");
  EXPECT_EQ(settings.GetRange("A6").Text(), "DELTA");
  EXPECT_EQ(settings.GetRange("B6").Value(), Variant::Date(DateSerial(2021, 3, 4)));
  EXPECT_TRUE(settings.GetRange("C6").Value().IsEmpty());
  EXPECT_EQ(settings.GetRange("I6").Text(), "dc");
  EXPECT_EQ(settings.GetRange("H5").Text(), "sample");
  // Nothing but the project is left in the folder.
  EXPECT_EQ(folder.Files(), std::vector<std::string>{"Project.xlsx"});
}

TEST(ProjectCommands, UserSettingsShapeTheNewSettingsSheet) {
  TempFolder folder;
  std::filesystem::create_directories(folder.File("config/PelorinXL"));
  std::ofstream(folder.File("config/PelorinXL/settings.ini")) << "[Setting]\ntxtZoom=125\nchbAutoFit=0\n";
  const std::string project = folder.File("Zoomed.xlsx");
  ASSERT_EQ(Pelorinxl(folder, {"new", project}).status, 0);
  MemoryHost host(MakeXlsxStore());
  Worksheet& settings = host.OpenWorkbook(project).Worksheets(kSettingsSheet);
  EXPECT_EQ(settings.Zoom(), 125);
  EXPECT_FALSE(settings.ColumnWidthIsCustom(1));
}

TEST(ProjectCommands, CheckAndEditRefuseOtherWorkbooks) {
  TempFolder folder;
  const std::string other = std::string(PLRXL_TEST_DATA) + "/openpyxl_values.xlsx";
  const Result check = Pelorinxl(folder, {"check", other});
  EXPECT_NE(check.status, 0);
  EXPECT_EQ(check.out, "");
  EXPECT_NE(check.err.find("it has no sheet \"Parameters\""), std::string::npos) << check.err;
  const Result add = Pelorinxl(folder, {"add", other, "--ticker", "X"});
  EXPECT_NE(add.status, 0);
  EXPECT_NE(add.err.find("has no \"Parameters\" sheet, so it is not a project; nothing was changed"),
            std::string::npos)
      << add.err;
}

TEST(ProjectCommands, CheckWithoutSettingsSheetShowsMessage2) {
  TempFolder folder;
  const std::string project = folder.File("NoSettings.xlsx");
  ASSERT_EQ(Pelorinxl(folder, {"new", project}).status, 0);
  {
    MemoryHost host(MakeXlsxStore());
    Workbook& wb = host.OpenWorkbook(project);
    wb.DeleteWorksheet(wb.Worksheets(kSettingsSheet));
    wb.Save();
  }
  const Result check = Pelorinxl(folder, {"check", project});
  EXPECT_NE(check.status, 0);
  EXPECT_EQ(check.out, Message(2, {}) + "\n");
  EXPECT_NE(check.err.find("the project check failed"), std::string::npos) << check.err;
}

TEST(ProjectCommands, HelpSaysWhereTheLogsGo) {
  TempFolder folder;
  const Result r = Pelorinxl(folder, {"--help"});
  EXPECT_EQ(r.status, 0);
  for (const char* s : {"new", "add", "set-row", "check", "Error Log.txt", "Tracing Log.txt", "current working directory"}) {
    EXPECT_NE(r.out.find(s), std::string::npos) << s;
  }
}

}  // namespace
}  // namespace plrxl
