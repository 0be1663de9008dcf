// DependencyIndex: which formulas read a cell. Built from every formula's
// references: single cells in a hash map, short ranges as row intervals per
// column (sorted, so a changed row finds its readers by binary search),
// long ranges (whole columns) and wide ranges (whole rows) in short lists
// scanned whole. A query for a block of changed cells visits each formula
// reading any of them, possibly more than once.
#pragma once

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

#include "host/formula/internal/value.h"

namespace plrxl::formula {

class DependencyIndex {
 public:
  void Clear();
  void Add(const CellBlock& block, int formula);
  // Sorts what Add collected; call once before queries.
  void Finish();
  void ForEachReader(const CellBlock& changed, const std::function<void(int formula)>& visit) const;

 private:
  struct Interval {
    int row1, row2, formula;
  };
  struct Column {
    std::vector<Interval> short_ranges;  // sorted by row1
    int longest = 0;                     // rows of the longest short range
    std::vector<Interval> long_ranges;
  };
  static uint64_t CellKey(int sheet, int row, int col) {
    return (static_cast<uint64_t>(sheet) << 40) | (static_cast<uint64_t>(row) << 12) | static_cast<uint64_t>(col);
  }
  static uint64_t ColumnKey(int sheet, int col) { return (static_cast<uint64_t>(sheet) << 16) | static_cast<uint64_t>(col); }

  std::unordered_map<uint64_t, std::vector<int>> cells_;
  std::unordered_map<uint64_t, Column> columns_;
  std::vector<std::pair<CellBlock, int>> wide_;
};

}  // namespace plrxl::formula
