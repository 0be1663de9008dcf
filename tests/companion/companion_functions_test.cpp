// The four companion functions called through Run on a real in-memory
// workbook holding the reference series, the way the indicator macros call
// them.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "companion/companion_functions.h"
#include "companion/indicators.h"
#include "host/error.h"
#include "host/memory/memory_host.h"
#include "host/range.h"
#include "reference_series.h"

namespace plrxl {
namespace {

using companion::testing::Reference;

// Columns of the data sheet: A Date, B Open, C High, D Low, E Close, F Volume.
constexpr char kColumnLetters[] = "ohlcv";

class CompanionFunctionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    config_dir_ = std::filesystem::temp_directory_path() / ("plrxl_companion_" + std::to_string(::getpid()));
    std::filesystem::create_directories(config_dir_);
    ::setenv("XDG_CONFIG_HOME", config_dir_.c_str(), 1);
    RegionalSettings rs;
    rs.short_date = "dd.mm.yyyy";
    host_ = std::make_unique<MemoryHost>(nullptr, rs);
    Workbook& book = host_->AddWorkbook();
    oldest_first_ = book.ActiveSheet();
    newest_first_ = &book.AddWorksheet();
    FillSheet(*oldest_first_, false);
    FillSheet(*newest_first_, true);
    oldest_first_->Activate();
    RegisterCompanionFunctions(*host_);
  }

  void TearDown() override { std::filesystem::remove_all(config_dir_); }

  // Titles in row 1, bars from row 2; newest_first writes the last bar first.
  static void FillSheet(Worksheet& sheet, bool newest_first) {
    const auto& ref = Reference();
    const char* titles[] = {"Date", "Open", "High", "Low", "Close", "Volume"};
    for (int c = 0; c < 6; ++c) sheet.SetCellValue(1, c + 1, Variant(titles[c]));
    const int n = static_cast<int>(ref.size());
    for (int i = 0; i < n; ++i) {
      const int bar = newest_first ? n - 1 - i : i;
      const std::string& d = ref.dates[bar];
      sheet.SetCellValue(i + 2, 1,
                         Variant::Date(DateSerial(std::stoi(d.substr(0, 4)), std::stoi(d.substr(5, 2)),
                                                  std::stoi(d.substr(8, 2)))));
      for (int c = 0; c < 5; ++c) sheet.SetCellValue(i + 2, c + 2, Variant(ref.columns.at(kColumnLetters[c])[bar]));
    }
  }

  static Variant Column(Worksheet& sheet, char letter) {
    const int col = static_cast<int>(std::string(kColumnLetters).find(letter)) + 2;
    return RangeVariant(sheet.Cells(Rect{2, col, 1 + static_cast<int>(Reference().size()), col}));
  }

  static std::vector<double> Values(const Variant& result) {
    std::vector<double> out;
    for (const Variant& v : result.Array().Data()) out.push_back(v.IsEmpty() ? companion::kNaN : v.Number());
    return out;
  }

  // The catalogue's own result for reference columns and parameter texts.
  static std::vector<double> Expected(const char* function, const std::string& letters,
                                      const std::vector<std::string>& params) {
    const companion::IndicatorSpec& ind = *companion::FindIndicator(function);
    std::vector<companion::ParamInput> raw;
    for (const std::string& p : params) raw.push_back(companion::ParamInput::Text(p));
    return companion::Compute(ind, Reference().Pick(letters), companion::ResolveParams(ind, raw));
  }

  static void ExpectSameSeries(const std::vector<double>& actual, const std::vector<double>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
      if (std::isnan(expected[i])) {
        EXPECT_TRUE(std::isnan(actual[i])) << "row " << i;
      } else {
        EXPECT_DOUBLE_EQ(actual[i], expected[i]) << "row " << i;
      }
    }
  }

  std::filesystem::path config_dir_;
  std::unique_ptr<MemoryHost> host_;
  Worksheet* oldest_first_ = nullptr;
  Worksheet* newest_first_ = nullptr;
};

TEST_F(CompanionFunctionsTest, RegistersTheFourFunctions) {
  for (const char* name : {"MyFormula", "MyFormula4", "UslFormat", "MyOutPut"}) {
    EXPECT_TRUE(host_->HasFunction(name)) << name;
  }
}

