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

#include <array>
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

// The largest sheet a file may describe.
inline constexpr int kMaxFileRows = 1048576;
inline constexpr int kMaxFileColumns = 16384;

// A cell beyond the model's grid (column IV, row 65,536), kept as the file
// gave it. Shared strings come as inline texts and shared formulas as
// their own text, so the cell stands alone in any saved package.
struct CarriedCell {
  int col = 0;
  int style_id = 0;  // the model's style id
  std::string body;  // the element after its r and s attributes: ` t="b"><v>1</v></c>`
};

// A row the model does not wholly hold: its attributes beyond height and
// style (hidden, outline level, collapsed, thick borders) and its cells
// beyond the grid.
struct CarriedRow {
  int row = 0;
  std::string attributes;  // ` hidden="1" outlineLevel="2"`, escaped as written
  std::vector<CarriedCell> cells;  // by column
};

// Columns first..last with attributes beyond their width (hidden, outline
// level, collapsed, best fit).
struct CarriedColumns {
  int first = 0, last = 0;
  std::string width;       // as the file gave it; empty when none
  std::string attributes;  // ` hidden="1" outlineLevel="1"`
};

// The sheet's view and properties beyond what the model holds.
struct CarriedSheetLayout {
  std::string properties;         // <sheetPr> (tab colour, outline settings, fit to page...), as loaded
  std::string format_properties;  // <sheetFormatPr> (default sizes, rows hidden by default...), as loaded
  // Attributes of the first <sheetView> the model does not hold (gridlines,
  // zeros, right to left, the page break preview and its zooms...), escaped.
  std::vector<std::pair<std::string, std::string>> view_attributes;
  // Its <pane>, <selection>... as loaded, with the model's frozen panes and
  // selection they gave: used while the model still shows those.
  std::string view_children;
  std::pair<int, int> frozen{0, 0};
  int selection_row1 = 0, selection_col1 = 0, selection_row2 = 0, selection_col2 = 0;
  bool very_hidden = false;  // "veryHidden": while the sheet stays hidden
  std::vector<CarriedColumns> columns;
  std::vector<CarriedRow> rows;  // by row
  // Merged ranges reaching beyond the grid: first row, first col, last row, last col.
  std::vector<std::array<int, 4>> merges;

  bool Empty() const {
    return properties.empty() && format_properties.empty() && view_attributes.empty() && view_children.empty() &&
           !very_hidden && columns.empty() && rows.empty() && merges.empty();
  }
};

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
  CarriedSheetLayout layout;

  bool Empty() const {
    return elements.empty() && anchors.empty() && names.empty() && code_name.empty() && layout.Empty();
  }
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
