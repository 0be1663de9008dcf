// The demo project end to end through the real pelorinxl, looked at where a
// user looks: the export files read back by Python's csv module (every line
// has its layout's fields, an empty field where the data has no column),
// the "Summary" sheet of the saved workbook (each value under its own
// title) and the saved chart parts (series over the rows of the dates, the
// date labels low). The demo mixes field sets and both directions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "download/demo_project.h"
#include "entry/pelorin.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/internal/zip_reader.h"
#include "host/xlsx/xlsx_store.h"
#include "macros/export_layouts.h"
#include "tests/app/run_program.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::TempFolder;

// Each line's number of fields, and the fields empty in every data line,
// as Python's csv module reads the file with the layout's separator.
constexpr const char* kReadExport = R"(
import csv, sys
path, sep, header = sys.argv[1], sys.argv[2], sys.argv[3] == "1"
with open(path, newline="", encoding="latin-1") as f:
    rows = list(csv.reader(f, delimiter=sep))
print(" ".join(str(len(r)) for r in rows))
data = rows[1:] if header else rows
width = max(len(r) for r in data)
print(" ".join(str(i) for i in range(width) if all(i >= len(r) or r[i] == "" for r in data)))
)";

class DemoResults : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    const testing::RunResult run = testing::RunPelorinxl(folder_->Path(), {"demo", folder_->File("demo")},
                                                         {{"XDG_CONFIG_HOME", folder_->File("config")}});
    demo_ok_ = run.status == 0;
    if (!demo_ok_) std::cerr << run.out << run.err;
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(demo_ok_) << "pelorinxl demo failed"; }

  static std::string Demo(const std::string& name) { return folder_->File("demo/" + name); }

  static inline TempFolder* folder_ = nullptr;
  static inline bool demo_ok_ = false;
};

// The layout a demo row exports with: "exportdata(NAME,...".
const ExportLayout* RowLayout(const DemoRow& row) {
  const size_t at = row.macros.find("exportdata(");
  if (at == std::string::npos) return nullptr;
  const size_t begin = at + 11;
  return FindExportLayout(row.macros.substr(begin, row.macros.find(',', begin) - begin));
}

// The csv field index of each layout field (a joined field shares the one
// before it).
std::vector<int> CsvIndexes(const ExportLayout& layout) {
  std::vector<int> indexes;
  int index = -1;
  for (int i = 0; i < layout.field_count; ++i) {
    if (!layout.fields[i].joined) ++index;
    indexes.push_back(index);
  }
  return indexes;
}

bool Lacks(const DemoRow& row, ExportFieldKind kind) {
  auto lacks = [&](char letter) { return row.fields.find(letter) == std::string::npos; };
  switch (kind) {
    case ExportFieldKind::kOpen: return lacks('o');
    case ExportFieldKind::kHigh: return lacks('h');
    case ExportFieldKind::kLow: return lacks('l');
    case ExportFieldKind::kClose: return lacks('c');
    default: return false;
  }
}

TEST_F(DemoResults, EveryExportLineHasItsLayoutsFieldsAndMissingPricesAreEmpty) {
  int with_gaps = 0;
  const std::vector<DemoRow> rows = DemoRows(Demo("exports"));
  for (const DemoRow& row : rows) {
    const ExportLayout* layout = RowLayout(row);
    if (layout == nullptr) continue;
    SCOPED_TRACE(row.ticker + " " + layout->name + " " + row.fields);
    const std::string file = Demo("exports/" + ExportFileName(*layout, row.ticker, row.periodicity));
    testing::Launch launch;
    launch.program = "/usr/bin/python3";
    launch.args = {"-c", kReadExport, file, std::string(1, layout->separator), layout->header ? "1" : "0"};
    const testing::RunResult read = testing::RunProgram(folder_->Path(), launch);
    ASSERT_EQ(read.status, 0) << read.err;
    std::istringstream lines(read.out);
    std::string counts, empty;
    std::getline(lines, counts);
    std::getline(lines, empty);

    const std::vector<int> indexes = CsvIndexes(*layout);
    const std::string width = std::to_string(indexes.back() + 1);
    std::istringstream each(counts);
    int lines_read = 0;
    std::string wrong;  // the first line whose field count is off
    for (std::string count; each >> count; ++lines_read) {
      if (count != width && wrong.empty()) wrong = "line " + std::to_string(lines_read + 1) + ": " + count;
    }
    EXPECT_EQ(wrong, "") << "fields per line: " << width;
    EXPECT_GT(lines_read, 1);

    std::string expected_empty;
    for (int i = 0; i < layout->field_count; ++i) {
      if (!Lacks(row, layout->fields[i].kind)) continue;
      expected_empty += (expected_empty.empty() ? "" : " ") + std::to_string(indexes[static_cast<size_t>(i)]);
    }
    EXPECT_EQ(empty, expected_empty);
    with_gaps += expected_empty.empty() ? 0 : 1;
  }
  EXPECT_GE(with_gaps, 5) << "the demo exports tickers that lack prices";

  // The status of a row whose export has empty fields says which.
  MemoryHost host(MakeXlsxStore(), RegionalSettings());
  Workbook& wb = host.OpenWorkbook(Demo("demo.xlsx"));
  Worksheet& settings = wb.Worksheets(kSettingsSheet);
  for (int r = 3; r < 3 + static_cast<int>(rows.size()); ++r) {
    if (settings.CellValue(r, 1) != Variant("LIMA")) continue;
    const std::string status = settings.CellValue(r, 11).Text();
    EXPECT_NE(status.find("Export LIMA_W.prn has empty fields: Open, High, Low."), std::string::npos) << status;
  }
}

