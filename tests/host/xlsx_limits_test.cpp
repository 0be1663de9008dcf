// Hostile and oversized workbooks, built here part by part: each is refused
// with a message naming the limit and the part, or loads with what the grid
// holds, and never needs more memory than the limits allow (checked in a
// forked child under an address-space limit).
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "host/error.h"
#include "host/format_limits.h"
#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/host/package_files.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::TempFolder;

constexpr const char* kSheetPart = "xl/worksheets/sheet1.xml";

// Writes a minimal package: sheets "Sheet1", "Sheet2"... with the given
// sheetData contents, and a shared-string table when `shared` is not empty.
void WriteSheets(const std::string& path, const std::vector<std::string>& sheet_datas, const std::string& shared = "") {
  std::map<std::string, std::string> parts;
  parts["[Content_Types].xml"] =
      "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>";
  parts["_rels/.rels"] =
      "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
      "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
  std::string sheets;
  std::string rels =
      "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  for (size_t i = 0; i < sheet_datas.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    sheets += "<sheet name=\"Sheet" + n + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
    rels += "<Relationship Id=\"rId" + n +
            "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
            "worksheet\" Target=\"worksheets/sheet" + n + ".xml\"/>";
    parts["xl/worksheets/sheet" + n + ".xml"] =
        "<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<sheetData>" + sheet_datas[i] + "</sheetData></worksheet>";
  }
  parts["xl/workbook.xml"] =
      "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>" + sheets +
      "</sheets></workbook>";
  if (!shared.empty()) {
    rels +=
        "<Relationship Id=\"rIdS\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
        "sharedStrings\" Target=\"sharedStrings.xml\"/>";
    parts["xl/sharedStrings.xml"] =
        "<?xml version=\"1.0\"?><sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">" + shared +
        "</sst>";
  }
  parts["xl/_rels/workbook.xml.rels"] = rels + "</Relationships>";
  testing_xlsx::WriteParts(path, parts);
}

void WritePackage(const std::string& path, const std::string& sheet_data, const std::string& shared = "") {
  WriteSheets(path, {sheet_data}, shared);
}

std::string Rows(int first, int last, const std::string& cells_of_row) {
  std::string xml;
  for (int r = first; r <= last; ++r) {
    xml += "<row r=\"" + std::to_string(r) + "\">";
    std::string cells = cells_of_row;
    for (size_t at = cells.find('#'); at != std::string::npos; at = cells.find('#', at)) {
      cells.replace(at, 1, std::to_string(r));
    }
    xml += cells + "</row>";
  }
  return xml;
}

// The address sanitizer keeps freed blocks in a quarantine (256 MB by
// default) before their memory is used again, so under it the same load needs
// that much more address space; the release build checks the real headroom.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kAllocatorSlack = size_t{512} << 20;
#else
constexpr size_t kAllocatorSlack = 0;
#endif

// The outcome of loading a file in a forked child whose address space may
// grow by at most `headroom` bytes: "loaded", or the error's description.
// A child that runs out of memory reports "out of memory" (the store turns
// bad_alloc into that) or dies, which the parent reports as "crashed".
std::string LoadInChild(const std::string& path, size_t headroom, const XlsxLimits& limits = {}) {
  headroom += kAllocatorSlack;
  const std::string result_file = path + ".result";
  const pid_t pid = fork();
  if (pid == 0) {
    std::ifstream status("/proc/self/status");
    size_t vm_kb = 0;
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("VmSize:", 0) == 0) vm_kb = std::stoul(line.substr(7));
    }
    rlimit limit{vm_kb * 1024 + headroom, vm_kb * 1024 + headroom};
    setrlimit(RLIMIT_AS, &limit);
    std::string outcome = "loaded";
    try {
      MemoryHost host(MakeXlsxStore(limits), RegionalSettings{});
      host.OpenWorkbook(path);
    } catch (const Error& e) {
      outcome = e.Description();
    } catch (const std::bad_alloc&) {
      outcome = "out of memory";
    }
    std::ofstream(result_file) << outcome;
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status)) return "crashed";
  return testing_xlsx::ReadBytes(result_file);
}

constexpr size_t kHeadroom = size_t{120} << 20;

