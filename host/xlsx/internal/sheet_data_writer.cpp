#include "host/xlsx/internal/sheet_data_writer.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/address.h"
#include "host/xlsx/internal/carried_features.h"
#include "host/xlsx/internal/problem.h"

namespace plrxl::xlsx {

namespace {

// Collects the XML and hands it to the file in large blocks.
class Out {
 public:
  explicit Out(FILE* file) : file_(file) { buffer_.reserve(kBlock + 4096); }
  ~Out() = default;

  void Add(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= kBlock) Flush();
  }
  void Add(char c) { buffer_.push_back(c); }
  void Int(long value) {
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    buffer_.append(digits, end);
  }
  void Number(double value) {
    char digits[32];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    buffer_.append(digits, end);
  }
  // Text content: markup characters escaped, characters XML cannot carry
  // written as _xHHHH_, the way spreadsheet files keep them.
  void Escaped(std::string_view text) {
    for (char ch : text) {
      const auto c = static_cast<unsigned char>(ch);
      switch (c) {
        case '&': buffer_.append("&amp;"); break;
        case '<': buffer_.append("&lt;"); break;
        case '>': buffer_.append("&gt;"); break;
        case '"': buffer_.append("&quot;"); break;
        default:
          if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            char code[8];
            std::snprintf(code, sizeof code, "_x%04X_", c);
            buffer_.append(code);
          } else {
            buffer_.push_back(ch);
          }
      }
    }
    if (buffer_.size() >= kBlock) Flush();
  }
  void Flush() {
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
      throw XlsxProblem(std::string("cannot write the sheet data: ") + std::strerror(errno));
    }
    buffer_.clear();
  }

 private:
  static constexpr size_t kBlock = size_t{1} << 16;
  FILE* file_;
  std::string buffer_;
};

// Leading or trailing white space, which a reader may drop unless the
// element says to keep it.
bool NeedsPreserve(std::string_view text) {
  return !text.empty() &&
         (std::isspace(static_cast<unsigned char>(text.front())) || std::isspace(static_cast<unsigned char>(text.back())));
}

void InlineText(Out& out, const std::string& text) {
  out.Add(NeedsPreserve(text) ? "<is><t xml:space=\"preserve\">" : "<is><t>");
  out.Escaped(text);
  out.Add("</t></is>");
}

// The number a cell holds in the file: dates as serials of the workbook's
// date system (date_shift: see FormatCache::DateShift); a time of day
// without a date is the same in either.
double FileNumber(const Variant& value, double date_shift) {
  return value.IsDate() && value.Number() >= 1 ? value.Number() - date_shift : value.Number();
}

// The cached value of a formula: its type attribute and <v>.
void CachedValue(Out& out, const Variant& value, double date_shift) {
  switch (value.Type()) {
    case VarType::kNumber:
    case VarType::kDate:
      if (std::isfinite(value.Number())) {
        out.Add("<v>");
        out.Number(FileNumber(value, date_shift));
        out.Add("</v>");
      } else {
        out.Add("<v>#NUM!</v>");
      }
      return;
    case VarType::kText:
      out.Add(NeedsPreserve(value.Text()) ? "<v xml:space=\"preserve\">" : "<v>");
      out.Escaped(value.Text());
      out.Add("</v>");
      return;
    case VarType::kBoolean:
      out.Add(value.Boolean() ? "<v>1</v>" : "<v>0</v>");
      return;
    case VarType::kError:
      out.Add("<v>");
      out.Add(CellErrorText(value.ErrorValue()));
      out.Add("</v>");
      return;
    default:
      return;  // no result: the formula alone, for the next program to compute
  }
}

const char* CachedType(const Variant& value) {
  switch (value.Type()) {
    case VarType::kText: return " t=\"str\"";
    case VarType::kBoolean: return " t=\"b\"";
    case VarType::kError: return " t=\"e\"";
    case VarType::kNumber:
    case VarType::kDate: return std::isfinite(value.Number()) ? "" : " t=\"e\"";
    default: return "";
  }
}

}  // namespace

