#include "host/xlsx/internal/load_budget.h"

#include <cstring>

#include "host/xlsx/internal/problem.h"

namespace plrxl::xlsx {

namespace {

std::string Grouped(int64_t n) {
  std::string digits = std::to_string(n);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<size_t>(i), ",");
  return digits;
}

[[noreturn]] void Refuse(const std::string& what, const char* key, const std::string& limit, const std::string& part) {
  throw XlsxProblem(part + " " + what + ", over the limit " + key + " (" + limit + ")");
}

bool EndsName(char c) { return c == ' ' || c == '>' || c == '/' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

void LoadBudget::SpendText(size_t bytes, const std::string& part) {
  text_bytes_ += static_cast<int64_t>(bytes);
  if (text_bytes_ > limits_.max_text_bytes) {
    Refuse("brings the workbook's text past " + Grouped(limits_.max_text_bytes) + " bytes", kMaxTextMBKey,
           Grouped(limits_.max_text_bytes >> 20) + " MB", part);
  }
}

void LoadBudget::CheckSheetCells(int64_t cells, const std::string& part) const {
  if (cells > limits_.max_cells_per_sheet) {
    Refuse("holds more than " + Grouped(limits_.max_cells_per_sheet) + " cells", kMaxCellsPerSheetKey,
           Grouped(limits_.max_cells_per_sheet), part);
  }
  if (cells_ + cells > limits_.max_cells_per_workbook) {
    Refuse("brings the workbook past " + Grouped(limits_.max_cells_per_workbook) + " cells", kMaxCellsPerWorkbookKey,
           Grouped(limits_.max_cells_per_workbook), part);
  }
}

void LoadBudget::SpendCells(int64_t cells, const std::string& part) {
  CheckSheetCells(cells, part);
  cells_ += cells;
}

void LoadBudget::SpendCarried(size_t bytes, const std::string& part) {
  carried_bytes_ += static_cast<int64_t>(bytes);
  if (carried_bytes_ > limits_.max_part_bytes) {
    Refuse("brings the parts carried over (pictures, tables, comments...) past " + Grouped(limits_.max_part_bytes) +
               " bytes",
           kMaxPartMBKey, Grouped(limits_.max_part_bytes >> 20) + " MB", part);
  }
}

void CellTagCounter::Scan(const std::string& text, bool final) {
  // A tag name is complete well within 64 bytes of its '<'; leave the tail
  // for the next call unless the part is complete.
  constexpr size_t kTail = 64;
  const size_t stop = final ? text.size() : (text.size() > kTail ? text.size() - kTail : 0);
  const char* data = text.data();
  size_t i = scanned_;
  while (i < stop) {
    const void* hit = std::memchr(data + i, '<', stop - i);
    if (hit == nullptr) {
      i = stop;
      break;
    }
    size_t p = static_cast<size_t>(static_cast<const char*>(hit) - data) + 1;
    size_t name = p;
    while (p < text.size() && !EndsName(data[p]) && p - name < kTail) {
      if (data[p] == ':') name = p + 1;  // local name after the prefix
      ++p;
    }
    if (p < text.size() && p == name + 1 && data[name] == 'c' && EndsName(data[p])) ++cells_;
    i = static_cast<size_t>(static_cast<const char*>(hit) - data) + 1;
  }
  scanned_ = i;
}

}  // namespace plrxl::xlsx
