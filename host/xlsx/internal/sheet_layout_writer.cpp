#include "host/xlsx/internal/sheet_layout_writer.h"

#include <algorithm>
#include <charconv>

#include "host/xlsx/internal/carry_edits.h"
#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/xml_scan.h"

namespace plrxl::xlsx {

namespace {

// The children of a worksheet, in the order the format requires.
const std::vector<std::string_view>& SheetOrder() {
  static const std::vector<std::string_view> order = [] {
    std::vector<std::string_view> all = {"sheetPr", "dimension", "sheetViews", "sheetFormatPr", "cols", "sheetData"};
    all.insert(all.end(), kSheetTailOrder.begin(), kSheetTailOrder.end());
    return all;
  }();
  return order;
}

// The child of the document element with the local name; nullopt when none.
std::optional<ElementSpan> ChildNamed(std::string_view text, size_t from, std::string_view local) {
  for (const ElementSpan& e : ChildElements(text, from)) {
    if (e.Local() == local) return e;
  }
  return std::nullopt;
}

// The attributes of an element's start tag as they stand in it
// (` a="1" b="2"`), and their names.
struct Attributes {
  std::string text;
  std::vector<std::string> names;
};

Attributes AttributesOf(std::string_view element, const std::vector<std::string_view>& leave_out = {}) {
  Attributes out;
  const StartTag tag = DocumentStartTag(element);
  for (const AttributeSpan& a : tag.attributes) {
    if (std::find(leave_out.begin(), leave_out.end(), a.name) != leave_out.end()) continue;
    out.text += " " + a.name + "=\"" + std::string(element.substr(a.value_begin, a.value_end - a.value_begin)) + "\"";
    out.names.push_back(a.name);
  }
  return out;
}

int IntAttribute(std::string_view element, std::string_view name) {
  const std::string value = AttributeValue(element, DocumentStartTag(element), name);
  int number = 0;
  std::from_chars(value.data(), value.data() + value.size(), number);
  return number;
}

bool ModelShowsLoadedView(const CarriedSheetLayout& layout, const Worksheet& sheet) {
  const Rect selection = sheet.SelectionRect();
  return sheet.FrozenPanes() == layout.frozen && selection.row1 == layout.selection_row1 &&
         selection.col1 == layout.selection_col1 && selection.row2 == layout.selection_row2 &&
         selection.col2 == layout.selection_col2;
}

// The writer's <sheetViews> with the loaded view's other attributes added
// and, while they still hold, its panes and selections.
std::string MergedViews(std::string_view views, const CarriedSheetLayout& layout, const Worksheet& sheet) {
  const StartTag views_tag = DocumentStartTag(views);
  const std::optional<ElementSpan> view = ChildNamed(views, views_tag.end, "sheetView");
  if (!view) return std::string(views);
  const std::string_view view_text = views.substr(view->begin, view->end - view->begin);
  Attributes attributes = AttributesOf(view_text);
  for (const auto& [name, value] : layout.view_attributes) {
    if (std::find(attributes.names.begin(), attributes.names.end(), name) != attributes.names.end()) continue;
    attributes.text += " " + name + "=\"" + value + "\"";
  }
  std::string children(views.substr(view->content_begin, view->content_end - view->content_begin));
  if (!layout.view_children.empty() && ModelShowsLoadedView(layout, sheet)) children = layout.view_children;
  std::string merged = "<sheetView" + attributes.text;
  merged += children.empty() ? "/>" : ">" + children + "</sheetView>";
  return std::string(views.substr(0, view->begin)) + merged + std::string(views.substr(view->end));
}

// The writer's <cols> (the model's widths) with the loaded columns'
// outline states and the columns beyond the grid, as consecutive runs of
// equal columns.
std::string MergedColumns(std::string_view part, const std::optional<ElementSpan>& written,
                          const std::vector<CarriedColumns>& carried) {
  int last = 0;
  for (const CarriedColumns& c : carried) last = std::max(last, c.last);
  std::vector<std::string> own;   // the writer's attributes but min and max, by column
  if (written) {
    for (const ElementSpan& col : ChildElements(part, written->content_begin)) {
      const std::string_view text = part.substr(col.begin, col.end - col.begin);
      const int first = std::max(1, IntAttribute(text, "min"));
      const int to = std::min(kMaxFileColumns, std::max(first, IntAttribute(text, "max")));
      if (static_cast<int>(own.size()) < to + 1) own.resize(static_cast<size_t>(to) + 1);
      const std::string attributes = AttributesOf(text, {"min", "max"}).text;
      for (int c = first; c <= to; ++c) own[static_cast<size_t>(c)] = attributes;
    }
  }
  last = std::max(last, static_cast<int>(own.size()) - 1);
  std::vector<std::string> column(static_cast<size_t>(last) + 1);
  for (size_t c = 1; c < own.size(); ++c) column[c] = own[c];
  for (const CarriedColumns& run : carried) {
    for (int c = run.first; c <= run.last; ++c) {
      std::string& attributes = column[static_cast<size_t>(c)];
      if (attributes.empty() && !run.width.empty()) attributes = " width=\"" + Escape(run.width) + "\"";
      attributes += run.attributes;
    }
  }
  std::string cols = "<cols>";
  for (int c = 1; c <= last;) {
    int end = c;
    while (end < last && column[static_cast<size_t>(end) + 1] == column[static_cast<size_t>(c)]) ++end;
    if (!column[static_cast<size_t>(c)].empty()) {
      cols += "<col min=\"" + std::to_string(c) + "\" max=\"" + std::to_string(end) + "\"" +
              column[static_cast<size_t>(c)] + "/>";
    }
    c = end + 1;
  }
  return cols == "<cols>" ? std::string() : cols + "</cols>";
}

}  // namespace

bool LayoutChangesSheetHead(const CarriedSheetLayout& layout) {
  return !layout.properties.empty() || !layout.format_properties.empty() || !layout.view_attributes.empty() ||
         !layout.view_children.empty() || !layout.columns.empty();
}

std::string SpliceSheetHead(std::string_view part, const CarriedSheetLayout& layout, const Worksheet& sheet) {
  const size_t from = DocumentStartTag(part).end;
  std::vector<CarriedElement> elements;
  if (!layout.properties.empty()) elements.push_back({"sheetPr", layout.properties});
  if (!layout.format_properties.empty()) elements.push_back({"sheetFormatPr", layout.format_properties});
  if (!layout.view_attributes.empty() || !layout.view_children.empty()) {
    if (const std::optional<ElementSpan> views = ChildNamed(part, from, "sheetViews")) {
      elements.push_back({"sheetViews", MergedViews(part.substr(views->begin, views->end - views->begin), layout, sheet)});
    }
  }
  if (!layout.columns.empty()) {
    std::string cols = MergedColumns(part, ChildNamed(part, from, "cols"), layout.columns);
    if (!cols.empty()) elements.push_back({"cols", std::move(cols)});
  }
  if (elements.empty()) return std::string(part);
  return PlaceElements(part, from, SheetOrder(), elements);
}

std::string MarkSheetsVeryHidden(std::string_view workbook, const std::vector<int>& positions) {
  if (positions.empty()) return std::string(workbook);
  int sheet = -1;
  return RewriteAttributes(workbook, [&](std::string_view element, std::string_view attribute,
                                         std::string_view value) -> std::optional<std::string> {
    const std::string_view local = element.substr(element.find(':') + 1);
    if (local != "sheet") return std::nullopt;
    if (attribute == "name") ++sheet;
    if (attribute != "state" || value != "hidden") return std::nullopt;
    if (std::find(positions.begin(), positions.end(), sheet) == positions.end()) return std::nullopt;
    return std::string("veryHidden");
  });
}

}  // namespace plrxl::xlsx
