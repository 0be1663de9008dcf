// What a saved package says about its sheets' own features, read straight
// from the XML as lines of text ("row 3: hidden=1 outlineLevel=1"), so a
// workbook before and after a save can be compared feature by feature:
// sheet states, properties (tab colour, outline settings), default sizes,
// the view, columns' and rows' outline states, merged ranges and every
// cell's type, formula and stored value. Column widths are left out (the
// model keeps them to the pixel), and so are cell styles (their indices are
// the writer's).
#pragma once

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "host/xlsx/internal/formula_shift.h"
#include "host/xlsx/internal/zip_reader.h"

namespace plrxl::testing_xlsx {

namespace features_detail {

inline std::string Local(const char* name) {
  const std::string n = name;
  const size_t colon = n.find(':');
  return colon == std::string::npos ? n : n.substr(colon + 1);
}

inline pugi::xml_node Kid(const pugi::xml_node& node, const std::string& local) {
  for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element && Local(c.name()) == local) return c;
  }
  return {};
}

// Attributes as `a=1 b=2`, sorted, without those named in `skip` and
// without namespace declarations; values equal to "false"/"0" read as
// absent when `drop_defaults`.
inline std::string Attrs(const pugi::xml_node& node, const std::set<std::string>& skip = {},
                         bool drop_defaults = true) {
  std::map<std::string, std::string> sorted;
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
    const std::string name = a.name();
    if (skip.count(name) != 0 || name.rfind("xmlns", 0) == 0 || name.find(':') != std::string::npos) continue;
    std::string value = a.value();
    if (value == "true") value = "1";
    if (value == "false") value = "0";
    if (drop_defaults && value == "0") continue;
    sorted[name] = value;
  }
  std::string out;
  for (const auto& [name, value] : sorted) out += (out.empty() ? "" : " ") + name + "=" + value;
  return out;
}

// The text of every <t> below node, phonetic runs aside.
inline std::string Text(const pugi::xml_node& node) {
  std::string out;
  for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element || Local(c.name()) == "rPh") continue;
    out += Local(c.name()) == "t" ? std::string(c.text().get()) : Text(c);
  }
  return out;
}

inline std::string Number(const std::string& text) {
  char* end = nullptr;
  const double x = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0') return text;
  char digits[32];
  auto result = std::to_chars(digits, digits + sizeof digits, x);
  return std::string(digits, result.ptr);
}

}  // namespace features_detail

// The features of one sheet part (by its position among the workbook's
// sheets, 0-based) of the package at path, as sorted lines.
// Shared formulas of a sheet part by index: a follower shows the leader's
// formula moved to it, as a loader reads it.
class SharedFormulas {
 public:
  std::string Of(const pugi::xml_node& f, const std::string& ref) {
    std::string formula = f.text().get();
    if (std::string(f.attribute("t").value()) != "shared") return formula;
    int col = 0;
    size_t i = 0;
    for (; i < ref.size() && std::isalpha(static_cast<unsigned char>(ref[i])); ++i) {
      col = col * 26 + (std::toupper(static_cast<unsigned char>(ref[i])) - 'A' + 1);
    }
    const int row = std::atoi(ref.c_str() + i);
    const std::string index = f.attribute("si").value();
    if (!formula.empty()) {
      leaders_[index] = {formula, row, col};
    } else if (auto leader = leaders_.find(index); leader != leaders_.end()) {
      const auto& [text, leader_row, leader_col] = leader->second;
      formula = xlsx::ShiftFormula(text, row - leader_row, col - leader_col);
    }
    return formula;
  }

 private:
  std::map<std::string, std::tuple<std::string, int, int>> leaders_;
};

