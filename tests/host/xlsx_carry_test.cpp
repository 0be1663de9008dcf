// Features of another program's workbook that the model does not know go
// through a load and a save as they were (tests/data/carried_features.xlsx,
// see make_carried_fixture.py), checked in the saved package's XML; what
// cannot be carried is a loss of the loaded workbook.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "host/memory/memory_host.h"
#include "host/xlsx/internal/carried_features.h"
#include "host/xlsx/internal/carry_edits.h"
#include "host/xlsx/internal/xml_scan.h"
#include "host/xlsx/internal/xml_util.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/host/package_files.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::CopyWithParts;
using testing_xlsx::PartNames;
using testing_xlsx::ReadPart;
using testing_xlsx::Replaced;
using testing_xlsx::TempFolder;

const std::string kFixture = std::string(PLRXL_TEST_DATA) + "/carried_features.xlsx";
constexpr const char* kDataSheet = "xl/worksheets/sheet1.xml";
constexpr const char* kListsSheet = "xl/worksheets/sheet2.xml";

bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

// The local names of the sheet part's elements after its cells.
std::vector<std::string> TailElements(const std::string& sheet) {
  const size_t cells = sheet.find("</sheetData>");
  std::vector<std::string> names;
  if (cells == std::string::npos) return names;
  for (const xlsx::ElementSpan& e : xlsx::ChildElements(sheet, cells + 12)) names.emplace_back(e.Local());
  return names;
}

