#include "host/memory/internal/merged_ranges.h"

#include <algorithm>
#include <functional>

namespace plrxl {
namespace {

constexpr int kBlockRows = 64;
constexpr int kBlockCols = 16;
constexpr int kBlocksAcross = (kMaxCols + kBlockCols - 1) / kBlockCols;

int BlockOf(int row, int col) { return ((row - 1) / kBlockRows) * kBlocksAcross + (col - 1) / kBlockCols; }

bool Overlap(const Rect& a, const Rect& b) {
  return a.row1 <= b.row2 && a.row2 >= b.row1 && a.col1 <= b.col2 && a.col2 >= b.col1;
}

bool Inside(const Rect& inner, const Rect& outer) {
  return inner.row1 >= outer.row1 && inner.row2 <= outer.row2 && inner.col1 >= outer.col1 && inner.col2 <= outer.col2;
}

Rect Union(const Rect& a, const Rect& b) {
  return {std::min(a.row1, b.row1), std::min(a.col1, b.col1), std::max(a.row2, b.row2), std::max(a.col2, b.col2)};
}

}  // namespace

template <typename Visit>
void MergedRanges::ForEachBlock(const Rect& rect, Visit visit) {
  for (int row = rect.row1; (row - 1) / kBlockRows <= (rect.row2 - 1) / kBlockRows; row += kBlockRows) {
    for (int col = rect.col1; (col - 1) / kBlockCols <= (rect.col2 - 1) / kBlockCols; col += kBlockCols) {
      visit(BlockOf(row, col));
    }
  }
}

bool MergedRanges::Merge(const Rect& rect) {
  // A range merged again lies in a merge listed under its top left block.
  if (auto block = blocks_.find(BlockOf(rect.row1, rect.col1)); block != blocks_.end()) {
    for (uint32_t id : block->second) {
      if (Inside(rect, ranges_[id])) return false;
    }
  }
  Rect merged = rect;
  for (std::vector<uint32_t> found = Overlapping(merged); !found.empty(); found = Overlapping(merged)) {
    // Highest first, so the range moved into a freed place is never one
    // still to be removed.
    std::sort(found.begin(), found.end(), std::greater<>());
    for (uint32_t id : found) {
      merged = Union(merged, ranges_[id]);
      Remove(id);
    }
  }
  if (merged.Rows() == 1 && merged.Cols() == 1) return false;
  Add(merged);
  return true;
}

std::vector<uint32_t> MergedRanges::Overlapping(const Rect& rect) const {
  std::vector<uint32_t> found;
  ForEachBlock(rect, [&](int key) {
    auto block = blocks_.find(key);
    if (block == blocks_.end()) return;
    for (uint32_t id : block->second) {
      if (Overlap(rect, ranges_[id])) found.push_back(id);
    }
  });
  // A range reaching into several of the blocks is found in each.
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

void MergedRanges::Add(const Rect& rect) {
  const auto id = static_cast<uint32_t>(ranges_.size());
  ranges_.push_back(rect);
  ForEachBlock(rect, [&](int key) { blocks_[key].push_back(id); });
}

void MergedRanges::Remove(uint32_t id) {
  ForEachBlock(ranges_[id], [&](int key) {
    std::vector<uint32_t>& ids = blocks_[key];
    ids.erase(std::find(ids.begin(), ids.end(), id));
  });
  const auto last = static_cast<uint32_t>(ranges_.size() - 1);
  if (id != last) {
    ForEachBlock(ranges_[last], [&](int key) { *std::find(blocks_[key].begin(), blocks_[key].end(), last) = id; });
    ranges_[id] = ranges_[last];
  }
  ranges_.pop_back();
}

}  // namespace plrxl
