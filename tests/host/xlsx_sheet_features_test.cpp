// A sheet's own features go through a save as they came: hidden and
// grouped rows and columns, array formulas, shared formulas over whole
// columns and rows, the view (gridlines, page break preview, split panes),
// tab colours and very hidden sheets, empty shared-string cells, texts with
// spaces at their ends, time-only cells, tall rows, and cells and merged
// ranges beyond the grid. Each workbook is written here part by part, saved
// untouched (a copy) and after a cell of the sheet was written (a command
// that changed the sheet), and read back from the saved XML.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "host/memory/memory_host.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/host/package_files.h"
#include "tests/host/sheet_features.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::ReadPart;
using testing_xlsx::SheetFeatures;
using testing_xlsx::TempFolder;

constexpr const char* kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// A package of two sheets, "Data" (the sheet under test, holding `body`
// inside its <worksheet>) and "Other", in the given states, with one shared
// string "first".
void WriteWorkbook(const std::string& path, const std::string& body, const std::string& data_state = "",
                   const std::string& other_state = "") {
  auto state = [](const std::string& s) { return s.empty() ? std::string() : " state=\"" + s + "\""; };
  std::map<std::string, std::string> parts;
  parts["[Content_Types].xml"] =
      "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>";
  parts["_rels/.rels"] =
      "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rId1\" Type=\"" + std::string(kRel) + "/officeDocument\" Target=\"xl/workbook.xml\"/>"
      "</Relationships>";
  parts["xl/workbook.xml"] = "<?xml version=\"1.0\"?><workbook xmlns=\"" + std::string(kMain) + "\" xmlns:r=\"" +
                             kRel + "\"><sheets><sheet name=\"Data\" sheetId=\"1\"" + state(data_state) +
                             " r:id=\"rId1\"/><sheet name=\"Other\" sheetId=\"2\"" + state(other_state) +
                             " r:id=\"rId2\"/></sheets></workbook>";
  parts["xl/_rels/workbook.xml.rels"] =
      "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rId1\" Type=\"" + std::string(kRel) + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
      "<Relationship Id=\"rId2\" Type=\"" + std::string(kRel) + "/worksheet\" Target=\"worksheets/sheet2.xml\"/>"
      "<Relationship Id=\"rId3\" Type=\"" + std::string(kRel) + "/sharedStrings\" Target=\"sharedStrings.xml\"/>"
      "</Relationships>";
  parts["xl/sharedStrings.xml"] = "<?xml version=\"1.0\"?><sst xmlns=\"" + std::string(kMain) +
                                  "\"><si><t>first</t></si></sst>";
  parts["xl/worksheets/sheet1.xml"] = "<?xml version=\"1.0\"?><worksheet xmlns=\"" + std::string(kMain) +
                                      "\" xmlns:r=\"" + kRel + "\">" + body + "</worksheet>";
  parts["xl/worksheets/sheet2.xml"] = "<?xml version=\"1.0\"?><worksheet xmlns=\"" + std::string(kMain) +
                                      "\"><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row></sheetData>"
                                      "</worksheet>";
  testing_xlsx::WriteParts(path, parts);
}

enum class Save { kCopy, kSheetChanged };

// Loads the workbook, writes a text into A200 of "Data" for kSheetChanged,
// saves it under `to`; returns the losses the load reported.
std::vector<std::string> LoadAndSave(const std::string& from, const std::string& to, Save how) {
  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  Workbook& workbook = host.OpenWorkbook(from);
  if (how == Save::kSheetChanged) workbook.Worksheets("Data").SetCellValue(200, 1, Variant("written"));
  MakeXlsxStore()->Save(workbook, to);
  return workbook.Losses();
}