// Each row places parameters at the argument positions the macros use; the
// result must equal the catalogue computed with the same parameter texts.
struct ArgumentCase {
  const char* entry;
  const char* function;
  const char* columns;  // reference columns at the series positions, in order
  std::vector<int> series_args;
  std::vector<std::pair<int, std::string>> texts;  // argument position, text
  std::vector<std::string> params;                 // the same, in catalogue order
};

class ArgumentPositionTest : public CompanionFunctionsTest,
                             public ::testing::WithParamInterface<ArgumentCase> {};

TEST_P(ArgumentPositionTest, ParametersAreReadFromTheirArguments) {
  const ArgumentCase& c = GetParam();
  const bool four = std::string(c.entry) == "MyFormula4";
  std::vector<Variant> args(four ? 9 : 10, Variant(0));
  args[0] = Variant(c.function);
  for (int pos : four ? std::vector<int>{2, 3, 4, 5} : std::vector<int>{4}) args[pos - 1] = Variant("");
  if (!four) args[6] = Variant("");
  if (four) args[7] = Variant("");
  for (size_t i = 0; i < c.series_args.size(); ++i) args[c.series_args[i] - 1] = Column(*oldest_first_, c.columns[i]);
  for (const auto& [pos, text] : c.texts) args[pos - 1] = Variant(text);
  const Variant result = host_->Run(c.entry, args);
  ExpectSameSeries(Values(result), Expected(c.function, c.columns, c.params));
}

INSTANTIATE_TEST_SUITE_P(
    Macros, ArgumentPositionTest,
    ::testing::Values(
        ArgumentCase{"MyFormula", "WilderRSISingle", "c", {2}, {{3, "9"}, {8, "30"}, {9, "70"}}, {"9"}},
        ArgumentCase{"MyFormula", "MvAvgSingle", "c", {2}, {{3, ""}}, {""}},
        ArgumentCase{"MyFormula", "MvAvgDiffSingle", "c", {2}, {{3, "20"}, {5, "5"}, {7, "MvAvg"}}, {"20", "5"}},
        ArgumentCase{"MyFormula", "EnvelopeSingle", "c", {2}, {{3, "10"}, {5, "-3"}, {7, "ExpMvAvg"}},
                     {"10", "-3", "ExpMvAvg"}},
        ArgumentCase{"MyFormula", "VolatilityChaikinSingle", "hl", {2, 4}, {{3, "7"}, {5, "4"}}, {"7", "4"}},
        ArgumentCase{"MyFormula", "CrossSingle", "co", {2, 4}, {}, {}},
        ArgumentCase{"MyFormula", "ElderRayBullPowerSingle", "hc", {2, 4}, {{7, "MvAvg"}}, {"", "MvAvg"}},
        ArgumentCase{"MyFormula4", "StochasticOscillatorSingle", "hlc", {2, 3, 4}, {{6, "14"}, {7, "1"}},
                     {"14", "1"}},
        ArgumentCase{"MyFormula4", "EaseOfMovementSingle", "hlv", {2, 3, 4}, {{6, "10"}, {8, "ExpMvAvg"}},
                     {"10", "ExpMvAvg"}},
        ArgumentCase{"MyFormula4", "ChaikinADOscillatorSingle", "cvhl", {2, 3, 4, 5}, {{6, "2"}, {7, "8"}},
                     {"2", "8"}},
        ArgumentCase{"MyFormula4", "AccumDistSingle", "cvhl", {2, 3, 4, 5}, {}, {}}),
    [](const auto& info) { return std::string(info.param.function) + "_" + std::to_string(info.index); });

TEST_F(CompanionFunctionsTest, NewestFirstSheetGivesTheMirroredColumn) {
  for (const char* function : {"WilderRSISingle", "MACDSingle", "HistoricalVolatilitySingle10"}) {
    auto call = [&](Worksheet& sheet, int d) {
      return Values(host_->Run("MyFormula", {Variant(function), Column(sheet, 'c'), Variant(""), Variant(""),
                                             Variant(0), Variant(0), Variant(""), Variant(0), Variant(0),
                                             Variant(d)}));
    };
    const std::vector<double> up = call(*oldest_first_, 0);
    const std::vector<double> down = call(*newest_first_, 1);
    ASSERT_EQ(up.size(), down.size());
    const size_t n = up.size();
    for (size_t i = 0; i < n; ++i) {
      EXPECT_TRUE((std::isnan(up[i]) && std::isnan(down[n - 1 - i])) || up[i] == down[n - 1 - i])
          << function << " row " << i;
    }
    EXPECT_TRUE(std::isnan(down[n - 1])) << "warm-up rows sit at the bottom of a newest-first sheet";
  }
}

