// The layout around a sheet's cells as a file holds it: column widths,
// the sheet view, the sheet's properties; what the model does not hold is
// kept for the writer.
#include "host/xlsx/internal/sheet_layout_reader.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "host/format_limits.h"
#include "host/regional.h"
#include "host/xlsx/internal/sheet_reader.h"
#include "host/xlsx/internal/xml_scan.h"
#include "host/xlsx/internal/xml_util.h"

namespace plrxl::xlsx {

namespace {

// The attributes of an element the model does not hold, among `names`,
// as they would stand in a start tag (` hidden="1"`); defaults left out.
std::string ExtraAttributes(const pugi::xml_node& node, std::initializer_list<const char*> names) {
  std::string attributes;
  for (const char* name : names) {
    const pugi::xml_attribute a = node.attribute(name);
    const std::string_view value = a.value();
    if (!a || value == "0" || value == "false") continue;
    attributes += std::string(" ") + name + "=\"" + Escape(value) + "\"";
  }
  return attributes;
}

// Removes the attributes of other namespaces from node and below: their
// prefixes are declared only where the element was loaded.
void DropPrefixedAttributes(pugi::xml_node node) {
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_element) DropPrefixedAttributes(child);
  }
  for (pugi::xml_attribute a = node.first_attribute(); a;) {
    const pugi::xml_attribute next = a.next_attribute();
    if (std::strchr(a.name(), ':') != nullptr) node.remove_attribute(a);
    a = next;
  }
}

// The element as text, for an element in the sheet's default namespace.
std::string Raw(pugi::xml_node node) {
  DropPrefixedAttributes(node);
  std::ostringstream out;
  node.print(out, "", pugi::format_raw);
  return out.str();
}

// The sheet view's panes and selections, when they say more than the
// model holds: a split that is not frozen, several selections, a selection
// of several areas or an active cell inside it.
bool ViewNeedsItsChildren(const pugi::xml_node& view) {
  int selections = 0;
  for (pugi::xml_node child = view.first_child(); child; child = child.next_sibling()) {
    if (Is(child, "pane")) {
      const std::string_view state = child.attribute("state").value();
      if (state != "frozen" && state != "frozenSplit") return true;
    } else if (Is(child, "selection")) {
      ++selections;
      const std::string sqref = child.attribute("sqref").as_string();
      const std::string active = child.attribute("activeCell").as_string();
      if (sqref.find(' ') != std::string::npos) return true;
      if (!active.empty() && sqref.compare(0, active.size(), active) != 0) return true;
    }
  }
  return selections > 1;
}

}  // namespace

void ReadColumns(const pugi::xml_node& cols, Worksheet& sheet, SheetExtras& extras) {
  CarriedSheetLayout& layout = extras.layout;
  for (pugi::xml_node col = cols.first_child(); col; col = col.next_sibling()) {
    if (!Is(col, "col")) continue;
    if (const pugi::xml_attribute style = col.attribute("style")) extras.references.Xf(style.as_int(-1));
    const int first = std::max(1, col.attribute("min").as_int(1));
    const int last = std::min(kMaxFileColumns, std::max(first, col.attribute("max").as_int(first)));
    pugi::xml_attribute width = col.attribute("width");
    const std::string extras = ExtraAttributes(col, {"hidden", "outlineLevel", "collapsed", "bestFit", "phonetic"});
    if (!extras.empty() || last > kMaxCols) {
      layout.columns.push_back({first, last, width ? width.value() : "", extras});
    }
    if (!width || !col.attribute("customWidth").as_bool(true) || first > kMaxCols) continue;
    double w = FileWidthToColumnWidth(width.as_double());
    for (int c = first; c <= std::min(last, kMaxCols); ++c) sheet.SetColumnWidth(c, w);
  }
}

void ReadView(const pugi::xml_node& views, Worksheet& sheet, SheetExtras& extras) {
  CarriedSheetLayout& layout = extras.layout;
  pugi::xml_node view = Child(views, "sheetView");
  if (!view) return;
  extras.references.tab_selected = view.attribute("tabSelected").as_bool(false);
  if (pugi::xml_attribute zoom = view.attribute("zoomScale")) {
    int z = zoom.as_int(100);
    if (z >= 10 && z <= 400) sheet.SetZoom(z);
  }
  std::string active_pane;
  if (pugi::xml_node pane = Child(view, "pane")) {
    std::string_view state = pane.attribute("state").value();
    if (state == "frozen" || state == "frozenSplit") {
      sheet.FreezePanes(pane.attribute("ySplit").as_int(0), pane.attribute("xSplit").as_int(0));
    }
    active_pane = pane.attribute("activePane").as_string("topLeft");
  }
  for (pugi::xml_node sel = view.first_child(); sel; sel = sel.next_sibling()) {
    if (!Is(sel, "selection")) continue;
    std::string pane = sel.attribute("pane").as_string("topLeft");
    if (!active_pane.empty() && pane != active_pane) continue;
    std::string sqref = sel.attribute("sqref").as_string(sel.attribute("activeCell").as_string());
    sqref = sqref.substr(0, sqref.find(' '));
    if (auto parsed = ParseA1(sqref)) sheet.SetSelectionRect(parsed->rect);
  }
  // What the writer's view does not say: gridlines, zeros, direction, the
  // page break preview and the zooms of the other views... The model's
  // own (zoom, the active tab) stay the model's.
  const std::string_view zoom = view.attribute("zoomScale").value();
  for (pugi::xml_attribute a = view.first_attribute(); a; a = a.next_attribute()) {
    const std::string_view name = a.name();
    if (name.find(':') != std::string_view::npos || name == "tabSelected" || name == "zoomScale" ||
        name == "workbookViewId" || (name == "zoomScaleNormal" && a.value() == zoom)) {
      continue;
    }
    layout.view_attributes.emplace_back(std::string(name), Escape(a.value()));
  }
  if (std::string_view(view.name()).find(':') == std::string_view::npos && ViewNeedsItsChildren(view)) {
    for (pugi::xml_node child = view.first_child(); child; child = child.next_sibling()) {
      if (child.type() == pugi::node_element) layout.view_children += Raw(child);
    }
    layout.frozen = sheet.FrozenPanes();
    const Rect selection = sheet.SelectionRect();
    layout.selection_row1 = selection.row1, layout.selection_col1 = selection.col1;
    layout.selection_row2 = selection.row2, layout.selection_col2 = selection.col2;
  }
}

// <sheetPr> and <sheetFormatPr> as loaded, but for the one the writer makes
// itself.
void ReadProperties(const pugi::xml_node& node, std::string_view name, CarriedSheetLayout& layout) {
  if (std::string_view(node.name()).find(':') != std::string_view::npos) return;
  if (name == "sheetPr") {
    layout.properties = Raw(node);
    return;
  }
  const pugi::xml_attribute first = node.first_attribute();
  const bool as_written = first && std::string_view(first.name()) == "defaultRowHeight" &&
                          std::string_view(first.value()) == "15" && !first.next_attribute() && !node.first_child();
  if (!as_written) layout.format_properties = Raw(node);
}

}  // namespace plrxl::xlsx
