// Exports of data that lacks fields: every line keeps all of the layout's
// fields (a missing or unreadable one empty, its separator kept), and the
// row's status names the fields left empty.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "host/memory/memory_host.h"
#include "macros/export_layouts.h"
#include "macros/export_writer.h"
#include "tests/macros/export_fixture.h"

namespace plrxl::testing {
namespace {

// The fields of a line split at the layout's separator outside double
// quotes (quicken's "10,75"). A joined field makes one with the field
// before it.
size_t FieldCount(const std::string& line, char separator) {
  size_t count = 1;
  bool quoted = false;
  for (char ch : line) {
    if (ch == '"') quoted = !quoted;
    count += ch == separator && !quoted ? 1 : 0;
  }
  return count;
}

size_t ExpectedFields(const ExportLayout& layout) {
  size_t count = 0;
  for (int i = 0; i < layout.field_count; ++i) count += layout.fields[i].joined ? 0 : 1;
  return count;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find("\r\n", at);
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

bool HasField(const ExportLayout& layout, ExportFieldKind kind) {
  for (int i = 0; i < layout.field_count; ++i) {
    if (layout.fields[i].kind == kind) return true;
  }
  return false;
}

class ExportEmptyFields : public ::testing::Test {
 protected:
  ExportEmptyFields() : host_(nullptr, MacroProject::PinnedRegional()), sheet_(host_.AddWorkbook().WorksheetAt(1)) {
    FillGoldenQuotes(sheet_);
  }
  ExportBlock Block() {
    ExportBlock block;
    block.sheet = &sheet_;
    block.first_row = 2;
    block.last_row = 4;
    block.columns = {1, 2, 3, 4, 5, 6, 7};
    block.ticker = "abc";
    block.period = "D";
    return block;
  }
  MemoryHost host_;
  Worksheet& sheet_;
};

TEST_F(ExportEmptyFields, EveryLineOfEveryLayoutHasAllItsFields) {
  struct Case {
    const char* what;
    ExportColumns columns;
    std::vector<ExportFieldKind> empty;  // the price fields written empty
  } const cases[] = {
      {"all columns", {1, 2, 3, 4, 5, 6, 7}, {}},
      {"no open, high, low", {1, 0, 0, 0, 5, 6, 0}, {ExportFieldKind::kOpen, ExportFieldKind::kHigh,
                                                     ExportFieldKind::kLow}},
      {"no open", {1, 0, 3, 4, 5, 6, 7}, {ExportFieldKind::kOpen}},
      {"no close", {1, 2, 3, 4, 0, 0, 0}, {ExportFieldKind::kClose}},
  };
  for (const Case& c : cases) {
    for (const ExportLayout& layout : ExportLayouts()) {
      SCOPED_TRACE(std::string(c.what) + ", " + layout.name);
      ExportBlock block = Block();
      block.columns = c.columns;
      std::ostringstream out;
      const std::vector<std::string> empty = WriteExport(out, layout, block, MacroProject::PinnedRegional());
      const std::vector<std::string> lines = Lines(out.str());
      ASSERT_EQ(lines.size(), layout.header ? 4u : 3u);
      for (const std::string& line : lines) EXPECT_EQ(FieldCount(line, layout.separator), ExpectedFields(layout)) << line;
      std::vector<std::string> expected;
      for (ExportFieldKind kind : c.empty) {
        if (HasField(layout, kind)) expected.emplace_back(ExportFieldTitle(kind));
      }
      EXPECT_EQ(empty, expected);
    }
  }
}

TEST_F(ExportEmptyFields, AMissingPriceStandsEmptyInItsPlace) {
  ExportBlock block = Block();
  block.columns = {1, 0, 0, 0, 5, 6, 0};
  const RegionalSettings rs = MacroProject::PinnedRegional();
  EXPECT_EQ(ExportLine(*FindExportLayout("metastock"), block, 2, rs), "abc,D,20060103,000000,,,,10.75,1200,0");
  EXPECT_EQ(ExportLine(*FindExportLayout("excel"), block, 2, rs),
            "\"abc\" \"03/01/06\" \"\" \"\" \"\" \"10.75\" \"1200\" \"0\"");
  EXPECT_EQ(ExportLine(*FindExportLayout("sc-4"), block, 2, rs), "01/03/2006,,,,10.75,1200,0");
}

TEST_F(ExportEmptyFields, AnUnreadableCellIsAnEmptyField) {
  sheet_.SetCellValue(2, 1, Variant("not a date"));
  sheet_.SetCellValue(2, 3, Variant(CellError::kNA));
  ExportBlock block = Block();
  block.last_row = 2;
  std::ostringstream out;
  EXPECT_EQ(WriteExport(out, *FindExportLayout("csv"), block, MacroProject::PinnedRegional()),
            (std::vector<std::string>{"Date", "High"}));
  EXPECT_EQ(out.str(), ",10.5,,10,10.75,1200,0\r\n");
}

TEST(ExportDataEmptyFields, TheStatusNamesTheEmptyFields) {
  MacroProject p;
  MakeExportProject(p, "lima", "Weekly");
  // Date, Close and Volume only, as a row fetching "dcv" pastes them.
  Worksheet& data = p.Data();
  data.ClearCells(Rect{1, 1, 10, 8}, true, true);
  const char* titles[] = {"Date", "Close", "Volume"};
  for (int c = 1; c <= 3; ++c) data.SetCellValue(1, c, Variant(titles[c - 1]));
  data.SetCellValue(2, 1, Variant::Date(DateSerial(2006, 1, 3)));
  data.SetCellValue(2, 2, Variant(10.75));
  data.SetCellValue(2, 3, Variant(1200.0));
  p.Settings().SetCellValue(MacroProject::kTickerRow, 9, Variant("DCV"));
  const std::string folder = p.Dir().string() + "/out";
  EXPECT_EQ(p.Engine().RunMyMacro("exportdata(metastock," + folder + ")"), "Ok");
  EXPECT_EQ(ReadFileBytes(folder + "/LIMA_W.prn"),
            "<TICKER>,<PER>,<DTYYYYMMDD>,<TIME>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>,<OPENINT>\r\n"
            "lima,W,20060103,000000,,,,10.75,1200,0\r\n");
  EXPECT_NE(p.Context().LastDownloadText.find("Export LIMA_W.prn has empty fields: Open, High, Low."),
            std::string::npos)
      << p.Context().LastDownloadText;
  EXPECT_FALSE(p.Context().LastDownloadFailed);
}

}  // namespace
}  // namespace plrxl::testing
