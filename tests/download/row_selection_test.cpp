// The --rows list of a selective run.
#include <gtest/gtest.h>

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
  EXPECT_EQ(ToSelectedRows({3, 5}), (std::vector<Variant>{Variant(3), Variant(5)}));
}

}  // namespace
}  // namespace plrxl