// Every relationship a part names resolves: the relationships part has the
// id, an internal target exists and has a content type. Ids are unique.
void ExpectRelationshipsResolve(const std::string& path, const std::string& part) {
  SCOPED_TRACE(part);
  xlsx::ZipReader zip(path);
  const std::string text = zip.Read(part);
  const xlsx::Relationships rels = xlsx::ReadRelationships(zip, part);
  const std::string types = zip.Read("[Content_Types].xml");
  for (const std::string& id : xlsx::RelationshipIdsIn(text)) {
    auto rel = rels.find(id);
    ASSERT_NE(rel, rels.end()) << id;
    if (rel->second.external) continue;
    EXPECT_TRUE(zip.Has(rel->second.target)) << id << " -> " << rel->second.target;
    const size_t dot = rel->second.target.rfind('.');
    EXPECT_TRUE(Has(types, "PartName=\"/" + rel->second.target + "\"") ||
                Has(types, "Extension=\"" + rel->second.target.substr(dot + 1) + "\""))
        << "no content type for " << rel->second.target;
  }
  const size_t slash = part.rfind('/');
  const std::string rels_text = zip.Has(part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels")
                                    ? zip.Read(part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels")
                                    : std::string();
  std::set<std::string> ids;
  xlsx::ForEachStartTag(rels_text, [&](const xlsx::StartTag& tag) {
    if (tag.name != "Relationship") return;
    EXPECT_TRUE(ids.insert(xlsx::AttributeValue(rels_text, tag, "Id")).second) << "Id given twice";
  });
}

// Loads path; the workbook must load without notes or losses.
Workbook& LoadClean(MemoryHost& host, const std::string& path) {
  Workbook& book = host.OpenWorkbook(path);
  EXPECT_TRUE(book.Warnings().empty()) << book.Warnings().front();
  EXPECT_TRUE(book.Losses().empty()) << book.Losses().front();
  return book;
}

struct FeatureCase {
  const char* feature;
  const char* part;
  const char* text;  // a piece of the saved part that holds the feature
};

const FeatureCase kFeatures[] = {
    {"sheet protection", kDataSheet, "<sheetProtection sheet=\"1\" objects=\"1\" scenarios=\"1\"/>"},
    {"auto filter", kDataSheet, "ref=\"A1:C6\" xr:uid=\"{00000000-0009-0000-0000-000000000000}\"/>"},
    {"filter ancestry ignorable", kDataSheet, "mc:Ignorable=\"xr\""},
    {"conditional format", kDataSheet,
     "<conditionalFormatting sqref=\"B2:B6\"><cfRule type=\"cellIs\" dxfId=\"0\" priority=\"1\" "
     "operator=\"greaterThan\"><formula>5</formula></cfRule></conditionalFormatting>"},
    {"second conditional format", kDataSheet, "<formula>$C2&lt;&gt;\"\"</formula>"},
    {"data validation", kDataSheet, "prompt=\"Pick one&#10;of the list\" sqref=\"A2:A6\"><formula1>Choices</formula1>"},
    {"external hyperlink", kDataSheet, "<hyperlink ref=\"D1\" r:id=\"rIdC"},
    {"internal hyperlink", kDataSheet, "<hyperlink ref=\"D2\" location=\"'Lists'!A1\" display=\"Lists\"/>"},
    {"hyperlink target", "xl/worksheets/_rels/sheet1.xml.rels",
     "Target=\"https://example.com/report?a=1&amp;b=2\" TargetMode=\"External\""},
    {"page margins", kDataSheet, "<pageMargins left=\"0.5\" right=\"0.5\" top=\"0.6\""},
    {"page setup", kDataSheet, "<pageSetup paperSize=\"9\" orientation=\"landscape\"/>"},
    {"header", kDataSheet, "<oddHeader>&amp;CQuarterly &amp;D</oddHeader>"},
    {"comments drawing", kDataSheet, "<legacyDrawing"},
    {"comments", "xl/comments1.xml", "A note "},
    {"comments shape", "xl/drawings/vmlDrawing1.vml", "ObjectType=\"Note\""},
    {"table", kDataSheet, "<tableParts"},
    {"table part", "xl/tables/table1.xml", "displayName=\"Pairs\" ref=\"E1:F6\""},
    {"2010 conditional format", kDataSheet, "<x14:dataBar minLength=\"0\" maxLength=\"100\">"},
    {"2010 data validation", kDataSheet, "<xm:f>Lists!$A$1:$A$3</xm:f>"},
    {"sparklines", kDataSheet, "<x14:sparkline><xm:f>Data!B2:C2</xm:f><xm:sqref>G2</xm:sqref></x14:sparkline>"},
    {"their namespaces", kDataSheet,
     "<extLst xmlns:x14=\"http://schemas.microsoft.com/office/spreadsheetml/2009/9/main\""},
    {"picture", "xl/drawings/drawing1.xml", "<xdr:cNvPr id=\"2\" name=\"Picture 1\"/>"},
    {"shape", "xl/drawings/drawing1.xml", "<a:t>Checked by hand</a:t>"},
    {"image", "xl/media/image1.png", "PNG"},
    {"background picture", kListsSheet, "<picture"},
    {"second sheet's protection", kListsSheet, "<sheetProtection sheet=\"1\"/>"},
    {"differential formats", "xl/styles.xml", "<dxfs count=\"2\"><dxf><font><b/><color rgb=\"FF9C0006\"/>"},
    {"table styles", "xl/styles.xml", "<tableStyle name=\"Plain\" pivot=\"0\" count=\"1\">"},
    {"print area", "xl/workbook.xml",
     "<definedName name=\"_xlnm.Print_Area\" localSheetId=\"0\">Data!$A$1:$F$20</definedName>"},
    {"print titles", "xl/workbook.xml",
     "<definedName name=\"_xlnm.Print_Titles\" localSheetId=\"0\">Data!$1:$1</definedName>"},
    {"filter range", "xl/workbook.xml",
     "<definedName name=\"_xlnm._FilterDatabase\" localSheetId=\"0\" hidden=\"1\">Data!$A$1:$C$6</definedName>"},
    {"second sheet's print area", "xl/workbook.xml",
     "<definedName name=\"_xlnm.Print_Area\" localSheetId=\"1\">Lists!$A$1:$A$3</definedName>"},
};

TEST(XlsxCarry, EachFeatureSurvivesASave) {
  TempFolder folder;
  const std::string saved = folder.File("saved.xlsx");
  {
    MemoryHost host(MakeXlsxStore(), RegionalSettings{});
    Workbook& book = LoadClean(host, kFixture);
    ASSERT_NE(book.WorksheetAt(1).CarriedFeatures(), nullptr);
    ASSERT_NE(book.WorksheetAt(2).CarriedFeatures(), nullptr);
    book.WorksheetAt(1).SetCellValue(2, 2, Variant(99.0));
    book.SaveAs(saved);
  }
  for (const FeatureCase& c : kFeatures) {
    EXPECT_TRUE(Has(ReadPart(saved, c.part), c.text)) << c.feature << ": " << c.part << " lacks " << c.text;
  }
  for (const char* part : {kDataSheet, kListsSheet, "xl/drawings/drawing1.xml", "xl/drawings/vmlDrawing1.vml"}) {
    ExpectRelationshipsResolve(saved, part);
  }
  // The comments part is named by no element: the sheet's relationships
  // hold it.
  EXPECT_TRUE(Has(ReadPart(saved, "xl/worksheets/_rels/sheet1.xml.rels"), "Target=\"../comments1.xml\""));
  // The elements after the cells stand in the order the format requires.
  for (const char* part : {kDataSheet, kListsSheet}) {
    std::vector<std::string> tail = TailElements(ReadPart(saved, part));
    std::vector<size_t> ranks;
    for (const std::string& name : tail) {
      auto at = std::find(xlsx::kSheetTailOrder.begin(), xlsx::kSheetTailOrder.end(), name);
      ASSERT_NE(at, xlsx::kSheetTailOrder.end()) << name;
      ranks.push_back(static_cast<size_t>(at - xlsx::kSheetTailOrder.begin()));
    }
    EXPECT_TRUE(std::is_sorted(ranks.begin(), ranks.end())) << part;
  }
  // Each element once: the writer's page margins gave way to the file's.
  const std::vector<std::string> tail = TailElements(ReadPart(saved, kDataSheet));
  for (const char* name : {"pageMargins", "hyperlinks", "extLst", "drawing"}) {
    EXPECT_EQ(std::count(tail.begin(), tail.end(), name), 1) << name;
  }
  EXPECT_EQ(std::count(tail.begin(), tail.end(), "conditionalFormatting"), 2);

  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  Workbook& reloaded = LoadClean(host, saved);
  EXPECT_EQ(reloaded.WorksheetAt(1).CellValue(2, 2), Variant(99.0));
  ASSERT_NE(reloaded.WorksheetAt(1).CarriedFeatures(), nullptr);
  EXPECT_EQ(reloaded.WorksheetAt(1).CarriedFeatures()->anchors.size(), 2u);
  EXPECT_EQ(reloaded.WorksheetAt(1).CarriedFeatures()->names.size(), 3u);
}

TEST(XlsxCarry, SavingTheSavedFileAgainChangesNothing) {
  TempFolder folder;
  const std::string first = folder.File("first.xlsx");
  const std::string second = folder.File("second.xlsx");
  {
    MemoryHost host(MakeXlsxStore(), RegionalSettings{});
    host.OpenWorkbook(kFixture).SaveAs(first);
  }
  {
    MemoryHost host(MakeXlsxStore(), RegionalSettings{});
    LoadClean(host, first).SaveAs(second);
  }
  std::vector<std::string> parts = PartNames(first);
  std::vector<std::string> again = PartNames(second);
  std::sort(parts.begin(), parts.end());
  std::sort(again.begin(), again.end());
  ASSERT_EQ(parts, again);
  for (const std::string& part : parts) {
    if (part == "docProps/core.xml") continue;  // the time of the save
    EXPECT_EQ(ReadPart(first, part), ReadPart(second, part)) << part;
  }
  for (const char* part : {kDataSheet, kListsSheet, "xl/drawings/drawing1.xml"}) {
    ExpectRelationshipsResolve(second, part);
  }
}

TEST(XlsxCarry, PicturesShareTheDrawingOfAChartDrawnHere) {
  TempFolder folder;
  const std::string saved = folder.File("chart.xlsx");
  {
    MemoryHost host(MakeXlsxStore(), RegionalSettings{});
    Workbook& book = LoadClean(host, kFixture);
    Chart& chart = book.WorksheetAt(1).AddChart(300, 20, 300, 200);
    ChartSeries series;
    series.values = "='Data'!R2C2:R6C2";
    chart.series.push_back(series);
    book.SaveAs(saved);
  }
  std::string drawing_part;
  for (const auto& [id, rel] : xlsx::ReadRelationships(xlsx::ZipReader(saved), kDataSheet)) {
    if (rel.type == "drawing") {
      EXPECT_TRUE(drawing_part.empty()) << "two drawings";
      drawing_part = rel.target;
    }
  }
  ASSERT_FALSE(drawing_part.empty());
  const std::string drawing = ReadPart(saved, drawing_part);
  EXPECT_TRUE(Has(drawing, "<c:chart "));
  EXPECT_TRUE(Has(drawing, "name=\"Picture 1\""));
  EXPECT_TRUE(Has(drawing, "<a:t>Checked by hand</a:t>"));
  std::set<std::string> shape_ids;
  xlsx::ForEachStartTag(drawing, [&](const xlsx::StartTag& tag) {
    if (tag.name != "xdr:cNvPr") return;
    EXPECT_TRUE(shape_ids.insert(xlsx::AttributeValue(drawing, tag, "id")).second) << "shape id given twice";
  });
  EXPECT_EQ(shape_ids.size(), 3u);
  ExpectRelationshipsResolve(saved, drawing_part);
  ExpectRelationshipsResolve(saved, kDataSheet);

  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  Workbook& reloaded = LoadClean(host, saved);
  EXPECT_EQ(reloaded.WorksheetAt(1).ChartCount(), 1);
  EXPECT_EQ(reloaded.WorksheetAt(1).CarriedFeatures()->anchors.size(), 2u);
}

TEST(XlsxCarry, PrintAreaFollowsItsSheet) {
  TempFolder folder;
  const std::string saved = folder.File("moved.xlsx");
  {
    MemoryHost host(MakeXlsxStore(), RegionalSettings{});
    Workbook& book = LoadClean(host, kFixture);
    Worksheet& data = book.Worksheets("Data");
    data.SetName("Prices 2024");
    book.MoveWorksheet(data, 2);
    book.SaveAs(saved);
  }
  const std::string workbook = ReadPart(saved, "xl/workbook.xml");
  for (const char* name :
       {"<definedName name=\"_xlnm.Print_Area\" localSheetId=\"1\">'Prices 2024'!$A$1:$F$20</definedName>",
        "<definedName name=\"_xlnm.Print_Titles\" localSheetId=\"1\">'Prices 2024'!$1:$1</definedName>",
        "<definedName name=\"_xlnm._FilterDatabase\" localSheetId=\"1\" hidden=\"1\">'Prices 2024'!$A$1:$C$6"
        "</definedName>",
        "<definedName name=\"_xlnm.Print_Area\" localSheetId=\"0\">Lists!$A$1:$A$3</definedName>"}) {
    EXPECT_TRUE(Has(workbook, name)) << name << "\n" << workbook;
  }
  // The moved sheet's features went with it into the second sheet part.
  EXPECT_TRUE(Has(ReadPart(saved, "xl/worksheets/sheet2.xml"), "<tableParts"));
  EXPECT_TRUE(Has(ReadPart(saved, "xl/worksheets/sheet1.xml"), "<picture"));

  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  Workbook& reloaded = LoadClean(host, saved);
  const std::shared_ptr<const CarriedSheetFeatures> prices = reloaded.Worksheets("Prices 2024").CarriedFeatures();
  ASSERT_NE(prices, nullptr);
  ASSERT_EQ(prices->names.size(), 3u);
  EXPECT_EQ(prices->names[1].formula, "'Prices 2024'!$A$1:$F$20");
}

TEST(XlsxCarry, NamesOfADeletedSheetLeaveWithIt) {
  TempFolder folder;
  const std::string saved = folder.File("deleted.xlsx");
  {
    MemoryHost host(MakeXlsxStore(), RegionalSettings{});
    Workbook& book = LoadClean(host, kFixture);
    book.DeleteWorksheet(book.Worksheets("Lists"));
    book.SaveAs(saved);
  }
  const std::string workbook = ReadPart(saved, "xl/workbook.xml");
  EXPECT_FALSE(Has(workbook, "localSheetId=\"1\"")) << workbook;
  EXPECT_TRUE(Has(workbook, "<definedName name=\"_xlnm.Print_Area\" localSheetId=\"0\">Data!$A$1:$F$20"));
  // The image went with the background picture's sheet but stays for the
  // picture of the sheet that is left.
  EXPECT_FALSE(ReadPart(saved, "xl/media/image1.png").empty());
  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  LoadClean(host, saved);
}

TEST(XlsxCarry, AWorkbookSavedHereCarriesNothing) {
  TempFolder folder;
  const std::string saved = folder.File("own.xlsx");
  {
    MemoryHost host(MakeXlsxStore(), RegionalSettings{});
    Workbook& book = host.AddWorkbook();
    Worksheet& sheet = book.WorksheetAt(1);
    sheet.SetCellValue(1, 1, Variant(1.0));
    sheet.Merge(Rect{2, 1, 2, 3});
    ChartSeries series;
    series.values = "='Sheet1'!R1C1:R1C1";
    sheet.AddChart(100, 20, 300, 200).series.push_back(series);
    book.AddWorksheet();
    book.SaveAs(saved);
  }
  MemoryHost host(MakeXlsxStore(), RegionalSettings{});
  Workbook& book = LoadClean(host, saved);
  EXPECT_EQ(book.CarriedFeatures(), nullptr);
  for (int i = 1; i <= book.WorksheetCount(); ++i) EXPECT_EQ(book.WorksheetAt(i).CarriedFeatures(), nullptr) << i;
}

// A variation of the fixture and the loss it must report.
struct LossCase {
  const char* label;
  std::map<std::string, std::optional<std::string>> changes;
  const char* loss;
};

std::vector<LossCase> LossCases() {
  const std::string data = ReadPart(kFixture, kDataSheet);
  const std::string lists = ReadPart(kFixture, kListsSheet);
  const std::string workbook = ReadPart(kFixture, "xl/workbook.xml");
  const std::string drawing = ReadPart(kFixture, "xl/drawings/drawing1.xml");
  const std::string data_rels = ReadPart(kFixture, "xl/worksheets/_rels/sheet1.xml.rels");
  const std::string picture = "<picture r:id=\"rId1\"/>";
  return {
      {"embedded object",
       {{kListsSheet, Replaced(lists, picture, picture + "<oleObjects><oleObject shapeId=\"1025\"/></oleObjects>")}},
       "embedded objects on sheet 'Lists'"},
      {"controls",
       {{kListsSheet, Replaced(lists, picture, picture + "<controls><control shapeId=\"1026\"/></controls>")}},
       "controls on sheet 'Lists'"},
      {"alternate content",
       {{kListsSheet,
         Replaced(lists, picture,
                  picture + "<mc:AlternateContent xmlns:mc=\"urn:mc\"><mc:Choice Requires=\"x14\"/>"
                            "</mc:AlternateContent>")}},
       "embedded objects or controls on sheet 'Lists'"},
      {"unknown extension",
       {{kDataSheet, Replaced(data, "</extLst>", "<ext uri=\"{3A4CF648-6AED-40f4-86FF-DC5316D8AED3}\"/></extLst>")}},
       "extension {3A4CF648-6AED-40F4-86FF-DC5316D8AED3} on sheet 'Data'"},
      {"missing relationship",
       {{"xl/worksheets/_rels/sheet1.xml.rels",
         Replaced(data_rels, "Id=\"rId1\"", "Id=\"rId99\"")}},
       "hyperlinks on sheet 'Data' (its relationship rId1 is missing)"},
      {"missing part", {{"xl/tables/table1.xml", std::nullopt}},
       "tables on sheet 'Data' (xl/tables/table1.xml cannot be carried over)"},
      {"pivot table", {{"xl/pivotTables/pivotTable1.xml", "<pivotTableDefinition/>"}},
       "pivot table xl/pivotTables/pivotTable1.xml"},
      {"workbook-wide print area",
       {{"xl/workbook.xml",
         Replaced(workbook, "<definedName name=\"_xlnm.Print_Area\" localSheetId=\"1\">",
                  "<definedName name=\"_xlnm.Print_Area\">")}},
       "built-in name 'Print_Area'"},
      {"form control in the drawing",
       {{"xl/drawings/drawing1.xml",
         Replaced(drawing, "</xdr:wsDr>",
                  "<mc:AlternateContent xmlns:mc=\"urn:mc\"><mc:Choice Requires=\"a14\"/></mc:AlternateContent>"
                  "</xdr:wsDr>")}},
       "form control or object in the drawing of sheet 'Data'"},
      {"threaded comments", {{"xl/threadedComments/threadedComment1.xml", "<ThreadedComments/>"}},
       "threaded comments xl/threadedComments/threadedComment1.xml"},
      {"unknown element",
       {{kListsSheet, Replaced(lists, picture, picture + "<futureThing/>")}}, "element <futureThing> on sheet 'Lists'"},
  };
}

TEST(XlsxCarry, WhatCannotBeCarriedIsALoss) {
  for (const LossCase& c : LossCases()) {
    SCOPED_TRACE(c.label);
    TempFolder folder;
    const std::string path = folder.File("lossy.xlsx");
    CopyWithParts(kFixture, path, c.changes);
    MemoryHost host(MakeXlsxStore(), RegionalSettings{});
    Workbook& book = host.OpenWorkbook(path);
    ASSERT_EQ(book.Losses().size(), 1u) << (book.Losses().empty() ? "none" : book.Losses().front());
    EXPECT_EQ(book.Losses()[0], c.loss);
    // The rest is still carried, and the save is a sound package.
    const std::string saved = folder.File("saved.xlsx");
    book.SaveAs(saved);
    EXPECT_TRUE(Has(ReadPart(saved, kDataSheet), "<conditionalFormatting"));
    for (const char* part : {kDataSheet, kListsSheet, "xl/drawings/drawing1.xml"}) {
      ExpectRelationshipsResolve(saved, part);
    }
    MemoryHost again(MakeXlsxStore(), RegionalSettings{});
    LoadClean(again, saved);
  }
}

TEST(XlsxCarry, CarriedPartsTogetherStayWithinTheLimitOfOnePart) {
  TempFolder folder;
  const std::string path = folder.File("pictures.xlsx");
  std::string noise(700 * 1024, '\0');
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 2654435761u) >> 13);
  CopyWithParts(kFixture, path,
                {{"xl/media/image1.png", noise},
                 {"xl/media/image2.png", noise},
                 {"xl/worksheets/_rels/sheet2.xml.rels",
                  Replaced(ReadPart(kFixture, "xl/worksheets/_rels/sheet2.xml.rels"), "image1.png", "image2.png")}});
  XlsxLimits limits;
  limits.max_part_bytes = 1 << 20;
  MemoryHost host(MakeXlsxStore(limits), RegionalSettings{});
  try {
    host.OpenWorkbook(path);
    FAIL() << "loaded";
  } catch (const Error& e) {
    EXPECT_TRUE(Has(e.Description(), "XlsxMaxPartMB")) << e.Description();
    EXPECT_TRUE(Has(e.Description(), "carried over")) << e.Description();
  }
  MemoryHost roomy(MakeXlsxStore(), RegionalSettings{});
  EXPECT_TRUE(roomy.OpenWorkbook(path).Losses().empty());
}

}  // namespace
}  // namespace plrxl
