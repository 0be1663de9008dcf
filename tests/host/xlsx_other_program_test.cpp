// Workbooks written by another program (openpyxl, see
// tests/data/make_openpyxl_fixtures.py) load cell by cell as that program
// wrote them.
#include <gtest/gtest.h>

#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::Describe;

std::string Fixture(const std::string& name) { return std::string(PLRXL_TEST_DATA) + "/" + name; }

struct ValueCase {
  const char* address;
  Variant value;
  const char* formula;
  const char* number_format;
};

TEST(XlsxOtherProgram, ValuesLoadCellByCell) {
  auto host = MakeMemoryHost(MakeXlsxStore());
  Workbook& book = host->OpenWorkbook(Fixture("openpyxl_values.xlsx"));
  Worksheet& sheet = book.Worksheets("Values");
  const ValueCase cases[] = {
      {"A1", "Text", "", "General"},
      {"B1", 42.0, "", "General"},
      {"C1", 3.25, "", "General"},
      {"D1", true, "", "General"},
      {"E1", false, "", "General"},
      {"F1", Variant::Date(DateSerial(2024, 3, 15)), "", "dd.mm.yyyy"},
      {"G1", Variant::Date(DateSerial(2024, 3, 15) + TimeSerial(12, 30, 0)), "", "yyyy-mm-dd hh:mm:ss"},
      {"H1", Variant(), "=B1*2", "General"},
      {"I1", CellError::kNA, "", "General"},
      {"A2", "  leading and trailing spaces  ", "", "General"},
      {"B2", "Ünïcödé € ✓", "", "General"},
      {"C2", "<tag> & \"quotes\"", "", "General"},
      {"D2", -1.5e-10, "", "General"},
      {"E2", 1234567890123.0, "", "General"},
      {"A3", "line1\nline2", "", "General"},
      {"C5", 0.125, "", "0.00%"},
      {"D5", 1234.5, "", "#,##0.00"},
      {"A7", "merged", "", "General"},
      {"A4", Variant(), "", "General"},
  };
  for (const ValueCase& c : cases) {
    auto where = ParseA1(c.address);
    ASSERT_TRUE(where);
    int r = where->rect.row1, col = where->rect.col1;
    Variant got = sheet.CellValue(r, col);
    if (got.IsDate() && c.value.IsDate()) {
      EXPECT_NEAR(got.DateSerial(), c.value.DateSerial(), 1e-6) << c.address;
    } else {
      EXPECT_TRUE(got == c.value) << c.address << ": got " << Describe(got) << ", want " << Describe(c.value);
    }
    EXPECT_EQ(sheet.CellFormula(r, col), c.formula) << c.address;
    EXPECT_EQ(sheet.CellStyleAt(r, col).number_format, c.number_format) << c.address;
  }
}

struct StyleCase {
  const char* address;
  CellStyle style;
};

CellStyle With(void (*tweak)(CellStyle&)) {
  CellStyle s;
  tweak(s);
  return s;
}

TEST(XlsxOtherProgram, StylesLoadCellByCell) {
  auto host = MakeMemoryHost(MakeXlsxStore());
  Worksheet& sheet = host->OpenWorkbook(Fixture("openpyxl_values.xlsx")).Worksheets("Values");
  const StyleCase cases[] = {
      {"A1", CellStyle()},
      {"A5", With([](CellStyle& s) { s.font_name = "Arial"; s.font_size = 14; s.bold = true; s.font_color = 0xFF0000; })},
      {"B5", With([](CellStyle& s) { s.italic = true; s.underline = true; s.font_color = 0x0000FF; })},
      {"E5", With([](CellStyle& s) { s.fill_color = 0xFFFF00; })},
      {"F5", With([](CellStyle& s) {
         s.left = {BorderStyle::kThin, 0x000000};
         s.right = {BorderStyle::kThin, 0x000000};
         s.top = {BorderStyle::kThick, 0xFF0000};
         s.bottom = {BorderStyle::kDouble, kAutomatic};
       })},
      {"G5", With([](CellStyle& s) { s.h_align = HAlign::kCenter; s.v_align = VAlign::kTop; s.wrap_text = true; })},
      {"H5", With([](CellStyle& s) { s.h_align = HAlign::kRight; })},
  };
  for (const StyleCase& c : cases) {
    auto where = ParseA1(c.address);
    CellStyle got = sheet.CellStyleAt(where->rect.row1, where->rect.col1);
    EXPECT_TRUE(got == c.style) << c.address << ": font " << got.font_name << " " << got.font_size << " colour "
                                << std::hex << got.font_color << " fill " << got.fill_color;
  }
}

