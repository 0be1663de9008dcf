#include "host/xlsx/internal/package_reader.h"

#include <map>
#include <optional>
#include <set>

#include "host/address.h"
#include "host/xlsx/internal/carry_reader.h"
#include "host/xlsx/internal/chart_reader.h"
#include "host/xlsx/internal/load_budget.h"
#include "host/xlsx/internal/loaded_part.h"
#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/rows_segment.h"
#include "host/xlsx/internal/shared_strings_reader.h"
#include "host/xlsx/internal/sheet_prefetch.h"
#include "host/xlsx/internal/sheet_reader.h"
#include "host/xlsx/internal/styles_reader.h"
#include "host/xlsx/internal/workbook_settings.h"
#include "host/xlsx/internal/xml_util.h"
#include "host/xlsx/internal/zip_reader.h"

namespace plrxl::xlsx {

namespace {

// Parts whose loss changes nothing the model or the user relies on: they
// are regenerated on save.
constexpr const char* kRegenerated[] = {
    "[Content_Types].xml", "docProps/", "xl/theme/", "xl/calcChain.xml", "xl/printerSettings/",
    "xl/charts/style",     "xl/charts/colors", "customXml/", "xl/metadata.xml"};

// Parts neither the model nor the FeatureCarrier took, by folder, with the
// name the loss uses.
struct PartKind {
  const char* prefix;
  const char* description;
};
constexpr PartKind kPartKinds[] = {
    {"xl/media/", "image"},
    {"xl/pivotTables/", "pivot table"},
    {"xl/pivotCache/", "pivot cache"},
    {"xl/externalLinks/", "external link"},
    {"xl/comments", "comments"},
    {"xl/threadedComments/", "threaded comments"},
    {"xl/persons/", "comment authors"},
    {"xl/drawings/vmlDrawing", "comment or control drawing"},
    {"xl/drawings/", "drawing"},
    {"xl/charts/", "chart"},
    {"xl/chartsheets/", "chart sheet"},
    {"xl/tables/", "table"},
    {"xl/queryTables/", "query table"},
    {"xl/connections.xml", "data connection"},
    {"xl/slicers/", "slicer"},
    {"xl/slicerCaches/", "slicer cache"},
    {"xl/embeddings/", "embedded object"},
    {"xl/activeX/", "ActiveX control"},
    {"xl/ctrlProps/", "form control"},
    {"xl/vbaProjectSignature.bin", "VBA project signature"},
    {"xl/worksheets/", "worksheet part"},
};

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

bool IsRels(const std::string& part) {
  return part.size() > 5 && part.compare(part.size() - 5, 5, ".rels") == 0;
}

std::string ReadIf(const ZipReader& zip, const std::string& part, std::set<std::string>& consumed) {
  if (part.empty() || !zip.Has(part)) return {};
  consumed.insert(part);
  return zip.Read(part);
}

std::string WorkbookPart(const ZipReader& zip) {
  for (const auto& [id, rel] : ReadRelationships(zip, "")) {
    if (rel.type == "officeDocument" && zip.Has(rel.target)) return rel.target;
  }
  if (zip.Has("xl/workbook.xml")) return "xl/workbook.xml";
  throw XlsxProblem("not an .xlsx package (no workbook part)");
}

// Every part some relationship of the package leads to.
std::set<std::string> ReferencedParts(const ZipReader& zip) {
  std::set<std::string> parts;
  for (const std::string& rels : zip.Parts()) {
    if (!IsRels(rels)) continue;
    // "xl/_rels/workbook.xml.rels" holds the relationships of "xl/workbook.xml".
    const size_t folder = rels.rfind("_rels/");
    if (folder == std::string::npos) continue;
    const std::string source = rels.substr(0, folder) + rels.substr(folder + 6, rels.size() - folder - 11);
    try {
      for (const auto& [id, rel] : ReadRelationships(zip, source)) {
        if (!rel.external) parts.insert(rel.target);
      }
    } catch (const XlsxProblem&) {
      // A broken relationships part leads nowhere.
    }
  }
  return parts;
}

// The R1C1 form the model keeps for a plain A1 reference (see xlsx_store.h).
std::string NameRefersTo(const std::string& text) { return A1RefToR1C1(text); }

// `sheets`: the worksheet of each sheet of the file by position, nullptr
// for the sheets that are not worksheets.
void ReadNames(const pugi::xml_node& names, Workbook& into, const std::vector<std::string>& sheet_names,
               const std::vector<Worksheet*>& sheets, FeatureCarrier& carrier) {
  for (pugi::xml_node n = names.first_child(); n; n = n.next_sibling()) {
    if (!Is(n, "definedName")) continue;
    std::string name = n.attribute("name").as_string();
    if (name.empty()) continue;
    if (StartsWith(name, "_xlnm.")) {
      // Print areas, print titles, filter ranges: they belong to a sheet.
      Worksheet* sheet = nullptr;
      if (pugi::xml_attribute local = n.attribute("localSheetId")) {
        const size_t index = local.as_uint(sheets.size());
        if (index < sheets.size()) sheet = sheets[index];
      }
      std::vector<std::pair<std::string, std::string>> attributes;
      for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
        const std::string_view attribute = a.name();
        if (attribute != "name" && attribute != "localSheetId") attributes.emplace_back(a.name(), a.value());
      }
      carrier.ReadBuiltInName(name, n.text().get(), std::move(attributes), sheet);
      continue;
    }
    DefinedName defined;
    defined.name = name;
    defined.refers_to = NameRefersTo(n.text().get());
    defined.visible = !n.attribute("hidden").as_bool(false);
    defined.comment = n.attribute("comment").as_string();
    if (pugi::xml_attribute local = n.attribute("localSheetId")) {
      const size_t index = local.as_uint(sheets.size());
      if (index >= sheets.size() || sheets[index] == nullptr) {
        const std::string sheet = index < sheet_names.size() ? sheet_names[index] : "?";
        into.Losses().push_back("name '" + name + "' local to sheet '" + sheet + "', which is not a worksheet");
        continue;
      }
      defined.scope = sheets[index];
    }
    try {
      into.DefineName(defined);
    } catch (const Error&) {
      into.Losses().push_back("name '" + name + "', which is not a valid name");
    }
  }
}

// Where the rows stand in the deflated part, when a save of ours wrote it
// and nobody changed it since.
std::optional<RowsSegment> RowsOf(const ZipReader& zip, const ZipReader::Entry& entry, const std::string& text) {
  const std::string field = zip.ExtraField(entry.index, kRowsSegmentField);
  const std::optional<RowsSegment> rows =
      DecodeRowsSegment(reinterpret_cast<const uint8_t*>(field.data()), field.size());
  if (!rows || entry.method != 8 || rows->part_crc != entry.crc || rows->part_compressed != entry.compressed_size ||
      rows->text_begin < 11 || rows->text_end > text.size() || text.compare(rows->text_begin - 11, 11, "<sheetData>") != 0 ||
      text.compare(rows->text_end, 12, "</sheetData>") != 0) {
    return std::nullopt;
  }
  // Each run starts on the row it names.
  uint32_t last = 0;
  for (const RowsCheckpoint& c : rows->checkpoints) {
    const std::string start = "<row r=\"" + std::to_string(c.row) + "\"";
    if (c.row <= last || text.compare(c.text, start.size(), start) != 0) return std::nullopt;
    last = c.row;
  }
  return rows;
}

std::shared_ptr<LoadedSheetPart> LoadedPartOf(const ZipReader& zip, const std::string& part, const std::string& text,
                                             const SheetReferences& references, std::string code_name) {
  auto loaded = std::make_shared<LoadedSheetPart>();
  const ZipReader::Entry entry = zip.EntryOf(part);
  loaded->part = part;
  loaded->index = entry.index;
  loaded->compressed_size = entry.compressed_size;
  loaded->size = entry.size;
  loaded->crc = entry.crc;
  loaded->method = entry.method;
  for (size_t xf = 0; xf < references.xfs.size(); ++xf) {
    if (references.xfs[xf]) loaded->xfs.push_back(xf + 1 == references.xfs.size() ? -1 : static_cast<int>(xf));
  }
  loaded->shared_strings = references.shared_strings;
  loaded->rewritten = references.rewritten;
  try {
    loaded->relationships = !ReadRelationships(zip, part).empty();
  } catch (const XlsxProblem&) {
    loaded->relationships = true;  // whatever they are, the part is not copied
  }
  loaded->tab_selected = references.tab_selected;
  loaded->code_name = std::move(code_name);
  loaded->rows = RowsOf(zip, entry, text);
  loaded->first_row = references.first_row, loaded->last_row = references.last_row;
  loaded->first_col = references.first_col, loaded->last_col = references.last_col;
  loaded->formula_row = references.formula_row;
  loaded->formula_col = references.formula_col;
  return loaded;
}

}  // namespace

