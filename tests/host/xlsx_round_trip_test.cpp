// Round trips through real .xlsx files: a workbook using every feature the
// store keeps is saved, loaded into a fresh host and compared.
#include <gtest/gtest.h>

#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::ExpectSameWorkbook;
using testing_xlsx::TempFolder;

CellStyle Styled(void (*tweak)(CellStyle&)) {
  CellStyle s;
  tweak(s);
  return s;
}

struct CellCase {
  const char* address;
  Variant value;
  const char* formula;  // empty: a constant
  CellStyle style;
};

std::vector<CellCase> CellCases() {
  CellStyle date_style;
  date_style.number_format = "dd.mm.yyyy";
  CellStyle date_time;
  date_time.number_format = "yyyy-mm-dd hh:mm:ss";
  return {
      {"A1", 42.0, "", {}},
      {"A2", -0.000123456789012345, "", {}},
      {"A3", 1.5e300, "", {}},
      {"A4", 123456789012345.0, "", {}},
      {"A5", Variant::Date(45366), "", date_style},
      {"A6", Variant::Date(45366.5208333333), "", date_time},
      {"A7", Variant::Date(0.75), "", Styled([](CellStyle& s) { s.number_format = "hh:mm"; })},
      {"B1", "plain text", "", {}},
      {"B2", "", "", {}},
      {"B3", "  spaces kept  ", "", {}},
      {"B4", "<xml> & \"quotes\" 'apostrophes'", "", {}},
      {"B5", "Ünïcödé € ✓ 日本", "", {}},
      {"B6", "two\nlines", "", Styled([](CellStyle& s) { s.wrap_text = true; })},
      {"B7", " ", "", {}},
      {"B8", "plain text", "", {}},  // shared with B1
      {"C1", true, "", {}},
      {"C2", false, "", {}},
      {"C3", CellError::kNA, "", {}},
      {"C4", CellError::kDiv0, "", {}},
      {"C5", CellError::kValue, "", {}},
      {"C6", CellError::kRef, "", {}},
      {"C7", CellError::kName, "", {}},
      {"C8", CellError::kNum, "", {}},
      {"C9", CellError::kNull, "", {}},
      {"D1", 84.0, "=A1*2", {}},
      {"D2", "plain text!", "=B1&\"!\"", {}},
      {"D3", true, "=A1>0", {}},
      {"D4", CellError::kNA, "=NA()", {}},
      {"D5", Variant::Date(45367), "=A5+1", date_style},
      {"D6", 0.0, "=Z99", {}},
      {"D7", "", "=\"\"&\"\"", {}},
      {"E1", 0.125, "", Styled([](CellStyle& s) { s.number_format = "0.00%"; })},
      {"E2", 1234.5, "", Styled([](CellStyle& s) { s.number_format = "#,##0.00"; })},
      {"E3", 7.0, "", Styled([](CellStyle& s) { s.number_format = "0.000;[Red]-0.000"; })},
      {"E4", "as text", "", Styled([](CellStyle& s) { s.number_format = "@"; })},
      {"F1", "bold red", "", Styled([](CellStyle& s) { s.bold = true; s.font_color = 0xFF0000; })},
      {"F2", "italic underline", "", Styled([](CellStyle& s) { s.italic = true; s.underline = true; })},
      {"F3", "arial 14 blue", "", Styled([](CellStyle& s) { s.font_name = "Arial"; s.font_size = 14; s.font_color = 0x0000FF; })},
      {"F4", "black font", "", Styled([](CellStyle& s) { s.font_color = 0x000000; })},
      {"F5", "yellow fill", "", Styled([](CellStyle& s) { s.fill_color = 0xFFFF00; })},
      {"F6", "black fill", "", Styled([](CellStyle& s) { s.fill_color = 0x000000; s.font_color = 0xFFFFFF; })},
      {"F7", "borders", "", Styled([](CellStyle& s) {
         s.left = {BorderStyle::kThin, kAutomatic};
         s.right = {BorderStyle::kMedium, 0xFF0000};
         s.top = {BorderStyle::kThick, 0x00FF00};
         s.bottom = {BorderStyle::kDouble, 0x0000FF};
       })},
      {"F8", "more borders", "", Styled([](CellStyle& s) {
         s.left = {BorderStyle::kDashed, kAutomatic};
         s.right = {BorderStyle::kDotted, kAutomatic};
         s.bottom = {BorderStyle::kHair, kAutomatic};
       })},
      {"G1", "centre top", "", Styled([](CellStyle& s) { s.h_align = HAlign::kCenter; s.v_align = VAlign::kTop; })},
      {"G2", "right centre", "", Styled([](CellStyle& s) { s.h_align = HAlign::kRight; s.v_align = VAlign::kCenter; })},
      {"G3", "left", "", Styled([](CellStyle& s) { s.h_align = HAlign::kLeft; })},
      {"G4", "justify", "", Styled([](CellStyle& s) { s.h_align = HAlign::kJustify; s.v_align = VAlign::kJustify; })},
      {"G5", "fill", "", Styled([](CellStyle& s) { s.h_align = HAlign::kFill; })},
      {"G6", Variant(), "", Styled([](CellStyle& s) { s.fill_color = 0x00FF00; })},  // styled blank
  };
}

