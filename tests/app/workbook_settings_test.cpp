// A project whose workbook carries settings of its own (the 1904 date
// system, names local to a sheet, a hidden name, structure protection,
// manual calculation, Arial 10 as its default font, a theme of its own)
// goes through a refresh that writes data sheets: the run needs no
// --allow-loss, every setting comes back, and the quote dates it wrote read
// as the same days under the workbook's date system.
#include <gtest/gtest.h>

#include <string>

#include "entry/pelorin.h"
#include "host/memory/memory_host.h"
#include "host/regional.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/app/run_program.h"
#include "tests/host/package_files.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::CopyWithParts;
using testing_xlsx::ReadPart;
using testing_xlsx::Replaced;
using testing_xlsx::TempFolder;

constexpr const char* kTheme =
    "<?xml version=\"1.0\"?><a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
    "name=\"Own Theme\"><a:themeElements><a:clrScheme name=\"Own\"><a:dk1><a:srgbClr val=\"101010\"/></a:dk1>"
    "<a:lt1><a:srgbClr val=\"FAFAFA\"/></a:lt1></a:clrScheme></a:themeElements></a:theme>";

bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

TEST(WorkbookSettings, KeptThroughARefresh) {
  TempFolder folder;
  const std::string fresh = folder.File("Fresh.xlsx");
  const std::string project = folder.File("Project.xlsx");
  const testing::RunResult made = testing::RunPelorinxl(folder.Path(), {"new", fresh});
  ASSERT_EQ(made.status, 0) << made.err;
  std::string workbook = ReadPart(fresh, "xl/workbook.xml");
  workbook = Replaced(workbook, "<workbookPr defaultThemeVersion=\"124226\"/>",
                      "<workbookPr date1904=\"1\" defaultThemeVersion=\"166925\"/>"
                      "<workbookProtection lockStructure=\"1\"/>");
  workbook = Replaced(workbook, "<calcPr calcId=\"124519\" fullCalcOnLoad=\"1\"/>",
                      "<calcPr calcId=\"191029\" calcMode=\"manual\"/>");
  workbook = Replaced(workbook, "</definedNames>",
                      "<definedName name=\"Note\" localSheetId=\"0\">'PelorinXL Settings'!$Z$1</definedName>"
                      "<definedName name=\"Note\" localSheetId=\"1\">Parameters!$Z$2</definedName>"
                      "<definedName name=\"Quiet\" hidden=\"1\" comment=\"for macros\">"
                      "'PelorinXL Settings'!$Z$3</definedName></definedNames>");
  std::string styles = ReadPart(fresh, "xl/styles.xml");
  styles = Replaced(styles, "<font><sz val=\"11\"/><color theme=\"1\"/><name val=\"Calibri\"/><family val=\"2\"/>"
                            "<scheme val=\"minor\"/></font>",
                    "<font><sz val=\"10\"/><name val=\"Arial\"/><family val=\"2\"/></font>");
  CopyWithParts(fresh, project,
                {{"xl/workbook.xml", workbook}, {"xl/styles.xml", styles}, {"xl/theme/theme1.xml", kTheme}});
  ASSERT_TRUE(Has(ReadPart(project, "xl/workbook.xml"), "name=\"Parameters\"")) << "the second sheet's name";

  const testing::RunResult run = testing::RunPelorinxl(folder.Path(), {"refresh", project});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Done: 3 row(s), 0 failed"), std::string::npos) << run.out;

  const std::string saved = ReadPart(project, "xl/workbook.xml");
  struct Check {
    const char* part;
    std::string wanted;
  } const checks[] = {
      {"xl/workbook.xml", "<workbookPr date1904=\"1\" defaultThemeVersion=\"166925\"/>"},
      {"xl/workbook.xml", "<workbookProtection lockStructure=\"1\"/>"},
      {"xl/workbook.xml", "<calcPr calcId=\"191029\" calcMode=\"manual\"/>"},
      {"xl/workbook.xml", "<definedName name=\"Note\" localSheetId=\"0\">'PelorinXL Settings'!$Z$1</definedName>"},
      {"xl/workbook.xml", "<definedName name=\"Note\" localSheetId=\"1\">Parameters!$Z$2</definedName>"},
      {"xl/workbook.xml", "<definedName name=\"Quiet\" comment=\"for macros\" hidden=\"1\">"},
      {"xl/styles.xml", "<fonts count=\""},
      {"xl/styles.xml", "\"><font><sz val=\"10\"/><name val=\"Arial\"/><family val=\"2\"/></font>"},
      {"xl/theme/theme1.xml", kTheme},
  };
  for (const Check& c : checks) EXPECT_TRUE(Has(ReadPart(project, c.part), c.wanted)) << c.wanted;

  // The quote dates written by the run: the same days in the model, and
  // 1462 less in the file.
  MemoryHost host(MakeXlsxStore(), RegionalSettings());
  Workbook& book = host.OpenWorkbook(project);
  EXPECT_TRUE(book.Losses().empty()) << book.Losses().front();
  EXPECT_TRUE(book.Date1904());
  const std::string ticker = book.Worksheets(kSettingsSheet).CellValue(3, 1).Text();
  Worksheet* data = book.FindWorksheet(ticker);
  ASSERT_NE(data, nullptr) << ticker;
  double first_date = 0;
  data->ForEachCell(*data->UsedRange(), [&](int row, int col) {
    const Variant v = data->CellValue(row, col);
    if (first_date == 0 && v.IsDate()) first_date = v.Number();
  });
  EXPECT_GE(first_date, DateSerial(2000, 1, 1));
  EXPECT_LE(first_date, DateSerial(2030, 1, 1));
  int sheet_index = 0;
  for (int i = 1; i <= book.WorksheetCount(); ++i) {
    if (&book.WorksheetAt(i) == data) sheet_index = i;
  }
  const std::string sheet = ReadPart(project, "xl/worksheets/sheet" + std::to_string(sheet_index) + ".xml");
  EXPECT_TRUE(Has(sheet, "<v>" + std::to_string(static_cast<long>(first_date) - 1462)));
  EXPECT_FALSE(Has(sheet, "<v>" + std::to_string(static_cast<long>(first_date)) + "</v>"));
}

}  // namespace
}  // namespace plrxl
