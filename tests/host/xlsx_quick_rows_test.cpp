// The quick row reader against the general XML reader: every sheet of
// workbooks written by other programs (openpyxl, LibreOffice headless,
// libxlsxwriter in both its modes) and a table of hand-written rows, bad
// ones included, read both ways into fresh workbooks must give the same
// cells, styles, heights and part facts, or the same error; so must the
// same rows read ahead of their turn (ScanRowsAhead, as the loader's
// worker does) and then taken by ReadSheet. Each case also says whether
// the quick reader is to take it, so a reader that quietly gave up on
// everything would fail here too.
#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/memory/memory_host.h"
#include "host/regional.h"
#include "host/xlsx/internal/load_budget.h"
#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/shared_strings_reader.h"
#include "host/xlsx/internal/sheet_reader.h"
#include "host/xlsx/internal/styles_reader.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/host/package_files.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::Describe;
using testing_xlsx::ReadPart;
using testing_xlsx::TempFolder;

// What a package gives every sheet it holds.
struct PackageTexts {
  std::string styles, shared_strings;
};

// One sheet part read one way.
struct Reading {
  std::unique_ptr<MemoryHost> host;
  Worksheet* sheet = nullptr;
  xlsx::SheetExtras extras;
  std::string error;  // the XlsxProblem's text; empty when it loaded
};

// How a sheet part is read: by the general reader alone, with the quick
// reader in turn, or with the rows read ahead first (at most `ahead_bytes`).
enum class Way { kGeneral, kQuick, kAhead };

Reading Read(const PackageTexts& package, const std::string& sheet_text, Way way,
             size_t ahead_bytes = size_t{2} << 20, size_t ahead_cells = SIZE_MAX) {
  const bool quick = way != Way::kGeneral;
  Reading reading;
  reading.host = std::make_unique<MemoryHost>();
  Workbook& book = reading.host->AddWorkbook();
  reading.sheet = &book.AddWorksheet();
  xlsx::LoadBudget budget{XlsxLimits{}};
  const xlsx::StyleTable styles = xlsx::ReadStyles(package.styles, "xl/styles.xml", xlsx::ReadThemeColors("", ""));
  const xlsx::SharedTexts strings = package.shared_strings.empty()
                                        ? xlsx::SharedTexts{}
                                        : xlsx::ReadSharedStrings(package.shared_strings, "xl/sharedStrings.xml", budget);
  xlsx::SheetContext ctx{&strings, &styles, std::vector<int>(styles.styles.size(), -1), &book.Warnings(),
                         &book.Losses(), &budget, 0};
  ctx.quick_rows = quick;
  try {
    xlsx::ScannedPieces ahead;
    if (way == Way::kAhead) ahead = xlsx::ScanRowsAhead(sheet_text, ahead_bytes, ahead_cells, [] { return false; });
    reading.extras = xlsx::ReadSheet(sheet_text, "xl/worksheets/sheet1.xml", *reading.sheet, ctx, &ahead);
  } catch (const xlsx::XlsxProblem& p) {
    reading.error = p.what();
  }
  return reading;
}

