// The text edits that put carried features (carried_features.h) back into
// the parts the writer made: elements placed in schema order, relationship
// ids renamed, relationships, content types and defined names merged,
// drawing anchors appended. Each takes and returns part text; none touches
// a package. Texts that are not well-formed throw XlsxProblem.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "host/xlsx/internal/carried_features.h"

namespace plrxl::xlsx {

// The namespaces carried parts refer to.
inline constexpr const char* kMainNamespace = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline constexpr const char* kRelationshipsNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr const char* kMarkupCompatibilityNamespace =
    "http://schemas.openxmlformats.org/markup-compatibility/2006";

// The child elements of a sheet part after the cells, in the order the
// format requires.
extern const std::vector<std::string_view> kSheetTailOrder;
// The child elements of a workbook part, in order.
extern const std::vector<std::string_view> kWorkbookOrder;
// The child elements of the styles part, in order.
extern const std::vector<std::string_view> kStylesheetOrder;

// The element's text with an xmlns declaration added to its start tag for
// every prefix it uses without declaring it, bound as `scope` binds it
// (the declarations in force where it was loaded), so it can stand in
// another part. The default namespace is declared when the scope's
// differs from `target_default`, the one of the part it goes to. Prefixes
// named by `ignorable` (the loaded part's markup-compatibility Ignorable
// list) that the element uses are declared ignorable on it as well.
std::string DeclareNamespaces(std::string_view element, const std::map<std::string, std::string>& scope,
                              std::string_view ignorable, std::string_view target_default);

// Places elements among the children of the element whose content starts
// at `from` in text (its start tag, or for a sheet tail the end of the
// cells), following `order`: each carried element replaces the children
// of the same local name, and goes after the children that come before it
// in `order`. Elements of the same name keep their order.
std::string PlaceElements(std::string_view text, size_t from, const std::vector<std::string_view>& order,
                          const std::vector<CarriedElement>& elements);

// A sheet part's text from the end of its cells on ("</sheetData>...")
// with the elements placed into it.
std::string SpliceSheetTail(std::string_view tail, const std::vector<CarriedElement>& elements);

// Relationship ids the xml names, through attributes in the relationships
// namespace (r:id, r:embed, r:link...), each once, in order of first use.
// The xml must declare the prefixes it uses (DeclareNamespaces).
std::vector<std::string> RelationshipIdsIn(std::string_view xml);
// The xml with those ids renamed; ids not in `renamed` stay.
std::string RenameRelationshipIds(std::string_view xml, const std::map<std::string, std::string>& renamed);

// One relationship to write: its target relative to the source part
// (RelativeTarget) or external.
struct RelationshipEntry {
  std::string id, type, target;
  bool external = false;
};
// The target of a relationship from part `from` to part `to`, relative to
// from's folder: "xl/worksheets/sheet1.xml" -> "xl/tables/table1.xml" is
// "../tables/table1.xml".
std::string RelativeTarget(const std::string& from, const std::string& to);
// The relationships part with the entries added; a new part when rels is
// empty.
std::string MergeRelationships(std::string_view rels, const std::vector<RelationshipEntry>& added);

// [Content_Types].xml with an Override for every part (name -> content
// type) whose type it does not already give, by Override or by Default.
std::string MergeContentTypes(std::string_view types, const std::map<std::string, std::string>& parts);

// A defined name to write into the workbook part.
struct NameEntry {
  std::string name;
  int local_sheet = 0;  // 0-based sheet index; -1 for a workbook name
  std::string formula;
  std::vector<std::pair<std::string, std::string>> attributes;
};
// The workbook part with the names in its <definedNames> (made when
// missing); a name already there for the same sheet is kept, not doubled.
std::string MergeDefinedNames(std::string_view workbook, const std::vector<NameEntry>& names);

// The formula with its references to sheet `from` (case-blind, quoted or
// not) turned into references to sheet `to`; string literals untouched.
std::string RenameSheetInFormula(std::string_view formula, const std::string& from, const std::string& to);

// The drawing part with the anchors appended. When their shape ids clash
// with the part's, they are moved past the part's highest (connections
// between carried shapes move with them).
std::string AppendDrawingAnchors(std::string_view drawing, const std::vector<std::string>& anchors);
// A drawing part holding only the anchors.
std::string NewDrawingPart(const std::vector<std::string>& anchors);

}  // namespace plrxl::xlsx
