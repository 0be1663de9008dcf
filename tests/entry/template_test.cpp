// The project template's tables: every message the system shows, with the
// placeholders its callers fill, and the lists and field cells other
// folders read.
#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "entry/internal/text.h"
#include "tests/entry/entry_fixture.h"

namespace plrxl::testing {
namespace {

std::map<std::string, std::string> CellTexts() {
  std::map<std::string, std::string> cells;
  for (const TemplateCell& cell : TemplateCells()) cells[cell.address] = cell.value;
  return cells;
}

TEST(ProjectTemplate, MessageCatalogueIsCompleteAndOrdered) {
  const std::vector<int> expected = {2,  3,  4,  5,  6,  8,  10, 11, 13, 14, 16, 18, 21, 22,
                                     27, 28, 29, 30, 32, 47, 48, 50, 51, 61, 67, 72, 73};
  std::vector<int> numbers;
  for (const MessageText& m : MessageTexts()) numbers.push_back(m.number);
  EXPECT_EQ(numbers, expected);
}

TEST(ProjectTemplate, EveryMessageCarriesThePlaceholdersItsCallersFill) {
  for (const MessageText& m : MessageTexts()) {
    const std::string text = m.text;
    EXPECT_FALSE(text.empty()) << m.number;
    for (int i = 1; i <= 3; ++i) {
      const bool has = text.find("AdditionalInformation" + std::to_string(i)) != std::string::npos;
      EXPECT_EQ(has, i <= m.infos) << "message " << m.number << " placeholder " << i;
    }
  }
}

TEST(ProjectTemplate, MessageCellsDoNotCollideWithLabels) {
  std::set<std::string> addresses;
  for (const TemplateCell& cell : TemplateCells()) EXPECT_TRUE(addresses.insert(cell.address).second) << cell.address;
  for (const MessageText& m : MessageTexts()) {
    EXPECT_TRUE(addresses.insert("E" + std::to_string(m.number)).second) << m.number;
  }
}

TEST(ProjectTemplate, ListsHaveTheirEntries) {
  const auto cells = CellTexts();
  const struct {
    const char* address;
    size_t entries;
  } lists[] = {{"D3", 2}, {"D5", 9}, {"D7", 8}, {"D8", 12}, {"D9", 6}};
  for (const auto& list : lists) {
    EXPECT_EQ(text::Split(cells.at(list.address), '|').size(), list.entries) << list.address;
  }
  EXPECT_EQ(cells.at("D3"), "FTB|FBT");
}

TEST(ProjectTemplate, FieldCellsMatchTheDataTitles) {
  const auto cells = CellTexts();
  // Field name, its position in the data table, the header of its letter.
  const struct {
    const char* name_cell;
    const char* position_cell;
    const char* header_cell;
    const char* header;
    const char* position;
  } fields[] = {
      {"A6", "B6", "B14", "Date", "1"},          {"A7", "B7", "B15", "Time", "8"},
      {"A8", "B8", "B16", "Open", "2"},          {"A9", "B9", "B17", "High", "3"},
      {"A10", "B10", "B18", "Low", "4"},         {"A11", "B11", "B19", "Close", "5"},
      {"A12", "B12", "B20", "Volume", "6"},      {"A13", "B13", "B21", "Open Interest", "7"},
      {"A30", "B30", "B22", "Adjusted Close", "7"},
  };
  for (const auto& f : fields) {
    EXPECT_EQ(cells.at(f.header_cell), f.header);
    EXPECT_EQ(cells.at(f.name_cell), f.header);
    EXPECT_EQ(cells.at(f.position_cell), f.position) << f.position_cell;
  }
  for (const char* format : {"B2", "B3", "B4", "B5", "B33"}) EXPECT_FALSE(cells.at(format).empty()) << format;
}

TEST(ProjectTemplate, LabelsAndTheTickerTable) {
  const auto cells = CellTexts();
  for (const char* label : {"E19", "E20", "E53", "AR5", "AR6", "AR11", "G2", "G3", "Z32", "Z33", "H2", "P2"}) {
    EXPECT_FALSE(cells.at(label).empty()) << label;
  }
  const std::vector<std::string> titles = {"Ticker", "Start Date", "End Date", "Periodicity", "Data Direction",
                                           "Data Location", "Data Beginning", "Data Source", "Data Fields",
                                           "Macros", "Status"};
  for (int c = 0; c < 11; ++c) EXPECT_EQ(cells.at(ColumnLetters(9 + c) + "1"), titles[c]);
  EXPECT_EQ(cells.at("I2"), "Defaults");
  EXPECT_EQ(cells.at("P2"), "SAMPLE");
  EXPECT_EQ(cells.at("H2"), "Refresh");
}

TEST_F(EntryTest, WrittenSheetHoldsDatesAndFormula) {
  Workbook& wb = NewProject();
  Worksheet& parameters = Parameters(wb);
  EXPECT_EQ(parameters.GetRange("J2").Value(), Variant::Date(DateSerial(2020, 1, 1)));
  EXPECT_EQ(parameters.GetRange("K2").Formula(), "=TODAY()");
  EXPECT_EQ(parameters.GetRange("K2").Value(), Variant::Date(std::floor(Now())));
  EXPECT_EQ(parameters.GetRange("B6").Value(), Variant(1));
  EXPECT_EQ(parameters.GetRange("J2").NumberFormat(), "dd.mm.yyyy");
}

}  // namespace
}  // namespace plrxl::testing