void ExpectSameReading(const Reading& general, const Reading& quick) {
  ASSERT_EQ(general.error, quick.error);
  if (!general.error.empty()) return;
  Worksheet& a = *general.sheet;
  Worksheet& b = *quick.sheet;
  ASSERT_EQ(a.UsedRange(), b.UsedRange());
  EXPECT_EQ(a.CustomHeightRows(), b.CustomHeightRows());
  for (int row : a.CustomHeightRows()) EXPECT_EQ(a.RowHeight(row), b.RowHeight(row)) << "row " << row;
  if (const std::optional<Rect> used = a.UsedRange()) {
    for (int r = used->row1; r <= used->row2; ++r) {
      for (int c = used->col1; c <= used->col2; ++c) {
        const std::string cell = ColumnLetters(c) + std::to_string(r);
        const Variant va = a.CellValue(r, c), vb = b.CellValue(r, c);
        EXPECT_TRUE(va == vb && va.Type() == vb.Type()) << cell << ": " << Describe(va) << " / " << Describe(vb);
        EXPECT_EQ(a.CellFormula(r, c), b.CellFormula(r, c)) << cell;
        EXPECT_TRUE(a.CellStyleAt(r, c) == b.CellStyleAt(r, c)) << cell;
      }
    }
  }
  const xlsx::SheetReferences& ra = general.extras.references;
  const xlsx::SheetReferences& rb = quick.extras.references;
  EXPECT_EQ(ra.xfs, rb.xfs);
  EXPECT_EQ(ra.shared_strings, rb.shared_strings);
  EXPECT_EQ(ra.rewritten, rb.rewritten);
  EXPECT_EQ(std::vector<int>({ra.formula_row, ra.formula_col, ra.first_row, ra.last_row, ra.first_col, ra.last_col}),
            std::vector<int>({rb.formula_row, rb.formula_col, rb.first_row, rb.last_row, rb.first_col, rb.last_col}));
  EXPECT_EQ(general.extras.tail_begin, quick.extras.tail_begin);
  EXPECT_EQ(general.extras.layout.rows.size(), quick.extras.layout.rows.size());
  EXPECT_EQ(general.extras.layout.merges.size(), quick.extras.layout.merges.size());
  EXPECT_EQ(general.extras.quick_pieces, 0);
}

std::vector<std::string> SheetParts(const std::string& path) {
  std::vector<std::string> parts;
  for (const std::string& name : testing_xlsx::PartNames(path)) {
    if (name.rfind("xl/worksheets/sheet", 0) == 0 && name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0) {
      parts.push_back(name);
    }
  }
  return parts;
}

// Every sheet of the file both ways; returns how many the quick reader took.
int CompareFile(const std::string& path) {
  SCOPED_TRACE(path);
  const PackageTexts package{ReadPart(path, "xl/styles.xml"), ReadPart(path, "xl/sharedStrings.xml")};
  int taken = 0;
  for (const std::string& part : SheetParts(path)) {
    SCOPED_TRACE(part);
    const std::string text = ReadPart(path, part);
    const Reading general = Read(package, text, Way::kGeneral);
    const Reading quick = Read(package, text, Way::kQuick);
    ExpectSameReading(general, quick);
    const Reading ahead = Read(package, text, Way::kAhead);
    ExpectSameReading(general, ahead);
    EXPECT_EQ(ahead.extras.quick_pieces, quick.extras.quick_pieces);
    taken += quick.extras.quick_pieces > 0 ? 1 : 0;
  }
  return taken;
}

// A small price table through libxlsxwriter: shared strings, or inline
// strings in its constant-memory mode.
std::string WriteWithLibxlsxwriter(const TempFolder& folder, bool constant_memory) {
  const std::string path = folder.File(constant_memory ? "lxw_constant.xlsx" : "lxw_plain.xlsx");
  lxw_workbook_options options = {};
  options.constant_memory = constant_memory ? LXW_TRUE : LXW_FALSE;
  lxw_workbook* wb = workbook_new_opt(path.c_str(), &options);
  lxw_worksheet* ws = workbook_add_worksheet(wb, "Data");
  lxw_format* date = workbook_add_format(wb);
  format_set_num_format(date, "yyyy-mm-dd");
  lxw_format* bold = workbook_add_format(wb);
  format_set_bold(bold);
  worksheet_write_string(ws, 0, 0, "Date", bold);
  worksheet_write_string(ws, 0, 1, "Close", nullptr);
  worksheet_write_string(ws, 0, 2, "Text & <more>", nullptr);
  for (lxw_row_t r = 1; r <= 40; ++r) {
    if (r == 3) worksheet_set_row(ws, r, 27.5, nullptr);
    lxw_datetime day = {2024, 2, static_cast<int>(r % 28) + 1, 0, 0, 0};
    worksheet_write_datetime(ws, r, 0, &day, date);
    worksheet_write_number(ws, r, 1, 100.0 + r / 8.0, nullptr);
    if (r % 4 == 0) worksheet_write_boolean(ws, r, 2, r % 8 == 0, nullptr);
    if (r % 5 == 0) worksheet_write_string(ws, r, 3, "five", nullptr);
    if (r % 6 == 0) worksheet_write_blank(ws, r, 4, bold);
  }
  lxw_worksheet* formulas = workbook_add_worksheet(wb, "Formulas");
  worksheet_write_number(formulas, 0, 0, 2, nullptr);
  worksheet_write_formula_num(formulas, 0, 1, "=A1*3", nullptr, 6);
  worksheet_write_formula_str(formulas, 1, 1, "=\"a\"&\"b\"", nullptr, "ab");
  EXPECT_EQ(workbook_close(wb), LXW_NO_ERROR);
  return path;
}

