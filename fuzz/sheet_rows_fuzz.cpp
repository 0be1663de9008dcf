// Fuzzes the quick row reader against the general XML reader: the input is
// the content of a sheet's <sheetData>, read both ways into fresh sheets.
// Both must load the same cells (value and its type, formula, style) and
// row heights, or fail with the same message; any difference, crash or
// hang is a bug. The styles give xf 1 a date format, and two shared strings
// exist, so dates and shared texts are reachable.
//
// Build and run (clang with libFuzzer), as xlsx_reader_fuzz.cpp says, then:
//   build/fuzz/fuzz/sheet_rows_fuzz fuzz/corpus/sheet_rows -max_len=4096
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "host/memory/memory_host.h"
#include "host/xlsx/internal/load_budget.h"
#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/shared_strings_reader.h"
#include "host/xlsx/internal/sheet_reader.h"
#include "host/xlsx/internal/styles_reader.h"

namespace {

constexpr const char* kStyles =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"dd.mm.yyyy\"/></numFmts>"
    "<cellXfs count=\"2\"><xf numFmtId=\"0\"/><xf numFmtId=\"164\" applyNumberFormat=\"1\"/></cellXfs></styleSheet>";
constexpr const char* kStrings =
    "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>one</t></si><si><t>two</t></si>"
    "</sst>";

// One host serves every input: made per input, it asked the system for its
// locale each time, which was a third of the target's time. Each read gets
// a workbook of its own, closed when the input is done.
plrxl::MemoryHost& Host() {
  static plrxl::MemoryHost* host = new plrxl::MemoryHost(nullptr, plrxl::RegionalSettings());
  return *host;
}

struct Outcome {
  plrxl::Workbook* book = nullptr;
  plrxl::Worksheet* sheet = nullptr;
  std::string error;
};

Outcome Read(const std::string& text, bool quick) {
  Outcome outcome;
  plrxl::Workbook& book = Host().AddWorkbook();
  outcome.book = &book;
  outcome.sheet = &book.AddWorksheet();
  plrxl::xlsx::LoadBudget budget{plrxl::XlsxLimits{}};
  const plrxl::xlsx::StyleTable styles =
      plrxl::xlsx::ReadStyles(kStyles, "xl/styles.xml", plrxl::xlsx::ReadThemeColors("", ""));
  const plrxl::xlsx::SharedTexts strings = plrxl::xlsx::ReadSharedStrings(kStrings, "xl/sharedStrings.xml", budget);
  plrxl::xlsx::SheetContext ctx{&strings, &styles, std::vector<int>(styles.styles.size(), -1), &book.Warnings(),
                                &book.Losses(), &budget, 0};
  ctx.quick_rows = quick;
  try {
    plrxl::xlsx::ReadSheet(text, "xl/worksheets/sheet1.xml", *outcome.sheet, ctx);
  } catch (const plrxl::xlsx::XlsxProblem& p) {
    outcome.error = p.what();
  } catch (const plrxl::Error& e) {
    outcome.error = "host: " + e.Description();
  }
  return outcome;
}

bool Same(const Outcome& a, const Outcome& b) {
  if (a.error != b.error) return false;
  if (!a.error.empty()) return true;
  const std::optional<plrxl::Rect> used = a.sheet->UsedRange();
  if (used != b.sheet->UsedRange() || a.sheet->CustomHeightRows() != b.sheet->CustomHeightRows()) return false;
  for (int row : a.sheet->CustomHeightRows()) {
    if (a.sheet->RowHeight(row) != b.sheet->RowHeight(row)) return false;
  }
  if (!used) return true;
  for (int r = used->row1; r <= used->row2; ++r) {
    for (int c = used->col1; c <= used->col2; ++c) {
      const plrxl::Variant va = a.sheet->CellValue(r, c), vb = b.sheet->CellValue(r, c);
      if (va.Type() != vb.Type() || !(va == vb) || a.sheet->CellFormula(r, c) != b.sheet->CellFormula(r, c) ||
          a.sheet->CellStyleId(r, c) != b.sheet->CellStyleId(r, c)) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text =
      "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" +
      std::string(reinterpret_cast<const char*>(data), size) + "</sheetData></worksheet>";
  const Outcome general = Read(text, false);
  const Outcome quick = Read(text, true);
  if (!Same(general, quick)) std::abort();
  general.book->Close();
  quick.book->Close();
  return 0;
}
