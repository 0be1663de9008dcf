// Auto-fit from kept widths: a fitted width, also as it comes back from a
// saved file, gives back the longest text it was fitted to.
#include <gtest/gtest.h>

#include "host/column_fit.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

// The longest text a fitted width stands for: up to 6 characters a column
// keeps the default width; from 231 on it is as wide as a column can be.
std::optional<size_t> Expected(size_t length) {
  if (length <= 6) return 6;
  if (length >= 231) return std::nullopt;
  return length;
}

TEST(ColumnFit, FittedWidthsGiveBackTheirLongestTextAlsoAfterSaving) {
  testing_xlsx::TempFolder folder;
  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  Workbook& book = host.AddEmptyWorkbook();
  Worksheet& sheet = book.AddWorksheet();
  for (size_t n = 0; n < 256; ++n) {
    EXPECT_EQ(ColumnFitter::LongestFor(ColumnFitter::WidthFor(n)), Expected(n)) << n;
    sheet.SetColumnWidth(static_cast<int>(n) + 1, ColumnFitter::WidthFor(n));
  }
  const std::string path = folder.File("widths.xlsx");
  book.SaveAs(path);
  MemoryHost reader(MakeXlsxStore(), RegionalSettings{});
  Worksheet& loaded = reader.OpenWorkbook(path).WorksheetAt(1);
  for (size_t n = 0; n < 256; ++n) {
    EXPECT_EQ(ColumnFitter::LongestFor(loaded.ColumnWidth(static_cast<int>(n) + 1)), Expected(n))
        << n << " saved as " << loaded.ColumnWidth(static_cast<int>(n) + 1);
  }
}

TEST(ColumnFit, WidthsNoFitGivesAreNotTrusted) {
  for (double width : {0.0, 5.0, 9.3, 20.0, 255.0}) EXPECT_EQ(ColumnFitter::LongestFor(width), std::nullopt) << width;
}

}  // namespace
}  // namespace plrxl