struct Case {
  const char* label;
  std::string body;                   // the Data sheet's content
  std::vector<std::string> expected = {};  // feature lines the saved Data sheet holds
  std::vector<std::string> absent = {};    // feature lines it must not hold
  bool same_as_loaded = true;         // every feature line of the loaded sheet comes back
  std::string data_state = "", other_state = "";
  std::vector<std::string> other_expected = {};  // feature lines of the saved Other sheet
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"hidden and grouped rows and columns",
       "<sheetFormatPr defaultRowHeight=\"15\" outlineLevelRow=\"2\" outlineLevelCol=\"1\"/>"
       "<cols><col min=\"2\" max=\"3\" width=\"0\" hidden=\"1\" outlineLevel=\"1\" customWidth=\"1\"/>"
       "<col min=\"4\" max=\"4\" width=\"12\" customWidth=\"1\" collapsed=\"1\"/>"
       "<col min=\"300\" max=\"16384\" width=\"9\" hidden=\"1\"/></cols><sheetData>"
       "<row r=\"2\" hidden=\"1\" outlineLevel=\"1\"><c r=\"A2\"><v>2</v></c></row>"
       "<row r=\"3\" hidden=\"1\" outlineLevel=\"2\"/>"
       "<row r=\"4\" collapsed=\"1\"><c r=\"A4\"><v>4</v></c></row></sheetData>",
       {"column 2: hidden=1 outlineLevel=1", "column 3: hidden=1 outlineLevel=1", "column 4: collapsed=1",
        "column 16384: hidden=1", "row 2: hidden=1 outlineLevel=1", "row 3: hidden=1 outlineLevel=2",
        "row 4: collapsed=1", "row format: outlineLevelCol=1 outlineLevelRow=2"}},
      {"array formulas keep their range and every stored result",
       "<sheetData><row r=\"1\"><c r=\"A1\"><f t=\"array\" ref=\"A1:A3\">ROW(B1:B3)*2</f><v>2</v></c>"
       "<c r=\"B1\"><f>1+1</f><v>2</v></c></row>"
       "<row r=\"2\"><c r=\"A2\"><v>4</v></c></row><row r=\"3\"><c r=\"A3\"><v>6</v></c></row></sheetData>",
       {"cell A1: formula=ROW(B1:B3)*2 array A1:A3 number 2", "cell A2: number 4", "cell A3: number 6"}},
      {"shared formulas move whole columns and rows",
       "<sheetData><row r=\"1\"><c r=\"C1\"><f t=\"shared\" ref=\"C1:C2\" si=\"0\">SUM(G:H)+SUM(7:8)+$A1</f>"
       "<v>0</v></c><c r=\"E1\"><f t=\"shared\" ref=\"E1:F1\" si=\"1\">SUM($G:H)+SUM(7:$8)+'G:H'!A1</f><v>0</v></c>"
       "<c r=\"F1\"><f t=\"shared\" si=\"1\"/><v>0</v></c></row>"
       "<row r=\"2\"><c r=\"C2\"><f t=\"shared\" si=\"0\"/><v>0</v></c></row></sheetData>",
       {"cell C2: formula=SUM(G:H)+SUM(8:9)+$A2 number 0",
        "cell F1: formula=SUM($G:I)+SUM(7:$8)+'G:H'!B1 number 0"},
       {},
       false},
      {"view, tab colour and very hidden sheet",
       "<sheetPr><tabColor rgb=\"FFFF0000\"/><pageSetUpPr fitToPage=\"1\"/></sheetPr>"
       "<sheetViews><sheetView showGridLines=\"0\" showZeros=\"0\" rightToLeft=\"1\" view=\"pageBreakPreview\" "
       "zoomScale=\"80\" zoomScaleNormal=\"100\" zoomScaleSheetLayoutView=\"70\" workbookViewId=\"0\">"
       "<pane xSplit=\"2000\" ySplit=\"1500\" topLeftCell=\"C5\" activePane=\"bottomRight\"/>"
       "<selection pane=\"topRight\"/><selection pane=\"bottomLeft\"/>"
       "<selection pane=\"bottomRight\" activeCell=\"D7\" sqref=\"D7\"/></sheetView></sheetViews>"
       "<sheetData/>",
       {"property tabColor: rgb=FFFF0000", "property pageSetUpPr: fitToPage=1",
        "view: rightToLeft=1 showGridLines=0 showZeros=0 view=pageBreakPreview zoomScale=80 "
        "zoomScaleSheetLayoutView=70",
        "view pane: activePane=bottomRight topLeftCell=C5 xSplit=2000 ySplit=1500",
        "view selection: pane=topRight"},
       {},
       true,
       "",
       "veryHidden",
       {"state: veryHidden"}},
      {"an empty shared-string cell stays empty",
       "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v/></c><c r=\"B1\" t=\"s\"><v>0</v></c></row></sheetData>",
       {"cell B1: text \"first\""},
       {"cell A1: text \"first\""},
       false},
      {"texts keep spaces at their ends",
       "<sheetData><row r=\"1\"><c r=\"A1\" t=\"str\"><f>\"World \"</f><v>World </v></c>"
       "<c r=\"B1\" t=\"inlineStr\"><is><t xml:space=\"preserve\"> lead</t></is></c></row></sheetData>",
       {"cell A1: formula=\"World \" text \"World \"", "cell B1: text \" lead\""},
       {},
       false},
      {"a hidden first sheet",
       "<sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row></sheetData>",
       {"state: hidden"},
       {},
       true,
       "hidden"},
      {"a time without a date, a tall row",
       "<sheetData><row r=\"1\" ht=\"627\" customHeight=\"1\"><c r=\"A1\" t=\"d\"><v>10:10:10</v></c></row>"
       "</sheetData>",
       {"cell A1: number 0.4237268518518518"},
       {},
       false},
      {"cells and merged ranges beyond the grid",
       "<sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"IW1\" t=\"s\"><v>0</v></c></row>"
       "<row r=\"70000\" hidden=\"1\"><c r=\"B70000\"><v>5</v></c><c r=\"C70000\"><f>B70000*2</f><v>10</v></c>"
       "<c r=\"XFD70000\" t=\"b\"><v>1</v></c></row></sheetData>"
       "<mergeCells count=\"2\"><mergeCell ref=\"IU2:IX3\"/><mergeCell ref=\"A65536:B65537\"/></mergeCells>",
       {"cell IW1: text \"first\"", "cell B70000: number 5", "cell C70000: formula=B70000*2 number 10",
        "cell XFD70000: b 1", "row 70000: hidden=1", "merge IU2:IX3", "merge A65536:B65537"}},
  };
  return cases;
}

