// Recalculation: results stored in a file stand while nothing they read
// changes, only the readers of changed cells are computed again, array
// formulas give arrays, and the 1904 date system shifts every date.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "host/formula/formula_engine.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "support/clock.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::Describe;
using testing_xlsx::TempFolder;

const double kPinnedNow = LocalSerial(2024, 3, 15, 10, 30, 0);

std::unique_ptr<MemoryHost> HostWithEngine() {
  auto host = std::make_unique<MemoryHost>(MakeXlsxStore(), RegionalSettings());
  host->SetFormulaEvaluator(MakeFormulaEngine(std::make_shared<FixedClock>(kPinnedNow)));
  return host;
}

// A file whose stored results differ from what the engine computes: as a
// spreadsheet program wrote them (rounded, Booleans shown in words).
std::string FileWithStoredResults(TempFolder& folder) {
  MemoryHost writer(MakeXlsxStore(), RegionalSettings());  // no engine: stores what it is given
  Worksheet& sheet = writer.AddWorkbook().WorksheetAt(1);
  sheet.SetName("Calc");
  sheet.SetCellValue(1, 1, 4);
  sheet.SetCellValue(2, 1, 3);
  sheet.SetCellFormula(1, 2, "=A1/A2", Variant(1.33333326));
  sheet.SetCellFormula(2, 2, "=\"its \"&TRUE&\" blue\"", Variant("its TRUE blue"));
  sheet.SetCellFormula(3, 2, "=A2*33333333330", Variant(99999999990.0));
  sheet.SetCellFormula(4, 2, "=B1*2", Variant(2.66666652));
  sheet.SetCellFormula(5, 2, "=NOSUCH(A2)", Variant(7));
  sheet.SetCellFormula(6, 2, "=NOSUCH(A1)", Variant(8));
  const std::string path = folder.File("stored.xlsx");
  sheet.Parent().SaveAs(path);
  return path;
}

TEST(FormulaRecalc, StoredResultsStandUntilWhatTheyReadChanges) {
  TempFolder folder;
  const std::string path = FileWithStoredResults(folder);
  auto host = HostWithEngine();
  Workbook& wb = host->OpenWorkbook(path);
  Worksheet& sheet = wb.WorksheetAt(1);
  EXPECT_EQ(sheet.CellValue(1, 2), Variant(1.33333326));
  EXPECT_EQ(sheet.CellValue(2, 2), Variant("its TRUE blue"));
  EXPECT_EQ(sheet.CellValue(3, 2), Variant(99999999990.0));
  EXPECT_EQ(sheet.CellValue(5, 2), Variant(7));

  sheet.SetCellValue(1, 1, 5);  // read by B1, B4 (through B1) and B6
  EXPECT_EQ(sheet.CellValue(1, 2), Variant(5.0 / 3));
  EXPECT_EQ(sheet.CellValue(4, 2), Variant(10.0 / 3));
  EXPECT_EQ(sheet.CellValue(2, 2), Variant("its TRUE blue")) << "reads nothing that changed";
  EXPECT_EQ(sheet.CellValue(3, 2), Variant(99999999990.0));
  EXPECT_EQ(sheet.CellValue(5, 2), Variant(7)) << "cannot be computed, but nothing it reads changed";
  EXPECT_TRUE(sheet.CellValue(6, 2).IsEmpty()) << Describe(sheet.CellValue(6, 2));
  ASSERT_EQ(wb.Warnings().size(), 1u);
  EXPECT_EQ(wb.Warnings()[0], "Calc!B6: =NOSUCH(A1) uses NOSUCH, which PelorinXL cannot compute; it is saved without a result");

  // Saved again, the untouched results are written as the file had them.
  const std::string again = folder.File("again.xlsx");
  wb.SaveAs(again);
  MemoryHost plain(MakeXlsxStore(), RegionalSettings());
  Worksheet& back = plain.OpenWorkbook(again).WorksheetAt(1);
  EXPECT_EQ(back.CellValue(2, 2), Variant("its TRUE blue"));
  EXPECT_EQ(back.CellValue(3, 2), Variant(99999999990.0));
  EXPECT_EQ(back.CellValue(1, 2), Variant(5.0 / 3));
}

TEST(FormulaRecalc, ChainsAndRangesFollowChangesInOrder) {
  auto host = HostWithEngine();
  Worksheet& sheet = host->AddWorkbook().WorksheetAt(1);
  for (int r = 1; r <= 30; ++r) sheet.SetCellValue(r, 1, r);
  // Written bottom-up: the order of computation comes from the references.
  for (int r = 30; r >= 2; --r) sheet.SetCellFormula(r, 2, "=B" + std::to_string(r - 1) + "+A" + std::to_string(r), Variant());
  sheet.SetCellFormula(1, 2, "=A1", Variant());
  sheet.SetCellFormula(1, 3, "=SUM(B:B)", Variant());
  sheet.SetCellFormula(2, 3, "=STDEV(A1:A20)*SQRT(252)", Variant());
  sheet.SetCellFormula(3, 3, "=COUNTIF(A:A,\">25\")", Variant());
  EXPECT_EQ(sheet.CellValue(30, 2), Variant(465));
  EXPECT_EQ(sheet.CellValue(3, 3), Variant(5));
  for (int r = 1; r <= 30; ++r) sheet.SetCellValue(r, 1, 2 * r);  // a paste
  EXPECT_EQ(sheet.CellValue(30, 2), Variant(930));
  EXPECT_EQ(sheet.CellValue(3, 3), Variant(18));
  EXPECT_NEAR(sheet.CellValue(2, 3).Number(), 2 * 5.916079783099616 * std::sqrt(252.0), 1e-9);
  sheet.ClearCells(Rect{1, 1, 30, 1}, true, false);
  EXPECT_EQ(sheet.CellValue(30, 2), Variant(0));
  EXPECT_EQ(sheet.CellValue(2, 3), Variant(CellError::kDiv0));
}

