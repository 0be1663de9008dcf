// pelorinxl's run commands with --calc: the real program against the test
// program's shared headless office (and, once, against no office at all).
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>


#include "host/address.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/app/project_file.h"
#include "tests/app/run_program.h"
#include "tests/calc/calc_office_fixture.h"

namespace plrxl::calc::testing {
namespace {

namespace fs = std::filesystem;
using plrxl::testing::RunPelorinxl;
using plrxl::testing::RunResult;

std::string Bytes(const std::string& path) { return plrxl::testing::ReadWholeFile(path); }

class CalcRemote : public ::testing::Test {
 protected:
  void SetUp() override { MakeProject(1, false); }
  // A project of `tickers` rows of the demo (SAMPLE quotes), with the demo's
  // macros (indicators, exports, summary) or none: Calc takes seconds for
  // each row's macros.
  void MakeProject(int tickers, bool macros) {
    PLRXL_NEED_OFFICE();
    folder_ = TestFolder() + "/remote_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(folder_);
    std::vector<DemoRow> rows = DemoRows();
    rows.resize(static_cast<size_t>(tickers));
    if (!macros)
      for (DemoRow& row : rows) row.macros.clear();
    plrxl::testing::WriteProject(File("project.xlsx"), rows);
  }
  std::string File(const std::string& name) const { return folder_ + "/" + name; }
  std::string Copy(const std::string& name) const {
    fs::copy_file(File("project.xlsx"), File(name), fs::copy_options::overwrite_existing);
    return File(name);
  }
  RunResult Run(std::vector<std::string> args) const {
    // The quote store stays out of it: each run fetches its quotes afresh.
    args.insert(args.begin() + 1, "--no-store");
    return RunPelorinxl(folder_, args, {{"TMPDIR", folder_}});
  }
  static std::string Calc() { return "--calc=" + SharedOffice()->Connection(); }

