// The pelorinxl program itself: run as a child process with real files.
#include <gtest/gtest.h>

#include "host/formula/formula_engine.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "support/clock.h"
#include "tests/app/run_program.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::ReadBytes;
using testing_xlsx::TempFolder;

using testing::RunResult;

RunResult RunProgram(const TempFolder& folder, std::vector<std::string> args) {
  return testing::RunPelorinxl(folder.Path(), args);
}

std::string Fixture(const std::string& name) { return std::string(PLRXL_TEST_DATA) + "/" + name; }

struct CliCase {
  const char* label;
  std::vector<std::string> args;
  bool succeeds;
  std::vector<std::string> out_has;
  const char* err_has;
};

TEST(Pelorinxl, CommandsAndFailures) {
  const CliCase cases[] = {
      {"version", {"--version"}, true, {"2.0.31\n"}, ""},
      {"help", {"--help"}, true, {"info", "copy", "--version"}, ""},
      {"info",
       {"info", Fixture("openpyxl_values.xlsx")},
       true,
       {"Sheets: 3\n", "  1. Values  A1:J7  visible  active\n", "  2. Second Sheet  A1:B2  visible\n",
        "  3. Hidden  A1  hidden\n", "Names: 2\n", "  DataStart  ='Values'!R1C2\n",
        "  Block  ='Second Sheet'!R1C1:R2C2\n", "Charts: 0\n", "Warnings: 0\n"},
       ""},
      {"info names the sheet of a local name",
       {"info", Fixture("settings_openpyxl.xlsx")},
       true,
       {"Names: 4\n", "  Rate (local to Data)  =", "  Rate (local to Third)  =", "  Rate  ="},
       ""},
      {"info with chart and comments",
       {"info", Fixture("openpyxl_parts.xlsx")},
       true,
       {"Charts: 1\n", "  Prices: Chart 1  \"ACME\"\n", "Warnings: 0\n", "Not kept on save: 0\n"},
       ""},
      {"no command: the usage", {}, true, {"Usage: pelorinxl", "Start commands:"}, ""},
      {"unknown command", {"frobnicate"}, false, {}, "pelorinxl: "},
      {"info without workbook", {"info"}, false, {}, "WORKBOOK"},
      {"missing workbook", {"info", "/nonexistent/book.xlsx"}, false, {}, "/nonexistent/book.xlsx: file not found"},
      {"broken workbook", {"info", Fixture("broken_sheet_xml.xlsx")}, false, {}, "broken XML in xl/worksheets/sheet1.xml"},
      {"copy into a missing folder",
       {"copy", Fixture("openpyxl_values.xlsx"), "/nonexistent/out.xlsx"},
       false,
       {},
       "/nonexistent/out.xlsx: folder not found"},
  };
  for (const CliCase& c : cases) {
    SCOPED_TRACE(c.label);
    TempFolder folder;
    RunResult r = RunProgram(folder, c.args);
    if (c.succeeds) {
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.err, "");
    } else {
      EXPECT_NE(r.status, 0);
      EXPECT_EQ(r.out, "");
      // One line: the reason.
      ASSERT_FALSE(r.err.empty());
      EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
    for (const std::string& s : c.out_has) EXPECT_NE(r.out.find(s), std::string::npos) << "missing: " << s << "\n" << r.out;
    EXPECT_NE(r.err.find(c.err_has), std::string::npos) << r.err;
  }
}

TEST(Pelorinxl, CopyOfAnotherProgramsWorkbookKeepsEverything) {
  for (const char* name : {"openpyxl_values.xlsx", "openpyxl_parts.xlsx"}) {
    SCOPED_TRACE(name);
    TempFolder folder;
    const std::string copy = folder.File("copy.xlsx");
    RunResult r = RunProgram(folder, {"copy", Fixture(name), copy});
    ASSERT_EQ(r.status, 0) << r.err;
    // The original read as pelorinxl reads it (formulas computed; openpyxl
    // stores no results), the copy as the file holds it.
    auto original_host = std::make_unique<MemoryHost>(MakeXlsxStore());
    original_host->SetFormulaEvaluator(MakeFormulaEngine(std::make_shared<SystemClock>()));
    auto copy_host = MakeMemoryHost(MakeXlsxStore());
    Workbook& original = original_host->OpenWorkbook(Fixture(name));
    Workbook& copied = copy_host->OpenWorkbook(copy);
    testing_xlsx::ExpectSameWorkbook(original, copied);
    if (std::string(name) == "openpyxl_values.xlsx") {
      EXPECT_EQ(copied.Worksheets("Values").CellValue(1, 8), Variant(84)) << "=B1*2 carries its result";
    }
    // Nothing is lost (the comments go over as they are); notes of the load
    // are said on stderr.
    EXPECT_TRUE(original.Losses().empty()) << original.Losses().front();
    for (const std::string& w : original.Warnings()) EXPECT_NE(r.err.find("warning: " + w), std::string::npos);
    EXPECT_TRUE(copied.Warnings().empty());
    EXPECT_TRUE(copied.Losses().empty());
  }
}

}  // namespace
}  // namespace plrxl