bool Holds(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += "  " + line + "\n";
  return out;
}

TEST(XlsxSheetFeatures, ComeBackFromACopyAndFromAChangedSheet) {
  for (const Case& c : Cases()) {
    for (Save how : {Save::kCopy, Save::kSheetChanged}) {
      SCOPED_TRACE(std::string(c.label) + (how == Save::kCopy ? " (copy)" : " (sheet changed)"));
      TempFolder folder;
      const std::string loaded = folder.File("Loaded.xlsx");
      const std::string saved = folder.File("Saved.xlsx");
      WriteWorkbook(loaded, c.body, c.data_state, c.other_state);
      const std::vector<std::string> losses = LoadAndSave(loaded, saved, how);
      EXPECT_TRUE(losses.empty()) << Joined(losses);
      const std::vector<std::string> after = SheetFeatures(saved, 0);
      for (const std::string& line : c.expected) EXPECT_TRUE(Holds(after, line)) << line << "\nsaved:\n" << Joined(after);
      for (const std::string& line : c.absent) EXPECT_FALSE(Holds(after, line)) << line;
      if (how == Save::kSheetChanged) {
        EXPECT_TRUE(Holds(after, "cell A200: text \"written\"")) << Joined(after);
      }
      if (c.same_as_loaded) {
        for (const std::string& line : SheetFeatures(loaded, 0)) {
          EXPECT_TRUE(Holds(after, line)) << "lost: " << line << "\nsaved:\n" << Joined(after);
        }
      }
      const std::vector<std::string> other = SheetFeatures(saved, 1);
      for (const std::string& line : c.other_expected) EXPECT_TRUE(Holds(other, line)) << line << "\n" << Joined(other);
    }
  }
}