TEST(XlsxLimits, SharedStringUsedByManyCellsIsRefusedByTheTextLimit) {
  TempFolder folder;
  const std::string path = folder.File("amplified.xlsx");
  // One text of 32,000 characters, shown by 20,000 cells: 640 MB of text
  // as the cells show it, from a file of a few hundred kilobytes.
  WritePackage(path, Rows(1, 20000, "<c r=\"A#\" t=\"s\"><v>0</v></c>"),
               "<si><t>" + std::string(32000, 'x') + "</t></si>");
  const std::string outcome = LoadInChild(path, kHeadroom);
  EXPECT_NE(outcome.find("XlsxMaxTextMB"), std::string::npos) << outcome;
  EXPECT_NE(outcome.find(kSheetPart), std::string::npos) << outcome;
}

TEST(XlsxLimits, SharedStringIsHeldOnceHoweverManyCellsShowIt) {
  TempFolder folder;
  const std::string path = folder.File("shared.xlsx");
  WritePackage(path, Rows(1, 20000, "<c r=\"A#\" t=\"s\"><v>0</v></c>"),
               "<si><t>" + std::string(32000, 'x') + "</t></si>");
  XlsxLimits generous;
  generous.max_text_bytes = int64_t{4} << 30;
  // A copy per cell would need 640 MB.
  EXPECT_EQ(LoadInChild(path, kHeadroom, generous), "loaded");

  MemoryHost host(MakeXlsxStore(generous), RegionalSettings{});
  Worksheet& sheet = host.OpenWorkbook(path).WorksheetAt(1);
  EXPECT_EQ(sheet.CellValue(20000, 1).Text().size(), 32000u);
  sheet.SetCellValue(500, 1, "changed");  // one cell changes, the others keep the shared text
  EXPECT_EQ(sheet.CellValue(500, 1).Text(), "changed");
  EXPECT_EQ(sheet.CellValue(501, 1).Text().size(), 32000u);
}

TEST(XlsxLimits, FullGridIsRefusedWhileInflating) {
  TempFolder folder;
  const std::string path = folder.File("full grid.xlsx");
  std::string row_cells;
  for (int c = 0; c < kMaxCols; ++c) row_cells += "<c/>";
  std::string data;
  data.reserve(size_t{70} << 20);
  for (int r = 1; r <= kMaxRows; ++r) data += "<row>" + row_cells + "</row>";
  WritePackage(path, data);
  data = std::string();
  const std::string outcome = LoadInChild(path, kHeadroom);
  EXPECT_NE(outcome.find("XlsxMaxCellsPerSheet"), std::string::npos) << outcome;
  EXPECT_NE(outcome.find(kSheetPart), std::string::npos) << outcome;
}

TEST(XlsxLimits, WorkbookCellLimitAndPartLimitNameTheirSettings) {
  TempFolder folder;
  const std::string path = folder.File("cells.xlsx");
  WritePackage(path, Rows(1, 3000, "<c r=\"A#\"><v>#</v></c><c r=\"B#\"><v>1.5</v></c>"));
  XlsxLimits small;
  small.max_cells_per_workbook = 5000;
  EXPECT_NE(LoadInChild(path, kHeadroom, small).find("XlsxMaxCellsPerWorkbook"), std::string::npos);
  small = XlsxLimits{};
  small.max_part_bytes = 64 * 1024;  // the sheet part is about 100 KB inflated
  const std::string outcome = LoadInChild(path, kHeadroom, small);
  EXPECT_NE(outcome.find("XlsxMaxPartMB"), std::string::npos) << outcome;
  EXPECT_NE(outcome.find(kSheetPart), std::string::npos) << outcome;
}

