// Settings of the whole workbook go through a load and a save as the file
// held them: the date system (and the dates under it), names local to a
// sheet, cell formats the model once flattened, the default font, code
// names, calculation settings, the window, structure protection and the
// theme. Workbooks that other programs save in ways the format allows load
// without a loss. Each case is a package built here part by part, saved
// through the store and read back from the saved XML and the model.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "host/memory/memory_host.h"
#include "host/regional.h"
#include "host/xlsx/xlsx_store.h"
#include "tests/host/package_files.h"
#include "tests/host/xlsx_test_util.h"

namespace plrxl {
namespace {

using testing_xlsx::ReadPart;
using testing_xlsx::Replaced;
using testing_xlsx::TempFolder;
using Parts = std::map<std::string, std::string>;

constexpr const char* kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kTheme =
    "<?xml version=\"1.0\"?><a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
    "name=\"Own Theme\"><a:themeElements><a:clrScheme name=\"Own\"><a:dk1><a:srgbClr val=\"101010\"/></a:dk1>"
    "<a:lt1><a:srgbClr val=\"FAFAFA\"/></a:lt1></a:clrScheme></a:themeElements></a:theme>";

bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

std::string Sheet(const std::string& head, const std::string& data, const std::string& tail = "") {
  return std::string("<?xml version=\"1.0\"?><worksheet xmlns=\"") + kMain + "\" xmlns:r=\"" + kRel + "\">" + head +
         "<sheetData>" + data + "</sheetData>" + tail + "</worksheet>";
}

// Three sheets ("Data", "Notes", "Third"), a styles part with a date
// format (xf 1), and a theme of its own.
Parts BasePackage() {
  Parts parts;
  parts["[Content_Types].xml"] =
      "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"bin\" ContentType=\"application/vnd.ms-office.vbaProject\"/>"
      "<Override PartName=\"/xl/drawings/drawing1.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.drawing+xml\"/></Types>";
  parts["_rels/.rels"] =
      "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
      "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
  parts["xl/workbook.xml"] = std::string("<?xml version=\"1.0\"?><workbook xmlns=\"") + kMain + "\" xmlns:r=\"" +
                             kRel +
                             "\"><workbookPr/><sheets><sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/>"
                             "<sheet name=\"Notes\" sheetId=\"2\" r:id=\"rId2\"/>"
                             "<sheet name=\"Third\" sheetId=\"3\" r:id=\"rId3\"/></sheets></workbook>";
  std::string rels =
      "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  for (int i = 1; i <= 3; ++i) {
    rels += "<Relationship Id=\"rId" + std::to_string(i) +
            "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
            "Target=\"worksheets/sheet" + std::to_string(i) + ".xml\"/>";
  }
  rels +=
      "<Relationship Id=\"rId4\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
      "Target=\"styles.xml\"/>"
      "<Relationship Id=\"rId5\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/theme\" "
      "Target=\"theme/theme1.xml\"/></Relationships>";
  parts["xl/_rels/workbook.xml.rels"] = rels;
  parts["xl/styles.xml"] = std::string("<?xml version=\"1.0\"?><styleSheet xmlns=\"") + kMain +
                           "\"><fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
                           "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
                           "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
                           "<borders count=\"1\"><border/></borders>"
                           "<cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
                           "<xf numFmtId=\"14\" fontId=\"0\" fillId=\"0\" borderId=\"0\" applyNumberFormat=\"1\"/>"
                           "</cellXfs></styleSheet>";
  parts["xl/theme/theme1.xml"] = kTheme;
  parts["xl/worksheets/sheet1.xml"] = Sheet("", "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
  parts["xl/worksheets/sheet2.xml"] = Sheet("", "<row r=\"1\"><c r=\"A1\"><v>2</v></c></row>");
  parts["xl/worksheets/sheet3.xml"] = Sheet("", "<row r=\"1\"><c r=\"A1\"><v>3</v></c></row>");
  return parts;
}

std::string WithWorkbookChildren(const Parts& parts, const std::string& before_sheets, const std::string& after = "") {
  std::string text = Replaced(parts.at("xl/workbook.xml"), "<workbookPr/>", before_sheets);
  return after.empty() ? text : Replaced(text, "</workbook>", after + "</workbook>");
}

struct Loaded {
  MemoryHost host{MakeXlsxStore(), RegionalSettings{}};
  Workbook* book = nullptr;
};

struct SettingsCase {
  const char* label;
  std::function<void(Parts&)> make;
  const char* file = "Book.xlsx";
  // Checks the loaded model (before any save) and again after each reload.
  std::function<void(Workbook&)> check_model;
  // Checks the saved package (path) against the loaded one.
  std::function<void(const std::string& loaded, const std::string& saved)> check_file;
};

const SettingsCase kCases[] = {
    {"1904 date system",
     [](Parts& p) {
       p["xl/workbook.xml"] = WithWorkbookChildren(p, "<workbookPr date1904=\"1\" defaultThemeVersion=\"166925\"/>");
       // 43830 days after 1 January 1904 is 1 January 2024.
       p["xl/worksheets/sheet2.xml"] = Sheet("", "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>43830.5</v></c>"
                                                 "<c r=\"B1\"><v>43830</v></c>"
                                                 "<c r=\"C1\" s=\"1\"><v>0.25</v></c></row>");
     },
     "Book.xlsx",
     [](Workbook& book) {
       EXPECT_TRUE(book.Date1904());
       const Variant date = book.WorksheetAt(2).CellValue(1, 1);
       EXPECT_TRUE(date.IsDate());
       EXPECT_EQ(date.Number(), DateSerial(2024, 1, 1) + 0.5);
       EXPECT_EQ(book.WorksheetAt(2).CellValue(1, 2).Number(), 43830);  // a plain number stays
       EXPECT_EQ(book.WorksheetAt(2).CellValue(1, 3).Number(), 0.25);  // a time of day stays
     },
     [](const std::string&, const std::string& saved) {
       EXPECT_TRUE(Has(ReadPart(saved, "xl/workbook.xml"), "date1904=\"1\""));
       EXPECT_TRUE(Has(ReadPart(saved, "xl/workbook.xml"), "defaultThemeVersion=\"166925\""));
       const std::string notes = ReadPart(saved, "xl/worksheets/sheet2.xml");
       EXPECT_TRUE(Has(notes, "<v>43830.5</v>")) << notes;
       EXPECT_TRUE(Has(notes, "<v>43830</v>")) << notes;
       EXPECT_TRUE(Has(notes, "<v>0.25</v>")) << notes;
     }},
    {"names local to sheets",
     [](Parts& p) {
       p["xl/workbook.xml"] = WithWorkbookChildren(
           p, "<workbookPr/>",
           "<definedNames><definedName name=\"Rate\" localSheetId=\"0\">Data!$B$1</definedName>"
           "<definedName name=\"Rate\" localSheetId=\"2\">Third!$B$2</definedName>"
           "<definedName name=\"Rate\">Notes!$B$3</definedName>"
           "<definedName name=\"Secret\" hidden=\"1\" comment=\"kept out of sight\">Notes!$C$1</definedName>"
           "</definedNames>");
     },
     "Book.xlsx",
     [](Workbook& book) {
       ASSERT_EQ(book.NameCount(), 4);
       EXPECT_EQ(book.NameAt(1).scope, nullptr);  // the workbook's own first
       EXPECT_EQ(book.NameAt(1).refers_to, "='Notes'!R3C2");
       EXPECT_EQ(book.NameAt(2).scope, &book.WorksheetAt(1));
       EXPECT_EQ(book.NameAt(2).refers_to, "='Data'!R1C2");
       EXPECT_EQ(book.NameAt(3).scope, &book.WorksheetAt(3));
       EXPECT_EQ(book.NameAt(3).refers_to, "='Third'!R2C2");
       EXPECT_FALSE(book.NameAt(4).visible);
       EXPECT_EQ(book.NameAt(4).comment, "kept out of sight");
       EXPECT_EQ(book.FindName("rate"), &book.NameAt(1));
     },
     [](const std::string&, const std::string& saved) {
       const std::string workbook = ReadPart(saved, "xl/workbook.xml");
       EXPECT_TRUE(Has(workbook, "<definedName name=\"Rate\" localSheetId=\"0\">Data!$B$1</definedName>")) << workbook;
       EXPECT_TRUE(Has(workbook, "<definedName name=\"Rate\" localSheetId=\"2\">Third!$B$2</definedName>"));
       EXPECT_TRUE(Has(workbook, "<definedName name=\"Rate\">Notes!$B$3</definedName>"));
       EXPECT_TRUE(Has(workbook, "<definedName name=\"Secret\" comment=\"kept out of sight\" hidden=\"1\">"));
     }},
    {"cell formats and the default font",
     [](Parts& p) {
       p["xl/styles.xml"] =
           std::string("<?xml version=\"1.0\"?><styleSheet xmlns=\"") + kMain +
           "\"><fonts count=\"2\"><font><sz val=\"10\"/><name val=\"Arial\"/><family val=\"2\"/></font>"
           "<font><strike/><sz val=\"10\"/><name val=\"Arial\"/></font>"
           "<font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
           "<fills count=\"3\"><fill><patternFill patternType=\"none\"/></fill>"
           "<fill><patternFill patternType=\"gray125\"/></fill>"
           "<fill><patternFill patternType=\"darkGrid\"><fgColor rgb=\"FFFF0000\"/><bgColor rgb=\"FF00FF00\"/>"
           "</patternFill></fill></fills><borders count=\"1\"><border/></borders><cellXfs count=\"8\">"
           "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
           "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\"/>"
           "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"><alignment textRotation=\"45\"/></xf>"
           "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"><alignment horizontal=\"left\" indent=\"2\"/>"
           "</xf><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"><alignment "
           "horizontal=\"centerContinuous\" textRotation=\"255\"/></xf>"
           "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"2\" borderId=\"0\"/>"
           "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"><alignment shrinkToFit=\"1\" "
           "textRotation=\"135\"/></xf><xf numFmtId=\"0\" fontId=\"2\" fillId=\"0\" borderId=\"0\"/>"
           "</cellXfs></styleSheet>";
       std::string cells = "<row r=\"1\">";
       for (int s = 0; s <= 7; ++s) {
         cells += "<c r=\"" + std::string(1, static_cast<char>('A' + s)) + "1\" s=\"" + std::to_string(s) +
                  "\"><v>" + std::to_string(s) + "</v></c>";
       }
       p["xl/worksheets/sheet1.xml"] = Sheet("", cells + "</row>");
     },
     "Book.xlsx",
     [](Workbook& book) {
       Worksheet& sheet = book.WorksheetAt(1);
       EXPECT_EQ(sheet.CellStyleAt(1, 1).font_name, "Arial");
       EXPECT_EQ(sheet.CellStyleAt(1, 1).font_size, 10);
       EXPECT_TRUE(sheet.CellStyleAt(1, 2).strikethrough);
       EXPECT_EQ(sheet.CellStyleAt(1, 3).rotation, 45);
       EXPECT_EQ(sheet.CellStyleAt(1, 4).indent, 2);
       EXPECT_EQ(sheet.CellStyleAt(1, 4).h_align, HAlign::kLeft);
       EXPECT_EQ(sheet.CellStyleAt(1, 5).h_align, HAlign::kCenterAcross);
       EXPECT_EQ(sheet.CellStyleAt(1, 5).rotation, 255);
       const CellStyle fill = sheet.CellStyleAt(1, 6);
       EXPECT_EQ(fill.fill_pattern, FillPattern::kDarkGrid);
       EXPECT_EQ(fill.pattern_color, 0xFF0000u);
       EXPECT_EQ(fill.fill_color, 0x00FF00u);
       EXPECT_TRUE(sheet.CellStyleAt(1, 7).shrink_to_fit);
       EXPECT_EQ(sheet.CellStyleAt(1, 7).rotation, 135);
       EXPECT_EQ(sheet.CellStyleAt(1, 8).font_name, "Calibri");  // not the default here
       EXPECT_EQ(sheet.CellStyleAt(1, 8).font_size, 11);
     },
     [](const std::string&, const std::string& saved) {
       const std::string styles = ReadPart(saved, "xl/styles.xml");
       // The first font, right after the start tag of <fonts>.
       EXPECT_TRUE(Has(styles, "\"><font><sz val=\"10\"/><name val=\"Arial\"/><family val=\"2\"/></font>"))
           << styles;
       EXPECT_TRUE(Has(styles, "<strike/>"));
       EXPECT_TRUE(Has(styles, "patternType=\"darkGrid\""));
       EXPECT_TRUE(Has(styles, "horizontal=\"centerContinuous\""));
       EXPECT_TRUE(Has(styles, "shrinkToFit=\"1\""));
       EXPECT_TRUE(Has(styles, "textRotation=\"135\""));
     }},
    {"code names of a macro workbook",
     [](Parts& p) {
       p["xl/workbook.xml"] = WithWorkbookChildren(p, "<workbookPr codeName=\"DieseArbeitsmappe\"/>");
       p["xl/worksheets/sheet1.xml"] =
           Sheet("<sheetPr codeName=\"Tabelle1\"/>", "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
       p["xl/worksheets/sheet3.xml"] =
           Sheet("<sheetPr codeName=\"Tabelle7\"><tabColor rgb=\"FF00FF00\"/></sheetPr>",
                 "<row r=\"1\"><c r=\"A1\"><v>3</v></c></row>");
       p["xl/vbaProject.bin"] = "not a real project, carried as bytes";
       p["xl/_rels/workbook.xml.rels"] = Replaced(
           p["xl/_rels/workbook.xml.rels"], "</Relationships>",
           "<Relationship Id=\"rId9\" Type=\"http://schemas.microsoft.com/office/2006/relationships/vbaProject\" "
           "Target=\"vbaProject.bin\"/></Relationships>");
     },
     "Book.xlsm",
     nullptr,
     [](const std::string&, const std::string& saved) {
       EXPECT_TRUE(Has(ReadPart(saved, "xl/workbook.xml"), "<workbookPr codeName=\"DieseArbeitsmappe\"/>"))
           << ReadPart(saved, "xl/workbook.xml");
       EXPECT_TRUE(Has(ReadPart(saved, "xl/worksheets/sheet1.xml"), "<sheetPr codeName=\"Tabelle1\"/>"));
       EXPECT_FALSE(Has(ReadPart(saved, "xl/worksheets/sheet2.xml"), "codeName"))
           << ReadPart(saved, "xl/worksheets/sheet2.xml");
       EXPECT_TRUE(Has(ReadPart(saved, "xl/worksheets/sheet3.xml"), "codeName=\"Tabelle7\""));
     }},
    {"calculation, window, protection and theme",
     [](Parts& p) {
       p["xl/workbook.xml"] = WithWorkbookChildren(
           p,
           "<workbookPr/><workbookProtection lockStructure=\"1\" workbookPassword=\"CC3D\"/><bookViews>"
           "<workbookView xWindow=\"0\" yWindow=\"0\" windowWidth=\"28800\" windowHeight=\"12300\" tabRatio=\"700\" "
           "firstSheet=\"1\" activeTab=\"2\"/></bookViews>",
           "<calcPr calcId=\"191029\" calcMode=\"manual\" iterate=\"1\"/>");
     },
     "Book.xlsx",
     [](Workbook& book) { EXPECT_EQ(book.ActiveSheet(), &book.WorksheetAt(3)); },
     [](const std::string& loaded, const std::string& saved) {
       const std::string workbook = ReadPart(saved, "xl/workbook.xml");
       EXPECT_TRUE(Has(workbook, "<workbookProtection lockStructure=\"1\" workbookPassword=\"CC3D\"/>")) << workbook;
       EXPECT_TRUE(Has(workbook, "<workbookView xWindow=\"0\" yWindow=\"0\" windowWidth=\"28800\" "
                                 "windowHeight=\"12300\" tabRatio=\"700\" firstSheet=\"1\" activeTab=\"2\"/>"));
       EXPECT_TRUE(Has(workbook, "<calcPr calcId=\"191029\" calcMode=\"manual\" iterate=\"1\"/>"));
       EXPECT_EQ(ReadPart(saved, "xl/theme/theme1.xml"), ReadPart(loaded, "xl/theme/theme1.xml"));
     }},
    {"long sheet names in other scripts, part names in other case",
     [](Parts& p) {
       // 11 Chinese characters (33 bytes), 16 accented ones (32 bytes).
       p["xl/workbook.xml"] = Replaced(Replaced(p["xl/workbook.xml"], "name=\"Data\"",
                                                "name=\"\xe6\x95\xb0\xe6\x8d\xae\xe6\x95\xb0\xe6\x8d\xae\xe6\x95\xb0"
                                                "\xe6\x8d\xae\xe6\x95\xb0\xe6\x8d\xae\xe6\x95\xb0\xe6\x8d\xae\xe6\x95"
                                                "\xb0\""),
                                       "name=\"Notes\"", "name=\"\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"
                                                        "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"
                                                        "\xc3\xa9\xc3\xa9\xc3\xa9\"");
       p["xl/_rels/workbook.xml.rels"] =
           Replaced(p["xl/_rels/workbook.xml.rels"], "worksheets/sheet3.xml", "Worksheets/Sheet3.XML");
     },
     "Book.xlsx",
     [](Workbook& book) {
       EXPECT_EQ(book.WorksheetAt(1).Name().size(), 33u);
       EXPECT_EQ(book.WorksheetAt(3).CellValue(1, 1).Number(), 3);
     },
     nullptr},
    {"Mac view flag, stray files, shapes linking inside the workbook",
     [](Parts& p) {
       p["xl/worksheets/sheet1.xml"] = Sheet(
           "", "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>",
           "<drawing r:id=\"rId1\"/><extLst><ext uri=\"{64002731-A6B0-56B0-2670-7721B7C09600}\" "
           "xmlns:mx=\"http://schemas.microsoft.com/office/mac/excel/2008/main\"><mx:PLV Mode=\"1\" OnePage=\"0\" "
           "WScale=\"0\"/></ext></extLst>");
       p["xl/worksheets/_rels/sheet1.xml.rels"] =
           "<?xml version=\"1.0\"?><Relationships "
           "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/drawing\" "
           "Target=\"../drawings/drawing1.xml\"/></Relationships>";
       p["xl/drawings/drawing1.xml"] =
           "<?xml version=\"1.0\"?><xdr:wsDr "
           "xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
           "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" xmlns:r=\"" +
           std::string(kRel) +
           "\"><xdr:twoCellAnchor><xdr:from><xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>1</xdr:row>"
           "<xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>3</xdr:col><xdr:colOff>0</xdr:colOff>"
           "<xdr:row>4</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to><xdr:sp macro=\"\" textlink=\"\"><xdr:nvSpPr>"
           "<xdr:cNvPr id=\"2\" name=\"Go to notes\"><a:hlinkClick r:id=\"rId1\"/></xdr:cNvPr><xdr:cNvSpPr/>"
           "</xdr:nvSpPr><xdr:spPr><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></xdr:spPr></xdr:sp>"
           "<xdr:clientData/></xdr:twoCellAnchor></xdr:wsDr>";
       p["xl/drawings/_rels/drawing1.xml.rels"] =
           "<?xml version=\"1.0\"?><Relationships "
           "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/hyperlink\" "
           "Target=\"#Notes!A1\"/></Relationships>";
       p[".DS_Store"] = std::string("\0\0\0\1Bud1", 8);
       p["[trash]/0000.dat"] = "left over";
     },
     "Book.xlsx",
     nullptr,
     [](const std::string&, const std::string& saved) {
       EXPECT_TRUE(Has(ReadPart(saved, "xl/worksheets/sheet1.xml"), "<mx:PLV Mode=\"1\""));
       const std::string drawing = ReadPart(saved, "xl/drawings/drawing1.xml");
       EXPECT_TRUE(Has(drawing, "name=\"Go to notes\"")) << drawing;
       const std::string rels = ReadPart(saved, "xl/drawings/_rels/drawing1.xml.rels");
       EXPECT_TRUE(Has(rels, "Target=\"#Notes!A1\"/>")) << rels;
       EXPECT_FALSE(Has(rels, "TargetMode"));
       EXPECT_EQ(ReadPart(saved, ".DS_Store"), "");
     }},
};

TEST(XlsxWorkbookSettings, KeptThroughASave) {
  for (const SettingsCase& c : kCases) {
    SCOPED_TRACE(c.label);
    TempFolder folder;
    const std::string loaded_path = folder.File(std::string("In") + c.file);
    const std::string saved_path = folder.File(std::string("Out") + c.file);
    Parts parts = BasePackage();
    c.make(parts);
    testing_xlsx::WriteParts(loaded_path, parts);
    {
      Loaded loaded;
      Workbook& book = loaded.host.OpenWorkbook(loaded_path);
      EXPECT_TRUE(book.Losses().empty()) << book.Losses().front();
      EXPECT_TRUE(book.Warnings().empty()) << book.Warnings().front();
      if (c.check_model) c.check_model(book);
      book.SaveAs(saved_path);
    }
    if (c.check_file) c.check_file(loaded_path, saved_path);
    Loaded reloaded;
    Workbook& again = reloaded.host.OpenWorkbook(saved_path);
    EXPECT_TRUE(again.Losses().empty()) << again.Losses().front();
    if (c.check_model) c.check_model(again);
  }
}

// A date the system writes into a 1904 workbook reads back as the same day
// there and here; the model's own date arithmetic is the 1900 system's.
TEST(XlsxWorkbookSettings, DatesWrittenIntoA1904Workbook) {
  TempFolder folder;
  Parts parts = BasePackage();
  parts["xl/workbook.xml"] = WithWorkbookChildren(parts, "<workbookPr date1904=\"1\"/>");
  testing_xlsx::WriteParts(folder.File("In.xlsx"), parts);
  {
    Loaded loaded;
    Workbook& book = loaded.host.OpenWorkbook(folder.File("In.xlsx"));
    book.WorksheetAt(1).SetCellValue(2, 1, Variant::Date(DateSerial(2025, 6, 30)));
    book.SaveAs(folder.File("Out.xlsx"));
  }
  EXPECT_TRUE(Has(ReadPart(folder.File("Out.xlsx"), "xl/worksheets/sheet1.xml"),
                  "<v>" + std::to_string(static_cast<int>(DateSerial(2025, 6, 30)) - 1462) + "</v>"));
  Loaded reloaded;
  Workbook& again = reloaded.host.OpenWorkbook(folder.File("Out.xlsx"));
  EXPECT_EQ(again.WorksheetAt(1).CellValue(2, 1).Number(), DateSerial(2025, 6, 30));
}

// A workbook this system wrote carries nothing of the workbook's: its
// settings are the writer's own.
TEST(XlsxWorkbookSettings, OwnWorkbooksCarryNothing) {
  TempFolder folder;
  {
    MemoryHost host(MakeXlsxStore(), RegionalSettings{});
    Workbook& book = host.AddWorkbook();
    book.AddWorksheet();
    book.WorksheetAt(2).Activate();
    book.SaveAs(folder.File("Own.xlsx"));
    book.SaveAs(folder.File("Own.xlsm"));
  }
  for (const char* file : {"Own.xlsx", "Own.xlsm"}) {
    MemoryHost host(MakeXlsxStore(), RegionalSettings{});
    Workbook& book = host.OpenWorkbook(folder.File(file));
    EXPECT_EQ(book.CarriedFeatures(), nullptr) << file;
    EXPECT_FALSE(book.Date1904());
  }
}

// Names local to a sheet go with it; a name is defined once per scope.
TEST(XlsxWorkbookSettings, LocalNamesInTheModel) {
  MemoryHost host(nullptr, RegionalSettings{});
  Workbook& book = host.AddWorkbook();
  Worksheet& first = book.WorksheetAt(1);
  Worksheet& second = book.AddWorksheet();
  book.DefineName({"Total", "=Sheet1!R1C1", true, &first, ""});
  book.DefineName({"Total", "=Sheet2!R1C1", true, &second, ""});
  book.DefineName({"Total", "=Sheet2!R9C9", true, &second, "again"});
  EXPECT_EQ(book.NameCount(), 2);
  first.Activate();
  ASSERT_NE(book.FindName("TOTAL"), nullptr);
  EXPECT_EQ(book.FindName("TOTAL")->refers_to, "=Sheet1!R1C1");
  second.Activate();
  EXPECT_EQ(book.FindName("total")->refers_to, "=Sheet2!R9C9");
  book.DeleteWorksheet(second);
  EXPECT_EQ(book.NameCount(), 1);
  MemoryHost other(nullptr, RegionalSettings{});
  Worksheet& foreign = other.AddWorkbook().WorksheetAt(1);
  EXPECT_THROW(book.DefineName({"X", "=A1", true, &foreign, ""}), Error);
}

}  // namespace
}  // namespace plrxl
