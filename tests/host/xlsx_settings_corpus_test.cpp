// Workbooks other programs saved (tests/data/settings_*.xlsx, see
// make_settings_fixtures.py) keep their workbook settings through a save:
// the features read from the file before and from the saved copy after
// compare equal, and so do the cells with their values and formats.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <tuple>

#include "host/memory/memory_host.h"
#include "host/regional.h"
#include "host/xlsx/internal/xml_scan.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/host/package_files.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::ReadPart;
using testing_xlsx::TempFolder;

bool IsTrue(const std::string& value) { return value == "1" || value == "true"; }

// What a file says of the workbook's settings, in a form two writers of the
// same settings agree on.
struct Features {
  bool date1904 = false;
  // name, localSheetId, hidden, comment, formula
  std::set<std::tuple<std::string, std::string, bool, std::string, std::string>> names;
  std::map<std::string, std::string> elements;  // local name -> text: calcPr, workbookProtection, workbookView
  std::string default_font;
  std::string theme;

  bool operator==(const Features&) const = default;
};

Features Read(const std::string& path) {
  Features f;
  const std::string workbook = ReadPart(path, "xl/workbook.xml");
  std::string name_attributes;
  xlsx::ForEachStartTag(workbook, [&](const xlsx::StartTag& tag) {
    const std::string local = tag.name.substr(tag.name.find(':') + 1);
    const std::string text = workbook.substr(tag.begin, tag.end - tag.begin);
    if (local == "workbookPr") f.date1904 = IsTrue(xlsx::AttributeValue(workbook, tag, "date1904"));
    if (local == "calcPr" || local == "workbookProtection" || local == "workbookView") f.elements[local] = text;
    if (local == "definedName") {
      const size_t close = workbook.find('<', tag.end);
      f.names.emplace(xlsx::AttributeValue(workbook, tag, "name"), xlsx::AttributeValue(workbook, tag, "localSheetId"),
                      IsTrue(xlsx::AttributeValue(workbook, tag, "hidden")),
                      xlsx::AttributeValue(workbook, tag, "comment"),
                      xlsx::Unescape(std::string_view(workbook).substr(tag.end, close - tag.end)));
    }
  });
  const std::string styles = ReadPart(path, "xl/styles.xml");
  const size_t font = styles.find("<font>");
  if (font != std::string::npos) f.default_font = styles.substr(font, styles.find("</font>", font) + 7 - font);
  f.theme = ReadPart(path, "xl/theme/theme1.xml");
  return f;
}

struct Cell {
  std::string value;
  CellStyle style;
  bool operator==(const Cell&) const = default;
};

std::map<std::string, Cell> Cells(const std::string& path) {
  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  Workbook& book = host.OpenWorkbook(path);
  EXPECT_TRUE(book.Losses().empty()) << book.Losses().front();
  std::map<std::string, Cell> cells;
  for (int i = 1; i <= book.WorksheetCount(); ++i) {
    Worksheet& sheet = book.WorksheetAt(i);
    const auto used = sheet.UsedRange();
    if (!used) continue;
    sheet.ForEachCell(*used, [&](int row, int col) {
      cells[sheet.Name() + "!" + std::to_string(row) + "," + std::to_string(col)] = {
          testing_xlsx::Describe(sheet.CellValue(row, col)), sheet.CellStyleAt(row, col)};
    });
  }
  return cells;
}

TEST(XlsxSettingsCorpus, OtherProgramsWorkbooksKeepTheirSettings) {
  struct Case {
    const char* file;
    bool has_theme;
  } const cases[] = {{"settings_openpyxl.xlsx", true}, {"settings_libreoffice.xlsx", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TempFolder folder;
    const std::string before_path = std::string(PLRXL_TEST_DATA) + "/" + c.file;
    const std::string after_path = folder.File("Copy.xlsx");
    {
      MemoryHost host(MakeXlsxStore(), RegionalSettings{});
      Workbook& book = host.OpenWorkbook(before_path);
      EXPECT_TRUE(book.Losses().empty()) << book.Losses().front();
      EXPECT_TRUE(book.Date1904());
      book.SaveAs(after_path);
    }
    Features before = Read(before_path);
    Features after = Read(after_path);
    EXPECT_TRUE(before.date1904);
    EXPECT_FALSE(before.names.empty());
    if (!c.has_theme) after.theme.clear();  // the writer adds its own where the file had none
    EXPECT_EQ(before.date1904, after.date1904);
    EXPECT_EQ(before.names, after.names);
    EXPECT_EQ(before.elements, after.elements);
    EXPECT_EQ(before.default_font, after.default_font);
    EXPECT_EQ(before.theme, after.theme);
    EXPECT_TRUE(before == after);
    EXPECT_EQ(Cells(before_path), Cells(after_path));
  }
}

}  // namespace
}  // namespace plrxl