struct FileCase {
  const char* path;  // under tests/data; empty for a libxlsxwriter file
  int constant_memory;  // for a libxlsxwriter file: 1 in its constant-memory mode
  int quick_sheets;     // sheets the quick reader is to take whole
};

TEST(XlsxQuickRows, FilesOfOtherProgramsReadTheSameBothWays) {
  TempFolder folder;
  const std::string data = std::string(PLRXL_SOURCE_DIR) + "/tests/data/";
  const FileCase cases[] = {
      // The sheets with a hidden row or grouped rows, cells beyond the
      // grid or an array formula go to the general reader.
      {"rows_openpyxl.xlsx", 0, 2},
      {"rows_libreoffice.xlsx", 0, 2},
      {"openpyxl_values.xlsx", 0, 3},
      {"sheet_features_openpyxl.xlsx", 0, 3},
      {"sheet_features_libreoffice.xlsx", 0, 3},
      {"settings_libreoffice.xlsx", 0, 2},
      {"settings_openpyxl.xlsx", 0, 3},
      {"carried_features.xlsx", 0, 2},
      {"", 0, 2},
      {"", 1, 2},
  };
  for (const FileCase& c : cases) {
    const std::string path = *c.path != '\0' ? data + c.path : WriteWithLibxlsxwriter(folder, c.constant_memory != 0);
    EXPECT_EQ(CompareFile(path), c.quick_sheets) << path;
  }
}

// A sheet part around hand-written rows.
std::string SheetOf(const std::string& rows) {
  return "<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
         "<sheetData>" + rows + "</sheetData></worksheet>";
}

struct RowsCase {
  const char* name;
  const char* rows;
  bool quick;  // the quick reader is to take it
};