Chart LineChart() {
  Chart c;
  c.kind = ChartKind::kLine;
  c.title = "AAPL";
  c.title_bold = true;
  c.left = 300;
  c.top = 45;
  c.width = 450;
  c.height = 240;
  c.has_legend = false;
  ChartSeries close;
  close.name = "='Data'!R1C1";
  close.values = "='Data'!R2C1:R4C1";
  close.categories = "='Data'!R2C5:R4C5";
  close.line_color = 0xFF0000;
  close.line_weight = 1.5;
  ChartSeries open;
  open.name = "Open";
  open.values = "='Data'!R2C4:R4C4";
  c.series = {close, open};
  c.font_name = "Arial";
  c.category_axis.reversed = true;
  c.category_axis.crossed_at_maximum = true;
  c.category_axis.label_interval = 5;
  c.category_axis.number_format = "dd.mm.yyyy";
  c.value_axis.minimum = 0;
  c.value_axis.maximum = 200;
  c.value_axis.major_gridlines = true;
  return c;
}

Chart StockChart() {
  Chart c;
  c.kind = ChartKind::kStock;
  c.title = "MSFT";
  c.left = 20;
  c.top = 400;
  c.high_low_lines = true;
  c.up_down_bars = true;
  for (int col : {2, 3, 4, 5}) {
    ChartSeries s;
    s.values = "='Other''s Sheet'!R2C" + std::to_string(col) + ":R20C" + std::to_string(col);
    s.categories = "='Other''s Sheet'!R2C1:R20C1";
    s.line_hidden = true;
    s.markers = col == 5;  // the close as a tick mark
    s.marker_symbol = col == 5 ? "dash" : "";
    c.series.push_back(s);
  }
  return c;
}

