// The Calc host answers reads from what it read and wrote before, without
// asking the office again: each step below writes, formats or clears cells
// the host has read, and every cell looked at must then read as a host that
// never read the document before reads it once Calc saved it. Frozen panes
// come from the view's settings, for every sheet of a file.
#include <filesystem>
#include <functional>

#include "host/memory/memory_host.h"
#include "host/range.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/calc/calc_office_fixture.h"

namespace plrxl::calc::testing {
namespace {

CellStyle WithFormat(const std::string& format) {
  CellStyle style;
  style.number_format = format;
  return style;
}

struct Step {
  const char* what;
  std::function<void(Worksheet&)> apply;
};

// The cells each step is checked on: both sides of the host's 512-row
// blocks, and far down the columns.
const Rect kLooked[] = {{1, 1, 12, 4}, {505, 1, 520, 4}, {1495, 3, 1505, 3}, {40000, 4, 40001, 4}};

const std::vector<Step>& Steps() {
  static const std::vector<Step> steps = {
      {"numbers across two blocks",
       [](Worksheet& s) {
         for (int row = 1; row <= 600; ++row) s.SetCellValue(row, 1, Variant(row * 1.5));
       }},
      {"a date format over numbers read", [](Worksheet& s) {
         for (int row = 5; row <= 10; ++row) s.SetCellStyle(row, 1, WithFormat("yyyy-mm-dd"));
       }},
      {"a number into a date-formatted cell", [](Worksheet& s) { s.SetCellValue(7, 1, Variant(45000)); }},
      {"the General format back", [](Worksheet& s) { s.SetCellStyle(6, 1, WithFormat("General")); }},
      {"a Boolean, a date, a text, an error, an empty text",
       [](Worksheet& s) {
         s.SetCellValue(3, 2, Variant(true));
         s.SetCellValue(4, 2, Variant::Date(45001));
         s.SetCellValue(5, 2, Variant("text"));
         s.SetCellValue(6, 2, Variant(CellError::kNA));
         s.SetCellValue(7, 2, Variant(""));
       }},
      {"the values of part of a block cleared", [](Worksheet& s) { s.ClearCells(Rect{1, 1, 8, 1}, true, false); }},
      {"the formats of dates cleared, their values kept",
       [](Worksheet& s) {
         s.SetCellStyle(510, 1, WithFormat("yyyy-mm-dd"));
         s.ClearCells(Rect{9, 1, 511, 1}, false, true);
       }},
      {"a whole column cleared, then written far down",
       [](Worksheet& s) {
         s.ClearCells(Rect{1, 4, kMaxRows, 4}, true, true);
         s.SetCellValue(40001, 4, Variant(9));
       }},
      {"a value below an empty stretch read before", [](Worksheet& s) { s.SetCellValue(1500, 3, Variant("far")); }},
      {"a Boolean over a date-formatted cell", [](Worksheet& s) { s.SetCellValue(10, 1, Variant(false)); }},
  };
  return steps;
}

// Reads every looked-at cell and what the walks a run makes find.
std::vector<std::string> Reads(Worksheet& sheet) {
  std::vector<std::string> reads;
  for (const Rect& rect : kLooked) {
    for (int row = rect.row1; row <= rect.row2; ++row) {
      for (int col = rect.col1; col <= rect.col2; ++col) {
        const Variant v = sheet.CellValue(row, col);
        reads.push_back(std::to_string(row) + "," + std::to_string(col) + ": " + std::to_string(static_cast<int>(v.Type())) +
                        " " + (v.IsText() ? v.Text() : v.IsEmpty() || v.IsError() ? "" : std::to_string(v.Number())) +
                        (sheet.IsCellEmpty(row, col) ? " empty" : ""));
      }
    }
  }
  for (int col = 1; col <= 4; ++col)
    reads.push_back("end down from column " + std::to_string(col) + ": " +
                    std::to_string(Range(&sheet, Rect{1, col, 1, col}).End(Direction::kDown).Row()));
  return reads;
}

TEST(CalcCache, WhatTheHostReadStaysTrueAfterItsOwnWrites) {
  PLRXL_NEED_OFFICE();
  std::unique_ptr<SpreadsheetHost> calc = MakeTestHost();
  Workbook& book = calc->AddWorkbook();
  Worksheet& sheet = book.WorksheetAt(1);
  const std::string path = TestFolder() + "/cache.xlsx";
  for (const Step& step : Steps()) {
    SCOPED_TRACE(step.what);
    step.apply(sheet);
    const std::vector<std::string> read = Reads(sheet);
    // The truth: the document as Calc saved it, read by a host that read
    // nothing before.
    book.SaveAs(path);
    std::unique_ptr<SpreadsheetHost> fresh = MakeTestHost();
    EXPECT_EQ(read, Reads(fresh->OpenWorkbook(path).WorksheetAt(1)));
  }
}

TEST(CalcCache, FrozenPanesOfEverySheetOfAFile) {
  PLRXL_NEED_OFFICE();
  const std::string path = TestFolder() + "/frozen.xlsx";
  {
    MemoryHost memory(MakeXlsxStore());
    Workbook& wb = memory.AddWorkbook();
    wb.AddWorksheet(nullptr).FreezePanes(3, 0);
    wb.AddWorksheet(nullptr).FreezePanes(1, 2);
    wb.AddWorksheet(nullptr).FreezePanes(0, 4);
    wb.SaveAs(path);
  }
  std::unique_ptr<SpreadsheetHost> calc = MakeTestHost();
  Workbook& wb = calc->OpenWorkbook(path);
  ASSERT_EQ(wb.WorksheetCount(), 4);
  const std::pair<int, int> expected[] = {{0, 0}, {3, 0}, {1, 2}, {0, 4}};
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(wb.WorksheetAt(i).FrozenPanes(), expected[i - 1]) << wb.WorksheetAt(i).Name();
}

}  // namespace
}  // namespace plrxl::calc::testing
