// Variant kinds, accessors, arrays and cell-error texts.
#include <gtest/gtest.h>

#include "host/error.h"
#include "host/variant.h"

namespace plrxl {
namespace {

int ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Number();
  }
  return 0;
}

TEST(VariantTest, KindsAndAccessors) {
  EXPECT_TRUE(Variant().IsEmpty());
  EXPECT_TRUE(Variant("").IsText());
  EXPECT_FALSE(Variant("") == Variant());
  EXPECT_TRUE(Variant::Date(2).IsNumeric());
  EXPECT_FALSE(Variant::Date(2) == Variant(2.0)) << "a date is not a number";
  EXPECT_EQ(Variant(true).Number(), -1.0);
  EXPECT_EQ(Variant(false).Number(), 0.0);
  EXPECT_EQ(Variant::Date(37544.5).DateSerial(), 37544.5);
  EXPECT_EQ(Variant(7).DateSerial(), 7.0);
  EXPECT_EQ(ErrorOf([] { Variant("x").Number(); }), 13);
  EXPECT_EQ(ErrorOf([] { Variant(1).Text(); }), 13);
  EXPECT_EQ(ErrorOf([] { Variant().Array(); }), 13);
  EXPECT_EQ(ErrorOf([] { Variant(1).ErrorValue(); }), 13);
}

TEST(VariantTest, ArraysKeepTheirBounds) {
  Variant one = Variant::Array1D({"a", "b", "c"});
  EXPECT_EQ(one.Array().Dims(), 1);
  EXPECT_EQ(one.Array().LBound(), 0);
  EXPECT_EQ(one.Array().UBound(), 2);
  EXPECT_EQ(one.Array().At(2), Variant("c"));
  EXPECT_EQ(ErrorOf([&] { one.Array().At(3); }), 9);
  EXPECT_EQ(ErrorOf([&] { one.Array().At(0, 0); }), 9);

  Variant two = Variant::Array2D(2, 3, {1, 2, 3, 4, 5, 6});
  const VariantArray& a = two.Array();
  EXPECT_EQ(a.Rows(), 2);
  EXPECT_EQ(a.Cols(), 3);
  EXPECT_EQ(a.At(2, 1), Variant(4));
  EXPECT_EQ(ErrorOf([&] { a.At(0, 1); }), 9);
  EXPECT_EQ(ErrorOf([&] { a.At(1, 4); }), 9);
  EXPECT_EQ(ErrorOf([] { Variant::Array2D(2, 2, {1}); }), 5);
  EXPECT_TRUE(Variant::Array1D({}).Array().Data().empty());
  EXPECT_TRUE(two == Variant::Array2D(2, 3, {1, 2, 3, 4, 5, 6}));
  EXPECT_FALSE(two == Variant::Array2D(3, 2, {1, 2, 3, 4, 5, 6}));
}

TEST(CellErrorTest, TextsRoundTrip) {
  const struct {
    CellError code;
    const char* text;
  } cases[] = {{CellError::kNull, "#NULL!"}, {CellError::kDiv0, "#DIV/0!"}, {CellError::kValue, "#VALUE!"},
               {CellError::kRef, "#REF!"},   {CellError::kName, "#NAME?"},  {CellError::kNum, "#NUM!"},
               {CellError::kNA, "#N/A"}};
  for (const auto& c : cases) {
    EXPECT_STREQ(CellErrorText(c.code), c.text);
    CellError parsed;
    ASSERT_TRUE(ParseCellError(c.text, &parsed));
    EXPECT_EQ(parsed, c.code);
  }
  CellError parsed;
  EXPECT_FALSE(ParseCellError("#n/a", &parsed));
  EXPECT_FALSE(ParseCellError("N/A", &parsed));
}

}  // namespace
}  // namespace plrxl
