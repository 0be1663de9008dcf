// The indicator macros: the table, the pattern on its members, and every
// row reachable from its macro name.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "macros/builtin_macros.h"
#include "macros/indicator_table.h"
#include "tests/macros/macro_project.h"

namespace plrxl::testing {
namespace {

using Args = std::vector<std::string>;

struct IndicatorCase {
  const char* macro_text;
  Order order;
  const char* entry;  // expected host entry point; "" = not called
  Args args;          // expected arguments as texts
  const char* header_cell;
  const char* header;  // "" = nothing written
  int output_rows;
};

TEST(IndicatorMacros, FollowThePatternOnRealData) {
  const IndicatorCase cases[] = {
      {"wilderrsi(H2,close,14)", Order::kOldestFirst, "MyFormula",
       {"WilderRSISingle", "[$E$2:$E$11]", "14", "", "0", "0", "", "30", "70", "0"}, "H2", "WilderRSI(14)", 10},
      {"wilderrsi(H2,CLOSE,14)", Order::kNewestFirst, "MyFormula",
       {"WilderRSISingle", "[$E$2:$E$11]", "14", "", "0", "0", "", "30", "70", "1"}, "H2", "WilderRSI(14)", 10},
      {"WilderRSI(H1,E2:E300,14)", Order::kOldestFirst, "MyFormula",
       {"WilderRSISingle", "[$E$2:$E$300]", "14", "", "0", "0", "", "30", "70", "0"}, "H1", "WilderRSI(14)", 299},
      {"obvoscillator(H1)", Order::kOldestFirst, "MyFormula",
       {"OBVOscillatorSingle", "[$E$2:$E$11]", "0", "[$F$2:$F$11]", "0", "0", "", "0", "0", "0"}, "H1",
       "OBVOscillator", 10},
      {"cross(H1,close,open)", Order::kOldestFirst, "MyFormula",
       {"CrossSingle", "[$E$2:$E$11]", "0", "[$B$2:$B$11]", "0", "0", "", "0", "0", "0"}, "H1", "Cross", 10},
      {"mvavgsimple(H1,close)", Order::kOldestFirst, "MyFormula",
       {"MvAvgSingle", "[$E$2:$E$11]", "", "", "0", "0", "", "0", "0", "0"}, "H1", "SimpleMovingAverage()", 10},
      {"envelope(H1,high,MvAvg,20,2.5)", Order::kNewestFirst, "MyFormula",
       {"EnvelopeSingle", "[$C$2:$C$11]", "20", "", "2.5", "0", "MvAvg", "0", "0", "1"}, "H1",
       "Envelope(MvAvg,20,2.5)", 10},
      {"williamsr(H1,14)", Order::kOldestFirst, "MyFormula4",
       {"WilliamsRSingle", "[$E$2:$E$11]", "[$C$2:$C$11]", "[$D$2:$D$11]", "", "14", "0", "", "0"}, "H1",
       "Williams %R(14)", 10},
      {"easeofmovement(H1,MvAvg,14)", Order::kOldestFirst, "MyFormula4",
       {"EaseOfMovementSingle", "[$C$2:$C$11]", "[$D$2:$D$11]", "[$F$2:$F$11]", "", "14", "0", "MvAvg", "0"},
       "H1", "EaseOfMovement(MvAvg,14)", 10},
      {"accumdist(H1)", Order::kNewestFirst, "MyFormula4",
       {"AccumDistSingle", "[$E$2:$E$11]", "[$F$2:$F$11]", "[$C$2:$C$11]", "[$D$2:$D$11]", "0", "0", "", "1"},
       "H1", "Accumulation/Distribution", 10},
      // An output cell the owner rejects: the host function runs, nothing
      // is written.
      {"wilderrsi(notacell,close,14)", Order::kOldestFirst, "MyFormula",
       {"WilderRSISingle", "[$E$2:$E$11]", "14", "", "0", "0", "", "30", "70", "0"}, "H1", "", 0},
      // Inputs that cannot be placed end the indicator before the host call.
      {"wilderrsi(H1,open interest,14)", Order::kOldestFirst, "", {}, "H1", "", 0},
      {"wilderrsi(H1,nonsense,14)", Order::kOldestFirst, "", {}, "H1", "", 0},
      {"wilderrsi(H1,H5,14)", Order::kOldestFirst, "", {}, "H1", "", 0},
      {"wilderrsi(H1,closes,14)", Order::kOldestFirst, "", {}, "H1", "", 0},
  };
  for (const IndicatorCase& c : cases) {
    MacroProject project;
    project.FillData(c.order);
    project.RegisterIndicatorFunctions();
    EXPECT_EQ(project.Engine().RunMyMacro(c.macro_text), "Ok") << c.macro_text;
    const size_t formula_calls = project.CallsTo("MyFormula").size() + project.CallsTo("MyFormula4").size();
    if (*c.entry == '\0') {
      EXPECT_EQ(formula_calls, 0u) << c.macro_text;
    } else {
      const auto calls = project.CallsTo(c.entry);
      ASSERT_EQ(calls.size(), 1u) << c.macro_text;
      ASSERT_EQ(formula_calls, 1u) << c.macro_text;
      EXPECT_EQ(project.ArgTexts(calls[0]), c.args) << c.macro_text;
    }
    Worksheet& sheet = project.Data();
    const Range header = sheet.GetRange(c.header_cell);
    if (*c.header == '\0') {
      EXPECT_TRUE(sheet.IsCellEmpty(header.Row(), header.Column())) << c.macro_text;
      EXPECT_TRUE(project.CallsTo("MyOutPut").empty()) << c.macro_text;
      continue;
    }
    EXPECT_EQ(header.Value(), Variant(c.header)) << c.macro_text;
    for (int i = 1; i <= c.output_rows; ++i) {
      ASSERT_EQ(header.Offset(i, 0).Value(), Variant(static_cast<double>(i))) << c.macro_text << " row " << i;
    }
    EXPECT_TRUE(header.Offset(c.output_rows + 1, 0).Value().IsEmpty()) << c.macro_text;
    EXPECT_EQ(header.Offset(1, 0).NumberFormat(), "0.00");
    EXPECT_EQ(header.Offset(1, 0).FontColorIndex(), 3);
  }
}

TEST(IndicatorMacros, MissingVolumeColumnWritesNothingAndRunsOn) {
  MacroProject project;
  project.Settings().SetCellValue(MacroProject::kTickerRow, 9, Variant("DOHLC"));
  project.RegisterIndicatorFunctions();
  EXPECT_EQ(project.Engine().RunMyMacro("wilderrsi(H1,volume,14);obvoscillator(I1);wilderrsi(J1,close,3)"), "Ok");
  EXPECT_TRUE(project.Data().IsCellEmpty(1, 8));
  EXPECT_TRUE(project.Data().IsCellEmpty(1, 9));
  EXPECT_EQ(project.Data().CellValue(1, 10), Variant("WilderRSI(3)"));
}

TEST(IndicatorMacros, WithoutDateColumnDirectionIsOne) {
  MacroProject project;
  project.FillData(Order::kOldestFirst);
  project.Data().SetCellValue(1, 1, Variant("Day"));
  project.RegisterIndicatorFunctions();
  EXPECT_EQ(project.Engine().RunMyMacro("macd(H1,close)"), "Ok");
  const auto calls = project.CallsTo("MyFormula");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(project.ArgTexts(calls[0]).back(), "1");
}

TEST(IndicatorMacros, FailingOrMissingHostFunctionEndsSilently) {
  for (bool registered : {false, true}) {
    MacroProject project;
    project.Record("UslFormat");
    project.Record("MyOutPut");
    if (registered) {
      project.Host().RegisterFunction("MyFormula", [](SpreadsheetHost&, std::vector<Variant>&) -> Variant {
        throw Error(1004, "MyFormula", "Unknown indicator function");
      });
    }
    project.Ui().AnswerBox(MsgResult::kOk, "Error Function :mymissing");
    EXPECT_EQ(project.Engine().RunMyMacro("wilderrsi(H1,close,14);mymissing"), "mymissing");
    EXPECT_TRUE(project.Data().IsCellEmpty(1, 8));
    EXPECT_TRUE(project.Calls().empty());
    // The dispatcher went on to the next call, whose failure it reports.
    ASSERT_EQ(project.Ui().Boxes().size(), 1u);
  }
}

// --- the table itself ---

TEST(IndicatorTable, HasSixtyThreeWellFormedRows) {
  const auto rows = IndicatorMacros();
  ASSERT_EQ(rows.size(), 63u);
  std::set<std::string> names;
  for (const IndicatorMacro& row : rows) {
    EXPECT_TRUE(names.insert(row.macro).second) << row.macro;
    const auto args = ParseIndicatorArguments(row.arguments);
    EXPECT_EQ(args.size(), row.entry == IndicatorEntry::kMyFormula ? 9u : 8u) << row.macro;
    EXPECT_EQ(args.back().kind, IndicatorArgument::kDirection) << row.macro;
    if (row.entry == IndicatorEntry::kMyFormula) {
      EXPECT_EQ(args[4].kind, IndicatorArgument::kNumber) << row.macro;  // A6 is always 0
    }
    const auto input = ParseIndicatorArguments(row.input);
    ASSERT_EQ(input.size(), 1u) << row.macro;
    bool input_used = false;
    for (const auto& arg : args) {
      input_used = input_used || (arg.kind == input[0].kind && arg.slot == input[0].slot && arg.field == input[0].field);
    }
    EXPECT_TRUE(input_used) << row.macro;
    // Every slot the header or the arguments read is one the built-in table
    // hands on.
    const BuiltinMacro* builtin = FindBuiltinMacro(row.macro);
    ASSERT_NE(builtin, nullptr) << row.macro;
    EXPECT_EQ(builtin->kind, BuiltinKind::kIndicator);
    EXPECT_STREQ(builtin->procedure, row.procedure);
    for (const auto& arg : args) EXPECT_LE(arg.slot, builtin->last_slot) << row.macro;
    for (const char* p = row.header; *p; ++p) {
      if (*p == '{') {
        EXPECT_LE(p[1] - '0', builtin->last_slot) << row.macro;
      }
    }
  }
}

TEST(IndicatorTable, EveryRowIsReachableFromItsMacroName) {
  const std::map<std::string, std::string> column_of = {
      {"open", "B"}, {"high", "C"}, {"low", "D"}, {"close", "E"}, {"volume", "F"}};
  for (const IndicatorMacro& row : IndicatorMacros()) {
    // Slot 3 is a period, except where a row reads it as a second column.
    const bool third_is_column = std::string(row.arguments).find("[P3]") != std::string::npos;
    const std::vector<std::string> written = {"H1", "close", third_is_column ? "open" : "14", "2", "3"};
    MacroProject project;
    project.FillData(Order::kNewestFirst);
    project.RegisterIndicatorFunctions();
    const std::string text = std::string(row.macro) + "(H1,close," + written[2] + ",2,3)";
    EXPECT_EQ(project.Engine().RunMyMacro(text), "Ok") << text;

    const auto calls = project.CallsTo(EntryPointName(row.entry));
    ASSERT_EQ(calls.size(), 1u) << text;
    const Args got = project.ArgTexts(calls[0]);
    const auto expected = ParseIndicatorArguments(row.arguments);
    ASSERT_EQ(got.size(), expected.size() + 1) << text;
    EXPECT_EQ(got[0], row.function) << text;
    for (size_t i = 0; i < expected.size(); ++i) {
      const IndicatorArgument& arg = expected[i];
      std::string want;
      switch (arg.kind) {
        case IndicatorArgument::kSlotRange:
          want = arg.slot == 2 ? "[$E$2:$E$11]" : "[$B$2:$B$11]";
          break;
        case IndicatorArgument::kFieldRange:
          want = "[$" + column_of.at(arg.field) + "$2:$" + column_of.at(arg.field) + "$11]";
          break;
        case IndicatorArgument::kSlotText:
          want = written[static_cast<size_t>(arg.slot - 1)];
          break;
        case IndicatorArgument::kNumber:
          want = std::to_string(arg.number);
          break;
        case IndicatorArgument::kText:
          want = arg.text;
          break;
        case IndicatorArgument::kDirection:
          want = "1";
          break;
      }
      EXPECT_EQ(got[i + 1], want) << text << " argument " << i + 2;
    }
    EXPECT_EQ(project.Data().CellValue(1, 8), Variant(BuildIndicatorHeader(row.header, written))) << text;
    EXPECT_EQ(project.Data().CellValue(11, 8), Variant(10.0)) << text;
    EXPECT_TRUE(project.Data().IsCellEmpty(12, 8)) << text;
  }
}

}  // namespace
}  // namespace plrxl::testing
