#include "host/xlsx/internal/carry_edits.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>

#include "host/address.h"
#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/xml_scan.h"

namespace plrxl::xlsx {

const std::vector<std::string_view> kSheetTailOrder = {
    "sheetCalcPr",   "sheetProtection",  "protectedRanges",   "scenarios",      "autoFilter",
    "sortState",     "dataConsolidate",  "customSheetViews",  "mergeCells",     "phoneticPr",
    "conditionalFormatting", "dataValidations", "hyperlinks", "printOptions",   "pageMargins",
    "pageSetup",     "headerFooter",     "rowBreaks",         "colBreaks",      "customProperties",
    "cellWatches",   "ignoredErrors",    "smartTags",         "drawing",        "legacyDrawing",
    "legacyDrawingHF", "picture",        "oleObjects",        "controls",       "webPublishItems",
    "tableParts",    "extLst"};

const std::vector<std::string_view> kStylesheetOrder = {
    "numFmts", "fonts", "fills", "borders", "cellStyleXfs", "cellXfs", "cellStyles", "dxfs", "tableStyles",
    "colors", "extLst"};

const std::vector<std::string_view> kWorkbookOrder = {
    "fileVersion", "fileSharing", "workbookPr", "workbookProtection", "bookViews", "sheets", "functionGroups",
    "externalReferences", "definedNames", "calcPr", "oleSize", "customWorkbookViews", "pivotCaches", "smartTagPr",
    "smartTagTypes", "webPublishing", "fileRecoveryPr", "webPublishObjects", "extLst"};

namespace {

std::string_view PrefixOf(std::string_view qualified) {
  const size_t colon = qualified.find(':');
  return colon == std::string_view::npos ? std::string_view() : qualified.substr(0, colon);
}

std::string_view LocalOf(std::string_view qualified) {
  const size_t colon = qualified.find(':');
  return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

bool IsRelationshipsNamespace(const std::string& uri) {
  return uri == kRelationshipsNamespace || uri == "http://purl.oclc.org/ooxml/officeDocument/relationships";
}

// Prefixes bound to the relationships namespace in the xml.
std::set<std::string> RelationshipPrefixes(std::string_view xml) {
  std::set<std::string> prefixes;
  for (const auto& [prefix, uri] : DeclaredNamespaces(xml)) {
    if (!prefix.empty() && IsRelationshipsNamespace(uri)) prefixes.insert(prefix);
  }
  return prefixes;
}

size_t Rank(const std::vector<std::string_view>& order, std::string_view local) {
  auto at = std::find(order.begin(), order.end(), local);
  return at == order.end() ? order.size() : static_cast<size_t>(at - order.begin());
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '.' ||
         (static_cast<unsigned char>(c) & 0x80) != 0;
}

}  // namespace

std::string DeclareNamespaces(std::string_view element, const std::map<std::string, std::string>& scope,
                              std::string_view ignorable, std::string_view target_default) {
  std::set<std::string> used;
  bool uses_default = false;
  size_t insert_at = std::string_view::npos;
  bool has_ignorable = false;
  ForEachStartTag(element, [&](const StartTag& tag) {
    if (insert_at == std::string_view::npos) {
      insert_at = tag.name_end;
      for (const AttributeSpan& a : tag.attributes) has_ignorable = has_ignorable || LocalOf(a.name) == "Ignorable";
    }
    if (std::string_view prefix = PrefixOf(tag.name); !prefix.empty()) {
      used.emplace(prefix);
    } else {
      uses_default = true;
    }
    for (const AttributeSpan& a : tag.attributes) {
      std::string_view prefix = PrefixOf(a.name);
      if (!prefix.empty() && prefix != "xmlns" && prefix != "xml") used.emplace(prefix);
    }
  });
  if (insert_at == std::string_view::npos) return std::string(element);
  const std::map<std::string, std::string> declared = DeclaredNamespaces(element);
  std::string added;
  for (const std::string& prefix : used) {
    auto bound = scope.find(prefix);
    if (declared.count(prefix) == 0 && bound != scope.end()) {
      added += " xmlns:" + prefix + "=\"" + Escape(bound->second) + "\"";
    }
  }
  if (uses_default && declared.count("") == 0) {
    auto bound = scope.find("");
    const std::string source_default = bound == scope.end() ? std::string() : bound->second;
    if (source_default != target_default) added += " xmlns=\"" + Escape(source_default) + "\"";
  }
  std::string ignored;
  size_t start = 0;
  while (start < ignorable.size()) {
    size_t end = ignorable.find(' ', start);
    if (end == std::string_view::npos) end = ignorable.size();
    const std::string prefix(ignorable.substr(start, end - start));
    if (!prefix.empty() && used.count(prefix) != 0) ignored += (ignored.empty() ? "" : " ") + prefix;
    start = end + 1;
  }
  if (!ignored.empty() && !has_ignorable) {
    if (declared.count("mc") == 0 && used.count("mc") == 0) {
      added += std::string(" xmlns:mc=\"") + kMarkupCompatibilityNamespace + "\"";
    }
    added += " mc:Ignorable=\"" + ignored + "\"";
  }
  std::string out(element);
  out.insert(insert_at, added);
  return out;
}

std::string PlaceElements(std::string_view text, size_t from, const std::vector<std::string_view>& order,
                          const std::vector<CarriedElement>& elements) {
  size_t parent_end = 0;
  const std::vector<ElementSpan> children = ChildElements(text, from, &parent_end);
  std::set<std::string_view> replaced;
  for (const CarriedElement& e : elements) replaced.insert(e.name);
  struct Item {
    size_t rank;
    std::string_view xml;
  };
  std::vector<Item> items;
  size_t last_rank = 0;
  for (const ElementSpan& child : children) {
    if (replaced.count(child.Local()) != 0) continue;
    const size_t rank = Rank(order, child.Local());
    // An element the order does not know stays after the one before it.
    if (rank < order.size()) last_rank = rank;
    items.push_back({last_rank, text.substr(child.begin, child.end - child.begin)});
  }
  for (const CarriedElement& e : elements) items.push_back({Rank(order, e.name), e.xml});
  std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.rank < b.rank; });
  std::string out(text.substr(0, from));
  for (const Item& item : items) out += item.xml;
  out += text.substr(parent_end);
  return out;
}

