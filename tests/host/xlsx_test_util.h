// Shared pieces of the .xlsx store tests: a temporary working folder with
// XDG_CONFIG_HOME pointed into it, file helpers, and a comparison of two
// workbooks over everything the store promises to keep.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/spreadsheet_host.h"

namespace plrxl::testing_xlsx {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plrxl_xlsx_XXXXXX").string();
    path_ = mkdtemp(pattern.data());
    std::filesystem::create_directories(path_ + "/config");
    setenv("XDG_CONFIG_HOME", (path_ + "/config").c_str(), 1);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  const std::string& Path() const { return path_; }
  // Names of the files directly in the folder (the config folder aside).
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      if (entry.path().filename() != "config") names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string Describe(const Variant& v) {
  switch (v.Type()) {
    case VarType::kEmpty: return "<empty>";
    case VarType::kNumber: return "number " + std::to_string(v.Number());
    case VarType::kDate: return "date " + std::to_string(v.DateSerial());
    case VarType::kText: return "text \"" + v.Text() + "\"";
    case VarType::kBoolean: return v.Boolean() ? "TRUE" : "FALSE";
    case VarType::kError: return CellErrorText(v.ErrorValue());
    default: return "<other>";
  }
}

inline void ExpectSameChart(const Chart& a, const Chart& b, const std::string& where) {
  SCOPED_TRACE(where + " chart " + a.name);
  EXPECT_EQ(a.kind, b.kind);
  EXPECT_EQ(a.title, b.title);
  EXPECT_EQ(a.title_bold, b.title_bold);
  EXPECT_EQ(a.has_legend, b.has_legend);
  EXPECT_EQ(a.high_low_lines, b.high_low_lines);
  EXPECT_EQ(a.up_down_bars, b.up_down_bars);
  EXPECT_NEAR(a.left, b.left, 1.5);
  EXPECT_NEAR(a.top, b.top, 1.5);
  EXPECT_NEAR(a.width, b.width, 1.5);
  EXPECT_NEAR(a.height, b.height, 1.5);
  ASSERT_EQ(a.series.size(), b.series.size());
  for (size_t i = 0; i < a.series.size(); ++i) {
    EXPECT_EQ(a.series[i].name, b.series[i].name);
    EXPECT_EQ(a.series[i].values, b.series[i].values);
    EXPECT_EQ(a.series[i].categories, b.series[i].categories);
    EXPECT_EQ(a.series[i].line_color, b.series[i].line_color);
    EXPECT_NEAR(a.series[i].line_weight, b.series[i].line_weight, 0.01);
    EXPECT_EQ(a.series[i].line_hidden, b.series[i].line_hidden);
    EXPECT_EQ(a.series[i].markers, b.series[i].markers);
    EXPECT_EQ(a.series[i].marker_symbol, b.series[i].marker_symbol);
  }
  EXPECT_EQ(a.value_axis.minimum, b.value_axis.minimum);
  EXPECT_EQ(a.value_axis.maximum, b.value_axis.maximum);
  EXPECT_EQ(a.value_axis.major_gridlines, b.value_axis.major_gridlines);
  EXPECT_EQ(a.category_axis.reversed, b.category_axis.reversed);
  EXPECT_EQ(a.category_axis.crossed_at_maximum, b.category_axis.crossed_at_maximum);
  EXPECT_EQ(a.category_axis.label_interval, b.category_axis.label_interval);
  EXPECT_EQ(a.category_axis.number_format, b.category_axis.number_format);
  EXPECT_EQ(a.font_name, b.font_name);
}

// Compares everything the store keeps. Dates in cells without a date format
// are allowed to come back with the short-date format.
inline void ExpectSameWorkbook(Workbook& expected, Workbook& actual) {
  ASSERT_EQ(expected.WorksheetCount(), actual.WorksheetCount());
  ASSERT_NE(expected.ActiveSheet(), nullptr);
  ASSERT_NE(actual.ActiveSheet(), nullptr);
  EXPECT_EQ(expected.ActiveSheet()->Name(), actual.ActiveSheet()->Name());
  for (int i = 1; i <= expected.WorksheetCount(); ++i) {
    Worksheet& a = expected.WorksheetAt(i);
    Worksheet& b = actual.WorksheetAt(i);
    SCOPED_TRACE("sheet " + a.Name());
    EXPECT_EQ(a.Name(), b.Name());
    EXPECT_EQ(a.Visible(), b.Visible());
    EXPECT_EQ(a.Zoom(), b.Zoom());
    EXPECT_EQ(a.FrozenPanes(), b.FrozenPanes());
    EXPECT_EQ(a.SelectionRect(), b.SelectionRect());
    EXPECT_EQ(a.MergedCells(), b.MergedCells());
    EXPECT_EQ(a.UsedRange(), b.UsedRange());
    for (int c = 1; c <= kMaxCols; ++c) {
      EXPECT_EQ(a.ColumnWidthIsCustom(c), b.ColumnWidthIsCustom(c)) << "column " << c;
      // Widths are kept to the pixel (1/7 of a character).
      EXPECT_NEAR(a.ColumnWidth(c), b.ColumnWidth(c), 0.075) << "column " << c;
    }
    if (auto used = a.UsedRange()) {
      for (int r = 1; r <= used->row2 + 5 && r <= kMaxRows; ++r) {
        EXPECT_EQ(a.RowHeightIsCustom(r), b.RowHeightIsCustom(r)) << "row " << r;
        EXPECT_DOUBLE_EQ(a.RowHeight(r), b.RowHeight(r)) << "row " << r;
      }
      for (int r = used->row1; r <= used->row2; ++r) {
        for (int c = used->col1; c <= used->col2; ++c) {
          std::string cell = ColumnLetters(c) + std::to_string(r);
          Variant va = a.CellValue(r, c), vb = b.CellValue(r, c);
          // A formula never calculated has no cached value; the file keeps 0.
          if (va.IsEmpty() && !a.CellFormula(r, c).empty() && vb == Variant(0.0)) vb = Variant();
          EXPECT_TRUE(va == vb) << cell << ": " << Describe(va) << " became " << Describe(vb);
          EXPECT_EQ(a.CellFormula(r, c), b.CellFormula(r, c)) << cell;
          CellStyle sa = a.CellStyleAt(r, c), sb = b.CellStyleAt(r, c);
          if (va.IsDate() && sb.number_format == "m/d/yyyy") sb.number_format = sa.number_format;
          EXPECT_TRUE(sa == sb) << cell << ": style differs (format \"" << sa.number_format << "\" / \""
                                << sb.number_format << "\", font " << sa.font_name << " / " << sb.font_name << ")";
        }
      }
    }
    ASSERT_EQ(a.ChartCount(), b.ChartCount());
    for (int k = 1; k <= a.ChartCount(); ++k) ExpectSameChart(a.ChartAt(k), b.ChartAt(k), a.Name());
  }
  ASSERT_EQ(expected.NameCount(), actual.NameCount());
  for (int i = 1; i <= expected.NameCount(); ++i) {
    EXPECT_EQ(expected.NameAt(i).name, actual.NameAt(i).name);
    EXPECT_EQ(expected.NameAt(i).refers_to, actual.NameAt(i).refers_to);
  }
  EXPECT_EQ(expected.CarriedParts(), actual.CarriedParts());
}

}  // namespace plrxl::testing_xlsx
