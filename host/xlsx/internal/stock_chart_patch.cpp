#include "host/xlsx/internal/stock_chart_patch.h"

#include <cstdlib>

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

}  // namespace

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