std::string SpliceSheetTail(std::string_view tail, const std::vector<CarriedElement>& elements) {
  if (elements.empty()) return std::string(tail);
  const size_t cells_end = tail.find('>');
  if (tail.substr(0, 2) != "</" || cells_end == std::string_view::npos) {
    throw XlsxProblem("the sheet part does not continue after its cells");
  }
  return PlaceElements(tail, cells_end + 1, kSheetTailOrder, elements);
}

std::vector<std::string> RelationshipIdsIn(std::string_view xml) {
  const std::set<std::string> prefixes = RelationshipPrefixes(xml);
  std::vector<std::string> ids;
  ForEachStartTag(xml, [&](const StartTag& tag) {
    for (const AttributeSpan& a : tag.attributes) {
      if (prefixes.count(std::string(PrefixOf(a.name))) == 0) continue;
      std::string id = Unescape(xml.substr(a.value_begin, a.value_end - a.value_begin));
      if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(std::move(id));
    }
  });
  return ids;
}

std::string RenameRelationshipIds(std::string_view xml, const std::map<std::string, std::string>& renamed) {
  const std::set<std::string> prefixes = RelationshipPrefixes(xml);
  return RewriteAttributes(xml, [&](std::string_view, std::string_view attribute,
                                    std::string_view value) -> std::optional<std::string> {
    if (prefixes.count(std::string(PrefixOf(attribute))) == 0) return std::nullopt;
    auto to = renamed.find(Unescape(value));
    if (to == renamed.end()) return std::nullopt;
    return Escape(to->second);
  });
}

std::string RelativeTarget(const std::string& from, const std::string& to) {
  auto folders = [](const std::string& part) {
    std::vector<std::string> segments;
    size_t start = 0;
    for (size_t slash = part.find('/'); slash != std::string::npos; slash = part.find('/', start)) {
      segments.push_back(part.substr(start, slash - start));
      start = slash + 1;
    }
    return segments;
  };
  const std::vector<std::string> source = folders(from);
  const std::vector<std::string> target = folders(to);
  size_t common = 0;
  while (common < source.size() && common < target.size() && source[common] == target[common]) ++common;
  std::string out;
  for (size_t i = common; i < source.size(); ++i) out += "../";
  for (size_t i = common; i < target.size(); ++i) out += target[i] + "/";
  const size_t slash = to.rfind('/');
  return out + (slash == std::string::npos ? to : to.substr(slash + 1));
}