TEST(XlsxQuickRows, HandWrittenRowsReadTheSameBothWays) {
  const PackageTexts package{
      "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
      "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"dd.mm.yyyy\"/></numFmts>"
      "<fonts count=\"2\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font><font><b/><sz val=\"11\"/>"
      "<name val=\"Calibri\"/></font></fonts><fills count=\"1\"><fill><patternFill patternType=\"none\"/></fill>"
      "</fills><borders count=\"1\"><border/></borders><cellXfs count=\"3\"><xf numFmtId=\"0\" fontId=\"0\"/>"
      "<xf numFmtId=\"164\" fontId=\"0\" applyNumberFormat=\"1\"/><xf numFmtId=\"0\" fontId=\"1\"/></cellXfs>"
      "</styleSheet>",
      "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>shared</t></si>"
      "<si><r><t>ri</t></r><r><rPr><b/></rPr><t>ch</t></r></si></sst>"};
  const RowsCase cases[] = {
      {"numbers, a date, styles", "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>45000</v></c><c r=\"B1\"><v>1.5</v></c>"
                                  "<c r=\"C1\" s=\"2\" t=\"n\"><v>-2E-3</v></c></row>", true},
      {"shared, rich shared, empty shared", "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c><c r=\"B2\" t=\"s\">"
                                            "<v>1</v></c><c r=\"C2\" t=\"s\"><v/></c></row>", true},
      {"Booleans, errors, a text result", "<row r=\"1\"><c r=\"A1\" t=\"b\"><v>1</v></c><c r=\"B1\" t=\"b\"><v>0</v>"
                                          "</c><c r=\"C1\" t=\"e\"><v>#DIV/0!</v></c><c r=\"D1\" t=\"str\">"
                                          "<v>TRUE</v></c></row>", true},
      {"inline texts", "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>plain</t></is></c><c r=\"B1\" "
                       "t=\"inlineStr\"><is><t xml:space=\"preserve\"> spaced </t></is></c><c r=\"C1\" "
                       "t=\"inlineStr\"><is><t/></is></c></row>", true},
      {"no r on rows and cells", "<row><c><v>1</v></c><c><v>2</v></c></row><row><c r=\"C2\"><v>3</v></c><c><v>4</v>"
                                 "</c></row>", true},
      {"spans, heights, default states", "<row r=\"3\" spans=\"1:2\" ht=\"22.5\" customHeight=\"1\" hidden=\"0\" "
                                         "outlineLevel=\"0\" x14ac:dyDescent=\"0.25\"><c r=\"A3\"><v>1</v></c></row>"
                                         "<row r=\"4\" ht=\"40\" customHeight=\"false\" s=\"2\" customFormat=\"1\"/>",
       true},
      {"white space between", "\n  <row r=\"1\">\n    <c r=\"A1\">\n      <v>5</v>\n    </c>\n  </row>\n", true},
      {"an ISO date", "<row r=\"1\"><c r=\"A1\" t=\"d\"><v>2024-03-15T12:30:00</v></c></row>", true},
      {"a cell naming another row", "<row r=\"2\"><c r=\"B5\"><v>1</v></c></row>", true},
      {"formulas", "<row r=\"1\"><c r=\"A1\"><f>1+1</f><v>2</v></c><c r=\"B1\"><f t=\"shared\" ref=\"B1:B2\" si=\"0\">"
                   "A1*2</f><v>4</v></c></row><row r=\"2\"><c r=\"B2\"><f t=\"shared\" si=\"0\"/><v>0</v></c></row>",
       true},
      {"formula results", "<row r=\"1\"><c r=\"A1\" t=\"str\"><f aca=\"false\">IF(1&gt;0,&quot;y&quot;,&quot;n&quot;)</f>"
                          "<v>y</v></c><c r=\"B1\" t=\"b\"><f aca=\"false\">TRUE()</f><v>1</v></c><c r=\"C1\" t=\"e\">"
                          "<f>1/0</f><v>#DIV/0!</v></c><c r=\"D1\"><f>#REF!</f></c><c r=\"E1\"><f>\"\"</f></c></row>", true},
      {"an array formula", "<row r=\"1\"><c r=\"A1\"><f t=\"array\" ref=\"A1:A2\">B1:B2*2</f><v>0</v></c></row>", true},
      {"rich inline text", "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><r><t>a</t></r></is></c></row>", false},
      {"named and numbered entities", "<row r=\"1\"><c r=\"A1\" t=\"str\"><v>a &amp; b &lt;&gt;&quot;&apos;</v></c>"
                                      "<c r=\"B1\" t=\"inlineStr\"><is><t>&#220;n&#xEF; &#8364; &#128512;</t></is></c></row>",
       true},
      {"an entity the reader keeps as it is", "<row r=\"1\"><c r=\"A1\" t=\"str\"><v>a &b; &#;</v></c></row>", false},
      {"an entity in an attribute", "<row r=\"1\"><c r=\"A1\" t=\"s&amp;\"><v>1</v></c></row>", false},
      {"a hidden row", "<row r=\"1\" hidden=\"1\"><c r=\"A1\"><v>1</v></c></row>", false},
      {"a cell beyond the grid", "<row r=\"1\"><c r=\"IW1\"><v>1</v></c></row>", false},
      {"a row beyond the grid", "<row r=\"70000\"><c r=\"A70000\"><v>1</v></c></row>", false},
      {"a comment", "<row r=\"1\"><!-- note --><c r=\"A1\"><v>1</v></c></row>", false},
      {"bad number", "<row r=\"1\"><c r=\"A1\"><v>abc</v></c></row>", true},
      {"shared string out of range", "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>7</v></c></row>", true},
      {"unknown type", "<row r=\"1\"><c r=\"A1\" t=\"zz\"><v>1</v></c></row>", true},
      {"bad date", "<row r=\"1\"><c r=\"A1\" t=\"d\"><v>soon</v></c></row>", true},
      {"bad cell reference", "<row r=\"1\"><c r=\"1A\"><v>1</v></c></row>", false},
      {"row zero", "<row r=\"0\"><c><v>1</v></c></row>", false},
      {"negative height", "<row r=\"1\" ht=\"-3\" customHeight=\"1\"/>", false},
      {"unclosed cell", "<row r=\"1\"><c r=\"A1\"><v>1</v></row>", false},
      {"mismatched end", "<row r=\"1\"><c r=\"A1\"><v>1</v></c></rows>", false},
      {"attribute without quotes", "<row r=1><c r=\"A1\"><v>1</v></c></row>", false},
      {"cut short", "<row r=\"1\"><c r=\"A1\"><v>1", false},
  };
  for (const RowsCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = SheetOf(c.rows);
    const Reading general = Read(package, text, Way::kGeneral);
    const Reading quick = Read(package, text, Way::kQuick);
    ExpectSameReading(general, quick);
    EXPECT_EQ(quick.extras.quick_pieces > 0 || (c.quick && !quick.error.empty()), c.quick);
    // Read ahead, a row the model refuses is still refused in its turn,
    // with the same error.
    ExpectSameReading(general, Read(package, text, Way::kAhead));
  }
}

