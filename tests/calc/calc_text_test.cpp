// Formulas and name references between the system's form and Calc's
// interface grammar: both ways, one table.
#include <gtest/gtest.h>

#include "host/calc/internal/calc_text.h"
#include "host/error.h"

namespace plrxl::calc {
namespace {

struct FormulaCase {
  const char* ours;
  const char* calc;
};

TEST(CalcText, FormulasGoBothWays) {
  const FormulaCase cases[] = {
      {"=A1+1", "=A1+1"},
      {"=SUM(A1:A3,B1)", "=SUM(A1:A3;B1)"},
      {"=IF(A1>1,\"a,b;c\",2)", "=IF(A1>1;\"a,b;c\";2)"},
      {"=Data!A1*2", "=$Data.A1*2"},
      {"='My Data'!$B$2:$C$9", "=$'My Data'.$B$2:$C$9"},
      {"='It''s'!A1", "=$'It''s'.A1"},
      {"=SUM({1,2;3,4})", "=SUM({1;2|3;4})"},
      {"=\"say \"\"hi\"\", there\"", "=\"say \"\"hi\"\", there\""},
      {"=LOG10(A1)+Sheet2!B2", "=LOG10(A1)+$Sheet2.B2"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormulaToCalc(c.ours), c.calc) << c.ours;
    EXPECT_EQ(FormulaFromCalc(c.calc), c.ours) << c.calc;
  }
}

TEST(CalcText, WhatCalcHandsOutReadsAsWritten) {
  const FormulaCase cases[] = {
      // Add-in functions come back under their programmatic names.
      {"=EDATE(DATE(2024,1,31),1)", "=COM.SUN.STAR.SHEET.ADDIN.ANALYSIS.GETEDATE(DATE(2024;1;31);1)"},
      // A range whose both ends name the sheet.
      {"=SUM(Data!A1:B2)", "=SUM($Data.A1:$Data.B2)"},
      {"=Data!A1:Other!B2", "=$Data.A1:$Other.B2"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormulaFromCalc(c.calc), c.ours) << c.calc;
}

TEST(CalcText, NameReferences) {
  const FormulaCase cases[] = {
      {"='PelorinXL Settings'!R1C1", "$'PelorinXL Settings'.$A$1"},
      {"=Sheet1!$B$2:$C$4", "$'Sheet1'.$B$2:$'Sheet1'.$C$4"},
      {"='Data'!R2C3:R5C4", "$'Data'.$C$2:$'Data'.$D$5"},
  };
  for (const auto& c : cases) EXPECT_EQ(NameReferenceToCalc(c.ours), c.calc) << c.ours;
  EXPECT_EQ(NameReferenceFromCalc("$'PelorinXL Settings'.$A$1"), "='PelorinXL Settings'!$A$1");
  EXPECT_EQ(NameReferenceFromCalc("$Sheet1.$B$2:$C$4"), "=Sheet1!$B$2:$C$4");
  for (const char* bad : {"=1+2", "=A1", "", "=Nowhere"}) {
    EXPECT_THROW(NameReferenceToCalc(bad), Error) << bad;
  }
}

}  // namespace
}  // namespace plrxl::calc
