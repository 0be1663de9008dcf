// Sheet geometry in pixels at 96 dpi, the way the package's drawing anchors
// count it: a column of width w (characters) is trunc(7w + 0.5) + 5 pixels
// wide (w >= 1), a row of h points is h * 4/3 pixels high.
#pragma once

#include <cmath>

#include "host/spreadsheet_host.h"

namespace plrxl::xlsx {

inline constexpr double kEmuPerPixel = 9525;
inline constexpr double kEmuPerPoint = 12700;

inline double ColumnPixels(double width) {
  if (width <= 0) return 0;
  return width < 1 ? std::trunc(width * 12 + 0.5) : std::trunc(width * 7 + 0.5) + 5;
}

inline double RowPixels(double height) { return std::round(height * 4.0 / 3.0); }

// Left edge of column col (1-based), in pixels from the sheet's corner.
inline double ColumnLeftPixels(const Worksheet& sheet, int col) {
  double px = 0;
  for (int c = 1; c < col && c <= kMaxCols; ++c) px += ColumnPixels(sheet.ColumnWidth(c));
  return px;
}

inline double RowTopPixels(const Worksheet& sheet, int row) {
  double px = 0;
  for (int r = 1; r < row && r <= kMaxRows; ++r) px += RowPixels(sheet.RowHeight(r));
  return px;
}

}  // namespace plrxl::xlsx
