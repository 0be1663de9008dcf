// The formula engine behind the in-memory host: one table of formulas and
// the values they read as, on a pinned clock; then how results follow
// changes, take the date type, and reach the saved file.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "host/formula/formula_engine.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "support/clock.h"
#include "tests/host/package_files.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::Describe;
using testing_xlsx::ReadPart;
using testing_xlsx::TempFolder;

// Friday 15 March 2024, 10:30 (serial 45366.4375).
const double kPinnedNow = LocalSerial(2024, 3, 15, 10, 30, 0);

struct EvalCase {
  const char* formula;
  Variant expected;
  Variant cached = Variant();
};

class FormulaEngineTest : public ::testing::Test {
 protected:
  FormulaEngineTest()
      : clock_(std::make_shared<FixedClock>(kPinnedNow)), host_(MakeXlsxStore(), RegionalSettings()) {
    host_.SetFormulaEvaluator(MakeFormulaEngine(clock_));
    Workbook& wb = host_.AddWorkbook();
    calc_ = &wb.WorksheetAt(1);
    calc_->SetName("Calc");
    settings_ = &wb.AddWorksheet();
    settings_->SetName("PelorinXL Settings");
    calc_->SetCellValue(1, 1, 1);
    calc_->SetCellValue(2, 1, 2);
    calc_->SetCellValue(3, 1, 3);
    calc_->SetCellValue(4, 1, "abc");
    calc_->SetCellValue(6, 1, true);
    settings_->SetCellValue(2, 2, 42);
    settings_->SetCellValue(3, 2, "text is skipped");
  }

  // Writes each formula into C1 and expects its value (numbers within
  // 1e-9, with the expected date type) and its formula back.
  template <size_t N>
  void ExpectEach(const EvalCase (&cases)[N]) {
    for (const EvalCase& c : cases) {
      calc_->SetCellFormula(1, 3, c.formula, c.cached);
      const Variant value = calc_->CellValue(1, 3);
      if (c.expected.IsNumeric() && value.IsNumeric()) {
        EXPECT_EQ(value.IsDate(), c.expected.IsDate()) << c.formula;
        EXPECT_NEAR(value.Number(), c.expected.Number(), 1e-9) << c.formula;
      } else {
        EXPECT_EQ(value, c.expected) << c.formula << " gave " << Describe(value);
      }
      EXPECT_EQ(calc_->CellFormula(1, 3), c.formula);
    }
  }

  std::shared_ptr<FixedClock> clock_;
  MemoryHost host_;
  Worksheet* calc_ = nullptr;
  Worksheet* settings_ = nullptr;
};

