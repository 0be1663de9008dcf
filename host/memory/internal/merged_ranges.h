// The merged ranges of a sheet. A new merge absorbs every merge it
// overlaps, so the ranges never overlap one another. Each range is listed
// under the blocks of 64 rows x 16 columns it reaches into, so a merge
// finds what it overlaps without going through every merge of the sheet:
// a file may carry a hundred thousand of them.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "host/address.h"

namespace plrxl {

class MergedRanges {
 public:
  // The ranges, in no particular order.
  const std::vector<Rect>& All() const { return ranges_; }
  // False when nothing changed: a single cell, or a range inside a merge.
  bool Merge(const Rect& rect);

 private:
  template <typename Visit>
  static void ForEachBlock(const Rect& rect, Visit visit);
  void Add(const Rect& rect);
  void Remove(uint32_t id);  // the last range takes its place
  // The ranges that overlap `rect`.
  std::vector<uint32_t> Overlapping(const Rect& rect) const;

  std::vector<Rect> ranges_;
  std::unordered_map<int, std::vector<uint32_t>> blocks_;
};

}  // namespace plrxl
