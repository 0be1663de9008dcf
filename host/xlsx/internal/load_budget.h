// LoadBudget: what one load has spent against XlsxLimits, and the checks
// that refuse a file before it spends more. Each refusal throws XlsxProblem
// naming the limit's setting and the part.
#pragma once

#include <cstdint>
#include <string>

#include "host/xlsx/xlsx_store.h"

namespace plrxl::xlsx {

class LoadBudget {
 public:
  explicit LoadBudget(const XlsxLimits& limits) : limits_(limits) {}
  const XlsxLimits& Limits() const { return limits_; }

  // Text bytes a cell shows, or a shared-string entry's storage.
  void SpendText(size_t bytes, const std::string& part);
  // A sheet part holds `cells` cells (counted so far while inflating).
  void CheckSheetCells(int64_t cells, const std::string& part) const;
  // The cells of one sheet part join the workbook's total.
  void SpendCells(int64_t cells, const std::string& part);
  // Bytes of a part carried over as it is (an image, a table, comments):
  // together they may hold as much as one part may.
  void SpendCarried(size_t bytes, const std::string& part);

 private:
  XlsxLimits limits_;
  int64_t text_bytes_ = 0;
  int64_t cells_ = 0;
  int64_t carried_bytes_ = 0;
};

// Counts cell elements (<c ...>, any prefix) in a sheet part while it is
// inflated, so an oversized sheet is refused after reading only as much of
// it as the limit allows. Feed it the growing text; it scans what is new.
class CellTagCounter {
 public:
  // `final` is true once the whole part has arrived.
  void Scan(const std::string& text, bool final);
  int64_t Cells() const { return cells_; }

 private:
  size_t scanned_ = 0;
  int64_t cells_ = 0;
};

}  // namespace plrxl::xlsx
