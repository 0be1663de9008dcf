// What the in-memory host adds to the host contract: the style table, the
// cell visitor, empty workbooks for stores, and files through a store.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/memory/memory_host.h"

namespace plrxl {
namespace {

namespace fs = std::filesystem;

// A store writing one "row<TAB>col<TAB>text" line per text cell of the first
// sheet into a real file; refuses to load a file without its header line.
class LineStore : public WorkbookStore {
 public:
  void Load(const std::string& path, Workbook& into) override {
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line) || line != "plrxl-lines")
      throw Error(1004, "PlrXL2.WorkbookStore", path + ": not a workbook");
    Worksheet& ws = into.AddWorksheet();
    int row, col;
    std::string text;
    while (in >> row >> col >> text) ws.SetCellValue(row, col, text);
  }
  void Save(Workbook& wb, const std::string& path) override {
    std::ofstream out(path);
    out << "plrxl-lines\n";
    Worksheet& ws = wb.WorksheetAt(1);
    ws.ForEachCell(Rect{1, 1, kMaxRows, kMaxCols}, [&](int r, int c) {
      out << r << '\t' << c << '\t' << ws.CellValue(r, c).Text() << '\n';
    });
  }
};

class MemoryHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("plrxl_memory_host_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(MemoryHostTest, StylesAreInternedPerWorkbook) {
  MemoryHost host(nullptr, RegionalSettings());
  Workbook& wb = host.AddWorkbook();
  EXPECT_EQ(wb.StyleCount(), 1);
  EXPECT_EQ(wb.StyleAt(0), CellStyle());
  CellStyle red;
  red.font_color = 0xFF0000;
  const int id = wb.InternStyle(red);
  EXPECT_EQ(wb.InternStyle(red), id);
  EXPECT_EQ(wb.InternStyle(CellStyle()), 0);
  Worksheet& ws = wb.WorksheetAt(1);
  for (int r = 1; r <= 1000; ++r) ws.SetCellStyle(r, 1, red);
  EXPECT_EQ(wb.StyleCount(), 2);
  EXPECT_EQ(ws.CellStyleId(500, 1), id);
  EXPECT_THROW(ws.SetCellStyleId(1, 1, 99), Error);
  EXPECT_THROW(wb.StyleAt(99), Error);
}

TEST_F(MemoryHostTest, ForEachCellVisitsRowByRowAcrossChunks) {
  MemoryHost host(nullptr, RegionalSettings());
  Worksheet& ws = host.AddWorkbook().WorksheetAt(1);
  // Column 2 written low in its chunk after high, column 4 only in its second chunk.
  const std::pair<int, int> cells[] = {{1024, 3}, {1025, 1}, {1024, 200}, {3, 2}, {65536, 256}, {700, 2}, {1030, 4}};
  for (auto [r, c] : cells) ws.SetCellValue(r, c, 1.0);
  CellStyle bold;
  bold.bold = true;
  ws.SetCellStyle(2000, 5, bold);  // a style alone counts
  ws.SetCellValue(9, 9, 1.0);
  ws.SetCellValue(9, 9, Variant());  // emptied again: skipped
  std::vector<std::pair<int, int>> seen;
  ws.ForEachCell(Rect{1, 1, kMaxRows, kMaxCols}, [&](int r, int c) { seen.emplace_back(r, c); });
  const std::vector<std::pair<int, int>> expected = {{3, 2},  {700, 2},  {1024, 3},    {1024, 200},
                                                      {1025, 1}, {1030, 4}, {2000, 5}, {65536, 256}};
  EXPECT_EQ(seen, expected);
  seen.clear();
  ws.ForEachCell(Rect{1024, 2, 1025, 200}, [&](int r, int c) { seen.emplace_back(r, c); });
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1024, 3}, {1024, 200}}));
  seen.clear();
  ws.ForEachCell(Rect{600, 2, 1100, 4}, [&](int r, int c) { seen.emplace_back(r, c); });
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{700, 2}, {1024, 3}, {1030, 4}}));
}

TEST_F(MemoryHostTest, EmptyWorkbookHasNoSheets) {
  MemoryHost host(nullptr, RegionalSettings());
  Workbook& wb = host.AddEmptyWorkbook();
  EXPECT_EQ(wb.WorksheetCount(), 0);
  EXPECT_EQ(wb.ActiveSheet(), nullptr);
  EXPECT_EQ(host.ActiveWorkbook(), &wb);
  EXPECT_THROW(host.ResolveRange("A1"), Error);
  EXPECT_EQ(wb.Name(), "Book1");
  EXPECT_EQ(host.AddWorkbook().Name(), "Book2");
}

TEST_F(MemoryHostTest, ManyTextsInOneCellReuseTheirSlot) {
  MemoryHost host(nullptr, RegionalSettings());
  Worksheet& ws = host.AddWorkbook().WorksheetAt(1);
  for (int i = 0; i < 100000; ++i) ws.SetCellValue(1, 1, "status line number " + std::to_string(i));
  EXPECT_EQ(ws.CellValue(1, 1), Variant("status line number 99999"));
  ws.SetCellValue(2, 1, "second");
  EXPECT_EQ(ws.CellValue(2, 1), Variant("second"));
  EXPECT_EQ(ws.CellValue(1, 1), Variant("status line number 99999"));
}

TEST_F(MemoryHostTest, OpenAndSaveGoThroughTheStore) {
  const std::string good = (dir_ / "project.txt").string();
  {
    std::ofstream out(good);
    out << "plrxl-lines\n2\t3\thello\n";
  }
  const std::string bad = (dir_ / "broken.txt").string();
  {
    std::ofstream out(bad);
    out << "garbage";
  }
  MemoryHost host(std::make_unique<LineStore>(), RegionalSettings());
  Workbook& wb = host.OpenWorkbook(good);
  EXPECT_EQ(wb.Name(), "project.txt");
  EXPECT_EQ(fs::path(wb.Path()), fs::absolute(dir_).lexically_normal());
  EXPECT_EQ(wb.ActiveSheet()->CellValue(2, 3), Variant("hello"));
  EXPECT_EQ(&host.OpenWorkbook(good), &wb) << "an open file is not opened twice";
  EXPECT_EQ(host.FindWorkbook("PROJECT"), &wb);

  try {
    host.OpenWorkbook(bad);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 1004);
    EXPECT_NE(e.Description().find("broken.txt"), std::string::npos);
  }
  EXPECT_EQ(host.WorkbookCount(), 1);
  EXPECT_EQ(host.ActiveWorkbook(), &wb);

  wb.ActiveSheet()->SetCellValue(4, 1, "more");
  const std::string copy = (dir_ / "copy.txt").string();
  wb.SaveAs(copy);
  EXPECT_EQ(wb.Name(), "copy.txt");
  std::ifstream in(copy);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "plrxl-lines\n2\t3\thello\n4\t1\tmore\n");
  wb.Save();
  EXPECT_TRUE(fs::exists(copy));
}

TEST_F(MemoryHostTest, WithoutAStoreFilesFailClearly) {
  MemoryHost host(nullptr, RegionalSettings());
  Workbook& wb = host.AddWorkbook();
  try {
    wb.SaveAs((dir_ / "x.xlsx").string());
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 1004);
    EXPECT_EQ(e.Description(), "No workbook store: cannot open or save files.");
  }
  EXPECT_FALSE(fs::exists(dir_ / "x.xlsx"));
}

}  // namespace
}  // namespace plrxl