TEST(XlsxLimits, RowsBeyondTheGridAreKeptAndSavedBack) {
  TempFolder folder;
  const std::string path = folder.File("200000 rows.xlsx");
  WritePackage(path, Rows(1, 200000, "<c r=\"A#\"><v>#</v></c>"));
  EXPECT_EQ(LoadInChild(path, kHeadroom), "loaded");

  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  Workbook& book = host.OpenWorkbook(path);
  EXPECT_EQ(book.WorksheetAt(1).CellValue(kMaxRows, 1), Variant(double(kMaxRows)));
  EXPECT_TRUE(book.Warnings().empty());
  EXPECT_TRUE(book.Losses().empty());
  // Saved unchanged (the part as loaded), then with the sheet changed
  // (written from the model, with the dimension the rows span).
  for (const bool changed : {false, true}) {
    SCOPED_TRACE(changed ? "sheet changed" : "unchanged");
    if (changed) book.WorksheetAt(1).SetCellValue(1, 2, Variant(1.0));
    const std::string saved = folder.File("saved.xlsx");
    MakeXlsxStore()->Save(book, saved);
    const std::string xml = testing_xlsx::ReadPart(saved, kSheetPart);
    EXPECT_NE(xml.find("<row r=\"65537\"><c r=\"A65537\"><v>65537</v></c></row>"), std::string::npos);
    EXPECT_NE(xml.find("<row r=\"200000\"><c r=\"A200000\"><v>200000</v></c></row>"), std::string::npos);
    if (changed) {
      EXPECT_NE(xml.find("<dimension ref=\"A1:B200000\"/>"), std::string::npos);
    }
  }
}

TEST(XlsxLimits, ColumnsBeyondTheGridAreKeptAndSavedBack) {
  TempFolder folder;
  const std::string path = folder.File("wide.xlsx");
  WritePackage(path, "<row r=\"1\"><c r=\"IV1\"><v>1</v></c><c r=\"IW1\"><v>2</v></c><c r=\"XFD1\"><v>3</v></c></row>");
  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  Workbook& book = host.OpenWorkbook(path);
  EXPECT_EQ(book.WorksheetAt(1).CellValue(1, kMaxCols), Variant(1.0));
  EXPECT_TRUE(book.Warnings().empty());
  EXPECT_TRUE(book.Losses().empty());
  const std::string saved = folder.File("saved.xlsx");
  MakeXlsxStore()->Save(book, saved);
  const std::string xml = testing_xlsx::ReadPart(saved, kSheetPart);
  EXPECT_NE(xml.find("<row r=\"1\"><c r=\"IV1\"><v>1</v></c><c r=\"IW1\"><v>2</v></c><c r=\"XFD1\"><v>3</v></c></row>"),
            std::string::npos)
      << xml;
}

TEST(XlsxLimits, CellsBeyondTheGridCountWithTheCarriedParts) {
  TempFolder folder;
  const std::string path = folder.File("wide rows.xlsx");
  std::string cells;
  for (const char* col : {"IW", "IX", "IY", "IZ", "JA", "JB", "JC", "JD", "JE", "JF"}) {
    cells += std::string("<c r=\"") + col + "#\"><v>1</v></c>";
  }
  WritePackage(path, Rows(1, 1000, cells));
  EXPECT_EQ(LoadInChild(path, kHeadroom), "loaded");
  XlsxLimits small;
  small.max_part_bytes = 400 * 1024;  // the part is about 300 KB, its cells held take more
  const std::string outcome = LoadInChild(path, kHeadroom, small);
  EXPECT_NE(outcome.find("XlsxMaxPartMB"), std::string::npos) << outcome;
}

TEST(XlsxLimits, TextLongerThanACellHoldsRefusesTheLoadNamingTheCell) {
  TempFolder folder;
  const std::string long_text(40000, 'y');
  struct Case {
    const char* label;
    std::string data, shared;
  } const cases[] = {
      {"inline", "<row r=\"2\"><c r=\"B2\" t=\"inlineStr\"><is><t>" + long_text + "</t></is></c></row>", ""},
      {"shared", "<row r=\"2\"><c r=\"B2\" t=\"s\"><v>0</v></c></row>", "<si><t>" + long_text + "</t></si>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string path = folder.File(std::string(c.label) + ".xlsx");
    WritePackage(path, c.data, c.shared);
    MemoryHost host(MakeXlsxStore(), RegionalSettings{});
    try {
      host.OpenWorkbook(path);
      ADD_FAILURE() << "loaded";
    } catch (const Error& e) {
      EXPECT_NE(e.Description().find("'Sheet1'!B2"), std::string::npos) << e.Description();
      EXPECT_NE(e.Description().find("40,000 characters"), std::string::npos) << e.Description();
    }
  }
}

TEST(XlsxLimits, ValuesTheFileCannotHoldAreFoundWhenWrittenOrChecked) {
  MemoryHost host(nullptr, RegionalSettings{});
  Workbook& book = host.AddEmptyWorkbook();
  Worksheet& sheet = book.AddWorksheet();
  sheet.SetName("Data");
  EXPECT_TRUE(FormatLimitProblems(book).empty());
  try {
    sheet.SetCellValue(3, 2, std::string(40000, 'z'));
    ADD_FAILURE() << "accepted";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kErrRange);
    EXPECT_NE(e.Description().find("'Data'!B3"), std::string::npos) << e.Description();
  }
  EXPECT_TRUE(sheet.CellValue(3, 2).IsEmpty());
  sheet.SetCellValue(1, 1, std::string(kMaxCellTextLength, 'z'));  // exactly at the limit
  EXPECT_THROW(sheet.SetCellFormula(2, 1, "=" + std::string(9000, '1'), Variant()), Error);
  sheet.SetCellValue(4, 3, std::nan(""));
  sheet.SetCellValue(5, 3, HUGE_VAL);
  const std::vector<std::string> problems = FormatLimitProblems(book);
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0].rfind("'Data'!C4: ", 0), 0u) << problems[0];
  EXPECT_EQ(problems[1].rfind("'Data'!C5: ", 0), 0u) << problems[1];
  EXPECT_EQ(FormatLimitProblems(book, 1).back(), "and 1 more");
}

