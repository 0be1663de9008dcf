#include "host/column_fit.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "host/spreadsheet_host.h"

namespace plrxl {

namespace {

constexpr double kDefaultWidth = 8.43;
constexpr double kWidestColumn = 255;  // what a sheet column can be

size_t Utf8Length(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

double FittedWidth(size_t length) { return std::max(kDefaultWidth, static_cast<double>(length) * 1.1 + 1); }

}  // namespace

ColumnFitter::ColumnFitter(Worksheet& sheet)
    : sheet_(sheet), regional_(sheet.Parent().Application().Regional()) {}

double ColumnFitter::WidthFor(size_t length) {
  return length == 0 ? kDefaultWidth : std::min(FittedWidth(length), kWidestColumn);
}

std::optional<size_t> ColumnFitter::LongestFor(double width) {
  // A saved width comes back to the nearest pixel, a seventh of a
  // character; a fit's widths lie 1.1 characters apart.
  constexpr double kNear = 0.1;
  if (std::fabs(width - kDefaultWidth) < kNear) {
    size_t longest = 0;
    while (FittedWidth(longest + 1) <= kDefaultWidth) ++longest;
    return longest;
  }
  if (!(width > kDefaultWidth) || width >= kWidestColumn - kNear) return std::nullopt;
  const double length = std::round((width - 1) / 1.1);
  if (length < 1 || std::fabs(FittedWidth(static_cast<size_t>(length)) - width) >= kNear) return std::nullopt;
  return static_cast<size_t>(length);
}

size_t ColumnFitter::TextLength(int row, int col) {
  const Variant v = sheet_.CellValue(row, col);
  if (v.IsEmpty()) return 0;
  const int style_id = sheet_.CellStyleId(row, col);
  auto format = formats_.find(style_id);
  if (format == formats_.end()) {
    format = formats_.emplace(style_id, ParsedNumberFormat(sheet_.Parent().StyleAt(style_id).number_format)).first;
  }
  return Utf8Length(format->second.Format(v, regional_));
}

size_t ColumnFitter::LongestIn(int col, int first_row, int last_row) {
  size_t longest = 0;
  sheet_.ForEachCell(Rect{first_row, col, last_row, col},
                     [&](int r, int c) { longest = std::max(longest, TextLength(r, c)); });
  return longest;
}

void ColumnFitter::Fit(const Rect& rect) {
  std::vector<size_t> longest(static_cast<size_t>(rect.Cols()), 0);
  sheet_.ForEachCell(rect, [&](int r, int c) {
    size_t& n = longest[static_cast<size_t>(c - rect.col1)];
    n = std::max(n, TextLength(r, c));
  });
  for (int c = rect.col1; c <= rect.col2; ++c) sheet_.SetColumnWidth(c, WidthFor(longest[static_cast<size_t>(c - rect.col1)]));
}

void ColumnFitter::Refit(int col, size_t removed, size_t added) {
  const std::optional<size_t> kept = LongestFor(sheet_.ColumnWidth(col));
  // At the default width the kept length is only an upper bound, but any
  // column whose texts are no longer than it has the default width.
  // A removed text matters only when it may have been the longest and no
  // added one is as long.
  const bool exact = kept && WidthFor(*kept) > kDefaultWidth;
  if (!kept || (exact && removed >= *kept && added < removed)) {
    Fit(Rect{1, col, kMaxRows, col});
    return;
  }
  sheet_.SetColumnWidth(col, WidthFor(std::max(*kept, added)));
}

}  // namespace plrxl
