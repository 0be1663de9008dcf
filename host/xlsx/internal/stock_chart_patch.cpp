#include "host/xlsx/internal/stock_chart_patch.h"

#include <zip.h>

#include <cstdlib>

#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/zip_reader.h"

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

void PatchChartParts(const std::string& path, const std::vector<ChartPartEdit>& edits) {
  if (edits.empty()) return;
  std::vector<std::string> patched;
  {
    ZipReader reader(path);
    for (const ChartPartEdit& edit : edits) {
      if (edit.replacement) {
        patched.push_back(*edit.replacement);
        continue;
      }
      std::string xml = FixMarkerNames(reader.Read(edit.part));
      patched.push_back(edit.to_stock ? LineChartToStockChart(xml) : xml);
    }
  }
  int code = 0;
  zip_t* archive = zip_open(path.c_str(), 0, &code);
  if (archive == nullptr) throw XlsxProblem("cannot reopen the saved package");
  for (size_t i = 0; i < edits.size(); ++i) {
    zip_int64_t index = zip_name_locate(archive, edits[i].part.c_str(), 0);
    zip_source_t* source = zip_source_buffer(archive, patched[i].data(), patched[i].size(), 0);
    if (index < 0 || source == nullptr || zip_file_replace(archive, static_cast<zip_uint64_t>(index), source, 0) < 0) {
      if (source != nullptr) zip_source_free(source);
      std::string why = zip_strerror(archive);
      zip_discard(archive);
      throw XlsxProblem("cannot rewrite " + edits[i].part + ": " + why);
    }
  }
  if (zip_close(archive) < 0) {
    std::string why = zip_strerror(archive);
    zip_discard(archive);
    throw XlsxProblem("cannot rewrite the saved package: " + why);
  }
}

}  // namespace plrxl::xlsx
