// FeatureCarrier: while a package loads, keeps what it holds beyond the
// model so the save can write it back (carried_features.h), and records in
// the workbook's losses what it cannot keep.
//
// Carried: every element of a sheet part after the cells but the merged
// cells and the drawing (which the model reads), the embedded objects and
// the controls; in the sheet's extension list only the conditional formats,
// data validations and sparklines of the 2010 format; the drawing anchors
// that hold no chart; the parts all these reach through relationships,
// with their content types and their own relationships; the comments of a
// sheet; the built-in names local to a sheet (print area, print titles,
// filter range); the styles' differential formats and table styles.
//
// An element naming a relationship that does not lead to a part that can be
// carried (missing, a part of the package's own structure, without a content
// type) is not carried and becomes a loss.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/spreadsheet_host.h"
#include "host/xlsx/internal/carried_features.h"
#include "host/xlsx/internal/load_budget.h"
#include "host/xlsx/internal/xml_util.h"

namespace plrxl::xlsx {

class ZipReader;

class FeatureCarrier {
 public:
  // `forbidden`: parts never carried (the workbook part and what it
  // refers to: sheets, styles, strings, theme...). Carried parts are added
  // to `consumed`; losses go to `losses`.
  FeatureCarrier(const ZipReader& zip, LoadBudget& budget, std::set<std::string> forbidden,
                 std::set<std::string>& consumed, std::vector<std::string>& losses);

  // The elements of a sheet part from `tail_begin` (just after its cells)
  // on. `text` is the whole part.
  void ReadSheetTail(const std::string& text, size_t tail_begin, const std::string& part, Worksheet& sheet);
  // What the sheet reader found beyond the model in the sheet's rows,
  // columns, view and properties (sheet_reader.h).
  void KeepLayout(Worksheet& sheet, CarriedSheetLayout layout);
  // The anchors of the sheet's drawing part at the given positions among
  // its elements (those the chart reader did not take).
  void ReadDrawingAnchors(const std::string& drawing_part, const std::vector<size_t>& anchors, Worksheet& sheet);
  // The styles part's differential formats and table styles.
  void ReadStyles(const std::string& text, const std::string& part);
  // A built-in name ("_xlnm.Print_Area") local to sheet (nullptr when its
  // sheet is not a worksheet). `attributes` are its others than name and
  // localSheetId.
  void ReadBuiltInName(const std::string& name, const std::string& formula,
                       std::vector<std::pair<std::string, std::string>> attributes, Worksheet* sheet);

  // The sheet's code name (<sheetPr codeName>); none when empty.
  void ReadCodeName(const std::string& code_name, Worksheet& sheet);
  // The part's content type by [Content_Types].xml; empty when it gives
  // none.
  std::string ContentTypeOf(const std::string& part);

  // Hands what was carried to the workbook and its sheets.
  void Finish(Workbook& workbook);

 private:
  void CarrySheetTail(const std::string& text, size_t tail_begin, const std::string& part, Worksheet& sheet);
  void CarryAnchors(const std::string& drawing_part, const std::vector<size_t>& anchors, Worksheet& sheet);
  CarriedSheetFeatures& FeaturesOf(Worksheet& sheet);
  // Carries the relationship's target part (and what it reaches); false
  // when it cannot be carried.
  bool CarryTarget(const Relationship& rel, CarriedParts& into);
  bool CarryPart(const std::string& part, CarriedParts& into, int depth);
  // Carries the relationships the xml names; false (and a loss) when one
  // of them cannot be carried.
  bool CarryRelationshipsOf(const std::string& xml, const Relationships& rels, const std::string& what,
                            std::vector<CarriedRelationship>& into, CarriedParts& parts);
  void Lose(const std::string& what);

  const ZipReader& zip_;
  LoadBudget& budget_;
  std::set<std::string> forbidden_;
  std::set<std::string>& consumed_;
  std::vector<std::string>& losses_;
  bool types_read_ = false;
  std::map<std::string, std::string> overrides_, defaults_;
  // Every part carried so far, so a part reached twice is held once.
  CarriedParts carried_;
  std::set<std::string> in_progress_;
  std::map<Worksheet*, CarriedSheetFeatures> sheets_;
  std::shared_ptr<CarriedWorkbookFeatures> workbook_;
};

}  // namespace plrxl::xlsx
