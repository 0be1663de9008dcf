// What a loaded workbook holds beyond the model and is written back as it
// was loaded: the features of a sheet (conditional formats, data
// validation, hyperlinks, auto filter, protection, tables, comments,
// pictures and shapes, print settings and areas...) and the styles they
// use. The model keeps these opaque (Worksheet::CarriedFeatures,
// Workbook::CarriedFeatures); only the .xlsx store reads them.
//
// Everything is kept as raw XML text and part bytes, with the
// relationships that tie them together, so a save reproduces what the
// model does not understand. Relationship ids and part names are the
// loaded file's; the save gives them fresh values where they would clash
// with what the writer makes.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace plrxl {

struct CarriedRelationship {
  std::string id;    // as loaded: "rId3"
  std::string type;  // the whole type URI
  // A part name ("xl/tables/table1.xml") or, when external, the target
  // as the file gave it ("https://example.com/?a=1").
  std::string target;
  bool external = false;
};

// A part reached from a carried element, and the parts it reaches in turn
// (their relationships; the parts themselves sit in the same map).
struct CarriedPart {
  std::string content_type;
  std::string bytes;
  std::vector<CarriedRelationship> relationships;
};

// An element of the sheet part after the cells, in its file text, with the
// namespace declarations it needs to stand in the saved sheet part.
struct CarriedElement {
  std::string name;  // local name: "conditionalFormatting"
  std::string xml;
};

// A built-in name local to the sheet (print area, print titles, filter
// range): written back with the sheet's index at save time.
struct CarriedName {
  std::string name;     // "_xlnm.Print_Area"
  std::string formula;  // "'Sheet 1'!$A$1:$D$20", references to the sheet as loaded
  std::vector<std::pair<std::string, std::string>> attributes;  // others than name and localSheetId
};

using CarriedParts = std::map<std::string, std::shared_ptr<const CarriedPart>>;  // key: loaded part name

struct CarriedSheetFeatures {
  std::string loaded_name;  // the sheet's name in the loaded file
  std::vector<CarriedElement> elements;  // file order
  // The sheet part's relationships the elements name, and its comments.
  std::vector<CarriedRelationship> relationships;
  // Anchors of the sheet's drawing that hold no chart (pictures, shapes),
  // with the namespace declarations they need, and the drawing part's
  // relationships they name.
  std::vector<std::string> anchors;
  std::vector<CarriedRelationship> anchor_relationships;
  // Every internal part the relationships above reach, directly or not.
  CarriedParts parts;
  std::vector<CarriedName> names;
  // The sheet's code name (<sheetPr codeName>), which the macros of the
  // workbook may use; empty when the file gave none.
  std::string code_name;

  bool Empty() const { return elements.empty() && anchors.empty() && names.empty() && code_name.empty(); }
};

struct CarriedWorkbookFeatures {
  // Elements of the styles part, as loaded: the differential formats that
  // conditional formats and tables refer to by index, and the table styles.
  std::string dxfs;
  std::string table_styles;
  // Elements of the workbook part as loaded, where they differ from what
  // the writer makes: <workbookPr> (code name and other properties; its
  // date1904 follows the model), <workbookProtection>, <bookViews> (its
  // active tab follows the model) and <calcPr>.
  std::vector<CarriedElement> workbook_elements;
  // The theme part's bytes, when they differ from the writer's theme.
  std::string theme;
  // The first <font> of the styles part, the workbook's default font, when
  // it differs from the writer's, with its name and size.
  std::string default_font;
  std::string default_font_name;
  double default_font_size = 11;

  bool Empty() const {
    return dxfs.empty() && table_styles.empty() && workbook_elements.empty() && theme.empty() && default_font.empty();
  }
};

}  // namespace plrxl
