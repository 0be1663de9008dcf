// A1 and R1C1 references: parsing and printing.
#include <gtest/gtest.h>

#include "host/address.h"

namespace plrxl {
namespace {

TEST(ColumnTest, LettersAndNumbers) {
  const struct {
    int number;
    const char* letters;
  } cases[] = {{1, "A"}, {26, "Z"}, {27, "AA"}, {52, "AZ"}, {53, "BA"}, {256, "IV"}};
  for (const auto& c : cases) {
    EXPECT_EQ(ColumnLetters(c.number), c.letters);
    EXPECT_EQ(ColumnNumber(c.letters), c.number);
  }
  for (const char* bad : {"", "IW", "ZZ", "AAA", "A1", "$A"}) EXPECT_EQ(ColumnNumber(bad), 0) << bad;
  EXPECT_EQ(ColumnNumber("iv"), 256);
}

struct ParseCase {
  const char* text;
  bool ok;
  const char* sheet;
  Rect rect;
};

TEST(ParseA1Test, Table) {
  const ParseCase cases[] = {
      {"A1", true, "", {1, 1, 1, 1}},
      {"$B$3", true, "", {3, 2, 3, 2}},
      {"b$3", true, "", {3, 2, 3, 2}},
      {"$A3:C$1", true, "", {1, 1, 3, 3}},
      {"IV65536", true, "", {65536, 256, 65536, 256}},
      {"A:K", true, "", {1, 1, 65536, 11}},
      {"$C:$C", true, "", {1, 3, 65536, 3}},
      {"3:5", true, "", {3, 1, 5, 256}},
      {"$7:$7", true, "", {7, 1, 7, 256}},
      {"Sheet1!A1", true, "Sheet1", {1, 1, 1, 1}},
      {"'My Sheet'!$A$1:$B$3", true, "My Sheet", {1, 1, 3, 2}},
      {"'It''s'!C2", true, "It's", {2, 3, 2, 3}},
      {"'A!B'!C2", true, "A!B", {2, 3, 2, 3}},
      {"IW1", false, "", {}},
      {"A65537", false, "", {}},
      {"A0", false, "", {}},
      {"A", false, "", {}},
      {"3", false, "", {}},
      {"A1:", false, "", {}},
      {"A:3", false, "", {}},
      {"A1:B", false, "", {}},
      {"", false, "", {}},
      {"!A1", false, "", {}},
      {"'Open!A1", false, "", {}},
      {"R1C1", false, "", {}},
      {"A1B", false, "", {}},
      {"A$$1", false, "", {}},
      {"A99999999999", false, "", {}},
  };
  for (const auto& c : cases) {
    const auto p = ParseA1(c.text);
    ASSERT_EQ(p.has_value(), c.ok) << c.text;
    if (!p) continue;
    EXPECT_EQ(p->sheet, c.sheet) << c.text;
    EXPECT_EQ(p->rect, c.rect) << c.text;
  }
}

TEST(ParseR1C1Test, Table) {
  const ParseCase cases[] = {
      {"R2C8", true, "", {2, 8, 2, 8}},
      {"=R1C1:R5C3", true, "", {1, 1, 5, 3}},
      {"='PelorinXL Settings'!R1C1", true, "PelorinXL Settings", {1, 1, 1, 1}},
      {"=AAPL!R2C5:R200C5", true, "AAPL", {2, 5, 200, 5}},
      {"r3c4", true, "", {3, 4, 3, 4}},
      {"R0C1", false, "", {}},
      {"R1C257", false, "", {}},
      {"R65537C1", false, "", {}},
      {"RC1", false, "", {}},
      {"R[1]C1", false, "", {}},
      {"A1", false, "", {}},
      {"R1C1:", false, "", {}},
  };
  for (const auto& c : cases) {
    const auto p = ParseR1C1(c.text);
    ASSERT_EQ(p.has_value(), c.ok) << c.text;
    if (!p) continue;
    EXPECT_EQ(p->sheet, c.sheet) << c.text;
    EXPECT_EQ(p->rect, c.rect) << c.text;
  }
}

TEST(FormatAddressTest, Table) {
  const struct {
    Rect rect;
    const char* absolute;
    const char* relative;
    const char* r1c1;
  } cases[] = {
      {{1, 1, 1, 1}, "$A$1", "A1", "R1C1"},
      {{2, 3, 9, 5}, "$C$2:$E$9", "C2:E9", "R2C3:R9C5"},
      {{1, 1, 65536, 11}, "$A:$K", "A:K", "R1C1:R65536C11"},
      {{4, 1, 6, 256}, "$4:$6", "4:6", "R4C1:R6C256"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatA1(c.rect), c.absolute);
    EXPECT_EQ(FormatA1(c.rect, false), c.relative);
    EXPECT_EQ(FormatR1C1(c.rect), c.r1c1);
    EXPECT_EQ(ParseA1(c.absolute)->rect, c.rect) << "round trip " << c.absolute;
  }
  EXPECT_EQ(QuoteSheetName("It's"), "'It''s'");
  EXPECT_EQ(QuoteSheetName("AAPL"), "'AAPL'");
}

}  // namespace
}  // namespace plrxl
