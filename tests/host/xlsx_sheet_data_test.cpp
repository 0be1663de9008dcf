// The cells of a saved sheet, read back both through the store and as the
// XML of the sheet part: every kind of value keeps its kind (error constants
// and the empty text as values, not formulas), texts survive markup and
// spaces, and rows keep their heights.
#include <gtest/gtest.h>
#include <zip.h>

#include <cmath>
#include <string>

#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::TempFolder;

std::string PartText(const std::string& path, const std::string& part) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (archive == nullptr) return "";
  std::string text;
  if (zip_file_t* file = zip_fopen(archive, part.c_str(), 0)) {
    char buffer[4096];
    for (zip_int64_t n; (n = zip_fread(file, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
    zip_fclose(file);
  }
  zip_discard(archive);
  return text;
}

TEST(XlsxSheetData, EveryKindOfValueKeepsItsKind) {
  TempFolder folder;
  const std::string path = folder.File("values.xlsx");
  struct Case {
    int row;
    Variant value;
    const char* formula;
    const char* xml;  // expected inside the sheet part
  };
  const Case cases[] = {
      {1, Variant(CellError::kNA), "", "<c r=\"A1\" t=\"e\"><v>#N/A</v></c>"},
      {2, Variant(std::string()), "", "<c r=\"A2\" t=\"inlineStr\"><is><t></t></is></c>"},
      {3, Variant(true), "", "<c r=\"A3\" t=\"b\"><v>1</v></c>"},
      {4, Variant(0.1), "", "<c r=\"A4\"><v>0.1</v></c>"},
      {5, Variant(std::string("a < b & \"c\"")), "", "<t>a &lt; b &amp; &quot;c&quot;</t>"},
      {6, Variant(std::string("  padded ")), "", "<t xml:space=\"preserve\">  padded </t>"},
      {7, Variant(CellError::kDiv0), "=1/0", "<c r=\"A7\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>"},
      {8, Variant(false), "=1>2", "<c r=\"A8\" t=\"b\"><f>1&gt;2</f><v>0</v></c>"},
      {9, Variant(std::string("x")), "=\"x\"", "<c r=\"A9\" t=\"str\"><f>&quot;x&quot;</f><v>x</v></c>"},
      {10, Variant(-1234567.890625), "", "<v>-1234567.890625</v>"},
  };
  {
    MemoryHost host(MakeXlsxStore(), RegionalSettings{});
    Workbook& book = host.AddEmptyWorkbook();
    Worksheet& sheet = book.AddWorksheet();
    sheet.SetName("Data");
    for (const Case& c : cases) {
      if (*c.formula != '\0') {
        sheet.SetCellFormula(c.row, 1, c.formula, c.value);
      } else {
        sheet.SetCellValue(c.row, 1, c.value);
      }
    }
    sheet.SetRowHeight(20, 33);  // a row with a height and no cell
    sheet.SetCellValue(12, 2, std::nan(""));
    book.SaveAs(path);
  }
  const std::string xml = PartText(path, "xl/worksheets/sheet1.xml");
  for (const Case& c : cases) EXPECT_NE(xml.find(c.xml), std::string::npos) << c.xml << "\n" << xml;
  EXPECT_NE(xml.find("<row r=\"20\" ht=\"33\" customHeight=\"1\"></row>"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<dimension ref=\"A1:B20\"/>"), std::string::npos) << xml;

  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  Worksheet& sheet = host.OpenWorkbook(path).WorksheetAt(1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    EXPECT_EQ(sheet.CellValue(c.row, 1), c.value);
    EXPECT_EQ(sheet.CellFormula(c.row, 1), c.formula);
  }
  EXPECT_EQ(sheet.CellValue(12, 2), Variant(CellError::kNum));  // no form for NaN in the file
  EXPECT_DOUBLE_EQ(sheet.RowHeight(20), 33);
}

}  // namespace
}  // namespace plrxl