TEST_F(FormulaEngineTest, FormulasReadAsTheirResults) {
  const EvalCase cases[] = {
      // Dates: the injected clock and the 1900 date system.
      {"=TODAY()", Variant::Date(45366)},
      {"=NOW()", Variant::Date(kPinnedNow)},
      {"=today()-1", Variant::Date(45365)},
      {"=DATE(2020,1,2)", Variant::Date(43832)},
      {"=DATE(2020,13,1)", Variant::Date(44197)},
      {"=DATE(2020,3,0)", Variant::Date(43890)},
      {"=DATE(2024,2,29)", Variant::Date(45351)},
      {"=DATE(1900,3,1)", Variant::Date(61)},
      {"=DATE(A2*1000+24,A3,15)", Variant::Date(45366)},
      {"=TODAY()>DATE(2024,1,1)", Variant(true)},
      // Arithmetic and comparisons.
      {"=A1+A2*A3", Variant(7)},
      {"=(A1+A2)/A3", Variant(1)},
      {"=-A2+2^10", Variant(1022)},
      {"=A1<A2", Variant(true)},
      {"=A1=2", Variant(false)},
      {"=A1<>A2", Variant(true)},
      {"=A3>=3", Variant(true)},
      {"=A4&\"x\"", Variant("abcx")},
      {"=SUMPRODUCT((A1:A3&1)*1)", Variant(63)},  // "11" + "21" + "31"
      {"=SUMPRODUCT(--(\"n\"&A1:A3&TRUE=\"n2TRUE\"))", Variant(1)},
      // A cell of an array operation that is no number is an error.
      {"=SUMPRODUCT(A1:A3+A1:A3)", Variant(12)},
      {"=SUMPRODUCT(A1:A4+A1:A4)", Variant(CellError::kValue)},
      {"=SUMPRODUCT(-A1:A4)", Variant(CellError::kValue)},
      {"=SUMPRODUCT((A1:A3&\"x\")*2)", Variant(CellError::kValue)},
      {"=SUMPRODUCT(A1:A4/0+{1;#N/A;1;1})", Variant(CellError::kDiv0)},  // the left error wins
      {"=SUMPRODUCT({#N/A;1}-A3:A4)", Variant(CellError::kNA)},
      {"=A1/0", Variant(CellError::kDiv0)},
      // References within and across sheets.
      {"=$A$3", Variant(3)},
      {"='PelorinXL Settings'!B2+1", Variant(43)},
      {"=SUM('PelorinXL Settings'!B2:B3)", Variant(42)},
      // Functions.
      {"=SUM(A1:A3)", Variant(6)},
      {"=SUM(A1:A3,10)", Variant(16)},
      {"=SUM(A:A)", Variant(6)},
      {"=MIN(A1:A3)", Variant(1)},
      {"=MIN(A1:A3,-5)", Variant(-5)},
      {"=MAX(A1:A4,2.5)", Variant(3)},
      {"=MAX(A10:A20)", Variant(0)},
      {"=MAX('PelorinXL Settings'!B1:B9,1)", Variant(42)},
      {"=IF(A1>0,\"yes\",\"no\")", Variant("yes")},
      {"=IF(SUM(A1:A3)>6,1,MIN(A2:A3))", Variant(2)},
      {"=AVERAGE(A1:A3)", Variant(2)},
      {"=INT(-2.5)", Variant(-3)},
      {"=IF(TRUE,1,2)", Variant(1)},
      {"=VLOOKUP(2,A1:A3,1,0)", Variant(2)},
      {"=1E3", Variant(1000)},
      {"=\"say \"\"hi\"\"\"", Variant("say \"hi\"")},
      {"=IF(A1,2)", Variant(2)},
      {"=_xlfn.STDEV.S(A1:A3)", Variant(1)},
      // What the engine cannot compute holds no result: never a made-up
      // one. A formula written with a result keeps it while nothing it
      // reads changes.
      {"=VLOOKUP(1,A1:A3,1,0)", Variant(1), Variant(5)},
      {"=NOSUCH(A1)", Variant(5), Variant(5)},
      {"=NOSUCH(A1)", Variant()},
      {"='No such sheet'!A1", Variant()},
      {"=SUM(", Variant()},
      {"=WAIT()", Variant()},
      {"=UnknownName+1", Variant()},
      {"=($)WWWWWWW,/0)),\x92" "0)", Variant()},
      {"=A1+$", Variant()},
  };
  ExpectEach(cases);
}

TEST_F(FormulaEngineTest, ResultsFollowChangedCellsAndChains) {
  calc_->SetCellFormula(1, 2, "=A1*10", Variant());
  calc_->SetCellFormula(2, 2, "=B1+MAX(B1:B1)", Variant());
  calc_->SetCellFormula(3, 2, "='PelorinXL Settings'!B2", Variant());
  EXPECT_EQ(calc_->CellValue(2, 2), Variant(20));
  calc_->SetCellValue(1, 1, 5);
  EXPECT_EQ(calc_->CellValue(2, 2), Variant(100));
  settings_->SetName("Renamed");
  EXPECT_EQ(calc_->CellFormula(3, 2), "='PelorinXL Settings'!B2");
  EXPECT_TRUE(calc_->CellValue(3, 2).IsEmpty()) << "a reference to a sheet no longer there has no result";
}