// What the model holds after a load, beyond the saved XML.
TEST(XlsxSheetFeatures, LoadIntoTheModel) {
  TempFolder folder;
  const std::string path = folder.File("Loaded.xlsx");
  WriteWorkbook(path,
                "<sheetData><row r=\"1\" ht=\"627\" customHeight=\"1\"><c r=\"A1\"><f t=\"array\" ref=\"A1:B2\">"
                "B5:C6*2</f><v>7</v></c><c r=\"B1\"><v>8</v></c><c r=\"C1\" t=\"d\"><v>10:10:10</v></c>"
                "<c r=\"D1\" t=\"str\"><f>\"World \"</f><v>World </v></c></row></sheetData>",
                "hidden");
  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  Workbook& workbook = host.OpenWorkbook(path);
  Worksheet& data = workbook.Worksheets("Data");
  EXPECT_FALSE(data.Visible());
  EXPECT_EQ(workbook.ActiveSheet()->Name(), "Other");
  EXPECT_EQ(data.ArrayFormulaRange(1, 1), (Rect{1, 1, 2, 2}));
  EXPECT_EQ(data.ArrayFormulaRange(1, 2), std::nullopt);
  // The engine computes one value per formula: an array formula keeps the
  // results stored with its cells.
  EXPECT_TRUE(data.CellValue(1, 1) == Variant(7.0));
  EXPECT_TRUE(data.CellValue(1, 2) == Variant(8.0));
  EXPECT_DOUBLE_EQ(data.RowHeight(1), 627);
  EXPECT_TRUE(data.CellValue(1, 3).IsDate());
  EXPECT_NEAR(data.CellValue(1, 3).DateSerial(), (10 * 3600 + 10 * 60 + 10) / 86400.0, 1e-12);
  EXPECT_TRUE(data.CellValue(1, 4) == Variant("World "));
  // Writing the array's top-left cell ends the array.
  data.SetCellValue(1, 1, Variant(1.0));
  EXPECT_EQ(data.ArrayFormulaRange(1, 1), std::nullopt);
}

// Texts with spaces at their ends are written so that every reader keeps
// them.
TEST(XlsxSheetFeatures, TextsWithOuterSpacesArePreserved) {
  TempFolder folder;
  const std::string path = folder.File("Saved.xlsx");
  MemoryHost host;
  Workbook& workbook = host.AddWorkbook();
  Worksheet& sheet = workbook.WorksheetAt(1);
  sheet.SetCellFormula(1, 1, "=\"World \"", Variant("World "));
  sheet.SetCellValue(1, 2, Variant(" lead"));
  MakeXlsxStore()->Save(workbook, path);
  const std::string xml = ReadPart(path, "xl/worksheets/sheet1.xml");
  EXPECT_NE(xml.find("<v xml:space=\"preserve\">World </v>"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<t xml:space=\"preserve\"> lead</t>"), std::string::npos) << xml;
}

// Workbooks of other programs (tests/data/make_sheet_features_corpus.py):
// every feature line of every sheet comes back from a copy, and nothing
// is reported lost.
TEST(XlsxSheetFeatures, OtherProgramsWorkbooksComeBackFeatureForFeature) {
  for (const char* name : {"sheet_features_openpyxl.xlsx", "sheet_features_libreoffice.xlsx"}) {
    for (Save how : {Save::kCopy, Save::kSheetChanged}) {
      SCOPED_TRACE(std::string(name) + (how == Save::kCopy ? " (copy)" : " (sheet changed)"));
      TempFolder folder;
      const std::string loaded = std::string(PLRXL_TEST_DATA) + "/" + name;
      const std::string saved = folder.File("Saved.xlsx");
      const std::vector<std::string> losses = LoadAndSave(loaded, saved, how);
      EXPECT_TRUE(losses.empty()) << Joined(losses);
      for (size_t sheet = 0; sheet < 4; ++sheet) {
        SCOPED_TRACE("sheet " + std::to_string(sheet + 1));
        std::vector<std::string> expected = SheetFeatures(loaded, sheet);
        if (how == Save::kSheetChanged && sheet == 0) {
          expected.push_back("cell A200: text \"written\"");
          std::sort(expected.begin(), expected.end());
        }
        EXPECT_EQ(Joined(expected), Joined(SheetFeatures(saved, sheet)));
      }
    }
  }
}

}  // namespace
}  // namespace plrxl
