// set-row and add end to end on real files: only the given fields are
// written (the defaults row keeps its formula and label), rows the project
// check would refuse are refused with exit code 2 and leave the file byte
// for byte, and a workbook without "Parameters" is refused before anything
// is written.
#include <gtest/gtest.h>

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

testing::RunResult Pelorinxl(const TempFolder& folder, std::vector<std::string> args) {
  return testing::RunPelorinxl(folder.Path(), args);
}

using testing::Message;

std::string NewProject(const TempFolder& folder) {
  const std::string project = folder.File("P.xlsx");
  EXPECT_EQ(Pelorinxl(folder, {"new", project}).status, 0);
  return project;
}

TEST(RowEdits, DefaultsRowKeepsItsFormulaAndLabel) {
  TempFolder folder;
  const std::string project = NewProject(folder);
  const testing::RunResult r = Pelorinxl(folder, {"set-row", project, "2", "--periodicity", "Weekly"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  MemoryHost host(MakeXlsxStore());
  Worksheet& settings = host.OpenWorkbook(project).Worksheets(kSettingsSheet);
  EXPECT_EQ(settings.GetRange("D2").Text(), "Weekly");
  EXPECT_EQ(settings.GetRange("A2").Text(), "Defaults");
  // The end date still follows the calendar: a scheduled update keeps
  // fetching up to the day it runs.
  EXPECT_EQ(settings.CellFormula(2, 3), "=TODAY()");
  EXPECT_EQ(settings.GetRange("H2").Text(), "SAMPLE");
}

TEST(RowEdits, OnlyTheGivenFieldsOfATickerRowChange) {
  TempFolder folder;
  const std::string project = NewProject(folder);
  {
    MemoryHost host(MakeXlsxStore());
    Workbook& wb = host.OpenWorkbook(project);
    Worksheet& settings = wb.Worksheets(kSettingsSheet);
    settings.SetCellFormula(4, 2, "=B2+1", Variant::Date(DateSerial(2020, 1, 2)));
    settings.SetCellValue(4, 11, Variant("12:00:00 Download OK."));
    wb.Save();
  }
  testing::RunResult r =
      Pelorinxl(folder, {"set-row", project, "4", "--data-fields", "dc", "--macros", "SMA(5)", "--ticker", "mü"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  r = Pelorinxl(folder, {"add", project, "--ticker", "añejo", "--macros", "SMA(3)"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("Added AÑEJO in row 6"), std::string::npos) << r.out;
  MemoryHost host(MakeXlsxStore());
  Worksheet& settings = host.OpenWorkbook(project).Worksheets(kSettingsSheet);
  EXPECT_EQ(settings.GetRange("A4").Text(), "MÜ");
  EXPECT_EQ(settings.CellFormula(4, 2), "=B2+1");
  EXPECT_EQ(settings.GetRange("I4").Text(), "dc");
  EXPECT_EQ(settings.GetRange("J4").Text(), "SMA(5)");
  EXPECT_EQ(settings.GetRange("K4").Text(), "12:00:00 Download OK.");
  EXPECT_EQ(settings.GetRange("J6").Text(), "SMA(3)");
}

// A command that must be refused, and what it must say.
struct Refusal {
  const char* label;
  std::vector<std::string> args;  // "@" stands for the project file
  std::string message;            // the project check's message, where one applies
  std::string err_has;
};

TEST(RowEdits, RefusedEditsLeaveTheFileByteForByte) {
  const std::string start_label = std::string("Start Date");
  const Refusal cases[] = {
      {"impossible date", {"add", "@", "--ticker", "zed", "--start-date", "2024-13-45"},
       Message(8, {start_label, "2024-13-45", "ZED"}), "not pass the project check"},
      {"not the regional form", {"add", "@", "--ticker", "zed", "--start-date", "31/12/2024"},
       Message(8, {start_label, "31/12/2024", "ZED"}), "not pass the project check"},
      {"unknown source", {"add", "@", "--ticker", "zed", "--data-source", "YAHO"}, Message(11, {"YAHO", "ZED"}),
       "not pass the project check"},
      {"unknown direction", {"set-row", "@", "3", "--data-direction", "UP"}, Message(10, {"UP", "ALPHA"}),
       "not pass the project check"},
      {"empty ticker", {"add", "@", "--ticker", ""}, "", "a ticker row needs a ticker"},
      {"blank ticker", {"set-row", "@", "4", "--ticker", "  "}, "", "a ticker row needs a ticker"},
      {"far below the table", {"set-row", "@", "9", "--ticker", "zed"}, "", "neither inside the ticker table"},
      {"the title row", {"set-row", "@", "1", "--ticker", "zed"}, "", "holds the column titles"},
      {"the defaults label", {"set-row", "@", "2", "--ticker", "zed"}, "", "defaults row: its label \"Defaults\""},
      {"defaults every row inherits", {"set-row", "@", "2", "--start-date", "someday"},
       Message(8, {start_label, "someday", "ALPHA"}), "table row 3 would not pass"},
  };
  TempFolder folder;
  const std::string project = NewProject(folder);
  const std::string before = ReadBytes(project);
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<std::string> args = c.args;
    for (std::string& a : args) {
      if (a == "@") a = project;
    }
    const testing::RunResult r = Pelorinxl(folder, args);
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.err_has), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("nothing was changed"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(project), before);
  }
  // Directly below the table is the place for a new row.
  EXPECT_EQ(Pelorinxl(folder, {"set-row", project, "6", "--ticker", "zed"}).status, 0);
}

TEST(RowEdits, AddRefusesARowThatWouldNotJoinTheTable) {
  TempFolder folder;
  const std::string project = NewProject(folder);
  {
    MemoryHost host(MakeXlsxStore());
    Workbook& wb = host.OpenWorkbook(project);
    wb.Worksheets(kSettingsSheet).SetCellValue(40, 3, Variant("a note far below"));
    wb.Save();
  }
  const std::string before = ReadBytes(project);
  const testing::RunResult r = Pelorinxl(folder, {"add", project, "--ticker", "zed"});
  EXPECT_EQ(r.status, 2) << r.out << r.err;
  EXPECT_NE(r.err.find("neither inside the ticker table nor directly below it"), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(project), before);
}

TEST(RowEdits, WorkbookWithoutParametersIsRefusedUntouched) {
  TempFolder folder;
  const std::string project = NewProject(folder);
  {
    MemoryHost host(MakeXlsxStore());
    Workbook& wb = host.OpenWorkbook(project);
    wb.DeleteWorksheet(wb.Worksheets(kParametersSheet));
    wb.Save();
  }
  const std::string before = ReadBytes(project);
  const std::vector<std::vector<std::string>> commands = {
      {"refresh", project}, {"update", project}, {"macros", project}, {"add", project, "--ticker", "zed"},
      {"set-row", project, "3", "--ticker", "zed"}};
  for (const auto& args : commands) {
    SCOPED_TRACE(args[0]);
    const testing::RunResult r = Pelorinxl(folder, args);
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_NE(r.err.find("has no \"Parameters\" sheet"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(project), before);
  }
}

}  // namespace
}  // namespace plrxl
