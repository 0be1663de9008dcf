// CalcWorksheet's charts. The system draws a chart in two steps: it adds
// the chart, then sets its series and looks on the object it got back. So
// a chart drawn here waits on the sheet, and goes to Calc's chart API when
// the workbook sends everything (between rows, before a save, at the end of
// a run); one changed after that is drawn again. Charts already in the
// document are listed with their name, title and kind, enough to find and
// delete them; a change made to one of those is not sent back.
#include <algorithm>
#include <cmath>
#include <set>

#include <com/sun/star/awt/FontWeight.hpp>
#include <com/sun/star/awt/Rectangle.hpp>
#include <com/sun/star/chart/ChartAxisAssign.hpp>
#include <com/sun/star/chart/ChartAxisLabelPosition.hpp>
#include <com/sun/star/chart/ChartAxisPosition.hpp>
#include <com/sun/star/chart/ChartSymbolType.hpp>
#include <com/sun/star/chart/XAxisXSupplier.hpp>
#include <com/sun/star/chart/XAxisYSupplier.hpp>
#include <com/sun/star/chart/XChartDocument.hpp>
#include <com/sun/star/chart/XDiagram.hpp>
#include <com/sun/star/chart/XTwoAxisYSupplier.hpp>
#include <com/sun/star/chart2/XChartDocument.hpp>
#include <com/sun/star/chart2/XChartTypeContainer.hpp>
#include <com/sun/star/chart2/XCoordinateSystemContainer.hpp>
#include <com/sun/star/chart2/XDataSeriesContainer.hpp>
#include <com/sun/star/chart2/data/XDataProvider.hpp>
#include <com/sun/star/chart2/data/XDataSource.hpp>
#include <com/sun/star/chart2/data/XLabeledDataSequence.hpp>
#include <com/sun/star/document/XEmbeddedObjectSupplier.hpp>
#include <com/sun/star/drawing/LineStyle.hpp>
#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/table/XTableChart.hpp>
#include <com/sun/star/table/XTableCharts.hpp>
#include <com/sun/star/table/XTableChartsSupplier.hpp>

#include "host/address.h"
#include "host/calc/internal/calc_objects.h"
#include "host/internal/host_errors.h"

