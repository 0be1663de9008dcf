#include "host/formula/internal/dependency_index.h"

#include <algorithm>

namespace plrxl::formula {
namespace {

// Ranges longer than this go to the column's long list.
constexpr int kShortRows = 2048;
// Ranges wider than this go to the wide list.
constexpr int kNarrowCols = 16;

}  // namespace

void DependencyIndex::Clear() {
  cells_.clear();
  columns_.clear();
  wide_.clear();
}

void DependencyIndex::Add(const CellBlock& b, int formula) {
  if (b.IsCell()) {
    cells_[CellKey(b.sheet, b.row1, b.col1)].push_back(formula);
    return;
  }
  if (b.Cols() > kNarrowCols) {
    wide_.emplace_back(b, formula);
    return;
  }
  for (int col = b.col1; col <= b.col2; ++col) {
    Column& column = columns_[ColumnKey(b.sheet, col)];
    if (b.Rows() > kShortRows) {
      column.long_ranges.push_back({b.row1, b.row2, formula});
    } else {
      column.short_ranges.push_back({b.row1, b.row2, formula});
      column.longest = std::max(column.longest, b.Rows());
    }
  }
}

void DependencyIndex::Finish() {
  for (auto& [key, column] : columns_) {
    std::sort(column.short_ranges.begin(), column.short_ranges.end(),
              [](const Interval& a, const Interval& b) { return a.row1 < b.row1; });
  }
}

void DependencyIndex::ForEachReader(const CellBlock& changed, const std::function<void(int formula)>& visit) const {
  // Single-cell readers: look up each changed cell when the block is small,
  // else walk the map once.
  if (static_cast<long long>(changed.Rows()) * changed.Cols() <= static_cast<long long>(cells_.size())) {
    for (int row = changed.row1; row <= changed.row2; ++row) {
      for (int col = changed.col1; col <= changed.col2; ++col) {
        auto it = cells_.find(CellKey(changed.sheet, row, col));
        if (it != cells_.end())
          for (int f : it->second) visit(f);
      }
    }
  } else {
    for (const auto& [key, formulas] : cells_) {
      const int sheet = static_cast<int>(key >> 40), row = static_cast<int>((key >> 12) & 0xFFFFFFF),
                col = static_cast<int>(key & 0xFFF);
      if (sheet == changed.sheet && row >= changed.row1 && row <= changed.row2 && col >= changed.col1 && col <= changed.col2)
        for (int f : formulas) visit(f);
    }
  }
  for (int col = changed.col1; col <= changed.col2; ++col) {
    auto it = columns_.find(ColumnKey(changed.sheet, col));
    if (it == columns_.end()) continue;
    const Column& column = it->second;
    // Short ranges that can reach the changed rows start at most `longest`
    // rows above them.
    const int from = changed.row1 - column.longest;
    auto first = std::lower_bound(column.short_ranges.begin(), column.short_ranges.end(), from,
                                  [](const Interval& iv, int row) { return iv.row1 < row; });
    for (auto k = first; k != column.short_ranges.end() && k->row1 <= changed.row2; ++k) {
      if (k->row2 >= changed.row1) visit(k->formula);
    }
    for (const Interval& iv : column.long_ranges) {
      if (iv.row1 <= changed.row2 && iv.row2 >= changed.row1) visit(iv.formula);
    }
  }
  for (const auto& [b, f] : wide_) {
    if (b.sheet == changed.sheet && b.row1 <= changed.row2 && b.row2 >= changed.row1 && b.col1 <= changed.col2 &&
        b.col2 >= changed.col1)
      visit(f);
  }
}

}  // namespace plrxl::formula
