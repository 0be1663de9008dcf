// The built-in name table: its size, its shape, and the user documentation
// that lists it.
#include "macros/builtin_macros.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "macros/indicator_table.h"
#include "macros/macro_call.h"

namespace plrxl {
namespace {

std::string SlotText(int last_slot) {
  if (last_slot == 0) return "none";
  if (last_slot == 1) return "1";
  return "1-" + std::to_string(last_slot);
}

TEST(BuiltinMacros, SeventyLowerCaseNamesWithProcedures) {
  const auto table = BuiltinMacros();
  ASSERT_EQ(table.size(), 70u);
  std::set<std::string> names;
  int indicators = 0;
  for (const BuiltinMacro& macro : table) {
    EXPECT_TRUE(names.insert(macro.name).second) << macro.name;
    EXPECT_EQ(LowerAscii(macro.name), macro.name);
    EXPECT_NE(macro.run, nullptr) << macro.name;
    EXPECT_GE(macro.last_slot, 0);
    EXPECT_LE(macro.last_slot, 9);
    EXPECT_EQ(FindBuiltinMacro(macro.name), &macro);
    if (macro.kind == BuiltinKind::kIndicator) {
      ++indicators;
      EXPECT_NE(FindIndicatorMacro(macro.name), nullptr) << macro.name;
    }
  }
  EXPECT_EQ(indicators, 63);
  EXPECT_EQ(FindBuiltinMacro("WilderRSI"), nullptr);  // callers lower-case first
  EXPECT_EQ(FindBuiltinMacro(" wilderrsi"), nullptr);
  EXPECT_EQ(FindBuiltinMacro(""), nullptr);
}

TEST(BuiltinMacros, DataToolsTakeTheirListedSlots) {
  const std::pair<const char*, int> tools[] = {{"copydata", 3},    {"createsummary", 0}, {"transposedata", 0},
                                               {"tickerheader", 0}, {"exportdata", 2},    {"linechart", 9},
                                               {"stockchart", 9}};
  for (const auto& [name, slots] : tools) {
    const BuiltinMacro* macro = FindBuiltinMacro(name);
    ASSERT_NE(macro, nullptr) << name;
    EXPECT_EQ(macro->kind, BuiltinKind::kDataTool);
    EXPECT_EQ(macro->last_slot, slots) << name;
  }
}

TEST(BuiltinMacros, UserDocumentationListsEveryName) {
  std::ifstream in(std::string(PLRXL_SOURCE_DIR) + "/docs/macro_language.md");
  ASSERT_TRUE(in) << "docs/macro_language.md missing";
  std::stringstream text;
  text << in.rdbuf();
  const std::string doc = text.str();
  for (const BuiltinMacro& macro : BuiltinMacros()) {
    const std::string row = std::string("| `") + macro.name + "` | " + macro.procedure + " | " + SlotText(macro.last_slot) + " |";
    EXPECT_NE(doc.find(row), std::string::npos) << "docs lack: " << row;
  }
  for (const IndicatorMacro& row : IndicatorMacros()) {
    EXPECT_NE(doc.find(std::string("`") + row.function + "`"), std::string::npos) << row.function;
  }
}

}  // namespace
}  // namespace plrxl
