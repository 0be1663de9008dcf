// The small text transformations of the .xlsx store, each as one table:
// date-format detection, shared-formula moves, reference conversion at the
// file boundary, and the stock-chart rewrite.
#include <gtest/gtest.h>

#include "host/xlsx/internal/chart_reader.h"
#include "host/xlsx/internal/chart_writer.h"
#include "host/xlsx/internal/formula_shift.h"
#include "host/xlsx/internal/number_formats.h"
#include "host/xlsx/internal/sheet_reader.h"
#include "host/xlsx/internal/stock_chart_patch.h"

namespace plrxl::xlsx {
namespace {

TEST(XlsxParts, DateFormatDetection) {
  struct Case {
    const char* format;
    bool is_date;
  } const cases[] = {
      {"General", false},         {"0.00", false},          {"#,##0.00", false},     {"0.00E+00", false},
      {"@", false},               {"0%", false},            {"\"day\" 0", false},    {"[Red]0.00", false},
      {"0.00;[Red]-0.00", false}, {"\\d0", false},          {"_(* #,##0_)", false},  {"dd.mm.yyyy", true},
      {"m/d/yyyy", true},         {"yyyy-mm-dd hh:mm:ss", true}, {"hh:mm", true},   {"h:mm AM/PM", true},
      {"[h]:mm:ss", true},        {"[$-409]mmm d, yyyy", true}, {"mmm-yy", true},   {"ss.0", true},
  };
  for (const Case& c : cases) EXPECT_EQ(IsDateFormat(c.format), c.is_date) << c.format;
  EXPECT_EQ(BuiltinNumberFormat(14), "m/d/yyyy");
  EXPECT_EQ(BuiltinNumberFormatId("0.00%"), 10);
  EXPECT_EQ(BuiltinNumberFormatId("dd.mm.yyyy"), -1);
}

TEST(XlsxParts, SharedFormulaMoves) {
  struct Case {
    const char* formula;
    int rows, cols;
    const char* moved;
  } const cases[] = {
      {"A1+1", 1, 0, "A2+1"},
      {"$A1+A$1+$A$1", 2, 3, "$A3+D$1+$A$1"},
      {"SUM(B2:B10)/LOG10(C3)", 1, 1, "SUM(C3:C11)/LOG10(D4)"},
      {"Sheet1!A1&\"A1\"", 0, 1, "Sheet1!B1&\"A1\""},
      {"'My Sheet'!B2*2", 1, 0, "'My Sheet'!B3*2"},
      {"A1-1", -1, 0, "#REF!-1"},
      {"MyName+A1", 1, 0, "MyName+A2"},
      {"IV1+1", 0, 1, "IW1+1"},
      {"XFD1+A1048576", 0, 1, "#REF!+B1048576"},
      {"SUM(G:H)*2", 0, 1, "SUM(H:I)*2"},
      {"SUM(G:H)", 1, 0, "SUM(G:H)"},
      {"SUM($G:H)+SUM(g:$h)", 0, -1, "SUM($G:G)+SUM(F:$H)"},
      {"SUM(7:8)", 1, 0, "SUM(8:9)"},
      {"SUM(7:8)", 0, 1, "SUM(7:8)"},
      {"SUM($7:8)+Data!1:1", -1, 0, "SUM($7:7)+Data!#REF!"},
      {"A:A", 0, -1, "#REF!"},
      {"'G:H'!A1+AB:CD!A1", 0, 1, "'G:H'!B1+AB:CD!B1"},
      {"2.5+A1", 1, 0, "2.5+A2"},
  };
  for (const Case& c : cases) EXPECT_EQ(ShiftFormula(c.formula, c.rows, c.cols), c.moved) << c.formula;
}

TEST(XlsxParts, ReferencesConvertAtTheFileBoundary) {
  struct Case {
    const char* a1;  // as in the file
    const char* r1c1;  // as in the model
  } const cases[] = {
      {"'Sheet 1'!$B$2:$B$9", "='Sheet 1'!R2C2:R9C2"},
      {"Data!$A$1", "='Data'!R1C1"},
      {"'It''s'!$C$3", "='It''s'!R3C3"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(A1RefToR1C1(c.a1), c.r1c1) << c.a1;
    std::string back = R1C1RefToA1(c.r1c1);
    EXPECT_EQ(A1RefToR1C1(back), c.r1c1) << back;
  }
  EXPECT_EQ(A1RefToR1C1("Data!$A$1*2"), "=Data!$A$1*2");
  EXPECT_EQ(A1RefToR1C1("#REF!"), "=#REF!");
  EXPECT_EQ(R1C1RefToA1("=Data!$A$1*2"), "=Data!$A$1*2");
}

TEST(XlsxParts, ColumnWidthsFromTheFile) {
  struct Case {
    double file_width, shown;
  } const cases[] = {{9.140625, 8.43}, {20, 19.29}, {5.5, 4.86}, {0, 0}, {1, 0.58}};
  for (const Case& c : cases) EXPECT_NEAR(FileWidthToColumnWidth(c.file_width), c.shown, 1e-9) << c.file_width;
}

TEST(XlsxParts, LineChartBecomesStockChart) {
  const std::string line =
      "<c:plotArea><c:layout/><c:lineChart><c:grouping val=\"standard\"/><c:varyColors val=\"0\"/>"
      "<c:ser><c:idx val=\"0\"/><c:marker><c:symbol val=\"none\"/></c:marker></c:ser>"
      "<c:hiLowLines/><c:marker val=\"1\"/><c:axId val=\"1\"/><c:axId val=\"2\"/></c:lineChart>"
      "<c:catAx/></c:plotArea>";
  const std::string stock =
      "<c:plotArea><c:layout/><c:stockChart>"
      "<c:ser><c:idx val=\"0\"/><c:marker><c:symbol val=\"none\"/></c:marker></c:ser>"
      "<c:hiLowLines/><c:axId val=\"1\"/><c:axId val=\"2\"/></c:stockChart>"
      "<c:catAx/></c:plotArea>";
  EXPECT_EQ(LineChartToStockChart(line), stock);
  EXPECT_EQ(LineChartToStockChart("<c:barChart/>"), "<c:barChart/>");
}

TEST(XlsxParts, ShortDashMarkersTakeTheSchemaName) {
  EXPECT_EQ(FixMarkerNames("<c:symbol val=\"short_dash\"/><c:x/><c:symbol val=\"short_dash\"/>"),
            "<c:symbol val=\"dash\"/><c:x/><c:symbol val=\"dash\"/>");
  EXPECT_EQ(FixMarkerNames("<c:symbol val=\"long_dash\"/>"), "<c:symbol val=\"long_dash\"/>");
}

}  // namespace
}  // namespace plrxl::xlsx
