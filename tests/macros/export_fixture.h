// The export scenario of the golden files (tests/data/exports/README.md):
// ticker "abc", Daily, three quotes with an Open Interest column on the data
// sheet "AAPL" of a MacroProject, the export formats listed in D8 and the
// stop messages in the "Parameters" sheet.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "macros/export_layouts.h"
#include "tests/macros/macro_project.h"

namespace plrxl::testing {

inline constexpr const char* kAllFormats =
    "metastock|metastock_m|metastock_d|metastock_r|tsv|csv|ascii|sc-4|quicken|excel|walmaster|metastockdb";

inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string Golden(const std::string& layout) {
  return ReadFileBytes(std::filesystem::path(PLRXL_TEST_DATA) / "exports" / (layout + ".golden"));
}

// "" when equal, else where the first difference is.
inline std::string FirstMismatch(const std::string& expected, const std::string& actual) {
  size_t i = 0;
  while (i < expected.size() && i < actual.size() && expected[i] == actual[i]) ++i;
  if (i == expected.size() && i == actual.size()) return "";
  auto show = [i](const std::string& s) {
    std::string part = s.substr(i, 24);
    for (size_t at = 0; (at = part.find_first_of("\r\n\t", at)) != std::string::npos;) {
      part.replace(at, 1, part[at] == '\r' ? "\\r" : part[at] == '\n' ? "\\n" : "\\t");
      at += 2;
    }
    return part;
  };
  return "first difference at byte " + std::to_string(i) + ": expected \"" + show(expected) + "\", got \"" +
         show(actual) + "\"";
}

// The data columns of the golden scenario, from A1 of `sheet`.
inline void FillGoldenQuotes(Worksheet& sheet, bool open_interest = true) {
  sheet.ClearCells(Rect{1, 1, 400, 8}, true, true);
  const char* titles[] = {"Date", "Open", "High", "Low", "Close", "Volume", "Open Interest"};
  const int columns = open_interest ? 7 : 6;
  for (int c = 1; c <= columns; ++c) sheet.SetCellValue(1, c, Variant(titles[c - 1]));
  const double quotes[3][7] = {{DateSerial(2006, 1, 3), 10.5, 11, 10, 10.75, 1200, 0},
                               {DateSerial(2006, 1, 4), 10.75, 11.25, 10.5, 11, 1500, 3},
                               {DateSerial(2006, 12, 15), 11, 12.125, 10.875, 12, 800, 5}};
  for (int r = 0; r < 3; ++r) {
    sheet.SetCellValue(2 + r, 1, Variant::Date(quotes[r][0]));
    for (int c = 1; c < columns; ++c) sheet.SetCellValue(2 + r, 1 + c, Variant(quotes[r][c]));
  }
}

// Turns a MacroProject into the export scenario.
inline void MakeExportProject(MacroProject& p, const std::string& ticker = "abc",
                              const std::string& periodicity = "Daily") {
  Worksheet& params = p.Parameters();
  params.SetCellValue(8, 4, Variant(kAllFormats));
  params.SetCellValue(2, 5, Variant("E2 no settings sheet"));
  params.SetCellValue(27, 5, Variant("E27 drive AdditionalInformation1 missing"));
  params.SetCellValue(28, 5, Variant("E28 folder not created"));
  params.SetCellValue(29, 5, Variant("E29 sheet AdditionalInformation1 missing"));
  params.SetCellValue(30, 5, Variant("E30 format not listed"));
  params.SetCellValue(47, 5, Variant("E47 too many rows"));
  Worksheet& settings = p.Settings();
  settings.SetCellValue(MacroProject::kTickerRow, 1, Variant(ticker));
  settings.SetCellValue(MacroProject::kTickerRow, 4, Variant(periodicity));
  settings.SetCellValue(MacroProject::kTickerRow, 6, Variant("AAPL"));
  settings.SetCellValue(MacroProject::kTickerRow, 9, Variant("DOHLCVI"));
  FillGoldenQuotes(p.Data());
}

}  // namespace plrxl::testing
