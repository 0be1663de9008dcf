#include "host/xlsx/internal/chart_reader.h"

#include <algorithm>
#include <map>
#include <memory>

#include "host/address.h"
#include "host/xlsx/internal/geometry.h"
#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/xml_util.h"
#include "host/xlsx/internal/zip_reader.h"

namespace plrxl::xlsx {

namespace {

std::string QuoteAlways(const std::string& sheet) {
  std::string out = "'";
  for (char c : sheet) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

struct ChartType {
  const char* element;
  ChartKind kind;
};
constexpr ChartType kChartTypes[] = {
    {"lineChart", ChartKind::kLine},     {"line3DChart", ChartKind::kLine}, {"stockChart", ChartKind::kStock},
    {"barChart", ChartKind::kColumn},    {"bar3DChart", ChartKind::kColumn}, {"areaChart", ChartKind::kArea},
    {"area3DChart", ChartKind::kArea},   {"scatterChart", ChartKind::kScatter}, {"pieChart", ChartKind::kOther},
    {"doughnutChart", ChartKind::kOther}, {"radarChart", ChartKind::kOther}, {"bubbleChart", ChartKind::kOther},
};

// Marker shapes the model names (ChartSeries::marker_symbol).
constexpr const char* kMarkerShapes[] = {"dash", "square", "diamond", "triangle", "x", "star", "circle", "plus"};

std::string RefOrValue(const pugi::xml_node& holder) {
  for (const char* ref : {"numRef", "strRef", "multiLvlStrRef"}) {
    if (pugi::xml_node r = Child(holder, ref)) return A1RefToR1C1(Child(r, "f").text().get());
  }
  if (pugi::xml_node v = Child(holder, "v")) return v.text().get();
  return {};
}

uint32_t LineColor(const pugi::xml_node& sp_pr) {
  pugi::xml_node srgb = Child(Child(Child(sp_pr, "ln"), "solidFill"), "srgbClr");
  if (!srgb) return kAutomatic;
  return static_cast<uint32_t>(std::strtoul(srgb.attribute("val").as_string(), nullptr, 16)) & 0xFFFFFF;
}

// The typeface of a run's properties, empty when it names none.
std::string Typeface(const pugi::xml_node& props) { return Child(props, "latin").attribute("typeface").as_string(); }

void ReadAxis(const pugi::xml_node& ax, ChartAxis& axis, Chart& chart) {
  if (!ax) return;
  pugi::xml_node scaling = Child(ax, "scaling");
  axis.reversed = std::string_view(Child(scaling, "orientation").attribute("val").as_string()) == "maxMin";
  if (pugi::xml_node skip = Child(ax, "tickLblSkip")) axis.label_interval = skip.attribute("val").as_int();
  axis.labels_low = std::string_view(Child(ax, "tickLblPos").attribute("val").as_string()) == "low";
  if (pugi::xml_node min = Child(scaling, "min")) axis.minimum = min.attribute("val").as_double();
  if (pugi::xml_node max = Child(scaling, "max")) axis.maximum = max.attribute("val").as_double();
  if (pugi::xml_node unit = Child(ax, "majorUnit")) axis.major_unit = unit.attribute("val").as_double();
  axis.major_gridlines = static_cast<bool>(Child(ax, "majorGridlines"));
  // A format linked to the source cells is no format of the axis's own.
  if (pugi::xml_node fmt = Child(ax, "numFmt"); fmt && !fmt.attribute("sourceLinked").as_bool()) {
    axis.number_format = fmt.attribute("formatCode").as_string();
  }
  pugi::xml_node def = Child(Child(Child(Child(ax, "txPr"), "p"), "pPr"), "defRPr");
  if (pugi::xml_attribute sz = def.attribute("sz")) axis.tick_label_font_size = sz.as_double() / 100;
  if (chart.font_name.empty()) chart.font_name = Typeface(def);
}

void ReadTitle(const pugi::xml_node& title, Chart& chart) {
  if (!title) return;
  pugi::xml_node tx = Child(title, "tx");
  pugi::xml_node rich = Child(tx, "rich");
  if (rich) {
    chart.title = TextOf(rich);
    for (pugi::xml_node p = rich.first_child(); p; p = p.next_sibling()) {
      if (!Is(p, "p")) continue;
      pugi::xml_node def = Child(Child(p, "pPr"), "defRPr");
      pugi::xml_node run = Child(Child(p, "r"), "rPr");
      for (const pugi::xml_node& props : {def, run}) {
        if (!props) continue;
        if (pugi::xml_attribute sz = props.attribute("sz")) chart.title_font_size = sz.as_double() / 100;
        if (pugi::xml_attribute b = props.attribute("b")) chart.title_bold = b.as_bool();
        if (std::string face = Typeface(props); !face.empty()) chart.font_name = face;
      }
    }
  } else if (tx) {
    chart.title = RefOrValue(tx);
  }
}

// The value axis that a chart group plots against (its second <c:axId>).
pugi::xml_node GroupValueAxis(const pugi::xml_node& plot, const pugi::xml_node& group) {
  pugi::xml_node id = Child(group, "axId");
  for (pugi::xml_node next = id.next_sibling(); next; next = next.next_sibling()) {
    if (!Is(next, "axId")) continue;
    const std::string_view wanted = next.attribute("val").as_string();
    for (pugi::xml_node n = plot.first_child(); n; n = n.next_sibling()) {
      if (Is(n, "valAx") && wanted == Child(n, "axId").attribute("val").as_string()) return n;
    }
  }
  return {};
}

// A second group of the same kind after `group`: its series plot against
// the secondary value axis.
pugi::xml_node SecondaryGroup(const pugi::xml_node& group) {
  for (pugi::xml_node n = group.next_sibling(); n; n = n.next_sibling()) {
    if (std::string_view(n.name()) == group.name()) return n;
  }
  return {};
}

void ReadChartContent(const pugi::xml_node& plot, const pugi::xml_node& group, Chart& chart) {
  if (!group) return;
  chart.high_low_lines = static_cast<bool>(Child(group, "hiLowLines"));
  chart.up_down_bars = static_cast<bool>(Child(group, "upDownBars"));
  bool any_markers = false;
  const pugi::xml_node secondary = SecondaryGroup(group);
  const pugi::xml_node secondary_axis = secondary ? GroupValueAxis(plot, secondary) : pugi::xml_node();
  std::vector<pugi::xml_node> all_series;
  for (const pugi::xml_node& holder : {group, secondary}) {
    for (pugi::xml_node ser = holder.first_child(); ser; ser = ser.next_sibling()) all_series.push_back(ser);
  }
  // Split over two groups, the series keep their drawing order (<c:order>).
  if (secondary) {
    std::stable_sort(all_series.begin(), all_series.end(), [](const pugi::xml_node& a, const pugi::xml_node& b) {
      return Child(a, "order").attribute("val").as_int() < Child(b, "order").attribute("val").as_int();
    });
  }
  for (const pugi::xml_node& ser : all_series) {
    if (!Is(ser, "ser")) continue;
    ChartSeries s;
    s.secondary_axis = secondary && ser.parent() == secondary;
    s.name = RefOrValue(Child(ser, "tx"));
    bool scatter = chart.kind == ChartKind::kScatter;
    s.values = RefOrValue(Child(ser, scatter ? "yVal" : "val"));
    s.categories = RefOrValue(Child(ser, scatter ? "xVal" : "cat"));
    pugi::xml_node sp_pr = Child(ser, "spPr");
    s.line_color = LineColor(sp_pr);
    if (pugi::xml_attribute w = Child(sp_pr, "ln").attribute("w")) s.line_weight = w.as_double() / kEmuPerPoint;
    s.line_hidden = static_cast<bool>(Child(Child(sp_pr, "ln"), "noFill"));
    pugi::xml_node marker = Child(ser, "marker");
    std::string_view symbol = Child(marker, "symbol").attribute("val").as_string();
    s.markers = marker && symbol != "none";
    for (const char* shape : kMarkerShapes) {
      if (s.markers && symbol == shape) s.marker_symbol = shape;
    }
    any_markers = any_markers || s.markers;
    chart.series.push_back(std::move(s));
  }
  if (chart.kind == ChartKind::kLine && any_markers) chart.kind = ChartKind::kLineMarkers;
  bool first_val = true;
  for (pugi::xml_node n = plot.first_child(); n; n = n.next_sibling()) {
    // <c:crosses val="max"/> of an axis says where it crosses the other one.
    const bool crosses_max = std::string_view(Child(n, "crosses").attribute("val").as_string()) == "max";
    if ((Is(n, "catAx") || Is(n, "dateAx")) && secondary &&
        std::string_view(Child(secondary, "axId").attribute("val").as_string()) ==
            Child(n, "axId").attribute("val").as_string()) {
      continue;  // the secondary group's own (hidden) category axis
    }
    if (Is(n, "catAx") || Is(n, "dateAx")) {
      ReadAxis(n, chart.category_axis, chart);
      chart.value_axis.crossed_at_maximum = crosses_max;
    } else if (Is(n, "valAx") && secondary_axis && n == secondary_axis) {
      ReadAxis(n, chart.secondary_value_axis, chart);
    } else if (Is(n, "valAx")) {
      // A scatter chart's first value axis is its horizontal one.
      bool category = chart.kind == ChartKind::kScatter && first_val;
      ReadAxis(n, category ? chart.category_axis : chart.value_axis, chart);
      (category ? chart.value_axis : chart.category_axis).crossed_at_maximum = crosses_max;
      first_val = false;
    }
  }
}

// A part that refers to parts of its own (an embedded workbook, shapes,
// pictures) cannot be saved alone: such a chart is redrawn from the model.
bool StandsAlone(const std::string& xml) {
  return xml.find(" r:id=\"") == std::string::npos && xml.find(" r:embed=\"") == std::string::npos &&
         xml.find(" r:link=\"") == std::string::npos && xml.find(" r:pict=\"") == std::string::npos;
}

void ReadChartPart(std::string text, const std::string& part, Chart& chart, std::vector<std::string>& warnings) {
  auto source = std::make_shared<ChartSource>();
  if (StandsAlone(text)) {
    source->xml = text;
  } else {
    source.reset();
    warnings.push_back("chart " + part + " is redrawn: it refers to parts of its own");
  }
  pugi::xml_document doc;
  ParseXml(text, doc, part);
  pugi::xml_node root = Root(doc, "chartSpace", part);
  pugi::xml_node c = Child(root, "chart");
  ReadTitle(Child(c, "title"), chart);
  chart.has_legend = static_cast<bool>(Child(c, "legend"));
  pugi::xml_node plot = Child(c, "plotArea");
  pugi::xml_node group;
  chart.kind = ChartKind::kOther;
  for (pugi::xml_node n = plot.first_child(); n && !group; n = n.next_sibling()) {
    for (const ChartType& t : kChartTypes) {
      if (Is(n, t.element)) {
        group = n;
        chart.kind = t.kind;
        if (t.kind == ChartKind::kColumn && std::string_view(Child(n, "barDir").attribute("val").as_string()) == "bar") {
          chart.kind = ChartKind::kBar;
        }
        break;
      }
    }
  }
  ReadChartContent(plot, group, chart);
  if (source) {
    source->as_read = chart;
    chart.source = std::move(source);
  }
}


struct Point {
  double x = 0, y = 0;  // pixels
};

Point Marker(const pugi::xml_node& m, const Worksheet& sheet) {
  int col = Child(m, "col").text().as_int() + 1;
  int row = Child(m, "row").text().as_int() + 1;
  if (col < 1 || col > kMaxCols || row < 1 || row > kMaxRows) return {};
  return {ColumnLeftPixels(sheet, col) + Child(m, "colOff").text().as_double() / kEmuPerPixel,
          RowTopPixels(sheet, row) + Child(m, "rowOff").text().as_double() / kEmuPerPixel};
}

}  // namespace

std::string A1RefToR1C1(const std::string& ref) {
  std::string text = !ref.empty() && ref[0] == '=' ? ref.substr(1) : ref;
  if (text.empty()) return {};
  auto parsed = ParseA1(text);
  if (!parsed) return "=" + text;
  std::string sheet = parsed->sheet.empty() ? std::string() : QuoteAlways(parsed->sheet) + "!";
  return "=" + sheet + FormatR1C1(parsed->rect);
}

std::vector<size_t> ReadDrawing(const ZipReader& zip, const std::string& drawing_part, Worksheet& sheet,
                                std::set<std::string>& consumed, std::vector<std::string>& warnings) {
  std::vector<size_t> others;
  if (!zip.Has(drawing_part)) return others;
  consumed.insert(drawing_part);
  Relationships rels = ReadRelationships(zip, drawing_part);
  std::string text = zip.Read(drawing_part);
  pugi::xml_document doc;
  ParseXml(text, doc, drawing_part);
  pugi::xml_node root = Root(doc, "wsDr", drawing_part);
  size_t position = 0;
  for (pugi::xml_node anchor = root.first_child(); anchor; anchor = anchor.next_sibling()) {
    if (anchor.type() != pugi::node_element) continue;
    const size_t index = position++;
    pugi::xml_node frame = Child(anchor, "graphicFrame");
    pugi::xml_node chart_ref = Child(Child(Child(frame, "graphic"), "graphicData"), "chart");
    if (!chart_ref) {
      others.push_back(index);
      continue;
    }
    auto rel = rels.find(Attr(chart_ref, "id").as_string());
    if (rel == rels.end() || !zip.Has(rel->second.target)) continue;
    Point from, to;
    if (Is(anchor, "twoCellAnchor")) {
      from = Marker(Child(anchor, "from"), sheet);
      to = Marker(Child(anchor, "to"), sheet);
    } else {
      pugi::xml_node ext = Child(anchor, "ext");
      if (Is(anchor, "oneCellAnchor")) {
        from = Marker(Child(anchor, "from"), sheet);
      } else {
        pugi::xml_node pos = Child(anchor, "pos");
        from = {pos.attribute("x").as_double() / kEmuPerPixel, pos.attribute("y").as_double() / kEmuPerPixel};
      }
      to = {from.x + ext.attribute("cx").as_double() / kEmuPerPixel,
            from.y + ext.attribute("cy").as_double() / kEmuPerPixel};
    }
    Chart& chart = sheet.AddChart(from.x * 0.75, from.y * 0.75, (to.x - from.x) * 0.75, (to.y - from.y) * 0.75);
    if (pugi::xml_node props = Child(Child(frame, "nvGraphicFramePr"), "cNvPr")) {
      if (*props.attribute("name").as_string() != '\0') chart.name = props.attribute("name").as_string();
    }
    consumed.insert(rel->second.target);
    ReadChartPart(zip.Read(rel->second.target), rel->second.target, chart, warnings);
  }
  return others;
}

}  // namespace plrxl::xlsx
