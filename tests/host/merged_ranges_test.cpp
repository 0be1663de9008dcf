// The merged ranges of a sheet: what a merge absorbs, and a sheet with as
// many merges as a file can carry.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "host/memory/internal/merged_ranges.h"

namespace plrxl {
namespace {

std::vector<Rect> Sorted(std::vector<Rect> rects) {
  std::sort(rects.begin(), rects.end(), [](const Rect& a, const Rect& b) {
    return std::tie(a.row1, a.col1, a.row2, a.col2) < std::tie(b.row1, b.col1, b.row2, b.col2);
  });
  return rects;
}

TEST(MergedRanges, AMergeAbsorbsEverythingItComesToOverlap) {
  struct Case {
    const char* what;
    std::vector<Rect> merges;
    std::vector<Rect> expected;
  };
  const Case cases[] = {
      {"apart", {{1, 1, 1, 2}, {3, 1, 3, 2}}, {{1, 1, 1, 2}, {3, 1, 3, 2}}},
      {"a single cell is no merge", {{1, 1, 1, 1}}, {}},
      {"inside another", {{1, 1, 4, 4}, {2, 2, 3, 3}}, {{1, 1, 4, 4}}},
      {"bridging two", {{1, 1, 1, 2}, {1, 4, 1, 5}, {1, 2, 1, 4}}, {{1, 1, 1, 5}}},
      // A1:C1 takes A1:A3; grown to A1:C3 it reaches C3:C4, which comes
      // first in the list.
      {"grown into a third", {{3, 3, 4, 3}, {1, 1, 3, 1}, {1, 1, 1, 3}}, {{1, 1, 4, 3}}},
      {"across blocks", {{60, 10, 70, 20}, {65, 20, 200, 30}}, {{60, 10, 200, 30}}},
      {"a single cell inside one", {{1, 1, 2, 2}, {2, 2, 2, 2}}, {{1, 1, 2, 2}}},
      {"a single cell joining two", {{1, 1, 1, 2}, {1, 2, 1, 2}, {2, 2, 3, 2}}, {{1, 1, 1, 2}, {2, 2, 3, 2}}},
  };
  for (const Case& c : cases) {
    MergedRanges merges;
    for (const Rect& rect : c.merges) merges.Merge(rect);
    EXPECT_EQ(Sorted(merges.All()), Sorted(c.expected)) << c.what;
  }
}

// Two merges in every row of a sheet, then one over two whole columns
// that takes half of them: each merge looks only near itself.
TEST(MergedRanges, EveryRowOfASheetMergedAndHalfOfThemAbsorbed) {
  MergedRanges merges;
  for (int row = 1; row <= kMaxRows; ++row) {
    EXPECT_TRUE(merges.Merge({row, 1, row, 2}));
    EXPECT_TRUE(merges.Merge({row, 3, row, 4}));
  }
  EXPECT_FALSE(merges.Merge({5, 1, 5, 2})) << "merged again";
  EXPECT_EQ(merges.All().size(), 2u * kMaxRows);
  EXPECT_TRUE(merges.Merge({1, 2, kMaxRows, 2}));
  ASSERT_EQ(merges.All().size(), static_cast<size_t>(kMaxRows) + 1);
  const auto column = std::count(merges.All().begin(), merges.All().end(), Rect{1, 1, kMaxRows, 2});
  EXPECT_EQ(column, 1);
}

}  // namespace
}  // namespace plrxl
