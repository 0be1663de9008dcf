#include "host/xlsx/internal/carry_writer.h"

#include <map>
#include <memory>
#include <set>
#include <vector>

#include "host/xlsx/internal/carried_features.h"
#include "host/xlsx/internal/carry_edits.h"
#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/sheet_layout_writer.h"
#include "host/xlsx/internal/xml_scan.h"
#include "host/xlsx/internal/xml_util.h"
#include "host/xlsx/internal/zip_reader.h"

namespace plrxl::xlsx {

namespace {

constexpr const char* kDrawingType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/drawing";
constexpr const char* kDrawingContentType = "application/vnd.openxmlformats-officedocument.drawing+xml";

std::string RelsPartOf(const std::string& part) {
  const size_t slash = part.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
  return folder + "_rels/" + part.substr(slash + 1) + ".rels";
}


// Names parts in the saved package: a carried part keeps its loaded name
// unless the package has a part of that name already; then it gets a
// fresh one ("xl/media/image1c1.png").
class PartNames {
 public:
  explicit PartNames(const std::vector<std::string>& written) : taken_(written.begin(), written.end()) {}

  const std::string& Of(const std::string& loaded) {
    auto [at, added] = saved_.try_emplace(loaded);
    if (added) at->second = Fresh(loaded);
    return at->second;
  }

  // A name not in use, as close to `wanted` as may be; reserved from now on.
  std::string Fresh(const std::string& wanted) {
    std::string name = wanted;
    const size_t slash = wanted.rfind('/');
    size_t dot = wanted.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = wanted.size();
    for (int n = 1; taken_.count(name) != 0; ++n) {
      name = wanted.substr(0, dot) + "c" + std::to_string(n) + wanted.substr(dot);
    }
    taken_.insert(name);
    return name;
  }

 private:
  std::set<std::string> taken_;
  std::map<std::string, std::string> saved_;
};

// The saved package's edits being gathered for one workbook.
class CarryPlan {
 public:
  CarryPlan(const ZipReader& written, PackageEdits& edits) : written_(written), edits_(edits), names_(written.Parts()) {}

  void AddSheet(const Worksheet& sheet, int index, const std::string& sheet_part) {
    const std::shared_ptr<const CarriedSheetFeatures> features = sheet.CarriedFeatures();
    if (!features) return;
    const CarriedSheetFeatures& f = *features;
    for (const auto& [loaded, part] : f.parts) AddPart(loaded, *part);
    if (LayoutChangesSheetHead(f.layout)) {
      AddRewrite(edits_.sheet_head_rewrites, sheet_part, [features, &sheet](const std::string& text) {
        return SpliceSheetHead(text, features->layout, sheet);
      });
    }
    if (f.layout.very_hidden && !sheet.Visible()) very_hidden_.push_back(index);

    int next_id = 1;
    std::map<std::string, std::string> renamed;
    std::vector<RelationshipEntry> relationships;
    for (const CarriedRelationship& r : f.relationships) {
      const std::string id = "rIdC" + std::to_string(next_id++);
      renamed[r.id] = id;
      relationships.push_back(Entry(id, r, sheet_part));
    }
    std::vector<CarriedElement> elements;
    for (const CarriedElement& e : f.elements) elements.push_back({e.name, RenameRelationshipIds(e.xml, renamed)});

    if (!f.anchors.empty()) {
      std::string drawing = DrawingOf(sheet_part);
      const bool new_drawing = drawing.empty();
      if (new_drawing) {
        drawing = names_.Fresh("xl/drawings/drawing1.xml");
        const std::string id = "rIdC" + std::to_string(next_id++);
        relationships.push_back({id, kDrawingType, RelativeTarget(sheet_part, drawing), false});
        elements.push_back({"drawing", std::string("<drawing xmlns:r=\"") + kRelationshipsNamespace + "\" r:id=\"" +
                                           id + "\"/>"});
        content_types_[drawing] = kDrawingContentType;
      }
      AddAnchors(f, drawing, new_drawing);
    }

    if (!elements.empty()) {
      auto carried = std::make_shared<const std::vector<CarriedElement>>(std::move(elements));
      AddRewrite(edits_.sheet_tail_rewrites, sheet_part,
                 [carried](const std::string& tail) { return SpliceSheetTail(tail, *carried); });
    }
    AddRelationships(RelsPartOf(sheet_part), std::move(relationships));

    for (const CarriedName& n : f.names) {
      std::string formula = n.formula;
      if (f.loaded_name != sheet.Name()) formula = RenameSheetInFormula(formula, f.loaded_name, sheet.Name());
      names_to_define_.push_back({n.name, index, formula, n.attributes});
    }
  }