namespace plrxl::calc {
namespace {

constexpr const char* kChartPrefix = "Chart ";

sal_Int32 PointsToCalc(double points) { return static_cast<sal_Int32>(std::lround(points * 2540.0 / 72.0)); }

Reference<css::table::XTableCharts> SheetCharts(const Reference<css::sheet::XSpreadsheet>& sheet) {
  return Reference<css::table::XTableChartsSupplier>(sheet, UNO_QUERY_THROW)->getCharts();
}

// The chart document of a chart on the sheet, in the older of Calc's two
// chart APIs: the one whose properties say what a chart looks like.
Reference<css::chart::XChartDocument> ChartDocument(const Reference<css::table::XTableCharts>& charts,
                                                    const std::string& name) {
  Reference<css::document::XEmbeddedObjectSupplier> embedded(charts->getByName(ToOu(name)), UNO_QUERY_THROW);
  return Reference<css::chart::XChartDocument>(embedded->getEmbeddedObject(), UNO_QUERY_THROW);
}

// Sets a property the object has; the chart objects of the office's older
// API differ in which optional ones they offer.
template <typename T>
void Set(const Reference<css::beans::XPropertySet>& props, const char* name, const T& value) {
  const rtl::OUString key = rtl::OUString::createFromAscii(name);
  Reference<css::beans::XPropertySetInfo> info = props->getPropertySetInfo();
  if (info.is() && !info->hasPropertyByName(key)) return;
  props->setPropertyValue(key, css::uno::Any(value));
}

// Calc's standard symbol for a marker shape; its own choice when unknown.
sal_Int32 SymbolOf(const std::string& shape) {
  static const std::pair<const char*, sal_Int32> kSymbols[] = {
      {"square", 0}, {"diamond", 1}, {"triangle", 3}, {"circle", 8},
      {"star", 9},   {"x", 10},      {"plus", 11},    {"dash", 13},
  };
  for (const auto& [name, symbol] : kSymbols) {
    if (shape == name) return symbol;
  }
  return css::chart::ChartSymbolType::AUTO;
}

void SetAxis(const Reference<css::beans::XPropertySet>& axis, const ChartAxis& from, const std::string& font) {
  if (!axis.is()) return;
  Set(axis, "AutoMin", !from.minimum.has_value());
  if (from.minimum) Set(axis, "Min", *from.minimum);
  Set(axis, "AutoMax", !from.maximum.has_value());
  if (from.maximum) Set(axis, "Max", *from.maximum);
  Set(axis, "AutoStepMain", !from.major_unit.has_value());
  if (from.major_unit) Set(axis, "StepMain", *from.major_unit);
  if (from.tick_label_font_size > 0) Set(axis, "CharHeight", static_cast<float>(from.tick_label_font_size));
  if (!font.empty()) Set(axis, "CharFontName", ToOu(font));
  if (from.reversed) Set(axis, "ReverseDirection", true);
  if (from.labels_low) Set(axis, "LabelPosition", css::chart::ChartAxisLabelPosition_OUTSIDE_START);
  if (from.crossed_at_maximum) Set(axis, "CrossoverPosition", css::chart::ChartAxisPosition_END);
}

// Names the line series from the cells that hold their names (Calc's own
// names would be "Column E"): `labels` gives each series' cell as Calc's
// chart data names it ("$Quotes.$E$1"), or nothing to keep Calc's name.
void NameSeries(const Reference<css::chart::XChartDocument>& document, const std::vector<std::string>& labels) {
  Reference<css::chart2::XChartDocument> model(document, UNO_QUERY);
  if (!model.is()) return;
  Reference<css::chart2::data::XDataProvider> provider = model->getDataProvider();
  Reference<css::chart2::XCoordinateSystemContainer> systems(model->getFirstDiagram(), UNO_QUERY);
  if (!provider.is() || !systems.is()) return;
  size_t index = 0;
  for (const auto& system : systems->getCoordinateSystems()) {
    Reference<css::chart2::XChartTypeContainer> types(system, UNO_QUERY);
    if (!types.is()) continue;
    for (const auto& type : types->getChartTypes()) {
      Reference<css::chart2::XDataSeriesContainer> container(type, UNO_QUERY);
      if (!container.is()) continue;
      for (const auto& one : container->getDataSeries()) {
        if (index >= labels.size()) return;
        const std::string& label = labels[index++];
        Reference<css::chart2::data::XDataSource> source(one, UNO_QUERY);
        if (label.empty() || !source.is() || !source->getDataSequences().hasElements()) continue;
        source->getDataSequences()[0]->setLabel(provider->createDataSequenceByRangeRepresentation(ToOu(label)));
      }
    }
  }
}

}  // namespace

// Names only: a chart's title and kind mean loading its chart document,
// which is done when the chart itself is asked for (ChartAt). A new chart
// checks its name against every sheet's.
void CalcWorksheet::ReadCharts() const {
  if (charts_read_) return;
  try {
    for (const rtl::OUString& name : SheetCharts(sheet_)->getElementNames()) {
      auto chart = std::make_unique<Chart>();
      chart->name = FromOu(name);
      Chart shown = *chart;
      charts_.push_back(SheetChart{std::move(chart), std::move(shown), false});
    }
  } catch (const css::uno::Exception& e) {
    charts_.clear();
    ThrowFromUno("Cannot read the charts of sheet " + Name(), e);
  }
  charts_read_ = true;
}

void CalcWorksheet::LoadChart(SheetChart& entry) const {
  Chart& chart = *entry.chart;
  try {
    Reference<css::chart::XChartDocument> document = ChartDocument(SheetCharts(sheet_), chart.name);
    Reference<css::beans::XPropertySet> props(document, UNO_QUERY_THROW);
    bool has_title = false;
    props->getPropertyValue("HasMainTitle") >>= has_title;
    if (has_title && document->getTitle().is()) {
      rtl::OUString title;
      Reference<css::beans::XPropertySet>(document->getTitle(), UNO_QUERY_THROW)->getPropertyValue("String") >>= title;
      chart.title = FromOu(title);
    }
    props->getPropertyValue("HasLegend") >>= chart.has_legend;
    const std::string type = document->getDiagram().is() ? FromOu(document->getDiagram()->getDiagramType()) : "";
    chart.kind = type == "com.sun.star.chart.StockDiagram" ? ChartKind::kStock
                 : type == "com.sun.star.chart.LineDiagram" ? ChartKind::kLine
                                                            : ChartKind::kOther;
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot read " + chart.name + " on sheet " + Name(), e);
  }
  entry.shown = chart;
  entry.loaded = true;
}

void CalcWorksheet::AddChartNames(std::set<std::string>& names) const {
  ReadCharts();
  for (const SheetChart& c : charts_) names.insert(c.chart->name);
}

std::set<std::string> CalcWorkbook::ChartNames() const {
  std::set<std::string> names;
  for (const auto& sheet : sheets_) sheet->AddChartNames(names);
  // A chart loaded from a file is listed by its object's name ("Object 1"),
  // but its shape keeps the name the file gave it ("Chart 1"), and Calc
  // refuses a chart of that name on any sheet.
  try {
    Reference<css::container::XIndexAccess> pages(
        Reference<css::drawing::XDrawPagesSupplier>(document_, UNO_QUERY_THROW)->getDrawPages(), UNO_QUERY_THROW);
    for (sal_Int32 p = 0; p < pages->getCount(); ++p) {
      Reference<css::container::XIndexAccess> shapes(pages->getByIndex(p), UNO_QUERY_THROW);
      for (sal_Int32 i = 0; i < shapes->getCount(); ++i) {
        Reference<css::container::XNamed> shape(shapes->getByIndex(i), UNO_QUERY);
        if (shape.is()) names.insert(FromOu(shape->getName()));
      }
    }
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot read the drawing objects of " + Name(), e);
  }
  return names;
}

int CalcWorksheet::ChartCount() const {
  ReadCharts();
  return static_cast<int>(charts_.size());
}

Chart& CalcWorksheet::ChartAt(int index) {
  if (index < 1 || index > ChartCount()) ThrowSubscript("chart " + std::to_string(index));
  SheetChart& entry = charts_[static_cast<size_t>(index - 1)];
  if (!entry.loaded) LoadChart(entry);
  return *entry.chart;
}

Chart& CalcWorksheet::AddChart(double left, double top, double width, double height) {
  ReadCharts();
  auto chart = std::make_unique<Chart>();
  // Calc's chart names are the names of objects, which no two sheets of a
  // document may share.
  const std::set<std::string> taken = book_.ChartNames();
  do {
    chart->name = kChartPrefix + std::to_string(next_chart_number_++);
  } while (taken.count(chart->name) != 0);
  chart->left = left;
  chart->top = top;
  chart->width = width;
  chart->height = height;
  charts_.push_back(SheetChart{std::move(chart), std::nullopt, true});
  return *charts_.back().chart;
}

void CalcWorksheet::DeleteChart(int index) {
  if (index < 1 || index > ChartCount()) ThrowSubscript("chart " + std::to_string(index));
  SheetChart& entry = charts_[static_cast<size_t>(index - 1)];
  if (entry.shown) {
    try {
      Reference<css::table::XTableCharts> charts = SheetCharts(sheet_);
      if (charts->hasByName(ToOu(entry.chart->name))) charts->removeByName(ToOu(entry.chart->name));
    } catch (const css::uno::Exception& e) {
      ThrowFromUno("Cannot delete " + entry.chart->name, e);
    }
  }
  charts_.erase(charts_.begin() + (index - 1));
}

void CalcWorksheet::FlushCharts() {
  for (SheetChart& entry : charts_) {
    const Chart& chart = *entry.chart;
    // A chart without series draws nothing Calc can show; one read from
    // the document keeps what Calc has.
    if (chart.series.empty()) continue;
    if (entry.shown && SameDrawing(chart, *entry.shown) && chart.left == entry.shown->left &&
        chart.top == entry.shown->top && chart.width == entry.shown->width && chart.height == entry.shown->height) {
      continue;
    }
    WriteChart(chart);
    entry.shown = chart;
  }
}

css::table::CellRangeAddress CalcWorksheet::ChartRange(const std::string& reference) {
  const std::optional<ParsedAddress> parsed = ParseR1C1(reference);
  if (!parsed) throw Error(kErrRange, kHostSource, "A chart series refers to \"" + reference + "\", no range");
  Worksheet* sheet = parsed->sheet.empty() ? this : book_.FindWorksheet(parsed->sheet);
  if (sheet == nullptr) {
    throw Error(kErrRange, kHostSource, "A chart series refers to sheet \"" + parsed->sheet + "\", which is not there");
  }
  Reference<css::sheet::XCellRangeAddressable> cell(
      static_cast<CalcWorksheet*>(sheet)->Uno()->getCellRangeByPosition(0, 0, 0, 0), UNO_QUERY_THROW);
  css::table::CellRangeAddress range;
  range.Sheet = cell->getRangeAddress().Sheet;
  range.StartColumn = parsed->rect.col1 - 1;
  range.StartRow = parsed->rect.row1 - 1;
  range.EndColumn = parsed->rect.col2 - 1;
  range.EndRow = parsed->rect.row2 - 1;
  return range;
}

std::string CalcWorksheet::LabelCell(const css::table::CellRangeAddress& values, const std::string& name) {
  if (name.empty() || values.StartRow == 0) return "";
  Reference<css::sheet::XSpreadsheets> sheets = book_.Document()->getSheets();
  Reference<css::container::XIndexAccess> by_index(sheets, UNO_QUERY_THROW);
  Reference<css::sheet::XSpreadsheet> sheet(by_index->getByIndex(values.Sheet), UNO_QUERY_THROW);
  Reference<css::table::XCell> cell = sheet->getCellByPosition(values.StartColumn, values.StartRow - 1);
  if (FromOu(cell->getFormula()) != name) return "";
  rtl::OUString absolute;
  Reference<css::beans::XPropertySet>(cell, UNO_QUERY_THROW)->getPropertyValue("AbsoluteName") >>= absolute;
  return FromOu(absolute);
}

void CalcWorksheet::WriteChart(const Chart& chart) {
  const bool stock = chart.kind == ChartKind::kStock;
  // A stock chart takes its prices in Calc's order: (open,) low, high,
  // close; the system lists them (open,) high, low, close.
  std::vector<const ChartSeries*> order;
  for (const ChartSeries& series : chart.series) order.push_back(&series);
  if (stock && (order.size() == 3 || order.size() == 4)) std::swap(order[order.size() - 3], order[order.size() - 2]);
  const bool categories = !chart.series.front().categories.empty();
  std::vector<css::table::CellRangeAddress> ranges;
  if (categories) ranges.push_back(ChartRange(chart.series.front().categories));
  for (const ChartSeries* series : order) ranges.push_back(ChartRange(series->values));
  std::vector<std::string> labels;
  if (!stock) {
    const size_t first_values = categories ? 1 : 0;
    for (size_t i = 0; i < order.size(); ++i) labels.push_back(LabelCell(ranges[first_values + i], order[i]->name));
  }

  try {
    Reference<css::table::XTableCharts> charts = SheetCharts(sheet_);
    const rtl::OUString name = ToOu(chart.name);
    if (charts->hasByName(name)) charts->removeByName(name);
    const css::awt::Rectangle place(PointsToCalc(chart.left), PointsToCalc(chart.top), PointsToCalc(chart.width),
                                    PointsToCalc(chart.height));
    charts->addNewByName(name, place,
                         css::uno::Sequence<css::table::CellRangeAddress>(ranges.data(),
                                                                          static_cast<sal_Int32>(ranges.size())),
                         false, categories);
    Reference<css::chart::XChartDocument> document = ChartDocument(charts, chart.name);
    // Calc draws the chart again after each change of its model unless
    // its controllers are locked: the looks are a few dozen changes (this
    // made a chart take 730 ms to draw through --calc instead of 100).
    Reference<css::frame::XModel> chart_model(document, UNO_QUERY_THROW);
    chart_model->lockControllers();
    struct Unlock {
      Reference<css::frame::XModel> model;
      ~Unlock() {
        try {
          model->unlockControllers();
        } catch (const css::uno::Exception&) {
        }
      }
    } unlock{chart_model};
    Reference<css::lang::XMultiServiceFactory> factory(document, UNO_QUERY_THROW);
    Reference<css::chart::XDiagram> diagram(
        factory->createInstance(
            rtl::OUString::createFromAscii(stock ? "com.sun.star.chart.StockDiagram" : "com.sun.star.chart.LineDiagram")),
        UNO_QUERY_THROW);
    document->setDiagram(diagram);
    Reference<css::beans::XPropertySet> diagram_props(diagram, UNO_QUERY_THROW);
    if (stock) {
      Set(diagram_props, "Volume", false);
      Set(diagram_props, "UpDown", order.size() == 4);
    }

    Reference<css::beans::XPropertySet> props(document, UNO_QUERY_THROW);
    Set(props, "HasMainTitle", !chart.title.empty());
    if (!chart.title.empty()) {
      Reference<css::beans::XPropertySet> title(document->getTitle(), UNO_QUERY_THROW);
      Set(title, "String", ToOu(chart.title));
      if (chart.title_font_size > 0) Set(title, "CharHeight", static_cast<float>(chart.title_font_size));
      if (chart.title_bold) Set(title, "CharWeight", css::awt::FontWeight::BOLD);
      if (!chart.font_name.empty()) Set(title, "CharFontName", ToOu(chart.font_name));
    }
    Set(props, "HasLegend", chart.has_legend);

    Set(diagram_props, "HasYAxisGrid", chart.value_axis.major_gridlines);
    SetAxis(Reference<css::chart::XAxisXSupplier>(diagram, UNO_QUERY_THROW)->getXAxis(), chart.category_axis,
            chart.font_name);
    SetAxis(Reference<css::chart::XAxisYSupplier>(diagram, UNO_QUERY_THROW)->getYAxis(), chart.value_axis,
            chart.font_name);
    const bool secondary = !stock && std::any_of(chart.series.begin(), chart.series.end(),
                                                 [](const ChartSeries& s) { return s.secondary_axis; });
    if (secondary) {
      Set(diagram_props, "HasSecondaryYAxis", true);
      Set(diagram_props, "HasSecondaryYAxisDescription", true);
    }
    if (!stock) {
      for (size_t i = 0; i < order.size(); ++i) {
        const ChartSeries& series = *order[i];
        Reference<css::beans::XPropertySet> row = diagram->getDataRowProperties(static_cast<sal_Int32>(i));
        if (!row.is()) continue;
        if (series.line_color != kAutomatic) Set(row, "Color", static_cast<sal_Int32>(series.line_color));
        if (series.line_weight > 0) Set(row, "LineWidth", PointsToCalc(series.line_weight));
        if (series.line_hidden) Set(row, "LineStyle", css::drawing::LineStyle_NONE);
        Set(row, "SymbolType",
            series.markers ? SymbolOf(series.marker_symbol) : sal_Int32{css::chart::ChartSymbolType::NONE});
        if (secondary) {
          namespace axis = css::chart::ChartAxisAssign;
          Set(row, "Axis", series.secondary_axis ? axis::SECONDARY_Y : axis::PRIMARY_Y);
        }
      }
      if (secondary) {
        SetAxis(Reference<css::chart::XTwoAxisYSupplier>(diagram, UNO_QUERY_THROW)->getSecondaryYAxis(),
                chart.secondary_value_axis, chart.font_name);
      }
      NameSeries(document, labels);
    }
  } catch (const css::uno::Exception& e) {
    ThrowFromUno("Cannot draw " + chart.name + " on sheet " + Name(), e);
  }
}

}  // namespace plrxl::calc
