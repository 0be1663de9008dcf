// The text edits that put carried features back into a saved package, each
// as a table of texts in and texts out.
#include <gtest/gtest.h>

#include "host/xlsx/internal/carry_edits.h"
#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/xml_scan.h"

namespace plrxl::xlsx {
namespace {

const std::string kR = std::string(" xmlns:r=\"") + kRelationshipsNamespace + "\"";

TEST(XlsxCarryEdits, ElementsTakeTheirPlaceAfterTheCells) {
  const std::string tail =
      "</sheetData><mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/></mergeCells>"
      "<pageMargins left=\"0.7\"/><drawing r:id=\"rId1\"/></worksheet>";
  struct Case {
    const char* label;
    std::vector<CarriedElement> carried;
    std::string expected;
  } const cases[] = {
      {"nothing carried", {}, tail},
      {"every place",
       {{"extLst", "<extLst/>"},
        {"sheetProtection", "<sheetProtection sheet=\"1\"/>"},
        {"conditionalFormatting", "<conditionalFormatting sqref=\"A1\"/>"},
        {"tableParts", "<tableParts count=\"0\"/>"},
        {"conditionalFormatting", "<conditionalFormatting sqref=\"B1\"/>"},
        {"hyperlinks", "<hyperlinks/>"},
        {"legacyDrawing", "<legacyDrawing/>"}},
       "</sheetData><sheetProtection sheet=\"1\"/><mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/></mergeCells>"
       "<conditionalFormatting sqref=\"A1\"/><conditionalFormatting sqref=\"B1\"/><hyperlinks/>"
       "<pageMargins left=\"0.7\"/><drawing r:id=\"rId1\"/><legacyDrawing/><tableParts count=\"0\"/><extLst/>"
       "</worksheet>"},
      {"a carried element replaces the writer's",
       {{"pageMargins", "<pageMargins left=\"0.25\"/>"}, {"pageSetup", "<pageSetup orientation=\"landscape\"/>"}},
       "</sheetData><mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/></mergeCells><pageMargins left=\"0.25\"/>"
       "<pageSetup orientation=\"landscape\"/><drawing r:id=\"rId1\"/></worksheet>"},
  };
  for (const Case& c : cases) EXPECT_EQ(SpliceSheetTail(tail, c.carried), c.expected) << c.label;
  // An element the order does not know stays after the one before it.
  EXPECT_EQ(SpliceSheetTail("</sheetData><pageMargins/><x:odd/></worksheet>", {{"autoFilter", "<autoFilter/>"},
                                                                                {"tableParts", "<tableParts/>"}}),
            "</sheetData><autoFilter/><pageMargins/><x:odd/><tableParts/></worksheet>");
  EXPECT_THROW(SpliceSheetTail("<sheetData>", {{"autoFilter", "<autoFilter/>"}}), XlsxProblem);
}

TEST(XlsxCarryEdits, RelationshipIdsAreFoundAndRenamedByNamespace) {
  struct Case {
    const char* label;
    std::string xml;
    std::vector<std::string> ids;
    std::string renamed;  // with rId1 -> rIdC1, rId4 -> rIdC2
  } const cases[] = {
      {"r:id", "<tableParts" + kR + " count=\"2\"><tablePart r:id=\"rId4\"/><tablePart r:id=\"rId1\"/></tableParts>",
       {"rId4", "rId1"},
       "<tableParts" + kR + " count=\"2\"><tablePart r:id=\"rIdC2\"/><tablePart r:id=\"rIdC1\"/></tableParts>"},
      {"another prefix, several attributes",
       std::string("<a:blip xmlns:rel=\"") + kRelationshipsNamespace + "\" rel:embed=\"rId1\" rel:link=\"rId4\"/>",
       {"rId1", "rId4"},
       std::string("<a:blip xmlns:rel=\"") + kRelationshipsNamespace + "\" rel:embed=\"rIdC1\" rel:link=\"rIdC2\"/>"},
      {"same value outside the namespace", "<x id=\"rId1\"" + kR + " r:id=\"rId1\"><y name=\"rId4\"/></x>", {"rId1"},
       "<x id=\"rId1\"" + kR + " r:id=\"rIdC1\"><y name=\"rId4\"/></x>"},
      {"a prefix bound elsewhere", "<x xmlns:r=\"urn:other\" r:id=\"rId1\"/>", {},
       "<x xmlns:r=\"urn:other\" r:id=\"rId1\"/>"},
      {"an id used twice", "<h" + kR + "><a r:id=\"rId9\"/><b r:id=\"rId9\"/></h>", {"rId9"},
       "<h" + kR + "><a r:id=\"rId9\"/><b r:id=\"rId9\"/></h>"},
  };
  const std::map<std::string, std::string> renamed = {{"rId1", "rIdC1"}, {"rId4", "rIdC2"}};
  for (const Case& c : cases) {
    EXPECT_EQ(RelationshipIdsIn(c.xml), c.ids) << c.label;
    EXPECT_EQ(RenameRelationshipIds(c.xml, renamed), c.renamed) << c.label;
  }
}

TEST(XlsxCarryEdits, NamespacesTheElementNeedsAreDeclaredOnIt) {
  const std::map<std::string, std::string> scope = {
      {"", kMainNamespace}, {"r", kRelationshipsNamespace}, {"xr", "urn:xr"}, {"x14", "urn:x14"}, {"mc", "urn:mc"}};
  struct Case {
    const char* label;
    std::string element;
    std::string ignorable;
    std::string target_default;
    std::string expected;
  } const cases[] = {
      {"nothing needed", "<autoFilter ref=\"A1\"/>", "", kMainNamespace, "<autoFilter ref=\"A1\"/>"},
      {"a prefixed attribute", "<hyperlinks><hyperlink r:id=\"rId1\"/></hyperlinks>", "", kMainNamespace,
       "<hyperlinks" + kR + "><hyperlink r:id=\"rId1\"/></hyperlinks>"},
      {"declared inside already", "<x:ext xmlns:x=\"urn:x\"><x:y/></x:ext>", "", kMainNamespace,
       "<x:ext xmlns:x=\"urn:x\"><x:y/></x:ext>"},
      {"ignorable prefix", "<autoFilter ref=\"A1\" xr:uid=\"{1}\"/>", "x14ac xr", kMainNamespace,
       std::string("<autoFilter xmlns:xr=\"urn:xr\" xmlns:mc=\"") + kMarkupCompatibilityNamespace +
           "\" mc:Ignorable=\"xr\" ref=\"A1\" xr:uid=\"{1}\"/>"},
      {"default namespace of another part", "<twoCellAnchor><from/></twoCellAnchor>", "", "",
       std::string("<twoCellAnchor xmlns=\"") + kMainNamespace + "\"><from/></twoCellAnchor>"},
      {"nested elements", "<extLst><ext uri=\"{1}\"><x14:a/></ext></extLst>", "", kMainNamespace,
       "<extLst xmlns:x14=\"urn:x14\"><ext uri=\"{1}\"><x14:a/></ext></extLst>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DeclareNamespaces(c.element, scope, c.ignorable, c.target_default), c.expected) << c.label;
  }
}

TEST(XlsxCarryEdits, RelationshipsAreAddedToAnyRelationshipsPart) {
  const std::vector<RelationshipEntry> added = {
      {"rIdC1", "urn:type/table", "../tables/table1.xml", false},
      {"rIdC2", "urn:type/hyperlink", "https://example.com/?a=1&b=\"2\"", true}};
  const std::string entries =
      "<Relationship Id=\"rIdC1\" Type=\"urn:type/table\" Target=\"../tables/table1.xml\"/>"
      "<Relationship Id=\"rIdC2\" Type=\"urn:type/hyperlink\" Target=\"https://example.com/?a=1&amp;b=&quot;2&quot;\" "
      "TargetMode=\"External\"/>";
  const std::string ns = "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"";
  struct Case {
    const char* label;
    std::string rels, expected;
  } const cases[] = {
      {"none yet", "",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships " + ns + ">" + entries +
           "</Relationships>"},
      {"some", "<?xml version=\"1.0\"?><Relationships " + ns + "><Relationship Id=\"rId1\"/></Relationships>",
       "<?xml version=\"1.0\"?><Relationships " + ns + "><Relationship Id=\"rId1\"/>" + entries + "</Relationships>"},
      {"empty element", "<Relationships " + ns + "/>", "<Relationships " + ns + ">" + entries + "</Relationships>"},
  };
  for (const Case& c : cases) EXPECT_EQ(MergeRelationships(c.rels, added), c.expected) << c.label;

  struct Target {
    const char* from;
    const char* to;
    const char* relative;
  } const targets[] = {
      {"xl/worksheets/sheet1.xml", "xl/tables/table1.xml", "../tables/table1.xml"},
      {"xl/drawings/drawing1.xml", "xl/drawings/drawing2.xml", "drawing2.xml"},
      {"xl/worksheets/sheet1.xml", "xl/comments1.xml", "../comments1.xml"},
      {"xl/workbook.xml", "customXml/item1.xml", "../customXml/item1.xml"},
  };
  for (const Target& t : targets) EXPECT_EQ(RelativeTarget(t.from, t.to), t.relative) << t.from << " " << t.to;
}

TEST(XlsxCarryEdits, ContentTypesGainAnOverrideOnlyWhereNeeded) {
  const std::string types =
      "<Types xmlns=\"urn:ct\"><Default Extension=\"PNG\" ContentType=\"image/png\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/xl/tables/table1.xml\" ContentType=\"table\"/></Types>";
  const std::map<std::string, std::string> parts = {{"xl/media/image1.png", "image/png"},
                                                   {"xl/tables/table1.xml", "table"},
                                                   {"xl/comments1.xml", "comments"},
                                                   {"xl/drawings/vmlDrawing1.vml", "vml"}};
  EXPECT_EQ(MergeContentTypes(types, parts),
            "<Types xmlns=\"urn:ct\"><Default Extension=\"PNG\" ContentType=\"image/png\"/>"
            "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
            "<Override PartName=\"/xl/tables/table1.xml\" ContentType=\"table\"/>"
            "<Override PartName=\"/xl/comments1.xml\" ContentType=\"comments\"/>"
            "<Override PartName=\"/xl/drawings/vmlDrawing1.vml\" ContentType=\"vml\"/></Types>");
  EXPECT_EQ(MergeContentTypes(types, {{"xl/media/image2.png", "image/png"}}), types);
}

TEST(XlsxCarryEdits, BuiltInNamesJoinTheWorkbooksNames) {
  const std::vector<NameEntry> names = {{"_xlnm.Print_Area", 1, "'A & B'!$A$1:$C$3", {}},
                                        {"_xlnm._FilterDatabase", 0, "Data!$A$1:$B$9", {{"hidden", "1"}}}};
  const std::string added =
      "<definedName name=\"_xlnm.Print_Area\" localSheetId=\"1\">'A &amp; B'!$A$1:$C$3</definedName>"
      "<definedName name=\"_xlnm._FilterDatabase\" localSheetId=\"0\" hidden=\"1\">Data!$A$1:$B$9</definedName>";
  struct Case {
    const char* label;
    std::string workbook, expected;
  } const cases[] = {
      {"no names yet", "<workbook><sheets><sheet/></sheets><calcPr/></workbook>",
       "<workbook><sheets><sheet/></sheets><definedNames>" + added + "</definedNames><calcPr/></workbook>"},
      {"names of the model", "<workbook><sheets/><definedNames><definedName name=\"X\">Data!$A$1</definedName>"
                             "</definedNames><calcPr/></workbook>",
       "<workbook><sheets/><definedNames><definedName name=\"X\">Data!$A$1</definedName>" + added +
           "</definedNames><calcPr/></workbook>"},
      {"empty element", "<workbook><sheets/><definedNames/></workbook>",
       "<workbook><sheets/><definedNames>" + added + "</definedNames></workbook>"},
      {"already there for that sheet",
       "<workbook><sheets/><definedNames><definedName name=\"_XLNM.PRINT_AREA\" localSheetId=\"1\">X!$A$1"
       "</definedName></definedNames></workbook>",
       "<workbook><sheets/><definedNames><definedName name=\"_XLNM.PRINT_AREA\" localSheetId=\"1\">X!$A$1"
       "</definedName><definedName name=\"_xlnm._FilterDatabase\" localSheetId=\"0\" hidden=\"1\">Data!$A$1:$B$9"
       "</definedName></definedNames></workbook>"},
  };
  for (const Case& c : cases) EXPECT_EQ(MergeDefinedNames(c.workbook, names), c.expected) << c.label;
}

TEST(XlsxCarryEdits, RenamedSheetInNameFormulas) {
  struct Case {
    const char* formula;
    const char* from;
    const char* to;
    const char* renamed;
  } const cases[] = {
      {"Data!$A$1:$F$20", "Data", "Prices 2024", "'Prices 2024'!$A$1:$F$20"},
      {"'Data'!$1:$1,Data!$A:$A", "data", "New", "'New'!$1:$1,'New'!$A:$A"},
      {"'It''s'!$A$1", "It's", "Its", "'Its'!$A$1"},
      {"OldData!$A$1+Data2!$B$2", "Data", "X", "OldData!$A$1+Data2!$B$2"},
      {"\"Data!\"&Data!$A$1", "Data", "X", "\"Data!\"&'X'!$A$1"},
      {"'Other'!$A$1", "Data", "X", "'Other'!$A$1"},
      {"'unfinished", "Data", "X", "'unfinished"},
  };
  for (const Case& c : cases) EXPECT_EQ(RenameSheetInFormula(c.formula, c.from, c.to), c.renamed) << c.formula;
}

TEST(XlsxCarryEdits, DrawingAnchorsAreAppendedWithFreeShapeIds) {
  const std::string head = "<xdr:wsDr xmlns:xdr=\"urn:xdr\" xmlns:a=\"urn:a\">";
  const std::string chart = "<xdr:twoCellAnchor><xdr:graphicFrame><xdr:nvGraphicFramePr><xdr:cNvPr id=\"2\" "
                            "name=\"Chart 1\"/></xdr:nvGraphicFramePr></xdr:graphicFrame></xdr:twoCellAnchor>";
  const std::string picture = "<xdr:oneCellAnchor><xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"2\" name=\"P\"/>"
                              "</xdr:nvPicPr></xdr:pic></xdr:oneCellAnchor>";
  const std::string connector = "<xdr:absoluteAnchor><xdr:cxnSp><xdr:nvCxnSpPr><xdr:cNvPr id=\"3\" name=\"C\"/>"
                                "<xdr:cNvCxnSpPr><a:stCxn id=\"2\" idx=\"0\"/></xdr:cNvCxnSpPr></xdr:nvCxnSpPr>"
                                "</xdr:cxnSp></xdr:absoluteAnchor>";
  // The carried shapes clash with the chart's id 2: all move up by 2,
  // the connector's link with them.
  EXPECT_EQ(AppendDrawingAnchors(head + chart + "</xdr:wsDr>", {picture, connector}),
            head + chart +
                "<xdr:oneCellAnchor><xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"4\" name=\"P\"/></xdr:nvPicPr></xdr:pic>"
                "</xdr:oneCellAnchor>" +
                "<xdr:absoluteAnchor><xdr:cxnSp><xdr:nvCxnSpPr><xdr:cNvPr id=\"5\" name=\"C\"/>"
                "<xdr:cNvCxnSpPr><a:stCxn id=\"4\" idx=\"0\"/></xdr:cNvCxnSpPr></xdr:nvCxnSpPr>"
                "</xdr:cxnSp></xdr:absoluteAnchor></xdr:wsDr>");
  // No clash: as they are.
  EXPECT_EQ(AppendDrawingAnchors(head + "</xdr:wsDr>", {picture}), head + picture + "</xdr:wsDr>");
  EXPECT_EQ(AppendDrawingAnchors("<xdr:wsDr xmlns:xdr=\"urn:xdr\"/>", {picture}),
            "<xdr:wsDr xmlns:xdr=\"urn:xdr\">" + picture + "</xdr:wsDr>");
  const std::string part = NewDrawingPart({picture});
  EXPECT_NE(part.find("<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\""),
            std::string::npos);
  EXPECT_NE(part.find(picture + "</xdr:wsDr>"), std::string::npos);
}

TEST(XlsxCarryEdits, TextThatIsNotWellFormedIsRefused) {
  const char* broken[] = {
      "<a><b></a",       "<a b=\"1></a>", "<a b=1/>",   "<a><!-- open </a>", "<a><![CDATA[x</a>",
      "<a><?pi </a>",    "<a b></a>",     "<a/ >",      "<a><b c=\"1\"",     "< a/>",
  };
  for (const char* text : broken) {
    EXPECT_THROW(ChildElements(text, 0), XlsxProblem) << text;
  }
  // Markup that holds no element is skipped; '>' inside a value is text.
  const std::string text = "<?xml version=\"1.0\"?><!-- c --><r><a v=\"x>y\"/><!-- <b/> --><![CDATA[<c/>]]><d>t</d></r>";
  const ElementSpan root = DocumentElement(text);
  const std::vector<ElementSpan> children = ChildElements(text, root.content_begin);
  ASSERT_EQ(children.size(), 2u);
  EXPECT_EQ(children[0].name, "a");
  EXPECT_EQ(children[1].name, "d");
  EXPECT_EQ(text.substr(children[1].content_begin, children[1].content_end - children[1].content_begin), "t");
  EXPECT_EQ(Unescape("&lt;&amp;&#65;&#x42;&bogus;&"), "<&AB&bogus;&");
}

}  // namespace
}  // namespace plrxl::xlsx