// Quote rows enough for several pieces of a megabyte; `odd_row`, when not
// 0, is hidden, which the quick reader leaves to the general one.
std::string ManyRows(int rows, int odd_row) {
  std::string text;
  for (int r = 1; r <= rows; ++r) {
    const std::string n = std::to_string(r);
    text += "<row r=\"" + n + "\"" + (r == odd_row ? " hidden=\"1\"" : "") + "><c r=\"A" + n + "\" s=\"1\"><v>" +
            std::to_string(40000 + r) + "</v></c>";
    for (char col = 'B'; col <= 'F'; ++col) {
      text += std::string("<c r=\"") + col + n + "\"><v>" + std::to_string(100 + r % 97) + ".25</v></c>";
    }
    text += "</row>";
  }
  return text;
}

struct AheadCase {
  const char* name;
  int rows, odd_row;
  size_t ahead_bytes, ahead_cells;
  size_t ahead_pieces;  // pieces read ahead
  int quick_pieces;     // pieces the quick reader takes, ahead or in turn
};

TEST(XlsxQuickRows, RowsReadAheadAreTakenInTheirTurn) {
  const PackageTexts package{
      "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
      "<cellXfs count=\"2\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\" applyNumberFormat=\"1\"/></cellXfs>"
      "</styleSheet>",
      ""};
  // Some 210 bytes a row: 25,000 rows are forty pieces of 128 KB, row
  // 1,600 lies in the third.
  const AheadCase cases[] = {
      {"all pieces ahead", 25000, 0, size_t{8} << 20, SIZE_MAX, 40, 40},
      {"the first two ahead, the rest in turn", 25000, 0, size_t{256} << 10, SIZE_MAX, 2, 40},
      {"nothing ahead", 25000, 0, 0, SIZE_MAX, 0, 40},
      {"a hidden row in the third piece", 25000, 1600, size_t{8} << 20, SIZE_MAX, 2, 39},
      {"a hidden row in the first piece", 25000, 10, size_t{8} << 20, SIZE_MAX, 0, 39},
      // A piece is some 3,700 cells: the second goes over the cap and is
      // left to its turn.
      {"the cells of a piece and some", 25000, 0, size_t{8} << 20, 5000, 1, 40},
      {"fewer cells than a piece holds", 25000, 0, size_t{8} << 20, 1000, 0, 40},
      {"one small piece", 3, 0, size_t{2} << 20, SIZE_MAX, 1, 1},
  };
  // The general reading of each text, made once.
  std::map<std::pair<int, int>, Reading> generals;
  for (const AheadCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = SheetOf(ManyRows(c.rows, c.odd_row));
    EXPECT_EQ(xlsx::ScanRowsAhead(text, c.ahead_bytes, c.ahead_cells, [] { return false; }).size(), c.ahead_pieces);
    auto known = generals.find({c.rows, c.odd_row});
    if (known == generals.end()) {
      known = generals.emplace(std::make_pair(c.rows, c.odd_row), Read(package, text, Way::kGeneral)).first;
    }
    const Reading& general = known->second;
    const Reading ahead = Read(package, text, Way::kAhead, c.ahead_bytes, c.ahead_cells);
    ExpectSameReading(general, ahead);
    EXPECT_EQ(ahead.extras.quick_pieces, c.quick_pieces);
    EXPECT_EQ(ahead.sheet->CellValue(c.rows, 1), Variant::Date(40000 + c.rows));
  }
}