  std::string folder_;
};

// A value as a text to compare: numbers and dates by their value to ten
// digits (Calc's own formulas may round the last bits differently, and
// may give a formula over a date a date format: formatting, not value).
std::string Shown(const Variant& value) {
  if (value.IsText()) {
    // A status line starts with the time it was written.
    const std::string& text = value.Text();
    const bool stamped = text.size() > 20 && text[2] == '/' && text[13] == ':' && text[19] == ' ';
    return "'" + (stamped ? text.substr(20) : text);
  }
  if (value.IsBoolean()) return value.Boolean() ? "TRUE" : "FALSE";
  if (value.IsError()) return "#" + std::to_string(static_cast<int>(value.ErrorValue()));
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", value.Number());
  return text;
}

// Every sheet's values, cell by cell, as the file's reader sees them.
std::map<std::string, std::string> CellValues(const std::string& path) {
  MemoryHost host(MakeXlsxStore());
  Workbook& wb = host.OpenWorkbook(path);
  std::map<std::string, std::string> values;
  for (int s = 1; s <= wb.WorksheetCount(); ++s) {
    Worksheet& sheet = wb.WorksheetAt(s);
    const std::optional<Rect> used = sheet.UsedRange();
    if (!used) continue;
    sheet.ForEachCell(*used, [&](int row, int col) {
      const Variant value = sheet.CellValue(row, col);
      if (!value.IsEmpty()) values[sheet.Name() + "!" + ColumnLetters(col) + std::to_string(row)] = Shown(value);
    });
  }
  return values;
}

// The cells whose values differ between two files (the first twenty).
std::vector<std::string> Differences(const std::string& file_mode, const std::string& calc_mode) {
  const std::map<std::string, std::string> expected = CellValues(file_mode), got = CellValues(calc_mode);
  EXPECT_GT(expected.size(), 100u);
  std::vector<std::string> differences;
  for (const auto& [cell, value] : expected) {
    const auto found = got.find(cell);
    if (found == got.end()) differences.push_back(cell + ": missing, file mode has " + value);
    else if (found->second != value) differences.push_back(cell + ": " + found->second + ", file mode has " + value);
  }
  for (const auto& [cell, value] : got)
    if (expected.count(cell) == 0) differences.push_back(cell + ": " + value + ", empty in file mode");
  if (differences.size() > 20) differences.resize(20);
  return differences;
}

// Every chart of a file: its sheet, title and kind, and how many series.
std::vector<std::string> Charts(const std::string& path) {
  return ChartsInFile(path, [](const Chart& chart) {
    return chart.title + (chart.kind == ChartKind::kStock ? " stock, " : " line, ") +
           std::to_string(chart.series.size()) + " series";
  });
}

TEST_F(CalcRemote, EveryKindOfDemoRowRefreshedInTheOfficeGivesTheFileModesCells) {
  std::vector<DemoRow> rows = DemoRows(File("exports"));
  rows.resize(8);
  fs::create_directories(File("exports"));
  plrxl::testing::WriteProject(File("project.xlsx"), rows);
  RunResult first = Run({"refresh", File("project.xlsx")});
  ASSERT_EQ(first.status, 0) << first.out << first.err;
  for (const char* name : {"file.xlsx", "calc.xlsx"})
    fs::copy_file(File("project.xlsx"), File(name), fs::copy_options::overwrite_existing);
  RunResult by_file = Run({"refresh", File("file.xlsx")});
  ASSERT_EQ(by_file.status, 0) << by_file.out << by_file.err;
  RunResult by_calc = Run({"refresh", Calc(), "--save", File("calc.xlsx")});
  ASSERT_EQ(by_calc.status, 0) << by_calc.out << by_calc.err;
  EXPECT_NE(by_calc.out.find("opened the project there"), std::string::npos) << by_calc.out;
  EXPECT_NE(by_calc.out.find("; saved " + File("calc.xlsx")), std::string::npos) << by_calc.out;
  const std::vector<std::string> differences = Differences(File("file.xlsx"), File("calc.xlsx"));
  EXPECT_TRUE(differences.empty()) << ::testing::PrintToString(differences);
  // Each ticker's chart, drawn by Calc, replaced the one the file held.
  const std::vector<std::string> charts = Charts(File("file.xlsx"));
  EXPECT_EQ(charts.size(), 8u);
  EXPECT_EQ(Charts(File("calc.xlsx")), charts);
}

TEST_F(CalcRemote, WithoutSaveTheFileIsUntouched) {
  const std::string path = Copy("unsaved.xlsx");
  const std::string before = Bytes(path);
  RunResult ran = Run({"update", Calc(), path});
  ASSERT_EQ(ran.status, 0) << ran.out << ran.err;
  EXPECT_NE(ran.out.find("opened the project there"), std::string::npos) << ran.out;
  EXPECT_NE(ran.out.find("not saved: --save was not given, and the document this run opened was closed: " + path +
                         " is unchanged"),
            std::string::npos)
      << ran.out;
  EXPECT_EQ(Bytes(path), before);
}

TEST_F(CalcRemote, ADocumentOpenInTheOfficeIsUsedNotReopened) {
  const std::string path = Copy("open.xlsx");
  std::unique_ptr<SpreadsheetHost> host = MakeTestHost();
  Workbook& wb = host->OpenWorkbook(path);
  RunResult ran = Run({"refresh", Calc(), path});
  ASSERT_EQ(ran.status, 0) << ran.out << ran.err;
  EXPECT_NE(ran.out.find("the project is open there"), std::string::npos) << ran.out;
  EXPECT_NE(ran.out.find("not saved: " + path + " stays open in the office"), std::string::npos) << ran.out;
  // The run wrote into the very document this host holds.
  Worksheet& settings = *wb.FindWorksheet(kSettingsSheet);
  EXPECT_NE(settings.CellValue(3, kStatus).Text().find("Download OK"), std::string::npos)
      << settings.CellValue(3, kStatus).Text();
  // Not opened a second time: the host's document is the office's only
  // one of that file, and it stays open after the run.
  EXPECT_EQ(host->WorkbookCount(), 1);
  EXPECT_EQ(wb.FullName(), path);
}

// The processes whose command line holds `text`.
int ProcessesWith(const std::string& text) {
  int count = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string command_line = Bytes(entry.path().string() + "/cmdline");
    if (command_line.find(text) != std::string::npos) ++count;
  }
  return count;
}

TEST_F(CalcRemote, WithNoOfficeOneIsStartedForTheRunAndEnded) {
  const std::string path = Copy("started.xlsx");
  RunResult ran = Run({"refresh", "--calc=pipe,name=plrxl_nobody_" + std::to_string(getpid()), "--save", path});
  ASSERT_EQ(ran.status, 0) << ran.out << ran.err;
  EXPECT_NE(ran.out.find("started one headless for this run"), std::string::npos) << ran.out;
  EXPECT_NE(ran.out.find("; saved " + path), std::string::npos) << ran.out;
  // Its profile was in the run's TMPDIR: no process of it is left, nor the folder.
  EXPECT_EQ(ProcessesWith(folder_ + "/pelorinxl-office-"), 0);
  for (const fs::directory_entry& entry : fs::directory_iterator(folder_))
    EXPECT_EQ(entry.path().filename().string().rfind("pelorinxl-office-", 0), std::string::npos) << entry.path();
}

TEST_F(CalcRemote, BadConnectionsAreRefusedBeforeAnythingStarts) {
  const std::string path = Copy("bad.xlsx");
  const std::string before = Bytes(path);
  struct Case {
    const char* connection;
    const char* says;
  };
  for (const Case& c : {Case{"localhost:2002", "is not a connection"},
                        Case{"socket,host=127.0.0.1", "needs a port from 1 to 65535"},
                        Case{"socket,host=127.0.0.1,port=99999", "needs a port from 1 to 65535"},
                        Case{"socket,port=2002", "needs a host"}, Case{"pipe,x", "is not a key=value pair"},
                        Case{"pipe,name=", "needs a name"}}) {
    SCOPED_TRACE(c.connection);
    RunResult ran = Run({"refresh", std::string("--calc=") + c.connection, path});
    EXPECT_EQ(ran.status, 105) << ran.out << ran.err;
    EXPECT_NE(ran.err.find(c.says), std::string::npos) << ran.err;
  }
  RunResult ran = Run({"refresh", "--save", path});
  EXPECT_NE(ran.status, 0);
  EXPECT_NE(ran.err.find("--calc"), std::string::npos) << ran.err;
  EXPECT_EQ(Bytes(path), before);
}

}  // namespace
}  // namespace plrxl::calc::testing
