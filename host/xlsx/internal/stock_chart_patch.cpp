#include "host/xlsx/internal/stock_chart_patch.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/xml_util.h"

namespace plrxl::xlsx {

namespace {

void EraseAll(std::string& text, size_t from, size_t to, const std::string& what) {
  for (size_t at = text.find(what, from); at != std::string::npos && at < to; at = text.find(what, at)) {
    text.erase(at, what.size());
    to -= what.size();
  }
}

// Removes every self-closing element <name .../> between from and to.
void EraseEmptyElements(std::string& text, size_t from, size_t& to, const std::string& name) {
  const std::string open = "<" + name + " ";
  for (size_t at = text.find(open, from); at != std::string::npos && at < to; at = text.find(open, at)) {
    size_t end = text.find("/>", at);
    if (end == std::string::npos) return;
    size_t close_tag = text.find('>', at);
    if (close_tag < end) {  // not self-closing: keep it
      at = close_tag;
      continue;
    }
    text.erase(at, end + 2 - at);
    to -= end + 2 - at;
  }
}

// The element's first child named `name` (qualified, "c:crosses"),
// created at the end when missing.
pugi::xml_node Ensure(pugi::xml_node parent, const char* name) {
  pugi::xml_node child = parent.child(name);
  return child ? child : parent.append_child(name);
}

void SetVal(pugi::xml_node parent, const char* name, const std::string& value) {
  pugi::xml_node child = Ensure(parent, name);
  pugi::xml_attribute val = child.attribute("val");
  (val ? val : child.append_attribute("val")).set_value(value.c_str());
}

std::string Number(double value) {
  std::ostringstream text;
  text.precision(17);
  text << value;
  return text.str();
}

// The axis element of the plot area with <c:axId val="id"/>.
pugi::xml_node AxisById(pugi::xml_node plot, const std::string& id) {
  for (pugi::xml_node n = plot.first_child(); n; n = n.next_sibling()) {
    if (!(Is(n, "catAx") || Is(n, "dateAx") || Is(n, "valAx"))) continue;
    if (id == Child(n, "axId").attribute("val").as_string()) return n;
  }
  return {};
}

}  // namespace

std::string MoveSeriesToSecondaryAxis(const std::string& xml, const std::vector<int>& series,
                                      const ChartAxis& axis) {
  if (series.empty()) return xml;
  std::string text = xml;
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed =
      doc.load_buffer(text.data(), text.size(), pugi::parse_default | pugi::parse_declaration, pugi::encoding_utf8);
  if (!parsed) throw XlsxProblem(std::string("broken XML in a written chart: ") + parsed.description());
  pugi::xml_node plot = Child(Child(doc.document_element(), "chart"), "plotArea");
  pugi::xml_node group = Child(plot, "lineChart");
  if (!group) return xml;
  std::vector<std::string> ids;
  for (pugi::xml_node id = group.child("c:axId"); id; id = id.next_sibling("c:axId")) {
    ids.push_back(id.attribute("val").as_string());
  }
  pugi::xml_node category = ids.size() == 2 ? AxisById(plot, ids[0]) : pugi::xml_node();
  pugi::xml_node values = ids.size() == 2 ? AxisById(plot, ids[1]) : pugi::xml_node();
  if (!category || !values) return xml;

  // New axis ids above every id in use.
  long long top = 0;
  for (pugi::xml_node n = plot.first_child(); n; n = n.next_sibling()) {
    top = std::max(top, Child(n, "axId").attribute("val").as_llong());
  }
  const std::string category_id = std::to_string(top + 1), value_id = std::to_string(top + 2);

  // The second group: a copy of the first holding only the moved series.
  pugi::xml_node second = plot.insert_copy_after(group, group);
  auto moved = [&](pugi::xml_node ser) {
    const int idx = Child(ser, "idx").attribute("val").as_int(-1);
    return std::find(series.begin(), series.end(), idx) != series.end();
  };
  for (pugi::xml_node keep : {group, second}) {
    for (pugi::xml_node ser = keep.child("c:ser"); ser;) {
      pugi::xml_node next = ser.next_sibling("c:ser");
      if (moved(ser) != (keep == second)) keep.remove_child(ser);
      ser = next;
    }
  }
  pugi::xml_node second_id = second.child("c:axId");
  second_id.attribute("val").set_value(category_id.c_str());
  second_id.next_sibling("c:axId").attribute("val").set_value(value_id.c_str());

  // A hidden category axis for the second group, and its value axis on the
  // right, crossing at the categories' far end.
  pugi::xml_node last_axis = values;
  for (pugi::xml_node n = plot.first_child(); n; n = n.next_sibling()) {
    if (Is(n, "catAx") || Is(n, "dateAx") || Is(n, "valAx") || Is(n, "serAx")) last_axis = n;
  }
  pugi::xml_node hidden = plot.insert_copy_after(category, last_axis);
  SetVal(hidden, "c:axId", category_id);
  SetVal(hidden, "c:crossAx", value_id);
  if (!hidden.child("c:delete")) hidden.insert_child_after("c:delete", hidden.child("c:scaling"));
  SetVal(hidden, "c:delete", "1");
  pugi::xml_node right = plot.insert_copy_after(values, hidden);
  SetVal(right, "c:axId", value_id);
  SetVal(right, "c:crossAx", category_id);
  SetVal(right, "c:axPos", "r");
  SetVal(right, "c:crosses", "max");
  right.remove_child("c:majorGridlines");
  right.remove_child("c:minorGridlines");
  right.remove_child("c:crossesAt");
  pugi::xml_node scaling = right.child("c:scaling");
  scaling.remove_child("c:min");
  scaling.remove_child("c:max");
  // Schema order within the scaling: orientation, max, min.
  if (axis.maximum) scaling.append_child("c:max").append_attribute("val").set_value(Number(*axis.maximum).c_str());
  if (axis.minimum) scaling.append_child("c:min").append_attribute("val").set_value(Number(*axis.minimum).c_str());

  std::ostringstream out;
  doc.save(out, "", pugi::format_raw, pugi::encoding_utf8);
  return out.str();
}

std::optional<ChartPatch> PatchFor(const Chart& chart) {
  ChartPatch patch;
  patch.to_stock = chart.kind == ChartKind::kStock;
  bool dash = false;
  for (size_t i = 0; i < chart.series.size(); ++i) {
    const ChartSeries& s = chart.series[i];
    dash = dash || (s.markers && s.marker_symbol == "dash");
    if (s.secondary_axis) patch.secondary_series.push_back(static_cast<int>(i));
  }
  patch.secondary_axis = chart.secondary_value_axis;
  if (!dash && !patch.to_stock && patch.secondary_series.empty()) return std::nullopt;
  return patch;
}

std::string PatchChartPart(const std::string& xml, const ChartPatch& patch) {
  std::string out = FixMarkerNames(xml);
  if (patch.to_stock) out = LineChartToStockChart(out);
  return MoveSeriesToSecondaryAxis(out, patch.secondary_series, patch.secondary_axis);
}

std::string FixMarkerNames(const std::string& xml) {
  static const std::string kWritten = "<c:symbol val=\"short_dash\"/>";
  static const std::string kSchema = "<c:symbol val=\"dash\"/>";
  std::string out = xml;
  for (size_t at = out.find(kWritten); at != std::string::npos; at = out.find(kWritten, at + kSchema.size())) {
    out.replace(at, kWritten.size(), kSchema);
  }
  return out;
}

std::string LineChartToStockChart(const std::string& xml) {
  std::string out = xml;
  size_t begin = out.find("<c:lineChart>");
  size_t end = out.find("</c:lineChart>");
  if (begin == std::string::npos || end == std::string::npos || end < begin) return out;
  out.replace(end, 14, "</c:stockChart>");
  out.replace(begin, 13, "<c:stockChart>");
  end = out.find("</c:stockChart>");
  EraseEmptyElements(out, begin, end, "c:grouping");
  EraseEmptyElements(out, begin, end, "c:varyColors");
  // The chart-level marker flag, not the series' <c:marker> blocks.
  EraseAll(out, begin, end, "<c:marker val=\"1\"/>");
  return out;
}

}  // namespace plrxl::xlsx