TEST_F(FormulaEngineTest, FormulasOnKeptResultsAndErrorsPassThemOn) {
  calc_->SetCellValue(7, 1, CellError::kDiv0);
  calc_->SetCellFormula(1, 2, "=NOSUCH(1)", Variant());
  calc_->SetCellFormula(2, 2, "=B1+1", Variant());
  calc_->SetCellFormula(3, 2, "=A7+1", Variant());
  calc_->SetCellFormula(4, 2, "=NOSUCH(2)", Variant(40));
  calc_->SetCellFormula(5, 2, "=B4+2", Variant());
  EXPECT_TRUE(calc_->CellValue(2, 2).IsEmpty()) << "what reads a cell without a result has none either";
  EXPECT_EQ(calc_->CellValue(3, 2), Variant(CellError::kDiv0));
  EXPECT_EQ(calc_->CellValue(5, 2), Variant(42));
  const auto& warnings = calc_->Parent().Warnings();
  ASSERT_FALSE(warnings.empty());
  EXPECT_EQ(warnings[0], "Calc!B1: =NOSUCH(1) uses NOSUCH, which PelorinXL cannot compute; it is saved without a result");
}

TEST_F(FormulaEngineTest, CircularReferencesNeverHang) {
  calc_->SetCellFormula(1, 2, "=B2+1", Variant());
  calc_->SetCellFormula(2, 2, "=B1+1", Variant());
  EXPECT_TRUE(calc_->CellValue(1, 2).IsEmpty());
  EXPECT_TRUE(calc_->CellValue(2, 2).IsEmpty());
}

// Short formulas that would build texts larger than any machine holds, or
// take hours. A text longer than a cell of the file can hold is #VALUE!, as
// in the spreadsheet programs that keep that limit (LibreOffice has none).
TEST_F(FormulaEngineTest, TextsStayWithinWhatACellHolds) {
  const EvalCase cases[] = {
      {"=LEN(REPT(\"a\",32767)&\"\")", Variant(32767)},
      {"=LEN(REPT(\"a\",32767)&\"b\")", Variant(CellError::kValue)},
      {"=LEN(REPT(\"\xC3\xA9\",20000))", Variant(20000)},  // characters, not bytes
      {"=LEN(REPT(\"\xC3\xA9\",16000)&REPT(\"\xC3\xA9\",16000))", Variant(32000)},
      {"=LEN(_xlfn.CONCAT(REPT(\"\xC3\xA9\",16000),REPT(\"\xC3\xA9\",16000),REPT(\"a\",767)))", Variant(32767)},
      {"=LEN(_xlfn.CONCAT(REPT(\"\xC3\xA9\",16000),REPT(\"\xC3\xA9\",16000),REPT(\"a\",768)))", Variant(CellError::kValue)},
      {"=LEN(REPT(\"\xC3\xA9\",20000)&REPT(\"\xC3\xA9\",20000))", Variant(CellError::kValue)},
      {"=LEN(SUBSTITUTE(REPT(\"a\",20000),\"a\",\"bb\"))", Variant(CellError::kValue)},
      {"=LEN(SUBSTITUTE(REPT(\"a\",20000),\"a\",REPT(\"b\",30000)))", Variant(CellError::kValue)},
      {"=LEN(CONCATENATE(REPT(\"a\",20000),REPT(\"a\",20000)))", Variant(CellError::kValue)},
      {"=LEN(REPLACE(REPT(\"a\",20000),1,0,REPT(\"b\",20000)))", Variant(CellError::kValue)},
      {"=LEN(_xlfn.CONCAT(A1:A4,REPT(\"a\",32761)))", Variant(32767)},
      {"=LEN(_xlfn.CONCAT(A1:A4,REPT(\"a\",32762)))", Variant(CellError::kValue)},
      {"=LEN(_xlfn.TEXTJOIN(REPT(\"-\",20000),TRUE,A1:A2))", Variant(20002)},
      {"=LEN(_xlfn.TEXTJOIN(REPT(\"-\",20000),TRUE,A1:A3))", Variant(CellError::kValue)},
      {"=LEN(TEXT(REPT(\"a\",30000),\"@@\"))", Variant(CellError::kValue)},
      {"=TEXT(1,REPT(\"0\",256))", Variant(CellError::kValue)},
      {"=LEN(TEXT(1,REPT(\"0\",255)))", Variant(255)},
      // SEARCH goes through a text once for each character of its pattern.
      {"=SEARCH(\"?*z\",REPT(\"a\",32767))", Variant(CellError::kValue)},
      {"=SEARCH(\"b*z\",REPT(\"a\",30000)&\"bz\")", Variant(30001)},
      {"=SEARCH(\"?\",\"\xC3\xA9t\xC3\xA9\",2)", Variant(2)},
      {"=FIND(\"t\xC3\xA9\",\"\xC3\xA9t\xC3\xA9\")", Variant(2)},
      {"=MATCH(\"?t\",{\"ab\",\"\xC3\xA9t\"},0)", Variant(2)},
  };
  ExpectEach(cases);
}