TEST(XlsxOtherProgram, LayoutSheetsAndNames) {
  auto host = MakeMemoryHost(MakeXlsxStore());
  Workbook& book = host->OpenWorkbook(Fixture("openpyxl_values.xlsx"));
  ASSERT_EQ(book.WorksheetCount(), 3);
  EXPECT_EQ(book.WorksheetAt(1).Name(), "Values");
  EXPECT_EQ(book.WorksheetAt(2).Name(), "Second Sheet");
  EXPECT_EQ(book.WorksheetAt(3).Name(), "Hidden");
  EXPECT_TRUE(book.WorksheetAt(2).Visible());
  EXPECT_FALSE(book.WorksheetAt(3).Visible());
  EXPECT_TRUE(book.WorksheetAt(3).CellValue(1, 1) == Variant("secret"));
  EXPECT_EQ(book.ActiveSheet()->Name(), "Values");

  Worksheet& sheet = book.WorksheetAt(1);
  EXPECT_EQ(sheet.FrozenPanes(), std::make_pair(1, 1));
  EXPECT_EQ(sheet.Zoom(), 85);
  ASSERT_EQ(sheet.MergedCells().size(), 1u);
  EXPECT_EQ(sheet.MergedCells()[0], (Rect{7, 1, 8, 3}));
  // openpyxl stores the width as given: 20 characters with padding are
  // 145 pixels, which the host shows as 19.29.
  EXPECT_NEAR(sheet.ColumnWidth(1), 19.29, 0.005);
  EXPECT_TRUE(sheet.ColumnWidthIsCustom(1));
  EXPECT_NEAR(sheet.ColumnWidth(3), 4.86, 0.005);
  EXPECT_FALSE(sheet.ColumnWidthIsCustom(2));
  EXPECT_DOUBLE_EQ(sheet.RowHeight(3), 30);
  EXPECT_TRUE(sheet.RowHeightIsCustom(3));
  EXPECT_FALSE(sheet.RowHeightIsCustom(2));

  ASSERT_NE(book.FindName("DataStart"), nullptr);
  EXPECT_EQ(book.FindName("DataStart")->refers_to, "='Values'!R1C2");
  EXPECT_EQ(book.NameRange("Block").Address(), "$A$1:$B$2");
  EXPECT_EQ(book.NameRange("Block").Sheet().Name(), "Second Sheet");
  EXPECT_TRUE(book.Warnings().empty());
}

TEST(XlsxOtherProgram, ChartIsFoundAndCommentsAreCarried) {
  auto host = MakeMemoryHost(MakeXlsxStore());
  Workbook& book = host->OpenWorkbook(Fixture("openpyxl_parts.xlsx"));
  Worksheet& sheet = book.Worksheets("Prices");
  ASSERT_EQ(sheet.ChartCount(), 1);
  const Chart& chart = sheet.ChartAt(1);
  EXPECT_EQ(chart.title, "ACME");
  EXPECT_EQ(chart.kind, ChartKind::kLine);
  ASSERT_EQ(chart.series.size(), 1u);
  EXPECT_EQ(chart.series[0].name, "='Prices'!R1C2");
  EXPECT_EQ(chart.series[0].values, "='Prices'!R2C2:R11C2");
  EXPECT_EQ(chart.series[0].categories, "='Prices'!R2C1:R11C1");
  // Anchored at D2: three default columns (64 px each) and one row (20 px).
  EXPECT_NEAR(chart.left, 144, 0.01);
  EXPECT_NEAR(chart.top, 15, 0.01);
  EXPECT_NEAR(chart.width, 5400000 / 12700.0, 0.01);

  // The comments and their drawing go over to the next save as they are.
  EXPECT_TRUE(book.Losses().empty()) << book.Losses().front();
  EXPECT_TRUE(book.Warnings().empty()) << book.Warnings().front();
  ASSERT_NE(sheet.CarriedFeatures(), nullptr);
}

}  // namespace
}  // namespace plrxl