  void Finish(const Workbook& workbook) {
    if (const std::shared_ptr<const CarriedWorkbookFeatures> features = workbook.CarriedFeatures()) {
      std::vector<CarriedElement> styles;
      if (!features->dxfs.empty()) styles.push_back({"dxfs", features->dxfs});
      if (!features->table_styles.empty()) styles.push_back({"tableStyles", features->table_styles});
      if (!styles.empty()) {
        AddRewrite(edits_.part_rewrites, "xl/styles.xml", [styles](const std::string& text) {
          if (text.empty()) throw XlsxProblem("the writer made no styles part");
          return PlaceElements(text, DocumentStartTag(text).end, kStylesheetOrder, styles);
        });
      }
    }
    if (!very_hidden_.empty()) {
      AddRewrite(edits_.part_rewrites, "xl/workbook.xml",
                 [positions = very_hidden_](const std::string& text) { return MarkSheetsVeryHidden(text, positions); });
    }
    if (!names_to_define_.empty()) {
      AddRewrite(edits_.part_rewrites, "xl/workbook.xml",
                 [names = names_to_define_](const std::string& text) { return MergeDefinedNames(text, names); });
    }
    if (!content_types_.empty()) {
      AddRewrite(edits_.part_rewrites, "[Content_Types].xml",
                 [types = content_types_](const std::string& text) { return MergeContentTypes(text, types); });
    }
  }

 private:
  RelationshipEntry Entry(const std::string& id, const CarriedRelationship& r, const std::string& from) {
    return {id, r.type, r.external ? r.target : RelativeTarget(from, names_.Of(r.target)), r.external};
  }

  void AddPart(const std::string& loaded, const CarriedPart& part) {
    const std::string saved = names_.Of(loaded);
    if (edits_.added_parts.count(saved) != 0) return;  // reached from an earlier sheet as well
    edits_.added_parts[saved] = part.bytes;
    content_types_[saved] = part.content_type;
    if (part.relationships.empty()) return;
    std::vector<RelationshipEntry> entries;
    for (const CarriedRelationship& r : part.relationships) entries.push_back(Entry(r.id, r, saved));
    edits_.added_parts[RelsPartOf(saved)] = MergeRelationships("", entries);
  }

  // The drawing part the writer made for the sheet's charts; empty when
  // it made none.
  std::string DrawingOf(const std::string& sheet_part) {
    for (const auto& [id, rel] : ReadRelationships(written_, sheet_part)) {
      if (rel.type == "drawing" && !rel.external) return rel.target;
    }
    return {};
  }

  void AddAnchors(const CarriedSheetFeatures& f, const std::string& drawing, bool new_drawing) {
    std::map<std::string, std::string> renamed;
    std::vector<RelationshipEntry> relationships;
    int next_id = 1;
    for (const CarriedRelationship& r : f.anchor_relationships) {
      const std::string id = "rIdC" + std::to_string(next_id++);
      renamed[r.id] = id;
      relationships.push_back(Entry(id, r, drawing));
    }
    std::vector<std::string> anchors;
    for (const std::string& anchor : f.anchors) anchors.push_back(RenameRelationshipIds(anchor, renamed));
    if (new_drawing) {
      edits_.added_parts[drawing] = NewDrawingPart(anchors);
    } else {
      AddRewrite(edits_.part_rewrites, drawing,
                 [anchors](const std::string& text) { return AppendDrawingAnchors(text, anchors); });
    }
    AddRelationships(RelsPartOf(drawing), std::move(relationships));
  }

  void AddRelationships(const std::string& rels_part, std::vector<RelationshipEntry> entries) {
    if (entries.empty()) return;
    auto added = edits_.added_parts.find(rels_part);
    if (added != edits_.added_parts.end()) {
      added->second = MergeRelationships(added->second, entries);
      return;
    }
    AddRewrite(edits_.part_rewrites, rels_part,
               [entries = std::move(entries)](const std::string& text) { return MergeRelationships(text, entries); });
  }

  const ZipReader& written_;
  PackageEdits& edits_;
  PartNames names_;
  std::map<std::string, std::string> content_types_;
  std::vector<NameEntry> names_to_define_;
  std::vector<int> very_hidden_;  // 0-based positions of the sheets to save as very hidden
};

}  // namespace

void AddCarriedFeatures(Workbook& workbook, const std::string& path, PackageEdits& edits) {
  bool any = workbook.CarriedFeatures() != nullptr;
  for (int i = 1; i <= workbook.WorksheetCount() && !any; ++i) any = workbook.WorksheetAt(i).CarriedFeatures() != nullptr;
  if (!any) return;
  const ZipReader written(path);
  CarryPlan plan(written, edits);
  for (int i = 1; i <= workbook.WorksheetCount(); ++i) {
    if (static_cast<size_t>(i) > edits.sheets.size()) throw XlsxProblem("a sheet part is missing from the save");
    plan.AddSheet(workbook.WorksheetAt(i), i - 1, edits.sheets[static_cast<size_t>(i - 1)].part);
  }
  plan.Finish(workbook);
}

}  // namespace plrxl::xlsx