TEST(XlsxQuickRows, ReadingAheadStopsWhenAsked) {
  const std::string text = SheetOf(ManyRows(25000, 0));
  int asked = 0;
  const xlsx::ScannedPieces pieces = xlsx::ScanRowsAhead(text, size_t{8} << 20, SIZE_MAX, [&] { return ++asked > 2; });
  EXPECT_EQ(pieces.size(), 2u);
  EXPECT_TRUE(xlsx::ScanRowsAhead(text, size_t{8} << 20, SIZE_MAX, [] { return true; }).empty());
  EXPECT_TRUE(xlsx::ScanRowsAhead("<worksheet/>", size_t{8} << 20, SIZE_MAX, [] { return false; }).empty());
}

// Through the store: sheets of several pieces each, one with a hidden row
// the quick reader leaves to the general one, loaded with their rows read
// ahead on the loader's worker (or by the loader itself when it waits for
// them) come back as libxlsxwriter wrote them.
TEST(XlsxQuickRows, LargeSheetsLoadTheSameWithRowsReadAhead) {
  TempFolder folder;
  const std::string path = folder.File("large.xlsx");
  constexpr int kRows = 30000;
  lxw_workbook* wb = workbook_new(path.c_str());
  for (int s = 0; s < 4; ++s) {
    lxw_worksheet* ws = workbook_add_worksheet(wb, ("Data" + std::to_string(s)).c_str());
    for (lxw_row_t r = 0; r < kRows; ++r) {
      worksheet_write_number(ws, r, 0, s * 100000.0 + r, nullptr);
      worksheet_write_number(ws, r, 1, r / 8.0, nullptr);
      worksheet_write_string(ws, r, 2, r % 2 == 0 ? "even" : "odd", nullptr);
    }
    if (s == 2) {
      lxw_row_col_options hidden = {LXW_TRUE, 0, 0};
      worksheet_set_row_opt(ws, kRows / 2, LXW_DEF_ROW_HEIGHT, nullptr, &hidden);
    }
  }
  ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);
  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  Workbook& book = host.OpenWorkbook(path);
  ASSERT_EQ(book.WorksheetCount(), 4);
  for (int s = 0; s < 4; ++s) {
    SCOPED_TRACE(s);
    Worksheet& sheet = book.WorksheetAt(s + 1);
    ASSERT_EQ(sheet.UsedRange(), (Rect{1, 1, kRows, 3}));
    for (int r = 1; r <= kRows; r += 997) {
      EXPECT_EQ(sheet.CellValue(r, 1), Variant(s * 100000.0 + r - 1));
      EXPECT_EQ(sheet.CellValue(r, 2), Variant((r - 1) / 8.0));
      EXPECT_EQ(sheet.CellValue(r, 3), Variant(std::string(r % 2 == 1 ? "even" : "odd")));
    }
    EXPECT_EQ(sheet.CellValue(kRows, 1), Variant(s * 100000.0 + kRows - 1));
  }
}

}  // namespace
}  // namespace plrxl
