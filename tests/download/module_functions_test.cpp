// mSearch, Two_Digit, TransMatrix and the table helpers of the download step.
#include <gtest/gtest.h>

#include "download/module_functions.h"
#include "download/split_data_sources.h"
#include "download/table_helpers.h"
#include "host/error.h"

namespace plrxl {
namespace {

Variant Letters(std::initializer_list<const char*> items) {
  std::vector<Variant> v;
  for (const char* s : items) v.emplace_back(s);
  return Variant::Array1D(v, 0);
}

struct SearchCase {
  const char* searched;
  Variant items;
  bool ignore_case;
  bool count_once;
  int expected;
};

TEST(ModuleFunctions, mSearchCases) {
  const Variant nine = Letters({"d", "t", "o", "h", "l", "c", "v", "p", "a"});
  const Variant nested = Variant::Array1D({Variant("d"), Letters({"c", "o"})}, 0);
  const SearchCase cases[] = {
      {"dc", nine, true, true, 2},
      {"DC", nine, true, true, 2},
      {"DC", nine, false, true, 0},
      {"dohlcv", nine, true, true, 6},
      {"ddcc", nine, true, true, 2},         // each letter once
      {"ddcc", nine, true, false, 4},        // every occurrence
      {"dDc", Variant("d"), true, false, 2},
      {"dDc", Variant("d"), false, false, 1},
      {"dDc", Variant("d"), true, true, 1},
      {"aaaa", Variant("aa"), false, false, 3},  // next search one character on
      {"xyz", Variant("d"), true, false, 0},
      {"dco", nested, true, true, 3},
      {"", nine, true, true, 0},
  };
  ErrorHandlerSlot slot;
  for (const auto& c : cases) {
    EXPECT_EQ(mSearch(slot, c.searched, c.items, c.ignore_case, c.count_once), c.expected)
        << c.searched;
  }
}

TEST(ModuleFunctions, mSearchOverflowsPast32767) {
  ErrorHandlerSlot slot;
  std::string text(40000, 'a');
  try {
    mSearch(slot, text, Variant("a"), false, false);
    FAIL() << "no overflow";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kErrOverflow);
  }
}

TEST(ModuleFunctions, Two_Digit) {
  ErrorHandlerSlot slot;
  const struct {
    Variant in;
    Variant out;
  } cases[] = {
      {Variant(7), Variant("07")},
      {Variant(0), Variant("00")},
      {Variant(12), Variant(12)},
      {Variant(123), Variant(123)},
      {Variant("x"), Variant("0x")},
      {Variant("ab"), Variant("ab")},
      {Variant(), Variant("0")},
  };
  for (const auto& c : cases) EXPECT_EQ(Two_Digit(slot, c.in), c.out);
}

TEST(ModuleFunctions, TransMatrixSwapsBounds) {
  ErrorHandlerSlot slot;
  auto in = std::make_shared<VariantArray>(2, 0, 0, 1, 8);
  for (int j = 1; j <= 8; ++j) in->At(0, j) = Variant(j * 10);
  Variant out = TransMatrix(slot, Variant(in));
  ASSERT_TRUE(out.IsArray());
  const VariantArray& a = out.Array();
  EXPECT_EQ(a.LBound(1), 1);
  EXPECT_EQ(a.UBound(1), 8);
  EXPECT_EQ(a.LBound(2), 0);
  EXPECT_EQ(a.UBound(2), 0);
  for (int j = 1; j <= 8; ++j) EXPECT_EQ(a.At(j, 0), Variant(j * 10));
  EXPECT_TRUE(TransMatrix(slot, Variant(5)).IsEmpty());
  EXPECT_TRUE(TransMatrix(slot, Variant::Array1D({Variant(1)})).IsEmpty());
}

Variant Table(std::vector<std::vector<Variant>> rows) {
  auto a = std::make_shared<VariantArray>(2, 0, static_cast<int>(rows.size()) - 1, 1,
                                          static_cast<int>(rows[0].size()));
  for (size_t i = 0; i < rows.size(); ++i)
    for (size_t j = 0; j < rows[i].size(); ++j) a->At(static_cast<int>(i), static_cast<int>(j) + 1) = rows[i][j];
  return Variant(a);
}

TEST(TableHelpers, ChecktmpValueLooksAtTheFirstBarRow) {
  ErrorHandlerSlot slot;
  const struct {
    Variant table;
    bool expected;
  } cases[] = {
      {Variant(3), false},
      {Variant(), false},
      {Table({{Variant(), Variant()}}), false},
      {Table({{Variant(""), Variant("0")}}), false},
      {Table({{Variant(0), Variant::Date(0)}}), false},
      {Table({{Variant(true), Variant(false)}}), false},
      {Table({{Variant(), Variant(1.5)}}), true},
      {Table({{Variant("x"), Variant()}}), true},
      {Table({{Variant::Date(37000), Variant()}}), true},
      {Table({{Variant(), Variant()}, {Variant(1), Variant(2)}}), false},  // only row 0 counts
  };
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(ChecktmpValue(slot, cases[i].table), cases[i].expected) << i;
}

TEST(TableHelpers, ReverseArrayKeepsBounds) {
  ErrorHandlerSlot slot;
  Variant t = Table({{Variant(1), Variant("a")}, {Variant(2), Variant("b")}, {Variant(3), Variant("c")}});
  Variant r = ReverseArray(slot, t);
  const VariantArray& a = r.Array();
  EXPECT_EQ(a.LBound(1), 0);
  EXPECT_EQ(a.UBound(1), 2);
  EXPECT_EQ(a.At(0, 1), Variant(3));
  EXPECT_EQ(a.At(0, 2), Variant("c"));
  EXPECT_EQ(a.At(2, 1), Variant(1));
  EXPECT_EQ(ReverseArray(slot, Variant("x")), Variant("x"));
}

TEST(TableHelpers, FormatMyDate) {
  ErrorHandlerSlot slot;
  EXPECT_EQ(FormatMyDate(slot, DateSerial(2002, 10, 15)), "2002-10-15");
  EXPECT_EQ(FormatMyDate(slot, DateSerial(2024, 1, 5) + 0.75), "2024-01-05");
  EXPECT_EQ(FormatMyDate(slot, DateSerial(1999, 12, 31)), "1999-12-31");
}

struct SplitCase {
  const char* source_text;
  bool empty;
  const char* name;
  const char* option;
};

TEST(SplitDataSources, Cases) {
  const SplitCase cases[] = {
      {"", true, "", ""},
      {"sample", false, "sample", ""},
      {"yahoohist(adjust values)", false, "yahoohist", "adjust values"},
      {"NAME(NO ADJUST VALUES)", false, "NAME", "NO ADJUST VALUES"},
      {"dde(s;t;i;p;y)", false, "dde", "s;t;i;p;y"},
      {"name(a)(b)", false, "name", "a"},
      {"name (x)", false, "name ", "x"},
      {"stooq(", false, "stooq", ""},
      {"(x)", false, "", "x"},
      {"a)b)c", false, "abc", ""},
      {" sample ", false, " sample ", ""},
      {"s((x", false, "s", ""},
  };
  ErrorHandlerSlot slot;
  for (const auto& c : cases) {
    Variant v = SplitDataSources(slot, c.source_text);
    if (c.empty) {
      EXPECT_TRUE(v.IsEmpty()) << c.source_text;
      continue;
    }
    ASSERT_TRUE(v.IsArray()) << c.source_text;
    EXPECT_EQ(v.Array().LBound(1), 1);
    EXPECT_EQ(v.Array().UBound(1), 2);
    EXPECT_EQ(v.Array().At(1), Variant(c.name)) << c.source_text;
    EXPECT_EQ(v.Array().At(2), Variant(c.option)) << c.source_text;
  }
}

TEST(SplitDataSources, OnlyClosingParenthesesIsAnError) {
  ErrorHandlerSlot slot;  // no handler: the error reaches the caller
  EXPECT_THROW(SplitDataSources(slot, "))"), Error);
}

}  // namespace
}  // namespace plrxl