std::string MergeRelationships(std::string_view rels, const std::vector<RelationshipEntry>& added) {
  std::string entries;
  for (const RelationshipEntry& r : added) {
    entries += "<Relationship Id=\"" + Escape(r.id) + "\" Type=\"" + Escape(r.type) + "\" Target=\"" +
               Escape(r.target) + "\"" + (r.external && r.target.rfind('#', 0) != 0 ? " TargetMode=\"External\"" : "") + "/>";
  }
  if (rels.empty()) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
           entries + "</Relationships>";
  }
  const ElementSpan root = DocumentElement(rels);
  std::string out(rels);
  if (root.content_begin == root.end) {  // <Relationships .../>
    out.replace(root.end - 2, 2, ">" + entries + "</" + root.name + ">");
  } else {
    out.insert(root.content_end, entries);
  }
  return out;
}

std::string MergeContentTypes(std::string_view types, const std::map<std::string, std::string>& parts) {
  std::map<std::string, std::string> defaults, overrides;
  ForEachStartTag(types, [&](const StartTag& tag) {
    if (LocalOf(tag.name) == "Default") defaults[Lower(AttributeValue(types, tag, "Extension"))] = AttributeValue(types, tag, "ContentType");
    if (LocalOf(tag.name) == "Override") overrides[AttributeValue(types, tag, "PartName")] = AttributeValue(types, tag, "ContentType");
  });
  std::string entries;
  for (const auto& [part, type] : parts) {
    const std::string name = "/" + part;
    if (overrides.count(name) != 0) continue;
    const size_t dot = part.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : Lower(part.substr(dot + 1));
    auto by_default = defaults.find(extension);
    if (by_default != defaults.end() && by_default->second == type) continue;
    entries += "<Override PartName=\"" + Escape(name) + "\" ContentType=\"" + Escape(type) + "\"/>";
  }
  if (entries.empty()) return std::string(types);
  const ElementSpan root = DocumentElement(types);
  std::string out(types);
  out.insert(root.content_end, entries);
  return out;
}

std::string MergeDefinedNames(std::string_view workbook, const std::vector<NameEntry>& names) {
  const ElementSpan root = DocumentElement(workbook);
  const std::vector<ElementSpan> children = ChildElements(workbook, root.content_begin);
  const ElementSpan* holder = nullptr;
  for (const ElementSpan& child : children) {
    if (child.Local() == "definedNames") holder = &child;
  }
  std::set<std::pair<std::string, std::string>> present;
  if (holder != nullptr) {
    const std::string_view region = workbook.substr(holder->begin, holder->end - holder->begin);
    ForEachStartTag(region, [&](const StartTag& tag) {
      if (LocalOf(tag.name) != "definedName") return;
      present.emplace(Lower(AttributeValue(region, tag, "name")), AttributeValue(region, tag, "localSheetId"));
    });
  }
  std::string entries;
  for (const NameEntry& n : names) {
    const std::string sheet = n.local_sheet < 0 ? std::string() : std::to_string(n.local_sheet);
    if (!present.emplace(Lower(n.name), sheet).second) continue;
    entries += "<definedName name=\"" + Escape(n.name) + "\"";
    if (!sheet.empty()) entries += " localSheetId=\"" + sheet + "\"";
    for (const auto& [attribute, value] : n.attributes) entries += " " + attribute + "=\"" + Escape(value) + "\"";
    entries += ">" + Escape(n.formula) + "</definedName>";
  }
  if (entries.empty()) return std::string(workbook);
  std::string out(workbook);
  if (holder == nullptr) {
    return PlaceElements(workbook, root.content_begin, kWorkbookOrder,
                         {{"definedNames", "<definedNames>" + entries + "</definedNames>"}});
  }
  if (holder->content_begin == holder->end) {  // <definedNames/>
    out.replace(holder->end - 2, 2, ">" + entries + "</" + holder->name + ">");
  } else {
    out.insert(holder->content_end, entries);
  }
  return out;
}