// A formula whose arrays reach two million cells or 16 MB of text in all
// is #NUM!: without those limits a formula of forty characters asked for
// 120 GB.
TEST_F(FormulaEngineTest, ArraysStayWithinWhatAMachineHolds) {
  const EvalCase cases[] = {
      // 65,534 texts of 30,000 characters: 2 GB.
      {"=SUMPRODUCT((D2:D65535&REPT(\"x\",30000))+0)", Variant(CellError::kNum)},
      {"=SUMPRODUCT(LEN(D2:D65535&REPT(\"x\",100)))", Variant(6553400)},
      // A column times a row: 65,534 x 251 cells.
      {"=SUMPRODUCT(D2:D65535*E1:IU1)", Variant(CellError::kNum)},
      {"=SUMPRODUCT(D2:D65535*E1:F1)", Variant(0)},
      // Each argument 10 x 65,534 cells, read and then added to: the
      // second passes two million.
      {"=SUMPRODUCT(D2:M65535+0,D2:M65535+0)", Variant(CellError::kNum)},
      {"=SUMPRODUCT(D2:M65535+0)", Variant(0)},
      // A text repeated for every cell counts as often: 65,536 x 32,000
      // bytes; 65,536 x 200 bytes stay within.
      {"=SUMPRODUCT(FIND(\"b\",REPT(\"a\",32000),ROW(A1:A65536)))", Variant(CellError::kNum)},
      {"=SUMPRODUCT(--(REPT(\"a\",32000)=ROW(A1:A65536)&\"\"))", Variant(CellError::kNum)},
      {"=SUMPRODUCT(--(REPT(\"a\",200)=ROW(A1:A65536)&\"\"))", Variant(0)},
      {"=SUMPRODUCT(--(A4:A4&REPT(\"a\",300)=ROW(A1:A65536)&\"\"))", Variant(CellError::kNum)},
      // A lookup for each key of an array reads its range again for each:
      // 3,000 x 3,000 cells stay within, 10,000 x 10,000 do not.
      {"=SUMPRODUCT(--ISNUMBER(MATCH(ROW(A1:A3000),ROW(A1:A3000),0)))", Variant(3000)},
      {"=SUMPRODUCT(--ISNUMBER(MATCH(ROW(A1:A10000),ROW(A1:A10000),0)))", Variant(CellError::kNum)},
      {"=SUMPRODUCT(COUNTIF(D1:D10000,ROW(A1:A10000)))", Variant(CellError::kNum)},
      // A long pattern is read once for the whole range.
      {"=MATCH(REPT(\"a\",32000),ROW(A1:A65536)&\"\",0)", Variant(CellError::kNA)},
      {"=COUNTIF(D1:D65536,REPT(\"a\",32000))", Variant(0)},
      // Whole columns end at the last row in use: 36 columns of 6 rows.
      {"=SUMPRODUCT(LEN(D:AM&\"x\"))", Variant(216)},
  };
  ExpectEach(cases);
}

