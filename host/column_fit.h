// Auto-fit of column widths: a column is as wide as its longest text as the
// cells show it. A column whose cells changed a little is fitted from the
// cells that changed and its current width, which stands for the longest
// text it was fitted to, instead of showing every cell again.
#pragma once

#include <cstddef>
#include <optional>
#include <unordered_map>

#include "host/address.h"
#include "host/regional.h"

namespace plrxl {

class Worksheet;

class ColumnFitter {
 public:
  explicit ColumnFitter(Worksheet& sheet);

  // The width that fits a longest text of `length` characters (0: an empty
  // column, the default width).
  static double WidthFor(size_t length);
  // The longest text a fitted width stands for: the length itself above the
  // default width, the longest that still fits it at the default width;
  // nothing for a width no fit gives or the widest a column can be (the
  // text may be longer).
  static std::optional<size_t> LongestFor(double width);

  // Characters of the cell's text as it shows (0 when empty).
  size_t TextLength(int row, int col);
  // The longest text of column `col` within rows `first_row`..`last_row`.
  size_t LongestIn(int col, int first_row, int last_row);

  // Fits every column of `rect` from all of its cells.
  void Fit(const Rect& rect);
  // Fits column `col` (whose whole height the sheet's cells fill) after
  // cells whose longest text was `removed` were overwritten or deleted and
  // cells whose longest text is `added` were written. Measures the whole
  // column only when a removed text may have been its longest (and no added
  // one is as long) or its width is no fit's result. A cell overwritten with
  // a text at least as long removes nothing.
  void Refit(int col, size_t removed, size_t added);

 private:
  Worksheet& sheet_;
  const RegionalSettings& regional_;
  std::unordered_map<int, ParsedNumberFormat> formats_;  // by style id: each parsed once
};

}  // namespace plrxl
