// The --rows list of a selective run.
#include <gtest/gtest.h>

#include <algorithm>

#include "download/row_selection.h"
#include "host/error.h"

namespace plrxl {
namespace {

TEST(RowSelection, Cases) {
  const struct {
    const char* text;
    std::vector<int16_t> rows;  // empty: rejected
  } cases[] = {
      {"3", {3}},
      {"3,5-9", {3, 5, 6, 7, 8, 9}},
      {" 9 , 3 ,4-4", {3, 4, 9}},
      {"5-7,6-8", {5, 6, 7, 8}},
      {"9-12,1-3,2-10,11", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
      {"4-6,1-2,4-5,8", {1, 2, 4, 5, 6, 8}},
      {"32766-32767,32767,1", {1, 32766, 32767}},
      {"32767", {32767}},
      {"", {}},
      {" ", {}},
      {"0", {}},
      {"32768", {}},
      {"9-5", {}},
      {"3,,4", {}},
      {"a", {}},
      {"3-", {}},
      {"-3", {}},
      {"1-2-3", {}},
      {"+3", {}},
      {"99999999999", {}},
  };
  for (const auto& c : cases) {
    if (c.rows.empty()) {
      EXPECT_THROW(ParseRowList(c.text), Error) << c.text;
    } else {
      EXPECT_EQ(ParseRowList(c.text), c.rows) << c.text;
    }
  }
  // The whole range written again and again: every row once, ascending.
  const std::vector<int16_t> all = ParseRowList("1-32767,1-32767,100-200,1-32767");
  ASSERT_EQ(all.size(), 32767u);
  EXPECT_EQ(all.front(), 1);
  EXPECT_EQ(all.back(), 32767);
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
  EXPECT_EQ(ToSelectedRows({3, 5}), (std::vector<Variant>{Variant(3), Variant(5)}));
}

}  // namespace
}  // namespace plrxl
