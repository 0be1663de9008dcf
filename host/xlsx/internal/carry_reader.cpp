#include "host/xlsx/internal/carry_reader.h"

#include <algorithm>
#include <cctype>

#include "host/xlsx/internal/carry_edits.h"
#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/xml_scan.h"
#include "host/xlsx/internal/zip_reader.h"

namespace plrxl::xlsx {

namespace {

// How deep a chain of parts (sheet -> drawing -> picture...) may go.
constexpr int kMaxPartDepth = 8;

// Elements after the cells that the model reads itself, and those before
// the cells (none of which is carried).
constexpr const char* kModelElements[] = {"sheetPr", "dimension", "sheetViews", "sheetFormatPr", "cols",
                                          "sheetData", "mergeCells", "drawing"};

struct Feature {
  const char* element;
  const char* description;
};
// What the losses call the sheet elements; those marked lost are never
// carried (they need parts of the workbook's own, or the shapes of a
// drawing the model rewrites).
constexpr Feature kFeatureNames[] = {
    {"conditionalFormatting", "conditional formatting"},
    {"dataValidations", "data validation"},
    {"hyperlinks", "hyperlinks"},
    {"autoFilter", "auto filter"},
    {"sheetProtection", "sheet protection"},
    {"tableParts", "tables"},
    {"legacyDrawing", "comments"},
    {"legacyDrawingHF", "header and footer pictures"},
    {"picture", "background picture"},
    {"sortState", "sort state"},
    {"scenarios", "scenarios"},
    {"pageSetup", "page setup"},
    {"extLst", "extensions"},
};
constexpr Feature kLostElements[] = {
    {"oleObjects", "embedded objects"},
    {"controls", "controls"},
    {"AlternateContent", "embedded objects or controls"},
};

// Extensions of the sheet part that need nothing but their own text:
// conditional formats, data validations and sparklines of the 2010 format,
// and the page-layout view setting the Mac version keeps (under either of
// its names; compared in capitals).
constexpr const char* kCarriedExtensions[] = {
    "{78C0D931-6437-407D-A8EE-F0AAD7539E65}",
    "{CCE6A557-97BC-4B89-ADB6-D9C93CAAB3DF}",
    "{05C60535-1F16-4FD2-B633-F4F36F0B64E0}",
    "{64002731-A6B0-56B0-2670-7721B7C09600}",
    "HTTP://SCHEMAS.MICROSOFT.COM/OFFICE/MAC/EXCEL/2008/MAIN",
};

constexpr const char* kAnchors[] = {"twoCellAnchor", "oneCellAnchor", "absoluteAnchor"};

// The page margins the writer gives every sheet: carrying them changes
// nothing, and a workbook saved here stays free of carried features.
constexpr const char* kWrittenPageMargins =
    "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>";

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsRels(const std::string& part) { return part.size() > 5 && part.compare(part.size() - 5, 5, ".rels") == 0; }

std::string Describe(std::string_view local) {
  for (const Feature& f : kFeatureNames) {
    if (local == f.element) return f.description;
  }
  return "<" + std::string(local) + ">";
}

// The namespace declarations of a start tag and its markup-compatibility
// Ignorable list.
struct Scope {
  std::map<std::string, std::string> namespaces;
  std::string ignorable;
};

Scope ScopeOf(std::string_view text, const StartTag& tag) {
  Scope scope;
  for (const AttributeSpan& a : tag.attributes) {
    const std::string value = Unescape(text.substr(a.value_begin, a.value_end - a.value_begin));
    if (a.name == "xmlns") scope.namespaces[""] = value;
    if (a.name.rfind("xmlns:", 0) == 0) scope.namespaces[a.name.substr(6)] = value;
    const size_t colon = a.name.find(':');
    if (colon != std::string::npos && a.name.substr(colon + 1) == "Ignorable") scope.ignorable = value;
  }
  return scope;
}

}  // namespace

FeatureCarrier::FeatureCarrier(const ZipReader& zip, LoadBudget& budget, std::set<std::string> forbidden,
                               std::set<std::string>& consumed, std::vector<std::string>& losses)
    : zip_(zip), budget_(budget), forbidden_(std::move(forbidden)), consumed_(consumed), losses_(losses) {}

void FeatureCarrier::Lose(const std::string& what) {
  if (std::find(losses_.begin(), losses_.end(), what) == losses_.end()) losses_.push_back(what);
}

CarriedSheetFeatures& FeatureCarrier::FeaturesOf(Worksheet& sheet) {
  auto [at, added] = sheets_.try_emplace(&sheet);
  if (added) at->second.loaded_name = sheet.Name();
  return at->second;
}

std::string FeatureCarrier::ContentTypeOf(const std::string& part) {
  if (!types_read_) {
    types_read_ = true;
    try {
      const std::string text = zip_.Has("[Content_Types].xml") ? zip_.Read("[Content_Types].xml") : std::string();
      ForEachStartTag(text, [&](const StartTag& tag) {
        const std::string_view name = std::string_view(tag.name).substr(tag.name.find(':') + 1);
        if (name == "Override") {
          std::string part_name = AttributeValue(text, tag, "PartName");
          if (!part_name.empty() && part_name[0] == '/') part_name.erase(0, 1);
          overrides_[Lower(part_name)] = AttributeValue(text, tag, "ContentType");
        } else if (name == "Default") {
          defaults_[Lower(AttributeValue(text, tag, "Extension"))] = AttributeValue(text, tag, "ContentType");
        }
      });
    } catch (const XlsxProblem&) {
      // Without its content types no part can be carried: each is a loss.
      overrides_.clear();
      defaults_.clear();
    }
  }
  if (auto by_name = overrides_.find(Lower(part)); by_name != overrides_.end()) return by_name->second;
  const size_t dot = part.rfind('.');
  if (dot != std::string::npos && part.find('/', dot) == std::string::npos) {
    if (auto by_extension = defaults_.find(Lower(part.substr(dot + 1))); by_extension != defaults_.end()) {
      return by_extension->second;
    }
  }
  return {};
}

bool FeatureCarrier::CarryPart(const std::string& part, CarriedParts& into, int depth) {
  if (carried_.count(part) != 0 || in_progress_.count(part) != 0) return true;
  if (depth > kMaxPartDepth || forbidden_.count(part) != 0 || IsRels(part) || part == "[Content_Types].xml" ||
      !zip_.Has(part)) {
    return false;
  }
  auto carried = std::make_shared<CarriedPart>();
  carried->content_type = ContentTypeOf(part);
  if (carried->content_type.empty()) return false;
  Relationships rels;
  try {
    rels = ReadRelationships(zip_, part);
  } catch (const XlsxProblem&) {
    return false;
  }
  in_progress_.insert(part);
  for (const auto& [id, rel] : rels) {
    if (!rel.external && !CarryPart(rel.target, into, depth + 1)) {
      in_progress_.erase(part);
      return false;
    }
    carried->relationships.push_back({id, rel.type_uri, rel.target, rel.external});
  }
  in_progress_.erase(part);
  carried->bytes = zip_.Read(part);
  budget_.SpendCarried(carried->bytes.size(), part);
  carried_[part] = carried;
  consumed_.insert(part);
  return true;
}

bool FeatureCarrier::CarryTarget(const Relationship& rel, CarriedParts& into) {
  if (!CarryPart(rel.target, into, 0)) return false;
  // The part and everything it reaches, into the sheet's parts.
  std::vector<std::string> pending = {rel.target};
  while (!pending.empty()) {
    const std::string part = pending.back();
    pending.pop_back();
    auto found = carried_.find(part);
    if (found == carried_.end() || !into.emplace(part, found->second).second) continue;
    for (const CarriedRelationship& r : found->second->relationships) {
      if (!r.external) pending.push_back(r.target);
    }
  }
  return true;
}

bool FeatureCarrier::CarryRelationshipsOf(const std::string& xml, const Relationships& rels, const std::string& what,
                                          std::vector<CarriedRelationship>& into, CarriedParts& parts) {
  std::vector<CarriedRelationship> found;
  CarriedParts reached;
  for (const std::string& id : RelationshipIdsIn(xml)) {
    auto rel = rels.find(id);
    if (rel == rels.end()) {
      Lose(what + " (its relationship " + id + " is missing)");
      return false;
    }
    if (!rel->second.external && !CarryTarget(rel->second, reached)) {
      Lose(what + " (" + rel->second.target + " cannot be carried over)");
      return false;
    }
    found.push_back({id, rel->second.type_uri, rel->second.target, rel->second.external});
  }
  for (CarriedRelationship& r : found) {
    const bool known = std::any_of(into.begin(), into.end(), [&](const CarriedRelationship& c) { return c.id == r.id; });
    if (!known) into.push_back(std::move(r));
  }
  parts.insert(reached.begin(), reached.end());
  return true;
}

void FeatureCarrier::ReadSheetTail(const std::string& text, size_t tail_begin, const std::string& part,
                                   Worksheet& sheet) {
  try {
    CarrySheetTail(text, tail_begin, part, sheet);
  } catch (const XlsxProblem& p) {
    throw XlsxProblem(std::string(p.what()) + " in " + part);
  }
}

void FeatureCarrier::CarrySheetTail(const std::string& text, size_t tail_begin, const std::string& part,
                                    Worksheet& sheet) {
  const StartTag root = DocumentStartTag(text);
  const Scope scope = ScopeOf(text, root);
  if (tail_begin == std::string::npos || tail_begin > text.size()) tail_begin = root.end;
  Relationships rels;
  try {
    rels = ReadRelationships(zip_, part);
  } catch (const XlsxProblem&) {
    // Elements naming a relationship become losses below.
  }
  const std::string where = " on sheet '" + sheet.Name() + "'";
  CarriedSheetFeatures* features = nullptr;
  auto features_of_sheet = [&]() -> CarriedSheetFeatures& {
    if (features == nullptr) features = &FeaturesOf(sheet);
    return *features;
  };
  for (const ElementSpan& e : ChildElements(text, tail_begin)) {
    const std::string_view local = e.Local();
    if (std::find(std::begin(kModelElements), std::end(kModelElements), local) != std::end(kModelElements)) continue;
    bool lost = false;
    for (const Feature& f : kLostElements) {
      if (local == f.element) {
        Lose(f.description + where);
        lost = true;
      }
    }
    if (lost) continue;
    if (std::find(kSheetTailOrder.begin(), kSheetTailOrder.end(), local) == kSheetTailOrder.end()) {
      Lose("element " + Describe(local) + where);
      continue;
    }
    std::string raw = text.substr(e.begin, e.end - e.begin);
    if (raw == kWrittenPageMargins) continue;
    if (local == "extLst") {
      // Only the extensions known to stand alone.
      std::string kept;
      const std::vector<ElementSpan> extensions =
          e.content_begin == e.content_end ? std::vector<ElementSpan>() : ChildElements(text, e.content_begin);
      for (const ElementSpan& ext : extensions) {
        const std::string_view ext_text = std::string_view(text).substr(ext.begin, ext.end - ext.begin);
        const std::string uri = Upper(AttributeValue(ext_text, DocumentStartTag(ext_text), "uri"));
        if (std::find(std::begin(kCarriedExtensions), std::end(kCarriedExtensions), uri) !=
            std::end(kCarriedExtensions)) {
          kept += text.substr(ext.begin, ext.end - ext.begin);
        } else {
          Lose("extension " + (uri.empty() ? "without a name" : uri) + where);
        }
      }
      if (kept.empty()) continue;
      raw = text.substr(e.begin, e.content_begin - e.begin) + kept + "</" + e.name + ">";
    }
    std::string xml = DeclareNamespaces(raw, scope.namespaces, scope.ignorable, kMainNamespace);
    CarriedSheetFeatures& f = features_of_sheet();
    if (!CarryRelationshipsOf(xml, rels, Describe(local) + where, f.relationships, f.parts)) continue;
    f.elements.push_back({std::string(local), std::move(xml)});
  }
  // The comments are named by no element: they go with the sheet.
  for (const auto& [id, rel] : rels) {
    const std::string& type = rel.type_uri;
    if (type.size() < 9 || type.compare(type.size() - 9, 9, "/comments") != 0 || rel.external) continue;
    CarriedSheetFeatures& f = features_of_sheet();
    if (!CarryTarget(rel, f.parts)) {
      Lose("comments" + where + " (" + rel.target + " cannot be carried over)");
      continue;
    }
    f.relationships.push_back({id, rel.type_uri, rel.target, false});
  }
}

void FeatureCarrier::KeepLayout(Worksheet& sheet, CarriedSheetLayout layout) {
  if (layout.Empty()) return;
  // The writer goes through the rows in order; a file may not.
  std::stable_sort(layout.rows.begin(), layout.rows.end(),
                   [](const CarriedRow& a, const CarriedRow& b) { return a.row < b.row; });
  FeaturesOf(sheet).layout = std::move(layout);
}

void FeatureCarrier::ReadDrawingAnchors(const std::string& drawing_part, const std::vector<size_t>& anchors,
                                        Worksheet& sheet) {
  if (anchors.empty()) return;
  try {
    CarryAnchors(drawing_part, anchors, sheet);
  } catch (const XlsxProblem& p) {
    throw XlsxProblem(std::string(p.what()) + " in " + drawing_part);
  }
}

void FeatureCarrier::CarryAnchors(const std::string& drawing_part, const std::vector<size_t>& anchors,
                                  Worksheet& sheet) {
  const std::string text = zip_.Read(drawing_part);
  const StartTag root = DocumentStartTag(text);
  const Scope scope = ScopeOf(text, root);
  const std::vector<ElementSpan> children = ChildElements(text, root.end);
  Relationships rels;
  try {
    rels = ReadRelationships(zip_, drawing_part);
  } catch (const XlsxProblem&) {
  }
  const std::string where = " in the drawing of sheet '" + sheet.Name() + "'";
  for (size_t index : anchors) {
    if (index >= children.size()) continue;
    const ElementSpan& e = children[index];
    if (std::find(std::begin(kAnchors), std::end(kAnchors), e.Local()) == std::end(kAnchors)) {
      Lose("form control or object" + where);
      continue;
    }
    std::string xml = DeclareNamespaces(std::string_view(text).substr(e.begin, e.end - e.begin), scope.namespaces,
                                        scope.ignorable, "");
    CarriedSheetFeatures& f = FeaturesOf(sheet);
    if (!CarryRelationshipsOf(xml, rels, "picture or shape" + where, f.anchor_relationships, f.parts)) continue;
    f.anchors.push_back(std::move(xml));
  }
}

void FeatureCarrier::ReadStyles(const std::string& text, const std::string& part) {
  if (text.empty()) return;
  try {
    const StartTag root = DocumentStartTag(text);
    const Scope scope = ScopeOf(text, root);
    for (const ElementSpan& e : ChildElements(text, root.end)) {
      if (e.Local() != "dxfs" && e.Local() != "tableStyles") continue;
      if (e.content_begin == e.content_end || ChildElements(text, e.content_begin).empty()) continue;
      if (!workbook_) workbook_ = std::make_shared<CarriedWorkbookFeatures>();
      std::string xml = DeclareNamespaces(std::string_view(text).substr(e.begin, e.end - e.begin), scope.namespaces,
                                          scope.ignorable, kMainNamespace);
      (e.Local() == "dxfs" ? workbook_->dxfs : workbook_->table_styles) = std::move(xml);
    }
  } catch (const XlsxProblem& p) {
    throw XlsxProblem(std::string(p.what()) + " in " + part);
  }
}

void FeatureCarrier::ReadCodeName(const std::string& code_name, Worksheet& sheet) {
  if (!code_name.empty()) FeaturesOf(sheet).code_name = code_name;
}

void FeatureCarrier::ReadBuiltInName(const std::string& name, const std::string& formula,
                                     std::vector<std::pair<std::string, std::string>> attributes, Worksheet* sheet) {
  if (sheet == nullptr) {
    Lose("built-in name '" + name.substr(name.find('.') + 1) + "'");
    return;
  }
  FeaturesOf(*sheet).names.push_back({name, formula, std::move(attributes)});
}

void FeatureCarrier::Finish(Workbook& workbook) {
  for (auto& [sheet, features] : sheets_) {
    if (!features.Empty()) sheet->SetCarriedFeatures(std::make_shared<const CarriedSheetFeatures>(std::move(features)));
  }
  sheets_.clear();
  if (workbook_) workbook.SetCarriedFeatures(std::move(workbook_));
}

}  // namespace plrxl::xlsx