std::string RenameSheetInFormula(std::string_view formula, const std::string& from, const std::string& to) {
  const std::string wanted = Lower(from);
  const std::string replacement = QuoteSheetName(to) + "!";
  std::string out;
  size_t i = 0;
  while (i < formula.size()) {
    const char c = formula[i];
    if (c == '"') {  // a string literal, "" inside it
      size_t end = i + 1;
      while (end < formula.size()) {
        if (formula[end] != '"') {
          ++end;
        } else if (end + 1 < formula.size() && formula[end + 1] == '"') {
          end += 2;
        } else {
          ++end;
          break;
        }
      }
      out += formula.substr(i, end - i);
      i = end;
    } else if (c == '\'') {  // a quoted sheet name, '' inside it
      std::string name;
      size_t end = i + 1;
      while (end < formula.size()) {
        if (formula[end] == '\'') {
          if (end + 1 < formula.size() && formula[end + 1] == '\'') {
            name += '\'';
            end += 2;
            continue;
          }
          break;
        }
        name += formula[end++];
      }
      if (end + 1 < formula.size() && formula[end + 1] == '!' && Lower(name) == wanted) {
        out += replacement;
        i = end + 2;
      } else {
        end = std::min(end + 1, formula.size());
        out += formula.substr(i, end - i);
        i = end;
      }
    } else if (IsNameChar(c) && (i == 0 || !IsNameChar(formula[i - 1]))) {
      size_t end = i;
      while (end < formula.size() && IsNameChar(formula[end])) ++end;
      if (end < formula.size() && formula[end] == '!' && Lower(std::string(formula.substr(i, end - i))) == wanted) {
        out += replacement;
        i = end + 1;
      } else {
        out += formula.substr(i, end - i);
        i = end;
      }
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

namespace {

bool IsShapeIdHolder(std::string_view element) {
  const std::string_view local = LocalOf(element);
  return local == "cNvPr" || local == "stCxn" || local == "endCxn";
}

// The shape ids the text gives (cNvPr ids).
std::set<long> ShapeIds(std::string_view text) {
  std::set<long> ids;
  ForEachStartTag(text, [&](const StartTag& tag) {
    if (LocalOf(tag.name) != "cNvPr") return;
    const std::string id = AttributeValue(text, tag, "id");
    if (!id.empty()) ids.insert(std::strtol(id.c_str(), nullptr, 10));
  });
  return ids;
}

}  // namespace

std::string AppendDrawingAnchors(std::string_view drawing, const std::vector<std::string>& anchors) {
  if (anchors.empty()) return std::string(drawing);
  const std::set<long> in_use = ShapeIds(drawing);
  std::set<long> carried;
  for (const std::string& anchor : anchors) {
    for (long id : ShapeIds(anchor)) carried.insert(id);
  }
  bool clash = false;
  for (long id : carried) clash = clash || in_use.count(id) != 0;
  const long shift = clash && !in_use.empty() ? *in_use.rbegin() : 0;
  std::string added;
  for (const std::string& anchor : anchors) {
    if (shift == 0) {
      added += anchor;
      continue;
    }
    added += RewriteAttributes(anchor, [&](std::string_view element, std::string_view attribute,
                                           std::string_view value) -> std::optional<std::string> {
      if (attribute != "id" || !IsShapeIdHolder(element)) return std::nullopt;
      const std::string text(value);
      char* end = nullptr;
      const long id = std::strtol(text.c_str(), &end, 10);
      if (text.empty() || *end != '\0') return std::nullopt;
      return std::to_string(id + shift);
    });
  }
  const ElementSpan root = DocumentElement(drawing);
  std::string out(drawing);
  if (root.content_begin == root.end) {  // <xdr:wsDr .../>
    out.replace(root.end - 2, 2, ">" + added + "</" + root.name + ">");
  } else {
    out.insert(root.content_end, added);
  }
  return out;
}

std::string NewDrawingPart(const std::vector<std::string>& anchors) {
  return AppendDrawingAnchors(
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
      "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"></xdr:wsDr>",
      anchors);
}

}  // namespace plrxl::xlsx