void ReadPackage(const std::string& path, Workbook& into, const XlsxLimits& limits) {
  ZipReader zip(path, static_cast<size_t>(limits.max_part_bytes));
  LoadBudget budget(limits);
  std::set<std::string> consumed = {"_rels/.rels"};
  const std::string workbook_part = WorkbookPart(zip);
  consumed.insert(workbook_part);
  Relationships rels = ReadRelationships(zip, workbook_part);

  std::string theme_part, styles_part, strings_part, vba_part;
  for (const auto& [id, rel] : rels) {
    if (rel.type == "theme") theme_part = rel.target;
    if (rel.type == "styles") styles_part = rel.target;
    if (rel.type == "sharedStrings") strings_part = rel.target;
    if (rel.type == "vbaProject") vba_part = rel.target;
  }
  // Nothing the workbook part refers to is carried with a sheet's features.
  std::set<std::string> structure = {workbook_part};
  for (const auto& [id, rel] : rels) {
    if (!rel.external) structure.insert(rel.target);
  }
  FeatureCarrier carrier(zip, budget, std::move(structure), consumed, into.Losses());

  const std::string theme_bytes = ReadIf(zip, theme_part, consumed);
  std::vector<uint32_t> theme = ReadThemeColors(theme_bytes, theme_part);
  std::string styles_text = ReadIf(zip, styles_part, consumed);
  carrier.ReadStyles(styles_text, styles_part);
  CarriedWorkbookFeatures settings;
  try {
    ReadDefaultFont(styles_text, settings);
  } catch (const XlsxProblem& p) {
    throw XlsxProblem(std::string(p.what()) + " in " + styles_part);
  }
  StyleTable styles = ReadStyles(std::move(styles_text), styles_part, theme);
  SharedTexts strings;
  if (std::string text = ReadIf(zip, strings_part, consumed); !text.empty()) {
    strings = ReadSharedStrings(text, strings_part, budget);
  }

  std::string text = zip.Read(workbook_part);
  pugi::xml_document doc;
  ParseXml(text, doc, workbook_part);
  pugi::xml_node root = Root(doc, "workbook", workbook_part);
  try {
    ReadWorkbookSettings(zip.Read(workbook_part), theme_bytes, into, settings);
  } catch (const XlsxProblem& p) {
    throw XlsxProblem(std::string(p.what()) + " in " + workbook_part);
  }

  SheetContext ctx{&strings, &styles, std::vector<int>(styles.styles.size(), -1), &into.Warnings(), &into.Losses(),
                   &budget, into.Date1904() ? kDate1904Shift : 0};
  std::vector<std::string> sheet_names;
  std::vector<Worksheet*> sheets;
  std::vector<std::pair<Worksheet*, std::string>> drawings;
  std::vector<std::pair<Worksheet*, std::shared_ptr<LoadedSheetPart>>> loaded_parts;
  // Hidden once all are loaded: the model never holds only hidden sheets.
  std::vector<Worksheet*> hidden;
  // The worksheet parts in the order the loop below reads them, up to the
  // first sheet it refuses for want of a part.
  std::vector<std::string> sheet_parts;
  std::map<std::string, std::string> sheet_of_part;
  for (pugi::xml_node s = Child(root, "sheets").first_child(); s; s = s.next_sibling()) {
    if (!Is(s, "sheet")) continue;
    auto rel = rels.find(Attr(s, "id").as_string());
    if (rel == rels.end()) break;
    if (rel->second.type == "worksheet") sheet_parts.push_back(rel->second.target);
  }
  SheetPrefetch prefetch(path, zip.FileStamp(), static_cast<size_t>(limits.max_part_bytes), budget, sheet_parts);
  for (pugi::xml_node s = Child(root, "sheets").first_child(); s; s = s.next_sibling()) {
    if (!Is(s, "sheet")) continue;
    std::string name = s.attribute("name").as_string();
    sheet_names.push_back(name);
    auto rel = rels.find(Attr(s, "id").as_string());
    if (rel == rels.end()) throw XlsxProblem("sheet '" + name + "' has no part");
    if (rel->second.type != "worksheet") {
      into.Losses().push_back(rel->second.type + " '" + name + "'");
      sheets.push_back(nullptr);
      continue;
    }
    const std::string& part = rel->second.target;
    if (auto reader = sheet_of_part.find(part); reader != sheet_of_part.end())
      throw XlsxProblem("sheet '" + name + "' reads " + part + ", which sheet '" + reader->second + "' reads already");
    sheet_of_part.emplace(part, name);
    Worksheet& sheet = into.AddWorksheet();
    sheets.push_back(&sheet);
    try {
      sheet.SetName(name);
    } catch (const Error&) {
      throw XlsxProblem("bad sheet name '" + name + "'");
    }
    consumed.insert(part);
    // Cells are counted while the part inflates: an oversized sheet is
    // refused after reading only as much of it as the limits allow.
    SheetPrefetch::Part inflated = prefetch.Next();
    std::string sheet_text = std::move(inflated.text);
    budget.SpendCells(inflated.cells, part);
    SheetExtras extras = ReadSheet(sheet_text, part, sheet, ctx, &inflated.ahead);
    loaded_parts.emplace_back(&sheet, LoadedPartOf(zip, part, sheet_text, extras.references, SheetCodeName(sheet_text)));
    carrier.ReadCodeName(loaded_parts.back().second->code_name, sheet);
    carrier.ReadSheetTail(sheet_text, extras.tail_begin, part, sheet);
    sheet_text = std::string();
    prefetch.Recycle(std::move(inflated.ahead));
    const std::string_view state = s.attribute("state").value();
    if (state == "hidden" || state == "veryHidden") hidden.push_back(&sheet);
    extras.layout.very_hidden = state == "veryHidden";
    carrier.KeepLayout(sheet, std::move(extras.layout));
    if (!extras.drawing_rid.empty()) {
      Relationships sheet_rels = ReadRelationships(zip, part);
      auto drawing = sheet_rels.find(extras.drawing_rid);
      if (drawing != sheet_rels.end()) drawings.emplace_back(&sheet, drawing->second.target);
    }
  }
  if (into.WorksheetCount() == 0) throw XlsxProblem("the workbook has no worksheet");
  if (hidden.size() == static_cast<size_t>(into.WorksheetCount())) {
    throw XlsxProblem("every sheet of the workbook is hidden");
  }
  for (Worksheet* sheet : hidden) sheet->SetVisible(false);
  for (const auto& [sheet, part] : drawings) {
    carrier.ReadDrawingAnchors(part, ReadDrawing(zip, part, *sheet, consumed, into.Warnings()), *sheet);
  }

  ReadNames(Child(root, "definedNames"), into, sheet_names, sheets, carrier);
  carrier.Finish(into);
  if (!settings.Empty()) {
    if (const std::shared_ptr<const CarriedWorkbookFeatures> carried = into.CarriedFeatures()) {
      settings.dxfs = carried->dxfs;
      settings.table_styles = carried->table_styles;
    }
    into.SetCarriedFeatures(std::make_shared<const CarriedWorkbookFeatures>(std::move(settings)));
  }

  int active = Child(Child(root, "bookViews"), "workbookView").attribute("activeTab").as_int(0) + 1;
  if (active >= 1 && active <= into.WorksheetCount() && into.WorksheetAt(active).Visible()) {
    into.WorksheetAt(active).Activate();
  } else {
    for (int i = 1; i <= into.WorksheetCount(); ++i) {
      if (into.WorksheetAt(i).Visible()) {
        into.WorksheetAt(i).Activate();
        break;
      }
    }
  }

  if (!vba_part.empty() && zip.Has(vba_part)) {
    consumed.insert(vba_part);
    into.CarriedParts().emplace_back("xl/vbaProject.bin", zip.Read(vba_part));
  }

  // Last: loading itself changes the sheets. Every xf of the file gets its
  // model style, so the save can give each the index it has here.
  auto package = std::make_shared<LoadedPackage>();
  package->path = path;
  const ZipReader::Stamp& stamp = zip.FileStamp();
  package->device = stamp.device, package->inode = stamp.inode, package->size = stamp.size;
  package->modified_ns = stamp.modified_ns;
  package->date1904 = into.Date1904();
  for (size_t xf = 0; xf < styles.styles.size(); ++xf) {
    if (ctx.model_style[xf] < 0) ctx.model_style[xf] = into.InternStyle(styles.styles[xf]);
  }
  package->xf_styles = ctx.model_style;
  if (!strings_part.empty() && zip.Has(strings_part)) {
    package->strings_part = strings_part;
    package->strings_index = zip.EntryOf(strings_part).index;
  }
  for (auto& [sheet, loaded] : loaded_parts) {
    loaded->package = package;
    sheet->SetLoadedPart(std::move(loaded));
  }

  std::optional<std::set<std::string>> referenced;
  for (const std::string& part : zip.Parts()) {
    if (consumed.count(part) != 0 || IsRels(part) || part.empty() || part.back() == '/') continue;
    bool regenerated = false;
    for (const char* prefix : kRegenerated) regenerated = regenerated || StartsWith(part, prefix);
    if (regenerated) continue;
    // A file no relationship reaches and no content type names is not part
    // of the workbook (".DS_Store", "[trash]/0000.dat" left by other
    // programs): nothing is lost without it.
    if (carrier.ContentTypeOf(part).empty()) {
      if (!referenced) referenced = ReferencedParts(zip);
      if (referenced->count(part) == 0) continue;
    }
    const char* description = "part";
    for (const PartKind& kind : kPartKinds) {
      if (StartsWith(part, kind.prefix)) {
        description = kind.description;
        break;
      }
    }
    into.Losses().push_back(std::string(description) + " " + part);
  }
}

}  // namespace plrxl::xlsx
