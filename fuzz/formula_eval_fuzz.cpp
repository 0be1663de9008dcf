// Formula texts come from workbooks, that is from outside: the engine must
// answer every one with a value or an error value, never crash or hang.
// The text is parsed on its own (as the settings check does), put into a
// small workbook with numbers, a text, a Boolean, a defined name and a
// second sheet, evaluated, changed under, evaluated again, and read back.
// Runs without leak suppressions. Seeds live in tests/data/fuzz/formula_eval/.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "host/error.h"
#include "host/formula/formula_engine.h"
#include "host/memory/memory_host.h"
#include "support/clock.h"

namespace {

// The host and its engine hold nothing of a workbook (what the engine keeps
// lives in the workbook), so one serves every input; each input gets a
// workbook of its own, closed when done.
plrxl::MemoryHost& Host() {
  static plrxl::MemoryHost* host = [] {
    auto* made = new plrxl::MemoryHost(nullptr, plrxl::RegionalSettings());
    made->SetFormulaEvaluator(plrxl::MakeFormulaEngine(std::make_shared<plrxl::FixedClock>(45366.5)));
    return made;
  }();
  return *host;
}

void Fill(plrxl::Workbook& wb, const std::string& text) {
  plrxl::Worksheet& sheet = wb.WorksheetAt(1);
  plrxl::Worksheet& other = wb.AddWorksheet();
  other.SetName("Other Sheet");
  sheet.SetCellValue(1, 1, 1);
  sheet.SetCellValue(2, 1, -2.5);
  sheet.SetCellValue(3, 1, "text");
  sheet.SetCellValue(4, 1, true);
  other.SetCellValue(1, 1, 45000);
  wb.AddName("Rates", "='Other Sheet'!$A$1:$A$3");
  try {
    sheet.SetCellFormula(1, 2, "=" + text, plrxl::Variant());
  } catch (const plrxl::Error&) {
    return;  // refused as no formula a cell can hold (too long, bad characters)
  }
  sheet.SetCellFormula(2, 2, "=B1+1", plrxl::Variant());  // a dependent of the fuzzed cell
  sheet.CellValue(2, 2);
  sheet.SetCellValue(1, 1, 7);  // the fuzzed formula may read it
  sheet.CellValue(1, 2);
  sheet.CellValue(2, 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  (void)plrxl::UnknownFunctionIn(text);
  plrxl::Workbook& wb = Host().AddWorkbook();
  Fill(wb, text);
  wb.Close();
  return 0;
}