TEST_F(CompanionFunctionsTest, FailuresThrowSoTheMacroEndsSilently) {
  const Variant close = Column(*oldest_first_, 'c');
  const std::vector<std::vector<Variant>> calls = {
      {Variant("NoSuchFunction"), close, Variant("14")},
      {Variant("DXSingle"), close, Variant("14")},            // a MyFormula4 function
      {Variant("WilderRSISingle"), Variant(""), Variant("14")},  // no series
      {Variant("WilderRSISingle"), close, Variant("0.5")},       // period truncates to 0
      {Variant("EnvelopeSingle"), close, Variant("10"), Variant(""), Variant("2"), Variant(0), Variant("Spline")},
  };
  for (const auto& args : calls) EXPECT_THROW(host_->Run("MyFormula", args), Error) << args[0].Text();
}

TEST_F(CompanionFunctionsTest, AddressTextsAndBlankCellsAreAccepted) {
  oldest_first_->SetCellValue(40, 5, Variant("n/a"));  // index 38 of the close column
  const Variant result = host_->Run("MyFormula", {Variant("MvAvgSingle"), Variant("$E$2:$E$301"), Variant("5")});
  const std::vector<double> v = Values(result);
  ASSERT_EQ(v.size(), 300u);
  EXPECT_FALSE(std::isnan(v[37]));
  for (int i = 38; i <= 42; ++i) EXPECT_TRUE(std::isnan(v[i])) << i;  // the window holds the blank
  EXPECT_FALSE(std::isnan(v[43]));
}

TEST_F(CompanionFunctionsTest, OutputFunctionsWriteAndFormatTheColumnLikeTheMacro) {
  // Stale values of an earlier, longer run below the block stay for the
  // caller to clear; MyOutPut writes exactly the rows of its range.
  oldest_first_->SetCellValue(310, 8, Variant(99.0));
  const Variant data = host_->Run(
      "MyFormula", {Variant("WilderRSISingle"), Column(*oldest_first_, 'c'), Variant("14"), Variant(""), Variant(0),
                    Variant(0), Variant(""), Variant(30), Variant(70), Variant(0)});
  host_->Run("UslFormat", {Variant("$H$2:$H$301")});
  host_->Run("MyOutPut", {data, Variant("$H$2:$H$301")});

  const std::vector<double> expected = Expected("WilderRSISingle", "c", {"14"});
  for (int i = 0; i < 300; ++i) {
    const Variant cell = oldest_first_->CellValue(i + 2, 8);
    if (std::isnan(expected[i])) {
      EXPECT_TRUE(cell.IsEmpty()) << "row " << i + 2;
    } else {
      ASSERT_TRUE(cell.IsNumber()) << "row " << i + 2;
      EXPECT_DOUBLE_EQ(cell.Number(), expected[i]);
    }
  }
  const Range first_value = oldest_first_->GetRange("H16");
  EXPECT_EQ(first_value.NumberFormat(), "0.00");
  EXPECT_EQ(first_value.FontColorIndex(), 3);
  EXPECT_EQ(oldest_first_->GetRange("H301").NumberFormat(), "0.00");
  EXPECT_EQ(oldest_first_->CellValue(310, 8), Variant(99.0));
}

TEST_F(CompanionFunctionsTest, MyOutPutEmptiesRowsPastTheEndOfTheSeries) {
  for (int r = 2; r <= 6; ++r) oldest_first_->SetCellValue(r, 9, Variant(-1.0));
  const Variant short_series = Variant::Array2D(2, 1, {Variant(1.5), Variant()}, 1);
  host_->Run("MyOutPut", {short_series, Variant("$I$2:$I$5")});
  EXPECT_EQ(oldest_first_->CellValue(2, 9), Variant(1.5));
  for (int r = 3; r <= 5; ++r) EXPECT_TRUE(oldest_first_->CellValue(r, 9).IsEmpty()) << r;
  EXPECT_EQ(oldest_first_->CellValue(6, 9), Variant(-1.0));
}

}  // namespace
}  // namespace plrxl
