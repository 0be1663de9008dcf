// The Calc host with real files: a workbook another program wrote, read
// through Calc; a block written in bulk through Calc, saved by Calc and read
// back by the system's own .xlsx store.
#include <cmath>

#include "host/regional.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/calc/calc_office_fixture.h"

namespace plrxl::calc::testing {
namespace {

struct CellCase {
  const char* cell;
  Variant expected;
};

TEST(CalcFiles, AWorkbookOpenpyxlWroteReadsThroughCalc) {
  PLRXL_NEED_OFFICE();
  auto host = MakeTestHost();
  Workbook& book = host->OpenWorkbook(PLRXL_TEST_DATA "/openpyxl_values.xlsx");
  Worksheet& sheet = book.Worksheets("Values");
  const CellCase cases[] = {
      {"A1", Variant("Text")},
      {"B1", Variant(42.0)},
      {"C1", Variant(3.25)},
      {"D1", Variant(true)},
      {"E1", Variant(false)},
      {"F1", Variant::Date(DateSerial(2024, 3, 15))},
      {"G1", Variant::Date(DateSerial(2024, 3, 15) + 0.5 + 0.5 / 24)},
      {"H1", Variant(84.0)},  // computed by Calc: openpyxl stores no result
      {"I1", Variant(CellError::kNA)},
      {"J1", Variant()},
      {"B2", Variant("Ünïcödé € ✓")},
      {"D2", Variant(-1.5e-10)},
      {"E2", Variant(1234567890123.0)},
      {"A3", Variant("line1\nline2")},
  };
  for (const auto& c : cases) {
    const Variant got = sheet.GetRange(c.cell).Value();
    if (c.expected.IsDate()) {
      ASSERT_TRUE(got.IsDate()) << c.cell;
      EXPECT_NEAR(got.DateSerial(), c.expected.DateSerial(), 1e-6) << c.cell;
    } else {
      EXPECT_EQ(got, c.expected) << c.cell;
    }
  }
  EXPECT_EQ(sheet.CellFormula(1, 8), "=B1*2");
  const CellStyle bold_red = sheet.CellStyleAt(5, 1);
  EXPECT_TRUE(bold_red.bold);
  EXPECT_EQ(bold_red.font_color, 0xFF0000u);
  EXPECT_EQ(bold_red.font_name, "Arial");
  EXPECT_EQ(bold_red.font_size, 14);
  EXPECT_TRUE(sheet.CellStyleAt(5, 2).italic);
  EXPECT_EQ(sheet.CellStyleAt(5, 5).fill_color, 0xFFFF00u);
  // Calc converts a file's widths with the metrics of the fonts installed
  // here: their order is what holds (A 20, B default, C 5.5).
  EXPECT_GT(sheet.ColumnWidth(1), sheet.ColumnWidth(2));
  EXPECT_GT(sheet.ColumnWidth(2), sheet.ColumnWidth(3));
  EXPECT_NEAR(sheet.RowHeight(3), 30, 0.3);
  EXPECT_FALSE(book.FindWorksheet("Hidden") != nullptr && book.Worksheets("Hidden").Visible());
  book.Close();
}

TEST(CalcFiles, BulkBlockSavedByCalcLoadsInTheSystemsStore) {
  PLRXL_NEED_OFFICE();
  constexpr int kRows = 2500;
  auto host = MakeTestHost();
  Workbook& book = host->AddWorkbook();
  Worksheet& sheet = book.WorksheetAt(1);
  sheet.SetName("Bars");
  const double first_day = DateSerial(2015, 1, 2);
  auto bar = [&](int i, int field) {
    return field == 0 ? Variant::Date(first_day + i) : Variant(100 + i * 0.25 + field);
  };
  for (int i = 0; i < kRows; ++i)
    for (int f = 0; f < 6; ++f) sheet.SetCellValue(i + 2, f + 1, bar(i, f));
  const char* headers[] = {"Date", "Open", "High", "Low", "Close", "Volume"};
  for (int f = 0; f < 6; ++f) sheet.SetCellValue(1, f + 1, Variant(headers[f]));
  sheet.SetCellFormula(2, 8, "=AVERAGE(E2:E2501)", Variant());
  EXPECT_NEAR(sheet.CellValue(2, 8).Number(), 100 + (kRows - 1) * 0.125 + 4, 1e-9);
  const std::string path = TestFolder() + "/bulk.xlsx";
  book.SaveAs(path);
  EXPECT_EQ(book.Name(), "bulk.xlsx");

  auto store_host = MakeMemoryHost(MakeXlsxStore(), RegionalSettings{});
  Worksheet& loaded = store_host->OpenWorkbook(path).Worksheets("Bars");
  for (int f = 0; f < 6; ++f) ASSERT_EQ(loaded.CellValue(1, f + 1), Variant(headers[f]));
  for (int i = 0; i < kRows; ++i)
    for (int f = 0; f < 6; ++f) ASSERT_EQ(loaded.CellValue(i + 2, f + 1), bar(i, f)) << i << "," << f;
  EXPECT_EQ(loaded.CellFormula(2, 8), "=AVERAGE(E2:E2501)");
  EXPECT_NEAR(loaded.CellValue(2, 8).Number(), 100 + (kRows - 1) * 0.125 + 4, 1e-9);
}

// A workbook in the 1904 date system is refused with a reason, not read
// four years off; the host's own workbooks stay in the 1900 system.
TEST(CalcFiles, AWorkbookInThe1904DateSystemIsRefused) {
  PLRXL_NEED_OFFICE();
  const std::string path = TestFolder() + "/dates1904.xlsx";
  {
    MemoryHost memory(MakeXlsxStore());
    Workbook& wb = memory.AddWorkbook();
    wb.SetDate1904(true);
    wb.WorksheetAt(1).SetCellValue(1, 1, Variant::Date(DateSerial(2024, 3, 15)));
    wb.SaveAs(path);
  }
  auto calc = MakeTestHost();
  try {
    calc->OpenWorkbook(path);
    ADD_FAILURE() << "opened";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 1004);
    EXPECT_NE(e.Description().find("1904 date system"), std::string::npos) << e.Description();
  }
  EXPECT_EQ(calc->WorkbookCount(), 0);
  EXPECT_FALSE(calc->AddWorkbook().Date1904());
}

// Names local to a sheet: read from a file with their sheet, found from
// their own sheet only (the workbook's name of the same spelling first),
// defined and deleted through Calc and saved back with their sheet.
TEST(CalcFiles, NamesLocalToASheetGoBothWays) {
  PLRXL_NEED_OFFICE();
  const std::string path = TestFolder() + "/local_names.xlsx";
  {
    MemoryHost memory(MakeXlsxStore());
    Workbook& wb = memory.AddWorkbook();
    Worksheet& second = wb.AddWorksheet();
    second.SetName("Second");
    wb.AddName("Rates", "='Sheet1'!R1C1");
    wb.DefineName(DefinedName{"Local", "='Second'!R2C2", true, &second, ""});
    wb.DefineName(DefinedName{"Rates", "='Second'!R3C3", true, &second, ""});
    wb.SaveAs(path);
  }
  auto calc = MakeTestHost();
  Workbook& book = calc->OpenWorkbook(path);
  Worksheet& first = book.Worksheets("Sheet1");
  Worksheet& second = book.Worksheets("Second");
  ASSERT_EQ(book.NameCount(), 3);
  EXPECT_EQ(book.NameAt(1).name, "Local");
  EXPECT_EQ(book.NameAt(1).scope, &second);
  EXPECT_EQ(book.NameAt(2).scope, nullptr);  // the workbook's Rates before Second's
  EXPECT_EQ(book.NameAt(3).scope, &second);
  first.Activate();
  EXPECT_EQ(book.FindName("Local"), nullptr);
  EXPECT_EQ(book.FindName("rates")->refers_to, "=Sheet1!$A$1");
  second.Activate();
  ASSERT_NE(book.FindName("Local"), nullptr);
  EXPECT_EQ(book.FindName("Local")->refers_to, "=Second!$B$2");
  book.DeleteName("Local");
  book.DefineName(DefinedName{"Mine", "='Sheet1'!R4C4", true, &first, ""});
  book.SaveAs(path);

  MemoryHost memory(MakeXlsxStore());
  Workbook& back = memory.OpenWorkbook(path);
  std::vector<std::string> names;
  for (int i = 1; i <= back.NameCount(); ++i) {
    const DefinedName& n = back.NameAt(i);
    names.push_back(n.name + (n.scope != nullptr ? "@" + n.scope->Name() : "") + " " + n.refers_to);
  }
  const std::vector<std::string> expected = {"Mine@Sheet1 ='Sheet1'!R4C4", "Rates ='Sheet1'!R1C1",
                                             "Rates@Second ='Second'!R3C3"};
  EXPECT_EQ(names, expected);
}

// File names with a space, "#" and "%" go to the office as escaped URLs.
TEST(CalcFiles, FileNamesWithUrlCharactersOpenAndSave) {
  PLRXL_NEED_OFFICE();
  const std::string path = TestFolder() + "/Q1 #2 100%.xlsx";
  {
    auto calc = MakeTestHost();
    Workbook& wb = calc->AddWorkbook();
    wb.WorksheetAt(1).SetCellValue(1, 1, Variant("saved"));
    wb.SaveAs(path);
    EXPECT_EQ(wb.Name(), "Q1 #2 100%.xlsx");
  }
  auto calc = MakeTestHost();
  EXPECT_EQ(calc->OpenWorkbook(path).WorksheetAt(1).CellValue(1, 1), Variant("saved"));
}

}  // namespace
}  // namespace plrxl::calc::testing