void FillEveryFeature(Workbook& book) {
  Worksheet& data = *book.ActiveSheet();
  data.SetName("Data");
  for (const CellCase& c : CellCases()) {
    auto where = ParseA1(c.address);
    ASSERT_TRUE(where) << c.address;
    int row = where->rect.row1, col = where->rect.col1;
    if (*c.formula != '\0') {
      data.SetCellFormula(row, col, c.formula, c.value);
    } else if (!c.value.IsEmpty()) {
      data.SetCellValue(row, col, c.value);
    }
    data.SetCellStyle(row, col, c.style);
  }
  data.SetColumnWidth(2, 25.71);
  data.SetColumnWidth(6, 3.5);
  data.SetColumnWidth(7, 0.5);
  data.SetRowHeight(6, 30);
  data.SetRowHeight(12, 8.25);
  data.Merge({10, 1, 11, 3});  // with a value in its top-left
  data.SetCellValue(10, 1, "merged");
  data.Merge({13, 5, 13, 7});  // empty top-left
  data.FreezePanes(1, 2);
  data.SetZoom(85);
  data.SetSelectionRect({3, 3, 5, 4});
  Chart& line = data.AddChart(0, 0, 1, 1);
  std::string name = line.name;
  line = LineChart();
  line.name = name;

  Worksheet& other = book.AddWorksheet();
  other.SetName("Other's Sheet");
  for (int r = 1; r <= 20; ++r) {
    for (int c = 1; c <= 5; ++c) other.SetCellValue(r, c, r * 10.0 + c);
  }
  other.SetZoom(150);
  other.FreezePanes(3, 0);
  Chart& stock = other.AddChart(0, 0, 1, 1);
  name = stock.name;
  stock = StockChart();
  stock.name = name;

  Worksheet& hidden = book.AddWorksheet();
  hidden.SetName("Hidden");
  hidden.SetCellValue(1, 1, "secret");
  hidden.SetVisible(false);
  Worksheet& last = book.AddWorksheet();
  last.SetName("Last");
  last.FreezePanes(0, 1);
  book.MoveWorksheet(last, 2);  // order: Data, Last, Other's Sheet, Hidden

  book.AddName("PelorinXL_Anchor", "='Data'!R2C3");
  book.AddName("Block", "='Other''s Sheet'!R1C1:R20C5");
  book.AddName("Formulaic", "=Data!$A$1*2");
  other.Activate();
}

class XlsxRoundTrip : public ::testing::Test {
 protected:
  std::unique_ptr<SpreadsheetHost> NewHost() { return MakeMemoryHost(MakeXlsxStore(), RegionalSettings{}); }
  TempFolder folder;
};

TEST_F(XlsxRoundTrip, EveryFeatureSurvivesSaveAndLoad) {
  auto host = NewHost();
  Workbook& book = host->AddWorkbook();
  FillEveryFeature(book);
  book.CarriedParts().emplace_back("xl/vbaProject.bin", std::string("\xD0\xCF\x11\xE0 not really a VBA project", 30));
  const std::string path = folder.File("every feature.xlsm");
  book.SaveAs(path);
  EXPECT_EQ(book.FullName(), path);

  auto reader = NewHost();
  Workbook& loaded = reader->OpenWorkbook(path);
  EXPECT_TRUE(loaded.Warnings().empty()) << loaded.Warnings().front();
  ExpectSameWorkbook(book, loaded);

  // And once more: what was loaded saves to the same content again.
  const std::string again = folder.File("again.xlsm");
  loaded.SaveAs(again);
  auto third = NewHost();
  ExpectSameWorkbook(book, third->OpenWorkbook(again));
}

TEST_F(XlsxRoundTrip, NamesResolveAfterLoadInEitherForm) {
  auto host = NewHost();
  Workbook& book = host->AddWorkbook();
  FillEveryFeature(book);
  book.SaveAs(folder.File("names.xlsx"));
  auto reader = NewHost();
  Workbook& loaded = reader->OpenWorkbook(folder.File("names.xlsx"));
  struct Case {
    const char* name;
    const char* refers_to;
    const char* sheet;
    const char* address;
  };
  const Case cases[] = {
      {"PelorinXL_Anchor", "='Data'!R2C3", "Data", "$C$2"},
      {"Block", "='Other''s Sheet'!R1C1:R20C5", "Other's Sheet", "$A$1:$E$20"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DefinedName* name = loaded.FindName(c.name);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->refers_to, c.refers_to);
    Range r = loaded.NameRange(c.name);
    EXPECT_EQ(r.Sheet().Name(), c.sheet);
    EXPECT_EQ(r.Address(), c.address);
  }
  EXPECT_EQ(loaded.FindName("Formulaic")->refers_to, "=Data!$A$1*2");
}