std::pair<long, long> WriteSheetData(lxw_worksheet* ws, const Worksheet& sheet, FormatCache& formats,
                                     std::FILE* rows, const KeptSpan* kept) {
  const long begin = std::ftell(rows);
  if (begin < 0) throw XlsxProblem(std::string("cannot write the sheet data: ") + std::strerror(errno));
  auto used = sheet.UsedRange();
  const int first_new_row = kept != nullptr ? kept->last_row + 1 : 1;
  if (used && used->row2 < first_new_row) used.reset();
  if (used) used->row1 = std::max(used->row1, first_new_row);
  // Rows written without a cell of the model: custom heights, and what the
  // loaded file held beyond the model (outline states, cells beyond the
  // grid), in row order.
  const std::shared_ptr<const CarriedSheetFeatures> carried = sheet.CarriedFeatures();
  static const std::vector<CarriedRow> kNoRows;
  const std::vector<CarriedRow>& carried_rows = carried ? carried->layout.rows : kNoRows;
  std::vector<int> extra_rows = sheet.CustomHeightRows();
  if (!carried_rows.empty()) {
    for (const CarriedRow& r : carried_rows) extra_rows.push_back(r.row);
    std::sort(extra_rows.begin(), extra_rows.end());
    extra_rows.erase(std::unique(extra_rows.begin(), extra_rows.end()), extra_rows.end());
  }
  std::erase_if(extra_rows, [&](int row) { return row < first_new_row; });
  if (!used && extra_rows.empty() && kept == nullptr) return {begin, begin};

  std::string columns[kMaxCols + 1];
  for (int c = 1; c <= kMaxCols; ++c) columns[c] = ColumnLetters(c);

  Out out(rows);
  int open_row = 0;
  size_t next_extra = 0;
  size_t next_carried = 0;
  const CarriedRow* open_carried = nullptr;
  int row_min = kMaxFileRows + 1, row_max = 0, col_min = kMaxFileColumns + 1, col_max = 0;
  if (kept != nullptr && kept->last_row > 0) {
    row_min = kept->first_row, row_max = kept->last_row;
    if (kept->last_col > 0) col_min = kept->first_col, col_max = kept->last_col;
  }
  auto open = [&](int row) {
    out.Add("<row r=\"");
    out.Int(row);
    out.Add('"');
    if (row <= kMaxRows && sheet.RowHeightIsCustom(row)) {
      out.Add(" ht=\"");
      out.Number(sheet.RowHeight(row));
      out.Add("\" customHeight=\"1\"");
    }
    while (next_carried < carried_rows.size() && carried_rows[next_carried].row < row) ++next_carried;
    open_carried = next_carried < carried_rows.size() && carried_rows[next_carried].row == row
                       ? &carried_rows[next_carried]
                       : nullptr;
    if (open_carried != nullptr) out.Add(open_carried->attributes);
    out.Add('>');
    open_row = row;
    row_min = std::min(row_min, row);
    row_max = std::max(row_max, row);
  };
  auto close = [&] {
    if (open_row == 0) return;
    if (open_carried != nullptr) {
      for (const CarriedCell& cell : open_carried->cells) {
        out.Add("<c r=\"");
        out.Add(ColumnLetters(cell.col));
        out.Int(open_row);
        out.Add('"');
        if (lxw_format* format = cell.style_id != 0 ? formats.Get(cell.style_id, false) : nullptr) {
          out.Add(" s=\"");
          out.Int(lxw_format_get_xf_index(format));
          out.Add('"');
        }
        out.Add(cell.body);
        col_min = std::min(col_min, cell.col);
        col_max = std::max(col_max, cell.col);
      }
    }
    out.Add("</row>");
    open_row = 0;
    open_carried = nullptr;
  };
  // Rows without a cell of the model, up to `row` (exclusive).
  auto heights_before = [&](int row) {
    for (; next_extra < extra_rows.size() && extra_rows[next_extra] < row; ++next_extra) {
      if (extra_rows[next_extra] == open_row) continue;
      close();
      open(extra_rows[next_extra]);
    }
  };

  const double date_shift = formats.DateShift();
  if (used) {
    sheet.ForEachCell(*used, [&](int row, int col) {
      if (row != open_row) {
        heights_before(row);
        close();
        open(row);
        if (next_extra < extra_rows.size() && extra_rows[next_extra] == row) ++next_extra;
      }
      col_min = std::min(col_min, col);
      col_max = std::max(col_max, col);
      const Variant value = sheet.CellValue(row, col);
      lxw_format* format = formats.Get(sheet.CellStyleId(row, col), value.IsDate());
      out.Add("<c r=\"");
      out.Add(columns[col]);
      out.Int(row);
      out.Add('"');
      if (format != nullptr) {
        out.Add(" s=\"");
        out.Int(lxw_format_get_xf_index(format));
        out.Add('"');
      }
      const std::string formula = sheet.CellFormula(row, col);
      if (!formula.empty()) {
        out.Add(CachedType(value));
        if (const std::optional<Rect> array = sheet.ArrayFormulaRange(row, col)) {
          out.Add("><f t=\"array\" ref=\"");
          out.Add(FormatA1(*array, false));
          out.Add("\">");
        } else {
          out.Add("><f>");
        }
        out.Escaped(formula[0] == '=' ? std::string_view(formula).substr(1) : std::string_view(formula));
        out.Add("</f>");
        CachedValue(out, value, date_shift);
        out.Add("</c>");
        return;
      }
      switch (value.Type()) {
        case VarType::kNumber:
        case VarType::kDate:
          if (std::isfinite(value.Number())) {
            out.Add("><v>");
            out.Number(FileNumber(value, date_shift));
            out.Add("</v></c>");
          } else {
            out.Add(" t=\"e\"><v>#NUM!</v></c>");
          }
          break;
        case VarType::kText:
          out.Add(" t=\"inlineStr\">");
          InlineText(out, value.Text());
          out.Add("</c>");
          break;
        case VarType::kBoolean:
          out.Add(value.Boolean() ? " t=\"b\"><v>1</v></c>" : " t=\"b\"><v>0</v></c>");
          break;
        case VarType::kError:
          out.Add(" t=\"e\"><v>");
          out.Add(CellErrorText(value.ErrorValue()));
          out.Add("</v></c>");
          break;
        default:
          out.Add("/>");
          break;
      }
    });
  }
  heights_before(kMaxFileRows + 1);
  close();
  out.Flush();

  // The part's <dimension> and the writer's "is there data" test.
  if (row_max > 0) {
    ws->dim_rowmin = static_cast<lxw_row_t>(row_min - 1);
    ws->dim_rowmax = static_cast<lxw_row_t>(row_max - 1);
    ws->dim_colmin = static_cast<lxw_col_t>(col_max == 0 ? 0 : col_min - 1);
    ws->dim_colmax = static_cast<lxw_col_t>(col_max == 0 ? 0 : col_max - 1);
  }
  const long end = std::ftell(rows);
  if (end < 0) throw XlsxProblem(std::string("cannot write the sheet data: ") + std::strerror(errno));
  return {begin, end};
}

}  // namespace plrxl::xlsx