TEST(FormulaRecalc, ArrayFormulasGiveArrays) {
  MemoryHost host(nullptr, RegionalSettings());
  Worksheet& sheet = host.AddWorkbook().WorksheetAt(1);
  sheet.SetCellValue(1, 1, 1);
  sheet.SetCellValue(2, 1, 2);
  sheet.SetCellValue(3, 1, 3);
  auto engine = MakeFormulaEngine(std::make_shared<FixedClock>(kPinnedNow));
  FormulaRequest request;
  request.formulas.push_back({1, 1, 3, "=A1:A3*{10,100}", Variant(), Rect{1, 3, 3, 4}});
  request.formulas.push_back({1, 1, 5, "=SUM(A1:A3*A1:A3)", Variant(), Rect{1, 5, 1, 5}});
  // Over 16 million cells, from a file of 2 KB: not computed, where it
  // used to take gigabytes.
  request.formulas.push_back({1, 1, 7, "=ROW(A1:A65536)", Variant(), Rect{1, 7, 65536, 256}});
  // A function of single values over an array: one result a cell; beyond
  // the arrays, #N/A.
  request.formulas.push_back({1, 1, 9, "=IF(MOD(A1:A3,2)=1,\"odd\",A1:A3*10)", Variant(), Rect{1, 9, 4, 9}});
  std::unique_ptr<FormulaMemory> memory;
  const FormulaOutcome outcome = engine->Evaluate(host.WorkbookAt(1), request, memory);
  ASSERT_EQ(outcome.results.size(), 4u);
  EXPECT_FALSE(outcome.results[2].second);
  ASSERT_EQ(outcome.warnings.size(), 1u);
  EXPECT_NE(outcome.warnings[0].find("its array covers 16384000 cells"), std::string::npos) << outcome.warnings[0];
  ASSERT_TRUE(outcome.results[0].second && outcome.results[0].second->IsArray());
  const VariantArray& array = outcome.results[0].second->Array();
  ASSERT_EQ(array.Rows(), 3);
  ASSERT_EQ(array.Cols(), 2);
  EXPECT_EQ(array.At(1, 1), Variant(10));
  EXPECT_EQ(array.At(3, 2), Variant(300));
  EXPECT_EQ(outcome.results[1].second->Array().At(1, 1), Variant(14));
  const VariantArray& picked = outcome.results[3].second->Array();
  ASSERT_EQ(picked.Rows(), 4);
  EXPECT_EQ(picked.At(1, 1), Variant("odd"));
  EXPECT_EQ(picked.At(2, 1), Variant(20));
  EXPECT_EQ(picked.At(3, 1), Variant("odd"));
  EXPECT_EQ(picked.At(4, 1), Variant(CellError::kNA));
}

TEST(FormulaRecalc, The1904DateSystemShiftsDates) {
  MemoryHost host(nullptr, RegionalSettings());
  Workbook& wb = host.AddWorkbook();
  auto engine = MakeFormulaEngine(std::make_shared<FixedClock>(kPinnedNow));
  FormulaRequest request;
  request.date1904 = true;
  for (const char* f : {"=DATE(1904,1,2)", "=TODAY()", "=YEAR(0)", "=DATEVALUE(\"2024-03-15\")", "=DATE(1903,12,31)"})
    request.formulas.push_back({1, static_cast<int>(request.formulas.size()) + 1, 1, f, Variant(), std::nullopt});
  std::unique_ptr<FormulaMemory> memory;
  const FormulaOutcome outcome = engine->Evaluate(wb, request, memory);
  ASSERT_EQ(outcome.results.size(), 5u);
  EXPECT_EQ(*outcome.results[0].second, Variant::Date(1));
  EXPECT_EQ(*outcome.results[1].second, Variant::Date(45366 - 1462));
  EXPECT_EQ(*outcome.results[2].second, Variant(1904));
  EXPECT_EQ(*outcome.results[3].second, Variant(45366 - 1462));
  EXPECT_EQ(*outcome.results[4].second, Variant(CellError::kNum));
}

TEST(FormulaRecalc, TheClockIsNotAskedForPlainCells) {
  int asked = 0;
  MemoryHost host(nullptr, RegionalSettings());
  host.SetFormulaEvaluator(MakeFormulaEngine([&asked] {
    ++asked;
    return kPinnedNow;
  }));
  Worksheet& sheet = host.AddWorkbook().WorksheetAt(1);
  sheet.SetCellFormula(1, 1, "=TODAY()", Variant());
  sheet.SetCellValue(2, 1, 5);
  EXPECT_EQ(sheet.CellValue(1, 1), Variant::Date(45366));
  const int after_evaluation = asked;
  for (int i = 0; i < 100; ++i) sheet.CellValue(2, 1);
  EXPECT_EQ(asked, after_evaluation);
}

}  // namespace
}  // namespace plrxl
