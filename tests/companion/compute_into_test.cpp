// ComputeInto, the form the companion functions call: every kernel writes
// every row itself (no row keeps what the reused result column held before),
// the caller's promise of finite inputs changes nothing but the speed, and
// an overflow stays infinite for the caller to leave empty while Compute
// blanks it.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "companion/indicators.h"
#include "reference_series.h"

namespace plrxl::companion {
namespace {

using testing::Reference;

// Reference columns by input name, as the benchmarks pick them.
std::vector<std::vector<double>> InputsFor(const IndicatorSpec& ind, size_t rows) {
  std::vector<std::vector<double>> inputs;
  for (int i = 0; i < ind.InputCount(); ++i) {
    const std::string name = ind.inputs[i].name;
    char letter = 'c';
    if (name == "high" || name == "declining") letter = 'h';
    if (name == "low" || name == "unchanged") letter = 'l';
    if (name == "volume") letter = 'v';
    if (name == "advancing" || name == "b") letter = 'o';
    const std::vector<double>& column = Reference().columns.at(letter);
    inputs.emplace_back(column.begin(), column.begin() + std::min(rows, column.size()));
  }
  return inputs;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b)); }

// Rows: the whole reference series, and series shorter than most warm-ups.
class EveryRowWrittenTest : public ::testing::TestWithParam<size_t> {};

TEST_P(EveryRowWrittenTest, ResultDoesNotDependOnWhatTheColumnHeld) {
  const size_t rows = GetParam();
  Workspace ws;
  for (const IndicatorSpec& ind : IndicatorCatalogue()) {
    const auto inputs = InputsFor(ind, rows);
    const std::vector<std::span<const double>> views(inputs.begin(), inputs.end());
    const ParamValues params = ResolveParams(ind, {});
    for (bool newest_first : {false, true}) {
      std::vector<std::vector<double>> sheet_order = inputs;
      if (newest_first) {
        for (auto& column : sheet_order) std::reverse(column.begin(), column.end());
      }
      const std::vector<double> want = ComputeInSheetOrder(ind, sheet_order, params, newest_first);
      const std::vector<std::span<const double>> sheet_views(sheet_order.begin(), sheet_order.end());
      for (bool promised : {false, true}) {
        std::vector<double> out(rows, 12345.0);  // what an earlier call left behind
        ComputeInto(ind, sheet_views, params, {.newest_first = newest_first, .inputs_finite = promised}, ws, out);
        ASSERT_EQ(out.size(), want.size()) << ind.name;
        for (size_t t = 0; t < rows; ++t) {
          ASSERT_TRUE(SameBits(out[t], want[t]))
              << ind.name << (newest_first ? " newest first" : " oldest first") << " row " << t << ": " << out[t]
              << " instead of " << want[t];
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, EveryRowWrittenTest, ::testing::Values(size_t{0}, size_t{1}, size_t{3}, size_t{40},
                                                                         Reference().size()));

TEST(ComputeInto, LeavesAnOverflowInfiniteWhereComputeBlanksIt) {
  const IndicatorSpec& change = *FindIndicator("ChangeSingle");
  const std::vector<double> x = {-1.5e308, 1.5e308, 1.0e308};
  const std::vector<ParamInput> one = {ParamInput::Number(1)};
  const ParamValues params = ResolveParams(change, one);
  Workspace ws;
  std::vector<double> out;
  const std::vector<std::span<const double>> views = {x};
  ComputeInto(change, views, params, {.inputs_finite = true}, ws, out);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_TRUE(std::isinf(out[1]));
  EXPECT_EQ(out[2], 1.0e308 - 1.5e308);
  const std::vector<double> blanked = Compute(change, std::vector<std::vector<double>>{x}, params);
  EXPECT_TRUE(std::isnan(blanked[1]));
  EXPECT_EQ(blanked[2], out[2]);
}

}  // namespace
}  // namespace plrxl::companion
