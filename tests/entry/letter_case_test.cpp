// Letter case beyond ASCII: tickers in upper case and sheet names that are
// one name whatever the case of their letters, as spreadsheet programs
// take them; then the same through a workbook written and read back.
#include <gtest/gtest.h>

#include "host/letter_case.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "entry/pelorin.h"
#include "tests/entry/entry_fixture.h"

namespace plrxl::testing {
namespace {

struct UpperCase {
  const char* given;
  const char* upper;
};

TEST(LetterCase, UpperCaseOfLatinGreekAndCyrillic) {
  const UpperCase cases[] = {
      {"Mü", "MÜ"},        {"añejo", "AÑEJO"},     {"łódź", "ŁÓDŹ"},         {"ÿ", "Ÿ"},
      {"ǆemal", "ǄEMAL"},  {"ǅemal", "ǄEMAL"},     {"ș ț ǎ ȳ", "Ș Ț Ǎ Ȳ"},   {"ɓ ə ʒ", "Ɓ Ə Ʒ"},
      {"σοφός", "ΣΟΦΌΣ"},  {"ά ώ ϊ", "Ά Ώ Ϊ"},     {"москва ёж", "МОСКВА ЁЖ"}, {"ґ ӂ ӏ", "Ґ Ӂ Ӏ"},
      // One letter to one: no capital for ß; ı is I; signs stay.
      {"straße", "STRAßE"}, {"ı i", "I I"},        {"µ", "Μ"},               {"× ÷ € 7", "× ÷ € 7"},
      // Bytes that are no UTF-8 pass as they are.
      {"a\xff" "b", "A\xff" "B"}, {"\xc3", "\xc3"}, {"\xe2\x82", "\xe2\x82"},
  };
  for (const UpperCase& c : cases) EXPECT_EQ(UpperCaseText(c.given), c.upper) << c.given;
}

TEST(LetterCase, SameNamesIgnoringCase) {
  struct Pair {
    const char* a;
    const char* b;
    bool same;
  };
  const Pair pairs[] = {
      {"ÄRA", "äRA", true},       {"Straße", "STRAßE", true}, {"ΣΟΦΟΣ", "σοφος", true},
      {"ΣΟΦΟΣ", "σοφοσ", true},  {"Ǆ", "ǅ", true},           {"µ", "Μ", true},
      {"ДАННЫЕ", "данные", true}, {"A", "Ä", false},          {"ı", "i", false},
      {"data", "DATA", true},     {"data", "data2", false},   {"", "", true},
  };
  for (const Pair& p : pairs) {
    EXPECT_EQ(SameTextIgnoringCase(p.a, p.b), p.same) << p.a << " / " << p.b;
    EXPECT_EQ(CompareIgnoringCase(p.a, p.b) == 0, p.same) << p.a << " / " << p.b;
  }
  EXPECT_LT(CompareIgnoringCase("apple", "Äpfel"), 0);
  EXPECT_GT(CompareIgnoringCase("Äpfel", "APPLE"), 0);
}

TEST(LetterCase, SheetNamesDifferingInCaseAreOneSheet) {
  TempDir dir;
  const std::string path = dir.File("case.xlsx");
  {
    MemoryHost host(MakeXlsxStore());
    Workbook& wb = host.AddWorkbook();
    wb.WorksheetAt(1).SetName("ÄRA");
    Worksheet& second = wb.AddWorksheet();
    EXPECT_THROW(second.SetName("äRA"), Error);
    EXPECT_THROW(second.SetName("ära"), Error);
    second.SetName("Ωmega");
    wb.SaveAs(path);
  }
  MemoryHost host(MakeXlsxStore());
  Workbook& wb = host.OpenWorkbook(path);
  EXPECT_EQ(wb.FindWorksheet("äRA"), &wb.WorksheetAt(1));
  EXPECT_EQ(wb.FindWorksheet("ωMEGA"), &wb.WorksheetAt(2));
  ErrorHandlerSlot slot;
  EXPECT_TRUE(SpreadsheetExists(slot, wb, "ära"));
  EXPECT_FALSE(SpreadsheetExists(slot, wb, "ARA"));
}

}  // namespace
}  // namespace plrxl::testing