inline std::vector<std::string> SheetFeatures(const std::string& path, size_t position) {
  using namespace features_detail;
  xlsx::ZipReader zip(path);
  std::vector<std::string> lines;
  pugi::xml_document workbook, rels, strings, sheet;
  const std::string workbook_text = zip.Read("xl/workbook.xml");
  workbook.load_string(workbook_text.c_str());
  const std::string rels_text = zip.Read("xl/_rels/workbook.xml.rels");
  rels.load_string(rels_text.c_str());
  std::vector<std::string> shared;
  if (zip.Has("xl/sharedStrings.xml")) {
    const std::string text = zip.Read("xl/sharedStrings.xml");
    strings.load_string(text.c_str());
    for (pugi::xml_node si = Kid(strings.document_element(), "si"); si; si = si.next_sibling()) {
      if (Local(si.name()) == "si") shared.push_back(Text(si));
    }
  }
  pugi::xml_node entry = Kid(Kid(workbook.document_element(), "sheets"), "sheet");
  for (size_t i = 0; i < position && entry; ++i) entry = entry.next_sibling();
  if (!entry) return {"no sheet at position " + std::to_string(position)};
  lines.push_back("state: " + std::string(entry.attribute("state").as_string("visible")));
  std::string target;
  for (pugi::xml_node r = rels.document_element().first_child(); r; r = r.next_sibling()) {
    if (std::string(r.attribute("Id").value()) == entry.attribute("r:id").value()) target = r.attribute("Target").value();
  }
  if (target.rfind("/", 0) == 0) target = target.substr(1);
  if (target.rfind("xl/", 0) != 0) target = "xl/" + target;
  const std::string sheet_text = zip.Read(target);
  sheet.load_string(sheet_text.c_str(), pugi::parse_default | pugi::parse_ws_pcdata);
  const pugi::xml_node root = sheet.document_element();

  if (pugi::xml_node pr = Kid(root, "sheetPr")) {
    for (pugi::xml_node c = pr.first_child(); c; c = c.next_sibling()) {
      if (c.type() == pugi::node_element) lines.push_back("property " + Local(c.name()) + ": " + Attrs(c));
    }
  }
  if (pugi::xml_node format = Kid(root, "sheetFormatPr")) {
    const std::string attributes = Attrs(format, {"defaultRowHeight", "baseColWidth", "defaultColWidth"});
    if (!attributes.empty()) lines.push_back("row format: " + attributes);
  }
  if (pugi::xml_node view = Kid(Kid(root, "sheetViews"), "sheetView")) {
    std::string attributes =
        Attrs(view, {"tabSelected", "workbookViewId", "zoomScaleNormal", "zoomScalePageLayoutView"}, false);
    // 100 is the zoom of a view that names none.
    attributes = std::regex_replace(attributes, std::regex("( |^)zoomScale=100( |$)"), "$1");
    if (!attributes.empty() && attributes.back() == ' ') attributes.pop_back();
    if (!attributes.empty()) lines.push_back("view: " + attributes);
    for (pugi::xml_node c = view.first_child(); c; c = c.next_sibling()) {
      if (c.type() != pugi::node_element) continue;
      // A1 selected in the only pane is what a view without a selection shows.
      const std::string attributes = Attrs(c, {"pane", "activeCellId"});
      if (Local(c.name()) == "selection" && std::string(c.attribute("pane").as_string("topLeft")) == "topLeft" &&
          (attributes == "activeCell=A1 sqref=A1" || attributes.empty())) {
        continue;
      }
      lines.push_back("view " + Local(c.name()) + ": " + Attrs(c));
    }
  }
  for (pugi::xml_node col = Kid(Kid(root, "cols"), "col"); col; col = col.next_sibling()) {
    const std::string attributes = Attrs(col, {"min", "max", "width", "customWidth", "style", "bestFit"});
    if (attributes.empty()) continue;
    for (int c = col.attribute("min").as_int(); c <= col.attribute("max").as_int(); ++c) {
      lines.push_back("column " + std::to_string(c) + ": " + attributes);
    }
  }
  SharedFormulas shared_formulas;
  for (pugi::xml_node row = Kid(Kid(root, "sheetData"), "row"); row; row = row.next_sibling()) {
    const std::string r = row.attribute("r").value();
    const std::string attributes = Attrs(row, {"r", "spans", "ht", "customHeight", "s", "customFormat"});
    if (!attributes.empty()) lines.push_back("row " + r + ": " + attributes);
    for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling()) {
      if (Local(c.name()) != "c") continue;
      const std::string type = c.attribute("t").value();
      std::string line = "cell " + std::string(c.attribute("r").value()) + ":";
      if (pugi::xml_node f = Kid(c, "f")) {
        const std::string formula = shared_formulas.Of(f, c.attribute("r").value());
        line += " formula=" + formula;
        if (std::string(f.attribute("t").value()) == "array") line += " array " + std::string(f.attribute("ref").value());
      }
      const pugi::xml_node v = Kid(c, "v");
      if (type == "s") {
        const std::string index = v.text().get();
        line += index.empty() ? " empty" : " text \"" + shared.at(std::stoul(index)) + "\"";
      } else if (type == "inlineStr") {
        line += " text \"" + Text(Kid(c, "is")) + "\"";
      } else if (type == "str") {
        line += " text \"" + std::string(v.text().get()) + "\"";
      } else if (Kid(c, "f") && std::string(v.text().get()).empty()) {
        line += " number 0";  // a formula without a stored result: the store writes 0
      } else if (v) {
        line += " " + (type.empty() || type == "n" ? std::string("number") : type) + " " +
                (type.empty() || type == "n" ? Number(v.text().get()) : std::string(v.text().get()));
      }
      lines.push_back(line);
    }
  }
  for (pugi::xml_node m = Kid(Kid(root, "mergeCells"), "mergeCell"); m; m = m.next_sibling()) {
    lines.push_back("merge " + std::string(m.attribute("ref").value()));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace plrxl::testing_xlsx