TEST(XlsxLimits, WorkbookCellLimitIsSizedFromMemory) {
  const int64_t full_sheet = int64_t{kMaxRows} * kMaxCols;
  struct Case {
    int64_t memory, cells;
  } const cases[] = {
      {0, full_sheet},                                   // unknown memory: still one full sheet
      {int64_t{256} << 20, full_sheet},                  // 256 MB holds less than a full sheet
      {int64_t{12} << 30, (int64_t{12} << 30) / 24},     // 12 GB: 536 M cells
      {int64_t{1} << 40, (int64_t{1} << 40) / 24},
  };
  for (const Case& c : cases) EXPECT_EQ(MaxCellsForMemory(c.memory), c.cells) << c.memory;

  const long pages = sysconf(_SC_PHYS_PAGES), page_size = sysconf(_SC_PAGE_SIZE);
  EXPECT_EQ(XlsxLimits{}.max_cells_per_workbook, MaxCellsForMemory(int64_t{pages} * page_size / 2));
  // A 1,000-ticker project of 2,500 daily bars holds about 15 M cells.
  EXPECT_GE(XlsxLimits{}.max_cells_per_workbook, 15'000'000);
}

TEST(XlsxLimits, WorkbookOfMoreThanTenMillionCellsLoads) {
  TempFolder folder;
  const std::string path = folder.File("many cells.xlsx");
  // Six sheets of 6,600 rows of 256 empty cells: 10,137,600 cells in all,
  // cheap to hold since an empty cell keeps nothing.
  std::string row_cells;
  for (int c = 0; c < kMaxCols; ++c) row_cells += "<c/>";
  std::string data;
  for (int r = 0; r < 6600; ++r) data += "<row>" + row_cells + "</row>";
  WriteSheets(path, std::vector<std::string>(6, data));
  data = std::string();
  EXPECT_EQ(LoadInChild(path, kHeadroom), "loaded");
}

TEST(XlsxLimits, SettingsGiveTheLimits) {
  std::map<std::string, std::string> ini = {{"XlsxMaxCellsPerSheet", "1000"}, {"XlsxMaxTextMB", "2"}};
  auto setting = [&](const char* key) { return ini.count(key) ? ini[key] : std::string(); };
  const XlsxLimits limits = XlsxLimitsFrom(setting);
  EXPECT_EQ(limits.max_cells_per_sheet, 1000);
  EXPECT_EQ(limits.max_text_bytes, 2 << 20);
  EXPECT_EQ(limits.max_cells_per_workbook, XlsxLimits{}.max_cells_per_workbook);
  EXPECT_EQ(limits.max_part_bytes, XlsxLimits{}.max_part_bytes);
  for (const char* bad : {"0", "-5", "lots", "12 MB", "99999999999999999999"}) {
    ini["XlsxMaxPartMB"] = bad;
    try {
      XlsxLimitsFrom(setting);
      ADD_FAILURE() << bad;
    } catch (const Error& e) {
      EXPECT_NE(e.Description().find("XlsxMaxPartMB"), std::string::npos) << e.Description();
    }
  }
}

}  // namespace
}  // namespace plrxl