TEST_F(FormulaEngineTest, NumericResultsTakeTheDateTypeFromTheCell) {
  CellStyle dated;
  dated.number_format = "dd.mm.yyyy";
  calc_->SetCellStyle(1, 2, dated);
  calc_->SetCellFormula(1, 2, "=A3+45000", Variant());
  EXPECT_EQ(calc_->CellValue(1, 2), Variant::Date(45003));
  calc_->SetCellFormula(2, 2, "=A3+1", Variant::Date(1));  // was a date before
  EXPECT_EQ(calc_->CellValue(2, 2), Variant::Date(4));
  calc_->SetCellFormula(3, 2, "=A3+1", Variant());
  EXPECT_EQ(calc_->CellValue(3, 2), Variant(4));
}

TEST_F(FormulaEngineTest, TheClockGivesToday) {
  calc_->SetCellFormula(1, 2, "=TODAY()", Variant::Date(40000));
  EXPECT_EQ(calc_->CellValue(1, 2), Variant::Date(45366));
  clock_->Set(LocalSerial(2025, 1, 2, 8, 0, 0));
  calc_->SetCellValue(9, 9, 1);  // any change: the next read recomputes
  EXPECT_EQ(calc_->CellValue(1, 2), Variant::Date(45659));
}

TEST_F(FormulaEngineTest, TodayMovesOnAtMidnightWithoutAnyChange) {
  calc_->SetCellFormula(1, 2, "=today()+1", Variant());
  calc_->SetCellFormula(2, 2, "=A1*2", Variant());
  clock_->Set(LocalSerial(2024, 3, 15, 23, 59, 0));
  EXPECT_EQ(calc_->CellValue(1, 2), Variant::Date(45367));
  clock_->AdvanceSeconds(30);  // the same day: results stand
  EXPECT_EQ(calc_->CellValue(1, 2), Variant::Date(45367));
  clock_->AdvanceSeconds(60);  // past midnight
  EXPECT_EQ(calc_->CellValue(1, 2), Variant::Date(45368));
  EXPECT_EQ(calc_->CellValue(2, 2), Variant(2));
}

TEST_F(FormulaEngineTest, SavedFormulasCarryTheirResults) {
  TempFolder folder;
  calc_->SetCellFormula(1, 2, "=TODAY()", Variant());
  calc_->SetCellFormula(2, 2, "=SUM(A1:A3)*2", Variant(1));
  calc_->SetCellFormula(3, 2, "=NOSUCHFUNCTION(1)", Variant());
  const std::string path = folder.File("saved.xlsx");
  EXPECT_TRUE(calc_->CellValue(3, 2).IsEmpty()) << Describe(calc_->CellValue(3, 2));
  calc_->Parent().SaveAs(path);

  MemoryHost plain(MakeXlsxStore(), RegionalSettings());  // no engine: reads what the file holds
  Worksheet& back = plain.OpenWorkbook(path).WorksheetAt(1);
  EXPECT_EQ(back.CellFormula(1, 2), "=TODAY()");
  EXPECT_EQ(back.CellValue(1, 2).Number(), 45366);
  EXPECT_EQ(back.CellValue(2, 2), Variant(12));
  // Saved without a result: the formula alone, for the next program to compute.
  const std::string xml = ReadPart(path, "xl/worksheets/sheet1.xml");
  EXPECT_NE(xml.find("<f>NOSUCHFUNCTION(1)</f></c>"), std::string::npos) << xml;
}

TEST(FormulaEngineWithoutEngine, FormulasKeepTheirCachedValues) {
  MemoryHost host(nullptr, RegionalSettings());
  Worksheet& sheet = host.AddWorkbook().WorksheetAt(1);
  sheet.SetCellValue(1, 1, 1);
  sheet.SetCellFormula(1, 2, "=A1+1", Variant(7));
  EXPECT_EQ(sheet.CellValue(1, 2), Variant(7));
}

}  // namespace
}  // namespace plrxl