TEST_F(DemoResults, SummaryValuesStandUnderTheirOwnTitles) {
  MemoryHost host(MakeXlsxStore(), RegionalSettings());
  Workbook& wb = host.OpenWorkbook(Demo("demo.xlsx"));
  Worksheet& summary = wb.Worksheets("Summary");
  std::vector<std::string> titles;
  for (int col = 2; !summary.IsCellEmpty(1, col); ++col) titles.push_back(summary.CellValue(1, col).Text());
  std::set<std::string> distinct(titles.begin(), titles.end());
  EXPECT_EQ(distinct.size(), titles.size()) << "one column per title";
  int checked = 0;
  for (int line = 2; !summary.IsCellEmpty(line, 1); ++line) {
    const std::string ticker = summary.CellValue(line, 1).Text();
    SCOPED_TRACE(ticker);
    Worksheet* data = wb.FindWorksheet(ticker);
    ASSERT_NE(data, nullptr);
    int last = 2;
    while (!data->IsCellEmpty(last + 1, 1)) ++last;
    const int newest = data->CellValue(last, 1).DateSerial() > data->CellValue(2, 1).DateSerial() ? last : 2;
    for (int col = 1; !data->IsCellEmpty(1, col); ++col) {
      const std::string title = data->CellValue(1, col).Text();
      const auto at = std::find(titles.begin(), titles.end(), title);
      ASSERT_NE(at, titles.end()) << title;
      const int summary_col = static_cast<int>(at - titles.begin()) + 2;
      EXPECT_EQ(summary.CellValue(line, summary_col), data->CellValue(newest, col)) << title;
      EXPECT_EQ(summary.CellStyleAt(line, summary_col).number_format, data->CellStyleAt(newest, col).number_format)
          << title;
      ++checked;
    }
  }
  EXPECT_GT(checked, 24 * 3);
}

// The row numbers of an A1 range text "'X'!$H$2:$H$21": "2:21".
std::string Rows(const std::string& ref) {
  std::string rows;
  bool in_row = false;
  for (size_t i = ref.rfind('!') + 1; i < ref.size(); ++i) {
    const char ch = ref[i];
    if (ch == '$') {
      in_row = i > 0 && std::isalpha(static_cast<unsigned char>(ref[i - 1]));
      continue;
    }
    if (ch == ':') rows += ':';
    if (in_row && std::isdigit(static_cast<unsigned char>(ch))) rows += ch;
  }
  return rows;
}

std::string Between(const std::string& text, size_t from, const std::string& open, const std::string& close) {
  const size_t begin = text.find(open, from);
  if (begin == std::string::npos) return "";
  const size_t end = text.find(close, begin);
  return text.substr(begin + open.size(), end - begin - open.size());
}

TEST_F(DemoResults, ChartSeriesCoverTheDateRowsAndDateLabelsAreLow) {
  xlsx::ZipReader zip(Demo("demo.xlsx"));
  int charts = 0, series = 0, secondary = 0;
  for (const std::string& part : zip.Parts()) {
    if (part.rfind("xl/charts/chart", 0) != 0) continue;
    SCOPED_TRACE(part);
    const std::string xml = zip.Read(part);
    ++charts;
    for (size_t at = xml.find("<c:ser>"); at != std::string::npos; at = xml.find("<c:ser>", at + 1)) {
      const std::string ser = xml.substr(at, xml.find("</c:ser>", at) - at);
      const std::string cat = Between(ser, 0, "<c:cat>", "</c:cat>");
      const std::string val = Between(ser, 0, "<c:val>", "</c:val>");
      EXPECT_EQ(Rows(Between(val, 0, "<c:f>", "</c:f>")), Rows(Between(cat, 0, "<c:f>", "</c:f>"))) << ser.substr(0, 400);
      ++series;
    }
    if (xml.find("<c:lineChart>") != std::string::npos) {
      EXPECT_NE(xml.find("<c:tickLblPos val=\"low\"/>"), std::string::npos);
    }
    if (xml.find("<c:lineChart>") != xml.rfind("<c:lineChart>")) ++secondary;
  }
  int drawn = 0;
  for (const DemoRow& row : DemoRows()) drawn += row.macros.find("chart(") != std::string::npos ? 1 : 0;
  EXPECT_EQ(charts, drawn) << "one chart per row that draws one";
  EXPECT_GT(series, charts);
  EXPECT_GE(secondary, 1) << "an oscillator of the demo is drawn on a secondary axis";
}

}  // namespace
}  // namespace plrxl