TEST_F(XlsxRoundTrip, DateWithoutDateFormatComesBackAsDate) {
  auto host = NewHost();
  Workbook& book = host->AddWorkbook();
  book.ActiveSheet()->SetCellValue(1, 1, Variant::Date(45000));
  book.ActiveSheet()->SetCellValue(2, 1, 45000.0);
  book.SaveAs(folder.File("dates.xlsx"));
  auto reader = NewHost();
  Worksheet& sheet = *reader->OpenWorkbook(folder.File("dates.xlsx")).ActiveSheet();
  EXPECT_TRUE(sheet.CellValue(1, 1) == Variant::Date(45000));
  EXPECT_EQ(sheet.CellStyleAt(1, 1).number_format, "m/d/yyyy");
  EXPECT_TRUE(sheet.CellValue(2, 1) == Variant(45000.0));
}

TEST_F(XlsxRoundTrip, StockChartIsWrittenAsStockChart) {
  auto host = NewHost();
  Workbook& book = host->AddWorkbook();
  FillEveryFeature(book);
  book.SaveAs(folder.File("stock.xlsx"));
  auto reader = NewHost();
  Workbook& loaded = reader->OpenWorkbook(folder.File("stock.xlsx"));
  Worksheet& other = loaded.Worksheets("Other's Sheet");
  ASSERT_EQ(other.ChartCount(), 1);
  EXPECT_EQ(other.ChartAt(1).kind, ChartKind::kStock);
  EXPECT_EQ(loaded.Worksheets("Data").ChartAt(1).kind, ChartKind::kLine);
}

TEST_F(XlsxRoundTrip, DeletedChartStaysDeleted) {
  auto host = NewHost();
  Workbook& book = host->AddWorkbook();
  FillEveryFeature(book);
  book.SaveAs(folder.File("charts.xlsx"));
  auto reader = NewHost();
  Workbook& loaded = reader->OpenWorkbook(folder.File("charts.xlsx"));
  Worksheet& data = loaded.Worksheets("Data");
  ASSERT_EQ(data.ChartCount(), 1);
  EXPECT_EQ(data.ChartAt(1).title, "AAPL");
  data.DeleteChart(1);
  loaded.Save();
  auto third = NewHost();
  EXPECT_EQ(third->OpenWorkbook(folder.File("charts.xlsx")).Worksheets("Data").ChartCount(), 0);
}

TEST_F(XlsxRoundTrip, MacroProjectGoesOnlyIntoMacroEnabledFiles) {
  struct Case {
    const char* file;
    bool carried;
  } const cases[] = {{"book.xlsm", true}, {"BOOK.XLSM", true}, {"book.xlsx", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    auto host = NewHost();
    Workbook& book = host->AddWorkbook();
    book.CarriedParts().emplace_back("xl/vbaProject.bin", std::string("vba bytes"));
    book.SaveAs(folder.File(c.file));
    auto reader = NewHost();
    Workbook& loaded = reader->OpenWorkbook(folder.File(c.file));
    EXPECT_EQ(loaded.CarriedParts().size(), c.carried ? 1u : 0u);
    EXPECT_EQ(book.Warnings().size(), c.carried ? 0u : 1u);
    if (!c.carried) {
      EXPECT_NE(book.Warnings()[0].find("only an .xlsm file holds macros"), std::string::npos);
    }
  }
}

TEST_F(XlsxRoundTrip, SavedFileKeepsPermissionsOfTheFileItReplaces) {
  auto host = NewHost();
  Workbook& book = host->AddWorkbook();
  const std::string path = folder.File("perm.xlsx");
  testing_xlsx::WriteBytes(path, "old");
  std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_read);
  book.SaveAs(path);
  auto perms = std::filesystem::status(path).permissions();
  EXPECT_EQ(perms, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                       std::filesystem::perms::group_read);
  EXPECT_EQ(folder.Files(), std::vector<std::string>{"perm.xlsx"});
}

}  // namespace
}  // namespace plrxl
